#include "MetaParse.h"

#include <cstring>
#include <iconv.h>
#include <map>
#include <optional>

namespace metaparse {

std::uint8_t Record::u8(qsizetype at) const
{
    if (at < 0 || at >= data.size()) {
        shortRead = true;
        return 0;
    }
    return std::uint8_t(data[at]);
}

std::uint16_t Record::u16(qsizetype at) const
{
    return std::uint16_t(u8(at) | (u8(at + 1) << 8));
}

std::uint32_t Record::u32(qsizetype at) const
{
    return std::uint32_t(u16(at)) | (std::uint32_t(u16(at + 2)) << 16);
}

float Record::f32(qsizetype at) const
{
    const std::uint32_t bits = u32(at);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

namespace {

std::uint32_t Le32(const QByteArray &b, qsizetype at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | std::uint8_t(b[at + i]);
    return v;
}

std::uint16_t Le16(const QByteArray &b, qsizetype at)
{
    return std::uint16_t(std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8));
}

RectL ReadRect(const Record &r, qsizetype at)
{
    return {r.i32(at), r.i32(at + 4), r.i32(at + 8), r.i32(at + 12)};
}

// A BITMAPINFOHEADER and its 24-bit bits as an RGB888 image.
QImage DecodeDib(const Record &r, qsizetype bmiAt, qsizetype bitsAt, int *bitCount,
                 std::vector<std::string> &problems)
{
    const std::uint32_t biSize = r.u32(bmiAt);
    const int w = r.i32(bmiAt + 4);
    const int hRaw = r.i32(bmiAt + 8);
    const int planes = r.u16(bmiAt + 12);
    *bitCount = r.u16(bmiAt + 14);
    const std::uint32_t compression = r.u32(bmiAt + 16);
    if (biSize != 40 || planes != 1 || *bitCount != 24 || compression != 0 || w <= 0 || hRaw == 0) {
        problems.push_back("DIB is not a plain 24-bit BITMAPINFOHEADER bitmap");
        return {};
    }
    const int h = hRaw < 0 ? -hRaw : hRaw;
    const qsizetype stride = (qsizetype(w) * 3 + 3) / 4 * 4;
    if (bitsAt + stride * h > r.data.size()) {
        problems.push_back("DIB bits run past the record");
        return {};
    }
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        const int srcRow = hRaw > 0 ? h - 1 - y : y;
        const qsizetype at = bitsAt + stride * srcRow;
        uchar *dst = img.scanLine(y);
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = r.u8(at + 3 * x + 2);
            dst[3 * x + 1] = r.u8(at + 3 * x + 1);
            dst[3 * x + 2] = r.u8(at + 3 * x);
        }
    }
    return img;
}

// An axis-aligned rectangle given as four corners in drawing order, or none.
std::optional<QRect> RectOfPolygon(const std::vector<QPoint> &pts)
{
    if (pts.size() != 4)
        return std::nullopt;
    const int l = std::min({pts[0].x(), pts[1].x(), pts[2].x(), pts[3].x()});
    const int r = std::max({pts[0].x(), pts[1].x(), pts[2].x(), pts[3].x()});
    const int t = std::min({pts[0].y(), pts[1].y(), pts[2].y(), pts[3].y()});
    const int b = std::max({pts[0].y(), pts[1].y(), pts[2].y(), pts[3].y()});
    for (const QPoint &p : pts)
        if ((p.x() != l && p.x() != r) || (p.y() != t && p.y() != b))
            return std::nullopt;
    // Consecutive corners share an x or a y: the outline is the rectangle.
    for (int i = 0; i < 4; ++i) {
        const QPoint a = pts[size_t(i)], c = pts[size_t((i + 1) % 4)];
        if (a.x() != c.x() && a.y() != c.y())
            return std::nullopt;
    }
    return QRect(l, t, r - l, b - t);
}

struct Object {
    enum Kind { Pen, Brush, Font } kind = Pen;
    std::uint32_t style = 0;
    std::uint32_t color = 0;
    TextOut font; // the font fields of a Font
};

} // namespace

// ---- EMF ----------------------------------------------------------------

