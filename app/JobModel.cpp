#include "JobModel.h"

#include "Clipboard.h"
#include "CodePage.h"
#include "Language.h"
#include "QREncoder.h"
#include "Waiting.h"

#include <QGuiApplication>
#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <cstring>
#include <cmath>
#include <vector>

namespace {

const QStringList kLinearAndQR = texts::LinearAndQRItems();
const QStringList kLibrary = texts::LibraryItems() + texts::LaterItems();
const QStringList kModeNames = texts::ModeNames();

// The largest QR data Zebrix hands to the encoder (40-L holds 2953 bytes;
// longer data is not even tried).
constexpr int kQRMaxPrepared = 7089;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

TCreationScope::TCreationScope(JobModel &model, const TScopeOptions &options)
    : m(model), m_options(options), m_running(model.Running), m_noHist(model.NoHist),
      m_autoCopy(model.AutoCopy.Checked())
{
    if (options.Busy)
        m.Running = true;
    if (options.NoHist)
        m.NoHist = true;
    if (options.AutoCopy)
        m.AutoCopy.setChecked(true);
    if (options.WatcherOff)
        m.setWatcherEnabled(false);
}

TCreationScope::~TCreationScope()
{
    m.Running = m_running;
    m.NoHist = m_noHist;
    if (m_options.AutoCopy)
        m.AutoCopy.setChecked(m_autoCopy);
    if (m_options.WatcherOff) {
        m.setWatcherEnabled(true);
        if (m.ClipbrdWatch.Checked())
            m.ApplyClipboardWatch();   // with its handler
    }
}

const QStringList &JobModel::LinearAndQRItems() { return kLinearAndQR; }
const QStringList &JobModel::LibraryItems() { return kLibrary; }

QString JobModel::ModeName(int index)
{
    return index >= 0 && index < kModeNames.size() ? kModeNames.at(index) : texts::ModeUnknown();
}

JobModel::JobModel(QObject *parent)
    : QObject(parent)
{
    // The designed defaults, before any settings are read.
    CdType.setItems(kLinearAndQR);
    CdType.setItemIndex(1);
    ThinWd.setItems(texts::WidthItems());
    ThinWd.setItemIndex(0);
    const QStringList abc = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    StartCh.setItems(abc);
    StartCh.setItemIndex(0);
    StopCH.setItems(abc);
    StopCH.setItemIndex(0);
    ComntPos.setItems(texts::CommentPosItems());
    ComntPos.setItemIndex(1);
    ComntAl.setItems(texts::CommentAlignItems());
    ComntAl.setItemIndex(1);
    QRErr.setItems({QStringLiteral("L"), QStringLiteral("M"), QStringLiteral("Q"), QStringLiteral("H")});
    QRErr.setItemIndex(0);
    ComntStr.setEnabled(false);
    FontBtn.setEnabled(false);
    CharSmp.setEnabled(false);
    CharSmp.setVisible(false);
    QRPanel.setVisible(false);
    Image1View.setVisible(false);
    HistoryEx1.ComboBox = &CodeHistory;

    Fnt = DefaultBarFont();
    BarImage1.setAutoSize(true);
    BarImage1.setMatch(true);
    BarImage1.StartStopChar = true;
    BarImage1.setBarFont(&Fnt, FntColor);
    BarImage1.setBarPicture(pbarEMF);
    BarImage1.OnPaintedBar = [this](TBarImage &) { onPaintedBar(); };
    Image1.setAutoSize(true);

    makeErrorPictures();
    wireHandlers();
    UpdateMenuStates();
}

JobModel::~JobModel()
{
    BarImage1.OnPaintedBar = nullptr;
}

void JobModel::wireHandlers()
{
    auto create = [this] { RB_Click(); };
    CdType.OnChange = [this] { CdTypeChange(); };
    for (TListState *l : {&ThinWd, &ComntPos, &ComntAl, &StartCh, &StopCH, &QRErr})
        l->OnChange = create;
    for (TSpinState *s : {&QRVer, &BarHeight, &LeftMargin, &TopMargin})
        s->OnChange = create;
    for (TCheckState *c : {&CheckDigit, &BoxDraw, &AddSChar})
        c->OnClick = create;
    DrawBcode.OnClick = create;
    Comnt.OnClick = [this] {
        ComntStr.setEnabled(Comnt.Checked());
        RB_Click();
    };
    AddCodeChar.OnClick = [this] {
        CharSmp.setEnabled(AddCodeChar.Checked());
        FontBtn.setEnabled(AddCodeChar.Checked());
        // The component redraws itself; no creation runs.
        BarImage1.setSymbolDisp(AddCodeChar.Checked());
        emit pictureChanged();
    };
    connect(&CdType, &TControlState::changed, this, &JobModel::UpdateMenuStates);
    connect(&CodeHistory, &TControlState::changed, this, &JobModel::UpdateMenuStates);
    CodeHistory.OnChange = [this] {
        EditCode.setText(CodeHistory.Text());
        Execute();
    };
    ClipboardWatcher1.setEnabled(false);   // the window's watcher starts off
    ClipbrdWatch.OnClick = [this] {
        ClipbrdWatch.setChecked(!ClipbrdWatch.Checked());
        ApplyClipboardWatch();
    };
    // Menu items that toggle their own check.
    for (TMenuItemState *m : {&AutoCopy, &Triming, &PasteError})
        m->OnClick = [m] { m->setChecked(!m->Checked()); };
    // The copy kinds: the picture on screen always has the kind that will be copied.
    auto copyKind = [this](TMenuItemState *item, TBarPictures kind, bool redraw) {
        item->OnClick = [this, item, kind, redraw] {
            for (TMenuItemState *m : {&CopyMf, &CopyEmf, &CopyBm, &CopyJpg})
                m->setChecked(m == item);
            SetPictureKind(kind);
            if (redraw)
                RB_Click();
        };
    };
    copyKind(&CopyMf, pbarWMF, true);
    copyKind(&CopyEmf, pbarEMF, true);
    copyKind(&CopyBm, pbarBMP, true);
    copyKind(&CopyJpg, pbarBMP, false);
}

void JobModel::LoadLibrary(const QStringList &folders)
{
    m_zint.Unload();
    const bool loaded = folders.isEmpty() ? m_zint.Load() : m_zint.Load(folders);
    if (loaded && m_zint.hasZintDll()) {
        const int index = CdType.ItemIndex();
        CdType.setItems(kLinearAndQR + kLibrary);
        CdType.setItemIndex(index);
    }
}

void JobModel::setStatusText(const QString &text)
{
    if (m_status == text)
        return;
    m_status = text;
    emit statusTextChanged(text);
}

void JobModel::setFailure(const TFailure &failure)
{
    const QString before = FailureReason();
    m_failure = failure;
    if (const QString now = FailureReason(); now != before)
        emit failureReasonChanged(now);
}

QString JobModel::FailureReason(texts::TWords w) const
{
    const TFailure &f = m_failure;
    switch (f.kind) {
    case TFailure::None: break;
    case TFailure::Linear: {
        if (f.index < 0)
            return texts::NoSymbology(w);
        const QString name = ModeName(f.index);
        const qsizetype position = f.reason.Position + 1;   // users count from 1
        switch (f.reason.Kind) {
        case rejLength: return texts::RejectLength(name, f.index, f.length, w);
        case rejCharacter: return texts::RejectCharacter(name, f.index, f.reason.Text, position, w);
        case rejEscape: return texts::RejectEscape(f.reason.Text, position, f.index == cbarCODE128, w);
        case rejCodeSet: return texts::RejectCodeSet(f.reason.Text, position, f.reason.CodeSet, w);
        case rejUpcE: return texts::RejectUpcE(f.reason.Text, w);
        case rejCheckDigit: return texts::RejectCheckDigit(f.reason.Text, position, f.reason.Expected, f.reason.AI, w);
        case rejGS1Syntax: return texts::RejectGS1Syntax(f.reason.Text, position, w);
        case rejGS1AI: return texts::RejectGS1AI(f.reason.Text, position, w);
        case rejGS1Length: return texts::RejectGS1Length(f.reason.AI, f.reason.Text, position, f.reason.Format, w);
        case rejGS1Character:
            return texts::RejectGS1Character(f.reason.AI, f.reason.Text, position, f.reason.Format, w);
        case rejGS1Date: return texts::RejectGS1Date(f.reason.AI, f.reason.Text, position, w);
        case rejGS1TooLong: return texts::RejectGS1TooLong(f.reason.Text, w);
        case rejEmpty: return texts::NoData(w);
        case rejNone: break;
        }
        break;
    }
    case TFailure::QR: {
        const int capacity = QRByteCapacity(f.version, f.level);
        if (w == texts::TWords::Window && capacity >= 0)
            return texts::QRCapacity(f.length, capacity, f.version, QRErr.Items().value(f.level - 1));
        break;
    }
    case TFailure::Message: return f.message.isEmpty() ? texts::LibraryNoPicture(w) : f.message;
    }
    return {};
}

void JobModel::setWatcherEnabled(bool on)
{
    if (ClipboardWatcher1.Enabled() == on)
        return;
    ClipboardWatcher1.setEnabled(on);
    emit watcherEnabledChanged(on);
}

void JobModel::ApplyClipboardWatch()
{
    const bool on = ClipbrdWatch.Checked();
    setWatcherEnabled(on);
    if (on)
        ClipboardWatcher1.setOnChange([this] {
            // A notification is a slot: a failure is reported, never thrown out of it.
            try {
                ClipboardWatcher1Change();
            } catch (const std::exception &e) {
                emit errorOccurred(QString::fromUtf8(e.what()));
            }
        });
    else
        ClipboardWatcher1.setOnChange(nullptr);
}

bool JobModel::JoinClipboardWatch()
{
    ApplyClipboardWatch();
    if (!ClipbrdWatch.Checked() || ClipboardWatcher1.Joined())
        return true;
    setWatcherEnabled(false);
    ClipboardWatcher1.setOnChange(nullptr);
    return false;
}

void JobModel::ClipboardWatcher1Change()
{
    if (!ClipbrdWatch.Checked())
        return;
    const QString offered = TSystemClipboard::Text();
    if (offered.isNull())
        return;   // no plain text on the clipboard
    // Through the code page: characters it lacks are lost.
    const QString text = FromAnsi(ToAnsi(offered));
    if (Triming.Checked()) {
        // Blanks and control characters at both ends go.
        qsizetype from = 0, to = text.size();
        while (from < to && text.at(from).unicode() <= 0x20)
            ++from;
        while (to > from && text.at(to - 1).unicode() <= 0x20)
            --to;
        EditCode.setText(text.mid(from, to - from));
    } else {
        EditCode.setText(text);
    }
    BarImage1.setCode(text);
    const auto scope = Scope({.Busy = true, .WatcherOff = true});
    RB_Click();
}

JobModel::TEngine JobModel::Engine() const
{
    const int index = CdType.ItemIndex();
    if (index == kIndexQR && ZintBarType < kZintRawOffset)
        return TEngine::QR;
    if (IsLibraryIndex(index) || ZintBarType > kZintRawOffset)
        return TEngine::Library;
    return TEngine::Linear;
}

const TPicture &JobModel::CurrentPicture() const
{
    return Engine() == TEngine::Linear ? BarImage1.Picture() : Image1.Picture();
}

TImage &JobModel::CurrentImage()
{
    if (Engine() == TEngine::Linear)
        return BarImage1;
    return Image1;
}

// --- Creation flow --------------------------------------------------------------

QByteArray JobModel::DecodePercentEscapes(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 1 < bytes.size() && bytes.at(i + 1) == '%') {
            out += '%';
            ++i;
            continue;
        }
        const QByteArray hex = bytes.mid(i + 1, 2);
        const int hi = hex.size() == 2 ? hexDigit(hex.at(0)) : -1;
        const int lo = hex.size() == 2 ? hexDigit(hex.at(1)) : -1;
        if (hi < 0 || lo < 0)
            throw EConvertError(texts::BadPercentEscape(FromAnsi(bytes.mid(i, 3)), i + 1));
        out += char(hi * 16 + lo);
        i += 2;
    }
    return out;
}

