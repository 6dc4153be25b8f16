#include "Instance.h"

#include "CommandLine.h"
#include "FileNames.h"
#include "JobModel.h"
#include "Texts.h"

#include <QAbstractEventDispatcher>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <utility>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

bool RestoreInstanceFolder(const QString &folder, QString *error)
{
    // The runtime folder itself is the session's: gone, it is not ours to
    // make. The cache folder's "zebrix" is.
    const QString parent = QFileInfo(folder).path();
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!(runtime.startsWith('/') && QDir(QFile::decodeName(runtime)) == QDir(parent)) && !QDir().mkpath(parent)) {
        if (error)
            *error = texts::InstanceFolderUnusable(folder, errnoText(errno));
        return false;
    }
    return privateFolder(folder, error);
}

std::optional<TFileId> PathId(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return TFileId{quint64(st.st_dev), quint64(st.st_ino)};
}

std::optional<TFileId> DescriptorId(int fd)
{
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    return TFileId{quint64(st.st_dev), quint64(st.st_ino)};
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
    // Another file by now (the old one removed, the folder made again):
    // its lock is the one that counts.
    if (m_fd >= 0 && (path != m_path || PathId(path) != DescriptorId(m_fd))) {
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

bool TInstanceLock::Intact() const
{
    return m_locked && PathId(m_path) == DescriptorId(m_fd);
}

bool TInstanceLock::Renew(QString *error)
{
    if (Intact())
        return true;
    TInstanceLock renewed;
    QString why;
    if (renewed.TryLock(m_path, &why)) {
        std::swap(m_fd, renewed.m_fd);   // `renewed` ends the old file's lock
        m_locked = true;
        return true;
    }
    if (why.isEmpty())
        Release();   // the file there now is another process's
    else if (error)
        *error = why;
    return false;
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
    return true;
}

bool TSharedBlock::Create(const QString &path, QString *error)
{
    Close();
    auto fail = [&](const QString &why) {
        if (error)
            *error = texts::BlockUnusable(path, why);
        Close();
        return false;
    };
    // Made under a passing name, then moved over whatever is there: a
    // link, another user's file or one cut short is never opened.
    const QByteArray passing = QFile::encodeName(QFileInfo(path).path() + QStringLiteral("/.zb%1").arg(::getpid()));
    ::unlink(passing.constData());
    m_fd = ::open(passing.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return fail(errnoText(errno));
    const bool made = ::ftruncate(m_fd, kBlockSize) == 0 && ::rename(passing.constData(), QFile::encodeName(path).constData()) == 0;
    if (!made) {
        const int why = errno;
        ::unlink(passing.constData());
        return fail(errnoText(why));
    }
    return true;
}

bool TSharedBlock::Intact(const QString &path) const
{
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid()
           && (st.st_mode & 0077) == 0 && st.st_size == kBlockSize && PathId(path) == DescriptorId(m_fd);
}

void TSharedBlock::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

namespace {

// Reads the block's bytes from `at`; what lies past the file's end reads as zeros.
void readBlock(int fd, unsigned char *out, size_t n, off_t at)
{
    std::memset(out, 0, n);
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, out + done, n - done, at + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        done += size_t(got);
    }
}

void writeBlock(int fd, const unsigned char *bytes, size_t n, off_t at)
{
    size_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd, bytes + done, n - done, at + off_t(done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return;
        done += size_t(put);
    }
}

} // namespace

qint32 TSharedBlock::Flag() const
{
    if (m_fd < 0)
        return 0;
    unsigned char bytes[4];
    readBlock(m_fd, bytes, sizeof bytes, 0);
    return qFromLittleEndian<qint32>(bytes);
}

void TSharedBlock::SetFlag(qint32 flag)
{
    if (m_fd < 0)
        return;
    unsigned char bytes[4];
    qToLittleEndian(flag, bytes);
    writeBlock(m_fd, bytes, sizeof bytes, 0);
}

QString TSharedBlock::Text() const
{
    if (m_fd < 0)
        return {};
    unsigned char units[2 * kMaxChars];
    readBlock(m_fd, units, sizeof units, 4);
    QString text;
    // At most up to the end of the block, whatever the block holds.
    for (int i = 0; i < kMaxChars; ++i) {
        const char16_t c = qFromLittleEndian<char16_t>(units + 2 * i);
        if (c == 0)
            break;
        text += QChar(c);
    }
    return text;
}

bool TSharedBlock::SetText(const QString &text)
{
    if (m_fd < 0)
        return false;
    const bool fits = text.size() <= kMaxChars;
    const qsizetype n = fits ? text.size() : 0;
    QByteArray units(2 * (n + 1), '\0');
    for (qsizetype i = 0; i < n; ++i)
        qToLittleEndian<char16_t>(text.at(i).unicode(), units.data() + 2 * i);
    writeBlock(m_fd, reinterpret_cast<const unsigned char *>(units.constData()), size_t(units.size()), 4);
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

int ListenAt(const QString &path, QString *error)
{
    auto fail = [&](int why) {
        if (error)
            *error = texts::CannotListen(path, errnoText(why));
        return -1;
    };
    const QByteArray final = QFile::encodeName(path);
    const QByteArray passing = QFile::encodeName(QFileInfo(path).path() + QStringLiteral("/.zs%1").arg(::getpid()));
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    if (size_t(std::max(final.size(), passing.size())) >= sizeof addr.sun_path)
        return fail(ENAMETOOLONG);
    std::memcpy(addr.sun_path, passing.constData(), size_t(passing.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return fail(errno);
    ::unlink(passing.constData());
    // Many second starts at once wait in the socket's queue, not in refusals.
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0 || ::chmod(passing.constData(), 0600) != 0
        || ::listen(fd, 256) != 0 || ::rename(passing.constData(), final.constData()) != 0) {
        const int why = errno;
        ::unlink(passing.constData());
        ::close(fd);
        return fail(why);
    }
    return fd;
}

TInstanceServer::TInstanceServer(QObject *parent)
    : QObject(parent), m_checkTimer(new QTimer(this)), m_watcher(new QFileSystemWatcher(this))
{
    m_clock.start();
    connect(m_checkTimer, &QTimer::timeout, this, [this] { shielded([this] { check(); }); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &TInstanceServer::scheduleCheck);
    // Idle connections keep descriptors: never so many that a save finds none.
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        m_maxIdle = int(std::clamp<rlim_t>(limit.rlim_cur / 4, 1, kMaxIdleConnections));
}

TInstanceServer::~TInstanceServer()
{
    // The socket file goes with the instance, unless it is another's by now.
    Close();
}

bool TInstanceServer::Listen(const TInstancePaths &paths, QString *error, TInstanceLock *lock, int listening)
{
    m_paths = paths;
    m_lock = lock;
    m_folderId = PathId(paths.folder);
    m_watcher->addPath(paths.folder);
    m_checkTimer->start(kCheckMs);
    QString why;
    // Whatever a crashed instance left in the block is stale, and whatever
    // is there may not be a block at all: a new one.
    const bool block = m_block.Create(paths.block(), &why);
    if (listening >= 0) {
        stopListening();
        m_listening = listening;
        m_socketId = PathId(paths.socket());
        m_acceptNotifier = new QSocketNotifier(qintptr(listening), QSocketNotifier::Read, this);
        connect(m_acceptNotifier, &QSocketNotifier::activated, this, [this] { acceptFrom(m_listening); });
    } else {
        QString socketWhy;
        if (!listenAgain(&socketWhy) && block)
            why = socketWhy;
    }
    m_trouble = why;   // the caller says it; the next looks try again
    if (error)
        *error = why;
    return block && m_listening >= 0;
}

bool TInstanceServer::listenAgain(QString *error)
{
    const int fd = ListenAt(m_paths.socket(), error);
    if (fd < 0)
        return false;
    const int old = m_listening;
    stopListening(false);
    m_listening = fd;
    m_socketId = PathId(m_paths.socket());
    m_acceptNotifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, [this] { acceptFrom(m_listening); });
    // Those that connected to the old socket are senders too.
    if (old >= 0) {
        acceptFrom(old);
        ::close(old);
    }
    return true;
}

void TInstanceServer::stopListening(bool close)
{
    // Perhaps in the notifier's own signal: it goes later.
    if (m_acceptNotifier) {
        m_acceptNotifier->setEnabled(false);
        m_acceptNotifier->deleteLater();
        m_acceptNotifier = nullptr;
    }
    if (close && m_listening >= 0)
        ::close(m_listening);
    m_listening = -1;
}

void TInstanceServer::acceptFrom(int listening)
{
    shielded([this, listening] {
        // A bounded round: the event loop comes back to what is left.
        for (int round = 0; round < 64 && listening >= 0; ++round) {
            const int fd = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                admit(fd);
                continue;
            }
            switch (errno) {
            case EINTR:
            case ECONNABORTED:
            case EPROTO:
                continue;
            case EAGAIN:
                return;
            case EMFILE:
            case ENFILE:
            case ENOBUFS:
            case ENOMEM:
                // No descriptor left: an idle connection gives its own, or,
                // with none to give, the socket's queue waits a moment.
                if (shedOldestIdle())
                    continue;
                if (m_acceptNotifier && listening == m_listening) {
                    m_acceptNotifier->setEnabled(false);
                    QTimer::singleShot(kCheckMs / 4, this, [this] {
                        if (m_acceptNotifier)
                            m_acceptNotifier->setEnabled(true);
                    });
                }
                return;
            default:
                // The listening socket itself failed: a new one.
                if (listening == m_listening) {
                    QString why;
                    if (!listenAgain(&why))
                        note(why);
                }
                return;
            }
        }
    });
}

void TInstanceServer::admit(int fd)
{
    auto *s = new QLocalSocket(this);
    if (!s->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
        ::close(fd);
        delete s;
        return;
    }
    connect(s, &QLocalSocket::readyRead, this, [this, s] { onReadyRead(s); });
    connect(s, &QLocalSocket::disconnected, this, [this, s] { onDisconnected(s); });
    connect(s, &QObject::destroyed, this, [this, s] { m_connections.remove(s); });
    m_connections.insert(s, m_clock.elapsed());
    int idleOnes = 0;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it)
        idleOnes += idle(it.key()) ? 1 : 0;
    for (; idleOnes > m_maxIdle && shedOldestIdle(); --idleOnes) {
    }
}

bool TInstanceServer::idle(QLocalSocket *socket) const
{
    return !pending(socket) && socket->state() == QLocalSocket::ConnectedState;
}

void TInstanceServer::readWaiting(QLocalSocket *socket)
{
    if (socket->state() == QLocalSocket::ConnectedState)
        socket->waitForReadyRead(0);   // its readyRead reads a whole list into the queue
}

bool TInstanceServer::shedOldestIdle()
{
    for (;;) {
        QLocalSocket *oldest = nullptr;
        qint64 since = 0;
        for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
            if (idle(it.key()) && (!oldest || it.value() < since)) {
                oldest = it.key();
                since = it.value();
            }
        }
        if (!oldest)
            return false;
        const QPointer<QLocalSocket> guard(oldest);
        readWaiting(oldest);
        if (!guard)
            continue;
        if (!idle(oldest)) {
            m_connections[oldest] = m_clock.elapsed();
            continue;
        }
        m_connections.remove(oldest);
        oldest->abort();
        oldest->deleteLater();
        return true;
    }
}

void TInstanceServer::closeIdle()
{
    const qint64 now = m_clock.elapsed();
    QList<QPointer<QLocalSocket>> expired;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (now - it.value() >= kIdleMs && idle(it.key()))
            expired << it.key();
    }
    for (const QPointer<QLocalSocket> &s : expired) {
        if (!s)
            continue;
        readWaiting(s);   // a list that waited unread is no idleness
        if (!s || !idle(s))
            continue;
        m_connections.remove(s);
        s->abort();
        s->deleteLater();
    }
}