Emf ParseEmf(const QByteArray &bytes)
{
    Emf emf;
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (at + 8 > bytes.size()) {
            emf.error = "truncated record head at " + std::to_string(at);
            return emf;
        }
        Record r;
        r.type = Le32(bytes, at);
        r.size = Le32(bytes, at + 4);
        r.offset = at;
        if (r.size < 8 || r.size % 4 || qsizetype(r.size) > bytes.size() - at) {
            emf.error = "bad size " + std::to_string(r.size) + " of record type " + std::to_string(r.type)
                        + " at " + std::to_string(at);
            return emf;
        }
        r.data = bytes.mid(at, r.size);
        at += r.size;
        emf.records.push_back(std::move(r));
        if (emf.records.back().type == emr::EOF_)
            break;
    }
    if (emf.records.empty() || emf.records.front().type != emr::HEADER) {
        emf.error = "no EMR_HEADER first";
        return emf;
    }
    if (emf.records.back().type != emr::EOF_ || at != bytes.size()) {
        emf.error = "EMR_EOF missing or not at the end";
        return emf;
    }
    const Record &h = emf.records.front();
    EmfHeader &hd = emf.header;
    hd.size = h.size;
    hd.bounds = ReadRect(h, 8);
    hd.frame = ReadRect(h, 24);
    hd.signature = h.u32(40);
    hd.version = h.u32(44);
    hd.bytes = h.u32(48);
    hd.records = h.u32(52);
    hd.handles = h.u16(56);
    hd.reserved = h.u16(58);
    hd.nDescription = h.u32(60);
    hd.offDescription = h.u32(64);
    hd.nPalEntries = h.u32(68);
    hd.deviceX = h.i32(72);
    hd.deviceY = h.i32(76);
    hd.millimetersX = h.i32(80);
    hd.millimetersY = h.i32(84);
    if (h.size >= 100) {
        hd.cbPixelFormat = h.u32(88);
        hd.offPixelFormat = h.u32(92);
        hd.openGL = h.u32(96);
    }
    if (h.size >= 108) {
        hd.micrometersX = h.i32(100);
        hd.micrometersY = h.i32(104);
    }
    if (h.size < 88 || h.shortRead) {
        emf.error = "EMR_HEADER too short";
        return emf;
    }
    if (hd.signature != 0x464D4520) {
        emf.error = "bad signature";
        return emf;
    }
    emf.ok = true;
    return emf;
}

