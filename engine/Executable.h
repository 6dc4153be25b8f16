// Where the running executable lies. Zebrix looks beside itself for its
// plugin, its message catalogues, its help document and the address file,
// and names its settings file after itself.
#pragma once

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

// The executable's path, also before (or without) a Qt application.
inline QString ExecutableFile()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

// Its folder.
inline QString ExecutableFolder() { return QFileInfo(ExecutableFile()).absolutePath(); }

// Its name without the extension ("zebrixd").
inline QString ExecutableName() { return QFileInfo(ExecutableFile()).completeBaseName(); }
