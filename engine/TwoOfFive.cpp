// The two-of-five family: interleaved (ITF) with ITF-14, industrial (CTF),
// IATA, matrix and NEC's matrix variant.
//
// Every digit is five elements of which exactly two are wide. The members
// differ in which elements carry the digit (bars only, bars and spaces, or
// the bars of one digit interleaved with the spaces of the next), in their
// start and stop patterns and in whether the check digit is optional. Narrow
// is one module ("1" bar, "0" space), wide two ("3" bar, "2" space); the
// renderer applies ElementRatio.
#include "Encoders.h"

#include <algorithm>
#include <string_view>

namespace {

// The two-of-five assignment of wide (W) and narrow (n) elements to the
// digits, common to interleaved two of five (ISO/IEC 16390) and the
// industrial, IATA and matrix two-of-five codes.
constexpr std::array<std::string_view, 10> kTwoOfFive = {
    // 0 .. 4
    "nnWWn", "WnnnW", "nWnnW", "WWnnn", "nnWnW",
    // 5 .. 9
    "WnWnn", "nWWnn", "nnnWW", "WnnWn", "nWnWn",
};

// NEC's matrix two-of-five gives the same ten patterns to the digits in its
// own order.
constexpr std::array<std::string_view, 10> kNecTwoOfFive = {
    // 0 .. 4
    "WWnnn", "nnnWW", "nnWnW", "nnWWn", "nWnnW",
    // 5 .. 9
    "nWnWn", "nWWnn", "WnnnW", "WnnWn", "WnWnn",
};

enum class Layout {
    Interleaved,   // ITF: bars of one digit, spaces of the next
    BarsOnly,      // CTF, IATA: five bars, each followed by a narrow space
    Matrix,        // Matrix, NEC: bar, space, bar, space, bar, then the gap
};

struct Member {
    Layout layout;
    const std::array<std::string_view, 10> *table;
    std::string_view start;
    std::string_view stop;
    bool checkAlways;   // IATA always carries its check digit
};

constexpr Member kITF{Layout::Interleaved, &kTwoOfFive, "1010", "301", false};
constexpr Member kCTF{Layout::BarsOnly, &kTwoOfFive, "303010", "30103", false};
constexpr Member kIATA{Layout::BarsOnly, &kTwoOfFive, "1010", "301", true};
constexpr Member kMATRIX{Layout::Matrix, &kTwoOfFive, "301010", "30101", false};
constexpr Member kNEC{Layout::Matrix, &kNecTwoOfFive, "3030", "123", false};

char bar(char element) { return element == 'W' ? '3' : '1'; }
char space(char element) { return element == 'W' ? '2' : '0'; }

// Mod-10 check digit: weights 3, 1, 3, 1, ... from the rightmost digit.
char checkDigit(std::u16string_view digits)
{
    int sum = 0;
    int weight = 3;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        sum = (sum + (*it - u'0') * weight) % 10;
        weight = 4 - weight;
    }
    return char('0' + (10 - sum) % 10);
}

// ITF's pair: the bars of the first digit interleaved with the spaces of
// the second, ten elements written from `out` on.
char *writePair(char *out, const std::array<std::string_view, 10> &table, char16_t first, char16_t second)
{
    const std::string_view bars = table[size_t(first - u'0')];
    const std::string_view spaces = table[size_t(second - u'0')];
    for (size_t e = 0; e < 5; ++e) {
        *out++ = bar(bars[e]);
        *out++ = space(spaces[e]);
    }
    return out;
}

