// What the enhanced and the Windows metafile writers have in common, one
// table over both kinds: the headers and images as device-independent
// bitmaps, read back with the independent parser; and what LibreOffice, the
// outside reader, draws of them.
#include "EmfWriter.h"
#include "LibreOffice.h"
#include "MetaParse.h"
#include "Oracle.h"
#include "OraclePictures.h"
#include "WmfWriter.h"

#include <QFontMetrics>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "PictureTestSupport.h"

using namespace metaparse;

namespace {

enum class Kind { Emf, Wmf };

const char *Name(Kind k) { return k == Kind::Emf ? "Emf" : "Wmf"; }

// The records and their playback, as a reader gets them.
struct Written {
    std::vector<Record> records;
    Playback playback;
};

Written Write(Kind kind, const TMetafile &mf)
{
    if (kind == Kind::Emf) {
        const Emf emf = ParseEmf(WriteEmf(mf));
        EXPECT_TRUE(emf.ok) << emf.error;
        return {emf.records, PlayEmf(emf)};
    }
    const Wmf wmf = ParseWmf(WriteWmf(mf, true));
    EXPECT_TRUE(wmf.ok) << wmf.error;
    return {wmf.records, PlayWmf(wmf)};
}

int Hundredths(int px, int dpi) { return int(std::lround(px * 2540.0 / dpi)); }

// ---- Headers --------------------------------------------------------------

struct HeaderCase {
    Kind kind;
    int dpi, width, height;
};

// A header field as written beside what it must be.
struct Field {
    const char *name;
    std::int64_t written, expected;
};

std::vector<Field> EmfHeaderFields(const HeaderCase &c, const TMetafile &mf)
{
    const QByteArray bytes = WriteEmf(mf);
    const Emf emf = ParseEmf(bytes);
    EXPECT_TRUE(emf.ok) << emf.error;
    const EmfHeader &h = emf.header;
    return {
        {"size", h.size, 108},
        {"bounds.left", h.bounds.left, 0}, {"bounds.top", h.bounds.top, 0},
        {"bounds.right", h.bounds.right, c.width - 1}, {"bounds.bottom", h.bounds.bottom, c.height - 1},
        {"frame.left", h.frame.left, 0}, {"frame.top", h.frame.top, 0},
        {"frame.right", h.frame.right, Hundredths(c.width, c.dpi) - 1},
        {"frame.bottom", h.frame.bottom, Hundredths(c.height, c.dpi) - 1},
        {"version", h.version, 0x00010000},
        {"bytes", h.bytes, bytes.size()},
        {"records", h.records, std::int64_t(emf.records.size())},
        {"handles: the metafile itself, one brush, one font", h.handles, 3},
        {"reserved", h.reserved, 0},
        {"nDescription", h.nDescription, 0}, {"offDescription", h.offDescription, 0},
        {"nPalEntries", h.nPalEntries, 0}, {"cbPixelFormat", h.cbPixelFormat, 0}, {"openGL", h.openGL, 0},
        // The reference device measures the same in pixels and in millimetres.
        {"device width: pixels against millimetres", h.deviceX * 254, c.dpi * h.millimetersX * 10},
        {"device height: pixels against millimetres", h.deviceY * 254, c.dpi * h.millimetersY * 10},
        {"micrometersX", h.micrometersX, h.millimetersX * 1000},
        {"micrometersY", h.micrometersY, h.millimetersY * 1000},
    };
}

std::vector<Field> WmfHeaderFields(const HeaderCase &c, const TMetafile &mf)
{
    const QByteArray bytes = WriteWmf(mf, true);
    const Wmf wmf = ParseWmf(bytes);
    EXPECT_TRUE(wmf.ok) << wmf.error;
    std::uint32_t largest = 0;
    for (const Record &r : wmf.records)
        largest = std::max(largest, r.size);
    const Playback pb = PlayWmf(wmf);
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    const TMetafilePict pict = MetafilePictFor(mf);
    return {
        {"placeable", wmf.placeable, true},
        {"bbox.left", wmf.bboxLeft, 0}, {"bbox.top", wmf.bboxTop, 0},
        {"bbox.right", wmf.bboxRight, c.width}, {"bbox.bottom", wmf.bboxBottom, c.height},
        {"inch", wmf.inch, c.dpi},
        {"checksum", wmf.checksum, wmf.checksumComputed},
        {"HWmf", qFromLittleEndian<quint16>(bytes.constData() + 4), 0},
        {"reserved", qFromLittleEndian<quint32>(bytes.constData() + 16), 0},
        {"type", wmf.type, 1},
        {"version", wmf.version, 0x0300},
        {"size in bytes after the placeable header", std::int64_t(wmf.sizeWords) * 2, bytes.size() - 22},
        {"numberOfMembers", wmf.numberOfMembers, 0},
        {"maxRecord", wmf.maxRecord, largest},
        {"numberOfObjects", wmf.numberOfObjects, pb.objectSlots},
        {"map mode: MM_ANISOTROPIC", pb.mapMode, 8},
        {"window origin x", pb.windowOrg.x(), 0}, {"window origin y", pb.windowOrg.y(), 0},
        {"window extent x", pb.windowExt.x(), c.width}, {"window extent y", pb.windowExt.y(), c.height},
        {"METAFILEPICT mm", pict.mm, 8},
        {"METAFILEPICT xExt", pict.xExt, Hundredths(c.width, c.dpi)},
        {"METAFILEPICT yExt", pict.yExt, Hundredths(c.height, c.dpi)},
    };
}

class MetafileHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(MetafileHeaders, DescribeThePictureAndTheReferenceDevice)
{
    const HeaderCase &c = GetParam();
    DpiScope dpi(c.dpi);
    TMetafile mf(c.width, c.height);
    mf.fillRect(QRect(0, 0, c.width, c.height), 0x00FFFFFF);
    mf.fillRect(QRect(2, 2, 1, 5), 0);
    mf.drawText(QPoint(1, 1), "12", PixelFont(12), 0);
    for (const Field &f : c.kind == Kind::Emf ? EmfHeaderFields(c, mf) : WmfHeaderFields(c, mf))
        EXPECT_EQ(f.written, f.expected) << f.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MetafileHeaders,
    ::testing::Values(HeaderCase{Kind::Emf, 96, 117, 106}, HeaderCase{Kind::Emf, 96, 1, 1},
                      HeaderCase{Kind::Emf, 120, 117, 106}, HeaderCase{Kind::Emf, 144, 400, 90},
                      HeaderCase{Kind::Emf, 96, 32768, 200}, HeaderCase{Kind::Wmf, 96, 117, 106},
                      HeaderCase{Kind::Wmf, 120, 117, 106}, HeaderCase{Kind::Wmf, 96, 1, 1},
                      HeaderCase{Kind::Wmf, 144, 32767, 32767}),
    [](const auto &info) {
        const HeaderCase &c = info.param;
        return std::string(Name(c.kind)) + "_" + std::to_string(c.width) + "x" + std::to_string(c.height) + "_at_"
            + std::to_string(c.dpi) + "dpi";
    });

// ---- Images ---------------------------------------------------------------

struct ImageCase {
    Kind kind;
    std::uint32_t record, size;   // the bitmap's record and its size (EMF: bytes, WMF: words)
};

class MetafileImages : public ::testing::TestWithParam<ImageCase> {};

TEST_P(MetafileImages, AreA24BitDibOfTheSamePixels)
{
    const ImageCase &c = GetParam();
    QImage src(5, 3, QImage::Format_RGB888); // 15 bytes a row: padded to 16
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            src.setPixelColor(x, y, QColor(40 * x, 80 * y, 255 - 30 * x));
    TMetafile mf(20, 10);
    mf.drawImage(QPoint(6, 4), src);
    const Written w = Write(c.kind, mf);
    const Playback &pb = w.playback;
    EXPECT_TRUE(pb.problems.empty()) << pb.problems.front();
    ASSERT_EQ(pb.images.size(), 1u);
    const Picture &p = pb.images[0];
    EXPECT_EQ(p.dest, QRect(6, 4, 5, 3));
    EXPECT_EQ(p.src, QRect(0, 0, 5, 3));
    EXPECT_EQ(p.rop, 0x00CC0020u); // SRCCOPY
    EXPECT_EQ(p.usage, 0u);        // DIB_RGB_COLORS
    EXPECT_EQ(p.bitCount, 24);
    EXPECT_EQ(p.image, src);
    const auto bitmap = std::find_if(w.records.begin(), w.records.end(),
                                     [&](const Record &r) { return r.type == c.record; });
    ASSERT_NE(bitmap, w.records.end());
    EXPECT_EQ(bitmap->size, c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MetafileImages,
    ::testing::Values(ImageCase{Kind::Emf, emr::STRETCHDIBITS, 80 + 40 + 16 * 3},      // fixed part, header, rows
                      ImageCase{Kind::Wmf, meta::STRETCHDIB, 3 + 11 + 20 + 3 * 16 / 2}), // the same in words
    [](const auto &info) { return std::string(Name(info.param.kind)); });

// ---- LibreOffice ----------------------------------------------------------

using namespace oracle_pictures;

class MetafilesInLibreOffice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const QString why = libreoffice::Unavailable(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
    }
};

// Pictures named by their files (.emf or .wmf), converted in one soffice
// call: one result each, in order.
std::vector<libreoffice::Rendered> Convert(const std::vector<std::pair<QString, TMetafile>> &pictures)
{
    std::vector<libreoffice::Input> inputs;
    for (const auto &[name, mf] : pictures)
        inputs.push_back({name, name.endsWith(".emf") ? WriteEmf(mf) : WriteWmf(mf, true)});
    return libreoffice::Render(inputs);
}

struct EanPage {
    std::string name;
    EanLayout layout;
    QImage page;   // null when the conversion failed
};

// The EAN-13 picture at three scales in both kinds, converted once a run.
const std::vector<EanPage> &EanPages()
{
    static const std::vector<EanPage> pages = [] {
        DpiScope dpi(96);
        std::vector<EanPage> p;
        std::vector<std::pair<QString, TMetafile>> pictures;
        for (const char *kind : {"emf", "wmf"}) {
            for (int scale : {1, 2, 3}) {
                p.push_back({"ean-" + std::to_string(scale) + "." + kind, EanLayout{scale}, {}});
                pictures.emplace_back(QString::fromStdString(p.back().name), EanPicture(p.back().layout));
            }
        }
        const std::vector<libreoffice::Rendered> rendered = Convert(pictures);
        for (size_t i = 0; i < p.size(); ++i)
            p[i].page = rendered[i].page;
        return p;
    }();
    return pages;
}

// Bars '1', background '0', anything else '?'.
std::string Row(const QImage &img, int y)
{
    std::string s;
    for (int x = 0; x < img.width(); ++x) {
        const QRgb c = img.pixel(x, y);
        s += IsDark(c) ? '1' : (c & 0xFFFFFF) == (ToQColor(Background).rgb() & 0xFFFFFF) ? '0' : '?';
    }
    return s;
}

TEST_F(MetafilesInLibreOffice, BarsHaveExactWidthsAndPositionsAt96Dpi)
{
    for (const EanPage &p : EanPages()) {
        SCOPED_TRACE(p.name);
        const EanLayout &l = p.layout;
        ASSERT_FALSE(p.page.isNull()) << "LibreOffice did not convert the file";
        const QRect box = libreoffice::InkBox(p.page);
        ASSERT_EQ(box.size(), QSize(l.width(), l.height())) << "placed by its frame (EMF), its placeable header (WMF)";
        const QImage pic = p.page.copy(box);
        std::string bars, none(size_t(l.width()), '0');
        for (int x = 0; x < l.width(); ++x)
            bars += OnBar(l, x) ? '1' : '0';
        for (int y : {l.top, l.top + 1, l.top + l.barHeight / 2, l.top + l.barHeight - 1})
            EXPECT_EQ(Row(pic, y), bars) << "bar row " << y;
        for (int y : {0, l.top - 1, l.top + l.barHeight, l.textTop() - 1})
            EXPECT_EQ(Row(pic, y), none) << "row " << y << " outside the bars";
    }
}

TEST_F(MetafilesInLibreOffice, RenderedSymbolDecodes)
{
    for (const EanPage &p : EanPages()) {
        ASSERT_FALSE(p.page.isNull()) << p.name;
        const oracle::Decoded d = oracle::Decode(p.page.copy(libreoffice::InkBox(p.page)), ZXing::BarcodeFormat::EAN13);
        EXPECT_TRUE(d.ok) << p.name;
        EXPECT_EQ(d.text, "4901234567894") << p.name;
    }
}

TEST_F(MetafilesInLibreOffice, DigitsAreDrawnUnderTheBars)
{
    for (const EanPage &p : EanPages()) {
        const EanLayout &l = p.layout;
        ASSERT_FALSE(p.page.isNull()) << p.name;
        const QImage pic = p.page.copy(libreoffice::InkBox(p.page));
        const int textWidth = QFontMetrics(TextFont()).horizontalAdvance("4901234567894");
        int dark = 0, stray = 0;
        for (int y = l.textTop(); y < l.height(); ++y)
            for (int x = 0; x < pic.width(); ++x)
                if (IsDark(pic.pixel(x, y)))
                    ++(x >= l.x0() - 1 && x <= l.x0() + textWidth + 1 ? dark : stray);
        EXPECT_GT(dark, 13 * 12) << p.name << ": too little ink where the digits go";
        EXPECT_EQ(stray, 0) << p.name << ": ink beside the text";
    }
}

// The bitmap lands on its rectangle give or take the renderer's resampling
// at a fractional page position: nothing outside it grown by a pixel, and
// its inner part covered.
TEST_F(MetafilesInLibreOffice, EmfImageKeepsItsPixelsAndPlace)
{
    DpiScope dpi(96);
    QImage img(5, 4, QImage::Format_RGB888);
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::black, Qt::white, Qt::cyan, Qt::magenta};
    for (int i = 0; i < 20; ++i)
        img.setPixelColor(i % 5, i / 5, colours[i % 7]);
    const QRect where(QPoint(3, 2), img.size());
    TMetafile mf(12, 9);
    mf.fillRect(QRect(0, 0, 12, 9), Background);
    mf.drawImage(where.topLeft(), img);
    const libreoffice::Rendered r = Convert({{"image.emf", mf}}).front();
    ASSERT_FALSE(r.page.isNull());
    ASSERT_EQ(r.bitmaps.size(), 1u);
    EXPECT_EQ(r.bitmaps[0], img) << "the DIB's rows, colour order or padding were misread";
    const QRect box = libreoffice::InkBox(r.page);
    EXPECT_EQ(box.size(), QSize(12, 9)) << "the picture is placed by its frame at 96 dpi";
    const QImage pic = r.page.copy(box);
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

// The EMF carries the text in UTF-16; the WMF in Windows code pages. The
// same pixels from both mean every character came through.
TEST_F(MetafilesInLibreOffice, WmfTextInCodePagesDrawsLikeTheUnicodeEmf)
{
    const std::pair<const char *, const char *> texts[] = {
        {"western", "Zebrix ÄÖÜ é ß € ¥100"},
        {"japanese", "日本語のテキスト 4901234567894"},
        {"mixed", "ABC日本 Ωμέγα Привет"},
        {"korean", "한국어 바코드"},
        {"central", "Łódź Žluťoučký kůň"},
    };
    DpiScope dpi(96);
    std::vector<std::pair<QString, TMetafile>> pictures;
    for (const auto &[name, text] : texts) {
        TMetafile mf(260, 24);
        mf.fillRect(QRect(0, 0, 260, 24), Background);
        mf.drawText(QPoint(2, 2), QString::fromUtf8(text), PixelFont(14, "Noto Sans CJK JP"), 0);
        for (const char *kind : {"emf", "wmf"})
            pictures.emplace_back(QString("text-%1.%2").arg(name, kind), mf);
    }
    const std::vector<libreoffice::Rendered> pages = Convert(pictures);
    for (size_t k = 0; k < std::size(texts); ++k) {
        SCOPED_TRACE(texts[k].first);
        const QImage &emf = pages[2 * k].page, &wmf = pages[2 * k + 1].page;
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
