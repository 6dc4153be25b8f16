// Printing at a size in millimetres: the proposal, the dots, and the printed
// page rendered by another program (pdftoppm), measured and decoded.
#include "JobModel.h"
#include "ModelTestSupport.h"
#include "Oracle.h"
#include "PrintDialog.h"
#include "Printing.h"
#include "WinSpinEdit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QThread>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(Printing, ProposalTruncatesAndDotsRound)
{
    struct Case { int pixels, dpi, mm; };
    for (const Case &c : {Case{120, 600, 50}, Case{50, 600, 21}, Case{0, 600, 0}, Case{120, 0, 0}})
        EXPECT_EQ(ProposedMillimetres(c.pixels, c.dpi), c.mm) << c.pixels << "@" << c.dpi;
    struct Dots { int mm, dpi, dots; };
    for (const Dots &d : {Dots{50, 600, 1181}, Dots{21, 600, 496}, Dots{30, 300, 354}, Dots{127, 10, 50},
                          Dots{381, 10, 150}})
        EXPECT_EQ(MillimetresToDots(d.mm, d.dpi), d.dots) << d.mm << "@" << d.dpi;
}

// The ink's bounding box of a rendered page.
QRect inkBox(const QImage &page)
{
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

struct PrintCase {
    const char *name;
    int index;
    const char *data;
    bool bitmapKind;
    const char *text = nullptr;   // what the reader returns, when not the data
};
class PrintedPage : public ::testing::TestWithParam<PrintCase> {};

TEST_P(PrintedPage, PrintsAtTheSizeAskedAndDecodes)
{
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "pdftoppm is not installed";
    const PrintCase &c = GetParam();
    QTemporaryDir dir;
    JobModel m;
    m.LoadLibrary({QFileInfo(QStringLiteral(ZINTBAR_PLUGIN)).absolutePath()});
    if (c.bitmapKind)
        m.CopyBm.Click();
    Select(m, c.index, QString::fromLatin1(c.data));
    m.CdTypeChange();
    ASSERT_FALSE(m.BError);
    EXPECT_EQ(m.Printable(), c.index != kIndexQR) << "the menu item offers it";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("page.pdf"));
    printer.setResolution(600);
    printer.setFullPage(false);
    TPrtDlg dlg(&m, &printer);
    EXPECT_EQ(dlg.logx, 600);
    EXPECT_EQ(dlg.PrX()->edit()->text().toInt(), ProposedMillimetres(dlg.bx, 600));
    dlg.PrX()->edit()->setText("40");
    dlg.PrY()->edit()->setText("40");
    dlg.PrintClick();
    EXPECT_TRUE(dlg.PrintError().isEmpty()) << dlg.PrintError().toStdString();
    EXPECT_EQ(dlg.px, MillimetresToDots(40, 600));

    // Rendered at the printer's resolution, around the printable area's top
    // left where the symbol goes.
    const QPoint origin = printer.pageLayout().paintRectPixels(600).topLeft();
    QProcess render;
    render.start("pdftoppm", {"-r", "600", "-x", QString::number(origin.x() - 100), "-y", QString::number(origin.y() - 100),
                              "-W", "1200", "-H", "1200", "-png", "-singlefile", dir.filePath("page.pdf"),
                              dir.filePath("page")});
    ASSERT_TRUE(render.waitForFinished(60000));
    const QImage page(dir.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    // The picture was brought to 40 x 40 mm: its ink grows with it. Stretched,
    // by the share of the picture; resampled, by the resampler's scale
    // (dots - 1) / (pixels - 1).
    const TPicture &pic = m.CurrentPicture();
    const QRect ink = inkBox(pic.toImage()), printed = inkBox(page);
    const bool resampled = c.bitmapKind && m.Engine() == JobModel::TEngine::Linear;
    auto expectedMm = [&](int inkPixels, int pixels) {
        const double dots = MillimetresToDots(40, 600);
        return inkPixels * (resampled ? (dots - 1) / (pixels - 1) : dots / pixels) * 25.4 / 600;
    };
    const double mmPerDot = 25.4 / 600;
    EXPECT_NEAR(printed.width() * mmPerDot, expectedMm(ink.width(), pic.width()), 0.5) << c.name;
    EXPECT_NEAR(printed.height() * mmPerDot, expectedMm(ink.height(), pic.height()), 0.5) << c.name;
    // At the top left of the printable area.
    EXPECT_NEAR(printed.left() - 100, ink.left() * double(dlg.px) / pic.width(), 12) << c.name;
    const oracle::Decoded d = oracle::Decode(page);
    EXPECT_EQ(d.text, c.text ? c.text : c.data) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Symbols, PrintedPage, ::testing::Values(
    PrintCase{"JanResampled", 0, "4901234567894", true}, PrintCase{"JanMetafile", 0, "4901234567894", false},
    PrintCase{"QRBitmap", 12, "Zebrix print", true}, PrintCase{"QRMetafile", 12, "Zebrix print", false},
    PrintCase{"Itf14Metafile", cbarITF14, "0491234512345", false, "04912345123459"},
    PrintCase{"JanAddOnResampled", cbarJANADD, "491234512345 52495", true, "4912345123459"},
    PrintCase{"DataMatrixStretched", kIndexDataMatrix, "Zebrix print", true},
    PrintCase{"AztecMetafile", kIndexAztec, "Zebrix print", false}),
    [](const auto &i) { return std::string(i.param.name); });

} // namespace

