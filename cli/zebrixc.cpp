// zebrixc: Zebrix without a window. The same option language, interpreter
// and creation flow as the window; one symbol from the parameters, or one
// symbol per line of standard input with --batch.
#include "Batch.h"
#include "CommandLine.h"
#include "Console.h"
#include "FileNames.h"
#include "JobModel.h"
#include "QuietMessages.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#ifndef ZEBRIX_VERSION
#define ZEBRIX_VERSION "unknown"
#endif

namespace {

// Text (the human-readable line, comments) needs fonts, and fonts need a GUI
// application. Without text a core application starts far faster. The
// options are ASCII, so the raw bytes tell.
bool needsText(const QList<QByteArray> &args)
{
    for (const QByteArray &a : args) {
        const QByteArray u = a.toUpper();
        if (u == "/CC1" || u.startsWith("/C:"))
            return true;
    }
    return false;
}

// A standard descriptor the caller closed: held with /dev/null, so that no
// file zebrixc opens takes its number. Returns whether it was closed.
bool holdIfClosed(int fd, int flags)
{
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
        return false;
    const int null = ::open("/dev/null", flags);
    if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
    }
    return true;
}

int writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        p += n;
        left -= n;
    }
    return 0;
}

// The command-line host without a window: it only notes the "/SAVE:" name.
// The console saves after the interpretation, and only a symbol that was made.
class TConsoleHost : public ICommandHost
{
public:
    void Save(JobModel &, const QString &fileName) override { m_saveName = fileName; }
    const QString &saveName() const { return m_saveName; }

private:
    QString m_saveName;
};

int oneShot(const QStringList &args, const QString &type, bool outputClosed)
{
    JobModel m;
    m.LoadLibrary();
    PrepareConsoleModel(m, args);
    m.Params = args;
    TConsoleHost host;
    try {
        InterpretParams(m, host);
    } catch (const EConvertError &e) {
        PrintError(e.message());
        return 2;
    } catch (const std::exception &e) {
        PrintError(QString::fromUtf8(e.what()));   // made with toStdString()
        return 2;
    }
    if (m.ExitFlag)
        return 0;   // "/EXIT": nothing is made or saved

    const QString name = host.saveName();
    const bool toOutput = name == u"-";
    const QString ext = toOutput ? type : QFileInfo(name).suffix().toLower();
    const TMade made = name.isEmpty() ? MakeSymbol(m, WantsLibrary(args)) : MakeSymbol(m, WantsLibrary(args), ext);
    if (!made.ok) {
        PrintError(made.message);
        return 1;
    }
    if (name.isEmpty())
        return 0;
    const QByteArray bytes = m.PictureBytes(ext);
    if (bytes.isEmpty()) {
        PrintError(texts::NotConverted(name));
        return 2;
    }
    if (toOutput) {
        if (outputClosed) {
            PrintError(texts::OutputClosed());
            return 2;
        }
        if (const int error = writeAll(STDOUT_FILENO, bytes)) {
            PrintError(texts::OutputError(qt_error_string(error)));
            return 2;
        }
        return 0;
    }
    if (const QString why = WriteFileSafely(name, bytes); !why.isEmpty()) {
        PrintError(texts::FileError(name, why));
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const bool inputClosed = holdIfClosed(STDIN_FILENO, O_RDONLY);
    const bool outputClosed = holdIfClosed(STDOUT_FILENO, O_WRONLY);
    holdIfClosed(STDERR_FILENO, O_WRONLY);
    InstallQuietMessages("zebrixc", QtFatalMsg);

    // zebrixc's own options first, on the raw bytes (they are ASCII); the
    // rest is decoded once the application has set up the locale.
    QList<QByteArray> rest;
    QString type = QStringLiteral("png");
    bool batch = false;
    int jobs = 1;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--help" || a == "-h") {
            std::fputs(texts::ZebrixcUsage().toUtf8().constData(), stdout);
            return 0;
        }
        if (a == "--version") {
            std::fputs(texts::ZebrixcVersion(QStringLiteral(ZEBRIX_VERSION)).toUtf8().constData(), stdout);
            return 0;
        }
        if (a == "--batch") {
            batch = true;
        } else if (a == "--jobs" || a == "--type") {
            if (i + 1 >= argc) {
                PrintError(texts::MissingValue(QString::fromLatin1(a)));
                return 2;
            }
            const QByteArray v(argv[++i]);
            if (a == "--type") {
                type = QString::fromLatin1(v.toLower());
                static const QStringList kinds = {"bmp", "emf", "wmf", "jpg", "png", "svg", "pdf"};
                if (!kinds.contains(type)) {
                    PrintError(texts::TypeTakes(kinds));
                    return 2;
                }
            } else {
                bool ok = false;
                jobs = v.toInt(&ok);
                if (!ok || jobs < 1 || jobs > 64) {
                    PrintError(texts::JobsTakes());
                    return 2;
                }
            }
        } else if (a.startsWith("--")) {
            PrintError(texts::UnknownOption(DecodeFileName(a)));
            return 2;
        } else {
            rest << a;
        }
    }

    // No window: the offscreen platform, whatever display there may be.
    std::unique_ptr<QCoreApplication> app;
    if (needsText(rest)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("zebrixc"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZEBRIX_VERSION));
    SetReferenceDpi(96);

    // Every byte of an argument survives, file names included.
    QStringList args;
    for (const QByteArray &a : rest)
        args << DecodeFileName(a);

    if (batch) {
        if (inputClosed) {
            PrintError(texts::InputClosed());
            return 2;
        }
        return RunBatch(args, jobs, STDIN_FILENO);
    }
    if (args.isEmpty()) {
        std::fputs(texts::ZebrixcUsage().toUtf8().constData(), stderr);
        return 2;
    }
    return oneShot(args, type, outputClosed);
}
