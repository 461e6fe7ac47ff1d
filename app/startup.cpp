#include "startup.h"

#include "regularfile.h"
#include "textinput.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>

namespace wallmatch {

namespace {

const QString planOption = QStringLiteral("plan");
const QString participantOption = QStringLiteral("participant");
const QString resumeOption = QStringLiteral("resume");
const QString fullScreenOption = QStringLiteral("fullscreen");

// A plan is a short text file; this is far beyond any study.
constexpr qint64 maxPlanFileSize = 16 * 1024 * 1024;

void setApplicationInfo()
{
    QCoreApplication::setApplicationName(QStringLiteral("wallmatch"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WALLMATCH_VERSION));
}

} // namespace

void addStartOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Timed wall-matching test on pairs of panoramas. Without options it runs "
                       "samples 1 to 100 of test_datasets/ in the working folder with Kestrel's "
                       "walls and writes results.txt there."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({planOption,
                      QStringLiteral("Run the cases of a study plan: a CSV file with the header "
                                     "\"sample,source\" and one row per case, in the order "
                                     "shown (source Kestrel or Bramble)."),
                      QStringLiteral("FILE")});
    parser.addOption({participantOption,
                      QStringLiteral("Write the answers to results_ID.txt (ID: letters, digits, "
                                     "- and _)."),
                      QStringLiteral("ID")});
    parser.addOption({resumeOption,
                      QStringLiteral("Continue an interrupted session: keep the answers in the "
                                     "participant's results file and go on with the next "
                                     "case.")});
    parser.addOption({fullScreenOption,
                      QStringLiteral("Show the window without a frame, centred on a black full "
                                     "screen.")});
}

EarlyStart answerInfoOptions(int argc, char **argv)
{
    EarlyStart early;
    // A core application needs no display; Qt's GUI options it does not know are left to the
    // QApplication that follows.
    QCoreApplication core(argc, argv);
    setApplicationInfo();
    QCommandLineParser parser;
    addStartOptions(parser);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(QCoreApplication::arguments()); // prints Qt's options too and exits
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        early.exitCode = 0;
    } else if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        early.exitCode = 0;
    }
    std::fflush(stdout);
    early.fullScreen = parser.isSet(fullScreenOption);
    return early;
}

qreal fitScale(const QSizeF &available, const QSizeF &window)
{
    if (window.isEmpty() || available.isEmpty())
        return 1.0;
    const qreal scale =
        std::min(available.width() / window.width(), available.height() / window.height());
    return std::min<qreal>(1.0, scale);
}

qreal screenFitScale(const QSize &screen, const QSize &available, bool fullScreen)
{
    if (fullScreen)
        return fitScale(screen, mainWindowSize);
    if (available.width() >= mainWindowSize.width()
        && available.height() >= mainWindowSize.height())
        return 1.0;
    return fitScale(available - QSize(0, frameAllowance), mainWindowSize);
}

qreal primaryScreenFitScale(bool fullScreen)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1.0;
    return screenFitScale(screen->geometry().size(), screen->availableGeometry().size(),
                          fullScreen);
}

QString resultsFileOfArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    addStartOptions(parser);
    parser.parse(arguments);
    const QString participant = parser.value(participantOption);
    return resultsFileFor(isValidParticipantId(participant) ? participant : QString());
}

Startup prepareStartup(const QStringList &arguments)
{
    Startup start;
    setApplicationInfo();
    QCommandLineParser parser;
    addStartOptions(parser);
    if (!parser.parse(arguments)) {
        start.problems << parser.errorText()
                       << QStringLiteral("Try '%1 --help' for the options.")
                              .arg(QCoreApplication::applicationName());
        return start;
    }
    if (!parser.positionalArguments().isEmpty()) {
        start.problems << QStringLiteral("unexpected argument '%1'; a plan is given with --plan")
                              .arg(parser.positionalArguments().first());
        return start;
    }
    start.fullScreen = parser.isSet(fullScreenOption);

    const QString participant = parser.value(participantOption);
    if (parser.isSet(participantOption) && !isValidParticipantId(participant)) {
        start.problems << QStringLiteral("participant ID '%1': use 1 to %2 letters, digits, - "
                                         "and _")
                              .arg(quotedInput(participant))
                              .arg(maxParticipantIdLength);
        return start;
    }
    start.run.resultsFile = resultsFileFor(participant);

    if (parser.isSet(planOption)) {
        const QString planFile = parser.value(planOption);
        const ReadFile read = readRegularFile(planFile, maxPlanFileSize);
        if (!read.ok) {
            start.problems
                << QStringLiteral("%1: not a plan file: %2").arg(planFile, read.opened.reason);
            return start;
        }
        const TextInput input = checkTextInput(read.bytes);
        if (!input.ok()) {
            start.problems << input.problem(planFile);
            return start;
        }
        const StudyPlan plan = parseStudyPlan(input.text, planFile);
        start.problems << plan.problems;
        start.problems << checkPlanSamples(plan.cases, planFile);
        if (!start.problems.isEmpty())
            return start;
        start.run.cases = plan.cases;
    }

    if (parser.isSet(resumeOption)) {
        start.run.resume = true;
        readResumedResults(start.run, start.run.cases.isEmpty() ? fixedRunCases() : start.run.cases,
                           start.problems);
    }
    return start;
}

} // namespace wallmatch
