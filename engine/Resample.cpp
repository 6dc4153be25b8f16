#include "Resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>

double FilterSupport(TResampleFilter f)
{
    switch (f) {
    case TResampleFilter::Box: return 0.5;
    case TResampleFilter::Triangle: return 1.0;
    case TResampleFilter::Hermite: return 1.0;
    case TResampleFilter::Bell: return 1.5;
    case TResampleFilter::BSpline: return 2.0;
    case TResampleFilter::Lanczos3: return 3.0;
    case TResampleFilter::Mitchell: return 2.0;
    }
    return 1.0;
}

namespace {

double sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    x *= std::numbers::pi;
    return std::sin(x) / x;
}

} // namespace

double FilterValue(TResampleFilter f, double x)
{
    switch (f) {
    case TResampleFilter::Box:
        return x > -0.5 && x <= 0.5 ? 1.0 : 0.0;
    case TResampleFilter::Triangle:
        x = std::abs(x);
        return x < 1.0 ? 1.0 - x : 0.0;
    case TResampleFilter::Hermite:
        // 2|x|^3 - 3|x|^2 + 1
        x = std::abs(x);
        return x < 1.0 ? (2.0 * x - 3.0) * x * x + 1.0 : 0.0;
    case TResampleFilter::Bell:
        x = std::abs(x);
        if (x < 0.5)
            return 0.75 - x * x;
        if (x < 1.5) {
            x -= 1.5;
            return 0.5 * x * x;
        }
        return 0.0;
    case TResampleFilter::BSpline:
        x = std::abs(x);
        if (x < 1.0)
            return 0.5 * x * x * x - x * x + 2.0 / 3.0;
        if (x < 2.0) {
            x = 2.0 - x;
            return x * x * x / 6.0;
        }
        return 0.0;
    case TResampleFilter::Lanczos3:
        x = std::abs(x);
        return x < 3.0 ? sinc(x) * sinc(x / 3.0) : 0.0;
    case TResampleFilter::Mitchell: {
        // The cubic with B = C = 1/3.
        constexpr double B = 1.0 / 3.0, C = 1.0 / 3.0;
        x = std::abs(x);
        const double xx = x * x;
        if (x < 1.0)
            return ((12 - 9 * B - 6 * C) * x * xx + (-18 + 12 * B + 6 * C) * xx + (6 - 2 * B)) / 6.0;
        if (x < 2.0)
            return ((-B - 6 * C) * x * xx + (6 * B + 30 * C) * xx + (-12 * B - 48 * C) * x + (8 * B + 24 * C)) / 6.0;
        return 0.0;
    }
    }
    return 0.0;
}

std::vector<std::vector<TContributor>> Contributors(int source, int target, TResampleFilter f)
{
    std::vector<std::vector<TContributor>> out(size_t(std::max(target, 0)));
    if (source <= 0 || target <= 0)
        return out;
    const double s = source == 1 ? double(target) / source : double(target - 1) / double(source - 1);
    const double support = FilterSupport(f);
    // Mirrored at the edges: -j before the first pixel, 2 * source - 1 - j
    // after the last; a picture narrower than the filter still stays inside.
    auto mirror = [source](long long j) {
        const long long n = j < 0 ? -j : j >= source ? 2LL * source - 1 - j : j;
        return int(std::clamp<long long>(n, 0, source - 1));
    };
    for (int i = 0; i < target; ++i) {
        const double centre = i / s;
        const double width = s < 1.0 ? support / s : support;
        const long long left = (long long)std::floor(centre - width), right = (long long)std::ceil(centre + width);
        for (long long j = left; j <= right; ++j) {
            const double weight = s < 1.0 ? FilterValue(f, (centre - double(j)) * s) * s : FilterValue(f, centre - double(j));
            if (weight == 0.0)
                continue;
            out[size_t(i)].push_back({mirror(j), weight});
        }
    }
    return out;
}

namespace {

uchar channel(double v)
{
    return uchar(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

// One RGB pixel: the weighted sum of the contributing pixels.
template <class PixelAt>
void blend(const std::vector<TContributor> &contributors, PixelAt pixelAt, uchar *out)
{
    double r = 0, g = 0, b = 0;
    for (const TContributor &c : contributors) {
        const uchar *p = pixelAt(c.pixel);
        r += p[0] * c.weight;
        g += p[1] * c.weight;
        b += p[2] * c.weight;
    }
    out[0] = channel(r);
    out[1] = channel(g);
    out[2] = channel(b);
}

} // namespace

QImage Resample(const QImage &source, int width, int height, TResampleFilter f)
{
    if (source.isNull() || source.width() < 1 || source.height() < 1)
        throw std::runtime_error("Source bitmap too small");
    if (width < 1 || height < 1)
        return {};
    const QImage src = source.convertToFormat(QImage::Format_RGB888);
    const int sw = src.width(), sh = src.height();

    // Rows: sw x sh into width x sh.
    QImage work(width, sh, QImage::Format_RGB888);
    if (work.isNull())
        return {};
    const auto across = Contributors(sw, width, f);
    for (int y = 0; y < sh; ++y) {
        const uchar *in = src.constScanLine(y);
        uchar *out = work.scanLine(y);
        for (int x = 0; x < width; ++x) {
            blend(across[size_t(x)], [&](int pixel) { return in + 3 * pixel; }, out + 3 * x);
        }
    }
    // Columns: width x sh into width x height.
    QImage dst(width, height, QImage::Format_RGB888);
    if (dst.isNull())
        return {};
    dst.setDotsPerMeterX(source.dotsPerMeterX());
    dst.setDotsPerMeterY(source.dotsPerMeterY());
    const auto down = Contributors(sh, height, f);
    for (int y = 0; y < height; ++y) {
        uchar *out = dst.scanLine(y);
        for (int x = 0; x < width; ++x) {
            blend(down[size_t(y)], [&](int pixel) { return work.constScanLine(pixel) + 3 * x; }, out + 3 * x);
        }
    }
    return dst;
}
