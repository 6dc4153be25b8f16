// Code 128: the escape syntax, code sets and SHIFT, the checksum, the text
// with its check character, and every way the data is rejected.
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

// Symbol characters by value, from the published element widths (a bar of w
// modules written 2w-1, a space 2w-2).
const std::string V0 = "303232";        // space / "00"
const std::string V1 = "323032";        // "!" / "01"
const std::string V12 = "103252";       // "," / "12"
const std::string V23 = "503050";       // "7" / "23"
const std::string V28 = "523012";       // "<"
const std::string V29 = "523210";       // "="
const std::string V30 = "303034";       // ">"
const std::string V31 = "303430";       // "?"
const std::string V33 = "101434";       // "A"
const std::string V34 = "141034";       // "B"
const std::string V35 = "141430";       // "C"
const std::string V41 = "341410";       // "I"
const std::string V45 = "105034";       // "M"
const std::string V49 = "301450";       // "Q" / "49"
const std::string V55 = "501430";       // "W" / "55"
const std::string V56 = "541030";       // "X"
const std::string V64 = "101632";       // NUL in A, grave accent in B
const std::string V65 = "121036";       // SOH in A, "a" in B
const std::string V66 = "121630";       // STX in A, "b" in B
const std::string V69 = "103216";       // ENO in A, "e" in B
const std::string V72 = "123610";       // "72"
const std::string V98 = "701410";       // SHIFT
const std::string V99 = "105070";       // CODEC
const std::string V100 = "107050";      // CODEB in A and C, FNC4 in B
const std::string V101 = "501070";      // FNC4 in A, CODEA in B and C
const std::string V102 = "701050";      // FNC1
const std::string V7 = "123412";        // "'"
const std::string START_A = "301612";
const std::string START_B = "301216";
const std::string START_C = "301252";
const std::string STOP = "3450103";

