// File names and command-line arguments as Linux has them: bytes, in the
// locale's encoding as far as they decode. Qt's own conversion replaces
// bytes that do not decode by U+FFFD, so a file named in another encoding
// could not be written back under its own name. Here each such byte becomes
// a lone surrogate U+DC80..U+DCFF, and the way back turns it into that byte
// again: any byte string survives the round trip.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

QString DecodeFileName(const QByteArray &bytes);
QByteArray EncodeFileName(const QString &name);
// The process's arguments 1..argc-1, each through DecodeFileName.
QStringList DecodeArguments(int argc, const char *const *argv);
