#include "BarImage.h"

#include "Clipboard.h"
#include "EmfWriter.h"
#include "WmfWriter.h"

#include "FontRecords.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <algorithm>

namespace {
IClipboard *g_clipboard = nullptr;

bool isTwoWidth(TBarTypes t) { return (t >= cbarCODE39 && t <= cbarNEC) || t == cbarITF14; }

// ITF-14's wide elements are 2.25 to 3 narrow ones: a ratio below that
// (the component's default 2) gives way to the nominal 2.5.
constexpr int kITF14MinRatio = 23;
constexpr int kITF14NominalRatio = 25;
} // namespace

QFont DefaultBarFont()
{
    static const QString kJapaneseFace = QStringLiteral("Noto Sans CJK JP");
    if (!FontsAvailable())
        return QFont(kJapaneseFace, 9);
    static const bool haveJapanese = FamilyInstalled(kJapaneseFace);
    if (haveJapanese)
        return QFont(kJapaneseFace, 9);
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSize(9);
    return f;
}

TBarImage::TBarImage()
    : FBarFont(DefaultBarFont())
{
}

TBarImage::~TBarImage() = default;

void TBarImage::SetClipboard(IClipboard *clipboard) { g_clipboard = clipboard; }
IClipboard *TBarImage::Clipboard() { return g_clipboard; }

// --- Setters -----------------------------------------------------------------

void TBarImage::setBarType(TBarTypes v) { FBarType = v; RedrawIfCode(); }

void TBarImage::setCode(const QString &v)
{
    FCode = v;
    if (!FCode.isEmpty())
        DrawBarcode();
}

void TBarImage::setCommentUp(const QString &v) { FCommentUp = v; RedrawIfCode(); }
void TBarImage::setCommentDown(const QString &v) { FCommentDown = v; RedrawIfCode(); }

void TBarImage::setCommentUpLoc(TLocation v)
{
    FCommentUpLoc = v;
    if (!FCommentUp.isEmpty())
        RedrawIfCode();
}

void TBarImage::setCommentDownLoc(TLocation v)
{
    FCommentDownLoc = v;
    if (!FCommentDown.isEmpty())
        RedrawIfCode();
}

static QChar startStopOrA(QChar c) { return (c >= u'A' && c <= u'D') ? c : QChar(u'A'); }

void TBarImage::setStartChar(QChar v)
{
    FStartChar = startStopOrA(v);
    if (FBarType == cbarNW7 || FBarType == cbarCODE128)
        RedrawIfCode();
}

void TBarImage::setStopChar(QChar v)
{
    FStopChar = startStopOrA(v);
    if (FBarType == cbarNW7)
        RedrawIfCode();
}

void TBarImage::setCD(bool v)
{
    FCD = v;
    // Only these symbologies have an optional check character.
    switch (FBarType) {
    case cbarCODE39: case cbarNW7: case cbarITF: case cbarCTF: case cbarMATRIX: case cbarNEC:
        RedrawIfCode();
        break;
    default:
        break;
    }
}

void TBarImage::setScale(TSCale v) { FScale = v; RedrawIfCode(); }
void TBarImage::setSymbolDisp(bool v) { FSymbolDisp = v; RedrawIfCode(); }

void TBarImage::setBarFont(const QFont *font, TColor color)
{
    if (!font || font == &FBarFont)
        return;
    FBarFont = *font;
    FBarFontColor = color;
    FDrawFontValid = false;
    if (FSymbolDisp)
        RedrawIfCode();
}

void TBarImage::setTransparent(bool v)
{
    FTransparent = v;
    if (v) {
        FMatch = false;
        FBarPicture = pbarBMP;
    }
    RedrawIfCode();
}

void TBarImage::setBarColor(TColor v) { FBarColor = v; RedrawIfCode(); }
void TBarImage::setBackColor(TColor v) { FBackColor = v; RedrawIfCode(); }

void TBarImage::setBarHeight(int v)
{
    FBarHeight = v;
    // The customer barcode's height follows from Scale alone.
    if (FBarType != cbarCUSTOMER)
        RedrawIfCode();
}

void TBarImage::setBarLeft(int v) { FBarLeft = v; RedrawIfCode(); }
void TBarImage::setBarTop(int v) { FBarTop = v; RedrawIfCode(); }
void TBarImage::setBarSpaceUp(int v) { FBarSpaceUp = std::max(v, 0); RedrawIfCode(); }
void TBarImage::setBarSpaceDown(int v) { FBarSpaceDown = std::max(v, 0); RedrawIfCode(); }
void TBarImage::setBarSpaceLeft(int v) { FBarSpaceLeft = std::max(v, 0); RedrawIfCode(); }
void TBarImage::setBarSpaceRight(int v) { FBarSpaceRight = std::max(v, 0); RedrawIfCode(); }

void TBarImage::setMatch(bool v)
{
    FMatch = v;
    if (!v)
        FBarPicture = pbarBMP;
    else
        FTransparent = false;
    RedrawIfCode();
}

