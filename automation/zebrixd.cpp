// zebrixd: Zebrix's window. One instance per user: a second start hands its
// parameters to the running one and ends.
#include "CommandLine.h"
#include "Instance.h"
#include "JobModel.h"
#include "MainWindow.h"
#include "SystemClipboard.h"
#include "WindowHost.h"
#include "Binding.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScreen>
#include <QThread>
#include <cstdio>

namespace {

// Shown without holding anything up: a forwarded batch must finish (and its
// sender be released) whether or not anybody reads the message yet.
void showError(QWidget *parent, const QString &message)
{
    auto *box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Zebrix"), message, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// The running instance: window, start-up parameters, the socket.
int runFirstInstance(const QStringList &params)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        SetReferenceDpi(qRound(screen->logicalDotsPerInch()));
    QApplication::setFont(DefaultBarFont());
    // Whatever a crashed instance left in the shared block is stale.
    instance::TSharedBlock::Unlink();

    TSystemClipboard clipboard;
    TBarImage::SetClipboard(&clipboard);
    JobModel model;
    model.setClipboard(&clipboard);

    // The start sequence: the library, then the job with drawing held back.
    model.LoadLibrary();
    model.Creating = true;
    model.InitPers = true;
    TZebCode window(&model);
    TWindowHost host(&window);
    if (!params.isEmpty()) {
        model.EditCode.setText(params.constFirst().toUpper());
        model.RB_Click();   // does nothing yet: Creating is set
    }
    model.CdTypeChange();
    model.Creating = false;
    if (params.isEmpty()) {
        if (model.CdType.ItemIndex() >= kIndexQR)
            model.CdTypeChange();
    } else {
        model.Params = params;
        binding::Guarded(&window, [&] { InterpretParams(model, host); });
        model.AutoCopy.setChecked(true);
        if (model.CdType.ItemIndex() >= kIndexQR)
            binding::Guarded(&window, [&] { model.CdTypeChange(); });
        binding::Guarded(&window, [&] { model.RB_Click(); });
    }
    model.InitPers = false;

    instance::TInstanceServer server;
    server.ProcessMessages = [] { QCoreApplication::processEvents(); };
    server.OnError = [&window](const QString &m) { showError(&window, m); };
    server.OnParams = [&](const QStringList &forwarded) {
        model.Params = forwarded;
        const auto check = qScopeGuard([&model] { model.AutoCopy.setChecked(true); });
        InterpretParams(model, host);
    };
    if (!server.Listen())
        std::fputs("zebrixd: a second start cannot reach this instance (no private runtime folder)\n", stderr);

    // The window shows at start-up, tray residence or not.
    window.show();
    if (model.ExitFlag) {
        if (model.ResTaskTray) {
            model.TaskClose = true;
            model.ResTaskTray = false;
        }
        window.close();
        TBarImage::SetClipboard(nullptr);
        return 0;
    }
    const int rc = QApplication::exec();
    TBarImage::SetClipboard(nullptr);
    return rc;
}

} // namespace

int main(int argc, char **argv)
{
    // Without a display a Qt window cannot start: say so instead of aborting.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("zebrixd: there is no display to show Zebrix's window on.\n"
                   "Make barcodes without a window with zebrixc (zebrixc --help), or start\n"
                   "the window on a virtual display: xvfb-run -a zebrixd\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zebrixd"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zebrix"));
    QApplication::setApplicationVersion(QStringLiteral(ZEBRIX_VERSION));
    const QStringList params = QApplication::arguments().mid(1);

    // "hZebrix": the first start takes the lock; later starts find the
    // running instance's socket and hand over. An instance that holds the
    // lock but is not listening yet is still starting: wait for it.
    instance::TInstanceLock lock;
    QDeadlineTimer starting(15000);
    for (;;) {
        if (lock.TryLock())
            return runFirstInstance(params);
        QString error;
        switch (instance::ForwardParams(params, &error)) {
        case instance::TForward::Done:
            return 0;
        case instance::TForward::Failed:
            std::fprintf(stderr, "zebrixd: %s\n", qPrintable(error));
            return 1;
        case instance::TForward::NoInstance:
            break;
        }
        if (starting.hasExpired()) {
            std::fputs("zebrixd: another Zebrix holds the instance lock but does not answer\n", stderr);
            return 1;
        }
        QThread::msleep(50);
    }
}
