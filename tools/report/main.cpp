#include "bysource.h"
#include "cli.h"
#include "htmlreport.h"
#include "mixedmodels.h"
#include "regularfile.h"
#include "reportjson.h"
#include "reporttext.h"
#include "resultsfile.h"
#include "samplefolder.h"
#include "sessionfiles.h"
#include "sourcechart.h"
#include "studycheck.h"
#include "studyfile.h"
#include "timechart.h"
#include "trials.h"
#include "truthfile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

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
    // Only the chart and the HTML report's images need a GUI application; they are drawn into
    // images and no window is ever shown, so the offscreen platform does when nothing else is
    // asked for.
    bool plotting = false;
    for (int i = 1; i < argc; ++i)
        plotting =
            plotting || qstrncmp(argv[i], "--plot", 6) == 0 || qstrncmp(argv[i], "--html", 6) == 0;
    if (plotting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app(plotting ? new QApplication(argc, argv)
                                                         : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("wallmatch-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WALLMATCH_VERSION));

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
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
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
                       "timed, median seconds, p90 seconds, judged, correct."),
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
    const QCommandLineOption studyOption(
        QStringLiteral("study"),
        QStringLiteral("A study folder: its participants' results (and event) files are found "
                       "there, its truth is used unless --truth is given, and every participant's "
                       "session is checked against the study file, plan, truth and instructions "
                       "as they are now; differences are listed at the top."),
        QStringLiteral("DIR"));
    parser.addOptions({help, truthOption, csvOption, plotOption, sourceCsvOption, jsonOption,
                       trialsOption, modelsOption, rScriptOption, rTimeoutOption, htmlOption,
                       treeOption, studyOption});
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(QCoreApplication::arguments())) {
        err() << "wallmatch-report: " << parser.errorText() << '\n';
        return ExitUsage;
    }
    if (parser.isSet(help)) {
        out() << parser.helpText();
        return 0;
    }
    if (parser.isSet(version))
        parser.showVersion();
    // A shell pattern hands over a participant's other files too: they are no participants.
    QStringList resultsNames;
    QStringList leftOut;
    for (const QString &name : parser.positionalArguments())
        (isPracticeEventsOrSessionFile(name) ? leftOut : resultsNames) << name;
    std::optional<StudyCheck> study;
    if (parser.isSet(studyOption)) {
        study = checkStudyFolder(parser.value(studyOption));
        for (const QString &problem : study->problems)
            err() << problem << '\n';
        if (!study->problems.isEmpty())
            return ExitFailure;
        for (const QString &name : study->resultsFiles)
            if (!resultsNames.contains(name))
                resultsNames << name;
    }
    if (resultsNames.isEmpty()) {
        err() << "wallmatch-report: no results file given (see --help)\n";
        return ExitUsage;
    }
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
            inputs.append(eventsFileBeside(name));
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

    int complaints = 0;
    std::optional<TruthFile> truth;
    if (!truthName.isEmpty()) {
        truth = readTruthFile(truthName);
        for (const QString &problem : truth->problems)
            err() << problem << '\n';
        complaints += int(truth->problems.size());
        if (truth->isEmpty()) {
            err() << "wallmatch-report: no usable truth\n";
            return ExitFailure;
        }
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
    if (parser.isSet(trialsOption) || parser.isSet(rScriptOption)) {
        for (const ResultsFile &f : files) {
            QVector<Problem> problems;
            logs.append(readSessionEventsBeside(f.name, problems));
            complaints += printProblems(problems);
        }
    }
    const QVector<Trial> trials = trialsOf(files, truthTable, logs);
    const QStringList sources = sourcesOf(files);

    if (study)
        out() << studyCheckText(*study);
    if (!leftOut.isEmpty())
        out() << "note: left out, not results files: " << leftOut.join(QStringLiteral(", "))
              << '\n';
    if (truth && !truth->perSource && !truth->isEmpty())
        out() << "note: " << truth->file
              << " has no source column; every source is assumed to number walls alike\n";
    for (const QString &note : qAsConst(sessionNotes))
        out() << note << '\n';
    out() << summaryText(files, truthTable) << bySourceText(files, truthTable);
    bool written = true;
    std::optional<MixedModels> models;
    // Progress where someone watches: R takes seconds, the pictures of a large study longer.
    const bool terminal = isatty(fileno(stderr));
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
    out().flush();

    if (parser.isSet(csvOption)) {
        QVector<Problem> problems;
        written = writeFileOrComplain(parser.value(csvOption),
                                      answersCsv(files, truthTable).toUtf8(), problems)
            && written;
        printProblems(problems);
    }
    if (parser.isSet(sourceCsvOption)) {
        QVector<Problem> problems;
        written = writeFileOrComplain(parser.value(sourceCsvOption),
                                      bySourceCsv(files, truthTable).toUtf8(), problems)
            && written;
        printProblems(problems);
    }
    if (parser.isSet(jsonOption)) {
        QVector<Problem> problems;
        QByteArray json = reportJson(files, truthTable);
        if (models)
            json = withModels(json, *models);
        if (study)
            json = withStudyCheck(json, *study);
        written = writeFileOrComplain(parser.value(jsonOption), json, problems) && written;
        printProblems(problems);
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
    if (parser.isSet(trialsOption)) {
        QVector<Problem> problems;
        written =
            writeFileOrComplain(parser.value(trialsOption), trialsCsv(trials).toUtf8(), problems)
            && written;
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
