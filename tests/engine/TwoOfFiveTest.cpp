// The two-of-five family: ITF with ITF-14, CTF, IATA, Matrix and NEC. No
// decoder here reads CTF, IATA, Matrix or NEC, so their patterns are checked
// against rows worked out by hand from the published two-of-five table.
#include "Encoders.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;

namespace {
// Texts are compared as UTF-8 so that a failure shows them readably.
std::string u8(const QString &s)
{
    return s.toStdString();
}

// ITF: start, stop, and digit pairs (bars of the first digit interleaved with
// the spaces of the second).
const std::string ITF_START = "1010";
const std::string ITF_STOP = "301";
const std::string ITF_01 = "1210303012";
const std::string ITF_12 = "3012101032";
const std::string ITF_23 = "1232101030";
const std::string ITF_34 = "3030121012";
const std::string ITF_45 = "1210321030";
const std::string ITF_57 = "3010301212";
const std::string ITF_04 = "1010323012";
const std::string ITF_59 = "3012301210";
const std::string ITF_91 = "1230103012";
const std::string ITF_51 = "3210301012";
const std::string ITF_36 = "3032121010";

// CTF and IATA: five bars, each followed by a narrow space.
const std::string CTF_START = "303010";
const std::string CTF_STOP = "30103";
const std::string IATA_START = "1010";
const std::string IATA_STOP = "301";
const std::string CTF_0 = "1010303010";
const std::string CTF_1 = "3010101030";
const std::string CTF_2 = "1030101030";
const std::string CTF_3 = "3030101010";
const std::string CTF_6 = "1030301010";

// Matrix: bar, space, bar, space, bar and the gap.
const std::string MATRIX_START = "301010";
const std::string MATRIX_STOP = "30101";
const std::string MATRIX_0 = "103210";
const std::string MATRIX_1 = "301030";
const std::string MATRIX_2 = "121030";
const std::string MATRIX_3 = "321010";
const std::string MATRIX_6 = "123010";

// NEC: its own digit table.
const std::string NEC_START = "3030";
const std::string NEC_STOP = "123";
const std::string NEC_0 = "321010";
const std::string NEC_1 = "101230";
const std::string NEC_2 = "103030";
const std::string NEC_3 = "103210";
const std::string NEC_4 = "121030";
const std::string NEC_5 = "121210";
const std::string NEC_6 = "123010";
const std::string NEC_7 = "301030";
const std::string NEC_8 = "301210";
const std::string NEC_9 = "303010";

QString qs(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

TEncodeResult encode(TEncoder encoder, const QString &code, bool cd)
{
    TEncodeInput in;
    in.Code = code;
    in.CD = cd;
    return encoder(in);
}

struct PatternCase {
    const char *name;
    TEncoder encoder;
    const char16_t *code;
    bool cd;
    std::string pattern;
    const char16_t *symbol;
};

class TwoOfFivePattern : public testing::TestWithParam<PatternCase> {};

TEST_P(TwoOfFivePattern, MatchesHandComputedRows)
{
    const auto &c = GetParam();
    const TEncodeResult r = encode(c.encoder, QString::fromUtf16(c.code), c.cd);
    EXPECT_EQ(r.Pattern, c.pattern);
    EXPECT_EQ(u8(r.Symbol), u8(QString::fromUtf16(c.symbol)));
}

INSTANTIATE_TEST_SUITE_P(TwoOfFive, TwoOfFivePattern, testing::Values(
    // An odd count gets a zero in front.
    PatternCase{"ItfOddCountGetsLeadingZero", EncodeITF, u"12345", false,
                ITF_START + ITF_01 + ITF_23 + ITF_45 + ITF_STOP, u"012345"},
    // Five digits and the check digit are even already: no zero.
    PatternCase{"ItfCheckDigitMakesCountEven", EncodeITF, u"12345", true,
                ITF_START + ITF_12 + ITF_34 + ITF_57 + ITF_STOP, u"123457"},
    PatternCase{"ItfSingleDigitIsPairWithZero", EncodeITF, u"1", false,
                ITF_START + ITF_01 + ITF_STOP, u"01"},
    PatternCase{"CtfWithCheckDigit", EncodeCTF, u"123", true,
                CTF_START + CTF_1 + CTF_2 + CTF_3 + CTF_6 + CTF_STOP, u"1236"},
    PatternCase{"CtfDigitZero", EncodeCTF, u"0", false, CTF_START + CTF_0 + CTF_STOP, u"0"},
    PatternCase{"IataAlwaysHasCheckDigit", EncodeIATA, u"123", false,
                IATA_START + CTF_1 + CTF_2 + CTF_3 + CTF_6 + IATA_STOP, u"1236"},
    PatternCase{"IataIgnoresCD", EncodeIATA, u"123", true,
                IATA_START + CTF_1 + CTF_2 + CTF_3 + CTF_6 + IATA_STOP, u"1236"},
    PatternCase{"MatrixWithCheckDigit", EncodeMATRIX, u"123", true,
                MATRIX_START + MATRIX_1 + MATRIX_2 + MATRIX_3 + MATRIX_6 + MATRIX_STOP, u"1236"},
    PatternCase{"MatrixDigitZero", EncodeMATRIX, u"0", false, MATRIX_START + MATRIX_0 + MATRIX_STOP, u"0"},
    PatternCase{"NecWithCheckDigit", EncodeNEC, u"123", true,
                NEC_START + NEC_1 + NEC_2 + NEC_3 + NEC_6 + NEC_STOP, u"1236"},
    PatternCase{"NecDigitZero", EncodeNEC, u"0", false, NEC_START + NEC_0 + NEC_STOP, u"0"},
    PatternCase{"NecAllDigits", EncodeNEC, u"0123456789", false,
                NEC_START + NEC_0 + NEC_1 + NEC_2 + NEC_3 + NEC_4 + NEC_5 + NEC_6 + NEC_7 + NEC_8 + NEC_9 + NEC_STOP,
                u"0123456789"}),
    [](const auto &info) { return std::string(info.param.name); });

struct CheckCase {
    TEncoder encoder;
    const char16_t *code;
    const char16_t *symbol;
};

class TwoOfFiveCheckDigit : public testing::TestWithParam<CheckCase> {};

TEST_P(TwoOfFiveCheckDigit, IsWeightedThreeOneFromTheRight)
{
    const auto &c = GetParam();
    EXPECT_EQ(u8(encode(c.encoder, QString::fromUtf16(c.code), true).Symbol), u8(QString::fromUtf16(c.symbol)));
}

INSTANTIATE_TEST_SUITE_P(TwoOfFive, TwoOfFiveCheckDigit, testing::Values(
    CheckCase{EncodeITF, u"12345", u"123457"},       // sum 33
    CheckCase{EncodeITF, u"123456", u"01234565"},    // zero in front, sum 45
    CheckCase{EncodeITF, u"1234567", u"12345670"},   // sum 60
    CheckCase{EncodeITF, u"0", u"00"},
    CheckCase{EncodeCTF, u"123", u"1236"},           // sum 14
    CheckCase{EncodeIATA, u"123", u"1236"},
    CheckCase{EncodeMATRIX, u"123", u"1236"},
    CheckCase{EncodeNEC, u"123", u"1236"},
    CheckCase{EncodeCTF, u"9", u"93"},               // sum 27
    CheckCase{EncodeMATRIX, u"99", u"994"}));        // sum 36

struct Member {
    const char *name;
    TEncoder encoder;
    size_t startLength;
    size_t stopLength;
    size_t perDigit;
    bool checkAlways;
};

class TwoOfFiveMember : public testing::TestWithParam<Member> {};

// Each digit's five elements carry exactly two wide ones, and bars and
// spaces alternate over the whole symbol (ITF and Matrix) or bars are
// separated by narrow spaces (CTF, IATA).
TEST_P(TwoOfFiveMember, EveryDigitHasTwoWideElements)
{
    const auto &m = GetParam();
    for (char16_t d = u'0'; d <= u'9'; ++d) {
        // Two equal digits so that ITF's pair carries one digit in bars and spaces.
        const QString code = m.perDigit == 5 ? QString(2, QChar(d)) : QString(QChar(d));
        const std::string p = encode(m.encoder, code, false).Pattern;
        const size_t digits = size_t(code.size()) + (m.checkAlways ? 1 : 0);
        ASSERT_EQ(p.size(), m.startLength + m.perDigit * digits + m.stopLength) << char(d);
        const std::string body = p.substr(m.startLength, m.perDigit * digits);
        int wide = 0;
        for (size_t i = 0; i < body.size(); ++i) {
            EXPECT_TRUE(i % 2 == 0 ? (body[i] == '1' || body[i] == '3') : (body[i] == '0' || body[i] == '2'))
                << m.name << " digit " << char(d) << ": " << body;
            wide += body[i] == '2' || body[i] == '3';
        }
        EXPECT_EQ(wide, 2 * int(digits)) << m.name << " digit " << char(d) << ": " << body;
    }
}

TEST_P(TwoOfFiveMember, DoesNotLimitTheNumberOfDigits)
{
    const auto &m = GetParam();
    const QString code(100000, u'8');
    const TEncodeResult r = encode(m.encoder, code, true);
    // ITF needs a zero in front of 100000 digits and the check digit.
    const size_t digits = m.encoder == EncodeITF ? 100002 : 100001;
    EXPECT_EQ(r.Pattern.size(), m.startLength + m.perDigit * digits + m.stopLength);
    EXPECT_EQ(size_t(r.Symbol.size()), digits);
}

TEST_P(TwoOfFiveMember, CheckDigitOnlyWhenAskedExceptIata)
{
    const auto &m = GetParam();
    // Two digits: ITF needs no zero in front of them alone, but one in front
    // of them and a check digit.
    const QString code = u"12"_s;
    const bool itf = m.encoder == EncodeITF;
    EXPECT_EQ(encode(m.encoder, code, false).Symbol.size(), 2 + (m.checkAlways ? 1 : 0));
    EXPECT_EQ(encode(m.encoder, code, true).Symbol.size(), 3 + (itf ? 1 : 0));
}

class TwoOfFiveRejects : public testing::TestWithParam<std::tuple<Member, std::u16string_view>> {};

TEST_P(TwoOfFiveRejects, AnythingButTheTenDigits)
{
    const auto &[m, code] = GetParam();
    for (const bool cd : {false, true}) {
        const TEncodeResult r = encode(m.encoder, qs(code), cd);
        EXPECT_TRUE(r.Pattern.empty()) << m.name;
        EXPECT_TRUE(r.Symbol.isEmpty()) << m.name;
    }
}

const Member kMembers[] = {
    {"ITF", EncodeITF, 4, 3, 5, false},
    {"CTF", EncodeCTF, 6, 5, 10, false},
    {"IATA", EncodeIATA, 4, 3, 10, true},
    {"MATRIX", EncodeMATRIX, 6, 5, 6, false},
    {"NEC", EncodeNEC, 4, 3, 6, false},
};

INSTANTIATE_TEST_SUITE_P(TwoOfFive, TwoOfFiveMember, testing::ValuesIn(kMembers),
                         [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(TwoOfFive, TwoOfFiveRejects,
    testing::Combine(testing::ValuesIn(kMembers),
                     testing::Values(u"", u"12A", u"1 2", u"-1", u"12.5", u"\uFF11\uFF12", u"\u0663",
                                     std::u16string_view(u"1\0" "2", 3), u"1\u00B2")));

// ---------------------------------------------------------------------------
// ITF-14

struct Itf14Case {
    const char *name;
    const char16_t *code;
    std::string pattern;
    const char16_t *symbol;
};

class Itf14Symbol : public testing::TestWithParam<Itf14Case> {};

TEST_P(Itf14Symbol, SevenPairsOfTheGtin)
{
    const auto &c = GetParam();
    for (const bool cd : {false, true}) {   // CD is not read
        const TEncodeResult r = encode(EncodeITF14, QString::fromUtf16(c.code), cd);
        EXPECT_EQ(r.Pattern, c.pattern);
        EXPECT_EQ(u8(r.Symbol), u8(QString::fromUtf16(c.symbol)));
        EXPECT_EQ(r.Reason.Kind, rejNone);
    }
}

INSTANTIATE_TEST_SUITE_P(Itf14, Itf14Symbol, testing::Values(
    // 0 4 9 1 2 3 4 5 1 2 3 4 5: weighted sum 91, check digit 9.
    Itf14Case{"CheckDigitAdded", u"0491234512345",
              ITF_START + ITF_04 + ITF_91 + ITF_23 + ITF_45 + ITF_12 + ITF_34 + ITF_59 + ITF_STOP,
              u"04912345123459"},
    Itf14Case{"CheckDigitVerified", u"04912345123459",
              ITF_START + ITF_04 + ITF_91 + ITF_23 + ITF_45 + ITF_12 + ITF_34 + ITF_59 + ITF_STOP,
              u"04912345123459"},
    // 1 2 3 4 5 1 2 3 4 5 1 2 3: sum 74, check digit 6.
    Itf14Case{"PackagingIndicatorOne", u"1234512345123",
              ITF_START + ITF_12 + ITF_34 + ITF_51 + ITF_23 + ITF_45 + ITF_12 + ITF_36 + ITF_STOP,
              u"12345123451236"}),
    [](const auto &info) { return std::string(info.param.name); });

struct Itf14Rejection {
    const char *name;
    const char16_t *code;
    TRejectKind kind;
    qsizetype position;
    const char16_t *text;
    char16_t expected;
};

class Itf14Rejects : public testing::TestWithParam<Itf14Rejection> {};

TEST_P(Itf14Rejects, SaysWhy)
{
    const auto &c = GetParam();
    const TEncodeResult r = encode(EncodeITF14, QString::fromUtf16(c.code), false);
    EXPECT_TRUE(r.Pattern.empty());
    EXPECT_TRUE(r.Symbol.isEmpty());
    EXPECT_EQ(r.Reason.Kind, c.kind);
    EXPECT_EQ(r.Reason.Position, c.position);
    EXPECT_EQ(u8(r.Reason.Text), u8(QString::fromUtf16(c.text)));
    EXPECT_EQ(r.Reason.Expected, c.expected ? QChar(c.expected) : QChar());
}

INSTANTIATE_TEST_SUITE_P(Itf14, Itf14Rejects, testing::Values(
    Itf14Rejection{"Empty", u"", rejEmpty, -1, u"", 0},
    Itf14Rejection{"WrongCheckDigit", u"04912345123458", rejCheckDigit, 13, u"8", u'9'},
    Itf14Rejection{"TwelveDigits", u"049123451234", rejLength, -1, u"", 0},
    Itf14Rejection{"FifteenDigits", u"049123451234590", rejLength, -1, u"", 0},
    Itf14Rejection{"Letter", u"0491234512345X", rejCharacter, 13, u"X", 0},
    Itf14Rejection{"Space", u"0491234 512345", rejCharacter, 7, u" ", 0},
    Itf14Rejection{"FullWidthDigit", u"049123451234\uFF15", rejCharacter, 12, u"\uFF15", 0}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
