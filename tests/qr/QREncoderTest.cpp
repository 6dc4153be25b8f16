// The QR encoder: its tables, codewords, statuses, the patterns of the
// finished symbol and the choice of the mask.
#include "QREncoder.h"
#include "QRReference.h"
#include "QRTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using qrref::Symbol;

// ISO/IEC 18004 Table 7, byte mode: capacity in bytes for L, M, Q, H.
constexpr std::array<std::array<int, 4>, 40> kByteCapacity = {{
    {  17,   14,   11,    7},  // 1
    {  32,   26,   20,   14},
    {  53,   42,   32,   24},
    {  78,   62,   46,   34},
    { 106,   84,   60,   44},  // 5
    { 134,  106,   74,   58},
    { 154,  122,   86,   64},
    { 192,  152,  108,   84},
    { 230,  180,  130,   98},
    { 271,  213,  151,  119},  // 10
    { 321,  251,  177,  137},
    { 367,  287,  203,  155},
    { 425,  331,  241,  177},
    { 458,  362,  258,  194},
    { 520,  412,  292,  220},  // 15
    { 586,  450,  322,  250},
    { 644,  504,  364,  280},
    { 718,  560,  394,  310},
    { 792,  624,  442,  338},
    { 858,  666,  482,  382},  // 20
    { 929,  711,  509,  403},
    {1003,  779,  565,  439},
    {1091,  857,  611,  461},
    {1171,  911,  661,  511},
    {1273,  997,  715,  535},  // 25
    {1367, 1059,  751,  593},
    {1465, 1125,  805,  625},
    {1528, 1190,  868,  658},
    {1628, 1264,  908,  698},
    {1732, 1370,  982,  742},  // 30
    {1840, 1452, 1030,  790},
    {1952, 1538, 1112,  842},
    {2068, 1628, 1168,  898},
    {2188, 1722, 1228,  958},
    {2303, 1809, 1283,  983},  // 35
    {2431, 1911, 1351, 1051},
    {2563, 1989, 1423, 1093},
    {2699, 2099, 1499, 1139},
    {2809, 2213, 1579, 1219},
    {2953, 2331, 1663, 1273},  // 40
}};

// Codewords of a symbol: the modules left after the function patterns,
// counted from the geometry (finders with separators and format areas 3 x 64
// + 31, timing 2 (N - 16), alignment patterns 25 each, 5 cells of them on the
// timing lines counted once, version areas 36), divided by 8.
int totalCodewordsFromGeometry(int version)
{
    const int n = 4 * version + 17;
    int modules = n * n - 3 * 64 - 31 - 2 * (n - 16);
    if (version >= 2) {
        const int count = version / 7 + 2;
        modules -= 25 * (count * count - 3) - 10 * (count - 2);
    }
    if (version >= 7)
        modules -= 36;
    return modules / 8;
}

// Alignment pattern centres: 6, then `count - 1` centres evenly spaced by an
// even step ending at N - 7 (version 32 uses the step 26).
std::vector<int> alignmentCentres(int version)
{
    if (version == 1)
        return {};
    const int count = version / 7 + 2;
    const int step = version == 32 ? 26 : (version * 4 + count * 2 + 1) / (count * 2 - 2) * 2;
    std::vector<int> centres = {6};
    for (int i = count - 2; i >= 0; --i)
        centres.push_back(4 * version + 10 - i * step);
    return centres;
}

std::string randomBytes(std::mt19937 &rng, int length)
{
    std::uniform_int_distribution<int> byte(1, 255);
    std::string s(size_t(length), '\0');
    for (char &c : s)
        c = char(byte(rng));
    return s;
}

// ------------------------------------------------------------------ tables

TEST(QRTables, ByteCapacityEqualsTheStandardsTable)
{
    for (int v = 1; v <= 40; ++v)
        for (int level = 1; level <= 4; ++level)
            EXPECT_EQ(QRByteCapacity(v, level), kByteCapacity[v - 1][level - 1]) << v << "/" << level;
}

