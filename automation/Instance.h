// One Zebrix per user: the lock that marks the running instance, the local
// socket that is its window for other processes, and the shared block
// "Zebrix" that carries a second start's parameters to it.
//
// The shared block (2048 bytes, little-endian): a 32-bit busy flag at
// offset 0 (1234 while the running instance interprets forwarded parameters,
// 0 otherwise), then UTF-16 text from offset 4: a single LF, the parameters
// separated by CR LF, at most 1021 characters, ended by a NUL.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace instance {

inline constexpr int kBlockSize = 2048;
inline constexpr qint32 kBusy = 1234;
inline constexpr int kMaxChars = 1021;
// The message a second start sends: 1534 with the parameters 0xFFFF, 0
// ("the parameters are in the block") or 0, 0 ("no parameters").
inline constexpr qint32 kMessage = 1534;
inline constexpr qint32 kParamsInBlock = 0xFFFF;

// The user's private folder for the lock and the socket: $XDG_RUNTIME_DIR,
// else /tmp/zebrix-<uid>, created with mode 0700. Empty when no safe folder
// can be had (one that is not ours, or not a folder).
QString RuntimeDir();
QString LockPath();
QString SocketPath();
// The shared block's name, carrying the user: "/Zebrix-<uid>".
QByteArray BlockName();

// "hZebrix": an exclusive lock on a file in the private folder. A lock dies
// with its process, so a crashed instance leaves none behind.
class TInstanceLock
{
public:
    TInstanceLock() = default;
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock &) = delete;
    TInstanceLock &operator=(const TInstanceLock &) = delete;
    // Takes the lock when no other process holds it.
    bool TryLock(const QString &path = LockPath());
    bool Locked() const { return m_fd >= 0; }
    void Release();

private:
    int m_fd = -1;
};

// The mapped shared block.
class TSharedBlock
{
public:
    TSharedBlock() = default;
    ~TSharedBlock();
    TSharedBlock(const TSharedBlock &) = delete;
    TSharedBlock &operator=(const TSharedBlock &) = delete;

    // Creates or opens the block (mode 0600) and maps it. Refuses a block
    // that is not the user's own or that others may open. *error says why.
    bool Open(QString *error = nullptr, const QByteArray &name = BlockName());
    void Close();
    bool IsOpen() const { return m_data != nullptr; }

    qint32 Flag() const;
    void SetFlag(qint32 flag);
    // The text up to its NUL, never past the block (a block without a NUL
    // gives its first 1021 characters).
    QString Text() const;
    // The text cut to 1021 characters, with its NUL; the flag is untouched.
    void SetText(const QString &text);
    // Permission bits of the block as created (for checks).
    int Mode() const;

    // Removes the name (a first instance clears what a crashed one left).
    static void Unlink(const QByteArray &name = BlockName());

private:
    int m_fd = -1;
    unsigned char *m_data = nullptr;
};

// The running instance's end: the local socket. Each message is three
// little-endian 32-bit integers (message, first, second parameter); after
// handling forwarded parameters it answers "DONE".
class TInstanceServer : public QObject
{
    Q_OBJECT
public:
    explicit TInstanceServer(QObject *parent = nullptr);
    ~TInstanceServer() override;
    // Listens on the socket path (a stale socket file is removed first).
    bool Listen(const QString &path = SocketPath());

    // Runs with the forwarded parameter lines while the busy flag is 1234;
    // whatever it throws is reported through OnError and the flag still
    // returns to 0.
    std::function<void(const QStringList &params)> OnParams;
    std::function<void(const QString &message)> OnError;
    // Let the message queue run once (before the flag returns to 0).
    std::function<void()> ProcessMessages;

    // The handling of one "parameters in the block" message.
    void HandleForwarded();

private:
    void onConnection();
    void onReadyRead(QLocalSocket *socket);

    QLocalServer *m_server;
    bool m_handling = false;
};

// A second start's end.
enum class TForward {
    Done,        // the running instance took the parameters (or the empty message)
    NoInstance,  // nobody listens on the socket
    Failed,      // an instance listens but the hand-over failed (error says why)
};

struct TForwardTimeouts {
    int connectMs = 1000;
    int busyWaitMs = 120000;   // while an earlier batch is still being interpreted
    int answerMs = 600000;     // the interpretation itself (a delay, a big save)
};

// Hands the parameters to the running instance and waits until it has taken
// them (its answer after the flag went back to 0).
TForward ForwardParams(const QStringList &params, QString *error, const TForwardTimeouts &t = {},
                       const QString &socketPath = SocketPath(), const QByteArray &blockName = BlockName());

} // namespace instance
