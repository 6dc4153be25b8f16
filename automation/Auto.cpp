#include "Auto.h"

#include "CommandLine.h"
#include "IniGT.h"
#include "JobModel.h"
#include "Macro.h"
#include "Quietly.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <array>
#include <limits>
#include <string_view>

void TAutomationObject::guarded(const std::function<void()> &body)
{
    try {
        body();
    } catch (const EConvertError &e) {
        fail(automation_error::kConversion, e.message());
    } catch (const std::exception &e) {
        fail(automation_error::kFailed, QString::fromUtf8(e.what()));
    }
}

namespace {

int yesNo(bool on) { return on ? 1 : 0; }

// The values a property with a range accepts; a write outside them is
// ignored, and succeeds.
struct TAccepted {
    std::string_view property;
    int low, high;
    constexpr bool has(int v) const { return v >= low && v <= high; }
};

constexpr int kNoLimit = std::numeric_limits<int>::max();
constexpr std::array kAccepted{
    TAccepted{"CodeType", 0, kIndexCount - 1},                         // a symbology index
    TAccepted{"CodeType (library)", kZintRawOffset + 1, kNoLimit},     // a library symbology + 1000
    TAccepted{"BarScale", 0, 2},
    TAccepted{"QRVersion", 0, 40},                                     // 0 fails at the creation
    TAccepted{"QRErrLevel", 0, 3},
    TAccepted{"CommentPos", 0, 1},
    TAccepted{"CommentAlign", 0, 2},
    TAccepted{"Height", 0, 200},                                       // beyond the window's 110
    TAccepted{"HMargin", 0, 100},
    TAccepted{"VMargin", 0, 100},
    TAccepted{"FontSize", 1, kNoLimit},                                // a font has at least one point
};

// The range of a property; a name the table lacks does not compile.
consteval TAccepted accepted(std::string_view property)
{
    for (const TAccepted &a : kAccepted)
        if (a.property == property)
            return a;
    throw "a property without a range";
}

} // namespace

TAuto::TAuto(JobModel &model, ICommandHost &host, QObject *parent)
    : TAutomationObject(parent), m(model), m_host(host)
{
}

QString TAuto::Code() const { return m.EditCode.Text(); }
void TAuto::setCode(const QString &v) { m.EditCode.setText(v); }

int TAuto::CodeType() const { return m.CdType.ItemIndex(); }
void TAuto::setCodeType(int v)
{
    if (accepted("CodeType (library)").has(v)) {
        m.ZintBarType = v;
    } else if (accepted("CodeType").has(v)) {
        // An index the list lacks (the library's without it) leaves no selection.
        m.CdType.setItemIndex(v);
        m.ZintBarType = 0;
    } else {
        return;
    }
    guarded([this] { m.CdTypeChange(); });
}

int TAuto::BarScale() const { return m.ThinWd.ItemIndex(); }
void TAuto::setBarScale(int v)
{
    if (accepted("BarScale").has(v))
        m.ThinWd.setItemIndex(v);
}

int TAuto::BoxDraw() const { return yesNo(m.BoxDraw.Checked()); }
void TAuto::setBoxDraw(int v) { guarded([&] { m.BoxDraw.setChecked(v != 0); }); }

int TAuto::QRVersion() { return m.QRVer.Value(); }
void TAuto::setQRVersion(int v)
{
    if (accepted("QRVersion").has(v))
        guarded([&] { m.QRVer.setValue(v); });
}

int TAuto::QRErrLevel() const { return m.QRErr.ItemIndex(); }
void TAuto::setQRErrLevel(int v)
{
    if (!accepted("QRErrLevel").has(v))
        return;
    m.QRErr.setItemIndex(v);
    guarded([this] { m.RB_Click(); });
}

int TAuto::AddCodeChar() const { return yesNo(m.AddCodeChar.Checked()); }
void TAuto::setAddCodeChar(int v) { m.AddCodeChar.setChecked(v != 0); }

