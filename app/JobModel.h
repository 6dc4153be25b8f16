// The job of the main window, without widgets: the controls that make up the
// job settings, the window's fields and flags, the pictures, and the
// creation flow RB_Click with its engines. The main window binds its widgets
// to this object; the command line, the automation object, the console front
// end and the tests drive the same object.
#pragma once

#include "BarImage.h"
#include "ControlStates.h"
#include "HistoryEx.h"
#include "IniGT.h"
#include "Image.h"
#include "QREncoder.h"
#include "SystemClipboard.h"
#include "Texts.h"
#include "ZintLib.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QScopeGuard>
#include <QStringList>
#include <stdexcept>

class IClipboard;

// A number or escape that does not convert: the message the application
// shows for it (on the console: on standard error).
class EConvertError : public std::runtime_error
{
public:
    explicit EConvertError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The symbology indexes of CdType that have a meaning of their own. Items 13
// and on come with the library: 13 to 18 and 22 to 24 are drawn by it, 19 to
// 21 (cbarGS1128, cbarITF14, cbarJANADD) by the component.
inline constexpr int kIndexQR = 12;
inline constexpr int kIndexFirstLibrary = 13;
inline constexpr int kIndexDataMatrix = 22;
inline constexpr int kIndexGS1DataMatrix = 23;
inline constexpr int kIndexAztec = 24;
inline constexpr int kIndexCount = 25;
// Whether the library draws the symbology of an index.
constexpr bool IsLibraryIndex(int index)
{
    return (index >= kIndexFirstLibrary && index < cbarGS1128) || (index >= kIndexDataMatrix && index < kIndexCount);
}
// Whether percent escapes (SpCode) apply to the symbology of an index.
constexpr bool TakesEscapes(int index) { return index == kIndexQR || index == kIndexDataMatrix || index == kIndexAztec; }

class JobModel;

// What a creation scope holds for its time (see JobModel::Scope).
struct TScopeOptions {
    bool Busy = true;         // Running set: other drivers' work waits
    bool NoHist = false;      // the creations add nothing to the history
    bool AutoCopy = false;    // every successful creation is copied
    bool WatcherOff = false;  // Zebrix does not react to its own copies
};

// One creation or interpretation by a driver, from its start to its end:
// what the options ask for holds meanwhile, and on every way out (a
// conversion error thrown through it included) Running, NoHist and the
// automatic copy are as they were, and a paused watcher is enabled again
// with its handler as ClipbrdWatch says. Scopes nest.
class TCreationScope
{
public:
    TCreationScope(JobModel &model, const TScopeOptions &options);
    ~TCreationScope();
    TCreationScope(const TCreationScope &) = delete;
    TCreationScope &operator=(const TCreationScope &) = delete;

private:
    JobModel &m;
    TScopeOptions m_options;
    bool m_running, m_noHist, m_autoCopy;
};

class JobModel : public QObject
{
    Q_OBJECT
public:
    explicit JobModel(QObject *parent = nullptr);
    ~JobModel() override;

    // --- The controls of the job ------------------------------------------------
    TEditState EditCode{QStringLiteral("EditCode")};
    TListState CodeHistory{QStringLiteral("CodeHistory")};
    TListState CdType{QStringLiteral("CdType")};
    TListState ThinWd{QStringLiteral("ThinWd")};
    TCheckState BoxDraw{QStringLiteral("BoxDraw"), texts::BoxDraw()};
    TCheckState CheckDigit{QStringLiteral("CheckDigit"), texts::CheckDigit()};
    TListState StartCh{QStringLiteral("StartCh")};
    TListState StopCH{QStringLiteral("StopCH")};
    TCheckState AddCodeChar{QStringLiteral("AddCodeChar"), texts::AddCodeChar()};
    TCheckState AddSChar{QStringLiteral("AddSChar"), texts::AddSChar()};
    TControlState FontBtn{QStringLiteral("FontBtn")};
    TControlState ColorBtn{QStringLiteral("ColorBtn")};
    TControlState CharSmp{QStringLiteral("CharSmp")};
    TSpinState QRVer{QStringLiteral("QRVer"), kQRMinVersion, kQRMaxVersion, 4};
    TListState QRErr{QStringLiteral("QRErr")};
    TControlState QRSubBtn{QStringLiteral("QRSubBtn")};
    TCheckState SpCode{QStringLiteral("SpCode"), texts::SpCode()};
    TCheckState Comnt{QStringLiteral("Comnt"), texts::Comnt()};
    TEditState ComntStr{QStringLiteral("ComntStr")};
    TListState ComntPos{QStringLiteral("ComntPos")};
    TListState ComntAl{QStringLiteral("ComntAl")};
    TSpinState BarHeight{QStringLiteral("BarHeight"), 20, 110, 50};
    TSpinState LeftMargin{QStringLiteral("LeftMargin"), 0, 100, 20};
    TSpinState TopMargin{QStringLiteral("TopMargin"), 0, 50, 5};
    // Panels and pictures whose visibility and enabling change with the symbology.
    TControlState Panel3{QStringLiteral("Panel3")};
    TControlState Panel5{QStringLiteral("Panel5")};
    TControlState QRPanel{QStringLiteral("QRPanel")};
    TControlState BarImage1View{QStringLiteral("BarImage1")};
    TControlState Image1View{QStringLiteral("Image1")};

