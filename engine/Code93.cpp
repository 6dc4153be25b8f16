#include "Encoders.h"

// Not written yet: these symbologies reject every input until their encoder exists.
TEncodeResult EncodeCODE93(const TEncodeInput &) { return {}; }
QString ExpandFullAscii(QStringView t) { return t.toString(); }
