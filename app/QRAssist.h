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

// The remembered mail addresses ("Address.txt", one per line).
class TAddressList
{
public:
    const QStringList &Items() const { return m_items; }
    // Membership ignores case.
    bool Contains(const QString &address) const;
    // A new address goes second (after the first entry), or first into an
    // empty list; one the list holds already changes nothing. Empty: nothing.
    void Add(const QString &address);

    // Reads the file; a missing or unreadable file is an empty list. Keeps
    // the file's encoding for Save (the code page when it had no mark).
    void Load(const QString &fileName);
    // Writes the list, one entry per line, in the encoding found by Load,
    // replacing the file atomically. An empty list leaves the file alone.
    // Empty when written (or left alone), else why not.
    QString Save(const QString &fileName) const;
    TTextEncoding Encoding() const { return m_encoding; }

    // Where the list is read from: the per-user copy when there is one,
    // else the one beside the executable (or in the install's data folder).
    static QString ReadLocation();
    // Where it is written: beside the executable when that folder is
    // writable, else the per-user folder (created on demand).
    static QString WriteLocation();

private:
    QStringList m_items;
    TTextEncoding m_encoding = TTextEncoding::Ansi;
};