    // --- Menu items that belong to the job ------------------------------------------
    TMenuItemState AutoCopy{QStringLiteral("AutoCopy"), texts::AutoCopy()};
    TMenuItemState CopyMf{QStringLiteral("CopyMf"), texts::CopyMf()};
    TMenuItemState CopyEmf{QStringLiteral("CopyEmf"), texts::CopyEmf(), true};
    TMenuItemState CopyBm{QStringLiteral("CopyBm"), texts::CopyBm()};
    TMenuItemState CopyJpg{QStringLiteral("CopyJpg"), texts::CopyJpg()};
    TMenuItemState Triming{QStringLiteral("Triming"), texts::Triming()};
    TMenuItemState PasteError{QStringLiteral("PasteError"), texts::PasteError()};
    TMenuItemState ClipbrdWatch{QStringLiteral("ClipbrdWatch"), texts::ClipbrdWatch()};
    TMenuItemState BWindow{QStringLiteral("BWindow"), texts::BWindow()};
    TMenuItemState DrawBcode{QStringLiteral("DrawBcode"), texts::DrawBcode()};
    // Enabled only where they can act: printing for the linear symbols, the
    // history's deletion while it has entries. UpdateMenuStates() keeps them.
    TMenuItemState PrintMnu{QStringLiteral("PrintMnu"), texts::PrintMnu()};
    TMenuItemState DeleteHistory{QStringLiteral("DeleteHistory"), texts::DeleteHistory()};

    // --- Window fields ------------------------------------------------------------
    TColor BarCol = 0x000000;
    TColor BackCol = 0xFFFFFF;
    QFont Fnt;                 // font of the human-readable line and the comment
    TColor FntColor = 0;       // its colour
    int ZintBarType = 0;       // above 1000: a raw library symbology + 1000
    QString ZintPrimary;

    // --- Window flags ---------------------------------------------------------------
    bool Creating = false;     // creations do nothing while set
    bool Running = false;      // a creation or an interpretation is under way
    bool InitPers = false;     // the start sequence is running
    bool NoHist = false;       // creations add nothing to the history
    bool ExitFlag = false;
    int DelayTime = 0;         // ms to hold after each creation (at most kMaxDelayMs)
    // The longest hold: a larger DelayTime holds this long. A termination
    // request ends a hold at once.
    static constexpr int kMaxDelayMs = 60000;
    void HoldAfterCreation() const;
    bool TaskClose = false;
    bool ResTaskTray = false;
    bool NoSaveIni = false;
    bool BError = false;       // the last creation failed
    // Above 0 while the job is held for one driver beyond Running: a save
    // that waits for its reader (the window repaints, nothing else runs),
    // an automation client between its Execute and its save.
    int Held = 0;
    // Whether another driver's work (a forwarded list, a bus call) may start
    // now: nobody creates, interprets or holds the job.
    bool MayStartDriver() const { return !Running && !Creating && Held == 0; }
    QString LLanguage;         // the dialogs' language; SetLanguage() switches it
    QStringList Params;

    // --- Pictures -------------------------------------------------------------------
    TBarImage BarImage1;       // linear symbols
    TImage Image1;             // QR Code and library symbols
    QImage ErrBmp;             // 60 x 28, ERROR in black capitals on white
    TMetafile ErrWmf;          // the same as a metafile
    THistoryEx HistoryEx1;
    TIniGT Ini;                // the settings file

