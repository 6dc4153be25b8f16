// Printing at a size in millimetres: the proposal, the dots, and the printed
// page rendered by another program (pdftoppm), measured and decoded.
#include "JobModel.h"
#include "ModelTestSupport.h"
#include "Oracle.h"
#include "PrintDialog.h"
#include "Printing.h"
#include "WinSpinEdit.h"

#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

struct PrintCase { const char *name; int index; const char *data; bool bitmapKind; };
class PrintedPage : public ::testing::TestWithParam<PrintCase> {};

TEST_P(PrintedPage, PrintsAtTheSizeAskedAndDecodes)
{
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "pdftoppm is not installed";
    const PrintCase &c = GetParam();
    QTemporaryDir dir;
    JobModel m;
    if (c.bitmapKind)
        m.CopyBm.Click();
    Select(m, c.index, QString::fromLatin1(c.data));
    m.CdTypeChange();
    ASSERT_FALSE(m.BError);
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
    const bool resampled = c.bitmapKind && c.index < kIndexQR;
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
    EXPECT_EQ(d.text, c.data) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Symbols, PrintedPage, ::testing::Values(
    PrintCase{"JanResampled", 0, "4901234567894", true}, PrintCase{"JanMetafile", 0, "4901234567894", false},
    PrintCase{"QRBitmap", 12, "Zebrix print", true}, PrintCase{"QRMetafile", 12, "Zebrix print", false}),
    [](const auto &i) { return std::string(i.param.name); });

} // namespace
