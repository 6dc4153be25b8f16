#include "Instance.h"

#include "CommandLine.h"
#include "FileNames.h"
#include "JobModel.h"
#include "Texts.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QThread>
#include <QtEndian>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace instance {

namespace {

QString errnoText(int error) { return qt_error_string(error); }

// A folder of ours alone: created 0700 when missing; a real folder (not a
// link) that belongs to us and that nobody else may enter.
bool privateFolder(const QString &folder, QString *error)
{
    const QByteArray path = QFile::encodeName(folder);
    auto fail = [&](const QString &why) {
        if (error)
            *error = texts::InstanceFolderUnusable(folder, why);
        return false;
    };
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return fail(errnoText(errno));
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return fail(errnoText(errno));
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return fail(texts::NotAPrivateFolder());
    // Ours, but open to others (made so by hand): close it.
    if ((st.st_mode & 0077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return fail(errnoText(errno));
    return true;
}

QString homeFolder()
{
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty())
        return QFile::decodeName(home);
    const struct passwd *pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir ? QFile::decodeName(pw->pw_dir) : QString();
}

void putInt(QByteArray &out, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

qint32 intAt(const QByteArray &bytes, qsizetype at) { return qFromLittleEndian<qint32>(bytes.constData() + at); }

QByteArray message(qint32 msg, qint32 first, qint32 second)
{
    QByteArray m;
    putInt(m, msg);
    putInt(m, first);
    putInt(m, second);
    return m;
}

void putText(QByteArray &out, const QString &text)
{
    putInt(out, qint32(text.size()));
    for (const QChar c : text) {
        char unit[2];
        qToLittleEndian<char16_t>(c.unicode(), unit);
        out.append(unit, 2);
    }
}

// The text at *at (its length, then UTF-16 units); nothing when the bytes end first.
std::optional<QString> takeText(const QByteArray &bytes, qsizetype *at)
{
    if (bytes.size() - *at < 4)
        return std::nullopt;
    const qint32 n = intAt(bytes, *at);
    if (n < 0 || (bytes.size() - *at - 4) / 2 < n)
        return std::nullopt;
    QString text(n, Qt::Uninitialized);
    const char *p = bytes.constData() + *at + 4;
    for (qint32 i = 0; i < n; ++i)
        text[i] = QChar(qFromLittleEndian<char16_t>(p + 2 * i));
    *at += 4 + 2 * qsizetype(n);
    return text;
}

const QByteArray kTake = QByteArrayLiteral("TAKE");
const QByteArray kDone = QByteArrayLiteral("DONE");

// Polls a lock until it is ours, or the deadline passes, or its file cannot
// be opened (*error says why).
bool lockBefore(TInstanceLock &lock, const QString &path, const QDeadlineTimer &deadline, QString *error)
{
    bool locked = false;
    PollWithBackoff(deadline, [&] { return (locked = lock.TryLock(path, error)) || !error->isEmpty(); });
    return locked;
}

} // namespace

QString InstanceFolder(QString *error)
{
    // Only an absolute path counts, as for every XDG variable.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) {
        const QString folder = QFile::decodeName(runtime) + QStringLiteral("/zebrix");
        return privateFolder(folder, error) ? folder : QString();
    }
    // No runtime folder: one in the user's own cache folder, where no other
    // user can create it first. The host's name keeps machines that share a
    // home folder apart.
    QString cache = QFile::decodeName(qgetenv("XDG_CACHE_HOME"));
    if (!cache.startsWith(u'/')) {
        const QString home = homeFolder();
        if (home.isEmpty()) {
            if (error)
                *error = texts::NoHomeFolder();
            return {};
        }
        cache = home + QStringLiteral("/.cache");
    }
    char host[HOST_NAME_MAX + 1] = {};
    ::gethostname(host, sizeof host - 1);
    const QString parent = cache + QStringLiteral("/zebrix");
    const QString folder = parent + QStringLiteral("/run-") + QString::fromLocal8Bit(host).replace(u'/', u'_');
    if (!QDir().mkpath(parent)) {
        if (error)
            *error = texts::InstanceFolderUnusable(folder, errnoText(errno));
        return {};
    }
    return privateFolder(folder, error) ? folder : QString();
}

// --- Lock ---------------------------------------------------------------------------

TInstanceLock::~TInstanceLock()
{
    Release();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TInstanceLock::TryLock(const QString &path, QString *error)
{
    if (m_locked)
        return true;
    if (path.isEmpty())
        return false;
    if (m_fd >= 0 && path != m_path) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_fd < 0) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(path, errnoText(errno));
            return false;
        }
        m_path = path;
    }
    m_locked = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    return m_locked;
}