TEST(QRTables, SizeIsFourTimesVersionPlus17)
{
    for (int v = 1; v <= 40; ++v)
        EXPECT_EQ(QRSymbolSize(v), 4 * v + 17);
    EXPECT_EQ(QRSymbolSize(0), -1);
    EXPECT_EQ(QRSymbolSize(41), -1);
    EXPECT_EQ(QRByteCapacity(0, 1), -1);
    EXPECT_EQ(QRByteCapacity(1, 5), -1);
}

TEST(QRTables, VersionRecordsAreConsistent)
{
    using namespace qr_tables;
    for (const VersionRecord &v : kVersions) {
        SCOPED_TRACE("version " + std::to_string(v.version));
        EXPECT_EQ(v.version, &v - kVersions.data() + 1);
        EXPECT_EQ(v.size, 4 * v.version + 17);
        EXPECT_EQ(v.totalCodewords, totalCodewordsFromGeometry(v.version));
        EXPECT_EQ(v.countBits, v.version <= 9 ? 8 : 16);
        const std::vector<int> centres(v.alignment.begin(), v.alignment.begin() + v.alignmentCount);
        EXPECT_EQ(centres, alignmentCentres(v.version));
        for (const LevelRecord &l : v.levels) {
            const BlockGroup &g1 = l.groups[0], &g2 = l.groups[1];
            EXPECT_EQ(g1.count * g1.total + g2.count * g2.total, v.totalCodewords);
            EXPECT_EQ(g1.count * g1.data + g2.count * g2.data, l.dataCodewords);
            if (g2.count) {
                EXPECT_EQ(g2.total, g1.total + 1);
                EXPECT_EQ(g2.data, g1.data + 1);
            }
            const int e = g1.total - g1.data;
            EXPECT_TRUE(std::find(kEccLengths.begin(), kEccLengths.end(), e) != kEccLengths.end()) << e;
            EXPECT_EQ(l.byteCapacity, (8 * l.dataCodewords - 4 - v.countBits) / 8);
        }
    }
    // the figures of versions 1 and 40
    EXPECT_EQ(kVersions[0].totalCodewords, 26);
    EXPECT_EQ(kVersions[39].totalCodewords, 3706);
    EXPECT_EQ(kVersions[0].levels[0].dataCodewords, 19);
    EXPECT_EQ(kVersions[0].levels[3].dataCodewords, 9);
    EXPECT_EQ(kVersions[39].levels[0].dataCodewords, 2956);
    EXPECT_EQ(kVersions[39].levels[1].dataCodewords, 2334);
    EXPECT_EQ(kVersions[39].levels[2].dataCodewords, 1666);
    EXPECT_EQ(kVersions[39].levels[3].dataCodewords, 1276);
    const BlockGroup g1 = kVersions[39].levels[0].groups[0], g2 = kVersions[39].levels[0].groups[1];
    const std::vector<int> blocks40L = {g1.count, g1.total, g1.data, g2.count, g2.total, g2.data};
    EXPECT_EQ(blocks40L, std::vector<int>({19, 148, 118, 6, 149, 119}));
}

TEST(QRTables, GaloisFieldOf0x11D)
{
    using qr_tables::kGF;
    EXPECT_EQ(kGF.exp[0], 1);
    EXPECT_EQ(kGF.exp[7], 0x80);
    EXPECT_EQ(kGF.exp[8], 0x1D);   // x^8 = x^4 + x^3 + x^2 + 1
    EXPECT_EQ(kGF.exp[254], 0x8E);
    EXPECT_EQ(kGF.exp[255], 1);
    for (int i = 0; i < 255; ++i)
        EXPECT_EQ(kGF.log[kGF.exp[i]], i);
}

