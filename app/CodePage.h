// The system's code page: the character set of the locale (UTF-8 on a usual
// Linux system). The QR data and the linear data pass through it as bytes.
#pragma once

#include <QByteArray>
#include <QString>

// The locale's character set name, as the C library reports it.
QByteArray AnsiCodeSet();

// Text to bytes of the code page; characters it lacks become "?".
QByteArray ToAnsi(const QString &text);
// Bytes of the code page to text; bytes that do not decode become U+FFFD.
QString FromAnsi(const QByteArray &bytes);
// Bytes of the code page to text, refusing anything that does not decode:
// false (and text unspecified) when a byte sequence is not of the code page.
bool DecodeAnsiStrict(const QByteArray &bytes, QString &text);
