#include "Text.h"

#include "FontRecords.h"
#include "Metafile.h"
#include "Shaping.h"

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
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include <hb.h>

namespace {

// Glyph positions are kept in Qt's own text unit, 1/64 pixel.
qint64 toFixed(qreal v) { return std::llround(v * 64); }

// Text is laid out as one line that never wraps, as wide as Qt's text unit
// allows.
constexpr qreal kLineWidth = 1.6e7;

std::atomic<int> g_leftOut{0};
std::atomic<bool> g_rememberedOnly{false};

// Qt's fonts are at hand (and not set aside).
bool qtFonts() { return FontsAvailable() && !g_rememberedOnly.load(std::memory_order_relaxed); }

// One glyph's coverage as Qt's rasteriser draws it at one sub-pixel offset,
// and where it sits relative to the whole-pixel pen position on the baseline.
struct TGlyphMask {
    std::vector<uchar> alpha;   // width * height; empty for a glyph without ink
    int width = 0, height = 0;
    QPoint offset;
    bool empty() const { return alpha.empty(); }
};

// How Qt blends a font's coverage k (0..255) of colour value src onto an
// opaque pixel's value dst: straight, or in the linear light of its gamma.
struct TBlend {
    enum Kind { Unknown, Straight, Gamma, Unusable };
    Kind kind = Unknown;
    double gamma = 1.0;
    std::array<int, 256> toLinear{};                                // 0..65535
    mutable std::shared_ptr<const std::vector<uchar>> fromLinear;   // 65536 entries, made when first needed

    void setGamma(double g);
    // The way back from linear light, one value.
    uchar fromLinearValue(int lin) const
    {
        return uchar(std::lround(255.0 * std::pow(double(lin) / 65535.0, 1.0 / gamma)));
    }
    int linear(int dst, int src, int k) const
    {
        return (toLinear[size_t(src)] * k + toLinear[size_t(dst)] * (255 - k) + 127) / 255;
    }
    // One blend, any colours (the picture under the text is not the
    // background it started on).
    uchar mix(int dst, int src, int k) const
    {
        if (kind == Straight)
            return uchar((src * k + dst * (255 - k) + 127) / 255);
        if (!fromLinear)
            fromLinear = table(gamma);
        return (*fromLinear)[size_t(linear(dst, src, k))];
    }
    // The same, computed without the whole table (for the few blends of a
    // background's table).
    uchar mixOnce(int dst, int src, int k) const
    {
        if (kind == Straight || fromLinear)
            return mix(dst, src, k);
        return fromLinearValue(linear(dst, src, k));
    }
    // The way back is shared by the fonts of one gamma.
    static std::shared_ptr<const std::vector<uchar>> table(double gamma)
    {
        thread_local std::unordered_map<int, std::shared_ptr<const std::vector<uchar>>> tables;
        auto &t = tables[int(std::lround(gamma * 100))];
        if (!t) {
            auto v = std::make_shared<std::vector<uchar>>(65536);
            for (size_t i = 0; i < v->size(); ++i)
                (*v)[i] = uchar(std::lround(255.0 * std::pow(double(i) / 65535.0, 1.0 / gamma)));
            t = std::move(v);
        }
        return t;
    }
};

void TBlend::setGamma(double g)
{
    kind = Gamma;
    gamma = g;
    fromLinear.reset();
    for (size_t i = 0; i < toLinear.size(); ++i)
        toLinear[i] = int(std::lround(65535.0 * std::pow(double(i) / 255.0, gamma)));
}

// The glyphs of one face as they go onto the picture: their coverage and how
// it blends.
struct TInk {
    TBlend blend;
    std::unordered_map<int, std::array<uchar, 256>> tables;   // by (src << 8) | dst

    virtual ~TInk() = default;
    // The coverage of a glyph at a sub-pixel offset (fx, fy in 1/64 pixel);
    // null when it is not known (a record that lacks it).
    virtual const TGlyphMask *maskOf(quint32 g, int fx, int fy) = 0;

    // Every coverage of colour value src blended onto dst, worked out once.
    const std::array<uchar, 256> &blendTable(int src, int dst)
    {
        auto [it, added] = tables.try_emplace((src << 8) | dst);
        if (added)
            for (int k = 0; k < 256; ++k)
                it->second[size_t(k)] = k == 255 ? uchar(src) : blend.mixOnce(dst, src, k);
        return it->second;
    }

