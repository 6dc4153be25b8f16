#include "IniGT.h"

#include "CodePage.h"
#include "Executable.h"
#include "FileNames.h"
#include "TextFile.h"
#include "Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t kOpenCorner = u'｢';
constexpr char16_t kCloseCorner = u'｣';

// A line as INI text sees it: a section header, a key line, or anything else
// (comments, blank lines, text Zebrix does not understand).
bool isHeader(QStringView line, QStringView *name = nullptr)
{
    const QStringView t = line.trimmed();
    if (!t.startsWith(u'['))
        return false;
    const qsizetype close = t.lastIndexOf(u']');
    if (close < 1)
        return false;
    if (name)
        *name = t.mid(1, close - 1).trimmed();
    return true;
}

bool isKeyLine(QStringView line, QStringView *key = nullptr, QStringView *value = nullptr)
{
    const QStringView t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#') || t.startsWith(u'['))
        return false;
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return false;
    if (key)
        *key = t.left(eq).trimmed();
    if (value)
        *value = t.mid(eq + 1).trimmed();
    return true;
}

// A name as the index files sections: equal for two names exactly when
// they match without regard to case (Qt's case folding, code point by code
// point, as QString::compare folds).
QString foldedName(QStringView name)
{
    QString folded(name.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(folded.data());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        if (u >= 0x80)
            return name.toString().toCaseFolded();
        out[i] = u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
    }
    return folded;
}

// The hash of the folded name, as the index files keys: names that match
// hash alike (without a string of its own for the common, ASCII name).
size_t foldedHash(QStringView name)
{
    QVarLengthArray<char16_t, 64> folded(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        if (u >= 0x80)
            return qHash(foldedName(name));
        folded[i] = u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
    }
    return qHash(QStringView(folded.data(), folded.size()));
}

// One pair of matching quotes around a value goes.
QString stripQuotes(const QString &v)
{
    if (v.size() >= 2 && v.front() == v.back() && (v.front() == u'"' || v.front() == u'\''))
        return v.mid(1, v.size() - 2);
    return v;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QString hex8(quint32 v) { return QStringLiteral("0x%1").arg(v, 8, 16, QLatin1Char('0')).toUpper().replace(u'X', u'x'); }

// The locale's general number format: its decimal separator, no grouping.
QLocale numberLocale()
{
    QLocale l = QLocale::system();
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
}

QString formatFloat(double v) { return numberLocale().toString(v, 'g', 15); }

const QDateTime &dayZero()
{
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    return zero;
}

double toDays(const QDateTime &t) { return double(dayZero().msecsTo(t)) / 86400000.0; }
QDateTime fromDays(double days) { return dayZero().addMSecs(qint64(std::llround(days * 86400000.0))); }

QString configHome()
{
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    // XDG base directories: a relative path is to be ignored.
    if (!xdg.isEmpty() && xdg.startsWith('/'))
        return DecodeFileName(xdg);
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        if (const passwd *pw = ::getpwuid(::getuid()))
            home = pw->pw_dir;
    }
    return DecodeFileName(home) + QStringLiteral("/.config");
}

} // namespace

TIniGT::Stamp TIniGT::stampOf(const QByteArray &path, struct stat *st)
{
    struct stat local {};
    if (!st)
        st = &local;
    Stamp now;
    if (::stat(path.constData(), st) == 0) {
        now.exists = true;
        now.size = st->st_size;
        now.mtimeNs = qint64(st->st_mtim.tv_sec) * 1000000000 + st->st_mtim.tv_nsec;
        now.inode = qint64(st->st_ino);
    }
    return now;
}

TIniGT::~TIniGT()
{
    if (m_dirty)
        store();
}

// --- The file -------------------------------------------------------------------------

