// TIniGT: Zebrix's settings file, an INI text file per user, with typed
// reads and writes in fixed textual forms. No widgets: windows hand their
// placement over as TWinPlacement.
//
// Reading: sections and keys match without regard to case; a missing key
// gives the caller's default; a value wrapped in one matching pair of double
// or single quotes comes without them (so blanks at either end survive only
// inside quotes). Writing replaces a key's value in place or adds the key at
// the end of its section, adding the section at the end of the file when it
// is missing; every other line (comments, blank lines, keys Zebrix does not
// know, their order) stays as it was. Every write replaces the file
// atomically: a crash, a kill or a full disk leaves the old file or the
// whole new one, never a part.
//
// Any text survives a write and a read exactly, line breaks, quotes and
// blanks at either end included. A value the lines can carry as it is is
// written as it always was; one they cannot (a line break, a NUL, a lone
// UTF-16 surrogate, or blanks and quotes that reading would strip) is
// written in the shell's ANSI-C quoting, $'first line\nsecond line': inside
// it \\ is a backslash, \' a quote, \n \r \t a line feed, carriage return
// and tab, \xHH and \uHHHH the character of that code, and every other
// character itself. A value that only looks like $'...' (and is no complete
// escape) reads as it is written; one Zebrix writes that would be taken for
// an escape is escaped itself.
//
// A new file is written in the locale's code page (characters it lacks
// become "?"); a file that starts with a UTF-16 byte-order mark stays UTF-16,
// one with a UTF-8 mark stays UTF-8 with it. A file Zebrix cannot read as
// settings (larger than kMaxFileSize, or not text in its encoding) is never
// written: reads give the defaults, writes are lost, and Damaged() says so.
//
// The typed operations are the settings component's whole published
// interface (floats, date-times, positions, sizes, lists, sections
// included), kept for every caller of the component although Zebrix's own
// window uses the integer, boolean, string, font and placement ones.
#pragma once

#include "Metafile.h"   // TColor
#include "TextFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QFont>
#include <QHash>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

struct stat;

// How strings are wrapped in the file.
enum TIniGTFence {
    fnDoubleQuote,   // "text"
    fnParenthesis,   // ｢text｣
    fnVer11Mode,     // written as fnParenthesis, either wrapping accepted on reading
    fnNone,          // bare
};

// Where a bare file name is placed.
enum TIniGTDefaultDir {
    ddApplication,   // the executable's folder
    ddWindows,       // the system-wide configuration folder, /etc/xdg
    ddNone,          // the name unchanged (relative to the current folder)
};

// A window's placement as the settings store it: the normal rectangle's
// edges (right and bottom, not width and height), the show state, flags
// and the maximised position.
// How a window is shown, as the placement stores it.
enum class TShowState : int { Normal = 1, Minimised = 2, Maximised = 3 };

struct TWinPlacement {
    int Flags = 0;
    TShowState Show = TShowState::Normal;
    QPoint MaxPosition;
    QRect Normal;          // left, top, right + 1, bottom + 1 as QRect(l, t, r - l, b - t)
    bool operator==(const TWinPlacement &) const = default;
};

// A hexadecimal or number value that does not convert.
class EIniConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TIniGT
{
public:
    // Larger files are not settings files.
    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

    TIniGT() = default;
    ~TIniGT();
    TIniGT(const TIniGT &) = delete;
    TIniGT &operator=(const TIniGT &) = delete;

