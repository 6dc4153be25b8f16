#include "CodePage.h"

#include "Iconv.h"

#include <QStringDecoder>

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
    TIconv cd(set.constData(), "UTF-8");
    if (!cd.IsOpen())
        return text.toUtf8();
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        if (!cd.Step(text.mid(i, n).toUtf8(), out))
            out += '?';
        i += n;
    }
    // A stateful encoding back to its initial state.
    cd.Flush(out);
    return out;
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
    TIconv cd("UTF-8", set.constData());
    if (!cd.IsOpen())
        return QString::fromUtf8(bytes);
    QByteArray out;
    cd.Run(bytes, out, "\xEF\xBF\xBD");   // U+FFFD for a byte that does not decode
    return QString::fromUtf8(out);
}

bool DecodeAnsiStrict(const QByteArray &bytes, QString &text)
{
    const QByteArray set = AnsiCodeSet();
    if (isUtf8(set)) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8(bytes);
        return !utf8.hasError();
    }
    TIconv cd("UTF-8", set.constData());
    QByteArray out;
    const bool ok = cd.Run(bytes, out);
    text = QString::fromUtf8(out);
    return ok;
}
