// QR data with percent escapes on any bytes: decoded, or refused with a
// conversion error that names the escape; never longer than the input, and
// data without a "%" passes unchanged.
#include "JobModel.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const QByteArray out = JobModel::DecodePercentEscapes(bytes);
        if (out.size() > bytes.size() || (!bytes.contains('%') && out != bytes))
            std::abort();
        // Every byte comes back as %XX.
        QByteArray escaped;
        for (char c : out)
            escaped += '%' + QByteArray(1, c).toHex();
        if (JobModel::DecodePercentEscapes(escaped) != out)
            std::abort();
    } catch (const EConvertError &e) {
        if (!bytes.contains('%') || e.message().isEmpty())
            std::abort();
    }
    return 0;
}
