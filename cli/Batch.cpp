#include "Batch.h"

#include "CommandLine.h"
#include "Console.h"
#include "FileNames.h"
#include "JobModel.h"
#include "SafeFile.h"

#include <QFileInfo>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

// --- Reading lines -------------------------------------------------------------------

bool TLineReader::fill()
{
    if (m_end)
        return false;
    m_buffer.remove(0, m_at);
    m_at = 0;
    const qsizetype had = m_buffer.size();
    m_buffer.resize(had + (1 << 16));
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data() + had, size_t(1 << 16));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_buffer.truncate(had);
            m_end = true;
            if (n < 0)
                m_error = errno;
            return false;
        }
        m_buffer.truncate(had + n);
        return true;
    }
}

TLineReader::TStatus TLineReader::Next(QByteArray &line, qint64 &number)
{
    line.clear();
    bool tooLong = false;
    bool any = false;   // a line has begun (bytes or its LF)
    for (;;) {
        if (m_at == m_buffer.size() && !fill()) {
            if (m_error)
                return Failed;
            if (!any)
                return End;
            break;   // the text after the last LF
        }
        any = true;
        const qsizetype lf = m_buffer.indexOf('\n', m_at);
        const qsizetype stop = lf < 0 ? m_buffer.size() : lf;
        // One byte more than the limit may be the CR of a CR LF.
        if (!tooLong && line.size() + (stop - m_at) <= m_limit + 1)
            line.append(m_buffer.constData() + m_at, stop - m_at);
        else
            tooLong = true;
        m_at = lf < 0 ? stop : lf + 1;
        if (lf >= 0)
            break;
    }
    number = ++m_number;
    if (line.endsWith('\r'))
        line.chop(1);
    if (tooLong || line.size() > m_limit) {
        line.clear();
        return TooLong;
    }
    return Line;
}

namespace {

using TClock = std::chrono::steady_clock;

// The lines of a batch: handed out in order to the workers, their outcomes
// reported in order. A worker may run at most kWindow lines ahead of the
// oldest line not yet reported, so the outcomes waiting for it stay few.
class TBatchQueue
{
public:
    static constexpr qint64 kWindow = 4096;

    TBatchQueue(int fd, bool progress) : m_reader(fd, kBatchLineLimit), m_progress(progress) {}

    // The next line to make; false at the end of the input or after stop().
    // An overlong line comes with tooLong set and no text.
    bool take(QByteArray &line, qint64 &number, bool &tooLong)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        for (;;) {
            m_room.wait(lock, [this] { return m_stopped || m_read - m_reported < kWindow; });
            if (m_stopped || m_inputDone)
                return false;
            const TLineReader::TStatus s = m_reader.Next(line, number);
            if (s == TLineReader::End || s == TLineReader::Failed) {
                m_inputDone = true;
                m_readError = m_reader.Error();
                return false;
            }
            m_read = number;
            tooLong = s == TLineReader::TooLong;
            if (tooLong || !line.isEmpty())
                return true;
            settle(number, {}, false);   // an empty line makes nothing
        }
    }

    // The outcome of a line: an empty message when its file was written.
    void finish(qint64 number, const QString &message, bool writeError, bool written)
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        if (written)
            ++m_files;
        settle(number, message, writeError);
    }

    // Stops handing out lines (the options did not convert).
    void stop()
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_stopped = true;
        m_room.notify_all();
    }

    // After the workers: the progress line goes.
    void end()
    {
        if (m_shown)
            std::fputs("\r\033[K", stderr);
    }

    int readError() const { return m_readError; }
    bool anyFailed() const { return m_failures > 0; }
    bool anyWriteError() const { return m_writeErrors > 0; }

