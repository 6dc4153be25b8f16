// THistoryEx: the input history, most recent entry first.
#pragma once

#include <QString>
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

    // The settings file the history is kept in, in its own section named
    // after the component: Count, then 0, 1, ... most recent first, each
    // entry in double quotes, an empty one as NIL. Empty: the per-user
    // settings file.
    QString IniFile;
    QString Name = QStringLiteral("HistoryEx1");
    // Reads the stored entries (Count missing or -1: none), oldest first
    // through Append, so that entry 0 ends on top and duplicates collapse.
    void LoadFromIni();
    // Writes the entries and Count. Keys beyond Count stay in the file.
    // Empty when the history reached the file, else why not.
    QString SaveToIni();

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
