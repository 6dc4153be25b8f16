#include "CodePage.h"


#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>
#include <langinfo.h>

namespace {

bool isUtf8(const QByteArray &set)
{
    const QByteArray s = set.toUpper();
    return s == "UTF-8" || s == "UTF8";
}

// iconv with "?" for every character the code page lacks.
QByteArray iconvEncode(const QString &text, const QByteArray &set)
{
    iconv_t cd = iconv_open(set.constData(), "UTF-8");
    if (cd == iconv_t(-1))
        return text.toUtf8();
    QByteArray out;
    out.reserve(text.size());
    char buf[16];
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        QByteArray in = text.mid(i, n).toUtf8();
        i += n;
        char *inp = in.data();
        size_t inLeft = size_t(in.size());
        char *outp = buf;
        size_t outLeft = sizeof buf;
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == size_t(-1) || inLeft != 0) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out += '?';
        } else {
            out.append(buf, qsizetype(sizeof buf - outLeft));
        }
    }
    // Flush a stateful encoding back to its initial state.
    char *outp = buf;
    size_t outLeft = sizeof buf;
    if (iconv(cd, nullptr, nullptr, &outp, &outLeft) != size_t(-1))
        out.append(buf, qsizetype(sizeof buf - outLeft));
    iconv_close(cd);
    return out;
}

QString iconvDecode(const QByteArray &bytes, const QByteArray &set)
{
    iconv_t cd = iconv_open("UTF-8", set.constData());
    if (cd == iconv_t(-1))
        return QString::fromUtf8(bytes);
    QByteArray out;
    QByteArray in = bytes;
    char *inp = in.data();
    size_t inLeft = size_t(in.size());
    char buf[256];
    while (inLeft > 0) {
        char *outp = buf;
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf, qsizetype(sizeof buf - outLeft));
        if (r == size_t(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";   // U+FFFD for a byte that does not decode
            ++inp;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return QString::fromUtf8(out);
}

} // namespace

QByteArray AnsiCodeSet()
{
    const char *set = nl_langinfo(CODESET);
    return QByteArray(set && *set ? set : "UTF-8");
}

QByteArray ToAnsi(const QString &text)
{
    const QByteArray set = AnsiCodeSet();
    if (!isUtf8(set))
        return iconvEncode(text, set);
    // Lone surrogates have no UTF-8 form: they become "?" like any character
    // the code page lacks.
    QString clean = text;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const QChar c = clean.at(i);
        if (c.isHighSurrogate() && i + 1 < clean.size() && clean.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            clean[i] = u'?';
    }
    return clean.toUtf8();
}

QString FromAnsi(const QByteArray &bytes)
{
    const QByteArray set = AnsiCodeSet();
    if (isUtf8(set))
        return QString::fromUtf8(bytes);
    return iconvDecode(bytes, set);
}

bool DecodeAnsiStrict(const QByteArray &bytes, QString &text)
{
    const QByteArray set = AnsiCodeSet();
    if (isUtf8(set)) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8(bytes);
        return !utf8.hasError();
    }
    iconv_t cd = iconv_open("UTF-8", set.constData());
    if (cd == iconv_t(-1))
        return false;
    QByteArray out;
    QByteArray in = bytes;
    char *inp = in.data();
    size_t inLeft = size_t(in.size());
    char buf[256];
    bool ok = true;
    while (inLeft > 0) {
        char *outp = buf;
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf, qsizetype(sizeof buf - outLeft));
        if (r == size_t(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    text = QString::fromUtf8(out);
    return ok;
}
