// Code 39, NW-7, ITF, Code 128 and Code 93 symbols drawn by the component,
// and GS1-128 and ITF-14 drawn by the rules of Code 128 and ITF, decode with
// zxing-cpp to the data they were given. The symbologies no
// decoder here reads (CTF, IATA, Matrix, NEC, customer barcode) are read
// back from the picture's pixels and compared with the widths and columns
// their published tables give.
#include "BarImage.h"
#include "Oracle.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using ZXing::BarcodeFormat;

constexpr int kSymbolsPerCase = 300;

struct Job {
    TBarTypes type;
    QString code;
    int scale = 1;
    int ratio = 20;
    bool cd = false;
    QChar start = u'A';
    QChar stop = u'A';
    bool metafile = false;
};

// Draws the job with the bars only, in a picture that fits the drawing, with
// quiet zones wide enough for any reader.
QImage draw(const Job &j, TBarImage &b)
{
    b.setMatch(true);
    b.setSymbolDisp(false);
    b.setBarType(j.type);
    b.setScale(TSCale(j.scale));
    b.setElementRatio(TElementRatio(j.ratio));
    b.setBarHeight(12);
    b.setBarSpaceLeft(12 * j.scale * 3 / 2);
    b.setBarSpaceRight(12 * j.scale * 3 / 2);
    b.setCD(j.cd);
    b.setStartChar(j.start);
    b.setStopChar(j.stop);
    b.setCode(j.code);
    if (j.metafile)
        b.setBarPicture(pbarEMF);
    return b.Picture().toImage();
}

std::string describe(const Job &j)
{
    return "data \"" + j.code.toStdString() + "\" scale " + std::to_string(j.scale) + " ratio " +
           std::to_string(j.ratio) + (j.cd ? " with check" : "") + " start " + char(j.start.unicode()) +
           " stop " + char(j.stop.unicode()) + (j.metafile ? " (metafile)" : "");
}

// Draws the job and expects zxing-cpp to read exactly `expected`.
void expectDecodes(const Job &j, BarcodeFormat format, const std::string &expected)
{
    TBarImage b;
    const QImage img = draw(j, b);
    ASSERT_FALSE(b.Error) << describe(j);
    const oracle::Decoded r = oracle::Decode(img, format);
    ASSERT_TRUE(r.ok) << describe(j);
    EXPECT_EQ(r.text, expected) << describe(j);
}

template <typename T>
const T &pick(std::mt19937 &rng, const std::vector<T> &v)
{
    return v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(rng)];
}

