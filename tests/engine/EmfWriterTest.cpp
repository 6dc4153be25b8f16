// The enhanced metafile writer: read back with an independent parser, and
// rendered by LibreOffice as the outside reader.
#include "EmfWriter.h"
#include "LibreOffice.h"
#include "MetaParse.h"
#include "Oracle.h"
#include "OraclePictures.h"

#include <QFontMetrics>
#include <climits>
#include <cmath>
#include <functional>
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

int Hundredths(int px, int dpi)
{
    return int(std::lround(px * 2540.0 / dpi));
}

// ---- Header ---------------------------------------------------------------

struct HeaderCase {
    int dpi, width, height;
};

void PrintTo(const HeaderCase &c, std::ostream *os) { *os << c.width << "x" << c.height << " at " << c.dpi << " dpi"; }

class EmfHeaderFields : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(EmfHeaderFields, DescribeThePictureAndTheReferenceDevice)
{
    const HeaderCase &c = GetParam();
    DpiScope dpi(c.dpi);
    TMetafile mf(c.width, c.height);
    mf.fillRect(QRect(0, 0, c.width, c.height), 0x00FFFFFF);
    mf.fillRect(QRect(2, 2, 1, 5), 0);
    mf.drawText(QPoint(1, 1), "12", PixelFont(12), 0);
    const QByteArray bytes = WriteEmf(mf);
    const Emf emf = ParseEmf(bytes);
    ASSERT_TRUE(emf.ok) << emf.error;
    const EmfHeader &h = emf.header;
    EXPECT_EQ(h.size, 108u);
    EXPECT_EQ(h.bounds, (RectL{0, 0, c.width - 1, c.height - 1}));
    EXPECT_EQ(h.frame, (RectL{0, 0, Hundredths(c.width, c.dpi) - 1, Hundredths(c.height, c.dpi) - 1}));
    EXPECT_EQ(h.version, 0x00010000u);
    EXPECT_EQ(h.bytes, std::uint32_t(bytes.size()));
    EXPECT_EQ(h.records, std::uint32_t(emf.records.size()));
    EXPECT_EQ(h.handles, 3u); // the metafile itself, one brush, one font
    EXPECT_EQ(h.reserved, 0u);
    EXPECT_EQ(h.nDescription, 0u);
    EXPECT_EQ(h.offDescription, 0u);
    EXPECT_EQ(h.nPalEntries, 0u);
    EXPECT_EQ(h.cbPixelFormat, 0u);
    EXPECT_EQ(h.openGL, 0u);
    // The reference device measures the same in pixels and in millimetres.
    EXPECT_EQ(h.deviceX * 254, c.dpi * h.millimetersX * 10);
    EXPECT_EQ(h.deviceY * 254, c.dpi * h.millimetersY * 10);
    EXPECT_EQ(h.micrometersX, h.millimetersX * 1000);
    EXPECT_EQ(h.micrometersY, h.millimetersY * 1000);
}

INSTANTIATE_TEST_SUITE_P(Emf, EmfHeaderFields,
                         ::testing::Values(HeaderCase{96, 117, 106}, HeaderCase{96, 1, 1}, HeaderCase{120, 117, 106},
                                           HeaderCase{144, 400, 90}, HeaderCase{96, 32768, 200}));

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

TEST(EmfWriter, ImageIsA24BitDibOfTheSamePixels)
{
    QImage src(5, 3, QImage::Format_RGB888); // 15 bytes a row: padded to 16
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            src.setPixelColor(x, y, QColor(40 * x, 80 * y, 255 - 30 * x));
    TMetafile mf(20, 10);
    mf.drawImage(QPoint(6, 4), src);
    const Emf emf = ParseOk(mf);
    const Playback pb = PlayEmf(emf);
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    ASSERT_EQ(pb.images.size(), 1u);
    const Picture &p = pb.images[0];
    EXPECT_EQ(p.dest, QRect(6, 4, 5, 3));
    EXPECT_EQ(p.src, QRect(0, 0, 5, 3));
    EXPECT_EQ(p.rop, 0x00CC0020u); // SRCCOPY
    EXPECT_EQ(p.usage, 0u);        // DIB_RGB_COLORS
    EXPECT_EQ(p.bitCount, 24);
    EXPECT_EQ(p.image, src);
    for (const Record &r : emf.records) {
        if (r.type == emr::STRETCHDIBITS) {
            EXPECT_EQ(r.size, 80u + 40u + 16u * 3u);
        }
    }
}

// ---- LibreOffice ----------------------------------------------------------

using namespace oracle_pictures;

// Every picture is converted in one soffice call for the whole suite.
class EmfInLibreOffice : public ::testing::Test
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
            inputs.push_back({QString("ean-%1.emf").arg(scale), WriteEmf(EanPicture(EanLayout{scale}))});
        inputs.push_back({"image.emf", WriteEmf(ImagePicture())});
        s_pages = libreoffice::Render(inputs);
    }
    void SetUp() override
    {
        if (!s_skip.isEmpty())
            GTEST_SKIP() << s_skip.toStdString();
    }

    static TMetafile ImagePicture()
    {
        TMetafile mf(12, 9);
        mf.fillRect(QRect(0, 0, 12, 9), Background);
        mf.drawImage(QPoint(3, 2), Image());
        return mf;
    }
    static QImage Image()
    {
        QImage img(5, 4, QImage::Format_RGB888);
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::black, Qt::white, Qt::cyan, Qt::magenta};
        for (int i = 0; i < 20; ++i)
            img.setPixelColor(i % 5, i / 5, colours[i % 7]);
        return img;
    }

    static constexpr int Scales[] = {1, 2, 3};
    static inline QString s_skip;
    static inline std::vector<libreoffice::Rendered> s_pages;
};

