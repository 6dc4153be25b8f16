// zebrixc --batch: one symbol per line of standard input.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The longest line a batch takes (without its line break). Far more than
// any symbol holds; a longer line fails as that line, unread beyond this.
inline constexpr qsizetype kBatchLineLimit = 64 * 1024;

// Interprets the options once per worker, then makes one symbol of every
// non-empty line read from the descriptor (UTF-8, CR LF or LF) and saves it
// under the "/SAVE:" name with its run of "#" replaced by the 1-based line
// number, zero-padded to the run's length. The input is read line by line
// as the workers take them, so memory stays bounded whatever comes in.
// Failed lines (the reason of each) are reported on standard error in line
// order and get no file. On a terminal, standard error also shows the
// progress, redrawn in place a few times a second.
// Returns 0; 1 when any line failed; 2 when the options do not convert, the
// name has no "#", a file cannot be written, or the input cannot be read.
int RunBatch(const QStringList &args, int jobs, int inputFd);

// The file name of a line: the first run of "#" in the pattern replaced by
// the number, zero-padded to the run's length (more digits when needed).
QString BatchFileName(const QString &pattern, qint64 lineNumber);

// Reads lines from a descriptor, one at a time, each at most `limit` bytes
// (the rest of a longer line is skipped unread into memory).
class TLineReader
{
public:
    enum TStatus { Line, TooLong, End, Failed };

    TLineReader(int fd, qsizetype limit) : m_fd(fd), m_limit(limit) {}
    // The next line without its LF or CR LF, and its 1-based number. The text
    // after the last LF is a line when it is not empty.
    TStatus Next(QByteArray &line, qint64 &number);
    // The errno of a failed read.
    int Error() const { return m_error; }

private:
    bool fill();

    int m_fd;
    qsizetype m_limit;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    qint64 m_number = 0;
    bool m_end = false;
    int m_error = 0;
};
