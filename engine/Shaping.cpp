#include "Shaping.h"

#include <QChar>

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

} // namespace

bool SimpleCharacter(char32_t c)
{
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
    hb_font_t *font = nullptr;
    hb_buffer_t *buffer = nullptr;
};

TShaper::TShaper(hb_face_t *face, int pixelSize, bool roundAdvances, IGlyphSource *source)
    : d(std::make_unique<Private>()), m_round(roundAdvances)
{
    d->data.source = source;
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
            qint64 advance = pos[k].x_advance;
            if (m_round)
                advance = (advance + 32) & ~qint64(63);
            glyphs.push_back({info[k].codepoint, pen + pos[k].x_offset, qint64(pos[k].y_offset), pen,
                              start + qsizetype(info[k].cluster)});
            pen += advance;
        }
        start = end;
    }
    width = pen;
    return true;
}