void JobModel::RB_Click()
{
    if (Creating)
        return;
    setStatusText(QString());
    setFailure({});
    const QByteArray bytes = ToAnsi(EditCode.Text());
    if (bytes.isEmpty())
        return;
    const auto scope = Scope();

    const int index = CdType.ItemIndex();
    const TEngine engine = Engine();
    UpdateMenuStates();
    if (engine == TEngine::QR) {
        const QByteArray data = SpCode.Checked() ? escapesDecoded(bytes) : bytes;
        if (data.size() >= 1 && data.size() <= kQRMaxPrepared) {
            CreateQRSymbol(data);
        } else if (data.size() > kQRMaxPrepared) {
            // Not even tried; it fails as too much data for the encoder does,
            // so that no save or copy passes the previous symbol off as this one.
            setFailure({TFailure::QR, index, {}, data.size(), QRVer.Value(), QRErr.ItemIndex() + 1, {}});
            qrFailed(texts::QRTooLong());
        }
        if (!NoHist)
            HistoryEx1.Append(EditCode.Text());
    } else if (engine == TEngine::Library) {
        CreateLibrarySymbol(EditCode.Text());
    } else {
        pushJobAndDraw(bytes, index);
        BError = BarImage1.Error;
        if (BError) {
            setFailure({TFailure::Linear, index, BarImage1.Reason(), BarImage1.Code().size(), 0, 0, {}});
            if (PasteError.Checked()) {
                const auto resume = PauseWatcher();
                if (m_clipboard)
                    m_clipboard->setText(texts::NotCreated());
            }
            setStatusText(texts::NotCreated());
            BarImage1.Picture().clear();
            showErrorPicture(BarImage1);
        } else {
            setStatusText(texts::Created());
            if (!NoHist)
                HistoryEx1.Append(EditCode.Text());
        }
        emit pictureChanged();
    }

    if (BWindow.Checked())
        emit placeBarcodeWindow();
    HoldAfterCreation();
}

