#include "Text.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <unordered_map>

namespace {

// Glyph positions are kept in Qt's own text unit, 1/64 pixel.
qint64 toFixed(qreal v) { return std::llround(v * 64); }

// Text is laid out as one line that never wraps, as wide as Qt's text unit
// allows.
constexpr qreal kLineWidth = 1.6e7;

// One glyph's coverage as Qt's rasteriser draws it at one sub-pixel offset,
// and where it sits relative to the whole-pixel pen position on the baseline.
struct TGlyphMask {
    QImage alpha;   // Format_Alpha8; null for a glyph without ink
    QPoint offset;
};

// How Qt blends a font's coverage k (0..255) of colour value src onto an
// opaque pixel's value dst: straight, or in the linear light of its gamma.
struct TBlend {
    enum Kind { Unknown, Straight, Gamma, Unusable };
    Kind kind = Unknown;
    std::array<int, 256> toLinear{};                        // 0..65535
    std::shared_ptr<const std::vector<uchar>> fromLinear;   // 65536 entries

    void setGamma(double gamma);
    uchar mix(int dst, int src, int k) const
    {
        if (kind == Straight)
            return uchar((src * k + dst * (255 - k) + 127) / 255);
        const int lin = (toLinear[size_t(src)] * k + toLinear[size_t(dst)] * (255 - k) + 127) / 255;
        return (*fromLinear)[size_t(lin)];
    }
};

void TBlend::setGamma(double gamma)
{
    kind = Gamma;
    for (size_t i = 0; i < toLinear.size(); ++i)
        toLinear[i] = int(std::lround(65535.0 * std::pow(double(i) / 255.0, gamma)));
    // The way back is shared by the fonts of one gamma.
    thread_local std::unordered_map<int, std::shared_ptr<const std::vector<uchar>>> tables;
    auto &t = tables[int(std::lround(gamma * 100))];
    if (!t) {
        auto v = std::make_shared<std::vector<uchar>>(65536);
        for (size_t i = 0; i < v->size(); ++i)
            (*v)[i] = uchar(std::lround(255.0 * std::pow(double(i) / 65535.0, 1.0 / gamma)));
        t = std::move(v);
    }
    fromLinear = t;
}

// What Zebrix keeps of one font engine (the font of a glyph run), per
// thread: how Qt blends its coverage and the coverage of its glyphs.
struct TRawFontData {
    QRawFont raw;
    int em = 4;   // a glyph's ink lies within 2 em of its pen position
    TBlend blend;
    std::unordered_map<int, std::array<uchar, 256>> tables;   // by (src << 8) | dst
    std::unordered_map<quint64, TGlyphMask> masks;

    explicit TRawFontData(const QRawFont &r)
        : raw(r), em(std::max(4, int(std::ceil(r.ascent() + r.descent()))))
    {
    }

    // A row of glyphs drawn by Qt at whole pixels, 2 em apart.
    QImage probe(const std::vector<quint32> &glyphs, QImage::Format format, const QColor &fill) const
    {
        QImage img(int(glyphs.size() + 2) * 2 * em, 4 * em, format);
        img.fill(fill);
        QList<QPointF> positions;
        for (size_t i = 0; i < glyphs.size(); ++i)
            positions.append(QPointF(qreal(i) * 2 * em, 0));
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(QList<quint32>(glyphs.begin(), glyphs.end()));
        run.setPositions(positions);
        QPainter p(&img);
        p.setPen(Qt::black);
        p.drawGlyphRun(QPointF(2 * em, 2 * em), run);
        return img;
    }