// The picture's own pixels cut out of the rendered page.
QImage Cut(const QImage &page, QSize expected)
{
    const QRect box = libreoffice::InkBox(page);
    EXPECT_EQ(box.size(), expected) << "the picture is placed by its frame at 96 dpi";
    return page.copy(box);
}

std::string Row(const QImage &img, int y, const std::function<char(QRgb)> &classify)
{
    std::string s;
    for (int x = 0; x < img.width(); ++x)
        s += classify(img.pixel(x, y));
    return s;
}

// Bars '1', background '0', anything else '?'.
char BarOrBackground(QRgb c)
{
    if (IsDark(c))
        return '1';
    return (c & 0xFFFFFF) == (ToQColor(Background).rgb() & 0xFFFFFF) ? '0' : '?';
}

void ExpectEanGeometry(const QImage &page, const EanLayout &l)
{
    ASSERT_FALSE(page.isNull()) << "LibreOffice did not convert the file";
    const QImage pic = Cut(page, QSize(l.width(), l.height()));
    std::string bars, none(size_t(l.width()), '0');
    for (int x = 0; x < l.width(); ++x)
        bars += OnBar(l, x) ? '1' : '0';
    for (int y : {l.top, l.top + 1, l.top + l.barHeight / 2, l.top + l.barHeight - 1})
        EXPECT_EQ(Row(pic, y, BarOrBackground), bars) << "bar row " << y;
    for (int y : {0, l.top - 1, l.top + l.barHeight, l.textTop() - 1})
        EXPECT_EQ(Row(pic, y, BarOrBackground), none) << "row " << y << " outside the bars";
}

void ExpectDecodes(const QImage &page, const EanLayout &l)
{
    ASSERT_FALSE(page.isNull());
    const QImage pic = page.copy(libreoffice::InkBox(page));
    const oracle::Decoded d = oracle::Decode(pic, ZXing::BarcodeFormat::EAN13);
    EXPECT_TRUE(d.ok) << "scale " << l.scale;
    EXPECT_EQ(d.text, "4901234567894");
}

void ExpectTextUnderBars(const QImage &page, const EanLayout &l)
{
    ASSERT_FALSE(page.isNull());
    const QImage pic = page.copy(libreoffice::InkBox(page));
    const int textWidth = QFontMetrics(TextFont()).horizontalAdvance("4901234567894");
    int dark = 0, stray = 0;
    for (int y = l.textTop(); y < l.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            if (!IsDark(pic.pixel(x, y)))
                continue;
            if (x >= l.x0() - 1 && x <= l.x0() + textWidth + 1)
                ++dark;
            else
                ++stray;
        }
    }
    EXPECT_GT(dark, 13 * 12) << "too little ink where the digits go";
    EXPECT_EQ(stray, 0) << "ink beside the text";
}

// The bitmap lands on its rectangle give or take the renderer's resampling
// at a fractional page position: nothing outside it grown by a pixel, and
// its inner part covered.
void ExpectImagePlaced(const QImage &page, QSize pictureSize, const QRect &where)
{
    const QImage pic = Cut(page, pictureSize);
    const QRgb bg = ToQColor(Background).rgb() & 0xFFFFFF;
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            const bool painted = (pic.pixel(x, y) & 0xFFFFFF) != bg;
            if (!where.adjusted(-1, -1, 1, 1).contains(x, y)) {
                EXPECT_FALSE(painted) << "bitmap ink at " << x << "," << y;
            } else if (where.adjusted(1, 1, -1, -1).contains(x, y)) {
                EXPECT_TRUE(painted) << "no bitmap at " << x << "," << y;
            }
        }
    }
}

TEST_F(EmfInLibreOffice, BarsHaveExactWidthsAndPositionsAt96Dpi)
{
    for (size_t i = 0; i < std::size(Scales); ++i) {
        SCOPED_TRACE("scale " + std::to_string(Scales[i]));
        ExpectEanGeometry(s_pages[i].page, EanLayout{Scales[i]});
    }
}

TEST_F(EmfInLibreOffice, RenderedSymbolDecodes)
{
    for (size_t i = 0; i < std::size(Scales); ++i)
        ExpectDecodes(s_pages[i].page, EanLayout{Scales[i]});
}

TEST_F(EmfInLibreOffice, DigitsAreDrawnUnderTheBars)
{
    for (size_t i = 0; i < std::size(Scales); ++i) {
        SCOPED_TRACE("scale " + std::to_string(Scales[i]));
        ExpectTextUnderBars(s_pages[i].page, EanLayout{Scales[i]});
    }
}

TEST_F(EmfInLibreOffice, ImageKeepsItsPixelsAndPlace)
{
    const libreoffice::Rendered &r = s_pages[std::size(Scales)];
    ASSERT_FALSE(r.page.isNull());
    ASSERT_EQ(r.bitmaps.size(), 1u);
    EXPECT_EQ(r.bitmaps[0], Image()) << "the DIB's rows, colour order or padding were misread";
    ExpectImagePlaced(r.page, QSize(12, 9), QRect(QPoint(3, 2), Image().size()));
}

} // namespace
