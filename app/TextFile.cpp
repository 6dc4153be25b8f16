#include "TextFile.h"

#include "CodePage.h"
#include "FileNames.h"

#include <QStringDecoder>
#include <QtEndian>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Writes the whole file or nothing: the bytes go to a new file beside the
// target, reach the disk, and the new file replaces the target by a rename.
// A symlink is followed (its target is replaced in its own folder); a
// replaced file keeps its mode.
bool WriteFileAtomically(const QString &fileName, const QByteArray &bytes)
{
    QByteArray target = EncodeFileName(fileName);
    // Follow symlinks, dangling ones included.
    for (int hops = 0; hops < 40; ++hops) {
        char link[4096];
        const ssize_t n = ::readlink(target.constData(), link, sizeof link - 1);
        if (n < 0)
            break;
        const QByteArray dest(link, n);
        if (dest.startsWith('/'))
            target = dest;
        else
            target = target.left(target.lastIndexOf('/') + 1) + dest;
    }
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return false;
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = true;
    if (exists)
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ok = ::fchmod(fd, 0666 & ~mask) == 0;
    }
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    return ok;
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
