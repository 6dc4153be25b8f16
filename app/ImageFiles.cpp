#include "ImageFiles.h"

#include <QtEndian>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <png.h>
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
    // A window and hash no bigger than the picture needs: setting up the
    // compressor is otherwise most of the work for a small symbol.
    const size_t raw = size_t(h) * (size_t(w * depth + 7) / 8 + 1) * (indexed ? 1 : 3);
    int windowBits = 9;
    while (windowBits < 15 && (size_t(1) << windowBits) < raw)
        ++windowBits;
    png_set_compression_window_bits(png, windowBits);
    png_set_compression_level(png, 3);
    png_set_compression_mem_level(png, windowBits <= 11 ? 3 : 8);
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
