// Writing a picture file: the one way Zebrix saves, whoever asks (the
// window's save, zebrixc, zebrixc --batch).
//
// The rule, by what the name is when the save starts:
// - Nothing: a new regular file, mode 0666 less the umask.
// - A regular file: replaced atomically (a reader sees the old file or the
//   whole new one, never a part). The new file keeps the old one's
//   permission bits and, when Zebrix runs as root, its owner and group.
//   A file the caller may not write by its mode bits is refused with
//   "Permission denied" and stays untouched; root is refused only when no
//   write bit is set at all.
// - A symbolic link: followed. The file it names is replaced in that file's
//   own folder by the rule above; the link itself stays. A dangling link
//   creates the file it names.
// - A character or block device or a FIFO: written in place, without a
//   temporary file or a rename ("/dev/stdout" works, "/dev/full" reports
//   "No space left on device"). A directory or a socket is refused. Such a
//   name is never replaced.
//
// Nothing is left behind: the content is written into an unnamed file
// (O_TMPFILE) that is linked under its name only when complete. Where the
// file system has no unnamed files, it goes into a named temporary beside
// the target, removed on failure and when SIGINT, SIGTERM or SIGHUP ends
// the process (if the process left their disposition at the default).
// Replacing a file links the new content under a temporary name for the
// moment of a rename; the signal handler removes that name as well.
//
// The umask is never changed (the kernel applies it when the file is
// created), so threads may save at the same time.
#pragma once

#include <QByteArray>
#include <QString>

// Writes all the bytes under the name (lossless through EncodeFileName).
// Returns the reason of a failure, empty on success; on failure the name
// holds what it held before. Durable: the content reaches the disk before
// it replaces the old file, so that not even a power cut leaves a part
// (settings; pictures are written without, for speed).
QString WriteFileSafely(const QString &fileName, const QByteArray &bytes, bool durable = false);

// Writes all of `bytes` to an open descriptor (a pipe, a terminal): 0, or
// the errno that stopped it.
int WriteAll(int fd, const QByteArray &bytes);

// Whether the name (links followed) names something that exists.
bool FileExists(const QString &fileName);

// For tests: write as on a file system without unnamed files, through a
// named temporary every time.
void SetNamedTemporariesOnly(bool on);
