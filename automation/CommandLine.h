// The command-line option language of Zebrix: the same for start-up
// parameters, parameters a second start forwards to the running window, and
// the console front end zebrixc.
#pragma once

#include <QString>
#include <QStringList>

class JobModel;

// What the interpreter needs beyond the job model. The defaults do nothing,
// which is right for a run without a window.
class ICommandHost
{
public:
    virtual ~ICommandHost() = default;
    // Let the message queue run once.
    virtual void ProcessMessages() {}
    // "/S": minimise the application.
    virtual void Minimize() {}
    // "/ST" and a forwarded "/EXIT": ask the main window to close.
    virtual void RequestClose() {}
    // "/VOFF", "/VON": the notification-area icon and whether the main window shows.
    virtual void SetTrayIcon(bool visible) { (void)visible; }
    virtual void SetShowMainForm(bool show) { (void)show; }
    // The save at the end of an interpretation ("/SAVE:"); by default the
    // model's SaveFile. Throws on a write error.
    virtual void Save(JobModel &model, const QString &fileName);
};

// One parameter's meaning: the option it matches (its index in the table
// below, in table order), or data.
struct TParamRule {
    const char *option;   // as written in the table ("/SAVE:", "/1", "SC0", ...)
    bool prefix;          // a prefix test rather than equality
};
const QList<TParamRule> &ParamRules();
// The rule a parameter matches (upper-cased, compared in table order), or
// -1 when the parameter is data.
int MatchParam(const QString &param);
// The symbology index a rule selects ("/JAN" 0 ... "/PDF417T" 18), -1 for
// rules that select none.
int SymbologyOfRule(int rule);

// Interprets model.Params in order and runs one creation (unless "/EXIT"),
// then the save ("/SAVE:"). A number option whose value is not a decimal
// integer stops the interpretation with EConvertError; the options before it
// stay applied, nothing is created or saved, and Running is clear again.
// A write error of the save propagates as std::runtime_error.
void InterpretParams(JobModel &model, ICommandHost &host);

// Splits forwarded parameter text at CR, LF or CR LF.
QStringList SplitParamText(const QString &text);
// The forwarded form of parameters: a single LF, then the parameters
// separated by CR LF.
QString JoinParamText(const QStringList &params);