int TAuto::AddComment() const { return yesNo(m.Comnt.Checked()); }
void TAuto::setAddComment(int v) { guarded([&] { m.Comnt.setChecked(v != 0); }); }

QString TAuto::FontName() const { return m.BarImage1.BarFont().family(); }
void TAuto::setFontName(const QString &v)
{
    QFont font = m.BarImage1.BarFont();
    font.setFamily(v);
    Quietly(m.BarImage1, [&] { m.BarImage1.setBarFont(&font, m.BarImage1.BarFontColor()); });
}

QString TAuto::Comment() const { return m.ComntStr.Text(); }
void TAuto::setComment(const QString &v) { m.ComntStr.setText(v); }

int TAuto::CommentPos() const { return m.ComntPos.ItemIndex(); }
void TAuto::setCommentPos(int v)
{
    if (accepted("CommentPos").has(v))
        m.ComntPos.setItemIndex(v);
}

int TAuto::CommentAlign() const { return m.ComntAl.ItemIndex(); }
void TAuto::setCommentAlign(int v)
{
    if (accepted("CommentAlign").has(v))
        m.ComntAl.setItemIndex(v);
}

int TAuto::Height() { return m.BarHeight.Value(); }
void TAuto::setHeight(int v)
{
    if (accepted("Height").has(v))
        guarded([&] { m.BarHeight.setValue(v); });
}

int TAuto::HMargin() { return m.LeftMargin.Value(); }
void TAuto::setHMargin(int v)
{
    if (accepted("HMargin").has(v))
        guarded([&] { m.LeftMargin.setValue(v); });
}

int TAuto::VMargin() { return m.TopMargin.Value(); }
void TAuto::setVMargin(int v)
{
    if (accepted("VMargin").has(v))
        guarded([&] { m.TopMargin.setValue(v); });
}

int TAuto::CopyType() const { return int(m.BarImage1.BarPicture()); }
void TAuto::setCopyType(int v)
{
    // The copy kind is checked and the picture kind set, without the
    // creation a click on the menu item runs.
    TMenuItemState *item = v == pbarEMF ? &m.CopyEmf : v == pbarWMF ? &m.CopyMf : &m.CopyBm;
    for (TMenuItemState *k : {&m.CopyMf, &m.CopyEmf, &m.CopyBm, &m.CopyJpg})
        k->setChecked(k == item);
    m.SetPictureKind(v == pbarEMF ? pbarEMF : v == pbarWMF ? pbarWMF : pbarBMP);
}

int TAuto::Visible() const { return yesNo(m_host.ShowMainForm()); }
void TAuto::setVisible(int v) { m_host.SetShowMainForm(v != 0); }

int TAuto::FontSize() const { return m.BarImage1.BarFont().pointSize(); }
void TAuto::setFontSize(int v)
{
    if (!accepted("FontSize").has(v))
        return;
    QFont font = m.BarImage1.BarFont();
    font.setPointSize(v);
    Quietly(m.BarImage1, [&] { m.BarImage1.setBarFont(&font, m.BarImage1.BarFontColor()); });
}

int TAuto::BarColor() const { return int(m.BarImage1.BarColor()); }
void TAuto::setBarColor(int v) { Quietly(m.BarImage1, [&] { m.BarImage1.setBarColor(TColor(v)); }); }

int TAuto::BackColor() const { return int(m.BarImage1.BackColor()); }
void TAuto::setBackColor(int v) { Quietly(m.BarImage1, [&] { m.BarImage1.setBackColor(TColor(v)); }); }

int TAuto::SpecialCode() const { return yesNo(m.SpCode.Checked()); }
void TAuto::setSpecialCode(int v) { m.SpCode.Assign(v != 0); }

int TAuto::CheckDigit() const { return yesNo(m.CheckDigit.Checked()); }
void TAuto::setCheckDigit(int v) { guarded([&] { m.CheckDigit.setChecked(v != 0); }); }

QString TAuto::StartChar() const { return m.StartCh.Text(); }
void TAuto::setStartChar(const QString &v) { setStartStop(true, v); }

