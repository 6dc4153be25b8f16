// Macros: what other programs send a running Zebrix over its macro interface.
// A macro is lines of "COMMAND value" (one blank between them) that set the
// job, write data and create the symbol, save the picture, or close Zebrix.
// The interpreter works on the job model alone; the transport (D-Bus) only
// hands it the text and replies when it returns.
#pragma once

#include <QString>
#include <QStringList>

class ICommandHost;
class JobModel;

// The lines of a macro: split at CR, LF or CR LF. A break at the very end
// adds no line; an empty macro has no lines.
QStringList SplitMacroLines(const QString &macro);

// An integer value of a macro: decimal with an optional sign, or
// hexadecimal after "$" (up to 8 digits, taken as 32 bits: "$FFFFFFFF" is
// -1). Nothing else is allowed, blanks included. Throws EConvertError
// naming the command when the value does not convert or does not fit.
int MacroInt(const QString &value, const QString &command);

// The symbology index a "CODE" word names (compared whole, in any case:
// "128" is Code 128), or -1 when the value is no word.
int MacroSymbology(const QString &value);

// Runs a macro on the model, line by line, each upper-cased before it is
// examined; a line without a blank (an empty line, "CLOSE") ends the macro.
// For its duration AutoCopy is checked and the clipboard watcher is off;
// both come back however the macro ends. "WRITE" waits (letting the host
// process messages) while another creation is running, and what it creates
// never enters the history. File names of "SAVE" keep the case they were
// written in; a relative name is relative to the working folder of the
// running Zebrix. "CLOSE" asks the host to close the window.
//
// Throws EConvertError when a number does not convert (the lines before it
// stay applied, the rest are not run) or when a creation's QR escape does
// not convert, and std::runtime_error when "SAVE" cannot write its file.
void RunMacro(JobModel &model, ICommandHost &host, const QString &macro);
