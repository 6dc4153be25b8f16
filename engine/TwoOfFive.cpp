#include "Encoders.h"

// Not written yet: these symbologies reject every input until their encoder exists.
TEncodeResult EncodeITF(const TEncodeInput &) { return {}; }
TEncodeResult EncodeCTF(const TEncodeInput &) { return {}; }
TEncodeResult EncodeIATA(const TEncodeInput &) { return {}; }
TEncodeResult EncodeMATRIX(const TEncodeInput &) { return {}; }
TEncodeResult EncodeNEC(const TEncodeInput &) { return {}; }
