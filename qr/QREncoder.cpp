#include "QREncoder.h"

#include "QRTables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

using namespace qr_tables;

namespace {

constexpr int kMaxSize = qr_internal::kMaxSize;
// A line of the matrix (a row, or a column read downward) is kept as bits:
// cell k at bit k + 1, bit 0 and the bits after the last cell zero. The
// empty bit before and after the cells stands for "outside the symbol",
// which the finder-like rule treats as light. 177 + 2 bits need 3 words.
constexpr int kWords = 3;
using Line = uint64_t[kWords];

constexpr int kMaxDataCodewords = 2956;
constexpr int kMaxTotalCodewords = 3706;
constexpr int kCodewordSlack = 16;
constexpr int kMaxEccCodewords = [] {
    int most = 0;
    for (const VersionRecord &v : kVersions)
        for (const LevelRecord &l : v.levels)
            most = std::max(most, blockCount(l) * eccPerBlock(l));
    return most;
}();

static_assert([] {
    for (const VersionRecord &v : kVersions)
        for (const LevelRecord &l : v.levels)
            if (l.dataCodewords > kMaxDataCodewords || v.totalCodewords > kMaxTotalCodewords
                || kGenerators[eccPerBlock(l)].length != eccPerBlock(l))
                return false;
    return true;
}(), "every version and level fits the work areas and has its generator polynomial");

static_assert([] {
    for (const Generator &g : kGenerators)
        for (int j = 0; j < g.length; ++j)
            if (kGF.exp[g.exponents[j]] == 0)
                return false;
    return true;
}(), "generator coefficients are nonzero powers of alpha");

// The eight mask conditions at (row i, column j).
constexpr bool maskCondition(int mask, int i, int j)
{
    switch (mask) {
    case 0: return (i + j) % 2 == 0;
    case 1: return i % 2 == 0;
    case 2: return j % 3 == 0;
    case 3: return (i + j) % 3 == 0;
    case 4: return (i / 2 + j / 3) % 2 == 0;
    case 5: return (i * j) % 2 + (i * j) % 3 == 0;
    case 6: return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
    default: return ((i * j) % 3 + (i + j) % 2) % 2 == 0;
    }
}

// Every mask repeats after 12 rows and after 12 columns, so a mask is 12
// row lines (indexed by row mod 12) and 12 column lines (by column mod 12).
struct MaskLines {
    uint64_t rows[8][12][kWords];
    uint64_t cols[8][12][kWords];
};

constexpr MaskLines makeMaskLines()
{
    MaskLines t{};
    for (int m = 0; m < 8; ++m)
        for (int r = 0; r < 12; ++r)
            for (int k = 0; k < kMaxSize; ++k) {
                const int bit = k + 1;
                if (maskCondition(m, r, k))
                    t.rows[m][r][bit >> 6] |= uint64_t(1) << (bit & 63);
                if (maskCondition(m, k, r))
                    t.cols[m][r][bit >> 6] |= uint64_t(1) << (bit & 63);
            }
    return t;
}
constexpr MaskLines kMaskLines = makeMaskLines();

// The symbol as lines: what the function patterns fix, which cells take
// data, and the data bits before masking.
struct Planes {
    Line fixedDark[kMaxSize];   // dark function cells
    Line free[kMaxSize];        // cells that take data (and the mask)
    Line data[kMaxSize];        // data bits placed
};

// All working storage of one encoding; sized for version 40.
struct Workspace {
    uint8_t dataCodewords[kMaxDataCodewords];
    uint8_t ecc[kMaxEccCodewords];
    uint8_t codewords[kMaxTotalCodewords + kCodewordSlack];
    uint64_t rsTable[256][4];   // generator times each feedback byte, bytes in little-endian order
    Planes rows;                // indexed by row, bits by column
    Planes cols;                // indexed by column, bits by row
    Line symbol[kMaxSize];      // the finished symbol by rows
};
// One workspace per thread: encodings on several threads do not meet, and
// nothing is allocated (the block lives in the thread's static TLS).
thread_local Workspace ws;

inline uint64_t loadBigEndian64(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap64(v);
    return v;
}

inline void setBit(Line &line, int k) { line[(k + 1) >> 6] |= uint64_t(1) << ((k + 1) & 63); }
inline void clearBit(Line &line, int k) { line[(k + 1) >> 6] &= ~(uint64_t(1) << ((k + 1) & 63)); }
inline bool testBit(const Line &line, int k) { return (line[(k + 1) >> 6] >> ((k + 1) & 63)) & 1; }

// Bits 1..n-1: the pairs (k, k + 1) of neighbouring cells inside a line of n.
void pairBits(int n, Line &pairs)
{
    for (int w = 0; w < kWords; ++w)
        pairs[w] = 0;
    for (int k = 0; k + 1 < n; ++k)
        setBit(pairs, k);
}

int countBytes(const char *data)
{
    int n = 0;
    while (n < kQRCountLimit && data[n] != 0)
        ++n;
    return n;
}

// ---------------------------------------------------------------- penalty

// Population count without relying on the popcnt instruction, which the
// baseline x86-64 target does not have (the library call is slower).
inline int bitCount(uint64_t x)
{
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return int((x * 0x0101010101010101u) >> 56);
}

// Scoring of lines packed in W words.
template <int W>
struct Score {
    // Bit p of the result is bit p + k of the line (0 past its end).
    template <int k>
    static void shr(const uint64_t *a, uint64_t *out)
    {
        for (int i = 0; i < W; ++i) {
            uint64_t v = a[i] >> k;
            if (i + 1 < W)
                v |= a[i + 1] << (64 - k);
            out[i] = v;
        }
    }

