#include "Shaping.h"

#include <QChar>

#include <algorithm>
#include <unordered_map>

#include <hb-aat.h>
#include <hb-ot.h>
#include <hb.h>

namespace {

// The scripts of the simple characters, as Qt hands them to HarfBuzz.
hb_script_t hbScript(QChar::Script s)
{
    switch (s) {
    case QChar::Script_Latin: return HB_SCRIPT_LATIN;
    case QChar::Script_Han: return HB_SCRIPT_HAN;
    case QChar::Script_Hiragana: return HB_SCRIPT_HIRAGANA;
    case QChar::Script_Katakana: return HB_SCRIPT_KATAKANA;
    default: return HB_SCRIPT_COMMON;
    }
}

// What the HarfBuzz font of a shaper reads: the glyph source, and whether
// every answer HarfBuzz asked for was Qt's.
struct TFontFuncsData {
    IGlyphSource *source = nullptr;
    bool exact = true;
};

hb_bool_t nominalGlyph(hb_font_t *, void *data, hb_codepoint_t unicode, hb_codepoint_t *glyph, void *)
{
    auto *d = static_cast<TFontFuncsData *>(data);
    quint32 g = 0;
    if (!d->source->glyphFor(char32_t(unicode), g)) {
        d->exact = false;
        *glyph = 0;
        return false;
    }
    *glyph = g;
    return true;   // as Qt's engine answers: a glyph of 0 included
}

hb_position_t horizontalAdvance(hb_font_t *, void *data, hb_codepoint_t glyph, void *)
{
    auto *d = static_cast<TFontFuncsData *>(data);
    qint32 advance = 0;
    if (!d->source->advanceOf(quint32(glyph), advance))
        d->exact = false;
    return advance;
}

void horizontalAdvances(hb_font_t *font, void *data, unsigned count, const hb_codepoint_t *glyph, unsigned glyphStride,
                        hb_position_t *advance, unsigned advanceStride, void *)
{
    for (unsigned i = 0; i < count; ++i) {
        *advance = horizontalAdvance(font, data, *glyph, nullptr);
        glyph = reinterpret_cast<const hb_codepoint_t *>(reinterpret_cast<const char *>(glyph) + glyphStride);
        advance = reinterpret_cast<hb_position_t *>(reinterpret_cast<char *>(advance) + advanceStride);
    }
}

hb_bool_t horizontalOrigin(hb_font_t *, void *, hb_codepoint_t, hb_position_t *, hb_position_t *, void *)
{
    return true;   // Qt works in horizontal coordinates: the origin stays
}

// Outlines, extents and variation glyphs come from Qt's FreeType engine,
// which is not at hand: shaping that needs them is left to Qt.
hb_bool_t variationGlyph(hb_font_t *, void *data, hb_codepoint_t, hb_codepoint_t, hb_codepoint_t *glyph, void *)
{
    static_cast<TFontFuncsData *>(data)->exact = false;
    *glyph = 0;
    return false;
}

hb_bool_t glyphExtents(hb_font_t *, void *data, hb_codepoint_t, hb_glyph_extents_t *extents, void *)
{
    static_cast<TFontFuncsData *>(data)->exact = false;
    *extents = {};
    return false;
}

hb_bool_t contourPoint(hb_font_t *, void *data, hb_codepoint_t, unsigned int, hb_position_t *x, hb_position_t *y,
                       void *)
{
    static_cast<TFontFuncsData *>(data)->exact = false;
    *x = *y = 0;
    return false;
}

hb_font_funcs_t *fontFuncs()
{
    static hb_font_funcs_t *const funcs = [] {
        hb_font_funcs_t *f = hb_font_funcs_create();
        hb_font_funcs_set_nominal_glyph_func(f, nominalGlyph, nullptr, nullptr);
        hb_font_funcs_set_variation_glyph_func(f, variationGlyph, nullptr, nullptr);
        hb_font_funcs_set_glyph_h_advance_func(f, horizontalAdvance, nullptr, nullptr);
        hb_font_funcs_set_glyph_h_advances_func(f, horizontalAdvances, nullptr, nullptr);
        hb_font_funcs_set_glyph_h_origin_func(f, horizontalOrigin, nullptr, nullptr);
        hb_font_funcs_set_glyph_extents_func(f, glyphExtents, nullptr, nullptr);
        hb_font_funcs_set_glyph_contour_point_func(f, contourPoint, nullptr, nullptr);
        hb_font_funcs_make_immutable(f);
        return f;
    }();
    return funcs;
}

// Qt's text engine starts a new script item where the script changes (a
// character of the common script joins the item it is in, the first ones
// the item after them) and after 4096 characters.
constexpr qsizetype kMaxItemLength = 4096;

// A GSUB or GPOS table, read big-endian with every offset checked.
class TLayoutTable
{
public:
    TLayoutTable(hb_face_t *face, hb_tag_t tag) : m_blob(hb_face_reference_table(face, tag))
    {
        unsigned n = 0;
        m_data = reinterpret_cast<const uchar *>(hb_blob_get_data(m_blob, &n));
        m_size = n;
    }
    ~TLayoutTable() { hb_blob_destroy(m_blob); }
    TLayoutTable(const TLayoutTable &) = delete;
    TLayoutTable &operator=(const TLayoutTable &) = delete;

