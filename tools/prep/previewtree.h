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

// The sources whose corner files a panorama folder holds, in the reports' order.
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

struct PreviewTreeResult : Findings
{
    QStringList written;
};

// OUT_DIR/sample_N_SOURCE.png for each sample and source of the tree, coloured by the tree's
// truth.csv where it has rows for them.
PreviewTreeResult writePreviews(const QString &tree, const QString &outDir,
                                const PreviewTreeOptions &options);

} // namespace wallmatch

#endif // PREVIEWTREE_H
