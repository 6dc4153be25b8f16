// The recorded picture: what it keeps of each drawing call, and its replay.
#include "Metafile.h"

#include <QFontMetrics>
#include <QPainter>
#include <climits>
#include <gtest/gtest.h>

#include "PictureTestSupport.h"

namespace {

struct ColourCase {
    TColor color;
    int r, g, b;
};

class ColourConversion : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourConversion, RedIsTheLowByte)
{
    const ColourCase &c = GetParam();
    EXPECT_EQ(ToQColor(c.color), QColor(c.r, c.g, c.b));
    EXPECT_EQ(FromQColor(QColor(c.r, c.g, c.b)), c.color);
}

INSTANTIATE_TEST_SUITE_P(Metafile, ColourConversion,
                         ::testing::Values(ColourCase{0x000000FF, 255, 0, 0}, ColourCase{0x0000FF00, 0, 255, 0},
                                           ColourCase{0x00FF0000, 0, 0, 255},
                                           ColourCase{0x00123456, 0x56, 0x34, 0x12},
                                           ColourCase{0x00FFFFFF, 255, 255, 255}, ColourCase{0, 0, 0, 0}));

struct HundredthsCase {
    int dpi, pixels, hundredths;
};

class HundredthsOfMm : public ::testing::TestWithParam<HundredthsCase> {};

TEST_P(HundredthsOfMm, RoundsToTheNearestUnit)
{
    const HundredthsCase &c = GetParam();
    DpiScope dpi(c.dpi);
    EXPECT_EQ(PixelsToHundredthsMm(c.pixels), c.hundredths);
}

INSTANTIATE_TEST_SUITE_P(Metafile, HundredthsOfMm,
                         ::testing::Values(HundredthsCase{96, 0, 0}, HundredthsCase{96, 1, 26},
                                           HundredthsCase{96, 96, 2540},
                                           HundredthsCase{96, 116, 3069},  // 3069.17
                                           HundredthsCase{96, 117, 3096},  // 3095.63
                                           HundredthsCase{120, 120, 2540}, HundredthsCase{120, 1, 21},
                                           HundredthsCase{144, 1000, 17639})); // 17638.9

TEST(MetaFont, PointSizesBecomePixelsAtTheReferenceDpi)
{
    QFont f("DejaVu Sans");
    f.setPointSize(9);
    {
        DpiScope dpi(96);
        EXPECT_EQ(TMetaFont::fromQFont(f).PixelSize, 12);
    }
    {
        DpiScope dpi(120);
        EXPECT_EQ(TMetaFont::fromQFont(f).PixelSize, 15);
    }
}

TEST(MetaFont, KeepsPixelSizeFaceAndStyle)
{
    QFont f = PixelFont(17, "Noto Sans CJK JP");
    f.setBold(true);
    f.setItalic(true);
    f.setUnderline(true);
    f.setStrikeOut(true);
    const TMetaFont m = TMetaFont::fromQFont(f);
    EXPECT_EQ(m.PixelSize, 17);
    EXPECT_EQ(m.Family, "Noto Sans CJK JP");
    EXPECT_TRUE(m.Bold && m.Italic && m.Underline && m.StrikeOut);
    const QFont back = m.toQFont();
    EXPECT_EQ(back.pixelSize(), 17);
    EXPECT_TRUE(back.bold() && back.italic() && back.underline() && back.strikeOut());
}

TEST(MetafileRecording, EmptyRectanglesAreNotRecorded)
{
    TMetafile mf(10, 10);
    mf.fillRect(QRect(1, 1, 0, 5), 0);
    mf.fillRect(QRect(1, 1, 5, 0), 0);
    mf.fillRect(QRect(1, 1, -2, 5), 0);
    mf.drawText(QPoint(0, 0), QString(), PixelFont(12), 0);
    mf.drawImage(QPoint(0, 0), QImage());
    EXPECT_TRUE(mf.records().empty());
    mf.fillRect(QRect(2, 3, 4, 5), 0x00112233);
    ASSERT_EQ(mf.records().size(), 1u);
    EXPECT_EQ(mf.records()[0].kind, TMetaRecord::FillRect);
    EXPECT_EQ(mf.records()[0].rect, QRect(2, 3, 4, 5));
    EXPECT_EQ(mf.records()[0].color, 0x00112233u);
}

class TextAdvances : public ::testing::TestWithParam<const char *> {};

