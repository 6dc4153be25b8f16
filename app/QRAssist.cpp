#include "QRAssist.h"

#include "Executable.h"
#include "FileNames.h"
#include "IniGT.h"
#include "SafeFile.h"
#include "Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <unistd.h>

namespace {

const QString kAddressFile = QStringLiteral("Address.txt");

// "TAG:" a[,b]; when a is not empty (b alone is dropped).
QString pair(const char *tag, const QString &a, const QString &b)
{
    if (a.isEmpty())
        return {};
    return QString::fromLatin1(tag) + a + (b.isEmpty() ? QString() : u',' + b) + u';';
}

QString part(const char *tag, const QString &v)
{
    return v.isEmpty() ? QString() : QString::fromLatin1(tag) + v + u';';
}

} // namespace

QString ComposeMecard(const TMecard &c)
{
    return QStringLiteral("MECARD:") + pair("N:", c.KFirstN, c.KLastN) + pair("SOUND:", c.FirstN, c.LastN)
        + part("TEL:", c.Phone1) + part("TEL:", c.Phone2) + part("EMAIL:", c.mail1) + part("EMAIL:", c.mail2)
        + part("NOTE:", c.Note) + u';';
}

QString ComposeMatmsg(const QString &address1, const QString &address2, const QString &subject, const QString &body)
{
    return QStringLiteral("MATMSG:") + part("TO:", address1) + part("TO:", address2) + part("SUB:", subject)
        + part("BODY:", body) + u';';
}

QString ComposeMebkm(const QString &site, QString &url)
{
    QString text = QStringLiteral("MEBKM:") + part("TITLE:", site);
    if (!url.isEmpty()) {
        // The colon of "://" is escaped, and the field shows what was composed.
        if (const qsizetype at = url.indexOf(QStringLiteral("://")); at >= 0)
            url.insert(at, u'\\');
        text += QStringLiteral("URL:") + url + u';';
    }
    return text + u';';
}

