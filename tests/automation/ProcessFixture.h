// Real zebrixd processes for tests: every scenario has runtime and settings
// folders of its own and the offscreen platform, so no test ever meets the
// user's own Zebrix; every wait is for a state (the socket accepts, the busy
// flag, a file, an exit).
#pragma once

#include "Instance.h"
#include "Oracle.h"

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

// A generous bound, so that a fault fails a test instead of hanging it.
inline constexpr int kBoundMs = 120000;

// The zebrixd under test: the build's own, or the one ZEBRIXD names.
inline QString zebrixd() { return qEnvironmentVariable("ZEBRIXD", QStringLiteral(ZEBRIXD)); }

inline oracle::Decoded decodeFile(const QString &path) { return oracle::Decode(QImage(path), ZXing::BarcodeFormat::Any); }

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What a second start writes on the socket for a list.
inline QByteArray handOverBytes(const QStringList &params)
{
    QByteArray m(16, '\0');
    const QByteArray list = EncodeParamList(params);
    qToLittleEndian<qint32>(kMessage, m.data());
    qToLittleEndian<qint32>(kParamsFollow, m.data() + 4);
    qToLittleEndian<qint32>(qint32(list.size()), m.data() + 12);
    return m + list;
}

// A connection of our own to an instance's socket, below Qt: it writes what
// it is told and reads what the instance says, nothing more.
class TRawConnection
{
public:
    explicit TRawConnection(const QString &path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path);
        std::memcpy(addr.sun_path, p.constData(), std::min(size_t(p.size()), sizeof addr.sun_path - 1));
        m_connected = m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    }
    ~TRawConnection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TRawConnection(const TRawConnection &) = delete;
    TRawConnection &operator=(const TRawConnection &) = delete;
    bool connected() const { return m_connected; }
    bool write(const QByteArray &bytes)
    {
        return ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    // What the instance says until it closes the connection, `enough` holds,
    // or the bound passes.
    QByteArray read(const std::function<bool(const QByteArray &)> &enough = {}, int boundMs = kBoundMs)
    {
        const QDeadlineTimer bound(boundMs);
        while (!(enough && enough(m_read)) && !bound.hasExpired()) {
            pollfd p {m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(std::max<qint64>(1, bound.remainingTime()))) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0) {
                m_closed = true;
                break;
            }
            m_read.append(buf, n);
        }
        return m_read;
    }
    // The instance's answer to a whole list: "TAKE", "DONE" and the outcome.
    QByteArray answer()
    {
        return read([](const QByteArray &b) { return b.size() >= 12 && b.startsWith("TAKEDONE"); });
    }
    // Whether the instance closes this connection (within the bound).
    bool closedByInstance(int boundMs = kBoundMs)
    {
        read({}, boundMs);
        return m_closed;
    }

private:
    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
    QByteArray m_read;
};

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
