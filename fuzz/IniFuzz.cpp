// The settings file reader on any bytes: every read gives a value or the
// default (or, for hexadecimal and numbers, its conversion error), nothing
// crashes, and a write reads back as written unless the file is damaged, in
// which case the file stays as it was.
//
// Input: the file's bytes.
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

const QString &fileName()
{
    static const QString name = [] {
        // In memory where there is a memory file system: writes reach the
        // disk with a sync, which would otherwise be most of the time.
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        const QString dir = base + QStringLiteral("/zebrix-fuzz-ini-%1").arg(::getpid());
        QDir().mkpath(dir);
        static QString remove;
        remove = dir;
        std::atexit([] { QDir(remove).removeRecursively(); });
        return dir + QStringLiteral("/z.ini");
    }();
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
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