namespace {

// A CUPS scheduler of the test's own (its own configuration, spool and
// socket) with a cups-pdf queue "PDF": a real print job through CUPS, as a
// printer on the desk would get it. cups-pdf writes to ~/PDF of the user
// that runs the scheduler.
class CupsQueue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::getuid() != 0 || !QFileInfo::exists("/usr/sbin/cupsd")
            || !QFileInfo::exists("/usr/lib/cups/backend/cups-pdf"))
            GTEST_SKIP() << "needs root, cupsd and cups-pdf";
        for (const char *sub : {"spool", "cache", "log", "run", "state"})
            QDir(root.path()).mkpath(QString::fromLatin1(sub));
        auto write = [this](const char *name, const QString &text) {
            QFile f(root.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(text.toUtf8());
        };
        const QString r = root.path();
        write("cups-files.conf", QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                                                "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\nErrorLog %1/log/error_log\n"
                                                "AccessLog %1/log/access_log\nPageLog %1/log/page_log\nTempDir %1/spool\n"
                                                "SystemGroup root\n").arg(r));
        write("cupsd.conf", QStringLiteral("Listen %1/run/cups.sock\nWebInterface No\n<Location />\nOrder allow,deny\n"
                                           "Allow all\n</Location>\n").arg(r));
        socket = r + QStringLiteral("/run/cups.sock");
        cupsd.start("/usr/sbin/cupsd", {"-f", "-c", r + "/cupsd.conf", "-s", r + "/cups-files.conf"});
        ASSERT_TRUE(cupsd.waitForStarted(10000));
        const QDeadlineTimer bound(30000);
        while (!QFileInfo::exists(socket) && !bound.hasExpired() && !cupsd.waitForFinished(20)) {
        }
        ASSERT_TRUE(QFileInfo::exists(socket)) << "the scheduler does not listen";
        QProcess admin;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUPS_SERVER", socket);
        admin.setProcessEnvironment(env);
        admin.start("lpadmin", {"-p", "PDF", "-v", "cups-pdf:/", "-E", "-P", "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"});
        ASSERT_TRUE(admin.waitForFinished(30000) && admin.exitCode() == 0) << admin.readAllStandardError().toStdString();
        qputenv("CUPS_SERVER", socket.toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("CUPS_SERVER");
        if (cupsd.state() != QProcess::NotRunning) {
            cupsd.terminate();
            cupsd.waitForFinished(10000);
        }
    }
    QTemporaryDir root;
    QString socket;
    QProcess cupsd;
};

TEST_F(CupsQueue, APrintedSymbolDecodesAtItsSize)
{
    JobModel m;
    m.CopyEmf.Click();
    Select(m, 0, "4901234567894");
    m.CdTypeChange();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName("PDF");
    ASSERT_TRUE(printer.isValid()) << "the queue is not known to Qt";
    const QString title = QStringLiteral("zebrix-test-%1").arg(QCoreApplication::applicationPid());
    printer.setDocName(title);
    TPrtDlg dlg(&m, &printer);
    const int dpi = dlg.logx;
    dlg.PrX()->edit()->setText("50");
    dlg.PrY()->edit()->setText("30");
    dlg.PrintClick();
    ASSERT_TRUE(dlg.PrintError().isEmpty()) << dlg.PrintError().toStdString();

    // The job leaves the queue as a file in ~/PDF named after its title; the
    // file is whole once the queue holds no job that is not completed.
    const QDir out(QDir::homePath() + "/PDF");
    auto pending = [] {
        QProcess lpstat;
        lpstat.start("lpstat", {"-W", "not-completed", "-o", "PDF"});
        return !lpstat.waitForFinished(30000) || !lpstat.readAllStandardOutput().trimmed().isEmpty();
    };
    QString pdf;
    const QDeadlineTimer bound(60000);
    while ((pdf.isEmpty() || pending()) && !bound.hasExpired()) {
        for (const QString &f : out.entryList({title + "*.pdf"}, QDir::Files))
            pdf = out.filePath(f);
        QThread::msleep(50);
    }
    ASSERT_FALSE(pdf.isEmpty()) << "no job came out of the queue";
    ASSERT_FALSE(pending()) << "the job never completed";
    QTemporaryDir dir;
    QProcess render;
    render.start("pdftoppm", {"-r", "300", "-png", "-singlefile", pdf, dir.filePath("page")});
    ASSERT_TRUE(render.waitForFinished(60000));
    QFile::remove(pdf);
    const QImage page(dir.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    const TPicture &pic = m.CurrentPicture();
    const QRect ink = inkBox(pic.toImage()), printed = inkBox(page);
    const double dots = MillimetresToDots(50, dpi);
    EXPECT_NEAR(printed.width() * 25.4 / 300, ink.width() * dots / pic.width() * 25.4 / dpi, 0.5);
    EXPECT_EQ(oracle::Decode(page.copy(printed.adjusted(-60, -60, 60, 60))).text, "4901234567894");
}

} // namespace
