// The Windows metafile writer, read back with an independent parser (its
// headers, images and LibreOffice's rendering: MetafileWritersTest.cpp).
#include "MetaParse.h"
#include "WmfWriter.h"

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

// ---- Headers ------------------------------------------------------------

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

} // namespace
