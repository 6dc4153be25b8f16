#include "Batch.h"

#include "CommandLine.h"
#include "JobModel.h"

#include <QFileInfo>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What happened to one line.
struct Outcome {
    qint64 line = 0;
    QString message;   // empty: written
    bool writeError = false;
};

QByteArray readAll(std::FILE *in)
{
    QByteArray all;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
        all.append(buf, qsizetype(n));
    return all;
}

struct Job {
    QStringList options;    // the parameters without "/SAVE:"
    QString pattern;        // the "/SAVE:" name
    QString ext;
    std::vector<QByteArray> lines;
};

void worker(const Job &job, std::atomic<size_t> &next, std::vector<Outcome> &failures, std::mutex &lock,
            QString &optionError)
{
    JobModel m;
    m.LoadLibrary();
    PrepareConsoleModel(m, job.options);
    m.Params = job.options;
    ICommandHost host;   // no window, no save: the lines are saved below
    try {
        InterpretParams(m, host);
    } catch (const std::exception &e) {
        const std::lock_guard<std::mutex> g(lock);
        optionError = QString::fromLocal8Bit(e.what());
        next = job.lines.size();
        return;
    }
    m.ExitFlag = false;
    m.NoHist = true;
    const bool vector = job.ext == u"emf" || job.ext == u"svg" || job.ext == u"pdf";
    m.SetPictureKind(vector ? pbarWMF : pbarBMP);

    for (size_t i = next++; i < job.lines.size(); i = next++) {
        const QByteArray &raw = job.lines[i];
        if (raw.isEmpty())
            continue;
        Outcome o;
        o.line = qint64(i) + 1;
        m.EditCode.setText(QString::fromUtf8(raw));
        try {
            m.RB_Click();
        } catch (const std::exception &e) {
            o.message = QString::fromLocal8Bit(e.what());
        }
        if (o.message.isEmpty() && m.BError)
            o.message = m.StatusText();
        if (o.message.isEmpty()) {
            const QString name = BatchFileName(job.pattern, o.line);
            const QByteArray bytes = m.PictureBytes(job.ext);
            const QString error = bytes.isEmpty() ? QStringLiteral("no picture") : WriteWhole(name, bytes);
            if (!error.isEmpty()) {
                o.message = QStringLiteral("%1: %2").arg(name, error);
                o.writeError = true;
            }
        }
        if (!o.message.isEmpty()) {
            const std::lock_guard<std::mutex> g(lock);
            failures.push_back(std::move(o));
        }
    }
}

} // namespace

QString WriteWhole(const QString &fileName, const QByteArray &bytes)
{
    // Written beside the target under a name of its own, then renamed over
    // it: a reader sees the old file or the whole new one, never a part.
    const QByteArray target = QFile::encodeName(fileName);
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return qt_error_string(errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString why = qt_error_string(n < 0 ? errno : ENOSPC);
            ::close(fd);
            ::unlink(temp.constData());
            return why;
        }
        p += n;
        left -= n;
    }
    if (::close(fd) != 0 || ::rename(temp.constData(), target.constData()) != 0) {
        const QString why = qt_error_string(errno);
        ::unlink(temp.constData());
        return why;
    }
    return {};
}

void PrepareConsoleModel(JobModel &m, const QStringList &args)
{
    int index = -1;
    for (const QString &a : args)
        if (const int s = SymbologyOfParam(a); s >= 0)
            index = s;
    if (index >= 0 && index < m.CdType.Count())
        m.CdType.setItemIndex(index);
    m.CdTypeChange();
}

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

int RunBatch(const QStringList &args, int jobs, std::FILE *input)
{
    Job job;
    for (const QString &a : args) {
        if (const TParamRule *rule = MatchParam(a); rule && rule->option == Option::Save)
            job.pattern = a.mid(6);   // the last "/SAVE:" wins, as in a single run
        else
            job.options << a;
    }
    if (!job.pattern.contains(u'#')) {
        std::fputs("zebrixc: --batch needs /SAVE: with a run of # for the line number (/SAVE:out/#####.png)\n",
                   stderr);
        return 2;
    }
    job.ext = QFileInfo(job.pattern).suffix().toLower();

    // Lines end with LF or CR LF.
    const QByteArray all = readAll(input);
    for (QByteArray line : all.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        job.lines.push_back(std::move(line));
    }
    if (!all.isEmpty() && all.endsWith('\n'))
        job.lines.pop_back();   // the text after the last LF is not a line

    std::atomic<size_t> next{0};
    std::vector<Outcome> failures;
    std::mutex lock;
    QString optionError;
    if (jobs <= 1) {
        worker(job, next, failures, lock, optionError);
    } else {
        std::vector<std::thread> threads;
        for (int t = 0; t < jobs; ++t)
            threads.emplace_back(worker, std::cref(job), std::ref(next), std::ref(failures), std::ref(lock),
                                 std::ref(optionError));
        for (std::thread &t : threads)
            t.join();
    }
    if (!optionError.isEmpty()) {
        std::fprintf(stderr, "zebrixc: %s\n", qPrintable(optionError));
        return 2;
    }
    std::sort(failures.begin(), failures.end(), [](const Outcome &a, const Outcome &b) { return a.line < b.line; });
    bool writeError = false;
    for (const Outcome &o : failures) {
        std::fprintf(stderr, "zebrixc: line %lld: %s\n", static_cast<long long>(o.line), qPrintable(o.message));
        writeError |= o.writeError;
    }
    return writeError ? 2 : failures.empty() ? 0 : 1;
}
