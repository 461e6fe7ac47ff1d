#ifndef FILEPLATFORM_H
#define FILEPLATFORM_H

#include <QDateTime>
#include <QString>

// The few operating-system calls the program and its tools need beyond Qt's: renaming without
// replacing, syncing a file and its folder, opening only regular files (never blocking on a FIFO
// or device), reading and writing at a position, and whether standard error is a terminal.
// Everything else uses Qt. One source file implements it per platform (fileplatform_posix.cpp);
// CMake chooses it. The window system's calls (a round trip to the X server when a case is
// presented) are no file calls: they sit in app/windowsystem.cpp, the other file a port writes.
namespace wallmatch::platform {

// An open file: a POSIX file descriptor (a C runtime descriptor on a Windows port).
using Handle = int;
inline constexpr Handle noHandle = -1;

enum class EntryType {
    Missing,
    Regular,
    Folder,
    Link,
    Fifo,
    CharDevice,
    BlockDevice,
    Socket,
    Other
};

struct Entry
{
    EntryType type = EntryType::Missing;
    qint64 size = 0;
    QDateTime modified; // local time, whole seconds
    bool removed = false; // a folder that was deleted while still in use (no links left)
    QString error; // why the status is not known; empty when simply missing
    // The file's identity: two names are one file when both are equal (hard links, links,
    // "a/../b", another spelling of the same folder).
    quint64 device = 0;
    quint64 inode = 0;

    bool sameFileAs(const Entry &other) const
    {
        return type != EntryType::Missing && other.type != EntryType::Missing
            && device == other.device && inode == other.inode;
    }
};

// "a FIFO", "a character device", … for messages.
QString typeName(EntryType type);

// The entry itself: a symbolic link is reported as a link, not followed.
Entry entryAt(const QString &path);
// What the path leads to, links followed.
Entry targetOf(const QString &path);

struct Failure
{
    bool exists = false; // the name was taken
    bool missing = false; // nothing by that name
    QString text; // the system's reason
};

// A regular file opened for reading, or noHandle with *failure set. The type is checked before
// the open (opening some devices alone has effects), the open cannot block (a FIFO swapped in
// meanwhile), and the type is checked again on what was opened. *entry gets its status.
Handle openRegularForReading(const QString &path, Entry *entry, Failure *failure);
// An existing regular file opened for reading and writing; never through a symbolic link.
Handle openRegularForUpdate(const QString &path, Entry *entry, Failure *failure);
// A new, empty file, created and closed; fails (exists) rather than open anything there.
bool createNewFile(const QString &path, Failure *failure);
void closeHandle(Handle handle);

// The whole of `size` bytes at `offset`, or -1 (a short count: the end of the file).
qint64 readAt(Handle handle, char *data, qint64 size, qint64 offset);
// All of `size` bytes at `offset`; false with *failure set otherwise.
bool writeAt(Handle handle, const char *data, qint64 size, qint64 offset, Failure *failure);
bool truncateTo(Handle handle, qint64 size);
// The file's data and size on the disk.
bool syncHandle(Handle handle, Failure *failure);
// The folder holding `path`, so that a new name or a rename in it survives a power loss.
void syncFolderOf(const QString &path);

// Renames without ever replacing what is at `to` (failure->exists then).
bool renameNoReplace(const QString &from, const QString &to, Failure *failure);

// Whether standard error goes to a terminal: someone watches, and progress is worth showing.
bool stderrIsTerminal();

} // namespace wallmatch::platform

#endif // FILEPLATFORM_H
