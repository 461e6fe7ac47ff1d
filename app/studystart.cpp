#include "studystart.h"

#include "regularfile.h"
#include "sessionlock.h"
#include "startup.h"
#include "studyplan.h"
#include "studyrun.h"
#include "textinput.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace wallmatch {

namespace {

constexpr qint64 maxPlanFileBytes = 16 * 1024 * 1024;

const QStringList pathOptions {QStringLiteral("plan"), QStringLiteral("instructions"),
                               QStringLiteral("instructions-after-practice"),
                               QStringLiteral("truth")};

// The plan's practice cases and sources, as the study file expects them.
void checkPlanAgainstStudy(const StudyStart &start, QStringList &problems)
{
    const ReadFile read = readRegularFile(start.planFile, maxPlanFileBytes);
    if (!read.ok) {
        problems << QStringLiteral("%1: no plan for participant %2: %3")
                        .arg(start.planFile, start.participant, read.opened.reason);
        return;
    }
    const TextInput input = checkTextInput(read.bytes);
    if (!input.ok()) {
        problems << input.problem(start.planFile);
        return;
    }
    const StudyPlan plan = parseStudyPlan(input.text, start.planFile);
    if (!plan.problems.isEmpty()) {
        problems << plan.problems;
        return;
    }
    const StudyFile &study = start.file.study;
    int practice = 0;
    for (const PlanCase &c : plan.cases) {
        practice += c.practice ? 1 : 0;
        if (!study.sources.contains(c.source))
            problems << QStringLiteral("%1:%2: source %3 is not one of the study's sources (%4)")
                            .arg(start.planFile)
                            .arg(c.line)
                            .arg(c.source, study.sources.join(QStringLiteral(", ")));
    }
    if (practice != study.practice)
        problems << QStringLiteral("%1: %2 practice cases, but %3 says %4")
                        .arg(start.planFile)
                        .arg(practice)
                        .arg(start.file.file)
                        .arg(study.practice);
}

constexpr qint64 maxSessionRecordBytes = 16 * 1024 * 1024;

bool anyFileOf(const QDir &folder, const QString &id)
{
    for (const QString &name : {resultsFileFor(id), practiceFileFor(id),
                                QStringLiteral("events_%1.csv").arg(id), sessionFileFor(id)})
        if (QFileInfo::exists(folder.filePath(name)))
            return true;
    return false;
}

// --participant next: the plan with the fewest finished or running sessions (the first by name
// among equals), and an ID no one has: the plan's name, or with "-2", "-3", ... when that is
// taken. A session counts as finished when a sitting of its record completed the run, and as
// running while its results file's lock is held; a dropout's plan is given again.
bool chooseNextParticipant(StudyStart &start)
{
    const QDir folder(start.folder);
    const QDir plans(folder.filePath(start.file.study.plans));
    QMap<QString, int> uses;
    for (const QString &name : plans.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name))
        uses.insert(name, 0);
    if (uses.isEmpty()) {
        start.problems << QStringLiteral("%1: no plans to give (*.csv)").arg(plans.path());
        return false;
    }
    for (const QString &record :
         folder.entryList({QStringLiteral("session_*.json")}, QDir::Files, QDir::Name)) {
        const ReadFile read = readRegularFile(folder.filePath(record), maxSessionRecordBytes);
        const QJsonArray sittings = QJsonDocument::fromJson(read.bytes)
                                        .object()
                                        .value(QStringLiteral("sessions"))
                                        .toArray();
        if (sittings.isEmpty())
            continue;
        const QString id =
            sittings.last().toObject().value(QStringLiteral("participant")).toString();
        const QString plan = QFileInfo(sittings.last()
                                           .toObject()
                                           .value(QStringLiteral("plan"))
                                           .toObject()
                                           .value(QStringLiteral("path"))
                                           .toString())
                                 .fileName();
        if (!uses.contains(plan) || !isValidParticipantId(id))
            continue;
        bool finished = false;
        for (const QJsonValue &sitting : sittings)
            finished = finished || sitting.toObject().value(QStringLiteral("completed")).toBool();
        bool running = false;
        const QString results = folder.filePath(resultsFileFor(id));
        if (!finished && QFileInfo::exists(sessionLockFileName(results))) {
            SessionLock probe(results);
            running = !probe.tryLock(); // a lock whose process is gone is no session
        }
        if (finished || running)
            uses[plan] += 1;
    }
    QString plan = uses.firstKey();
    for (auto it = uses.cbegin(); it != uses.cend(); ++it)
        if (it.value() < uses.value(plan))
            plan = it.key();
    const QString stem = QFileInfo(plan).completeBaseName();
    QString id = stem;
    for (int n = 2; !isValidParticipantId(id) || anyFileOf(folder, id); ++n) {
        id = QStringLiteral("%1-%2").arg(stem).arg(n);
        if (n > 100000) {
            start.problems << QStringLiteral("%1: no free participant ID").arg(plan);
            return false;
        }
    }
    start.participant = id;
    start.planFile = plans.absoluteFilePath(plan);
    return true;
}

} // namespace