TEST_P(TextAdvances, OnePerUnitAddingUpToTheWholeWidth)
{
    const QString text = QString::fromUtf8(GetParam());
    const QFont font = PixelFont(12);
    TMetafile mf(200, 40);
    mf.drawText(QPoint(3, 4), text, font, 0x000000FF);
    ASSERT_EQ(mf.records().size(), 1u);
    const TMetaRecord &r = mf.records()[0];
    EXPECT_EQ(r.kind, TMetaRecord::Text);
    EXPECT_EQ(r.pos, QPoint(3, 4));
    EXPECT_EQ(r.text, text);
    EXPECT_EQ(r.color, 0x000000FFu);
    ASSERT_EQ(r.advances.size(), size_t(text.size()));
    int sum = 0;
    for (int a : r.advances)
        sum += a;
    EXPECT_EQ(sum, QFontMetrics(r.font.toQFont()).horizontalAdvance(text));
}

INSTANTIATE_TEST_SUITE_P(Metafile, TextAdvances,
                         ::testing::Values("4901234567894", "AVAV Wa To", "日本語のテキスト",
                                           "ABC日本 Ωμέγα Привет"));

TEST(MetafileRecording, LongTextAdvancesStillAddUpToTheWholeWidth)
{
    const QString text = QString::fromUtf8("AVAV Wa To 日本 ").repeated(200); // 3000 units
    const QFont font = PixelFont(12);
    TMetafile mf(40000, 40);
    mf.drawText(QPoint(0, 0), text, font, 0);
    const std::vector<int> &a = mf.records()[0].advances;
    ASSERT_EQ(a.size(), size_t(text.size()));
    long long sum = 0;
    for (int v : a) {
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 2 * font.pixelSize());
        sum += v;
    }
    EXPECT_EQ(sum, QFontMetrics(mf.records()[0].font.toQFont()).horizontalAdvance(text));
}

TEST(MetafileRecording, ACharacterBeyondTheBmpAdvancesOnItsHighSurrogate)
{
    const QString text = QString::fromUtf8("A\U0001F600B");
    ASSERT_EQ(text.size(), 4);
    TMetafile mf(100, 30);
    mf.drawText(QPoint(0, 0), text, PixelFont(12), 0);
    const std::vector<int> &a = mf.records()[0].advances;
    ASSERT_EQ(a.size(), 4u);
    EXPECT_GT(a[0], 0);
    EXPECT_GT(a[1], 0);
    EXPECT_EQ(a[2], 0);
    EXPECT_GT(a[3], 0);
}

TEST(MetafileRecording, ImagesReachingBeyondTheIntegerRangeAreNotRecorded)
{
    const QImage img(4, 4, QImage::Format_RGB888);
    TMetafile mf(10, 10);
    mf.drawImage(QPoint(INT_MAX - 3, 0), img);
    mf.drawImage(QPoint(0, INT_MAX - 3), img);
    EXPECT_TRUE(mf.records().empty());
    mf.drawImage(QPoint(INT_MAX - 4, INT_MAX - 4), img);
    ASSERT_EQ(mf.records().size(), 1u);
    EXPECT_EQ(mf.records()[0].rect.right(), INT_MAX - 1);
}

TEST(MetafileRecording, ImagesAreKeptAs24BitAtTheirOwnSize)
{
    QImage img(5, 3, QImage::Format_ARGB32);
    img.fill(QColor(10, 20, 30));
    TMetafile mf(20, 20);
    mf.drawImage(QPoint(4, 6), img);
    ASSERT_EQ(mf.records().size(), 1u);
    const TMetaRecord &r = mf.records()[0];
    EXPECT_EQ(r.kind, TMetaRecord::Image);
    EXPECT_EQ(r.image.format(), QImage::Format_RGB888);
    EXPECT_EQ(r.rect, QRect(4, 6, 5, 3));
    EXPECT_EQ(r.image.pixelColor(4, 2), QColor(10, 20, 30));
}

// Replay: every fill covers exactly its pixels, whatever its width.
struct FillCase {
    const char *name;
    std::vector<std::pair<QRect, TColor>> fills;
};

void PrintTo(const FillCase &c, std::ostream *os) { *os << c.name; }

class ReplayGeometry : public ::testing::TestWithParam<FillCase> {};

