#include "ControlStates.h"

TControlState::TControlState(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{
    setObjectName(name);
}

void TControlState::setEnabled(bool on)
{
    if (m_enabled == on)
        return;
    m_enabled = on;
    emit changed();
}

void TControlState::setVisible(bool on)
{
    if (m_visible == on)
        return;
    m_visible = on;
    emit changed();
}

void TEditState::setText(const QString &text)
{
    if (m_text == text)
        return;
    assignText(text);
    if (OnChange)
        OnChange();
}

void TEditState::assignText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    emit changed();
}

TSpinState::TSpinState(const QString &name, int min, int max, int value, QObject *parent)
    : TEditState(name, parent), m_min(min), m_max(max)
{
    assignText(QString::number(value));
}

int TSpinState::Value()
{
    bool ok = false;
    const int v = Text().trimmed().toInt(&ok, 10);
    if (ok)
        return v;
    assignText(QString::number(m_min));
    return m_min;
}

void TSpinState::StepUp()
{
    const int v = Value();
    if (v < m_max)
        setValue(v + 1);
}

void TSpinState::StepDown()
{
    const int v = Value();
    if (v > m_min)
        setValue(v - 1);
}

TCheckState::TCheckState(const QString &name, const QString &caption, bool checked, QObject *parent)
    : TControlState(name, parent), m_caption(caption), m_checked(checked)
{
}

void TCheckState::setChecked(bool on)
{
    if (m_checked == on)
        return;
    m_checked = on;
    emit changed();
    if (OnClick)
        OnClick();
}

void TCheckState::Assign(bool on)
{
    if (m_checked == on)
        return;
    m_checked = on;
    emit changed();
}

TMenuItemState::TMenuItemState(const QString &name, const QString &caption, bool checked, QObject *parent)
    : TControlState(name, parent), m_caption(caption), m_checked(checked)
{
}

void TMenuItemState::setChecked(bool on)
{
    if (m_checked == on)
        return;
    m_checked = on;
    emit changed();
}

TListState::TListState(const QString &name, const QStringList &items, int index, QObject *parent)
    : TControlState(name, parent), m_items(items), m_index(index >= 0 && index < items.size() ? index : -1)
{
}

void TListState::setItems(const QStringList &items)
{
    m_items = items;
    m_index = -1;
    emit changed();
}

void TListState::setItemIndex(int index)
{
    const int i = index >= 0 && index < m_items.size() ? index : -1;
    if (i == m_index)
        return;
    m_index = i;
    emit changed();
}

QString TListState::Text() const
{
    return m_index >= 0 ? m_items.at(m_index) : QString();
}

void TListState::UserSelect(int index)
{
    setItemIndex(index);
    if (OnChange)
        OnChange();
}