    bool ok() const { return m_ok; }
    quint32 u16(size_t at)
    {
        if (at + 2 > m_size) {
            m_ok = false;
            return 0;
        }
        return quint32(m_data[at]) << 8 | m_data[at + 1];
    }
    quint32 u32(size_t at) { return u16(at) << 16 | u16(at + 2); }

    // The glyphs of a coverage table.
    void coverage(size_t at, std::vector<quint32> &glyphs)
    {
        const quint32 format = u16(at), count = u16(at + 2);
        for (quint32 i = 0; i < count && m_ok; ++i) {
            if (format == 1) {
                glyphs.push_back(u16(at + 4 + 2 * i));
            } else if (format == 2) {
                const size_t r = at + 4 + 6 * size_t(i);
                for (quint32 g = u16(r), last = u16(r + 2); g <= last && m_ok; ++g)
                    glyphs.push_back(g);
            } else {
                m_ok = false;
            }
        }
    }

    // Where a lookup's subtables start, each with its own type (extension
    // subtables resolved).
    struct Subtable { size_t at; quint32 type; };
    std::vector<Subtable> subtables(unsigned lookup, quint32 extensionType)
    {
        std::vector<Subtable> out;
        const size_t list = u16(8);
        const size_t at = list + u16(list + 2 + 2 * size_t(lookup));
        const quint32 type = u16(at), count = u16(at + 4);
        for (quint32 i = 0; i < count && m_ok; ++i) {
            size_t sub = at + u16(at + 6 + 2 * size_t(i));
            quint32 t = type;
            if (t == extensionType) {
                t = u16(sub + 2);
                sub += u32(sub + 4);
            }
            out.push_back({sub, t});
        }
        return out;
    }

    // The glyphs at which a subtable may start to act: its coverage, or for
    // a contextual one the coverage of its first input glyph (a mark lookup:
    // its marks).
    void startCoverage(const Subtable &s, bool gsub, std::vector<quint32> &glyphs)
    {
        const quint32 contextType = gsub ? 5 : 7, chainType = gsub ? 6 : 8;
        const quint32 format = u16(s.at);
        if ((s.type == contextType || s.type == chainType) && format == 3) {
            if (s.type == contextType)
                return coverage(s.at + u16(s.at + 6), glyphs);
            const size_t backtrack = u16(s.at + 2);
            return coverage(s.at + u16(s.at + 6 + 2 * backtrack), glyphs);
        }
        coverage(s.at + u16(s.at + 2), glyphs);
    }

private:
    hb_blob_t *m_blob;
    const uchar *m_data = nullptr;
    size_t m_size = 0;
    bool m_ok = true;
};

void setBits(std::vector<quint64> &bits, quint32 g)
{
    if ((g >> 6) >= bits.size())
        bits.resize((g >> 6) + 1);
    bits[g >> 6] |= quint64(1) << (g & 63);
}

bool hasBit(const std::vector<quint64> &bits, quint32 g)
{
    const size_t w = g >> 6;
    return w < bits.size() && (bits[w] >> (g & 63)) & 1;
}

} // namespace

