// zebrixc: Zebrix without a window. The same option language, interpreter
// and creation flow as the window; one symbol from the parameters, or one
// symbol per line of standard input with --batch.
#include "Batch.h"
#include "CommandLine.h"
#include "Console.h"
#include "FileNames.h"
#include "FontRecords.h"
#include "JobModel.h"
#include "QuietMessages.h"
#include "SafeFile.h"
#include "Text.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <climits>

#include <fcntl.h>
#include <pwd.h>
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

// The outcome of a single run: the exit status and why it failed; or, for
// a run without Qt's fonts, that a text needed them (nothing was written).
struct TOutcome {
    int status = 0;
    QString error;
    bool needsQtFonts = false;
};

TOutcome oneShot(const QStringList &args, const QString &type, bool outputClosed)
{
    // A run from remembered fonts: metafiles, SVG and PDF measure and draw
    // their text with Qt's fonts.
    const bool remembered = !FontsAvailable() && FontRecordsEnabled();
    const QString saveName = SaveNameOf(args);
    const QString kind = saveName == u"-" ? type : QFileInfo(saveName).suffix();
    if (remembered && !saveName.isEmpty() && PictureKindFor(kind) != pbarBMP)
        return {0, {}, true};
    const int leftOut = TextLeftOut();
    JobModel m;
    if (MentionsLibrary(args))
        m.LoadLibrary();
    PrepareConsoleModel(m, args);
    // The options draw on the way in the kind of the file they end in.
    if (!saveName.isEmpty())
        m.SetPictureKind(PictureKindFor(kind));
    m.Params = args;
    TConsoleHost host;
    try {
        InterpretParams(m, host);
    } catch (const EConvertError &e) {
        return {2, e.message()};
    } catch (const std::exception &e) {
        return {2, QString::fromUtf8(e.what())};   // made with toStdString()
    }
    if (m.ExitFlag)
        return {};   // "/EXIT": nothing is made or saved

    const QString name = host.saveName();
    const bool toOutput = name == u"-";
    const QString ext = toOutput ? type : QFileInfo(name).suffix().toLower();
    const TMade made = name.isEmpty() ? MakeSymbol(m, WantsLibrary(args)) : MakeSymbol(m, WantsLibrary(args), ext);
    if (remembered && TextLeftOut() != leftOut)
        return {0, {}, true};
    const QByteArray bytes = made.ok && !name.isEmpty() ? m.PictureBytes(ext) : QByteArray();
    if (!made.ok)
        return {1, made.message};
    if (name.isEmpty())
        return {};
    if (bytes.isEmpty())
        return {2, texts::NotConverted(name)};
    if (toOutput) {
        if (outputClosed)
            return {2, texts::OutputClosed()};
        if (const int error = WriteAll(STDOUT_FILENO, bytes))
            return {2, texts::OutputError(qt_error_string(error))};
        return {};
    }
    if (const QString why = WriteFileSafely(name, bytes); !why.isEmpty())
        return {2, texts::FileError(name, why)};
    return {};
}

// Where zebrixc remembers the fonts it drew with: the user's cache folder,
// one file per machine (a home folder may be shared by machines with other
// fonts). Empty when there is no home folder.
QString fontRecordFile()
{
    QString cache = QFile::decodeName(qgetenv("XDG_CACHE_HOME"));
    if (!cache.startsWith(u'/')) {
        QString home = QFile::decodeName(qgetenv("HOME"));
        if (!home.startsWith(u'/')) {
            const passwd *pw = ::getpwuid(::getuid());
            home = pw && pw->pw_dir ? QFile::decodeName(pw->pw_dir) : QString();
        }
        if (!home.startsWith(u'/'))
            return {};
        cache = home + QStringLiteral("/.cache");
    }
    char host[HOST_NAME_MAX + 1] = {};
    ::gethostname(host, sizeof host - 1);
    return cache + QStringLiteral("/zebrix/fonts-") + QString::fromLocal8Bit(host).replace(u'/', u'_');
}

// Decodes the arguments (every byte survives, file names included) once the
// application has set up the locale.
QStringList decoded(const QList<QByteArray> &rest)
{
    QStringList args;
    for (const QByteArray &a : rest)
        args << DecodeFileName(a);
    return args;
}

std::unique_ptr<QCoreApplication> startApplication(bool gui, int &argc, char **argv)
{
    std::unique_ptr<QCoreApplication> app;
    if (gui) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("zebrixc"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZEBRIX_VERSION));
    SetReferenceDpi(96);
    return app;
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

    // No window: the offscreen platform, whatever display there may be, for
    // text (text needs fonts, and fonts a GUI application). Without text a
    // core application starts far faster; so does a single run whose texts
    // zebrixc drew before (see FontRecords.h): it starts Qt's fonts only
    // when a text needs them after all, and then makes the symbol again.
    const bool text = needsText(rest);
    const QString records = text ? fontRecordFile() : QString();
    if (text && !batch && !records.isEmpty()) {
        TOutcome run;
        {
            auto app = startApplication(false, argc, argv);
            SetFontRecordFile(records, QStringLiteral("offscreen"));
            const QStringList args = decoded(rest);
            if (args.isEmpty()) {
                std::fputs(texts::ZebrixcUsage().toUtf8().constData(), stderr);
                return 2;
            }
            run = oneShot(args, type, outputClosed);
        }
        if (!run.needsQtFonts) {
            if (!run.error.isEmpty())
                PrintError(run.error);
            return run.status;
        }
    }
    auto app = startApplication(text, argc, argv);
    if (!records.isEmpty())
        SetFontRecordFile(records, QStringLiteral("offscreen"));
    const QStringList args = decoded(rest);

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
    const TOutcome run = oneShot(args, type, outputClosed);
    if (!run.error.isEmpty())
        PrintError(run.error);
    return run.status;
}
