// One Zebrix per user and runtime folder: the lock that marks the running
// instance, the local socket that is its window for other processes, and the
// shared block "Zebrix" that shows whether it is busy with a second start's
// parameters. All three live in one private folder, the instance folder, so
// they always name the same instance, and nothing lives in a name space that
// another user could take first:
//
//   $XDG_RUNTIME_DIR/zebrix/                (without XDG_RUNTIME_DIR:
//                                            ${XDG_CACHE_HOME:-~/.cache}/zebrix/run-<host>/)
//       hZebrix.lock       flock: held by the running instance
//       Zebrix.sock        the running instance's local socket
//       Zebrix.block       the shared block, 2048 bytes
//       Zebrix.send.lock   flock: held by the one second start handing over
//
// The shared block (2048 bytes, little-endian): a 32-bit busy flag at
// offset 0 (1234 while the running instance interprets forwarded parameters,
// 0 otherwise), then UTF-16 text from offset 4: a single LF, the parameters
// separated by CR LF, at most 1021 characters, ended by a NUL. A list that
// does not fit leaves the text empty: the whole list always travels on the
// socket, and that is the list the running instance interprets. The block is
// read and written through its descriptor, never mapped: a file cut short
// (by anybody) reads as zeros past its end.
//
// The socket, little-endian 32-bit integers throughout. A second start sends
//   1534, 0xFFFF, 0, n, then n bytes: the number of parameters, and for each
//   its length in UTF-16 units and the units (n at most kMaxListBytes)
// or 1534, 0, 0 ("no parameters", ignored). The running instance answers
// "TAKE" when it starts on the list, and "DONE" and the outcome (0, or 1 and
// the length and UTF-16 units of the failure's text) once the busy flag is
// back to 0.
//
// The socket hand-over is the truth; the block and the send lock are data
// and courtesy. So nothing another process does to them holds the instance
// or its senders up for long:
// - the running instance looks at its folder every kCheckMs (and at once
//   when the folder changes): a folder, lock file, socket or block that is
//   gone or is not its own any more (removed, replaced, cut short, made a
//   link) is made again, the new lock file locked, and a busy flag that
//   says what the instance is not doing is put right. The socket file is
//   never removed while the instance lives (a new one replaces the old in
//   one step);
// - a connection that brings no whole list within kIdleMs (or stays after
//   its answer that long) is closed, and at most kMaxIdleConnections such
//   connections are kept (a quarter of the process's descriptor limit when
//   that is less): the oldest goes first. When descriptors run out all the
//   same, the instance gives up idle connections, or waits a moment, and
//   accepts again;
// - a second start waits for its turn (the send lock) kTurnMs at most and
//   for a busy flag kBusyWaitMs at most, and then hands over all the same:
//   a sender that stopped in the middle of its hand-over costs the others
//   no more than that;
// - a second start that finds the lock held but nobody listening on the
//   socket for kStartingMs (the instance listens right after it takes the
//   lock) says so and ends with 1;
// - a start by the session bus (for a client's call) that finds an instance
//   running waits kBusNameMs at most for that instance to own the bus name,
//   and otherwise says that it is not on this bus and ends with 1.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class ICommandHost;
class JobModel;
class QFileSystemWatcher;
class QLocalSocket;
class QSocketNotifier;
class QTimer;

