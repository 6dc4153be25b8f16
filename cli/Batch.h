// zebrixc --batch: one symbol per line of standard input.
#pragma once

#include <QStringList>
#include <cstdio>

// Interprets the options once per worker, then makes one symbol of every
// non-empty input line (UTF-8, CR LF or LF) and saves it under the "/SAVE:"
// name with its run of "#" replaced by the 1-based line number, zero-padded
// to the run's length. Failed lines are reported on standard error in line
// order and get no file. Returns 0, 1 when any line failed, 2 when the
// options do not convert, the name has no "#", or a file cannot be written.
int RunBatch(const QStringList &args, int jobs, std::FILE *input);

class JobModel;

// The state a console run starts from: the window's controls as they would
// stand with the symbology of the parameters selected (so that "/SPD" finds
// NW-7's "D"), since a console run has no earlier state of its own.
void PrepareConsoleModel(JobModel &m, const QStringList &args);

// Writes the whole file or nothing (a temporary file renamed over the
// name). Returns the error, empty on success.
QString WriteWhole(const QString &fileName, const QByteArray &bytes);

// The file name of a line: the first run of "#" in the pattern replaced by
// the number, zero-padded to the run's length (more digits when needed).
QString BatchFileName(const QString &pattern, qint64 lineNumber);
