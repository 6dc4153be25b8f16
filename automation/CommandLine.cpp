#include "CommandLine.h"

#include "JobModel.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>

namespace {

// The options, in the order they are tried. The first rule that matches the
// upper-cased parameter decides; "/ST" is tried for equality long before
// its prefix form, and "SC0" has no slash (so "/SC0" is data).
const QList<TParamRule> kRules = {
    {"/S", false, Option::Minimize},
    {"/ST", false, Option::TrayClose},
    {"/SAVE:", true, Option::Save},
    {"/JAN", false, Option::Symbology, cbarJAN},
    {"/C39", false, Option::Symbology, cbarCODE39},
    {"/NW7", false, Option::Symbology, cbarNW7},
    {"/ITF", false, Option::Symbology, cbarITF},
    {"/CST", false, Option::Symbology, cbarCUSTOMER},
    {"/UPC", false, Option::Symbology, cbarUPC},
    {"/CTF", false, Option::Symbology, cbarCTF},
    {"/IATA", false, Option::Symbology, cbarIATA},
    {"/MAT", false, Option::Symbology, cbarMATRIX},
    {"/NEC", false, Option::Symbology, cbarNEC},
    {"/C128", false, Option::Symbology, cbarCODE128},
    {"/C93", false, Option::Symbology, cbarCODE93},
    {"/QR2", false, Option::Symbology, kIndexQR},
    {"/GS1LTD", false, Option::Symbology, kIndexFirstLibrary},
    {"/GS1STK", false, Option::Symbology, kIndexFirstLibrary + 1},
    {"/GS1STD", false, Option::Symbology, kIndexFirstLibrary + 2},
    {"/GS1SOM", false, Option::Symbology, kIndexFirstLibrary + 3},
    {"/PDF417", false, Option::Symbology, kIndexFirstLibrary + 4},
    {"/PDF417T", false, Option::Symbology, kIndexFirstLibrary + 5},
    {"/1", true, Option::LibrarySymbology},
    {"/TN1", false, Option::Width, 0},
    {"/TN2", false, Option::Width, 1},
    {"/TN3", false, Option::Width, 2},
    {"/CD1", false, Option::CheckDigit, 1},
    {"/CD0", false, Option::CheckDigit, 0},
    {"/CC1", false, Option::CodeChar, 1},
    {"/CC0", false, Option::CodeChar, 0},
    {"/BC1", false, Option::Frame, 1},
    {"/BC0", false, Option::Frame, 0},
    {"/ST", true, Option::StartChar},
    {"/SP", true, Option::StopChar},
    {"/HT", true, Option::Height},
    {"/LM", true, Option::LeftMargin},
    {"/TM", true, Option::TopMargin},
    {"/C:", true, Option::Comment},
    {"/CAU", false, Option::CommentPos, 0},
    {"/CAD", false, Option::CommentPos, 1},
    {"/CAL", false, Option::CommentAlign, locLeft},
    {"/CAC", false, Option::CommentAlign, locCenter},
    {"/CAR", false, Option::CommentAlign, locRight},
    {"/CWM", false, Option::PictureKind, pbarWMF},
    {"/CEM", false, Option::PictureKind, pbarEMF},
    {"/CBM", false, Option::PictureKind, pbarBMP},
    {"/QRV", true, Option::QRVersion},
    {"/QRE", true, Option::QRLevel},
    {"/SC1", true, Option::QRSpecial, 1},
    {"SC0", true, Option::QRSpecial, 0},
    {"/VOFF", false, Option::TrayIcon, 1},
    {"/VON", false, Option::TrayIcon, 0},
    {"/D:", true, Option::Delay},
    {"/EXIT", false, Option::Exit},
    {"/AC0", false, Option::ExtChar, 0},
    {"/AC1", false, Option::ExtChar, 1},
};

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
        const bool on = rule->value != 0;
        switch (rule->option) {
        case Option::Minimize:
            host.Minimize();
            break;
        case Option::TrayClose:
            m.ResTaskTray = true;
            host.RequestClose();
            break;
        case Option::Save:
            // The file name keeps the case it was written in: Linux file
            // names are case-sensitive.
            saveName = written.mid(6);
            break;
        case Option::Symbology:
            m.CdType.setItemIndex(rule->value);
            break;
        case Option::LibrarySymbology:
            if (m.LibraryLoaded()) {
                const int n = toInt(p.mid(1, 4), written);
                m.ZintBarType = n < kZintRawOffset ? 0 : n;
            } else {
                m.ZintBarType = 0;
            }
            break;
        case Option::Width:
            m.ThinWd.setItemIndex(rule->value);
            break;
        case Option::CheckDigit:
            m.CheckDigit.Assign(on);
            break;
        case Option::CodeChar:
            m.AddCodeChar.setChecked(on);
            break;
        case Option::Frame:
            m.BoxDraw.setChecked(on);
            break;
        case Option::StartChar:
            m.StartCh.setItemIndex(m.StartCh.Items().indexOf(p.mid(3, 1)));
            break;
        case Option::StopChar:
            m.StopCH.setItemIndex(m.StopCH.Items().indexOf(p.mid(3, 1)));
            break;
        case Option::Height:
            m.BarHeight.setValue(toInt(p.mid(3), written));
            break;
        case Option::LeftMargin:
            m.LeftMargin.setValue(toInt(p.mid(3), written));
            break;
        case Option::TopMargin:
            m.TopMargin.setValue(toInt(p.mid(3), written));
            break;
        case Option::Comment:
            m.ComntStr.setText(p.mid(3));
            m.Comnt.setChecked(true);
            break;
        case Option::CommentPos:
            m.ComntPos.setItemIndex(rule->value);
            break;
        case Option::CommentAlign:
            m.ComntAl.setItemIndex(rule->value);
            break;
        case Option::PictureKind:
            m.SetPictureKind(TBarPictures(rule->value));
            break;
        case Option::QRVersion:
            m.QRVer.setValue(toInt(p.mid(4), written));
            break;
        case Option::QRLevel:
            m.QRErr.setItemIndex(toInt(p.mid(4), written));
            break;
        case Option::QRSpecial:
            m.SpCode.Assign(on);
            break;
        case Option::TrayIcon:
            m.ResTaskTray = on;
            host.SetTrayIcon(on);
            // Residence ends where the icon cannot be registered: the window
            // is then never marked to hide.
            host.SetShowMainForm(!m.ResTaskTray);
            break;
        case Option::Delay:
            m.DelayTime = toInt(p.mid(3), written);
            break;
        case Option::Exit:
            m.ExitFlag = true;
            break;
        case Option::ExtChar:
            m.AddSChar.setChecked(on);
            break;
        }
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
        if (m.DelayTime > 0)
            QThread::msleep(static_cast<unsigned long>(m.DelayTime));
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
