// Where the current picture goes: files of every kind, the clipboard in the
// checked copy kind, and the colours it is drawn in.
#include "JobModel.h"

#include "Clipboard.h"
#include "EmfWriter.h"
#include "ImageFiles.h"
#include "Jpeg.h"
#include "SafeFile.h"
#include "WmfWriter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QScopeGuard>
#include <QSvgGenerator>

namespace {

// The picture as a metafile: a bitmap is wrapped as one image record.
TMetafile asMetafile(const TPicture &pic)
{
    if (pic.isMetafile())
        return pic.metafile();
    TMetafile mf(pic.width(), pic.height());
    if (pic.isBitmap())
        mf.drawImage(QPoint(0, 0), pic.bitmap());
    return mf;
}

QByteArray imageBytes(const QImage &img, const char *format)
{
    return qstrcmp(format, "bmp") == 0 ? EncodeBmp(img) : EncodePng(img);
}

QByteArray svgBytes(const TMetafile &mf)
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QSvgGenerator gen;
    gen.setOutputDevice(&buf);
    gen.setSize(QSize(mf.width(), mf.height()));
    gen.setViewBox(QRect(0, 0, mf.width(), mf.height()));
    gen.setResolution(ReferenceDpi());
    gen.setTitle(QStringLiteral("Zebrix"));
    QPainter p(&gen);
    mf.replay(p);
    p.end();
    return out;
}

QByteArray pdfBytes(const TMetafile &mf)
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buf);
    pdf.setCreator(QStringLiteral("Zebrix"));
    pdf.setResolution(ReferenceDpi());
    const double dpi = ReferenceDpi();
    pdf.setPageSize(QPageSize(QSizeF(mf.width() * 72.0 / dpi, mf.height() * 72.0 / dpi), QPageSize::Point,
                              QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&pdf);
    p.setRenderHint(QPainter::LosslessImageRendering, true);
    mf.replay(p);
    p.end();
    return out;
}

// Writes the whole file or nothing, by Zebrix's one rule for saving (links
// followed, special files written in place, write-protected files refused):
// a failed save never leaves a half-written file in place of a good one.
void writeFile(const QString &fileName, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        throw std::runtime_error(texts::NotConverted(fileName).toStdString());
    const QString why = WriteFileSafely(fileName, bytes);
    if (!why.isEmpty())
        throw std::runtime_error(texts::FileError(fileName, why).toStdString());
}

} // namespace

const QStringList &JobModel::SaveFilters()
{
    static const QStringList filters = texts::SaveFilters();
    return filters;
}

void JobModel::SetPictureKind(TBarPictures kind)
{
    // The component redraws on the change; that drawing is not a creation of
    // its own and copies nothing.
    m_quietPaint = true;
    BarImage1.setBarPicture(kind);
    m_quietPaint = false;
}

bool JobModel::SaveFile(const QString &fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    // The window goes back to the picture kind it showed however the save
    // ends, a failed write included.
    const TBarPictures remembered = BarImage1.BarPicture();
    const auto restore = qScopeGuard([this, remembered] {
        SetPictureKind(remembered);
        try {
            RB_Click();
        } catch (...) {
            // The same creation failed before the write: its error is the one reported.
        }
    });
    const bool vector = ext == u"emf" || ext == u"wmf" || ext == u"svg" || ext == u"pdf";
    SetPictureKind(vector ? pbarWMF : pbarBMP);
    RB_Click();
    writeFile(fileName, PictureBytes(ext));
    return FileExists(fileName);
}

QByteArray JobModel::PictureBytes(const QString &ext)
{
    const QString e = ext.toLower();
    const TPicture &pic = CurrentPicture();
    if (e == u"emf")
        return WriteEmf(asMetafile(pic));
    if (e == u"wmf")
        return WriteWmf(asMetafile(pic), true);
    if (e == u"bmp" || e == u"png")
        return imageBytes(pic.toImage(), e == u"bmp" ? "bmp" : "png");
    if (e == u"svg")
        return svgBytes(asMetafile(pic));
    if (e == u"pdf")
        return pdfBytes(asMetafile(pic));
    return EncodeJpeg(pic.toImage(), 90);
}