    // --- The file ----------------------------------------------------------------
    const QString &FileName() const { return m_fileName; }
    // Closes the open file; a name with a folder part is used as it is, a
    // bare name is placed by DefaultDir. Opens the file (it need not
    // exist); a read-only file of the user's is made writable for the user.
    void setFileName(const QString &name);
    TIniGTDefaultDir DefaultDir() const { return m_defaultDir; }
    // Stores the mode and sets FileName again.
    void setDefaultDir(TIniGTDefaultDir dir);
    TIniGTFence Fence() const { return m_fence; }
    void setFence(TIniGTFence fence) { m_fence = fence; }
    // After loading: with FileName still empty, the per-user file
    // $XDG_CONFIG_HOME/<exe>/<exe>.ini (~/.config when unset), its folder
    // created when missing.
    void Loaded();
    // The per-user settings file of an executable named exeName.
    static QString DefaultFileName(const QString &exeName = QString());
    // The file exists but is not one Zebrix reads or writes (see above).
    bool Damaged();

    // Writes made between BeginUpdate and EndUpdate reach the file together
    // at EndUpdate (one atomic replacement instead of one per key).
    void BeginUpdate();
    void EndUpdate();
    // Whether the last write reached the file.
    // Why the last write did not reach the file; empty when it did.
    const QString &LastWriteError() const { return m_lastWriteError; }

    // --- Typed values -----------------------------------------------------------------
    int ReadInt(const QString &section, const QString &key, int def);
    void WriteInt(const QString &section, const QString &key, int value);
    bool ReadBool(const QString &section, const QString &key, bool def);
    void WriteBool(const QString &section, const QString &key, bool value);
    // The text as written (escaped is set when the file held it escaped).
    QString ReadStr(const QString &section, const QString &key, const QString &def, bool *escaped = nullptr);
    void WriteStr(const QString &section, const QString &key, const QString &value);
    // The text in double quotes (so that blanks at either end survive),
    // whatever the fence; read back by ReadStr without them.
    void WriteQuoted(const QString &section, const QString &key, const QString &text);
    // A value in the escaped form, always (for texts that must not be taken
    // for a word of the file, as the history's "NIL").
    void WriteEscaped(const QString &section, const QString &key, const QString &text);
    // "0x" and eight upper-case hexadecimal digits. Reading skips the first
    // two characters and takes up to eight hexadecimal digits after them;
    // anything else throws EIniConvertError.
    quint32 ReadHex(const QString &section, const QString &key, quint32 def);
    void WriteHex(const QString &section, const QString &key, quint32 value);
    TColor ReadColor(const QString &section, const QString &key, TColor def) { return ReadHex(section, key, def); }
    void WriteColor(const QString &section, const QString &key, TColor value) { WriteHex(section, key, value); }
    // In the locale's number format (up to 15 significant digits); a value
    // that does not convert throws EIniConvertError.
    double ReadFloat(const QString &section, const QString &key, double def);
    void WriteFloat(const QString &section, const QString &key, double value);
    // A date and time as its day count since 1899-12-30 with the time as the fraction.
    QDateTime ReadDateTime(const QString &section, const QString &key, const QDateTime &def);
    void WriteDateTime(const QString &section, const QString &key, const QDateTime &value);

    // The font group under prefix K: K.Name, K.Size (points), K.Style (1 bold,
    // 2 italic, 4 underline, 8 strike-out), K.Color. Each part defaults to the
    // font's current value; the parts are applied together. A colour that is
    // no hexadecimal number throws EIniConvertError after the other parts
    // are applied (the colour stays as it was).
    void ReadFont(const QString &section, const QString &prefix, QFont &font, TColor &color);
    void WriteFont(const QString &section, const QString &prefix, const QFont &font, TColor color);
    // The placement group: K.Flags, K.Show, K.MaxX, K.MaxY, K.X, K.Y and the
    // right and bottom edges K.XSize, K.YSize. Defaults: the placement given.
    void ReadWin(const QString &section, const QString &prefix, TWinPlacement &placement);
    void WriteWin(const QString &section, const QString &prefix, const TWinPlacement &placement);
    // Position only (K.X, K.Y) and size only (K.XSize, K.YSize: width and height).
    void ReadWinPos(const QString &section, const QString &prefix, QPoint &position);
    void WriteWinPos(const QString &section, const QString &prefix, const QPoint &position);
    void ReadWinSize(const QString &section, const QString &prefix, QSize &size);
    void WriteWinSize(const QString &section, const QString &prefix, const QSize &size);
    // The list group: K.Count, then K.0, K.1, ... (strings). The list is
    // replaced by what was read; each part defaults to the list's current one.
    void ReadList(const QString &section, const QString &prefix, QStringList &list);
    void WriteList(const QString &section, const QString &prefix, const QStringList &list);

