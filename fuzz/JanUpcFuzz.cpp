// JAN/UPC encoders and the UPC-A/UPC-E conversions on arbitrary text.
#include "Encoders.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>

namespace {

void checkResult(const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    if (r.Pattern.empty())
        return;
    check(r.Pattern.size() == 96 || r.Pattern.size() == 68 || r.Pattern.size() == 52);
    check(r.Pattern.find_first_not_of("01") == std::string::npos);
    for (QChar c : r.Symbol)
        check(c >= u'0' && c <= u'9');
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The same bytes as Latin-1 text and as UTF-16 text.
    const auto [latin1, utf16] = TextsOf(data, size);
    for (const QString &text : {latin1, utf16}) {
        TEncodeInput in;
        in.Code = text;
        checkResult(in, EncodeJAN(in));
        checkResult(in, EncodeUPC(in));
        const QString a = UPCEToUPCA(text);
        check(a.isEmpty() || (a.size() == 11 && UPCAToUPCE(a) == text));
        const QString e = UPCAToUPCE(text);
        check(e.isEmpty() || e.size() == 7);
    }
    return 0;
}