    // Runs of five or more and finder-like patterns in one line.
    static int line(const uint64_t *r, const uint64_t *pairs)
    {
        uint64_t r1[W], same[W], t[W], t2[W], five[W];
        shr<1>(r, r1);
        for (int i = 0; i < W; ++i)
            same[i] = ~(r[i] ^ r1[i]) & pairs[i];
        // five: cells p..p+4 of one colour; a run of L >= 5 has L - 4 of
        // them and scores L - 2, so add 2 at the first of each stretch.
        shr<1>(same, t);
        for (int i = 0; i < W; ++i)
            t[i] &= same[i];
        shr<2>(t, t2);
        uint64_t any = 0;
        for (int i = 0; i < W; ++i) {
            five[i] = t[i] & t2[i];
            any |= five[i];
        }
        int score = 0;
        if (any) {
            for (int i = 0; i < W; ++i) {
                const uint64_t before = (five[i] << 1) | (i > 0 ? five[i - 1] >> 63 : 0);
                score += bitCount(five[i]) + 2 * bitCount(five[i] & ~before);
            }
        }
        // From the cell before the seven to the cell after them: light,
        // dark, light, dark, dark, dark, light, dark, light; outside is
        // light. With up = "light here, dark next" and dd = "dark, dark":
        // up at p, p + 2 and p + 6, dd at p + 4, light at p + 8.
        uint64_t up[W], dd[W], up2[W], up6[W], dd4[W], r8[W];
        for (int i = 0; i < W; ++i) {
            up[i] = ~r[i] & r1[i];
            dd[i] = r[i] & r1[i];
        }
        shr<2>(up, up2);
        shr<6>(up, up6);
        shr<4>(dd, dd4);
        shr<8>(r, r8);
        uint64_t found = 0;
        uint64_t f[W];
        for (int i = 0; i < W; ++i) {
            f[i] = up[i] & up2[i] & up6[i] & dd4[i] & ~r8[i];
            found |= f[i];
        }
        if (found)
            for (int i = 0; i < W; ++i)
                score += 40 * bitCount(f[i]);
        return score;
    }

    // 2 x 2 squares of one colour across two neighbouring lines.
    static int blocks(const uint64_t *a, const uint64_t *b, const uint64_t *pairs)
    {
        uint64_t v[W], v1[W], a1[W];
        for (int i = 0; i < W; ++i)
            v[i] = ~(a[i] ^ b[i]);
        shr<1>(v, v1);
        shr<1>(a, a1);
        int n = 0;
        for (int i = 0; i < W; ++i)
            n += bitCount(v[i] & v1[i] & ~(a[i] ^ a1[i]) & pairs[i]);
        return 3 * n;
    }