namespace {

QString escaped(QString text, const QString &special)
{
    QString out;
    for (QChar c : text) {
        if (special.contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}

} // namespace

QString ComposeWifi(const QString &ssid, const QString &security, const QString &password, bool hidden)
{
    const QString special = QStringLiteral("\\;,:\"");
    QString text = QStringLiteral("WIFI:T:") + (security.isEmpty() ? QStringLiteral("nopass") : security) + u';'
        + QStringLiteral("S:") + escaped(ssid, special) + u';';
    if (security != u"nopass" && !password.isEmpty())
        text += QStringLiteral("P:") + escaped(password, special) + u';';
    if (hidden)
        text += QStringLiteral("H:true;");
    return text + u';';
}

QString ComposeVCard(const TMecard &c)
{
    // Text values escape backslash, ";" and ","; line breaks become "\n".
    auto v = [](QString s) { return escaped(s, QStringLiteral("\\;,")).replace(u'\n', QStringLiteral("\\n")); };
    QStringList lines{QStringLiteral("BEGIN:VCARD"), QStringLiteral("VERSION:3.0"),
                      QStringLiteral("N:%1;%2;;;").arg(v(c.KFirstN), v(c.KLastN)),
                      QStringLiteral("FN:%1").arg(v(QStringList{c.KFirstN, c.KLastN}.join(u' ').trimmed()))};
    if (!c.FirstN.isEmpty() || !c.LastN.isEmpty())
        lines << QStringLiteral("SORT-STRING:%1").arg(v(c.FirstN + c.LastN))
              << QStringLiteral("X-PHONETIC-LAST-NAME:%1").arg(v(c.FirstN))
              << QStringLiteral("X-PHONETIC-FIRST-NAME:%1").arg(v(c.LastN));
    for (const QString &tel : {c.Phone1, c.Phone2})
        if (!tel.isEmpty())
            lines << QStringLiteral("TEL:") + v(tel);
    for (const QString &mail : {c.mail1, c.mail2})
        if (!mail.isEmpty())
            lines << QStringLiteral("EMAIL:") + v(mail);
    if (!c.Note.isEmpty())
        lines << QStringLiteral("NOTE:") + v(c.Note);
    lines << QStringLiteral("END:VCARD");
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

bool TAddressList::Contains(const QString &address) const
{
    return m_items.contains(address, Qt::CaseInsensitive);
}

void TAddressList::Add(const QString &address)
{
    if (address.isEmpty() || Contains(address))
        return;
    const qsizetype at = m_items.isEmpty() ? 0 : 1;
    m_items.insert(at, address);
    // The added addresses stand together, the latest first.
    if (m_added++ == 0)
        m_addedFrom = at;
}

void TAddressList::Load(const QString &fileName)
{
    *this = TAddressList();
    if (!FileExists(fileName))
        return;
    if (!ReadFileLimited(fileName, kMaxFileSize, m_bytes)) {
        m_bytes.clear();
        m_damaged = true;
        return;
    }
    m_encoding = AnnouncedEncoding(m_bytes);
    const bool wide = m_encoding == TTextEncoding::Utf16LE || m_encoding == TTextEncoding::Utf16BE;
    const qsizetype unit = wide ? 2 : 1;
    const auto *data = reinterpret_cast<const uchar *>(m_bytes.constData());
    const qsizetype size = m_bytes.size();
    auto unitAt = [&](qsizetype at) -> char16_t {
        if (!wide)
            return data[at];
        return m_encoding == TTextEncoding::Utf16LE ? qFromLittleEndian<quint16>(data + at)
                                                    : qFromBigEndian<quint16>(data + at);
    };
    bool lineEndSeen = false;
    int looked = 0;
    qsizetype start = MarkSize(m_encoding);
    m_insertAt = start;
    while (start < size && looked < kMaxLines) {
        // The line feed ends a line in every encoding the file can have (no
        // code page uses its byte inside a character).
        qsizetype feed = start;
        while (feed + unit <= size && unitAt(feed) != u'\n')
            feed += unit;
        const bool ended = feed + unit <= size;
        const qsizetype next = ended ? feed + unit : size;
        qsizetype end = ended ? feed : size;
        if ((end - start) % unit == 0 && end - start >= unit && unitAt(end - unit) == u'\r')
            end -= unit;
        if (ended && !lineEndSeen) {
            // New lines end as the file's first line does.
            lineEndSeen = true;
            m_lineEnd = end < feed ? QStringLiteral("\r\n") : QStringLiteral("\n");
        }
        if (end > start) {
            ++looked;
            QString line;
            if (DecodeTextAs(QByteArrayView(m_bytes).sliced(start, end - start), m_encoding, line)) {
                if (m_items.isEmpty()) {
                    m_insertAt = next;
                    m_breakFirst = !ended;
                }
                m_items << line;
            }
        }
        start = next;
    }
}

QString TAddressList::Save(const QString &fileName) const
{
    if (m_added == 0)
        return {};
    if (m_damaged)
        return texts::NotReadWhole();
    const QStringList added = m_items.mid(m_addedFrom, m_added);
    const QString lines = m_breakFirst ? m_lineEnd + added.join(m_lineEnd) : added.join(m_lineEnd) + m_lineEnd;
    const QByteArray bytes = m_bytes.left(m_insertAt) + EncodeText(lines, m_encoding).sliced(MarkSize(m_encoding))
        + m_bytes.sliced(m_insertAt);
    return WriteFileAtomically(fileName, bytes);
}

QString TAddressList::ReadLocation()
{
    const QString user = QFileInfo(TIniGT::DefaultFileName()).path() + u'/' + kAddressFile;
    if (QFileInfo::exists(user))
        return user;
    return ExecutableFolder() + u'/' + kAddressFile;
}

QString TAddressList::WriteLocation()
{
    // Beside the executable of a build or a portable copy; never into the
    // system's program folders, whoever runs Zebrix.
    const QString exeFolder = ExecutableFolder();
    const bool system = exeFolder.startsWith(QStringLiteral("/usr/")) || exeFolder.startsWith(QStringLiteral("/opt/"));
    if (!system && ::access(EncodeFileName(exeFolder).constData(), W_OK) == 0
        && !QFileInfo::exists(QFileInfo(TIniGT::DefaultFileName()).path() + u'/' + kAddressFile))
        return exeFolder + u'/' + kAddressFile;
    const QString folder = QFileInfo(TIniGT::DefaultFileName()).path();
    QDir().mkpath(folder);
    return folder + u'/' + kAddressFile;
}