void TBarImage::setBarPicture(TBarPictures v)
{
    // A metafile is always drawn to fit, so it exists only together with Match.
    if (FMatch) {
        FBarPicture = v;
        RedrawIfCode();
    } else {
        FBarPicture = pbarBMP;
    }
}

void TBarImage::setElementRatio(TElementRatio v)
{
    FElementRatio = v;
    if (isTwoWidth(FBarType))
        RedrawIfCode();
}

void TBarImage::setBarEnabled(bool v)
{
    if (!v) {
        FBarEnabled = false;
        return;
    }
    if (FBarEnabled)
        return;
    FBarEnabled = true;
    RedrawIfCode();
}

void TBarImage::setBarFrame(TFrameSize v) { FBarFrame = v; RedrawIfCode(); }

// --- Drawing -------------------------------------------------------------------

void TBarImage::DoPaintBar()
{
    if (OnPaintBar)
        OnPaintBar(*this);
}

void TBarImage::DoPaintedBar()
{
    if (OnPaintedBar)
        OnPaintedBar(*this);
}

void TBarImage::RepaintBarcode() { DrawBarcode(); }

void TBarImage::DrawBarcode()
{
    DoPaintBar();
    if (!FBarEnabled)
        return;
    TPicture &pic = Picture();
    pic.makeBitmap();
    if (pic.bitmap().isNull())
        pic.resizeBitmap(Width(), Height());
    Render(FBarPicture == pbarBMP);
    DoPaintedBar();
}

int TBarImage::ElementWidth(char digit) const
{
    const int modules = (digit - '0') / 2 + 1;
    int w = modules * FScale;
    // The two-width symbologies draw their wide elements at ElementRatio / 10
    // times the narrow width.
    if (isTwoWidth(FBarType) && w > FScale) {
        const int ratio = FBarType == cbarITF14 && FElementRatio < kITF14MinRatio ? kITF14NominalRatio : FElementRatio;
        w = w * ratio / 20;
        // ITF-14's wide elements are at least 2.25 narrow ones also where the
        // pixels round down (a narrow bar of one pixel: three, not two).
        if (FBarType == cbarITF14)
            w = std::max(w, (FScale * 9 + 3) / 4);
    }
    return w;
}

TEncodeResult TBarImage::RunEncoder(const TEncodeInput &in)
{
    const TEncoder encoder = EncoderFor(FBarType);
    return encoder ? encoder(in) : TEncodeResult{};
}

bool TBarImage::Encode()
{
    TEncodeInput in;
    in.Code = FCode;
    in.CD = FCD;
    in.StartChar = FStartChar;
    in.StopChar = FStopChar;
    in.StartStopChar = StartStopChar;
    TEncodeResult r = RunEncoder(in);
    if (!r.StartChar.isNull())
        FStartChar = r.StartChar;
    FPattern = std::move(r.Pattern);
    FSymbol = std::move(r.Symbol);
    FReason = std::move(r.Reason);
    return !FPattern.empty();
}

// --- UPC-A / UPC-E ---------------------------------------------------------------

void TBarImage::RepaintUPCA2E()
{
    if (FBarType == cbarUPC && FBarDisped && FCode.size() == 11) {
        const QString e = UPCAToUPCE(FCode);
        if (!e.isEmpty()) {
            FCode = e;
            DrawBarcode();
            return;
        }
    }
    FBarDisped = false;
}

void TBarImage::RepaintUPCE2A()
{
    if (FBarType == cbarUPC && FBarDisped && FCode.size() == 7) {
        const QString a = UPCEToUPCA(FCode);
        if (!a.isEmpty()) {
            FCode = a;
            DrawBarcode();
            return;
        }
    }
    FBarDisped = false;
}

// --- Clipboard -------------------------------------------------------------------

bool TBarImage::CopyToClipboard()
{
    IClipboard *cb = Clipboard();
    if (!cb)
        return false;
    const TPicture &pic = Picture();
    if (!FBarDisped || FBarPicture == pbarBMP || pic.isBitmap()) {
        // Whatever the picture holds (after a failed drawing: the old bitmap).
        switch (pic.kind()) {
        case TPicture::Bitmap: return cb->setBitmap(pic.bitmap());
        case TPicture::Metafile: return cb->setEnhancedMetafile(WriteEmf(pic.metafile()), QImage());
        case TPicture::None: return false;
        }
        return false;
    }
    if (FBarPicture == pbarEMF)
        return cb->setEnhancedMetafile(WriteEmf(pic.metafile()), QImage());
    return CopyAsWindowsMetafile();
}

bool TBarImage::CopyAsWindowsMetafile()
{
    const TMetafile &mf = Picture().metafile();
    const TMetafilePict pict = MetafilePictFor(mf);
    if (mf.isEmpty() || pict.xExt <= 0 || pict.yExt <= 0)
        return false;
    const QByteArray bits = WriteWmf(mf, true);
    if (bits.isEmpty())
        return false;
    return Clipboard()->setWindowsMetafile(bits, pict, QImage());
}