    static int darkCount(const uint64_t *r)
    {
        int n = 0;
        for (int i = 0; i < W; ++i)
            n += bitCount(r[i]);
        return n;
    }
};

int balance(int dark, int n)
{
    const int percent = dark * 100 / (n * n);
    return std::abs(percent - 50) / 5 * 10;
}

// Penalty of a matrix given as row lines and column lines.
template <int W>
int penaltyOfLines(const Line *rows, const Line *cols, int n)
{
    Line pairs;
    pairBits(n, pairs);
    int score = 0, dark = 0;
    for (int i = 0; i < n; ++i) {
        score += Score<W>::line(rows[i], pairs);
        if (i > 0)
            score += Score<W>::blocks(rows[i - 1], rows[i], pairs);
        dark += Score<W>::darkCount(rows[i]);
    }
    for (int j = 0; j < n; ++j)
        score += Score<W>::line(cols[j], pairs);
    return score + balance(dark, n);
}

// Penalty of mask m over the placed symbol, composing every line on the fly.
// Gives up (returning a value >= best) once the rows alone reach best.
template <int W>
int maskPenalty(const Workspace &w, int n, int m, int best)
{
    Line pairs;
    pairBits(n, pairs);
    uint64_t prev[W], cur[W];
    int score = 0, dark = 0;
    for (int i = 0, r12 = 0; i < n; ++i, r12 = r12 == 11 ? 0 : r12 + 1) {
        const uint64_t *pattern = kMaskLines.rows[m][r12];
        for (int k = 0; k < W; ++k)
            cur[k] = w.rows.fixedDark[i][k] | ((w.rows.data[i][k] ^ pattern[k]) & w.rows.free[i][k]);
        score += Score<W>::line(cur, pairs);
        if (i > 0)
            score += Score<W>::blocks(prev, cur, pairs);
        dark += Score<W>::darkCount(cur);
        std::memcpy(prev, cur, sizeof cur);
    }
    if (score >= best)
        return score;
    for (int j = 0, c12 = 0; j < n; ++j, c12 = c12 == 11 ? 0 : c12 + 1) {
        const uint64_t *pattern = kMaskLines.cols[m][c12];
        for (int k = 0; k < W; ++k)
            cur[k] = w.cols.fixedDark[j][k] | ((w.cols.data[j][k] ^ pattern[k]) & w.cols.free[j][k]);
        score += Score<W>::line(cur, pairs);
    }
    return score + balance(dark, n);
}

int wordsFor(int n) { return (n + 2 + 63) / 64; }

// ----------------------------------------------------- codewords

// alpha^i for i up to 2 x 254, so that a sum of two logarithms needs no mod 255.
constexpr std::array<uint8_t, 509> kExpTwice = [] {
    std::array<uint8_t, 509> t{};
    for (int i = 0; i < 509; ++i)
        t[size_t(i)] = kGF.exp[size_t(i % 255)];
    return t;
}();

// Reed-Solomon remainder of one block, e error-correction codewords.
void eccDirect(const uint8_t *data, int k, const Generator &g, uint8_t *ecc)
{
    const int e = g.length;
    uint8_t reg[30] = {};
    for (int i = 0; i < k; ++i) {
        const uint8_t lead = uint8_t(data[i] ^ reg[0]);
        std::memmove(reg, reg + 1, size_t(e - 1));
        reg[e - 1] = 0;
        if (lead != 0) {
            const int l = kGF.log[lead];
            for (int j = 0; j < e; ++j)
                reg[j] ^= kExpTwice[g.exponents[j] + l];
        }
    }
    std::memcpy(ecc, reg, size_t(e));
}

// The same division with the register in four words and the generator
// multiplied out for every feedback byte in advance.
void buildRsTable(Workspace &w, const Generator &g)
{
    std::memset(w.rsTable[0], 0, sizeof w.rsTable[0]);
    for (int l = 0; l < 255; ++l) {
        uint64_t *row = w.rsTable[kGF.exp[l]];
        row[0] = row[1] = row[2] = row[3] = 0;
        for (int j = 0; j < g.length; ++j)
            row[j >> 3] |= uint64_t(kExpTwice[g.exponents[j] + l]) << (8 * (j & 7));
    }
}

void eccTable(const Workspace &w, const uint8_t *data, int k, int e, uint8_t *ecc)
{
    uint64_t r0 = 0, r1 = 0, r2 = 0, r3 = 0;
    for (int i = 0; i < k; ++i) {
        const uint64_t *row = w.rsTable[uint8_t(data[i] ^ r0)];
        r0 = ((r0 >> 8) | (r1 << 56)) ^ row[0];
        r1 = ((r1 >> 8) | (r2 << 56)) ^ row[1];
        r2 = ((r2 >> 8) | (r3 << 56)) ^ row[2];
        r3 = (r3 >> 8) ^ row[3];
    }
    const uint64_t reg[4] = {r0, r1, r2, r3};
    for (int j = 0; j < e; ++j)
        ecc[j] = uint8_t(reg[j >> 3] >> (8 * (j & 7)));
}

// Fills ws.codewords with the final sequence; returns its length.
int buildCodewords(Workspace &w, const VersionRecord &v, const LevelRecord &l, const uint8_t *data, int length)
{
    const int dataCount = l.dataCodewords;
    uint8_t *stream = w.dataCodewords;
    std::memset(stream, 0, size_t(dataCount));

    // Mode 0100, the count, then the bytes: every byte lands 4 bits off the
    // byte grid because mode and count take 12 or 20 bits.
    int pos;
    if (v.countBits == 8) {
        stream[0] = uint8_t(0x40 | (length >> 4));
        pos = 1;
    } else {
        stream[0] = uint8_t(0x40 | (length >> 12));
        stream[1] = uint8_t(length >> 4);
        pos = 2;
    }
    uint8_t carry = uint8_t(length << 4);
    for (int i = 0; i < length; ++i) {
        stream[pos++] = uint8_t(carry | (data[i] >> 4));
        carry = uint8_t(data[i] << 4);
    }
    const int bits = 8 * pos + 4;   // the low nibble of `carry` is still to come
    if (pos < dataCount)
        stream[pos] = carry;
    // Terminator (up to 4 zero bits, already zero), zero bits to the byte
    // boundary, then 0xEC 0x11 alternately.
    const int capacityBits = 8 * dataCount;
    if (capacityBits - bits >= 4) {
        int byte = (bits + 4 + 7) / 8;
        for (bool ec = true; byte < dataCount; ++byte, ec = !ec)
            stream[byte] = ec ? 0xEC : 0x11;
    }

    // Error correction per block; blocks of the second group are one data
    // codeword longer.
    const int e = eccPerBlock(l);
    const Generator &g = kGenerators[e];
    const int blocks = blockCount(l);
    const bool useTable = dataCount >= 256;
    if (useTable)
        buildRsTable(w, g);
    int offset = 0;
    for (int b = 0; b < blocks; ++b) {
        const int k = b < l.groups[0].count ? l.groups[0].data : l.groups[1].data;
        if (useTable)
            eccTable(w, stream + offset, k, e, w.ecc + b * e);
        else
            eccDirect(stream + offset, k, g, w.ecc + b * e);
        offset += k;
    }

    // Interleave column by column; the short blocks run out one column early.
    uint8_t *out = w.codewords;
    int n = 0;
    const int shortK = l.groups[0].data;
    const int longK = l.groups[1].count ? l.groups[1].data : shortK;
    for (int col = 0; col < longK; ++col) {
        int start = 0;
        for (int b = 0; b < blocks; ++b) {
            const int k = b < l.groups[0].count ? shortK : longK;
            if (col < k)
                out[n++] = stream[start + col];
            start += k;
        }
    }
    for (int col = 0; col < e; ++col)
        for (int b = 0; b < blocks; ++b)
            out[n++] = w.ecc[b * e + col];
    return n;
}

// ------------------------------------------------------ matrix

// The two cells of format bit `bit` (0 = least significant) in a symbol of n.
struct FormatCells {
    int r1, c1, r2, c2;
};
constexpr FormatCells formatCells(int n, int bit)
{
    if (bit <= 5)
        return {bit, 8, 8, n - 1 - bit};
    if (bit == 6)
        return {7, 8, 8, n - 7};
    if (bit == 7)
        return {8, 8, 8, n - 8};
    if (bit == 8)
        return {n - 7, 8, 8, 7};
    return {n - 15 + bit, 8, 8, 14 - bit};
}

class Builder {
public:
    Builder(Workspace &w, int n) : m_w(w), m_n(n)
    {
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < kWords; ++k) {
                w.rows.fixedDark[i][k] = w.rows.free[i][k] = w.rows.data[i][k] = 0;
                w.cols.fixedDark[i][k] = w.cols.free[i][k] = w.cols.data[i][k] = 0;
            }
    }

