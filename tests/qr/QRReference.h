// Straightforward, cell-by-cell readings of a QR symbol for the tests: the
// mask penalty exactly as Zebrix defines it, and the format and version
// information read back out of an encoded symbol.
#pragma once

#include "QREncoder.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace qrref {

// An n x n matrix of cells, 1 dark.
struct Matrix {
    int n = 0;
    std::vector<uint8_t> cells;
    explicit Matrix(int size = 0) : n(size), cells(size_t(size) * size, 0) {}
    uint8_t &at(int r, int c) { return cells[size_t(r) * n + c]; }
    uint8_t at(int r, int c) const { return cells[size_t(r) * n + c]; }
    Matrix transposed() const
    {
        Matrix t(n);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                t.at(c, r) = at(r, c);
        return t;
    }
};

// The penalty, one rule at a time, reading cells one by one.
inline int referencePenalty(const Matrix &m)
{
    const int n = m.n;
    auto cell = [&](bool columns, int line, int k) { return columns ? m.at(k, line) : m.at(line, k); };
    int penalty = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const bool columns = pass == 1;
        for (int line = 0; line < n; ++line) {
            // runs of five or more: length - 2
            int run = 1;
            for (int k = 1; k <= n; ++k) {
                if (k < n && cell(columns, line, k) == cell(columns, line, k - 1)) {
                    ++run;
                    continue;
                }
                if (run >= 5)
                    penalty += run - 2;
                run = 1;
            }
            // dark light dark dark dark light dark, light or edge on both sides
            static constexpr uint8_t kFinder[7] = {1, 0, 1, 1, 1, 0, 1};
            for (int k = 0; k + 7 <= n; ++k) {
                bool match = true;
                for (int t = 0; t < 7; ++t)
                    match = match && cell(columns, line, k + t) == kFinder[t];
                const bool lightBefore = k == 0 || cell(columns, line, k - 1) == 0;
                const bool lightAfter = k + 7 == n || cell(columns, line, k + 7) == 0;
                if (match && lightBefore && lightAfter)
                    penalty += 40;
            }
        }
    }
    for (int r = 0; r + 1 < n; ++r)
        for (int c = 0; c + 1 < n; ++c) {
            const uint8_t v = m.at(r, c);
            if (m.at(r, c + 1) == v && m.at(r + 1, c) == v && m.at(r + 1, c + 1) == v)
                penalty += 3;
        }
    int dark = 0;
    for (uint8_t v : m.cells)
        dark += v;
    const int percent = dark * 100 / (n * n);
    penalty += std::abs(percent - 50) / 5 * 10;
    return penalty;
}

// An encoded symbol as EncodeQRSymbol wrote it.
struct Symbol {
    std::vector<int32_t> out = std::vector<int32_t>(kQRMaxOutputLength, 0);
    int status = 1;
    int side() const { return out[0]; }
    int size() const { return out[0] - 2 * kQRBorder; }
    // a cell of the symbol (border not counted)
    int at(int r, int c) const { return out[1 + size_t(r + kQRBorder) * side() + c + kQRBorder]; }
    Matrix matrix() const
    {
        Matrix m(size());
        for (int r = 0; r < m.n; ++r)
            for (int c = 0; c < m.n; ++c)
                m.at(r, c) = uint8_t(at(r, c));
        return m;
    }
};

inline Symbol encode(int version, int level, const char *data)
{
    Symbol s;
    s.status = EncodeQRSymbol(version, level, data, s.out.data());
    return s;
}

// Remainder of value * x^degree(poly) divided by poly over GF(2).
inline int bchRemainder(int value, int poly, int polyDegree)
{
    int rem = value << polyDegree;
    for (int b = 31; b >= polyDegree; --b)
        if (rem & (1 << b))
            rem ^= poly << (b - polyDegree);
    return rem;
}

// The format information of a symbol: cells of each copy from bit 14 down to
// bit 0, read around the top-left finder and along the other two.
struct Format {
    int first = 0, second = 0;   // 15-bit words as drawn
    int level = -1;              // 1 L, 2 M, 3 Q, 4 H
    int mask = -1;
    bool valid = false;          // both copies equal and the check bits right
};

inline Format readFormat(const Symbol &s)
{
    const int n = s.size();
    Format f;
    // first copy: column 8 downward (rows 0-5, 7, 8), then row 8 leftward (columns 7, 5-0)
    const int firstCells[15][2] = {{0, 8}, {1, 8}, {2, 8}, {3, 8}, {4, 8}, {5, 8}, {7, 8}, {8, 8},
                                   {8, 7}, {8, 5}, {8, 4}, {8, 3}, {8, 2}, {8, 1}, {8, 0}};
    for (int bit = 0; bit < 15; ++bit) {
        f.first |= s.at(firstCells[bit][0], firstCells[bit][1]) << bit;
        // second copy: row 8 from the right edge for bits 0-7, then column 8 up from the bottom
        const int r = bit < 8 ? 8 : n - 15 + bit;
        const int c = bit < 8 ? n - 1 - bit : 8;
        f.second |= s.at(r, c) << bit;
    }
    const int word = f.first ^ 0x5412;
    const int data = word >> 10;
    static constexpr int kLevelOfIndicator[4] = {2, 1, 4, 3};   // 00 M, 01 L, 10 H, 11 Q
    f.level = kLevelOfIndicator[data >> 3];
    f.mask = data & 7;
    f.valid = f.first == f.second && bchRemainder(data, 0x537, 10) == (word & 0x3FF);
    return f;
}

// Version information copies: bottom-left block (6 columns x 3 rows) and
// top-right block (3 columns x 6 rows); bit b at offset b mod 3, b div 3.
inline int readVersionBottomLeft(const Symbol &s)
{
    int v = 0;
    for (int b = 0; b < 18; ++b)
        v |= s.at(s.size() - 11 + b % 3, b / 3) << b;
    return v;
}
inline int readVersionTopRight(const Symbol &s)
{
    int v = 0;
    for (int b = 0; b < 18; ++b)
        v |= s.at(b / 3, s.size() - 11 + b % 3) << b;
    return v;
}

} // namespace qrref
