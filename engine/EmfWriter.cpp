#include "EmfWriter.h"

#include <QFontMetrics>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

// The enhanced metafile is a sequence of little-endian records, each
// starting with its type and its size in bytes (a multiple of 4). Zebrix
// writes a small, fixed vocabulary:
//
//   EMR_HEADER                   picture bounds (pixels) and frame (0.01 mm)
//   EMR_SETBKMODE transparent    text leaves the background as it is
//   EMR_SETTEXTALIGN top-left    text positions are top-left corners
//   EMR_SELECTOBJECT NULL_PEN    fills have no outline
//   EMR_CREATEBRUSHINDIRECT, EMR_SELECTOBJECT, EMR_POLYGON16   fills
//                                (EMR_POLYGON beyond 16-bit coordinates)
//   EMR_EXTCREATEFONTINDIRECTW, EMR_SETTEXTCOLOR, EMR_EXTTEXTOUTW  text
//   EMR_STRETCHDIBITS            images, as 24-bit DIBs
//   EMR_DELETEOBJECT, EMR_EOF
//
// Fills are four-point polygons without a pen rather than EMR_RECTANGLE:
// GDI draws a pen-less Rectangle one pixel short on the right and at the
// bottom, while LibreOffice fills right - left pixels of the same box, so no
// rectangle coordinates suit both. A pen-less polygon fills exactly
// [left, right) x [top, bottom) in both, which is what a one-module bar
// needs (the tests check LibreOffice's rendering pixel by pixel at 96 dpi).

