#ifndef PREVIEWTREE_H
#define PREVIEWTREE_H

#include "preview.h"
#include "problem.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace wallmatch {

// A truth file's pairs per sample and source. The three-column form (sample,primary
// wall,secondary wall) holds for every source; its rows are stored under the empty name.
struct TruthPairs
{
    QHash<QPair<int, QString>, WallPairs> pairs;
    QVector<Problem> errors;

    // The pairs for a sample and source, if the file has any.
    std::optional<WallPairs> of(int sample, const QString &source) const;
};

TruthPairs parseTruthPairs(const QString &fileName, const QByteArray &content);

// The sources whose corner files a panorama folder holds, Kestrel first, then by name.
QStringList sourcesInFolder(const QString &folder);

// The numbered sample folders of a tree (TREE/test_datasets, or TREE itself), in order.
QString sampleTreeRoot(const QString &tree);
QVector<int> samplesInTree(const QString &root);

struct PreviewTreeOptions
{
    int sample = 0; // 0: every sample
    QString source; // empty: every source
    std::function<void(const QString &)> progress;
};

struct PreviewTreeResult
{
    QStringList written;
    QVector<Problem> errors;
    QVector<Problem> notes;
};

// OUT_DIR/sample_N_SOURCE.png for each sample and source of the tree, coloured by the tree's
// truth.csv where it has rows for them.
PreviewTreeResult writePreviews(const QString &tree, const QString &outDir,
                                const PreviewTreeOptions &options);

} // namespace wallmatch

#endif // PREVIEWTREE_H
