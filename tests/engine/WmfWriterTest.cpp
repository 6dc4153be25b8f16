// The Windows metafile writer: read back with an independent parser, and
// rendered by LibreOffice next to the EMF of the same picture.
#include "EmfWriter.h"
#include "LibreOffice.h"
#include "MetaParse.h"
#include "Oracle.h"
#include "OraclePictures.h"
#include "WmfWriter.h"

#include <QFontMetrics>
#include <cmath>
#include <map>
#include <gtest/gtest.h>

#include "PictureTestSupport.h"

using namespace metaparse;

namespace {

Wmf ParseOk(const TMetafile &mf, bool placeable = true)
{
    const QByteArray bytes = WriteWmf(mf, placeable);
    Wmf wmf = ParseWmf(bytes);
    EXPECT_TRUE(wmf.ok) << wmf.error;
    return wmf;
}

Playback PlayOk(const Wmf &wmf)
{
    Playback pb = PlayWmf(wmf);
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    return pb;
}

// ---- Headers and METAFILEPICT -------------------------------------------

struct SizeCase {
    int dpi, width, height;
};

void PrintTo(const SizeCase &c, std::ostream *os) { *os << c.width << "x" << c.height << " at " << c.dpi << " dpi"; }

class WmfHeaders : public ::testing::TestWithParam<SizeCase> {};

TEST_P(WmfHeaders, PlaceableAndMetafileHeadersDescribeThePicture)
{
    const SizeCase &c = GetParam();
    DpiScope dpi(c.dpi);
    TMetafile mf(c.width, c.height);
    mf.fillRect(QRect(0, 0, c.width, c.height), 0x00FFFFFF);
    mf.fillRect(QRect(1, 1, 1, 3), 0);
    mf.drawText(QPoint(0, 0), "5", PixelFont(12), 0);
    const QByteArray bytes = WriteWmf(mf, true);
    const Wmf wmf = ParseWmf(bytes);
    ASSERT_TRUE(wmf.ok) << wmf.error;
    ASSERT_TRUE(wmf.placeable);
    EXPECT_EQ(wmf.bboxLeft, 0);
    EXPECT_EQ(wmf.bboxTop, 0);
    EXPECT_EQ(wmf.bboxRight, c.width);
    EXPECT_EQ(wmf.bboxBottom, c.height);
    EXPECT_EQ(wmf.inch, c.dpi);
    EXPECT_EQ(wmf.checksum, wmf.checksumComputed);
    EXPECT_EQ(bytes.mid(4, 2), QByteArray(2, '\0'));  // HWmf
    EXPECT_EQ(bytes.mid(16, 4), QByteArray(4, '\0')); // reserved
    EXPECT_EQ(wmf.type, 1);
    EXPECT_EQ(wmf.version, 0x0300);
    EXPECT_EQ(qsizetype(wmf.sizeWords) * 2, bytes.size() - 22);
    EXPECT_EQ(wmf.numberOfMembers, 0);
    std::uint32_t largest = 0;
    for (const Record &r : wmf.records)
        largest = std::max(largest, r.size);
    EXPECT_EQ(wmf.maxRecord, largest);
    const Playback pb = PlayOk(wmf);
    EXPECT_EQ(wmf.numberOfObjects, pb.objectSlots);
    EXPECT_EQ(pb.mapMode, 8u);
    EXPECT_EQ(pb.windowOrg, QPoint(0, 0));
    EXPECT_EQ(pb.windowExt, QPoint(c.width, c.height));

    const TMetafilePict pict = MetafilePictFor(mf);
    EXPECT_EQ(pict.mm, 8);
    EXPECT_EQ(pict.xExt, int(std::lround(c.width * 2540.0 / c.dpi)));
    EXPECT_EQ(pict.yExt, int(std::lround(c.height * 2540.0 / c.dpi)));
}

INSTANTIATE_TEST_SUITE_P(Wmf, WmfHeaders,
                         ::testing::Values(SizeCase{96, 117, 106}, SizeCase{120, 117, 106}, SizeCase{96, 1, 1},
                                           SizeCase{144, 32767, 32767}));

TEST(WmfWriter, WithoutThePlaceableHeaderTheBitsAreTheSame)
{
    TMetafile mf(40, 30);
    mf.fillRect(QRect(0, 0, 40, 30), 0x00FFFFFF);
    mf.drawText(QPoint(2, 2), "abc", PixelFont(12), 0);
    const QByteArray placeable = WriteWmf(mf, true);
    const QByteArray plain = WriteWmf(mf, false);
    EXPECT_EQ(plain, placeable.mid(22));
    const Wmf wmf = ParseOk(mf, false);
    EXPECT_FALSE(wmf.placeable);
}

struct TooLargeCase {
    int width, height;
    bool written;
};

class WmfSizeLimit : public ::testing::TestWithParam<TooLargeCase> {};

TEST_P(WmfSizeLimit, PicturesBeyond16BitCoordinatesAreRefused)
{
    const TooLargeCase &c = GetParam();
    TMetafile mf(c.width, c.height);
    mf.fillRect(QRect(0, 0, 10, 10), 0);
    EXPECT_EQ(!WriteWmf(mf, true).isEmpty(), c.written);
    EXPECT_EQ(!WriteWmf(mf, false).isEmpty(), c.written);
}

INSTANTIATE_TEST_SUITE_P(Wmf, WmfSizeLimit,
                         ::testing::Values(TooLargeCase{32767, 10, true}, TooLargeCase{32768, 10, false},
                                           TooLargeCase{10, 40000, false}, TooLargeCase{0, 0, true}));

// ---- Records ------------------------------------------------------------

TEST(WmfWriter, RecordSequenceOfABarcodePicture)
{
    TMetafile mf(30, 20);
    mf.fillRect(QRect(0, 0, 30, 20), 0x00FFFFFF);
    mf.fillRect(QRect(3, 2, 1, 10), 0);
    mf.fillRect(QRect(5, 2, 2, 10), 0);
    mf.drawText(QPoint(3, 12), "123", PixelFont(12), 0);
    const Wmf wmf = ParseOk(mf);
    using namespace meta;
    std::vector<std::uint32_t> types;
    for (const Record &r : wmf.records)
        types.push_back(r.type);
    const std::vector<std::uint32_t> want{
        SETMAPMODE,        SETWINDOWORG, SETWINDOWEXT, SETBKMODE, SETTEXTALIGN,
        CREATEPENINDIRECT, SELECTOBJECT,                            // null pen
        CREATEBRUSHINDIRECT, SELECTOBJECT, POLYGON,                 // white background
        CREATEBRUSHINDIRECT, SELECTOBJECT, DELETEOBJECT, POLYGON, POLYGON, // black bars
        SETTEXTCOLOR,      CREATEFONTINDIRECT, SELECTOBJECT, EXTTEXTOUT,
        EOF_};
    EXPECT_EQ(types, want);
    const std::map<std::uint32_t, std::uint32_t> words{
        {SETMAPMODE, 4}, {SETWINDOWORG, 5}, {SETWINDOWEXT, 5}, {SETBKMODE, 5}, {SETTEXTALIGN, 5},
        {CREATEPENINDIRECT, 8}, {SELECTOBJECT, 4}, {CREATEBRUSHINDIRECT, 7}, {DELETEOBJECT, 4},
        {POLYGON, 12}, {SETTEXTCOLOR, 5}, {CREATEFONTINDIRECT, 28},
        {EXTTEXTOUT, 7 + 2 + 3}, // three bytes padded to two words, three Dx
        {EOF_, 3}};
    for (const Record &r : wmf.records)
        EXPECT_EQ(r.size, words.at(r.type)) << "function " << r.type;
    const Playback pb = PlayOk(wmf);
    EXPECT_EQ(pb.bkMode, 1u);    // TRANSPARENT
    EXPECT_EQ(pb.textAlign, 0u); // TA_TOP | TA_LEFT
    EXPECT_EQ(wmf.numberOfObjects, 3);
}

struct FillsCase {
    const char *name;
    std::vector<std::pair<QRect, TColor>> fills;
    std::vector<QRect> expected; // empty: as recorded
};

void PrintTo(const FillsCase &c, std::ostream *os) { *os << c.name; }

class WmfFills : public ::testing::TestWithParam<FillsCase> {};

TEST_P(WmfFills, PlayBackAsRecorded)
{
    const FillsCase &c = GetParam();
    TMetafile mf(32767, 100);
    for (const auto &[rect, color] : c.fills)
        mf.fillRect(rect, color);
    const Wmf wmf = ParseOk(mf);
    const Playback pb = PlayOk(wmf);
    std::vector<Fill> want;
    for (size_t i = 0; i < c.fills.size(); ++i)
        want.push_back({c.expected.empty() ? c.fills[i].first : c.expected[i], c.fills[i].second & 0x00FFFFFF});
    EXPECT_EQ(pb.fills, want);
    EXPECT_EQ(wmf.numberOfObjects, pb.objectSlots);
    EXPECT_LE(pb.objectSlots, 3) << "replaced brushes are deleted";
}

INSTANTIATE_TEST_SUITE_P(
    Wmf, WmfFills,
    ::testing::Values(
        FillsCase{"OneColour", {{QRect(0, 0, 1, 1), 0}, {QRect(2, 0, 3, 9), 0}, {QRect(9, 1, 4, 60), 0}}, {}},
        FillsCase{"ColourChanges",
                  {{QRect(0, 0, 90, 90), 0x00FFFFFF}, {QRect(1, 1, 1, 5), 0x000000FF}, {QRect(3, 1, 1, 5), 0x00FF0000},
                   {QRect(5, 1, 2, 5), 0x000000FF}, {QRect(8, 1, 1, 5), 0x00FFFFFF}},
                  {}},
        FillsCase{"CoordinatesClampedNotWrapped",
                  {{QRect(-40000, 0, 40010, 5), 0}, {QRect(32760, 0, 100, 5), 0}},
                  {QRect(-32768, 0, 32778, 5), QRect(32760, 0, 7, 5)}},
        FillsCase{"BitsAboveTheColourAreNotWritten", {{QRect(0, 0, 2, 2), 0xFF0000FF}}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

// Text: which code page each run goes out in, and what a reader gets back.
struct Run {
    int charSet;
    const char *text; // UTF-8 of what the run decodes to
};

struct TextCase {
    const char *name;
    const char *text;
    std::vector<Run> runs;
};

void PrintTo(const TextCase &c, std::ostream *os) { *os << c.name; }

class WmfText : public ::testing::TestWithParam<TextCase> {};

TEST_P(WmfText, RunsInWindowsCodePagesKeepCharactersAndAdvances)
{
    const TextCase &c = GetParam();
    TMetafile mf(400, 40);
    QFont font = PixelFont(13, "Noto Sans CJK JP");
    font.setBold(true);
    mf.drawText(QPoint(5, 7), QString::fromUtf8(c.text), font, 0x00336699);
    const TMetaRecord &rec = mf.records().front();
    const Wmf wmf = ParseOk(mf);
    const Playback pb = PlayOk(wmf);
    ASSERT_EQ(pb.texts.size(), c.runs.size());

    // The recorded advances per character (a surrogate pair is one).
    std::vector<int> advances;
    for (qsizetype i = 0; i < rec.text.size(); ++i) {
        const bool pair = rec.text.at(i).isHighSurrogate();
        advances.push_back(rec.advances[size_t(i)] + (pair ? rec.advances[size_t(i + 1)] : 0));
        i += pair ? 1 : 0;
    }
    size_t ch = 0;
    int x = 5;
    for (size_t k = 0; k < c.runs.size(); ++k) {
        SCOPED_TRACE("run " + std::to_string(k));
        const TextOut &t = pb.texts[k];
        EXPECT_EQ(t.charSet, c.runs[k].charSet);
        EXPECT_EQ(t.text, QString::fromUtf8(c.runs[k].text));
        EXPECT_EQ(t.pos, QPoint(x, 7));
        EXPECT_EQ(t.dx.size(), size_t(t.bytes.size())) << "one Dx per byte";
        ASSERT_EQ(t.charDx.size(), size_t(t.text.toUcs4().size()));
        for (int d : t.charDx) {
            ASSERT_LT(ch, advances.size());
            EXPECT_EQ(d, advances[ch]) << "character " << ch;
            x += advances[ch++];
        }
        EXPECT_EQ(t.color, 0x00336699u);
        EXPECT_EQ(t.height, -13);
        EXPECT_EQ(t.weight, 700);
        EXPECT_EQ(t.face, "Noto Sans CJK JP");
        EXPECT_EQ(t.options, 0u);
    }
    EXPECT_EQ(ch, advances.size()) << "every character is written once";
}

INSTANTIATE_TEST_SUITE_P(
    Wmf, WmfText,
    ::testing::Values(
        TextCase{"Digits", "4901234567894", {{0, "4901234567894"}}},
        TextCase{"WesternEuropean", "Zebrix ÄÖÜ é ß € ¥100", {{0, "Zebrix ÄÖÜ é ß € ¥100"}}},
        TextCase{"Japanese", "日本語のテキスト", {{128, "日本語のテキスト"}}},
        TextCase{"AsciiThenJapaneseIsOneRun", "ABC 日本", {{128, "ABC 日本"}}},
        TextCase{"GreekWithTonosThenCyrillic", "Ωμέγα Привет", {{161, "Ωμέγα "}, {128, "Привет"}}},
        TextCase{"Korean", "한국어 바코드", {{129, "한국어 바코드"}}},
        TextCase{"Hebrew", "שלום", {{177, "שלום"}}},
        TextCase{"CentralEuropean", "Łódź", {{238, "Łódź"}}},
        TextCase{"HalfWidthKatakanaThenKorean", "ｱｲ한국", {{128, "ｱｲ"}, {129, "한국"}}},
        TextCase{"NoCodePageHasIt", "A\U0001F600B", {{0, "A?B"}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WmfWriter, LongTextIsSplitIntoRecordsOfAtMost4096Bytes)
{
    const QString text = QString::fromUtf8("日本").repeated(1100); // 4400 bytes in Shift_JIS
    TMetafile mf(30000, 40);
    mf.drawText(QPoint(0, 0), text, PixelFont(12, "Noto Sans CJK JP"), 0);
    const Playback pb = PlayOk(ParseOk(mf));
    ASSERT_EQ(pb.texts.size(), 2u);
    QString back;
    for (const TextOut &t : pb.texts) {
        EXPECT_LE(t.bytes.size(), 4096);
        EXPECT_EQ(t.charSet, 128);
        back += t.text;
    }
    EXPECT_EQ(back, text);
}

TEST(WmfWriter, ImageIsA24BitDibOfTheSamePixels)
{
    QImage src(5, 3, QImage::Format_RGB888);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            src.setPixelColor(x, y, QColor(40 * x, 80 * y, 255 - 30 * x));
    TMetafile mf(20, 10);
    mf.drawImage(QPoint(6, 4), src);
    const Wmf wmf = ParseOk(mf);
    const Playback pb = PlayOk(wmf);
    ASSERT_EQ(pb.images.size(), 1u);
    const Picture &p = pb.images[0];
    EXPECT_EQ(p.dest, QRect(6, 4, 5, 3));
    EXPECT_EQ(p.src, QRect(0, 0, 5, 3));
    EXPECT_EQ(p.rop, 0x00CC0020u);
    EXPECT_EQ(p.usage, 0u);
    EXPECT_EQ(p.bitCount, 24);
    EXPECT_EQ(p.image, src);
    for (const Record &r : wmf.records) {
        if (r.type == meta::STRETCHDIB) {
            EXPECT_EQ(r.size, 3u + 11u + 20u + 3u * 16u / 2u);
        }
    }
}

// ---- LibreOffice ----------------------------------------------------------

using namespace oracle_pictures;

const std::vector<std::pair<const char *, const char *>> &ScriptTexts()
{
    static const std::vector<std::pair<const char *, const char *>> texts{
        {"western", "Zebrix ÄÖÜ é ß € ¥100"},
        {"japanese", "日本語のテキスト 4901234567894"},
        {"mixed", "ABC日本 Ωμέγα Привет"},
        {"korean", "한국어 바코드"},
        {"central", "Łódź Žluťoučký kůň"},
    };
    return texts;
}

TMetafile TextPicture(const char *text)
{
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(14);
    TMetafile mf(260, 24);
    mf.fillRect(QRect(0, 0, 260, 24), Background);
    mf.drawText(QPoint(2, 2), QString::fromUtf8(text), font, 0);
    return mf;
}

class WmfInLibreOffice : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_skip = libreoffice::Unavailable();
        if (!s_skip.isEmpty())
            return;
        DpiScope dpi(96);
        std::vector<libreoffice::Input> inputs;
        for (int scale : Scales)
            inputs.push_back({QString("ean-%1.wmf").arg(scale), WriteWmf(EanPicture(EanLayout{scale}), true)});
        for (const auto &[name, text] : ScriptTexts()) {
            inputs.push_back({QString("text-%1.emf").arg(name), WriteEmf(TextPicture(text))});
            inputs.push_back({QString("text-%1.wmf").arg(name), WriteWmf(TextPicture(text), true)});
        }
        s_pages = libreoffice::Render(inputs);
    }
    void SetUp() override
    {
        if (!s_skip.isEmpty())
            GTEST_SKIP() << s_skip.toStdString();
    }

    static constexpr int Scales[] = {1, 2, 3};
    static inline QString s_skip;
    static inline std::vector<libreoffice::Rendered> s_pages;
};

char BarOrBackground(QRgb c)
{
    if (IsDark(c))
        return '1';
    return (c & 0xFFFFFF) == (ToQColor(Background).rgb() & 0xFFFFFF) ? '0' : '?';
}

std::string Row(const QImage &img, int y)
{
    std::string s;
    for (int x = 0; x < img.width(); ++x)
        s += BarOrBackground(img.pixel(x, y));
    return s;
}

TEST_F(WmfInLibreOffice, BarsHaveExactWidthsAndPositionsAt96Dpi)
{
    for (size_t i = 0; i < std::size(Scales); ++i) {
        SCOPED_TRACE("scale " + std::to_string(Scales[i]));
        const EanLayout l{Scales[i]};
        const QImage &page = s_pages[i].page;
        ASSERT_FALSE(page.isNull()) << "LibreOffice did not convert the file";
        const QRect box = libreoffice::InkBox(page);
        ASSERT_EQ(box.size(), QSize(l.width(), l.height())) << "placed by the placeable header at 96 dpi";
        const QImage pic = page.copy(box);
        std::string bars, none(size_t(l.width()), '0');
        for (int x = 0; x < l.width(); ++x)
            bars += OnBar(l, x) ? '1' : '0';
        for (int y : {l.top, l.top + 1, l.top + l.barHeight / 2, l.top + l.barHeight - 1})
            EXPECT_EQ(Row(pic, y), bars) << "bar row " << y;
        for (int y : {0, l.top - 1, l.top + l.barHeight, l.textTop() - 1})
            EXPECT_EQ(Row(pic, y), none) << "row " << y << " outside the bars";
    }
}

TEST_F(WmfInLibreOffice, RenderedSymbolDecodes)
{
    for (size_t i = 0; i < std::size(Scales); ++i) {
        const QImage &page = s_pages[i].page;
        ASSERT_FALSE(page.isNull());
        const oracle::Decoded d =
            oracle::Decode(page.copy(libreoffice::InkBox(page)), ZXing::BarcodeFormat::EAN13);
        EXPECT_TRUE(d.ok) << "scale " << Scales[i];
        EXPECT_EQ(d.text, "4901234567894");
    }
}

TEST_F(WmfInLibreOffice, DigitsAreDrawnUnderTheBars)
{
    for (size_t i = 0; i < std::size(Scales); ++i) {
        const EanLayout l{Scales[i]};
        const QImage &page = s_pages[i].page;
        ASSERT_FALSE(page.isNull());
        const QImage pic = page.copy(libreoffice::InkBox(page));
        const int textWidth = QFontMetrics(TextFont()).horizontalAdvance("4901234567894");
        int dark = 0, stray = 0;
        for (int y = l.textTop(); y < l.height(); ++y)
            for (int x = 0; x < pic.width(); ++x)
                if (IsDark(pic.pixel(x, y)))
                    ++(x >= l.x0() - 1 && x <= l.x0() + textWidth + 1 ? dark : stray);
        EXPECT_GT(dark, 13 * 12) << "scale " << Scales[i];
        EXPECT_EQ(stray, 0) << "scale " << Scales[i];
    }
}

// The EMF carries the text in UTF-16; the WMF in Windows code pages. The
// same pixels from both mean every character came through.
TEST_F(WmfInLibreOffice, TextInCodePagesDrawsLikeTheUnicodeEmf)
{
    for (size_t k = 0; k < ScriptTexts().size(); ++k) {
        SCOPED_TRACE(ScriptTexts()[k].first);
        const QImage &emf = s_pages[std::size(Scales) + 2 * k].page;
        const QImage &wmf = s_pages[std::size(Scales) + 2 * k + 1].page;
        ASSERT_FALSE(emf.isNull());
        ASSERT_FALSE(wmf.isNull());
        const QImage a = emf.copy(libreoffice::InkBox(emf)), b = wmf.copy(libreoffice::InkBox(wmf));
        ASSERT_EQ(a.size(), QSize(260, 24));
        ASSERT_EQ(b.size(), QSize(260, 24));
        int dark = 0, differ = 0;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 260; ++x) {
                dark += IsDark(a.pixel(x, y));
                differ += a.pixel(x, y) != b.pixel(x, y);
            }
        }
        EXPECT_GT(dark, 60) << "the EMF shows no text";
        EXPECT_EQ(differ, 0);
    }
}

} // namespace
