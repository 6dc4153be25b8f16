// Shared pieces of the encoder fuzz targets.
#pragma once

#include "Encoders.h"

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

// A rejection says why and a success does not; a reason's position names
// the place in the data where its text is written.
inline void CheckReason(const TEncodeInput &in, const TEncodeResult &r)
{
    check(r.Pattern.empty() == (r.Reason.Kind != rejNone));
    check((r.Reason.Kind == rejEmpty) == (r.Pattern.empty() && in.Code.isEmpty()));
    if (r.Reason.Position < 0)
        return;
    check(r.Reason.Position < in.Code.size() && !r.Reason.Text.isEmpty());
    check(in.Code.mid(r.Reason.Position).startsWith(r.Reason.Text));
}
