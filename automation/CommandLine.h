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
    // "/VOFF", "/VON": the notification-area icon (where none can be
    // registered, residence ends: ResTaskTray is cleared).
    virtual void SetTrayIcon(bool visible) { (void)visible; }
    // The mark that decides whether the main window shows at start (the
    // mark alone: nothing is shown or hidden).
    virtual void SetShowMainForm(bool show) { (void)show; }
    // The mark that decides whether the main window shows at start.
    virtual bool ShowMainForm() const { return true; }
    // The automation object's Show: the mark, and the window shown or hidden with it.
    virtual void Show(bool show) { SetShowMainForm(show); }
    // The save at the end of an interpretation ("/SAVE:"); by default the
    // model's SaveFile. Throws on a write error.
    virtual void Save(JobModel &model, const QString &fileName);
};

// What an option does. Options of one kind share a name and differ by the
// value of their table row (the symbology index, the item, on or off).
enum class Option {
    Minimize,        // "/S"
    TrayClose,       // "/ST": stay in the notification area, close
    Save,            // "/SAVE:" file name
    Symbology,       // "/JAN" ... "/PDF417T", "/GS1128" ... "/AZTEC": value = the CdType index
    LibrarySymbology,// "/1nnnn": raw library symbology + 1000
    Width,           // "/TN1".."/TN3": value = ThinWd index
    CheckDigit,      // "/CD1", "/CD0": value = on
    CodeChar,        // "/CC1", "/CC0"
    Frame,           // "/BC1", "/BC0"
    StartChar,       // "/STx"
    StopChar,        // "/SPx"
    Height,          // "/HTn"
    LeftMargin,      // "/LMn"
    TopMargin,       // "/TMn"
    Comment,         // "/C:text"
    CommentPos,      // "/CAU", "/CAD": value = ComntPos index
    CommentAlign,    // "/CAL", "/CAC", "/CAR": value = ComntAl index
    PictureKind,     // "/CWM", "/CEM", "/CBM": value = TBarPictures
    QRVersion,       // "/QRVn"
    QRLevel,         // "/QREn"
    QRSpecial,       // "/SC1" on, "SC0" off
    TrayIcon,        // "/VOFF" (value 1), "/VON" (value 0)
    Delay,           // "/D:n"
    Exit,            // "/EXIT"
    ExtChar,         // "/AC1", "/AC0": value = on
};

struct TParam;

// One row of the option table.
struct TParamRule {
    const char *text;     // as written in the table ("/SAVE:", "/1", "SC0", ...)
    bool prefix;          // a prefix test rather than equality
    Option option;
    int value = 0;        // see Option
    void (*apply)(TParam &) = nullptr;   // what the option does to the job
};
// The rows in the order they are tried.
const QList<TParamRule> &ParamRules();
// The row a parameter matches (upper-cased, compared in table order), or
// nullptr when the parameter is data.
const TParamRule *MatchParam(const QString &param);
// The symbology index the parameter selects, -1 for parameters that select none.
int SymbologyOfParam(const QString &param);
// What follows the rule's text in the parameter, in the case it was written
// (the file name of "/SAVE:name").
QString ParamValue(const TParamRule &rule, const QString &param);
// The raw library symbology + 1000 a "/1nnnn" parameter names (its
// characters 2 to 5), or -1 when they are no number.
int LibraryOfParam(const QString &param);

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
