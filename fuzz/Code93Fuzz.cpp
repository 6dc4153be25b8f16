// Code 93 with its shift brackets, and ExpandFullAscii, on arbitrary text.
#include "Encoders.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {


// Number of symbol characters the data gives, or -1 when it is not valid
// Code 93 data (an independent reading of the bracket rule).
qsizetype valueCount(QStringView code)
{
    constexpr std::u16string_view basic = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
    constexpr std::u16string_view shifts = u"$%/+";
    qsizetype n = 0;
    for (qsizetype i = 0; i < code.size(); ++n) {
        if (code[i] == u'<') {
            if (i + 2 >= code.size() || code[i + 2] != u'>' ||
                shifts.find(code[i + 1].unicode()) == std::u16string_view::npos)
                return -1;
            i += 3;
        } else if (basic.find(code[i].unicode()) != std::u16string_view::npos) {
            ++i;
        } else {
            return -1;
        }
    }
    return n;
}

void checkCode93(const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    const qsizetype n = in.Code.isEmpty() ? -1 : valueCount(in.Code);
    check((n >= 0) == !r.Pattern.empty());
    if (n < 0)
        return;
    const std::string &p = r.Pattern;
    // Start, the values, C and K, stop with its termination bar.
    check(p.size() == 6 * size_t(n + 3) + 7);
    check(p.compare(0, 6, "101070") == 0);
    check(p.compare(p.size() - 7, 7, "1010701") == 0);
    for (size_t i = 0; i < p.size(); ++i) {
        check(p[i] >= '0' && p[i] <= '7');
        check((p[i] - '0') % 2 == (i % 2 == 0 ? 1 : 0));
    }
    for (size_t at = 0; at + 7 < p.size(); at += 6) {
        int modules = 0;
        for (size_t i = at; i < at + 6; ++i)
            modules += (p[i] - '0') / 2 + 1;
        check(modules == 9);
    }
    if (!in.StartStopChar)
        check(r.Symbol == ExpandFullAscii(in.Code));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool startStop = data[0] & 1;
    ++data;
    --size;
    const auto [latin1, utf16] = TextsOf(data, size);
    for (const QString &text : {latin1, utf16}) {
        TEncodeInput in;
        in.Code = text;
        in.StartStopChar = startStop;
        checkCode93(in, EncodeCODE93(in));
        // A key of four characters becomes at most three: the text never grows,
        // and text without "<" is unchanged.
        const QString expanded = ExpandFullAscii(text);
        check(expanded.size() <= text.size());
        if (!text.contains(u'<'))
            check(expanded == text);
    }
    return 0;
}
