// The two-of-five family (ITF, CTF, IATA, Matrix, NEC) on arbitrary text.
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
    }
    return 0;
}