void TInstanceServer::scheduleCheck()
{
    if (m_checkScheduled)
        return;
    m_checkScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_checkScheduled = false;
        shielded([this] { check(); });
    });
}

void TInstanceServer::note(const QString &trouble)
{
    // Said once, not at every look.
    if (trouble != m_trouble && !trouble.isEmpty())
        qCritical("%s", qUtf8Printable(trouble));
    m_trouble = trouble;
}

void TInstanceServer::check()
{
    closeIdle();
    if (m_lost || m_closed || m_paths.folder.isEmpty())
        return;
    QString why;
    // The folder: gone (wiped with the cache), or another by now.
    if (PathId(m_paths.folder) != m_folderId || !m_watcher->directories().contains(m_paths.folder)) {
        if (!RestoreInstanceFolder(m_paths.folder, &why))
            return note(why);
        m_folderId = PathId(m_paths.folder);
        if (!m_watcher->directories().contains(m_paths.folder))
            m_watcher->addPath(m_paths.folder);
    }
    // The lock: another file at its name is locked anew, unless another
    // instance got there first; then the folder is that one's.
    if (m_lock && !m_lock->Renew(&why)) {
        if (!why.isEmpty())
            return note(why);
        m_lost = true;
        stopListening();
        m_block.Close();
        m_checkTimer->stop();
        m_watcher->removePath(m_paths.folder);
        return note(texts::InstanceFolderTaken(m_paths.folder));
    }
    if ((m_listening < 0 || PathId(m_paths.socket()) != m_socketId) && !listenAgain(&why))
        return note(why);
    if (!m_block.Intact(m_paths.block()))
        restoreBlock();
    else if (m_block.Flag() != (m_busy ? kBusy : 0))
        m_block.SetFlag(m_busy ? kBusy : 0);   // somebody else's word, not ours
    if (m_block.IsOpen())
        note(QString());
}

