// A recorded picture: what Zebrix draws when the picture kind is a metafile.
//
// The recording is a list of simple drawing records in pixel units of the
// reference device (the screen, 96 dpi without one). It is written out as an
// enhanced metafile (EmfWriter), converted to a Windows metafile for the
// clipboard (WmfWriter) and replayed onto any QPainter for display, SVG, PDF
// and printing.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

class QPainter;

// Colours are 0x00BBGGRR, red in the low byte.
using TColor = std::uint32_t;
QColor ToQColor(TColor c);
TColor FromQColor(const QColor &c);

// Whether fonts can be used: text needs a GUI application (a core
// application, or none, has no fonts).
bool FontsAvailable();

// Logical dots per inch of the reference device: the primary screen's
// logical DPI, or 96 when there is no screen. The application sets it once.
int ReferenceDpi();
void SetReferenceDpi(int dpi);
// A length in reference pixels as 0.01 mm at the reference DPI, rounded to
// the nearest unit (the metafile frame and the METAFILEPICT extents).
int PixelsToHundredthsMm(int pixels);

// A font as a metafile stores it: a face, a character height in pixels and
// the style bits.
struct TMetaFont {
    QString Family;
    int PixelSize = 12;        // character height (em) in pixels
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    // The QFont of this description (pixel-sized, so independent of any DPI).
    QFont toQFont() const;
    // The description of a QFont at the reference DPI (point sizes converted).
    static TMetaFont fromQFont(const QFont &font);
    bool operator==(const TMetaFont &) const = default;
};

struct TMetaRecord {
    enum Kind { FillRect, Text, Image };
    Kind kind = FillRect;
    // FillRect: the filled area, left/top inclusive, right/bottom exclusive,
    //           as QRect(x, y, width, height).
    // Image:    where the image goes, at its own size (rect.size() == image.size()).
    QRect rect;
    TColor color = 0;          // FillRect: fill colour; Text: text colour
    // Text: drawn with its top-left corner at pos, background untouched.
    QPoint pos;
    QString text;
    TMetaFont font;
    std::vector<int> advances; // Text: the pen advance of each UTF-16 unit, in pixels
                               // (a surrogate pair: all on the high unit, 0 on the low)
    QImage image;              // Image: a Format_RGB888 picture
};

class TMetafile
{
public:
    TMetafile() = default;
    TMetafile(int width, int height) : m_width(width), m_height(height) {}

    // The picture's size in reference pixels.
    int width() const { return m_width; }
    int height() const { return m_height; }
    void setSize(int width, int height) { m_width = width; m_height = height; }
    bool isEmpty() const { return m_width <= 0 || m_height <= 0; }

    const std::vector<TMetaRecord> &records() const { return m_records; }
    void clear() { m_records.clear(); }
    // Room for n records, when their number is known beforehand.
    void reserve(size_t n) { m_records.reserve(n); }

    // Recording. Empty rectangles are not recorded.
    void fillRect(const QRect &r, TColor color);
    // Measures the text with the font (advances) and records it.
    void drawText(const QPoint &topLeft, const QString &text, const QFont &font, TColor color);
    // Not recorded when the image is null or would reach beyond INT_MAX.
    void drawImage(const QPoint &topLeft, const QImage &image);

    // Replays the records onto a painter whose coordinates are reference
    // pixels (scale the painter to stretch). Fill rectangles are painted
    // exactly, without antialiasing.
    void replay(QPainter &painter) const;
    // Renders the whole picture into a Format_RGB888 image of width() x height(),
    // starting from white.
    QImage toImage() const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<TMetaRecord> m_records;
};