void TInstanceLock::Release()
{
    if (m_locked) {
        ::flock(m_fd, LOCK_UN);
        m_locked = false;
    }
}

// --- Shared block -----------------------------------------------------------------------

TSharedBlock::~TSharedBlock() { Close(); }

bool TSharedBlock::Open(const QString &path, QString *error)
{
    Close();
    auto fail = [&](const QString &why) {
        if (error)
            *error = texts::BlockUnusable(path, why);
        Close();
        return false;
    };
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return fail(errnoText(errno));
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return fail(errnoText(errno));
    // Somebody else's file, or one others may open, is not ours to trust.
    if (!S_ISREG(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 0077) != 0)
        return fail(texts::NotAPrivateFile());
    if (st.st_size != kBlockSize && ::ftruncate(m_fd, kBlockSize) != 0)
        return fail(errnoText(errno));
    void *p = ::mmap(nullptr, kBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (p == MAP_FAILED)
        return fail(errnoText(errno));
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

bool TSharedBlock::SetText(const QString &text)
{
    if (!m_data)
        return false;
    const bool fits = text.size() <= kMaxChars;
    const qsizetype n = fits ? text.size() : 0;
    for (qsizetype i = 0; i < n; ++i)
        qToLittleEndian<char16_t>(text.at(i).unicode(), m_data + 4 + 2 * i);
    qToLittleEndian<char16_t>(0, m_data + 4 + 2 * n);
    return fits;
}

int TSharedBlock::Mode() const
{
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// --- The list on the socket ------------------------------------------------------------------

QByteArray EncodeParamList(const QStringList &params)
{
    QByteArray out;
    putInt(out, qint32(params.size()));
    for (const QString &p : params)
        putText(out, p);
    return out;
}

std::optional<QStringList> DecodeParamList(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    const qint32 count = intAt(bytes, 0);
    // Each parameter takes at least its length.
    if (count < 0 || count > (bytes.size() - 4) / 4)
        return std::nullopt;
    QStringList params;
    params.reserve(count);
    qsizetype at = 4;
    for (qint32 i = 0; i < count; ++i) {
        const std::optional<QString> p = takeText(bytes, &at);
        if (!p)
            return std::nullopt;
        params << *p;
    }
    if (at != bytes.size())
        return std::nullopt;
    return params;
}

// --- The running instance's end -----------------------------------------------------------

TInstanceServer::TInstanceServer(QObject *parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Many second starts at once wait in the queue of the socket, not in refusals.
    m_server->setListenBacklogSize(256);
    connect(m_server, &QLocalServer::newConnection, this, &TInstanceServer::onConnection);
}

TInstanceServer::~TInstanceServer() = default;

bool TInstanceServer::Listen(const TInstancePaths &paths, QString *error)
{
    QString why;
    if (!m_block.Open(paths.block(), &why)) {
        if (error)
            *error = why;
        return false;
    }
    // Whatever a crashed instance left in the block is stale.
    m_block.SetFlag(0);
    m_block.SetText(QString());
    QLocalServer::removeServer(paths.socket());   // a crashed instance's socket file
    if (!m_server->listen(paths.socket())) {
        if (error)
            *error = texts::CannotListen(paths.socket(), m_server->errorString());
        return false;
    }
    return true;
}

void TInstanceServer::SetReady()
{
    m_ready = true;
    scheduleQueue();
}

void TInstanceServer::reportError(const QString &message) const
{
    if (OnError)
        OnError(message);
}

void TInstanceServer::shielded(const std::function<void()> &body) const
{
    try {
        body();
    } catch (const std::exception &e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(texts::UnknownFailure());
    }
}

void TInstanceServer::onConnection()
{
    shielded([this] {
        while (QLocalSocket *s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] { onReadyRead(s); });
            connect(s, &QLocalSocket::disconnected, this, [this, s] { onDisconnected(s); });
            if (s->bytesAvailable() > 0)
                onReadyRead(s);
        }
    });
}

bool TInstanceServer::pending(const QLocalSocket *socket) const
{
    if (socket == m_current)
        return true;
    for (const TRequest &r : m_queue) {
        if (r.socket == socket)
            return true;
    }
    return false;
}

void TInstanceServer::onReadyRead(QLocalSocket *socket)
{
    // Only reading here: the list is interpreted later, outside the socket's
    // own signal, so that a sender that goes away meanwhile takes nothing
    // with it that is still in use.
    shielded([this, socket] {
        while (socket->bytesAvailable() >= 12) {
            const QByteArray head = socket->peek(16);
            const qint32 msg = intAt(head, 0), first = intAt(head, 4), second = intAt(head, 8);
            if (msg != kMessage || first != kParamsFollow || second != 0) {
                // Anything else, the empty message included, is ignored.
                socket->skip(12);
                continue;
            }
            if (head.size() < 16)
                return;
            const qint32 n = intAt(head, 12);
            if (n < 0 || n > kMaxListBytes) {
                socket->abort();   // no sender of ours says that
                return;
            }
            if (socket->bytesAvailable() < 16 + qint64(n))
                return;   // the rest is on its way
            socket->skip(16);
            const std::optional<QStringList> params = DecodeParamList(socket->read(n));
            if (!params) {
                socket->abort();
                return;
            }
            m_queue.append({socket, *params});
            scheduleQueue();
        }
    });
}

void TInstanceServer::onDisconnected(QLocalSocket *socket)
{
    // A socket whose list waits or runs goes when its turn is over.
    shielded([this, socket] {
        if (!pending(socket))
            socket->deleteLater();
    });
}

void TInstanceServer::scheduleQueue()
{
    if (m_ready && !m_handling && !m_queue.isEmpty())
        QMetaObject::invokeMethod(this, &TInstanceServer::runQueue, Qt::QueuedConnection);
}

void TInstanceServer::runQueue()
{
    if (!m_ready || m_handling)
        return;
    // One list after the other to the end of the queue; a call that comes
    // meanwhile (from a list's own message loop) finds the queue taken.
    m_handling = true;
    const auto clear = qScopeGuard([this] {
        m_current = nullptr;
        m_handling = false;
        scheduleQueue();
    });
    shielded([this] {
        while (!m_queue.isEmpty()) {
            const TRequest r = m_queue.takeFirst();
            if (!r.socket)
                continue;
            // A sender that went away before its turn handed nothing over.
            if (r.socket->state() != QLocalSocket::ConnectedState) {
                r.socket->deleteLater();
                continue;
            }
            m_current = r.socket;
            r.socket->write(kTake);
            r.socket->flush();
            const QString failure = HandleForwarded(r.params);
            m_current = nullptr;
            if (!r.socket)
                continue;
            if (r.socket->state() == QLocalSocket::ConnectedState) {
                QByteArray answer = kDone;
                putInt(answer, failure.isEmpty() ? 0 : 1);
                if (!failure.isEmpty())
                    putText(answer, failure);
                r.socket->write(answer);
                r.socket->flush();
            } else {
                r.socket->deleteLater();
            }
        }
    });
}

QString TInstanceServer::HandleForwarded(const QStringList &params)
{
    // Interpretations never nest: what arrives meanwhile waits in the queue.
    const bool outer = !m_handling;
    m_handling = true;
    const auto done = qScopeGuard([this, outer] {
        if (outer) {
            m_handling = false;
            scheduleQueue();
        }
    });
    m_block.SetFlag(kBusy);
    QString failure;
    try {
        if (OnParams)
            failure = OnParams(params);
    } catch (const std::exception &e) {
        // A conversion error (or any other) is shown, and the block still
        // returns to idle below: later senders must not wait for ever.
        failure = QString::fromUtf8(e.what());
        reportError(failure);
    } catch (...) {
        failure = texts::UnknownFailure();
        reportError(failure);
    }
    shielded([this] {
        if (ProcessMessages)
            ProcessMessages();
    });
    m_block.SetFlag(0);
    return failure;
}

// --- A second start's end --------------------------------------------------------------

TForward ForwardParams(const QStringList &params, const TInstancePaths &paths, QString *error,
                       const TForwardTimeouts &t)
{
    auto result = [&](TForward r, const QString &why) {
        if (error)
            *error = why;
        return r;
    };
    // Finding the window: somebody listens on the socket.
    QLocalSocket socket;
    socket.connectToServer(paths.socket());
    if (!socket.waitForConnected(t.connectMs))
        return TForward::NoInstance;
    if (params.isEmpty()) {
        socket.write(message(kMessage, 0, 0));
        socket.waitForBytesWritten(t.connectMs);
        return TForward::Done;
    }
    const QByteArray list = EncodeParamList(params);
    if (list.size() > kMaxListBytes)
        return result(TForward::Refused, texts::ParamsTooLong(list.size(), kMaxListBytes));
    socket.abort();

    // One sender at a time: the block holds one list. Queued senders keep no
    // connection open meanwhile.
    TInstanceLock sendLock;
    QString why;
    if (!lockBefore(sendLock, paths.sendLock(), QDeadlineTimer(t.queueMs), &why))
        return result(TForward::Failed, why.isEmpty() ? texts::SendersQueueTimeout() : why);
    socket.connectToServer(paths.socket());
    if (!socket.waitForConnected(t.connectMs))
        return TForward::Gone;   // it ended while this start waited its turn
    TSharedBlock block;
    if (!block.Open(paths.block(), &why))
        return result(TForward::Failed, why);
    // The running instance may still be working on an earlier list (its
    // sender gone before the answer).
    if (!PollWithBackoff(QDeadlineTimer(t.busyWaitMs), [&] { return block.Flag() != kBusy; }))
        return result(TForward::Failed, texts::InstanceStaysBusy());
    block.SetText(JoinParamText(params));
    QByteArray out = message(kMessage, kParamsFollow, 0);
    putInt(out, qint32(list.size()));
    out += list;
    socket.write(out);

    // "TAKE" when it starts on the list, "DONE" and the outcome once the
    // flag is back to 0.
    const QDeadlineTimer answer(t.answerMs);
    QByteArray reply;
    for (;;) {
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(100);
        else
            socket.waitForReadyRead(100);
        reply += socket.readAll();
        if (reply.size() >= 12 && reply.startsWith(kTake + kDone)) {
            if (intAt(reply, 8) == 0)
                return TForward::Done;
            qsizetype at = 12;
            if (const std::optional<QString> failure = takeText(reply, &at))
                return result(TForward::Failed, *failure);
        }
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0) {
            if (reply.isEmpty())
                return TForward::Gone;   // it ended before taking the list: start again
            return result(TForward::Failed, reply.startsWith(kTake + kDone) ? texts::InstanceNotConfirming()
                                                                              : texts::InstanceEndedDuring());
        }
        if (answer.hasExpired())
            return result(TForward::Failed, texts::InstanceNotConfirming());
    }
}

