#include "Settings.h"

#include "JobModel.h"

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kDesktop = QStringLiteral("Desktop");
const QString kLanguage = QStringLiteral("Language");

// One key of the settings file: its section and name, the default of a
// first start, and how it is read into and written from the job and the
// window. When it is read: with the job settings, or with the placement
// and the font (later in the start sequence), or never.
struct TKey {
    enum When { WithJob, WithPlacement, Never };
    const QString &section;
    const char *name;
    int def;
    When when;
    void (*read)(const TKey &, TIniGT &, JobModel &, TWindowSettings &);
    void (*write)(const TKey &, TIniGT &, JobModel &, const TWindowSettings &);

    QString Name() const { return QLatin1String(name); }
};

using Key = const TKey &;
using Ini = TIniGT &;
using Model = JobModel &;

template <auto member>
TKey check(const char *name, bool def = false)
{
    return {kOptions, name, def, TKey::WithJob,
            [](Key k, Ini ini, Model m, TWindowSettings &) { (m.*member).setChecked(ini.ReadBool(k.section, k.Name(), k.def)); },
            [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteBool(k.section, k.Name(), (m.*member).Checked()); }};
}

// A drop-down list given an index outside its items ends with no selection.
template <auto member>
TKey index(const char *name, int def)
{
    return {kOptions, name, def, TKey::WithJob,
            [](Key k, Ini ini, Model m, TWindowSettings &) { (m.*member).setItemIndex(ini.ReadInt(k.section, k.Name(), k.def)); },
            [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteInt(k.section, k.Name(), (m.*member).ItemIndex()); }};
}

// A spin edit takes the stored number as it is.
template <auto member>
TKey spin(const char *name, int def)
{
    return {kOptions, name, def, TKey::WithJob,
            [](Key k, Ini ini, Model m, TWindowSettings &) {
                (m.*member).setText(QString::number(ini.ReadInt(k.section, k.Name(), k.def)));
            },
            [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteInt(k.section, k.Name(), (m.*member).Value()); }};
}

// A flag of the window's that the menus do not show.
template <auto member>
TKey flag(const char *name)
{
    return {kOptions, name, false, TKey::WithJob,
            [](Key k, Ini ini, Model m, TWindowSettings &) { m.*member = ini.ReadBool(k.section, k.Name(), k.def); },
            [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteBool(k.section, k.Name(), m.*member); }};
}

// Keys only ever read: a hand edit's colours and the frozen file.
template <auto member>
TKey colour(const char *name, TColor def)
{
    return {kOptions, name, int(def), TKey::WithJob,
            [](Key k, Ini ini, Model m, TWindowSettings &) { m.*member = TColor(ini.ReadInt(k.section, k.Name(), k.def)); },
            nullptr};
}

// The copy kinds are one radio group. A hand edit may set several keys, or
// one without the others: the enhanced metafile is the default only where
// neither other kind is set, and of the kinds set the first in the order
// the picture kind is chosen by wins (none: the bitmap).
void readCopyKinds(Key, Ini ini, Model m, TWindowSettings &)
{
    const bool mfSet = ini.ReadBool(kOptions, QStringLiteral("CopyToMf"), false);
    const bool bmSet = ini.ReadBool(kOptions, QStringLiteral("CopyToBm"), false);
    const bool mf = mfSet;
    const bool emf = !mf && ini.ReadBool(kOptions, QStringLiteral("CopyToEMf"), !mfSet && !bmSet);
    m.CopyMf.setChecked(mf);
    m.CopyEmf.setChecked(emf);
    m.CopyBm.setChecked(!mf && !emf);
    m.CopyJpg.setChecked(false);
}

