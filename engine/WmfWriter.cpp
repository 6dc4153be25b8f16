#include "WmfWriter.h"

#include "Iconv.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

// A Windows metafile is a header followed by records of 16-bit words: the
// size in words (32 bits), the function number, then the parameters, where
// coordinate pairs come y first. Zebrix writes:
//
//   META_SETMAPMODE anisotropic, META_SETWINDOWORG (0, 0),
//   META_SETWINDOWEXT (width, height): one logical unit is one reference pixel
//   META_SETBKMODE transparent, META_SETTEXTALIGN top-left
//   META_CREATEPENINDIRECT null pen (a Windows metafile has no stock objects)
//   META_CREATEBRUSHINDIRECT, META_SELECTOBJECT, META_POLYGON    fills
//   META_CREATEFONTINDIRECT, META_SETTEXTCOLOR, META_EXTTEXTOUT  text
//   META_STRETCHDIB                                             images
//   META_DELETEOBJECT for replaced brushes and fonts, META_EOF
//
// Fills are pen-less four-point polygons for the reason given in the EMF
// writer: they cover exactly [left, right) x [top, bottom) in GDI and in
// LibreOffice, which a pen-less META_RECTANGLE does not.
//
// Text. META_EXTTEXTOUT carries bytes in the code page named by the
// character set of the selected font, and readers (Windows, LibreOffice)
// decode it that way. Each text is split into runs, each run written in the
// first Windows code page of the table below that holds the most characters
// from the start of the run: Latin text goes out as Windows-1252, Japanese as
// Shift_JIS (code page 932, which also holds ASCII, Greek and Cyrillic), other
// scripts in their own code page, each run with a font of the matching
// character set. A character that no code page holds becomes "?" with its
// advance kept, so the layout does not move. The Dx array has one entry per
// byte: a character's advance on its first byte and 0 on the others.

