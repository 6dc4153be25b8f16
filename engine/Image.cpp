#include "Image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// Pictures beyond this many pixels are refused as well (about 800 MB of
// 24-bit raster): no symbol needs them, and an allocation of that size would
// only hurt the machine.
constexpr qint64 kMaxPicturePixels = qint64(1) << 28;
}

QImage NewBitmap(int width, int height)
{
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide
        || qint64(width) * height > kMaxPicturePixels)
        return {};
    QImage img(width, height, QImage::Format_RGB888);
    if (img.isNull())
        return {};
    img.fill(Qt::white);
    const int dpm = int(std::lround(ReferenceDpi() / 0.0254));
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    return img;
}

int TPicture::width() const
{
    switch (m_kind) {
    case Bitmap: return m_bitmap.width();
    case Metafile: return m_metafile.width();
    case None: break;
    }
    return 0;
}

int TPicture::height() const
{
    switch (m_kind) {
    case Bitmap: return m_bitmap.height();
    case Metafile: return m_metafile.height();
    case None: break;
    }
    return 0;
}

void TPicture::makeBitmap()
{
    if (m_kind == Bitmap)
        return;
    m_metafile = TMetafile();
    m_bitmap = QImage();
    m_kind = Bitmap;
}

bool TPicture::resizeBitmap(int width, int height)
{
    if (m_kind == Bitmap && m_bitmap.width() == width && m_bitmap.height() == height)
        return true;
    QImage img = NewBitmap(width, height);
    if (img.isNull())
        return false;
    if (m_kind == Bitmap && !m_bitmap.isNull()) {
        // Keep what still fits, as a resized bitmap does.
        const int w = std::min(width, m_bitmap.width());
        const int h = std::min(height, m_bitmap.height());
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), m_bitmap.constScanLine(y), size_t(w) * 3);
    }
    m_metafile = TMetafile();
    m_bitmap = std::move(img);
    m_kind = Bitmap;
    return true;
}

void TPicture::setBitmap(const QImage &image)
{
    m_metafile = TMetafile();
    m_bitmap = image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
    m_kind = Bitmap;
}

void TPicture::setMetafile(TMetafile mf)
{
    m_bitmap = QImage();
    m_metafile = std::move(mf);
    m_kind = Metafile;
}

void TPicture::clear()
{
    m_bitmap = QImage();
    m_metafile = TMetafile();
    m_kind = None;
}

QImage TPicture::toImage() const
{
    switch (m_kind) {
    case Bitmap: return m_bitmap;
    case Metafile: return m_metafile.toImage();
    case None: break;
    }
    return {};
}

void TImage::PictureChanged()
{
    if (m_autoSize && !m_picture.isEmpty())
        setSize(m_picture.width(), m_picture.height());
}

void TImage::setAutoSize(bool on)
{
    m_autoSize = on;
    PictureChanged();
}