    // A glyph of colour src blended onto a picture of one colour bg, pixel
    // for pixel (bg where it has no ink), worked out once: rows of text on
    // their background are copied from it.
    const std::vector<uchar> &blended(const TGlyphMask &m, QRgb src, QRgb bg)
    {
        const Key key{&m, src, bg};
        auto [it, added] = glyphs.try_emplace(key);
        if (added) {
            const std::array<uchar, 256> *t[3] = {&blendTable(qRed(src), qRed(bg)),
                                                  &blendTable(qGreen(src), qGreen(bg)),
                                                  &blendTable(qBlue(src), qBlue(bg))};
            const uchar back[3] = {uchar(qRed(bg)), uchar(qGreen(bg)), uchar(qBlue(bg))};
            std::vector<uchar> &out = it->second;
            out.resize(m.alpha.size() * 3);
            for (size_t i = 0; i < m.alpha.size(); ++i)
                for (int c = 0; c < 3; ++c)
                    out[i * 3 + size_t(c)] = m.alpha[i] ? (*t[c])[m.alpha[i]] : back[c];
        }
        return it->second;
    }

private:
    struct Key {
        const TGlyphMask *mask;
        QRgb src, bg;
        bool operator==(const Key &) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key &k) const
        {
            return std::hash<const void *>()(k.mask) ^ (size_t(k.src) * 0x9E3779B97F4A7C15ull) ^ (size_t(k.bg) << 7);
        }
    };
    std::unordered_map<Key, std::vector<uchar>, KeyHash> glyphs;
};

// What Zebrix keeps of one font engine (the font of a glyph run), per
// thread: how Qt blends its coverage and the coverage of its glyphs.
struct TRawFontData final : TInk {
    QRawFont raw;
    int em = 4;   // a glyph's ink lies within 2 em of its pen position
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

    // A glyph drawn once by Qt onto a clear scratch picture at a sub-pixel
    // offset (fx, fy in 1/64 pixel); its alpha is the coverage.
    const TGlyphMask *maskOf(quint32 g, int fx, int fy) override
    {
        const quint64 key = (quint64(g) << 12) | quint64(fx << 6) | quint64(fy);
        auto it = masks.find(key);
        if (it != masks.end())
            return &it->second;
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
            m.width = r - l + 1;
            m.height = b - t + 1;
            m.alpha.resize(size_t(m.width) * size_t(m.height));
            for (int y = t; y <= b; ++y) {
                const QRgb *row = reinterpret_cast<const QRgb *>(scratch.constScanLine(y));
                uchar *out = m.alpha.data() + size_t(y - t) * size_t(m.width);
                for (int x = l; x <= r; ++x)
                    out[x - l] = uchar(qAlpha(row[x]));
            }
            m.offset = QPoint(l, t) - origin;
        }
        return &masks.emplace(key, std::move(m)).first->second;
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

// Qt renders a glyph at four sub-pixel positions, the nearest quarter below
// the offset (the last quarter of a pixel going to the next whole pixel):
// the quarter to take and the whole pixels it moves. Checked against Qt
// before anything is remembered by it.
std::pair<int, int> quarterOf(int fx)
{
    if (fx == 0)
        return {0, 0};
    const int k = (fx + 1) / 16;
    return k == 4 ? std::pair{0, 1} : std::pair{k, 0};
}

// The ink of a font as a record remembers it (no GUI application).
struct TRecordInk final : TInk {
    std::shared_ptr<const TFontRecord> record;
    std::unordered_map<quint64, TGlyphMask> masks;

    explicit TRecordInk(std::shared_ptr<const TFontRecord> r) : record(std::move(r))
    {
        if (record->blendKind == TBlend::Gamma)
            blend.setGamma(record->gamma);
        else
            blend.kind = TBlend::Kind(record->blendKind);
    }