Playback PlayEmf(const Emf &emf)
{
    constexpr std::uint32_t Stock = 0x80000000;
    constexpr std::uint32_t NullPen = 0x80000008;
    Playback pb;
    std::map<std::uint32_t, Object> objects;
    std::uint32_t pen = 0x80000007 /* BLACK_PEN, the default */, brush = 0x80000000, font = 0x8000000D;
    std::uint32_t textColor = 0;
    int maxIndex = 0;
    auto problem = [&](const Record &r, const std::string &what) {
        pb.problems.push_back("record type " + std::to_string(r.type) + " at " + std::to_string(r.offset)
                              + ": " + what);
    };
    auto create = [&](const Record &r, std::uint32_t index, Object o) {
        if (index == 0 || (index & Stock))
            problem(r, "object index " + std::to_string(index) + " cannot be created");
        else if (objects.count(index))
            problem(r, "object slot " + std::to_string(index) + " is occupied");
        else if (index >= emf.header.handles)
            problem(r, "object index " + std::to_string(index) + " beyond the header's handle count");
        objects[index] = std::move(o);
        maxIndex = std::max(maxIndex, int(index & 0xFFFF));
    };
    for (const Record &r : emf.records) {
        switch (r.type) {
        case emr::CREATEBRUSHINDIRECT: {
            if (r.size != 24)
                problem(r, "size " + std::to_string(r.size));
            Object o;
            o.kind = Object::Brush;
            o.style = r.u32(12);
            o.color = r.u32(16);
            create(r, r.u32(8), o);
            break;
        }
        case emr::EXTCREATEFONTINDIRECTW: {
            if (r.size < 104)
                problem(r, "size " + std::to_string(r.size));
            Object o;
            o.kind = Object::Font;
            o.font.height = r.i32(12);
            o.font.width = r.i32(16);
            o.font.weight = r.i32(28);
            o.font.italic = r.u8(32);
            o.font.underline = r.u8(33);
            o.font.strikeOut = r.u8(34);
            o.font.charSet = r.u8(35);
            for (int i = 0; i < 32; ++i) {
                const std::uint16_t c = r.u16(40 + 2 * i);
                if (!c)
                    break;
                o.font.face += QChar(c);
            }
            create(r, r.u32(8), o);
            break;
        }
        case emr::SELECTOBJECT: {
            if (r.size != 12)
                problem(r, "size " + std::to_string(r.size));
            const std::uint32_t i = r.u32(8);
            if (i & Stock) {
                if (i == NullPen || i == 0x80000006 || i == 0x80000007)
                    pen = i;
                else if (i >= 0x8000000A && i <= 0x80000011)
                    font = i;
                else
                    brush = i;
            } else if (!objects.count(i)) {
                problem(r, "selects undefined object " + std::to_string(i));
            } else {
                switch (objects[i].kind) {
                case Object::Pen: pen = i; break;
                case Object::Brush: brush = i; break;
                case Object::Font: font = i; break;
                }
            }
            break;
        }
        case emr::DELETEOBJECT: {
            const std::uint32_t i = r.u32(8);
            if (!objects.count(i))
                problem(r, "deletes undefined object " + std::to_string(i));
            else if (i == pen || i == brush || i == font)
                problem(r, "deletes selected object " + std::to_string(i));
            objects.erase(i);
            ++pb.deletes;
            break;
        }
        case emr::SETBKMODE: pb.bkMode = r.u32(8); break;
        case emr::SETTEXTALIGN: pb.textAlign = r.u32(8); break;
        case emr::SETTEXTCOLOR: textColor = r.u32(8); break;
        case emr::POLYGON16:
        case emr::POLYGON: {
            const bool small = r.type == emr::POLYGON16;
            const std::uint32_t n = r.u32(24);
            const std::uint32_t expected = 28 + n * (small ? 4 : 8);
            if (r.size != expected)
                problem(r, "size " + std::to_string(r.size) + ", expected " + std::to_string(expected));
            std::vector<QPoint> pts;
            for (std::uint32_t k = 0; k < n && k < 64; ++k) {
                if (small)
                    pts.emplace_back(r.i16(28 + 4 * k), r.i16(30 + 4 * k));
                else
                    pts.emplace_back(r.i32(28 + 8 * k), r.i32(32 + 8 * k));
            }
            const auto rect = RectOfPolygon(pts);
            if (!rect) {
                problem(r, "polygon is not a rectangle");
                break;
            }
            const RectL bounds = ReadRect(r, 8);
            const RectL want{rect->left(), rect->top(), rect->left() + rect->width() - 1,
                             rect->top() + rect->height() - 1};
            if (!(bounds == want))
                problem(r, "bounds do not match the polygon");
            if (pen != NullPen)
                problem(r, "fill with a visible pen");
            if (!objects.count(brush) || objects[brush].kind != Object::Brush || objects[brush].style != 0) {
                problem(r, "fill without a solid brush");
                break;
            }
            pb.fills.push_back({*rect, objects[brush].color});
            break;
        }
        case emr::EXTTEXTOUTW: {
            TextOut t;
            t.pos = QPoint(r.i32(36), r.i32(40));
            const std::uint32_t n = r.u32(44);
            const std::uint32_t offString = r.u32(48);
            t.options = r.u32(52);
            const std::uint32_t offDx = r.u32(72);
            if (qsizetype(offString) + 2 * qsizetype(n) > r.size || qsizetype(offDx) + 4 * qsizetype(n) > r.size
                || offString < 76 || offDx % 4) {
                problem(r, "string or Dx outside the record");
                break;
            }
            for (std::uint32_t k = 0; k < n; ++k)
                t.text += QChar(r.u16(offString + 2 * k));
            for (std::uint32_t k = 0; k < n; ++k)
                t.dx.push_back(r.i32(offDx + 4 * k));
            t.color = textColor;
            if (objects.count(font) && objects[font].kind == Object::Font) {
                const TextOut &f = objects[font].font;
                t.height = f.height;
                t.width = f.width;
                t.weight = f.weight;
                t.italic = f.italic;
                t.underline = f.underline;
                t.strikeOut = f.strikeOut;
                t.charSet = f.charSet;
                t.face = f.face;
            } else {
                problem(r, "text without a created font");
            }
            pb.texts.push_back(std::move(t));
            break;
        }
        case emr::STRETCHDIBITS: {
            Picture p;
            const int xDest = r.i32(24), yDest = r.i32(28);
            p.src = QRect(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
            const std::uint32_t offBmi = r.u32(48), cbBmi = r.u32(52), offBits = r.u32(56), cbBits = r.u32(60);
            p.usage = r.u32(64);
            p.rop = r.u32(68);
            p.dest = QRect(xDest, yDest, r.i32(72), r.i32(76));
            if (qsizetype(offBmi) + cbBmi > r.size || qsizetype(offBits) + cbBits > r.size || cbBmi < 40) {
                problem(r, "bitmap outside the record");
                break;
            }
            p.image = DecodeDib(r, offBmi, offBits, &p.bitCount, pb.problems);
            pb.images.push_back(std::move(p));
            break;
        }
        default: break;
        }
        if (r.shortRead)
            problem(r, "fields beyond the record's end");
    }
    pb.objectSlots = maxIndex + 1;
    pb.objectsLeft = int(objects.size());
    return pb;
}

// ---- WMF ----------------------------------------------------------------

Wmf ParseWmf(const QByteArray &bytes)
{
    Wmf wmf;
    qsizetype at = 0;
    if (bytes.size() >= 22 && Le32(bytes, 0) == 0x9AC6CDD7) {
        wmf.placeable = true;
        wmf.key = Le32(bytes, 0);
        wmf.bboxLeft = std::int16_t(Le16(bytes, 6));
        wmf.bboxTop = std::int16_t(Le16(bytes, 8));
        wmf.bboxRight = std::int16_t(Le16(bytes, 10));
        wmf.bboxBottom = std::int16_t(Le16(bytes, 12));
        wmf.inch = Le16(bytes, 14);
        wmf.checksum = Le16(bytes, 20);
        for (int i = 0; i < 10; ++i)
            wmf.checksumComputed ^= Le16(bytes, 2 * i);
        at = 22;
    }
    wmf.headerOffset = at;
    if (at + 18 > bytes.size()) {
        wmf.error = "no room for the header";
        return wmf;
    }
    wmf.type = Le16(bytes, at);
    wmf.headerSize = Le16(bytes, at + 2);
    wmf.version = Le16(bytes, at + 4);
    wmf.sizeWords = Le32(bytes, at + 6);
    wmf.numberOfObjects = Le16(bytes, at + 10);
    wmf.maxRecord = Le32(bytes, at + 12);
    wmf.numberOfMembers = Le16(bytes, at + 16);
    if (wmf.headerSize != 9) {
        wmf.error = "header size is not 9 words";
        return wmf;
    }
    at += 18;
    while (at < bytes.size()) {
        if (at + 6 > bytes.size()) {
            wmf.error = "truncated record head at " + std::to_string(at);
            return wmf;
        }
        Record r;
        r.size = Le32(bytes, at);
        r.type = Le16(bytes, at + 4);
        r.offset = at;
        if (r.size < 3 || qsizetype(r.size) * 2 > bytes.size() - at) {
            wmf.error = "bad size " + std::to_string(r.size) + " of function " + std::to_string(r.type) + " at "
                        + std::to_string(at);
            return wmf;
        }
        r.data = bytes.mid(at, qsizetype(r.size) * 2);
        at += qsizetype(r.size) * 2;
        wmf.records.push_back(std::move(r));
        if (wmf.records.back().type == meta::EOF_)
            break;
    }
    if (wmf.records.empty() || wmf.records.back().type != meta::EOF_ || at != bytes.size()) {
        wmf.error = "META_EOF missing or not at the end";
        return wmf;
    }
    if (qsizetype(wmf.sizeWords) * 2 != bytes.size() - wmf.headerOffset) {
        wmf.error = "header size field does not match the file";
        return wmf;
    }
    wmf.ok = true;
    return wmf;
}

const char *CodePageOfCharSet(std::uint8_t charSet)
{
    switch (charSet) {
    case 0: return "CP1252";
    case 128: return "CP932";
    case 129: return "CP949";
    case 134: return "CP936";
    case 136: return "CP950";
    case 161: return "CP1253";
    case 162: return "CP1254";
    case 163: return "CP1258";
    case 177: return "CP1255";
    case 178: return "CP1256";
    case 186: return "CP1257";
    case 204: return "CP1251";
    case 222: return "CP874";
    case 238: return "CP1250";
    default: return nullptr;
    }
}

namespace {
QByteArray Convert(const QByteArray &in, const char *to, const char *from, bool *ok)
{
    *ok = false;
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return {};
    QByteArray out(in.size() * 4 + 16, '\0');
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = size_t(in.size());
    char *dst = out.data();
    size_t dstLeft = size_t(out.size());
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    // Flush: Hebrew and Vietnamese decoders hold the last character back,
    // waiting for combining marks.
    if (rc != size_t(-1))
        rc = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == size_t(-1) || srcLeft)
        return {};
    out.resize(out.size() - qsizetype(dstLeft));
    *ok = true;
    return out;
}
} // namespace

