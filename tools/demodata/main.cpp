#include "cli.h"
#include "demoset.h"
#include "fileplatform.h"
#include "sources.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cstdio>
#include <memory>

namespace {

// Redraws one line on a terminal: "[#####.....] 42/100".
void showProgress(int done, int total)
{
    constexpr int barWidth = 40;
    const int filled = total > 0 ? done * barWidth / total : barWidth;
    std::fprintf(stderr, "\r[%s%s] %d/%d", QByteArray(filled, '#').constData(),
                 QByteArray(barWidth - filled, '.').constData(), done, total);
    if (done == total)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    const std::unique_ptr<QCoreApplication> app =
        wallmatch::makeToolApplication(argc, argv, QStringLiteral("wallmatch-demo-data"), false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a sample tree for wallmatch: OUT_DIR/test_datasets/1 ... N/{pri_pano,sec_pano}/ "
        "with color.jpg, pred_corner.txt (Kestrel) and pred_corner_Bramble.txt (Bramble), and "
        "the ground truth OUT_DIR/test_datasets/truth.csv (sample, source, primary wall, secondary "
        "wall). With --sources, every other source N gets pred_corner_N.txt, and every source but "
        "Kestrel starts its corner rings at another corner, numbering walls its own way, with its "
        "own truth rows."));
    parser.addPositionalArgument("OUT_DIR", "Folder to write test_datasets into.");
    const QCommandLineOption samplesOption(
        "samples",
        QStringLiteral("Number of samples (default %1).").arg(wallmatch::plainRunSamples), "N",
        QString::number(wallmatch::plainRunSamples));
    const QCommandLineOption seedOption(
        "seed", "Random seed (default 1); the same seed gives the same files.", "S", "1");
    const QCommandLineOption forceOption(
        "force", "Replace a non-empty OUT_DIR/test_datasets (its whole content is deleted first).");
    const QCommandLineOption sourcesOption("sources",
                                           "Sources to write, comma-separated, Kestrel and Bramble "
                                           "among them (default Kestrel,Bramble, "
                                           "Bramble then numbering walls as Kestrel does).",
                                           "LIST");
    parser.addOptions({samplesOption, seedOption, forceOption, sourcesOption});
    const QStringList args = QCoreApplication::arguments();
    if (const std::optional<int> done = wallmatch::parseCommandLine(parser, args, true))
        return *done;

    const QString program = QCoreApplication::applicationName();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        wallmatch::usageError(program, QStringLiteral("expected one OUT_DIR"));
        wallmatch::err() << '\n' << parser.helpText();
        return wallmatch::ExitUsage;
    }
    bool samplesOk = false;
    bool seedOk = false;
    wallmatch::DemoSetOptions options;
    options.outDir = positional.front();
    options.samples = parser.value(samplesOption).toInt(&samplesOk);
    options.seed = parser.value(seedOption).toULongLong(&seedOk);
    options.force = parser.isSet(forceOption);
    if (!samplesOk || options.samples < 1 || options.samples > wallmatch::maxDemoSamples || !seedOk)
        return wallmatch::usageError(
            program,
            QStringLiteral("--samples needs a whole number from 1 to %1 and --seed a "
                           "non-negative one")
                .arg(wallmatch::maxDemoSamples));

    if (parser.isSet(sourcesOption)) {
        QString problem;
        const std::optional<QStringList> sources =
            wallmatch::parseSourceList(parser.value(sourcesOption), &problem);
        if (sources)
            problem = wallmatch::demoSourcesProblem(*sources);
        if (!problem.isEmpty())
            return wallmatch::usageError(program, QStringLiteral("--sources: ") + problem);
        options.sources = *sources;
    }

    QElapsedTimer clock;
    clock.start();
    const bool terminal = wallmatch::platform::stderrIsTerminal();
    const QString error =
        wallmatch::writeDemoSet(options, terminal ? showProgress : std::function<void(int, int)>());
    if (!error.isEmpty()) {
        wallmatch::err() << program << ": " << error << '\n';
        return wallmatch::ExitFailure;
    }
    wallmatch::out() << QString::asprintf("Wrote %d samples (seed %llu) to ", options.samples,
                                          static_cast<unsigned long long>(options.seed))
                     << QDir::toNativeSeparators(wallmatch::sampleTreePath(options.outDir))
                     << QString::asprintf(" in %.1f s\n", double(clock.elapsed()) / 1000.0);
    return wallmatch::ExitSuccess;
}
