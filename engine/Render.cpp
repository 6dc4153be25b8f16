// The two renderers of TBarImage: a 24-bit raster and a recorded metafile,
// sharing one layout and one drawing order.
#include "BarImage.h"
#include "Text.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <vector>

// A drawing surface: the component's bitmap, or the metafile being recorded.
// Coordinates are 64-bit: the layout adds up properties that each may be
// anywhere in the integer range. What falls outside the picture is lost.
class TSurface
{
public:
    // A bar: [x, x + w) horizontally.
    struct Run { qint64 x; int w; };

    virtual ~TSurface() = default;
    // Fills [x, x + w) x [y, y + h).
    virtual void fillRect(qint64 x, qint64 y, qint64 w, qint64 h, TColor c) = 0;
    // Text with its top-left corner at (x, y), background untouched.
    virtual void drawText(qint64 x, qint64 y, const QString &text, const QFont &font, TColor c) = 0;
    // The bars of a linear symbol, all from row y down to y + h. The raster
    // draws each as one-pixel vertical lines (the same pixels as a fill); the
    // metafile records one rectangle per bar.
    virtual void bars(const std::vector<Run> &runs, qint64 y, qint64 h, TColor c)
    {
        for (const Run &r : runs)
            fillRect(r.x, y, r.w, h, c);
    }
};

namespace {

class TRasterSurface final : public TSurface
{
public:
    // uniform: the bar area was just filled with one colour, so a finished
    // row of bars can be copied down whole.
    TRasterSurface(QImage &img, bool uniform)
        : m_img(img), m_uniform(uniform)
    {
        if (!img.isNull()) {
            m_bits = img.bits();   // detaches once
            m_stride = img.bytesPerLine();
        }
    }
    ~TRasterSurface() override { if (m_painter.isActive()) m_painter.end(); }

    void fillRect(qint64 x, qint64 y, qint64 w, qint64 h, TColor c) override
    {
        int l, t, r, b;
        if (!clip(x, y, w, h, l, t, r, b))
            return;
        endPainter();
        uchar *first = pixel(l, t);
        paintRow(first, r - l, c);
        for (int yy = t + 1; yy < b; ++yy)
            std::memcpy(pixel(l, yy), first, size_t(r - l) * 3);
    }

    void bars(const std::vector<Run> &runs, qint64 y, qint64 h, TColor c) override
    {
        if (runs.empty())
            return;
        if (!m_uniform)
            return TSurface::bars(runs, y, h, c);
        // Draw the first row of the bars, then copy the whole span down.
        const qint64 x0 = runs.front().x, x1 = runs.back().x + runs.back().w;
        int l, t, r, b;
        if (!clip(x0, y, x1 - x0, h, l, t, r, b))
            return;
        endPainter();
        for (const Run &run : runs) {
            const qint64 rl = std::max<qint64>(run.x, l), rr = std::min<qint64>(run.x + run.w, r);
            if (rl < rr)
                paintRow(pixel(int(rl), t), int(rr - rl), c);
        }
        const uchar *first = pixel(l, t);
        for (int yy = t + 1; yy < b; ++yy)
            std::memcpy(pixel(l, yy), first, size_t(r - l) * 3);
    }

