#include "Printing.h"

#include "JobModel.h"
#include "Resample.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <cmath>

bool Printable(const JobModel &m)
{
    return m.Engine() == JobModel::TEngine::Linear || m.CdType.ItemIndex() >= cbarGS1128;
}

QSize PrintSymbolSize(JobModel &m)
{
    // A two-dimensional or library symbol's whole picture; a linear symbol's
    // bars alone.
    if (m.Engine() != JobModel::TEngine::Linear)
        return QSize(m.CurrentPicture().width(), m.CurrentPicture().height());
    return QSize(m.BarImage1.BarWidth(), m.BarImage1.BarHeight());
}

int ProposedMillimetres(int pixels, int dpi)
{
    if (dpi <= 0)
        return 0;
    return int(std::trunc(double(pixels) * 25.4 / dpi * 10.0));
}

int MillimetresToDots(int millimetres, int dpi)
{
    return int(std::nearbyint(double(millimetres) / 25.4 * dpi));
}

QString PrintSymbol(JobModel &m, QPagedPaintDevice &device, int widthMm, int heightMm)
{
    const int px = MillimetresToDots(widthMm, device.logicalDpiX());
    const int py = MillimetresToDots(heightMm, device.logicalDpiY());
    QPainter p;
    if (!p.begin(&device))
        return QStringLiteral("the printer cannot be opened");
    // A barcode is never printed with lossy compression or smoothing.
    p.setRenderHint(QPainter::LosslessImageRendering, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect target(0, 0, px, py);
    QString error;
    const bool bitmapKind = m.CopyBm.Checked();
    const bool twoD = m.Engine() != JobModel::TEngine::Linear;
    const TPicture &pic = m.CurrentPicture();
    try {
        if (px > 0 && py > 0) {   // a size of no dots prints nothing
            if (pic.isMetafile() && !bitmapKind) {
                const TMetafile &mf = pic.metafile();
                p.save();
                p.translate(target.topLeft());
                p.scale(double(px) / std::max(1, mf.width()), double(py) / std::max(1, mf.height()));
                mf.replay(p);
                p.restore();
            } else if (twoD) {
                p.drawImage(target, pic.toImage());
            } else {
                p.drawImage(target, Resample(pic.toImage(), px, py, TResampleFilter::Lanczos3));
            }
        }
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
    }
    p.end();   // the job ends, drawn or not
    return error;
}
