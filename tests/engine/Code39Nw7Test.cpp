// Code 39 and NW-7 encoders: character rows, check characters, the
// human-readable text and every way the data is rejected.
#include "Encoders.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace Qt::StringLiterals;

namespace {
// Texts are compared as UTF-8 so that a failure shows them readably.
std::string u8(const QString &s)
{
    return s.toStdString();
}

// Code 39 rows (nine elements and the gap) as published.
const std::string STAR = "1210303010";
const std::string C39_0 = "1012303010";
const std::string C39_1 = "3012101030";
const std::string C39_A = "3010121030";
const std::string C39_B = "1030121030";
const std::string C39_C = "3030121010";
const std::string C39_X = "1210301030";
const std::string C39_Z = "1230301010";
const std::string C39_DASH = "1210103030";
const std::string C39_PERCENT = "1012121210";

// NW-7 rows (seven elements and the gap) as published.
const std::string NW_0 = "10101230";
const std::string NW_1 = "10103210";
const std::string NW_2 = "10121030";
const std::string NW_3 = "32101010";
const std::string NW_4 = "10301210";
const std::string NW_5 = "30101210";
const std::string NW_9 = "30121010";
const std::string NW_DASH = "10123010";
const std::string NW_COLON = "30103030";
const std::string NW_PLUS = "10303030";
const std::string NW_A = "10321210";
const std::string NW_B = "12121030";
const std::string NW_C = "10121230";
const std::string NW_D = "10123210";

constexpr char16_t kCode39Alphabet[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr char16_t kNw7Alphabet[] = u"0123456789-$:/.+ABCD";

TEncodeResult code39(const QString &code, bool cd = false, bool startStop = false)
{
    TEncodeInput in;
    in.Code = code;
    in.CD = cd;
    in.StartStopChar = startStop;
    return EncodeCODE39(in);
}

TEncodeResult nw7(const QString &code, QChar start, QChar stop, bool cd = false, bool startStop = false)
{
    TEncodeInput in;
    in.Code = code;
    in.CD = cd;
    in.StartChar = start;
    in.StopChar = stop;
    in.StartStopChar = startStop;
    return EncodeNW7(in);
}

QString qs(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

// The one character row between start and stop of a single-character symbol.
std::string middleRow(const std::string &pattern, size_t rowLength)
{
    return pattern.substr(rowLength, pattern.size() - 2 * rowLength);
}

// Elements bar first, alternating, narrow or wide, ending with the gap "0";
// returns the number of wide elements.
int checkTwoWidthRow(const std::string &row)
{
    int wide = 0;
    for (size_t i = 0; i + 1 < row.size(); ++i) {
        const char d = row[i];
        const bool isBar = i % 2 == 0;
        EXPECT_TRUE(isBar ? (d == '1' || d == '3') : (d == '0' || d == '2')) << row << " at " << i;
        wide += d == '2' || d == '3';
    }
    EXPECT_EQ(row.back(), '0') << row;
    return wide;
}

// ---------------------------------------------------------------------------
// Code 39

struct RowCase {
    const char16_t *character;
    std::string row;
};

class Code39PublishedRows : public testing::TestWithParam<RowCase> {};

TEST_P(Code39PublishedRows, SingleCharacterSymbolIsStartRowStop)
{
    const auto &c = GetParam();
    const TEncodeResult r = code39(QString::fromUtf16(c.character));
    EXPECT_EQ(r.Pattern, STAR + c.row + STAR);
}

INSTANTIATE_TEST_SUITE_P(Code39, Code39PublishedRows, testing::Values(
    RowCase{u"0", C39_0}, RowCase{u"1", C39_1}, RowCase{u"A", C39_A}, RowCase{u"Z", C39_Z},
    RowCase{u"-", C39_DASH}, RowCase{u"%", C39_PERCENT}));

TEST(Code39, EveryCharacterIsNineElementsThreeWideAndAGap)
{
    std::set<std::string> rows;
    for (const char16_t c : std::u16string_view(kCode39Alphabet)) {
        const std::string row = middleRow(code39(QString(QChar(c))).Pattern, 10);
        ASSERT_EQ(row.size(), 10u) << char(c);
        EXPECT_EQ(checkTwoWidthRow(row), 3) << char(c);
        rows.insert(row);
    }
    rows.insert(STAR);
    EXPECT_EQ(rows.size(), 44u) << "two characters share a row";
}

TEST(Code39, PatternOfAbcWithCheckCharacter)
{
    const TEncodeResult r = code39(u"ABC"_s, true, true);
    EXPECT_EQ(r.Pattern, STAR + C39_A + C39_B + C39_C + C39_X + STAR);
    EXPECT_EQ(u8(r.Symbol), u8(u"*ABCX*"_s));
    // Every row keeps its gap: the pattern ends with a narrow space.
    EXPECT_EQ(r.Pattern.back(), '0');
}

struct Code39CheckCase {
    const char16_t *code;
    char16_t check;
};

class Code39CheckCharacter : public testing::TestWithParam<Code39CheckCase> {};

TEST_P(Code39CheckCharacter, IsSumOfValuesMod43)
{
    const auto &c = GetParam();
    const QString code = QString::fromUtf16(c.code);
    const TEncodeResult r = code39(code, true);
    EXPECT_EQ(u8(r.Symbol), u8(code + QChar(c.check)));
    EXPECT_EQ(r.Pattern.size(), size_t(code.size() + 3) * 10);
}

INSTANTIATE_TEST_SUITE_P(Code39, Code39CheckCharacter, testing::Values(
    Code39CheckCase{u"ABC", u'X'},            // 10 + 11 + 12 = 33
    Code39CheckCase{u"CODE39", u'W'},         // 75 mod 43 = 32
    Code39CheckCase{u"-. $/+%", u'F'},        // 273 mod 43 = 15
    Code39CheckCase{u"0", u'0'},              // a sum of 0
    Code39CheckCase{u"%", u'%'},              // the largest value, 42
    Code39CheckCase{u"%1", u'0'}));           // 43 wraps to 0

struct SymbolCase {
    const char *name;
    bool cd;
    bool startStop;
    const char16_t *symbol;
};

class Code39Symbol : public testing::TestWithParam<SymbolCase> {};

TEST_P(Code39Symbol, CarriesCheckAndStartStopOnlyWhenAsked)
{
    const auto &c = GetParam();
    EXPECT_EQ(u8(code39(u"CODE39"_s, c.cd, c.startStop).Symbol), u8(QString::fromUtf16(c.symbol)));
}

INSTANTIATE_TEST_SUITE_P(Code39, Code39Symbol, testing::Values(
    SymbolCase{"CheckAndStartStop", true, true, u"*CODE39W*"},
    SymbolCase{"CheckOnly", true, false, u"CODE39W"},
    SymbolCase{"StartStopOnly", false, true, u"*CODE39*"},
    SymbolCase{"Neither", false, false, u"CODE39"}),
    [](const auto &info) { return std::string(info.param.name); });

class Code39Rejects : public testing::TestWithParam<std::u16string_view> {};

TEST_P(Code39Rejects, DataOutsideTheAlphabet)
{
    const TEncodeResult r = code39(qs(GetParam()), true, true);
    EXPECT_TRUE(r.Pattern.empty());
    EXPECT_TRUE(r.Symbol.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Code39, Code39Rejects, testing::Values(
    u"", u"abc", u"ABc", u"A*B", u"*", u"A\tB", u"A\u00C4", u"\uFF21", u"12_3", std::u16string_view(u"A\0B", 3)));

TEST(Code39, VeryLongDataEncodesWithoutLimit)
{
    const QString code(100000, u'7');
    const TEncodeResult r = code39(code, true);
    EXPECT_EQ(r.Pattern.size(), size_t(100000 + 3) * 10);
    EXPECT_EQ(r.Symbol.size(), 100001);
    EXPECT_EQ(r.Symbol.back(), QChar(kCode39Alphabet[700000 % 43]));
}

// ---------------------------------------------------------------------------
// NW-7

class Nw7PublishedRows : public testing::TestWithParam<RowCase> {};

TEST_P(Nw7PublishedRows, SingleCharacterBetweenStartAAndStopA)
{
    const auto &c = GetParam();
    EXPECT_EQ(nw7(QString::fromUtf16(c.character), u'A', u'A').Pattern, NW_A + c.row + NW_A);
}

INSTANTIATE_TEST_SUITE_P(Nw7, Nw7PublishedRows, testing::Values(
    RowCase{u"0", NW_0}, RowCase{u"1", NW_1}, RowCase{u"9", NW_9}, RowCase{u"-", NW_DASH},
    RowCase{u":", NW_COLON}, RowCase{u"+", NW_PLUS}, RowCase{u"A", NW_A}, RowCase{u"B", NW_B},
    RowCase{u"C", NW_C}, RowCase{u"D", NW_D}));

TEST(Nw7, EveryCharacterIsSevenElementsAndAGap)
{
    std::set<std::string> rows;
    for (const char16_t c : std::u16string_view(kNw7Alphabet)) {
        const std::string row = middleRow(nw7(QString(QChar(c)), u'A', u'A').Pattern, 8);
        ASSERT_EQ(row.size(), 8u) << char(c);
        const int wide = checkTwoWidthRow(row);
        // Digits and "-", "$" have two wide elements; the others three.
        EXPECT_EQ(wide, (c >= u'0' && c <= u'9') || c == u'-' || c == u'$' ? 2 : 3) << char(c);
        rows.insert(row);
    }
    EXPECT_EQ(rows.size(), 20u) << "two characters share a row";
}

TEST(Nw7, StartAndStopCharactersFrameTheData)
{
    EXPECT_EQ(nw7(u"1234"_s, u'A', u'B').Pattern, NW_A + NW_1 + NW_2 + NW_3 + NW_4 + NW_B);
    EXPECT_EQ(nw7(u"1234"_s, u'A', u'B', true).Pattern, NW_A + NW_1 + NW_2 + NW_3 + NW_4 + NW_5 + NW_B);
    EXPECT_EQ(nw7(u"0"_s, u'C', u'D').Pattern, NW_C + NW_0 + NW_D);
}

struct Nw7CheckCase {
    const char16_t *code;
    char16_t start;
    char16_t stop;
    const char16_t *symbol;   // with check and start/stop characters
};

class Nw7CheckCharacter : public testing::TestWithParam<Nw7CheckCase> {};

TEST_P(Nw7CheckCharacter, CountsStartDataAndStop)
{
    const auto &c = GetParam();
    EXPECT_EQ(u8(nw7(QString::fromUtf16(c.code), c.start, c.stop, true, true).Symbol), u8(QString::fromUtf16(c.symbol)));
}

INSTANTIATE_TEST_SUITE_P(Nw7, Nw7CheckCharacter, testing::Values(
    Nw7CheckCase{u"1234", u'A', u'B', u"A12345B"},     // 16 + 10 + 17 = 43 -> 5
    Nw7CheckCase{u"0", u'A', u'A', u"A00A"},           // 32, a multiple of 16 -> 0
    Nw7CheckCase{u"1A2", u'C', u'D', u"C1A28D"},       // "A" in the data counts 16; 56 -> 8
    Nw7CheckCase{u"123456", u'A', u'A', u"A123456$A"}, // 53 -> 11
    Nw7CheckCase{u"D", u'D', u'D', u"DD7D"},           // 57 -> 7
    Nw7CheckCase{u"+", u'B', u'C', u"B+.C"}));         // 50 -> 14

class Nw7Symbol : public testing::TestWithParam<SymbolCase> {};

TEST_P(Nw7Symbol, CarriesCheckAndStartStopOnlyWhenAsked)
{
    const auto &c = GetParam();
    EXPECT_EQ(u8(nw7(u"1234"_s, u'A', u'B', c.cd, c.startStop).Symbol), u8(QString::fromUtf16(c.symbol)));
}

INSTANTIATE_TEST_SUITE_P(Nw7, Nw7Symbol, testing::Values(
    SymbolCase{"CheckAndStartStop", true, true, u"A12345B"},
    SymbolCase{"CheckOnly", true, false, u"12345"},
    SymbolCase{"StartStopOnly", false, true, u"A1234B"},
    SymbolCase{"Neither", false, false, u"1234"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Nw7, AllSixteenStartStopPairsEncode)
{
    const std::string rows[] = {NW_A, NW_B, NW_C, NW_D};
    for (int start = 0; start < 4; ++start) {
        for (int stop = 0; stop < 4; ++stop) {
            const QChar s(u'A' + start), e(u'A' + stop);
            const TEncodeResult r = nw7(u"9"_s, s, e, false, true);
            EXPECT_EQ(r.Pattern, rows[start] + NW_9 + rows[stop]) << char(s.unicode()) << char(e.unicode());
            EXPECT_EQ(u8(r.Symbol), u8(QString(s) + u'9' + e));
        }
    }
}

// The component never passes anything but "A" to "D"; another value is
// taken as "A", as the component's setters would store it.
TEST(Nw7, StartOrStopOutsideAToDIsTakenAsA)
{
    const TEncodeResult r = nw7(u"9"_s, u'*', u'b', false, true);
    EXPECT_EQ(r.Pattern, NW_A + NW_9 + NW_A);
    EXPECT_EQ(u8(r.Symbol), u8(u"A9A"_s));
}

class Nw7Rejects : public testing::TestWithParam<std::u16string_view> {};

TEST_P(Nw7Rejects, DataOutsideTheAlphabet)
{
    const TEncodeResult r = nw7(qs(GetParam()), u'A', u'B', true, true);
    EXPECT_TRUE(r.Pattern.empty());
    EXPECT_TRUE(r.Symbol.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Nw7, Nw7Rejects, testing::Values(
    u"", u"12a", u"a", u"d", u"E", u"1 2", u"1*2", u"\uFF11", std::u16string_view(u"1\0" "2", 3), u"12\n"));

TEST(Nw7, VeryLongDataEncodesWithoutLimit)
{
    const QString code(100000, u'1');
    const TEncodeResult r = nw7(code, u'A', u'A', true, true);
    EXPECT_EQ(r.Pattern.size(), size_t(100000 + 3) * 8);
    // 16 + 100000 + 16 = 100032, a multiple of 16.
    EXPECT_EQ(u8(r.Symbol), u8(u'A' + code + u"0A"_s));
}

} // namespace
