#include "TextFile.h"

#include "CodePage.h"
#include "FileNames.h"
#include "SafeFile.h"

#include <QStringDecoder>
#include <QtEndian>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString WriteFileAtomically(const QString &fileName, const QByteArray &bytes)
{
    return WriteFileSafely(fileName, bytes, true);
}

bool ReadFileLimited(const QString &fileName, qint64 limit, QByteArray &bytes)
{
    bytes.clear();
    // Without waiting for a writer when the name is a FIFO: it is refused below.
    const int fd = ::open(EncodeFileName(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= limit;
    char buf[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.append(buf, n);
        ok = bytes.size() <= limit;
    }
    ::close(fd);
    return ok;
}

TTextEncoding AnnouncedEncoding(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return TTextEncoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return TTextEncoding::Utf16BE;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TTextEncoding::Utf8Bom;
    return TTextEncoding::Ansi;
}

qsizetype MarkSize(TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Ansi: return 0;
    case TTextEncoding::Utf8Bom: return 3;
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: return 2;
    }
    return 0;
}

bool DecodeTextAs(QByteArrayView bytes, TTextEncoding encoding, QString &text)
{
    bool ok = true;
    switch (encoding) {
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
        if (bytes.size() % 2 != 0)
            return false;
        const bool little = encoding == TTextEncoding::Utf16LE;
        text.resize(bytes.size() / 2);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const auto *p = reinterpret_cast<const uchar *>(bytes.data()) + 2 * i;
            text[i] = QChar(little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p));
        }
        break;
    }
    case TTextEncoding::Utf8Bom: {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8(bytes);
        ok = !utf8.hasError();
        break;
    }
    case TTextEncoding::Ansi:
        ok = DecodeAnsiStrict(bytes.toByteArray(), text);
        break;
    }
    return ok && !text.contains(QChar(0));
}

bool DecodeText(const QByteArray &bytes, QString &text, TTextEncoding &encoding)
{
    encoding = AnnouncedEncoding(bytes);
    return DecodeTextAs(QByteArrayView(bytes).sliced(MarkSize(encoding)), encoding, text);
}

QByteArray EncodeText(const QString &text, TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Ansi: return ToAnsi(text);
    case TTextEncoding::Utf8Bom: return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
        const bool little = encoding == TTextEncoding::Utf16LE;
        QByteArray out(2 + text.size() * 2, '\0');
        auto *p = reinterpret_cast<uchar *>(out.data());
        little ? qToLittleEndian<quint16>(0xFEFF, p) : qToBigEndian<quint16>(0xFEFF, p);
        for (qsizetype i = 0; i < text.size(); ++i)
            little ? qToLittleEndian<quint16>(text.at(i).unicode(), p + 2 + 2 * i)
                   : qToBigEndian<quint16>(text.at(i).unicode(), p + 2 + 2 * i);
        return out;
    }
    }
    return {};
}