QString Decode(const QByteArray &bytes, const char *codePage)
{
    if (!codePage)
        return {};
    bool ok = false;
    const QByteArray utf8 = Convert(bytes, "UTF-8", codePage, &ok);
    return ok ? QString::fromUtf8(utf8) : QString();
}

Playback PlayWmf(const Wmf &wmf)
{
    Playback pb;
    std::vector<std::optional<Object>> table;
    int pen = -1, brush = -1, font = -1;
    std::uint32_t textColor = 0;
    auto problem = [&](const Record &r, const std::string &what) {
        pb.problems.push_back("function " + std::to_string(r.type) + " at " + std::to_string(r.offset) + ": "
                              + what);
    };
    auto create = [&](Object o) {
        size_t slot = 0;
        while (slot < table.size() && table[slot])
            ++slot;
        if (slot == table.size())
            table.emplace_back();
        table[slot] = std::move(o);
        pb.objectSlots = std::max(pb.objectSlots, int(table.size()));
    };
    for (const Record &r : wmf.records) {
        switch (r.type) {
        case meta::SETMAPMODE: pb.mapMode = r.u16(6); break;
        case meta::SETWINDOWORG: pb.windowOrg = QPoint(r.i16(8), r.i16(6)); break;
        case meta::SETWINDOWEXT: pb.windowExt = QPoint(r.i16(8), r.i16(6)); break;
        case meta::SETBKMODE: pb.bkMode = r.u16(6); break;
        case meta::SETTEXTALIGN: pb.textAlign = r.u16(6); break;
        case meta::SETTEXTCOLOR: textColor = r.u32(6); break;
        case meta::CREATEPENINDIRECT: {
            if (r.size != 8)
                problem(r, "size " + std::to_string(r.size));
            Object o;
            o.kind = Object::Pen;
            o.style = r.u16(6);
            o.color = r.u32(12);
            create(o);
            break;
        }
        case meta::CREATEBRUSHINDIRECT: {
            if (r.size != 7)
                problem(r, "size " + std::to_string(r.size));
            Object o;
            o.kind = Object::Brush;
            o.style = r.u16(6);
            o.color = r.u32(8);
            create(o);
            break;
        }
        case meta::CREATEFONTINDIRECT: {
            Object o;
            o.kind = Object::Font;
            o.font.height = r.i16(6);
            o.font.width = r.i16(8);
            o.font.weight = r.i16(14);
            o.font.italic = r.u8(16);
            o.font.underline = r.u8(17);
            o.font.strikeOut = r.u8(18);
            o.font.charSet = r.u8(19);
            QByteArray face;
            for (qsizetype k = 24; k < r.data.size() && r.data[k]; ++k)
                face += r.data[k];
            if (face.size() > 31)
                problem(r, "face name longer than 31 bytes");
            o.font.face = Decode(face, CodePageOfCharSet(o.font.charSet));
            create(o);
            break;
        }
        case meta::SELECTOBJECT: {
            const int i = r.u16(6);
            if (size_t(i) >= table.size() || !table[size_t(i)]) {
                problem(r, "selects empty slot " + std::to_string(i));
                break;
            }
            switch (table[size_t(i)]->kind) {
            case Object::Pen: pen = i; break;
            case Object::Brush: brush = i; break;
            case Object::Font: font = i; break;
            }
            break;
        }
        case meta::DELETEOBJECT: {
            const int i = r.u16(6);
            if (size_t(i) >= table.size() || !table[size_t(i)])
                problem(r, "deletes empty slot " + std::to_string(i));
            else if (i == pen || i == brush || i == font)
                problem(r, "deletes selected object " + std::to_string(i));
            else
                table[size_t(i)].reset();
            if (i == pen)
                pen = -1;
            if (i == brush)
                brush = -1;
            if (i == font)
                font = -1;
            ++pb.deletes;
            break;
        }
        case meta::POLYGON: {
            const int n = r.i16(6);
            if (r.size != std::uint32_t(4 + 2 * n))
                problem(r, "size " + std::to_string(r.size));
            std::vector<QPoint> pts;
            for (int k = 0; k < n && k < 64; ++k)
                pts.emplace_back(r.i16(8 + 4 * k), r.i16(10 + 4 * k));
            const auto rect = RectOfPolygon(pts);
            if (!rect) {
                problem(r, "polygon is not a rectangle");
                break;
            }
            if (pen < 0 || table[size_t(pen)]->style != 5)
                problem(r, "fill with a visible pen");
            if (brush < 0 || table[size_t(brush)]->style != 0) {
                problem(r, "fill without a solid brush");
                break;
            }
            pb.fills.push_back({*rect, table[size_t(brush)]->color});
            break;
        }
        case meta::EXTTEXTOUT: {
            TextOut t;
            t.pos = QPoint(r.i16(8), r.i16(6));
            const int n = r.i16(10);
            t.options = r.u16(12);
            qsizetype at = 14;
            if (t.options & 0x0006)
                at += 8; // clipping or opaquing rectangle
            if (n < 0 || at + n > r.data.size()) {
                problem(r, "string outside the record");
                break;
            }
            t.bytes = r.data.mid(at, n);
            at += (n + 1) / 2 * 2;
            const qsizetype dxCount = (r.data.size() - at) / 2;
            if (dxCount != n)
                problem(r, "Dx has " + std::to_string(dxCount) + " entries for " + std::to_string(n) + " bytes");
            for (qsizetype k = 0; k < dxCount; ++k)
                t.dx.push_back(r.i16(at + 2 * k));
            t.color = textColor;
            if (font < 0) {
                problem(r, "text without a font");
                break;
            }
            const TextOut &f = table[size_t(font)]->font;
            t.height = f.height;
            t.width = f.width;
            t.weight = f.weight;
            t.italic = f.italic;
            t.underline = f.underline;
            t.strikeOut = f.strikeOut;
            t.charSet = f.charSet;
            t.face = f.face;
            const char *cp = CodePageOfCharSet(t.charSet);
            t.text = Decode(t.bytes, cp);
            if (t.text.isEmpty() && n > 0)
                problem(r, "text bytes do not decode in the font's code page");
            // Sum the byte entries of each character, as readers do.
            size_t byteAt = 0;
            for (qsizetype k = 0; k < t.text.size(); ++k) {
                const qsizetype len = t.text.at(k).isHighSurrogate() ? 2 : 1;
                bool ok = false;
                const QByteArray one = Convert(t.text.mid(k, len).toUtf8(), cp, "UTF-8", &ok);
                int sum = 0;
                for (qsizetype b = 0; b < one.size() && byteAt < t.dx.size(); ++b)
                    sum += t.dx[byteAt++];
                t.charDx.push_back(sum);
                k += len - 1;
            }
            pb.texts.push_back(std::move(t));
            break;
        }
        case meta::STRETCHDIB: {
            Picture p;
            p.rop = r.u32(6);
            p.usage = r.u16(10);
            p.src = QRect(r.i16(18), r.i16(16), r.i16(14), r.i16(12));
            p.dest = QRect(r.i16(26), r.i16(24), r.i16(22), r.i16(20));
            const std::uint32_t biSize = r.u32(28);
            p.image = DecodeDib(r, 28, 28 + biSize, &p.bitCount, pb.problems);
            pb.images.push_back(std::move(p));
            break;
        }
        default: break;
        }
        if (r.shortRead)
            problem(r, "fields beyond the record's end");
    }
    for (const auto &o : table)
        pb.objectsLeft += o ? 1 : 0;
    return pb;
}

} // namespace metaparse
