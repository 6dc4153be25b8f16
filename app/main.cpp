// zebrixd: Zebrix's window.
#include "JobModel.h"
#include "MainWindow.h"
#include "SystemClipboard.h"

#include <QApplication>
#include <QScreen>
#include <cstdio>

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
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        SetReferenceDpi(qRound(screen->logicalDotsPerInch()));
    QApplication::setFont(DefaultBarFont());

    TSystemClipboard clipboard;
    TBarImage::SetClipboard(&clipboard);
    JobModel model;
    model.setClipboard(&clipboard);
    model.LoadLibrary();
    model.CdTypeChange();
    TZebCode window(&model);
    window.show();
    const int rc = QApplication::exec();
    TBarImage::SetClipboard(nullptr);
    return rc;
}
