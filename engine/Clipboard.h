// What the engine needs of a clipboard. The application implements it on the
// system clipboard; tests implement it in memory. Each call replaces the
// clipboard's contents and returns whether the data was placed. A picture
// in a metafile or other form can come with `png`, the same picture as a
// bitmap, which goes on beside it (as "image/png": what most programs paste).
#pragma once

#include "WmfWriter.h"

#include <QByteArray>
#include <QImage>
#include <QString>

class IClipboard
{
public:
    virtual ~IClipboard() = default;
    virtual bool setBitmap(const QImage &image) = 0;
    virtual bool setEnhancedMetafile(const QByteArray &emf, const QImage &png) = 0;
    // Windows metafile bits (placeable) with the METAFILEPICT fields.
    virtual bool setWindowsMetafile(const QByteArray &wmf, const TMetafilePict &pict, const QImage &png) = 0;
    virtual bool setText(const QString &text) = 0;
    // Any other form, by MIME type (Zebrix's JPEG copy, for one).
    virtual bool setData(const QString &mimeType, const QByteArray &data, const QImage &png)
    {
        Q_UNUSED(mimeType);
        Q_UNUSED(data);
        Q_UNUSED(png);
        return false;
    }
};
