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
    const int fd = ::open(EncodeFileName(fileName).constData(), O_RDONLY | O_CLOEXEC);
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

bool DecodeText(const QByteArray &bytes, QString &text, TTextEncoding &encoding)
{
    auto utf16 = [&](bool little) {
        const QByteArray body = bytes.mid(2);
        if (body.size() % 2 != 0)
            return false;
        text.resize(body.size() / 2);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const auto *p = reinterpret_cast<const uchar *>(body.constData()) + 2 * i;
            text[i] = QChar(little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p));
        }
        return true;
    };
    bool ok;
    if (bytes.startsWith("\xFF\xFE")) {
        encoding = TTextEncoding::Utf16LE;
        ok = utf16(true);
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = TTextEncoding::Utf16BE;
        ok = utf16(false);
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = TTextEncoding::Utf8Bom;
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8(bytes.mid(3));
        ok = !utf8.hasError();
    } else {
        encoding = TTextEncoding::Ansi;
        ok = DecodeAnsiStrict(bytes, text);
    }
    return ok && !text.contains(QChar(0));
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
