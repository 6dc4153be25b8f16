#include "Text.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <unordered_map>

namespace {

// What Zebrix keeps of a font, per thread (fonts are not shared across threads).
struct TFontData {
    QFont font;
    QFontMetrics metrics;
    QRawFont raw;
    explicit TFontData(const QFont &f) : font(f), metrics(f), raw(QRawFont::fromFont(f)) {}
};

TFontData &dataOf(const QFont &font)
{
    thread_local std::unordered_map<QString, std::unique_ptr<TFontData>> cache;
    thread_local const TFontData *last = nullptr;
    if (last && last->font == font)
        return const_cast<TFontData &>(*last);
    auto &slot = cache[font.key()];
    if (!slot)
        slot = std::make_unique<TFontData>(font);
    last = slot.get();
    return *slot;
}

bool plainAscii(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

// The glyphs of plain text and their pen positions from 0; false when the
// font lacks a glyph (then the full layout finds a fallback font).
bool layoutPlain(const TFontData &d, const QString &text, QList<quint32> &glyphs, QList<QPointF> &positions,
                 qreal &width)
{
    if (!d.raw.isValid() || !plainAscii(text))
        return false;
    glyphs = d.raw.glyphIndexesForString(text);
    if (glyphs.size() != text.size() || glyphs.contains(0u))
        return false;
    const QList<QPointF> advances =
        d.raw.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances | QRawFont::KernedAdvances);
    positions.resize(glyphs.size());
    qreal x = 0;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        positions[i] = QPointF(x, 0);
        x += advances.at(i).x();
    }
    width = x;
    return true;
}

} // namespace

int TextWidth(const QFont &font, const QString &text)
{
    TFontData &d = dataOf(font);
    QList<quint32> glyphs;
    QList<QPointF> positions;
    qreal width = 0;
    if (layoutPlain(d, text, glyphs, positions, width))
        return qRound(width);
    return d.metrics.horizontalAdvance(text);
}

int TextHeight(const QFont &font) { return dataOf(font).metrics.height(); }

void DrawText(QPainter &painter, int x, int y, const QString &text, const QFont &font, const QColor &color)
{
    TFontData &d = dataOf(font);
    const int baseline = y + d.metrics.ascent();
    QList<quint32> glyphs;
    QList<QPointF> positions;
    qreal width = 0;
    painter.setPen(color);
    if (layoutPlain(d, text, glyphs, positions, width)) {
        QGlyphRun run;
        run.setRawFont(d.raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter.drawGlyphRun(QPointF(x, baseline), run);
        return;
    }
    painter.setFont(font);
    painter.drawText(x, baseline, text);
}
