// The two-of-five family (ITF, CTF, IATA, Matrix, NEC) and ITF-14 on
// arbitrary text.
#include "Encoders.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {


struct Member {
    TEncoder encoder;
    std::string_view start;
    std::string_view stop;
    size_t perDigit;     // pattern digits per data digit
    bool interleaved;    // ITF: a zero in front to make the count even
    bool checkAlways;    // IATA
};

constexpr Member kMembers[] = {
    {EncodeITF, "1010", "301", 5, true, false},
    {EncodeCTF, "303010", "30103", 10, false, false},
    {EncodeIATA, "1010", "301", 10, false, true},
    {EncodeMATRIX, "301010", "30101", 6, false, false},
    {EncodeNEC, "3030", "123", 6, false, false},
};

void checkMember(const Member &m, const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    bool valid = !in.Code.isEmpty();
    for (const QChar c : in.Code)
        valid = valid && c >= u'0' && c <= u'9';
    check(valid == !r.Pattern.empty());
    if (!valid)
        return;
    const bool withCheck = in.CD || m.checkAlways;
    qsizetype digits = in.Code.size() + (withCheck ? 1 : 0);
    const bool zero = m.interleaved && digits % 2 != 0;
    digits += zero ? 1 : 0;
    check(r.Symbol.size() == digits);
    check(QStringView(r.Symbol).mid(zero ? 1 : 0, in.Code.size()) == in.Code);
    if (zero)
        check(r.Symbol.front() == u'0');
    for (const QChar c : r.Symbol)
        check(c >= u'0' && c <= u'9');
    const std::string &p = r.Pattern;
    check(p.size() == m.start.size() + m.perDigit * size_t(digits) + m.stop.size());
    check(p.compare(0, m.start.size(), m.start) == 0);
    check(p.compare(p.size() - m.stop.size(), m.stop.size(), m.stop) == 0);
    // Narrow and wide only, bars and spaces alternating from the first bar,
    // exactly two wide elements of five per digit.
    int wide = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        check(i % 2 == 0 ? (p[i] == '1' || p[i] == '3') : (p[i] == '0' || p[i] == '2'));
        if (i >= m.start.size() && i < p.size() - m.stop.size())
            wide += p[i] == '2' || p[i] == '3';
    }
    check(wide == 2 * digits);
}

// ITF-14: 13 digits and the check digit ITF adds, or 14 with theirs; then
// the same symbol as ITF's of those 14 digits.
void checkItf14(const TEncodeInput &in, const TEncodeResult &r)
{
    CheckReason(in, r);
    check(r.Pattern.empty() == r.Symbol.isEmpty());
    bool digits = !in.Code.isEmpty();
    for (const QChar c : in.Code)
        digits = digits && c >= u'0' && c <= u'9';
    const bool length = in.Code.size() == 13 || in.Code.size() == 14;
    if (!digits || !length) {
        check(r.Pattern.empty());
        return;
    }
    TEncodeInput itf;
    const QString first13 = in.Code.left(13).toString();
    itf.Code = first13;
    itf.CD = true;
    const TEncodeResult withCheck = EncodeITF(itf);   // 13 + 1 digits: no zero in front
    const bool valid = in.Code.size() == 13 || withCheck.Symbol == in.Code;
    check(valid == !r.Pattern.empty());
    if (!valid) {
        check(r.Reason.Kind == rejCheckDigit && r.Reason.Position == 13);
        check(r.Reason.Expected == withCheck.Symbol.back());
        return;
    }
    check(r.Pattern == withCheck.Pattern && r.Symbol == withCheck.Symbol);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool cd = data[0] & 1;
    ++data;
    --size;
    const auto [latin1, utf16] = TextsOf(data, size);
    for (const QString &text : {latin1, utf16}) {
        TEncodeInput in;
        in.Code = text;
        in.CD = cd;
        for (const Member &m : kMembers)
            checkMember(m, in, m.encoder(in));
        checkItf14(in, EncodeITF14(in));
    }
    return 0;
}
