#include "Instance.h"

#include "CommandLine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace instance {

namespace {

// A folder of ours alone: a real folder (not a link), owned by us, mode 0700.
bool privateFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & 0077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return false;
    return true;
}

QByteArray message(qint32 msg, qint32 first, qint32 second)
{
    QByteArray m(12, '\0');
    qToLittleEndian(msg, m.data());
    qToLittleEndian(first, m.data() + 4);
    qToLittleEndian(second, m.data() + 8);
    return m;
}

const QByteArray kDone = QByteArrayLiteral("DONE");

} // namespace

QString RuntimeDir()
{
    const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty()) {
        const QByteArray dir = xdg + "/zebrix";
        if (privateFolder(dir))
            return QString::fromLocal8Bit(dir);
    }
    const QByteArray dir = "/tmp/zebrix-" + QByteArray::number(::getuid());
    return privateFolder(dir) ? QString::fromLocal8Bit(dir) : QString();
}

QString LockPath()
{
    const QString dir = RuntimeDir();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/hZebrix.lock");
}

QString SocketPath()
{
    const QString dir = RuntimeDir();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/Zebrix.sock");
}

QByteArray BlockName() { return "/Zebrix-" + QByteArray::number(::getuid()); }

// --- Lock ---------------------------------------------------------------------------

TInstanceLock::~TInstanceLock() { Release(); }

