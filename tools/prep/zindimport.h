#ifndef ZINDIMPORT_H
#define ZINDIMPORT_H

#include "assembler.h"
#include "floortruth.h"
#include "truthfile.h"
#include "zindtour.h"

#include <QString>
#include <QVector>

#include <functional>

namespace wallmatch {

// A layout estimator's predictions: one file per panorama in `dir`, named by the image's stem
// with any extension that convert reads.
struct SourceDir
{
    QString name;
    QString dir;
};

struct ZindImportOptions
{
    QString annotatedAs = QStringLiteral("Kestrel"); // source the annotated layout becomes
    ZindLayout layout = ZindLayout::Raw;
    QVector<SourceDir> sources;
    bool force = false;
    MatchCriteria criteria;
    double uTolerance = 3.0; // for the predictions, in pixels of a 1024-wide image
    std::function<void(const QString &)> progress; // one line of progress, if wanted
};

// Parses "NAME=DIR" as --source takes it; none, with `problem` set, when it is not one.
std::optional<SourceDir> parseSourceDir(const QString &text, QString *problem);

// The prediction file for a panorama in a source's folder: STEM.EXT for the extensions convert
// reads (.json, .txt, .layout.txt). None with `problem` set when there is none or more than one.
std::optional<QString> predictionFile(const QString &dir, const QString &stem, QString *problem);

// Builds OUT_DIR/test_datasets from a ZInD tour: one sample per pair of panos in one partial
// room (see zindPairs), 1024 x 512 images, the annotated layout as the corner file of
// `annotatedAs`, each source's predictions converted, samples.csv and truth.csv. Everything is
// read and checked before anything is written; an existing tree is replaced only with force,
// and then whole.
AssembleResult importZindTour(const QString &tourDir, const QString &outDir,
                              const ZindImportOptions &options);

} // namespace wallmatch

#endif // ZINDIMPORT_H
