// What a second start hands over, as the running instance reads it: any
// bytes are one well-formed list or nothing, a list read comes back as the
// same bytes, and the block's text never reads past the block.
#include "CommandLine.h"
#include "Instance.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto list = instance::DecodeParamList(bytes)) {
        if (instance::EncodeParamList(*list) != bytes)
            std::abort();
    }
    // The text form of the block: split and joined again.
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);   // copied: never read misaligned
    const QString text = QString::fromStdU16String(units);
    const QStringList params = SplitParamText(text);
    if (params.isEmpty())
        std::abort();
    return 0;
}
