#ifndef CLI_H
#define CLI_H

#include "problem.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVector>

#include <memory>
#include <optional>

class QCoreApplication;

namespace wallmatch {

// A companion's application object, named NAME with the build's version: a GUI application when
// it draws pictures (text needs fonts, which need one), on the offscreen platform unless another
// is asked for since no window is ever shown; otherwise a core application.
std::unique_ptr<QCoreApplication> makeToolApplication(int &argc, char **argv, const QString &name,
                                                      bool drawing);

// Exit statuses of the companion programs.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1; // the work could not be done, or problems were reported
constexpr int ExitUsage = 2; // the command line was wrong

// Standard output and standard error as text streams (UTF-8).
QTextStream &out();
QTextStream &err();

// A companion prints at most this many problems in a run; the rest are only counted.
inline constexpr int maxPrintedProblems = 100;

// Each problem on its own line of standard error, after `prefix`, up to maxPrintedProblems over
// the whole run; returns how many there were (shown or not).
int printProblems(const QVector<Problem> &problems, const QString &prefix = QString());
// How many problems printProblems counted but did not show.
int hiddenProblemCount();

// The notes of a step, then its errors and how many of all problems were not shown, then
// `failed` (say what was not done) when there were errors. Returns whether there were none.
bool printFindings(const Findings &findings, const QString &failed = QString());

// One line of progress on standard error, at once.
void printProgress(const QString &line);

// The frame of a command: `args` is the command line with the command's name first
// ("wallmatch-prep zind", or the program's own argument 0). Adds --help (and --version when
// asked), parses, and returns an exit status when the command ends here: 0 after the help (whose
// usage line names the command) or the version, ExitUsage after a wrong option, said as
// "PROGRAM: text". None when the command goes on.
std::optional<int> parseCommandLine(QCommandLineParser &parser, const QStringList &args,
                                    bool withVersion = false);
// "COMMAND: message" on standard error; returns ExitUsage.
int usageError(const QString &command, const QString &message);

// Input files of the companions are text of a few megabytes at most.
inline constexpr qint64 maxInputFileBytes = 16 * 1024 * 1024;

// The whole content of a regular file of at most maxBytes, or none with a problem added that
// says why it could not be read (missing, a FIFO or device, too large, …). Never blocks.
std::optional<QByteArray> readFileOrComplain(const QString &name, QVector<Problem> &problems,
                                             qint64 maxBytes = maxInputFileBytes);

// The name back when writing there replaces nothing but a regular file; none with a problem
// otherwise (a device, FIFO, folder, …).
std::optional<QString> writableTarget(const QString &name, QVector<Problem> &problems);

// True when no output is one of the inputs or another output. Files are compared by identity
// (device and inode, links followed), not by name: "results_*.txt" after --csv, a hard link, or
// "./a/../results.txt" all name an input. Otherwise a problem per clash, and nothing is to be
// written.
bool outputsApart(const QStringList &outputs, const QStringList &inputs,
                  QVector<Problem> &problems);

// Writes a regular file atomically (QSaveFile); adds a problem and returns false when that fails
// or something else is at the name.
bool writeFileOrComplain(const QString &name, const QByteArray &bytes, QVector<Problem> &problems);
// The same, printing the problem at once: for a command's output files.
bool writeOutputFile(const QString &name, const QByteArray &bytes);

} // namespace wallmatch

#endif // CLI_H
