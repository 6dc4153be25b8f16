#include "HistoryEx.h"

#include "ControlStates.h"
#include "IniGT.h"

#include <algorithm>
#include <functional>

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

namespace {

const QString kNil = QStringLiteral("NIL");

void openIni(TIniGT &ini, QString &fileName)
{
    if (fileName.isEmpty()) {
        ini.Loaded();
        fileName = ini.FileName();
    } else {
        ini.setFileName(fileName);
    }
}

} // namespace

void THistoryEx::LoadFromIni()
{
    TIniGT ini;
    openIni(ini, IniFile);
    // One look at the file for every key read.
    ini.BeginUpdate();
    const int n = ini.ReadInt(Name, QStringLiteral("Count"), -1);
    m_count = n;
    // Keys below Count; only those in the file can hold an entry (a
    // hand-edited Count of a billion costs no more than the keys there are).
    QList<int> present;
    for (const QString &key : ini.ReadSection(Name)) {
        bool ok = false;
        const int i = key.toInt(&ok);
        if (ok && i >= 0 && i < n && QString::number(i) == key)
            present << i;
    }
    std::sort(present.begin(), present.end());
    present.erase(std::unique(present.begin(), present.end()), present.end());
    // The entries go in oldest first, so that entry 0 ends on top and each
    // entry stands where its most recent key puts it. Only the most recent
    // distinct entries stay (at least one, whatever Max says), so only those
    // are read, most recent first, and appended in reverse.
    const qsizetype keep = std::max(Max, 1);
    QStringList recent;
    for (int i : present) {
        bool escaped = false;
        const QString entry = ini.ReadStr(Name, QString::number(i), kNil, &escaped);
        // "NIL" stands for an empty entry; the data line NIL itself is kept escaped.
        if ((entry != kNil || escaped) && !recent.contains(entry))
            recent << entry;
        if (recent.size() >= keep)
            break;
    }
    ini.EndUpdate();
    for (qsizetype i = recent.size() - 1; i >= 0; --i)
        Append(recent.at(i));
}

QString THistoryEx::SaveToIni()
{
    TIniGT ini;
    openIni(ini, IniFile);
    ini.BeginUpdate();
    for (int i = 0; i < m_history.size(); ++i) {
        const QString &entry = m_history.at(i);
        if (entry.isEmpty())
            ini.WriteRaw(Name, QString::number(i), kNil);
        else if (entry == kNil)
            ini.WriteEscaped(Name, QString::number(i), entry);
        else
            ini.WriteQuoted(Name, QString::number(i), entry);
    }
    ini.WriteInt(Name, QStringLiteral("Count"), m_count);
    ini.EndUpdate();
    return ini.LastWriteError();
}
