// Zebrix writes palette PNGs itself: the very bytes libpng writes with
// Zebrix's settings, for every depth, size and resolution, one IDAT chunk
// or many, and across pictures written one after the other.
#include "ImageFiles.h"

#include <QImage>
#include <gtest/gtest.h>

#include <csetjmp>
#include <png.h>
#include <vector>

namespace {

// libpng with the settings Zebrix always used: the colours in the order
// first met, the smallest depth that holds them, no filter, compression
// level 3 with a window (and hash) no bigger than the picture needs.
QByteArray byLibpng(const QImage &rgb)
{
    const int w = rgb.width(), h = rgb.height();
    std::vector<QRgb> palette;
    std::vector<uchar> indexes;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = rgb.pixel(x, y) & 0xFFFFFF;
            auto it = std::find(palette.begin(), palette.end(), c);
            if (it == palette.end())
                it = palette.insert(palette.end(), c);
            indexes.push_back(uchar(it - palette.begin()));
        }
    volatile const int depth = palette.size() <= 2 ? 1 : palette.size() <= 4 ? 2 : palette.size() <= 16 ? 4 : 8;
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            static_cast<QByteArray *>(png_get_io_ptr(p))->append(reinterpret_cast<const char *>(data), qsizetype(n));
        },
        [](png_structp) {});
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colours;
    for (QRgb c : palette)
        colours.push_back({png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
    png_set_PLTE(png, info, colours.data(), int(colours.size()));
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    const size_t raw = size_t(h) * (size_t(w * depth + 7) / 8 + 1);
    int windowBits = 9;
    while (windowBits < 15 && (size_t(1) << windowBits) < raw)
        ++windowBits;
    png_set_compression_window_bits(png, windowBits);
    png_set_compression_level(png, 3);
    png_set_compression_mem_level(png, windowBits <= 11 ? 3 : 8);
    png_set_pHYs(png, info, png_uint_32(rgb.dotsPerMeterX()), png_uint_32(rgb.dotsPerMeterY()), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    std::vector<uchar> row(size_t((w * depth + 7) / 8));
    const int perByte = 8 / depth;
    for (int y = 0; y < h; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < w; ++x)
            row[size_t(x / perByte)] |= uchar(indexes[size_t(y * w + x)] << (8 - depth * (x % perByte + 1)));
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct Picture { const char *name; int width, height, colours, dotsPerMeter; bool noise; };

// Bars (runs of one colour, rows repeating) with a text-like band of grey
// levels, or noise that hardly compresses (several IDAT chunks).
QImage make(const Picture &p)
{
    QImage img(p.width, p.height, QImage::Format_RGB888);
    img.setDotsPerMeterX(p.dotsPerMeter);
    img.setDotsPerMeterY(p.dotsPerMeter + 1);
    quint32 seed = 7;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            seed = seed * 1103515245 + 12345;
            int level;
            if (p.noise)
                level = int((seed >> 16) % quint32(p.colours));
            else if (y < p.height * 3 / 4)
                level = (x / 3) % 2 ? p.colours - 1 : 0;
            else
                level = int((x * 7 + y * 3) % p.colours);
            const int v = p.colours > 1 ? level * 255 / (p.colours - 1) : 255;
            img.setPixel(x, y, qRgb(v, 255 - v, (v * 3) & 255));
        }
    return img;
}

class PalettePng : public ::testing::TestWithParam<Picture> {};

TEST_P(PalettePng, LibpngsBytes)
{
    const QImage img = make(GetParam());
    const QByteArray ours = EncodePng(img);
    EXPECT_EQ(ours, byLibpng(img));
    EXPECT_EQ(QImage::fromData(ours).convertToFormat(QImage::Format_RGB888), img);
    EXPECT_EQ(EncodePng(img), ours) << "the stream kept for the next picture";
}

INSTANTIATE_TEST_SUITE_P(Pictures, PalettePng, ::testing::Values(
    Picture{"OnePixel", 1, 1, 1, 3780, false},
    Picture{"TwoColours", 218, 60, 2, 3780, false},
    Picture{"FourColours", 33, 17, 4, 2835, false},
    Picture{"SixteenColours", 101, 40, 16, 3780, false},
    Picture{"TextGreys", 396, 77, 60, 3780, false},
    Picture{"AllColours", 512, 300, 256, 11811, false},
    Picture{"WindowEdge", 254, 64, 2, 3780, false},
    Picture{"NoiseInManyChunks", 300, 200, 256, 3780, true},
    Picture{"WideNoise", 2000, 9, 200, 0, true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