// ISO/IEC 18004 Annex A: exponents of alpha, degree e - 1 down to 0.
TEST(QRTables, GeneratorPolynomialsOfTheStandard)
{
    using qr_tables::kGenerators;
    const auto exponents = [](int e) {
        const auto &g = kGenerators[size_t(e)];
        return std::vector<int>(g.exponents.begin(), g.exponents.begin() + g.length);
    };
    EXPECT_EQ(exponents(7), std::vector<int>({87, 229, 146, 149, 238, 102, 21}));
    EXPECT_EQ(exponents(10), std::vector<int>({251, 67, 46, 61, 118, 70, 64, 94, 32, 45}));
    EXPECT_EQ(exponents(13), std::vector<int>({74, 152, 176, 100, 86, 100, 106, 104, 130, 218, 206, 140, 78}));
    for (int e : qr_tables::kEccLengths)
        EXPECT_EQ(kGenerators[size_t(e)].length, e);
}

// --------------------------------------------------------------- codewords

std::vector<int> codewords(int version, int level, const std::string &data)
{
    std::vector<uint8_t> out(4000);
    const int n = qr_internal::Codewords(version, level, reinterpret_cast<const uint8_t *>(data.data()),
                                         int(data.size()), out.data());
    return std::vector<int>(out.begin(), out.begin() + std::max(n, 0));
}

constexpr int EC = 0xEC, P11 = 0x11;

TEST(QRCodewords, ABAtVersion1L)
{
    // mode 0100, count 00000010, 'A' 'B', terminator, pad bytes; then the
    // error-correction codewords
    const std::vector<int> expected = {0x40, 0x24, 0x14, 0x20, EC, P11, EC, P11, EC, P11, EC, P11, EC,
                                       P11, EC, P11, EC, P11, EC,
                                       0x54, 0x32, 0xBF, 0xC1, 0xBC, 0x0D, 0xE8};
    EXPECT_EQ(codewords(1, kQRLevelL, "AB"), expected);
}

TEST(QRCodewords, EmptyStringIsModeCountTerminatorAndPadding)
{
    const std::vector<int> all = codewords(1, kQRLevelL, "");
    ASSERT_EQ(all.size(), 26u);
    std::vector<int> data(all.begin(), all.begin() + 19);
    std::vector<int> expected = {0x40, 0x00};
    for (int i = 0; expected.size() < 19; ++i)
        expected.push_back(i % 2 ? P11 : EC);
    EXPECT_EQ(data, expected);
}

TEST(QRCodewords, SeventeenBytesFillVersion1LWithoutPadding)
{
    const std::string data = "ABCDEFGHIJKLMNOPQ";
    const std::vector<int> all = codewords(1, kQRLevelL, data);
    ASSERT_EQ(all.size(), 26u);
    // every byte 4 bits off the byte grid; the last nibble is followed by the
    // 4-bit terminator and nothing else
    std::vector<int> expected = {0x40 | (17 >> 4), ((17 & 15) << 4) | (data[0] >> 4)};
    for (size_t i = 1; i < data.size(); ++i)
        expected.push_back(((data[i - 1] & 15) << 4) | (uint8_t(data[i]) >> 4));
    expected.push_back((data.back() & 15) << 4);
    EXPECT_EQ(std::vector<int>(all.begin(), all.begin() + 19), expected);
    EXPECT_EQ(qr_internal::Codewords(1, kQRLevelL, reinterpret_cast<const uint8_t *>("ABCDEFGHIJKLMNOPQR"), 18,
                                     std::vector<uint8_t>(4000).data()),
              kQRDataTooLong);
}

TEST(QRCodewords, HighBytesAreTakenUnchangedWithSixteenBitCount)
{
    std::string data;
    for (int b = 0x80; b <= 0xFF; ++b)
        data.push_back(char(b));
    // version 10 M: one block group of 5 blocks; codeword 0 of block 0 comes first,
    // and block 0 holds the first data codewords in order
    const std::vector<int> all = codewords(10, kQRLevelM, data);
    ASSERT_EQ(all.size(), 346u);
    EXPECT_EQ(all[0], 0x40);                              // mode, count bits 15-12
    const int blocks = 5;
    EXPECT_EQ(all[size_t(blocks)], 0x08);                 // count bits 11-4 (128)
    EXPECT_EQ(all[size_t(2 * blocks)], 0x08);             // count bits 3-0, then 0x80 >> 4
    EXPECT_EQ(all[size_t(3 * blocks)], 0x08);             // 0x80 & 15, 0x81 >> 4
    EXPECT_EQ(all[size_t(4 * blocks)], 0x18);             // 0x81 & 15, 0x82 >> 4
}

