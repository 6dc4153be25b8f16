#include "EmfWriter.h"

// Not written yet.
QByteArray WriteEmf(const TMetafile &) { return {}; }