    void drawText(qint64 x, qint64 y, const QString &text, const QFont &font, TColor c) override
    {
        if (!TextAvailable() || m_img.isNull())
            return;
        if (!m_painter.isActive() && BlitText(m_img, x, y, text, font, ToQColor(c)))
            return;
        if (!QtTextAvailable())
            return;   // QPainter's text needs Qt's fonts (the text was left out)
        // QPainter gets only text that reaches into the picture, so its
        // coordinates stay small.
        if (x >= m_img.width() || y >= m_img.height() || y + TextHeight(font) <= 0
            || (x < 0 && x + TextWidth(font, text) <= 0))
            return;
        if (!m_painter.isActive()) {
            m_painter.begin(&m_img);
            m_painter.setRenderHint(QPainter::Antialiasing, false);
            m_painter.setRenderHint(QPainter::TextAntialiasing, true);
        }
        DrawText(m_painter, int(x), int(y), text, font, ToQColor(c));
    }

private:
    // Intersects [x, x + w) x [y, y + h) with the bitmap: drawing outside it is lost.
    bool clip(qint64 x, qint64 y, qint64 w, qint64 h, int &l, int &t, int &r, int &b) const
    {
        l = int(std::clamp<qint64>(x, 0, m_img.width()));
        t = int(std::clamp<qint64>(y, 0, m_img.height()));
        r = int(std::clamp<qint64>(x + w, 0, m_img.width()));
        b = int(std::clamp<qint64>(y + h, 0, m_img.height()));
        return m_bits && l < r && t < b;
    }
    uchar *pixel(int x, int y) const { return m_bits + qsizetype(y) * m_stride + qsizetype(x) * 3; }
    static void paintRow(uchar *p, int n, TColor c)
    {
        const uchar r = uchar(c & 0xFF), g = uchar((c >> 8) & 0xFF), b = uchar((c >> 16) & 0xFF);
        if (r == g && g == b) {
            std::memset(p, r, size_t(n) * 3);
            return;
        }
        for (int i = 0; i < n; ++i, p += 3) {
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
    // Pixels are written directly; a painter used for text must let go first.
    void endPainter()
    {
        if (m_painter.isActive())
            m_painter.end();
    }

    QImage &m_img;
    bool m_uniform;
    uchar *m_bits = nullptr;
    qsizetype m_stride = 0;
    QPainter m_painter;
};

// Rectangles are recorded as far as they lie inside the picture.
class TMetafileSurface final : public TSurface
{
public:
    explicit TMetafileSurface(TMetafile &mf) : m_mf(mf) {}
    void fillRect(qint64 x, qint64 y, qint64 w, qint64 h, TColor c) override
    {
        const qint64 l = std::clamp<qint64>(x, 0, m_mf.width()), t = std::clamp<qint64>(y, 0, m_mf.height());
        const qint64 r = std::clamp<qint64>(x + w, 0, m_mf.width()), b = std::clamp<qint64>(y + h, 0, m_mf.height());
        m_mf.fillRect(QRect(int(l), int(t), int(r - l), int(b - t)), c);
    }
    void drawText(qint64 x, qint64 y, const QString &text, const QFont &font, TColor c) override
    {
        if (TextAvailable() && x >= INT_MIN && x <= INT_MAX && y >= INT_MIN && y <= INT_MAX)
            m_mf.drawText(QPoint(int(x), int(y)), text, font, c);
    }

private:
    TMetafile &m_mf;
};

} // namespace

// Layout quantities of one drawing, in pixels.
struct TBarImage::Layout {
    QFont font;                 // BarFont at the reference DPI
    int tw = 0, th = 0;         // human-readable text
    int uw = 0, uh = 0;         // CommentUp
    int dw = 0, dh = 0;         // CommentDown
    qint64 pw = 0;              // pattern width
    int bl = 0;                 // bar length
    qint64 W = 0, H = 0;        // picture extent
    qint64 X0 = 0, Y0 = 0;      // origin of the bars
    int bx = 0, sx = 0;         // offsets of bars and text from X0
    qint64 pad = 0;             // ITF-14: quiet zone and bearer bar left and right of the bars
    int bearer = 0;             // ITF-14: bearer bar thickness
    int aw = 0;                 // JAN with an add-on: the add-on's text (tw: the main symbol's)
};

namespace {
// GS1-128, ITF-14 and JAN with an add-on always print the encoder's text: the
// AIs in parentheses, the check digit, the add-on's digits apart.
bool printsEncoderText(TBarTypes t) { return t >= cbarGS1128; }
} // namespace

const QFont &TBarImage::DrawFont() const
{
    // BarFont at the reference DPI, worked out again only when either changes.
    if (!FDrawFontValid || FDrawFontDpi != ReferenceDpi()) {
        FDrawFont = TMetaFont::fromQFont(FBarFont).toQFont();
        FDrawFontDpi = ReferenceDpi();
        FDrawFontValid = true;
    }
    return FDrawFont;
}

bool TBarImage::MeasureText(Layout &l)
{
    const bool text = (FSymbolDisp && !FSymbol.isEmpty()) || !FCommentUp.isEmpty() || !FCommentDown.isEmpty();
    if (!text || !TextAvailable())
        return true;
    l.font = DrawFont();
    const int lineHeight = TextLineHeight();
    if (FSymbolDisp && !FSymbol.isEmpty()) {
        l.tw = TextWidth(l.font, FSymbol);
        l.th = lineHeight;
    }
    if (!FCommentUp.isEmpty()) {
        l.uw = TextWidth(l.font, FCommentUp);
        l.uh = lineHeight;
    }
    if (!FCommentDown.isEmpty()) {
        l.dw = TextWidth(l.font, FCommentDown);
        l.dh = lineHeight;
    }
    return true;
}

int TBarImage::TextLineHeight() const
{
    return TextAvailable() ? TextHeight(DrawFont()) : 0;
}

int TBarImage::MeasureCustomerWidth(const std::string &pattern, int scale)
{
    // A column is inked when it has any of the three thirds.
    qint64 first = -1, last = -1;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if ((pattern[i] - '0') & 7) {
            if (first < 0)
                first = qint64(i);
            last = qint64(i);
        }
    }
    if (first < 0)
        return 0;
    const qint64 w = (last - first + 2) * scale;
    return int(std::min<qint64>(w, std::numeric_limits<int>::max()));
}

bool TBarImage::MakeLayout(Layout &l)
{
    MeasureText(l);
    const bool customer = FBarType == cbarCUSTOMER;
    const bool addOn = FBarType == cbarJANADD;
    if (FBarType == cbarITF14) {
        l.bearer = kITF14BearerBar * FScale;
        l.pad = qint64(kITF14QuietZone + kITF14BearerBar) * FScale;
    }
    if (addOn && l.th > 0) {
        // Two texts on one line height: the main symbol's under it, the
        // add-on's over the add-on.
        const qsizetype space = FSymbol.lastIndexOf(u' ');
        l.tw = TextWidth(l.font, FSymbol.left(space));
        l.aw = TextWidth(l.font, FSymbol.mid(space + 1));
    }
    if (customer) {
        l.pw = MeasureCustomerWidth(FPattern);
        l.bl = 6 * FScale;
    } else {
        for (char d : FPattern)
            l.pw += ElementWidth(d);
        // The bars are at least 6 pixels long (the add-on's under their text
        // too); the raised height stays.
        const int shortest = (addOn ? 2 * l.th : l.th) + 6;
        if (FBarHeight < shortest)
            FBarHeight = shortest;
        l.bl = FBarHeight - l.th;
    }
    if (l.pw <= 0)
        return false;
    const qint64 body = l.pw + 2 * l.pad;   // bars, with ITF-14's quiet zones and bearer bars
    if (body > kMaxPictureSide)
        return false;   // no picture can hold it
    FBarWidth = int(std::max<qint64>(body, l.tw));
    if (customer)
        FBarHeight = l.bl + l.th;
    // The narrower of bars and text is centred under or over the wider; the
    // add-on's main text under the main symbol alone.
    const qint64 under = addOn ? qint64(kJANMainModules) * FScale : body;
    if (l.tw < body) {
        l.bx = 0;
        l.sx = int(std::max<qint64>(under - l.tw, 0) / 2);
    } else {
        l.bx = int((l.tw - body) / 2);
        l.sx = 0;
    }
    l.W = qint64(FBarLeft) + FBarSpaceLeft + FBarWidth + FBarSpaceRight;
    l.H = qint64(FBarTop) + FBarSpaceUp + FBarHeight + 2 * l.bearer + FBarSpaceDown;
    l.X0 = qint64(FBarLeft) + FBarSpaceLeft;
    l.Y0 = qint64(FBarTop) + FBarSpaceUp;
    return true;
}

static bool fitsPicture(qint64 w, qint64 h)
{
    return w >= 1 && h >= 1 && w <= kMaxPictureSide && h <= kMaxPictureSide;
}

void TBarImage::DrawFrame(TSurface &s, qint64 L, qint64 T, qint64 R, qint64 B)
{
    qint64 m = std::min((R - L) / 2, (B - T) / 2);
    if (m > 0)
        --m;
    if (m <= 0)
        return;
    if (m < FBarFrame)
        FBarFrame = TFrameSize(m);
    const qint64 f = FBarFrame;
    s.fillRect(L, T, R - L, f, FBarColor);
    s.fillRect(L, B - f, R - L, f, FBarColor);
    s.fillRect(L, T + f, f, B - T - 2 * f, FBarColor);
    s.fillRect(R - f, T + f, f, B - T - 2 * f, FBarColor);
}

void TBarImage::DrawCustomerColumn(TSurface &s, const Layout &l, int bx, int i, int mask)
{
    // Column i lies one module left of position i, so column 0 sits in the
    // quiet zone just left of X0.
    const int sc = FScale;
    const qint64 x = l.X0 + bx + qint64(i - 1) * sc;
    static constexpr int kThirds[3][2] = {{4, 0}, {2, 1}, {1, 2}};   // bit, third from the top
    for (const auto &t : kThirds)
        if (mask & t[0])
            s.fillRect(x, l.Y0 + 2 * t[1] * sc, sc, 2 * sc, FBarColor);
}

void TBarImage::Draw(TSurface &s, const Layout &l)
{
    const bool raster = FBarPicture == pbarBMP;
    // Bars.
    if (FBarType == cbarCUSTOMER && raster) {
        // The same pixels as DrawCustomerColumn column by column, drawn third
        // by third: the inked thirds of one height as one row of bars.
        const int sc = FScale;
        static constexpr int kThirds[3][2] = {{4, 0}, {2, 1}, {1, 2}};   // bit, third from the top
        std::vector<TSurface::Run> runs;
        runs.reserve(FPattern.size());
        for (const auto &t : kThirds) {
            runs.clear();
            qint64 x = l.X0 + l.bx - sc;   // column i lies one module left of position i
            for (char d : FPattern) {
                if ((d - '0') & t[0]) {
                    if (!runs.empty() && runs.back().x + runs.back().w == x)
                        runs.back().w += sc;
                    else
                        runs.push_back({x, sc});
                }
                x += sc;
            }
            s.bars(runs, l.Y0 + 2 * t[1] * sc, 2 * sc, FBarColor);
        }
    } else if (FBarType == cbarCUSTOMER) {
        int i = 0;
        for (char d : FPattern)
            DrawCustomerColumn(s, l, l.bx, i++, d - '0');
    } else {
        qint64 x = l.X0 + l.bx + l.pad;
        const qint64 y = l.Y0 + l.bearer;
        // In the raster, every odd element of a Code 128 pattern is a space
        // whatever its digit: its elements strictly alternate.
        const bool alternate = raster && (FBarType == cbarCODE128 || FBarType == cbarGS1128);
        // A JAN add-on's elements are one module each; its bars start below its text.
        const size_t addOnFrom = FBarType == cbarJANADD ? size_t(kJANAddOnStart) : FPattern.size();
        std::vector<TSurface::Run> runs, addOnRuns;
        runs.reserve(FPattern.size() / 2 + 1);
        size_t pos = 0;
        for (char d : FPattern) {
            const int w = ElementWidth(d);
            const bool isBar = ((d - '0') & 1) && !(alternate && (pos & 1));
            if (isBar && w > 0)
                (pos < addOnFrom ? runs : addOnRuns).push_back({x, w});
            x += w;
            ++pos;
        }
        s.bars(runs, y, l.bl, FBarColor);
        s.bars(addOnRuns, y + l.th, l.bl - l.th, FBarColor);
        if (l.bearer > 0) {
            // ITF-14's bearer bars around bars and quiet zones.
            const qint64 bl = l.X0 + l.bx, bw = l.pw + 2 * l.pad, f = l.bearer;
            s.fillRect(bl, l.Y0, bw, f, FBarColor);
            s.fillRect(bl, y + l.bl, bw, f, FBarColor);
            s.fillRect(bl, y, f, l.bl, FBarColor);
            s.fillRect(bl + bw - f, y, f, l.bl, FBarColor);
        }
    }
    // Human-readable text directly under the bars (and ITF-14's bottom
    // bearer bar); a JAN add-on's digits over the add-on.
    if (!FSymbol.isEmpty() && FSymbolDisp) {
        if (FBarType == cbarJANADD) {
            const qsizetype space = FSymbol.lastIndexOf(u' ');
            const qint64 addOnWidth = l.pw - qint64(kJANAddOnStart) * FScale;
            const qint64 ax = l.X0 + l.bx + qint64(kJANAddOnStart) * FScale + std::max<qint64>(addOnWidth - l.aw, 0) / 2;
            s.drawText(l.X0 + l.sx, l.Y0 + l.bl, FSymbol.left(space), l.font, FBarFontColor);
            s.drawText(ax, l.Y0, FSymbol.mid(space + 1), l.font, FBarFontColor);
        } else {
            s.drawText(l.X0 + l.sx, l.Y0 + l.bl + 2 * l.bearer, FSymbol, l.font, FBarFontColor);
        }
    }
    // Frame: ITF's bearer bars enclose the bars and quiet zones only.
    const qint64 left = FBarLeft, top = FBarTop;
    const qint64 span = qint64(FBarSpaceLeft) + FBarWidth + FBarSpaceRight;
    if (FBarFrame > 0) {
        if (FBarType == cbarITF)
            DrawFrame(s, left, l.Y0, left + span, l.Y0 + l.bl);
        else
            DrawFrame(s, left, top + l.uh, left + span, l.H - l.dh);
    }
    // Comments, aligned within the quiet zones and the symbol.
    auto offset = [span](int cw, TLocation loc) {
        qint64 a = 0;
        if (loc == locCenter)
            a = (span - cw) / 2;
        else if (loc == locRight)
            a = span - cw;
        return std::max<qint64>(a, 0);
    };
    if (!FCommentUp.isEmpty())
        s.drawText(left + offset(l.uw, FCommentUpLoc), top, FCommentUp, l.font, FBarFontColor);
    if (!FCommentDown.isEmpty())
        s.drawText(left + offset(l.dw, FCommentDownLoc), l.H - l.dh, FCommentDown, l.font, FBarFontColor);
}

// The common front of both renderers: encode, lay out, draw in the picture
// kind, and leave AutoSize and Stretch as they were.
void TBarImage::Render(bool raster)
{
    FBarDisped = false;
    if (FCode.isEmpty())
        return;   // nothing drawn, Error keeps its value
    const bool autoSize = AutoSize(), stretch = Stretch();
    setAutoSize(false);
    setStretch(false);
    Error = false;
    Layout l;
    bool ok = Encode();
    if (ok) {
        if (!ShowStartStop && !printsEncoderText(FBarType))
            FSymbol = FCode;
        ok = MakeLayout(l) && (raster ? DrawRaster(l) : DrawMetafile(l));
    }
    setAutoSize(autoSize);
    setStretch(stretch);
    if (!ok) {
        Error = true;
        return;
    }
    FBarDisped = true;
}

bool TBarImage::DrawRaster(const Layout &l)
{
    TPicture &pic = Picture();
    if (FMatch) {
        if (!fitsPicture(l.W, l.H))
            return false;
        setSize(int(l.W), int(l.H));
        if (!pic.resizeBitmap(Width(), Height()))
            return false;
    }
    TRasterSurface s(pic.bitmap(), !FTransparent);
    if (!FTransparent) {
        if (FMatch)
            s.fillRect(0, 0, l.W, l.H, FBackColor);
        else   // the rectangle from (BarLeft, BarTop) to (W, H)
            s.fillRect(FBarLeft, FBarTop, l.W - FBarLeft, l.H - FBarTop, FBackColor);
    }
    Draw(s, l);
    return true;
}

bool TBarImage::DrawMetafile(const Layout &l)
{
    if (!fitsPicture(l.W, l.H))
        return false;
    // A metafile always fits the drawing.
    setSize(int(l.W), int(l.H));
    TMetafile mf(Width(), Height());
    TMetafileSurface s(mf);
    s.fillRect(0, 0, Width(), Height(), FBackColor);
    Draw(s, l);
    // The finished metafile reports one pixel more in each direction.
    mf.setSize(mf.width() + 1, mf.height() + 1);
    Picture().setMetafile(std::move(mf));
    return true;
}