    // Learns how Qt blends this font onto an opaque 24-bit picture from some
    // of its glyphs (those of a text at hand and a few round ones): drawn
    // onto a transparent picture they give the coverage, drawn onto white
    // what Qt makes of it. What cannot be told is left to QPainter.
    void calibrate(std::vector<quint32> glyphs)
    {
        for (quint32 g : raw.glyphIndexesForString(QStringLiteral("@Og8aes")))
            if (g != 0)
                glyphs.push_back(g);
        blend.kind = TBlend::Unusable;
        const QImage cover = probe(glyphs, QImage::Format_ARGB32_Premultiplied, Qt::transparent);
        const QImage white = probe(glyphs, QImage::Format_RGB888, Qt::white);
        struct Sample { int a, v; };
        std::vector<Sample> samples;
        int straightError = 0, partial = 0;
        for (int y = 0; y < white.height(); ++y) {
            const QRgb *c = reinterpret_cast<const QRgb *>(cover.constScanLine(y));
            const uchar *v = white.constScanLine(y);
            for (int x = 0; x < white.width(); ++x, v += 3) {
                if (v[0] != v[1] || v[1] != v[2])
                    return;   // coloured: not a coverage blend
                const int a = qAlpha(c[x]);
                samples.push_back({a, v[0]});
                straightError = std::max(straightError, std::abs(v[0] - (255 - a)));
                partial += a >= 24 && a <= 231;
            }
        }
        if (partial < 16)
            return;
        if (straightError <= 1) {
            blend.kind = TBlend::Straight;
            return;
        }
        // Black on white through gamma g gives v = (1 - a)^(1/g).
        std::vector<double> gammas;
        for (const Sample &s : samples)
            if (s.a >= 24 && s.a <= 231 && s.v >= 4 && s.v <= 251)
                gammas.push_back(std::log((255.0 - s.a) / 255.0) / std::log(s.v / 255.0));
        if (gammas.size() < 16)
            return;
        std::nth_element(gammas.begin(), gammas.begin() + qsizetype(gammas.size() / 2), gammas.end());
        blend.setGamma(std::round(gammas[gammas.size() / 2] * 100) / 100);
        for (const Sample &s : samples)
            if (std::abs(blend.mix(255, 0, s.a) - s.v) > 2) {
                blend.kind = TBlend::Unusable;
                return;
            }
    }

    // Every coverage of colour value src blended onto dst, worked out once.
    const std::array<uchar, 256> &blendTable(int src, int dst)
    {
        auto [it, added] = tables.try_emplace((src << 8) | dst);
        if (added)
            for (int k = 0; k < 256; ++k)
                it->second[size_t(k)] = k == 255 ? uchar(src) : blend.mix(dst, src, k);
        return it->second;
    }

