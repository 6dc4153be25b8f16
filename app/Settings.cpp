#include "Settings.h"

#include "JobModel.h"

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kDesktop = QStringLiteral("Desktop");
const QString kLanguage = QStringLiteral("Language");

// A drop-down list given an index outside its items ends with no selection.
void readIndex(TIniGT &ini, const QString &key, int def, TListState &list)
{
    list.setItemIndex(ini.ReadInt(kOptions, key, def));
}

// A spin edit takes the stored number as it is.
void readSpin(TIniGT &ini, const QString &key, int def, TSpinState &spin)
{
    spin.setText(QString::number(ini.ReadInt(kOptions, key, def)));
}

} // namespace

void ReadSettings(TIniGT &ini, JobModel &m, TWindowSettings &window)
{
    // Beyond the list's items: JAN; below them (no item at all): no selection.
    const int codeType = ini.ReadInt(kOptions, QStringLiteral("CodeType"), 1);
    m.CdType.setItemIndex(codeType < m.CdType.Count() ? codeType : 0);
    readIndex(ini, QStringLiteral("ThinWidth"), 0, m.ThinWd);
    m.CheckDigit.setChecked(ini.ReadBool(kOptions, QStringLiteral("CheckDigit"), false));
    m.AddCodeChar.setChecked(ini.ReadBool(kOptions, QStringLiteral("AddCodeChar"), false));
    window.FormType = ini.ReadInt(kOptions, QStringLiteral("FormType"), 1);
    window.FormStyle = ini.ReadBool(kOptions, QStringLiteral("FormStyle"), false);
    m.AutoCopy.setChecked(ini.ReadBool(kOptions, QStringLiteral("AutoCopy"), false));
    // The copy kinds are one radio group. A hand edit may set several keys,
    // or one without the others: the enhanced metafile is the default only
    // where neither other kind is set, and of the kinds set the first in the
    // order the picture kind is chosen by wins (none: the bitmap).
    const bool mfSet = ini.ReadBool(kOptions, QStringLiteral("CopyToMf"), false);
    const bool bmSet = ini.ReadBool(kOptions, QStringLiteral("CopyToBm"), false);
    const bool mf = mfSet;
    const bool emf = !mf && ini.ReadBool(kOptions, QStringLiteral("CopyToEMf"), !mfSet && !bmSet);
    const bool bm = !mf && !emf;
    m.CopyMf.setChecked(mf);
    m.CopyEmf.setChecked(emf);
    m.CopyBm.setChecked(bm);
    m.CopyJpg.setChecked(false);
    m.ClipbrdWatch.setChecked(ini.ReadBool(kOptions, QStringLiteral("CBWatch"), false));
    readSpin(ini, QStringLiteral("BarHeight"), 50, m.BarHeight);
    readSpin(ini, QStringLiteral("LeftMargin"), 20, m.LeftMargin);
    readSpin(ini, QStringLiteral("TopMargin"), 5, m.TopMargin);
    m.EditCode.setText(ini.ReadStr(kDesktop, QStringLiteral("LastStr"), QString()));
    m.ResTaskTray = ini.ReadBool(kOptions, QStringLiteral("TaskTary"), false);
    m.BoxDraw.setChecked(ini.ReadBool(kOptions, QStringLiteral("BoxDraw"), false));
    m.Comnt.setChecked(ini.ReadBool(kOptions, QStringLiteral("Comment"), false));
    readIndex(ini, QStringLiteral("ComntPos"), 1, m.ComntPos);
    readIndex(ini, QStringLiteral("ComntAl"), 1, m.ComntAl);
    m.ComntStr.setText(ini.ReadStr(kOptions, QStringLiteral("ComntStr"), QString()));
    readSpin(ini, QStringLiteral("QRVersion"), 4, m.QRVer);
    readIndex(ini, QStringLiteral("QRErrLebel"), 0, m.QRErr);
    m.BarCol = TColor(ini.ReadInt(kOptions, QStringLiteral("BarColor"), 0));
    m.BackCol = TColor(ini.ReadInt(kOptions, QStringLiteral("BackColor"), 0xFFFFFF));
    m.Triming.setChecked(ini.ReadBool(kOptions, QStringLiteral("Trim_Space"), false));
    m.PasteError.setChecked(ini.ReadBool(kOptions, QStringLiteral("PasteErr"), false));
    m.NoSaveIni = ini.ReadBool(kOptions, QStringLiteral("NoSaveIni"), false);
    m.AddSChar.setChecked(ini.ReadBool(kOptions, QStringLiteral("AddSChar"), false));
    readIndex(ini, QStringLiteral("StartChar"), 0, m.StartCh);
    readIndex(ini, QStringLiteral("StopChar"), 0, m.StopCH);
    m.BWindow.setChecked(ini.ReadBool(kOptions, QStringLiteral("BWindow"), false));
}

