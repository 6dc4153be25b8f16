#include "CommandLine.h"

#include "JobModel.h"

#include <QRegularExpression>
#include <QThread>

namespace {

// The options, in the order they are tried. The first rule that matches the
// upper-cased parameter decides; "/ST" is tried for equality long before
// its prefix form, and "SC0" has no slash (so "/SC0" is data).
const QList<TParamRule> kRules = {
    {"/S", false},       // 0  minimise
    {"/ST", false},      // 1  stay in the notification area, close
    {"/SAVE:", true},    // 2  file to save
    {"/JAN", false},     // 3
    {"/C39", false},     // 4
    {"/NW7", false},     // 5
    {"/ITF", false},     // 6
    {"/CST", false},     // 7  customer barcode
    {"/UPC", false},     // 8
    {"/CTF", false},     // 9
    {"/IATA", false},    // 10
    {"/MAT", false},     // 11
    {"/NEC", false},     // 12
    {"/C128", false},    // 13
    {"/C93", false},     // 14
    {"/QR2", false},     // 15
    {"/GS1LTD", false},  // 16
    {"/GS1STK", false},  // 17
    {"/GS1STD", false},  // 18
    {"/GS1SOM", false},  // 19
    {"/PDF417", false},  // 20
    {"/PDF417T", false}, // 21
    {"/1", true},        // 22 raw library symbology
    {"/TN1", false},     // 23
    {"/TN2", false},     // 24
    {"/TN3", false},     // 25
    {"/CD1", false},     // 26
    {"/CD0", false},     // 27
    {"/CC1", false},     // 28
    {"/CC0", false},     // 29
    {"/BC1", false},     // 30
    {"/BC0", false},     // 31
    {"/ST", true},       // 32 start character
    {"/SP", true},       // 33 stop character
    {"/HT", true},       // 34
    {"/LM", true},       // 35
    {"/TM", true},       // 36
    {"/C:", true},       // 37 comment
    {"/CAU", false},     // 38
    {"/CAD", false},     // 39
    {"/CAL", false},     // 40
    {"/CAC", false},     // 41
    {"/CAR", false},     // 42
    {"/CWM", false},     // 43
    {"/CEM", false},     // 44
    {"/CBM", false},     // 45
    {"/QRV", true},      // 46
    {"/QRE", true},      // 47
    {"/SC1", true},      // 48
    {"SC0", true},       // 49
    {"/VOFF", false},    // 50
    {"/VON", false},     // 51
    {"/D:", true},       // 52
    {"/EXIT", false},    // 53
    {"/AC0", false},     // 54
    {"/AC1", false},     // 55
};

// The symbology index of each symbology option, in rule order 3..21.
constexpr int kSymbologyOfRule[] = {0, 2, 3, 4, 9, 1, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18};

// A decimal integer as the options take it: an optional sign and digits.
int toInt(const QString &text, const QString &param)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    bool ok = false;
    const int v = decimal.match(text).hasMatch() ? text.toInt(&ok, 10) : 0;
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value (%2)").arg(text, param));
    return v;
}

// Clears Running when the interpretation ends, however it ends.
struct RunningGuard {
    JobModel &m;
    ~RunningGuard() { m.Running = false; }
};

} // namespace

const QList<TParamRule> &ParamRules() { return kRules; }

int MatchParam(const QString &param)
{
    const QString p = param.toUpper();
    for (int i = 0; i < kRules.size(); ++i) {
        const QLatin1StringView option(kRules[i].option);
        if (kRules[i].prefix ? p.startsWith(option) : p == option)
            return i;
    }
    return -1;
}

int SymbologyOfRule(int rule)
{
    return rule >= 3 && rule <= 21 ? kSymbologyOfRule[rule - 3] : -1;
}

void ICommandHost::Save(JobModel &model, const QString &fileName) { model.SaveFile(fileName); }