namespace {

enum : std::uint16_t {
    META_EOF = 0x0000,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_EXTTEXTOUT = 0x0A32,
    META_STRETCHDIB = 0x0F43,
};

constexpr std::uint16_t MM_ANISOTROPIC = 8;
constexpr std::uint16_t TRANSPARENT = 1;
constexpr std::uint16_t TA_TOP_LEFT = 0; // TA_TOP | TA_LEFT | TA_NOUPDATECP
constexpr std::uint16_t PS_NULL = 5;
constexpr std::uint16_t BS_SOLID = 0;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint16_t DIB_RGB_COLORS = 0;
constexpr std::uint32_t PLACEABLE_KEY = 0x9AC6CDD7;

// Longest run of text bytes in one META_EXTTEXTOUT.
constexpr int MaxRunBytes = 4096;

struct TCodePage {
    const char *iconvName;
    std::uint8_t charSet; // the LOGFONT character set that names this code page
};

// Windows code pages in order of preference, with their font character sets.
constexpr std::array<TCodePage, 14> CodePages = {{
    {"CP1252", 0},   // ANSI_CHARSET: Western European
    {"CP932", 128},  // SHIFTJIS_CHARSET: Japanese
    {"CP1251", 204}, // RUSSIAN_CHARSET: Cyrillic
    {"CP1253", 161}, // GREEK_CHARSET
    {"CP1250", 238}, // EASTEUROPE_CHARSET: Central European
    {"CP1254", 162}, // TURKISH_CHARSET
    {"CP1257", 186}, // BALTIC_CHARSET
    {"CP1255", 177}, // HEBREW_CHARSET
    {"CP1256", 178}, // ARABIC_CHARSET
    {"CP874", 222},  // THAI_CHARSET
    {"CP1258", 163}, // VIETNAMESE_CHARSET
    {"CP936", 134},  // GB2312_CHARSET: Simplified Chinese
    {"CP949", 129},  // HANGUL_CHARSET: Korean
    {"CP950", 136},  // CHINESEBIG5_CHARSET: Traditional Chinese
}};

// Encodes single characters into the table's code pages; the conversion
// descriptors are opened on first use and closed with the object.
class CodePageEncoder
{
public:
    // The bytes of one character (a UTF-8 sequence) in code page cp, or
    // empty when the code page lacks it.
    QByteArray encode(size_t cp, const QByteArray &utf8)
    {
        if (!m_cd[cp])
            m_cd[cp] = std::make_unique<TIconv>(CodePages[cp].iconvName, "UTF-8");
        TIconv &cd = *m_cd[cp];
        cd.Reset();
        QByteArray out;
        // Stateful code pages (1255, 1258) may hold output back until flushed.
        if (!cd.Step(utf8, out) || !cd.Flush(out))
            return {};
        return out;
    }

private:
    std::array<std::unique_ptr<TIconv>, CodePages.size()> m_cd;
};

// One character of a text with its advance and its bytes in every code page
// (empty where the code page lacks it; "?" everywhere for an orphan).
struct TextChar {
    int advance = 0;
    std::array<QByteArray, CodePages.size()> bytes;
};

// A piece of a text written with one font character set.
struct TextRun {
    size_t codePage = 0;
    long long x = 0;           // start, in reference pixels
    QByteArray bytes;
    std::vector<int> dx;       // one entry per byte
};

std::vector<TextRun> SplitIntoRuns(const TMetaRecord &rec, CodePageEncoder &enc)
{
    std::vector<TextChar> chars;
    const QString &text = rec.text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()
                               && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        TextChar c;
        for (qsizetype k = 0; k < len; ++k)
            if (size_t(i + k) < rec.advances.size())
                c.advance += rec.advances[size_t(i + k)];
        const QByteArray utf8 = text.mid(i, len).toUtf8();
        bool any = false;
        for (size_t cp = 0; cp < CodePages.size(); ++cp) {
            c.bytes[cp] = enc.encode(cp, utf8);
            any = any || !c.bytes[cp].isEmpty();
        }
        if (!any)
            c.bytes.fill(QByteArray("?"));
        chars.push_back(std::move(c));
        i += len - 1;
    }

    std::vector<TextRun> runs;
    long long x = rec.pos.x();
    size_t i = 0;
    while (i < chars.size()) {
        // The code page that takes the longest stretch from here.
        size_t best = 0, bestLen = 0;
        for (size_t cp = 0; cp < CodePages.size(); ++cp) {
            size_t n = 0;
            int bytes = 0;
            while (i + n < chars.size() && !chars[i + n].bytes[cp].isEmpty()
                   && bytes + chars[i + n].bytes[cp].size() <= MaxRunBytes) {
                bytes += int(chars[i + n].bytes[cp].size());
                ++n;
            }
            if (n > bestLen) {
                best = cp;
                bestLen = n;
            }
        }
        if (bestLen == 0) { // cannot happen: every character has bytes somewhere
            chars[i].bytes[0] = "?";
            bestLen = 1;
        }
        TextRun run;
        run.codePage = best;
        run.x = x;
        for (size_t k = i; k < i + bestLen; ++k) {
            const QByteArray &b = chars[k].bytes[best];
            run.bytes += b;
            run.dx.push_back(chars[k].advance);
            run.dx.insert(run.dx.end(), size_t(b.size() - 1), 0);
            x += chars[k].advance;
        }
        runs.push_back(std::move(run));
        i += bestLen;
    }
    return runs;
}

std::int16_t Clamp16(long long v)
{
    return std::int16_t(std::clamp<long long>(v, -32768, 32767));
}

