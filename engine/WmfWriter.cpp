#include "WmfWriter.h"

// Not written yet.
TMetafilePict MetafilePictFor(const TMetafile &mf) { return {8, mf.width() * 2540 / ReferenceDpi(), mf.height() * 2540 / ReferenceDpi()}; }
QByteArray WriteWmf(const TMetafile &, bool) { return {}; }
