#include "CommandLine.h"

#include "JobModel.h"

#include <QRegularExpression>
#include <QScopeGuard>

namespace {

// A decimal integer as the options take it: an optional sign and digits.
int toInt(const QString &text, const QString &param)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    bool ok = false;
    const int v = decimal.match(text).hasMatch() ? text.toInt(&ok, 10) : 0;
    if (!ok)
        throw EConvertError(texts::NotAnInteger(text, param));
    return v;
}

} // namespace

// One parameter as the interpreter reads it.
struct TParam {
    JobModel &m;
    ICommandHost &host;
    const TParamRule &rule;
    QString written;     // as written: a file name keeps its case
    QString upper;       // upper-cased, as the rules are matched
    QString &saveName;   // the interpretation's "/SAVE:" name

    // What follows the rule's text ("80" of "/HT80").
    QString value() const { return ParamValue(rule, upper); }
    bool on() const { return rule.value != 0; }
    // The value as a decimal integer; a conversion error names the parameter.
    int number() const { return toInt(value(), written); }
};

namespace {

void setNumber(TSpinState &spin, TParam &p) { spin.setValue(p.number()); }

void trayIcon(TParam &p)
{
    p.m.ResTaskTray = p.on();
    p.host.SetTrayIcon(p.on());
    // Residence ends where the icon cannot be registered: the window is then
    // never marked to hide.
    p.host.SetShowMainForm(!p.m.ResTaskTray);
}

void librarySymbology(TParam &p)
{
    // A number below 1000 (or no library) clears the override.
    if (!p.m.LibraryLoaded()) {
        p.m.ZintBarType = 0;
        return;
    }
    const int n = LibraryOfParam(p.upper);
    if (n < 0)
        toInt(p.upper.mid(1, 4), p.written);   // says which parameter does not convert
    p.m.ZintBarType = n < kZintRawOffset ? 0 : n;
}

void symbology(TParam &p) { p.m.CdType.setItemIndex(p.rule.value); }
void width(TParam &p) { p.m.ThinWd.setItemIndex(p.rule.value); }
void startChar(TParam &p) { p.m.StartCh.setItemIndex(p.m.StartCh.Items().indexOf(p.value().left(1))); }
void stopChar(TParam &p) { p.m.StopCH.setItemIndex(p.m.StopCH.Items().indexOf(p.value().left(1))); }
void commentPos(TParam &p) { p.m.ComntPos.setItemIndex(p.rule.value); }
void commentAlign(TParam &p) { p.m.ComntAl.setItemIndex(p.rule.value); }
void pictureKind(TParam &p) { p.m.SetPictureKind(TBarPictures(p.rule.value)); }

// The options, in the order they are tried. The first rule that matches the
// upper-cased parameter decides; "/ST" is tried for equality long before
// its prefix form, and "SC0" has no slash (so "/SC0" is data).
const QList<TParamRule> kRules = {
    {"/S", false, Option::Minimize, 0, [](TParam &p) { p.host.Minimize(); }},
    {"/ST", false, Option::TrayClose, 0,
     [](TParam &p) {
         p.m.ResTaskTray = true;
         p.host.RequestClose();
     }},
    // The file name keeps the case it was written in: Linux file names are case-sensitive.
    {"/SAVE:", true, Option::Save, 0, [](TParam &p) { p.saveName = ParamValue(p.rule, p.written); }},
    {"/JAN", false, Option::Symbology, cbarJAN, symbology},
    {"/C39", false, Option::Symbology, cbarCODE39, symbology},
    {"/NW7", false, Option::Symbology, cbarNW7, symbology},
    {"/ITF", false, Option::Symbology, cbarITF, symbology},
    {"/CST", false, Option::Symbology, cbarCUSTOMER, symbology},
    {"/UPC", false, Option::Symbology, cbarUPC, symbology},
    {"/CTF", false, Option::Symbology, cbarCTF, symbology},
    {"/IATA", false, Option::Symbology, cbarIATA, symbology},
    {"/MAT", false, Option::Symbology, cbarMATRIX, symbology},
    {"/NEC", false, Option::Symbology, cbarNEC, symbology},
    {"/C128", false, Option::Symbology, cbarCODE128, symbology},
    {"/C93", false, Option::Symbology, cbarCODE93, symbology},
    {"/QR2", false, Option::Symbology, kIndexQR, symbology},
    {"/GS1LTD", false, Option::Symbology, kIndexFirstLibrary, symbology},
    {"/GS1STK", false, Option::Symbology, kIndexFirstLibrary + 1, symbology},
    {"/GS1STD", false, Option::Symbology, kIndexFirstLibrary + 2, symbology},
    {"/GS1SOM", false, Option::Symbology, kIndexFirstLibrary + 3, symbology},
    {"/PDF417", false, Option::Symbology, kIndexFirstLibrary + 4, symbology},
    {"/PDF417T", false, Option::Symbology, kIndexFirstLibrary + 5, symbology},
    {"/GS1128", false, Option::Symbology, cbarGS1128, symbology},
    {"/ITF14", false, Option::Symbology, cbarITF14, symbology},
    {"/JANADD", false, Option::Symbology, cbarJANADD, symbology},
    {"/DM", false, Option::Symbology, kIndexDataMatrix, symbology},
    {"/GS1DM", false, Option::Symbology, kIndexGS1DataMatrix, symbology},
    {"/AZTEC", false, Option::Symbology, kIndexAztec, symbology},
    {"/1", true, Option::LibrarySymbology, 0, librarySymbology},
    {"/TN1", false, Option::Width, 0, width},
    {"/TN2", false, Option::Width, 1, width},
    {"/TN3", false, Option::Width, 2, width},
    {"/CD1", false, Option::CheckDigit, 1, [](TParam &p) { p.m.CheckDigit.Assign(p.on()); }},
    {"/CD0", false, Option::CheckDigit, 0, [](TParam &p) { p.m.CheckDigit.Assign(p.on()); }},
    {"/CC1", false, Option::CodeChar, 1, [](TParam &p) { p.m.AddCodeChar.setChecked(p.on()); }},
    {"/CC0", false, Option::CodeChar, 0, [](TParam &p) { p.m.AddCodeChar.setChecked(p.on()); }},
    {"/BC1", false, Option::Frame, 1, [](TParam &p) { p.m.BoxDraw.setChecked(p.on()); }},
    {"/BC0", false, Option::Frame, 0, [](TParam &p) { p.m.BoxDraw.setChecked(p.on()); }},
    {"/ST", true, Option::StartChar, 0, startChar},
    {"/SP", true, Option::StopChar, 0, stopChar},
    {"/HT", true, Option::Height, 0, [](TParam &p) { setNumber(p.m.BarHeight, p); }},
    {"/LM", true, Option::LeftMargin, 0, [](TParam &p) { setNumber(p.m.LeftMargin, p); }},
    {"/TM", true, Option::TopMargin, 0, [](TParam &p) { setNumber(p.m.TopMargin, p); }},
    {"/C:", true, Option::Comment, 0,
     [](TParam &p) {
         p.m.ComntStr.setText(p.value());
         p.m.Comnt.setChecked(true);
     }},
    {"/CAU", false, Option::CommentPos, 0, commentPos},
    {"/CAD", false, Option::CommentPos, 1, commentPos},
    {"/CAL", false, Option::CommentAlign, locLeft, commentAlign},
    {"/CAC", false, Option::CommentAlign, locCenter, commentAlign},
    {"/CAR", false, Option::CommentAlign, locRight, commentAlign},
    {"/CWM", false, Option::PictureKind, pbarWMF, pictureKind},
    {"/CEM", false, Option::PictureKind, pbarEMF, pictureKind},
    {"/CBM", false, Option::PictureKind, pbarBMP, pictureKind},
    {"/QRV", true, Option::QRVersion, 0, [](TParam &p) { setNumber(p.m.QRVer, p); }},
    {"/QRE", true, Option::QRLevel, 0, [](TParam &p) { p.m.QRErr.setItemIndex(p.number()); }},
    {"/SC1", true, Option::QRSpecial, 1, [](TParam &p) { p.m.SpCode.Assign(p.on()); }},
    {"SC0", true, Option::QRSpecial, 0, [](TParam &p) { p.m.SpCode.Assign(p.on()); }},
    {"/VOFF", false, Option::TrayIcon, 1, trayIcon},
    {"/VON", false, Option::TrayIcon, 0, trayIcon},
    {"/D:", true, Option::Delay, 0, [](TParam &p) { p.m.DelayTime = p.number(); }},
    {"/EXIT", false, Option::Exit, 0, [](TParam &p) { p.m.ExitFlag = true; }},
    {"/AC0", false, Option::ExtChar, 0, [](TParam &p) { p.m.AddSChar.setChecked(p.on()); }},
    {"/AC1", false, Option::ExtChar, 1, [](TParam &p) { p.m.AddSChar.setChecked(p.on()); }},
};

} // namespace

