#include "Language.h"

#include "Executable.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace {

// The messages of one language, read from its .mo file: the original
// strings and their translations, two tables of (length, offset) pairs.
class TCatalogue
{
public:
    bool Load(const QString &path);
    const QString *Find(QByteArrayView msgid) const
    {
        const auto it = m_texts.constFind(QByteArray::fromRawData(msgid.data(), msgid.size()));
        return it == m_texts.cend() ? nullptr : &it.value();
    }

private:
    QHash<QByteArray, QString> m_texts;
};

bool TCatalogue::Load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > (64 << 20))
        return false;
    const QByteArray mo = f.readAll();
    auto u32 = [&mo](qsizetype at, bool swap, quint32 *v) {
        if (at < 0 || at + 4 > mo.size())
            return false;
        quint32 x;
        std::memcpy(&x, mo.constData() + at, 4);
        *v = swap ? __builtin_bswap32(x) : x;
        return true;
    };
    quint32 magic = 0, count = 0, originals = 0, translations = 0;
    if (!u32(0, false, &magic) || (magic != 0x950412de && magic != 0xde120495))
        return false;
    const bool swap = magic != 0x950412de;
    if (!u32(8, swap, &count) || !u32(12, swap, &originals) || !u32(16, swap, &translations))
        return false;
    auto string = [&](quint32 table, quint32 i, QByteArray *s) {
        quint32 length = 0, offset = 0;
        if (!u32(qsizetype(table) + 8 * qsizetype(i), swap, &length) || !u32(qsizetype(table) + 8 * qsizetype(i) + 4, swap, &offset)
            || qsizetype(offset) + qsizetype(length) > mo.size())
            return false;
        *s = mo.mid(offset, length);
        return true;
    };
    for (quint32 i = 0; i < count; ++i) {
        QByteArray original, translation;
        if (!string(originals, i, &original) || !string(translations, i, &translation))
            return false;
        // Plural forms: the singular is the key and the first form the text.
        original.truncate(original.indexOf('\0') < 0 ? original.size() : original.indexOf('\0'));
        translation.truncate(translation.indexOf('\0') < 0 ? translation.size() : translation.indexOf('\0'));
        // The empty msgid is the catalogue's header; an empty text is no translation.
        if (!original.isEmpty() && !translation.isEmpty())
            m_texts.insert(original, QString::fromUtf8(translation));
    }
    return true;
}

// Catalogues live as long as the program: a text handed out by Tr() on one
// thread stays valid while another switches the language.
std::map<QString, std::unique_ptr<TCatalogue>> g_loaded;
std::atomic<const TCatalogue *> g_current{nullptr};
QStringList g_systemLanguages;

const TCatalogue *catalogueFor(const QString &language)
{
    auto it = g_loaded.find(language);
    if (it == g_loaded.end()) {
        auto c = std::make_unique<TCatalogue>();
        if (!c->Load(LocaleFolder() + u'/' + language + QStringLiteral("/LC_MESSAGES/default.mo")))
            c.reset();
        it = g_loaded.emplace(language, std::move(c)).first;
    }
    return it->second.get();
}

// "en_US.UTF-8@euro" is looked for as "en_US", then as "en".
void addLanguage(QStringList &list, QString name)
{
    name = name.section(u'@', 0, 0).section(u'.', 0, 0);
    if (name.isEmpty() || name == u"C" || name == u"POSIX")
        return;
    for (const QString &n : {name, name.section(u'_', 0, 0)})
        if (!list.contains(n))
            list << n;
}

} // namespace

QString LocaleFolder()
{
    const QString exe = ExecutableFolder();
    for (const QString &folder : {exe + QStringLiteral("/locale"), exe + QStringLiteral("/../share/zebrix/locale")})
        if (QFileInfo(folder).isDir())
            return QDir::cleanPath(folder);
    return exe + QStringLiteral("/locale");
}

void InitTranslations(QCoreApplication *app)
{
    // The system's languages as gettext orders them: the list in LANGUAGE,
    // then the messages locale.
    const char *messages = std::setlocale(LC_MESSAGES, "");
    g_systemLanguages.clear();
    for (const QString &l : QString::fromLocal8Bit(std::getenv("LANGUAGE")).split(u':', Qt::SkipEmptyParts))
        addLanguage(g_systemLanguages, l);
    addLanguage(g_systemLanguages, QString::fromLocal8Bit(messages ? messages : "C"));
    SetTranslationLanguage(QString());

    if (!app)
        return;
    // Qt's own texts in the system's language.
    auto *qt = new QTranslator(app);
    if (qt->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
}

void SetTranslationLanguage(const QString &code)
{
    QStringList wanted;
    if (code.isEmpty())
        wanted = g_systemLanguages;
    else
        addLanguage(wanted, code);
    const TCatalogue *found = nullptr;
    for (const QString &language : wanted)
        if ((found = catalogueFor(language)))
            break;
    g_current.store(found);
}

QString Tr(const char *msgid)
{
    if (const TCatalogue *c = g_current.load())
        if (const QString *text = c->Find(QByteArrayView(msgid)))
            return *text;
    return QString::fromUtf8(msgid);
}
