// Filtered resampling against weights worked out by hand.
#include "Resample.h"

#include <gtest/gtest.h>

namespace {

using W = std::vector<TContributor>;

void expectWeights(const W &got, const W &want, const char *what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].pixel, want[i].pixel) << what << " #" << i;
        EXPECT_NEAR(got[i].weight, want[i].weight, 1e-12) << what << " #" << i;
    }
}

TEST(ResampleFilters, ValuesAndSupports)
{
    struct Case { TResampleFilter f; double support; double at0, atHalf, at1; };
    const Case cases[] = {
        {TResampleFilter::Box, 0.5, 1, 1, 0},
        {TResampleFilter::Triangle, 1, 1, 0.5, 0},
        {TResampleFilter::Hermite, 1, 1, 0.5, 0},
        {TResampleFilter::Bell, 1.5, 0.75, 0.5, 0.125},
        {TResampleFilter::BSpline, 2, 2.0 / 3, 23.0 / 48, 1.0 / 6},
        {TResampleFilter::Lanczos3, 3, 1, 0.6079271018540267, 0},
        {TResampleFilter::Mitchell, 2, 8.0 / 9, 0.5347222222222222, 1.0 / 18},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FilterSupport(c.f), c.support);
        EXPECT_NEAR(FilterValue(c.f, 0), c.at0, 1e-12) << int(c.f);
        EXPECT_NEAR(FilterValue(c.f, 0.5), c.atHalf, 1e-12) << int(c.f);
        EXPECT_NEAR(FilterValue(c.f, -1), c.at1, 1e-12) << int(c.f);
        EXPECT_EQ(FilterValue(c.f, c.support + 0.01), 0.0) << int(c.f);
    }
    EXPECT_EQ(FilterValue(TResampleFilter::Box, -0.5), 0.0) << "the box's left edge is open";
}

TEST(ResampleWeights, EnlargeShrinkAndMirroredEdges)
{
    // 3 -> 5: s = (5 - 1) / (3 - 1) = 2, centres 0, 0.5, 1, 1.5, 2.
    const auto up = Contributors(3, 5, TResampleFilter::Triangle);
    expectWeights(up[0], {{0, 1.0}}, "up 0");
    expectWeights(up[1], {{0, 0.5}, {1, 0.5}}, "up 1");
    expectWeights(up[4], {{2, 1.0}}, "up 4");
    // 5 -> 3: s = 0.5, the support doubles, distances halve, weights halve.
    const auto down = Contributors(5, 3, TResampleFilter::Box);
    expectWeights(down[1], {{1, 0.5}, {2, 0.5}}, "down 1");
    const auto tri = Contributors(5, 3, TResampleFilter::Triangle);
    expectWeights(tri[1], {{1, 0.25}, {2, 0.5}, {3, 0.25}}, "down triangle");
    // Mirrored: -j on the left, 2 * width - 1 - j on the right.
    const auto edge = Contributors(3, 3, TResampleFilter::Bell);
    expectWeights(edge[0], {{1, 0.125}, {0, 0.75}, {1, 0.125}}, "left edge");
    expectWeights(edge[2], {{1, 0.125}, {2, 0.75}, {2, 0.125}}, "right edge");
    // One source pixel: s = target / source.
    const auto single = Contributors(1, 2, TResampleFilter::Triangle);
    expectWeights(single[1], {{0, 0.5}, {0, 0.5}}, "single");
}

TEST(Resample, PixelsRoundedClampedAndTooSmall)
{
    QImage src(3, 1, QImage::Format_RGB888);
    src.setPixelColor(0, 0, QColor(0, 0, 0));
    src.setPixelColor(1, 0, QColor(255, 255, 255));
    src.setPixelColor(2, 0, QColor(0, 0, 0));
    const QImage up = Resample(src, 5, 1, TResampleFilter::Triangle);
    ASSERT_EQ(up.size(), QSize(5, 1));
    EXPECT_EQ(up.pixelColor(1, 0), QColor(128, 128, 128)) << "127.5 rounds to even";
    EXPECT_EQ(up.pixelColor(2, 0), QColor(255, 255, 255));
    EXPECT_THROW(Resample(QImage(), 5, 5), std::runtime_error);
    try {
        Resample(QImage(0, 3, QImage::Format_RGB888), 5, 5);
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "Source bitmap too small");
    }
    // A barcode's bars stay where they were, scaled.
    QImage bars(20, 10, QImage::Format_RGB888);
    bars.fill(Qt::white);
    for (int y = 0; y < 10; ++y)
        for (int x = 5; x < 10; ++x)
            bars.setPixelColor(x, y, Qt::black);
    const QImage big = Resample(bars, 39, 19);
    EXPECT_EQ(big.pixelColor(14, 8), QColor(Qt::black));
    EXPECT_EQ(big.pixelColor(30, 8), QColor(Qt::white));
}

} // namespace
