// Code 93: the bracketed shift characters, the C and K check characters
// with their wrapping weights, the text and its full-ASCII expansion.
#include "Encoders.h"

#include <QStringList>
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

// Rows from the published Code 93 table (a bar of w modules written 2w-1, a
// space 2w-2).
const std::string R0 = "141012";
const std::string R1 = "101214";
const std::string R3 = "101610";
const std::string R6 = "121410";
const std::string R9 = "161010";
const std::string RA = "301014";
const std::string RE = "321210";
const std::string RS = "301032";
const std::string RT = "301230";
const std::string RZ = "125010";
const std::string RSPACE = "501210";
const std::string RPLUS = "105030";
const std::string SHIFT_DOLLAR = "121230";    // ($)
const std::string SHIFT_PERCENT = "503010";   // (%)
const std::string SHIFT_SLASH = "501030";     // (/)
const std::string SHIFT_PLUS = "123210";      // (+)
const std::string START = "101070";
const std::string STOP = "1010701";           // with the termination bar

QString qs(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

TEncodeResult code93(const QString &code, bool startStop = true)
{
    TEncodeInput in;
    in.Code = code;
    in.StartStopChar = startStop;
    in.CD = false;   // not read: both check characters are always there
    return EncodeCODE93(in);
}

TEST(Code93, PatternOfTest93)
{
    // C is "+" (41), K is "6".
    const TEncodeResult r = code93(u"TEST93"_s);
    EXPECT_EQ(r.Pattern, START + RT + RE + RS + RT + R9 + R3 + RPLUS + R6 + STOP);
    EXPECT_EQ(u8(r.Symbol), u8(u"TEST93+6"_s));
}

struct RowCase {
    const char16_t *code;
    std::string row;
    std::string checks;   // C and K
};

class Code93PublishedRows : public testing::TestWithParam<RowCase> {};

TEST_P(Code93PublishedRows, SingleCharacterSymbol)
{
    const auto &c = GetParam();
    EXPECT_EQ(code93(QString::fromUtf16(c.code)).Pattern, START + c.row + c.checks + STOP);
}

INSTANTIATE_TEST_SUITE_P(Code93, Code93PublishedRows, testing::Values(
    RowCase{u"0", R0, R0 + R0},
    RowCase{u"1", R1, R1 + R3},
    RowCase{u"A", RA, RA + "321030"},                // K 30, "U"
    RowCase{u" ", RSPACE, RSPACE + "143010"},        // K 20, "K"
    RowCase{u"<$>", SHIFT_DOLLAR, SHIFT_DOLLAR + RZ},
    RowCase{u"<%>", SHIFT_PERCENT, SHIFT_PERCENT + RSPACE},
    RowCase{u"</>", SHIFT_SLASH, SHIFT_SLASH + RPLUS},
    RowCase{u"<+>", SHIFT_PLUS, SHIFT_PLUS + SHIFT_PERCENT}));

// All 47 rows: three bars and three spaces, bar first, nine modules, all
// different.
TEST(Code93, EveryRowIsWellFormed)
{
    std::set<std::string> rows;
    const QString basic = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"_s;
    QStringList characters;
    for (const QChar c : basic)
        characters << QString(c);
    characters << u"<$>"_s << u"<%>"_s << u"</>"_s << u"<+>"_s;
    for (const QString &c : characters) {
        const std::string p = code93(c).Pattern;
        ASSERT_EQ(p.size(), 6u * 4 + 7) << c.toStdString();
        const std::string row = p.substr(6, 6);
        int modules = 0;
        for (size_t i = 0; i < row.size(); ++i) {
            EXPECT_EQ((row[i] - '0') % 2 == 1, i % 2 == 0) << c.toStdString() << ": " << row;
            modules += (row[i] - '0') / 2 + 1;
        }
        EXPECT_EQ(modules, 9) << c.toStdString() << ": " << row;
        rows.insert(row);
    }
    EXPECT_EQ(rows.size(), 47u) << "two characters share a row";
    EXPECT_EQ(rows.count(START), 0u);
}

struct TextCase {
    const char *name;
    const char16_t *code;
    const char16_t *withChecks;   // StartStopChar True
    const char16_t *plain;        // StartStopChar False
};

class Code93Text : public testing::TestWithParam<TextCase> {};

TEST_P(Code93Text, ChecksAppendedThenExpanded)
{
    const auto &c = GetParam();
    EXPECT_EQ(u8(code93(QString::fromUtf16(c.code), true).Symbol), u8(QString::fromUtf16(c.withChecks)));
    EXPECT_EQ(u8(code93(QString::fromUtf16(c.code), false).Symbol), u8(QString::fromUtf16(c.plain)));
}

INSTANTIATE_TEST_SUITE_P(Code93, Code93Text, testing::Values(
    TextCase{"Test93", u"TEST93", u"TEST93+6", u"TEST93"},
    TextCase{"Code93", u"CODE93", u"CODE93PV", u"CODE93"},
    // Values 46, 10, 46, 11: C 35 ("Z"), K 42 ("%").
    TextCase{"LowerCasePairs", u"<+>A<+>B", u"abZ%", u"ab"},
    // Values 10, 43, 11: C "X", K "-".
    TextCase{"ControlCharacterPair", u"A<$>B", u"ASTXX-", u"ASTX"},
    // Twenty letters: C is (+) and K is "F", together a lower-case f.
    TextCase{"TwentyLettersCheckPairExpands", u"ABCDEFGHIJKLMNOPQRST", u"ABCDEFGHIJKLMNOPQRSTf",
             u"ABCDEFGHIJKLMNOPQRST"},
    // Twenty-one letters: the leftmost letter's C weight is 1 again.
    TextCase{"WeightOfCWrapsAfterTwenty", u"ABCDEFGHIJKLMNOPQRSTU", u"ABCDEFGHIJKLMNOPQRSTUVM",
             u"ABCDEFGHIJKLMNOPQRSTU"},
    // C ($) and K "Z": the pair shows as SUB behind the unexpanded bracket.
    TextCase{"ShiftAloneThenCheckPair", u"<$>", u"<$>SUB", u"<$>"},
    // "</>D" has no row; C "." and K (+) end the text with a bare bracket.
    TextCase{"SlashPairWithoutRowStays", u"</>D</>A", u"</>D!.<+>", u"</>D!"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Code93, VeryLongDataEncodesWithoutLimit)
{
    // 100000 "Z": C 42 ("%"), K 19 ("J").
    const QString code(100000, u'Z');
    const TEncodeResult r = code93(code);
    EXPECT_EQ(r.Pattern.size(), 6u * 100003 + 7);
    EXPECT_EQ(u8(r.Symbol), u8(code + u"%J"_s));
}

struct Rejected {
    const char *name;
    std::u16string_view code;
};

class Code93Rejects : public testing::TestWithParam<Rejected> {};

TEST_P(Code93Rejects, GivesNoPatternAndNoText)
{
    const TEncodeResult r = code93(qs(GetParam().code));
    EXPECT_TRUE(r.Pattern.empty());
    EXPECT_TRUE(r.Symbol.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Code93, Code93Rejects, testing::Values(
    Rejected{"Empty", u""},
    Rejected{"LowerCase", u"abc"},
    Rejected{"InternalShiftSign", u"A!B"},
    Rejected{"InternalHash", u"#"},
    Rejected{"InternalAmpersand", u"&"},
    Rejected{"InternalAt", u"@"},
    Rejected{"Asterisk", u"*"},
    Rejected{"BracketAroundLetter", u"<A>"},
    Rejected{"BracketCutOff", u"A<$"},
    Rejected{"LoneLessThan", u"<"},
    Rejected{"DoubleLessThan", u"<<$>"},
    Rejected{"GreaterThan", u"A>"},
    Rejected{"BracketWithoutClose", u"<$$"},
    Rejected{"ControlCharacter", u"A\tB"},
    Rejected{"Nul", std::u16string_view(u"A\0", 2)},
    Rejected{"NonAscii", u"\u00C4"},
    Rejected{"FullWidth", u"\uFF21"}),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// ExpandFullAscii

TEST(ExpandFullAscii, EveryShiftPairOfThePublishedTable)
{
    const char *controls[] = {"SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "HT",
                              "LF", "VT", "FF", "CR", "SO", "SI", "DLE", "DC1", "DC2",
                              "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM", "SUB"};
    const char *percent[] = {"ESC", "FS", "GS", "RS", "US", ";", "<", "=", ">", "?", "[", "\\", "]",
                             "^", "_", "{", "|", "}", "~", "DEL", "NUL", "@", "`", "DEL", "DEL", "DEL"};
    // The slash pairs: "" where the pair has no row and stays as typed.
    const char *slash[] = {"!", "\"", "#", "", "", "&", "'", "(", ")", "*", "", ",", "",
                           "", "", "", "", "", "", "", "", "", "", "", "", ":"};
    int rows = 0;
    for (int i = 0; i < 26; ++i) {
        const QChar letter(u'A' + i);
        EXPECT_EQ(u8(ExpandFullAscii(u"<$>"_s + letter)), u8(QString::fromLatin1(controls[i])));
        EXPECT_EQ(u8(ExpandFullAscii(u"<%>"_s + letter)), u8(QString::fromLatin1(percent[i])));
        EXPECT_EQ(u8(ExpandFullAscii(u"<+>"_s + letter)), u8(QString(QChar(u'a' + i))));
        const QString s = u"</>"_s + letter;
        EXPECT_EQ(u8(ExpandFullAscii(s)), u8(*slash[i] ? QString::fromLatin1(slash[i]) : s));
        rows += 3 + (*slash[i] ? 1 : 0);
    }
    EXPECT_EQ(rows, 88);
}

struct ExpandCase {
    const char *name;
    const char16_t *text;
    const char16_t *expanded;
};

class ExpandFullAsciiText : public testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandFullAsciiText, ReplacesOnlyCompleteKeysOnce)
{
    const auto &c = GetParam();
    EXPECT_EQ(u8(ExpandFullAscii(QString::fromUtf16(c.text))), u8(QString::fromUtf16(c.expanded)));
}

INSTANTIATE_TEST_SUITE_P(ExpandFullAscii, ExpandFullAsciiText, testing::Values(
    ExpandCase{"Empty", u"", u""},
    ExpandCase{"NoPairs", u"CODE 93", u"CODE 93"},
    // "<%>G" gives "<", which is not expanded again with what follows.
    ExpandCase{"OutputNotRescanned", u"<%>G+>A", u"<+>A"},
    ExpandCase{"LowerCaseLetterIsNoKey", u"<+>a", u"<+>a"},
    ExpandCase{"BracketAtEnd", u"AB<+>", u"AB<+>"},
    ExpandCase{"PairsBackToBack", u"<+>Z<$>M<$>J<%>V", u"zCRLF@"},
    ExpandCase{"LessThanBeforeKey", u"<<+>B", u"<b"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