bool SimpleCharacter(char32_t c)
{
    // Qt hides a soft hyphen (0xAD); around a fraction slash (0x2044)
    // HarfBuzz shapes fractions.
    if (c < 0x20 || c > 0xFFFF || QChar::isSurrogate(c) || c == 0xAD || c == 0x2044)
        return false;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing: case QChar::Mark_SpacingCombining: case QChar::Mark_Enclosing:
    case QChar::Other_Control: case QChar::Other_Format: case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse: case QChar::Other_NotAssigned:
    case QChar::Separator_Line: case QChar::Separator_Paragraph:
        return false;
    case QChar::Separator_Space:
        if (c != 0x20 && c != 0x3000)
            return false;
        break;
    default:
        break;
    }
    switch (QChar::direction(c)) {
    case QChar::DirL: case QChar::DirEN: case QChar::DirES: case QChar::DirET: case QChar::DirCS:
    case QChar::DirON: case QChar::DirWS:
        break;
    default:
        return false;
    }
    switch (QChar::script(c)) {
    case QChar::Script_Common: case QChar::Script_Latin: case QChar::Script_Han:
    case QChar::Script_Hiragana: case QChar::Script_Katakana:
        return true;
    default:
        return false;
    }
}

struct TShaper::Private {
    TFontFuncsData data;
    hb_face_t *face = nullptr;
    hb_font_t *font = nullptr;
    hb_buffer_t *buffer = nullptr;
    int plainAdvances = -1;   // items of untouched glyphs go by their advances (-1: not known yet)
    // By script: the glyphs its lookups may act on, as a list and as bits.
    struct Touched { quint32 script; std::vector<quint32> glyphs; std::vector<quint64> bits; };
    std::vector<Touched> touched;

    // By script, for texts some lookup does touch: whether shaping them is
    // a character's glyph (a single substitution at most), its advance with
    // a single adjustment, plus the kerning of each pair, all learnt from
    // HarfBuzz's own results. blocked: glyphs at which any other GSUB or
    // GPOS lookup may start (and marks); substituted: glyphs a single
    // substitution may replace; single: glyphs a single adjustment may change.
    struct Pairs {
        quint32 script;
        bool usable = false;
        std::vector<quint64> blocked, substituted, single;
        std::unordered_map<char32_t, quint32> glyphs;    // learnt glyphs of substituted characters
        std::unordered_map<char32_t, qint32> singles;    // learnt advances of single-adjusted characters
        std::unordered_map<quint64, qint32> pairs;       // learnt kerning, by (first << 32) | second
    };
    std::vector<Pairs> pairs;
    Pairs &pairsOf(quint32 script);

    Touched &touchedOf(quint32 script);
    bool touches(const Touched &t, quint32 glyph) const
    {
        const size_t w = glyph >> 6;
        return w < t.bits.size() && (t.bits[w] >> (glyph & 63)) & 1;
    }
};

