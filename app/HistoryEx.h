// THistoryEx: the input history, most recent entry first.
#pragma once

#include <QStringList>

class TListState;

class THistoryEx
{
public:
    // The entries, most recent first.
    const QStringList &History() const { return m_history; }
    void setHistory(const QStringList &entries);

    // Capacity; 10 unless changed.
    int Max = 10;
    // Entries after the last change; -1 when cleared or never filled.
    int Count() const { return m_count; }

    // Adds one entry at the top. An equal entry (exact, case-sensitive) is
    // removed from wherever it stood; at capacity the oldest entry goes.
    void Append(const QString &entry);
    void Add(const QString &entry) { Append(entry); }
    // Empties the history; Count becomes -1.
    void Clear();

    // The drop-down list that mirrors the history: its items become the
    // entries and the first entry is selected after every Append.
    TListState *ComboBox = nullptr;
    // A list box that mirrors the history (items only).
    TListState *ListBox = nullptr;

private:
    void mirror();

    QStringList m_history;
    int m_count = -1;
};
