// Filtered resampling of a 24-bit picture to another size: separable, first
// the rows (horizontal pass) into a 24-bit intermediate picture, then the
// columns. Printing uses it with Lanczos3 to bring a linear symbol's bitmap
// to the printer's dots.
//
// Per axis the scale is s = (target - 1) / (source - 1) (target / source
// for a source one pixel wide). The centre of output pixel i lies at i / s
// in source pixels. For s >= 1 each source pixel j within the filter's
// support of that centre weighs filter(centre - j); for s < 1 the support
// widens to support / s and the weight is filter((centre - j) * s) * s.
// Source positions outside the picture are mirrored at its edges (-j before
// the first pixel, 2 * width - 1 - j after the last). Weights are used as
// the filter gives them (not normalised); zero weights are skipped. Each
// channel of a sum is rounded to the nearest integer (halves to even) and
// clamped to 0..255.
#pragma once

#include <QImage>
#include <stdexcept>
#include <vector>

enum class TResampleFilter { Box, Triangle, Hermite, Bell, BSpline, Lanczos3, Mitchell };

// The filter's support (its half-width in source pixels at s = 1):
// Box 0.5, Triangle 1, Hermite 1, Bell 1.5, B-Spline 2, Lanczos3 3, Mitchell 2.
double FilterSupport(TResampleFilter f);
// The filter's value at distance x.
double FilterValue(TResampleFilter f, double x);

// One output pixel's contributors along an axis: source index (after
// mirroring) and weight, in source order.
struct TContributor {
    int pixel;
    double weight;
};
std::vector<std::vector<TContributor>> Contributors(int source, int target, TResampleFilter f);

// The picture resampled to width x height (Format_RGB888, the source's
// resolution). Throws std::runtime_error("Source bitmap too small") for a
// source without pixels; a target of no pixels gives a null picture.
QImage Resample(const QImage &source, int width, int height, TResampleFilter f = TResampleFilter::Lanczos3);
