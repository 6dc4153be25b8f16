// Windows metafile (.wmf) form of a recorded picture, as it goes on the
// clipboard: the metafile bits plus the METAFILEPICT fields that travel with
// them.
#pragma once

#include "Metafile.h"

#include <QByteArray>

struct TMetafilePict {
    int mm = 8;       // mapping mode: MM_ANISOTROPIC
    int xExt = 0;     // picture width in 0.01 mm at the reference DPI
    int yExt = 0;     // picture height in 0.01 mm
};

// The METAFILEPICT fields of a picture of that size: mapping mode 8
// (MM_ANISOTROPIC), extents rounded to the nearest 0.01 mm.
TMetafilePict MetafilePictFor(const TMetafile &mf);

// The recording as Windows metafile bits: logical units are reference
// pixels (window origin 0, 0 and extent width x height). With placeable set
// the bits start with the 22-byte placeable header (bounding box in
// reference pixels and the reference DPI as units per inch), as .wmf files
// and the "image/wmf" clipboard form carry them. Text is written in Windows
// code pages chosen per run (see WmfWriter.cpp). Empty when the picture is
// wider or higher than 32767 pixels, which 16-bit coordinates cannot hold.
QByteArray WriteWmf(const TMetafile &mf, bool placeable = true);
