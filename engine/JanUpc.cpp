#include "Encoders.h"

// Not written yet: these symbologies reject every input until their encoder exists.
TEncodeResult EncodeJAN(const TEncodeInput &) { return {}; }
TEncodeResult EncodeUPC(const TEncodeInput &) { return {}; }
QString UPCEToUPCA(QStringView) { return {}; }
QString UPCAToUPCE(QStringView) { return {}; }