void TIniGT::setFileName(const QString &name)
{
    if (m_dirty)
        store();
    m_requested = name;
    m_lines.clear();
    m_indexed = false;
    m_loaded = false;
    m_damaged = false;
    m_stamp = {};
    if (name.isEmpty() || name.contains(u'/')) {
        m_fileName = name;
    } else {
        switch (m_defaultDir) {
        case ddApplication: m_fileName = ExecutableFolder() + u'/' + name; break;
        case ddWindows: m_fileName = QStringLiteral("/etc/xdg/") + name; break;
        case ddNone: m_fileName = name; break;
        }
    }
    if (m_fileName.isEmpty())
        return;
    // A read-only file of the user's becomes writable for the user.
    struct stat st {};
    const QByteArray path = EncodeFileName(m_fileName);
    if (::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid()
        && !(st.st_mode & S_IWUSR))
        ::chmod(path.constData(), (st.st_mode & 07777) | S_IWUSR);
}

void TIniGT::setDefaultDir(TIniGTDefaultDir dir)
{
    m_defaultDir = dir;
    setFileName(m_requested);
}

QString TIniGT::DefaultFileName(const QString &exeName)
{
    const QString exe = exeName.isEmpty() ? ExecutableName() : exeName;
    return configHome() + u'/' + exe + u'/' + exe + QStringLiteral(".ini");
}

void TIniGT::Loaded()
{
    if (!m_fileName.isEmpty())
        return;
    const QString file = DefaultFileName();
    const QString folder = QFileInfo(file).path();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(folder);
        ::chmod(EncodeFileName(folder).constData(), 0700);
    }
    setFileName(file);
}

bool TIniGT::Damaged()
{
    load();
    return m_damaged;
}

void TIniGT::BeginUpdate()
{
    if (m_updating++ == 0)
        m_loaded = false;   // a fresh look at the file before a group of writes
}

void TIniGT::EndUpdate()
{
    if (m_updating > 0 && --m_updating == 0 && m_dirty)
        store();
}

void TIniGT::load()
{
    if (m_fileName.isEmpty()) {
        m_lines.clear();
        m_indexed = false;
        return;
    }
    const QByteArray path = EncodeFileName(m_fileName);
    struct stat st {};
    const Stamp now = stampOf(path, &st);
    // Within a group of writes the lines in memory are the truth.
    if (m_loaded && (m_updating > 0 || now == m_stamp))
        return;
    m_loaded = true;
    m_stamp = now;
    m_lines.clear();
    m_indexed = false;
    m_damaged = false;
    m_encoding = TTextEncoding::Ansi;
    m_lineEnd = QStringLiteral("\n");
    m_finalLineEnd = true;
    if (!now.exists)
        return;
    QByteArray bytes;
    QString text;
    // Settings are text: a NUL or an undecodable byte means it is something else.
    if (!S_ISREG(st.st_mode) || !ReadFileLimited(m_fileName, kMaxFileSize, bytes)
        || !DecodeText(bytes, text, m_encoding)) {
        m_damaged = true;
        return;
    }
    // Lines end as the file's first line does.
    if (const qsizetype nl = text.indexOf(u'\n'); nl > 0 && text.at(nl - 1) == u'\r')
        m_lineEnd = QStringLiteral("\r\n");
    m_finalLineEnd = text.isEmpty() || text.endsWith(u'\n');
    m_lines = text.split(u'\n');
    if (m_finalLineEnd && !m_lines.isEmpty())
        m_lines.removeLast();
    for (QString &l : m_lines)
        if (l.endsWith(u'\r'))
            l.chop(1);
}

void TIniGT::store()
{
    if (m_updating > 0) {
        m_dirty = true;
        return;
    }
    m_dirty = false;
    if (m_fileName.isEmpty() || m_damaged) {
        m_lastWriteError = m_fileName.isEmpty() ? texts::NoSettingsFile() : texts::NotASettingsFile();
        return;
    }
    QString text = m_lines.join(m_lineEnd);
    if (m_finalLineEnd && !m_lines.isEmpty())
        text += m_lineEnd;
    const QByteArray bytes = EncodeText(text, m_encoding);
    // A file Zebrix could not read back would lose every setting at the next
    // start: the one on disk stays instead.
    m_lastWriteError = bytes.size() > kMaxFileSize ? texts::SettingsTooLarge(bytes.size(), kMaxFileSize)
                                                   : WriteFileAtomically(m_fileName, bytes);
    // What is on disk now is what the lines say (or, after a failure, read it again).
    m_stamp = stampOf(EncodeFileName(m_fileName), nullptr);
    m_loaded = m_lastWriteError.isEmpty();
}