void JobModel::HoldAfterCreation() const
{
    if (DelayTime > 0)
        SleepUnlessTerminated(std::min(DelayTime, kMaxDelayMs));
}

QByteArray JobModel::escapesDecoded(const QByteArray &bytes)
{
    try {
        return DecodePercentEscapes(bytes);
    } catch (const EConvertError &e) {
        // The creation is abandoned with its conversion error; it fails as a
        // two-dimensional creation does, so that no save or copy passes the
        // symbol made before off as this data's.
        BError = true;
        setFailure({TFailure::Message, CdType.ItemIndex(), {}, 0, 0, 0, e.message()});
        showErrorPicture(Image1);
        emit pictureChanged();
        throw;
    }
}

void JobModel::pushJobAndDraw(const QByteArray &bytes, int index)
{
    TBarImage &b = BarImage1;
    // The job goes in with drawing switched off and is drawn once at the end:
    // the same picture as drawing after every property, without the
    // intermediate pictures (and their automatic copies).
    b.setBarEnabled(false);
    b.setCode(FromAnsi(bytes));
    b.setBarType(static_cast<TBarTypes>(index < 0 ? 0xFF : index));
    b.setBarHeight(BarHeight.Value());
    const int top = TopMargin.Value();
    b.setBarSpaceUp(top);
    b.setBarSpaceDown(top);
    const int left = LeftMargin.Value();
    b.setBarSpaceLeft(left);
    b.setBarSpaceRight(left);
    b.setSymbolDisp(AddCodeChar.Checked());
    b.setCD(CheckDigit.Checked());
    b.setStartChar(StartCh.Text().isEmpty() ? QChar() : StartCh.Text().at(0));
    b.setStopChar(StopCH.Text().isEmpty() ? QChar() : StopCH.Text().at(0));
    b.ShowStartStop = AddSChar.Checked();
    if (ThinWd.ItemIndex() >= 0)
        b.setScale(TSCale(ThinWd.ItemIndex() + 1));

    b.setCommentUp(QString());
    b.setCommentDown(QString());
    if (Comnt.Checked()) {
        // Room for the comment: one line of text as the component measures and
        // places it, so that a frame never crosses the comment or the bars.
        const int h = b.TextLineHeight();
        if (ComntPos.ItemIndex() == 0) {
            b.setCommentUp(ComntStr.Text());
            b.setBarSpaceUp(top + h);
        } else {
            b.setCommentDown(ComntStr.Text());
            b.setBarSpaceDown(top + h);
        }
    }
    // ITF-14's bearer bars are its frame.
    b.setBarFrame(BoxDraw.Checked() && index != cbarITF14 ? 3 : 0);
    if (ComntAl.ItemIndex() >= 0) {
        const auto loc = static_cast<TLocation>(ComntAl.ItemIndex());
        b.setCommentUpLoc(loc);
        b.setCommentDownLoc(loc);
    }
    b.setBarEnabled(true);   // draws
}

