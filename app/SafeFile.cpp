#include "SafeFile.h"

#include "FileNames.h"
#include "Texts.h"
#include "Waiting.h"

#include <QDeadlineTimer>

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// --- Temporary names that a signal must not leave behind ------------------------
//
// A fixed table: the signal handler may only read memory that exists
// already, and only through lock-free atomics. A slot is taken by a writer
// (taken), filled, then armed; the handler removes the names of armed slots.
//
// Other threads may be creating or renaming a temporary at the moment the
// signal arrives. The handler first says the process is ending (no thread
// starts a temporary after that), gives the threads that are at it a moment
// to finish, then removes what is left.

constexpr int kSlots = 128;   // more than the threads of any batch
struct TempSlot {
    std::atomic<bool> taken{false};
    std::atomic<bool> armed{false};
    char path[PATH_MAX];
};
TempSlot g_slots[kSlots];
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int kCleanSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> g_namedOnly{false};

std::atomic<bool> g_ending{false};   // a signal is ending the process
std::atomic<int> g_busy{0};           // threads holding a temporary name
thread_local bool t_busy = false;     // this thread holds one

void removeTemporaries(int sig)
{
    g_ending.store(true);
    // The thread the signal interrupted cannot finish its temporary: it is this one.
    const int self = t_busy ? 1 : 0;
    for (int waited = 0; waited < 2000 && g_busy.load() > self; ++waited) {
        const timespec millisecond = {0, 1000000};
        ::nanosleep(&millisecond, nullptr);
    }
    for (TempSlot &s : g_slots)
        if (s.armed.load())
            ::unlink(s.path);
    // Then end as the signal would have ended the process without us.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// Installed once, and only where the process left the default: a program
// that handles these signals itself keeps its handler.
void installCleanup()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int sig : kCleanSignals) {
            struct sigaction old = {};
            if (::sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL)
                continue;
            struct sigaction act = {};
            act.sa_handler = removeTemporaries;
            sigemptyset(&act.sa_mask);
            for (const int other : kCleanSignals)
                sigaddset(&act.sa_mask, other);
            ::sigaction(sig, &act, nullptr);
        }
    });
}

// A temporary name known to the signal handler while this object lives.
class TTempName
{
public:
    explicit TTempName(const QByteArray &path)
    {
        installCleanup();
        t_busy = true;
        g_busy.fetch_add(1);
        if (g_ending.load()) {
            // The process is ending by a signal: no new temporary.
            g_busy.fetch_sub(1);
            t_busy = false;
            for (;;)
                ::pause();
        }
        if (path.size() >= PATH_MAX)
            return;
        for (TempSlot &s : g_slots) {
            bool expected = false;
            if (s.taken.compare_exchange_strong(expected, true)) {
                std::memcpy(s.path, path.constData(), size_t(path.size()) + 1);
                s.armed.store(true);
                m_slot = &s;
                return;
            }
        }
        // No free slot: the name is simply not removed on a signal.
    }
    ~TTempName()
    {
        if (m_slot) {
            m_slot->armed.store(false);
            m_slot->taken.store(false);
        }
        g_busy.fetch_sub(1);
        t_busy = false;
    }
    TTempName(const TTempName &) = delete;
    TTempName &operator=(const TTempName &) = delete;

private:
    TempSlot *m_slot = nullptr;
};

// --- Small pieces --------------------------------------------------------------

class TFd
{
public:
    explicit TFd(int fd = -1) : m_fd(fd) {}
    ~TFd() { reset(); }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int get() const { return m_fd; }
    bool ok() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes and reports the error of the close (0 on success).
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int m_fd;
};

QString why(int error) { return qt_error_string(error); }

// Writes everything; 0 or the error.
int writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        p += n;
        left -= n;
    }
    return 0;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray baseOf(const QByteArray &path) { return path.mid(path.lastIndexOf('/') + 1); }

// Whether the caller may write the file by its mode bits. Root may write
// anything, so for root the bits themselves decide: no write bit, no write.
bool writable(const QByteArray &path, const struct stat &st)
{
    if (::geteuid() == 0)
        return (st.st_mode & 0222) != 0;
    return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0;
}