    const TGlyphMask *maskOf(quint32 g, int fx, int fy) override
    {
        if (fy != 0)
            return nullptr;
        const auto [quarter, shift] = quarterOf(fx);
        const quint64 key = (quint64(g) << 8) | quint64(fx);
        if (auto it = masks.find(key); it != masks.end())
            return &it->second;
        const auto r = record->masks.find(TFontRecord::MaskKey(g, quarter));
        if (r == record->masks.end())
            return nullptr;
        TGlyphMask m;
        m.width = r->second.width;
        m.height = r->second.height;
        m.offset = QPoint(r->second.x + shift, r->second.y);
        m.alpha.assign(r->second.alpha.begin(), r->second.alpha.end());
        return &masks.emplace(key, std::move(m)).first->second;
    }
};

// Values by 32-bit keys (characters, glyphs), kept in pages of 256 made
// when first written: a look-up is two loads, as fast as shaping needs.
template <class V> class TPaged
{
public:
    const V *find(quint32 key) const
    {
        const size_t page = key >> 8;
        if (page >= m_pages.size() || !m_pages[page])
            return nullptr;
        const Entry &e = (*m_pages[page])[key & 255];
        return e.set ? &e.value : nullptr;
    }
    void set(quint32 key, V value)
    {
        const size_t page = key >> 8;
        if (page >= m_pages.size())
            m_pages.resize(page + 1);
        if (!m_pages[page])
            m_pages[page] = std::make_unique<std::array<Entry, 256>>();
        (*m_pages[page])[key & 255] = {value, true};
    }

private:
    struct Entry { V value{}; bool set = false; };
    std::vector<std::unique_ptr<std::array<Entry, 256>>> m_pages;
};

// A font's glyphs and advances straight from Qt's font engine, each asked
// once. It notes what shaping asked for, so that a record can keep it.
class TQtGlyphSource final : public IGlyphSource
{
public:
    explicit TQtGlyphSource(const QRawFont &raw) : m_raw(raw) {}

    bool glyphFor(char32_t c, quint32 &glyph) override
    {
        const quint32 *known = m_glyphs.find(quint32(c));
        if (!known) {
            quint32 g = 0;
            if (c <= 0xFFFF && !QChar::isSurrogate(c)) {
                const QList<quint32> gs = m_raw.glyphIndexesForString(QString(QChar(char16_t(c))));
                g = gs.size() == 1 ? gs.front() : 0;
            }
            m_glyphs.set(quint32(c), g);
            known = m_glyphs.find(quint32(c));
        }
        if (m_tracking)
            m_askedCharacters.insert(c);
        glyph = *known;
        return true;
    }

    bool advanceOf(quint32 glyph, qint32 &advance) override
    {
        const qint32 *known = m_advances.find(glyph);
        if (!known) {
            const QList<QPointF> a = m_raw.advancesForGlyphIndexes(QList<quint32>{glyph});
            m_advances.set(glyph, a.isEmpty() ? 0 : qint32(toFixed(a.front().x())));
            known = m_advances.find(glyph);
        }
        if (m_tracking)
            m_askedGlyphs.insert(glyph);
        advance = *known;
        return true;
    }

    // Notes what shaping asks for, or stops.
    void track(bool on) { m_tracking = on; }
    // What shaping asked for since the last call.
    void takeAsked(std::set<char32_t> &characters, std::set<quint32> &glyphs)
    {
        characters = std::move(m_askedCharacters);
        glyphs = std::move(m_askedGlyphs);
        m_askedCharacters.clear();
        m_askedGlyphs.clear();
    }

private:
    QRawFont m_raw;
    TPaged<quint32> m_glyphs;
    TPaged<qint32> m_advances;
    std::set<char32_t> m_askedCharacters;
    std::set<quint32> m_askedGlyphs;
    bool m_tracking = false;
};

// The glyphs and advances a record remembers.
class TRecordGlyphSource final : public IGlyphSource
{
public:
    explicit TRecordGlyphSource(const TFontRecord &r)
    {
        for (const auto &[c, g] : r.glyphs)
            m_glyphs.set(quint32(c), g);
        for (const auto &[g, a] : r.advances)
            m_advances.set(g, a);
    }
    bool glyphFor(char32_t c, quint32 &glyph) override
    {
        const quint32 *g = m_glyphs.find(quint32(c));
        if (g)
            glyph = *g;
        return g;
    }
    bool advanceOf(quint32 glyph, qint32 &advance) override
    {
        const qint32 *a = m_advances.find(glyph);
        if (a)
            advance = *a;
        return a;
    }

private:
    TPaged<quint32> m_glyphs;
    TPaged<qint32> m_advances;
};

// A table of Qt's face, by its tag.
QByteArray tableOf(const QRawFont &raw, quint32 tag)
{
    const char name[5] = {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag), 0};
    return raw.fontTable(name);
}

hb_blob_t *qtTable(hb_face_t *, hb_tag_t tag, void *data)
{
    auto *table = new QByteArray(tableOf(*static_cast<const QRawFont *>(data), tag));
    if (table->isEmpty()) {
        delete table;
        return hb_blob_get_empty();
    }
    return hb_blob_create(table->constData(), unsigned(table->size()), HB_MEMORY_MODE_READONLY, table,
                          [](void *t) { delete static_cast<QByteArray *>(t); });
}

