// Code 128 with its escape syntax on arbitrary text and start sets.
#include "Encoders.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {


void checkCode128(const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    const bool validStart = in.StartChar == u'A' || in.StartChar == u'B' || in.StartChar == u'C';
    check(validStart ? r.StartChar.isNull() : r.StartChar == u'A');
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    if (r.Pattern.empty())
        return;
    check(!in.Code.isEmpty());
    const std::string &p = r.Pattern;
    // Start, at least one data character, check character, stop (7 elements).
    check(p.size() >= 6 * 3 + 7 && (p.size() - 7) % 6 == 0);
    // Elements alternate beginning with a bar, 1 to 4 modules wide; every
    // symbol character is 11 modules, the stop code 13.
    for (size_t i = 0; i < p.size(); ++i) {
        check(p[i] >= '0' && p[i] <= '7');
        check((p[i] - '0') % 2 == (i % 2 == 0 ? 1 : 0));
    }
    for (size_t at = 0; at < p.size(); at += 6) {
        const size_t n = at + 7 == p.size() ? 7 : 6;
        int modules = 0;
        for (size_t i = at; i < at + n; ++i)
            modules += (p[i] - '0') / 2 + 1;
        check(modules == (n == 7 ? 13 : 11));
        if (n == 7)
            break;
    }
    const QChar start = validStart ? in.StartChar : QChar(u'A');
    const std::string startRows[] = {"301612", "301216", "301252"};
    check(p.compare(0, 6, startRows[start.unicode() - u'A']) == 0);
    check(p.compare(p.size() - 7, 7, "3450103") == 0);
    // No more symbol characters than data characters.
    check((p.size() - 7) / 6 - 2 <= size_t(in.Code.size()));
    if (in.StartStopChar) {
        check(r.Symbol.front() == start);
        check(QStringView(r.Symbol).mid(1, in.Code.size()) == in.Code);
        check(r.Symbol.size() > in.Code.size() + 1);
    } else {
        check(r.Symbol == in.Code);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    ++data;
    --size;
    const auto [latin1, utf16] = TextsOf(data, size);
    const QChar starts[] = {u'A', u'B', u'C', u'D', u'c', u'<', QChar(), QChar(0xD800)};
    for (const QString &text : {latin1, utf16}) {
        TEncodeInput in;
        in.Code = text;
        in.StartStopChar = flags & 1;
        in.CD = flags & 2;   // not read
        in.StartChar = starts[(flags >> 2) & 7];
        checkCode128(in, EncodeCODE128(in));
    }
    return 0;
}
