#include "assembler.h"
#include "cli.h"
#include "cornerinput.h"
#include "datedname.h"
#include "layouttruth.h"
#include "narrowwallnotes.h"
#include "plan.h"
#include "posetruth.h"
#include "previewtree.h"
#include "samplefolder.h"
#include "sources.h"
#include "studyfile.h"
#include "studyplanner.h"
#include "truthfile.h"
#include "zindimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <utility>

using namespace wallmatch;

namespace {

const char overview[] =
    "Usage: wallmatch-prep convert INPUT [--width W --height H] [-o pred_corner.txt]\n"
    "       wallmatch-prep assemble PLAN.csv OUT_DIR [--force]\n"
    "       wallmatch-prep plan --participants N --samples 1-100 [--sources Kestrel,Bramble]\n"
    "                           --seed S [--order shuffled|fixed] [--within [--gap N]]\n"
    "                           [--practice N --practice-samples LIST] [--force] OUT_DIR\n"
    "       wallmatch-prep zind TOUR_DIR OUT_DIR [--source NAME=DIR]... [--annotated-as NAME]\n"
    "                           [--layout raw|complete|visible] [--force]\n"
    "       wallmatch-prep truth TREE [POSES.csv] [--reference NAME]\n"
    "       wallmatch-prep preview TREE OUT_DIR [--sample N] [--source NAME]\n"
    "       wallmatch-prep study init DIR --title TITLE [--sources NAMES] [--practice N] ...\n"
    "\n"
    "Prepares sample trees for wallmatch.\n"
    "\n"
    "  convert   turns room-layout corners into a corner file of the viewer (u v x y z a line,\n"
    "            ceiling ring then floor ring). Reads a JSON \"uv\" list, \"x y\" pixel pairs\n"
    "            with ceiling and floor alternating, \"u v\" pixel pairs as two rings, or an\n"
    "            existing corner file; the format is detected from the content.\n"
    "  assemble  builds OUT_DIR/test_datasets/N/{pri_pano,sec_pano}/ from a CSV plan.\n"
    "  plan      writes a study plan per participant (OUT_DIR/P01.csv, ...): sample order\n"
    "            and the corner source of each case, counterbalanced across participants.\n"
    "  zind      builds a sample tree from a ZInD tour: every pair of panoramas of one room,\n"
    "            the annotated layout and estimators' predictions, and truth.csv from the\n"
    "            panoramas' poses.\n"
    "  truth     writes truth.csv of a sample tree from the cameras' poses (POSES.csv), or\n"
    "            through a reference source's walls (--reference NAME).\n"
    "  preview   draws each sample with its walls numbered (and coloured by truth.csv).\n"
    "  study     writes a study folder's study.json: title, sources, plans, practice,\n"
    "            instructions, truth, breaks, full screen, pause on focus loss.\n"
    "\n"
    "'wallmatch-prep COMMAND --help' describes a command's options; 'wallmatch-prep --version'\n"
    "prints the version.\n";

// The end of assemble and zind: what was written, or what was wrong and how far it got.
int finishAssembly(AssembleResult result, const QString &outDir)
{
    // Narrow walls are said for what was written, whether or not all of it was.
    if (result.samplesWritten > 0)
        result.notes += narrowWallNotes(outDir);
    if (!printFindings(result,
                       result.samplesWritten > 0
                           ? QStringLiteral("only the first %1 samples were written")
                                 .arg(result.samplesWritten)
                           : QStringLiteral("nothing was written")))
        return ExitFailure;
    for (const QString &line : result.summary)
        out() << line << '\n';
    for (const QString &line : result.warnings)
        err() << "warning: " << line << '\n';
    return ExitSuccess;
}

int convertCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts room corners into a corner file of the viewer: five numbers a line (pixel "
        "u, pixel v, direction x, y, z from azimuth = u / W * 2pi, polar = v / H * pi), "
        "ceiling ring then floor ring.\n\nInputs, detected from the content:\n"
        "  JSON with \"uv\": [[u, v], ...] normalised to 0..1, ceiling and floor interleaved\n"
        "  \"x y\" pixel pairs, ceiling and floor alternating per corner\n"
        "  \"u v\" pixel pairs, ceiling ring then floor ring\n"
        "  an existing corner file (its directions are derived again from u and v)\n"
        "  PanoAnnotator-style JSON (LGT-Net, DOPNet, LED2-Net): \"layoutPoints\" in metres,\n"
        "    ring order from \"layoutWalls\"\n"
        "  AtlantaNet's JSON (\"uv\" with z1 = -170): sorted by column, ring order restored"));
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("Corners to convert."));
    const QCommandLineOption width(QStringLiteral("width"),
                                   QStringLiteral("Image width in pixels (default 1024)."),
                                   QStringLiteral("W"), QStringLiteral("1024"));
    const QCommandLineOption height(QStringLiteral("height"),
                                    QStringLiteral("Image height in pixels (default 512)."),
                                    QStringLiteral("H"), QStringLiteral("512"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Corner file to write (default: standard "
                                                   "output)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Input format: auto, json, interleaved, "
                                                   "rings, corners, panoannotator or atlanta "
                                                   "(default auto)."),
                                    QStringLiteral("FORMAT"), QStringLiteral("auto"));
    const QCommandLineOption tolerance(QStringLiteral("u-tolerance"),
                                       QStringLiteral("Pixels a ceiling corner's u may differ "
                                                      "from its floor corner's (default 3)."),
                                       QStringLiteral("PX"), QStringLiteral("3"));
    parser.addOptions({width, height, output, format, tolerance});
    if (const std::optional<int> done = parseCommandLine(parser, args))
        return *done;

    if (parser.positionalArguments().size() != 1)
        return usageError(args.value(0), QStringLiteral("expected one INPUT file"));
    bool wOk = false, hOk = false, tOk = false;
    const int w = parser.value(width).toInt(&wOk);
    const int h = parser.value(height).toInt(&hOk);
    const double tol = parser.value(tolerance).toDouble(&tOk);
    const std::optional<CornerFormat> fmt = formatFromName(parser.value(format));
    if (!wOk || !hOk || w <= 0 || h <= 0)
        return usageError(args.value(0),
                          QStringLiteral("--width and --height must be positive whole numbers"));
    if (!tOk || tol < 0)
        return usageError(args.value(0),
                          QStringLiteral("--u-tolerance must be a number of pixels"));
    if (!fmt)
        return usageError(args.value(0),
                          QStringLiteral("unknown --format \"%1\"").arg(parser.value(format)));

    const QString input = parser.positionalArguments().first();
    if (parser.isSet(output)) {
        QVector<Problem> problems;
        if (!outputsApart({parser.value(output)}, {input}, problems)) {
            printProblems(problems);
            return ExitUsage;
        }
    }
    const CornerInput corners = readCornerInput(input, {QSizeF(w, h), *fmt, tol});
    if (!printFindings(corners))
        return ExitFailure;
    const QString text = cornerFileText(corners.rings);
    if (parser.isSet(output)) {
        if (!writeOutputFile(parser.value(output), text.toUtf8()))
            return ExitFailure;
    } else {
        out() << text;
        out().flush();
    }
    err() << input << ": " << corners.rings.count() << " room corners read as "
          << formatDescription(corners.format) << '\n';
    return 0;
}

int assembleCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Builds the sample tree OUT_DIR/test_datasets/N/{pri_pano,sec_pano}/ (color.jpg, "
        "pred_corner.txt, pred_corner_Bramble.txt) from a CSV plan with the columns\n"
        "  sample,primary image,primary Kestrel,primary Bramble,secondary image,"
        "secondary Kestrel,secondary Bramble\n"
        "Paths are relative to the plan's folder; an empty Bramble field (or \"-\") leaves "
        "that file out. Corner files may be in any format 'convert' reads, in pixels of their "
        "image. Images of another 2:1 size are resampled to 1024 x 512 and their corners "
        "scaled; other images are refused. Samples must run 1..N without gaps."));
    parser.addPositionalArgument(QStringLiteral("PLAN.csv"), QStringLiteral("The plan."));
    parser.addPositionalArgument(QStringLiteral("OUT_DIR"),
                                 QStringLiteral("Where test_datasets/ is created."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace sample folders that already exist."));
    const QCommandLineOption tolerance(QStringLiteral("u-tolerance"),
                                       QStringLiteral("Pixels (of a 1024-wide image) a ceiling "
                                                      "corner's u may differ from its floor "
                                                      "corner's (default 3)."),
                                       QStringLiteral("PX"), QStringLiteral("3"));
    parser.addOptions({force, tolerance});
    if (const std::optional<int> done = parseCommandLine(parser, args))
        return *done;
    if (parser.positionalArguments().size() != 2)
        return usageError(args.value(0), QStringLiteral("expected PLAN.csv and OUT_DIR"));
    bool tOk = false;
    const double tol = parser.value(tolerance).toDouble(&tOk);
    if (!tOk || tol < 0)
        return usageError(args.value(0),
                          QStringLiteral("--u-tolerance must be a number of pixels"));

    const Plan plan = readPlan(parser.positionalArguments().at(0));
    AssembleOptions options;
    options.force = parser.isSet(force);
    options.uTolerance = tol;
    const AssembleResult result =
        assembleSamples(plan, parser.positionalArguments().at(1), options);
    return finishAssembly(result, parser.positionalArguments().at(1));
}

int planCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes one study plan per participant, OUT_DIR/P01.csv, P02.csv, ... (CSV with the "
        "header \"sample,source\", one row per case in the order shown), for wallmatch --plan.\n"
        "Each participant sees every sample once, and each source for an equal share of the "
        "samples (within one); across participants every sample is shown with each source "
        "equally often (within one). Orders are shuffled per participant, differently for "
        "each, and the same again for the same seed."));
    parser.addPositionalArgument(QStringLiteral("OUT_DIR"),
                                 QStringLiteral("Where the plans are written (created if "
                                                "missing)."));
    const QCommandLineOption participants(QStringLiteral("participants"),
                                          QStringLiteral("Number of participants."),
                                          QStringLiteral("N"));
    const QCommandLineOption samples(QStringLiteral("samples"),
                                     QStringLiteral("Samples to show: a range like 1-100, "
                                                    "numbers, or both (1-10,15)."),
                                     QStringLiteral("LIST"));
    const QCommandLineOption sources(QStringLiteral("sources"),
                                     QStringLiteral("Corner sources to compare, or one source "
                                                    "(default Kestrel,Bramble)."),
                                     QStringLiteral("NAMES"), QStringLiteral("Kestrel,Bramble"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the shuffles and of the sources' "
                                                 "assignment: a whole number from 0; needed "
                                                 "unless --order fixed (default 0 then)."),
                                  QStringLiteral("S"));
    const QCommandLineOption order(QStringLiteral("order"),
                                   QStringLiteral("shuffled (default) or fixed: the samples in "
                                                  "the order given, for every participant."),
                                   QStringLiteral("ORDER"), QStringLiteral("shuffled"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace plans that already exist."));
    const QCommandLineOption within(QStringLiteral("within"),
                                    QStringLiteral("Show every sample with every source (k cases "
                                                   "per sample), a sample's cases spread apart."));
    const QCommandLineOption gap(QStringLiteral("gap"),
                                 QStringLiteral("With --within: at least this many cases between "
                                                "a sample's cases where the count allows "
                                                "(default 3)."),
                                 QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption practice(QStringLiteral("practice"),
                                      QStringLiteral("Put N practice cases first (phase "
                                                     "practice), from --practice-samples."),
                                      QStringLiteral("N"));
    const QCommandLineOption practiceSamples(
        QStringLiteral("practice-samples"),
        QStringLiteral("Samples for practice, kept out of the test cases (as --samples)."),
        QStringLiteral("LIST"));
    parser.addOptions({participants, samples, sources, seed, order, force, within, gap, practice,
                       practiceSamples});
    if (const std::optional<int> done = parseCommandLine(parser, args))
        return *done;

    auto usage = [&args](const QString &message) { return usageError(args.value(0), message); };
    if (parser.positionalArguments().size() != 1)
        return usage(QStringLiteral("expected one OUT_DIR"));
    StudyDesign design;
    bool ok = false;
    design.participants = parser.value(participants).toInt(&ok);
    if (!parser.isSet(participants) || !ok || design.participants < 1
        || design.participants > maxParticipants)
        return usage(QStringLiteral("--participants must be a whole number from 1 to %1")
                         .arg(maxParticipants));
    if (!parser.isSet(samples))
        return usage(QStringLiteral("--samples is needed, e.g. --samples 1-100"));
    QString error;
    const std::optional<QVector<int>> sampleList = parseSampleList(parser.value(samples), &error);
    if (!sampleList)
        return usage(QStringLiteral("--samples: ") + error);
    design.samples = *sampleList;
    // Every case of every plan is held and written: bounded before anything is made.
    if (qint64(design.participants) * design.samples.size() > maxPlannedCases)
        return usage(QStringLiteral("%1 participants of %2 samples are %3 cases; at most %4 are "
                                    "planned at once")
                         .arg(design.participants)
                         .arg(design.samples.size())
                         .arg(qint64(design.participants) * design.samples.size())
                         .arg(maxPlannedCases));
    const std::optional<QStringList> sourceList = parseSourceList(parser.value(sources), &error);
    if (!sourceList)
        return usage(QStringLiteral("--sources: ") + error);
    design.sources = *sourceList;
    const QString orderName = parser.value(order);
    if (orderName != QLatin1String("shuffled") && orderName != QLatin1String("fixed"))
        return usage(
            QStringLiteral("--order must be shuffled or fixed, not \"%1\"").arg(orderName));
    design.shuffled = orderName == QLatin1String("shuffled");
    design.within = parser.isSet(within);
    const int gapCases = parser.value(gap).toInt(&ok);
    if (!ok || gapCases < 0)
        return usage(QStringLiteral("--gap must be a whole number from 0"));
    if (parser.isSet(gap) && !design.within)
        return usage(QStringLiteral("--gap goes with --within"));
    // The rounds put a sample's cases exactly n apart, the most n samples allow.
    if (design.within && design.samples.size() < gapCases)
        err() << "wallmatch-prep: " << design.samples.size()
              << " samples: a sample's cases are that many apart, fewer than --gap " << gapCases
              << '\n';
    design.gap = gapCases;
    if (parser.isSet(practice) != parser.isSet(practiceSamples))
        return usage(QStringLiteral("--practice and --practice-samples go together"));
    if (parser.isSet(practice)) {
        const std::optional<QVector<int>> practiceList =
            parseSampleList(parser.value(practiceSamples), &error);
        if (!practiceList)
            return usage(QStringLiteral("--practice-samples: ") + error);
        design.practiceSamples = *practiceList;
        design.practice = parser.value(practice).toInt(&ok);
        if (!ok || design.practice < 1 || design.practice > design.practiceSamples.size())
            return usage(QStringLiteral("--practice must be a whole number from 1 to the %1 "
                                        "practice samples")
                             .arg(design.practiceSamples.size()));
        for (const int sample : qAsConst(design.practiceSamples))
            if (design.samples.contains(sample))
                return usage(
                    QStringLiteral("sample %1 is both a practice and a test sample").arg(sample));
    }
    if (parser.isSet(seed)) {
        design.seed = parser.value(seed).toULongLong(&ok);
        if (!ok)
            return usage(QStringLiteral("--seed must be a whole number from 0"));
    } else if (design.shuffled) {
        return usage(QStringLiteral("--seed is needed for shuffled orders, so that the plans "
                                    "can be made again"));
    }

    const QString outDir = parser.positionalArguments().first();
    const QVector<QVector<PlanCase>> plans = makeStudyPlans(design);
    const QVector<Problem> problems = writeStudyPlans(plans, outDir, parser.isSet(force));
    if (!problems.isEmpty()) {
        printProblems(problems, QString());
        return ExitFailure;
    }
    out() << "wrote " << plans.size() << " plans of " << plans.first().size() << " cases ("
          << design.sources.join(QLatin1String(", ")) << ", "
          << (design.shuffled ? QStringLiteral("shuffled with seed %1").arg(design.seed)
                              : QStringLiteral("fixed order"))
          << "): " << QDir(outDir).filePath(participantId(1, int(plans.size())) + ".csv");
    if (plans.size() > 1)
        out() << " to " << participantId(int(plans.size()), int(plans.size())) << ".csv";
    out() << '\n';
    for (const QString &stray : strayPlans(outDir, int(plans.size())))
        err() << "note: " << stray << " is not one of these plans (left from an earlier run?)\n";
    return 0;
}

// The options that decide when two walls are one, shared by zind and truth.
struct CriteriaOptions
{
    QCommandLineOption angle {QStringLiteral("max-angle"),
                              QStringLiteral("Degrees the two walls' directions may differ "
                                             "(default 10)."),
                              QStringLiteral("DEG"), QStringLiteral("10")};
    QCommandLineOption distance {QStringLiteral("max-distance"),
                                 QStringLiteral("Camera heights the secondary wall's ends may "
                                                "lie from the primary wall's line (default "
                                                "0.15)."),
                                 QStringLiteral("H"), QStringLiteral("0.15")};
    QCommandLineOption overlap {QStringLiteral("min-overlap"),
                                QStringLiteral("Share of the shorter wall the two must overlap "
                                               "along the primary wall (default 0.5)."),
                                QStringLiteral("SHARE"), QStringLiteral("0.5")};
    QCommandLineOption pixels {QStringLiteral("pixel-tolerance"),
                               QStringLiteral("Pixels (of a 1024 x 512 image) a floor line may be "
                                              "off: the limits grow with the distance from the "
                                              "cameras, --max-distance by P * pi / 512 * (2 + "
                                              "d1^2 + d2^2) camera heights, d1 and d2 the "
                                              "distances from the two cameras (default 4)."),
                               QStringLiteral("P"), QStringLiteral("4")};

    void add(QCommandLineParser &parser) const
    {
        parser.addOptions({angle, distance, overlap, pixels});
    }

    std::optional<MatchCriteria> read(const QCommandLineParser &parser,
                                      const QString &command) const
    {
        MatchCriteria c;
        bool a = false, d = false, o = false, p = false;
        c.pixelTolerance = parser.value(pixels).toDouble(&p);
        c.maxAngleDegrees = parser.value(angle).toDouble(&a);
        c.maxDistance = parser.value(distance).toDouble(&d);
        c.minOverlap = parser.value(overlap).toDouble(&o);
        if (!a || !d || !o || !p || !(c.pixelTolerance >= 0 && c.pixelTolerance <= 64)
            || c.maxAngleDegrees < 0 || c.maxAngleDegrees > 90 || c.maxDistance < 0
            || c.minOverlap < 0 || c.minOverlap > 1) {
            usageError(command,
                       QStringLiteral("--max-angle takes 0 to 90 degrees, --max-distance "
                                      "a number from 0, --min-overlap 0 to 1, "
                                      "--pixel-tolerance 0 to 64"));
            return std::nullopt;
        }
        return c;
    }
};

int zindCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Builds OUT_DIR/test_datasets from one tour of the Zillow Indoor Dataset (TOUR_DIR with "
        "zind_data.json and panos/). Every pair of panoramas in one partial room becomes a "
        "sample, numbered by floor, complete room, partial room and pano numbers; the "
        "lower-numbered pano is the primary view. Images are resampled to 1024 x 512. The "
        "annotated layout becomes the corner file of --annotated-as; each --source NAME=DIR "
        "adds an estimator's predictions (DIR/STEM.json, .txt or .layout.txt per panorama, in "
        "any format 'convert' reads, pixels of a 1024 x 512 image). test_datasets/samples.csv "
        "names each sample's images; test_datasets/truth.csv gives, per sample, source and "
        "primary wall, the secondary walls that show the same wall (-1: none). The annotated "
        "layout's rows come from the poses; each estimator's through the annotated walls: in "
        "each panorama an estimator wall matches the annotated walls with which it shares at "
        "least half of the narrower one's azimuths, and two estimator walls are a pair when "
        "they match annotated walls that are a pair. Rows resting on a merged or split wall or "
        "a match near a limit are marked uncertain (fifth column \"certain\", 0). Per source, "
        "the walls with and without a counterpart are printed, with a warning where a source "
        "has over 10 points more -1 than the annotated layout."));
    parser.addPositionalArgument(QStringLiteral("TOUR_DIR"), QStringLiteral("The tour."));
    parser.addPositionalArgument(QStringLiteral("OUT_DIR"),
                                 QStringLiteral("Where test_datasets/ is created."));
    const QCommandLineOption source(QStringLiteral("source"),
                                    QStringLiteral("An estimator's predictions: NAME=DIR "
                                                   "(repeatable)."),
                                    QStringLiteral("NAME=DIR"));
    const QCommandLineOption annotatedAs(QStringLiteral("annotated-as"),
                                         QStringLiteral("Source name of the annotated layout "
                                                        "(default Kestrel)."),
                                         QStringLiteral("NAME"), QStringLiteral("Kestrel"));
    const QCommandLineOption layout(QStringLiteral("layout"),
                                    QStringLiteral("Annotated layout to use: raw, complete or "
                                                   "visible (default raw)."),
                                    QStringLiteral("KIND"), QStringLiteral("raw"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace an existing test_datasets as a "
                                                  "whole."));
    parser.addOptions({source, annotatedAs, layout, force});
    const CriteriaOptions criteria;
    criteria.add(parser);
    if (const std::optional<int> done = parseCommandLine(parser, args))
        return *done;
    if (parser.positionalArguments().size() != 2)
        return usageError(args.value(0), QStringLiteral("expected TOUR_DIR and OUT_DIR"));
    ZindImportOptions options;
    options.annotatedAs = parser.value(annotatedAs);
    const QString kind = parser.value(layout);
    if (kind == QLatin1String("raw"))
        options.layout = ZindLayout::Raw;
    else if (kind == QLatin1String("complete"))
        options.layout = ZindLayout::Complete;
    else if (kind == QLatin1String("visible"))
        options.layout = ZindLayout::Visible;
    else
        return usageError(args.value(0),
                          QStringLiteral("--layout must be raw, complete or visible"));
    for (const QString &text : parser.values(source)) {
        QString problem;
        const auto dir = parseSourceDir(text, &problem);
        if (!dir)
            return usageError(args.value(0), problem);
        options.sources.append(*dir);
    }
    const auto c = criteria.read(parser, args.value(0));
    if (!c)
        return ExitUsage;
    options.criteria = *c;
    options.force = parser.isSet(force);
    options.progress = printProgress;
    const AssembleResult result = importZindTour(parser.positionalArguments().at(0),
                                                 parser.positionalArguments().at(1), options);
    return finishAssembly(result, parser.positionalArguments().at(1));
}

int truthCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes TREE/test_datasets/truth.csv from the cameras' poses, for every sample in "
        "POSES.csv and every source whose corner files the sample has. POSES.csv has the "
        "header \"sample,view,x,y,yaw degrees\" (view primary or secondary), in camera heights "
        "and in the corner files' axes: a point (x_c, y_c) on the floor around the camera lies "
        "at X = cos(yaw) x_c - sin(yaw) y_c + x, Y = sin(yaw) x_c + cos(yaw) y_c + y. A "
        "secondary wall shows a primary wall when the two run within --max-angle, its ends lie "
        "within --max-distance of the primary wall's line and they overlap by --min-overlap of "
        "the shorter wall; a primary wall that no wall matches gets -1. The two limits grow "
        "with the distance from the cameras (--pixel-tolerance), and either ring may run "
        "either way round.\n\n"
        "With --reference NAME, every other source's rows come through NAME's walls: in each "
        "panorama a wall matches the reference walls with which it shares at least half of the "
        "narrower one's azimuths, and two walls are a pair when they match reference walls that "
        "are a pair in NAME's rows (from POSES.csv if given, else from the existing truth.csv). "
        "Rows resting on a merged or split wall or on a match near a limit are marked "
        "uncertain (fifth column \"certain\", 0).\n\n"
        "Rows of samples and sources not recomputed are kept; the old truth.csv is kept as "
        "truth-YYYYMMDD-HHMMSS.csv."));
    parser.addPositionalArgument(QStringLiteral("TREE"),
                                 QStringLiteral("The folder holding test_datasets/."));
    parser.addPositionalArgument(QStringLiteral("POSES.csv"),
                                 QStringLiteral("The poses (may be left out with --reference)."));
    const QCommandLineOption reference(QStringLiteral("reference"),
                                       QStringLiteral("The annotated source whose pairs the "
                                                      "other sources' rows come through."),
                                       QStringLiteral("NAME"));
    parser.addOption(reference);
    const CriteriaOptions criteria;
    criteria.add(parser);
    if (const std::optional<int> done = parseCommandLine(parser, args))
        return *done;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2 && !(positional.size() == 1 && parser.isSet(reference)))
        return usageError(args.value(0),
                          QStringLiteral("expected TREE and POSES.csv (or TREE --reference NAME)"));
    const QString referenceName = parser.value(reference);
    if (parser.isSet(reference) && !isSourceName(referenceName))
        return usageError(args.value(0),
                          QStringLiteral("--reference: %1").arg(sourceNameProblem(referenceName)));
    const auto c = criteria.read(parser, args.value(0));
    if (!c)
        return ExitUsage;
    const QString root = sampleTreeRoot(positional.at(0));
    const QString target = QDir(root).filePath(QStringLiteral("truth.csv"));
    QVector<Problem> problems;
    TruthFile old;
    if (QFileInfo::exists(target)) {
        old = readTruthFile(target);
        if (!old.problems.isEmpty()) {
            for (const QString &p : old.problems)
                err() << p << '\n';
            err() << "truth.csv was not written: mend or move the old truth.csv first\n";
            return ExitFailure;
        }
    }
    PoseTruthResult result;
    if (positional.size() == 2) {
        const QString posesFile = positional.at(1);
        const std::optional<QByteArray> content = readFileOrComplain(posesFile, problems);
        if (!content) {
            printProblems(problems);
            return ExitFailure;
        }
        const SamplePoses poses = parsePoses(posesFile, *content);
        if (!poses.errors.isEmpty()) {
            printProblems(poses.errors);
            return ExitFailure;
        }
        result = truthFromSamplePoses(root, poses, *c);
    }
    if (parser.isSet(reference) && result.errors.isEmpty()) {
        QVector<TruthRow> referenceRows = positional.size() == 2 ? result.rows : old.rows;
        if (!old.perSource)
            for (TruthRow &row : referenceRows)
                row.source = row.source.isEmpty() ? referenceName : row.source;
        PoseTruthResult through = truthFromReferenceRows(root, referenceName, referenceRows);
        through.notes = result.notes + through.notes;
        result = through;
    }
    if (!printFindings(result, QStringLiteral("truth.csv was not written")))
        return ExitFailure;
    const QVector<TruthRow> rows = mergedTruth(old.rows, result.rows, [&](int sample) {
        return sourcesInFolder(sampleViewFolder(root, sample, 0));
    });
    if (QFileInfo::exists(target)) {
        // The old truth is kept beside, under a name no earlier copy has.
        const QDateTime now = QDateTime::currentDateTime();
        QString kept;
        for (int n = 1; n < 1000 && (kept.isEmpty() || QFileInfo::exists(kept)); ++n)
            kept = QDir(root).filePath(datedFileName(QStringLiteral("truth.csv"), now, n));
        if (QFileInfo::exists(kept) || !QFile::copy(target, kept)) {
            err() << "wallmatch-prep truth: cannot keep the old truth.csv as " << kept
                  << "; truth.csv was not written\n";
            return ExitFailure;
        }
        out() << "kept the old truth.csv as " << kept << '\n';
    }
    if (!writeOutputFile(target, truthFileCsv(rows)))
        return ExitFailure;
    int unmatched = 0;
    for (const TruthRow &row : result.rows)
        unmatched += row.secondaryWall < 0 ? 1 : 0;
    QSet<int> samples;
    for (const TruthRow &row : result.rows)
        samples.insert(row.sample);
    out() << "wrote " << target << ": " << result.rows.size() << " new rows for " << samples.size()
          << " samples (" << result.sources.join(QStringLiteral(", ")) << "), " << unmatched
          << " walls without a counterpart; " << rows.size() - result.rows.size() << " rows kept\n";
    QStringList warnings;
    for (const QString &line : truthQualityLines(truthQuality(rows), referenceName, &warnings))
        out() << line << '\n';
    for (const QString &line : warnings)
        err() << "warning: " << line << '\n';
    return 0;
}

int previewCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Draws each sample of a tree as OUT_DIR/sample_N_SOURCE.png: both panoramas with the "
        "source's walls outlined and numbered with the numbers the results record. With a "
        "truth.csv in the tree, the walls that are one wall share a colour, walls without "
        "a counterpart are hatched and marked, and walls whose truth is uncertain have \"?\" "
        "beside their number."));
    parser.addPositionalArgument(QStringLiteral("TREE"),
                                 QStringLiteral("The folder holding test_datasets/ (or "
                                                "test_datasets itself)."));
    parser.addPositionalArgument(QStringLiteral("OUT_DIR"),
                                 QStringLiteral("Where the pictures go (created if missing)."));
    const QCommandLineOption sample(QStringLiteral("sample"), QStringLiteral("Only this sample."),
                                    QStringLiteral("N"));
    const QCommandLineOption source(QStringLiteral("source"), QStringLiteral("Only this source."),
                                    QStringLiteral("NAME"));
    parser.addOptions({sample, source});
    if (const std::optional<int> done = parseCommandLine(parser, args))
        return *done;
    if (parser.positionalArguments().size() != 2)
        return usageError(args.value(0), QStringLiteral("expected TREE and OUT_DIR"));
    PreviewTreeOptions options;
    if (parser.isSet(sample)) {
        bool ok = false;
        options.sample = parser.value(sample).toInt(&ok);
        if (!ok || options.sample < 1)
            return usageError(args.value(0),
                              QStringLiteral("--sample takes a sample number from 1"));
    }
    options.source = parser.value(source);
    options.progress = printProgress;
    const PreviewTreeResult result = writePreviews(parser.positionalArguments().at(0),
                                                   parser.positionalArguments().at(1), options);
    const bool ok = printFindings(result);
    for (const QString &file : result.written)
        out() << file << '\n';
    return ok ? ExitSuccess : ExitFailure;
}

int studyCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes DIR/study.json, the study file that 'wallmatch --study DIR --participant ID' "
        "runs: every participant gets the same protocol, and the plan DIR/PLANS/ID.csv. Paths "
        "are relative to DIR; every file named must exist."));
    parser.addPositionalArgument(QStringLiteral("init"), QStringLiteral("The only action."));
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("The study folder (holding test_datasets)."));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("The study's title."),
                                   QStringLiteral("TEXT"));
    const QCommandLineOption sources(QStringLiteral("sources"),
                                     QStringLiteral("The sources compared (default "
                                                    "Kestrel,Bramble)."),
                                     QStringLiteral("NAMES"), QStringLiteral("Kestrel,Bramble"));
    const QCommandLineOption plans(QStringLiteral("plans"),
                                   QStringLiteral("Folder of the plans, ID.csv each (default "
                                                  "plans)."),
                                   QStringLiteral("DIR"), QStringLiteral("plans"));
    const QCommandLineOption practice(QStringLiteral("practice"),
                                      QStringLiteral("Practice cases every plan starts with."),
                                      QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption instructions(QStringLiteral("instructions"),
                                          QStringLiteral("Page shown before Start Test."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption afterPractice(QStringLiteral("instructions-after-practice"),
                                           QStringLiteral("Page shown after the practice."),
                                           QStringLiteral("FILE"));
    const QCommandLineOption truth(QStringLiteral("truth"),
                                   QStringLiteral("Truth file for feedback after practice "
                                                  "answers."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption breakEvery(QStringLiteral("break-every"),
                                        QStringLiteral("A break after every N-th test answer."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption fullScreen(QStringLiteral("fullscreen"),
                                        QStringLiteral("Run in full screen."));
    const QCommandLineOption focusLoss(QStringLiteral("pause-on-focus-loss"),
                                       QStringLiteral("Pause the case when the window loses the "
                                                      "focus."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace a study.json that exists."));
    parser.addOptions({title, sources, plans, practice, instructions, afterPractice, truth,
                       breakEvery, fullScreen, focusLoss, force});
    if (const std::optional<int> done = parseCommandLine(parser, args))
        return *done;
    auto usage = [&args](const QString &message) { return usageError(args.value(0), message); };
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2 || positional.first() != QLatin1String("init"))
        return usage(QStringLiteral("expected: init DIR"));
    if (!parser.isSet(title))
        return usage(QStringLiteral("--title is needed"));
    const QString folder = positional.at(1);
    StudyFile study;
    study.title = parser.value(title);
    QString error;
    const std::optional<QStringList> sourceList = parseSourceList(parser.value(sources), &error);
    if (!sourceList)
        return usage(QStringLiteral("--sources: ") + error);
    study.sources = *sourceList;
    study.plans = parser.value(plans);
    bool ok = false;
    study.practice = parser.value(practice).toInt(&ok);
    if (!ok)
        return usage(QStringLiteral("--practice must be a whole number from 0"));
    study.breakEvery = parser.value(breakEvery).toInt(&ok);
    if (!ok)
        return usage(QStringLiteral("--break-every must be a whole number from 0"));
    study.instructions = parser.value(instructions);
    study.instructionsAfterPractice = parser.value(afterPractice);
    study.truth = parser.value(truth);
    study.fullScreen = parser.isSet(fullScreen);
    study.pauseOnFocusLoss = parser.isSet(focusLoss);

    const QString file = QDir(folder).filePath(QLatin1String(studyFileName));
    const QByteArray json = studyFileJson(study);
    // Checked as wallmatch will check it: nothing is written that would not start.
    const StudyFileRead check = parseStudyFile(json, file, folder);
    if (!check.problems.isEmpty()) {
        for (const QString &problem : check.problems)
            err() << problem << '\n';
        err() << "wallmatch-prep study: nothing was written\n";
        return ExitFailure;
    }
    if (QFileInfo::exists(file) && !parser.isSet(force)) {
        err() << file << ": exists; give --force to replace it\n";
        return ExitFailure;
    }
    if (!writeOutputFile(file, json))
        return ExitFailure;
    out() << file << '\n';
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Only preview draws pictures.
    const std::unique_ptr<QCoreApplication> app = makeToolApplication(
        argc, argv, QStringLiteral("wallmatch-prep"), argc > 1 && qstrcmp(argv[1], "preview") == 0);
    QStringList args = QCoreApplication::arguments();
    const QString command = args.value(1);
    const std::pair<const char *, int (*)(const QStringList &)> commands[] = {
        {"convert", convertCommand}, {"assemble", assembleCommand}, {"plan", planCommand},
        {"zind", zindCommand},       {"preview", previewCommand},   {"truth", truthCommand},
        {"study", studyCommand}};
    for (const auto &[name, run] : commands) {
        if (command != QLatin1String(name))
            continue;
        args.removeAt(1);
        args[0] = QStringLiteral("wallmatch-prep ") + command;
        return run(args);
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h")
        || command == QLatin1String("help")) {
        out() << overview;
        return 0;
    }
    if (command == QLatin1String("--version") || command == QLatin1String("-v")) {
        out() << QCoreApplication::applicationName() << ' '
              << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    err() << overview;
    if (!command.isEmpty())
        err() << "\nwallmatch-prep: unknown command \"" << command << "\"\n";
    return ExitUsage;
}