class WmfStream
{
public:
    void begin(std::uint16_t function)
    {
        m_start = m_bytes.size();
        u32(0); // size in words, patched by end()
        u16(function);
    }
    void end()
    {
        if (m_bytes.size() % 2)
            m_bytes.append('\0');
        const auto words = std::uint32_t((m_bytes.size() - m_start) / 2);
        patch32(m_start, words);
        m_maxRecord = std::max(m_maxRecord, words);
    }
    void u8(std::uint8_t v) { m_bytes.append(char(v)); }
    void u16(std::uint16_t v)
    {
        u8(std::uint8_t(v));
        u8(std::uint8_t(v >> 8));
    }
    void i16(long long v) { u16(std::uint16_t(Clamp16(v))); }
    void u32(std::uint32_t v)
    {
        u16(std::uint16_t(v));
        u16(std::uint16_t(v >> 16));
    }
    void raw(const QByteArray &b) { m_bytes += b; }
    void patch16(qsizetype at, std::uint16_t v)
    {
        m_bytes[at] = char(std::uint8_t(v));
        m_bytes[at + 1] = char(std::uint8_t(v >> 8));
    }
    void patch32(qsizetype at, std::uint32_t v)
    {
        patch16(at, std::uint16_t(v));
        patch16(at + 2, std::uint16_t(v >> 16));
    }
    qsizetype size() const { return m_bytes.size(); }
    std::uint32_t maxRecord() const { return m_maxRecord; }
    QByteArray take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
    qsizetype m_start = 0;
    std::uint32_t m_maxRecord = 0;
};

// The player's object table: a new object takes the lowest free slot.
class ObjectTable
{
public:
    int create()
    {
        const auto it = std::find(m_used.begin(), m_used.end(), false);
        const auto slot = int(it - m_used.begin());
        if (it == m_used.end())
            m_used.push_back(true);
        else
            *it = true;
        return slot;
    }
    void release(int slot) { m_used[size_t(slot)] = false; }
    int size() const { return int(m_used.size()); }

private:
    std::vector<bool> m_used;
};

class WmfBuilder
{
public:
    WmfBuilder(const TMetafile &mf, bool placeable) : m_mf(mf), m_placeable(placeable) {}

    QByteArray build()
    {
        const int w = m_mf.width(), h = m_mf.height();
        if (m_placeable) {
            m_out.u32(PLACEABLE_KEY);
            m_out.u16(0); // HWmf
            m_out.i16(0);
            m_out.i16(0);
            m_out.i16(w);
            m_out.i16(h);
            m_out.u16(std::uint16_t(ReferenceDpi())); // logical units per inch
            m_out.u32(0);                             // reserved
            m_out.u16(0);                             // checksum, patched below
        }
        m_headerAt = m_out.size();
        m_out.u16(1);      // memory metafile
        m_out.u16(9);      // header size in words
        m_out.u16(0x0300); // version
        m_out.u32(0);      // size in words, patched
        m_out.u16(0);      // number of objects, patched
        m_out.u32(0);      // largest record, patched
        m_out.u16(0);      // unused

        simple(META_SETMAPMODE, MM_ANISOTROPIC);
        m_out.begin(META_SETWINDOWORG);
        m_out.i16(0);
        m_out.i16(0);
        m_out.end();
        m_out.begin(META_SETWINDOWEXT);
        m_out.i16(h);
        m_out.i16(w);
        m_out.end();
        simple(META_SETBKMODE, TRANSPARENT, true);
        simple(META_SETTEXTALIGN, TA_TOP_LEFT, true);

        m_out.begin(META_CREATEPENINDIRECT);
        m_out.u16(PS_NULL);
        m_out.i16(0); // width as a point
        m_out.i16(0);
        m_out.u32(0);
        m_out.end();
        simple(META_SELECTOBJECT, std::uint16_t(m_objects.create()));

        for (const TMetaRecord &rec : m_mf.records()) {
            switch (rec.kind) {
            case TMetaRecord::FillRect: fill(rec); break;
            case TMetaRecord::Text: text(rec); break;
            case TMetaRecord::Image: image(rec); break;
            }
        }
        m_out.begin(META_EOF);
        m_out.end();

        const qsizetype h0 = m_headerAt;
        m_out.patch32(h0 + 6, std::uint32_t((m_out.size() - h0) / 2));
        m_out.patch16(h0 + 10, std::uint16_t(m_objects.size()));
        m_out.patch32(h0 + 12, m_out.maxRecord());
        QByteArray bytes = m_out.take();
        if (m_placeable) {
            std::uint16_t sum = 0;
            for (int i = 0; i < 10; ++i)
                sum ^= std::uint16_t(std::uint8_t(bytes[2 * i]) | std::uint8_t(bytes[2 * i + 1]) << 8);
            bytes[20] = char(std::uint8_t(sum));
            bytes[21] = char(std::uint8_t(sum >> 8));
        }
        return bytes;
    }

private:
    // withReserved: the optional second word that Windows itself writes for
    // the 32-bit arguments of SetBkMode and SetTextAlign.
    void simple(std::uint16_t function, std::uint16_t value, bool withReserved = false)
    {
        m_out.begin(function);
        m_out.u16(value);
        if (withReserved)
            m_out.u16(0);
        m_out.end();
    }

