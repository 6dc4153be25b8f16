#include "LibreOffice.h"

#include <QCryptographicHash>
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

namespace {

// soffice names each PDF after its input's base name: the inputs are
// numbered so that a.emf and a.wmf do not end in the same a.pdf.
QString BaseName(const std::vector<Input> &inputs, size_t k)
{
    return QString("%1-%2").arg(k).arg(QFileInfo(inputs[k].fileName).completeBaseName());
}

// The page and the stored bitmaps of every input, from a folder of results.
std::vector<Rendered> Load(const QString &folder, const std::vector<Input> &inputs)
{
    std::vector<Rendered> results(inputs.size());
    const QDir dir(folder);
    for (size_t k = 0; k < inputs.size(); ++k) {
        const QString base = BaseName(inputs, k);
        if (QFileInfo::exists(dir.filePath(base + ".png")))
            results[k].page = QImage(dir.filePath(base + ".png")).convertToFormat(QImage::Format_RGB888);
        for (const QString &f : dir.entryList({base + "-bitmap-*.png"}, QDir::Files, QDir::Name))
            results[k].bitmaps.push_back(QImage(dir.filePath(f)).convertToFormat(QImage::Format_RGB888));
    }
    return results;
}

// Where the results for exactly these inputs are kept between test
// processes (ctest runs every test in a process of its own).
QString CacheFolder(const std::vector<Input> &inputs)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData("soffice pdf; pdftoppm -r 96 -aa no -aaVector no; pdfimages -png; v1");
    for (const Input &i : inputs) {
        hash.addData(i.fileName.toUtf8());
        hash.addData(QByteArray::number(i.bytes.size()));
        hash.addData(i.bytes);
    }
    return QDir::temp().filePath("zebrix-libreoffice-" + hash.result().toHex().left(24));
}

} // namespace

std::vector<Rendered> Render(const std::vector<Input> &inputs)
{
    if (inputs.empty())
        return {};
    const QString cache = CacheFolder(inputs);
    if (QFileInfo::exists(QDir(cache).filePath("complete")))
        return Load(cache, inputs);

    QTemporaryDir dir;
    if (!dir.isValid())
        return std::vector<Rendered>(inputs.size());
    const QString in = dir.filePath("in"), out = dir.filePath("out"), profile = dir.filePath("profile");
    QDir().mkpath(in);
    QDir().mkpath(out);
    QStringList args{"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString(), "--headless",
                     "--convert-to", "pdf", "--outdir", out};
    for (size_t k = 0; k < inputs.size(); ++k) {
        QFile f(QDir(in).filePath(QString("%1-%2").arg(k).arg(inputs[k].fileName)));
        if (!f.open(QIODevice::WriteOnly) || f.write(inputs[k].bytes) != inputs[k].bytes.size())
            return std::vector<Rendered>(inputs.size());
        args << f.fileName();
    }
    Run("soffice", args, 180000);
    for (size_t k = 0; k < inputs.size(); ++k) {
        const QString base = QDir(out).filePath(BaseName(inputs, k));
        if (!QFileInfo::exists(base + ".pdf"))
            continue;
        Run("pdftoppm", {"-r", "96", "-aa", "no", "-aaVector", "no", "-png", "-singlefile", base + ".pdf", base},
            60000);
        Run("pdfimages", {"-png", base + ".pdf", base + "-bitmap"}, 60000);
    }
    std::vector<Rendered> results = Load(out, inputs);
    // Keep a complete set for the next test process; a parallel one may
    // have put its own there first, which is as good.
    const bool complete = std::all_of(results.begin(), results.end(), [](const Rendered &r) { return !r.page.isNull(); });
    if (complete) {
        QFile marker(QDir(out).filePath("complete"));
        if (marker.open(QIODevice::WriteOnly))
            marker.close();
        QDir().rename(out, cache);
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
