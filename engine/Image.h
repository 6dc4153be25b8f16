// The image control the barcode component is built on, without widgets: it
// holds a picture (a 24-bit raster or a recorded metafile), has a size of its
// own, and the AutoSize and Stretch flags. Windows only display it.
#pragma once

#include "Metafile.h"
#include "Modules.h"

#include <QImage>

// A picture: nothing, a 24-bit bitmap (QImage::Format_RGB888) or a metafile.
class TPicture
{
public:
    enum Kind { None, Bitmap, Metafile };

    Kind kind() const { return m_kind; }
    bool isBitmap() const { return m_kind == Bitmap; }
    bool isMetafile() const { return m_kind == Metafile; }
    bool isEmpty() const { return width() <= 0 || height() <= 0; }
    int width() const;
    int height() const;

    // The bitmap; a null image unless kind() is Bitmap.
    const QImage &bitmap() const { return m_bitmap; }
    QImage &bitmap() { return m_bitmap; }
    // The metafile; an empty one unless kind() is Metafile.
    const TMetafile &metafile() const { return m_metafile; }
    TMetafile &metafile() { return m_metafile; }

    // Makes the picture hold a bitmap (a held metafile is discarded). The
    // bitmap keeps its pixels when it already was one.
    void makeBitmap();
    // Gives the bitmap a new size, keeping the pixels that still fit; new
    // pixels are white. Returns false when the size is absurd (see
    // kMaxPictureSide) or the memory cannot be had; the bitmap is then unchanged.
    bool resizeBitmap(int width, int height);
    void setBitmap(const QImage &image);
    void setMetafile(TMetafile mf);
    void clear();

    // The picture as pixels: the bitmap itself, or the metafile replayed.
    QImage toImage() const;

private:
    Kind m_kind = None;
    QImage m_bitmap;
    TMetafile m_metafile;
};

// The largest side of a picture Zebrix draws: the limit of the graphics
// system Zebrix was first written for. Anything bigger is a failed drawing.
inline constexpr int kMaxPictureSide = 32767;

// A 24-bit raster at the reference DPI, filled white; null when the size is
// not within 1..kMaxPictureSide or the memory cannot be had.
QImage NewBitmap(int width, int height);

class TImage
{
public:
    TImage() = default;
    virtual ~TImage() = default;
    TImage(const TImage &) = delete;
    TImage &operator=(const TImage &) = delete;

    const TPicture &Picture() const { return m_picture; }
    TPicture &Picture() { return m_picture; }
    // Call after changing the picture: an auto-sized control takes its size.
    void PictureChanged();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void setWidth(int w) { m_width = w; }
    void setHeight(int h) { m_height = h; }
    void setSize(int w, int h) { m_width = w; m_height = h; }

    // AutoSize: the control takes the size of its picture whenever the
    // picture changes (and at once when switched on).
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    // Stretch: a display shows the picture stretched to the control's size.
    bool Stretch() const { return m_stretch; }
    void setStretch(bool on) { m_stretch = on; }

private:
    TPicture m_picture;
    int m_width = 105;    // the size a new image control has
    int m_height = 105;
    bool m_autoSize = false;
    bool m_stretch = false;
};

// A picture of a module matrix: `size` pixels of `back`, then the dark ones
// of `cols` x `rows` modules of `mw` x `mh` pixels from `origin` in `bar`
// (see modules::Paint). A 24-bit raster, or a metafile with one rectangle
// per run of dark modules in a row. An empty picture when the size cannot
// be had.
template <class Dark>
TPicture ModulePicture(bool raster, QSize size, int cols, int rows, QPoint origin, int mw, int mh, Dark &&dark,
                       TColor bar, TColor back)
{
    TPicture pic;
    if (raster) {
        QImage img = NewBitmap(size.width(), size.height());
        if (img.isNull())
            return pic;
        const modules::RgbView view{img.bits(), img.width(), img.height(), img.bytesPerLine()};
        modules::Fill(view, 0, 0, img.width(), img.height(), back);
        modules::Paint(view, cols, rows, origin.x(), origin.y(), mw, mh, dark, bar);
        pic.setBitmap(img);
        return pic;
    }
    TMetafile mf(size.width(), size.height());
    size_t runs = 0;   // counted first: one record each, no growing on the way
    modules::ForEachRun(cols, rows, dark, [&](int, int, int, bool d) { runs += d; });
    mf.reserve(runs + 1);
    mf.fillRect(QRect(QPoint(0, 0), size), back);
    modules::ForEachRun(cols, rows, dark, [&](int x, int y, int n, bool d) {
        if (d)
            mf.fillRect(QRect(origin.x() + x * mw, origin.y() + y * mh, n * mw, mh), bar);
    });
    pic.setMetafile(std::move(mf));
    return pic;
}
