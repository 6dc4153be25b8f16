// libzintbar.so through its C export: error reporting, bad input, and the
// picture layout (scale, height, margins, colours, text, frame).
#include "PluginSupport.h"

#include <gtest/gtest.h>

#include <QString>

#include <cmath>
#include <limits>
#include <thread>

using namespace plugintest;

namespace {

// GS1 DataBar is 96 modules wide, DataBar Limited 79; a module is 2 px at scale 1.
constexpr int kDataBarModules = 96;
constexpr int kLimitedModules = 79;
constexpr int kSpare = 2;   // light columns and rows the main window cuts off

const std::uint16_t *w(const char16_t *text)
{
    return reinterpret_cast<const std::uint16_t *>(text);
}

// A GTIN-13 without its check digit, and as a GTIN-14 with it.
const QString kGtin13 = QStringLiteral("0490123456789");
const QString kGtin14 = QStringLiteral("04901234567894");

TEST(ZintDll, PluginExportsZintDll)
{
    ASSERT_NE(RawZintDll(), nullptr) << ZINTBAR_PLUGIN;
}

struct Rejection {
    const char *name;
    int symbology;
    QString text;
    const char *libzintSays;   // part of libzint's error text
};

class ZintDllRejects : public ::testing::TestWithParam<Rejection> {};

TEST_P(ZintDllRejects, WithLibzintsTextAndNoPicture)
{
    const Rejection &r = GetParam();
    Job job;
    job.symbology = r.symbology;
    job.text = r.text;
    const Outcome out = CallRaw(job);
    EXPECT_TRUE(out.picture.isNull());
    EXPECT_TRUE(out.error.startsWith(QLatin1String("Error "))) << out.error.toStdString();
    EXPECT_TRUE(out.error.contains(QLatin1String(r.libzintSays))) << out.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, ZintDllRejects,
    ::testing::Values(
        Rejection{"DataBarLetters", 29, QStringLiteral("ABC"), "Invalid character in data"},
        Rejection{"DataBarWrongCheckDigit", 29, QStringLiteral("04901234567895"), "Invalid check digit"},
        Rejection{"DataBarFifteenDigits", 29, QStringLiteral("049012345678940"), "too long"},
        Rejection{"StackedFullWidthDigits", 79, QStringLiteral("０４９０１２３４５６７８９"), "Invalid character"},
        Rejection{"LimitedIndicatorTwo", 30, QStringLiteral("2490123456789"), "Input out of range"},
        Rejection{"LimitedIndicatorNine14", 30, QStringLiteral("94901234567897"), "Input out of range"},
        Rejection{"PDF417Empty", 55, QString(), "No input data"},
        Rejection{"DataBarEmpty", 80, QString(), "No input data"},
        Rejection{"PDF417OneMegabyte", 55, QString(1 << 20, QLatin1Char('A')), "too long"},
        Rejection{"DataBarOneMegabyteOfDigits", 29, QString(1 << 20, QLatin1Char('1')), "too long"},
        Rejection{"TruncatedPDF417TooLong", 56, QString(3000, QLatin1Char('A')), "too long"},
        Rejection{"SymbologyZero", 0, QStringLiteral("123"), "Symbology out of range"},
        Rejection{"SymbologyNegative", -7, QStringLiteral("123"), "Symbology out of range"},
        Rejection{"SymbologyBeyondTheLast", 1000, QStringLiteral("123"), "Symbology out of range"},
        Rejection{"SymbologyMinimum", std::numeric_limits<int>::min(), QStringLiteral("123"),
                  "Symbology out of range"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ZintDll, NullPointersAreEmptyOrAbsent)
{
    const ZintDllProc zintDll = RawZintDll();
    ASSERT_NE(zintDll, nullptr);
    const QString gtin = kGtin13;

    const std::uint16_t *error = nullptr;
    // Null data reads as empty: libzint's "No input data".
    EXPECT_EQ(zintDll(29, nullptr, nullptr, 1.0, 50, 0, 0, kBlack, kWhite, nullptr, 1, 1, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_TRUE(QString::fromUtf16(reinterpret_cast<const char16_t *>(error)).contains(QLatin1String("No input")));

    // Null primary, font and error pointer: a picture all the same.
    EXPECT_NE(zintDll(29, nullptr, gtin.utf16(), 1.0, 50, 0, 0, kBlack, kWhite, nullptr, 1, 1, nullptr), nullptr);
    // And a failure without an error pointer is still a null picture.
    EXPECT_EQ(zintDll(29, nullptr, w(u"X"), 1.0, 50, 0, 0, kBlack, kWhite, nullptr, 1, 1, nullptr), nullptr);

    // A font without a name.
    const ZintBarFont font{nullptr, 9, 1, kBlue};
    EXPECT_NE(zintDll(29, nullptr, gtin.utf16(), 1.0, 50, 0, 0, kBlack, kWhite, &font, 1, 1, &error), nullptr);
    EXPECT_EQ(error[0], 0);
}

TEST(ZintDll, SuccessSetsAnEmptyErrorTextAfterAFailure)
{
    Job bad;
    bad.text = QStringLiteral("ABC");
    ASSERT_FALSE(CallRaw(bad).error.isEmpty());

    Job good;
    good.text = kGtin13;
    const Outcome out = CallRaw(good);
    EXPECT_TRUE(out.errorSet);
    EXPECT_TRUE(out.error.isEmpty());
    EXPECT_FALSE(out.picture.isNull());
}

TEST(ZintDll, UnpairedSurrogatesAndControlCharactersDoNotCrash)
{
    const char16_t lone[] = {u'A', 0xD800, u'B', 0xDC00, 0};
    const char16_t controls[] = {1, 2, 0x1B, 0x7F, 0xFFFF, 0};
    for (const char16_t *text : {lone, controls}) {
        Job job;
        job.symbology = 55;
        job.text = QString::fromUtf16(text);
        const Outcome out = CallRaw(job);
        EXPECT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        EXPECT_FALSE(out.picture.isNull());
        job.symbology = 29;
        EXPECT_TRUE(CallRaw(job).picture.isNull());
    }
}

TEST(ZintDll, PictureBelongsToTheCallingThread)
{
    const ZintDllProc zintDll = RawZintDll();
    ASSERT_NE(zintDll, nullptr);
    const QString gtin = kGtin13;
    const std::uint16_t *error = nullptr;
    const ZintBarPicture *mine = zintDll(29, nullptr, gtin.utf16(), 1.0, 50, 0, 0, kBlack, kWhite, nullptr, 0, 0, &error);
    ASSERT_NE(mine, nullptr);
    const QImage before = ToImage(mine);

    // Another thread's calls, a failure and a bigger picture, leave this
    // thread's picture and error text alone.
    std::thread other([zintDll] {
        const std::uint16_t *e = nullptr;
        zintDll(55, nullptr, w(u"another thread"), 3.0, 100, 50, 50, kRed, kGreen, nullptr, 1, 1, &e);
        zintDll(29, nullptr, w(u"X"), 1.0, 50, 0, 0, kBlack, kWhite, nullptr, 1, 1, &e);
    });
    other.join();

    EXPECT_EQ(error[0], 0);
    EXPECT_EQ(ToImage(mine), before);
}

// ---- Layout ------------------------------------------------------------

struct ScaleCase {
    const char *name;
    double scale;
    int modulePixels;
};

class ZintDllScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ZintDllScale, SetsTwoPixelsPerModuleTimesScale)
{
    const ScaleCase &c = GetParam();
    Job job;
    job.text = kGtin13;
    job.scale = c.scale;
    job.barHeight = 40;
    const Outcome out = CallRaw(job);
    ASSERT_FALSE(out.picture.isNull()) << out.error.toStdString();
    EXPECT_EQ(out.picture.width(), kDataBarModules * c.modulePixels + kSpare);
    EXPECT_EQ(out.picture.height(), 40 + kSpare);
}

INSTANTIATE_TEST_SUITE_P(
    Picture, ZintDllScale,
    ::testing::Values(ScaleCase{"One", 1.0, 2}, ScaleCase{"Two", 2.0, 4}, ScaleCase{"Three", 3.0, 6},
                      ScaleCase{"HalfIsTheSmallest", 0.5, 1}, ScaleCase{"TinyRaisedToHalf", 0.01, 1},
                      ScaleCase{"ZeroRaisedToHalf", 0.0, 1}, ScaleCase{"NegativeRaisedToHalf", -3.0, 1},
                      ScaleCase{"NotANumberReadsAsOne", std::nan(""), 2},
                      ScaleCase{"HugeLoweredToTen", 1e9, 20},
                      ScaleCase{"InfinityReadsAsOne", std::numeric_limits<double>::infinity(), 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ZintDll, ScaleTwoDoublesEveryBarOfScaleOne)
{
    Job job;
    job.text = kGtin14;
    const QImage one = CallRaw(job).picture;
    job.scale = 2.0;
    job.barHeight = 100;
    const QImage two = CallRaw(job).picture;
    ASSERT_FALSE(one.isNull());
    ASSERT_FALSE(two.isNull());
    for (int x = 0; x < one.width() - kSpare; ++x) {
        EXPECT_EQ(two.pixel(2 * x, 10), one.pixel(x, 5)) << x;
        EXPECT_EQ(two.pixel(2 * x + 1, 10), one.pixel(x, 5)) << x;
    }
}

TEST(ZintDll, MarginsAreLightOnBothSidesAndSpareEdgeFollows)
{
    Job job;
    job.text = kGtin13;
    job.leftMargin = 20;
    job.topMargin = 5;
    job.barColor = kRed;
    job.backColor = kGreen;
    const QImage p = CallRaw(job).picture;
    ASSERT_FALSE(p.isNull());
    const int symbolW = kDataBarModules * 2, symbolH = 50;
    ASSERT_EQ(p.width(), 20 + symbolW + 20 + kSpare);
    ASSERT_EQ(p.height(), 5 + symbolH + 5 + kSpare);
    const QRgb back = toQRgb(kGreen), bar = toQRgb(kRed);
    EXPECT_TRUE(AllPixels(p, 0, 0, 20, p.height(), back));                             // left margin
    EXPECT_TRUE(AllPixels(p, 20 + symbolW, 0, p.width(), p.height(), back));          // right margin + spare
    EXPECT_TRUE(AllPixels(p, 0, 0, p.width(), 5, back));                              // top margin
    EXPECT_TRUE(AllPixels(p, 0, 5 + symbolH, p.width(), p.height(), back));           // bottom margin + spare
    // Bars reach from the top margin to the bottom margin.
    int barColumn = -1;
    for (int x = 20; x < 20 + symbolW && barColumn < 0; ++x)
        if (p.pixel(x, 5) == bar)
            barColumn = x;
    ASSERT_GE(barColumn, 0);
    EXPECT_TRUE(AllPixels(p, barColumn, 5, barColumn + 1, 5 + symbolH, bar));
}

TEST(ZintDll, NegativeMarginsReadAsNone)
{
    Job job;
    job.text = kGtin13;
    job.leftMargin = -50;
    job.topMargin = std::numeric_limits<int>::min();
    const QImage p = CallRaw(job).picture;
    EXPECT_EQ(p.size(), QSize(kDataBarModules * 2 + kSpare, 50 + kSpare));
}

TEST(ZintDll, HugeMarginsAreRefusedNotAllocated)
{
    Job job;
    job.text = kGtin13;
    job.leftMargin = std::numeric_limits<int>::max();
    Outcome out = CallRaw(job);
    EXPECT_TRUE(out.picture.isNull());
    EXPECT_FALSE(out.error.isEmpty());
    job.leftMargin = 0;
    job.topMargin = 20000;
    out = CallRaw(job);
    EXPECT_TRUE(out.picture.isNull());
    EXPECT_FALSE(out.error.isEmpty());
}

TEST(ZintDll, OnlyBarAndBackgroundColoursAreUsed)
{
    for (int symbology : {30, 79, 29, 80, 55, 56}) {
        Job job;
        job.symbology = symbology;
        job.text = symbology == 55 || symbology == 56 ? QStringLiteral("colours") : kGtin13;
        job.leftMargin = 4;
        job.topMargin = 4;
        job.barColor = 0x123456;     // R 0x56, G 0x34, B 0x12
        job.backColor = 0xA0B0C0;
        const QImage p = CallRaw(job).picture;
        ASSERT_FALSE(p.isNull()) << symbology;
        int bars = 0, spaces = 0, others = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const QRgb c = p.pixel(x, y);
                bars += c == qRgb(0x56, 0x34, 0x12);
                spaces += c == qRgb(0xC0, 0xB0, 0xA0);
                others += c != qRgb(0x56, 0x34, 0x12) && c != qRgb(0xC0, 0xB0, 0xA0);
            }
        EXPECT_GT(bars, 0) << symbology;
        EXPECT_GT(spaces, 0) << symbology;
        EXPECT_EQ(others, 0) << symbology;
    }
}

TEST(ZintDll, HumanReadableTextIsBelowTheBarsInTheFontColour)
{
    const ZintBarFont font{w(u"Sans"), 9, 0, kBlue};
    Job job;
    job.text = kGtin13;
    job.font = &font;
    job.showText = true;
    const QImage p = CallRaw(job).picture;
    ASSERT_FALSE(p.isNull());
    ASSERT_GT(p.height(), 50 + kSpare);   // the text adds rows below the 50 bar rows
    const QRgb blue = toQRgb(kBlue), black = toQRgb(kBlack);
    int textPixels = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            if (y < 50)
                EXPECT_NE(p.pixel(x, y), blue);
            else
                EXPECT_NE(p.pixel(x, y), black);
            textPixels += p.pixel(x, y) == blue;
        }
    EXPECT_GT(textPixels, 0);

    // Without a font the text takes the bars' colour; without showText there is none.
    job.font = nullptr;
    job.barColor = kRed;
    const QImage plain = CallRaw(job).picture;
    ASSERT_EQ(plain.size(), p.size());
    int redText = 0;
    for (int y = 50; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            redText += plain.pixel(x, y) == toQRgb(kRed);
    EXPECT_EQ(redText, textPixels);
    job.showText = false;
    EXPECT_EQ(CallRaw(job).picture.height(), 50 + kSpare);
}

TEST(ZintDll, FrameIsThreePixelsAlongTheOuterEdgeOfTheMargins)
{
    Job job;
    job.text = kGtin13;
    job.leftMargin = 10;
    job.topMargin = 10;
    job.barColor = kRed;
    job.backColor = kGreen;
    job.frame = true;
    const QImage p = CallRaw(job).picture;
    ASSERT_FALSE(p.isNull());
    const int w = p.width() - kSpare, h = p.height() - kSpare;
    const QRgb bar = toQRgb(kRed), back = toQRgb(kGreen);
    EXPECT_TRUE(AllPixels(p, 0, 0, w, 3, bar));           // top band
    EXPECT_TRUE(AllPixels(p, 0, h - 3, w, h, bar));       // bottom band
    EXPECT_TRUE(AllPixels(p, 0, 0, 3, h, bar));           // left band
    EXPECT_TRUE(AllPixels(p, w - 3, 0, w, h, bar));       // right band
    EXPECT_TRUE(AllPixels(p, 3, 3, 10, h - 3, back));     // the margin inside the frame
    EXPECT_TRUE(AllPixels(p, w - 10, 3, w - 3, h - 3, back));
    EXPECT_TRUE(AllPixels(p, w, 0, p.width(), p.height(), back));   // spare columns
    EXPECT_TRUE(AllPixels(p, 0, h, p.width(), p.height(), back));   // spare rows
}

TEST(ZintDll, SingleRowBarsTakeTheGivenHeight)
{
    for (int height : {20, 50, 110, 200}) {
        for (int symbology : {29, 30}) {
            Job job;
            job.symbology = symbology;
            job.text = kGtin13;
            job.barHeight = height;
            const QImage p = CallRaw(job).picture;
            EXPECT_EQ(p.height(), height + kSpare) << symbology << " " << height;
            EXPECT_EQ(p.width(), (symbology == 29 ? kDataBarModules : kLimitedModules) * 2 + kSpare);
        }
    }
}

TEST(ZintDll, StackedSymbolsKeepTheirStandardRowHeightsAndGrowBeyond)
{
    // Default heights at scale 1: Stacked 13 modules, Stacked Omnidirectional
    // 69, PDF417 of "Hello" 6 rows of 3 modules; 2 px a module.
    struct Case {
        int symbology;
        const char *text;
        int standardPixels;
    };
    for (const Case &c : {Case{79, "0490123456789", 26}, Case{80, "0490123456789", 138}, Case{55, "Hello", 36}}) {
        Job job;
        job.symbology = c.symbology;
        job.text = QString::fromUtf8(c.text);
        job.barHeight = 10;
        EXPECT_EQ(CallRaw(job).picture.height(), c.standardPixels + kSpare) << c.symbology;
        job.barHeight = 0;
        EXPECT_EQ(CallRaw(job).picture.height(), c.standardPixels + kSpare) << c.symbology;
        job.barHeight = 300;
        const int tall = CallRaw(job).picture.height() - kSpare;
        EXPECT_GE(tall, 290) << c.symbology;   // rows are whole modules: near, not exact
        EXPECT_LE(tall, 310) << c.symbology;
    }
}

TEST(ZintDll, HeightBeyondLibzintsRangeIsLibzintsError)
{
    Job job;
    job.text = kGtin13;
    job.barHeight = std::numeric_limits<int>::max();
    const Outcome out = CallRaw(job);
    EXPECT_TRUE(out.picture.isNull());
    EXPECT_TRUE(out.error.contains(QLatin1String("Height"))) << out.error.toStdString();
}

} // namespace
