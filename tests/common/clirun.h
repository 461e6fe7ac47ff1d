#ifndef CLIRUN_H
#define CLIRUN_H

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs a command-line program to its end, as a user would, and keeps what it said.
struct CliRun
{
    int status = -1; // -1: did not finish normally
    QString out;
    QString err;

    static CliRun run(const QString &program, const QStringList &args, const QString &workingDir,
                      const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workingDir);
        process.start(program, args);
        CliRun r;
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return r;
        r.status = process.exitCode();
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }
};

inline bool writeTestFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

#endif // CLIRUN_H