QImage JobModel::BitmapForm()
{
    const TPicture &pic = CurrentPicture();
    if (!pic.isMetafile())
        return pic.bitmap();
    if (Engine() != TEngine::Linear) {
        // QR Code and the error picture are rectangles, exact either way; a
        // library picture loses its two spare columns and rows as a bitmap.
        const QImage img = pic.metafile().toImage();
        const bool library = Engine() == TEngine::Library;
        return library && !BError ? img.copy(0, 0, std::max(1, img.width() - 2), std::max(1, img.height() - 2)) : img;
    }
    if (!BarImage1.BarDisped())
        return pic.metafile().toImage();   // the error picture
    // The linear symbol drawn once more, as a bitmap, by a component with the
    // same job and the same colours.
    TBarImage raster;
    const TBarImage &b = BarImage1;
    raster.setBarEnabled(false);
    raster.setAutoSize(true);
    raster.setMatch(true);
    raster.StartStopChar = b.StartStopChar;
    raster.ShowStartStop = b.ShowStartStop;
    raster.setBarType(b.BarType());
    raster.setCode(b.Code());
    raster.setCommentUp(b.CommentUp());
    raster.setCommentUpLoc(b.CommentUpLoc());
    raster.setCommentDown(b.CommentDown());
    raster.setCommentDownLoc(b.CommentDownLoc());
    raster.setStartChar(b.StartChar());
    raster.setStopChar(b.StopChar());
    raster.setCD(b.CD());
    raster.setScale(b.Scale());
    raster.setSymbolDisp(b.SymbolDisp());
    raster.setBarFont(&b.BarFont(), b.BarFontColor());
    raster.setBarColor(b.BarColor());
    raster.setBackColor(b.BackColor());
    raster.setBarHeight(b.BarHeight());
    raster.setBarLeft(b.BarLeft());
    raster.setBarTop(b.BarTop());
    raster.setBarSpaceUp(b.BarSpaceUp());
    raster.setBarSpaceDown(b.BarSpaceDown());
    raster.setBarSpaceLeft(b.BarSpaceLeft());
    raster.setBarSpaceRight(b.BarSpaceRight());
    raster.setElementRatio(b.ElementRatio());
    raster.setBarFrame(b.BarFrame());
    raster.setBarPicture(pbarBMP);
    raster.setBarEnabled(true);
    return raster.Picture().bitmap();
}

bool JobModel::CopyPicture()
{
    // Zebrix must not react to its own copy. Without a clipboard the copy is
    // lost and watching stays off until it is set again (at the latest at
    // the next activation of the window).
    setWatcherEnabled(false);
    if (!m_clipboard)
        return false;
    const auto resume = WatcherOffForWrite();
    const TPicture &pic = CurrentPicture();
    if (pic.isEmpty())
        return false;
    try {
        // Every kind goes on with the picture as a bitmap beside it.
        if (CopyJpg.Checked()) {
            // The hidden JPEG kind: the bitmap as JPEG at quality 70.
            const QImage img = BitmapForm();
            return m_clipboard->setData(QStringLiteral("image/jpeg"), EncodeJpeg(img, 70), img);
        }
        if (CopyBm.Checked())
            return m_clipboard->setBitmap(pic.toImage());
        if (CopyEmf.Checked())
            return m_clipboard->setEnhancedMetafile(WriteEmf(asMetafile(pic)), BitmapForm());
        if (CopyMf.Checked()) {
            PutWmfOnClipboard(asMetafile(pic), BitmapForm());
            return true;
        }
    } catch (const std::exception &) {
        // A Windows metafile that cannot be made: the copy is lost, and the
        // caller says so.
    }
    return false;
}

void JobModel::PutWmfOnClipboard(const TMetafile &mf, const QImage &png)
{
    const TMetafilePict pict = MetafilePictFor(mf);
    if (pict.xExt <= 0 || pict.yExt <= 0)
        return;
    const QByteArray bits = WriteWmf(mf, true);
    if (bits.isEmpty())
        throw std::runtime_error(texts::AssertFailed().toStdString());
    if (!m_clipboard || !m_clipboard->setWindowsMetafile(bits, pict, png))
        throw std::runtime_error(texts::NotCopied().toStdString());
}

void JobModel::ApplyColors(TColor bar, TColor back)
{
    BarCol = bar;
    BackCol = back;
    BarImage1.setBarColor(bar);
    BarImage1.setBackColor(back);
}