    // A glyph drawn once by Qt onto a clear scratch picture at a sub-pixel
    // offset (fx, fy in 1/64 pixel); its alpha is the coverage.
    const TGlyphMask &maskOf(quint32 g, int fx, int fy)
    {
        const quint64 key = (quint64(g) << 12) | quint64(fx << 6) | quint64(fy);
        auto it = masks.find(key);
        if (it != masks.end())
            return it->second;
        const QPoint origin(2 * em, 2 * em);
        QImage scratch(4 * em, 4 * em, QImage::Format_ARGB32_Premultiplied);
        scratch.fill(Qt::transparent);
        {
            QPainter p(&scratch);
            p.setPen(Qt::black);
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes({g});
            run.setPositions({QPointF(fx / 64.0, fy / 64.0)});
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
        return masks.emplace(key, std::move(m)).first->second;
    }
};

TRawFontData &rawDataOf(const QRawFont &raw)
{
    thread_local QHash<QRawFont, std::shared_ptr<TRawFontData>> cache;
    auto &slot = cache[raw];
    if (!slot)
        slot = std::make_shared<TRawFontData>(raw);
    return *slot;
}

// What Zebrix keeps of a font, per thread (fonts are not shared across threads).
struct TFontData {
    QFont font;
    QFontMetrics metrics;
    explicit TFontData(const QFont &f) : font(f), metrics(f) {}
};

TFontData &dataOf(const QFont &font)
{
    thread_local std::unordered_map<QString, std::unique_ptr<TFontData>> cache;
    thread_local TFontData *last = nullptr;
    if (last && last->font == font)
        return *last;
    auto &slot = cache[font.key()];
    if (!slot)
        slot = std::make_unique<TFontData>(font);
    last = slot.get();
    return *slot;
}

// One line of text as Qt lays it out: its glyphs, font by font, with their
// pen positions in 1/64 pixel (y from the baseline), and its width.
struct TLine {
    struct Glyph { quint32 index; qint64 x, y; };
    struct Run { TRawFontData *font; std::vector<Glyph> glyphs; };
    std::vector<Run> runs;
    int width = 0;
};

std::unique_ptr<TLine> layOut(const TFontData &d, const QString &text)
{
    auto line = std::make_unique<TLine>();
    if (text.isEmpty())
        return line;
    QTextLayout layout(text, d.font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine l = layout.createLine();
    l.setLineWidth(kLineWidth);
    layout.endLayout();
    line->width = qRound(l.horizontalAdvance());
    const qint64 ascent = toFixed(l.ascent());
    // The line's own runs, one per script item, joined here where the font
    // stays the same (QTextLayout::glyphRuns joins them in quadratic time).
    for (const QGlyphRun &r : l.glyphRuns()) {
        TRawFontData *font = &rawDataOf(r.rawFont());
        if (line->runs.empty() || line->runs.back().font != font)
            line->runs.push_back({font, {}});
        std::vector<TLine::Glyph> &out = line->runs.back().glyphs;
        const QList<quint32> glyphs = r.glyphIndexes();
        const QList<QPointF> positions = r.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
            out.push_back({glyphs[i], toFixed(positions[i].x()), toFixed(positions[i].y()) - ascent});
    }
    return line;
}

// The line of a text, laid out once for measuring and drawing it: the last
// few are kept. The reference lasts until the next call.
const TLine &lineOf(const TFontData &d, const QString &text)
{
    struct Entry { const TFontData *font = nullptr; QString text; std::unique_ptr<TLine> line; };
    thread_local std::array<Entry, 8> recent;
    thread_local size_t next = 0;
    for (const Entry &e : recent)
        if (e.font == &d && e.line && e.text == text)
            return *e.line;
    Entry &e = recent[next++ % recent.size()];
    e.font = &d;
    e.text = text;
    e.line = layOut(d, text);
    return *e.line;
}

bool hasRightToLeft(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t u = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            u = QChar::surrogateToUcs4(text[i], text[i + 1]);
        switch (QChar::direction(u)) {
        case QChar::DirR: case QChar::DirAL: case QChar::DirRLE: case QChar::DirRLO: case QChar::DirRLI:
            return true;
        default:
            break;
        }
    }
    return false;
}

// Advances of text that needs Qt's full layout, cluster by cluster. The text
// is laid out in blocks, each with the cluster before and the cluster after
// it, so that kerning and joining across the cut count, and the time stays
// linear in the length. A left-to-right cluster advances to where Qt puts
// the next one; where text runs right to left, a cluster advances by the
// width of the text up to its end less the width before it.
std::vector<int> advancesByLayout(const TFontData &d, const QString &text)
{
    std::vector<qsizetype> bounds{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary())
        bounds.push_back(p);
    if (bounds.back() != text.size())
        bounds.push_back(text.size());
    const size_t last = bounds.size() - 1;
    const bool rtl = hasRightToLeft(text);
    const size_t block = rtl ? 8 : 64;   // prefixes are shaped one by one
    const QFontMetricsF fm(d.font);
    std::vector<qreal> x(bounds.size(), 0);
    for (size_t k = 0; k < last;) {
        const size_t stop = std::min(last, k + block);
        const size_t from = k > 0 ? k - 1 : 0;
        const qsizetype start = bounds[from];
        if (rtl) {
            const qreal before = fm.horizontalAdvance(text.mid(start, bounds[k] - start));
            for (size_t j = k + 1; j <= stop; ++j)
                x[j] = x[k] + fm.horizontalAdvance(text.mid(start, bounds[j] - start)) - before;
        } else {
            const size_t to = std::min(last, stop + 1);
            QTextLayout layout(text.mid(start, bounds[to] - start), d.font);
            QTextOption option;
            option.setWrapMode(QTextOption::NoWrap);
            layout.setTextOption(option);
            layout.setCacheEnabled(true);   // else every cursorToX shapes the text again
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setLineWidth(kLineWidth);
            layout.endLayout();
            const qreal origin = line.cursorToX(int(bounds[k] - start));
            for (size_t j = k + 1; j <= stop; ++j)
                x[j] = x[k] + line.cursorToX(int(bounds[j] - start)) - origin;
        }
        k = stop;
    }
    std::vector<int> advances(size_t(text.size()), 0);
    long long sum = 0;
    for (size_t k = 0; k < last; ++k) {
        const int a = int(std::llround(x[k + 1]) - std::llround(x[k]));
        advances[size_t(bounds[k])] = a;
        sum += a;
    }
    // Shaping that reaches further than one cluster could leave the blocks
    // a pixel off the whole; the last cluster takes the difference.
    if (last > 0)
        advances[size_t(bounds[last - 1])] += int(lineOf(d, text).width - sum);
    return advances;
}

} // namespace

int TextWidth(const QFont &font, const QString &text)
{
    return lineOf(dataOf(font), text).width;
}

int TextHeight(const QFont &font) { return dataOf(font).metrics.height(); }

std::vector<int> TextAdvances(const QFont &font, const QString &text)
{
    return advancesByLayout(dataOf(font), text);
}

void DrawText(QPainter &painter, int x, int y, const QString &text, const QFont &font, const QColor &color)
{
    const TFontData &d = dataOf(font);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(x, qreal(y) + d.metrics.ascent()), text);
}

