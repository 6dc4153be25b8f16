// Picture files written by Zebrix itself: BMP and PNG straight from the
// bitmap, without Qt's image plugins (which a short-lived process would
// spend most of its time loading).
#pragma once

#include <QByteArray>
#include <QImage>

// A 24-bit BMP (BITMAPINFOHEADER, bottom-up rows padded to 4 bytes) with the
// image's resolution. Empty for a null image.
QByteArray EncodeBmp(const QImage &image);

// A PNG with the image's exact pixels, in the smallest form that holds them:
// 1, 2, 4 or 8 bits per pixel with a palette when the picture has at most
// 256 colours (a barcode usually has two), else 24-bit RGB; the image's
// resolution in its pHYs chunk. Empty for a null image or a libpng failure.
QByteArray EncodePng(const QImage &image);