TEST(QRCodewords, Version40LTakes2953BytesAndRefuses2954)
{
    std::mt19937 rng(5);
    const std::string full = randomBytes(rng, 2953);
    EXPECT_EQ(codewords(40, kQRLevelL, full).size(), 3706u);
    const Symbol s = qrref::encode(40, kQRLevelL, full.c_str());
    EXPECT_EQ(s.status, kQROk);
    EXPECT_EQ(s.side(), 185);
    const std::string tooLong = full + "x";
    EXPECT_EQ(qrref::encode(40, kQRLevelL, tooLong.c_str()).status, kQRDataTooLong);
}

// ---------------------------------------------------------------- statuses

struct StatusCase {
    const char *name;
    int version;
    int level;
    int length;   // of a string of 'a'
    int expected;
};

TEST(QRStatus, ChecksVersionThenLevelThenLength)
{
    const StatusCase cases[] = {
        {"version 0", 0, 1, 1, kQRBadVersion},
        {"version 41", 41, 1, 1, kQRBadVersion},
        {"negative version", -5, 2, 1, kQRBadVersion},
        {"INT_MIN version", INT_MIN, 1, 1, kQRBadVersion},
        {"INT_MAX version", INT_MAX, 1, 1, kQRBadVersion},
        {"version wins over level", 0, 0, 1, kQRBadVersion},
        {"version wins over level 5", 41, 5, 1, kQRBadVersion},
        {"version wins over length", 0, 1, 9000, kQRBadVersion},
        {"level 0", 1, 0, 1, kQRBadLevel},
        {"level 5", 40, 5, 1, kQRBadLevel},
        {"INT_MIN level", 7, INT_MIN, 1, kQRBadLevel},
        {"level wins over length", 1, 5, 9000, kQRBadLevel},
        {"18 bytes at 1-L", 1, 1, 18, kQRDataTooLong},
        {"8 bytes at 1-H", 1, 4, 8, kQRDataTooLong},
        {"2954 bytes at 40-L", 40, 1, 2954, kQRDataTooLong},
        {"8001 bytes", 40, 1, 8001, kQRDataTooLong},
        {"20000 bytes", 40, 1, 20000, kQRDataTooLong},
        {"17 bytes at 1-L", 1, 1, 17, kQROk},
        {"7 bytes at 1-H", 1, 4, 7, kQROk},
        {"1273 bytes at 40-H", 40, 4, 1273, kQROk},
    };
    for (const StatusCase &c : cases) {
        const std::string data(size_t(c.length), 'a');
        std::vector<int32_t> out(kQRMaxOutputLength + 1, 0x5A5A5A5A);
        EXPECT_EQ(EncodeQRSymbol(c.version, c.level, data.c_str(), out.data()), c.expected) << c.name;
        if (c.expected != kQROk)
            EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 0x5A5A5A5A; }))
                << c.name << ": output written on failure";
        else
            EXPECT_EQ(out[size_t(QROutputLength(c.version))], 0x5A5A5A5A) << c.name << ": written past the end";
    }
}

TEST(QRStatus, NullPointersAreRefusedAfterVersionAndLevel)
{
    std::vector<int32_t> out(kQRMaxOutputLength, 7);
    EXPECT_EQ(EncodeQRSymbol(0, 1, nullptr, out.data()), kQRBadVersion);
    EXPECT_EQ(EncodeQRSymbol(1, 0, nullptr, out.data()), kQRBadLevel);
    EXPECT_EQ(EncodeQRSymbol(1, 1, nullptr, out.data()), kQRDataTooLong);
    EXPECT_EQ(EncodeQRSymbol(1, 1, "AB", nullptr), kQRDataTooLong);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 7; }));
}

