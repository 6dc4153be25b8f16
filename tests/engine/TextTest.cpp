// Text on the raster, on a QPainter and in a metafile: the same pixels as
// Qt's own QPainter::drawText and the same widths, for the fonts Zebrix
// meets, in every style and colour; from remembered fonts without Qt's, the
// very pixels the window draws; and time linear in the length.
#include "FontRecords.h"
#include "Metafile.h"
#include "Text.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <tuple>

namespace {

// The raster shortcut blends Qt's own coverage the way Qt does, in whole
// levels where Qt rounds in finer steps: no channel may be further than
// this from what drawText gives.
constexpr int kTolerance = 1;

struct Style { const char *name; bool bold, italic, underline, strikeOut; };
struct Colours { const char *name; QRgb text, back; };
struct Sample { const char *name; const char *text; };

const Style kStyles[] = {
    {"Regular", false, false, false, false}, {"Bold", true, false, false, false},
    {"Italic", false, true, false, false},   {"BoldItalic", true, true, false, false},
    {"Underline", false, false, true, false}, {"StrikeOut", false, false, false, true},
};
const Colours kColours[] = {
    {"BlackOnWhite", 0xFF000000, 0xFFFFFFFF},
    {"RedOnCream", 0xFFC01020, 0xFFFFF4C0},
    {"WhiteOnNavy", 0xFFFFFFFF, 0xFF102060},
};
const Sample kSamples[] = {
    {"Digits", "4901234567894"},
    {"Spaces", " *A-1 B* "},
    {"KerningPairs", "AVAWaTo.,Ty LTA"},
    {"Ligatures", "office fi ffl"},
    {"Japanese", "日本語 ABC"},
    {"RightToLeft", "שלום 42"},
};

using Params = std::tuple<const char *, int, Style, Colours, Sample>;

class TextPixels : public ::testing::TestWithParam<Params>
{
protected:
    QFont font() const
    {
        const auto &[family, px, style, colours, sample] = GetParam();
        QFont f(QString::fromUtf8(family));
        f.setPixelSize(px);
        f.setBold(style.bold);
        f.setItalic(style.italic);
        f.setUnderline(style.underline);
        f.setStrikeOut(style.strikeOut);
        return f;
    }
    QString text() const { return QString::fromUtf8(std::get<4>(GetParam()).text); }
    QColor ink() const { return QColor::fromRgb(std::get<3>(GetParam()).text); }
    QImage blank() const
    {
        QImage img(40 + 2 * QFontMetrics(font()).horizontalAdvance(text()), 3 * QFontMetrics(font()).height(),
                   QImage::Format_RGB888);
        img.fill(QColor::fromRgb(std::get<3>(GetParam()).back));
        return img;
    }
};

// Largest difference of any channel.
int maxDifference(const QImage &a, const QImage &b)
{
    int d = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar *p = a.constScanLine(y), *q = b.constScanLine(y);
        for (int x = 0; x < a.width() * 3; ++x)
            d = std::max(d, std::abs(p[x] - q[x]));
    }
    return d;
}

constexpr int kX = 7, kY = 5;

QImage drawnByQt(QImage img, const QString &text, const QFont &font, const QColor &ink)
{
    QPainter p(&img);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QPointF(kX, kY + QFontMetrics(font).ascent()), text);
    return img;
}

TEST_P(TextPixels, RasterShortcutGivesDrawTextsPixels)
{
    QImage img = blank();
    const bool shortcut = BlitText(img, kX, kY, text(), font(), ink());
    if (!shortcut) {   // what the raster does then
        QPainter p(&img);
        DrawText(p, kX, kY, text(), font(), ink());
    }
    EXPECT_LE(maxDifference(img, drawnByQt(blank(), text(), font(), ink())), kTolerance)
        << (shortcut ? "shortcut" : "QPainter");
    // Decorations are QPainter's; everything else takes the shortcut.
    const Style style = std::get<2>(GetParam());
    EXPECT_EQ(shortcut, !style.underline && !style.strikeOut);
}

