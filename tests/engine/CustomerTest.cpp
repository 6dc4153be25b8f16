// The Japanese postal customer barcode. No decoder here reads it, so the
// symbols are checked against the published bar table, position by position.
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

// Bar table: three columns each followed by an empty one; 7 long bar,
// 6 ascender, 3 descender, 2 timing bar.
const std::string D0 = "702020", D1 = "707020", D2 = "703060", D3 = "307060", D4 = "706030";
const std::string D5 = "702070", D6 = "306070", D7 = "607030", D8 = "603070", D9 = "207070";
const std::string HYPHEN = "207020";
const std::string CC1 = "306020", CC2 = "302060", CC3 = "603020", CC4 = "203060";
const std::string CC5 = "602030", CC6 = "206030", CC7 = "202070", CC8 = "707070";
const std::string START = "007030";
const std::string STOP = "307000";

std::string times(int n, const std::string &row)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += row;
    return s;
}

QString spaces(int n) { return QString(n, u' '); }

TEncodeResult customer(const QString &code)
{
    TEncodeInput in;
    in.Code = code;
    // None of these is read: the check character is always there.
    in.CD = false;
    in.StartStopChar = false;
    return EncodeCUSTOMER(in);
}

struct Case {
    const char *name;
    QString code;
    std::string data;     // the data positions, between start code and check character
    std::string check;
    QString symbol;
};

class CustomerSymbol : public testing::TestWithParam<Case> {};

TEST_P(CustomerSymbol, PositionsCheckCharacterAndText)
{
    const auto &c = GetParam();
    const TEncodeResult r = customer(c.code);
    EXPECT_EQ(r.Pattern, START + c.data + c.check + STOP);
    EXPECT_EQ(u8(r.Symbol), u8(c.symbol));
}