void JobModel::Execute()
{
    RB_Click();
    HistoryEx1.Append(EditCode.Text());
}

void JobModel::onPaintedBar()
{
    if (m_quietPaint)
        return;
    ShowModeText();
    if (AutoCopy.Checked())
        CopyPicture();
}

void JobModel::ShowSymbologyControls()
{
    const int index = CdType.ItemIndex();
    const bool qr = index == kIndexQR;
    // The picture the symbol is made in is the one shown.
    const bool linear = Engine() == TEngine::Linear;
    BarImage1View.setVisible(linear);
    Image1View.setVisible(!linear);
    // QRPanel holds 特殊 as well: it shows for every symbology that takes
    // escapes, with QR Code's version, level and assist form for QR Code alone.
    QRPanel.setVisible(TakesEscapes(index));
    for (TControlState *c : std::initializer_list<TControlState *>{&QRVer, &QRErr, &QRSubBtn})
        c->setEnabled(qr);
    for (TControlState *c : std::initializer_list<TControlState *>{&Panel3, &Panel5, &LeftMargin, &TopMargin,
                                                                    &BarHeight, &BoxDraw})
        c->setEnabled(!qr);
    // From 19 on: no optional check digit or start and stop characters to
    // show, no bar height for the matrix symbols, ITF-14's bearer bars for a frame.
    const bool later = index >= cbarGS1128;
    CheckDigit.setEnabled(!later);
    AddSChar.setEnabled(!later);
    if (index >= kIndexDataMatrix)
        BarHeight.setEnabled(false);
    if (index == cbarITF14)
        BoxDraw.setEnabled(false);
    // Only NW-7 has a choice of start and stop characters, Code 128 of its start set.
    StartCh.setEnabled(index == cbarNW7 || index == cbarCODE128);
    StopCH.setEnabled(index == cbarNW7);
}

