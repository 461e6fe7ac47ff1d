#include "startup.h"

#include "eventlog.h"
#include "regularfile.h"
#include "resultsstore.h"
#include "samplefolder.h"
#include "studyfile.h"
#include "textinput.h"
#include "truthfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <tuple>

namespace wallmatch {

namespace {

const QString planOption = QStringLiteral("plan");
const QString participantOption = QStringLiteral("participant");
const QString resumeOption = QStringLiteral("resume");
const QString fullScreenOption = QStringLiteral("fullscreen");
const QString restartOption = QStringLiteral("restart");
const QString instructionsOption = QStringLiteral("instructions");
const QString afterPracticeOption = QStringLiteral("instructions-after-practice");
const QString breakEveryOption = QStringLiteral("break-every");
const QString focusLossOption = QStringLiteral("pause-on-focus-loss");
const QString truthOption = QStringLiteral("truth");
const QString chooseStudyOption = QStringLiteral("choose-study");
const QString studyOption = QStringLiteral("study");
const QString experimenterViewOption = QStringLiteral("experimenter-view");

// A plan is a short text file; this is far beyond any study.
constexpr qint64 maxPlanFileSize = 16 * 1024 * 1024;

void setApplicationInfo()
{
    QCoreApplication::setApplicationName(QStringLiteral("wallmatch"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WALLMATCH_VERSION));
}

// Answers in a results file: its lines. Only a regular file is opened: a FIFO in its place
// would block the start, a device feed it without end.
int countLines(const QString &file)
{
    const OpenedFile opened = openRegularFile(file);
    if (!opened.file)
        return 0;
    QFile &f = *opened.file;
    int lines = 0;
    while (!f.atEnd() && lines < 1000000) {
        if (!f.readLine(4096).trimmed().isEmpty())
            lines += 1;
    }
    return lines;
}

bool holdsSomething(const QString &file)
{
    const QFileInfo info(file);
    return info.exists() && (!info.isFile() || info.size() > 0);
}

void readProtocolOptions(const QCommandLineParser &parser, const QStringList &arguments,
                         Startup &start)
{
    StudyRun &run = start.run;
    const QString participant = parser.value(participantOption);
    run.practiceFile = practiceFileFor(participant);
    run.eventsFile = eventsFileFor(participant);
    run.sessionFile = sessionFileFor(participant);
    // Any option of a study writes the event log and the session record; a plain start does not.
    run.protocolFiles = !parser.optionNames().isEmpty();
    run.facts.participant = participant;
    run.facts.options = arguments.mid(1);
    if (parser.isSet(planOption)) {
        run.facts.planPath = parser.value(planOption);
        const ReadFile plan = readRegularFile(run.facts.planPath, maxPlanFileSize);
        if (plan.ok)
            run.facts.planSha256 =
                QCryptographicHash::hash(plan.bytes, QCryptographicHash::Sha256).toHex();
    }
    if (parser.isSet(instructionsOption))
        run.instructions = readInstructions(parser.value(instructionsOption), start.problems);
    if (parser.isSet(afterPracticeOption))
        run.instructionsAfterPractice =
            readInstructions(parser.value(afterPracticeOption), start.problems);
    // Pinned in the session record, so a report can tell whether a participant saw these.
    for (auto [option, path, sha] :
         {std::tuple(truthOption, &run.facts.truthPath, &run.facts.truthSha256),
          std::tuple(instructionsOption, &run.facts.instructionsPath,
                     &run.facts.instructionsSha256),
          std::tuple(afterPracticeOption, &run.facts.afterPracticePath,
                     &run.facts.afterPracticeSha256)}) {
        if (parser.isSet(option)) {
            *path = parser.value(option);
            *sha = fileSha256(*path);
        }
    }
    if (parser.isSet(breakEveryOption)) {
        bool ok = false;
        run.breakEvery = parser.value(breakEveryOption).toInt(&ok);
        if (!ok || run.breakEvery < 1)
            start.problems << QStringLiteral("--break-every '%1': give a whole number of at "
                                             "least 1")
                                  .arg(parser.value(breakEveryOption));
    }
    run.pauseOnFocusLoss = parser.isSet(focusLossOption);
    if (parser.isSet(truthOption)) {
        const TruthFile truth = readTruthFile(parser.value(truthOption));
        start.problems << truth.problems;
        if (truth.problems.isEmpty())
            run.truth = truthLookup(truth);
    }
    while (run.practiceCases < run.cases.size() && run.cases.at(run.practiceCases).practice)
        run.practiceCases += 1;
}

} // namespace

int countAnswerLines(const QString &file)
{
    return countLines(file);
}

void checkEarlierSession(StudyRun &run, const QString &participant, bool restart,
                         QStringList &problems)
{
    const QStringList files {run.resultsFile, run.practiceFile, run.eventsFile, run.sessionFile};
    QStringList held;
    for (const QString &file : files) {
        if (holdsSomething(file))
            held << file;
    }
    if (held.isEmpty())
        return;
    if (restart) {
        for (const QString &file : held) {
            QString error;
            if (keepAside(file, &error).isEmpty())
                problems << QStringLiteral("%1: could not be kept aside: %2").arg(file, error);
        }
        return;
    }
    // Without a participant, an earlier results.txt is kept aside as it always was.
    if (participant.isEmpty())
        return;
    const int answers = countLines(run.resultsFile);
    const int practice = countLines(run.practiceFile);
    // A start that ended before the first answer left nothing to resume: its files are kept
    // aside as --restart would, and the participant starts plainly.
    // Only regular files: anything else in their place (a FIFO) is refused as before, unread.
    const bool regular = std::all_of(held.cbegin(), held.cend(),
                                     [](const QString &file) { return QFileInfo(file).isFile(); });
    if (answers == 0 && practice == 0 && regular) {
        checkEarlierSession(run, participant, true, problems);
        return;
    }
    QString what = QStringLiteral("%1 holds %2 answers").arg(run.resultsFile).arg(answers);
    if (practice > 0)
        what +=
            QStringLiteral(" and %1 holds %2 practice answers").arg(run.practiceFile).arg(practice);
    problems << QStringLiteral("%1 from an earlier session of participant %2 (files: %3). Start "
                               "with --resume to continue that session, or with --restart to "
                               "keep these files aside and start from the first case.")
                    .arg(what, participant, held.join(QStringLiteral(", ")));
}

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
    parser.addOption({restartOption,
                      QStringLiteral("Start the participant from the first case again: the "
                                     "earlier results, practice, event and session files are "
                                     "kept aside as NAME-YYYYMMDD-HHMMSS.EXT.")});
    parser.addOption({instructionsOption,
                      QStringLiteral("Show this page before the first case, with a Begin button: "
                                     "plain text, Markdown (.md) or HTML (.html)."),
                      QStringLiteral("FILE")});
    parser.addOption({afterPracticeOption,
                      QStringLiteral("Show this page after the practice cases."),
                      QStringLiteral("FILE")});
    parser.addOption({breakEveryOption,
                      QStringLiteral("Pause for a break after every N-th test answer."),
                      QStringLiteral("N")});
    parser.addOption({focusLossOption,
                      QStringLiteral("Pause the case when the window loses the focus or leaves "
                                     "full screen.")});
    parser.addOption({truthOption,
                      QStringLiteral("Give feedback after each practice answer from this truth "
                                     "file."),
                      QStringLiteral("FILE")});
    parser.addOption({experimenterViewOption,
                      QStringLiteral("In a study run, show what the participant does not see: "
                                     "the source, the time, the answer log and the wall numbers "
                                     "(for piloting).")});
    parser.addOption({studyOption,
                      QStringLiteral("Run the study of this folder as its study.json says, with "
                                     "the plan of --participant; options given here override "
                                     "the file."),
                      QStringLiteral("DIR")});
    parser.addOption({chooseStudyOption,
                      QStringLiteral("Ask for the study folder, plan and participant in a "
                                     "dialog, then run there (the desktop entry's start).")});
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
    early.chooseStudy = parser.isSet(chooseStudyOption);
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
    start.chooseStudy = parser.isSet(chooseStudyOption);

