#ifndef TESTFILES_H
#define TESTFILES_H

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

// Reading and writing whole files in tests.
namespace testfiles {

// The file's content, or "<missing>" when it cannot be read, so a comparison names the cause.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Writes the file, failing the test when it cannot, and gives it the modification time when
// one is given.
inline void writeBytes(const QString &path, const QByteArray &bytes, const QDateTime &modified = {})
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.flush(); // before the time is set, or closing would touch it again
    if (modified.isValid())
        QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

// Removes the files a study run writes in the working folder, so each test starts without them.
inline void removeSessionFiles()
{
    for (const QString &name :
         QDir().entryList({"results*", "practice*", "events*", "session*"}, QDir::Files))
        QFile::remove(name);
}

} // namespace testfiles

#endif // TESTFILES_H
