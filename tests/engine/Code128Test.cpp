// Code 128: the escape syntax, code sets and SHIFT, the checksum, the text
// with its check character, and every way the data is rejected. GS1-128:
// the code sets Zebrix chooses, FNC1 first and between fields, the text.
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
const std::string V3 = "121234";        // "#" / "03"
const std::string V4 = "121432";        // "$" / "04"
const std::string V8 = "143212";        // "(" / "08"
const std::string V9 = "321214";        // ")" / "09"
const std::string V10 = "321412";       // "*" / "10"
const std::string V17 = "125230";       // "1" / "17"
const std::string V18 = "325210";       // "2" / "18"
const std::string V19 = "321052";       // "3" / "19"
const std::string V20 = "321250";       // "4" / "20"
const std::string V12 = "103252";       // "," / "12"
const std::string V23 = "503050";       // "7" / "23"
const std::string V28 = "523012";       // "<"
const std::string V29 = "523210";       // "="
const std::string V30 = "303034";       // ">"
const std::string V31 = "303430";       // "?"
const std::string V33 = "101434";       // "A"
const std::string V34 = "141034";       // "B"
const std::string V35 = "141430";       // "C" / "35"
const std::string V36 = "103414";       // "D"
const std::string V39 = "301414";       // "G"
const std::string V41 = "341410";       // "I"
const std::string V45 = "105034";       // "M"
const std::string V49 = "301450";       // "Q" / "49"
const std::string V55 = "501430";       // "W" / "55"
const std::string V56 = "541030";       // "X" / "56"
const std::string V59 = "543010";       // "[" / "59"
const std::string V64 = "101632";       // NUL in A, grave accent in B
const std::string V65 = "121036";       // SOH in A, "a" in B
const std::string V66 = "121630";       // STX in A, "b" in B
const std::string V69 = "103216";       // ENO in A, "e" in B
const std::string V72 = "123610";       // "72"
const std::string V75 = "361210";       // "k"
const std::string V77 = "705010";       // "m"
const std::string V78 = "361012";       // "n"
const std::string V83 = "107212";       // "s"
const std::string V91 = "703030";       // "91"
const std::string V98 = "701410";       // SHIFT
const std::string V99 = "105070";       // CODEC
const std::string V100 = "107050";      // CODEB in A and C, FNC4 in B
const std::string V101 = "501070";      // FNC4 in A, CODEA in B and C
const std::string V102 = "701050";      // FNC1
const std::string FNC1 = V102;
const std::string CODEB = V100;         // in code set C
const std::string CODEC = V99;          // in code set B
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

// ---------------------------------------------------------------------------
// GS1-128

TEncodeResult gs1128(const QString &code)
{
    TEncodeInput in;
    in.Code = code;
    in.StartChar = u'A';        // not read
    in.StartStopChar = true;    // not read
    return EncodeGS1128(in);
}

struct Gs1Case {
    const char *name;
    const char16_t *code;
    std::string pattern;
    const char16_t *symbol;
};

class Gs1128Symbol : public testing::TestWithParam<Gs1Case> {};

TEST_P(Gs1128Symbol, FewestCharactersAndTextWithAIsInParentheses)
{
    const auto &c = GetParam();
    const TEncodeResult r = gs1128(QString::fromUtf16(c.code));
    EXPECT_EQ(r.Pattern, c.pattern);
    EXPECT_EQ(u8(r.Symbol), u8(QString::fromUtf16(c.symbol)));
    EXPECT_EQ(r.Reason.Kind, rejNone);
    EXPECT_TRUE(r.StartChar.isNull());
}

