#include "bysource.h"
#include "cli.h"
#include "reporttext.h"
#include "resultsfile.h"
#include "sourcechart.h"
#include "timechart.h"
#include "truthfile.h"

#include <QApplication>
#include <QCommandLineParser>

#include <memory>
#include <optional>

using namespace wallmatch;

int main(int argc, char *argv[])
{
    // Only the chart needs a GUI application; it is drawn into an image and no window is ever
    // shown, so the offscreen platform does when nothing else is asked for.
    bool plotting = false;
    for (int i = 1; i < argc; ++i)
        plotting = plotting || qstrncmp(argv[i], "--plot", 6) == 0;
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
        "run, not those past its end. When the answers show more than one corner source, the "
        "report compares them: per source, per participant (the ID of results_ID.txt) and "
        "paired over participants, with exact sign and Wilcoxon signed-rank tests. Every line "
        "that is not a result line is reported with its line number, and the exit status is "
        "then 1."));
    parser.addPositionalArgument(QStringLiteral("results.txt"),
                                 QStringLiteral("Results files (one per subject)."),
                                 QStringLiteral("results.txt [more results files]"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption truthOption(QStringLiteral("truth"),
                                         QStringLiteral("Matching walls: CSV with a header line, "
                                                        "then \"sample,primary wall,secondary "
                                                        "wall\" rows."),
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
    parser.addOptions({help, truthOption, csvOption, plotOption, sourceCsvOption});
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
    if (parser.positionalArguments().isEmpty()) {
        err() << "wallmatch-report: no results file given (see --help)\n";
        return ExitUsage;
    }

    int complaints = 0;
    std::optional<TruthFile> truth;
    if (parser.isSet(truthOption)) {
        truth = readTruthFile(parser.value(truthOption));
        for (const QString &problem : truth->problems)
            err() << problem << '\n';
        complaints += int(truth->problems.size());
        if (truth->isEmpty()) {
            err() << "wallmatch-report: no usable truth\n";
            return ExitFailure;
        }
    }
    QVector<ResultsFile> files;
    for (const QString &name : parser.positionalArguments()) {
        files.append(readResultsFile(name));
        if (files.last().unreadable)
            complaints += printProblems({*files.last().unreadable});
        complaints += printProblems(files.last().complaints);
    }
    if (truth)
        complaints += printProblems(missingTruthRows(files, *truth));

    const TruthFile *truthTable = truth ? &*truth : nullptr;
    out() << summaryText(files, truthTable) << bySourceText(files, truthTable);
    out().flush();

    bool written = true;
    if (parser.isSet(csvOption)) {
        QVector<Problem> problems;
        written = writeFileOrComplain(parser.value(csvOption),
                                      answersCsv(files, truthTable).toUtf8(), problems);
        printProblems(problems);
    }
    if (parser.isSet(sourceCsvOption)) {
        QVector<Problem> problems;
        written = writeFileOrComplain(parser.value(sourceCsvOption),
                                      bySourceCsv(files, truthTable).toUtf8(), problems)
            && written;
        printProblems(problems);
    }
    if (parser.isSet(plotOption)) {
        QImage chart = renderTimeChart(files, truthTable);
        if (sourcesOf(files).size() > 1)
            chart = withSourceChart(chart, files);
        if (!chart.save(parser.value(plotOption), "PNG")) {
            err() << parser.value(plotOption) << ": cannot write the chart\n";
            written = false;
        }
    }
    if (complaints > 0)
        err() << "wallmatch-report: " << complaints << " problems reported above\n";
    return written && complaints == 0 ? 0 : ExitFailure;
}