namespace instance {

inline constexpr int kBlockSize = 2048;
inline constexpr qint32 kBusy = 1234;
inline constexpr int kMaxChars = 1021;
// The message a second start sends: 1534 with the parameters 0xFFFF, 0
// ("the parameters follow") or 0, 0 ("no parameters").
inline constexpr qint32 kMessage = 1534;
inline constexpr qint32 kParamsFollow = 0xFFFF;
// The largest parameter list a second start hands over, in bytes on the
// socket (QR data of 7089 bytes takes some 14 KiB).
inline constexpr qint32 kMaxListBytes = 1 << 20;

// The bounds above, in milliseconds and connections.
inline constexpr int kCheckMs = 1000;
inline constexpr int kIdleMs = 5000;
inline constexpr int kMaxIdleConnections = 128;
inline constexpr int kTurnMs = 5000;
inline constexpr int kBusyWaitMs = 2000;
inline constexpr int kStartingMs = 5000;
inline constexpr int kBusNameMs = 5000;

// The instance folder (see above), created 0700 when missing. It must be a
// real folder (not a link) that belongs to the user and that nobody else may
// enter; otherwise the result is empty and *error says why.
QString InstanceFolder(QString *error = nullptr);

// The files of one instance folder.
// The identity of a file (device and inode): what a path names now, or what
// a descriptor holds.
struct TFileId {
    quint64 dev = 0, ino = 0;
    friend bool operator==(const TFileId &, const TFileId &) = default;
};
std::optional<TFileId> PathId(const QString &path);
std::optional<TFileId> DescriptorId(int fd);

// Makes the instance folder again (and, for the one in the cache folder,
// its parents) when it has gone; *error says why not.
bool RestoreInstanceFolder(const QString &folder, QString *error = nullptr);

struct TInstancePaths {
    QString folder;
    QString lock() const { return folder + QStringLiteral("/hZebrix.lock"); }
    QString socket() const { return folder + QStringLiteral("/Zebrix.sock"); }
    QString block() const { return folder + QStringLiteral("/Zebrix.block"); }
    QString sendLock() const { return folder + QStringLiteral("/Zebrix.send.lock"); }
};

// "hZebrix": an exclusive lock on a file. A lock dies with its process, so a
// crashed instance leaves none behind.
class TInstanceLock
{
public:
    TInstanceLock() = default;
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock &) = delete;
    TInstanceLock &operator=(const TInstanceLock &) = delete;
    // Takes the lock when no other process holds it (the file is created
    // 0600 when missing; a link is refused). When the file cannot be opened
    // at all, *error says why (and stays untouched otherwise).
    // A lock file replaced meanwhile is opened anew.
    bool TryLock(const QString &path, QString *error = nullptr);
    bool Locked() const { return m_locked; }
    void Release();
    // Whether the locked file is still the one its path names (a removed
    // lock file, or a wiped folder, leaves a lock that nobody else finds).
    bool Intact() const;
    // Locks the file that the path names now (created when missing). The
    // old lock is kept until the new one is held, and given up when another
    // process holds the new one. False when the lock is not held now; *error
    // says why when the file cannot be opened (and stays empty when another
    // process holds it).
    bool Renew(QString *error = nullptr);

private:
    int m_fd = -1;
    QString m_path;
    bool m_locked = false;
};

// The shared block, a file of the instance folder, read and written at
// its offsets through the descriptor: whatever happens to the file's size,
// reading past its end gives zeros and writing there lengthens it.
class TSharedBlock
{
public:
    TSharedBlock() = default;
    ~TSharedBlock();
    TSharedBlock(const TSharedBlock &) = delete;
    TSharedBlock &operator=(const TSharedBlock &) = delete;

    // Creates (mode 0600) or opens the block file. Refuses a file that is a
    // link, not a plain file, not the user's own or open to others. *error
    // says why.
    bool Open(const QString &path, QString *error = nullptr);
    // The running instance's block: a new file of 2048 zeros (mode 0600)
    // that replaces whatever the path names, in one step.
    bool Create(const QString &path, QString *error = nullptr);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    // Whether the path still names this block, a plain file of the user's
    // own, 2048 bytes long, that nobody else may open.
    bool Intact(const QString &path) const;

    qint32 Flag() const;
    void SetFlag(qint32 flag);
    // The text up to its NUL, never past the block (a block without a NUL
    // gives its first 1021 characters).
    QString Text() const;
    // The text with its NUL when it has at most 1021 characters; a longer
    // text leaves the block's text empty. Returns whether it fitted. The
    // flag is untouched.
    bool SetText(const QString &text);
    // Permission bits of the file (for checks).
    int Mode() const;

private:
    int m_fd = -1;
};

// The parameter list as it travels on the socket, and back. Decoding gives
// nothing for bytes that are not exactly one well-formed list.
QByteArray EncodeParamList(const QStringList &params);
std::optional<QStringList> DecodeParamList(const QByteArray &bytes);

// The running instance's end: the socket and the block of one instance
// folder. Lists are interpreted one after the other, each to its end, never
// one inside another, and never inside a socket's own signal: a sender that
// goes away at any point of the exchange costs nothing but its own answer.
class TInstanceServer : public QObject
{
    Q_OBJECT
public:
    explicit TInstanceServer(QObject *parent = nullptr);
    ~TInstanceServer() override;

    // Listens on the folder's socket (on `listening` when it is a
    // descriptor of ListenAt's, else on a new one that replaces a stale
    // socket file) and makes a new block, which starts idle. From now on the
    // folder is kept as it should be (see above), with `lock`, the instance
    // lock, when one is given. Lists that arrive are held until SetReady.
    // *error says why it failed; the instance tries again at its next look.
    bool Listen(const TInstancePaths &paths, QString *error = nullptr, TInstanceLock *lock = nullptr,
                int listening = -1);
    // From now on lists are interpreted (the start-up of the window is over).
    void SetReady();
    // The instance ends: no list is taken any more (the one that runs gets
    // its answer), the socket goes, and senders whose lists wait are let go,
    // to start again: one of them becomes the next instance.
    void Close();