// --- Lines --------------------------------------------------------------------------------

void TIniGT::buildIndex()
{
    m_sections.clear();
    m_sectionByName.clear();
    QStringView name;
    for (int i = 0; i < m_lines.size(); ++i) {
        // Only the first section of a name is read and written; the keys of
        // a later one are not looked at.
        if (isHeader(m_lines.at(i), &name)) {
            const QString folded = foldedName(name);
            if (!m_sectionByName.contains(folded)) {
                m_sectionByName.insert(folded, int(m_sections.size()));
                m_sections.emplace_back().header = i;
            }
        }
    }
    m_indexed = true;
}

void TIniGT::indexKeys(Section &section)
{
    if (section.keysIndexed)
        return;
    const int end = sectionEnd(section.header);
    section.keys.reserve(size_t(end - section.header - 1));
    QStringView key;
    for (int i = section.header + 1; i < end; ++i) {
        if (isKeyLine(m_lines.at(i), &key)) {
            section.keys.emplace_back(foldedHash(key), i);
            section.lastKey = i;
        }
    }
    std::sort(section.keys.begin(), section.keys.end());
    section.keysIndexed = true;
}

TIniGT::Section *TIniGT::findSection(const QString &section)
{
    if (!m_indexed)
        buildIndex();
    const auto it = m_sectionByName.constFind(foldedName(section));
    return it == m_sectionByName.cend() ? nullptr : &m_sections[*it];
}

int TIniGT::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && !isHeader(m_lines.at(i)))
        ++i;
    return i;
}

int TIniGT::findKey(Section &section, const QString &key)
{
    indexKeys(section);
    // Of the lines whose key hashes alike, in file order, the first that matches.
    const size_t hash = foldedHash(key);
    auto it = std::lower_bound(section.keys.begin(), section.keys.end(), std::pair<size_t, int>(hash, -1));
    QStringView k;
    for (; it != section.keys.end() && it->first == hash; ++it)
        if (isKeyLine(m_lines.at(it->second), &k) && k.compare(key, Qt::CaseInsensitive) == 0)
            return it->second;
    return -1;
}

void TIniGT::addKey(Section &section, int line)
{
    QStringView k;
    if (!isKeyLine(m_lines.at(line), &k)) {
        m_indexed = false;   // not a key after all: a fresh look at the lines
        return;
    }
    const std::pair<size_t, int> entry(foldedHash(k), line);
    section.keys.insert(std::upper_bound(section.keys.begin(), section.keys.end(), entry), entry);
    section.lastKey = std::max(section.lastKey, line);
}

void TIniGT::insertLine(int at, const QString &line)
{
    m_lines.insert(at, line);
    // Everything from there on moves down by one (the keys' order stays).
    for (Section &s : m_sections) {
        if (s.header >= at)
            ++s.header;
        if (s.lastKey >= at)
            ++s.lastKey;
        for (auto &k : s.keys)
            if (k.second >= at)
                ++k.second;
    }
}

std::optional<QString> TIniGT::value(const QString &section, const QString &key)
{
    load();
    Section *s = findSection(section);
    const int line = s ? findKey(*s, key) : -1;
    if (line < 0)
        return std::nullopt;
    QStringView value;
    isKeyLine(m_lines.at(line), nullptr, &value);
    return value.toString();
}

QString TIniGT::ReadRaw(const QString &section, const QString &key, const QString &def)
{
    const std::optional<QString> v = value(section, key);
    if (!v)
        return def;
    if (std::optional<QString> text = UnescapeValue(*v))
        return *text;
    return stripQuotes(*v);
}