// --- Relative save names ---------------------------------------------------------------------

std::optional<QStringList> AbsoluteSaveNames(const QStringList &params, const QString &workingFolder)
{
    QStringList out = params;
    for (QString &p : out) {
        const TParamRule *rule = MatchParam(p);
        if (!rule || rule->option != Option::Save)
            continue;
        const qsizetype from = qstrlen(rule->text);
        const QString name = p.mid(from);
        if (name.isEmpty() || name == u"-" || name.startsWith(u'/'))
            continue;
        if (workingFolder.isEmpty())
            return std::nullopt;
        p = p.left(from) + workingFolder + (workingFolder.endsWith(u'/') ? QString() : QStringLiteral("/")) + name;
    }
    return out;
}

QString WorkingFolder()
{
    // getcwd, not QDir::currentPath: a folder name's bytes that do not
    // decode must survive.
    QByteArray buf(PATH_MAX, '\0');
    while (!::getcwd(buf.data(), size_t(buf.size()))) {
        if (errno != ERANGE)
            return {};
        buf.resize(buf.size() * 2);
    }
    return DecodeFileName(QByteArray(buf.constData()));
}

// --- The forwarded interpretation -------------------------------------------------------------

void InterpretParamList(JobModel &model, ICommandHost &host, const QStringList &params)
{
    model.Params = params;
    // The symbology may have changed without its list's handler: show its
    // picture and panels, also after an interpretation that stopped early.
    const auto after = qScopeGuard([&model] {
        model.ShowSymbologyControls();
        model.AutoCopy.setChecked(true);
    });
    InterpretParams(model, host);
}

bool PollWithBackoff(const QDeadlineTimer &deadline, const std::function<bool()> &ready)
{
    unsigned long pause = 1;
    while (!ready()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(pause);
        pause = std::min(pause * 2, 20ul);
    }
    return true;
}

} // namespace instance
