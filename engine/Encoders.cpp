#include "Encoders.h"

namespace {
// Indexed by TBarTypes; the values between are no bar type.
constexpr std::array<TEncoder, kBarTypeEnd> kEncoders = {
    EncodeJAN, EncodeUPC, EncodeCODE39, EncodeNW7, EncodeITF, EncodeCTF,
    // 6
    EncodeIATA, EncodeMATRIX, EncodeNEC, EncodeCUSTOMER, EncodeCODE128, EncodeCODE93,
    // 12: QR Code and the library's symbologies
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    // 19
    EncodeGS1128, EncodeITF14, EncodeJANADD,
};
} // namespace

TEncoder EncoderFor(int barType)
{
    if (!IsBarType(barType))
        return nullptr;
    return kEncoders[static_cast<size_t>(barType)];
}