// One line of text as Qt lays it out: its glyphs, font by font, with their
// pen positions in 1/64 pixel (y from the baseline), and its width. A line
// that could not be laid out (no Qt fonts, nothing remembered) is not drawn.
struct TLine {
    struct Glyph { quint32 index; qint64 x, y; };
    struct Run { TInk *ink; TRawFontData *qt; std::vector<Glyph> glyphs; };
    std::vector<Run> runs;
    int width = 0;
    bool drawable = true;
};

quint64 nextSerial()
{
    thread_local quint64 serial = 0;
    return ++serial;
}

// What Zebrix keeps of a font, per thread (fonts are not shared across threads).
struct TFontData {
    const quint64 serial = nextSerial();   // lines are kept by it
    QFont font;
    TMetaFont meta;
    bool qt = false;            // Qt's fonts are at hand
    bool known = false;         // the metrics are known
    int ascent = 0, height = 0;

    // Lines of simple text, shaped here instead of by Qt's text engine.
    enum class Simple { Unknown, On, Off };
    Simple simple = Simple::Unknown;
    QRawFont raw;                              // Qt: the font's own face
    hb_face_t *face = nullptr;
    std::unique_ptr<IGlyphSource> source;
    std::unique_ptr<TShaper> shaper;
    TInk *ink = nullptr;                       // the face's glyphs
    std::unique_ptr<TRecordInk> recordInk;     // without Qt: the record's
    std::shared_ptr<const TFontRecord> record; // what is remembered of the font
    bool unrecordable = false;                 // with Qt: no record can be kept (no face file found)
    std::vector<TShapedGlyph> shaped;          // scratch

    explicit TFontData(const QFont &f) : font(f), meta(TMetaFont::fromQFont(f)), qt(qtFonts())
    {
        if (qt) {
            const QFontMetrics metrics(f);
            ascent = metrics.ascent();
            height = metrics.height();
            known = true;
        }
    }
    ~TFontData()
    {
        shaper.reset();
        if (face)
            hb_face_destroy(face);
    }
};

std::unique_ptr<TLine> layOutByQt(const TFontData &d, const QString &text);
bool setUpSimple(TFontData &d);

TFontData &dataOf(const QFont &font)
{
    thread_local std::unordered_map<QString, std::unique_ptr<TFontData>> cache;
    thread_local TFontData *last = nullptr;
    const bool qt = qtFonts();
    if (last && last->font == font && last->qt == qt)
        return *last;
    auto &slot = cache[font.key()];
    if (!slot || slot->qt != qt) {   // what Qt's fonts were not there for is asked again
        if (slot.get() == last)
            last = nullptr;
        slot = std::make_unique<TFontData>(font);
        if (!slot->qt)
            setUpSimple(*slot);   // everything comes from the record
    }
    last = slot.get();
    return *slot;
}

// Lays out a simple text by the shaper; false when it cannot (or, from a
// record, when the record lacks a glyph's coverage).
bool layOutSimple(TFontData &d, const QString &text, TLine &line)
{
    if (d.simple == TFontData::Simple::Unknown)
        setUpSimple(d);
    qint64 width = 0;
    if (d.simple != TFontData::Simple::On || !d.shaper->layOut(text, d.shaped, width))
        return false;
    if (!d.qt) {
        for (const TShapedGlyph &g : d.shaped)
            if (!d.ink->maskOf(g.index, int(g.x & 63), int(g.y & 63)))
                return false;
    }
    line.runs.clear();
    line.runs.push_back({d.ink, d.qt ? static_cast<TRawFontData *>(d.ink) : nullptr, {}});
    line.runs.back().glyphs.reserve(d.shaped.size());
    for (const TShapedGlyph &g : d.shaped)
        line.runs.back().glyphs.push_back({g.index, g.x, g.y});
    line.width = qRound(qreal(width) / 64);
    return true;
}

void keepRecord(TFontData &d);

// The line of a text, laid out once for measuring and drawing it: the last
// few are kept. The reference lasts until the next call.
const TLine &lineOf(TFontData &d, const QString &text)
{
    struct Entry { quint64 font = 0; QString text; std::unique_ptr<TLine> line; };
    thread_local std::array<Entry, 8> recent;
    thread_local size_t next = 0;
    for (const Entry &e : recent)
        if (e.font == d.serial && e.line && e.text == text)
            return *e.line;
    Entry &e = recent[next++ % recent.size()];
    e.font = d.serial;
    e.text = text;
    if (!e.line)
        e.line = std::make_unique<TLine>();
    *e.line = TLine{};
    if (text.isEmpty())
        return *e.line;
    if (d.simple == TFontData::Simple::Unknown)
        setUpSimple(d);
    const bool keep = d.qt && !d.unrecordable && FontRecordsEnabled();
    if (d.qt && d.source)
        static_cast<TQtGlyphSource &>(*d.source).track(keep);
    if (layOutSimple(d, text, *e.line)) {
        if (keep)
            keepRecord(d);
    } else if (d.qt) {
        e.line = layOutByQt(d, text);
    } else {
        e.line->drawable = false;
    }
    return *e.line;
}

