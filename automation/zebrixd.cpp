// zebrixd: Zebrix's window. One instance per user and runtime folder: a
// second start hands its parameters to the running one, waits until they
// have been interpreted, and ends.
#include "AutomationService.h"
#include "CommandLine.h"
#include "FileNames.h"
#include "Instance.h"
#include "AppIcon.h"
#include "JobModel.h"
#include "Language.h"
#include "MainWindow.h"
#include "QuietMessages.h"
#include "SystemClipboard.h"
#include "Texts.h"
#include "StartSequence.h"
#include "Waiting.h"
#include "WindowHost.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QScreen>
#include <QThread>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <cstdio>

namespace {

int complain(const QString &message, int status)
{
    std::fprintf(stderr, "zebrixd: %s\n", message.toLocal8Bit().constData());
    return status;
}

// Qt reads its own options (-style, -reverse, ...) from the arguments it is
// given; every parameter of zebrixd is Zebrix's, so Qt gets the name only.
struct TQtArguments {
    explicit TQtArguments(char *name) : argv{name, nullptr} {}
    int argc = 1;
    char *argv[2];
};

// SIGTERM (and SIGINT, SIGHUP) end the session: the signal only writes a
// byte into a socket pair, and the event loop, reading it, closes the window
// for real, which keeps the settings. The signal also cuts short the waits
// under way (a "/D:" hold, a save waiting for a FIFO's reader), so that the
// event loop gets there at once.
class TTerminationWatch
{
public:
    explicit TTerminationWatch(std::function<void()> onEnd)
    {
        PrepareTerminationRequests();
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_fds) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(s_fds[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [onEnd = std::move(onEnd)] {
            char c;
            while (::read(s_fds[1], &c, 1) > 0) {
            }
            onEnd();
        });
        struct sigaction sa {};
        sa.sa_handler = [](int) {
            const int saved = errno;
            const char c = 1;
            [[maybe_unused]] const ssize_t n = ::write(s_fds[0], &c, 1);
            errno = saved;
            RequestTermination();
        };
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(sig, &sa, nullptr);
    }
    ~TTerminationWatch()
    {
        struct sigaction sa {};
        sa.sa_handler = SIG_DFL;
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(sig, &sa, nullptr);
    }

private:
    static inline int s_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// The running instance: the socket first (second starts wait for the
// start-up instead of finding nobody), then the window and its start-up
// parameters, then the forwarded lists.
int runFirstInstance(char *name, const QStringList &params, const instance::TInstancePaths &paths,
                     instance::TInstanceLock &lock, int listening, bool automation)
{
    // Without a display a Qt window cannot start: say so instead of aborting.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return complain(texts::NoDisplay(), 1);
    TQtArguments qtArgs(name);
    QApplication app(qtArgs.argc, qtArgs.argv);
    QApplication::setApplicationName(QStringLiteral("zebrixd"));
    QApplication::setApplicationDisplayName(texts::AppTitle());
    QApplication::setApplicationVersion(QStringLiteral(ZEBRIX_VERSION));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        SetReferenceDpi(qRound(screen->logicalDotsPerInch()));
    QApplication::setFont(DefaultBarFont());
    QApplication::setWindowIcon(ZebrixIcon());
    // Dialog texts through the message catalogues, Qt's own in the system's language.
    InitTranslations(&app);

    instance::TInstanceServer server;
    QString why;
    if (!server.Listen(paths, &why, &lock, listening))
        complain(why, 0);

    TSystemClipboard clipboard;
    TBarImage::SetClipboard(&clipboard);
    const auto unhook = qScopeGuard([] { TBarImage::SetClipboard(nullptr); });
    JobModel model;
    model.setClipboard(&clipboard);
    TZebCode window(&model);
    TWindowHost host(&window);

    FormCreate(model, window, host, params);

    server.ProcessMessages = [&host] { host.ProcessMessages(); };
    // A forwarded list never starts inside another driver's work: a macro's
    // WRITE and its SAVE, an automation client's Execute and its save.
    server.MayStart = [&model] { return model.MayStartDriver(); };
    server.OnError = [&host](const QString &m) { host.ShowError(m); };
    server.OnParams = [&](const QStringList &forwarded) -> QString {
        instance::InterpretParamList(model, host, forwarded);
        // The sender learns that the symbol could not be made, and why.
        if (model.ExitFlag || !model.BError)
            return QString();
        const QString why = model.FailureReason(texts::TWords::Console);
        return why.isEmpty() ? model.StatusText()
               : model.StatusText().isEmpty() ? why
                                              : texts::WithReason(model.StatusText(), why);
    };

    // The program ends when the window really closes, not when it hides
    // into the notification area.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &TZebCode::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // Lists that come or wait from now on go to the next instance.
    QObject::connect(&window, &TZebCode::closed, &server, &instance::TInstanceServer::Close);
    // The end of the session, and SIGTERM like it: the window closes for
    // real and keeps its settings (tray residence saved as off).
    auto endSession = [&model, &window] {
        model.TaskClose = true;
        model.ResTaskTray = false;
        if (!window.Closed())
            window.close();
    };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [endSession](QSessionManager &) { endSession(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, endSession);
    TTerminationWatch termination(endSession);
    // A save waiting for a FIFO's reader keeps the window painted; other
    // drivers' work waits for the save's end (the sockets are not read
    // meanwhile, and what came before finds the job held).
    SetWaitHook([&model] {
        ++model.Held;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
        --model.Held;
    });
    const auto unhookWait = qScopeGuard([] { SetWaitHook({}); });

    // The window shows at start-up, tray residence or not; started by the
    // session bus for a client, it stays hidden until the client shows it.
    window.setShowMainForm(!automation);
    if (!automation)
        window.show();
    server.SetReady();
    StartAutomationService(model, host, &window);
    return QApplication::exec();
}

// Started by the session bus for a client's call while a Zebrix runs in this
// folder: the bus hands the call to whoever takes the name, which the running
// one does when it is on this bus (perhaps still starting). When it is not,
// nobody can answer the call: say so, instead of leaving the caller to wait
// for the bus to give up. Returns the exit status, or -1 when this process
// has become the running instance.
int servedOnBus(const instance::TInstancePaths &paths, instance::TInstanceLock &lock)
{
    const QString busName = AutomationBusName(QCoreApplication::applicationFilePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    std::optional<int> status;
    if (bus.isConnected()) {
        instance::PollWithBackoff(QDeadlineTimer(instance::kBusNameMs), [&] {
            if (lock.TryLock(paths.lock()))
                return (status = -1), true;
            if (bus.interface()->isServiceRegistered(busName))
                return (status = 0), true;
            return false;
        });
    }
    return status ? *status : complain(texts::InstanceNotOnBus(paths.folder, busName), 1);
}

// A second start: hands the parameters to the running instance. Returns the
// exit status, or -1 when this process has become the running instance.
int handOver(char *name, const QStringList &params, const instance::TInstancePaths &paths,
             instance::TInstanceLock &lock, bool automation)
{
    TQtArguments qtArgs(name);
    QCoreApplication app(qtArgs.argc, qtArgs.argv);
    // A relative file name means this process's folder, not the instance's.
    const std::optional<QStringList> absolute = instance::AbsoluteSaveNames(params, instance::WorkingFolder());
    if (!absolute)
        return complain(texts::NoWorkingFolder(), 2);

    // The instance listens right after it takes the lock, and makes its
    // socket again when it goes: an instance that holds the lock and does
    // not listen for long is not there for second starts.
    QDeadlineTimer starting(instance::kStartingMs);
    std::optional<int> status;
    const bool ended = instance::PollWithBackoff(starting, [&] {
        if (lock.TryLock(paths.lock()))
            return (status = -1), true;
        QString error;
        switch (instance::ForwardParams(*absolute, paths, &error)) {
        case instance::TForward::Done:
            return (status = 0), true;
        case instance::TForward::Failed:
            return (status = complain(error, 1)), true;
        case instance::TForward::Refused:
            return (status = complain(error, 2)), true;
        case instance::TForward::Gone:
            starting.setRemainingTime(instance::kStartingMs);   // it ended: whoever comes next gets its full time
            return false;
        case instance::TForward::NoInstance:
            break;
        }
        return false;
    });
    if (!ended)
        return complain(texts::InstanceNotAnswering(paths.folder), 1);
    return *status == 0 && automation ? servedOnBus(paths, lock) : *status;
}

} // namespace

int main(int argc, char **argv)
{
    // Every byte of a parameter is kept, file names above all.
    QStringList params = DecodeArguments(argc, argv);
    // "--automation": started by the session bus for a client's call.
    const bool automation = params.removeAll(QStringLiteral("--automation")) > 0;
    for (const QString &p : params) {
        if (p == u"--help") {
            std::fputs(texts::InstanceUsage(), stdout);
            return 0;
        }
        if (p == u"--version") {
            std::fputs(texts::InstanceVersion(QStringLiteral(ZEBRIX_VERSION)).toLocal8Bit().constData(), stdout);
            return 0;
        }
        // "-" is zebrixc's standard output; the window has none.
        const TParamRule *rule = MatchParam(p);
        if (rule && rule->option == Option::Save && ParamValue(*rule, p) == u"-")
            return complain(texts::SaveToStandardOutput(), 2);
    }
    InstallQuietMessages("zebrixd", QtCriticalMsg);
    // A sender that has gone away must not take this process with it.
    std::signal(SIGPIPE, SIG_IGN);

    // "hZebrix": the first start takes the lock in the instance folder; later
    // starts find the running instance's socket there and hand over.
    QString why;
    const instance::TInstancePaths paths{instance::InstanceFolder(&why)};
    if (paths.folder.isEmpty())
        return complain(why, 1);
    instance::TInstanceLock lock;
    if (!lock.TryLock(paths.lock(), &why)) {
        if (!why.isEmpty())
            return complain(why, 1);
        const int status = handOver(argv[0], params, paths, lock, automation);
        if (status >= 0)
            return status;
    }
    // Second starts find the socket as soon as the lock is taken (and wait
    // for the start-up to end); a failure here is said by the server.
    const int listening = instance::ListenAt(paths.socket());
    try {
        return runFirstInstance(argv[0], params, paths, lock, listening, automation);
    } catch (const std::exception &e) {
        return complain(QString::fromUtf8(e.what()), 1);
    }
}