namespace {

enum : std::uint32_t {
    EMR_HEADER = 1,
    EMR_POLYGON = 3,
    EMR_EOF = 14,
    EMR_SETBKMODE = 18,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYGON16 = 86,
};

// Stock objects are addressed with the high bit set.
constexpr std::uint32_t NULL_BRUSH = 0x80000005;
constexpr std::uint32_t NULL_PEN = 0x80000008;
constexpr std::uint32_t SYSTEM_FONT = 0x8000000D;

constexpr std::uint32_t TRANSPARENT = 1;
constexpr std::uint32_t TA_TOP_LEFT = 0;       // TA_TOP | TA_LEFT | TA_NOUPDATECP
constexpr std::uint32_t BS_SOLID = 0;
constexpr std::uint32_t GM_COMPATIBLE = 1;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t DIB_RGB_COLORS = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint32_t ENHMETA_SIGNATURE = 0x464D4520; // " EMF"

// Object table slots: 0 is the metafile itself.
constexpr std::uint32_t BrushSlot = 1;
constexpr std::uint32_t FontSlot = 2;

// The header with both extensions (pixel format and micrometres): 108 bytes.
constexpr int HeaderSize = 108;

// Coordinates far outside the picture are pinned, never wrapped.
int Clamp32(long long v)
{
    return int(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

class EmfStream
{
public:
    void begin(std::uint32_t type)
    {
        m_start = m_bytes.size();
        u32(type);
        u32(0); // size, patched by end()
    }
    void end()
    {
        while ((m_bytes.size() - m_start) % 4)
            m_bytes.append('\0');
        patch32(m_start + 4, std::uint32_t(m_bytes.size() - m_start));
        ++m_records;
    }
    void u8(std::uint8_t v) { m_bytes.append(char(v)); }
    void u16(std::uint16_t v)
    {
        u8(std::uint8_t(v));
        u8(std::uint8_t(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(std::uint16_t(v));
        u16(std::uint16_t(v >> 16));
    }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void f32(float v)
    {
        std::uint32_t bits;
        static_assert(sizeof bits == sizeof v);
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void rect(int l, int t, int r, int b)
    {
        i32(l);
        i32(t);
        i32(r);
        i32(b);
    }
    void raw(const char *data, qsizetype n) { m_bytes.append(data, n); }
    void patch32(qsizetype at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = char(std::uint8_t(v >> (8 * i)));
    }
    qsizetype recordOffset() const { return m_bytes.size() - m_start; }
    qsizetype size() const { return m_bytes.size(); }
    int records() const { return m_records; }
    QByteArray take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
    qsizetype m_start = 0;
    int m_records = 0;
};

class EmfBuilder
{
public:
    explicit EmfBuilder(const TMetafile &mf) : m_mf(mf) {}

    QByteArray build()
    {
        header();
        simple(EMR_SETBKMODE, TRANSPARENT);
        simple(EMR_SETTEXTALIGN, TA_TOP_LEFT);
        simple(EMR_SELECTOBJECT, NULL_PEN);
        for (const TMetaRecord &rec : m_mf.records()) {
            switch (rec.kind) {
            case TMetaRecord::FillRect: fill(rec); break;
            case TMetaRecord::Text: text(rec); break;
            case TMetaRecord::Image: image(rec); break;
            }
        }
        releaseObjects();
        eof();
        m_out.patch32(48, std::uint32_t(m_out.size()));  // Bytes
        m_out.patch32(52, std::uint32_t(m_out.records())); // Records
        m_out.patch32(56, m_handles);                     // Handles (16 bits) + Reserved
        return m_out.take();
    }

private:
    void simple(std::uint32_t type, std::uint32_t value)
    {
        m_out.begin(type);
        m_out.u32(value);
        m_out.end();
    }

    void header()
    {
        const int w = std::max(0, m_mf.width()), h = std::max(0, m_mf.height());
        const int dpi = ReferenceDpi();
        m_out.begin(EMR_HEADER);
        // Bounds and frame are inclusive-inclusive rectangles.
        m_out.rect(0, 0, w - 1, h - 1);
        m_out.rect(0, 0, std::max(0, PixelsToHundredthsMm(w) - 1),
                   std::max(0, PixelsToHundredthsMm(h) - 1));
        m_out.u32(ENHMETA_SIGNATURE);
        m_out.u32(0x00010000); // version
        m_out.u32(0);          // Bytes, patched
        m_out.u32(0);          // Records, patched
        m_out.u32(0);          // Handles + Reserved, patched
        m_out.u32(0);          // nDescription
        m_out.u32(0);          // offDescription
        m_out.u32(0);          // nPalEntries
        // The reference device: a 20 x 15 inch screen at the reference DPI,
        // so its size in pixels and in millimetres agree exactly.
        m_out.i32(20 * dpi);
        m_out.i32(15 * dpi);
        m_out.i32(508);
        m_out.i32(381);
        m_out.u32(0); // cbPixelFormat
        m_out.u32(0); // offPixelFormat
        m_out.u32(0); // bOpenGL
        m_out.i32(508000);
        m_out.i32(381000);
        m_out.end();
    }

    // Replaces the object in a slot: the stock object goes in first, so the
    // old one is never deleted while selected.
    void replaceObject(std::uint32_t slot, std::uint32_t stock, bool &exists)
    {
        if (exists) {
            simple(EMR_SELECTOBJECT, stock);
            simple(EMR_DELETEOBJECT, slot);
        }
        exists = true;
        m_handles = std::max(m_handles, slot + 1);
    }

    void fill(const TMetaRecord &rec)
    {
        if (!m_hasBrush || m_brushColor != rec.color) {
            replaceObject(BrushSlot, NULL_BRUSH, m_hasBrush);
            m_out.begin(EMR_CREATEBRUSHINDIRECT);
            m_out.u32(BrushSlot);
            m_out.u32(BS_SOLID);
            m_out.u32(rec.color & 0x00FFFFFF);
            m_out.u32(0); // hatch
            m_out.end();
            simple(EMR_SELECTOBJECT, BrushSlot);
            m_brushColor = rec.color;
        }
        const QRect &r = rec.rect;
        const int l = r.left(), t = r.top();
        const int rt = Clamp32(qint64(r.left()) + r.width()), b = Clamp32(qint64(r.top()) + r.height());
        const bool small = l >= -32768 && t >= -32768 && rt <= 32767 && b <= 32767;
        m_out.begin(small ? EMR_POLYGON16 : EMR_POLYGON);
        m_out.rect(l, t, rt - 1, b - 1); // bounds, inclusive
        m_out.u32(4);
        const int pts[4][2] = {{l, t}, {rt, t}, {rt, b}, {l, b}};
        for (const auto &p : pts) {
            if (small) {
                m_out.u16(std::uint16_t(std::int16_t(p[0])));
                m_out.u16(std::uint16_t(std::int16_t(p[1])));
            } else {
                m_out.i32(p[0]);
                m_out.i32(p[1]);
            }
        }
        m_out.end();
    }

    void font(const TMetaFont &f)
    {
        if (m_hasFont && m_font == f)
            return;
        replaceObject(FontSlot, SYSTEM_FONT, m_hasFont);
        m_out.begin(EMR_EXTCREATEFONTINDIRECTW);
        m_out.u32(FontSlot);
        // LOGFONTW; a negative height asks for the character (em) height.
        m_out.i32(-std::max(1, f.PixelSize));
        m_out.i32(0);                    // width: the font's own
        m_out.i32(0);                    // escapement
        m_out.i32(0);                    // orientation
        m_out.i32(f.Bold ? 700 : 400);   // weight
        m_out.u8(f.Italic);
        m_out.u8(f.Underline);
        m_out.u8(f.StrikeOut);
        m_out.u8(DEFAULT_CHARSET);       // the text is Unicode; let the face decide
        m_out.u8(0);                     // OUT_DEFAULT_PRECIS
        m_out.u8(0);                     // CLIP_DEFAULT_PRECIS
        m_out.u8(0);                     // DEFAULT_QUALITY
        m_out.u8(0);                     // DEFAULT_PITCH | FF_DONTCARE
        const QString face = f.Family.left(31);
        for (int i = 0; i < 32; ++i)
            m_out.u16(i < face.size() ? face.at(i).unicode() : 0);
        m_out.end();
        simple(EMR_SELECTOBJECT, FontSlot);
        m_font = f;
    }

    void text(const TMetaRecord &rec)
    {
        font(rec.font);
        if (!m_hasTextColor || m_textColor != rec.color) {
            simple(EMR_SETTEXTCOLOR, rec.color & 0x00FFFFFF);
            m_textColor = rec.color;
            m_hasTextColor = true;
        }
        const qsizetype n = rec.text.size();
        long long width = 0;
        for (qsizetype i = 0; i < n; ++i)
            width += i < qsizetype(rec.advances.size()) ? rec.advances[size_t(i)] : 0;
        const int height = QFontMetrics(rec.font.toQFont()).height();
        const int x = rec.pos.x(), y = rec.pos.y();

        m_out.begin(EMR_EXTTEXTOUTW);
        m_out.rect(x, y, Clamp32(std::max<long long>(x, x + width - 1)), Clamp32(qint64(y) + height - 1));
        m_out.u32(GM_COMPATIBLE);
        m_out.f32(float(2540.0 / ReferenceDpi())); // page units to 0.01 mm
        m_out.f32(float(2540.0 / ReferenceDpi()));
        // EmrText
        constexpr std::uint32_t offString = 76;
        const std::uint32_t offDx = offString + std::uint32_t((n * 2 + 3) / 4 * 4);
        m_out.i32(x);
        m_out.i32(y);
        m_out.u32(std::uint32_t(n));
        m_out.u32(offString);
        m_out.u32(0);             // options: neither clipped nor opaque
        m_out.rect(0, 0, -1, -1); // no clipping rectangle
        m_out.u32(offDx);
        Q_ASSERT(m_out.recordOffset() == offString);
        for (QChar c : rec.text)
            m_out.u16(c.unicode());
        while (m_out.recordOffset() < offDx)
            m_out.u8(0);
        for (qsizetype i = 0; i < n; ++i)
            m_out.i32(i < qsizetype(rec.advances.size()) ? rec.advances[size_t(i)] : 0);
        m_out.end();
    }

    void image(const TMetaRecord &rec)
    {
        const QImage img = rec.image.convertToFormat(QImage::Format_RGB888);
        const int w = img.width(), h = img.height();
        if (w <= 0 || h <= 0)
            return;
        const qsizetype stride = (qsizetype(w) * 3 + 3) / 4 * 4;
        const qsizetype bitsSize = stride * h;
        constexpr std::uint32_t offBmi = 80, cbBmi = 40;
        const int x = rec.rect.x(), y = rec.rect.y();

        m_out.begin(EMR_STRETCHDIBITS);
        m_out.rect(x, y, Clamp32(qint64(x) + w - 1), Clamp32(qint64(y) + h - 1));
        m_out.i32(x);
        m_out.i32(y);
        m_out.i32(0); // xSrc
        m_out.i32(0); // ySrc
        m_out.i32(w);
        m_out.i32(h);
        m_out.u32(offBmi);
        m_out.u32(cbBmi);
        m_out.u32(offBmi + cbBmi);
        m_out.u32(std::uint32_t(bitsSize));
        m_out.u32(DIB_RGB_COLORS);
        m_out.u32(SRCCOPY);
        m_out.i32(w); // cxDest
        m_out.i32(h); // cyDest
        // BITMAPINFOHEADER: bottom-up, 24 bits, uncompressed.
        const int dpm = int(std::lround(ReferenceDpi() / 0.0254));
        m_out.u32(40);
        m_out.i32(w);
        m_out.i32(h);
        m_out.u16(1);
        m_out.u16(24);
        m_out.u32(0); // BI_RGB
        m_out.u32(std::uint32_t(bitsSize));
        m_out.i32(dpm);
        m_out.i32(dpm);
        m_out.u32(0);
        m_out.u32(0);
        QByteArray row(stride, '\0');
        for (int yy = h - 1; yy >= 0; --yy) {
            const uchar *src = img.constScanLine(yy);
            for (int xx = 0; xx < w; ++xx) {
                row[3 * xx] = char(src[3 * xx + 2]);     // blue
                row[3 * xx + 1] = char(src[3 * xx + 1]); // green
                row[3 * xx + 2] = char(src[3 * xx]);     // red
            }
            m_out.raw(row.constData(), row.size());
        }
        m_out.end();
    }

    void releaseObjects()
    {
        if (m_hasBrush) {
            simple(EMR_SELECTOBJECT, NULL_BRUSH);
            simple(EMR_DELETEOBJECT, BrushSlot);
        }
        if (m_hasFont) {
            simple(EMR_SELECTOBJECT, SYSTEM_FONT);
            simple(EMR_DELETEOBJECT, FontSlot);
        }
    }

    void eof()
    {
        m_out.begin(EMR_EOF);
        m_out.u32(0);  // nPalEntries
        m_out.u32(16); // offPalEntries
        m_out.u32(20); // SizeLast: this record's size
        m_out.end();
    }

    const TMetafile &m_mf;
    EmfStream m_out;
    std::uint32_t m_handles = 1;
    bool m_hasBrush = false;
    TColor m_brushColor = 0;
    bool m_hasFont = false;
    TMetaFont m_font;
    bool m_hasTextColor = false;
    TColor m_textColor = 0;
};

} // namespace

QByteArray WriteEmf(const TMetafile &mf)
{
    return EmfBuilder(mf).build();
}
