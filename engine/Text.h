// Measuring and drawing the human-readable text and the comments.
//
// Plain ASCII text (the digits and letters of almost every symbol) is laid
// out straight from the font's glyphs with their kerned advances, which is
// several times faster than full text shaping and gives the same result for
// such text; anything else goes through Qt's complete text layout.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

class QPainter;

// Needs a GUI application (see FontsAvailable()).
int TextWidth(const QFont &font, const QString &text);
int TextHeight(const QFont &font);
// Draws the text with its top-left corner at (x, y), background untouched.
void DrawText(QPainter &painter, int x, int y, const QString &text, const QFont &font, const QColor &color);
// The same straight into a 24-bit raster, for plain ASCII text: each glyph
// as Qt rasterises it, kept per thread and blended in. Returns false (and
// draws nothing) for any other text, which then needs DrawText.
bool BlitText(QImage &image, int x, int y, const QString &text, const QFont &font, const QColor &color);
