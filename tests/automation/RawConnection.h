// The instance's socket below Qt, for tests: the bytes a second start
// writes, and a connection that writes what it is told and reads what the
// instance says, nothing more.
#pragma once

#include "Instance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
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
    ~TRawConnection() { close(); }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
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

} // namespace processes
