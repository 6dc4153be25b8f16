// JAN with an add-on on arbitrary text: accepted exactly when it is 12 or 13
// digits, a space and 2 or 5 digits; the main symbol is JAN's, and the
// add-on's digits and parities are read back from the pattern.
#include "Encoders.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The add-on's number sets A and B (EAN/UPC), "1" = bar.
constexpr std::string_view kSetA[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                        "0110001", "0101111", "0111011", "0110111", "0001011"};
constexpr std::string_view kSetB[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                                        "0111001", "0000101", "0010001", "0001001", "0010111"};

bool isDigits(QStringView s)
{
    for (const QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

void checkAddOn(const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    const QStringView code = in.Code;
    const qsizetype space = code.indexOf(u' ');
    const QStringView main = code.left(space), addOn = code.mid(space + 1);
    const bool valid = space >= 0 && (main.size() == 12 || main.size() == 13)
                       && (addOn.size() == 2 || addOn.size() == 5) && isDigits(main) && isDigits(addOn);
    check(valid == !r.Pattern.empty());
    if (!valid) {
        check(r.Reason.Kind == rejEmpty || r.Reason.Kind == rejLength || r.Reason.Kind == rejCharacter);
        return;
    }
    TEncodeInput jan;
    jan.Code = main;
    const TEncodeResult ean = EncodeJAN(jan);
    check(r.Symbol == ean.Symbol + u' ' + addOn.toString());
    const std::string &p = r.Pattern;
    check(p.size() == size_t(kJANAddOnStart) + (addOn.size() == 2 ? kJANAddOn2Modules : kJANAddOn5Modules));
    check(p.compare(0, kJANMainModules, ean.Pattern, 0, kJANMainModules) == 0);
    check(p.compare(kJANMainModules, kJANAddOnGap, std::string(kJANAddOnGap, '0')) == 0);
    check(p.compare(kJANAddOnStart, 4, "1011") == 0);
    // Digits and separators "01"; the parities as the add-on's rule gives them.
    int value = 0, weighted = 0;
    std::string parity;
    for (qsizetype k = 0; k < addOn.size(); ++k) {
        const size_t at = size_t(kJANAddOnStart) + 4 + 9 * size_t(k);
        if (k > 0)
            check(p.compare(at - 2, 2, "01") == 0);
        const int d = addOn[k].unicode() - u'0';
        const std::string_view modules = std::string_view(p).substr(at, 7);
        check(modules == kSetA[d] || modules == kSetB[d]);
        parity += modules == kSetA[d] ? 'L' : 'G';
        value = value * 10 + d;
        weighted += d * (k % 2 == 0 ? 3 : 9);
    }
    if (addOn.size() == 2) {
        check(parity == std::string_view("LLLGGLGG").substr(size_t(value % 4) * 2, 2));
    } else {
        // Five digits: the parities of the weighted sum modulo 10.
        static const std::string_view k5[10] = {"GGLLL", "GLGLL", "GLLGL", "GLLLG", "LGGLL",
                                                "LLGGL", "LLLGG", "LGLGL", "LGLLG", "LLGLG"};
        check(parity == k5[weighted % 10]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [latin1, utf16] = TextsOf(data, size);
    for (const QString &text : {latin1, utf16}) {
        TEncodeInput in;
        in.Code = text;
        checkAddOn(in, EncodeJANADD(in));
    }
    return 0;
}
