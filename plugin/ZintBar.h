/* ZintBar.h: the call interface of Zebrix's stacked-symbol plugin
 * libzintbar.so, which draws GS1 DataBar and PDF417 (and any other libzint
 * symbology) for the main window. Usable from C and C++.
 *
 * The main window looks for the plugin beside its executable, loads it with
 * dlopen and resolves the one export "ZintDll" (C calling convention). */
#ifndef ZEBRIX_ZINTBAR_H
#define ZEBRIX_ZINTBAR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The largest side of a picture the plugin draws, in pixels; a symbol that
 * would be larger is an error. */
#define ZINTBAR_MAX_SIDE 32767

/* A picture drawn by the plugin: 24-bit RGB rows (R, G, B bytes per pixel),
 * top row first, `stride` bytes from one row to the next (width * 3). */
typedef struct ZintBarPicture {
    int32_t width, height;
    int32_t stride;
    const uint8_t *rgb;
} ZintBarPicture;

/* The font of the human-readable text. libzint draws with its own raster
 * font; of this description only `style` bit 1 (bold), a small `pointSize`
 * (below 8 points: libzint's small text) and `color` are used. */
typedef struct ZintBarFont {
    const uint16_t *name;   /* UTF-16 family name, zero-terminated; may be null */
    int32_t pointSize;
    int32_t style;          /* 1 bold, 2 italic, 4 underline, 8 strikeout */
    uint32_t color;         /* 0x00BBGGRR */
} ZintBarFont;

/* Flags the caller may add to a symbology number (libzint's numbers are all
 * below 256; a number with other bits above them is an error). */
#define ZINTBAR_GS1 0x10000    /* text is a GS1 element string written as fields
                                * "[AI]value": libzint's GS1 mode (GS1 DataMatrix) */
#define ZINTBAR_BYTES 0x20000  /* every UTF-16 unit of text is one byte (0 to 255):
                                * libzint's binary mode, for data with escapes decoded */
#define ZINTBAR_FLAGS (ZINTBAR_GS1 | ZINTBAR_BYTES)

/* Draws one symbol.
 *
 * symbology   libzint's symbology number: 30 GS1 DataBar Limited, 79 DataBar
 *             Stacked, 29 DataBar, 80 DataBar Stacked Omnidirectional,
 *             55 PDF417, 56 PDF417 truncated, or any other libzint number.
 *             A number libzint does not know is an error (libzint's
 *             "Symbology out of range"), never a silent substitute. The
 *             flags ZINTBAR_GS1 and ZINTBAR_BYTES may be added.
 * primary     libzint's primary message (composite symbols); Zebrix always
 *             passes an empty string. May be null.
 * text        the data, UTF-16, zero-terminated; null reads as empty. It goes
 *             to libzint as UTF-8 (libzint's Unicode mode: PDF417 encodes
 *             Latin-1 directly and anything else under ECI 26). An unpaired
 *             surrogate becomes U+FFFD. With ZINTBAR_BYTES every unit is one
 *             byte (a unit above 255 is an error); with ZINTBAR_GS1 libzint
 *             checks the element string once more.
 * scale       libzint's raster scale: a module is 2 × scale pixels wide
 *             (1.0 → 2 px, 2.0 → 4 px, 3.0 → 6 px). Clamped to 0.5 .. 10;
 *             a value that is not finite reads as 1.0.
 * barHeight   height of the bars in pixels, human-readable text not included.
 *             Single-row symbols take it as given; stacked symbols and PDF417
 *             take it as the whole symbol height but never get less than
 *             libzint's standard row heights. 0 or less: libzint's default.
 * leftMargin  light columns in pixels left AND right of the symbol (0 or more;
 *             negative reads as 0). The symbol itself is drawn without
 *             libzint's whitespace or quiet zones: these margins are the
 *             quiet zones.
 * topMargin   light rows in pixels above AND below the symbol (likewise).
 * barColor    colour of the bars and the frame, 0x00BBGGRR.
 * backColor   colour of the spaces and margins, 0x00BBGGRR.
 * font        the human-readable text's font and colour; null: normal
 *             weight in barColor.
 * showText    non-zero: libzint's human-readable line under the symbol
 *             ("(01)" and the GTIN for DataBar and DataBar Limited; the
 *             stacked kinds and PDF417 have none).
 * frame       non-zero: a 3-pixel frame in barColor along the outer edge of
 *             the margins (lying over the symbol where the margins are
 *             narrower), made thinner when the picture is too small for it.
 * errorText   out: set to an empty string on success, to libzint's error
 *             text (UTF-16) on failure. May be null.
 *
 * Layout, from the top left: topMargin rows, the symbol (with its text),
 * topMargin rows, then two spare light rows; leftMargin columns, the symbol,
 * leftMargin columns, then two spare light columns. The main window's raster
 * drawing cuts the picture's last two columns and rows; the spare ones are
 * what it cuts, so the frame survives.
 *
 * Returns the picture, or null on failure. Success exactly when *errorText
 * is empty and the result is not null. The picture and the error text belong
 * to the plugin (thread-local storage): they stay valid until the next call
 * on the same thread, and the caller never releases them. Warnings of
 * libzint (e.g. an ECI added to PDF417) are not failures. Never throws. */
const ZintBarPicture *ZintDll(int32_t symbology, const uint16_t *primary, const uint16_t *text,
                              double scale, int32_t barHeight, int32_t leftMargin, int32_t topMargin,
                              uint32_t barColor, uint32_t backColor, const ZintBarFont *font,
                              int32_t showText, int32_t frame, const uint16_t **errorText);

/* The type of ZintDll, for dlsym. */
typedef const ZintBarPicture *(*ZintDllProc)(int32_t symbology, const uint16_t *primary,
                                             const uint16_t *text, double scale, int32_t barHeight,
                                             int32_t leftMargin, int32_t topMargin, uint32_t barColor,
                                             uint32_t backColor, const ZintBarFont *font,
                                             int32_t showText, int32_t frame,
                                             const uint16_t **errorText);

#ifdef __cplusplus
}
#endif

#endif /* ZEBRIX_ZINTBAR_H */
