// libzintbar.so: GS1 DataBar and PDF417 (and any libzint symbology) drawn by
// libzint, composed into the picture Zebrix's main window shows.
#include "ZintBar.h"

#include "Modules.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#define ZINTBAR_EXPORT __attribute__((visibility("default")))

namespace {

// The zint_symbol fields used here are laid out as in the libzint series this
// plugin was compiled against (major × 10000 + minor × 100 + patch, found by
// the build). A library of another series may have moved them, so it is
// refused before any field is touched.
#ifndef ZINTBAR_BUILT_FOR_ZINT
#error "ZINTBAR_BUILT_FOR_ZINT must give the libzint version the plugin is built against"
#endif
constexpr int kBuiltForSeries = ZINTBAR_BUILT_FOR_ZINT / 100;

constexpr int kSpareEdge = 2;          // light columns/rows the caller's raster drawing cuts off
constexpr int kFrameWidth = 3;         // same thickness as the linear symbols' frame
constexpr double kMinScale = 0.5;      // libzint draws no finer than 1 pixel per module
constexpr double kMaxScale = 10.0;     // 20 pixels per module
constexpr std::int64_t kMaxSide = ZINTBAR_MAX_SIDE;
constexpr std::int64_t kMaxPixels = std::int64_t(64) << 20;
// Longer data than libzint's own limit only needs to be long enough to be
// refused by libzint with its "too long" text.
constexpr std::size_t kMaxDataBytes = std::size_t(1) << 24;

struct Output {
    ZintBarPicture picture{};
    std::vector<std::uint8_t> pixels;
    std::uint16_t error[128] = {};          // zero-terminated UTF-16; libzint's texts are shorter
};
thread_local Output tOutput;

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// UTF-16 (zero-terminated, null = empty) to UTF-8; an unpaired surrogate
// becomes U+FFFD. Stops once the result exceeds maxBytes.
std::string toUtf8(const std::uint16_t *text, std::size_t maxBytes)
{
    std::string out;
    if (!text)
        return out;
    for (const std::uint16_t *p = text; *p && out.size() <= maxBytes; ++p) {
        char32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

// libzint's messages are ASCII; anything else is widened byte by byte.
// No allocation: this also reports running out of memory.
void setError(const char *message)
{
    std::size_t n = 0;
    for (const char *p = message; p && *p && n + 1 < std::size(tOutput.error); ++p)
        tOutput.error[n++] = std::uint8_t(*p);
    tOutput.error[n] = 0;
}

const ZintBarPicture *fail(const char *message, const std::uint16_t **errorText)
{
    setError(message);
    if (errorText)
        *errorText = tOutput.error;
    return nullptr;
}

struct SymbolDeleter {
    void operator()(zint_symbol *s) const { ZBarcode_Delete(s); }
};
using Symbol = std::unique_ptr<zint_symbol, SymbolDeleter>;

struct Job {
    int symbology;
    int inputMode;
    const std::string *primary;
    const std::string *data;
    float scale;
    int outputOptions;
};

// Encodes the job at the given height (X-dimensions; 0 = libzint's
// default). On failure returns null and leaves libzint's text in `error`.
Symbol encode(const Job &job, float height, std::string &error)
{
    Symbol s(ZBarcode_Create());
    if (!s) {
        error = "Out of memory";
        return nullptr;
    }
    s->symbology = job.symbology;
    s->height = height;
    s->scale = job.scale;
    s->whitespace_width = 0;
    s->whitespace_height = 0;
    s->border_width = 0;
    s->output_options = job.outputOptions;
    s->input_mode = job.inputMode;
    s->show_hrt = 0;
    // An unknown number would otherwise draw Code 128 with a warning.
    s->warn_level = ZBarcode_ValidID(job.symbology) ? WARN_DEFAULT : WARN_FAIL_ALL;
    std::strncpy(s->primary, job.primary->c_str(), sizeof s->primary - 1);
    const int rc = ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char *>(job.data->data()),
                                   int(job.data->size()));
    if (rc >= ZINT_ERROR) {
        error = s->errtxt;
        return nullptr;
    }
    return s;
}

bool isDark(const unsigned char *px)
{
    return int(px[0]) + int(px[1]) + int(px[2]) < 3 * 128;
}

const ZintBarPicture *draw(std::int32_t symbology, const std::uint16_t *primary, const std::uint16_t *text,
                           double scale, std::int32_t barHeight, std::int32_t leftMargin, std::int32_t topMargin,
                           std::uint32_t barColor, std::uint32_t backColor, const ZintBarFont *font,
                           std::int32_t showText, std::int32_t frame, const std::uint16_t **errorText)
{
    const int version = ZBarcode_Version();
    if (version / 100 != kBuiltForSeries)
        return fail("libzint version not supported by this plugin", errorText);

    const int flags = symbology & ZINTBAR_FLAGS;
    symbology &= ~ZINTBAR_FLAGS;
    int inputMode = UNICODE_MODE;
    std::string data;
    if (flags & ZINTBAR_BYTES) {
        inputMode = DATA_MODE;
        for (const std::uint16_t *p = text; p && *p && data.size() <= kMaxDataBytes; ++p) {
            if (*p > 0xFF)
                return fail("Byte data with a unit above 255", errorText);
            data += char(*p);
        }
    } else {
        data = toUtf8(text, kMaxDataBytes);
    }
    if (flags & ZINTBAR_GS1)
        inputMode = GS1_MODE;
    const std::string primaryData = toUtf8(primary, kMaxDataBytes);
    if (primaryData.size() >= sizeof(zint_symbol::primary))
        return fail("Primary data too long", errorText);

    if (!std::isfinite(scale))
        scale = 1.0;
    scale = std::clamp(scale, kMinScale, kMaxScale);
    const double modulePixels = 2.0 * scale;

    int outputOptions = 0;
    if (font && (font->style & 1))
        outputOptions |= BOLD_TEXT;
    if (font && font->pointSize > 0 && font->pointSize < 8)
        outputOptions |= SMALL_TEXT;
    const Job job{symbology, inputMode, &primaryData, &data, float(scale), outputOptions};

    // First at libzint's default height, which for stacked symbols and PDF417
    // is made of the standard row heights; then at the asked height when
    // that applies.
    std::string error;
    Symbol s = encode(job, 0.0f, error);
    if (!s)
        return fail(error.c_str(), errorText);
    if (barHeight > 0) {
        const double wanted = barHeight / modulePixels;
        if (s->rows <= 1 || wanted > s->height) {
            s = encode(job, float(wanted), error);
            if (!s)
                return fail(error.c_str(), errorText);
        }
    }

    // The bars alone first: the rows a second drawing with text adds below
    // them are the text, drawn in the font's colour.
    if (ZBarcode_Buffer(s.get(), 0) >= ZINT_ERROR)
        return fail(s->errtxt, errorText);
    const int barRows = s->bitmap_height;
    if (showText) {
        s->show_hrt = 1;
        if (ZBarcode_Buffer(s.get(), 0) >= ZINT_ERROR)
            return fail(s->errtxt, errorText);
    }
    const unsigned char *bitmap = s->bitmap;
    const int bw = s->bitmap_width, bh = s->bitmap_height;
    if (!bitmap || bw <= 0 || bh <= 0)
        return fail("No picture from libzint", errorText);

    const std::int64_t left = std::max<std::int32_t>(leftMargin, 0);
    const std::int64_t top = std::max<std::int32_t>(topMargin, 0);
    const std::int64_t framedW = 2 * left + bw, framedH = 2 * top + bh;
    const std::int64_t width = framedW + kSpareEdge, height = framedH + kSpareEdge;
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        return fail("Picture too large", errorText);

    const std::uint32_t ink = font ? font->color : barColor;
    const int stride = int(width) * 3;
    std::vector<std::uint8_t> &pixels = tOutput.pixels;
    pixels.assign(std::size_t(stride) * std::size_t(height), 0);
    const modules::RgbView view{pixels.data(), int(width), int(height), stride};
    modules::Fill(view, 0, 0, width, height, backColor);

    // libzint's pixels as modules of one pixel: the bars in the bar colour,
    // the text rows below them in the font's.
    auto dark = [&](int x, int y) { return isDark(bitmap + (std::size_t(y) * std::size_t(bw) + std::size_t(x)) * 3); };
    modules::Paint(view, bw, barRows, left, top, 1, 1, dark, barColor);
    modules::Paint(
        view, bw, bh - barRows, left, top + barRows, 1, 1, [&](int x, int y) { return dark(x, y + barRows); }, ink);

    if (frame) {
        // Four bands inside the margins' outer edge, thinner when the
        // framed area is too small for them.
        const int w = int(framedW), h = int(framedH);
        int m = std::min(w / 2, h / 2);
        if (m > 0)
            --m;
        if (m > 0) {
            const int f = std::min(kFrameWidth, m);
            modules::Fill(view, 0, 0, w, f, barColor);
            modules::Fill(view, 0, h - f, w, h, barColor);
            modules::Fill(view, 0, f, f, h - f, barColor);
            modules::Fill(view, w - f, f, w, h - f, barColor);
        }
    }

    tOutput.picture = {std::int32_t(width), std::int32_t(height), stride, pixels.data()};
    setError("");
    if (errorText)
        *errorText = tOutput.error;
    return &tOutput.picture;
}

} // namespace

extern "C" ZINTBAR_EXPORT const ZintBarPicture *
ZintDll(int32_t symbology, const uint16_t *primary, const uint16_t *text, double scale, int32_t barHeight,
        int32_t leftMargin, int32_t topMargin, uint32_t barColor, uint32_t backColor, const ZintBarFont *font,
        int32_t showText, int32_t frame, const uint16_t **errorText)
{
    // Nothing may leave a C interface: a failure of any kind is an error text.
    try {
        return draw(symbology, primary, text, scale, barHeight, leftMargin, topMargin, barColor, backColor,
                    font, showText, frame, errorText);
    } catch (const std::bad_alloc &) {
        tOutput.pixels = {};
        return fail("Out of memory", errorText);
    } catch (...) {
        return fail("Internal error", errorText);
    }
}