    // Selects a freshly created object (the record just written) in place
    // of the old one, then deletes the old one, so the table stays small and
    // nothing selected is ever deleted.
    void swapIn(int &slot)
    {
        const int fresh = m_objects.create();
        simple(META_SELECTOBJECT, std::uint16_t(fresh));
        if (slot >= 0) {
            simple(META_DELETEOBJECT, std::uint16_t(slot));
            m_objects.release(slot);
        }
        slot = fresh;
    }

    void fill(const TMetaRecord &rec)
    {
        if (m_brush < 0 || m_brushColor != rec.color) {
            m_out.begin(META_CREATEBRUSHINDIRECT);
            m_out.u16(BS_SOLID);
            m_out.u32(rec.color & 0x00FFFFFF);
            m_out.u16(0); // hatch
            m_out.end();
            swapIn(m_brush);
            m_brushColor = rec.color;
        }
        const QRect &r = rec.rect;
        const long long l = r.left(), t = r.top();
        const long long rt = l + r.width(), b = t + r.height();
        m_out.begin(META_POLYGON);
        m_out.i16(4);
        const long long pts[4][2] = {{l, t}, {rt, t}, {rt, b}, {l, b}};
        for (const auto &p : pts) {
            m_out.i16(p[0]);
            m_out.i16(p[1]);
        }
        m_out.end();
    }

    void font(const TMetaFont &f, size_t codePage)
    {
        if (m_font >= 0 && m_fontDesc == f && m_fontCodePage == codePage)
            return;
        m_out.begin(META_CREATEFONTINDIRECT);
        m_out.i16(-std::max(1, f.PixelSize)); // character (em) height
        m_out.i16(0);                          // width: the font's own
        m_out.i16(0);                          // escapement
        m_out.i16(0);                          // orientation
        m_out.i16(f.Bold ? 700 : 400);
        m_out.u8(f.Italic);
        m_out.u8(f.Underline);
        m_out.u8(f.StrikeOut);
        m_out.u8(CodePages[codePage].charSet);
        m_out.u8(0); // OUT_DEFAULT_PRECIS
        m_out.u8(0); // CLIP_DEFAULT_PRECIS
        m_out.u8(0); // DEFAULT_QUALITY
        m_out.u8(0); // DEFAULT_PITCH | FF_DONTCARE
        // The face name in the same code page, at most 31 bytes and a NUL.
        QByteArray face;
        for (qsizetype i = 0; i < f.Family.size(); ++i) {
            const qsizetype len = f.Family.at(i).isHighSurrogate() && i + 1 < f.Family.size() ? 2 : 1;
            QByteArray b = m_encoder.encode(codePage, f.Family.mid(i, len).toUtf8());
            if (b.isEmpty())
                b = "?";
            if (face.size() + b.size() > 31)
                break;
            face += b;
            i += len - 1;
        }
        face.resize(32, '\0');
        m_out.raw(face);
        m_out.end();
        swapIn(m_font);
        m_fontDesc = f;
        m_fontCodePage = codePage;
    }

