// Round trips through zxing-cpp: every symbol Zebrix draws must decode to
// exactly the bytes it was given, at the level it was asked for, and the
// decoder must find it at the size of the version asked for.
#include "Oracle.h"
#include "QRReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char *kLevelNames[5] = {"", "L", "M", "Q", "H"};

// The output square (border included) as a grey picture, `scale` pixels per module.
std::vector<unsigned char> render(const qrref::Symbol &s, int scale)
{
    const int side = s.side() * scale;
    std::vector<unsigned char> pixels(size_t(side) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            pixels[size_t(y) * side + x] = s.out[1 + size_t(y / scale) * s.side() + x / scale] ? 0 : 255;
    return pixels;
}

oracle::Decoded decode(const qrref::Symbol &s, int scale)
{
    const std::vector<unsigned char> pixels = render(s, scale);
    const int side = s.side() * scale;
    return oracle::DecodeGrey(pixels.data(), side, side, side, ZXing::BarcodeFormat::QRCode, true);
}

// The decoder's own idea of the symbol's size: the distance between the
// corners it reports, in modules (pure mode at one pixel per module places
// the corners on the outer module edges or their centres).
int decodedSize(const qrref::Symbol &s)
{
    const std::vector<unsigned char> pixels = render(s, 1);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setIsPure(true);
    const ZXing::ImageView view(pixels.data(), s.side(), s.side(), ZXing::ImageFormat::Lum, s.side());
    const ZXing::Result r = ZXing::ReadBarcode(view, hints);
    if (!r.isValid())
        return -1;
    const auto &p = r.position();
    return int(std::lround(std::hypot(p.topRight().x - p.topLeft().x, p.topRight().y - p.topLeft().y)));
}

std::string randomBytes(std::mt19937 &rng, int length)
{
    std::uniform_int_distribution<int> byte(1, 255);
    std::string s(size_t(length), '\0');
    for (char &c : s)
        c = char(byte(rng));
    return s;
}

// Lengths tried at each version and level: empty, one byte, full capacity,
// one short of it, and random ones in between.
std::vector<int> lengthsFor(std::mt19937 &rng, int capacity)
{
    std::vector<int> lengths = {0, 1, capacity, capacity - 1};
    std::uniform_int_distribution<int> any(0, capacity);
    for (int i = 0; i < 16; ++i)
        lengths.push_back(any(rng));
    return lengths;
}

class QROracle : public ::testing::TestWithParam<int> {};

TEST_P(QROracle, RandomBytesDecodeBackAtEveryLevel)
{
    const int version = GetParam();
    std::mt19937 rng(1000u + unsigned(version));
    for (int level = kQRLevelL; level <= kQRLevelH; ++level) {
        const int capacity = QRByteCapacity(version, level);
        for (int length : lengthsFor(rng, capacity)) {
            const std::string data = randomBytes(rng, length);
            const qrref::Symbol s = qrref::encode(version, level, data.c_str());
            ASSERT_EQ(s.status, kQROk) << version << "-" << kLevelNames[level] << " length " << length;
            ASSERT_EQ(s.size(), 4 * version + 17);
            oracle::Decoded d = decode(s, 1);
            if (!d.ok)
                d = decode(s, 2);
            ASSERT_TRUE(d.ok) << version << "-" << kLevelNames[level] << " length " << length;
            EXPECT_EQ(d.bytes, data) << version << "-" << kLevelNames[level] << " length " << length;
            EXPECT_EQ(d.ecLevel, kLevelNames[level]) << version << " length " << length;
        }
    }
}

TEST_P(QROracle, DecoderFindsTheSizeOfTheVersionAskedFor)
{
    const int version = GetParam();
    std::mt19937 rng(2000u + unsigned(version));
    for (int level = kQRLevelL; level <= kQRLevelH; ++level) {
        const std::string data = randomBytes(rng, QRByteCapacity(version, level) / 2);
        const qrref::Symbol s = qrref::encode(version, level, data.c_str());
        ASSERT_EQ(s.status, kQROk);
        const int size = decodedSize(s);
        // corners on module centres (N - 1) or on module edges (N)
        EXPECT_TRUE(size == s.size() - 1 || size == s.size())
            << "version " << version << "-" << kLevelNames[level] << ": decoder measured " << size;
        EXPECT_EQ((size + 3 - 17) / 4, version);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVersion, QROracle, ::testing::Range(kQRMinVersion, kQRMaxVersion + 1),
                         [](const auto &info) { return "Version" + std::to_string(info.param); });

} // namespace
