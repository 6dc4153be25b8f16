// TBarImage: Zebrix's barcode component. Its properties describe one linear
// barcode job; every change that affects the picture encodes the data again
// and redraws the picture at once (when there is data).
#pragma once

#include "Encoders.h"
#include "Image.h"
#include "Metafile.h"

#include <QFont>
#include <QString>
#include <functional>
#include <string>

enum TBarPictures : unsigned char { pbarBMP, pbarEMF, pbarWMF };
enum TLocation : unsigned char { locLeft, locCenter, locRight };

// Subranges of the job properties.
using TSCale = unsigned char;          // 1..10: pixels per module
using TElementRatio = unsigned char;   // 20..30: wide-to-narrow ratio x 10
using TFrameSize = unsigned char;      // 0..100: frame thickness in pixels
inline constexpr int kScaleMin = 1, kScaleMax = 10;
inline constexpr int kRatioMin = 20, kRatioMax = 30;
inline constexpr int kFrameMin = 0, kFrameMax = 100;

class IClipboard;
class TSurface;

class TBarImage : public TImage
{
public:
    using TNotifyEvent = std::function<void(TBarImage &)>;

    TBarImage();
    ~TBarImage() override;

    // --- Published properties, in declaration order ------------------------
    TBarTypes BarType() const { return FBarType; }
    void setBarType(TBarTypes v);
    const QString &Code() const { return FCode; }
    void setCode(const QString &v);
    const QString &CommentUp() const { return FCommentUp; }
    void setCommentUp(const QString &v);
    TLocation CommentUpLoc() const { return FCommentUpLoc; }
    void setCommentUpLoc(TLocation v);
    const QString &CommentDown() const { return FCommentDown; }
    void setCommentDown(const QString &v);
    TLocation CommentDownLoc() const { return FCommentDownLoc; }
    void setCommentDownLoc(TLocation v);
    // "A".."D"; anything else is stored as "A".
    QChar StartChar() const { return FStartChar; }
    void setStartChar(QChar v);
    QChar StopChar() const { return FStopChar; }
    void setStopChar(QChar v);
    bool CD() const { return FCD; }
    void setCD(bool v);
    TSCale Scale() const { return FScale; }
    void setScale(TSCale v);
    bool SymbolDisp() const { return FSymbolDisp; }
    void setSymbolDisp(bool v);
    // The font of the human-readable text and the comments; its colour is
    // the text colour (FBarFontColor, 0x00BBGGRR).
    const QFont &BarFont() const { return FBarFont; }
    TColor BarFontColor() const { return FBarFontColor; }
    // Copies the font's attributes into the component's own font. A null
    // font, or the component's own font object, is ignored.
    void setBarFont(const QFont *font, TColor color = 0);
    bool Transparent() const { return FTransparent; }
    void setTransparent(bool v);
    TColor BarColor() const { return FBarColor; }
    void setBarColor(TColor v);
    TColor BackColor() const { return FBackColor; }
    void setBackColor(TColor v);
    int BarWidth() const { return FBarWidth; }           // read-only
    int BarHeight() const { return FBarHeight; }
    void setBarHeight(int v);
    int BarLeft() const { return FBarLeft; }
    void setBarLeft(int v);
    int BarTop() const { return FBarTop; }
    void setBarTop(int v);
    int BarSpaceUp() const { return FBarSpaceUp; }
    void setBarSpaceUp(int v);
    int BarSpaceDown() const { return FBarSpaceDown; }
    void setBarSpaceDown(int v);
    int BarSpaceLeft() const { return FBarSpaceLeft; }
    void setBarSpaceLeft(int v);
    int BarSpaceRight() const { return FBarSpaceRight; }
    void setBarSpaceRight(int v);
    bool Match() const { return FMatch; }
    void setMatch(bool v);
    TBarPictures BarPicture() const { return FBarPicture; }
    void setBarPicture(TBarPictures v);
    TElementRatio ElementRatio() const { return FElementRatio; }
    void setElementRatio(TElementRatio v);
    bool BarEnabled() const { return FBarEnabled; }
    void setBarEnabled(bool v);
    bool BarDisped() const { return FBarDisped; }        // read-only
    TFrameSize BarFrame() const { return FBarFrame; }
    void setBarFrame(TFrameSize v);

    // --- Plain fields: writing them never redraws ---------------------------
    bool Error = false;           // the last drawing failed
    bool ShowStartStop = false;   // print the encoder's text instead of Code
    TNotifyEvent OnPaintBar;      // at the start of every drawing
    TNotifyEvent OnPaintedBar;    // after every drawing while BarEnabled
    bool StartStopChar = false;   // encoders put start/stop characters in their text

