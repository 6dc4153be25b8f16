// Enhanced metafile (.emf) serialiser for a recorded picture.
#pragma once

#include "Metafile.h"

#include <QByteArray>

// The recording as the bytes of an enhanced metafile: a header whose bounds
// are the picture in reference pixels and whose frame is the same area in
// 0.01 mm at the reference DPI, the records, and the end-of-file record.
// Other programs (LibreOffice, Windows) open it and draw it at that size.
QByteArray WriteEmf(const TMetafile &mf);
