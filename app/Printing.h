// Printing one symbol at a size in millimetres: the size proposed from the
// symbol and the printer's resolution, and the print itself at the top left
// of the printable area.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

class JobModel;
class QPagedPaintDevice;

// Whether printing is offered: for the linear symbols and for every
// symbology after the library's (19 on), not for QR Code and items 13 to 18.
bool Printable(const JobModel &m);
// The symbol's size in picture pixels as printing sees it: QR Code and
// library symbols by their picture, linear symbols by the component's
// BarWidth and BarHeight (the bars alone, without text and margins).
QSize PrintSymbolSize(JobModel &m);
// The proposal: the symbol at ten printer dots per picture pixel, in whole
// millimetres (truncated).
int ProposedMillimetres(int pixels, int dpi);
// Millimetres to printer dots, rounded to the nearest dot, halves to even.
int MillimetresToDots(int millimetres, int dpi);

// Prints the current symbol stretched to widthMm x heightMm on the device
// (a QPrinter): QR Code and library symbols from their picture (the bitmap
// when the copy kind is BMP, else the metafile); a linear symbol in the BMP
// copy kind resampled with Lanczos3 to the printer's dots, in a metafile
// kind its metafile replayed. The page is ended whatever happens. Returns an
// empty string, or what went wrong ("Source bitmap too small" before any
// symbol was drawn).
QString PrintSymbol(JobModel &m, QPagedPaintDevice &device, int widthMm, int heightMm);