    // The human-readable text printed under the bars.
    const QString &Symbol() const { return FSymbol; }

    // --- Operations ----------------------------------------------------------
    // Puts the current picture on the clipboard: the bitmap, the enhanced
    // metafile, or (pbarWMF) the Windows-metafile form. Returns false when
    // the clipboard refused it (or there is no clipboard).
    virtual bool CopyToClipboard();
    virtual void RepaintBarcode();
    // Code as UPC-A (11 digits) to UPC-E and redraw; BarDisped tells whether
    // it worked. RepaintUPCE2A is the reverse.
    virtual void RepaintUPCA2E();
    virtual void RepaintUPCE2A();

    // The module pattern of the last encoding (empty after a rejection).
    const std::string &Pattern() const { return FPattern; }
    // Why the last encoding rejected the data (Kind rejNone after a success).
    const TRejectReason &Reason() const { return FReason; }

    // Pixel width of one pattern element of this component's symbology.
    int ElementWidth(char digit) const;

    // Height in pixels of one line of text in BarFont at the reference DPI:
    // the room the human-readable line and each comment take in the layout
    // (0 without fonts, when no text is drawn). A caller that puts a comment
    // above or below enlarges BarSpaceUp or BarSpaceDown by this much.
    int TextLineHeight() const;

    // The clipboard that CopyToClipboard writes to; the application sets it.
    // Without one nothing is copied.
    static void SetClipboard(IClipboard *clipboard);
    static IClipboard *Clipboard();

protected:
    virtual void DrawBarcode();
    virtual void DoPaintBar();
    virtual void DoPaintedBar();
    // Runs the encoder of BarType. Overridden only to draw hand-made patterns.
    virtual TEncodeResult RunEncoder(const TEncodeInput &in);

private:
    struct Layout;
    bool Encode();
    bool MakeLayout(Layout &l);
    // Draws as a raster (pbarBMP) or a metafile: the common front of both
    // renderers around DrawRaster or DrawMetafile.
    void Render(bool raster);
    bool DrawRaster(const Layout &l);
    bool DrawMetafile(const Layout &l);
    void RedrawIfCode() { if (!FCode.isEmpty()) DrawBarcode(); }
    bool CopyAsWindowsMetafile();
    bool MeasureText(Layout &l);
    const QFont &DrawFont() const;
    void DrawFrame(TSurface &s, qint64 L, qint64 T, qint64 R, qint64 B);
    void DrawCustomerColumn(TSurface &s, const Layout &l, int bx, int i, int mask);
    int MeasureCustomerWidth(const std::string &pattern) const { return MeasureCustomerWidth(pattern, FScale); }
public:
    // Width in pixels of a customer pattern: from the first inked column to
    // one module past the last, 0 when no column is inked.
    static int MeasureCustomerWidth(const std::string &pattern, int scale);
private:
    void Draw(TSurface &s, const Layout &l);

    TBarTypes FBarType = cbarJAN;
    QString FCode;
    QString FCommentUp;
    TLocation FCommentUpLoc = locLeft;
    QString FCommentDown;
    TLocation FCommentDownLoc = locLeft;
    QChar FStartChar = u'A';
    QChar FStopChar = u'A';
    bool FCD = false;
    TSCale FScale = 1;
    bool FSymbolDisp = true;
    QFont FBarFont;
    TColor FBarFontColor = 0;
    bool FTransparent = false;
    TColor FBarColor = 0x000000;
    TColor FBackColor = 0xFFFFFF;
    int FBarWidth = 0;
    int FBarHeight = 105;
    int FBarLeft = 0;
    int FBarTop = 0;
    int FBarSpaceUp = 0;
    int FBarSpaceDown = 0;
    int FBarSpaceLeft = 10;
    int FBarSpaceRight = 10;
    bool FMatch = false;
    TBarPictures FBarPicture = pbarBMP;
    TElementRatio FElementRatio = 20;
    bool FBarEnabled = true;
    bool FBarDisped = false;
    TFrameSize FBarFrame = 0;

    QString FSymbol;
    std::string FPattern;
    TRejectReason FReason;
    mutable QFont FDrawFont;     // BarFont in pixels at the reference DPI
    mutable int FDrawFontDpi = 0;
    mutable bool FDrawFontValid = false;
};

// The default font of the human-readable text: "Noto Sans CJK JP" 9 pt when
// installed, else the system's UI font at 9 pt.
QFont DefaultBarFont();
