#include "QRAssist.h"

#include "FileNames.h"
#include "IniGT.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

bool TAddressList::Contains(const QString &address) const
{
    return m_items.contains(address, Qt::CaseInsensitive);
}

void TAddressList::Add(const QString &address)
{
    if (address.isEmpty())
        return;
    if (m_items.isEmpty())
        m_items << address;
    else if (!Contains(address))
        m_items.insert(1, address);
}

void TAddressList::Load(const QString &fileName)
{
    m_items.clear();
    m_encoding = TTextEncoding::Ansi;
    QByteArray bytes;
    QString text;
    TTextEncoding encoding;
    if (!ReadFileLimited(fileName, 4 * 1024 * 1024, bytes) || !DecodeText(bytes, text, encoding))
        return;
    m_encoding = encoding;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.isEmpty())
            m_items << line;
    }
}

bool TAddressList::Save(const QString &fileName) const
{
    if (m_items.isEmpty())
        return true;
    return WriteFileAtomically(fileName, EncodeText(m_items.join(u'\n') + u'\n', m_encoding));
}

QString TAddressList::ReadLocation()
{
    const QString user = QFileInfo(TIniGT::DefaultFileName()).path() + u'/' + kAddressFile;
    if (QFileInfo::exists(user))
        return user;
    return QCoreApplication::applicationDirPath() + u'/' + kAddressFile;
}

QString TAddressList::WriteLocation()
{
    // Beside the executable of a build or a portable copy; never into the
    // system's program folders, whoever runs Zebrix.
    const QString exeFolder = QCoreApplication::applicationDirPath();
    const bool system = exeFolder.startsWith(QStringLiteral("/usr/")) || exeFolder.startsWith(QStringLiteral("/opt/"));
    if (!system && ::access(EncodeFileName(exeFolder).constData(), W_OK) == 0
        && !QFileInfo::exists(QFileInfo(TIniGT::DefaultFileName()).path() + u'/' + kAddressFile))
        return exeFolder + u'/' + kAddressFile;
    const QString folder = QFileInfo(TIniGT::DefaultFileName()).path();
    QDir().mkpath(folder);
    return folder + u'/' + kAddressFile;
}