TShaper::Private::Touched &TShaper::Private::touchedOf(quint32 script)
{
    for (Touched &t : touched)
        if (t.script == script)
            return t;
    Touched t{script, {}, {}};
    hb_segment_properties_t props = HB_SEGMENT_PROPERTIES_DEFAULT;
    props.direction = HB_DIRECTION_LTR;
    props.script = hb_script_t(script);
    props.language = hb_language_get_default();   // as the buffer guesses it
    const hb_feature_t kerning = {HB_TAG('k', 'e', 'r', 'n'), 1, 0, ~0u};
    hb_shape_plan_t *plan = hb_shape_plan_create_cached(face, &props, &kerning, 1, nullptr);
    hb_set_t *all = hb_set_create();
    for (hb_tag_t table : {HB_OT_TAG_GSUB, HB_OT_TAG_GPOS}) {
        hb_set_t *lookups = hb_set_create();
        hb_ot_shape_plan_collect_lookups(plan, table, lookups);
        for (hb_codepoint_t l = HB_SET_VALUE_INVALID; hb_set_next(lookups, &l);)
            hb_ot_layout_lookup_collect_glyphs(face, table, l, nullptr, all, nullptr, nullptr);
        hb_set_destroy(lookups);
    }
    hb_shape_plan_destroy(plan);
    for (hb_codepoint_t g = HB_SET_VALUE_INVALID; hb_set_next(all, &g);)
        t.glyphs.push_back(g);
    hb_set_destroy(all);
    touched.push_back(std::move(t));
    Touched &added = touched.back();
    for (quint32 g : added.glyphs) {
        if ((g >> 6) >= added.bits.size())
            added.bits.resize((g >> 6) + 1);
        added.bits[g >> 6] |= quint64(1) << (g & 63);
    }
    return added;
}

TShaper::Private::Pairs &TShaper::Private::pairsOf(quint32 script)
{
    for (Pairs &p : pairs)
        if (p.script == script)
            return p;
    Pairs p;
    p.script = script;
    hb_segment_properties_t props = HB_SEGMENT_PROPERTIES_DEFAULT;
    props.direction = HB_DIRECTION_LTR;
    props.script = hb_script_t(script);
    props.language = hb_language_get_default();
    const hb_feature_t kerning = {HB_TAG('k', 'e', 'r', 'n'), 1, 0, ~0u};
    hb_shape_plan_t *plan = hb_shape_plan_create_cached(face, &props, &kerning, 1, nullptr);
    bool ok = true;
    for (const bool gsub : {true, false}) {
        const hb_tag_t tag = gsub ? HB_OT_TAG_GSUB : HB_OT_TAG_GPOS;
        TLayoutTable table(face, tag);
        hb_set_t *lookups = hb_set_create();
        hb_ot_shape_plan_collect_lookups(plan, tag, lookups);
        for (hb_codepoint_t l = HB_SET_VALUE_INVALID; ok && hb_set_next(lookups, &l);) {
            for (const TLayoutTable::Subtable &sub : table.subtables(l, gsub ? 7 : 9)) {
                std::vector<quint32> start;
                table.startCoverage(sub, gsub, start);
                // Plain advance adjustments: of a single glyph (type 1), or
                // of the first of a pair without touching the second (type 2).
                const quint32 kAdvance = 0x0004 | 0x0040;   // XAdvance and its device table
                const bool plainSingle = !gsub && sub.type == 1 && (table.u16(sub.at + 4) & ~kAdvance) == 0;
                const bool plainPair = !gsub && sub.type == 2 && (table.u16(sub.at + 4) & ~kAdvance) == 0
                                       && table.u16(sub.at + 6) == 0;
                const bool singleSubstitution = gsub && sub.type == 1;
                if (plainPair)
                    continue;   // kerning: learnt pair by pair
                for (quint32 g : start)
                    setBits(plainSingle ? p.single : singleSubstitution ? p.substituted : p.blocked, g);
            }
            ok = table.ok();
        }
        hb_set_destroy(lookups);
    }
    // A glyph a single substitution puts in place may not start another
    // kind of lookup (whatever it is replaced by in turn).
    hb_set_t *outputs = hb_set_create();
    {
        hb_set_t *lookups = hb_set_create();
        hb_ot_shape_plan_collect_lookups(plan, HB_OT_TAG_GSUB, lookups);
        for (hb_codepoint_t l = HB_SET_VALUE_INVALID; hb_set_next(lookups, &l);)
            hb_ot_layout_lookup_collect_glyphs(face, HB_OT_TAG_GSUB, l, nullptr, nullptr, nullptr, outputs);
        hb_set_destroy(lookups);
    }
    for (hb_codepoint_t g = HB_SET_VALUE_INVALID; hb_set_next(outputs, &g);)
        ok = ok && !hasBit(p.blocked, g);
    hb_set_destroy(outputs);
    hb_shape_plan_destroy(plan);
    hb_set_t *marks = hb_set_create();
    hb_ot_layout_get_glyphs_in_class(face, HB_OT_LAYOUT_GLYPH_CLASS_MARK, marks);
    for (hb_codepoint_t g = HB_SET_VALUE_INVALID; hb_set_next(marks, &g);)
        setBits(p.blocked, g);
    hb_set_destroy(marks);
    p.usable = ok;
    pairs.push_back(std::move(p));
    return pairs.back();
}

