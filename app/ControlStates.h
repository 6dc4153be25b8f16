// The state of the main window's controls, without widgets: what each
// control holds (text, check, item list and selection), whether it is
// enabled and visible, and the change handler it runs. The window binds its
// widgets to these; the command line, the automation object, the console
// front end and the tests change them directly, with the same effect.
//
// When handlers run follows the controls Zebrix was designed with: setting
// an edit's text, a spin edit's text or a check box's check runs the
// control's handler when the value changes, whoever changes it; setting a
// drop-down list's selection from code runs nothing, only a user's pick
// (UserSelect) does.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class TControlState : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    explicit TControlState(const QString &name, QObject *parent = nullptr);

    const QString &Name() const { return m_name; }
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    bool Visible() const { return m_visible; }
    void setVisible(bool on);

signals:
    // Anything about the control changed (value, items, enabled, visible).
    void changed();

private:
    QString m_name;
    bool m_enabled = true;
    bool m_visible = true;
};

// A single-line edit. OnChange runs when the text changes.
class TEditState : public TControlState
{
    Q_OBJECT
public:
    explicit TEditState(const QString &name, QObject *parent = nullptr) : TControlState(name, parent) {}

    const QString &Text() const { return m_text; }
    void setText(const QString &text);
    Handler OnChange;

protected:
    // Sets the text without running the handler (shown all the same).
    void assignText(const QString &text);

private:
    QString m_text;
};

// A spin edit holds text, not a number: Value() reads it. A text that is not
// a decimal integer reads as the minimum, and the edit is reset to it (the
// reset is shown, it runs no handler). A number outside Min..Max is used as
// it is: the range limits only the edit's own up and down steps.
class TSpinState : public TEditState
{
    Q_OBJECT
public:
    TSpinState(const QString &name, int min, int max, int value, QObject *parent = nullptr);

    int Value();
    void setValue(int v) { setText(QString::number(v)); }
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    // One step up or down, within Min..Max (a value outside stays where it is
    // when the step would take it further out).
    void StepUp();
    void StepDown();

private:
    int m_min, m_max;
};

// A check box (or a menu item with a check). OnClick runs when the check
// changes, whoever changes it; Click() is a user's click and toggles.
class TCheckState : public TControlState
{
    Q_OBJECT
public:
    TCheckState(const QString &name, const QString &caption, bool checked = false, QObject *parent = nullptr);

    const QString &Caption() const { return m_caption; }
    bool Checked() const { return m_checked; }
    void setChecked(bool on);
    void Click() { setChecked(!m_checked); }
    // Sets the check without running the handler (shown all the same).
    void Assign(bool on);
    Handler OnClick;

private:
    QString m_caption;
    bool m_checked;
};

// A menu item: a caption, a check, and the handler a click runs. Setting the
// check from code runs nothing; Click() runs OnClick (which, for the items
// that toggle themselves, inverts the check).
class TMenuItemState : public TControlState
{
    Q_OBJECT
public:
    TMenuItemState(const QString &name, const QString &caption, bool checked = false, QObject *parent = nullptr);

    const QString &Caption() const { return m_caption; }
    bool Checked() const { return m_checked; }
    void setChecked(bool on);
    void Click() { if (OnClick) OnClick(); }
    Handler OnClick;

private:
    QString m_caption;
    bool m_checked;
};

// A drop-down list: items and the selected index, -1 for no selection.
class TListState : public TControlState
{
    Q_OBJECT
public:
    TListState(const QString &name, const QStringList &items = {}, int index = -1, QObject *parent = nullptr);

    const QStringList &Items() const { return m_items; }
    int Count() const { return int(m_items.size()); }
    // Replaces the items; the selection is cleared.
    void setItems(const QStringList &items);
    // Items as one comma-separated text.
    void setCommaText(const QString &text) { setItems(text.split(u',')); }
    int ItemIndex() const { return m_index; }
    // Selects an item; an index outside the items leaves no selection. Runs no handler.
    void setItemIndex(int index);
    // The text of the selected item, empty without a selection.
    QString Text() const;
    // A user's pick: selects and runs OnChange.
    void UserSelect(int index);
    Handler OnChange;

private:
    QStringList m_items;
    int m_index;
};
