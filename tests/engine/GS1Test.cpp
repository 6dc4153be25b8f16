// GS1 element strings: fields in parentheses or square brackets, the
// separators after fields of no predefined length, check digits checked or
// added, and rejections that name the field and what is wrong with it.
#include "Encoders.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;

namespace {

std::string u8(const QString &s)
{
    return s.toStdString();
}

// The separator as the element string holds it.
const std::string GS = "\x1D";

struct Accepted {
    const char *name;
    const char16_t *code;
    std::string data;
    const char16_t *text;
};

class GS1Accepts : public testing::TestWithParam<Accepted> {};

TEST_P(GS1Accepts, ElementStringAndText)
{
    const auto &c = GetParam();
    const TGS1ElementString r = GS1ElementString(QString::fromUtf16(c.code));
    EXPECT_EQ(r.Reason.Kind, rejNone) << u8(r.Reason.Text);
    EXPECT_EQ(r.Data, c.data);
    EXPECT_EQ(u8(r.Text), u8(QString::fromUtf16(c.text)));
}

INSTANTIATE_TEST_SUITE_P(GS1, GS1Accepts, testing::Values(
    Accepted{"Gtin", u"(01)04912345123459", "0104912345123459", u"(01)04912345123459"},
    Accepted{"GtinWithoutCheckDigit", u"(01)0491234512345", "0104912345123459", u"(01)04912345123459"},
    Accepted{"SsccWithoutCheckDigit", u"(00)10614141234567890", "00106141412345678908",
             u"(00)106141412345678908"},
    Accepted{"GlnWithoutCheckDigit", u"(410)061414100000", "4100614141000005", u"(410)0614141000005"},
    Accepted{"SquareBrackets", u"[01]04912345123459[17]251231", "010491234512345917251231",
             u"(01)04912345123459(17)251231"},
    // Predefined lengths need no separator, whatever follows.
    Accepted{"PredefinedFieldsRunTogether", u"(01)04912345123459(3103)000189(17)251231(20)01",
             "01049123451234593103000189172512312001", u"(01)04912345123459(3103)000189(17)251231(20)01"},
    // Fields of no predefined length are closed by a separator, except the last.
    Accepted{"SeparatorAfterBatch", u"(10)ABC123(01)04912345123459", "10ABC123" + GS + "0104912345123459",
             u"(10)ABC123(01)04912345123459"},
    Accepted{"NoSeparatorAfterLastField", u"(01)04912345123459(10)ABC123(21)XYZ",
             "010491234512345910ABC123" + GS + "21XYZ", u"(01)04912345123459(10)ABC123(21)XYZ"},
    // GLNs have a predefined length although their AIs have three digits.
    Accepted{"GlnRunsTogether", u"(410)0614141000005(8020)REF-1", "41006141410000058020REF-1",
             u"(410)0614141000005(8020)REF-1"},
    Accepted{"CurrencyAndAmount", u"(3912)978123456(8020)A", "3912978123456" + GS + "8020A",
             u"(3912)978123456(8020)A"},
    Accepted{"PostalCodeWithCountry", u"(421)392ABC-9", "421392ABC-9", u"(421)392ABC-9"},
    Accepted{"OptionalSerialOfGdti", u"(253)4912345000019", "2534912345000019", u"(253)4912345000019"},
    Accepted{"SerialOfGdti", u"(253)4912345000019ABC", "2534912345000019ABC", u"(253)4912345000019ABC"},
    // With square brackets parentheses are data.
    Accepted{"AllGs1Characters",
             u"[91]!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz",
             "91!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz",
             u"(91)!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz"},
    // With parentheses a closing one is data; with square brackets both are.
    Accepted{"ClosingParenthesisIsData", u"(10)A)B", "10A)B", u"(10)A)B"},
    Accepted{"DayZeroMeansAnyDay", u"(15)250100", "15250100", u"(15)250100"},
    Accepted{"LeapDay", u"(17)240229", "17240229", u"(17)240229"}),
    [](const auto &info) { return std::string(info.param.name); });

// Every commonly used AI with a value of its longest length, and its format.
struct Field {
    const char16_t *ai;
    const char16_t *value;
    const char16_t *format;
    bool separated;   // a separator follows when another field does
};

class GS1Table : public testing::TestWithParam<Field> {};

TEST_P(GS1Table, LongestValueIsTakenAndOneMoreIsNot)
{
    const auto &f = GetParam();
    const QString ai = QString::fromUtf16(f.ai), value = QString::fromUtf16(f.value);
    const QString field = u'(' + ai + u')' + value;
    const TGS1ElementString r = GS1ElementString(field + u"(90)X"_s);
    ASSERT_EQ(r.Reason.Kind, rejNone) << u8(field) << ": " << u8(r.Reason.Text);
    EXPECT_EQ(r.Data, u8(ai + value) + (f.separated ? GS : "") + "90X");

    // The last character once more: one too many for every field.
    const QString tooLong = field + value.back();
    const TGS1ElementString t = GS1ElementString(tooLong);
    EXPECT_EQ(t.Reason.Kind, rejGS1Length) << u8(tooLong);
    EXPECT_EQ(u8(t.Reason.AI), u8(ai));
    EXPECT_EQ(u8(t.Reason.Format), u8(QString::fromUtf16(f.format)));
    EXPECT_EQ(t.Reason.Position, 0);
    EXPECT_EQ(u8(t.Reason.Text), u8(tooLong));
}

INSTANTIATE_TEST_SUITE_P(GS1, GS1Table, testing::Values(
    Field{u"00", u"106141412345678908", u"N18", false},
    Field{u"01", u"04912345123459", u"N14", false},
    Field{u"02", u"04912345123459", u"N14", false},
    Field{u"10", u"ABCDEFGHIJ0123456789", u"X..20", true},
    Field{u"11", u"251231", u"N6", false},
    Field{u"13", u"251231", u"N6", false},
    Field{u"15", u"251231", u"N6", false},
    Field{u"17", u"251231", u"N6", false},
    Field{u"20", u"99", u"N2", false},
    Field{u"21", u"abcdefghij0123456789", u"X..20", true},
    Field{u"30", u"12345678", u"N..8", true},
    Field{u"37", u"12345678", u"N..8", true},
    Field{u"3100", u"000123", u"N6", false},
    Field{u"3105", u"000123", u"N6", false},
    Field{u"3202", u"000123", u"N6", false},
    Field{u"3303", u"000123", u"N6", false},
    Field{u"3375", u"000123", u"N6", false},
    Field{u"3491", u"000123", u"N6", false},
    Field{u"3574", u"000123", u"N6", false},
    Field{u"3695", u"000123", u"N6", false},
    Field{u"3900", u"123456789012345", u"N..15", true},
    Field{u"3919", u"978123456789012345", u"N3+N..15", true},
    Field{u"3925", u"123456789012345", u"N..15", true},
    Field{u"3930", u"392123456789012345", u"N3+N..15", true},
    Field{u"400", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", u"X..30", true},
    Field{u"401", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", u"X..30", true},
    Field{u"410", u"0614141000005", u"N13", false},
    Field{u"411", u"0614141000005", u"N13", false},
    Field{u"412", u"0614141000005", u"N13", false},
    Field{u"413", u"0614141000005", u"N13", false},
    Field{u"414", u"0614141000005", u"N13", false},
    Field{u"415", u"0614141000005", u"N13", false},
    Field{u"420", u"ABCDEFGHIJ0123456789", u"X..20", true},
    Field{u"421", u"392ABCDEFGHI", u"N3+X..9", true},
    Field{u"8020", u"ABCDEFGHIJKLMNOPQRSTUVWXY", u"X..25", true},
    Field{u"90", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", u"X..30", true},
    Field{u"91", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                 u"ABCDEFGHIJKLMNOPQR", u"X..90", true},
    Field{u"99", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                 u"ABCDEFGHIJKLMNOPQR", u"X..90", true},
    Field{u"253", u"4912345000019ABCDEFGHIJKLMNOPQ", u"N13+[X..17]", true}),
    [](const auto &info) { return u8(QString::fromUtf16(info.param.ai)); });

struct Rejection {
    const char *name;
    const char16_t *code;
    TRejectKind kind;
    qsizetype position;
    const char16_t *text;
    const char16_t *ai;       // the field named
    const char16_t *format;
    char16_t expected;        // rejCheckDigit
};

class GS1Rejects : public testing::TestWithParam<Rejection> {};

TEST_P(GS1Rejects, NamesTheFieldAndWhatIsWrong)
{
    const auto &c = GetParam();
    const TGS1ElementString r = GS1ElementString(QString::fromUtf16(c.code));
    EXPECT_TRUE(r.Data.empty());
    EXPECT_TRUE(r.Text.isEmpty());
    EXPECT_EQ(r.Reason.Kind, c.kind);
    EXPECT_EQ(r.Reason.Position, c.position);
    EXPECT_EQ(u8(r.Reason.Text), u8(QString::fromUtf16(c.text)));
    EXPECT_EQ(u8(r.Reason.AI), u8(QString::fromUtf16(c.ai)));
    EXPECT_EQ(u8(r.Reason.Format), u8(QString::fromUtf16(c.format)));
    EXPECT_EQ(r.Reason.Expected, c.expected ? QChar(c.expected) : QChar());
}

INSTANTIATE_TEST_SUITE_P(GS1, GS1Rejects, testing::Values(
    Rejection{"NoBracketFirst", u"0104912345123459", rejGS1Syntax, 0, u"0", u"", u"", 0},
    Rejection{"UnclosedBracket", u"(01)04912345123459(10ABC", rejGS1Syntax, 18, u"(10ABC", u"", u"", 0},
    Rejection{"UnclosedSquareBracket", u"[01", rejGS1Syntax, 0, u"[01", u"", u"", 0},
    Rejection{"UnknownAI", u"(01)04912345123459(23)5", rejGS1AI, 18, u"(23)", u"", u"", 0},
    Rejection{"UnknownMeasureDecimals", u"(3106)000123", rejGS1AI, 0, u"(3106)", u"", u"", 0},
    Rejection{"EmptyAI", u"()123", rejGS1AI, 0, u"()", u"", u"", 0},
    Rejection{"FiveDigitAI", u"(12345)1", rejGS1AI, 0, u"(12345)", u"", u"", 0},
    Rejection{"LetterAI", u"(0A)1", rejGS1AI, 0, u"(0A)", u"", u"", 0},
    Rejection{"MixedBrackets", u"[01)04912345123459", rejGS1Syntax, 0, u"[01)04912345", u"", u"", 0},
    Rejection{"WrongGtinCheckDigit", u"(01)04912345123458", rejCheckDigit, 17, u"8", u"01", u"N14", u'9'},
    Rejection{"WrongSsccCheckDigit", u"(00)106141412345678901", rejCheckDigit, 21, u"1", u"00", u"N18", u'8'},
    Rejection{"WrongGlnCheckDigit", u"(01)04912345123459(414)0614141000001", rejCheckDigit, 35, u"1", u"414",
              u"N13", u'5'},
    Rejection{"GtinTwoShort", u"(01)049123451234", rejGS1Length, 0, u"(01)049123451234", u"01", u"N14", 0},
    Rejection{"GtinTooLong", u"(01)049123451234590", rejGS1Length, 0, u"(01)049123451234590", u"01", u"N14", 0},
    Rejection{"EmptyValue", u"(01)04912345123459(10)", rejGS1Length, 18, u"(10)", u"10", u"X..20", 0},
    Rejection{"EmptyValueBeforeNextField", u"(10)(01)04912345123459", rejGS1Length, 0, u"(10)", u"10", u"X..20",
              0},
    Rejection{"LetterInGtin", u"(01)0491234512345A", rejGS1Character, 17, u"A", u"01", u"N14", 0},
    Rejection{"LetterInCountryCode", u"(421)3A2ABC", rejGS1Character, 6, u"A", u"421", u"N3+X..9", 0},
    Rejection{"SpaceInBatch", u"(10)AB C", rejGS1Character, 6, u" ", u"10", u"X..20", 0},
    Rejection{"HashIsNoGs1Character", u"(21)A#1", rejGS1Character, 5, u"#", u"21", u"X..20", 0},
    Rejection{"NonAscii", u"(21)caf\u00E9", rejGS1Character, 7, u"\u00E9", u"21", u"X..20", 0},
    Rejection{"SquareBracketInParentheses", u"(10)A[1]", rejGS1Character, 5, u"[", u"10", u"X..20", 0},
    Rejection{"ControlCharacter", u"(10)A\u001DB", rejGS1Character, 5, u"\u001D", u"10", u"X..20", 0},
    Rejection{"MonthThirteen", u"(17)251300", rejGS1Date, 4, u"251300", u"17", u"N6", 0},
    Rejection{"MonthZero", u"(11)250001", rejGS1Date, 4, u"250001", u"11", u"N6", 0},
    Rejection{"AprilThirtyFirst", u"(17)250431", rejGS1Date, 4, u"250431", u"17", u"N6", 0},
    Rejection{"NoLeapDay", u"(15)250229", rejGS1Date, 4, u"250229", u"15", u"N6", 0},
    Rejection{"DayZeroNotForFreezeDate", u"(7006)250100", rejGS1Date, 6, u"250100", u"7006", u"N6", 0},
    Rejection{"CountryCodeTooShort", u"(421)39", rejGS1Length, 0, u"(421)39", u"421", u"N3+X..9", 0},
    Rejection{"PostalCodeMissing", u"(421)392", rejGS1Length, 0, u"(421)392", u"421", u"N3+X..9", 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(GS1, EmptyDataIsRejEmpty)
{
    const TGS1ElementString r = GS1ElementString(QStringView());
    EXPECT_EQ(r.Reason.Kind, rejEmpty);
    EXPECT_TRUE(r.Data.empty());
}

// Check digits: a change of any one digit of a GTIN is caught.
TEST(GS1, EveryChangedDigitOfAGtinIsCaught)
{
    const QString gtin = u"04912345123459"_s;
    for (int i = 0; i < 14; ++i) {
        QString bad = gtin;
        bad[i] = QChar(u'0' + (bad[i].unicode() - u'0' + 1) % 10);
        const TGS1ElementString r = GS1ElementString(u"(01)"_s + bad);
        EXPECT_EQ(r.Reason.Kind, rejCheckDigit) << u8(bad);
        EXPECT_NE(r.Reason.Expected, bad[13]) << u8(bad);
        EXPECT_EQ(r.Reason.Position, 17);
    }
}

} // namespace