const QList<TParamRule> &ParamRules() { return kRules; }

const TParamRule *MatchParam(const QString &param)
{
    const QString p = param.toUpper();
    for (const TParamRule &rule : kRules) {
        const QLatin1StringView text(rule.text);
        if (rule.prefix ? p.startsWith(text) : p == text)
            return &rule;
    }
    return nullptr;
}

int SymbologyOfParam(const QString &param)
{
    const TParamRule *rule = MatchParam(param);
    return rule && rule->option == Option::Symbology ? rule->value : -1;
}

QString ParamValue(const TParamRule &rule, const QString &param) { return param.mid(qstrlen(rule.text)); }

int LibraryOfParam(const QString &param)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    const QString n = param.mid(1, 4);
    return decimal.match(n).hasMatch() ? n.toInt() : -1;
}

void ICommandHost::Save(JobModel &model, const QString &fileName) { model.SaveFile(fileName); }

void InterpretParams(JobModel &m, ICommandHost &host)
{
    // The bus and the instance queue their work while a creation runs: an
    // interpretation never starts inside another.
    Q_ASSERT(!m.Running);
    m.Comnt.setChecked(false);   // a comment is drawn only when "/C:" is given
    const auto interpretation = m.Scope();
    QString saveName;
    m.DelayTime = 0;
    m.ExitFlag = false;
    m.ZintBarType = 0;

    const qsizetype count = m.Params.size();
    for (qsizetype i = 0; i < count && i < m.Params.size(); ++i) {
        const QString written = m.Params.at(i);
        const QString p = written.toUpper();
        if (p.isEmpty())
            continue;
        const TParamRule *rule = MatchParam(p);
        if (!rule) {
            // Data, in the case it was written.
            if (!m.ExitFlag)
                m.EditCode.setText(written);
            continue;
        }
        TParam param{m, host, *rule, written, p, saveName};
        rule->apply(param);
    }
    host.ProcessMessages();

    if (!m.ExitFlag) {
        {
            const auto creation = m.Scope({.NoHist = true, .AutoCopy = true});
            try {
                m.RB_Click();
            } catch (...) {
                // A failure inside the creation is dropped (the creation has
                // reported it: BError, its picture); the save still follows.
            }
        }
        host.ProcessMessages();
        m.HoldAfterCreation();
        if (!saveName.isEmpty())
            host.Save(m, saveName);
        return;
    }
    // "/EXIT": nothing is created or saved here. At start-up the window
    // closes when it is first shown.
    if (!m.InitPers) {
        if (m.ResTaskTray) {
            m.TaskClose = true;
            m.ResTaskTray = false;
        }
        host.RequestClose();
    }
}

QStringList SplitParamText(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

QString JoinParamText(const QStringList &params)
{
    QString text;
    for (const QString &p : params)
        text += QStringLiteral("\r\n") + p;
    return text.mid(1);   // the leading CR goes: the text begins with LF
}
