#include "Language.h"

#include "Executable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <cstdlib>
#include <libintl.h>

extern "C" int _nl_msg_cat_cntr;   // glibc: bumping it makes gettext look again

namespace {

const char kDomain[] = "default";

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
    // Messages need a locale of their own even where the system has none
    // (plain "C" ignores LANGUAGE).
    const char *all = std::setlocale(LC_ALL, "");
    if (!all || QByteArrayView(all) == "C" || QByteArrayView(all) == "POSIX")
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    bindtextdomain(kDomain, QFile::encodeName(LocaleFolder()).constData());
    bind_textdomain_codeset(kDomain, "UTF-8");
    textdomain(kDomain);

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
    if (code.isEmpty())
        ::unsetenv("LANGUAGE");
    else
        ::setenv("LANGUAGE", code.toUtf8().constData(), 1);
    ++_nl_msg_cat_cntr;
}

QString Tr(const char *msgid)
{
    return QString::fromUtf8(dgettext(kDomain, msgid));
}
