#include "LibreOffice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>

namespace libreoffice {

QString Unavailable()
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        return "LibreOffice (soffice) is not installed: install libreoffice-draw to run the EMF/WMF oracle";
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty() || QStandardPaths::findExecutable("pdfimages").isEmpty())
        return "pdftoppm or pdfimages is not installed: install poppler-utils to run the EMF/WMF oracle";
    return {};
}

namespace {
bool Run(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(timeoutMs))
        return false;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
} // namespace

std::vector<Rendered> Render(const std::vector<Input> &inputs)
{
    std::vector<Rendered> results(inputs.size());
    QTemporaryDir dir;
    if (!dir.isValid() || inputs.empty())
        return results;
    const QString in = dir.filePath("in"), out = dir.filePath("out"), profile = dir.filePath("profile");
    QDir().mkpath(in);
    QDir().mkpath(out);
    QStringList args{"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString(), "--headless",
                     "--convert-to", "pdf", "--outdir", out};
    // soffice names each PDF after its input's base name: number the inputs
    // so that a.emf and a.wmf do not end in the same a.pdf.
    auto baseName = [&](size_t k) { return QString("%1-%2").arg(k).arg(QFileInfo(inputs[k].fileName).completeBaseName()); };
    auto fileName = [&](size_t k) { return QString("%1-%2").arg(k).arg(inputs[k].fileName); };
    for (size_t k = 0; k < inputs.size(); ++k) {
        const Input &i = inputs[k];
        QFile f(QDir(in).filePath(fileName(k)));
        if (!f.open(QIODevice::WriteOnly) || f.write(i.bytes) != i.bytes.size())
            return results;
        args << f.fileName();
    }
    Run("soffice", args, 180000);
    for (size_t k = 0; k < inputs.size(); ++k) {
        const QString base = baseName(k);
        const QString pdf = QDir(out).filePath(base + ".pdf");
        if (!QFileInfo::exists(pdf))
            continue;
        const QString png = QDir(out).filePath(base);
        if (Run("pdftoppm", {"-r", "96", "-aa", "no", "-aaVector", "no", "-png", "-singlefile", pdf, png}, 60000))
            results[k].page = QImage(png + ".png").convertToFormat(QImage::Format_RGB888);
        const QString bitmaps = QDir(out).filePath(base + "-bitmap");
        if (Run("pdfimages", {"-png", pdf, bitmaps}, 60000)) {
            const QStringList files =
                QDir(out).entryList({base + "-bitmap-*.png"}, QDir::Files, QDir::Name);
            for (const QString &f : files)
                results[k].bitmaps.push_back(QImage(QDir(out).filePath(f)).convertToFormat(QImage::Format_RGB888));
        }
    }
    return results;
}

QRect InkBox(const QImage &page)
{
    int x0 = page.width(), y0 = page.height(), x1 = -1, y1 = -1;
    const QImage img = page.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((row[x] & 0xFFFFFF) != 0xFFFFFF) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

} // namespace libreoffice