QString TAuto::StopChar() const { return m.StopCH.Text(); }
void TAuto::setStopChar(const QString &v) { setStartStop(false, v); }

void TAuto::setStartStop(bool start, const QString &v)
{
    TListState &list = start ? m.StartCh : m.StopCH;
    list.setItemIndex(list.Items().indexOf(v));
    if (v.isEmpty()) {
        fail(automation_error::kFailed, texts::EmptyStartStop(start ? QStringLiteral("StartChar")
                                                                    : QStringLiteral("StopChar")));
        return;
    }
    Quietly(m.BarImage1, [&] {
        if (start)
            m.BarImage1.setStartChar(v.at(0));
        else
            m.BarImage1.setStopChar(v.at(0));
    });
}

int TAuto::AutoCopy() const { return yesNo(m.AutoCopy.Checked()); }
void TAuto::setAutoCopy(int v) { m.AutoCopy.setChecked(v != 0); }

int TAuto::ClipBWatch() const { return yesNo(m.ClipbrdWatch.Checked()); }
void TAuto::setClipBWatch(int v)
{
    m.ClipbrdWatch.setChecked(v != 0);
    if (v == 0) {
        m.ClipboardWatcher1.setOnChange(nullptr);   // watching ends at once
        return;
    }
    // The handler goes on; whether it is called still depends on the
    // watcher being enabled, which stays as it is.
    const bool enabled = m.WatcherEnabled();
    m.ApplyClipboardWatch();
    m.setWatcherEnabled(enabled);
}

int TAuto::AddExtChar() const { return yesNo(m.AddSChar.Checked()); }
void TAuto::setAddExtChar(int v) { guarded([&] { m.AddSChar.setChecked(v != 0); }); }

QString TAuto::Primary() const { return m.ZintPrimary; }
void TAuto::setPrimary(const QString &v) { m.ZintPrimary = v; }

void TAuto::Show(int Mode) { m_host.Show(Mode != 0); }

int TAuto::Execute()
{
    guarded([this] {
        const auto creation = m.Scope({.NoHist = true});
        m.RB_Click();
    });
    return m.BError ? -1 : 0;
}

int TAuto::SaveFile(const QString &FileName)
{
    bool saved = false;
    guarded([&] { saved = m.SaveFile(FileName); });
    return yesNo(saved);
}

QString TAuto::SaveTempPict()
{
    QString name;
    guarded([&] {
        TIniGT settings;
        settings.Loaded();   // the per-user settings file, its folder made when missing
        const QString folder = QFileInfo(settings.FileName()).path();
        const QString file = QDir(folder).filePath(
            m.BarImage1.BarPicture() == pbarBMP ? QStringLiteral("tmppict.bmp") : QStringLiteral("tmppict.emf"));
        if (m.SaveFile(file))
            name = file;
    });
    return name;
}

// --- The macro object -----------------------------------------------------------------

TDdeConv::TDdeConv(JobModel &model, ICommandHost &host, QObject *parent)
    : TAutomationObject(parent), m(model), m_host(host)
{
}

void TDdeConv::Execute(const QString &macro) { guarded([&] { RunMacro(m, m_host, macro); }); }

bool TDdeConv::knownItem(const QString &item)
{
    if (item.compare(u"DdeZebrix", Qt::CaseInsensitive) == 0)
        return true;
    fail(automation_error::kUnknownItem, texts::UnknownItem(item));
    return false;
}

void TDdeConv::Poke(const QString &item, const QString &text)
{
    if (knownItem(item))
        m_item = text;
}

QString TDdeConv::Request(const QString &item) { return knownItem(item) ? m_item : QString(); }

QString TDdeConv::Picture(QByteArray &data)
{
    const QString kind = m.BarImage1.BarPicture() == pbarBMP ? QStringLiteral("bmp") : QStringLiteral("emf");
    data.clear();
    if (!m.CurrentPicture().isEmpty())
        guarded([&] { data = m.PictureBytes(kind); });
    return kind;
}