bool BlitText(QImage &image, qint64 x, qint64 y, const QString &text, const QFont &font, const QColor &color)
{
    if (image.format() != QImage::Format_RGB888 || font.underline() || font.strikeOut() || font.overline())
        return false;
    const TFontData &d = dataOf(font);
    const TLine &line = lineOf(d, text);
    // Every font of the line must blend in a way Qt's can be told from.
    for (const TLine::Run &run : line.runs) {
        TRawFontData &f = *run.font;
        if (f.blend.kind == TBlend::Unknown) {
            std::vector<quint32> some;
            for (size_t i = 0; i < run.glyphs.size() && some.size() < 16; ++i)
                if (std::find(some.begin(), some.end(), run.glyphs[i].index) == some.end())
                    some.push_back(run.glyphs[i].index);
            f.calibrate(some);
        }
        if (f.blend.kind == TBlend::Unusable)
            return false;
    }
    const qint64 baseline = y + d.metrics.ascent();
    const qint64 width = image.width(), height = image.height();
    const int src[3] = {color.red(), color.green(), color.blue()};
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (const TLine::Run &run : line.runs) {
        TRawFontData &f = *run.font;
        // Text mostly lies on one background colour: its three channels blend
        // through tables made for the first colour met; any other goes the
        // long way.
        int bg[3] = {-1, -1, -1};
        const std::array<uchar, 256> *table[3] = {};
        const qint64 reach = 2 * f.em;
        for (const TLine::Glyph &g : run.glyphs) {
            const qint64 px = x + (g.x >> 6), py = baseline + (g.y >> 6);
            if (px + reach < 0 || px - reach >= width || py + reach < 0 || py - reach >= height)
                continue;   // drawing outside the picture is lost
            const TGlyphMask &m = f.maskOf(g.index, int(g.x & 63), int(g.y & 63));
            if (m.alpha.isNull())
                continue;   // a space
            const qint64 gx = px + m.offset.x(), gy = py + m.offset.y();
            const int x0 = int(std::max<qint64>(0, -gx)), y0 = int(std::max<qint64>(0, -gy));
            const int x1 = int(std::min<qint64>(m.alpha.width(), width - gx));
            const int y1 = int(std::min<qint64>(m.alpha.height(), height - gy));
            for (int my = y0; my < y1; ++my) {
                const uchar *a = m.alpha.constScanLine(my);
                uchar *p = bits + qsizetype(gy + my) * stride + qsizetype(gx + x0) * 3;
                for (int mx = x0; mx < x1; ++mx, p += 3) {
                    const int k = a[mx];
                    if (k == 0)
                        continue;
                    if (k == 255) {
                        p[0] = uchar(src[0]);
                        p[1] = uchar(src[1]);
                        p[2] = uchar(src[2]);
                        continue;
                    }
                    if (bg[0] < 0) {
                        for (int c = 0; c < 3; ++c) {
                            bg[c] = p[c];
                            table[c] = &f.blendTable(src[c], p[c]);
                        }
                    }
                    if (p[0] == bg[0] && p[1] == bg[1] && p[2] == bg[2]) {
                        p[0] = (*table[0])[size_t(k)];
                        p[1] = (*table[1])[size_t(k)];
                        p[2] = (*table[2])[size_t(k)];
                    } else {
                        for (int c = 0; c < 3; ++c)
                            p[c] = f.blend.mix(p[c], src[c], k);
                    }
                }
            }
        }
    }
    return true;
}
