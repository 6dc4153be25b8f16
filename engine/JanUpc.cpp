// JAN (EAN-13, EAN-8), JAN with an EAN-2 or EAN-5 add-on, and UPC (UPC-A,
// UPC-E).
#include "Encoders.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Symbol character encodation of ISO/IEC 15420 (EAN/UPC): the seven modules of
// each digit in the three number sets, "1" = bar.
constexpr std::array<std::string_view, 10> kSetA = {   // L, odd parity
    "0001101", "0011001", "0010011", "0111101", "0100011",   // 0-4
    "0110001", "0101111", "0111011", "0110111", "0001011",   // 5-9
};
constexpr std::array<std::string_view, 10> kSetB = {   // G, even parity
    "0100111", "0110011", "0011011", "0100001", "0011101",   // 0-4
    "0111001", "0000101", "0010001", "0001001", "0010111",   // 5-9
};
constexpr std::array<std::string_view, 10> kSetC = {   // R, right half
    "1110010", "1100110", "1101100", "1000010", "1011100",   // 0-4
    "1001110", "1010000", "1000100", "1001000", "1110100",   // 5-9
};

// EAN-13: the leading digit is carried by the parity of the left six digits
// (ISO/IEC 15420, number set selection), 'L' = set A, 'G' = set B.
constexpr std::array<std::string_view, 10> kFirstDigitParity = {
    "LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL", "LGLLGG",   // 0-4
    "LGGLLG", "LGGGLL", "LGLGLG", "LGLGGL", "LGGLGL",   // 5-9
};

// UPC-E, number system 0: the check digit is carried by the parity of the six
// digits, 'E' = even (set B), 'O' = odd (set A).
constexpr std::array<std::string_view, 10> kUpcEParity = {
    "EEEOOO", "EEOEOO", "EEOOEO", "EEOOOE", "EOEEOO",   // 0-4
    "EOOEEO", "EOOOEE", "EOEOEO", "EOEOOE", "EOOEOE",   // 5-9
};

// Add-on symbols of ISO/IEC 15420: the parity of each add-on digit, 'L' =
// set A, 'G' = set B. EAN-2 takes its pattern from the value of its two
// digits modulo 4, EAN-5 from the weighted sum of its digits (weights 3, 9,
// 3, 9, 3 from the left) modulo 10.
constexpr std::array<std::string_view, 4> kAddOn2Parity = {
    "LL", "LG", "GL", "GG",   // 0-3
};
constexpr std::array<std::string_view, 10> kAddOn5Parity = {
    "GGLLL", "GLGLL", "GLLGL", "GLLLG", "LGGLL",   // 0-4
    "LLGGL", "LLLGG", "LGLGL", "LGLLG", "LLGLG",   // 5-9
};

constexpr std::string_view kStartGuard = "101";
constexpr std::string_view kAddOnStart = "1011";
constexpr std::string_view kAddOnSeparator = "01";
constexpr std::string_view kCentreGuard = "01010";
constexpr std::string_view kEndEanUpcA = "1010";      // end guard and one trailing space module
constexpr std::string_view kEndGuard = kEndEanUpcA.substr(0, 3);
constexpr std::string_view kEndUpcE = "0101010";      // UPC-E end guard and one trailing space module

// Index of the first character that is not a digit, -1 when all are.
qsizetype firstNonDigit(QStringView s)
{
    for (qsizetype i = 0; i < s.size(); ++i)
        if (s[i] < u'0' || s[i] > u'9')
            return i;
    return -1;
}

// The reason for data that is not all digits, or nothing.
bool rejectNonDigit(QStringView s, TEncodeResult &r)
{
    const qsizetype at = firstNonDigit(s);
    if (at < 0)
        return false;
    r = Rejected(rejCharacter, at, CharacterAt(s, at));
    return true;
}

int digitAt(QStringView s, qsizetype i) { return s[i].unicode() - u'0'; }

