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
    const TBarPictures remembered = BarImage1.BarPicture();
    auto create = [this](TBarPictures kind) {
        SetPictureKind(kind);
        RB_Click();
    };
    if (ext == u"emf") {
        create(pbarWMF);
        writeFile(fileName, WriteEmf(asMetafile(CurrentPicture())));
    } else if (ext == u"bmp") {
        create(pbarBMP);
        writeFile(fileName, imageBytes(CurrentPicture().toImage(), "bmp"));
    } else if (ext == u"png") {
        create(pbarBMP);
        writeFile(fileName, imageBytes(CurrentPicture().toImage(), "png"));
    } else if (ext == u"svg") {
        create(pbarWMF);
        writeFile(fileName, svgBytes(asMetafile(CurrentPicture())));
    } else if (ext == u"pdf") {
        create(pbarWMF);
        writeFile(fileName, pdfBytes(asMetafile(CurrentPicture())));
    } else {
        // Every other name, none included, gets JPEG data.
        create(pbarBMP);
        writeFile(fileName, EncodeJpeg(CurrentPicture().toImage(), 90));
    }
    SetPictureKind(remembered);
    RB_Click();
    return FileExists(fileName);
}

QByteArray JobModel::PictureBytes(const QString &ext)
{
    const QString e = ext.toLower();
    const TPicture &pic = CurrentPicture();
    if (e == u"emf")
        return WriteEmf(asMetafile(pic));
    if (e == u"bmp" || e == u"png")
        return imageBytes(pic.toImage(), e == u"bmp" ? "bmp" : "png");
    if (e == u"svg")
        return svgBytes(asMetafile(pic));
    if (e == u"pdf")
        return pdfBytes(asMetafile(pic));
    return EncodeJpeg(pic.toImage(), 90);
}

void JobModel::CopyPicture()
{
    // Zebrix must not react to its own copy.
    const auto resume = PauseWatcher();
    const TPicture &pic = CurrentPicture();
    if (m_clipboard && !pic.isEmpty()) {
        if (CopyJpg.Checked()) {
            // The hidden JPEG kind: the bitmap as JPEG at quality 70.
            m_clipboard->setData(QStringLiteral("image/jpeg"), EncodeJpeg(pic.toImage(), 70));
        } else if (CopyBm.Checked()) {
            m_clipboard->setBitmap(pic.toImage());
        } else if (CopyEmf.Checked()) {
            m_clipboard->setEnhancedMetafile(WriteEmf(asMetafile(pic)));
        } else if (CopyMf.Checked()) {
            PutWmfOnClipboard(asMetafile(pic));
        }
    }
}

void JobModel::PutWmfOnClipboard(const TMetafile &mf)
{
    const TMetafilePict pict = MetafilePictFor(mf);
    if (pict.xExt <= 0 || pict.yExt <= 0)
        return;
    const QByteArray bits = WriteWmf(mf, true);
    if (bits.isEmpty())
        throw std::runtime_error(texts::AssertFailed().toStdString());
    m_clipboard->setWindowsMetafile(bits, pict);
}

void JobModel::ApplyColors(TColor bar, TColor back)
{
    BarCol = bar;
    BackCol = back;
    BarImage1.setBarColor(bar);
    BarImage1.setBackColor(back);
}
