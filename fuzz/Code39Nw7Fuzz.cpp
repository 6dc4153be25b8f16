// Code 39 and NW-7 encoders on arbitrary text and flags.
#include "Encoders.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {


// Two-width elements, bar first, bars and spaces strictly alternating (every
// character row ends with its gap, so rows join without two spaces meeting).
void checkTwoWidth(const std::string &p)
{
    for (size_t i = 0; i < p.size(); ++i)
        check(i % 2 == 0 ? (p[i] == '1' || p[i] == '3') : (p[i] == '0' || p[i] == '2'));
}

void checkCode39(const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    constexpr std::u16string_view alphabet = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    bool valid = !in.Code.isEmpty();
    for (const QChar c : in.Code)
        valid = valid && alphabet.find(c.unicode()) != std::u16string_view::npos;
    check(valid == !r.Pattern.empty());
    if (!valid)
        return;
    const qsizetype n = in.Code.size() + (in.CD ? 1 : 0);
    check(r.Pattern.size() == size_t(n + 2) * 10);
    checkTwoWidth(r.Pattern);
    check(r.Pattern.compare(0, 10, "1210303010") == 0);
    check(r.Pattern.compare(r.Pattern.size() - 10, 10, "1210303010") == 0);
    const qsizetype frame = in.StartStopChar ? 1 : 0;
    check(r.Symbol.size() == n + 2 * frame);
    check(QStringView(r.Symbol).mid(frame, in.Code.size()) == in.Code);
    if (in.StartStopChar)
        check(r.Symbol.front() == u'*' && r.Symbol.back() == u'*');
}

void checkNw7(const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    constexpr std::u16string_view alphabet = u"0123456789-$:/.+ABCD";
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    bool valid = !in.Code.isEmpty();
    for (const QChar c : in.Code)
        valid = valid && alphabet.find(c.unicode()) != std::u16string_view::npos;
    check(valid == !r.Pattern.empty());
    if (!valid)
        return;
    const qsizetype n = in.Code.size() + (in.CD ? 1 : 0);
    check(r.Pattern.size() == size_t(n + 2) * 8);
    checkTwoWidth(r.Pattern);
    const qsizetype frame = in.StartStopChar ? 1 : 0;
    check(r.Symbol.size() == n + 2 * frame);
    check(QStringView(r.Symbol).mid(frame, in.Code.size()) == in.Code);
    if (in.StartStopChar) {
        check(r.Symbol.front() >= u'A' && r.Symbol.front() <= u'D');
        check(r.Symbol.back() >= u'A' && r.Symbol.back() <= u'D');
    }
    if (in.CD)   // the check character is never a start/stop character
        check(alphabet.substr(0, 16).find(r.Symbol[frame + in.Code.size()].unicode()) != std::u16string_view::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // First byte: the flags and the start/stop characters (any code unit, also
    // outside "A" to "D"); the rest is the data.
    const uint8_t flags = data[0];
    ++data;
    --size;
    const auto [latin1, utf16] = TextsOf(data, size);
    const QChar starts[] = {u'A', u'B', u'C', u'D', u'*', u'a', QChar(), QChar(0xFFFF)};
    for (const QString &text : {latin1, utf16}) {
        TEncodeInput in;
        in.Code = text;
        in.CD = flags & 1;
        in.StartStopChar = flags & 2;
        in.StartChar = starts[(flags >> 2) & 7];
        in.StopChar = starts[(flags >> 5) & 7];
        checkCode39(in, EncodeCODE39(in));
        checkNw7(in, EncodeNW7(in));
    }
    return 0;
}