std::unique_ptr<TLine> layOutByQt(const TFontData &d, const QString &text)
{
    auto line = std::make_unique<TLine>();
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
        if (line->runs.empty() || line->runs.back().qt != font)
            line->runs.push_back({font, font, {}});
        std::vector<TLine::Glyph> &out = line->runs.back().glyphs;
        const QList<quint32> glyphs = r.glyphIndexes();
        const QList<QPointF> positions = r.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
            out.push_back({glyphs[i], toFixed(positions[i].x()), toFixed(positions[i].y()) - ascent});
    }
    return line;
}

// Texts that show whether the shaper lays a font out as Qt does: digits,
// capitals and lower case with the pairs that fonts kern, the common
// ligatures, punctuation, kana and kanji (digits alone too: items of glyphs
// no lookup touches go by their advances).
const char *const kProbes[] = {
    "4901234567894",
    "4901234567894 0123456789",
    "AVAWaTo.,Ty LTA Yo P. office ffl fi",
    "ZEBRIX-12345 *+-./$% ()[]{}<>=@#&!?:;'\"_~^`|\\",
    "日本語のテキスト、カタカナ。がぎぐげご ー「」",
};

// The probe's characters this font draws itself and the shaper takes.
QString probeText(TQtGlyphSource &source, const char *probe)
{
    QString out;
    for (QChar c : QString::fromUtf8(probe)) {
        quint32 g = 0;
        if (SimpleCharacter(c.unicode()) && source.glyphFor(c.unicode(), g) && g != 0)
            out += c;
    }
    return out;
}

bool sameLine(const TLine &qt, const std::vector<TShapedGlyph> &shaped, qint64 width)
{
    size_t k = 0;
    for (const TLine::Run &r : qt.runs)
        for (const TLine::Glyph &g : r.glyphs) {
            if (k >= shaped.size() || shaped[k].index != g.index || shaped[k].x != g.x || shaped[k].y != g.y)
                return false;
            ++k;
        }
    return k == shaped.size() && qt.width == qRound(qreal(width) / 64);
}

// Whether a font's simple texts are shaped here: with Qt's fonts, when the
// shaper lays out the probes exactly as Qt does (advances as they are, or
// rounded as some fonts have them); without, when a record of it holds.
bool setUpSimple(TFontData &d)
{
    d.simple = TFontData::Simple::Off;
    // Decorations are QPainter's.
    if (d.font.underline() || d.font.strikeOut() || d.font.overline())
        return false;
    if (!d.qt) {
        d.record = FindFontRecord(d.meta);
        if (!d.record)
            return false;
        hb_blob_t *blob = hb_blob_create_from_file(d.record->faceFile.constData());
        d.face = hb_face_create(blob, unsigned(d.record->faceIndex));
        hb_blob_destroy(blob);
        d.source = std::make_unique<TRecordGlyphSource>(*d.record);
        d.shaper = std::make_unique<TShaper>(d.face, d.meta.PixelSize, d.record->roundAdvances, d.source.get());
        for (const auto &[script, glyphs] : d.record->touched)
            d.shaper->setTouchedGlyphs(script, glyphs);
        d.recordInk = std::make_unique<TRecordInk>(d.record);
        d.ink = d.recordInk.get();
        d.ascent = d.record->ascent;
        d.height = d.record->height;
        d.known = true;
        d.simple = TFontData::Simple::On;
        return true;
    }
    d.raw = QRawFont::fromFont(d.font);
    if (!d.raw.isValid() || d.font.pixelSize() <= 0 || d.font.pixelSize() > 64)
        return false;   // Qt draws bigger glyphs as outlines
    d.face = hb_face_create_for_tables(qtTable, new QRawFont(d.raw), [](void *r) { delete static_cast<QRawFont *>(r); });
    hb_face_set_upem(d.face, unsigned(d.raw.unitsPerEm()));
    auto source = std::make_unique<TQtGlyphSource>(d.raw);
    TQtGlyphSource &qtSource = *source;
    d.source = std::move(source);
    d.ink = &rawDataOf(d.raw);
    for (bool round : {false, true}) {
        d.shaper = std::make_unique<TShaper>(d.face, d.font.pixelSize(), round, d.source.get());
        bool same = true;
        for (const char *probe : kProbes) {
            const QString text = probeText(qtSource, probe);
            if (text.isEmpty())
                continue;
            qint64 width = 0;
            const std::unique_ptr<TLine> qt = layOutByQt(d, text);
            same = qt->runs.size() == 1 && qt->runs.front().qt == d.ink && d.shaper->layOut(text, d.shaped, width)
                   && sameLine(*qt, d.shaped, width);
            if (!same)
                break;
        }
        if (same) {
            d.simple = TFontData::Simple::On;
            return true;
        }
    }
    d.shaper.reset();
    return false;
}