// Counting stops at 8001 bytes: a buffer of 8001 nonzero bytes with no
// terminator is refused without reading past it.
TEST(QRStatus, CountingStopsAt8001Bytes)
{
    std::vector<char> unterminated(kQRCountLimit, 'a');
    std::vector<int32_t> out(kQRMaxOutputLength, 0);
    EXPECT_EQ(EncodeQRSymbol(40, 1, unterminated.data(), out.data()), kQRDataTooLong);
}

TEST(QRStatus, ZeroByteEndsTheData)
{
    const char withZero[] = {'A', 'B', '\0', 'C', 'D', '\0'};
    const Symbol a = qrref::encode(1, kQRLevelM, withZero);
    const Symbol b = qrref::encode(1, kQRLevelM, "AB");
    ASSERT_EQ(a.status, kQROk);
    EXPECT_EQ(a.out, b.out);
}

// Each thread has its own workspace: symbols encoded on four threads at
// once equal the same symbols encoded one after the other.
TEST(QRStatus, ConcurrentEncodingsDoNotMeet)
{
    std::mt19937 rng(31);
    std::vector<std::string> inputs;
    std::vector<int> versions;
    for (int i = 0; i < 4; ++i) {
        versions.push_back(10 * i + 7);
        inputs.push_back(randomBytes(rng, QRByteCapacity(versions.back(), kQRLevelQ)));
    }
    std::vector<Symbol> alone;
    for (int i = 0; i < 4; ++i)
        alone.push_back(qrref::encode(versions[size_t(i)], kQRLevelQ, inputs[size_t(i)].c_str()));
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < 25; ++round) {
                const Symbol s = qrref::encode(versions[size_t(i)], kQRLevelQ, inputs[size_t(i)].c_str());
                mismatches[size_t(i)] += s.out != alone[size_t(i)].out;
            }
        });
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

// ------------------------------------------------------------- the symbol

TEST(QRSymbol, BorderOfFourLightModules)
{
    for (int version : {1, 7, 40}) {
        const Symbol s = qrref::encode(version, kQRLevelQ, "border");
        ASSERT_EQ(s.status, kQROk);
        const int w = s.side();
        ASSERT_EQ(w, 4 * version + 25);
        int darkInBorder = 0;
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < w; ++x) {
                const int32_t v = s.out[1 + size_t(y) * w + x];
                EXPECT_TRUE(v == 0 || v == 1);
                if (y < 4 || y >= w - 4 || x < 4 || x >= w - 4)
                    darkInBorder += v;
            }
        EXPECT_EQ(darkInBorder, 0) << "version " << version;
        // the finder's corner sits just inside the border
        EXPECT_EQ(s.out[1 + 4 * size_t(w) + 4], 1);
    }
}

TEST(QRSymbol, Version1OutputHas29By29Modules)
{
    std::vector<int32_t> out(1 + 29 * 29 + 1, -9);
    ASSERT_EQ(EncodeQRSymbol(1, kQRLevelL, "AB", out.data()), kQROk);
    EXPECT_EQ(out[0], 29);
    EXPECT_EQ(out[1 + 29 * 29], -9);
}