// The end of a chain of symbolic links, as text: each link's target read
// relative to the link's folder. Sets errno and returns a null array on a
// failure other than a missing end (ELOOP for a loop).
QByteArray followLinks(QByteArray path)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0)
            return errno == ENOENT ? path : QByteArray();
        if (!S_ISLNK(st.st_mode))
            return path;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return {};
        target.truncate(n);
        path = target.startsWith('/') ? target : folderOf(path) + '/' + target;
    }
    errno = ELOOP;
    return {};
}

// A name for a temporary beside the target, unique enough; creation with
// O_EXCL settles the rest.
QByteArray temporaryName(const QByteArray &base)
{
    static std::atomic<unsigned> counter{0};
    const unsigned n = counter.fetch_add(1);
    return '.' + base + '.' + QByteArray::number(qint64(::getpid()), 36) + '-' + QByteArray::number(n, 36) + ".tmp";
}

// Gives the new file the old one's owner and permission bits.
void keepOwnerAndMode(int fd, const struct stat *old)
{
    if (!old)
        return;
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
        // Only root may give a file away; a group member may still set the group.
        if (::fchown(fd, old->st_uid, old->st_gid) != 0 && ::fchown(fd, uid_t(-1), old->st_gid) != 0) {
            // The new file stays ours: acceptable, the content is what was asked for.
        }
    }
    ::fchmod(fd, old->st_mode & 0777);
}

// Links an unnamed file (O_TMPFILE) under the name in the folder.
int linkUnnamed(int fd, int dir, const QByteArray &name)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, self.constData(), dir, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    const int first = errno;
    if (first != ENOENT)
        return first;
    // No /proc: linking the descriptor itself needs CAP_DAC_READ_SEARCH.
    if (::linkat(fd, "", dir, name.constData(), AT_EMPTY_PATH) == 0)
        return 0;
    return errno == EPERM || errno == ENOENT ? EOPNOTSUPP : errno;
}

