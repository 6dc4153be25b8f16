// The enhanced metafile writer, read back with an independent parser (its
// headers, images and LibreOffice's rendering: MetafileWritersTest.cpp).
#include "EmfWriter.h"
#include "MetaParse.h"

#include <climits>
#include <map>
#include <gtest/gtest.h>

#include "PictureTestSupport.h"

using namespace metaparse;

namespace {

Emf ParseOk(const TMetafile &mf)
{
    const QByteArray bytes = WriteEmf(mf);
    Emf emf = ParseEmf(bytes);
    EXPECT_TRUE(emf.ok) << emf.error;
    return emf;
}

std::vector<std::uint32_t> Types(const Emf &emf)
{
    std::vector<std::uint32_t> t;
    for (const Record &r : emf.records)
        t.push_back(r.type);
    return t;
}

// ---- Header ---------------------------------------------------------------

TEST(EmfWriter, EmptyPictureIsStillAWellFormedMetafile)
{
    const Emf emf = ParseOk(TMetafile());
    EXPECT_EQ(emf.header.bounds, (RectL{0, 0, -1, -1}));
    EXPECT_EQ(emf.header.handles, 1u);
    EXPECT_EQ(Types(emf), (std::vector<std::uint32_t>{emr::HEADER, emr::SETBKMODE, emr::SETTEXTALIGN,
                                                       emr::SELECTOBJECT, emr::EOF_}));
    const Record &eof = emf.records.back();
    EXPECT_EQ(eof.size, 20u);
    EXPECT_EQ(eof.u32(8), 0u);   // no palette
    EXPECT_EQ(eof.u32(16), 20u); // SizeLast
}

// ---- Records --------------------------------------------------------------

TEST(EmfWriter, RecordSequenceOfABarcodePicture)
{
    TMetafile mf(30, 20);
    mf.fillRect(QRect(0, 0, 30, 20), 0x00FFFFFF);
    mf.fillRect(QRect(3, 2, 1, 10), 0);
    mf.fillRect(QRect(5, 2, 2, 10), 0);
    mf.drawText(QPoint(3, 12), "123", PixelFont(12), 0);
    const Emf emf = ParseOk(mf);
    using namespace emr;
    const std::vector<std::uint32_t> want{
        HEADER,        SETBKMODE,    SETTEXTALIGN,  SELECTOBJECT, // null pen
        CREATEBRUSHINDIRECT, SELECTOBJECT, POLYGON16,             // white background
        SELECTOBJECT,  DELETEOBJECT, CREATEBRUSHINDIRECT, SELECTOBJECT, POLYGON16, POLYGON16, // black bars
        EXTCREATEFONTINDIRECTW, SELECTOBJECT, SETTEXTCOLOR, EXTTEXTOUTW,
        SELECTOBJECT,  DELETEOBJECT, SELECTOBJECT, DELETEOBJECT,  // release brush and font
        EOF_};
    EXPECT_EQ(Types(emf), want);
    const std::map<std::uint32_t, std::uint32_t> sizes{
        {HEADER, 108}, {SETBKMODE, 12}, {SETTEXTALIGN, 12}, {SELECTOBJECT, 12}, {CREATEBRUSHINDIRECT, 24},
        {DELETEOBJECT, 12}, {POLYGON16, 44}, {EXTCREATEFONTINDIRECTW, 104}, {SETTEXTCOLOR, 12},
        {EXTTEXTOUTW, 76 + 8 + 12}, // three UTF-16 units padded to 8 bytes, three Dx
        {EOF_, 20}};
    for (const Record &r : emf.records)
        EXPECT_EQ(r.size, sizes.at(r.type)) << "record type " << r.type;
    const Playback pb = PlayEmf(emf);
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    EXPECT_EQ(pb.bkMode, 1u);    // TRANSPARENT
    EXPECT_EQ(pb.textAlign, 0u); // TA_TOP | TA_LEFT
    EXPECT_EQ(pb.objectsLeft, 0);
}

struct FillsCase {
    const char *name;
    std::vector<std::pair<QRect, TColor>> fills;
};

void PrintTo(const FillsCase &c, std::ostream *os) { *os << c.name; }

class EmfFills : public ::testing::TestWithParam<FillsCase> {};

TEST_P(EmfFills, PlayBackAsRecorded)
{
    TMetafile mf(50000, 100);
    for (const auto &[rect, color] : GetParam().fills)
        mf.fillRect(rect, color);
    const Emf emf = ParseOk(mf);
    const Playback pb = PlayEmf(emf);
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    std::vector<Fill> want;
    for (const auto &[rect, color] : GetParam().fills)
        want.push_back({rect, color & 0x00FFFFFF});
    EXPECT_EQ(pb.fills, want);
    EXPECT_EQ(emf.header.handles, std::uint32_t(pb.objectSlots));
    EXPECT_EQ(pb.objectsLeft, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Emf, EmfFills,
    ::testing::Values(
        FillsCase{"OneColour", {{QRect(0, 0, 1, 1), 0}, {QRect(2, 0, 3, 9), 0}, {QRect(9, 1, 4, 60), 0}}},
        FillsCase{"ColourChanges",
                  {{QRect(0, 0, 90, 90), 0x00FFFFFF}, {QRect(1, 1, 1, 5), 0x000000FF}, {QRect(3, 1, 1, 5), 0x00FF0000},
                   {QRect(5, 1, 2, 5), 0x000000FF}, {QRect(8, 1, 1, 5), 0x000000FF}}},
        FillsCase{"NegativeAndFarCoordinates",
                  {{QRect(-5, -5, 10, 10), 0}, {QRect(40000, 3, 2, 50), 0}, {QRect(32766, 0, 1, 1), 0}}},
        FillsCase{"BitsAboveTheColourAreNotWritten", {{QRect(0, 0, 2, 2), 0xFF0000FF}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EmfWriter, CoordinatesAtTheEndsOfTheIntegerRangeAreWrittenWithoutOverflow)
{
    TMetafile mf(-3, -4); // a nonsense size reads as an empty picture
    mf.fillRect(QRect(QPoint(INT_MAX - 9, INT_MAX - 9), QPoint(INT_MAX, INT_MAX)), 0);
    mf.drawText(QPoint(INT_MAX - 1, INT_MAX - 1), "12", PixelFont(12), 0);
    QImage img(4, 4, QImage::Format_RGB888);
    img.fill(Qt::red);
    mf.drawImage(QPoint(INT_MAX - 4, INT_MAX - 4), img);
    const Emf emf = ParseOk(mf);
    EXPECT_EQ(emf.header.bounds, (RectL{0, 0, -1, -1}));
    const Playback pb = PlayEmf(emf);
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    ASSERT_EQ(pb.fills.size(), 1u);
    EXPECT_EQ(pb.fills[0].rect.topLeft(), QPoint(INT_MAX - 9, INT_MAX - 9));
    ASSERT_EQ(pb.images.size(), 1u);
    EXPECT_EQ(pb.images[0].image, img);
}

TEST(EmfWriter, FarCoordinatesUse32BitPolygons)
{
    TMetafile mf(50000, 10);
    mf.fillRect(QRect(3, 0, 1, 5), 0);
    mf.fillRect(QRect(40000, 0, 1, 5), 0);
    const Emf emf = ParseOk(mf);
    std::vector<std::uint32_t> polys;
    for (const Record &r : emf.records)
        if (r.type == emr::POLYGON16 || r.type == emr::POLYGON)
            polys.push_back(r.type);
    EXPECT_EQ(polys, (std::vector<std::uint32_t>{emr::POLYGON16, emr::POLYGON}));
}

struct TextCase {
    const char *name;
    const char *text;
    const char *family;
    int pixels;
    bool bold, italic, underline, strikeOut;
    TColor color;
};

void PrintTo(const TextCase &c, std::ostream *os) { *os << c.name; }

class EmfText : public ::testing::TestWithParam<TextCase> {};

TEST_P(EmfText, CarriesStringAdvancesFontAndColour)
{
    const TextCase &c = GetParam();
    QFont font = PixelFont(c.pixels, c.family);
    font.setBold(c.bold);
    font.setItalic(c.italic);
    font.setUnderline(c.underline);
    font.setStrikeOut(c.strikeOut);
    TMetafile mf(300, 60);
    mf.drawText(QPoint(7, 9), QString::fromUtf8(c.text), font, c.color);
    const TMetaRecord &rec = mf.records().front();
    const Emf emf = ParseOk(mf);
    const Playback pb = PlayEmf(emf);
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    ASSERT_EQ(pb.texts.size(), 1u);
    const TextOut &t = pb.texts[0];
    EXPECT_EQ(t.text, rec.text);
    EXPECT_EQ(t.dx, rec.advances);
    EXPECT_EQ(t.pos, QPoint(7, 9));
    EXPECT_EQ(t.color, c.color);
    EXPECT_EQ(t.height, -rec.font.PixelSize);
    EXPECT_EQ(t.width, 0);
    EXPECT_EQ(t.weight, c.bold ? 700 : 400);
    EXPECT_EQ(t.italic, c.italic);
    EXPECT_EQ(t.underline, c.underline);
    EXPECT_EQ(t.strikeOut, c.strikeOut);
    EXPECT_EQ(t.face, rec.font.Family.left(31));
    EXPECT_EQ(t.charSet, 1); // DEFAULT_CHARSET: the text is Unicode
    EXPECT_EQ(t.options, 0u);
    // The record's fixed part: compatible graphics mode, scale to 0.01 mm.
    const Record *r = nullptr;
    for (const Record &x : emf.records)
        if (x.type == emr::EXTTEXTOUTW)
            r = &x;
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->u32(24), 1u);
    EXPECT_FLOAT_EQ(r->f32(28), float(2540.0 / ReferenceDpi()));
    EXPECT_EQ(r->u32(48), 76u); // string right after the fixed part
}

INSTANTIATE_TEST_SUITE_P(
    Emf, EmfText,
    ::testing::Values(TextCase{"Digits", "4901234567894", "DejaVu Sans", 12, false, false, false, false, 0},
                      TextCase{"StyledAndColoured", "Zebrix", "DejaVu Sans", 20, true, true, true, true, 0x000080FF},
                      TextCase{"Japanese", "日本語のテキスト", "Noto Sans CJK JP", 12, false, false, false, false, 0},
                      TextCase{"BeyondTheBmp", "A\U0001F600B", "DejaVu Sans", 12, false, false, false, false, 0},
                      TextCase{"LongFaceName", "x", "A Face Name Longer Than Thirty One Units", 12, false, false,
                               false, false, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EmfWriter, FontAndTextColourAreWrittenOnlyWhenTheyChange)
{
    TMetafile mf(100, 60);
    mf.drawText(QPoint(0, 0), "a", PixelFont(12), 0);
    mf.drawText(QPoint(0, 20), "b", PixelFont(12), 0);
    mf.drawText(QPoint(0, 40), "c", PixelFont(14), 0x000000FF);
    const Emf emf = ParseOk(mf);
    int fonts = 0, colours = 0;
    for (const Record &r : emf.records) {
        fonts += r.type == emr::EXTCREATEFONTINDIRECTW;
        colours += r.type == emr::SETTEXTCOLOR;
    }
    EXPECT_EQ(fonts, 2);
    EXPECT_EQ(colours, 2);
    const Playback pb = PlayEmf(emf);
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    ASSERT_EQ(pb.texts.size(), 3u);
    EXPECT_EQ(pb.texts[2].height, -14);
    EXPECT_EQ(pb.texts[2].color, 0x000000FFu);
}

} // namespace
