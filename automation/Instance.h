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
//       Zebrix.block       the shared block, 2048 bytes, mapped
//       Zebrix.send.lock   flock: held by the one second start handing over
//
// The shared block (2048 bytes, little-endian): a 32-bit busy flag at
// offset 0 (1234 while the running instance interprets forwarded parameters,
// 0 otherwise), then UTF-16 text from offset 4: a single LF, the parameters
// separated by CR LF, at most 1021 characters, ended by a NUL. A list that
// does not fit leaves the text empty: the whole list always travels on the
// socket, and that is the list the running instance interprets.
//
// The socket, little-endian 32-bit integers throughout. A second start sends
//   1534, 0xFFFF, 0, n, then n bytes: the number of parameters, and for each
//   its length in UTF-16 units and the units (n at most kMaxListBytes)
// or 1534, 0, 0 ("no parameters", ignored). The running instance answers
// "TAKE" when it starts on the list, and "DONE" and the outcome (0, or 1 and
// the length and UTF-16 units of the failure's text) once the busy flag is
// back to 0.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class ICommandHost;
class JobModel;
class QLocalServer;
class QLocalSocket;

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

// The instance folder (see above), created 0700 when missing. It must be a
// real folder (not a link) that belongs to the user and that nobody else may
// enter; otherwise the result is empty and *error says why.
QString InstanceFolder(QString *error = nullptr);

// The files of one instance folder.
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
    bool TryLock(const QString &path, QString *error = nullptr);
    bool Locked() const { return m_locked; }
    void Release();

private:
    int m_fd = -1;
    QString m_path;
    bool m_locked = false;
};

// The mapped shared block, a file of the instance folder.
class TSharedBlock
{
public:
    TSharedBlock() = default;
    ~TSharedBlock();
    TSharedBlock(const TSharedBlock &) = delete;
    TSharedBlock &operator=(const TSharedBlock &) = delete;

    // Creates (mode 0600) or opens the block file and maps it. Refuses a
    // file that is a link, not a plain file, not the user's own or open to
    // others. *error says why.
    bool Open(const QString &path, QString *error = nullptr);
    void Close();
    bool IsOpen() const { return m_data != nullptr; }

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
    unsigned char *m_data = nullptr;
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

    // Listens on the folder's socket (a stale socket file is removed first)
    // and opens its block, which starts idle. Lists that arrive are held
    // until SetReady. *error says why it failed.
    bool Listen(const TInstancePaths &paths, QString *error = nullptr);
    // From now on lists are interpreted (the start-up of the window is over).
    void SetReady();

    // Runs with a forwarded list while the busy flag is 1234 and returns the
    // failure to report to its sender (empty: none). Whatever it throws is
    // reported through OnError and to the sender, and the flag still
    // returns to 0.
    std::function<QString(const QStringList &params)> OnParams;
    std::function<void(const QString &message)> OnError;
    // Let the message queue run once (before the flag returns to 0).
    std::function<void()> ProcessMessages;

    // The handling of one list: flag 1234, OnParams, the queue once, flag 0.
    // Returns the failure for the sender (empty: none).
    QString HandleForwarded(const QStringList &params);

private:
    struct TRequest {
        QPointer<QLocalSocket> socket;
        QStringList params;
    };
    void onConnection();
    void onReadyRead(QLocalSocket *socket);
    void onDisconnected(QLocalSocket *socket);
    void runQueue();
    void scheduleQueue();
    bool pending(const QLocalSocket *socket) const;
    void reportError(const QString &message) const;
    // Runs a slot's body; nothing it throws leaves the slot.
    void shielded(const std::function<void()> &body) const;

    QLocalServer *m_server;
    TSharedBlock m_block;
    QList<TRequest> m_queue;
    QLocalSocket *m_current = nullptr;   // the sender whose list runs now
    bool m_ready = false;
    bool m_handling = false;
};

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
    int queueMs = 600000;      // other second starts handing over before this one
    int busyWaitMs = 120000;   // an earlier list still being interpreted
    int answerMs = 600000;     // the interpretation itself (a delay, a big save)
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