const std::vector<quint32> &TShaper::touchedGlyphs(quint32 hbScript) { return d->touchedOf(hbScript).glyphs; }

void TShaper::setTouchedGlyphs(quint32 hbScript, std::vector<quint32> glyphs)
{
    std::erase_if(d->touched, [&](const Private::Touched &t) { return t.script == hbScript; });
    Private::Touched t{hbScript, std::move(glyphs), {}};
    for (quint32 g : t.glyphs) {
        if ((g >> 6) >= t.bits.size())
            t.bits.resize((g >> 6) + 1);
        t.bits[g >> 6] |= quint64(1) << (g & 63);
    }
    d->touched.push_back(std::move(t));
}

TShaper::TShaper(hb_face_t *face, int pixelSize, bool roundAdvances, IGlyphSource *source)
    : d(std::make_unique<Private>()), m_round(roundAdvances)
{
    d->data.source = source;
    d->face = hb_face_reference(face);
    d->font = hb_font_create(face);
    hb_font_set_funcs(d->font, fontFuncs(), &d->data, nullptr);
    // Qt's scale: 1/64 pixel per unit, y growing downwards.
    hb_font_set_scale(d->font, pixelSize * 64, -pixelSize * 64);
    hb_font_set_ppem(d->font, unsigned(pixelSize), unsigned(pixelSize));
    d->buffer = hb_buffer_create();
}

TShaper::~TShaper()
{
    hb_buffer_destroy(d->buffer);
    hb_font_destroy(d->font);
    hb_face_destroy(d->face);
}

bool TShaper::layOutPlain(const QString &text, qsizetype start, qsizetype end, quint32 script,
                          std::vector<TShapedGlyph> &glyphs, qint64 &pen)
{
    if (d->plainAdvances < 0) {
        // Kerning from a 'kern' table outside GPOS, and AAT shaping, are no
        // lookups of the plan.
        hb_blob_t *kern = hb_face_reference_table(d->face, HB_TAG('k', 'e', 'r', 'n'));
        const bool kernTable = hb_blob_get_length(kern) > 0;
        hb_blob_destroy(kern);
        bool gposKern = false;
        hb_tag_t tags[64];
        for (unsigned offset = 0, count = 64; count == 64; offset += 64) {
            count = 64;
            hb_ot_layout_table_get_feature_tags(d->face, HB_OT_TAG_GPOS, offset, &count, tags);
            gposKern = gposKern || std::find(tags, tags + count, HB_TAG('k', 'e', 'r', 'n')) != tags + count;
        }
        const bool kernOutsideGpos = kernTable && !gposKern;
        d->plainAdvances = !kernOutsideGpos && !hb_aat_layout_has_substitution(d->face)
                           && !hb_aat_layout_has_positioning(d->face) && !hb_aat_layout_has_tracking(d->face);
    }
    if (!d->plainAdvances)
        return false;
    const Private::Touched &touched = d->touchedOf(script);
    const size_t first = glyphs.size();
    qint64 x = pen;
    for (qsizetype i = start; i < end; ++i) {
        quint32 g = 0;
        qint32 advance = 0;
        if (!d->data.source->glyphFor(text[i].unicode(), g) || d->touches(touched, g)
            || !d->data.source->advanceOf(g, advance)) {
            glyphs.resize(first);
            return false;
        }
        glyphs.push_back({g, x, 0, x, i});
        x += rounded(advance);
    }
    pen = x;
    return true;
}