// Replaces (or creates) base in the folder with the bytes: an unnamed file
// where the file system has them, else a named temporary. old is the file
// being replaced, null for a new name.
QString replaceAtomically(const QByteArray &path, const struct stat *old, const QByteArray &bytes, bool durable)
{
    const QByteArray folder = folderOf(path);
    const QByteArray base = baseOf(path);
    if (base.isEmpty() || base == "." || base == "..")
        return why(EISDIR);
    TFd dir(::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok())
        return why(errno);

    // Moves a complete file from its temporary name onto the target.
    auto renameOver = [&](const QByteArray &temp) -> QString {
        if (::renameat(dir.get(), temp.constData(), dir.get(), base.constData()) != 0) {
            const int error = errno;
            ::unlinkat(dir.get(), temp.constData(), 0);
            return why(error);
        }
        return {};
    };

    TFd fd(g_namedOnly ? (errno = EOPNOTSUPP, -1) : ::openat(dir.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (fd.ok()) {
        keepOwnerAndMode(fd.get(), old);
        if (const int error = writeAll(fd.get(), bytes))
            return why(error);   // the unnamed file goes with its descriptor
        if (durable && ::fsync(fd.get()) != 0)
            return why(errno);
        int error = old ? EEXIST : linkUnnamed(fd.get(), dir.get(), base);
        if (error == 0)
            return {};
        if (error == EEXIST) {
            // Replacing: linked under a temporary name first, then renamed over
            // the target, since a link never replaces a name.
            for (int attempt = 0; attempt < 100; ++attempt) {
                const QByteArray temp = temporaryName(base);
                const TTempName guard(folder + '/' + temp);
                error = linkUnnamed(fd.get(), dir.get(), temp);
                if (error == 0)
                    return renameOver(temp);
                if (error != EEXIST)
                    break;
            }
        }
        if (error != EOPNOTSUPP)
            return why(error);
        // Written but not linkable here: try again with a named temporary.
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return why(errno);
    }

    // A file system without unnamed files: a named temporary.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = temporaryName(base);
        const TTempName guard(folder + '/' + temp);
        fd.reset(::openat(dir.get(), temp.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
        if (!fd.ok()) {
            if (errno == EEXIST)
                continue;
            return why(errno);
        }
        keepOwnerAndMode(fd.get(), old);
        int error = writeAll(fd.get(), bytes);
        if (error == 0 && durable && ::fsync(fd.get()) != 0)
            error = errno;
        if (const int closing = fd.close(); error == 0)
            error = closing;
        if (error != 0) {
            ::unlinkat(dir.get(), temp.constData(), 0);
            return why(error);
        }
        return renameOver(temp);
    }
    return why(EEXIST);
}

// A FIFO (or a device) nobody reads would hold the save, and with it the
// window and every driver, for as long as nobody comes: the reader has this
// long to appear, and to take each part of the bytes.
constexpr int kReaderWaitMs = 10000;

// Waits for `ready` (looked at with a growing pause, the wait hook run in
// between), at most kReaderWaitMs. 0, or ETIMEDOUT, or EINTR when
// termination was requested meanwhile.
int waitFor(const std::function<bool()> &ready)
{
    const QDeadlineTimer deadline(kReaderWaitMs);
    int pause = 1;
    while (!ready()) {
        if (deadline.hasExpired())
            return ETIMEDOUT;
        RunWaitHook();
        if (!SleepUnlessTerminated(pause))
            return EINTR;
        pause = std::min(pause * 2, 50);
    }
    return 0;
}

// Writes everything to a descriptor opened without blocking: a reader that
// stops taking the bytes fails the save after kReaderWaitMs instead of
// holding it for ever.
int writeAllWaiting(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    int error = 0;
    while (left > 0 && error == 0) {
        const int waited = waitFor([&] {
            const ssize_t n = ::write(fd, p, size_t(left));
            if (n > 0) {
                p += n;
                left -= n;
                return true;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                error = n == 0 ? ENOSPC : errno;
                return true;
            }
            return false;
        });
        if (waited != 0)
            return waited;
    }
    return error;
}

QString readerWaitFailure(int error)
{
    if (error == ETIMEDOUT)
        return texts::NoReader(kReaderWaitMs / 1000);
    if (error == EINTR)
        return texts::SaveInterrupted();
    return why(error);
}

// Writes into what the name is: a device, a FIFO, or a regular file that no
// readable chain of links leads to (/proc/self/fd/N).
QString writeInPlace(const QByteArray &path, bool regular, const QByteArray &bytes)
{
    if (regular) {
        TFd fd(::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_TRUNC));
        if (!fd.ok())
            return why(errno);
        int error = writeAll(fd.get(), bytes);
        if (const int closing = fd.close(); error == 0)
            error = closing;
        return error ? why(error) : QString();
    }
    // Without blocking: a FIFO without a reader refuses the opening
    // (ENXIO) instead of holding it until one comes.
    TFd fd;
    int openError = 0;
    const int waited = waitFor([&] {
        fd.reset(::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        openError = fd.ok() ? 0 : errno;
        return openError != ENXIO;
    });
    if (waited != 0)
        return readerWaitFailure(waited);
    if (openError != 0)
        return why(openError);
    int error = writeAllWaiting(fd.get(), bytes);
    if (const int closing = fd.close(); error == 0)
        error = closing;
    return error ? readerWaitFailure(error) : QString();
}

} // namespace

QString WriteFileSafely(const QString &fileName, const QByteArray &bytes, bool durable)
{
    const QByteArray name = EncodeFileName(fileName);
    if (name.isEmpty())
        return why(ENOENT);
    struct stat st;
    if (::stat(name.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return why(EISDIR);
        if (S_ISSOCK(st.st_mode))
            return texts::SocketTarget();
        if (!S_ISREG(st.st_mode))
            return writeInPlace(name, false, bytes);
        const QByteArray end = followLinks(name);
        struct stat endSt;
        if (end.isNull() || ::lstat(end.constData(), &endSt) != 0 || endSt.st_dev != st.st_dev
            || endSt.st_ino != st.st_ino) {
            // A link whose text leads elsewhere (a descriptor under /proc): the
            // name itself is all there is to write to.
            if (!writable(name, st))
                return why(EACCES);
            return writeInPlace(name, true, bytes);
        }
        if (!writable(end, st))
            return why(EACCES);
        return replaceAtomically(end, &st, bytes, durable);
    }
    if (errno != ENOENT)
        return why(errno);
    // A new name, or a dangling link: the file at the end of the chain.
    const QByteArray end = followLinks(name);
    if (end.isNull())
        return why(errno);
    return replaceAtomically(end, nullptr, bytes, durable);
}

void SetNamedTemporariesOnly(bool on)
{
    g_namedOnly = on;
}

bool FileExists(const QString &fileName)
{
    struct stat st;
    return ::stat(EncodeFileName(fileName).constData(), &st) == 0;
}

int WriteAll(int fd, const QByteArray &bytes) { return writeAll(fd, bytes); }
