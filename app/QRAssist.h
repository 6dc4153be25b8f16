// The texts mobile phones read from QR Code symbols, as the QR assist form
// composes them: an address-book entry (MECARD), a mail (MATMSG) and a
// bookmark (MEBKM), and the list of mail addresses the form remembers. No
// widgets: the form only fills these in.
#pragma once

#include "TextFile.h"

#include <QString>
#include <QStringList>

struct TMecard {
    QString KFirstN, KLastN;   // family and given name
    QString FirstN, LastN;     // their readings
    QString Phone1, Phone2;
    QString mail1, mail2;
    QString Note;
};

// "MECARD:" N:family[,given]; SOUND:reading[,reading]; TEL:..; TEL:..;
// EMAIL:..; EMAIL:..; NOTE:..; and a final ";". Each part only when its
// field (the family name or its reading, for the pairs) is not empty.
// Fields go in as typed: nothing is escaped.
QString ComposeMecard(const TMecard &c);
// "MATMSG:" TO:..; TO:..; SUB:..; BODY:..; and a final ";" (the body with
// its line breaks as typed).
QString ComposeMatmsg(const QString &address1, const QString &address2, const QString &subject, const QString &body);
// "MEBKM:" TITLE:..; URL:..; and a final ";". The URL's first "://" gets a
// "\" before it, and the escaped URL is written back into url (so composing
// again escapes once more).
QString ComposeMebkm(const QString &site, QString &url);

// A Wi-Fi network as phones join it: "WIFI:T:WPA;S:name;P:password;;"
// (security "WPA", "WEP" or "nopass", which drops the password; "H:true;"
// for a hidden network). Backslash, ";", ",", ":" and '"' in the name and
// the password are escaped with a backslash.
QString ComposeWifi(const QString &ssid, const QString &security, const QString &password, bool hidden);
// The address-book entry as a vCard 3.0 (CR LF lines), for the address
// books of computers.
QString ComposeVCard(const TMecard &c);

// The remembered mail addresses ("Address.txt", one per line). The file is
// the user's: Zebrix only ever adds lines to it, and every byte it had stays.
// Lines that do not decode (a byte sequence of no character in the file's
// encoding, a NUL) and blank lines are not shown. Only the first kMaxLines
// lines that are not blank are read; the rest of the file is not shown and
// stays as it is. A file that cannot be read whole (larger than
// kMaxFileSize, not a regular file, not readable) shows no address and is
// never written over.
class TAddressList
{
public:
    static constexpr int kMaxLines = 1000;
    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

    // The addresses shown, in the file's order with the added ones.
    const QStringList &Items() const { return m_items; }
    // Membership ignores case.
    bool Contains(const QString &address) const;
    // A new address goes second (after the first entry), or first into an
    // empty list; one the list holds already changes nothing. Empty: nothing.
    void Add(const QString &address);

    // Reads the file; a missing file is an empty list. Keeps the file's
    // encoding (the code page when it had no mark) and line ends for Save.
    void Load(const QString &fileName);
    // Writes the file as Load found it with the added addresses as lines of
    // their own after the first address (or at the top), in its encoding
    // and line ends, replacing the file atomically. Nothing added leaves the
    // file alone. Empty when written (or left alone), else why not.
    QString Save(const QString &fileName) const;
    TTextEncoding Encoding() const { return m_encoding; }
    // The file Load found could not be read whole; Save refuses.
    bool Damaged() const { return m_damaged; }

    // Where the list is read from: the per-user copy when there is one,
    // else the one beside the executable (or in the install's data folder).
    static QString ReadLocation();
    // Where it is written: beside the executable when that folder is
    // writable, else the per-user folder (created on demand).
    static QString WriteLocation();

private:
    QStringList m_items;
    TTextEncoding m_encoding = TTextEncoding::Ansi;
    QString m_lineEnd = QStringLiteral("\n");
    QByteArray m_bytes;          // the file as Load read it
    qsizetype m_insertAt = 0;    // where added lines go: after the first address's line, or the text's start
    bool m_breakFirst = false;   // that line is the file's last and has no line end
    qsizetype m_addedFrom = 0;   // the added addresses in m_items
    qsizetype m_added = 0;
    bool m_damaged = false;
};