QString qs(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

TEncodeResult code128(const QString &code, QChar start, bool startStop = true)
{
    TEncodeInput in;
    in.Code = code;
    in.StartChar = start;
    in.StartStopChar = startStop;
    return EncodeCODE128(in);
}

struct Case {
    const char *name;
    char16_t start;
    const char16_t *code;
    std::string pattern;
    const char16_t *symbol;   // with StartStopChar
};

class Code128Symbol : public testing::TestWithParam<Case> {};

TEST_P(Code128Symbol, PatternAndTextWithCheckCharacter)
{
    const auto &c = GetParam();
    const TEncodeResult r = code128(QString::fromUtf16(c.code), c.start);
    EXPECT_EQ(r.Pattern, c.pattern);
    EXPECT_EQ(u8(r.Symbol), u8(QString::fromUtf16(c.symbol)));
    EXPECT_TRUE(r.StartChar.isNull()) << "a valid start set is not reported back";
}

INSTANTIATE_TEST_SUITE_P(Code128, Code128Symbol, testing::Values(
    // 104 + 33 + 68 + 105 = 310: check value 1.
    Case{"SetBLetters", u'B', u"ABC", START_B + V33 + V34 + V35 + V1 + STOP, u"BABC!"},
    // 309 = 3 x 103: check value 0, a space.
    Case{"SetALettersCheckIsSpace", u'A', u"ABC", START_A + V33 + V34 + V35 + V0 + STOP, u"AABC "},
    Case{"SetCDigitPairs", u'C', u"0123", START_C + V1 + V23 + V49 + STOP, u"C0123<49>"},
    Case{"SetCFnc1First", u'C', u"<FNC1>0123", START_C + V102 + V1 + V23 + V72 + STOP, u"C<FNC1>0123<72>"},
    // The check character is written in the set in force at the end (B: "W").
    Case{"CodeBFromSetC", u'C', u"12<CODEB>ab", START_C + V12 + V100 + V65 + V66 + V55 + STOP, u"C12<CODEB>abW"},
    Case{"ShiftFromAToB", u'A', u"A<SHIFT>aB", START_A + V33 + V98 + V65 + V34 + V45 + STOP, u"AA<SHIFT>aBM"},
    Case{"ShiftFromBToA", u'B', u"a<SHIFT>Ab", START_B + V65 + V98 + V33 + V66 + V7 + STOP, u"Ba<SHIFT>Ab'"},
    // The set remembered by SHIFT survives a CODEC and comes back after one pair.
    Case{"ShiftThenCodeC", u'A', u"<SHIFT><CODEC>12X", START_A + V98 + V99 + V12 + V56 + V41 + STOP,
         u"A<SHIFT><CODEC>12XI"},
    // The name is the character after "<" even when it is ">".
    Case{"BracketedGreaterThan", u'B', u"<>>", START_B + V30 + V31 + STOP, u"B<>>?"},
    // Check value 28 is "<", written "<<".
    Case{"DoubledBrackets", u'B', u"a<<b>>", START_B + V65 + V28 + V66 + V30 + V28 + STOP, u"Ba<<b>><<"},
    // Check value 30 is ">", written ">>".
    Case{"CheckGreaterThan", u'B', u"=", START_B + V29 + V30 + STOP, u"B=>>"},
    Case{"ControlNameTwice", u'A', u"<ENO>", START_A + V69 + V69 + STOP, u"A<ENO><ENO>"},
    // Names typed in lower case are looked up upper-cased.
    Case{"LowerCaseName", u'A', u"<nul>", START_A + V64 + V64 + STOP, u"A<nul><NUL>"},
    Case{"EscapedCharacterInSetA", u'A', u">A", START_A + V33 + V33 + STOP, u"A>AA"},
    Case{"Fnc4InSetBCheckCodeA", u'B', u"<fnc4>", START_B + V100 + V101 + STOP, u"B<fnc4><CODEA>"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Code128, PublishedRowsForChecking)
{
    // Value 64 in set A is NUL: start A, NUL, check 64, stop.
    EXPECT_EQ(code128(u"<NUL>"_s, u'A').Pattern, START_A + V64 + V64 + STOP);
    // A space is value 0 and leaves the checksum at 103, check value 0.
    EXPECT_EQ(code128(u" "_s, u'A').Pattern, START_A + V0 + V0 + STOP);
}

// Every one of the 107 rows: six elements (seven for stop) of 11 modules
// (13 for stop), bar first, an even number of bar modules, all different.
TEST(Code128, EveryRowIsWellFormed)
{
    std::set<std::string> rows{START_A, START_B, START_C};
    const auto checkRow = [](const std::string &row, int modules) {
        int total = 0, barModules = 0;
        for (size_t i = 0; i < row.size(); ++i) {
            const int d = row[i] - '0';
            EXPECT_EQ(d % 2 == 1, i % 2 == 0) << row;
            total += d / 2 + 1;
            if (d % 2 == 1)
                barModules += d / 2 + 1;
        }
        EXPECT_EQ(total, modules) << row;
        EXPECT_EQ(barModules % 2, 0) << row;
    };
    for (int v = 0; v <= 102; ++v) {
        const QString code = v < 100 ? QString::number(v).rightJustified(2, u'0')
                                     : (v == 100 ? u"<CODEB>"_s : v == 101 ? u"<CODEA>"_s : u"<FNC1>"_s);
        const std::string p = code128(code, u'C').Pattern;
        ASSERT_EQ(p.size(), 6u * 4 + 1) << v;
        const std::string row = p.substr(6, 6);
        checkRow(row, 11);
        rows.insert(row);
    }
    checkRow(START_A, 11);
    checkRow(START_B, 11);
    checkRow(START_C, 11);
    checkRow(STOP, 13);
    EXPECT_EQ(rows.size(), 106u) << "two values share a row";
}

TEST(Code128, ElementsAlternateBeginningWithABar)
{
    const std::string p = code128(u"Zebrix<SHIFT><CR><CODEC>1234<CODEA><HT>"_s, u'B').Pattern;
    ASSERT_FALSE(p.empty());
    for (size_t i = 0; i < p.size(); ++i)
        EXPECT_EQ((p[i] - '0') % 2 == 1, i % 2 == 0) << i;
}

TEST(Code128, StartOutsideAToCIsEncodedAsAAndReported)
{
    for (const QChar start : {QChar(u'D'), QChar(u'*'), QChar(u'b'), QChar()}) {
        const TEncodeResult r = code128(u"ABC"_s, start);
        EXPECT_EQ(r.Pattern, START_A + V33 + V34 + V35 + V0 + STOP);
        EXPECT_EQ(u8(r.Symbol), u8(u"AABC "_s));
        EXPECT_EQ(r.StartChar, QChar(u'A'));
    }
}

TEST(Code128, TextWithoutStartStopIsTheDataAsTyped)
{
    EXPECT_EQ(u8(code128(u"12<CODEB>ab"_s, u'C', false).Symbol), u8(u"12<CODEB>ab"_s));
}

TEST(Code128, VeryLongDataKeepsTheChecksumExact)
{
    // 104 + 58 x (1 + 2 + ... + 100000) = 96 mod 103: FNC3 in set B.
    const QString code(100000, u'Z');
    const TEncodeResult r = code128(code, u'B');
    EXPECT_EQ(r.Pattern.size(), 6u * 100002 + 7);
    EXPECT_EQ(u8(r.Symbol), u8(u'B' + code + u"<FNC3>"_s));
}

struct Rejected {
    const char *name;
    char16_t start;
    std::u16string_view code;
};

class Code128Rejects : public testing::TestWithParam<Rejected> {};

TEST_P(Code128Rejects, GivesNoPatternAndNoText)
{
    const auto &c = GetParam();
    const TEncodeResult r = code128(qs(c.code), c.start);
    EXPECT_TRUE(r.Pattern.empty());
    EXPECT_TRUE(r.Symbol.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Code128, Code128Rejects, testing::Values(
    Rejected{"Empty", u'B', u""},
    Rejected{"LowerCaseInSetA", u'A', u"abc"},
    Rejected{"TrailingGreaterThan", u'B', u"X>"},
    Rejected{"LoneGreaterThan", u'B', u">"},
    Rejected{"UnclosedName", u'B', u"<FNC1"},
    Rejected{"LoneLessThan", u'B', u"<"},
    Rejected{"EmptyBrackets", u'B', u"<>"},
    Rejected{"UnknownName", u'B', u"<FNC5>"},
    Rejected{"OddDigitsInSetC", u'C', u"123"},
    Rejected{"LetterInSetC", u'C', u"1A"},
    Rejected{"EscapeInSetC", u'C', u">1"},
    Rejected{"LessThanInSetC", u'C', u"<<"},
    Rejected{"ShiftInSetC", u'C', u"<SHIFT>12"},
    Rejected{"ControlNameInSetB", u'B', u"<CR>"},
    Rejected{"DelInSetA", u'A', u"<DEL>"},
    Rejected{"CodeAInSetA", u'A', u"<CODEA>"},
    Rejected{"CodeCInSetC", u'C', u"<CODEC>"},
    Rejected{"RawControlCharacter", u'A', u"A\rB"},
    Rejected{"RawNul", u'A', std::u16string_view(u"A\0", 2)},
    Rejected{"EscapedNul", u'A', std::u16string_view(u">\0", 2)},
    Rejected{"NonAscii", u'B', u"caf\u00E9"},
    Rejected{"FullWidthDigitsInSetC", u'C', u"\uFF11\uFF12"},
    // Upper-casing is ASCII only: a dotless i does not become "I".
    Rejected{"NonAsciiNameIsNotUpperCased", u'A', u"<\u0131>"},
    Rejected{"LowerCaseAfterNameInSetA", u'A', u"<a>b"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