    // --- The stacked-symbol library -------------------------------------------------------
    // Loads libzintbar.so from the folders (default: beside the executable)
    // and, when it exports ZintDll, appends items 13 to 24 to CdType.
    void LoadLibrary(const QStringList &folders = {});
    const TZintLib &Zhdl() const { return m_zint; }
    bool LibraryLoaded() const { return m_zint.loaded(); }
    // Releases the library (the window's closing); the items stay.
    void UnloadLibrary() { m_zint.Unload(); }

    // --- Operations -------------------------------------------------------------------
    // A creation scope for a driver (the command line, a macro, the
    // automation object, the clipboard watcher); see TCreationScope.
    [[nodiscard]] TCreationScope Scope(const TScopeOptions &options = {}) { return TCreationScope(*this, options); }
    // The creation flow. Throws EConvertError when a percent escape of the QR
    // data does not convert (the creation is then abandoned, Running cleared).
    void RB_Click();
    // RB_Click, then the data line goes into the history whatever the outcome.
    void Execute();
    // Control states for the selected symbology, then RB_Click.
    void CdTypeChange();
    // The part of CdTypeChange that shows which picture and panels belong to
    // the selected symbology (and whether its start and stop lists are
    // enabled), without refilling the lists or creating: for drivers that
    // select a symbology without running the list's handler.
    void ShowSymbologyControls();
    void ShowModeText();
    void RestoreListIndexes();
    // The enabled states that follow the job (PrintMnu, DeleteHistory).
    void UpdateMenuStates();
    // Whether printing is offered: for the linear symbols and for every
    // symbology after the library's (19 on), not for QR Code and items 13 to 18.
    bool Printable() const;
    // The language of the dialogs and of the texts through Tr(): "ja",
    // "en_US", or empty for the system's. Switched here once, for the whole
    // program.
    void SetLanguage(const QString &code);
    void CreateQRSymbol(const QByteArray &data);
    void CreateLibrarySymbol(const QString &text);
    // After the font dialog: the chosen font becomes Fnt, the sample's and
    // the component's font, then RB_Click.
    void ApplyFont(const QFont &font, TColor color);

    // The engine the job's symbology is made with: QR Code for index 12
    // (unless a raw library symbology overrides it), the library for its
    // indexes (IsLibraryIndex) and for a raw library symbology (ZintBarType
    // above 1000, whatever the list shows), the component for the others.
    enum class TEngine { Linear, QR, Library };
    TEngine Engine() const;
    // The picture the symbol lives in, and so the one shown, saved, copied
    // and printed: the component's for a linear symbol, Image1 for QR Code
    // and library symbols.
    const TPicture &CurrentPicture() const;
    TImage &CurrentImage();
    // The error picture in the kind the component draws: ErrWmf for a
    // metafile kind, ErrBmp for the bitmap.
    TPicture ErrorPicture() const;

    QString StatusText() const { return m_status; }
    void setStatusText(const QString &text);
    // Why the last creation failed, to stand beside the status text: the
    // encoder's reason for a linear symbol (which character at which
    // position, which lengths), how many bytes the QR data has against what
    // its version holds (window words only), the library's own message.
    // Empty after a success, or where the status text says it all.
    QString FailureReason(texts::TWords words = texts::TWords::Window) const;
    QString ModeText() const { return m_mode; }

    // QR data with percent escapes: "%%" gives "%", "%" and two hexadecimal
    // digits give that byte. Throws EConvertError for any other "%".
    static QByteArray DecodePercentEscapes(const QByteArray &bytes);

    // --- Picture output ---------------------------------------------------------------
    // Saves the current symbol, the kind chosen by the file name's extension
    // (compared in lower case): ".emf" an enhanced metafile, ".wmf" a
    // placeable Windows metafile, ".bmp" a 24-bit BMP, ".png" a PNG, ".svg"
    // an SVG and ".pdf" a one-page PDF (both vector), anything else (none
    // included) JPEG at quality 90. Runs the creation flow in the kind
    // needed, then again in the kind it found (also when the write fails).
    // Returns whether the file exists afterwards. A write that fails throws
    // std::runtime_error with the reason; the file in place stays untouched.
    bool SaveFile(const QString &fileName);
    // The save dialog's filters: BMP, EMF and JPEG first, then PNG, SVG, PDF, WMF.
    static const QStringList &SaveFilters();
    // The current picture as the file bytes SaveFile would write for that
    // extension, without any creation.
    QByteArray PictureBytes(const QString &ext);
    // Sets the component's picture kind; the redraw that follows is quiet
    // (no mode text, no automatic copy).
    void SetPictureKind(TBarPictures kind);
    // After the colour dialog: both colours, for every kind of symbol.
    void ApplyColors(TColor bar, TColor back);
    // Converts the metafile to the Windows-metafile form and puts it on the
    // clipboard (with png beside it); throws "アサートの失敗" when the
    // conversion fails, and the clipboard's refusal when it refuses.
    void PutWmfOnClipboard(const TMetafile &mf, const QImage &png = {});
    // The current picture as the bitmap kind draws it (the picture itself
    // when it is a bitmap).
    QImage BitmapForm();

