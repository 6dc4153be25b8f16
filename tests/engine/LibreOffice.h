// LibreOffice as an outside reader of Zebrix's metafiles: converts .emf and
// .wmf files to PDF with one soffice call and renders the pages at 96 dpi
// without antialiasing, so bars come out as clean two-level pixels.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

namespace libreoffice {

// Why the oracle cannot run here (soffice or pdftoppm missing), or empty.
QString Unavailable();

struct Input {
    QString fileName;   // with its extension: .emf or .wmf
    QByteArray bytes;
};

struct Rendered {
    QImage page;                 // the PDF page at 96 dpi; null when the conversion failed
    std::vector<QImage> bitmaps; // the bitmaps stored in the PDF, as LibreOffice read them
};

// One result per input, in order. The picture sits somewhere on the page:
// find it with InkBox. (Bitmaps are checked as stored: the renderer
// resamples them at fractional page positions.)
std::vector<Rendered> Render(const std::vector<Input> &inputs);

// The smallest rectangle holding every pixel that is not white.
QRect InkBox(const QImage &page);

} // namespace libreoffice
