#ifndef REGULARFILE_H
#define REGULARFILE_H

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>

namespace wallmatch {

// Corner files are a few kilobytes (2048 corners are about 120 KiB); a larger one is refused
// unread, so that no sample tree can make the program read or hold more than this per file.
inline constexpr qint64 maxCornerFileBytes = 1024 * 1024;

// A sample file opened for reading, or why it was not. Only regular files are opened: a FIFO,
// device or socket in a sample folder would block the window or feed it without end, so its
// type is checked before open() (which cannot block: O_NONBLOCK) and again on what was opened.
struct OpenedFile
{
    std::unique_ptr<QFile> file; // null when refused
    QString reason; // why not, e.g. "No such file or directory", "not a regular file (FIFO)"
    bool missing = false; // nothing at all by that name
    bool tooLarge = false;
    qint64 size = 0;
};

// maxBytes < 0: no bound.
OpenedFile openRegularFile(const QString &name, qint64 maxBytes = -1);

// The whole of a regular file of at most maxBytes, read from an OpenedFile's file.
struct ReadFile
{
    bool ok = false;
    QByteArray bytes;
    OpenedFile opened;
};
ReadFile readRegularFile(const QString &name, qint64 maxBytes);

} // namespace wallmatch

#endif // REGULARFILE_H
