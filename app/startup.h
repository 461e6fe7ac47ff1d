#ifndef STARTUP_H
#define STARTUP_H

#include "studyrun.h"

#include <QSize>
#include <QSizeF>
#include <QStringList>
#include <optional>

class QCommandLineParser;

namespace wallmatch {

// The window's fixed size, in device-independent pixels.
inline constexpr QSize mainWindowSize(1500, 1080);

// --plan, --participant, --resume, --fullscreen, --help and --version.
void addStartOptions(QCommandLineParser &parser);

// Runs before any display is opened: answers --help and --version on standard output (the exit
// code to return) and tells whether the window is to fill the screen.
struct EarlyStart
{
    std::optional<int> exitCode;
    bool fullScreen = false;
    bool chooseStudy = false;
};
EarlyStart answerInfoOptions(int argc, char **argv);

// The largest scale, at most 1, at which `window` fits into `available`.
qreal fitScale(const QSizeF &available, const QSizeF &window);

// Room left under the available area's top for the window's title bar and frame when the
// window is scaled to fit.
inline constexpr int frameAllowance = 36;

// The scale for the primary screen: full screen, the largest that fits the whole screen;
// otherwise 1 unless the available area is smaller than the window, then what fits it with
// its frame.
qreal screenFitScale(const QSize &screen, const QSize &available, bool fullScreen);

// screenFitScale for the primary screen.
qreal primaryScreenFitScale(bool fullScreen);

// The results file the arguments' --participant names (results.txt without a valid one): what
// the session lock is taken for before anything is read.
QString resultsFileOfArguments(const QStringList &arguments);

// After the QApplication has taken its own arguments: the options, the plan and every sample it
// names, the participant's results file. Problems are lines for standard error; with any, the
// program exits with status 2 without opening its window.
struct Startup
{
    StudyRun run;
    bool fullScreen = false;
    bool chooseStudy = false;
    QStringList problems;
    QStringList notes; // lines for standard error that stop nothing
};
Startup prepareStartup(const QStringList &arguments);

// The answers (non-blank lines) of a results or practice file; 0 for none or no regular file.
int countAnswerLines(const QString &file);

// A participant's files from an earlier session (results, practice, events, session record):
// with `restart`, kept aside under their names with the date; otherwise, with a participant,
// a problem that counts the answers and names --resume and --restart.
void checkEarlierSession(StudyRun &run, const QString &participant, bool restart,
                         QStringList &problems);

} // namespace wallmatch

#endif // STARTUP_H