    // Marks a function cell (the free planes hold "function" until finish()).
    void function(int r, int c, bool dark)
    {
        setBit(m_w.rows.free[r], c);
        setBit(m_w.cols.free[c], r);
        if (dark) {
            setBit(m_w.rows.fixedDark[r], c);
            setBit(m_w.cols.fixedDark[c], r);
        } else {
            clearBit(m_w.rows.fixedDark[r], c);
            clearBit(m_w.cols.fixedDark[c], r);
        }
    }
    bool isFunction(int r, int c) const { return testBit(m_w.rows.free[r], c); }

    // Turns the function marks into the cells that take data.
    void finishFunctions()
    {
        Line inside{};
        for (int k = 0; k < m_n; ++k)
            setBit(inside, k);
        for (int i = 0; i < m_n; ++i)
            for (int k = 0; k < kWords; ++k) {
                m_w.rows.free[i][k] = inside[k] & ~m_w.rows.free[i][k];
                m_w.cols.free[i][k] = inside[k] & ~m_w.cols.free[i][k];
            }
    }

    void square(int top, int left, int size)
    {
        // outer ring dark, next ring light, the rest dark (finder 7, alignment 5)
        for (int r = 0; r < size; ++r)
            for (int c = 0; c < size; ++c) {
                const int ring = std::min(std::min(r, c), std::min(size - 1 - r, size - 1 - c));
                function(top + r, left + c, ring != 1);
            }
    }

