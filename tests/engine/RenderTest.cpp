// Pixel geometry of the raster renderer and the records of the metafile
// renderer: bars at exact positions and lengths, text, frames, comments,
// customer columns, clipping and transparency.
#include "BarImage.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

const QFont kFont = [] { QFont f(QStringLiteral("DejaVu Sans")); f.setPixelSize(12); return f; }();

int fontHeight() { return QFontMetrics(kFont).height(); }

// Draws a hand-made pattern and text instead of running an encoder.
struct HandMade : TBarImage {
    std::string pattern;
    QString symbol;
    HandMade(TBarTypes type, std::string p, QString s = QStringLiteral("X"))
        : pattern(std::move(p)), symbol(std::move(s))
    {
        setBarFont(&kFont);
        setBarType(type);
        setSymbolDisp(false);
        setMatch(true);
        setCode(QStringLiteral("data"));
    }
protected:
    TEncodeResult RunEncoder(const TEncodeInput &) override { return {pattern, symbol, {}}; }
};

bool dark(const QImage &img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// One pixel row as "1" (dark) and "0".
std::string row(const QImage &img, int y, int x0 = 0, int x1 = -1)
{
    if (x1 < 0)
        x1 = img.width();
    std::string s;
    for (int x = x0; x < x1; ++x)
        s += dark(img, x, y) ? '1' : '0';
    return s;
}

std::string column(const QImage &img, int x, int y0 = 0, int y1 = -1)
{
    if (y1 < 0)
        y1 = img.height();
    std::string s;
    for (int y = y0; y < y1; ++y)
        s += dark(img, x, y) ? '1' : '0';
    return s;
}

// The pattern of a JAN/UPC symbol drawn at a scale, as a pixel row.
std::string scaled(const std::string &pattern, int scale)
{
    std::string s;
    for (char c : pattern)
        s.append(size_t(scale), c);
    return s;
}

struct JanCase { int scale; int up; int down; };
class JanGeometry : public ::testing::TestWithParam<JanCase> {};

TEST_P(JanGeometry, BarsAtExactPositionsAndLengths)
{
    const JanCase c = GetParam();
    TBarImage b;
    b.setMatch(true);
    b.setSymbolDisp(false);
    b.setScale(TSCale(c.scale));
    b.setBarSpaceUp(c.up);
    b.setBarSpaceDown(c.down);
    b.setBarHeight(105);
    b.setCode(QStringLiteral("4901234567894"));
    ASSERT_FALSE(b.Error);
    const QImage &img = b.Picture().bitmap();
    EXPECT_EQ(b.BarWidth(), 96 * c.scale);
    EXPECT_EQ(img.width(), 96 * c.scale + 20);
    EXPECT_EQ(img.height(), 105 + c.up + c.down);
    EXPECT_EQ(b.Width(), img.width());
    EXPECT_EQ(b.Height(), img.height());
    const std::string bars = std::string(10, '0') + scaled(b.Pattern(), c.scale) + std::string(10, '0');
    for (int y = 0; y < img.height(); ++y) {
        const bool inBars = y >= c.up && y < c.up + 105;
        ASSERT_EQ(row(img, y), inBars ? bars : std::string(size_t(img.width()), '0')) << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, JanGeometry, ::testing::Values(
    JanCase{1, 0, 0}, JanCase{2, 5, 3}, JanCase{3, 1, 7}));

TEST(Layout, TextRaisesBarHeightToTextPlusSix)
{
    QFont big(kFont);
    big.setPixelSize(20);
    TBarImage b;
    b.setBarFont(&big);
    b.setMatch(true);
    b.setBarHeight(20);
    b.setCode(QStringLiteral("4901234567894"));
    const int th = QFontMetrics(big).height();
    ASSERT_GT(th + 6, 20);
    EXPECT_EQ(b.BarHeight(), th + 6) << "the raised height stays in the property";
    const QImage &img = b.Picture().bitmap();
    // The first bar (the start guard) is 6 pixels long.
    const int x = int(row(img, 0).find('1'));
    ASSERT_GE(x, 10);
    EXPECT_EQ(column(img, x, 0, 6), "111111");
    EXPECT_EQ(column(img, x, 6, 7), "0");
}

TEST(Layout, TextWiderThanBarsIsTheWidthAndTheBarsAreCentred)
{
    HandMade b(cbarJAN, "1011", QStringLiteral("A WIDE TEXT"));
    b.setSymbolDisp(true);
    b.ShowStartStop = true;
    b.setBarHeight(40);
    b.RepaintBarcode();
    const int tw = QFontMetrics(kFont).horizontalAdvance(QStringLiteral("A WIDE TEXT"));
    ASSERT_GT(tw, 4);
    EXPECT_EQ(b.BarWidth(), tw);
    const QImage &img = b.Picture().bitmap();
    const int bx = (tw - 4) / 2;
    EXPECT_EQ(row(img, 0), std::string(size_t(10 + bx), '0') + "1011" + std::string(size_t(img.width() - 14 - bx), '0'));
    // The text starts at X0: its first ink is within the first glyph's bearing.
    const int th = fontHeight();
    int first = img.width();
    for (int y = 40 - th; y < 40; ++y)
        for (int x = 0; x < img.width(); ++x)
            if (dark(img, x, y)) { first = std::min(first, x); break; }
    EXPECT_GE(first, 10);
    EXPECT_LE(first, 12);
}

TEST(Layout, TextNarrowerThanBarsIsCentredUnderThem)
{
    HandMade b(cbarJAN, std::string(100, '1'), QStringLiteral("I"));
    b.setSymbolDisp(true);
    b.ShowStartStop = true;
    b.setBarHeight(40);
    b.setBarColor(0xFFFFFF);   // white bars, so only the text is dark
    b.RepaintBarcode();
    const int tw = QFontMetrics(kFont).horizontalAdvance(QStringLiteral("I"));
    const int sx = (100 - tw) / 2;
    const QImage &img = b.Picture().bitmap();
    int first = img.width(), last = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (dark(img, x, y)) { first = std::min(first, x); last = std::max(last, x); }
    EXPECT_GE(first, 10 + sx);
    EXPECT_LE(last, 10 + sx + tw);
}

// The frame: the framed rectangle runs from BarTop + (top comment height) to
// H - (bottom comment height); BarFrame is lowered to fit.
struct FrameCase { const char *name; int barHeight; bool comments; int frame; int expectedFrame; bool drawn; };
class Frame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(Frame, LoweredToFitOrLeftOut)
{
    const FrameCase c = GetParam();
    HandMade b(cbarJAN, std::string(60, '0'));
    const int ch = c.comments ? fontHeight() : 0;
    b.setBarColor(0x000000);
    b.setBarHeight(c.barHeight + 2 * ch);
    if (c.comments) {
        b.setCommentUp(QStringLiteral(" "));
        b.setCommentDown(QStringLiteral(" "));
    }
    b.setBarFrame(TFrameSize(c.frame));
    b.RepaintBarcode();
    ASSERT_FALSE(b.Error);
    EXPECT_EQ(b.BarFrame(), c.expectedFrame) << c.name;
    const QImage &img = b.Picture().bitmap();
    const int W = img.width(), T = ch, B = img.height() - ch;
    if (!c.drawn) {
        for (int y = 0; y < img.height(); ++y)
            EXPECT_EQ(row(img, y), std::string(size_t(W), '0')) << c.name;
        return;
    }
    const int f = c.expectedFrame;
    for (int y = T; y < B; ++y) {
        std::string expected;
        if (y < T + f || y >= B - f)
            expected = std::string(size_t(W), '1');
        else
            expected = std::string(size_t(f), '1') + std::string(size_t(W - 2 * f), '0') + std::string(size_t(f), '1');
        ASSERT_EQ(row(img, y), expected) << c.name << " row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Frame, ::testing::Values(
    FrameCase{"forty_high", 40, false, 100, 19, true},
    FrameCase{"fits", 40, false, 3, 3, true},
    FrameCase{"four_high", 4, true, 100, 1, true},
    FrameCase{"three_high", 3, true, 100, 100, false}),
    [](const auto &i) { return std::string(i.param.name); });

TEST(Frame, ItfBearerBarsEncloseBarsAndQuietZonesWithoutText)
{
    HandMade b(cbarITF, std::string(40, '0'), QStringLiteral("0123"));
    b.setSymbolDisp(true);
    b.setBarSpaceUp(7);
    b.setBarSpaceDown(5);
    b.setBarHeight(50);
    b.setBarFrame(3);
    b.RepaintBarcode();
    const QImage &img = b.Picture().bitmap();
    const int th = fontHeight();
    const int bl = 50 - th;
    const std::string col0 = column(img, 0);
    EXPECT_EQ(col0, std::string(7, '0') + std::string(size_t(bl), '1') + std::string(size_t(th + 5), '0'));
    EXPECT_EQ(row(img, 7), std::string(size_t(img.width()), '1'));
    EXPECT_EQ(row(img, 7 + bl - 1), std::string(size_t(img.width()), '1'));
}

TEST(Comments, AlignmentOffsetsWithinQuietZonesAndSymbol)
{
    for (TLocation loc : {locLeft, locCenter, locRight}) {
        HandMade b(cbarJAN, std::string(100, '0'));
        b.setBarLeft(3);
        const QString text = QStringLiteral("|||");
        const int cw = QFontMetrics(kFont).horizontalAdvance(text);
        const int ch = fontHeight();
        b.setBarSpaceUp(ch);
        b.setBarSpaceDown(ch);
        b.setCommentUp(text);
        b.setCommentDown(text);
        b.setCommentUpLoc(loc);
        b.setCommentDownLoc(loc);
        const QImage &img = b.Picture().bitmap();
        const int span = 10 + 100 + 10;
        const int a = loc == locLeft ? 0 : loc == locCenter ? (span - cw) / 2 : span - cw;
        for (int band : {0, img.height() - ch}) {
            int first = img.width(), last = -1;
            for (int y = band; y < band + ch; ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (dark(img, x, y)) { first = std::min(first, x); last = std::max(last, x); }
            EXPECT_GE(first, 3 + a) << loc;
            EXPECT_LE(last, 3 + a + cw) << loc;
            EXPECT_LT(first, 3 + a + cw / 3) << loc;
        }
    }
}

TEST(Comments, WiderThanTheSymbolStartAtTheLeft)
{
    HandMade b(cbarJAN, "1");
    b.setBarSpaceLeft(0);
    b.setBarSpaceRight(0);
    const int ch = fontHeight();
    b.setBarSpaceUp(ch);
    b.setCommentUpLoc(locRight);
    b.setCommentUp(QStringLiteral("|||||||||"));
    b.setMatch(false);   // keep a wide bitmap so the comment is not clipped away
    b.setSize(200, 100);
    b.Picture().resizeBitmap(200, 100);
    b.RepaintBarcode();
    const QImage &img = b.Picture().bitmap();
    EXPECT_TRUE(row(img, ch / 2).find('1') < 3) << "a negative offset becomes 0";
}

// Customer barcode columns: each column one module wide, one module left of
// its position; thirds of 2 x Scale pixels.
TEST(Customer, ColumnGeometryOf138Columns)
{
    std::string p = "007030";                       // start
    for (int i = 0; i < 20; ++i) p += "702020";     // twenty "0" characters
    p += "707070";                                  // a check character (CC8)
    p += "307000";                                  // stop
    ASSERT_EQ(p.size(), 138u);
    EXPECT_EQ(TBarImage::MeasureCustomerWidth(p, 1), 134);
    EXPECT_EQ(TBarImage::MeasureCustomerWidth(p, 3), 402);
    EXPECT_EQ(TBarImage::MeasureCustomerWidth("000", 2), 0);

    for (int s : {1, 2, 3}) {
        HandMade b(cbarCUSTOMER, p);
        b.setScale(TSCale(s));
        b.setBarHeight(99);
        b.RepaintBarcode();
        ASSERT_FALSE(b.Error);
        EXPECT_EQ(b.BarWidth(), 134 * s);
        EXPECT_EQ(b.BarHeight(), 6 * s) << "replaced, whatever it was";
        const QImage &img = b.Picture().bitmap();
        const int X0 = 10;
        // Column i at X0 + (i - 1) * s.
        auto colAt = [&](int i) { return column(img, X0 + (i - 1) * s); };
        const std::string full(size_t(6 * s), '1');
        auto thirds = [s](const char *t) { std::string r; for (const char *c = t; *c; ++c) r.append(size_t(2 * s), *c); return r; };
        EXPECT_EQ(colAt(2), full);                    // start: long bar
        EXPECT_EQ(colAt(3), thirds("000"));
        EXPECT_EQ(colAt(4), thirds("011"));           // descender
        EXPECT_EQ(colAt(8), thirds("010"));           // timing bar of "0"
        EXPECT_EQ(colAt(132), thirds("011"));         // stop: descender
        EXPECT_EQ(colAt(134), full);                  // stop: long bar, the last inked
        // Nothing left of the first inked column, nothing right of the last.
        for (int x = 0; x < X0 + s; ++x)
            EXPECT_EQ(column(img, x), std::string(size_t(6 * s), '0')) << x;
        for (int x = X0 + 134 * s; x < img.width(); ++x)
            EXPECT_EQ(column(img, x), std::string(size_t(6 * s), '0')) << x;
    }
}

TEST(Customer, FirstColumnInkedLiesInsideTheLeftQuietZone)
{
    HandMade b(cbarCUSTOMER, "7007");
    b.setScale(2);
    b.RepaintBarcode();
    const QImage &img = b.Picture().bitmap();
    EXPECT_EQ(b.BarWidth(), 5 * 2);
    EXPECT_EQ(row(img, 0, 6, 20), "00110000110000");   // column 0 at X0 - 2 = 8, column 3 at 14
}

TEST(Customer, HeightIsSixModulesPlusText)
{
    HandMade b(cbarCUSTOMER, "7777", QStringLiteral("1"));
    b.setSymbolDisp(true);
    b.ShowStartStop = true;
    b.setScale(3);
    b.RepaintBarcode();
    EXPECT_EQ(b.BarHeight(), 18 + fontHeight());
}

TEST(Code128, OddElementsAreSpacesInTheRasterOnly)
{
    HandMade b(cbarCODE128, "1111");
    b.setBarSpaceLeft(0);
    b.setBarSpaceRight(0);
    b.setBarHeight(10);
    b.RepaintBarcode();
    EXPECT_EQ(row(b.Picture().bitmap(), 0), "1010");
    b.setBarPicture(pbarEMF);
    int bars = 0;
    for (const TMetaRecord &r : b.Picture().metafile().records())
        bars += r.kind == TMetaRecord::FillRect && r.color == 0;
    EXPECT_EQ(bars, 4) << "the metafile follows the digits alone";
}

TEST(ElementRatio, WideElementsOfTwoWidthSymbologies)
{
    HandMade b(cbarCODE39, "30121");
    b.setBarSpaceLeft(0);
    b.setBarSpaceRight(0);
    b.setScale(2);
    b.setElementRatio(25);
    b.setBarHeight(10);
    b.RepaintBarcode();
    // Wide bar 5, narrow space 2, narrow bar 2, wide space 5, narrow bar 2.
    EXPECT_EQ(row(b.Picture().bitmap(), 0), "1111100110000011");
}

TEST(Raster, WithoutMatchTheBitmapKeepsItsSizeAndClips)
{
    TBarImage b;
    b.setSymbolDisp(false);
    b.setSize(50, 30);
    b.setBarLeft(5);
    b.setBackColor(0xE0E0FF);   // light pink
    b.setCode(QStringLiteral("4901234567894"));
    ASSERT_FALSE(b.Error);
    const QImage &img = b.Picture().bitmap();
    EXPECT_EQ(img.size(), QSize(50, 30));
    EXPECT_EQ(b.Width(), 50);
    EXPECT_EQ(img.pixel(4, 5), qRgb(255, 255, 255)) << "left of BarLeft is not filled";
    EXPECT_EQ(img.pixel(5, 5), qRgb(255, 0xE0, 0xE0));
    // The bars start at BarLeft + BarSpaceLeft and run out of the bitmap.
    EXPECT_EQ(row(img, 3, 15, 50), scaled(b.Pattern(), 1).substr(0, 35));
}

TEST(Raster, TransparentLeavesThePreviousDrawingUnder)
{
    TBarImage b;
    b.setSymbolDisp(false);
    b.setMatch(true);
    b.setCode(QStringLiteral("4901234567894"));
    const std::string first = row(b.Picture().bitmap(), 5);
    b.setTransparent(true);
    b.setCode(QStringLiteral("1234567890128"));
    const std::string second = scaled(b.Pattern(), 1);
    const std::string now = row(b.Picture().bitmap(), 5);
    for (size_t x = 0; x < second.size(); ++x)
        ASSERT_EQ(now[10 + x], (second[x] == '1' || first[10 + x] == '1') ? '1' : '0') << x;
}

TEST(Raster, ColoursOfBarsAndBackground)
{
    TBarImage b;
    b.setSymbolDisp(false);
    b.setMatch(true);
    b.setBarColor(0x123456);
    b.setBackColor(0xABCDEF);
    b.setCode(QStringLiteral("4901234567894"));
    const QImage &img = b.Picture().bitmap();
    EXPECT_EQ(img.format(), QImage::Format_RGB888);
    EXPECT_EQ(img.pixel(10, 0), qRgb(0x56, 0x34, 0x12));
    EXPECT_EQ(img.pixel(0, 0), qRgb(0xEF, 0xCD, 0xAB));
}

TEST(Metafile, SizeRecordsAndReplayMatchTheRaster)
{
    TBarImage raster;
    raster.setSymbolDisp(false);
    raster.setMatch(true);
    raster.setCode(QStringLiteral("4901234567894"));

    TBarImage b;
    b.setSymbolDisp(false);
    b.setMatch(true);
    b.setBarPicture(pbarEMF);
    b.setCode(QStringLiteral("4901234567894"));
    ASSERT_TRUE(b.Picture().isMetafile());
    const TMetafile &mf = b.Picture().metafile();
    EXPECT_EQ(mf.width(), 117);
    EXPECT_EQ(mf.height(), 106);
    EXPECT_EQ(b.Width(), 116) << "the control keeps W x H";
    EXPECT_EQ(b.Height(), 105);
    ASSERT_FALSE(mf.records().empty());
    const TMetaRecord &bg = mf.records().front();
    EXPECT_EQ(bg.kind, TMetaRecord::FillRect);
    EXPECT_EQ(bg.rect, QRect(0, 0, 116, 105));
    EXPECT_EQ(bg.color, 0xFFFFFFu);
    // One rectangle per bar element (every module of EAN is an element).
    EXPECT_EQ(mf.records().size(), 1 + size_t(std::count(b.Pattern().begin(), b.Pattern().end(), '1')));
    for (size_t i = 1; i < mf.records().size(); ++i) {
        EXPECT_EQ(mf.records()[i].rect.top(), 0);
        EXPECT_EQ(mf.records()[i].rect.height(), 105);
    }
    const QImage replayed = mf.toImage();
    for (int y : {0, 50, 104})
        EXPECT_EQ(row(replayed, y, 0, 116), row(raster.Picture().bitmap(), y));
}

TEST(Metafile, TextAndCommentsAreRecorded)
{
    TBarImage b;
    b.setBarFont(&kFont);
    b.setMatch(true);
    b.setBarPicture(pbarWMF);
    b.setBarSpaceUp(fontHeight());
    b.setCommentUp(QStringLiteral("PRICE"));
    b.setCode(QStringLiteral("4901234567894"));
    QStringList texts;
    for (const TMetaRecord &r : b.Picture().metafile().records())
        if (r.kind == TMetaRecord::Text)
            texts << r.text;
    EXPECT_EQ(texts, (QStringList{QStringLiteral("4901234567894"), QStringLiteral("PRICE")}));
}

TEST(AutoSize, ControlFollowsThePictureAfterDrawing)
{
    TBarImage b;
    b.setAutoSize(true);
    b.setSymbolDisp(false);
    b.setMatch(true);
    b.setCode(QStringLiteral("4901234567894"));
    EXPECT_EQ(QSize(b.Width(), b.Height()), QSize(116, 105));
    EXPECT_TRUE(b.AutoSize());
    b.setBarPicture(pbarEMF);
    EXPECT_EQ(QSize(b.Width(), b.Height()), QSize(117, 106));
}

} // namespace