TEncodeResult encode(const Member &m, const TEncodeInput &in)
{
    TEncodeResult r;
    if (in.Code.isEmpty())
        return Rejected(rejEmpty);
    for (qsizetype i = 0; i < in.Code.size(); ++i) {
        if (in.Code[i] < u'0' || in.Code[i] > u'9')
            return Rejected(rejCharacter, i, CharacterAt(in.Code, i));
    }

    const bool withCheck = m.checkAlways || in.CD;
    std::u16string digits(reinterpret_cast<const char16_t *>(in.Code.utf16()), size_t(in.Code.size()));
    // ITF encodes pairs: digits and check digit together must be even, so a
    // zero goes in front when they are not. It leaves the check digit alone.
    if (m.layout == Layout::Interleaved && (digits.size() + (withCheck ? 1 : 0)) % 2 != 0)
        digits.insert(digits.begin(), u'0');
    if (withCheck)
        digits += char16_t(checkDigit(digits));

    const auto &table = *m.table;
    std::string pattern;
    pattern.reserve(m.start.size() + digits.size() * 10 + m.stop.size());
    pattern += m.start;
    switch (m.layout) {
    case Layout::Interleaved:
        for (size_t i = 0; i + 1 < digits.size(); i += 2) {
            char pair[10];
            writePair(pair, table, digits[i], digits[i + 1]);
            pattern.append(pair, sizeof pair);
        }
        break;
    case Layout::BarsOnly:
        for (const char16_t d : digits) {
            for (const char e : table[size_t(d - u'0')]) {
                pattern += bar(e);
                pattern += '0';
            }
        }
        break;
    case Layout::Matrix:
        for (const char16_t d : digits) {
            const std::string_view t = table[size_t(d - u'0')];
            for (size_t e = 0; e < 5; ++e)
                pattern += e % 2 == 0 ? bar(t[e]) : space(t[e]);
            pattern += '0';
        }
        break;
    }
    pattern += m.stop;

    r.Pattern = std::move(pattern);
    r.Symbol = QString::fromStdU16String(digits);
    return r;
}

} // namespace

TEncodeResult EncodeITF(const TEncodeInput &in) { return encode(kITF, in); }
TEncodeResult EncodeCTF(const TEncodeInput &in) { return encode(kCTF, in); }
TEncodeResult EncodeIATA(const TEncodeInput &in) { return encode(kIATA, in); }
TEncodeResult EncodeMATRIX(const TEncodeInput &in) { return encode(kMATRIX, in); }
TEncodeResult EncodeNEC(const TEncodeInput &in) { return encode(kNEC, in); }

// ITF-14 carries a GTIN-14 as seven interleaved pairs; its check digit is
// the GTIN's, the same mod-10 rule as ITF's own.
TEncodeResult EncodeITF14(const TEncodeInput &in)
{
    const qsizetype n = in.Code.size();
    if (n == 0)
        return Rejected(rejEmpty);
    for (qsizetype i = 0; i < n; ++i) {
        if (in.Code[i] < u'0' || in.Code[i] > u'9')
            return Rejected(rejCharacter, i, CharacterAt(in.Code, i));
    }
    if (n != 13 && n != 14)
        return Rejected(rejLength);
    std::array<char16_t, 14> digits;
    std::copy_n(reinterpret_cast<const char16_t *>(in.Code.utf16()), 13, digits.begin());
    digits[13] = char16_t(checkDigit(std::u16string_view(digits.data(), 13)));
    if (n == 14 && in.Code[13] != digits[13]) {
        TEncodeResult r = Rejected(rejCheckDigit, 13, QString(in.Code[13]));
        r.Reason.Expected = digits[13];
        return r;
    }

    TEncodeResult r;
    r.Pattern.resize(kITF.start.size() + 7 * 10 + kITF.stop.size());
    char *out = std::copy(kITF.start.begin(), kITF.start.end(), r.Pattern.data());
    for (size_t i = 0; i < digits.size(); i += 2)
        out = writePair(out, kTwoOfFive, digits[i], digits[i + 1]);
    std::copy(kITF.stop.begin(), kITF.stop.end(), out);
    r.Symbol = QString(reinterpret_cast<const QChar *>(digits.data()), qsizetype(digits.size()));
    return r;
}
