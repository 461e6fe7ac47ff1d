#ifndef REGULARFILE_H
#define REGULARFILE_H

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QSize>
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

// Images the companions read (panoramas to import, instructions' pictures): a regular file of
// at most this many bytes, declaring at most this many pixels. The size is read from the header
// before decoding, so that a small file claiming 30000 x 15000 pixels is refused unread.
inline constexpr qint64 maxImageFileBytes = 256 * 1024 * 1024;
inline constexpr int maxImageWidth = 16384;
inline constexpr int maxImageHeight = 8192;

struct ImageFile
{
    bool ok = false;
    QSize size; // as the header declares it
    QByteArray format; // "jpeg", "png", …
    QImage image; // decoded when asked for
    QString reason; // why not ok
    bool missing = false;
};

// Checks (and with `decode`, reads) an image: only a regular file within maxBytes, only a
// declared size within maxSize.
ImageFile readImageFile(const QString &name, bool decode,
                        const QSize &maxSize = QSize(maxImageWidth, maxImageHeight),
                        qint64 maxBytes = maxImageFileBytes);

} // namespace wallmatch

#endif // REGULARFILE_H