// Finder patterns with their separators, timing patterns, alignment patterns
// and the dark module, at every version.
TEST(QRSymbol, FunctionPatternsAtEveryVersion)
{
    std::mt19937 rng(3);
    for (int version = 1; version <= 40; ++version) {
        SCOPED_TRACE("version " + std::to_string(version));
        const std::string data = randomBytes(rng, QRByteCapacity(version, kQRLevelM));
        const Symbol s = qrref::encode(version, kQRLevelM, data.c_str());
        ASSERT_EQ(s.status, kQROk);
        const int n = s.size();
        // finders (rings dark, light, dark 3 x 3) and separators, read as 8 x 8 corners
        const auto finderCell = [](int r, int c) {
            if (r == 7 || c == 7)
                return 0;
            const int ring = std::min(std::min(r, c), std::min(6 - r, 6 - c));
            return ring == 1 ? 0 : 1;
        };
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c) {
                ASSERT_EQ(s.at(r, c), finderCell(r, c)) << "top-left " << r << "," << c;
                ASSERT_EQ(s.at(r, n - 1 - c), finderCell(r, c)) << "top-right " << r << "," << c;
                ASSERT_EQ(s.at(n - 1 - r, c), finderCell(r, c)) << "bottom-left " << r << "," << c;
            }
        // timing patterns, also where alignment patterns lie on row or column 6
        for (int i = 8; i <= n - 9; ++i) {
            ASSERT_EQ(s.at(6, i), i % 2 == 0 ? 1 : 0) << "row 6, column " << i;
            ASSERT_EQ(s.at(i, 6), i % 2 == 0 ? 1 : 0) << "column 6, row " << i;
        }
        // alignment patterns everywhere except on the three finders
        const std::vector<int> centres = alignmentCentres(version);
        int drawn = 0;
        for (int r : centres)
            for (int c : centres) {
                const bool onFinder = (r == 6 && c == 6) || (r == 6 && c == n - 7) || (r == n - 7 && c == 6);
                if (onFinder)
                    continue;
                ++drawn;
                for (int dr = -2; dr <= 2; ++dr)
                    for (int dc = -2; dc <= 2; ++dc) {
                        const int ring = std::max(std::abs(dr), std::abs(dc));
                        ASSERT_EQ(s.at(r + dr, c + dc), ring == 1 ? 0 : 1) << "alignment at " << r << "," << c;
                    }
            }
        EXPECT_EQ(drawn, version == 1 ? 0 : int(centres.size() * centres.size()) - 3);
        EXPECT_EQ(s.at(n - 8, 8), 1) << "dark module";
    }
}

TEST(QRSymbol, FormatInformationNamesLevelAndMask)
{
    for (int version : {1, 6, 7, 22, 40})
        for (int level = kQRLevelL; level <= kQRLevelH; ++level) {
            const Symbol s = qrref::encode(version, level, "format");
            ASSERT_EQ(s.status, kQROk);
            const qrref::Format f = qrref::readFormat(s);
            EXPECT_TRUE(f.valid) << version << "/" << level;
            EXPECT_EQ(f.level, level);
        }
    // the standard's worked example: level M, mask 5 gives 100000011001110
    EXPECT_EQ(((0b00101 << 10) | qrref::bchRemainder(0b00101, 0x537, 10)) ^ 0x5412, 0b100000011001110);
}

// Annex D: version 7 is 000111 110010 010100, version 40 101000 110001 101001.
TEST(QRSymbol, VersionInformationFromVersion7On)
{
    EXPECT_EQ((7 << 12) | qrref::bchRemainder(7, 0x1F25, 12), 0x07C94);
    EXPECT_EQ((40 << 12) | qrref::bchRemainder(40, 0x1F25, 12), 0x28C69);
    for (int version = 7; version <= 40; ++version) {
        const Symbol s = qrref::encode(version, kQRLevelH, "version information");
        ASSERT_EQ(s.status, kQROk);
        const int expected = (version << 12) | qrref::bchRemainder(version, 0x1F25, 12);
        EXPECT_EQ(qrref::readVersionBottomLeft(s), expected) << version;
        EXPECT_EQ(qrref::readVersionTopRight(s), expected) << version;
    }
}

// Below version 7 the cells of the version areas carry data: each of them
// changes with the mask or the data. From version 7 on they are reserved:
// light under every mask and every data until the version information is drawn.
TEST(QRSymbol, VersionAreasReservedOnlyFromVersion7)
{
    std::mt19937 rng(29);
    for (int version : {5, 6, 7, 8}) {
        const int n = QRSymbolSize(version);
        std::vector<qrref::Matrix> masked;
        for (int round = 0; round < 4; ++round) {
            const std::string data = randomBytes(rng, QRByteCapacity(version, kQRLevelL));
            for (int mask = 0; mask < 8; ++mask) {
                masked.emplace_back(n);
                ASSERT_EQ(qr_internal::MaskedMatrix(version, kQRLevelL, data.c_str(), mask, masked.back().cells.data()), n);
            }
        }
        for (int b = 0; b < 18; ++b)
            for (int copy = 0; copy < 2; ++copy) {
                const int r = copy ? b / 3 : n - 11 + b % 3;
                const int c = copy ? n - 11 + b % 3 : b / 3;
                bool varies = false, alwaysLight = true;
                for (const qrref::Matrix &m : masked) {
                    varies = varies || m.at(r, c) != masked[0].at(r, c);
                    alwaysLight = alwaysLight && m.at(r, c) == 0;
                }
                if (version < 7)
                    EXPECT_TRUE(varies) << version << " cell " << r << "," << c;
                else
                    EXPECT_TRUE(alwaysLight) << version << " cell " << r << "," << c;
            }
    }
}