    void drawFunctionPatterns(const VersionRecord &v)
    {
        const int n = m_n;
        square(0, 0, 7);
        square(0, n - 7, 7);
        square(n - 7, 0, 7);
        for (int i = 0; i < 8; ++i) {
            function(i, 7, false);
            function(7, i, false);
            function(i, n - 8, false);
            function(7, n - 1 - i, false);
            function(n - 8, i, false);
            function(n - 1 - i, 7, false);
        }
        for (int a = 0; a < v.alignmentCount; ++a)
            for (int b = 0; b < v.alignmentCount; ++b) {
                const int r = v.alignment[a], c = v.alignment[b];
                if (!isFunction(r, c))   // the three centres on finder patterns
                    square(r - 2, c - 2, 5);
            }
        for (int i = 8; i <= n - 9; ++i) {
            function(6, i, i % 2 == 0);
            function(i, 6, i % 2 == 0);
        }
        for (int bit = 0; bit < 15; ++bit) {
            const auto [r1, c1, r2, c2] = formatCells(n, bit);
            function(r1, c1, false);
            function(r2, c2, false);
        }
        function(n - 8, 8, false);
        if (v.version >= 7)
            for (int b = 0; b < 18; ++b) {
                function(n - 11 + b % 3, b / 3, false);
                function(b / 3, n - 11 + b % 3, false);
            }
        finishFunctions();
    }

