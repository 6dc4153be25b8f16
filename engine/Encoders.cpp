#include "Encoders.h"

namespace {
// Indexed by TBarTypes.
constexpr std::array<TEncoder, kBarTypeCount> kEncoders = {
    EncodeJAN, EncodeUPC, EncodeCODE39, EncodeNW7, EncodeITF, EncodeCTF,
    EncodeIATA, EncodeMATRIX, EncodeNEC, EncodeCUSTOMER, EncodeCODE128, EncodeCODE93,
};
} // namespace

TEncoder EncoderFor(int barType)
{
    if (barType < 0 || barType >= kBarTypeCount)
        return nullptr;
    return kEncoders[static_cast<size_t>(barType)];
}
