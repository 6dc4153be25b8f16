// What a single zebrixc run and a batch share: the state a console run
// starts from, one creation with its verdict, and the words for a failure.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class JobModel;

// The state a console run starts from: the window's controls as they would
// stand with the symbology of the parameters selected (so that "/SPD" finds
// NW-7's "D"), since a console run has no earlier state of its own.
void PrepareConsoleModel(JobModel &m, const QStringList &args);

// Whether the parameters ask for a symbology of the stacked-symbol plugin:
// the last symbology switch is one of /GS1Ltd ... /PDF417T, or a "/1nnnn"
// names a raw library symbology (nnnn above 1000).
bool WantsLibrary(const QStringList &args);

// The verdict of one creation.
struct TMade {
    bool ok = false;
    QString message;   // why not, when not ok
};

// Runs the creation flow once, for a picture of the file kind ext ("emf",
// "svg" and "pdf" draw a metafile, anything else a bitmap; no ext keeps the
// kind as it is). A symbol was made when there is data, the
// plugin is there for a library symbology, no percent escape failed and
// the creation reported no error.
TMade MakeSymbol(JobModel &m, bool wantsLibrary, const std::optional<QString> &ext = std::nullopt);

// Why the last creation failed: the status text, for a linear symbology with
// the encoder's reason (which character at which position, which lengths),
// for a library symbology libzint's own message.
QString FailureText(const JobModel &m);

// "zebrixc: text" and a line break on standard error; file names in the
// text keep their bytes.
void PrintError(const QString &text);
