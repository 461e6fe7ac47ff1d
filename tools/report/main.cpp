#include "bysource.h"
#include "cli.h"
#include "fileplatform.h"
#include "htmlreport.h"
#include "mixedmodels.h"
#include "participantfiles.h"
#include "power.h"
#include "psychds.h"
#include "regularfile.h"
#include "reportjson.h"
#include "reporttext.h"
#include "resultsfile.h"
#include "samplefolder.h"
#include "sessionfiles.h"
#include "sourcechart.h"
#include "studycheck.h"
#include "studyfile.h"
#include "textinput.h"
#include "timechart.h"
#include "trials.h"
#include "truthfile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>
#include <optional>

using namespace wallmatch;

namespace {

// The tidy data an R script written without --trials reads: FILE.csv beside it.
QString rScriptDataFile(const QString &script)
{
    const QFileInfo info(script);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
}

} // namespace

int main(int argc, char *argv[])
{
    // Only the chart and the HTML report's images are drawn.
    bool plotting = false;
    for (int i = 1; i < argc; ++i)
        plotting =
            plotting || qstrncmp(argv[i], "--plot", 6) == 0 || qstrncmp(argv[i], "--html", 6) == 0;
    const std::unique_ptr<QCoreApplication> app =
        makeToolApplication(argc, argv, QStringLiteral("wallmatch-report"), plotting);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Summarises wallmatch results files, one per test subject: answers, distinct samples, "
        "answers past the end of the run (repeated sample ids), median, mean and 90th "
        "percentile time, times over an hour; with --truth the share of correct matches per "
        "file, per sample and overall. Times and correct matches count the answers of the "
        "run, not those past its end (an answer repeating a sample and source of the same "
        "file); answers the truth cannot judge are counted apart, never as wrong. When the "
        "answers show more than one corner source, the report compares them: per source, per "
        "participant (the ID of results_ID.txt) and over participants: two sources with exact "
        "sign and Wilcoxon signed-rank tests, three or more with Friedman's test and the "
        "Wilcoxon test of every pair, Holm-adjusted. Every line "
        "that is not a result line is reported with its line number, and the exit status is "
        "then 1."));
    parser.addPositionalArgument(QStringLiteral("results.txt"),
                                 QStringLiteral("Results files (one per subject)."),
                                 QStringLiteral("results.txt [more results files]"));
    const QCommandLineOption truthOption(QStringLiteral("truth"),
                                         QStringLiteral("Matching walls: CSV "
                                                        "\"sample,source,primary wall,secondary "
                                                        "wall\" with a header line (-1: no "
                                                        "counterpart; several rows: any is "
                                                        "right); the older three columns apply "
                                                        "to every source."),
                                         QStringLiteral("truth.csv"));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
                                       QStringLiteral("Write one row per answer: file, sample, "
                                                      "wall1, wall2, source, seconds, x1, y1, x2, "
                                                      "y2, correct."),
                                       QStringLiteral("out.csv"));
    const QCommandLineOption plotOption(QStringLiteral("plot"),
                                        QStringLiteral("Write a PNG chart of the time per sample "
                                                       "(and, with more than one source, "
                                                       "of the time by source)."),
                                        QStringLiteral("out.png"));
    const QCommandLineOption sourceCsvOption(
        QStringLiteral("source-csv"),
        QStringLiteral("Write one row per participant and source: participant, source, answers, "
                       "timed, median seconds, p90 seconds, judged, correct, uncertain."),
        QStringLiteral("out.csv"));
    const QCommandLineOption trialsOption(
        QStringLiteral("trials"),
        QStringLiteral("Write the tidy data, one row per answer (RFC 4180, UTF-8): participant, "
                       "file, line, phase, case, sample, source, primary_wall, secondary_wall, "
                       "correct, judged, seconds, x1, y1, x2, y2; with event logs "
                       "(events_ID.csv) beside the results files also first_pick_seconds, picks, "
                       "misses."),
        QStringLiteral("trials.csv"));
    const QCommandLineOption modelsOption(
        QStringLiteral("mixed-models"),
        QStringLiteral("Fit mixed-effects models with R and lme4: log time and accuracy by "
                       "source, participants and samples as crossed random effects, the first "
                       "source (Kestrel when present) as reference."));
    const QCommandLineOption rScriptOption(
        QStringLiteral("r-script"),
        QStringLiteral("Write the models' analysis as a commented R script; it reads the --trials "
                       "file, or, without one, the tidy data written beside it as FILE.csv."),
        QStringLiteral("analysis.R"));
    const QCommandLineOption htmlOption(
        QStringLiteral("html"),
        QStringLiteral("Write an HTML report to DIR/index.html, with its charts and panoramas "
                       "beside it."),
        QStringLiteral("DIR"));
    const QCommandLineOption treeOption(
        QStringLiteral("tree"),
        QStringLiteral("The sample tree whose panoramas the HTML report shows (default: "
                       "test_datasets in the working folder)."),
        QStringLiteral("DIR"), QString::fromLatin1(sampleTreeFolder));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Write every figure by source as JSON: sources, participants and "
                       "comparisons (measure, test, sources, participants, statistic, p, "
                       "p_holm)."),
        QStringLiteral("FILE"));
    const QCommandLineOption rTimeoutOption(
        QStringLiteral("r-timeout"),
        QStringLiteral("Stop R, with every process it started, after this many seconds "
                       "(default 600)."),
        QStringLiteral("SECONDS"), QStringLiteral("600"));
    const QCommandLineOption certainOnlyOption(
        QStringLiteral("certain-only"),
        QStringLiteral("Leave answers whose truth rows are all uncertain (fifth truth column 0: "
                       "a merged or split wall, or a match near a limit) out of the judged "
                       "answers."));
    parser.addOption(certainOnlyOption);
    const QCommandLineOption powerOption(
        QStringLiteral("power"),
        QStringLiteral("Power from a pilot: simulate studies of these numbers of participants "
                       "from the fitted mixed-effects models (R, lme4 simulate and refit) and "
                       "report for each source contrast the share with p < 0.05."),
        QStringLiteral("N,N,..."));
    const QCommandLineOption powerSimsOption(
        QStringLiteral("power-sims"),
        QStringLiteral("Simulated studies per number of participants and measure (default 100)."),
        QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption powerSeedOption(
        QStringLiteral("power-seed"),
        QStringLiteral("Seed of the simulations (default 1): the same seed, the same result."),
        QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption powerTimeOption(
        QStringLiteral("power-time-limit"),
        QStringLiteral("Stop simulating after this many seconds (default 600); the "
                       "simulations done by then are reported."),
        QStringLiteral("SECONDS"), QStringLiteral("600"));
    parser.addOptions({truthOption, csvOption, plotOption, sourceCsvOption, jsonOption,
                       trialsOption, modelsOption, rScriptOption, rTimeoutOption, htmlOption,
                       treeOption});
    parser.addOptions({powerOption, powerSimsOption, powerSeedOption, powerTimeOption});
    const QCommandLineOption psychDsOption(
        QStringLiteral("psych-ds"),
        QStringLiteral("Write the tidy data as a Psych-DS data set into the new or empty folder "
                       "DIR: dataset_description.json and data/study-NAME_participant-ID_data.csv "
                       "per participant."),
        QStringLiteral("DIR"));
    const QCommandLineOption psychDsNameOption(
        QStringLiteral("psych-ds-name"),
        QStringLiteral("The data set's name (default: the name of the folder of the first "
                       "results file)."),
        QStringLiteral("NAME"));
    parser.addOptions({psychDsOption, psychDsNameOption});
    const QCommandLineOption referenceOption(
        QStringLiteral("reference"),
        QStringLiteral("The annotated source: --trials (and --psych-ds, the models and the HTML "
                       "report) get per case each view's 2D IoU of the floor polygon and "
                       "floor-boundary error in pixels of the shown source against it, from the "
                       "corner files of the --tree."),
        QStringLiteral("NAME"));
    parser.addOption(referenceOption);
    const QCommandLineOption studyOption(
        QStringLiteral("study"),
        QStringLiteral("A study folder: its participants' results (and event) files are found "
                       "there, its truth is used unless --truth is given, and every participant's "
                       "session is checked against the study file, plan, truth and instructions "
                       "as they are now; differences are listed at the top."),
        QStringLiteral("DIR"));
    parser.addOption(studyOption);
    if (const std::optional<int> done =
            parseCommandLine(parser, QCoreApplication::arguments(), true))
        return *done;
    // A shell pattern hands over a participant's other files too: they are no participants.
    QStringList resultsNames;
    QStringList leftOut;
    for (const QString &name : parser.positionalArguments())
        (isPracticeEventsOrSessionFile(name) ? leftOut : resultsNames) << name;
    std::optional<StudyCheck> study;
    if (parser.isSet(studyOption)) {
        study = checkStudyFolder(parser.value(studyOption));
        for (const QString &problem : study->problems)
            err() << escapedControls(problem) << '\n';
        if (!study->problems.isEmpty())
            return ExitFailure;
        for (const QString &name : study->resultsFiles)
            if (!resultsNames.contains(name))
                resultsNames << name;
    }
    if (resultsNames.isEmpty())
        return usageError(QCoreApplication::applicationName(),
                          QStringLiteral("no results file given (see --help)"));
    const QString truthName = parser.isSet(truthOption) ? parser.value(truthOption)
        : study                                         ? study->truth
                                                        : QString();

    bool timeoutOk = false;
    const int rTimeoutSeconds = parser.value(rTimeoutOption).toInt(&timeoutOk);
    if (!timeoutOk || rTimeoutSeconds < 1 || rTimeoutSeconds > 7 * 24 * 3600) {
        err() << "wallmatch-report: --r-timeout takes whole seconds from 1 to 604800\n";
        return ExitUsage;
    }
    // No output may replace an input (a shell pattern such as results_*.txt after --csv hands
    // one over) or another output: refused before anything is read or written.
    {
        QStringList inputs = resultsNames + leftOut;
        for (const QString &name : qAsConst(resultsNames))
            inputs += eventLogsBeside(name);
        inputs.removeAll(QString());
        if (!truthName.isEmpty())
            inputs.append(truthName);
        QStringList outputs;
        for (const QCommandLineOption *option : {&csvOption, &sourceCsvOption, &jsonOption,
                                                 &plotOption, &trialsOption, &rScriptOption})
            if (parser.isSet(*option))
                outputs.append(parser.value(*option));
        if (parser.isSet(rScriptOption) && !parser.isSet(trialsOption))
            outputs.append(rScriptDataFile(parser.value(rScriptOption)));
        if (parser.isSet(htmlOption))
            outputs.append(QDir(parser.value(htmlOption)).filePath(QStringLiteral("index.html")));
        QVector<Problem> problems;
        // "--csv results_*.txt" hands the shell's first match over as the output: answers are
        // never written over, inputs or not.
        for (const QString &output : qAsConst(outputs)) {
            const ReadFile existing = readRegularFile(output, maxInputFileBytes);
            if (existing.ok && !existing.bytes.isEmpty()) {
                const ResultsFile answers = parseResultsFile(output, existing.bytes);
                if (!answers.answers.isEmpty() && answers.complaints.isEmpty())
                    problems.append({output, 0,
                                     QStringLiteral("not written: it holds wallmatch answers; "
                                                    "name another file for the output")});
            }
        }
        if (!outputsApart(outputs, inputs, problems) || !problems.isEmpty()) {
            printProblems(problems);
            err() << "wallmatch-report: nothing was written\n";
            return ExitUsage;
        }
    }

    PowerSettings powerSettings;
    if (parser.isSet(powerOption)) {
        bool simsOk = false, seedOk = false, timeOk = false;
        powerSettings.participants = parseParticipantCounts(parser.value(powerOption));
        powerSettings.simulations = parser.value(powerSimsOption).toInt(&simsOk);
        powerSettings.seed = parser.value(powerSeedOption).toULongLong(&seedOk);
        powerSettings.timeLimitSeconds = parser.value(powerTimeOption).toInt(&timeOk);
        if (powerSettings.participants.isEmpty() || !simsOk || powerSettings.simulations < 1
            || powerSettings.simulations > 100000 || !seedOk || !timeOk
            || powerSettings.timeLimitSeconds < 1 || powerSettings.timeLimitSeconds > 7 * 86400) {
            err() << "wallmatch-report: --power takes numbers of participants from 2 to 10000 "
                     "(\"12,24,48\"), --power-sims 1 to 100000, --power-time-limit 1 s to a "
                     "week\n";
            return ExitUsage;
        }
    }

    int complaints = 0;
    std::optional<TruthFile> truth;
    if (!truthName.isEmpty()) {
        truth = readTruthFile(truthName);
        for (const QString &problem : truth->problems)
            err() << escapedControls(problem) << '\n';
        complaints += int(truth->problems.size());
        if (truth->isEmpty()) {
            err() << "wallmatch-report: no usable truth\n";
            return ExitFailure;
        }
        truth->certainOnly = parser.isSet(certainOnlyOption);
    } else if (parser.isSet(certainOnlyOption)) {
        err() << "wallmatch-report: --certain-only needs --truth\n";
        return ExitUsage;
    }
    QVector<ResultsFile> files;
    for (const QString &name : qAsConst(resultsNames)) {
        files.append(readResultsFile(name));
        if (files.last().unreadable)
            complaints += printProblems({*files.last().unreadable});
        complaints += printProblems(files.last().complaints);
    }
    QStringList sessionNotes;
    files = countedOnce(files, &sessionNotes);
    if (truth)
        complaints += printProblems(missingTruthRows(files, *truth));

    const TruthFile *truthTable = truth ? &*truth : nullptr;
    QVector<std::optional<SessionEvents>> logs;
    if (parser.isSet(trialsOption) || parser.isSet(rScriptOption) || parser.isSet(psychDsOption)) {
        for (const ResultsFile &f : files) {
            QVector<Problem> problems;
            logs.append(readSessionEventsBeside(f.name, problems));
            complaints += printProblems(problems);
        }
    }
    QVector<Trial> trials = trialsOf(files, truthTable, logs);
    if (parser.isSet(referenceOption)) {
        QVector<Problem> problems;
        const int given = addLayoutMetrics(trials, parser.value(treeOption),
                                           parser.value(referenceOption), problems);
        complaints += printProblems(problems);
        if (given == 0) {
            err() << "wallmatch-report: no case has layout metrics against "
                  << parser.value(referenceOption) << " (corner files in "
                  << parser.value(treeOption) << ")\n";
            return ExitFailure;
        }
    }
    const QStringList sources = sourcesOf(files);

    if (study)
        out() << studyCheckText(*study);
    if (!leftOut.isEmpty())
        out() << "note: left out, not results files: " << leftOut.join(QStringLiteral(", "))
              << '\n';
    if (truth && !truth->perSource && !truth->isEmpty())
        out() << "note: " << truth->file
              << " has no source column; every source is assumed to number walls alike\n";
    // File names and whatever the files hold are printed; none may steer the terminal.
    for (const QString &note : qAsConst(sessionNotes))
        out() << escapedControls(note) << '\n';
    out() << escapedControls(summaryText(files, truthTable) + bySourceText(files, truthTable));
    if (truth) {
        out().flush();
        for (const QString &warning : truthWarnings(judgedAnswers(files, truthTable), *truth))
            err() << "warning: " << escapedControls(warning) << '\n';
    }
    bool written = true;
    std::optional<MixedModels> models;
    // Progress where someone watches: R takes seconds, the pictures of a large study longer.
    const bool terminal = wallmatch::platform::stderrIsTerminal();
    if (parser.isSet(modelsOption)) {
        if (terminal)
            err() << "fitting the mixed-effects models with R...\n" << Qt::flush;
        models = fitMixedModels(trials, sources, QStringLiteral("Rscript"), rTimeoutSeconds * 1000);
        // A missing R is said once, on its own line; the rest of the report stands.
        if (models->unavailable == missingRLine())
            err() << missingRLine() << '\n';
        else
            out() << '\n' << mixedModelsText(*models);
        written = !models->failed;
    }
    std::optional<PowerResult> power;
    if (parser.isSet(powerOption)) {
        QStringList sizes;
        for (const int n : qAsConst(powerSettings.participants))
            sizes << QString::number(n);
        err() << "power: up to " << powerSettings.simulations << " simulations for each of "
              << sizes.join(QStringLiteral(", ")) << " participants; at most "
              << powerSettings.timeLimitSeconds << " s (--power-time-limit)\n"
              << Qt::flush;
        power = simulatePower(trials, sources, powerSettings);
        if (power->unavailable == missingRLine())
            err() << missingRLine() << '\n';
        else
            out() << '\n' << powerText(*power);
        written = !power->failed && written;
    }
    out().flush();

    if (parser.isSet(csvOption))
        written = writeOutputFile(parser.value(csvOption), answersCsv(files, truthTable).toUtf8())
            && written;
    if (parser.isSet(sourceCsvOption))
        written =
            writeOutputFile(parser.value(sourceCsvOption), bySourceCsv(files, truthTable).toUtf8())
            && written;
    if (parser.isSet(jsonOption)) {
        QByteArray json = reportJson(files, truthTable);
        if (models)
            json = withModels(json, *models);
        if (power) {
            QJsonObject root = QJsonDocument::fromJson(json).object();
            root.insert(QStringLiteral("power"), powerJson(*power));
            json = QJsonDocument(root).toJson();
        }
        if (study)
            json = withStudyCheck(json, *study);
        written = writeOutputFile(parser.value(jsonOption), json) && written;
    }
    if (parser.isSet(plotOption)) {
        QVector<Problem> problems;
        if (!writableTarget(parser.value(plotOption), problems)) {
            printProblems(problems);
            return ExitFailure;
        }
        QImage chart = renderTimeChart(files, truthTable);
        if (sourcesOf(files).size() > 1)
            chart = withSourceChart(chart, files);
        if (!chart.save(parser.value(plotOption), "PNG")) {
            err() << parser.value(plotOption) << ": cannot write the chart\n";
            written = false;
        }
    }
    if (parser.isSet(trialsOption))
        written =
            writeOutputFile(parser.value(trialsOption), trialsCsv(trials).toUtf8()) && written;
    if (parser.isSet(psychDsOption)) {
        QVector<Problem> problems;
        QString name = parser.value(psychDsNameOption);
        if (name.isEmpty() && !files.isEmpty())
            name = QFileInfo(files.first().name).absoluteDir().dirName();
        written = writePsychDs(parser.value(psychDsOption), name, trials, problems) && written;
        printProblems(problems);
    }
    if (parser.isSet(rScriptOption)) {
        QVector<Problem> problems;
        const QFileInfo script(parser.value(rScriptOption));
        QString data;
        if (parser.isSet(trialsOption)) {
            data = script.dir().relativeFilePath(
                QFileInfo(parser.value(trialsOption)).absoluteFilePath());
        } else {
            data = QFileInfo(rScriptDataFile(script.filePath())).fileName();
            written = writeFileOrComplain(script.dir().filePath(data), trialsCsv(trials).toUtf8(),
                                          problems)
                && written;
        }
        written = writeFileOrComplain(script.filePath(),
                                      mixedModelsRScript(data, QString(), sources, true).toUtf8(),
                                      problems)
            && written;
        printProblems(problems);
    }
    if (parser.isSet(htmlOption)) {
        QVector<Problem> problems;
        HtmlReportInput input;
        input.files = files;
        input.truth = truthTable;
        input.trials = trials;
        input.sources = sources;
        input.models = models ? &*models : nullptr;
        input.power = power ? &*power : nullptr;
        input.tree = parser.value(treeOption);
        if (study && !parser.isSet(treeOption))
            input.tree = QDir(parser.value(studyOption)).filePath(input.tree);
        if (study)
            input.studySection = studyCheckHtml(*study);
        if (terminal)
            input.progress = [](int done, int total) {
                err() << "\rHTML report: sample pictures " << done + 1 << " of " << total
                      << (done + 1 == total ? "\n" : "") << Qt::flush;
            };
        written = writeHtmlReport(parser.value(htmlOption), input, problems) && written;
        printProblems(problems);
    }
    if (complaints > 0) {
        err() << "wallmatch-report: " << complaints << " problems";
        if (hiddenProblemCount() > 0)
            err() << " (" << hiddenProblemCount() << " of them not shown)";
        err() << '\n';
    }
    return written && complaints == 0 ? 0 : ExitFailure;
}