// A mask as a record keeps it.
TRecordedMask recorded(const TGlyphMask &m)
{
    TRecordedMask r;
    r.x = qint16(m.offset.x());
    r.y = qint16(m.offset.y());
    r.width = quint16(m.width);
    r.height = quint16(m.height);
    r.alpha = QByteArray(reinterpret_cast<const char *>(m.alpha.data()), qsizetype(m.alpha.size()));
    return r;
}

bool sameMask(const TGlyphMask &a, const TGlyphMask &b, int shift)
{
    return a.alpha == b.alpha && a.width == b.width && a.height == b.height
           && (a.empty() || a.offset == b.offset + QPoint(shift, 0));
}

// Adds what a record needs to draw a text without Qt: the glyph and
// advance of every character and glyph shaping asked for, and the coverage
// of every glyph at Qt's four sub-pixel positions. A new record first
// checks that Qt's sub-pixel positions are the four assumed, finds the face
// file, and takes the printable ASCII characters along.
void keepRecord(TFontData &d)
{
    auto &source = static_cast<TQtGlyphSource &>(*d.source);
    auto &qt = *static_cast<TRawFontData *>(d.ink);
    source.track(true);
    std::set<char32_t> characters;
    std::set<quint32> glyphs;
    source.takeAsked(characters, glyphs);
    if (!d.record)
        d.record = FindFontRecord(d.meta);
    if (d.record) {
        bool complete = true;
        for (char32_t c : characters)
            complete = complete && d.record->glyphs.count(c);
        for (quint32 g : glyphs)
            complete = complete && d.record->advances.count(g) && d.record->masks.count(TFontRecord::MaskKey(g, 0));
        if (complete)
            return;
    }
    auto r = d.record ? std::make_shared<TFontRecord>(*d.record) : std::make_shared<TFontRecord>();
    if (!d.record) {
        r->font = d.meta;
        if (!FindFaceFile(d.meta, [&](quint32 tag) { return tableOf(d.raw, tag); }, r->faceFile, r->faceIndex)) {
            d.unrecordable = true;
            return;
        }
        r->faceStamp = TFileStamp::of(r->faceFile);
        r->ascent = d.ascent;
        r->height = d.height;
        r->roundAdvances = d.shaper->roundAdvances();
        if (qt.blend.kind == TBlend::Unknown) {
            std::vector<quint32> some(glyphs.begin(), glyphs.end());
            some.resize(std::min<size_t>(some.size(), 16));
            qt.calibrate(some);
        }
        if (qt.blend.kind != TBlend::Straight && qt.blend.kind != TBlend::Gamma) {
            d.unrecordable = true;   // QPainter's text, which needs Qt's fonts
            return;
        }
        static_assert(TBlend::Straight == 1 && TBlend::Gamma == 2, "as FontRecords.h keeps them");
        r->blendKind = quint8(qt.blend.kind);
        r->gamma = qt.blend.gamma;
        for (hb_script_t script : {HB_SCRIPT_COMMON, HB_SCRIPT_LATIN, HB_SCRIPT_HAN, HB_SCRIPT_HIRAGANA,
                                   HB_SCRIPT_KATAKANA})
            r->touched[quint32(script)] = d.shaper->touchedGlyphs(quint32(script));
        // Qt's sub-pixel positions: every offset of a few glyphs against
        // the quarter it is taken for.
        quint32 probeGlyph = 0;
        for (QChar c : QStringLiteral("0g")) {
            if (!source.glyphFor(c.unicode(), probeGlyph) || probeGlyph == 0)
                continue;
            for (int fx = 0; fx < 64; ++fx) {
                const auto [quarter, shift] = quarterOf(fx);
                if (!sameMask(*qt.maskOf(probeGlyph, fx, 0), *qt.maskOf(probeGlyph, quarter * 16, 0), shift)) {
                    d.unrecordable = true;
                    return;
                }
            }
        }
        QString ascii;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            ascii += QChar(c);
        qint64 width = 0;
        if (d.shaper->layOut(ascii, d.shaped, width)) {
            std::set<char32_t> more;
            std::set<quint32> moreGlyphs;
            source.takeAsked(more, moreGlyphs);
            characters.insert(more.begin(), more.end());
            glyphs.insert(moreGlyphs.begin(), moreGlyphs.end());
        }
    }
    for (char32_t c : characters) {
        quint32 g = 0;
        source.glyphFor(c, g);
        r->glyphs[c] = g;
        if (g)
            glyphs.insert(g);
    }
    for (quint32 g : glyphs) {
        qint32 advance = 0;
        source.advanceOf(g, advance);
        r->advances[g] = advance;
        for (int quarter = 0; quarter < 4; ++quarter)
            r->masks[TFontRecord::MaskKey(g, quarter)] = recorded(*qt.maskOf(g, quarter * 16, 0));
    }
    source.takeAsked(characters, glyphs);   // what filling the record asked
    d.record = r;
    StoreFontRecord(std::move(r));
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
std::vector<int> advancesByLayout(TFontData &d, const QString &text)
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

// The same for a simple text from a record (no GUI application): the same
// blocks, each shaped here. Only where every character is a glyph of its
// own, the cluster Qt's cursor positions fall on; false otherwise.
bool advancesByShaper(TFontData &d, const QString &text, std::vector<int> &advances)
{
    if (d.simple == TFontData::Simple::Unknown)
        setUpSimple(d);
    if (d.simple != TFontData::Simple::On)
        return false;
    const qsizetype n = text.size();
    std::vector<qint64> x(size_t(n) + 1, 0);   // 1/64 pixel
    std::vector<TShapedGlyph> glyphs;
    const qsizetype block = 64;
    for (qsizetype k = 0; k < n;) {
        const qsizetype stop = std::min(n, k + block);
        const qsizetype from = k > 0 ? k - 1 : 0;
        const qsizetype to = std::min(n, stop + 1);
        qint64 width = 0;
        if (!d.shaper->layOut(text.mid(from, to - from), glyphs, width) || qsizetype(glyphs.size()) != to - from)
            return false;
        for (qsizetype i = 0; i < to - from; ++i)
            if (glyphs[size_t(i)].cluster != i)
                return false;
        auto cursor = [&](qsizetype i) { return i < to - from ? glyphs[size_t(i)].pen : width; };
        const qint64 origin = cursor(k - from);
        for (qsizetype j = k + 1; j <= stop; ++j)
            x[size_t(j)] = x[size_t(k)] + cursor(j - from) - origin;
        k = stop;
    }
    advances.assign(size_t(n), 0);
    long long sum = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const int a = int(std::llround(qreal(x[size_t(k) + 1]) / 64) - std::llround(qreal(x[size_t(k)]) / 64));
        advances[size_t(k)] = a;
        sum += a;
    }
    const TLine &line = lineOf(d, text);
    if (!line.drawable)
        return false;
    if (n > 0)
        advances[size_t(n - 1)] += int(line.width - sum);
    return true;
}

} // namespace

