#include "Waiting.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A socket pair: the request writes one byte into [0] and nobody ever reads
// it, so [1] stays readable for good once termination was asked for.
int g_fds[2] = {-1, -1};
std::function<void()> g_hook;

} // namespace

void PrepareTerminationRequests()
{
    if (g_fds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_fds) != 0)
        g_fds[0] = g_fds[1] = -1;
}

void RequestTermination()
{
    if (g_fds[0] >= 0) {
        const int saved = errno;
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &c, 1);
        errno = saved;
    }
}

bool SleepUnlessTerminated(int ms)
{
    const QDeadlineTimer deadline(ms > 0 ? ms : 0);
    for (;;) {
        const int left = int(deadline.remainingTime());
        if (g_fds[1] < 0) {
            if (left <= 0)
                return true;
            const timespec t = {left / 1000, long(left % 1000) * 1000000L};
            if (::nanosleep(&t, nullptr) == 0)
                return true;
            continue;   // a signal: sleep the rest
        }
        pollfd p = {g_fds[1], POLLIN, 0};
        const int n = ::poll(&p, 1, left);
        if (n > 0)
            return false;
        if (n == 0 || (n < 0 && errno != EINTR))
            return true;
    }
}

void SetWaitHook(std::function<void()> hook) { g_hook = std::move(hook); }

void RunWaitHook()
{
    if (g_hook)
        g_hook();
}