    // Zigzag from the bottom right through two-column strips, skipping the
    // vertical timing column and every function cell. Branch-free per row:
    // the next two bits of the sequence go to the free cells of the row's
    // pair. Cells after the last codeword (the remainder bits) read the zero
    // bytes that follow the sequence, so they stay 0.
    void placeData(const uint8_t *codewords)
    {
        const int n = m_n;
        int bit = 0;
        bool upward = true;
        for (int right = n - 1; right >= 1; right -= 2) {
            if (right == 6)
                right = 5;
            const int left = right - 1;
            const int wr = (right + 1) >> 6, sr = (right + 1) & 63;
            const int wl = (left + 1) >> 6, sl = (left + 1) & 63;
            uint64_t *colRight = m_w.cols.data[right];
            uint64_t *colLeft = m_w.cols.data[left];
            for (int step = 0; step < n; ++step) {
                const int r = upward ? n - 1 - step : step;
                const uint64_t *freeRow = m_w.rows.free[r];
                const uint64_t fr = (freeRow[wr] >> sr) & 1;
                const uint64_t fl = (freeRow[wl] >> sl) & 1;
                const uint64_t next = loadBigEndian64(codewords + (bit >> 3)) << (bit & 7);
                const uint64_t first = next >> 63, second = (next >> 62) & 1;
                const uint64_t dr = fr & first;
                const uint64_t dl = fl & (fr ? second : first);
                bit += int(fr + fl);
                uint64_t *dataRow = m_w.rows.data[r];
                dataRow[wr] |= dr << sr;
                dataRow[wl] |= dl << sl;
                const int wrow = (r + 1) >> 6, srow = (r + 1) & 63;
                colRight[wrow] |= dr << srow;
                colLeft[wrow] |= dl << srow;
            }
            upward = !upward;
        }
    }

private:
    Workspace &m_w;
    int m_n;
};

// Rows of the symbol with mask m applied (no format or version information).
void composeMasked(Workspace &w, int n, int m, Line *out)
{
    for (int i = 0; i < n; ++i) {
        const uint64_t *pattern = kMaskLines.rows[m][i % 12];
        for (int k = 0; k < kWords; ++k)
            out[i][k] = w.rows.fixedDark[i][k] | ((w.rows.data[i][k] ^ pattern[k]) & w.rows.free[i][k]);
    }
}

int chooseMask(const Workspace &w, int n)
{
    int best = 0, bestPenalty = 1 << 30;
    for (int m = 0; m < 8; ++m) {
        int p;
        switch (wordsFor(n)) {
        case 1: p = maskPenalty<1>(w, n, m, bestPenalty); break;
        case 2: p = maskPenalty<2>(w, n, m, bestPenalty); break;
        default: p = maskPenalty<3>(w, n, m, bestPenalty); break;
        }
        if (p < bestPenalty) {   // on equal penalties the lower mask stays
            bestPenalty = p;
            best = m;
        }
    }
    return best;
}

// 15-bit format word: level indicator and mask, BCH (0x537), XOR 0x5412.
int formatBits(int levelIndex, int mask)
{
    static constexpr int kLevelIndicator[4] = {1, 0, 3, 2};   // L 01, M 00, Q 11, H 10
    const int data = (kLevelIndicator[levelIndex] << 3) | mask;
    int rem = data << 10;
    for (int b = 14; b >= 10; --b)
        if (rem & (1 << b))
            rem ^= 0x537 << (b - 10);
    return ((data << 10) | rem) ^ 0x5412;
}

// 18-bit version word: 6 version bits, BCH (0x1F25).
int versionBits(int version)
{
    int rem = version << 12;
    for (int b = 17; b >= 12; --b)
        if (rem & (1 << b))
            rem ^= 0x1F25 << (b - 12);
    return (version << 12) | rem;
}

// Version and level checked, data measured: fills the workspace up to the
// placed data. Returns N.
int buildSymbol(Workspace &w, int version, int levelIndex, const uint8_t *data, int length)
{
    const VersionRecord &v = kVersions[version - 1];
    const int count = buildCodewords(w, v, v.levels[levelIndex], data, length);
    Builder builder(w, v.size);
    builder.drawFunctionPatterns(v);
    // zero bytes after the sequence: the remainder bits and the last 8-byte reads
    std::memset(w.codewords + count, 0, kCodewordSlack);
    builder.placeData(w.codewords);
    return v.size;
}

int checkArguments(int version, int level)
{
    if (version < kQRMinVersion || version > kQRMaxVersion)
        return kQRBadVersion;
    if (level < kQRLevelL || level > kQRLevelH)
        return kQRBadLevel;
    return kQROk;
}

} // namespace

