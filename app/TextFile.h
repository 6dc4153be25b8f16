// Text files Zebrix keeps for its users (the settings file, the address
// list): read whole within a bound, decoded strictly in the encoding their
// first bytes announce (a UTF-16 or UTF-8 byte-order mark) or the locale's
// code page, and replaced atomically.
#pragma once

#include <QByteArray>
#include <QString>

enum class TTextEncoding { Ansi, Utf8Bom, Utf16LE, Utf16BE };

// The whole file, when it is a regular file of at most `limit` bytes that
// can be read; false otherwise (bytes then unspecified).
bool ReadFileLimited(const QString &fileName, qint64 limit, QByteArray &bytes);
// Text in the encoding the bytes announce; false when they are not text in
// it (a byte sequence that does not decode, or a NUL).
bool DecodeText(const QByteArray &bytes, QString &text, TTextEncoding &encoding);
// The encoding the first bytes announce (the code page when there is no
// byte-order mark), and the length of that mark (0 for the code page).
TTextEncoding AnnouncedEncoding(QByteArrayView bytes);
qsizetype MarkSize(TTextEncoding encoding);
// Text of bytes without a mark, in the encoding given; false as DecodeText.
bool DecodeTextAs(QByteArrayView bytes, TTextEncoding encoding, QString &text);
// The text in that encoding, with its byte-order mark (characters the code
// page lacks become "?").
QByteArray EncodeText(const QString &text, TTextEncoding encoding);
// Writes the whole file or nothing, by the rule of WriteFileSafely (links
// followed, a replaced file keeps its mode, special files written in place,
// write-protected ones refused), the content on the disk before it replaces
// the old file. Empty when written, else why not.
QString WriteFileAtomically(const QString &fileName, const QByteArray &bytes);