TEST_P(TextPixels, MetafileReplayGivesDrawTextsPixels)
{
    const QImage back = blank();
    TMetafile mf(back.width(), back.height());
    mf.fillRect(back.rect(), FromQColor(back.pixelColor(0, 0)));
    mf.drawText(QPoint(kX, kY), text(), font(), FromQColor(ink()));
    EXPECT_EQ(maxDifference(mf.toImage(), drawnByQt(back, text(), font(), ink())), 0);
}

TEST_P(TextPixels, WidthsAgreeEverywhere)
{
    const int width = QFontMetrics(font()).horizontalAdvance(text());
    EXPECT_EQ(TextWidth(font(), text()), width);
    TMetafile mf(400, 40);
    mf.drawText(QPoint(0, 0), text(), font(), 0);
    const std::vector<int> &a = mf.records().at(0).advances;
    ASSERT_EQ(a.size(), size_t(text().size()));
    EXPECT_EQ(std::accumulate(a.begin(), a.end(), 0), width);
}

// Remembered fonts cover texts of one face without decorations: Japanese
// only where the face has it, never text running right to left; and the
// advances a metafile records only where every character is a glyph of its
// own (no ligatures).
bool remembered(const Style &style, const char *family, const Sample &sample)
{
    const std::string name = sample.name;
    return !style.underline && !style.strikeOut && name != "RightToLeft"
           && (name != "Japanese" || std::string(family) == "Noto Sans CJK JP");
}
bool advancesRemembered(const Style &style, const char *family, const Sample &sample)
{
    return remembered(style, family, sample) && std::string(sample.name) != "Ligatures";
}

// Where fonts are remembered, one file for the whole suite, as a user's.
QString recordFile()
{
    static QTemporaryDir dir;
    return dir.path() + QStringLiteral("/fonts");
}

TEST_P(TextPixels, RememberedFontsDrawTheWindowsPixels)
{
    // The window's drawing, remembered on the way.
    SetFontRecordFile(recordFile(), QGuiApplication::platformName());
    QImage byQt = blank();
    ASSERT_EQ(BlitText(byQt, kX, kY, text(), font(), ink()), !std::get<2>(GetParam()).underline
                                                                 && !std::get<2>(GetParam()).strikeOut);
    const int width = TextWidth(font(), text()), height = TextHeight(font());
    const std::vector<int> advances = TextAdvances(font(), text());

    // A later run without Qt's fonts, from the file alone.
    SetFontRecordFile(recordFile(), QGuiApplication::platformName());
    UseRememberedFontsOnly(true);
    int leftOut = TextLeftOut();
    QImage fromRecord = blank();
    const bool drawn = BlitText(fromRecord, kX, kY, text(), font(), ink());
    const int rememberedWidth = TextWidth(font(), text()), rememberedHeight = TextHeight(font());
    const bool complete = TextLeftOut() == leftOut;
    leftOut = TextLeftOut();
    const std::vector<int> rememberedAdvances = TextAdvances(font(), text());
    const bool advancesComplete = TextLeftOut() == leftOut;
    UseRememberedFontsOnly(false);
    SetFontRecordFile({}, {});

    const auto &[family, px, style, colours, sample] = GetParam();
    EXPECT_EQ(complete, remembered(style, family, sample));
    if (complete) {
        EXPECT_TRUE(drawn);
        EXPECT_EQ(maxDifference(fromRecord, byQt), 0);
        EXPECT_EQ(rememberedWidth, width);
        EXPECT_EQ(rememberedHeight, height);
    } else {
        EXPECT_FALSE(drawn);
        EXPECT_EQ(maxDifference(fromRecord, blank()), 0) << "a text left out draws nothing";
    }
    EXPECT_EQ(advancesComplete, advancesRemembered(style, family, sample));
    if (advancesComplete) {
        EXPECT_EQ(rememberedAdvances, advances);
    }
}

