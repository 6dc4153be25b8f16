#include "StartSequence.h"

#include "Instance.h"
#include "JobModel.h"
#include "MainWindow.h"
#include "Settings.h"
#include "Texts.h"
#include "WindowHost.h"

#include <functional>

namespace {

// A step whose failure is shown and skipped.
void step(TWindowHost &host, const std::function<void()> &body)
{
    try {
        body();
    } catch (const std::exception &e) {
        host.ShowError(QString::fromUtf8(e.what()));
    }
}

} // namespace

void FormCreate(JobModel &m, TZebCode &window, TWindowHost &host, const QStringList &params)
{
    // 1. The stacked-symbol library and its six items.
    m.LoadLibrary();
    // 2. With parameters the window stays hidden until the program shows it.
    QString first;
    if (!params.isEmpty()) {
        first = params.constFirst().toUpper();
        window.setShowMainForm(false);
        window.hide();
    }
    // 3. The flags; creations are held back until step 14.
    m.DelayTime = 0;
    m.Creating = true;
    m.TaskClose = m.Running = m.ExitFlag = false;
    m.InitPers = true;
    m.NoHist = false;
    m.ZintBarType = 0;
    // 4. The settings into the controls.
    m.Ini.Loaded();
    TWindowSettings stored;
    step(host, [&] { ReadSettings(m.Ini, m, stored); });
    // 5. The "プ" button and the barcode window as BWindow says.
    window.setBWinDown(m.BWindow.Checked());
    step(host, [&] { window.ApplyBarcodeWindow(); });
    // 6. The picture kind of the copy kind.
    m.SetPictureKind(m.CopyMf.Checked() ? pbarWMF : m.CopyEmf.Checked() ? pbarEMF : pbarBMP);
    // 7. The notification area.
    step(host, [&] { window.SetTrayIconVisible(m.ResTaskTray); });
    // 8. Clipboard watching.
    step(host, [&] {
        if (!m.JoinClipboardWatch())
            host.ShowError(texts::ClipboardWatchFailed());
    });
    // 9. The first parameter as data (nothing is created yet).
    if (!first.isEmpty()) {
        m.EditCode.setText(first);
        step(host, [&] { m.RB_Click(); });
    }
    // 10. Placement (a failure is ignored) and the font.
    step(host, [&] {
        ReadPlacementAndFont(m.Ini, m, stored);
        window.ApplyPlacement(stored.Placement);
    });
    // 11. Stay-on-top (inverted here, inverted back and applied in step 13),
    // the colours of the file, the history.
    const bool stayOnTop = stored.FormStyle;
    m.BarImage1.setBarColor(m.BarCol);
    m.BarImage1.setBackColor(m.BackCol);
    m.HistoryEx1.IniFile = m.Ini.FileName();
    step(host, [&] { m.HistoryEx1.LoadFromIni(); });
    // 12. The view mode; other values leave the designed layout.
    if (stored.FormType >= 1 && stored.FormType <= 3)
        window.FormTypeClick(stored.FormType);
    // 13. Stay-on-top, the symbology's panels, the tray item.
    if (stayOnTop)
        window.FStyleClick();
    step(host, [&] { m.CdTypeChange(); });
    // 14. Creations from here on.
    m.Params.clear();
    m.Creating = false;
    // 15. The parameters.
    if (params.isEmpty()) {
        if (m.CdType.ItemIndex() >= kIndexQR)
            step(host, [&] { m.CdTypeChange(); });
    } else {
        step(host, [&] { instance::InterpretParamList(m, host, params); });
        m.AutoCopy.setChecked(true);
        if (m.CdType.ItemIndex() >= kIndexQR)
            step(host, [&] { m.CdTypeChange(); });
        step(host, [&] { m.RB_Click(); });
    }
    // 16. Start-up is over.
    m.InitPers = false;
}
