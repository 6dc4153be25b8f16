// The independent oracle: zxing-cpp decodes what Zebrix draws.
#pragma once

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <QImage>
#include <string>

namespace oracle {

struct Decoded {
    bool ok = false;
    ZXing::BarcodeFormat format = ZXing::BarcodeFormat::None;
    std::string text;        // UTF-8 as the decoder reports it
    std::string bytes;       // raw content bytes
    std::string ecLevel;     // QR: "L", "M", "Q" or "H"
    std::string symbologyIdentifier;
    bool gs1 = false;        // the content is GS1 element strings (a GS1 symbol)
};

// Decodes one symbol of the given formats from the picture. A light border
// is added around the picture first, so pictures drawn without a quiet zone
// decode as well.
Decoded Decode(const QImage &image, ZXing::BarcodeFormats formats = ZXing::BarcodeFormat::Any,
               int border = 10, bool tryHarder = true);

// The same with the caller's hints (add-on symbols, check digits, ...).
Decoded Decode(const QImage &image, const ZXing::DecodeHints &hints, int border = 10);

// Same for an 8-bit grey image given as rows of bytes (0 dark, 255 light).
Decoded DecodeGrey(const unsigned char *pixels, int width, int height, int stride,
                   ZXing::BarcodeFormats formats = ZXing::BarcodeFormat::Any, bool pure = false);

} // namespace oracle