    // The clipboard that copies go to; the application sets the system's.
    void setClipboard(IClipboard *clipboard) { m_clipboard = clipboard; }
    IClipboard *clipboard() const { return m_clipboard; }
    // Puts the current picture on the clipboard in the checked copy kind, and
    // beside a metafile kind the same picture as a bitmap. Returns whether
    // the clipboard took it: false without a clipboard or a picture, when it
    // refuses, or when a Windows metafile cannot be made. Never throws.
    bool CopyPicture();
    // Zebrix's own clipboard writes switch the clipboard watcher off for
    // their duration; this is its Enabled flag.
    bool WatcherEnabled() const { return ClipboardWatcher1.Enabled(); }
    void setWatcherEnabled(bool on);
    // Switches the watcher off until the returned guard ends, which gives it
    // back the state it had (the error text's paste).
    [[nodiscard]] auto PauseWatcher()
    {
        const bool was = WatcherEnabled();
        setWatcherEnabled(false);
        return qScopeGuard([this, was] { setWatcherEnabled(was); });
    }
    // Switches the watcher off until the returned guard ends, which enables
    // it: every other clipboard write of Zebrix's, and the watcher's own
    // creation. So watching attached while the watcher was off starts here.
    [[nodiscard]] auto WatcherOffForWrite()
    {
        setWatcherEnabled(false);
        return qScopeGuard([this] { setWatcherEnabled(true); });
    }
    // The clipboard watcher: new text from other programs becomes a barcode
    // while ClipbrdWatch is checked.
    TClipboardWatcher ClipboardWatcher1;
    void ClipboardWatcher1Change();
    // Watching as ClipbrdWatch says (on every activation; failures ignored).
    void ApplyClipboardWatch();
    // The same at start-up: false (watching undone) when ClipbrdWatch is
    // checked and the clipboard cannot be watched.
    bool JoinClipboardWatch();

    // The symbology names of the Mode label, "UnKnown" for other indexes.
    static QString ModeName(int index);

    static const QStringList &LinearAndQRItems();
    // The items that come with the library, 13 to 24.
    static const QStringList &LibraryItems();

signals:
    void statusTextChanged(const QString &text);
    // The window's words for FailureReason changed.
    void failureReasonChanged(const QString &reason);
    void modeTextChanged(const QString &text);
    // A picture (the component's or Image1) was drawn or replaced.
    void pictureChanged();
    // The barcode window (when shown) should follow the picture.
    void placeBarcodeWindow();
    void watcherEnabledChanged(bool on);
    // A failure of a creation nobody called directly (the clipboard watcher's):
    // the window shows it.
    void errorOccurred(const QString &message);

private:
    void wireHandlers();
    void makeErrorPictures();
    void showErrorPicture(TImage &image);
    // A QR creation that failed: the status, BError, the text on the
    // clipboard with AutoCopy, the error picture.
    void qrFailed(const QString &status);
    void pushJobAndDraw(const QByteArray &bytes, int index);
    // DecodePercentEscapes, or the creation fails with its conversion error
    // (the error picture, BError) and the error is thrown on.
    QByteArray escapesDecoded(const QByteArray &bytes);
    void copyTextToClipboard(const QString &text);
    void onPaintedBar();

    // What FailureReason words.
    struct TFailure {
        enum Kind { None, Linear, QR, Message } kind = None;
        int index = -1;             // Linear: the symbology index
        TRejectReason reason;       // Linear: the encoder's
        qsizetype length = 0;       // Linear: characters; QR: bytes
        int version = 0, level = 0; // QR: what the data did not fit
        QString message;            // Message: the library's own words, a conversion error's
    };
    void setFailure(const TFailure &failure);

    TZintLib m_zint;
    IClipboard *m_clipboard = nullptr;
    QString m_status;
    TFailure m_failure;
    QString m_mode;
    bool m_quietPaint = false;
};
