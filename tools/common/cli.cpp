#include "cli.h"

#include "fileplatform.h"
#include "regularfile.h"
#include "textinput.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>

namespace wallmatch {

std::unique_ptr<QCoreApplication> makeToolApplication(int &argc, char **argv, const QString &name,
                                                      bool drawing)
{
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app(drawing ? new QGuiApplication(argc, argv)
                                                  : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(name);
    QCoreApplication::setApplicationVersion(QStringLiteral(WALLMATCH_VERSION));
    return app;
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

namespace {
int printed = 0; // over the whole run: one bound for all the program's messages
} // namespace

int hiddenProblemCount()
{
    return qMax(0, printed - maxPrintedProblems);
}

int printProblems(const QVector<Problem> &problems, const QString &prefix)
{
    for (const Problem &p : problems) {
        if (printed < maxPrintedProblems)
            err() << prefix << escapedControls(p.text()) << '\n';
        else if (printed == maxPrintedProblems)
            err() << "(only the first " << maxPrintedProblems << " problems are shown)\n";
        ++printed;
    }
    err().flush();
    return int(problems.size());
}

bool printFindings(const Findings &findings, const QString &failed)
{
    printProblems(findings.notes, QStringLiteral("note: "));
    if (findings.ok())
        return true;
    printProblems(findings.errors);
    if (hiddenProblemCount() > 0)
        err() << hiddenProblemCount() << " more problems not shown\n";
    if (!failed.isEmpty())
        err() << failed << '\n';
    err().flush();
    return false;
}

void printProgress(const QString &line)
{
    err() << line << '\n';
    err().flush();
}

std::optional<int> parseCommandLine(QCommandLineParser &parser, const QStringList &args,
                                    bool withVersion)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    if (withVersion)
        parser.addOption(version);
    if (!parser.parse(args)) {
        err() << QCoreApplication::applicationName() << ": " << parser.errorText() << '\n';
        err().flush();
        return ExitUsage;
    }
    if (parser.isSet(help)) {
        // The parser names the executable only; a command belongs in the usage line too.
        QString text = parser.helpText();
        const QString exe = QCoreApplication::arguments().value(0);
        if (text.startsWith(QStringLiteral("Usage: ") + exe))
            text.replace(7, exe.size(), args.value(0));
        out() << text;
        out().flush();
        return ExitSuccess;
    }
    if (withVersion && parser.isSet(version)) {
        out() << QCoreApplication::applicationName() << ' '
              << QCoreApplication::applicationVersion() << '\n';
        out().flush();
        return ExitSuccess;
    }
    return std::nullopt;
}

int usageError(const QString &command, const QString &message)
{
    err() << command << ": " << message << '\n';
    err().flush();
    return ExitUsage;
}

std::optional<QByteArray> readFileOrComplain(const QString &name, QVector<Problem> &problems,
                                             qint64 maxBytes)
{
    const ReadFile read = readRegularFile(name, maxBytes);
    if (!read.ok) {
        problems.append({name, 0,
                         read.opened.missing
                             ? QStringLiteral("cannot read: the file is missing")
                             : QStringLiteral("cannot read: %1").arg(read.opened.reason)});
        return std::nullopt;
    }
    return read.bytes;
}

std::optional<QString> writableTarget(const QString &name, QVector<Problem> &problems)
{
    const platform::Entry target = platform::targetOf(name);
    if (target.type == platform::EntryType::Missing || target.type == platform::EntryType::Regular)
        return name;
    problems.append({name, 0,
                     QStringLiteral("cannot write: %1 is not replaced; name a regular file")
                         .arg(platform::typeName(target.type))});
    return std::nullopt;
}

namespace {

// What a name will write to: the file there, or, when there is none yet, the folder it goes
// into and the name in it.
struct OutputIdentity
{
    platform::Entry file;
    platform::Entry folder;
    QString name;

    explicit OutputIdentity(const QString &path)
        : file(platform::targetOf(path))
    {
        if (file.type == platform::EntryType::Missing) {
            const QFileInfo info(path);
            folder = platform::targetOf(info.absolutePath());
            name = info.fileName();
        }
    }
    bool operator==(const OutputIdentity &other) const
    {
        if (file.type != platform::EntryType::Missing)
            return file.sameFileAs(other.file);
        return other.file.type == platform::EntryType::Missing && name == other.name
            && folder.sameFileAs(other.folder);
    }
};

} // namespace

bool outputsApart(const QStringList &outputs, const QStringList &inputs, QVector<Problem> &problems)
{
    bool apart = true;
    QVector<OutputIdentity> seen;
    for (const QString &output : outputs) {
        const OutputIdentity target(output);
        for (const QString &input : inputs) {
            if (target.file.sameFileAs(platform::targetOf(input))) {
                problems.append({output, 0,
                                 QStringLiteral("not written: this is the input %1; name "
                                                "another file for the output")
                                     .arg(quotedInput(input))});
                apart = false;
            }
        }
        for (int i = 0; i < seen.size(); ++i) {
            if (seen[i] == target) {
                problems.append({output, 0,
                                 QStringLiteral("not written: this is also the output %1; "
                                                "name another file")
                                     .arg(quotedInput(outputs[i]))});
                apart = false;
            }
        }
        seen.append(target);
    }
    return apart;
}

bool writeFileOrComplain(const QString &name, const QByteArray &bytes, QVector<Problem> &problems)
{
    // Only regular files are written: a device or FIFO given as output would be replaced by
    // the rename (or block a plain write).
    if (!writableTarget(name, problems))
        return false;
    QSaveFile file(name);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    problems.append({name, 0, QStringLiteral("cannot write: %1").arg(file.errorString())});
    return false;
}

bool writeOutputFile(const QString &name, const QByteArray &bytes)
{
    QVector<Problem> problems;
    const bool written = writeFileOrComplain(name, bytes, problems);
    printProblems(problems);
    return written;
}

} // namespace wallmatch
