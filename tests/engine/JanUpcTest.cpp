#include "Encoders.h"

#include <gtest/gtest.h>

namespace {

TEncodeResult jan(const char *code) { TEncodeInput in; const QString c = QString::fromLatin1(code); in.Code = c; return EncodeJAN(in); }
TEncodeResult janAdd(const char *code) { TEncodeInput in; const QString c = QString::fromLatin1(code); in.Code = c; return EncodeJANADD(in); }
TEncodeResult upc(const char *code) { TEncodeInput in; const QString c = QString::fromLatin1(code); in.Code = c; return EncodeUPC(in); }

// Pieces of the patterns, named as in the symbology's tables.
const std::string START = "101", CENTRE = "01010", END = "1010", END_E = "0101010";
// Add-ons: start "1011", a "01" between digits, and the gap from the main symbol.
const std::string ADDON_START = "1011", SEP = "01", GAP(9, '0');
const char *A[10] = {"0001101", "0011001", "0010011", "0111101", "0100011", "0110001", "0101111", "0111011", "0110111", "0001011"};
const char *B[10] = {"0100111", "0110011", "0011011", "0100001", "0011101", "0111001", "0000101", "0010001", "0001001", "0010111"};
const char *C[10] = {"1110010", "1100110", "1101100", "1000010", "1011100", "1001110", "1010000", "1000100", "1001000", "1110100"};

struct JanCase { const char *code; const char *symbol; size_t modules; };

class JanAccepts : public ::testing::TestWithParam<JanCase> {};

TEST_P(JanAccepts, SymbolAndWidth)
{
    const auto &c = GetParam();
    const TEncodeResult r = jan(c.code);
    EXPECT_EQ(r.Symbol, QString::fromLatin1(c.symbol));
    EXPECT_EQ(r.Pattern.size(), c.modules);
    EXPECT_EQ(r.Pattern.find_first_not_of("01"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Jan, JanAccepts, ::testing::Values(
    JanCase{"490123456789", "4901234567894", 96},     // check digit computed
    JanCase{"4901234567894", "4901234567894", 96},
    JanCase{"4901234567890", "4901234567890", 96},    // given check digit kept unverified
    JanCase{"4901234", "49012347", 68},               // EAN-8
    JanCase{"49012340", "49012340", 68},
    JanCase{"000000000000", "0000000000000", 96}));

TEST(Jan, Ean13PatternFromTables)
{
    // 4 9 0 1 2 3 4 5 6 7 8 9 4, first digit 4 selects L G L L G G.
    const std::string expected = START + A[9] + B[0] + A[1] + A[2] + B[3] + B[4] + CENTRE
                                 + C[5] + C[6] + C[7] + C[8] + C[9] + C[4] + END;
    EXPECT_EQ(jan("4901234567894").Pattern, expected);
    EXPECT_EQ(jan("490123456789").Pattern.substr(0, 10), "1010001011");
}

TEST(Jan, Ean8PatternFromTables)
{
    const std::string expected = START + A[4] + A[9] + A[0] + A[1] + CENTRE + C[2] + C[3] + C[4] + C[7] + END;
    EXPECT_EQ(jan("4901234").Pattern, expected);
}

TEST(Jan, FirstDigitParityTable)
{
    // Every leading digit, read back from the left half: 'L' where set A was used.
    const char *expected[10] = {"LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL", "LGLLGG",
                                "LGGLLG", "LGGGLL", "LGLGLG", "LGLGGL", "LGGLGL"};
    for (int first = 0; first < 10; ++first) {
        const std::string code = std::to_string(first) + "88888888888";
        const std::string p = jan(code.c_str()).Pattern;
        std::string parity;
        for (int k = 0; k < 6; ++k)
            parity += p.substr(3 + 7 * size_t(k), 7) == A[8] ? 'L' : 'G';
        EXPECT_EQ(parity, expected[first]) << "first digit " << first;
    }
}

TEST(Jan, Rejections)
{
    for (const char *bad : {"", "49012345", "490123456", "4901234567", "49012345678", "49012345678945",
                            "49012345678A", "4901 34", "+901234", "4901234567\n94"}) {
        if (std::string(bad).size() == 8)
            continue;   // 8 digits is EAN-8
        const TEncodeResult r = jan(bad);
        EXPECT_TRUE(r.Pattern.empty()) << bad;
        EXPECT_TRUE(r.Symbol.isEmpty()) << bad;
    }
    // Non-ASCII digits (full-width, Arabic-Indic) are not digits here.
    TEncodeInput in;
    const QString fw = QString::fromUtf8("４９０１２３４");
    in.Code = fw;
    EXPECT_TRUE(EncodeJAN(in).Pattern.empty());
    const QString arabic = QString::fromUtf8("٤٩٠١٢٣٤");
    in.Code = arabic;
    EXPECT_TRUE(EncodeJAN(in).Pattern.empty());
}

TEST(Upc, UpcA)
{
    const TEncodeResult r = upc("03600029145");
    EXPECT_EQ(r.Symbol, "036000291452");
    const std::string expected = START + A[0] + A[3] + A[6] + A[0] + A[0] + A[0] + CENTRE
                                 + C[2] + C[9] + C[1] + C[4] + C[5] + C[2] + END;
    EXPECT_EQ(r.Pattern, expected);
    EXPECT_TRUE(upc("036000291452").Pattern.empty());   // 12 digits: check digit is always ours
}

TEST(Upc, UpcEExpandsAndUsesCheckDigitParity)
{
    const TEncodeResult r = upc("0425261");
    EXPECT_EQ(r.Symbol, "04252614");
    ASSERT_EQ(r.Pattern.size(), 52u);
    // Check digit 4: E O E E O O over the digits 4 2 5 2 6 1.
    const std::string expected = START + B[4] + A[2] + B[5] + B[2] + A[6] + A[1] + END_E;
    EXPECT_EQ(r.Pattern, expected);
    EXPECT_EQ(r.Pattern.substr(45), "0101010");
}

TEST(Upc, Rejections)
{
    for (const char *bad : {"", "0", "04252614", "1425261", "0120003", "0360002914", "036000291452", "0360002914A", "04252a1"}) {
        const TEncodeResult r = upc(bad);
        EXPECT_TRUE(r.Pattern.empty()) << bad;
        EXPECT_TRUE(r.Symbol.isEmpty()) << bad;
    }
}

// --- JAN with an add-on ------------------------------------------------------

// The EAN-13 symbol as JAN draws it, without its trailing space module.
std::string janMain(const char *code) { return jan(code).Pattern.substr(0, 95); }

struct AddOnCase { const char *code; const char *symbol; std::string addOn; };
class JanAddOn : public ::testing::TestWithParam<AddOnCase> {};

TEST_P(JanAddOn, MainSymbolGapAndAddOn)
{
    const auto &c = GetParam();
    const TEncodeResult r = janAdd(c.code);
    EXPECT_EQ(r.Reason.Kind, rejNone);
    EXPECT_EQ(r.Symbol, QString::fromLatin1(c.symbol));
    const std::string main(c.symbol, 13);
    EXPECT_EQ(r.Pattern, janMain(main.c_str()) + GAP + c.addOn);
    EXPECT_EQ(r.Pattern.find_first_not_of("01"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Jan, JanAddOn, ::testing::Values(
    // EAN-2: 12 mod 4 = 0, L L.
    AddOnCase{"4912345123459 12", "4912345123459 12", ADDON_START + A[1] + SEP + A[2]},
    // 34 mod 4 = 2, G L.
    AddOnCase{"491234512345 34", "4912345123459 34", ADDON_START + B[3] + SEP + A[4]},
    // 99 mod 4 = 3, G G.
    AddOnCase{"4912345123459 99", "4912345123459 99", ADDON_START + B[9] + SEP + B[9]},
    // EAN-5: 3 x (5 + 4 + 5) + 9 x (2 + 9) = 141, 1: G L G L L.
    AddOnCase{"4912345123459 52495", "4912345123459 52495",
              ADDON_START + B[5] + SEP + A[2] + SEP + B[4] + SEP + A[9] + SEP + A[5]},
    // 3 x (0 + 0 + 0) + 9 x (0 + 0) = 0: G G L L L.
    AddOnCase{"490123456789 00000", "4901234567894 00000",
              ADDON_START + B[0] + SEP + B[0] + SEP + A[0] + SEP + A[0] + SEP + A[0]},
    // The main symbol's 13th digit is taken as given, as JAN takes it.
    AddOnCase{"4901234567890 12345", "4901234567890 12345",
              // 3 x (1 + 3 + 5) + 9 x (2 + 4) = 81, 1: G L G L L.
              ADDON_START + B[1] + SEP + A[2] + SEP + B[3] + SEP + A[4] + SEP + A[5]}));

// The add-on's parities read back: 'L' where set A was used.
std::string addOnParity(const std::string &pattern, int digits)
{
    std::string parity;
    const size_t first = 95 + 9 + 4;
    for (int k = 0; k < digits; ++k) {
        const std::string d = pattern.substr(first + 9 * size_t(k), 7);
        bool inA = false;
        for (const char *a : A)
            inA = inA || d == a;
        parity += inA ? 'L' : 'G';
    }
    return parity;
}

TEST(JanAddOn, TwoDigitParityByValueModuloFour)
{
    const char *expected[4] = {"LL", "LG", "GL", "GG"};
    for (int v = 0; v < 100; ++v) {
        const std::string code = "4912345123459 " + std::to_string(100 + v).substr(1);
        const TEncodeResult r = janAdd(code.c_str());
        ASSERT_EQ(r.Pattern.size(), 95u + 9 + 20) << code;
        EXPECT_EQ(addOnParity(r.Pattern, 2), expected[v % 4]) << code;
    }
}

TEST(JanAddOn, FiveDigitParityByWeightedSum)
{
    const char *expected[10] = {"GGLLL", "GLGLL", "GLLGL", "GLLLG", "LGGLL",
                                "LLGGL", "LLLGG", "LGLGL", "LGLLG", "LLGLG"};
    // The last digit d alone weighs 3: the sums 3d cover every value modulo 10.
    for (int d = 0; d < 10; ++d) {
        const std::string code = "4912345123459 0000" + std::to_string(d);
        const TEncodeResult r = janAdd(code.c_str());
        ASSERT_EQ(r.Pattern.size(), 95u + 9 + 47) << code;
        EXPECT_EQ(addOnParity(r.Pattern, 5), expected[3 * d % 10]) << code;
    }
}

struct AddOnRejection { const char *code; TRejectKind kind; qsizetype position; };
class JanAddOnRejects : public ::testing::TestWithParam<AddOnRejection> {};

TEST_P(JanAddOnRejects, SaysWhy)
{
    const auto &c = GetParam();
    const TEncodeResult r = janAdd(c.code);
    EXPECT_TRUE(r.Pattern.empty()) << c.code;
    EXPECT_TRUE(r.Symbol.isEmpty()) << c.code;
    EXPECT_EQ(r.Reason.Kind, c.kind) << c.code;
    EXPECT_EQ(r.Reason.Position, c.position) << c.code;
}

INSTANTIATE_TEST_SUITE_P(Jan, JanAddOnRejects, ::testing::Values(
    AddOnRejection{"", rejEmpty, -1},
    AddOnRejection{"4912345123459", rejLength, -1},          // no add-on
    AddOnRejection{"491234512345912", rejLength, -1},        // no space
    AddOnRejection{"4912345123459 ", rejLength, -1},
    AddOnRejection{"4912345123459 1", rejLength, -1},
    AddOnRejection{"4912345123459 123", rejLength, -1},
    AddOnRejection{"4912345123459 123456", rejLength, -1},
    AddOnRejection{"49123451234 12", rejCharacter, 11},       // 11 digits before the space
    AddOnRejection{"49123451234590 12", rejCharacter, 14},    // 14 digits
    AddOnRejection{"4912345123459  12", rejCharacter, 14},    // a second space
    AddOnRejection{"4912345123459-12", rejCharacter, 13},
    AddOnRejection{"4912345123459 1A", rejCharacter, 15},
    AddOnRejection{" 4912345123459 12", rejCharacter, 0}));

struct Conversion { const char *e; const char *a; };
class UpcConversion : public ::testing::TestWithParam<Conversion> {};

TEST_P(UpcConversion, BothWays)
{
    const auto &c = GetParam();
    EXPECT_EQ(UPCEToUPCA(QString::fromLatin1(c.e)), QString::fromLatin1(c.a));
    EXPECT_EQ(UPCAToUPCE(QString::fromLatin1(c.a)), QString::fromLatin1(c.e));
}

INSTANTIATE_TEST_SUITE_P(Rules, UpcConversion, ::testing::Values(
    Conversion{"0123455", "01234500005"},    // last digit 5-9
    Conversion{"0123404", "01234000000"},    // last digit 4
    Conversion{"0125553", "01250000055"},    // last digit 3
    Conversion{"0123450", "01200000345"},    // last digit 0-2
    Conversion{"0425261", "04210000526"}));

TEST(UpcConversion, NotConvertible)
{
    for (const char *e : {"1123455", "0120003", "012345", "01234555", "0123405"})
        EXPECT_TRUE(UPCEToUPCA(QString::fromLatin1(e)).isEmpty()) << e;
    for (const char *a : {"03600029145", "11234500005", "0123450000", "012345000050"})
        EXPECT_TRUE(UPCAToUPCE(QString::fromLatin1(a)).isEmpty()) << a;
}

TEST(UpcConversion, EveryExpandableUpcERoundTrips)
{
    // Exhaustive over number system 0: whatever expands must compress back.
    int expandable = 0;
    for (int n = 0; n < 1000000; ++n) {
        const QString e = QStringLiteral("0%1").arg(n, 6, 10, QLatin1Char('0'));
        const QString a = UPCEToUPCA(e);
        if (a.isEmpty())
            continue;
        ++expandable;
        ASSERT_EQ(a.size(), 11);
        ASSERT_EQ(UPCAToUPCE(a), e) << e.toStdString();
    }
    EXPECT_GT(expandable, 900000);
}

} // namespace