std::string rowName(const ::testing::TestParamInfo<Params> &info)
{
    const auto &[family, px, style, colours, sample] = info.param;
    std::string f = family;
    f.erase(std::remove(f.begin(), f.end(), ' '), f.end());
    return f + "_" + std::to_string(px) + "px_" + style.name + "_" + colours.name + "_" + sample.name;
}

INSTANTIATE_TEST_SUITE_P(Fonts, TextPixels,
                         ::testing::Combine(::testing::Values("Noto Sans CJK JP", "DejaVu Sans"),
                                            ::testing::Values(9, 12, 20), ::testing::ValuesIn(kStyles),
                                            ::testing::ValuesIn(kColours), ::testing::ValuesIn(kSamples)),
                         rowName);

// Kerning and substitutions learnt from the texts shaped before apply to
// every later text: hundreds of different texts of the characters symbols
// carry, each as wide as Qt measures it and drawn where Qt draws it.
class LearntShaping : public ::testing::TestWithParam<std::tuple<const char *, int, bool>> {};

TEST_P(LearntShaping, EveryLaterTextAsQtLaysItOut)
{
    const auto &[family, px, bold] = GetParam();
    QFont f(QString::fromUtf8(family));
    f.setPixelSize(px);
    f.setBold(bold);
    const QString alphabet = QStringLiteral("AVToa.,-0123456789ZEBRIXe");
    quint32 seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 16; };
    for (int n = 0; n < 400; ++n) {
        QString text;
        for (quint32 k = 0, length = 2 + next() % 18; k < length; ++k)
            text += alphabet[qsizetype(next() % quint32(alphabet.size()))];
        ASSERT_EQ(TextWidth(f, text), QFontMetrics(f).horizontalAdvance(text)) << text.toStdString();
        if (n % 7 == 0) {
            const QFontMetrics fm(f);
            QImage img(40 + 2 * fm.horizontalAdvance(text), 3 * fm.height(), QImage::Format_RGB888);
            img.fill(Qt::white);
            const QImage byQt = drawnByQt(img, text, f, Qt::black);
            ASSERT_TRUE(BlitText(img, kX, kY, text, f, Qt::black));
            ASSERT_LE(maxDifference(img, byQt), kTolerance) << text.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fonts, LearntShaping,
                         ::testing::Combine(::testing::Values("Noto Sans CJK JP", "DejaVu Sans"),
                                            ::testing::Values(9, 12, 20), ::testing::Bool()));

// Advances of long texts, against where one layout of the whole text puts
// every cluster (cursorToX). Long texts are measured in blocks; a block edge
// that cuts a ligature may move the pen by a pixel, nothing else may.
struct LongCase { const char *name; const char *piece; int repeat; int tolerance; };
class LongTextAdvances : public ::testing::TestWithParam<LongCase> {};

TEST_P(LongTextAdvances, LandWhereOneLayoutOfTheWholeTextPutsEachCluster)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    const QString text = QString::fromUtf8(GetParam().piece).repeated(GetParam().repeat);
    QTextLayout layout(text, font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e6);
    layout.endLayout();

    const std::vector<int> advances = TextAdvances(font, text);
    ASSERT_EQ(advances.size(), size_t(text.size()));
    int pen = 0, worst = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (layout.isValidCursorPosition(int(i)))
            worst = std::max(worst, std::abs(pen - qRound(line.cursorToX(int(i)))));
        pen += advances[size_t(i)];
    }
    EXPECT_LE(worst, GetParam().tolerance);
    EXPECT_EQ(pen, QFontMetrics(font).horizontalAdvance(text));
}

INSTANTIATE_TEST_SUITE_P(Text, LongTextAdvances, ::testing::Values(
    LongCase{"PlainAsciiWithKerning", "AVAWaTo.,Ty LTA ", 40, 0},
    LongCase{"Japanese", "日本語のテキスト、", 80, 0},
    LongCase{"Mixed", "AVAV Wa To 日本 ", 60, 0},
    LongCase{"Ligatures", "office fi ffl ", 50, 1}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
