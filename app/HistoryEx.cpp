#include "HistoryEx.h"

#include "ControlStates.h"

void THistoryEx::setHistory(const QStringList &entries)
{
    m_history = entries;
}

void THistoryEx::Append(const QString &entry)
{
    if (m_count < 0)
        m_count = 0;
    m_history.removeAll(entry);
    if (m_history.size() >= Max && !m_history.isEmpty())
        m_history.removeLast();
    m_history.prepend(entry);
    m_count = int(m_history.size());
    mirror();
}

void THistoryEx::Clear()
{
    m_history.clear();
    m_count = -1;
}

void THistoryEx::mirror()
{
    if (ComboBox) {
        ComboBox->setItems(m_history);
        ComboBox->setItemIndex(0);
    }
    if (ListBox)
        ListBox->setItems(m_history);
}