private:
    struct Outcome {
        QString message;
        bool writeError = false;
    };

    // Called with the lock held: reports every outcome that is next in line.
    void settle(qint64 number, const QString &message, bool writeError)
    {
        m_pending.emplace(number, Outcome{message, writeError});
        bool advanced = false;
        for (auto it = m_pending.begin(); it != m_pending.end() && it->first == m_reported + 1;
             it = m_pending.erase(it)) {
            ++m_reported;
            advanced = true;
            if (it->second.message.isEmpty())
                continue;
            ++m_failures;
            m_writeErrors += it->second.writeError ? 1 : 0;
            if (m_shown) {
                std::fputs("\r\033[K", stderr);
                m_shown = false;
            }
            PrintError(texts::BatchLine(it->first, it->second.message));
        }
        if (advanced) {
            m_room.notify_all();
            showProgress();
        }
    }

    // Redrawn in place, at most four times a second.
    void showProgress()
    {
        if (!m_progress)
            return;
        const TClock::time_point now = TClock::now();
        if (m_shown && now - m_drawn < std::chrono::milliseconds(250))
            return;
        m_drawn = now;
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        const double rate = seconds > 0 ? double(m_files) / seconds : 0.0;
        const QByteArray text = "\r\033[K" + texts::BatchProgress(m_reported, rate, m_failures).toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
        std::fflush(stderr);
        m_shown = true;
    }

    std::mutex m_lock;
    std::condition_variable m_room;
    TLineReader m_reader;
    std::map<qint64, Outcome> m_pending;
    qint64 m_read = 0;        // the last line number handed out
    qint64 m_reported = 0;    // lines 1 .. m_reported are settled
    qint64 m_files = 0;
    qint64 m_failures = 0;
    qint64 m_writeErrors = 0;
    bool m_inputDone = false;
    bool m_stopped = false;
    int m_readError = 0;
    const bool m_progress;
    bool m_shown = false;
    const TClock::time_point m_start = TClock::now();
    TClock::time_point m_drawn;
};

struct Job {
    QStringList options;   // the parameters without "/SAVE:"
    QString pattern;       // the "/SAVE:" name
    QString ext;
    bool wantsLibrary = false;
};

void worker(const Job &job, TBatchQueue &queue, QString &optionError, std::mutex &errorLock)
{
    JobModel m;
    m.LoadLibrary();
    PrepareConsoleModel(m, job.options);
    m.Params = job.options;
    ICommandHost host;   // no window, no save: the lines are saved below
    try {
        InterpretParams(m, host);
    } catch (const std::exception &e) {
        const std::lock_guard<std::mutex> g(errorLock);
        if (optionError.isEmpty())
            optionError = QString::fromStdString(e.what());
        queue.stop();
        return;
    }
    m.ExitFlag = false;
    m.NoHist = true;

    QByteArray raw;
    qint64 number = 0;
    bool tooLong = false;
    while (queue.take(raw, number, tooLong)) {
        if (tooLong) {
            queue.finish(number, texts::LineTooLong(kBatchLineLimit), false, false);
            continue;
        }
        m.EditCode.setText(QString::fromUtf8(raw));
        const TMade made = MakeSymbol(m, job.wantsLibrary, job.ext);
        if (!made.ok) {
            queue.finish(number, made.message, false, false);
            continue;
        }
        const QString name = BatchFileName(job.pattern, number);
        const QByteArray bytes = m.PictureBytes(job.ext);
        const QString error = bytes.isEmpty() ? texts::NotConverted(name) : WriteFileSafely(name, bytes);
        if (error.isEmpty())
            queue.finish(number, {}, false, true);
        else
            queue.finish(number, bytes.isEmpty() ? error : texts::FileError(name, error), true, false);
    }
}

} // namespace

QString BatchFileName(const QString &pattern, qint64 lineNumber)
{
    const qsizetype from = pattern.indexOf(u'#');
    if (from < 0)
        return pattern;
    qsizetype to = from;
    while (to < pattern.size() && pattern.at(to) == u'#')
        ++to;
    return pattern.left(from) + QStringLiteral("%1").arg(lineNumber, int(to - from), 10, QLatin1Char('0'))
           + pattern.mid(to);
}

int RunBatch(const QStringList &args, int jobs, int inputFd)
{
    Job job;
    for (const QString &a : args) {
        if (const TParamRule *rule = MatchParam(a); rule && rule->option == Option::Save)
            job.pattern = ParamValue(*rule, a);   // the last "/SAVE:" wins, as in a single run
        else
            job.options << a;
    }
    if (!job.pattern.contains(u'#')) {
        PrintError(texts::BatchNeedsHash());
        return 2;
    }
    job.ext = QFileInfo(job.pattern).suffix().toLower();
    job.wantsLibrary = WantsLibrary(job.options);

    TBatchQueue queue(inputFd, ::isatty(STDERR_FILENO) == 1);
    QString optionError;
    std::mutex errorLock;
    if (jobs <= 1) {
        worker(job, queue, optionError, errorLock);
    } else {
        std::vector<std::thread> threads;
        for (int t = 0; t < jobs; ++t)
            threads.emplace_back(worker, std::cref(job), std::ref(queue), std::ref(optionError),
                                 std::ref(errorLock));
        for (std::thread &t : threads)
            t.join();
    }
    queue.end();
    if (!optionError.isEmpty()) {
        PrintError(optionError);
        return 2;
    }
    if (queue.readError()) {
        PrintError(texts::InputError(qt_error_string(queue.readError())));
        return 2;
    }
    return queue.anyWriteError() ? 2 : queue.anyFailed() ? 1 : 0;
}
