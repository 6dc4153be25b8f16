// Standard error carries real errors only. Qt's notes and warnings about the
// platform (a plugin without size hints, a locale it switches, a missing
// XDG_RUNTIME_DIR) are not the user's business, so they are left out; a
// user who asks for them with QT_LOGGING_RULES gets every message the rules
// let through, in Qt's own format.
#pragma once

#include <QtGlobal>

// Installs the handler. `lowest` is the least severe kind printed without
// QT_LOGGING_RULES; each such line is "<program>: <message>".
void InstallQuietMessages(const char *program, QtMsgType lowest);
