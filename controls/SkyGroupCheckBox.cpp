#include "SkyGroupCheckBox.h"

namespace {
const char kGroupTag[] = "groupTag";
}

TSkyGroupCheckBox::TSkyGroupCheckBox(QWidget *parent)
    : QCheckBox(parent)
{
    connect(this, &QCheckBox::toggled, this, &TSkyGroupCheckBox::ApplyGroup);
}

void TSkyGroupCheckBox::setTag(int tag)
{
    m_tag = tag;
    ApplyGroup();
}

void TSkyGroupCheckBox::setGroup(QWidget *w, int tag)
{
    w->setProperty(kGroupTag, tag);
}

void TSkyGroupCheckBox::ApplyGroup()
{
    if (m_tag == 0)
        return;
    for (QWidget *w : window()->findChildren<QWidget *>())
        if (w != this && w->property(kGroupTag).toInt() == m_tag)
            w->setEnabled(isChecked());
}
