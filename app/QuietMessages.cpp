#include "QuietMessages.h"

#include "FileNames.h"

#include <QString>

#include <cstdio>

namespace {

const char *g_program = "";
QtMsgType g_lowest = QtCriticalMsg;
QtMessageHandler g_qts = nullptr;

// Qt's kinds by severity (QtInfoMsg was added last and sits apart).
int severity(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return 0;
    case QtInfoMsg: return 1;
    case QtWarningMsg: return 2;
    case QtCriticalMsg: return 3;
    case QtFatalMsg: return 4;
    }
    return 4;
}

void quiet(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_qts) {
        g_qts(type, context, message);
        return;
    }
    if (severity(type) < severity(g_lowest))
        return;
    const QByteArray line = QByteArray(g_program) + ": " + EncodeFileName(message) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void InstallQuietMessages(const char *program, QtMsgType lowest)
{
    g_program = program;
    g_lowest = lowest;
    const QtMessageHandler previous = qInstallMessageHandler(quiet);
    // The rules have filtered by category before a handler sees a message.
    if (qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        g_qts = previous;
}