void TIniGT::WriteRaw(const QString &section, const QString &key, const QString &value)
{
    load();
    if (m_damaged) {
        m_lastWriteError = texts::NotASettingsFile();
        return;
    }
    Section *s = findSection(section);
    if (!s) {
        m_lines << u'[' + section + u']' << key + u'=' + value;
        // A new last section; a name that only looks alike one before it
        // leaves the index to a fresh look at the lines.
        const int header = int(m_lines.size()) - 2;
        QStringView name;
        isHeader(m_lines.at(header), &name);
        if (const QString folded = foldedName(name); !m_sectionByName.contains(folded)) {
            m_sectionByName.insert(folded, int(m_sections.size()));
            Section &added = m_sections.emplace_back();
            added.header = header;
            added.keysIndexed = true;
            addKey(added, header + 1);
        } else {
            m_indexed = false;
        }
    } else if (const int line = findKey(*s, key); line >= 0) {
        QStringView k;
        isKeyLine(m_lines.at(line), &k);
        m_lines[line] = k.toString() + u'=' + value;   // the key keeps the spelling it has in the file
    } else {
        // After the section's last key (blank lines and comments before the
        // next section stay with it).
        const int at = s->lastKey >= 0 ? s->lastKey + 1 : s->header + 1;
        insertLine(at, key + u'=' + value);
        addKey(*s, at);
    }
    store();
}

// --- Typed values ---------------------------------------------------------------------

int TIniGT::ReadInt(const QString &section, const QString &key, int def)
{
    const QString v = ReadRaw(section, key, QString::number(def));
    bool ok = false;
    int n;
    if (v.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        const quint32 u = v.mid(2).toUInt(&ok, 16);
        n = int(u);
        ok = ok && v.size() > 2 && !v.at(2).isSpace() && v.at(2) != u'+' && v.at(2) != u'-';
    } else {
        n = v.toInt(&ok, 10);
    }
    return ok ? n : def;
}

void TIniGT::WriteInt(const QString &section, const QString &key, int value)
{
    WriteRaw(section, key, QString::number(value));
}

bool TIniGT::ReadBool(const QString &section, const QString &key, bool def)
{
    return ReadInt(section, key, def ? 1 : 0) != 0;
}

