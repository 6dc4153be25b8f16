// Translated texts from GNU message catalogues: the domain "default",
// catalogues locale/<language>/LC_MESSAGES/default.mo beside the executable
// (or in the install's share/zebrix/locale), languages "ja" (the built-in
// texts) and "en_US". Dialog texts go through Tr(); the main window keeps
// its own Japanese texts. Qt's own dialogs (file, font, colour, print,
// message box buttons) follow the system's language through Qt's catalogues.
//
// The language is one choice for the whole program, made when the window's
// language changes; reading a text never touches the environment, so any
// thread may call Tr().
#pragma once

#include <QString>

class QCoreApplication;

// Finds the system's languages (LANGUAGE, then the messages locale) and
// loads Qt's own catalogue for the system's language. Call once, after the
// application exists (nullptr: no Qt catalogue).
void InitTranslations(QCoreApplication *app);
// The folder holding locale/<language>/LC_MESSAGES/default.mo.
QString LocaleFolder();
// Switches the language texts are translated into: "ja", "en_US", or
// empty for the system's language. Call from the main thread.
void SetTranslationLanguage(const QString &code);
// The text in the current language (the text itself when there is no
// translation). msgid is the built-in Japanese text, UTF-8.
QString Tr(const char *msgid);
