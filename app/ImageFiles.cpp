#include "ImageFiles.h"

#include <QtEndian>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <png.h>
#include <zlib.h>

#include <memory>
#include <vector>

QByteArray EncodeBmp(const QImage &image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width(), h = rgb.height();
    const qsizetype stride = (qsizetype(w) * 3 + 3) & ~qsizetype(3);
    const qsizetype pixels = stride * h;
    QByteArray out(54 + pixels, '\0');
    uchar *p = reinterpret_cast<uchar *>(out.data());
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(out.size()), p + 2);
    qToLittleEndian<quint32>(54, p + 10);            // pixels start
    qToLittleEndian<quint32>(40, p + 14);            // BITMAPINFOHEADER
    qToLittleEndian<qint32>(w, p + 18);
    qToLittleEndian<qint32>(h, p + 22);              // positive: bottom-up rows
    qToLittleEndian<quint16>(1, p + 26);             // planes
    qToLittleEndian<quint16>(24, p + 28);            // bits per pixel
    qToLittleEndian<quint32>(quint32(pixels), p + 34);
    qToLittleEndian<qint32>(rgb.dotsPerMeterX(), p + 38);
    qToLittleEndian<qint32>(rgb.dotsPerMeterY(), p + 42);
    for (int y = 0; y < h; ++y) {
        const uchar *src = rgb.constScanLine(y);
        uchar *dst = p + 54 + qsizetype(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x, src += 3, dst += 3) {
            dst[0] = src[2];   // B G R
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

namespace {

// Up to 256 distinct colours of an RGB888 picture, in first-seen order, and
// each pixel's index; false when there are more.
bool paletteOf(const QImage &rgb, std::vector<quint32> &palette, std::vector<uchar> &indexes,
               std::vector<bool> &repeats)
{
    constexpr size_t kSlots = 1024;   // open addressing, at most a quarter full
    std::array<qint32, kSlots> slotColour;
    std::array<int, kSlots> slotIndex;
    slotColour.fill(-1);
    const int w = rgb.width(), h = rgb.height();
    indexes.resize(size_t(w) * size_t(h));
    repeats.assign(size_t(h), false);
    quint32 last = 0xFFFFFFFF;
    uchar lastIndex = 0;
    for (int y = 0; y < h; ++y) {
        const uchar *s = rgb.constScanLine(y);
        uchar *d = indexes.data() + size_t(y) * size_t(w);
        // Bars make most rows repeat the one above.
        if (y > 0 && std::memcmp(s, rgb.constScanLine(y - 1), size_t(w) * 3) == 0) {
            std::memcpy(d, d - w, size_t(w));
            repeats[size_t(y)] = true;
            continue;
        }
        for (int x = 0; x < w; ++x, s += 3) {
            const quint32 c = quint32(s[0]) << 16 | quint32(s[1]) << 8 | s[2];
            if (c != last) {
                size_t slot = (c * 2654435761u) % kSlots;
                while (slotColour[slot] >= 0 && quint32(slotColour[slot]) != c)
                    slot = (slot + 1) % kSlots;
                if (slotColour[slot] < 0) {
                    if (palette.size() == 256)
                        return false;
                    slotColour[slot] = qint32(c);
                    slotIndex[slot] = int(palette.size());
                    palette.push_back(c);
                }
                last = c;
                lastIndex = uchar(slotIndex[slot]);
            }
            d[x] = lastIndex;
        }
    }
    return true;
}

// --- Palette pictures, written here ------------------------------------------------
//
// The bytes libpng writes for them (its chunks, its deflate parameters, its
// 8192-byte IDAT chunks, its tightened zlib header), without libpng's set-up
// and row machinery for every picture, and with one deflate stream per
// thread and parameter set, reset between pictures instead of made anew.

// libpng's buffer for compressed data: one IDAT chunk each time it fills.
constexpr size_t kIdatSize = 8192;

void putU32(QByteArray &out, quint32 v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}

void putChunk(QByteArray &out, const char *type, const uchar *data, size_t length)
{
    putU32(out, quint32(length));
    const qsizetype at = out.size();
    out.append(type, 4);
    if (length)
        out.append(reinterpret_cast<const char *>(data), qsizetype(length));
    putU32(out, quint32(crc32(0, reinterpret_cast<const Bytef *>(out.constData() + at), uInt(length + 4))));
}

// libpng's tightening of the zlib header's window size to the data's size.
void optimizeCmf(uchar *data, size_t dataSize)
{
    if (dataSize > 16384)
        return;
    unsigned cmf = data[0];
    if ((cmf & 0x0f) != 8 || (cmf & 0xf0) > 0x70)
        return;
    unsigned cinfo = cmf >> 4;
    unsigned half = 1U << (cinfo + 7);
    if (dataSize > half)
        return;
    do {
        half >>= 1;
        --cinfo;
    } while (cinfo > 0 && dataSize <= half);
    cmf = (cmf & 0x0f) | (cinfo << 4);
    data[0] = uchar(cmf);
    unsigned flg = data[1] & 0xe0;
    flg += 0x1f - ((cmf << 8) + flg) % 0x1f;
    data[1] = uchar(flg);
}

// A deflate stream of the given parameters, kept per thread and reset.
z_stream *deflateStream(int windowBits, int memLevel)
{
    struct End {
        void operator()(z_stream *z) const
        {
            deflateEnd(z);
            delete z;
        }
    };
    struct Stream {
        int windowBits, memLevel;
        std::unique_ptr<z_stream, End> z;
    };
    thread_local std::vector<Stream> streams;
    for (Stream &s : streams)
        if (s.windowBits == windowBits && s.memLevel == memLevel)
            return deflateReset(s.z.get()) == Z_OK ? s.z.get() : nullptr;
    std::unique_ptr<z_stream, End> z(new z_stream{});
    if (deflateInit2(z.get(), 3, Z_DEFLATED, windowBits, memLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        delete z.release();
        return nullptr;
    }
    streams.push_back({windowBits, memLevel, std::move(z)});
    return streams.back().z.get();
}

QByteArray paletteBytes(const QImage &rgb, const std::vector<quint32> &palette, const std::vector<uchar> &indexes,
                        const std::vector<bool> &repeats, int depth, int windowBits, int memLevel)
{
    const int w = rgb.width(), h = rgb.height();
    const size_t rowBytes = size_t(w * depth + 7) / 8;
    const size_t imageSize = size_t(h) * (rowBytes + 1);
    // libpng narrows the window further to what the data needs.
    if (imageSize <= 16384) {
        unsigned half = 1U << (windowBits - 1);
        while (imageSize + 262 <= half) {
            half >>= 1;
            --windowBits;
        }
    }
    z_stream *z = deflateStream(windowBits, memLevel);
    if (!z)
        return {};

    QByteArray out;
    out.reserve(qsizetype(64 + 3 * palette.size() + imageSize / 4));
    out.append("\x89PNG\r\n\x1a\n", 8);
    uchar ihdr[13];
    const quint32 dims[2] = {quint32(w), quint32(h)};
    for (int k = 0; k < 2; ++k)
        for (int b = 0; b < 4; ++b)
            ihdr[k * 4 + b] = uchar(dims[k] >> (24 - 8 * b));
    ihdr[8] = uchar(depth);
    ihdr[9] = 3;   // palette
    ihdr[10] = ihdr[11] = ihdr[12] = 0;
    putChunk(out, "IHDR", ihdr, sizeof ihdr);
    std::vector<uchar> plte;
    for (quint32 c : palette)
        plte.insert(plte.end(), {uchar(c >> 16), uchar(c >> 8), uchar(c)});
    putChunk(out, "PLTE", plte.data(), plte.size());
    uchar phys[9];
    const quint32 dpm[2] = {quint32(rgb.dotsPerMeterX()), quint32(rgb.dotsPerMeterY())};
    for (int k = 0; k < 2; ++k)
        for (int b = 0; b < 4; ++b)
            phys[k * 4 + b] = uchar(dpm[k] >> (24 - 8 * b));
    phys[8] = 1;   // per metre
    putChunk(out, "pHYs", phys, sizeof phys);

    // The rows, each with its filter byte (none), deflated into IDAT chunks.
    std::vector<uchar> row(rowBytes + 1, 0);
    uchar buffer[kIdatSize];
    bool first = true;
    z->next_out = buffer;
    z->avail_out = kIdatSize;
    const int perByte = 8 / depth;
    for (int y = 0; y <= h; ++y) {
        const bool last = y == h;
        if (!last && !repeats[size_t(y)]) {   // a repeated row is packed already
            std::fill(row.begin() + 1, row.end(), 0);
            const uchar *src = indexes.data() + size_t(y) * size_t(w);
            if (depth == 8)
                std::memcpy(row.data() + 1, src, size_t(w));
            else
                for (int x = 0; x < w; ++x)
                    row[1 + size_t(x / perByte)] |= uchar(src[x] << (8 - depth * (x % perByte + 1)));
        }
        z->next_in = last ? nullptr : row.data();
        z->avail_in = last ? 0 : uInt(row.size());
        for (;;) {
            const int ret = deflate(z, last ? Z_FINISH : Z_NO_FLUSH);
            if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR)
                return {};
            const bool full = z->avail_out == 0;
            if (full || ret == Z_STREAM_END) {
                const size_t size = kIdatSize - z->avail_out;
                if (first)
                    optimizeCmf(buffer, imageSize);
                first = false;
                if (size)
                    putChunk(out, "IDAT", buffer, size);
                z->next_out = buffer;
                z->avail_out = kIdatSize;
            }
            if (ret == Z_STREAM_END)
                break;
            if (!full && z->avail_in == 0)
                break;   // the row is taken in; more after the next
        }
    }
    putChunk(out, "IEND", nullptr, 0);
    return out;
}

void appendData(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray *>(png_get_io_ptr(png))->append(reinterpret_cast<const char *>(data), qsizetype(length));
}

void flushNothing(png_structp) {}

} // namespace

QByteArray EncodePng(const QImage &image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width(), h = rgb.height();
    std::vector<quint32> palette;
    std::vector<uchar> indexes;
    std::vector<bool> repeats;
    const bool indexed = paletteOf(rgb, palette, indexes, repeats);
    // Kept in memory: libpng reports errors with a long jump.
    volatile const int depth = !indexed ? 8 : palette.size() <= 2 ? 1 : palette.size() <= 4 ? 2 : palette.size() <= 16 ? 4 : 8;
    // A window and hash no bigger than the picture needs: setting up the
    // compressor is otherwise most of the work for a small symbol.
    const size_t raw = size_t(h) * (size_t(w * depth + 7) / 8 + 1) * (indexed ? 1 : 3);
    int windowBits = 9;
    while (windowBits < 15 && (size_t(1) << windowBits) < raw)
        ++windowBits;
    volatile const int memLevel = windowBits <= 11 ? 3 : 8;
    if (indexed)
        return paletteBytes(rgb, palette, indexes, repeats, depth, windowBits, memLevel);

    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    std::vector<uchar> row;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return {};
    }
    png_set_write_fn(png, &out, appendData, flushNothing);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth,
                 indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (indexed) {
        std::vector<png_color> colours(palette.size());
        for (size_t i = 0; i < palette.size(); ++i)
            colours[i] = {png_byte(palette[i] >> 16), png_byte(palette[i] >> 8), png_byte(palette[i])};
        png_set_PLTE(png, info, colours.data(), int(colours.size()));
        // Palette pictures compress best unfiltered, and fastest.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    }
    png_set_compression_window_bits(png, windowBits);
    png_set_compression_level(png, 3);
    png_set_compression_mem_level(png, memLevel);
    png_set_pHYs(png, info, png_uint_32(rgb.dotsPerMeterX()), png_uint_32(rgb.dotsPerMeterY()),
                 PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (indexed) {
        const int bits = depth;
        row.resize(size_t((w * bits + 7) / 8));
        const int perByte = 8 / bits;
        for (int y = 0; y < h; ++y) {
            if (!repeats[size_t(y)]) {   // a repeated row is packed already
                std::fill(row.begin(), row.end(), 0);
                const uchar *src = indexes.data() + size_t(y) * size_t(w);
                for (int x = 0; x < w; ++x)
                    row[size_t(x / perByte)] |= uchar(src[x] << (8 - bits * (x % perByte + 1)));
            }
            png_write_row(png, row.data());
        }
    } else {
        for (int y = 0; y < h; ++y)
            png_write_row(png, const_cast<png_bytep>(rgb.constScanLine(y)));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}
