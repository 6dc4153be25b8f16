#include "Metafile.h"
#include "Text.h"

#include <QColor>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <vector>

namespace {
std::atomic<int> g_referenceDpi{96};
}

QColor ToQColor(TColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TColor FromQColor(const QColor &c)
{
    return TColor(c.red()) | (TColor(c.green()) << 8) | (TColor(c.blue()) << 16);
}

bool FontsAvailable()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

int ReferenceDpi() { return g_referenceDpi.load(std::memory_order_relaxed); }

void SetReferenceDpi(int dpi)
{
    g_referenceDpi.store(dpi > 0 ? dpi : 96, std::memory_order_relaxed);
}

int PixelsToHundredthsMm(int pixels)
{
    return int(std::lround(double(pixels) * 2540.0 / ReferenceDpi()));
}

QFont TMetaFont::toQFont() const
{
    QFont f(Family);
    f.setPixelSize(PixelSize > 0 ? PixelSize : 1);
    f.setBold(Bold);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    return f;
}

TMetaFont TMetaFont::fromQFont(const QFont &font)
{
    TMetaFont m;
    m.Family = font.family();
    if (font.pixelSize() > 0)
        m.PixelSize = font.pixelSize();
    else
        m.PixelSize = std::max(1, int(std::lround(font.pointSizeF() * ReferenceDpi() / 72.0)));
    m.Bold = font.bold();
    m.Italic = font.italic();
    m.Underline = font.underline();
    m.StrikeOut = font.strikeOut();
    return m;
}

void TMetafile::fillRect(const QRect &r, TColor color)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    TMetaRecord rec;
    rec.kind = TMetaRecord::FillRect;
    rec.rect = r;
    rec.color = color;
    m_records.push_back(std::move(rec));
}

void TMetafile::drawText(const QPoint &topLeft, const QString &text, const QFont &font, TColor color)
{
    if (text.isEmpty())
        return;
    TMetaRecord rec;
    rec.kind = TMetaRecord::Text;
    rec.pos = topLeft;
    rec.text = text;
    rec.font = TMetaFont::fromQFont(font);
    rec.color = color;
    // The pen advance of every UTF-16 unit, so that other programs lay the
    // text out exactly as Zebrix measured it.
    rec.advances = TextAdvances(rec.font.toQFont(), text);
    m_records.push_back(std::move(rec));
}

void TMetafile::drawImage(const QPoint &topLeft, const QImage &image)
{
    // A picture whose far edge lies beyond the integer range cannot be placed.
    if (image.isNull() || qint64(topLeft.x()) + image.width() > INT_MAX
        || qint64(topLeft.y()) + image.height() > INT_MAX)
        return;
    TMetaRecord rec;
    rec.kind = TMetaRecord::Image;
    rec.image = image.convertToFormat(QImage::Format_RGB888);
    rec.rect = QRect(topLeft, rec.image.size());
    m_records.push_back(std::move(rec));
}

void TMetafile::replay(QPainter &painter) const
{
    painter.save();
    // On a raster (a picture, a window) a run of rectangles of one colour is
    // filled in one call: the same pixels, without a call's set-up for every
    // module of a big symbol. Other devices (SVG, PDF) get every rectangle.
    const bool raster = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
    std::vector<QRect> run;
    for (size_t i = 0; i < m_records.size(); ++i) {
        const TMetaRecord &rec = m_records[i];
        switch (rec.kind) {
        case TMetaRecord::FillRect:
            painter.setRenderHint(QPainter::Antialiasing, false);
            if (raster) {
                run.clear();
                for (; i < m_records.size() && m_records[i].kind == TMetaRecord::FillRect
                       && m_records[i].color == rec.color;
                     ++i)
                    run.push_back(m_records[i].rect);
                --i;
                painter.setPen(Qt::NoPen);
                painter.setBrush(ToQColor(rec.color));
                painter.drawRects(run.data(), int(run.size()));
                break;
            }
            painter.fillRect(rec.rect, ToQColor(rec.color));
            break;
        case TMetaRecord::Text:
            painter.setRenderHint(QPainter::TextAntialiasing, true);
            DrawText(painter, rec.pos.x(), rec.pos.y(), rec.text, rec.font.toQFont(), ToQColor(rec.color));
            break;
        case TMetaRecord::Image:
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(rec.rect, rec.image);
            break;
        }
    }
    painter.restore();
}

QImage TMetafile::toImage() const
{
    QImage img(std::max(1, m_width), std::max(1, m_height), QImage::Format_RGB888);
    if (img.isNull())
        return img; // too large to allocate
    img.fill(Qt::white);
    const int dpm = int(std::lround(ReferenceDpi() / 0.0254));
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    QPainter p(&img);
    replay(p);
    p.end();
    return img;
}
