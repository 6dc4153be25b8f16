// bench_window: Zebrix's main window on the offscreen platform, driven as a
// user drives it.
//  - Enter to picture: the data put into the data line (an input method's
//    commit), then Enter (a QTest key event), until the picture and the
//    barcode window have
//    painted the new symbol; p50 and p95 of 50 runs for an EAN-13, a Code 128
//    of 80 characters, a QR Code 40-L of 2,953 bytes and a PDF417 of 1,000
//    characters, with the barcode window shown.
//  - Cold start: a new process, from its start until the window first
//    painted (the start sequence with its own settings), median of 10.
// The window reads and writes settings in a folder of its own.
//
//   bench_window [runs [case]] both, as a table (a case: part of its name, alone)
//   bench_window --cold       one cold start (prints "painted" at the first frame)
#include "BarcodeView.h"
#include "JobModel.h"
#include "MainWindow.h"
#include "PictureView.h"
#include "StartSequence.h"
#include "WindowHost.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Notes when a widget paints.
class TPaintWatch : public QObject
{
public:
    explicit TPaintWatch(QWidget *w) { w->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void startUp(QApplication &, JobModel &model, TZebCode &window, TWindowHost &host)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        SetReferenceDpi(qRound(screen->logicalDotsPerInch()));
    QApplication::setFont(DefaultBarFont());
    FormCreate(model, window, host, {});
}

int coldStart(int argc, char **argv)
{
    QApplication app(argc, argv);
    JobModel model;
    TZebCode window(&model);
    TWindowHost host(&window);
    startUp(app, model, window, host);
    TPaintWatch watch(&window);
    window.show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::fputs("painted\n", stdout);
    std::fflush(stdout);
    return 0;
}

struct TCase {
    const char *name;
    int symbology;           // the index of the CdType list
    int qrVersion;           // 0: not QR
    QString (*data)(int run);
};

QString ean13(int run) { return QStringLiteral("4901234%1").arg(run * 97 % 100000, 5, 10, QLatin1Char('0')); }
QString code128(int run)
{
    return QStringLiteral("ZEBRIX-%1 ").arg(run, 5, 10, QLatin1Char('0')).repeated(7).left(80);
}
QString qr40(int run) { return (QStringLiteral("ZEBRIX%1").arg(run, 4, 10, QLatin1Char('0')).repeated(300)).left(2953); }
QString pdf417(int run) { return (QStringLiteral("Zebrix PDF417 %1. ").arg(run, 4, 10, QLatin1Char('0'))).repeated(60).left(1000); }

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

int enterToPicture(int argc, char **argv, int runs, const char *only)
{
    QApplication app(argc, argv);
    JobModel model;
    TZebCode window(&model);
    TWindowHost host(&window);
    startUp(app, model, window, host);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 2;
    model.BWindow.setChecked(true);
    window.ApplyBarcodeWindow();
    auto *edit = window.findChild<QLineEdit *>(QStringLiteral("EditCode"));
    auto *type = window.findChild<QComboBox *>(QStringLiteral("CdType"));
    if (!edit || !type)
        return 2;

    const TCase cases[] = {
        {"EAN-13", 0, 0, ean13},
        {"Code 128, 80 characters", 10, 0, code128},
        {"QR 40-L, 2,953 bytes", kIndexQR, 40, qr40},
        {"PDF417, 1,000 characters", kIndexFirstLibrary + 4, 0, pdf417},
    };
    std::printf("%-28s %9s %9s\n", "Enter to picture", "p50 ms", "p95 ms");
    for (const TCase &c : cases) {
        if (only && !std::strstr(c.name, only))
            continue;
        const int index = c.symbology;
        if (index >= type->count()) {
            std::printf("%-28s (the plugin is missing)\n", c.name);
            continue;
        }
        type->setCurrentIndex(index);
        emit type->activated(index);   // as a user's pick
        if (c.qrVersion) {
            model.QRVer.setValue(c.qrVersion);
            model.QRErr.setItemIndex(0);   // L
        }
        std::vector<double> ms;
        for (int run = -2; run < runs; ++run) {   // two rounds to warm up
            // The data as an input method hands it over (one event for the
            // whole line, as typing thousands of keys would take minutes).
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            QInputMethodEvent typed;
            typed.setCommitString(c.data(run + 2));
            QApplication::sendEvent(edit, &typed);
            QWidget *picture = window.findChild<QWidget *>(QString::fromLatin1(c.qrVersion || index >= kIndexFirstLibrary
                                                                                   ? "Image1" : "BarImage1"));
            QWidget *barcodeWindow = window.Barview() ? window.Barview()->findChild<TPictureView *>() : nullptr;
            TPaintWatch pictureWatch(picture);
            std::unique_ptr<TPaintWatch> windowWatch(barcodeWindow ? new TPaintWatch(barcodeWindow) : nullptr);
            QElapsedTimer t;
            t.start();
            QTest::keyClick(edit, Qt::Key_Return);
            while (!pictureWatch.painted || (windowWatch && !windowWatch->painted))
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (run >= 0)
                ms.push_back(double(t.nsecsElapsed()) / 1e6);
            if (model.BError) {
                std::printf("%-28s the symbol could not be made: %s\n", c.name, qPrintable(model.StatusText()));
                break;
            }
        }
        if (!ms.empty())
            std::printf("%-28s %9.2f %9.2f\n", c.name, percentile(ms, 0.5), percentile(ms, 0.95));
    }
    std::fflush(stdout);

    // Cold starts, each a process of its own.
    if (only)
        return 0;
    std::vector<double> cold;
    for (int i = 0; i < 10; ++i) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--cold")});
        while (!p.canReadLine() && p.state() != QProcess::NotRunning)
            p.waitForReadyRead(10000);
        const double elapsed = double(t.nsecsElapsed()) / 1e6;
        if (p.readLine().trimmed() == "painted")
            cold.push_back(elapsed);
        p.waitForFinished();
    }
    if (!cold.empty())
        std::printf("%-28s %9.1f ms (median of %zu)\n", "Cold start to first frame", percentile(cold, 0.5), cold.size());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings and remembered fonts in folders of the benchmark's own.
    static QTemporaryDir home;
    if (qEnvironmentVariableIsEmpty("ZEBRIX_BENCH_HOME")) {
        qputenv("ZEBRIX_BENCH_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());
    }
    if (argc > 1 && std::strcmp(argv[1], "--cold") == 0)
        return coldStart(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    return enterToPicture(argc, argv, runs, argc > 2 ? argv[2] : nullptr);
}