    // --- Sections -----------------------------------------------------------------------
    // The key names of a section, in file order.
    QStringList ReadSection(const QString &section);
    // Its "key=value" lines (values as read).
    QStringList ReadSectionValues(const QString &section);
    void EraseSection(const QString &section);
    // The key is present with a value that is not empty.
    bool Check(const QString &section, const QString &key);

    // --- Raw values ---------------------------------------------------------------------
    // Writes the value as it is.
    void WriteRaw(const QString &section, const QString &key, const QString &value);

    // The escaped form of a text, and the text of an escaped form (nothing
    // when the value is no complete escape).
    static QString EscapeValue(const QString &text);
    static std::optional<QString> UnescapeValue(const QString &value);

private:
    // The value as read (quotes of one matching pair removed); def when missing.
    QString ReadRaw(const QString &section, const QString &key, const QString &def);

    void load();
    void store();
    QString wrap(const QString &text) const;
    // The value as the file holds it (trimmed, quotes not removed); nothing when missing.
    std::optional<QString> value(const QString &section, const QString &key);
    // A text read back as a reader with the fence takes it; def when missing.
    QString readText(const QString &section, const QString &key, const QString &def, TIniGTFence fence,
                     bool *escaped = nullptr);
    // Writes `written`, which a reader with the fence takes back as text,
    // or text escaped where the file could not carry it so.
    void writeText(const QString &section, const QString &key, const QString &written, const QString &text,
                   TIniGTFence fence);
    QString unwrap(const QString &text, TIniGTFence fence) const;

    // Where sections and keys stand among the lines, so that a read finds
    // its line at once however long the file is: the first section of each
    // name (names folded, as they match without regard to case) and, once a
    // key of it is looked for, its key lines by the hash of their folded
    // names and its last key line. Built from the lines when they are read,
    // kept up to date by the writes.
    struct Section {
        int header = -1;
        bool keysIndexed = false;
        int lastKey = -1;   // -1: no key yet
        std::vector<std::pair<size_t, int>> keys;   // (hash, line), sorted
    };
    void buildIndex();
    void indexKeys(Section &section);
    // The section, nothing when the file has none of that name.
    Section *findSection(const QString &section);
    // Index of the key's first line within the section, -1 when missing.
    int findKey(Section &section, const QString &key);
    // Files the line, just written into the section, under its key.
    void addKey(Section &section, int line);
    // Index of the line after the section starting at header.
    int sectionEnd(int header) const;
    // Inserts a line, moving the index past it.
    void insertLine(int at, const QString &line);

    QString m_fileName;
    QString m_requested;      // the name as given, before DefaultDir placed it
    TIniGTDefaultDir m_defaultDir = ddApplication;
    TIniGTFence m_fence = fnNone;

    QStringList m_lines;      // the file's lines, without line ends
    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionByName;   // folded name -> m_sections
    bool m_indexed = false;
    QString m_lineEnd = QStringLiteral("\n");
    bool m_finalLineEnd = true;
    TTextEncoding m_encoding = TTextEncoding::Ansi;
    bool m_damaged = false;
    QString m_lastWriteError;
    int m_updating = 0;
    bool m_dirty = false;
    // What the file on disk was when it was last read or written.
    struct Stamp {
        bool exists = false;
        qint64 size = 0, mtimeNs = 0, inode = 0;
        bool operator==(const Stamp &) const = default;
    } m_stamp;
    static Stamp stampOf(const QByteArray &path, struct stat *st);
    bool m_loaded = false;
};