    void text(const TMetaRecord &rec)
    {
        if (!m_hasTextColor || m_textColor != rec.color) {
            m_out.begin(META_SETTEXTCOLOR);
            m_out.u32(rec.color & 0x00FFFFFF);
            m_out.end();
            m_textColor = rec.color;
            m_hasTextColor = true;
        }
        for (const TextRun &run : SplitIntoRuns(rec, m_encoder)) {
            font(rec.font, run.codePage);
            m_out.begin(META_EXTTEXTOUT);
            m_out.i16(rec.pos.y());
            m_out.i16(run.x);
            m_out.i16(run.bytes.size());
            m_out.u16(0); // options: neither clipped nor opaque, so no rectangle
            m_out.raw(run.bytes);
            if (run.bytes.size() % 2)
                m_out.u8(0);
            for (int d : run.dx)
                m_out.i16(d);
            m_out.end();
        }
    }

    void image(const TMetaRecord &rec)
    {
        const QImage img = rec.image.convertToFormat(QImage::Format_RGB888);
        const int w = img.width(), h = img.height();
        if (w <= 0 || h <= 0 || w > 32767 || h > 32767)
            return; // not expressible in 16-bit coordinates
        const qsizetype stride = (qsizetype(w) * 3 + 3) / 4 * 4;
        m_out.begin(META_STRETCHDIB);
        m_out.u32(SRCCOPY);
        m_out.u16(DIB_RGB_COLORS);
        m_out.i16(h); // source height, width, y, x
        m_out.i16(w);
        m_out.i16(0);
        m_out.i16(0);
        m_out.i16(h); // destination height, width, y, x
        m_out.i16(w);
        m_out.i16(rec.rect.y());
        m_out.i16(rec.rect.x());
        // BITMAPINFOHEADER: bottom-up, 24 bits, uncompressed.
        const int dpm = int(std::lround(ReferenceDpi() / 0.0254));
        m_out.u32(40);
        m_out.u32(std::uint32_t(w));
        m_out.u32(std::uint32_t(h));
        m_out.u16(1);
        m_out.u16(24);
        m_out.u32(0);
        m_out.u32(std::uint32_t(stride * h));
        m_out.u32(std::uint32_t(dpm));
        m_out.u32(std::uint32_t(dpm));
        m_out.u32(0);
        m_out.u32(0);
        QByteArray row(stride, '\0');
        for (int y = h - 1; y >= 0; --y) {
            const uchar *src = img.constScanLine(y);
            for (int x = 0; x < w; ++x) {
                row[3 * x] = char(src[3 * x + 2]);
                row[3 * x + 1] = char(src[3 * x + 1]);
                row[3 * x + 2] = char(src[3 * x]);
            }
            m_out.raw(row);
        }
        m_out.end();
    }

    const TMetafile &m_mf;
    const bool m_placeable;
    WmfStream m_out;
    qsizetype m_headerAt = 0;
    ObjectTable m_objects;
    CodePageEncoder m_encoder;
    int m_brush = -1;
    TColor m_brushColor = 0;
    int m_font = -1;
    TMetaFont m_fontDesc;
    size_t m_fontCodePage = 0;
    bool m_hasTextColor = false;
    TColor m_textColor = 0;
};

} // namespace

TMetafilePict MetafilePictFor(const TMetafile &mf)
{
    return {8, PixelsToHundredthsMm(mf.width()), PixelsToHundredthsMm(mf.height())};
}

QByteArray WriteWmf(const TMetafile &mf, bool placeable)
{
    // Window extents and the placeable bounding box are 16-bit.
    if (mf.width() < 0 || mf.height() < 0 || mf.width() > 32767 || mf.height() > 32767)
        return {};
    return WmfBuilder(mf, placeable).build();
}