void JobModel::CdTypeChange()
{
    if (QRErr.ItemIndex() < 0)
        QRErr.setItemIndex(1);
    const QStringList abc = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    const QStringList abcd = abc + QStringList{QStringLiteral("D")};
    const QStringList star = {QStringLiteral("*")};
    const int index = CdType.ItemIndex();
    // The other symbologies keep whatever items the lists hold.
    const QStringList *items = index == cbarCODE39 ? &star : index == cbarNW7 ? &abcd : index == cbarCODE128 ? &abc
                                                                                                          : nullptr;
    if (items) {
        StartCh.setItems(*items);
        StopCH.setItems(*items);
        StartCh.setItemIndex(0);
        StopCH.setItemIndex(0);
    }
    ShowSymbologyControls();
    RB_Click();
}

void JobModel::ShowModeText()
{
    QString text = ModeName(CdType.ItemIndex());
    text += texts::ModeWidth(ThinWd.ItemIndex());
    if (CheckDigit.Checked())
        text += texts::ModeCheckDigit();
    if (CdType.ItemIndex() == cbarNW7)
        text += StartCh.Text().left(1) + u'/' + StopCH.Text().left(1);
    if (m_mode != text) {
        m_mode = text;
        emit modeTextChanged(text);
    }
}

bool JobModel::Printable() const
{
    // The linear symbols, and the symbologies beyond the list's first part
    // (their pictures print at a size in millimetres as well).
    return Engine() == TEngine::Linear || CdType.ItemIndex() >= cbarGS1128;
}