TEST_P(ReplayGeometry, FillsCoverExactlyTheirPixels)
{
    const FillCase &c = GetParam();
    TMetafile mf(24, 12);
    for (const auto &[rect, color] : c.fills)
        mf.fillRect(rect, color);
    const QImage img = mf.toImage();
    ASSERT_EQ(img.size(), QSize(24, 12));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 24; ++x) {
            QColor want = Qt::white; // last fill wins
            for (const auto &[rect, color] : c.fills)
                if (rect.contains(x, y))
                    want = ToQColor(color);
            ASSERT_EQ(img.pixelColor(x, y), want) << "pixel " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Metafile, ReplayGeometry,
    ::testing::Values(
        FillCase{"OnePixelBars", {{QRect(0, 0, 1, 12), 0}, {QRect(2, 0, 1, 12), 0}, {QRect(23, 0, 1, 12), 0}}},
        FillCase{"WideAndNarrow", {{QRect(1, 2, 4, 8), 0}, {QRect(5, 2, 1, 8), 0x000000FF}, {QRect(7, 2, 3, 1), 0}}},
        FillCase{"BackgroundThenBars",
                 {{QRect(0, 0, 24, 12), 0x00E0FFFF}, {QRect(3, 1, 2, 10), 0}, {QRect(6, 1, 1, 10), 0}}},
        FillCase{"ClippedAtTheEdges", {{QRect(-3, -3, 5, 5), 0}, {QRect(20, 9, 10, 10), 0x00FF0000}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MetafileReplay, StretchesWithThePainter)
{
    TMetafile mf(10, 4);
    mf.fillRect(QRect(3, 0, 1, 4), 0);
    QImage img(20, 8, QImage::Format_RGB888);
    img.fill(Qt::white);
    QPainter p(&img);
    p.scale(2, 2);
    mf.replay(p);
    p.end();
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(img.pixelColor(x, 4), (x == 6 || x == 7) ? QColor(Qt::black) : QColor(Qt::white)) << x;
}

TEST(MetafileReplay, TextLandsWithItsTopLeftAtThePosition)
{
    TMetafile mf(120, 30);
    const QFont font = PixelFont(12);
    mf.drawText(QPoint(10, 8), "4901234567894", font, 0);
    const QImage img = mf.toImage();
    const QFontMetrics fm(font);
    const QRect box(10, 8, fm.horizontalAdvance("4901234567894"), fm.height());
    int inside = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (qGray(img.pixel(x, y)) >= 128)
                continue;
            EXPECT_TRUE(box.adjusted(-1, -1, 1, 1).contains(x, y)) << "ink at " << x << "," << y;
            ++inside;
        }
    }
    EXPECT_GT(inside, 50);
}

TEST(MetafileReplay, ImageIsCopiedPixelForPixel)
{
    QImage src(3, 2, QImage::Format_RGB888);
    const QColor colours[6] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta, Qt::yellow};
    for (int i = 0; i < 6; ++i)
        src.setPixelColor(i % 3, i / 3, colours[i]);
    TMetafile mf(8, 6);
    mf.drawImage(QPoint(2, 3), src);
    const QImage img = mf.toImage();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(img.pixelColor(2 + i % 3, 3 + i / 3), colours[i]);
    EXPECT_EQ(img.pixelColor(1, 3), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(5, 3), QColor(Qt::white));
}

TEST(MetafileReplay, ImageResolutionIsTheReferenceDpi)
{
    DpiScope dpi(120);
    const QImage img = TMetafile(4, 4).toImage();
    EXPECT_EQ(img.dotsPerMeterX(), 4724); // 120 / 0.0254
    EXPECT_EQ(img.dotsPerMeterY(), 4724);
}

} // namespace

namespace {

// On a raster, runs of rectangles of one colour are replayed in one call:
// the same pixels as filling them one by one, at the picture's own size and
// stretched, with colours taking turns and overlapping.
struct ReplayCase { const char *name; double scaleX, scaleY; int colours; };
class RasterReplay : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(RasterReplay, SamePixelsAsRectangleByRectangle)
{
    TMetafile mf(181, 97);
    mf.fillRect(QRect(0, 0, 181, 97), 0xFFFFFF);
    quint32 seed = 99;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 1103515245 + 12345;
        const int x = int(seed >> 8) % 181, y = int(seed >> 16) % 97;
        const TColor c = (seed >> 4) % quint32(GetParam().colours) == 0 ? 0x000000 : 0x3060C0;
        mf.fillRect(QRect(x, y, 1 + int(seed >> 24) % 7, 1 + int(seed >> 12) % 3), c);
    }
    const QSize size(int(181 * GetParam().scaleX), int(97 * GetParam().scaleY));
    QImage replayed(size, QImage::Format_RGB888), byHand(size, QImage::Format_RGB888);
    replayed.fill(Qt::gray);
    byHand.fill(Qt::gray);
    {
        QPainter p(&replayed);
        p.scale(GetParam().scaleX, GetParam().scaleY);
        mf.replay(p);
    }
    {
        QPainter p(&byHand);
        p.scale(GetParam().scaleX, GetParam().scaleY);
        for (const TMetaRecord &r : mf.records())
            p.fillRect(r.rect, ToQColor(r.color));
    }
    EXPECT_EQ(replayed, byHand);
}

INSTANTIATE_TEST_SUITE_P(Metafile, RasterReplay, ::testing::Values(
    ReplayCase{"OwnSize", 1, 1, 2}, ReplayCase{"Stretched", 2.5, 1.75, 2}, ReplayCase{"Shrunk", 0.6, 0.45, 3},
    ReplayCase{"OneColour", 1, 1, 1}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