bool TInstanceLock::TryLock(const QString &path)
{
    if (m_fd >= 0)
        return true;
    if (path.isEmpty())
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void TInstanceLock::Release()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

// --- Shared block -----------------------------------------------------------------------

TSharedBlock::~TSharedBlock() { Close(); }

bool TSharedBlock::Open(QString *error, const QByteArray &name)
{
    Close();
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        Close();
        return false;
    };
    m_fd = ::shm_open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return fail(QStringLiteral("shared block %1: %2").arg(QString::fromLatin1(name), qt_error_string(errno)));
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return fail(qt_error_string(errno));
    // Somebody else's block, or one others may open, is not ours to trust.
    if (st.st_uid != ::getuid() || (st.st_mode & 0077) != 0)
        return fail(QStringLiteral("shared block %1 belongs to another user or is open to others")
                        .arg(QString::fromLatin1(name)));
    if (st.st_size < kBlockSize && ::ftruncate(m_fd, kBlockSize) != 0)
        return fail(qt_error_string(errno));
    void *p = ::mmap(nullptr, kBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (p == MAP_FAILED)
        return fail(qt_error_string(errno));
    m_data = static_cast<unsigned char *>(p);
    return true;
}

void TSharedBlock::Close()
{
    if (m_data) {
        ::munmap(m_data, kBlockSize);
        m_data = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

qint32 TSharedBlock::Flag() const
{
    return m_data ? qFromLittleEndian<qint32>(m_data) : 0;
}

void TSharedBlock::SetFlag(qint32 flag)
{
    if (m_data)
        qToLittleEndian(flag, m_data);
}

QString TSharedBlock::Text() const
{
    if (!m_data)
        return {};
    QString text;
    // At most up to the end of the block, whatever the block holds.
    for (int i = 0; i < kMaxChars; ++i) {
        const char16_t c = qFromLittleEndian<char16_t>(m_data + 4 + 2 * i);
        if (c == 0)
            break;
        text += QChar(c);
    }
    return text;
}

void TSharedBlock::SetText(const QString &text)
{
    if (!m_data)
        return;
    const qsizetype n = std::min<qsizetype>(text.size(), kMaxChars);
    for (qsizetype i = 0; i < n; ++i)
        qToLittleEndian<char16_t>(text.at(i).unicode(), m_data + 4 + 2 * i);
    qToLittleEndian<char16_t>(0, m_data + 4 + 2 * n);
}

int TSharedBlock::Mode() const
{
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void TSharedBlock::Unlink(const QByteArray &name) { ::shm_unlink(name.constData()); }

// --- The running instance's end -----------------------------------------------------------

TInstanceServer::TInstanceServer(QObject *parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &TInstanceServer::onConnection);
}

TInstanceServer::~TInstanceServer() = default;

bool TInstanceServer::Listen(const QString &path)
{
    if (path.isEmpty())
        return false;
    QLocalServer::removeServer(path);   // a crashed instance's socket file
    return m_server->listen(path);
}

void TInstanceServer::onConnection()
{
    while (QLocalSocket *s = m_server->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QLocalSocket::readyRead, this, [this, s] { onReadyRead(s); });
        if (s->bytesAvailable() > 0)
            onReadyRead(s);
    }
}

void TInstanceServer::onReadyRead(QLocalSocket *socket)
{
    // A message that arrives while a batch is being interpreted (the
    // interpreter lets the message queue run) waits for that batch to end:
    // interpretations never nest.
    if (m_handling) {
        QTimer::singleShot(50, socket, [this, socket] { onReadyRead(socket); });
        return;
    }
    while (socket->bytesAvailable() >= 12) {
        const QByteArray m = socket->read(12);
        const qint32 msg = qFromLittleEndian<qint32>(m.constData());
        const qint32 first = qFromLittleEndian<qint32>(m.constData() + 4);
        const qint32 second = qFromLittleEndian<qint32>(m.constData() + 8);
        // Anything else, the empty message included, is ignored.
        if (msg != kMessage || first != kParamsInBlock || second != 0)
            continue;
        HandleForwarded();
        if (socket->state() == QLocalSocket::ConnectedState) {
            socket->write(kDone);
            socket->flush();
        }
    }
    // A sender that speaks nonsense gets no more of our time.
    if (socket->bytesAvailable() > 64)
        socket->abort();
}

void TInstanceServer::HandleForwarded()
{
    m_handling = true;
    const auto done = qScopeGuard([this] { m_handling = false; });
    TSharedBlock block;
    QString error;
    if (!block.Open(&error)) {
        if (OnError)
            OnError(error);
        return;
    }
    block.SetFlag(kBusy);
    const QStringList params = SplitParamText(block.Text());
    try {
        if (OnParams)
            OnParams(params);
    } catch (const std::exception &e) {
        // A conversion error (or any other) is shown, and the block still
        // returns to idle below: later senders must not wait for ever.
        if (OnError)
            OnError(QString::fromLocal8Bit(e.what()));
    }
    if (ProcessMessages)
        ProcessMessages();
    block.SetFlag(0);
    block.Close();
}

// --- A second start's end --------------------------------------------------------------

TForward ForwardParams(const QStringList &params, QString *error, const TForwardTimeouts &t,
                       const QString &socketPath, const QByteArray &blockName)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return TForward::Failed;
    };
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (socketPath.isEmpty() || !socket.waitForConnected(t.connectMs))
        return TForward::NoInstance;
    if (params.isEmpty()) {
        socket.write(message(kMessage, 0, 0));
        socket.waitForBytesWritten(t.connectMs);
        return TForward::Done;
    }

    // One sender at a time: the block holds one batch.
    TInstanceLock senderLock;
    const QString lockPath = QFileInfo(socketPath).absolutePath() + QStringLiteral("/Zebrix.send.lock");
    QDeadlineTimer busy(t.busyWaitMs);
    while (!senderLock.TryLock(lockPath)) {
        if (busy.hasExpired())
            return fail(QStringLiteral("another start is still handing its parameters to the running Zebrix"));
        QThread::msleep(10);
    }
    TSharedBlock block;
    QString why;
    if (!block.Open(&why, blockName))
        return fail(why);
    // The running instance may still be working on an earlier batch.
    while (block.Flag() == kBusy) {
        if (busy.hasExpired())
            return fail(QStringLiteral("the running Zebrix stays busy with earlier parameters"));
        QThread::msleep(10);
    }
    block.SetText(JoinParamText(params));
    socket.write(message(kMessage, kParamsInBlock, 0));
    if (!socket.waitForBytesWritten(t.connectMs))
        return fail(QStringLiteral("the running Zebrix does not take the message"));
    // Its answer comes after the flag is back to 0: the text has been taken.
    QDeadlineTimer answer(t.answerMs);
    QByteArray reply;
    while (reply.size() < kDone.size()) {
        if (answer.hasExpired() || socket.state() != QLocalSocket::ConnectedState) {
            if (socket.bytesAvailable() > 0)
                reply += socket.readAll();
            if (reply.startsWith(kDone))
                break;
            return fail(QStringLiteral("the running Zebrix did not confirm the parameters"));
        }
        if (socket.waitForReadyRead(100))
            reply += socket.readAll();
    }
    return TForward::Done;
}

} // namespace instance