bool TextAvailable() { return qtFonts() || FontRecordsEnabled(); }

bool QtTextAvailable() { return qtFonts(); }

void UseRememberedFontsOnly(bool on) { g_rememberedOnly.store(on, std::memory_order_relaxed); }

int TextLeftOut() { return g_leftOut.load(std::memory_order_relaxed); }

bool ShapesSimpleText(const QFont &font)
{
    TFontData &d = dataOf(font);
    if (d.simple == TFontData::Simple::Unknown)
        setUpSimple(d);
    return d.simple == TFontData::Simple::On;
}

int TextWidth(const QFont &font, const QString &text)
{
    const TLine &line = lineOf(dataOf(font), text);
    if (!line.drawable)
        g_leftOut.fetch_add(1, std::memory_order_relaxed);
    return line.width;
}

int TextHeight(const QFont &font)
{
    const TFontData &d = dataOf(font);
    if (!d.known)
        g_leftOut.fetch_add(1, std::memory_order_relaxed);
    return d.height;
}

std::vector<int> TextAdvances(const QFont &font, const QString &text)
{
    if (!qtFonts()) {
        std::vector<int> advances;
        if (text.isEmpty() || advancesByShaper(dataOf(font), text, advances))
            return advances;
        g_leftOut.fetch_add(1, std::memory_order_relaxed);
        return std::vector<int>(size_t(text.size()), 0);
    }
    return advancesByLayout(dataOf(font), text);
}