// Whether an item's glyphs are all of the pair kind: no lookup but plain
// advance adjustments may act on them.
bool TShaper::pairsApply(const QString &text, qsizetype start, qsizetype end, quint32 script)
{
    if (!d->plainAdvances)
        return false;
    const Private::Pairs &p = d->pairsOf(script);
    if (!p.usable)
        return false;
    for (qsizetype i = start; i < end; ++i) {
        quint32 g = 0;
        if (!d->data.source->glyphFor(text[i].unicode(), g) || hasBit(p.blocked, g))
            return false;
    }
    return true;
}

// The glyph a character ends up as in a pair-kind item: its own, or the
// one a single substitution put in its place (false: not learnt yet).
bool TShaper::finalGlyph(quint32 script, char32_t c, quint32 &glyph)
{
    Private::Pairs &p = d->pairsOf(script);
    if (!d->data.source->glyphFor(c, glyph))
        return false;
    if (!hasBit(p.substituted, glyph))
        return true;
    const auto it = p.glyphs.find(c);
    if (it == p.glyphs.end())
        return false;
    glyph = it->second;
    return true;
}

bool TShaper::layOutPairs(const QString &text, qsizetype start, qsizetype end, quint32 script,
                          std::vector<TShapedGlyph> &glyphs, qint64 &pen)
{
    if (!pairsApply(text, start, end, script))
        return false;
    Private::Pairs &p = d->pairsOf(script);
    const size_t first = glyphs.size();
    qint64 x = pen;
    for (qsizetype i = start; i < end; ++i) {
        const char32_t c = text[i].unicode();
        quint32 g = 0;
        qint32 advance = 0;
        bool known = finalGlyph(script, c, g) && !hasBit(p.blocked, g);
        if (!known) {
        } else if (hasBit(p.single, g)) {
            const auto it = p.singles.find(c);
            known = it != p.singles.end();
            advance = known ? it->second : 0;
        } else {
            known = d->data.source->advanceOf(g, advance);
        }
        if (known && i + 1 < end) {
            const auto it = p.pairs.find(quint64(c) << 32 | text[i + 1].unicode());
            known = it != p.pairs.end();
            advance += known ? it->second : 0;
        }
        if (!known) {   // not learnt yet: HarfBuzz shapes it (and teaches)
            glyphs.resize(first);
            return false;
        }
        glyphs.push_back({g, x, 0, x, i});
        x += rounded(advance);
    }
    pen = x;
    return true;
}

// What an item HarfBuzz shaped teaches, where it is of the pair kind: the
// advance of each single-adjusted character (from the last, which kerns
// with nothing), and the kerning of each pair whose first advance is known.
void TShaper::learnPairs(const QString &text, qsizetype start, qsizetype end, quint32 script,
                         const hb_glyph_info_t *infos, const hb_glyph_position_t *positions, unsigned count)
{
    if (count != unsigned(end - start) || !pairsApply(text, start, end, script))
        return;
    Private::Pairs &p = d->pairsOf(script);
    for (unsigned k = 0; k < count; ++k) {
        quint32 own = 0;
        d->data.source->glyphFor(text[start + qsizetype(k)].unicode(), own);
        if (infos[k].cluster != k || positions[k].x_offset || positions[k].y_offset || positions[k].y_advance
            || hasBit(p.blocked, infos[k].codepoint) || (infos[k].codepoint != own && !hasBit(p.substituted, own)))
            return;   // not of the pair kind after all
    }
    for (qsizetype i = start; i < end; ++i) {
        const char32_t c = text[i].unicode();
        const qint32 advance = positions[i - start].x_advance;
        const quint32 g = infos[i - start].codepoint;
        quint32 own = 0;
        d->data.source->glyphFor(c, own);
        if (hasBit(p.substituted, own))
            p.glyphs[c] = g;
        qint32 single = 0;
        bool known = true;
        if (hasBit(p.single, g)) {
            if (i + 1 == end)
                p.singles[c] = advance;
            const auto it = p.singles.find(c);
            known = it != p.singles.end();
            single = known ? it->second : 0;
        } else {
            known = d->data.source->advanceOf(g, single);
        }
        if (known && i + 1 < end)
            p.pairs[quint64(c) << 32 | text[i + 1].unicode()] = advance - single;
    }
}