    const QString participant = parser.value(participantOption);
    if (parser.isSet(participantOption) && !isValidParticipantId(participant)) {
        start.problems << QStringLiteral("participant ID '%1': use 1 to %2 letters, digits, - "
                                         "and _")
                              .arg(quotedInput(participant))
                              .arg(maxParticipantIdLength);
        return start;
    }
    if (endsLikeDate(participant)) {
        // Refused rather than told apart later: a dated name is how a participant's kept and
        // fallback files are found, and the results lines have no room to say whose they are.
        start.problems << QStringLiteral("participant ID '%1' ends like a date, as the kept and "
                                         "fallback files of participant '%2' are named; its "
                                         "files would be taken for theirs. Choose an ID "
                                         "without a -YYYYMMDD-HHMMSS ending")
                              .arg(participant,
                                   participantFileOf(resultsFileFor(participant))->participant);
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
        start.problems << checkPlanSamples(plan.cases, planFile, &start.notes);
        if (!start.problems.isEmpty())
            return start;
        start.run.cases = plan.cases;
        start.run.studyScreen = true;
        start.run.participantView = !parser.isSet(experimenterViewOption);
    }

    readProtocolOptions(parser, arguments, start);
    if (!start.problems.isEmpty())
        return start;
    const bool restart = parser.isSet(restartOption);
    if (parser.isSet(resumeOption) && restart) {
        start.problems << QStringLiteral("--resume and --restart exclude each other");
        return start;
    }
    if (parser.isSet(resumeOption)) {
        start.run.resume = true;
        const QVector<PlanCase> all = start.run.cases.isEmpty() ? fixedRunCases() : start.run.cases;
        readResumedResults(start.run, all.mid(start.run.practiceCases), start.problems);
    } else {
        checkEarlierSession(start.run, participant, restart, start.problems);
    }
    if (!start.problems.isEmpty())
        return start;
    // Started plainly where there is nothing to run: the window stays as it always was, but a
    // start from a desktop menu (stdout hidden) needs a word on what is missing.
    if (!parser.isSet(planOption) && !QFileInfo(QString::fromLatin1(sampleTreeFolder)).isDir())
        start.notes << QStringLiteral("wallmatch: no %1 folder in %2: there are no samples to "
                                      "show")
                           .arg(QString::fromLatin1(sampleTreeFolder),
                                QDir::toNativeSeparators(QDir::currentPath()));
    return start;
}

} // namespace wallmatch