void DrawText(QPainter &painter, int x, int y, const QString &text, const QFont &font, const QColor &color)
{
    if (!qtFonts()) {
        g_leftOut.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    const TFontData &d = dataOf(font);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(x, qreal(y) + d.ascent), text);
}

bool BlitText(QImage &image, qint64 x, qint64 y, const QString &text, const QFont &font, const QColor &color)
{
    if (image.format() != QImage::Format_RGB888 || font.underline() || font.strikeOut() || font.overline())
        return false;
    TFontData &d = dataOf(font);
    const TLine &line = lineOf(d, text);
    if (!line.drawable) {
        g_leftOut.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    // Every font of the line must blend in a way Qt's can be told from.
    for (const TLine::Run &run : line.runs) {
        TInk &f = *run.ink;
        if (f.blend.kind == TBlend::Unknown && run.qt) {
            std::vector<quint32> some;
            for (size_t i = 0; i < run.glyphs.size() && some.size() < 16; ++i)
                if (std::find(some.begin(), some.end(), run.glyphs[i].index) == some.end())
                    some.push_back(run.glyphs[i].index);
            run.qt->calibrate(some);
        }
        if (f.blend.kind == TBlend::Unusable || f.blend.kind == TBlend::Unknown) {
            if (!d.qt)
                g_leftOut.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
    }
    const qint64 baseline = y + d.ascent;
    const qint64 width = image.width(), height = image.height();
    const int src[3] = {color.red(), color.green(), color.blue()};
    const QRgb ink = qRgb(src[0], src[1], src[2]);
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    thread_local std::vector<uchar> backRow;   // the background colour, pixel after pixel
    for (const TLine::Run &run : line.runs) {
        TInk &f = *run.ink;
        const qint64 reach = run.qt ? 2 * run.qt->em : 4 * std::max(1, d.height);
        // Text mostly lies on one background colour (the first under a
        // glyph): where a glyph's row lies on it, the row is copied from the
        // glyph blended onto it once; any other pixel blends on its own.
        bool haveBack = false;
        QRgb back = 0;
        for (const TLine::Glyph &g : run.glyphs) {
            const qint64 px = x + (g.x >> 6), py = baseline + (g.y >> 6);
            if (px + reach < 0 || px - reach >= width || py + reach < 0 || py - reach >= height)
                continue;   // drawing outside the picture is lost
            const TGlyphMask *mask = f.maskOf(g.index, int(g.x & 63), int(g.y & 63));
            if (!mask || mask->empty())
                continue;   // a space
            const TGlyphMask &m = *mask;
            const qint64 gx = px + m.offset.x(), gy = py + m.offset.y();
            const int x0 = int(std::max<qint64>(0, -gx)), y0 = int(std::max<qint64>(0, -gy));
            const int x1 = int(std::min<qint64>(m.width, width - gx));
            const int y1 = int(std::min<qint64>(m.height, height - gy));
            if (x0 >= x1 || y0 >= y1)
                continue;
            if (!haveBack) {
                const uchar *p = bits + qsizetype(gy + y0) * stride + qsizetype(gx + x0) * 3;
                back = qRgb(p[0], p[1], p[2]);
                haveBack = true;
                backRow.clear();
            }
            const size_t span = size_t(x1 - x0) * 3;
            if (backRow.size() < span)
                for (size_t i = backRow.size() / 3; i < span / 3; ++i)
                    backRow.insert(backRow.end(), {uchar(qRed(back)), uchar(qGreen(back)), uchar(qBlue(back))});
            const std::vector<uchar> &onBack = f.blended(m, ink, back);
            for (int my = y0; my < y1; ++my) {
                uchar *p = bits + qsizetype(gy + my) * stride + qsizetype(gx + x0) * 3;
                if (std::memcmp(p, backRow.data(), span) == 0) {
                    std::memcpy(p, onBack.data() + (size_t(my) * size_t(m.width) + size_t(x0)) * 3, span);
                    continue;
                }
                const uchar *a = m.alpha.data() + size_t(my) * size_t(m.width);
                const uchar *b = onBack.data() + (size_t(my) * size_t(m.width) + size_t(x0)) * 3;
                for (int mx = x0; mx < x1; ++mx, p += 3, b += 3) {
                    const int k = a[mx];
                    if (k == 0)
                        continue;
                    if (std::memcmp(p, backRow.data(), 3) == 0) {
                        std::memcpy(p, b, 3);
                        continue;
                    }
                    for (int c = 0; c < 3; ++c)
                        p[c] = k == 255 ? uchar(src[c]) : f.blend.mixOnce(p[c], src[c], k);
                }
            }
        }
    }
    return true;
}