void InterpretParams(JobModel &m, ICommandHost &host)
{
    // Another creation or interpretation is still under way.
    while (m.Running)
        host.ProcessMessages();

    m.Comnt.setChecked(false);   // a comment is drawn only when "/C:" is given
    m.Running = true;
    const RunningGuard guard{m};
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
        const int rule = MatchParam(p);
        switch (rule) {
        case 0:
            host.Minimize();
            break;
        case 1:
            m.ResTaskTray = true;
            host.RequestClose();
            break;
        case 2:
            // The file name keeps the case it was written in: Linux file
            // names are case-sensitive.
            saveName = written.mid(6);
            break;
        case 22:
            if (m.LibraryLoaded()) {
                const int n = toInt(p.mid(1, 4), written);
                m.ZintBarType = n < 1000 ? 0 : n;
            } else {
                m.ZintBarType = 0;
            }
            break;
        case 23: case 24: case 25:
            m.ThinWd.setItemIndex(rule - 23);
            break;
        case 26: case 27:
            m.CheckDigit.Assign(rule == 26);
            break;
        case 28: case 29:
            m.AddCodeChar.setChecked(rule == 28);
            break;
        case 30: case 31:
            m.BoxDraw.setChecked(rule == 30);
            break;
        case 32:
            m.StartCh.setItemIndex(m.StartCh.Items().indexOf(p.mid(3, 1)));
            break;
        case 33:
            m.StopCH.setItemIndex(m.StopCH.Items().indexOf(p.mid(3, 1)));
            break;
        case 34:
            m.BarHeight.setValue(toInt(p.mid(3), written));
            break;
        case 35:
            m.LeftMargin.setValue(toInt(p.mid(3), written));
            break;
        case 36:
            m.TopMargin.setValue(toInt(p.mid(3), written));
            break;
        case 37:
            m.ComntStr.setText(p.mid(3));
            m.Comnt.setChecked(true);
            break;
        case 38: case 39:
            m.ComntPos.setItemIndex(rule - 38);
            break;
        case 40: case 41: case 42:
            m.ComntAl.setItemIndex(rule - 40);
            break;
        case 43:
            m.SetPictureKind(pbarWMF);
            break;
        case 44:
            m.SetPictureKind(pbarEMF);
            break;
        case 45:
            m.SetPictureKind(pbarBMP);
            break;
        case 46:
            m.QRVer.setValue(toInt(p.mid(4), written));
            break;
        case 47:
            m.QRErr.setItemIndex(toInt(p.mid(4), written));
            break;
        case 48:
            m.SpCode.Assign(true);
            break;
        case 49:
            m.SpCode.Assign(false);
            break;
        case 50:
            m.ResTaskTray = true;
            host.SetTrayIcon(true);
            host.SetShowMainForm(false);
            break;
        case 51:
            m.ResTaskTray = false;
            host.SetTrayIcon(false);
            host.SetShowMainForm(true);
            break;
        case 52:
            m.DelayTime = toInt(p.mid(3), written);
            break;
        case 53:
            m.ExitFlag = true;
            break;
        case 54: case 55:
            m.AddSChar.setChecked(rule == 55);
            break;
        case -1:
            if (!m.ExitFlag)
                m.EditCode.setText(written);
            break;
        default:
            if (SymbologyOfRule(rule) >= 0)
                m.CdType.setItemIndex(SymbologyOfRule(rule));
            break;
        }
    }
    host.ProcessMessages();

    if (!m.ExitFlag) {
        const bool autoCopy = m.AutoCopy.Checked();
        m.AutoCopy.setChecked(true);
        m.NoHist = true;
        try {
            m.RB_Click();
        } catch (...) {
            // A failure inside the creation is dropped; the save still follows.
        }
        m.NoHist = false;
        // A creation that found no data leaves Running alone: clear it here.
        m.Running = false;
        host.ProcessMessages();
        if (m.DelayTime > 0)
            QThread::msleep(static_cast<unsigned long>(m.DelayTime));
        m.AutoCopy.setChecked(autoCopy);
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
