// The QR form's address list on any file: nothing crashes, a file the list
// cannot read whole is never written, and a save only inserts: every byte
// the file held is still there, in its order, around one run of new bytes,
// and the list read back holds the added address.
//
// Input: the file's bytes.
#include "QRAssist.h"

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
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        static QString dir;
        dir = base + QStringLiteral("/zebrix-fuzz-address-%1").arg(::getpid());
        QDir().mkpath(dir);
        std::atexit([] { QDir(dir).removeRecursively(); });
        return dir + QStringLiteral("/Address.txt");
    }();
    return name;
}

QByteArray readAll()
{
    QFile f(fileName());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray original(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile f(fileName());
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(f.write(original) == original.size());
    }
    TAddressList list;
    list.Load(fileName());
    check(list.Items().size() <= TAddressList::kMaxLines);
    const QString added = QStringLiteral("new.address@zebrix.example");
    const bool had = list.Contains(added);
    list.Add(added);
    const QString why = list.Save(fileName());
    const QByteArray saved = readAll();
    if (list.Damaged() || had || !why.isEmpty()) {
        check(saved == original);
        return 0;
    }
    // Only an insertion: what the file held survives around one new run.
    qsizetype prefix = 0;
    while (prefix < original.size() && prefix < saved.size() && original.at(prefix) == saved.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < original.size() - prefix && suffix < saved.size() - prefix
           && original.at(original.size() - 1 - suffix) == saved.at(saved.size() - 1 - suffix))
        ++suffix;
    check(prefix + suffix == original.size() && saved.size() > original.size());
    TAddressList again;
    again.Load(fileName());
    check(again.Contains(added));
    return 0;
}