void JobModel::UpdateMenuStates()
{
    // A raw library symbology is chosen beside the list (ZintBarType): the
    // creations and the menus' opening look again.
    PrintMnu.setEnabled(Printable());
    DeleteHistory.setEnabled(CodeHistory.Count() > 0);
}

void JobModel::SetLanguage(const QString &code)
{
    LLanguage = code;
    SetTranslationLanguage(code);
}

void JobModel::RestoreListIndexes()
{
    for (TListState *l : {&CdType, &ThinWd, &QRErr, &ComntPos, &ComntAl}) {
        const int i = l->ItemIndex();
        l->setItemIndex(-1);
        l->setItemIndex(i);
    }
}

void JobModel::ApplyFont(const QFont &font, TColor color)
{
    Fnt = font;
    FntColor = color;
    BarImage1.setBarFont(&Fnt, FntColor);
    emit CharSmp.changed();
    RB_Click();
}

// --- Two-dimensional symbols ------------------------------------------------------

TPicture JobModel::ErrorPicture() const
{
    TPicture picture;
    if (BarImage1.BarPicture() != pbarBMP)
        picture.setMetafile(ErrWmf);
    else
        picture.setBitmap(ErrBmp);
    return picture;
}

void JobModel::showErrorPicture(TImage &image)
{
    image.Picture() = ErrorPicture();
    image.setSize(image.Picture().width(), image.Picture().height());
    image.PictureChanged();
}

void JobModel::copyTextToClipboard(const QString &text)
{
    const auto resume = WatcherOffForWrite();
    if (m_clipboard)
        m_clipboard->setText(text);   // a refusal is ignored
}

void JobModel::qrFailed(const QString &status)
{
    setStatusText(status);
    BError = true;
    if (AutoCopy.Checked())
        copyTextToClipboard(m_status);
    showErrorPicture(Image1);
    emit pictureChanged();
}

void JobModel::CreateQRSymbol(const QByteArray &data)
{
    BError = false;
    const int level = QRErr.ItemIndex() + 1;
    const int version = QRVer.Value();
    if (data.isEmpty())
        return;
    // Room for the largest symbol the version can have; a bad version is
    // refused before anything is written.
    std::vector<int32_t> modules(size_t(QROutputLength(std::clamp(version, kQRMinVersion, kQRMaxVersion))));
    const int status = EncodeQRSymbol(version, level, data.constData(), modules.data());
    if (status == kQRDataTooLong)
        setFailure({TFailure::QR, kIndexQR, {}, data.size(), version, level, {}});
    if (status != kQROk) {
        qrFailed(status == kQRBadVersion ? texts::QRVersionError()
                 : status == kQRBadLevel ? texts::QRLevelError()
                                         : texts::QRTooLong());
        return;
    }

    // The symbol with its 4-module quiet zone; the picture's last column and
    // row stay light.
    const int W = modules[0];
    const int m = ThinWd.ItemIndex() + 1;
    const int side = m * W + 1;
    Image1.setSize(side, side);
    Image1.Picture() = ModulePicture(
        BarImage1.BarPicture() == pbarBMP, QSize(side, side), W, W, QPoint(0, 0), m, m,
        [&](int x, int y) { return modules[size_t(1 + y * W + x)] >= 1; }, BarCol, BackCol);
    Image1.PictureChanged();
    setStatusText(texts::Created());
    emit pictureChanged();
    if (AutoCopy.Checked())
        CopyPicture();
}

