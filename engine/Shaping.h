// One line of text laid out the way Qt's text engine lays it out, without
// Qt's text engine: the same script items, shaped by the same HarfBuzz with
// the same face, the same glyph of every character and the same advance of
// every glyph, as Qt's own shaping would take them from its font engine.
//
// It covers the texts Zebrix meets on its symbols (digits, Latin, kana and
// kanji, punctuation) in one face; anything else (a character the face
// lacks, marks, controls, text running right to left, other scripts) is left
// to Qt.
#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

struct hb_face_t;
struct hb_glyph_info_t;
struct hb_glyph_position_t;

// Whether a character can be laid out here at all (its glyph aside):
// printable, no mark and no control, left to right, in the scripts above.
bool SimpleCharacter(char32_t c);

// Where the glyphs and advances of one face come from: Qt's font engine, or
// what Zebrix remembered of it.
class IGlyphSource
{
public:
    virtual ~IGlyphSource() = default;
    // The glyph Qt's font engine gives the character; false when unknown.
    // A glyph of 0 is no glyph (Qt would take another font).
    virtual bool glyphFor(char32_t c, quint32 &glyph) = 0;
    // The advance Qt's font engine gives the glyph, in 1/64 pixel.
    virtual bool advanceOf(quint32 glyph, qint32 &advance) = 0;
};

// A glyph of a laid-out line: its pen position in 1/64 pixel, x from the
// start of the line, y from the baseline (down positive).
struct TShapedGlyph {
    quint32 index;
    qint64 x, y;
    qint64 pen;        // the pen position before the glyph (x less its offset)
    qsizetype cluster; // the first character it stands for
};

// A face and size to shape with. Not thread-safe: one per thread.
class TShaper
{
public:
    // face: the font's tables (the reference is taken); pixelSize: the
    // font's size in whole pixels; roundAdvances: Qt rounds every advance
    // to whole pixels (fonts without sub-pixel positions).
    TShaper(hb_face_t *face, int pixelSize, bool roundAdvances, IGlyphSource *source);
    ~TShaper();
    TShaper(const TShaper &) = delete;
    TShaper &operator=(const TShaper &) = delete;

    bool roundAdvances() const { return m_round; }
    // An advance in 26.6 units, to whole pixels when advances are rounded.
    qint64 rounded(qint64 advance) const { return m_round ? (advance + 32) & ~qint64(63) : advance; }

    // Lays out the text as one line. False, with nothing in glyphs, when it
    // cannot say where Qt would put every glyph: a character that is not
    // simple or has no glyph in this face, or shaping that needs more of the
    // font than the glyph source holds. width: the line's advance, 1/64 px.
    bool layOut(const QString &text, std::vector<TShapedGlyph> &glyphs, qint64 &width);

    // The glyphs some lookup of a script's shaping may act on: the input
    // glyphs of every GSUB and GPOS lookup HarfBuzz's plan for the script
    // holds. A script item of other glyphs alone is laid out by its advances
    // without shaping it (where the face has no kerning outside GPOS and no
    // AAT tables). Worked out from the face when first needed; a record may
    // hand them over (hbScript: the script's hb_script_t).
    const std::vector<quint32> &touchedGlyphs(quint32 hbScript);
    void setTouchedGlyphs(quint32 hbScript, std::vector<quint32> glyphs);

private:
    // An item of glyphs no lookup touches, laid out by its advances; false
    // (nothing added) otherwise.
    bool layOutPlain(const QString &text, qsizetype start, qsizetype end, quint32 script,
                     std::vector<TShapedGlyph> &glyphs, qint64 &pen);
    // The same for an item that lookups touch only by plain advance
    // adjustments: each glyph's advance and the kerning of each pair, as
    // learnt from items HarfBuzz shaped before; false when any is not known.
    bool layOutPairs(const QString &text, qsizetype start, qsizetype end, quint32 script,
                     std::vector<TShapedGlyph> &glyphs, qint64 &pen);
    bool pairsApply(const QString &text, qsizetype start, qsizetype end, quint32 script);
    bool finalGlyph(quint32 script, char32_t c, quint32 &glyph);
    void learnPairs(const QString &text, qsizetype start, qsizetype end, quint32 script, const hb_glyph_info_t *infos,
                    const hb_glyph_position_t *positions, unsigned count);

    struct Private;
    std::unique_ptr<Private> d;
    bool m_round;
};