// ------------------------------------------------------------------ masks

std::array<int, 8> referencePenalties(int version, int level, const std::string &data,
                                      std::vector<qrref::Matrix> *matrices = nullptr)
{
    std::array<int, 8> p{};
    for (int mask = 0; mask < 8; ++mask) {
        qrref::Matrix m(QRSymbolSize(version));
        qr_internal::MaskedMatrix(version, level, data.c_str(), mask, m.cells.data());
        p[size_t(mask)] = qrref::referencePenalty(m);
        if (matrices)
            matrices->push_back(m);
    }
    return p;
}

// The mask in the format information is the first of the lowest reference
// penalties, and the symbol is that masked matrix plus the format and
// version information and the dark module.
TEST(QRMask, LowestReferencePenaltyWinsAndIsDrawn)
{
    std::mt19937 rng(17);
    int symbols = 0;
    for (int version = 1; version <= 40; version += (version < 10 ? 1 : 3))
        for (int level = kQRLevelL; level <= kQRLevelH; ++level) {
            const std::string data = randomBytes(rng, int(rng() % unsigned(QRByteCapacity(version, level) + 1)));
            std::vector<qrref::Matrix> masked;
            const std::array<int, 8> p = referencePenalties(version, level, data, &masked);
            const int expected = int(std::min_element(p.begin(), p.end()) - p.begin());
            const Symbol s = qrref::encode(version, level, data.c_str());
            ASSERT_EQ(s.status, kQROk);
            const qrref::Format f = qrref::readFormat(s);
            ASSERT_TRUE(f.valid);
            EXPECT_EQ(f.mask, expected) << version << "/" << level;
            // differences only in the format cells, the dark module and the version areas
            const int n = s.size();
            const qrref::Matrix drawn = s.matrix();
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) {
                    const bool format = (r == 8 && (c <= 8 || c >= n - 8)) || (c == 8 && (r <= 8 || r >= n - 8));
                    const bool versionArea = version >= 7 && ((r < 6 && c >= n - 11 && c < n - 8)
                                                              || (c < 6 && r >= n - 11 && r < n - 8));
                    if (!format && !versionArea) {
                        ASSERT_EQ(drawn.at(r, c), masked[size_t(f.mask)].at(r, c)) << r << "," << c;
                    }
                }
            ++symbols;
        }
    EXPECT_EQ(symbols, 80);
}

// Finds symbols whose lowest penalty is shared by two masks and checks that
// the lower mask number is drawn.
TEST(QRMask, EqualPenaltiesChooseTheLowerMask)
{
    std::mt19937 rng(23);
    int ties = 0;
    for (int attempt = 0; attempt < 4000 && ties < 3; ++attempt) {
        const int level = int(rng() % 4) + 1;
        const std::string data = randomBytes(rng, int(rng() % unsigned(QRByteCapacity(1, level) + 1)));
        const std::array<int, 8> p = referencePenalties(1, level, data);
        const int lowest = *std::min_element(p.begin(), p.end());
        if (std::count(p.begin(), p.end(), lowest) < 2)
            continue;
        ++ties;
        const int first = int(std::find(p.begin(), p.end(), lowest) - p.begin());
        const Symbol s = qrref::encode(1, level, data.c_str());
        EXPECT_EQ(qrref::readFormat(s).mask, first) << "tie at penalty " << lowest;
    }
    EXPECT_GE(ties, 3) << "no tie found to check";
}

} // namespace