// Modulo-10 check digit: from the right, odd positions weigh 3, even ones 1.
QChar checkDigit(QStringView digits)
{
    int sum = 0;
    int weight = 3;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        sum += digitAt(digits, i) * weight;
        weight = 4 - weight;
    }
    const int m = sum % 10;
    return QChar(u'0' + (m == 0 ? 0 : 10 - m));
}

void append(std::string &p, std::string_view s) { p.append(s); }

bool oneOf(QChar c, std::u16string_view set) { return set.find(c.unicode()) != std::u16string_view::npos; }

// EAN-13 from its 13 digits, from the start guard to the right half: the
// first digit is carried by the parities of the left half.
void appendEan13Halves(std::string &p, QStringView t)
{
    append(p, kStartGuard);
    const std::string_view parity = kFirstDigitParity[size_t(digitAt(t, 0))];
    for (int k = 0; k < 6; ++k) {
        const int d = digitAt(t, k + 1);
        append(p, parity[size_t(k)] == 'L' ? kSetA[size_t(d)] : kSetB[size_t(d)]);
    }
    append(p, kCentreGuard);
    for (int k = 7; k < 13; ++k)
        append(p, kSetC[size_t(digitAt(t, k))]);
}

} // namespace

TEncodeResult EncodeJAN(const TEncodeInput &in)
{
    QString t = in.Code.toString();
    const qsizetype n = t.size();
    if (n == 0)
        return Rejected(rejEmpty);
    if (n != 7 && n != 8 && n != 12 && n != 13)
        return Rejected(rejLength);
    if (TEncodeResult r; rejectNonDigit(t, r))
        return r;
    // The last digit of 8 or 13 is taken as the check digit as it stands.
    if (n == 7 || n == 12)
        t += checkDigit(t);

    std::string p;
    p.reserve(96);
    if (t.size() == 13) {
        appendEan13Halves(p, t);
    } else {
        append(p, kStartGuard);
        for (int k = 0; k < 4; ++k)
            append(p, kSetA[size_t(digitAt(t, k))]);
        append(p, kCentreGuard);
        for (int k = 4; k < 8; ++k)
            append(p, kSetC[size_t(digitAt(t, k))]);
    }
    append(p, kEndEanUpcA);
    return {std::move(p), t, {}, {}};
}

TEncodeResult EncodeJANADD(const TEncodeInput &in)
{
    const QStringView code = in.Code;
    if (code.isEmpty())
        return Rejected(rejEmpty);
    // Digits and one space, where the add-on begins.
    const qsizetype space = code.indexOf(u' ');
    for (qsizetype i = 0; i < code.size(); ++i) {
        const bool ok = (code[i] >= u'0' && code[i] <= u'9') || (i == space && (i == 12 || i == 13));
        if (!ok)
            return Rejected(rejCharacter, i, CharacterAt(code, i));
    }
    const qsizetype addOnLength = code.size() - space - 1;
    if (space < 0 || (addOnLength != 2 && addOnLength != 5))
        return Rejected(rejLength);

    // The main symbol's 13 digits, the 13th taken as given as JAN takes it.
    std::array<char16_t, 13> digits;
    std::copy_n(reinterpret_cast<const char16_t *>(code.utf16()), space, digits.begin());
    if (space == 12)
        digits[12] = checkDigit(QStringView(digits.data(), 12)).unicode();
    const QStringView main(digits.data(), 13);
    const QStringView addOn = code.mid(space + 1);

    TEncodeResult r;
    r.Pattern.reserve(size_t(kJANAddOnStart + (addOn.size() == 2 ? kJANAddOn2Modules : kJANAddOn5Modules)));
    appendEan13Halves(r.Pattern, main);
    append(r.Pattern, kEndGuard);
    r.Pattern.append(kJANAddOnGap, '0');
    append(r.Pattern, kAddOnStart);
    std::string_view parity;
    if (addOn.size() == 2) {
        parity = kAddOn2Parity[size_t((digitAt(addOn, 0) * 10 + digitAt(addOn, 1)) % 4)];
    } else {
        int sum = 0;
        for (qsizetype k = 0; k < 5; ++k)
            sum += digitAt(addOn, k) * (k % 2 == 0 ? 3 : 9);
        parity = kAddOn5Parity[size_t(sum % 10)];
    }
    for (qsizetype k = 0; k < addOn.size(); ++k) {
        if (k > 0)
            append(r.Pattern, kAddOnSeparator);
        const int d = digitAt(addOn, k);
        append(r.Pattern, parity[size_t(k)] == 'L' ? kSetA[size_t(d)] : kSetB[size_t(d)]);
    }
    r.Symbol.reserve(13 + 1 + addOn.size());
    r.Symbol += main;
    r.Symbol += u' ';
    r.Symbol += addOn;
    return r;
}

