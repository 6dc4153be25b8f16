// Real zebrixd processes for tests: every scenario has runtime and settings
// folders of its own and the offscreen platform, so no test ever meets the
// user's own Zebrix; every wait is for a state (the socket accepts, the busy
// flag, a file, an exit).
#pragma once

#include "Instance.h"
#include "Oracle.h"
#include "RawConnection.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <cstring>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace processes {

using namespace instance;

// The zebrixd under test: the build's own, or the one ZEBRIXD names.
inline QString zebrixd() { return qEnvironmentVariable("ZEBRIXD", QStringLiteral(ZEBRIXD)); }

inline oracle::Decoded decodeFile(const QString &path) { return oracle::Decode(QImage(path), ZXing::BarcodeFormat::Any); }

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One runtime folder and its instance.
struct TFolder {
    explicit TFolder(const QString &root, const QString &name) : runtime(root + u'/' + name)
    {
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    TInstancePaths paths() const { return {runtime + QStringLiteral("/zebrix")}; }
    QString runtime;
};

class Processes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        useFolder(folder);
        QDir().mkpath(out());
    }
    void TearDown() override
    {
        for (const auto &p : started) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(kBoundMs);
            }
        }
    }
    void useFolder(const TFolder &f) { env.insert("XDG_RUNTIME_DIR", f.runtime); }
    QString out(const QString &name = {}) const { return root.filePath("out") + (name.isEmpty() ? "" : "/" + name); }

    QProcess *start(const QStringList &args, const QString &workdir = {},
                    QProcess::ProcessChannelMode channels = QProcess::ForwardedOutputChannel)
    {
        auto *p = new QProcess;
        started.emplace_back(p);
        p->setProcessEnvironment(env);
        p->setStandardInputFile(QProcess::nullDevice());
        p->setProcessChannelMode(channels);
        if (childSetup)
            p->setChildProcessModifier(childSetup);
        if (!workdir.isEmpty())
            p->setWorkingDirectory(workdir);
        p->start(zebrixd(), args);
        EXPECT_TRUE(p->waitForStarted(kBoundMs));
        return p;
    }
    // Waits until the instance's socket accepts a connection.
    bool accepting(QProcess *p, const TInstancePaths &paths)
    {
        const QDeadlineTimer bound(kBoundMs);
        while (!bound.hasExpired()) {
            QLocalSocket s;
            s.connectToServer(paths.socket());
            if (s.waitForConnected(1000))
                return true;
            if (p->waitForFinished(20))
                return false;
        }
        return false;
    }
    QProcess *startInstance(const QStringList &args = {}, const QString &workdir = {})
    {
        QProcess *p = start(args, workdir);
        EXPECT_TRUE(accepting(p, folder.paths())) << "the first instance does not listen";
        return p;
    }
    int finish(QProcess *p)
    {
        if (p->state() != QProcess::NotRunning && !p->waitForFinished(kBoundMs))
            return -1;
        lastError = QString::fromLocal8Bit(p->readAllStandardError());
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -2;
    }
    int run(const QStringList &args, const QString &workdir = {}) { return finish(start(args, workdir)); }
    // The busy flag in the folder's block file.
    qint32 flag(const TFolder &f) const
    {
        const QByteArray b = readFile(f.paths().block());
        return b.size() >= 4 ? qFromLittleEndian<qint32>(b.constData()) : -1;
    }
    bool waitForBusy(QProcess *sender)
    {
        const QDeadlineTimer bound(kBoundMs);
        while (flag(folder) != kBusy) {
            if (bound.hasExpired() || sender->waitForFinished(1))
                return false;
        }
        return true;
    }

    QTemporaryDir root;
    TFolder folder{root.path(), "run"};
    QProcessEnvironment env;
    std::vector<std::unique_ptr<QProcess>> started;
    QString lastError;
    // Runs in each started process before zebrixd does (a lower limit, say).
    std::function<void()> childSetup;
};

} // namespace processes