INSTANTIATE_TEST_SUITE_P(Customer, CustomerSymbol, testing::Values(
    // 7 digits and 13 CC4: sum 210, check value 18 shown as a space.
    Case{"PostalCodeOnly", u"1234567"_s,
         D1 + D2 + D3 + D4 + D5 + D6 + D7 + times(13, CC4), CC8, u"1234567"_s + spaces(14) + u' '},
    // Postal code and address number: three CC4, sum 109, check 5.
    Case{"PostalCodeAndAddress", u"26300233-30-8-403"_s,
         D2 + D6 + D3 + D0 + D0 + D2 + D3 + D3 + HYPHEN + D3 + D0 + HYPHEN + D8 + HYPHEN + D4 + D0 + D3 +
             times(3, CC4),
         D5, u"26300233-30-8-403"_s + spaces(4) + u'5'},
    // A letter is a control code and a digit: sum 154, check value 17.
    Case{"LetterIsControlCodeAndDigit", u"1000001A1"_s,
         D1 + D0 + D0 + D0 + D0 + D0 + D1 + CC1 + D0 + D1 + times(10, CC4), CC7,
         u"1000001A1"_s + spaces(12) + u' '},
    Case{"LettersOfEachControlCode", u"KTUZ"_s,
         CC2 + D0 + CC2 + D9 + CC3 + D0 + CC3 + D5 + times(12, CC4), CC5, u"KTUZ"_s + spaces(17) + u' '},
    // A to F fill positions 8 to 19; G would start in position 20 and
    // becomes CC4; H to J are never looked at. Sum 123, check 10.
    Case{"LetterInPosition20BecomesCC4", u"1234567ABCDEFGHIJ"_s,
         D1 + D2 + D3 + D4 + D5 + D6 + D7 + CC1 + D0 + CC1 + D1 + CC1 + D2 + CC1 + D3 + CC1 + D4 + CC1 + D5 + CC4,
         HYPHEN, u"1234567ABCDEFGHIJ"_s + spaces(4) + u'-'},
    Case{"LetterAfter19Digits", u"1234567890123456789Z"_s,
         D1 + D2 + D3 + D4 + D5 + D6 + D7 + D8 + D9 + D0 + D1 + D2 + D3 + D4 + D5 + D6 + D7 + D8 + D9 + CC4,
         HYPHEN, u"1234567890123456789Z "_s + u'-'},
    // 18 digits leave room for a letter in positions 19 and 20. Sum 11.
    Case{"LetterAfter18DigitsStillFits", u"000000000000000000A"_s, times(18, D0) + CC1 + D0, D8,
         u"000000000000000000A  "_s + u'8'},
    // 20 digits fill the symbol; the "Z" is never examined. Sum 20.
    Case{"TwentyFirstCharacterIgnored", u"11111111111111111111Z"_s, times(20, D1), CC8,
         u"11111111111111111111Z "_s},
    // The lower-case letter uses no position but counts among the 20
    // characters looked at: 19 positions, a symbol of 132 columns. Sum 196.
    Case{"SkippedCharacterShortensSymbol", u"a1234567"_s,
         D1 + D2 + D3 + D4 + D5 + D6 + D7 + times(12, CC4), CC3, u"a1234567"_s + spaces(13) + u' '},
    Case{"NonAsciiIsSkipped", u"\uFF11\u00C41"_s, D1 + times(17, CC4), D8, u"\uFF11\u00C41"_s + spaces(18) + u'8'},
    // Nothing encodable at all: start, check value 0 and stop.
    Case{"NothingEncodable", QString(25, u'x'), "", D0, QString(25, u'x') + u'0'}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Customer, EncodableDataAlwaysGives138Columns)
{
    for (const QString &code : {u"1"_s, u"1234567"_s, u"ABCDEFGHIJ"_s, u"1234567890-ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s,
                                u" "_s, QString(30, u'-')}) {
        const TEncodeResult r = customer(code);
        EXPECT_EQ(r.Pattern.size(), 138u) << code.toStdString();
        EXPECT_EQ(r.Pattern.substr(0, 6), START);
        EXPECT_EQ(r.Pattern.substr(132), STOP);
        // Columns: only the four bar kinds and empty ones, one bar then one empty.
        for (size_t i = 0; i < r.Pattern.size(); ++i) {
            const char c = r.Pattern[i];
            EXPECT_TRUE(c == '0' || c == '2' || c == '3' || c == '6' || c == '7') << i;
            if (i >= 6 && i < 132) {
                EXPECT_EQ(c == '0', i % 2 == 1) << code.toStdString() << " column " << i;
            }
        }
    }
}

struct CheckCase {
    QString code;
    std::string check;
    QChar shown;
};

class CustomerCheckCharacter : public testing::TestWithParam<CheckCase> {};

// The check value makes the sum a multiple of 19; values 11 to 18 are the
// control codes and are shown as a space.
TEST_P(CustomerCheckCharacter, CompletesTheSumToAMultipleOf19)
{
    const auto &c = GetParam();
    const TEncodeResult r = customer(c.code);
    EXPECT_EQ(r.Pattern.substr(126, 6), c.check);
    EXPECT_EQ(r.Symbol.back(), c.shown);
}

// Single digits d with 19 CC4 (266 = 14 x 19): the check value is 19 - d.
// The hyphen and 18 CC4 with a 1 make 263 = 13 x 19 + 16: check value 3.
INSTANTIATE_TEST_SUITE_P(Customer, CustomerCheckCharacter, testing::Values(
    CheckCase{u"0"_s, D0, u'0'}, CheckCase{u"1"_s, CC8, u' '}, CheckCase{u"2"_s, CC7, u' '},
    CheckCase{u"3"_s, CC6, u' '}, CheckCase{u"4"_s, CC5, u' '}, CheckCase{u"5"_s, CC4, u' '},
    CheckCase{u"6"_s, CC3, u' '}, CheckCase{u"7"_s, CC2, u' '}, CheckCase{u"8"_s, CC1, u' '},
    CheckCase{u"9"_s, HYPHEN, u'-'}, CheckCase{u"-"_s, D9, u'9'}, CheckCase{u"-1"_s, D3, u'3'}));

TEST(Customer, EmptyDataGivesNoSymbol)
{
    const TEncodeResult r = customer(QString());
    EXPECT_TRUE(r.Pattern.empty());
    EXPECT_TRUE(r.Symbol.isEmpty());
}

TEST(Customer, VeryLongDataKeepsTheFirstTwentyPositions)
{
    const QString code = QString(100000, u'3');
    const TEncodeResult r = customer(code);
    // Sum 60 = 3 x 19 + 3: check value 16.
    EXPECT_EQ(r.Pattern, START + times(20, D3) + CC6 + STOP);
    EXPECT_EQ(u8(r.Symbol), u8(code + u' '));
}

} // namespace
