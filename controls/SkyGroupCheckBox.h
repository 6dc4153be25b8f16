// TSkyGroupCheckBox: a check box that enables the controls of its group.
// Every widget of the same window whose "groupTag" property equals the box's
// tag is enabled while the box is checked and disabled otherwise.
#pragma once

#include <QCheckBox>

class TSkyGroupCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit TSkyGroupCheckBox(QWidget *parent = nullptr);
    int Tag() const { return m_tag; }
    // 0: no group.
    void setTag(int tag);
    // Puts a widget into a group.
    static void setGroup(QWidget *w, int tag);
    // Enables or disables the group's widgets as the box is checked.
    void ApplyGroup();

private:
    int m_tag = 0;
};