// The keys in the order the closing window writes them.
const std::vector<TKey> &keys()
{
    static const std::vector<TKey> table = {
        flag<&JobModel::ResTaskTray>("TaskTary"),
        // Beyond the list's items: JAN; below them (no item at all): no selection.
        {kOptions, "CodeType", 1, TKey::WithJob,
         [](Key k, Ini ini, Model m, TWindowSettings &) {
             const int codeType = ini.ReadInt(k.section, k.Name(), k.def);
             m.CdType.setItemIndex(codeType < m.CdType.Count() ? codeType : 0);
         },
         [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteInt(k.section, k.Name(), m.CdType.ItemIndex()); }},
        index<&JobModel::ThinWd>("ThinWidth", 0),
        check<&JobModel::CheckDigit>("CheckDigit"),
        check<&JobModel::AddCodeChar>("AddCodeChar"),
        // 1 detail, 2 normal, 3 minimum; the designed layout is written as 3.
        {kOptions, "FormType", 1, TKey::WithJob,
         [](Key k, Ini ini, Model, TWindowSettings &w) { w.FormType = TViewMode(ini.ReadInt(k.section, k.Name(), k.def)); },
         [](Key k, Ini ini, Model, const TWindowSettings &w) {
             ini.WriteInt(k.section, k.Name(), int(IsViewMode(w.FormType) ? w.FormType : TViewMode::Minimum));
         }},
        {kOptions, "FormStyle", false, TKey::WithJob,
         [](Key k, Ini ini, Model, TWindowSettings &w) { w.FormStyle = ini.ReadBool(k.section, k.Name(), k.def); },
         [](Key k, Ini ini, Model, const TWindowSettings &w) { ini.WriteBool(k.section, k.Name(), w.FormStyle); }},
        check<&JobModel::AutoCopy>("AutoCopy"),
        {kOptions, "CopyToMf", false, TKey::WithJob, readCopyKinds,
         [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteBool(k.section, k.Name(), m.CopyMf.Checked()); }},
        {kOptions, "CopyToEMf", true, TKey::WithJob, nullptr,   // read with CopyToMf
         [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteBool(k.section, k.Name(), m.CopyEmf.Checked()); }},
        {kOptions, "CopyToBm", false, TKey::WithJob, nullptr,
         [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteBool(k.section, k.Name(), m.CopyBm.Checked()); }},
        check<&JobModel::ClipbrdWatch>("CBWatch"),
        spin<&JobModel::BarHeight>("BarHeight", 50),
        spin<&JobModel::LeftMargin>("LeftMargin", 20),
        spin<&JobModel::TopMargin>("TopMargin", 5),
        {kDesktop, "Windows", 0, TKey::WithPlacement,
         [](Key k, Ini ini, Model, TWindowSettings &w) { ini.ReadWin(k.section, k.Name(), w.Placement); },
         [](Key k, Ini ini, Model, const TWindowSettings &w) { ini.WriteWin(k.section, k.Name(), w.Placement); }},
        // In quotes, so that blanks at either end survive.
        {kDesktop, "LastStr", 0, TKey::WithJob,
         [](Key k, Ini ini, Model m, TWindowSettings &) { m.EditCode.setText(ini.ReadStr(k.section, k.Name(), QString())); },
         [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteQuoted(k.section, k.Name(), m.EditCode.Text()); }},
        {kOptions, "Font", 0, TKey::WithPlacement,
         [](Key k, Ini ini, Model m, TWindowSettings &) {
             QFont font = m.Fnt;
             TColor colour = m.FntColor;
             try {
                 ini.ReadFont(k.section, k.Name(), font, colour);
             } catch (const EIniConvertError &) {
                 // A colour that is no hexadecimal number: the font with its colour as it was.
             }
             m.ApplyFont(font, colour);
         },
         [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteFont(k.section, k.Name(), m.Fnt, m.FntColor); }},
        check<&JobModel::BoxDraw>("BoxDraw"),
        check<&JobModel::Comnt>("Comment"),
        index<&JobModel::ComntPos>("ComntPos", 1),
        index<&JobModel::ComntAl>("ComntAl", 1),
        {kOptions, "ComntStr", 0, TKey::WithJob,
         [](Key k, Ini ini, Model m, TWindowSettings &) { m.ComntStr.setText(ini.ReadStr(k.section, k.Name(), QString())); },
         [](Key k, Ini ini, Model m, const TWindowSettings &) { ini.WriteStr(k.section, k.Name(), m.ComntStr.Text()); }},
        spin<&JobModel::QRVer>("QRVersion", 4),
        index<&JobModel::QRErr>("QRErrLebel", 0),
        check<&JobModel::Triming>("Trim_Space"),
        check<&JobModel::PasteError>("PasteErr"),
        check<&JobModel::AddSChar>("AddSChar"),
        index<&JobModel::StartCh>("StartChar", 0),
        index<&JobModel::StopCH>("StopChar", 0),
        check<&JobModel::BWindow>("BWindow"),
        {kLanguage, "Language", 0, TKey::Never, nullptr,
         [](Key k, Ini ini, Model, const TWindowSettings &w) {
             ini.WriteStr(k.section, k.Name(), w.Language == u"en_US" ? QStringLiteral("en_US") : QStringLiteral("ja"));
         }},
        // Read only: colours and the frozen file are a hand edit's.
        colour<&JobModel::BarCol>("BarColor", 0),
        colour<&JobModel::BackCol>("BackColor", 0xFFFFFF),
        {kOptions, "NoSaveIni", false, TKey::WithJob,
         [](Key k, Ini ini, Model m, TWindowSettings &) { m.NoSaveIni = ini.ReadBool(k.section, k.Name(), k.def); }, nullptr},
    };
    return table;
}

void readKeys(TKey::When when, TIniGT &ini, JobModel &m, TWindowSettings &window)
{
    for (const TKey &k : keys())
        if (k.when == when && k.read)
            k.read(k, ini, m, window);
}

} // namespace

void ReadSettings(TIniGT &ini, JobModel &m, TWindowSettings &window)
{
    readKeys(TKey::WithJob, ini, m, window);
}

void ReadPlacementAndFont(TIniGT &ini, JobModel &m, TWindowSettings &window)
{
    readKeys(TKey::WithPlacement, ini, m, window);
}

QString WriteSettings(TIniGT &ini, JobModel &m, const TWindowSettings &window)
{
    if (m.NoSaveIni)
        return {};
    // One replacement of the file for all keys.
    ini.BeginUpdate();
    for (const TKey &k : keys())
        if (k.write)
            k.write(k, ini, m, window);
    ini.EndUpdate();
    const QString why = ini.LastWriteError();
    m.HistoryEx1.IniFile = ini.FileName();
    const QString historyWhy = m.HistoryEx1.SaveToIni();
    return why.isEmpty() ? historyWhy : why;
}
