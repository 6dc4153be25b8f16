#include "Oracle.h"

#include <QPainter>

namespace oracle {

namespace {
Decoded fromResult(const ZXing::Result &r)
{
    Decoded d;
    d.ok = r.isValid();
    d.format = r.format();
    if (d.ok) {
        d.text = r.text();
        const auto &b = r.bytes();
        d.bytes.assign(b.begin(), b.end());
        d.ecLevel = r.ecLevel();
        d.symbologyIdentifier = r.symbologyIdentifier();
        d.gs1 = r.contentType() == ZXing::ContentType::GS1;
    }
    return d;
}
} // namespace

Decoded Decode(const QImage &image, ZXing::BarcodeFormats formats, int border, bool tryHarder)
{
    ZXing::DecodeHints hints;
    hints.setFormats(formats);
    hints.setTryHarder(tryHarder);
    hints.setTryRotate(false);
    hints.setTryDownscale(false);
    hints.setReturnCodabarStartEnd(true);
    return Decode(image, hints, border);
}

Decoded Decode(const QImage &image, const ZXing::DecodeHints &hints, int border)
{
    if (image.isNull())
        return {};
    QImage grey(image.width() + 2 * border, image.height() + 2 * border, QImage::Format_Grayscale8);
    grey.fill(255);
    {
        QPainter p(&grey);
        p.drawImage(border, border, image.convertToFormat(QImage::Format_RGB888));
    }
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                int(grey.bytesPerLine()));
    return fromResult(ZXing::ReadBarcode(view, hints));
}

Decoded DecodeGrey(const unsigned char *pixels, int width, int height, int stride,
                   ZXing::BarcodeFormats formats, bool pure)
{
    ZXing::DecodeHints hints;
    hints.setFormats(formats);
    hints.setIsPure(pure);
    hints.setTryHarder(!pure);
    hints.setTryRotate(false);
    const ZXing::ImageView view(pixels, width, height, ZXing::ImageFormat::Lum, stride);
    return fromResult(ZXing::ReadBarcode(view, hints));
}

} // namespace oracle
