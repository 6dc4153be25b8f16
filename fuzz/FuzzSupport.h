// Shared pieces of the encoder fuzz targets.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

// A broken invariant ends the run, so that the fuzzer keeps the input.
inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The same bytes as Latin-1 text and as UTF-16 text (copied, so never
// read misaligned).
inline std::array<QString, 2> TextsOf(const uint8_t *data, size_t size)
{
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    return {QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size)),
            QString::fromStdU16String(units)};
}
