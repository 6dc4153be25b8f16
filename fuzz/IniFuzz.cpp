// The settings file reader on any bytes: every read gives a value or the
// default (or, for hexadecimal and numbers, its conversion error), nothing
// crashes, and a write reads back as written unless the file is damaged, in
// which case the file stays as it was. And any text written as a string (in
// every fence, in quotes, as a font name) reads back exactly, without
// disturbing the keys around it.
//
// Input: the file's bytes; the same bytes as UTF-16 and as Latin-1 are the
// texts written.
#include "IniGT.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// A file in the fuzzer's own scratch folder.
QString scratch(const QString &file)
{
    static const QString folder = [] {
        // In memory where there is a memory file system: writes reach the
        // disk with a sync, which would otherwise be most of the time.
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        const QString dir = base + QStringLiteral("/zebrix-fuzz-ini-%1").arg(::getpid());
        QDir().mkpath(dir);
        static QString remove;
        remove = dir;
        std::atexit([] { QDir(remove).removeRecursively(); });
        return dir;
    }();
    return folder + u'/' + file;
}

const QString &fileName()
{
    static const QString name = scratch(QStringLiteral("z.ini"));
    return name;
}

// A text through every way a string goes into the file: it comes back as it
// was, and the keys before and after it keep their values.
void roundTrip(const QString &text)
{
    static const QString name = scratch(QStringLiteral("r.ini"));
    {
        QFile f(name);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("\xEF\xBB\xBF[Options]\nBefore=1\n");   // UTF-8 holds every character
    }
    TIniGT ini;
    ini.setFileName(name);
    const QString options = QStringLiteral("Options");
    for (TIniGTFence fence : {fnDoubleQuote, fnParenthesis, fnVer11Mode, fnNone}) {
        ini.setFence(fence);
        ini.WriteStr(options, QStringLiteral("Str"), text);
        ini.WriteQuoted(options, QStringLiteral("Quoted"), text);
        ini.WriteInt(options, QStringLiteral("After"), 2);
        check(ini.ReadStr(options, QStringLiteral("Str"), QString()) == text);
        check(ini.ReadStr(options, QStringLiteral("Quoted"), QString()) == text);
    }
    QFont font;
    font.setFamily(text);
    ini.WriteFont(options, QStringLiteral("Font"), font, 0);
    TIniGT again;
    again.setFileName(name);
    check(again.ReadStr(options, QStringLiteral("Quoted"), QString()) == text);
    check(again.ReadInt(options, QStringLiteral("Before"), 0) == 1 && again.ReadInt(options, QStringLiteral("After"), 0) == 2);
    check(again.ReadSection(options).size() == 8);   // Before, Str, Quoted, After, Font.*
    QFont read;
    TColor colour = 0;
    again.ReadFont(options, QStringLiteral("Font"), read, colour);
    check(text.isEmpty() || read.family() == font.family());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    roundTrip(QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2));
    roundTrip(QString::fromLatin1(bytes));
    {
        QFile f(fileName());
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    TIniGT ini;
    ini.setFileName(fileName());
    for (TIniGTFence fence : {fnDoubleQuote, fnParenthesis, fnVer11Mode, fnNone}) {
        ini.setFence(fence);
        for (const QString &section : ini.ReadSection(QStringLiteral("Options")) + QStringList{QStringLiteral("Options")}) {
            ini.ReadInt(QStringLiteral("Options"), section, 7);
            ini.ReadBool(QStringLiteral("Options"), section, true);
            ini.ReadStr(QStringLiteral("Options"), section, QStringLiteral("d"));
            try {
                ini.ReadHex(QStringLiteral("Options"), section, 255);
                ini.ReadFloat(QStringLiteral("Options"), section, 1.5);
            } catch (const EIniConvertError &) {
            }
        }
    }
    QFont font;
    TColor colour = 0;
    try {
        ini.ReadFont(QStringLiteral("Options"), QStringLiteral("Font"), font, colour);
    } catch (const EIniConvertError &) {
    }
    TWinPlacement placement;
    ini.ReadWin(QStringLiteral("Desktop"), QStringLiteral("Windows"), placement);
    QStringList list;
    ini.ReadList(QStringLiteral("HistoryEx1"), QStringLiteral("L"), list);
    ini.ReadSectionValues(QStringLiteral("HistoryEx1"));

    const bool damaged = ini.Damaged();
    ini.setFence(fnNone);
    ini.WriteStr(QStringLiteral("Options"), QStringLiteral("ComntStr"), QStringLiteral("written"));
    if (damaged) {
        QFile f(fileName());
        check(f.open(QIODevice::ReadOnly) && f.readAll() == bytes);
    } else {
        check(ini.ReadStr(QStringLiteral("Options"), QStringLiteral("ComntStr"), QString()) == QStringLiteral("written"));
    }
    return 0;
}
