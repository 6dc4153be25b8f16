// EncodeQRSymbol on any version, level and bytes: a status every time, the
// output untouched on failure, a well-formed square on success.
//
// Input: byte 0 picks the version, byte 1 the level (both also far out of
// range), byte 2 how many times (1 to 4) the rest is repeated to make the
// data, so that the default input length of 4096 still reaches the 8001-byte
// bound. Data with a zero byte or of 8001 bytes and more is passed exactly as
// it is, without an added terminator, so reading past the first zero or past
// byte 8001 would show under AddressSanitizer.
#include "QREncoder.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int pick(uint8_t b, int low, int high)
{
    switch (b) {
    case 0xFF: return INT_MIN;
    case 0xFE: return INT_MAX;
    case 0xFD: return -1;
    default: return low + b % (high - low + 1);
    }
}

constexpr int32_t kUntouched = 0x5A5A5A5A;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The two checks over the whole output run without coverage hooks
// (fuzz/coverage-ignore.txt): the same loops for any input.
bool allUntouched(const std::vector<int32_t> &out)
{
    for (int32_t v : out)
        if (v != kUntouched)
            return false;
    return true;
}

// The side first, nothing written past the symbol, and only 0 or 1 inside
// with a light quiet zone.
bool wellFormedSquare(const std::vector<int32_t> &out, int version)
{
    const int side = 4 * version + 25;
    if (out[0] != side || out[size_t(QROutputLength(version))] != kUntouched)
        return false;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int32_t v = out[1 + size_t(y) * side + x];
            const bool border = y < kQRBorder || y >= side - kQRBorder || x < kQRBorder || x >= side - kQRBorder;
            if (v != 0 && (v != 1 || border))
                return false;
        }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t size)
{
    if (size < 3)
        return 0;
    const int version = pick(input[0], -2, 43);
    const int level = pick(input[1], -1, 6);
    const int repeat = 1 + input[2] % 4;
    const uint8_t *bytes = input + 3;
    const size_t length = size - 3;

    const bool hasZero = std::memchr(bytes, 0, length) != nullptr;
    std::vector<char> data;
    for (int i = 0; i < repeat; ++i)
        data.insert(data.end(), bytes, bytes + length);
    if (!hasZero && data.size() < size_t(kQRCountLimit))
        data.push_back('\0');
    if (data.empty())
        data.push_back('\0');   // nothing but the header: the empty string

    std::vector<int32_t> out(kQRMaxOutputLength + 1, kUntouched);
    const int status = EncodeQRSymbol(version, level, data.data(), out.data());

    // The expected status, worked out independently of the encoder.
    size_t counted = 0;
    while (counted < size_t(kQRCountLimit) && counted < data.size() && data[counted] != 0)
        ++counted;
    int expected;
    if (version < kQRMinVersion || version > kQRMaxVersion)
        expected = kQRBadVersion;
    else if (level < kQRLevelL || level > kQRLevelH)
        expected = kQRBadLevel;
    else if (int(counted) > QRByteCapacity(version, level))
        expected = kQRDataTooLong;
    else
        expected = kQROk;
    check(status == expected);

    if (status != kQROk) {
        check(allUntouched(out));
        return 0;
    }
    check(wellFormedSquare(out, version));
    return 0;
}
