// The customer barcode on arbitrary text: it never rejects non-empty data.
#include "Encoders.h"
#include "FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {


bool encodable(QChar c)
{
    return c == u' ' || c == u'-' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z');
}

void checkCustomer(const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    check(r.Pattern.empty() == in.Code.isEmpty());
    if (in.Code.isEmpty())
        return;
    const std::string &p = r.Pattern;
    // Start, 0 to 20 data positions, check character, stop: six columns each.
    check(p.size() % 6 == 0 && p.size() >= 18 && p.size() <= 138);
    check(p.compare(0, 6, "007030") == 0);
    check(p.compare(p.size() - 6, 6, "307000") == 0);
    // Between start and stop every character is three bars, each followed by
    // an empty column; bars are long, ascender, descender or timing bar.
    for (size_t i = 6; i < p.size() - 6; ++i) {
        if (i % 2 == 1)
            check(p[i] == '0');
        else
            check(p[i] == '2' || p[i] == '3' || p[i] == '6' || p[i] == '7');
    }
    // Text: the data padded to 21 characters, then one check display character.
    const qsizetype textSize = std::max<qsizetype>(in.Code.size(), 21);
    check(r.Symbol.size() == textSize + 1);
    check(QStringView(r.Symbol).left(in.Code.size()) == in.Code);
    const QChar shown = r.Symbol.back();
    check(shown == u' ' || shown == u'-' || (shown >= u'0' && shown <= u'9'));
    // Data of encodable characters always fills all 20 positions.
    bool allEncodable = true;
    for (qsizetype i = 0; i < std::min<qsizetype>(in.Code.size(), 20); ++i)
        allEncodable = allEncodable && encodable(in.Code[i]);
    if (allEncodable)
        check(p.size() == 138);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [latin1, utf16] = TextsOf(data, size);
    for (const QString &text : {latin1, utf16}) {
        TEncodeInput in;
        in.Code = text;
        in.CD = size % 2;           // not read
        in.StartStopChar = size % 3;
        checkCustomer(in, EncodeCUSTOMER(in));
    }
    return 0;
}