StudyStart expandStudyArguments(const QStringList &arguments)
{
    StudyStart start;
    start.arguments = arguments;
    QCommandLineParser parser;
    addStartOptions(parser);
    if (!parser.parse(arguments) || !parser.isSet(QStringLiteral("study")))
        return start; // prepareStartup says what is wrong with the options
    start.study = true;
    start.folder = QFileInfo(parser.value(QStringLiteral("study"))).absoluteFilePath();
    start.participant = parser.value(QStringLiteral("participant"));
    if (start.participant.isEmpty()) {
        start.problems << QStringLiteral("--study needs --participant ID: the ID gives the plan");
        return start;
    }
    const bool next = start.participant == QLatin1String("next");
    if (!next && !isValidParticipantId(start.participant))
        return start; // refused by prepareStartup, in its words
    if (!QFileInfo(start.folder).isDir()) {
        start.problems << QStringLiteral("%1: not a study folder").arg(start.folder);
        return start;
    }
    start.file = readStudyFile(start.folder);
    if (!start.file.problems.isEmpty()) {
        start.problems << start.file.problems;
        return start;
    }
    const StudyFile &study = start.file.study;
    if (next && !chooseNextParticipant(start))
        return start;
    if (parser.isSet(QStringLiteral("plan")))
        start.planFile = QFileInfo(parser.value(QStringLiteral("plan"))).absoluteFilePath();
    else if (!next)
        start.planFile = studyPlanFile(study, start.folder, start.participant);
    checkPlanAgainstStudy(start, start.problems);
    if (!start.problems.isEmpty())
        return start;

    // The command line, its paths made absolute; then the study's settings it does not give.
    QStringList expanded {arguments.value(0)};
    for (int i = 1; i < arguments.size(); ++i) {
        const QString argument = arguments.at(i);
        expanded << argument;
        const bool path = argument.startsWith(QLatin1String("--"))
            && pathOptions.contains(argument.mid(2)) && i + 1 < arguments.size();
        const int equals = argument.indexOf(QLatin1Char('='));
        if (path) {
            expanded << QFileInfo(arguments.at(++i)).absoluteFilePath();
        } else if (argument.startsWith(QLatin1String("--")) && equals > 2
                   && pathOptions.contains(argument.mid(2, equals - 2))) {
            expanded.last() =
                argument.left(equals + 1) + QFileInfo(argument.mid(equals + 1)).absoluteFilePath();
        } else if (next && argument.startsWith(QLatin1String("--participant"))) {
            if (argument == QLatin1String("--participant") && i + 1 < arguments.size()) {
                expanded << start.participant;
                ++i;
            } else {
                expanded.last() = QStringLiteral("--participant=") + start.participant;
            }
        } else if (argument.startsWith(QLatin1String("--study"))) {
            if (argument == QLatin1String("--study") && i + 1 < arguments.size()) {
                expanded << start.folder;
                ++i;
            } else {
                expanded.last() = QStringLiteral("--study=") + start.folder;
            }
        }
    }
    const QDir folder(start.folder);
    auto setting = [&](const QString &option, bool inFile, const QString &value, bool hasValue) {
        if (parser.isSet(option)) {
            if (inFile)
                start.overrides << option;
            return;
        }
        if (!inFile)
            return;
        expanded << QStringLiteral("--") + option;
        if (hasValue)
            expanded << value;
    };
    auto path = [&](const QString &name) { return folder.absoluteFilePath(name); };
    setting(QStringLiteral("plan"), true, start.planFile, true);
    setting(QStringLiteral("instructions"), !study.instructions.isEmpty(), path(study.instructions),
            true);
    setting(QStringLiteral("instructions-after-practice"),
            !study.instructionsAfterPractice.isEmpty(), path(study.instructionsAfterPractice),
            true);
    setting(QStringLiteral("truth"), !study.truth.isEmpty(), path(study.truth), true);
    setting(QStringLiteral("break-every"), study.breakEvery > 0, QString::number(study.breakEvery),
            true);
    setting(QStringLiteral("fullscreen"), study.fullScreen, {}, false);
    setting(QStringLiteral("pause-on-focus-loss"), study.pauseOnFocusLoss, {}, false);
    setting(QStringLiteral("experimenter-view"), study.experimenterView, {}, false);
    start.arguments = expanded;
    return start;
}

void noteStudy(SessionFacts &facts, const StudyStart &study, const QStringList &arguments)
{
    if (!study.study)
        return;
    facts.studyFile = study.file.file;
    facts.studySha256 = study.file.sha256;
    facts.studyTitle = study.file.study.title;
    facts.studyOverrides = study.overrides;
    facts.options = arguments.mid(1);
}

} // namespace wallmatch