int uniform(std::mt19937 &rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

QString randomFrom(std::mt19937 &rng, std::u16string_view alphabet, int length)
{
    QString s;
    for (int i = 0; i < length; ++i)
        s += QChar(alphabet[size_t(uniform(rng, 0, int(alphabet.size()) - 1))]);
    return s;
}

// Scale 1 to 3 and ElementRatio 20 to 30, in turn and at random.
void vary(std::mt19937 &rng, int i, Job &j)
{
    j.scale = 1 + i % 3;
    j.ratio = uniform(rng, 20, 30);
    j.metafile = i % 7 == 6;
}

// ---------------------------------------------------------------------------
// Code 39

constexpr std::u16string_view kCode39 = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

TEST(LinearOracle, Code39WithAndWithoutCheckCharacter)
{
    std::mt19937 rng(39);
    for (int i = 0; i < kSymbolsPerCase; ++i) {
        Job j{cbarCODE39, randomFrom(rng, kCode39, uniform(rng, 1, 20))};
        vary(rng, i, j);
        j.cd = i % 2 == 1;
        // The check character is read as data (no check is asked of the reader).
        std::string expected = j.code.toStdString();
        if (j.cd) {
            int sum = 0;
            for (const QChar c : j.code)
                sum += int(kCode39.find(c.unicode()));
            expected += char(kCode39[size_t(sum % 43)]);
        }
        expectDecodes(j, BarcodeFormat::Code39, expected);
    }
}

// ---------------------------------------------------------------------------
// NW-7

constexpr std::u16string_view kNw7 = u"0123456789-$:/.+ABCD";

TEST(LinearOracle, Nw7AllStartStopPairs)
{
    std::mt19937 rng(7);
    // Data characters only: a start/stop character inside the data would end
    // the symbol for a reader. Readers take a single data character for a
    // misread, so there are at least two.
    const std::u16string_view data = kNw7.substr(0, 16);
    for (int i = 0; i < kSymbolsPerCase + 20; ++i) {
        Job j{cbarNW7, randomFrom(rng, data, uniform(rng, 2, 16))};
        vary(rng, i, j);
        j.start = QChar(u'A' + i % 4);
        j.stop = QChar(u'A' + i / 4 % 4);
        j.cd = i / 16 % 2 == 1;
        std::string expected = char(j.start.unicode()) + j.code.toStdString();
        if (j.cd) {
            int sum = int(kNw7.find(j.start.unicode())) + int(kNw7.find(j.stop.unicode()));
            for (const QChar c : j.code)
                sum += int(kNw7.find(c.unicode()));
            expected += char(kNw7[size_t((16 - sum % 16) % 16)]);
        }
        expected += char(j.stop.unicode());
        expectDecodes(j, BarcodeFormat::Codabar, expected);
    }
}

// ---------------------------------------------------------------------------
// ITF

TEST(LinearOracle, ItfWithAndWithoutCheckDigit)
{
    std::mt19937 rng(25);
    for (int i = 0; i < kSymbolsPerCase; ++i) {
        // Readers want at least six digits.
        Job j{cbarITF, randomFrom(rng, u"0123456789", uniform(rng, 6, 24))};
        vary(rng, i, j);
        j.cd = i % 2 == 1;
        std::string digits = j.code.toStdString();
        if ((digits.size() + (j.cd ? 1 : 0)) % 2 != 0)
            digits.insert(digits.begin(), '0');
        if (j.cd) {
            int sum = 0, weight = 3;
            for (auto it = digits.rbegin(); it != digits.rend(); ++it, weight = 4 - weight)
                sum += (*it - '0') * weight;
            digits += char('0' + (10 - sum % 10) % 10);
        }
        expectDecodes(j, BarcodeFormat::ITF, digits);
    }
}

// ---------------------------------------------------------------------------
// Code 128

// Names of the control characters in code set A, by ASCII code.
const char *const kControlNames[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENO", "ACK", "BEL", "BS", "HT", "LF",
                                     "VT", "FF", "CR", "SO", "SI", "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                     "SYN", "ETB", "CAN", "EM", "SUB", "ESC", "FS", "GS", "RS", "US"};

// Writes ASCII character c as the user types it in code set A or B.
QString typed(std::mt19937 &rng, char c)
{
    if (c < 32)
        return u'<' + QString::fromLatin1(kControlNames[int(c)]) + u'>';
    if (c == 127)
        return uniform(rng, 0, 1) ? u"<DEL>"_s : u"<del>"_s;
    if (c == '<')
        return uniform(rng, 0, 1) ? u"<<"_s : u"><"_s;
    if (c == '>')
        return u">>"_s;
    // Now and then escape an ordinary character, which must not change it.
    return (uniform(rng, 0, 9) == 0 ? u">"_s : QString()) + QChar(c);
}

// A random character of code set A (space to "_" and the controls) or B
// (space to DEL).
char randomIn(std::mt19937 &rng, char set)
{
    return set == 'A' ? char(uniform(rng, 0, 95)) : char(uniform(rng, 32, 127));
}

// Random data with code-set switches and SHIFT, and the text it stands for.
void randomCode128(std::mt19937 &rng, char start, QString &code, std::string &text)
{
    char set = start;
    const int tokens = uniform(rng, 1, 14);
    for (int t = 0; t < tokens; ++t) {
        const int what = uniform(rng, 0, 9);
        if (what == 0) {
            // Switch to another set.
            const char to = "ABC"[(set - 'A' + uniform(rng, 1, 2)) % 3];
            code += u"<CODE"_s + QChar(to) + u'>';
            set = to;
        } else if (what == 1 && set != 'C') {
            // One character of the other of A and B.
            const char c = randomIn(rng, set == 'A' ? 'B' : 'A');
            code += (uniform(rng, 0, 1) ? u"<SHIFT>"_s : u"<shift>"_s) + typed(rng, c);
            text += c;
        } else if (set == 'C') {
            const int pair = uniform(rng, 0, 99);
            code += QString::number(pair).rightJustified(2, u'0');
            text += char('0' + pair / 10);
            text += char('0' + pair % 10);
        } else {
            const char c = randomIn(rng, set);
            code += typed(rng, c);
            text += c;
        }
    }
    if (text.empty()) {   // a symbol of switches only has nothing to read
        code += set == 'C' ? u"42"_s : u"Z"_s;
        text += set == 'C' ? "42" : "Z";
    }
}

TEST(LinearOracle, Code128SetsSwitchesAndShift)
{
    std::mt19937 rng(128);
    for (int i = 0; i < kSymbolsPerCase; ++i) {
        const char start = "ABC"[i % 3];
        Job j{cbarCODE128, {}};
        vary(rng, i, j);
        j.start = QChar(start);
        std::string text;
        randomCode128(rng, start, j.code, text);
        expectDecodes(j, BarcodeFormat::Code128, text);
    }
}

// ---------------------------------------------------------------------------
// Code 93

// ASCII character c in Code 93 data: a basic character as it is, any other
// as its shift pair in bracket notation.
QString code93For(char c)
{
    constexpr std::u16string_view basic = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
    const auto pair = [](const char *shift, char letter) { return QString::fromLatin1(shift) + QChar(letter); };
    if (basic.find(char16_t(c)) != std::u16string_view::npos)
        return QString(QChar(c));
    if (c >= 'a' && c <= 'z')
        return pair("<+>", char(c - 32));
    if (c == 0)
        return pair("<%>", 'U');
    if (c >= 1 && c <= 26)
        return pair("<$>", char('A' + c - 1));
    if (c >= 27 && c <= 31)
        return pair("<%>", char('A' + c - 27));
    if (c >= ';' && c <= '?')
        return pair("<%>", char('F' + c - ';'));
    if (c >= '[' && c <= '_')
        return pair("<%>", char('K' + c - '['));
    if (c >= '{')   // to DEL
        return pair("<%>", char('P' + c - '{'));
    if (c == '@')
        return pair("<%>", 'V');
    if (c == '`')
        return pair("<%>", 'W');
    if (c >= '!' && c <= '#')
        return pair("</>", char('A' + c - '!'));
    if (c >= '&' && c <= '*')
        return pair("</>", char('F' + c - '&'));
    if (c == ',')
        return pair("</>", 'L');
    return pair("</>", 'Z');   // ":"
}

TEST(LinearOracle, Code93BasicAndFullAscii)
{
    std::mt19937 rng(93);
    for (int i = 0; i < kSymbolsPerCase; ++i) {
        Job j{cbarCODE93, {}};
        vary(rng, i, j);
        std::string text;
        const int n = uniform(rng, 1, 24);
        for (int k = 0; k < n; ++k) {
            // Every other symbol uses the 43 basic characters only.
            const char c = i % 2 == 0 ? char(kCode39[size_t(uniform(rng, 0, 42))]) : char(uniform(rng, 0, 127));
            j.code += code93For(c);
            text += c;
        }
        expectDecodes(j, BarcodeFormat::Code93, text);
    }
}

// ---------------------------------------------------------------------------
// Symbologies without a reader: the pixels against the tables.

// The widths of the bar and space runs along row y, from the first bar to
// the last.
std::vector<int> runsOf(const QImage &img, int y)
{
    const auto dark = [&](int x) { return qGray(img.pixel(x, y)) < 128; };
    int first = 0, last = img.width() - 1;
    while (first <= last && !dark(first))
        ++first;
    while (last >= first && !dark(last))
        --last;
    std::vector<int> runs;
    for (int x = first; x <= last;) {
        int end = x;
        while (end <= last && dark(end) == dark(x))
            ++end;
        runs.push_back(end - x);
        x = end;
    }
    return runs;
}

struct PixelCase {
    const char *name;
    TBarTypes type;
    QString code;
    bool cd;
    std::string pattern;   // hand-computed from the published tables
};

class TwoOfFivePixels : public testing::TestWithParam<PixelCase> {};

// Narrow elements are Scale pixels; wide ones 2 x Scale x ElementRatio / 20.
TEST_P(TwoOfFivePixels, ElementWidthsFollowScaleAndRatio)
{
    const auto &c = GetParam();
    for (int scale = 1; scale <= 3; ++scale) {
        for (int ratio = 20; ratio <= 30; ratio += 5) {
            TBarImage b;
            const QImage img = draw(Job{c.type, c.code, scale, ratio, c.cd}, b);
            ASSERT_FALSE(b.Error);
            std::vector<int> expected;
            for (const char d : c.pattern)
                expected.push_back(d >= '2' ? 2 * scale * ratio / 20 : scale);
            EXPECT_EQ(runsOf(img, 6), expected) << c.name << " scale " << scale << " ratio " << ratio;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LinearOracle, TwoOfFivePixels, testing::Values(
    // Start, 1, 2, 3, check digit 6, stop.
    PixelCase{"CTF", cbarCTF, u"123"_s, true,
              "303010" "3010101030" "1030101030" "3030101010" "1030301010" "30103"},
    PixelCase{"IATA", cbarIATA, u"123"_s, false,
              "1010" "3010101030" "1030101030" "3030101010" "1030301010" "301"},
    PixelCase{"MATRIX", cbarMATRIX, u"123"_s, true,
              "301010" "301030" "121030" "321010" "123010" "30101"},
    PixelCase{"NEC", cbarNEC, u"123"_s, true, "3030" "101230" "103030" "103210" "123010" "123"}),
    [](const auto &info) { return std::string(info.param.name); });

// The postal code 1234567: every column one module wide, starting one module
// left of the bars' origin, inked in the thirds its digit names.
TEST(LinearOracle, CustomerColumnsFromTheBarTable)
{
    const std::string pattern = "007030"                                               // start
                                "707020" "703060" "307060" "706030" "702070" "306070" "607030"
                                "203060" "203060" "203060" "203060" "203060" "203060" "203060"
                                "203060" "203060" "203060" "203060" "203060" "203060"  // 13 x CC4
                                "707070"                                               // check: CC8
                                "307000";                                              // stop
    for (int scale = 1; scale <= 3; ++scale) {
        TBarImage b;
        b.setBarSpaceLeft(10);
        const QImage img = draw(Job{cbarCUSTOMER, u"1234567"_s, scale}, b);
        ASSERT_FALSE(b.Error);
        ASSERT_EQ(b.Pattern(), pattern);
        EXPECT_EQ(b.BarWidth(), 134 * scale);
        EXPECT_EQ(b.BarHeight(), 6 * scale);
        const int x0 = b.BarSpaceLeft();
        for (size_t i = 0; i < pattern.size(); ++i) {
            const int mask = pattern[i] - '0';
            for (int third = 0; third < 3; ++third) {
                const bool inked = mask & (4 >> third);
                for (int dx = 0; dx < scale; ++dx) {
                    const int x = x0 + (int(i) - 1) * scale + dx;
                    const int y = 2 * third * scale + scale;   // the middle of the third
                    EXPECT_EQ(qGray(img.pixel(x, y)) < 128, inked)
                        << "scale " << scale << " column " << i << " third " << third;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// GS1-128

// A GS1 field as the test writes it, and whether a separator follows it
// when another field does (its length is not predefined).
struct Gs1Field {
    QString ai, value;
    bool separated;
};

QString randomGs1Characters(std::mt19937 &rng, int length, bool squareBrackets)
{
    // With parentheses around the AIs, "(" would open the next field.
    constexpr std::u16string_view kGs1 =
        u"!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
    constexpr std::u16string_view kWithoutParentheses =
        u"!\"%&'*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
    return randomFrom(rng, squareBrackets ? kGs1 : kWithoutParentheses, length);
}

QString withCheckDigit(const QString &digits)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += (digits[i].unicode() - u'0') * ((digits.size() - i) % 2 == 1 ? 3 : 1);
    return digits + QChar(u'0' + (10 - sum % 10) % 10);
}

// Two to four fields of the kinds met on trade items and logistic units.
std::vector<Gs1Field> randomGs1Fields(std::mt19937 &rng, bool squareBrackets)
{
    std::vector<Gs1Field> fields;
    const int count = uniform(rng, 2, 4);
    for (int k = 0; k < count; ++k) {
        switch (uniform(rng, 0, 6)) {
        case 0: fields.push_back({u"01"_s, withCheckDigit(randomFrom(rng, u"0123456789", 13)), false}); break;
        case 1: fields.push_back({u"00"_s, withCheckDigit(randomFrom(rng, u"0123456789", 17)), false}); break;
        case 2:
            fields.push_back({u"17"_s, u"%1%2%3"_s.arg(uniform(rng, 0, 99), 2, 10, QChar(u'0'))
                                           .arg(uniform(rng, 1, 12), 2, 10, QChar(u'0'))
                                           .arg(uniform(rng, 0, 28), 2, 10, QChar(u'0')),
                              false});
            break;
        case 3:
            fields.push_back({u"310"_s + QChar(u'0' + uniform(rng, 0, 5)), randomFrom(rng, u"0123456789", 6), false});
            break;
        case 4: fields.push_back({u"10"_s, randomGs1Characters(rng, uniform(rng, 1, 8), squareBrackets), true}); break;
        case 5: fields.push_back({u"21"_s, randomFrom(rng, u"0123456789", uniform(rng, 1, 10)), true}); break;
        default: fields.push_back({u"30"_s, randomFrom(rng, u"0123456789", uniform(rng, 1, 8)), true}); break;
        }
    }
    return fields;
}

TEST(LinearOracle, Gs1128ReadsAsGs1WithItsElementString)
{
    std::mt19937 rng(128);
    int decoded = 0;
    for (int i = 0; i < kSymbolsPerCase; ++i) {
        const bool square = i % 2 == 1;
        const std::vector<Gs1Field> fields = randomGs1Fields(rng, square);
        QString code;
        std::string expected;   // the element string, the separators as GS
        for (size_t k = 0; k < fields.size(); ++k) {
            const Gs1Field &f = fields[k];
            code += (square ? u'[' : u'(') + f.ai + (square ? u']' : u')') + f.value;
            expected += (f.ai + f.value).toStdString();
            if (f.separated && k + 1 < fields.size())
                expected += '\x1D';
        }
        if (expected.size() > size_t(kGS1128MaxData))
            continue;
        TBarImage b;
        b.setBarType(cbarGS1128);
        b.setMatch(true);
        b.setSymbolDisp(false);
        b.setScale(TSCale(1 + i % 3));
        b.setBarHeight(12);
        b.setBarSpaceLeft(10 * (1 + i % 3));
        b.setBarSpaceRight(10 * (1 + i % 3));
        b.setCode(code);
        ASSERT_FALSE(b.Error) << code.toStdString();
        const oracle::Decoded r = oracle::Decode(b.Picture().toImage(), BarcodeFormat::Code128);
        ASSERT_TRUE(r.ok) << code.toStdString();
        EXPECT_TRUE(r.gs1) << code.toStdString();
        EXPECT_EQ(r.symbologyIdentifier, "]C1") << code.toStdString();
        EXPECT_EQ(r.text, expected) << code.toStdString();
        ++decoded;
    }
    EXPECT_GT(decoded, kSymbolsPerCase * 3 / 4) << "too many data were longer than a symbol takes";
}

// ---------------------------------------------------------------------------
// ITF-14

// ITF-14 as the component draws it, without margins: bearer bars and quiet
// zones are its own.
void drawItf14(TBarImage &b, int scale, int ratio)
{
    b.setBarType(cbarITF14);
    b.setMatch(true);
    b.setSymbolDisp(false);
    b.setScale(TSCale(scale));
    b.setElementRatio(TElementRatio(ratio));
    b.setBarHeight(40 * scale);
    b.setBarSpaceLeft(0);
    b.setBarSpaceRight(0);
}

TEST(LinearOracle, Itf14WithBearerBarsReadsAsItf)
{
    std::mt19937 rng(14);
    for (int i = 0; i < kSymbolsPerCase; ++i) {
        const int scale = 1 + i % 3;
        TBarImage b;
        drawItf14(b, scale, uniform(rng, 20, 30));
        const QString data = randomFrom(rng, u"0123456789", 13);
        b.setCode(data);
        ASSERT_FALSE(b.Error) << data.toStdString();
        ZXing::DecodeHints hints;
        hints.setFormats(BarcodeFormat::ITF);
        hints.setValidateITFCheckSum(true);
        hints.setTryRotate(false);
        const oracle::Decoded r = oracle::Decode(b.Picture().toImage(), hints);
        ASSERT_TRUE(r.ok) << data.toStdString() << " at scale " << scale;
        EXPECT_EQ(r.text, withCheckDigit(data).toStdString());
    }
}

// The bearer bars frame bars and quiet zones: rows of ink above and below,
// columns of ink outside the quiet zones, and the bars between.
TEST(LinearOracle, Itf14BearerBarsPixelExact)
{
    for (const int scale : {1, 2, 3}) {
        TBarImage b;
        drawItf14(b, scale, 20);   // below 2.25: the nominal 2.5
        b.setCode(u"0491234512345"_s);
        ASSERT_FALSE(b.Error);
        const QImage img = b.Picture().toImage();
        const int bearer = kITF14BearerBar * scale, quiet = kITF14QuietZone * scale;
        // Wide bars 2.5 narrow ones, and never below 2.25 where pixels round: 3, 5, 7.
        const int narrow = scale, wide = scale == 1 ? 3 : 2 * scale * 25 / 20;
        // Start 4 narrow; seven pairs of 6 narrow and 4 wide; stop 1 wide and 2 narrow.
        const int barsWidth = 48 * narrow + 29 * wide;
        ASSERT_EQ(img.width(), 2 * (bearer + quiet) + barsWidth) << "scale " << scale;
        ASSERT_EQ(img.height(), 40 * scale + 2 * bearer);
        const auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
        for (int y = 0; y < img.height(); ++y) {
            const bool bearerRow = y < bearer || y >= img.height() - bearer;
            for (int x = 0; x < img.width(); ++x) {
                const bool bearerColumn = x < bearer || x >= img.width() - bearer;
                const bool quietColumn = !bearerColumn && (x < bearer + quiet || x >= img.width() - bearer - quiet);
                if (bearerRow || bearerColumn) {
                    ASSERT_TRUE(dark(x, y)) << "scale " << scale << " bearer at " << x << "," << y;
                } else if (quietColumn) {
                    ASSERT_FALSE(dark(x, y)) << "scale " << scale << " quiet zone at " << x << "," << y;
                }
            }
        }
        // Between the bearer bars every row is the pattern: start, 04, 91, ..., stop.
        std::string expected;
        TEncodeInput in;
        in.Code = u"04912345123459";
        const std::string pattern = EncodeITF14(in).Pattern;
        for (size_t e = 0; e < pattern.size(); ++e) {
            const int w = pattern[e] == '2' || pattern[e] == '3' ? wide : narrow;
            expected.append(size_t(w), e % 2 == 0 ? '1' : '0');
        }
        for (int y = bearer; y < img.height() - bearer; ++y) {
            std::string row;
            for (int x = bearer + quiet; x < img.width() - bearer - quiet; ++x)
                row += dark(x, y) ? '1' : '0';
            ASSERT_EQ(row, expected) << "scale " << scale << " row " << y;
        }
    }
}

// ---------------------------------------------------------------------------
// Limits

TEST(LinearOracle, HundredThousandCharactersOfCode39AreRefusedByThePictureSize)
{
    TBarImage b;
    b.setMatch(true);
    b.setBarType(cbarCODE39);
    b.setCode(QString(100000, u'A'));
    EXPECT_TRUE(b.Error);
    EXPECT_FALSE(b.BarDisped());
}

} // namespace