void ReadPlacementAndFont(TIniGT &ini, JobModel &m, TWindowSettings &window)
{
    ini.ReadWin(kDesktop, QStringLiteral("Windows"), window.Placement);
    QFont font = m.Fnt;
    TColor colour = m.FntColor;
    try {
        ini.ReadFont(kOptions, QStringLiteral("Font"), font, colour);
    } catch (const EIniConvertError &) {
        // A colour that is no hexadecimal number: the font with its colour as it was.
    }
    m.ApplyFont(font, colour);
}

bool WriteSettings(TIniGT &ini, JobModel &m, const TWindowSettings &window)
{
    if (m.NoSaveIni)
        return true;
    // One replacement of the file for all keys.
    ini.BeginUpdate();
    ini.WriteBool(kOptions, QStringLiteral("TaskTary"), m.ResTaskTray);
    ini.WriteInt(kOptions, QStringLiteral("CodeType"), m.CdType.ItemIndex());
    ini.WriteInt(kOptions, QStringLiteral("ThinWidth"), m.ThinWd.ItemIndex());
    ini.WriteBool(kOptions, QStringLiteral("CheckDigit"), m.CheckDigit.Checked());
    ini.WriteBool(kOptions, QStringLiteral("AddCodeChar"), m.AddCodeChar.Checked());
    ini.WriteInt(kOptions, QStringLiteral("FormType"), window.FormType == 1 || window.FormType == 2 ? window.FormType : 3);
    ini.WriteBool(kOptions, QStringLiteral("FormStyle"), window.FormStyle);
    ini.WriteBool(kOptions, QStringLiteral("AutoCopy"), m.AutoCopy.Checked());
    ini.WriteBool(kOptions, QStringLiteral("CopyToMf"), m.CopyMf.Checked());
    ini.WriteBool(kOptions, QStringLiteral("CopyToEMf"), m.CopyEmf.Checked());
    ini.WriteBool(kOptions, QStringLiteral("CopyToBm"), m.CopyBm.Checked());
    ini.WriteBool(kOptions, QStringLiteral("CBWatch"), m.ClipbrdWatch.Checked());
    ini.WriteInt(kOptions, QStringLiteral("BarHeight"), m.BarHeight.Value());
    ini.WriteInt(kOptions, QStringLiteral("LeftMargin"), m.LeftMargin.Value());
    ini.WriteInt(kOptions, QStringLiteral("TopMargin"), m.TopMargin.Value());
    ini.WriteWin(kDesktop, QStringLiteral("Windows"), window.Placement);
    // In quotes, so that blanks at either end survive.
    ini.WriteQuoted(kDesktop, QStringLiteral("LastStr"), m.EditCode.Text());
    ini.WriteFont(kOptions, QStringLiteral("Font"), m.Fnt, m.FntColor);
    ini.WriteBool(kOptions, QStringLiteral("BoxDraw"), m.BoxDraw.Checked());
    ini.WriteBool(kOptions, QStringLiteral("Comment"), m.Comnt.Checked());
    ini.WriteInt(kOptions, QStringLiteral("ComntPos"), m.ComntPos.ItemIndex());
    ini.WriteInt(kOptions, QStringLiteral("ComntAl"), m.ComntAl.ItemIndex());
    ini.WriteStr(kOptions, QStringLiteral("ComntStr"), m.ComntStr.Text());
    ini.WriteInt(kOptions, QStringLiteral("QRVersion"), m.QRVer.Value());
    ini.WriteInt(kOptions, QStringLiteral("QRErrLebel"), m.QRErr.ItemIndex());
    ini.WriteBool(kOptions, QStringLiteral("Trim_Space"), m.Triming.Checked());
    ini.WriteBool(kOptions, QStringLiteral("PasteErr"), m.PasteError.Checked());
    ini.WriteBool(kOptions, QStringLiteral("AddSChar"), m.AddSChar.Checked());
    ini.WriteInt(kOptions, QStringLiteral("StartChar"), m.StartCh.ItemIndex());
    ini.WriteInt(kOptions, QStringLiteral("StopChar"), m.StopCH.ItemIndex());
    ini.WriteBool(kOptions, QStringLiteral("BWindow"), m.BWindow.Checked());
    ini.WriteStr(kLanguage, QStringLiteral("Language"),
                 window.Language == u"en_US" ? QStringLiteral("en_US") : QStringLiteral("ja"));
    ini.EndUpdate();
    const bool ok = ini.LastWriteOk();
    m.HistoryEx1.IniFile = ini.FileName();
    m.HistoryEx1.SaveToIni();
    return ok;
}