TEncodeResult EncodeUPC(const TEncodeInput &in)
{
    QString t = in.Code.toString();
    const qsizetype n = t.size();
    // Only the data digits: 11 for UPC-A, 7 for UPC-E. The check digit is always ours.
    if (n == 0)
        return Rejected(rejEmpty);
    if (n != 7 && n != 11)
        return Rejected(rejLength);
    if (TEncodeResult r; rejectNonDigit(t, r))
        return r;
    const QString a = n == 11 ? t : UPCEToUPCA(t);
    if (a.isEmpty())
        return Rejected(rejUpcE, 0, t);
    t += checkDigit(a);

    std::string p;
    append(p, kStartGuard);
    if (n == 11) {
        p.reserve(96);
        for (int k = 0; k < 6; ++k)
            append(p, kSetA[size_t(digitAt(t, k))]);
        append(p, kCentreGuard);
        for (int k = 6; k < 12; ++k)
            append(p, kSetC[size_t(digitAt(t, k))]);
        append(p, kEndEanUpcA);
    } else {
        // The number system (always 0) and the check digit are not drawn as
        // bars: the check digit selects the parity of the six that are.
        p.reserve(52);
        const std::string_view parity = kUpcEParity[size_t(digitAt(t, 7))];
        for (int k = 0; k < 6; ++k) {
            const int d = digitAt(t, k + 1);
            append(p, parity[size_t(k)] == 'E' ? kSetB[size_t(d)] : kSetA[size_t(d)]);
        }
        append(p, kEndUpcE);
    }
    return {std::move(p), t, {}, {}};
}

// Zero-suppression of UPC-E, number system 0. Digits are numbered from 1 in
// the comments, as in the usual tables.
QString UPCEToUPCA(QStringView e)
{
    if (e.size() != 7 || e[0] != u'0')
        return {};
    auto d = [e](int i) { return e[i - 1]; };
    auto part = [e](int from, int to) { return e.mid(from - 1, to - from + 1).toString(); };
    if (oneOf(d(7), u"56789") && d(6) != u'0')
        return part(1, 6) + QLatin1String("0000") + d(7);
    if (d(7) == u'4' && d(5) != u'0')
        return part(1, 5) + QLatin1String("00000") + d(6);
    if (oneOf(d(4), u"3456789") && d(7) == u'3')
        return part(1, 4) + QLatin1String("00000") + part(5, 6);
    if (oneOf(d(7), u"012"))
        return part(1, 3) + d(7) + QLatin1String("0000") + part(4, 6);
    return {};
}

QString UPCAToUPCE(QStringView a)
{
    if (a.size() != 11 || a[0] != u'0')
        return {};
    auto d = [a](int i) { return a[i - 1]; };
    auto part = [a](int from, int to) { return a.mid(from - 1, to - from + 1).toString(); };
    if (part(7, 10) == QLatin1String("0000") && d(6) != u'0' && oneOf(d(11), u"56789"))
        return part(1, 6) + d(11);
    if (part(6, 10) == QLatin1String("00000") && d(5) != u'0')
        return part(1, 5) + d(11) + u'4';
    if (part(5, 9) == QLatin1String("00000") && oneOf(d(4), u"3456789"))
        return part(1, 4) + part(10, 11) + u'3';
    if (part(5, 8) == QLatin1String("0000") && oneOf(d(4), u"012"))
        return part(1, 3) + part(9, 11) + d(4);
    return {};
}
