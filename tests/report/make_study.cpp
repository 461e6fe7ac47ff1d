// Writes a generated study into a folder: a demo sample tree with its truth, and one results
// file per participant whose answers have known source effects. For trying the report by hand
// and for the pictures in docs/.
#include "answer.h"
#include "cornerfile.h"
#include "demoset.h"
#include "preview.h"
#include "samplefolder.h"
#include "sources.h"
#include "studyfixture.h"
#include "truthfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 2 || args.size() % 2 != 0) {
        err << "usage: make_study OUT_DIR [--samples N] [--participants N] [--seed S] "
               "[--time-effect LOGSECONDS] [--accuracy-effect LOGODDS]\n";
        return 2;
    }
    fixture::StudyDesign design;
    design.samples = 12;
    design.participants = 8;
    for (int i = 2; i + 1 < args.size(); i += 2) {
        const QString &name = args.at(i), &value = args.at(i + 1);
        if (name == QLatin1String("--samples"))
            design.samples = value.toInt();
        else if (name == QLatin1String("--participants"))
            design.participants = value.toInt();
        else if (name == QLatin1String("--seed"))
            design.seed = value.toULongLong();
        else if (name == QLatin1String("--time-effect"))
            design.timeEffect = value.toDouble();
        else if (name == QLatin1String("--accuracy-effect"))
            design.accuracyEffect = value.toDouble();
        else {
            err << "unknown option " << name << '\n';
            return 2;
        }
    }
    const QString out = args.at(1);
    wallmatch::DemoSetOptions options;
    options.outDir = out;
    options.samples = design.samples;
    options.seed = design.seed;
    options.force = true;
    const QString failed = wallmatch::writeDemoSet(options);
    if (!failed.isEmpty()) {
        err << failed << '\n';
        return 1;
    }
    const QString truthName =
        QDir(wallmatch::sampleTreePath(out)).filePath(QLatin1String(wallmatch::kTruthFileName));
    const wallmatch::TruthFile truth = wallmatch::readTruthFile(truthName);
    // The demo numbers both built-in sources' walls alike: Kestrel's rows serve for the design.
    design.secondaryWalls =
        fixture::secondaryWallsOf(truth, design.samples, QStringLiteral("Kestrel"));
    const fixture::GeneratedStudy study = fixture::generateStudy(design);
    // Clicks on the walls answered, near the middle of each, as a subject would click.
    const auto clickOn = [&](int sample, const QString &source, int view, int wall, int jitter) {
        const QString folder = QStringLiteral("%1/%2/%3")
                                   .arg(wallmatch::sampleTreePath(out))
                                   .arg(sample)
                                   .arg(QLatin1String(wallmatch::viewFolderNames[view]));
        QFile corners(QDir(folder).filePath(wallmatch::cornerFileName(source)));
        if (!corners.open(QIODevice::ReadOnly))
            return QPoint();
        const auto at = wallmatch::wallLabelPosition(
            wallmatch::parseCorners(corners.readAll()).roomCorners, wall);
        return at ? QPoint(int(at->x()) + jitter % 60 - 30, int(at->y()) + jitter % 90 - 20)
                  : QPoint();
    };
    for (int p = 0; p < study.participants.size(); ++p) {
        QByteArray results;
        int n = 0;
        for (const QByteArray &line : study.results.at(p).split('\n')) {
            if (line.isEmpty())
                continue;
            wallmatch::Answer a = *wallmatch::parseResultLine(QString::fromUtf8(line)).answer;
            a.click1 = clickOn(a.sampleId, a.source, 0, a.wall1, 7 * ++n + 13 * p);
            a.click2 = clickOn(a.sampleId, a.source, 1, a.wall2, 11 * n + 5 * p);
            results += wallmatch::resultLine(a).toUtf8();
        }
        QFile f(QDir(out).filePath(QStringLiteral("results_%1.txt").arg(study.participants.at(p))));
        if (!f.open(QIODevice::WriteOnly) || f.write(results) < 0) {
            err << f.fileName() << ": " << f.errorString() << '\n';
            return 1;
        }
    }
    return 0;
}