void TInstanceServer::restoreBlock()
{
    QString why;
    if (!m_block.Create(m_paths.block(), &why))
        return note(why);
    m_block.SetFlag(m_busy ? kBusy : 0);
}

void TInstanceServer::SetReady()
{
    if (m_closed)
        return;
    m_ready = true;
    scheduleQueue();
}

void TInstanceServer::Close()
{
    if (std::exchange(m_closed, true))
        return;
    m_ready = false;
    m_checkTimer->stop();
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    if (m_listening >= 0 && m_socketId && PathId(m_paths.socket()) == m_socketId)
        ::unlink(QFile::encodeName(m_paths.socket()).constData());
    stopListening();
    m_queue.clear();
    const QList<QLocalSocket *> open = m_connections.keys();
    for (QLocalSocket *s : open) {
        if (s == m_current)
            continue;
        m_connections.remove(s);
        s->abort();
        s->deleteLater();
    }
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
        m_connections.remove(socket);
        if (!pending(socket))
            socket->deleteLater();
    });
}

void TInstanceServer::scheduleQueue()
{
    if (m_ready && !m_handling && !m_queue.isEmpty() && mayStart())
        QMetaObject::invokeMethod(this, &TInstanceServer::runQueue, Qt::QueuedConnection);
}

bool TInstanceServer::mayStart()
{
    if (!MayStart || MayStart()) {
        disconnect(m_waitingForJob);
        return true;
    }
    // Another driver is in the middle of its work (a creation and its save
    // are one unit): look again when this thread is next about to sleep.
    if (!m_waitingForJob)
        m_waitingForJob = connect(QAbstractEventDispatcher::instance(thread()),
                                  &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                                      if (MayStart())
                                          scheduleQueue();
                                  });
    return false;
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
        while (!m_queue.isEmpty() && mayStart()) {
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
                // Answered: idle from now on, as a new connection.
                if (m_connections.contains(r.socket))
                    m_connections[r.socket] = m_clock.elapsed();
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
    m_busy = true;
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
    m_busy = false;
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
    // connection open meanwhile. A turn that does not come soon (a sender
    // stopped in the middle of its hand-over holds the lock for ever) is
    // taken all the same: the lists travel apart on the socket, the block
    // is only their mirror.
    TInstanceLock sendLock;
    QString why;
    lockBefore(sendLock, paths.sendLock(), QDeadlineTimer(t.queueMs), &why);
    socket.connectToServer(paths.socket());
    if (!socket.waitForConnected(t.connectMs))
        return TForward::Gone;   // it ended while this start waited its turn
    // The running instance may still be working on an earlier list (its
    // sender gone before the answer): a short wait. A block that cannot be
    // used, or a flag that stays 1234, holds up nothing.
    TSharedBlock block;
    if (block.Open(paths.block())) {
        PollWithBackoff(QDeadlineTimer(t.busyWaitMs), [&] { return block.Flag() != kBusy; });
        block.SetText(JoinParamText(params));
    }
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