bool TShaper::layOut(const QString &text, std::vector<TShapedGlyph> &glyphs, qint64 &width)
{
    glyphs.clear();
    width = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        quint32 g = 0;
        const char32_t c = text[i].unicode();
        if (!SimpleCharacter(c) || !d->data.source->glyphFor(c, g) || g == 0)
            return false;
    }
    // Script items as Qt's text engine makes them.
    std::vector<QChar::Script> scripts(size_t(n), QChar::Script_Common);
    {
        qsizetype start = 0;
        QChar::Script script = QChar::Script_Common;
        for (qsizetype i = 0; i < n; ++i) {
            const QChar::Script s = QChar::script(text[i].unicode());
            if (s == script || s <= QChar::Script_Common)
                continue;
            if (script <= QChar::Script_Common) {
                script = s;   // the common characters before join this script
                continue;
            }
            std::fill(scripts.begin() + start, scripts.begin() + i, script);
            start = i;
            script = s;
        }
        std::fill(scripts.begin() + start, scripts.end(), script);
    }
    const hb_feature_t kerning = {HB_TAG('k', 'e', 'r', 'n'), 1, 0, ~0u};
    d->data.exact = true;
    qint64 pen = 0;
    for (qsizetype start = 0; start < n;) {
        qsizetype end = start + 1;
        while (end < n && scripts[size_t(end)] == scripts[size_t(start)] && end - start < kMaxItemLength)
            ++end;
        const quint32 script = hbScript(scripts[size_t(start)]);
        if (layOutPlain(text, start, end, script, glyphs, pen) || layOutPairs(text, start, end, script, glyphs, pen)) {
            start = end;
            continue;
        }
        hb_buffer_clear_contents(d->buffer);
        hb_buffer_add_utf16(d->buffer, reinterpret_cast<const uint16_t *>(text.utf16()) + start, int(end - start), 0,
                            int(end - start));
        hb_segment_properties_t props = HB_SEGMENT_PROPERTIES_DEFAULT;
        props.direction = HB_DIRECTION_LTR;
        props.script = hbScript(scripts[size_t(start)]);
        hb_buffer_set_segment_properties(d->buffer, &props);
        hb_buffer_guess_segment_properties(d->buffer);
        hb_buffer_set_flags(d->buffer, HB_BUFFER_FLAG_DEFAULT);
        if (!hb_shape_full(d->font, d->buffer, &kerning, 1, nullptr) || !d->data.exact) {
            glyphs.clear();
            return false;
        }
        unsigned count = 0;
        const hb_glyph_info_t *info = hb_buffer_get_glyph_infos(d->buffer, &count);
        const hb_glyph_position_t *pos = hb_buffer_get_glyph_positions(d->buffer, nullptr);
        for (unsigned k = 0; k < count; ++k) {
            glyphs.push_back({info[k].codepoint, pen + pos[k].x_offset, qint64(pos[k].y_offset), pen,
                              start + qsizetype(info[k].cluster)});
            pen += rounded(pos[k].x_advance);
        }
        learnPairs(text, start, end, script, info, pos, count);
        start = end;
    }
    width = pen;
    return true;
}