void JobModel::CreateLibrarySymbol(const QString &text)
{
    if (!m_zint.loaded())
        return;
    ShowModeText();
    const int index = CdType.ItemIndex();
    int symbology = TZintLib::ZintSymbology(index, ZintBarType);
    QString data = text;
    if (ZintBarType <= kZintRawOffset && index == kIndexGS1DataMatrix) {
        // The element string is read and checked as GS1-128's, with the same reasons.
        const TGS1ElementString es = GS1ElementString(text, true);
        if (es.Data.empty()) {
            setStatusText(texts::NotCreated());
            setFailure({TFailure::Linear, index, es.Reason, text.size(), 0, 0, {}});
            BError = true;
            showErrorPicture(Image1);
            emit pictureChanged();
            return;
        }
        data = es.Bracketed;
    } else if (ZintBarType <= kZintRawOffset && SpCode.Checked() && TakesEscapes(index)) {
        // The bytes as QR Code takes them (a zero byte ends them).
        data = QString::fromLatin1(escapesDecoded(ToAnsi(text)));
        symbology |= ZINTBAR_BYTES;
    }
    TZintResult r;
    try {
        // The matrix symbols have no bar height: their modules are square.
        const bool matrix = ZintBarType <= kZintRawOffset && index >= kIndexDataMatrix;
        r = m_zint.Call(symbology, data, TZintLib::ZintScale(ThinWd.ItemIndex()), matrix ? 0 : BarHeight.Value(),
                        LeftMargin.Value(), TopMargin.Value(), BarCol, BackCol, Fnt, FntColor,
                        AddCodeChar.Checked(), BoxDraw.Checked());
    } catch (const std::exception &e) {
        r = TZintResult{QImage(), QString::fromLocal8Bit(e.what())};
    }
    if (r.ok()) {
        const QImage &pic = r.picture;
        if (BarImage1.BarPicture() != pbarBMP) {
            Image1.setSize(pic.width(), pic.height());
            TMetafile mf(pic.width(), pic.height());
            mf.drawImage(QPoint(0, 0), pic);
            Image1.Picture().setMetafile(std::move(mf));
        } else {
            // The library's picture ends with two spare columns and rows.
            const int w = std::max(1, pic.width() - 2), h = std::max(1, pic.height() - 2);
            Image1.setSize(w, h);
            Image1.Picture().setBitmap(pic.copy(0, 0, w, h));
        }
        Image1.PictureChanged();
        BError = false;
        emit pictureChanged();
        if (AutoCopy.Checked())
            CopyPicture();
        return;
    }
    setStatusText(r.errorText);
    setFailure({TFailure::Message, CdType.ItemIndex(), {}, 0, 0, 0, r.errorText});
    BError = true;
    showErrorPicture(Image1);
    emit pictureChanged();
}

// --- Error pictures ------------------------------------------------------------------

void JobModel::makeErrorPictures()
{
    // "ERROR" in black capitals on white, from 5 x 7 dot glyphs at 2 x 2
    // pixels a dot: the same picture on every machine, with or without fonts.
    static constexpr std::array<const char *, 7> kWord = {
        "11111011110011110001110011110",
        "10000010001010001010001010001",
        "10000010001010001010001010001",
        "11110011110011110010001011110",
        "10000010100010100010001010100",
        "10000010010010010010001010010",
        "11111010001010001001110010001",
    };
    constexpr int kW = 60, kH = 28, kDot = 2;
    constexpr int kCols = 29, kRows = 7;   // five glyphs, one light dot between them
    const QPoint origin((kW - kCols * kDot) / 2, (kH - kRows * kDot) / 2);
    auto dark = [](int x, int y) { return kWord[size_t(y)][x] == '1'; };
    ErrBmp = ModulePicture(true, QSize(kW, kH), kCols, kRows, origin, kDot, kDot, dark, 0x000000, 0xFFFFFF).bitmap();
    ErrWmf = ModulePicture(false, QSize(kW, kH), kCols, kRows, origin, kDot, kDot, dark, 0x000000, 0xFFFFFF).metafile();
}
