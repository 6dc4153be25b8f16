// Module matrices as pixels: the one way Zebrix turns a grid of dark and
// light modules (a QR Code symbol, the dots of the error picture, a bitmap
// from the stacked-symbol library) into a 24-bit raster. Plain C++ without
// Qt, so that the stacked-symbol plugin paints with it as well; the
// metafile form is ModulePicture() in Image.h.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace modules {

// A 24-bit raster in memory: R, G, B bytes per pixel, `stride` bytes from
// one row to the next.
struct RgbView {
    std::uint8_t *bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

// Fills [left, right) x [top, bottom) with a colour 0x00BBGGRR; whatever lies
// outside the raster is left out.
inline void Fill(const RgbView &v, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                 std::uint32_t colour)
{
    const int l = int(std::clamp<std::int64_t>(left, 0, v.width));
    const int r = int(std::clamp<std::int64_t>(right, 0, v.width));
    const int t = int(std::clamp<std::int64_t>(top, 0, v.height));
    const int b = int(std::clamp<std::int64_t>(bottom, 0, v.height));
    if (l >= r || t >= b)
        return;
    const std::uint8_t red = std::uint8_t(colour), green = std::uint8_t(colour >> 8), blue = std::uint8_t(colour >> 16);
    std::uint8_t *first = v.bits + std::ptrdiff_t(t) * v.stride + std::ptrdiff_t(l) * 3;
    for (int x = 0; x < r - l; ++x) {
        first[3 * x] = red;
        first[3 * x + 1] = green;
        first[3 * x + 2] = blue;
    }
    // The other rows are copies of the first.
    for (int y = t + 1; y < b; ++y)
        std::copy_n(first, std::size_t(r - l) * 3, v.bits + std::ptrdiff_t(y) * v.stride + std::ptrdiff_t(l) * 3);
}

// Calls run(x, y, n, dark) for every run of n equal modules of row y from
// column x, row by row, left to right; `dark(x, y)` says whether module
// (x, y) of a cols x rows matrix is dark.
template <class Dark, class Run>
void ForEachRun(int cols, int rows, Dark &&dark, Run &&run)
{
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols;) {
            const bool d = dark(x, y);
            int end = x + 1;
            while (end < cols && bool(dark(end, y)) == d)
                ++end;
            run(x, y, end - x, d);
            x = end;
        }
    }
}

// Paints `cols` x `rows` modules, each `mw` x `mh` pixels, the first one's
// top-left corner at (x0, y0). Dark modules take `bar`; light ones take
// `back`, or are left as they are when `back` is kLeave.
inline constexpr std::uint32_t kLeave = 0xFFFFFFFF;

template <class Dark>
void Paint(const RgbView &v, int cols, int rows, std::int64_t x0, std::int64_t y0, int mw, int mh, Dark &&dark,
           std::uint32_t bar, std::uint32_t back = kLeave)
{
    ForEachRun(cols, rows, dark, [&](int x, int y, int n, bool d) {
        if (d || back != kLeave) {
            const std::int64_t left = x0 + std::int64_t(x) * mw, top = y0 + std::int64_t(y) * mh;
            Fill(v, left, top, left + std::int64_t(n) * mw, top + mh, d ? bar : back);
        }
    });
}

} // namespace modules