int EncodeQRSymbol(int version, int level, const char *data, int32_t *modules)
{
    if (const int status = checkArguments(version, level); status != kQROk)
        return status;
    if (data == nullptr || modules == nullptr)
        return kQRDataTooLong;
    const int levelIndex = level - 1;
    const int length = countBytes(data);
    if (length > kVersions[version - 1].levels[levelIndex].byteCapacity)
        return kQRDataTooLong;

    Workspace &w = ws;
    const int n = buildSymbol(w, version, levelIndex, reinterpret_cast<const uint8_t *>(data), length);
    const int mask = chooseMask(w, n);
    composeMasked(w, n, mask, w.symbol);

    // Format information twice, the dark module, version information twice.
    const int format = formatBits(levelIndex, mask);
    for (int bit = 0; bit < 15; ++bit)
        if ((format >> bit) & 1) {
            const auto [r1, c1, r2, c2] = formatCells(n, bit);
            setBit(w.symbol[r1], c1);
            setBit(w.symbol[r2], c2);
        }
    setBit(w.symbol[n - 8], 8);
    if (version >= 7) {
        const int bits = versionBits(version);
        for (int b = 0; b < 18; ++b)
            if ((bits >> b) & 1) {
                setBit(w.symbol[n - 11 + b % 3], b / 3);
                setBit(w.symbol[b / 3], n - 11 + b % 3);
            }
    }

    // Output with the light border.
    const int side = n + 2 * kQRBorder;
    modules[0] = side;
    int32_t *out = modules + 1;
    std::fill(out, out + kQRBorder * side, 0);
    out += kQRBorder * side;
    for (int r = 0; r < n; ++r) {
        std::fill(out, out + kQRBorder, 0);
        out += kQRBorder;
        const Line &line = w.symbol[r];
        uint64_t word = line[0] >> 1;
        int bitsLeft = 63, k = 0;
        for (int c = 0; c < n; ++c) {
            if (bitsLeft == 0) {
                word = line[++k];
                bitsLeft = 64;
            }
            out[c] = int32_t(word & 1);
            word >>= 1;
            --bitsLeft;
        }
        out += n;
        std::fill(out, out + kQRBorder, 0);
        out += kQRBorder;
    }
    std::fill(out, out + kQRBorder * side, 0);
    return kQROk;
}

int QRByteCapacity(int version, int level)
{
    if (checkArguments(version, level) != kQROk)
        return -1;
    return kVersions[version - 1].levels[level - 1].byteCapacity;
}

int QRSymbolSize(int version)
{
    if (version < kQRMinVersion || version > kQRMaxVersion)
        return -1;
    return kVersions[version - 1].size;
}

namespace qr_internal {

int Penalty(const uint8_t *dark, int n)
{
    if (dark == nullptr || n < 1 || n > kMaxSize)
        return -1;
    Workspace &w = ws;
    Line *rows = w.rows.data;
    Line *cols = w.cols.data;
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < kWords; ++k)
            rows[i][k] = cols[i][k] = 0;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            if (dark[r * n + c]) {
                setBit(rows[r], c);
                setBit(cols[c], r);
            }
    switch (wordsFor(n)) {
    case 1: return penaltyOfLines<1>(rows, cols, n);
    case 2: return penaltyOfLines<2>(rows, cols, n);
    default: return penaltyOfLines<3>(rows, cols, n);
    }
}

int Codewords(int version, int level, const uint8_t *data, int length, uint8_t *out)
{
    if (const int status = checkArguments(version, level); status != kQROk)
        return status;
    const VersionRecord &v = kVersions[version - 1];
    if (data == nullptr || out == nullptr || length < 0 || length > v.levels[level - 1].byteCapacity)
        return kQRDataTooLong;
    const int count = buildCodewords(ws, v, v.levels[level - 1], data, length);
    std::memcpy(out, ws.codewords, size_t(count));
    return count;
}

int MaskedMatrix(int version, int level, const char *data, int mask, uint8_t *dark)
{
    if (const int status = checkArguments(version, level); status != kQROk)
        return status;
    if (data == nullptr || dark == nullptr || mask < 0 || mask > 7)
        return kQRDataTooLong;
    const int length = countBytes(data);
    if (length > kVersions[version - 1].levels[level - 1].byteCapacity)
        return kQRDataTooLong;
    Workspace &w = ws;
    const int n = buildSymbol(w, version, level - 1, reinterpret_cast<const uint8_t *>(data), length);
    composeMasked(w, n, mask, w.symbol);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            dark[r * n + c] = testBit(w.symbol[r], c) ? 1 : 0;
    return n;
}

} // namespace qr_internal
