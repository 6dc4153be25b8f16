#include "Text.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <memory>
#include <unordered_map>

namespace {

// One glyph's coverage as Qt's rasteriser draws it, and where it sits
// relative to the pen position on the baseline.
struct TGlyphMask {
    QImage alpha;   // Format_Alpha8
    QPoint offset;
};

// What Zebrix keeps of a font, per thread (fonts are not shared across threads).
struct TFontData {
    QFont font;
    QFontMetrics metrics;
    QRawFont raw;
    std::unordered_map<quint32, TGlyphMask> masks;
    explicit TFontData(const QFont &f) : font(f), metrics(f), raw(QRawFont::fromFont(f)) {}

    const TGlyphMask &maskOf(quint32 glyph)
    {
        auto it = masks.find(glyph);
        if (it != masks.end())
            return it->second;
        // Drawn once by Qt onto a clear scratch picture; its alpha is the coverage.
        const int em = std::max(4, metrics.height());
        const QPoint origin(2 * em, 2 * em);
        QImage scratch(4 * em, 4 * em, QImage::Format_ARGB32_Premultiplied);
        scratch.fill(Qt::transparent);
        {
            QPainter p(&scratch);
            p.setPen(Qt::black);
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes({glyph});
            run.setPositions({QPointF(0, 0)});
            p.drawGlyphRun(origin, run);
        }
        int l = scratch.width(), t = scratch.height(), r = -1, b = -1;
        for (int y = 0; y < scratch.height(); ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(scratch.constScanLine(y));
            for (int x = 0; x < scratch.width(); ++x)
                if (qAlpha(row[x])) {
                    l = std::min(l, x);
                    r = std::max(r, x);
                    t = std::min(t, y);
                    b = std::max(b, y);
                }
        }
        TGlyphMask m;
        if (r >= 0) {
            m.alpha = QImage(r - l + 1, b - t + 1, QImage::Format_Alpha8);
            for (int y = t; y <= b; ++y) {
                const QRgb *row = reinterpret_cast<const QRgb *>(scratch.constScanLine(y));
                uchar *out = m.alpha.scanLine(y - t);
                for (int x = l; x <= r; ++x)
                    out[x - l] = uchar(qAlpha(row[x]));
            }
            m.offset = QPoint(l, t) - origin;
        }
        return masks.emplace(glyph, std::move(m)).first->second;
    }
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

bool BlitText(QImage &image, int x, int y, const QString &text, const QFont &font, const QColor &color)
{
    if (image.format() != QImage::Format_RGB888)
        return false;
    TFontData &d = dataOf(font);
    QList<quint32> glyphs;
    QList<QPointF> positions;
    qreal width = 0;
    if (!layoutPlain(d, text, glyphs, positions, width))
        return false;
    const int baseline = y + d.metrics.ascent();
    const int cr = color.red(), cg = color.green(), cb = color.blue();
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        const TGlyphMask &m = d.maskOf(glyphs.at(i));
        if (m.alpha.isNull())
            continue;   // a space
        const int gx = x + qRound(positions.at(i).x()) + m.offset.x();
        const int gy = baseline + m.offset.y();
        // Clip to the picture: drawing outside it is lost.
        const int x0 = std::max(0, -gx), y0 = std::max(0, -gy);
        const int x1 = std::min(m.alpha.width(), image.width() - gx);
        const int y1 = std::min(m.alpha.height(), image.height() - gy);
        for (int my = y0; my < y1; ++my) {
            const uchar *a = m.alpha.constScanLine(my);
            uchar *p = bits + qsizetype(gy + my) * stride + qsizetype(gx + x0) * 3;
            for (int mx = x0; mx < x1; ++mx, p += 3) {
                const int k = a[mx];
                if (k == 0)
                    continue;
                p[0] = uchar(p[0] + (cr - p[0]) * k / 255);
                p[1] = uchar(p[1] + (cg - p[1]) * k / 255);
                p[2] = uchar(p[2] + (cb - p[2]) * k / 255);
            }
        }
    }
    return true;
}