// Check values: 105 (start C) + the sum of value x position, modulo 103.
INSTANTIATE_TEST_SUITE_P(Gs1128, Gs1128Symbol, testing::Values(
    // 1857 mod 103 = 3.
    Gs1Case{"GtinInCodeSetC", u"(01)04912345123459",
            START_C + FNC1 + V1 + V4 + V91 + V23 + V45 + V12 + V34 + V59 + V3 + STOP, u"(01)04912345123459"},
    Gs1Case{"GtinCheckDigitAdded", u"(01)0491234512345",
            START_C + FNC1 + V1 + V4 + V91 + V23 + V45 + V12 + V34 + V59 + V3 + STOP, u"(01)04912345123459"},
    // A GTIN has a predefined length: no separator after it; the batch is last.
    Gs1Case{"GtinThenBatch", u"(01)04912345123459(10)ABC",
            START_C + FNC1 + V1 + V4 + V91 + V23 + V45 + V12 + V34 + V59 + V10 + CODEB + V33 + V34 + V35 + V59
                + STOP,
            u"(01)04912345123459(10)ABC"},
    Gs1Case{"SquareBrackets", u"[01]04912345123459[10]ABC",
            START_C + FNC1 + V1 + V4 + V91 + V23 + V45 + V12 + V34 + V59 + V10 + CODEB + V33 + V34 + V35 + V59
                + STOP,
            u"(01)04912345123459(10)ABC"},
    // A batch that is not last is closed by FNC1, here in code set B.
    Gs1Case{"BatchThenGtinSeparatedByFnc1", u"(10)ABC(01)04912345123459",
            START_C + FNC1 + V10 + CODEB + V33 + V34 + V35 + FNC1 + CODEC + V1 + V4 + V91 + V23 + V45 + V12 + V34
                + V59 + V1 + STOP,
            u"(10)ABC(01)04912345123459"},
    Gs1Case{"SeparatorInCodeSetC", u"(30)12(01)04912345123459",
            START_C + FNC1 + V30 + V12 + FNC1 + V1 + V4 + V91 + V23 + V45 + V12 + V34 + V59 + V78 + STOP,
            u"(30)12(01)04912345123459"},
    // Five digits: two pairs, then the last digit in code set B.
    Gs1Case{"OddDigitsEndInCodeSetB", u"(30)123", START_C + FNC1 + V30 + V12 + CODEB + V19 + V77 + STOP,
            u"(30)123"},
    Gs1Case{"BackToCodeSetCForFourDigits", u"(10)12AB3456",
            START_C + FNC1 + V10 + V12 + CODEB + V33 + V34 + CODEC + V34 + V56 + V29 + STOP, u"(10)12AB3456"},
    // Four digits cost four characters in B and four with the two changes: B stays.
    Gs1Case{"FourDigitsBetweenLettersStayInB", u"(10)AB1234CD",
            START_C + FNC1 + V10 + CODEB + V33 + V34 + V17 + V18 + V19 + V20 + V35 + V36 + V75 + STOP,
            u"(10)AB1234CD"},
    Gs1Case{"SixDigitsBetweenLettersGoToC", u"(10)AB123456CD",
            START_C + FNC1 + V10 + CODEB + V33 + V34 + CODEC + V12 + V34 + V56 + CODEB + V35 + V36 + V83 + STOP,
            u"(10)AB123456CD"},
    // With square brackets a parenthesis is data.
    Gs1Case{"ParenthesesAreDataInSquareBrackets", u"[10]A(B)",
            START_C + FNC1 + V10 + CODEB + V33 + V8 + V34 + V9 + V39 + STOP, u"(10)A(B)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Gs1128, ElementsAlternateAndEveryCharacterIsElevenModules)
{
    const std::string p = gs1128(u"(01)04912345123459(15)251231(10)LOT-7a(21)1234"_s).Pattern;
    ASSERT_FALSE(p.empty());
    ASSERT_EQ((p.size() - 7) % 6, 0u);
    for (size_t i = 0; i < p.size(); ++i)
        EXPECT_EQ((p[i] - '0') % 2 == 1, i % 2 == 0) << i;
    EXPECT_EQ(p.substr(0, 12), START_C + FNC1);
    EXPECT_EQ(p.substr(p.size() - 7), STOP);
}

TEST(Gs1128, FortyEightCharactersFitAndFortyNineDoNot)
{
    // (90) takes up to 30 characters; two fields with a separator.
    const QString fits = u"(90)"_s + QString(30, u'A') + u"(91)"_s + QString(13, u'B');   // 2+30+1+2+13
    EXPECT_FALSE(gs1128(fits).Pattern.empty());
    const TEncodeResult r = gs1128(fits + u'B');
    EXPECT_TRUE(r.Pattern.empty());
    EXPECT_TRUE(r.Symbol.isEmpty());
    EXPECT_EQ(r.Reason.Kind, rejGS1TooLong);
    EXPECT_EQ(u8(r.Reason.Text), "49");
    EXPECT_EQ(r.Reason.Position, -1);
}

TEST(Gs1128, RejectionsAreThoseOfTheElementString)
{
    const TEncodeResult r = gs1128(u"(01)04912345123458"_s);
    EXPECT_TRUE(r.Pattern.empty());
    EXPECT_TRUE(r.Symbol.isEmpty());
    EXPECT_EQ(r.Reason.Kind, rejCheckDigit);
    EXPECT_EQ(u8(r.Reason.AI), "01");
    EXPECT_EQ(r.Reason.Expected, QChar(u'9'));
    EXPECT_EQ(gs1128(QString()).Reason.Kind, rejEmpty);
    EXPECT_EQ(gs1128(u"0104912345123459"_s).Reason.Kind, rejGS1Syntax);
}

} // namespace
