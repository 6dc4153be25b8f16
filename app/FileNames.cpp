#include "FileNames.h"

#include "CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;   // lone low surrogates 0xDC80..0xDCFF carry raw bytes

// Length of the UTF-8 sequence at p (1..4), 0 when it is not a valid one
// (overlong forms, surrogates and values beyond U+10FFFF included).
int utf8Length(const unsigned char *p, qsizetype left)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int n;
    char32_t min;
    if ((c & 0xE0) == 0xC0) { n = 2; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { n = 3; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { n = 4; min = 0x10000; }
    else return 0;
    if (left < n)
        return 0;
    char32_t v = c & (0x7F >> n);
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (p[i] & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    return n;
}

bool localeIsUtf8()
{
    return AnsiCodeSet().toUpper().replace("-", "") == "UTF8";
}

} // namespace

QString DecodeFileName(const QByteArray &bytes)
{
    if (!localeIsUtf8()) {
        // Another code page: taken as the locale decodes it.
        QStringDecoder decode(QStringConverter::System);
        return decode(bytes);
    }
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const int n = utf8Length(p + i, size - i);
        if (n == 0) {
            out += QChar(char16_t(kEscapeBase + p[i]));
            ++i;
            continue;
        }
        out += QString::fromUtf8(reinterpret_cast<const char *>(p + i), n);
        i += n;
    }
    return out;
}

QByteArray EncodeFileName(const QString &name)
{
    if (!localeIsUtf8()) {
        QStringEncoder encode(QStringConverter::System);
        return encode(name);
    }
    QByteArray out;
    out.reserve(name.size());
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = name.at(i).unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < size && name.at(i + 1).isLowSurrogate();
        if (pair) {
            out += name.mid(i, 2).toUtf8();
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out += char(c - kEscapeBase);   // a raw byte that did not decode
        } else {
            out += QString(QChar(c)).toUtf8();
        }
    }
    return out;
}

QStringList DecodeArguments(int argc, const char *const *argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << DecodeFileName(QByteArray(argv[i]));
    return args;
}
