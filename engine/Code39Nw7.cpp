#include "Encoders.h"

// Not written yet: these symbologies reject every input until their encoder exists.
TEncodeResult EncodeCODE39(const TEncodeInput &) { return {}; }
TEncodeResult EncodeNW7(const TEncodeInput &) { return {}; }
