// Measuring and drawing the human-readable text and the comments.
//
// Qt's text layout is the one truth: widths are its widths, and a text is
// drawn where it puts the glyphs, on the raster, on any QPainter and when a
// metafile is replayed. On a 24-bit raster the glyphs of Qt's layout are
// blended in one by one from Qt's own coverage, the way Qt blends each font
// (straight or through its gamma curve, learnt from Qt once per font), which
// is several times faster than a QPainter on such a picture. Underlined and
// struck-out fonts, and fonts whose blending cannot be learnt (coloured
// glyphs), are drawn by QPainter. A text is laid out once for measuring and
// drawing (the last few are kept), and everything takes time linear in its
// length. Simple texts (see Shaping.h) are shaped by HarfBuzz directly, the
// way Qt's text engine would shape them, once a font has shown on a few
// probes that both agree to the 1/64 pixel.
//
// Everything here needs a GUI application (see FontsAvailable()), except
// where fonts are remembered (FontRecords.h): then the texts a record covers
// are measured and drawn from it without one. Caches are per thread.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <vector>

class QPainter;

// Whether text can be measured and drawn at all: with a GUI application, or
// from remembered fonts.
bool TextAvailable();
// How many times a text was left out (measured as 0, not drawn) because it
// needed Qt's fonts and there was no GUI application. A console run that
// drew from remembered fonts compares this before and after: a change means
// it must draw again with Qt's fonts.
int TextLeftOut();

// Whether Qt's own fonts measure and draw text (a GUI application, and not
// set aside by UseRememberedFontsOnly).
bool QtTextAvailable();
// Measures and draws as a console run without Qt's fonts does, from the
// remembered fonts alone, even where Qt's fonts are at hand: for the tests
// and benchmarks that hold the two side by side.
void UseRememberedFontsOnly(bool on);

// Whether the simple texts of a font (see Shaping.h) are shaped here rather
// than by Qt's text engine.
bool ShapesSimpleText(const QFont &font);

// Width of the text in whole pixels: QFontMetrics::horizontalAdvance.
int TextWidth(const QFont &font, const QString &text);
// Height of one line of text: QFontMetrics::height.
int TextHeight(const QFont &font);
// The pen advance of every UTF-16 unit in whole pixels, adding up to
// TextWidth: from where Qt puts a character cluster to where it puts the
// next (the end of the text after the last), both rounded. The first unit of
// a cluster (a surrogate pair, a letter with its marks) carries the whole
// cluster, the others 0. Where text runs right to left, a cluster advances
// by the width of the text up to its end less the width before it.
std::vector<int> TextAdvances(const QFont &font, const QString &text);
// Draws the text with its top-left corner at (x, y), background untouched:
// QPainter::drawText at the baseline y + ascent.
void DrawText(QPainter &painter, int x, int y, const QString &text, const QFont &font, const QColor &color);
// The same straight into a Format_RGB888 image, clipped to it. Returns false
// and draws nothing when it cannot give DrawText's pixels (see above): the
// caller then uses DrawText.
bool BlitText(QImage &image, qint64 x, qint64 y, const QString &text, const QFont &font, const QColor &color);