    // Runs with a forwarded list while the busy flag is 1234 and returns the
    // failure to report to its sender (empty: none). Whatever it throws is
    // reported through OnError and to the sender, and the flag still
    // returns to 0.
    std::function<QString(const QStringList &params)> OnParams;
    std::function<void(const QString &message)> OnError;
    // Let the message queue run once (before the flag returns to 0).
    std::function<void()> ProcessMessages;
    // Whether a list may start now (empty: always). While it says no (another
    // driver creates, saves or holds the job), lists wait; they are looked
    // at again whenever the thread is about to sleep.
    std::function<bool()> MayStart;

    // The handling of one list: flag 1234, OnParams, the queue once, flag 0.
    // Returns the failure for the sender (empty: none).
    QString HandleForwarded(const QStringList &params);

    // The connections kept now (for checks).
    int Connections() const { return int(m_connections.size()); }

private:
    struct TRequest {
        QPointer<QLocalSocket> socket;
        QStringList params;
    };
    void acceptFrom(int listening);
    void admit(int fd);
    bool listenAgain(QString *error);
    void stopListening(bool close = true);
    void onReadyRead(QLocalSocket *socket);
    void onDisconnected(QLocalSocket *socket);
    // Reads what waits in the socket (a whole list there is no idleness).
    void readWaiting(QLocalSocket *socket);
    bool idle(QLocalSocket *socket) const;
    // Closes the connection idle for the longest time; false when none is.
    bool shedOldestIdle();
    void closeIdle();
    void check();
    void scheduleCheck();
    void restoreBlock();
    void note(const QString &trouble);
    void runQueue();
    void scheduleQueue();
    // MayStart's answer; when no, the queue is looked at again once the
    // thread is about to sleep.
    bool mayStart();
    bool pending(const QLocalSocket *socket) const;
    void reportError(const QString &message) const;
    // Runs a slot's body; nothing it throws leaves the slot.
    void shielded(const std::function<void()> &body) const;

    TInstancePaths m_paths;
    TInstanceLock *m_lock = nullptr;
    int m_listening = -1;
    std::optional<TFileId> m_socketId, m_folderId;
    QSocketNotifier *m_acceptNotifier = nullptr;
    QTimer *m_checkTimer;
    QFileSystemWatcher *m_watcher;
    bool m_checkScheduled = false;
    bool m_lost = false;                 // another instance holds the folder now
    bool m_closed = false;
    QMetaObject::Connection m_waitingForJob;
    QString m_trouble;                   // the last trouble said, said once
    int m_maxIdle = kMaxIdleConnections;
    QElapsedTimer m_clock;
    QHash<QLocalSocket *, qint64> m_connections;   // each with the time it became idle
    TSharedBlock m_block;
    bool m_busy = false;
    QList<TRequest> m_queue;
    QLocalSocket *m_current = nullptr;   // the sender whose list runs now
    bool m_ready = false;
    bool m_handling = false;
};

// A listening socket at path: bound under a passing name in the same folder
// and then moved over whatever the path names, so that the path never names
// nothing. The descriptor, or -1 and *error.
int ListenAt(const QString &path, QString *error = nullptr);

// A second start's end.
enum class TForward {
    Done,        // the running instance took the parameters (or the empty message)
    NoInstance,  // nobody listens on the socket
    Gone,        // the instance ended before it took the parameters: start again
    Failed,      // the hand-over failed, or the instance reported a failure (error says which)
    Refused,     // the parameters cannot be handed over as they are (error says why)
};

struct TForwardTimeouts {
    int connectMs = 5000;
    int queueMs = kTurnMs;          // waiting for the turn (the send lock); then without it
    int busyWaitMs = kBusyWaitMs;   // an earlier list still being interpreted; then all the same
    int answerMs = 600000;          // the interpretation itself (a delay, a big save)
};

// Hands the parameters to the running instance of the folder and waits until
// it has interpreted them (its answer after the flag went back to 0).
TForward ForwardParams(const QStringList &params, const TInstancePaths &paths, QString *error,
                       const TForwardTimeouts &t = {});

// A "/SAVE:" name that is relative means the sender's folder, not the running
// instance's: such names become absolute against workingFolder (in the form
// DecodeFileName gives, so every byte of the name is kept). "/SAVE:-" and an
// empty name are left alone. Nothing when a name is relative and there is
// no working folder.
std::optional<QStringList> AbsoluteSaveNames(const QStringList &params, const QString &workingFolder);
// The process's working folder through DecodeFileName; empty when it has none.
QString WorkingFolder();

// Looks until `ready` holds, pausing 1 ms at first and twice as long each
// time up to 20 ms; false when the deadline passes first.
bool PollWithBackoff(const QDeadlineTimer &deadline, const std::function<bool()> &ready);

// The running instance's interpretation of a parameter list (forwarded, or
// its own at start-up): the parameters, then (even when the interpretation
// stops on an error) the pictures and panels of the symbology it ends with,
// and AutoCopy checked. Throws what InterpretParams throws.
void InterpretParamList(JobModel &model, ICommandHost &host, const QStringList &params);

} // namespace instance
