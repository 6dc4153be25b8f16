// The mask penalty: hand-counted matrices for each rule, then the bit-packed
// scorer against the cell-by-cell reference over many random matrices and
// over every mask of real symbols.
#include "QRReference.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using qrref::Matrix;

// A matrix from rows of '#' (dark) and '.' (light).
Matrix fromRows(const std::vector<std::string> &rows)
{
    Matrix m(int(rows.size()));
    for (int r = 0; r < m.n; ++r)
        for (int c = 0; c < m.n; ++c)
            m.at(r, c) = rows[size_t(r)].at(size_t(c)) == '#';
    return m;
}

// Row 0 as given, the other rows a checkerboard (dark where row + column is
// odd): the checkerboard adds no runs, no blocks and no finder-like pattern,
// and meets row 0 without a 2 x 2 block in the cases below.
Matrix firstRowOverCheckerboard(const std::string &first)
{
    Matrix m(int(first.size()));
    for (int c = 0; c < m.n; ++c)
        m.at(0, c) = first[size_t(c)] == '#';
    for (int r = 1; r < m.n; ++r)
        for (int c = 0; c < m.n; ++c)
            m.at(r, c) = (r + c) % 2;
    return m;
}

int penalty(const Matrix &m) { return qr_internal::Penalty(m.cells.data(), m.n); }

struct HandCase {
    const char *name;
    Matrix matrix;
    int expected;
};

std::vector<HandCase> handCases()
{
    return {
        // rows 1010101: no run; 7 columns of one colour, 7 - 2 each; 28 of 49
        // dark is 57 %, one step of 5 % off balance
        {"RunsOfSevenInColumns", fromRows({"#.#.#.#", "#.#.#.#", "#.#.#.#", "#.#.#.#", "#.#.#.#", "#.#.#.#", "#.#.#.#"}), 35 + 10},
        // 6 rows of one colour, 6 - 2 each; exactly half dark
        {"RunsOfSixInRows", fromRows({"######", "......", "######", "......", "######", "......"}), 24},
        // four 2 x 2 squares of one colour, no runs, half dark
        {"TwoByTwoBlocks", fromRows({"##..", "##..", "..##", "..##"}), 12},
        // a 3 x 2 dark area holds two overlapping squares; 10 of 16 dark is
        // 62 %, two steps off balance
        {"ThreeByTwoAreaCountsTwice", fromRows({"###.", "###.", ".#.#", "#.#."}), 2 * 3 + 20},
        // all light: 5 runs of 5 in rows and in columns, 16 squares, 0 % dark
        {"AllLight", fromRows({".....", ".....", ".....", ".....", "....."}), 10 * 3 + 16 * 3 + 100},
        {"AllDark", fromRows({"#####", "#####", "#####", "#####", "#####"}), 10 * 3 + 16 * 3 + 100},
        // a checkerboard scores nothing
        {"Checkerboard", firstRowOverCheckerboard(".#.#.#"), 0},
        // finder-like pattern with one light cell on each side: ours counts it
        // (the standard's rule, asking for four light cells on one side, does not)
        {"FinderWithOneLightCellEachSide", firstRowOverCheckerboard(".#.###.#."), 40},
        // the same read down a column
        {"FinderInAColumn", firstRowOverCheckerboard(".#.###.#.").transposed(), 40},
        // the pattern filling the whole row: the edge counts as light
        {"FinderBetweenTheEdges", firstRowOverCheckerboard("#.###.#"), 40},
        // four light cells before the pattern but a dark cell just after it:
        // the standard's cell-by-cell rule counts it, ours does not
        {"FinderFollowedByDarkCell", firstRowOverCheckerboard("....#.###.##"), 0},
        // the same with a light cell after it counts for both
        {"FinderFollowedByLightCell", firstRowOverCheckerboard("....#.###.#."), 40},
        // a dark cell before the pattern
        {"FinderPrecededByDarkCell", firstRowOverCheckerboard("##.###.#.#.#"), 0},
    };
}

TEST(QRPenalty, HandCountedMatrices)
{
    for (const HandCase &c : handCases()) {
        EXPECT_EQ(penalty(c.matrix), c.expected) << c.name;
        EXPECT_EQ(qrref::referencePenalty(c.matrix), c.expected) << c.name << " (reference)";
    }
}

TEST(QRPenalty, SizeOutOfRangeIsRefused)
{
    const std::vector<uint8_t> cells(178 * 178, 0);
    EXPECT_EQ(qr_internal::Penalty(cells.data(), 0), -1);
    EXPECT_EQ(qr_internal::Penalty(cells.data(), 178), -1);
    EXPECT_EQ(qr_internal::Penalty(nullptr, 21), -1);
}

// Random matrices of every density, sprinkled with finder-like patterns and
// long runs so that every rule fires, at sizes around each word boundary of
// the packed lines.
TEST(QRPenalty, PackedScorerEqualsReferenceOnRandomMatrices)
{
    std::mt19937 rng(7);
    const std::vector<int> sizes = {1, 2, 5, 7, 8, 9, 21, 25, 45, 57, 61, 62, 63, 64, 65, 66, 101,
                                    125, 126, 127, 128, 129, 130, 157, 173, 177};
    const std::string finder = "#.###.#";
    for (int n : sizes)
        for (int round = 0; round < 12; ++round) {
            Matrix m(n);
            std::bernoulli_distribution dark(round % 4 == 0 ? 0.1 : round % 4 == 1 ? 0.9 : 0.5);
            for (uint8_t &v : m.cells)
                v = dark(rng);
            std::uniform_int_distribution<int> pos(0, n - 1);
            for (int k = 0; k < n; ++k) {
                const int r = pos(rng), c = pos(rng);
                const bool down = rng() & 1;
                for (int t = 0; t < 7 && (down ? r : c) + t < n; ++t)
                    (down ? m.at(r + t, c) : m.at(r, c + t)) = finder[size_t(t)] == '#';
            }
            ASSERT_EQ(penalty(m), qrref::referencePenalty(m)) << "size " << n << " round " << round;
        }
}

// Every mask of real symbols, at sizes from each packing width.
TEST(QRPenalty, PackedScorerEqualsReferenceOnMaskedSymbols)
{
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> byte(1, 255);
    for (int version : {1, 2, 7, 11, 12, 20, 27, 28, 33, 40})
        for (int level = kQRLevelL; level <= kQRLevelH; ++level) {
            std::string data(size_t(QRByteCapacity(version, level) * (rng() % 100) / 100), '\0');
            for (char &ch : data)
                ch = char(byte(rng));
            for (int mask = 0; mask < 8; ++mask) {
                Matrix m(QRSymbolSize(version));
                ASSERT_EQ(qr_internal::MaskedMatrix(version, level, data.c_str(), mask, m.cells.data()), m.n);
                ASSERT_EQ(penalty(m), qrref::referencePenalty(m)) << version << "/" << level << " mask " << mask;
            }
        }
}

} // namespace