void TIniGT::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteRaw(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TIniGT::wrap(const QString &text) const
{
    switch (m_fence) {
    case fnDoubleQuote: return u'"' + text + u'"';
    case fnParenthesis:
    case fnVer11Mode: return QChar(kOpenCorner) + text + QChar(kCloseCorner);
    case fnNone: break;
    }
    return text;
}

QString TIniGT::unwrap(const QString &text, TIniGTFence fence) const
{
    if (text.size() < 2)
        return text;
    const bool quotes = text.front() == u'"' && text.back() == u'"';
    const bool corners = text.front() == kOpenCorner && text.back() == kCloseCorner;
    const bool strip = ((fence == fnDoubleQuote || fence == fnVer11Mode) && quotes)
        || ((fence == fnParenthesis || fence == fnVer11Mode) && corners);
    return strip ? text.mid(1, text.size() - 2) : text;
}

QString TIniGT::readText(const QString &section, const QString &key, const QString &def, TIniGTFence fence,
                         bool *escaped)
{
    if (escaped)
        *escaped = false;
    const std::optional<QString> v = value(section, key);
    if (!v)
        return def;
    if (std::optional<QString> text = UnescapeValue(*v)) {
        if (escaped)
            *escaped = true;
        return *text;
    }
    return unwrap(stripQuotes(*v), fence);
}

void TIniGT::writeText(const QString &section, const QString &key, const QString &written, const QString &text,
                       TIniGTFence fence)
{
    // What a reader makes of the line: blanks at both ends go, then one pair
    // of quotes, then the fence; and a line that looks escaped is unescaped.
    const QString line = written.trimmed();
    const bool readsBack = unwrap(stripQuotes(line), fence) == text && !UnescapeValue(line);
    // A line break or a NUL would break the file; a lone UTF-16 surrogate
    // has no bytes in any encoding.
    bool writable = true;
    for (qsizetype i = 0; i < written.size() && writable; ++i) {
        const QChar c = written.at(i);
        if (c.isHighSurrogate() && i + 1 < written.size() && written.at(i + 1).isLowSurrogate())
            ++i;
        else
            writable = !(c == u'\n' || c == u'\r' || c.isNull() || c.isSurrogate());
    }
    WriteRaw(section, key, readsBack && writable ? written : EscapeValue(text));
}

QString TIniGT::ReadStr(const QString &section, const QString &key, const QString &def, bool *escaped)
{
    // A missing key gives the default as the fence would have written it, unwrapped.
    return readText(section, key, unwrap(wrap(def), m_fence), m_fence, escaped);
}

void TIniGT::WriteStr(const QString &section, const QString &key, const QString &value)
{
    writeText(section, key, wrap(value), value, m_fence);
}

void TIniGT::WriteQuoted(const QString &section, const QString &key, const QString &text)
{
    writeText(section, key, u'"' + text + u'"', text, m_fence);
}

void TIniGT::WriteEscaped(const QString &section, const QString &key, const QString &text)
{
    WriteRaw(section, key, EscapeValue(text));
}

// --- The escaped form ------------------------------------------------------------------

QString TIniGT::EscapeValue(const QString &text)
{
    QString out = QStringLiteral("$'");
    out.reserve(text.size() + 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (u == u'\\' || u == u'\'') {
            out += u'\\';
            out += c;
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\r') {
            out += QStringLiteral("\\r");
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (u < 0x20 || u == 0x7F) {
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        } else if (c.isSurrogate() || u == 0x85 || u == 0x2028 || u == 0x2029) {
            // A lone surrogate cannot be written at all, and some editors
            // break lines at these.
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += u'\'';
    return out;
}

std::optional<QString> TIniGT::UnescapeValue(const QString &value)
{
    if (value.size() < 3 || !value.startsWith(QStringLiteral("$'")) || !value.endsWith(u'\''))
        return std::nullopt;
    // Exactly `digits` hexadecimal digits from `at`, before the closing quote.
    auto hex = [&](qsizetype at, int digits) {
        int n = 0;
        for (qsizetype i = at; i < at + digits; ++i) {
            const int d = i < value.size() - 1 ? hexDigit(value.at(i)) : -1;
            if (d < 0)
                return -1;
            n = n * 16 + d;
        }
        return n;
    };
    QString text;
    text.reserve(value.size());
    const qsizetype end = value.size() - 1;   // the closing quote
    for (qsizetype i = 2; i < end; ++i) {
        const QChar c = value.at(i);
        if (c == u'\'')
            return std::nullopt;   // a quote inside must be escaped
        if (c != u'\\') {
            text += c;
            continue;
        }
        if (++i >= end)
            return std::nullopt;
        switch (value.at(i).unicode()) {
        case u'\\': text += u'\\'; break;
        case u'\'': text += u'\''; break;
        case u'"': text += u'"'; break;
        case u'n': text += u'\n'; break;
        case u'r': text += u'\r'; break;
        case u't': text += u'\t'; break;
        case u'x':
        case u'u': {
            const int digits = value.at(i) == u'x' ? 2 : 4;
            const int n = hex(i + 1, digits);
            if (n < 0)
                return std::nullopt;
            text += QChar(char16_t(n));
            i += digits;
            break;
        }
        default: return std::nullopt;
        }
    }
    return text;
}

quint32 TIniGT::ReadHex(const QString &section, const QString &key, quint32 def)
{
    const QString v = ReadRaw(section, key, hex8(def));
    const QString digits = v.mid(2, 8);
    bool ok = !digits.isEmpty();
    for (QChar c : digits)
        ok = ok && (c.isDigit() || (c.toUpper() >= u'A' && c.toUpper() <= u'F'));
    if (!ok)
        throw EIniConvertError(QStringLiteral("'%1' is not a valid hexadecimal value ([%2] %3)")
                                   .arg(v, section, key)
                                   .toStdString());
    return digits.toUInt(nullptr, 16);
}

void TIniGT::WriteHex(const QString &section, const QString &key, quint32 value)
{
    WriteRaw(section, key, hex8(value));
}

double TIniGT::ReadFloat(const QString &section, const QString &key, double def)
{
    const QString v = ReadRaw(section, key, formatFloat(def));
    bool ok = false;
    const double d = numberLocale().toDouble(v, &ok);
    if (!ok)
        throw EIniConvertError(QStringLiteral("'%1' is not a valid floating point value ([%2] %3)")
                                   .arg(v, section, key)
                                   .toStdString());
    return d;
}

void TIniGT::WriteFloat(const QString &section, const QString &key, double value)
{
    WriteRaw(section, key, formatFloat(value));
}

QDateTime TIniGT::ReadDateTime(const QString &section, const QString &key, const QDateTime &def)
{
    return fromDays(ReadFloat(section, key, toDays(def)));
}

void TIniGT::WriteDateTime(const QString &section, const QString &key, const QDateTime &value)
{
    WriteFloat(section, key, toDays(value));
}

void TIniGT::ReadFont(const QString &section, const QString &prefix, QFont &font, TColor &color)
{
    const QString name = readText(section, prefix + QStringLiteral(".Name"), font.family(), fnVer11Mode);
    const int size = ReadInt(section, prefix + QStringLiteral(".Size"), font.pointSize());
    const int style = ReadInt(section, prefix + QStringLiteral(".Style"),
                              (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0)
                                  | (font.strikeOut() ? 8 : 0));
    TColor c = color;
    QString colourError;
    try {
        c = ReadColor(section, prefix + QStringLiteral(".Color"), color);
    } catch (const EIniConvertError &e) {
        colourError = QString::fromUtf8(e.what());
    }
    // All parts together (a colour that does not convert leaves the colour alone).
    if (!name.isEmpty())
        font.setFamily(name);
    if (size > 0)
        font.setPointSize(size);
    font.setBold(style & 1);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
    color = c;
    if (!colourError.isEmpty())
        throw EIniConvertError(colourError.toStdString());
}

void TIniGT::WriteFont(const QString &section, const QString &prefix, const QFont &font, TColor color)
{
    BeginUpdate();
    // Never fenced; read with either fence taken off.
    writeText(section, prefix + QStringLiteral(".Name"), font.family(), font.family(), fnVer11Mode);
    WriteInt(section, prefix + QStringLiteral(".Size"), font.pointSize());
    WriteInt(section, prefix + QStringLiteral(".Style"),
             (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0)
                 | (font.strikeOut() ? 8 : 0));
    WriteColor(section, prefix + QStringLiteral(".Color"), color);
    EndUpdate();
}

void TIniGT::ReadWin(const QString &section, const QString &prefix, TWinPlacement &p)
{
    TWinPlacement r;
    r.Flags = ReadInt(section, prefix + QStringLiteral(".Flags"), p.Flags);
    r.Show = TShowState(ReadInt(section, prefix + QStringLiteral(".Show"), int(p.Show)));
    r.MaxPosition.setX(ReadInt(section, prefix + QStringLiteral(".MaxX"), p.MaxPosition.x()));
    r.MaxPosition.setY(ReadInt(section, prefix + QStringLiteral(".MaxY"), p.MaxPosition.y()));
    const int left = ReadInt(section, prefix + QStringLiteral(".X"), p.Normal.left());
    const int top = ReadInt(section, prefix + QStringLiteral(".Y"), p.Normal.top());
    const int right = ReadInt(section, prefix + QStringLiteral(".XSize"), p.Normal.left() + p.Normal.width());
    const int bottom = ReadInt(section, prefix + QStringLiteral(".YSize"), p.Normal.top() + p.Normal.height());
    r.Normal = QRect(left, top, right - left, bottom - top);
    p = r;
}

void TIniGT::WriteWin(const QString &section, const QString &prefix, const TWinPlacement &p)
{
    BeginUpdate();
    WriteInt(section, prefix + QStringLiteral(".Flags"), p.Flags);
    WriteInt(section, prefix + QStringLiteral(".Show"), int(p.Show));
    WriteInt(section, prefix + QStringLiteral(".MaxX"), p.MaxPosition.x());
    WriteInt(section, prefix + QStringLiteral(".MaxY"), p.MaxPosition.y());
    WriteInt(section, prefix + QStringLiteral(".X"), p.Normal.left());
    WriteInt(section, prefix + QStringLiteral(".Y"), p.Normal.top());
    WriteInt(section, prefix + QStringLiteral(".XSize"), p.Normal.left() + p.Normal.width());
    WriteInt(section, prefix + QStringLiteral(".YSize"), p.Normal.top() + p.Normal.height());
    EndUpdate();
}

void TIniGT::ReadWinPos(const QString &section, const QString &prefix, QPoint &position)
{
    const int x = ReadInt(section, prefix + QStringLiteral(".X"), position.x());
    const int y = ReadInt(section, prefix + QStringLiteral(".Y"), position.y());
    position = QPoint(x, y);
}

void TIniGT::WriteWinPos(const QString &section, const QString &prefix, const QPoint &position)
{
    BeginUpdate();
    WriteInt(section, prefix + QStringLiteral(".X"), position.x());
    WriteInt(section, prefix + QStringLiteral(".Y"), position.y());
    EndUpdate();
}

void TIniGT::ReadWinSize(const QString &section, const QString &prefix, QSize &size)
{
    const int w = ReadInt(section, prefix + QStringLiteral(".XSize"), size.width());
    const int h = ReadInt(section, prefix + QStringLiteral(".YSize"), size.height());
    size = QSize(w, h);
}

void TIniGT::WriteWinSize(const QString &section, const QString &prefix, const QSize &size)
{
    BeginUpdate();
    WriteInt(section, prefix + QStringLiteral(".XSize"), size.width());
    WriteInt(section, prefix + QStringLiteral(".YSize"), size.height());
    EndUpdate();
}

void TIniGT::ReadList(const QString &section, const QString &prefix, QStringList &list)
{
    const int count = ReadInt(section, prefix + QStringLiteral(".Count"), int(list.size()));
    QStringList read;
    for (int i = 0; i < count && i < 1 << 16; ++i)
        read << ReadStr(section, prefix + u'.' + QString::number(i), list.value(i));
    list = read;
}

void TIniGT::WriteList(const QString &section, const QString &prefix, const QStringList &list)
{
    BeginUpdate();
    WriteInt(section, prefix + QStringLiteral(".Count"), int(list.size()));
    for (int i = 0; i < list.size(); ++i)
        WriteStr(section, prefix + u'.' + QString::number(i), list.at(i));
    EndUpdate();
}

// --- Sections ---------------------------------------------------------------------------

QStringList TIniGT::ReadSection(const QString &section)
{
    load();
    QStringList keys;
    const Section *s = findSection(section);
    if (!s)
        return keys;
    QStringView k;
    for (int i = s->header + 1, end = sectionEnd(s->header); i < end; ++i)
        if (isKeyLine(m_lines.at(i), &k))
            keys << k.toString();
    return keys;
}

QStringList TIniGT::ReadSectionValues(const QString &section)
{
    load();
    QStringList lines;
    const Section *s = findSection(section);
    if (!s)
        return lines;
    QStringView k, v;
    for (int i = s->header + 1, end = sectionEnd(s->header); i < end; ++i)
        if (isKeyLine(m_lines.at(i), &k, &v))
            lines << k.toString() + u'=' + UnescapeValue(v.toString()).value_or(stripQuotes(v.toString()));
    return lines;
}

void TIniGT::EraseSection(const QString &section)
{
    load();
    const Section *s = findSection(section);
    if (!s || m_damaged)
        return;
    m_lines.erase(m_lines.begin() + s->header, m_lines.begin() + sectionEnd(s->header));
    m_indexed = false;
    store();
}

bool TIniGT::Check(const QString &section, const QString &key)
{
    return !ReadRaw(section, key, QString()).isEmpty();
}
