#ifndef DEMOSET_H
#define DEMOSET_H

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace wallmatch {

struct DemoSetOptions
{
    QString outDir;
    int samples = 100;
    quint64 seed = 1;
    // Replace an existing, non-empty tree (it is deleted first).
    bool force = false;
    // 0: one worker per core.
    int threads = 0;
};

// Everything written for one sample, indexed by view (primary, secondary).
struct DemoSampleFiles
{
    std::array<QByteArray, 2> image;
    std::array<QByteArray, 2> kestrel;
    std::array<QByteArray, 2> bramble;
    // For each primary wall, the secondary wall that is the same wall.
    std::vector<int> secondaryWall;
};

// outDir/test_datasets: the tree the tool reads.
QString sampleTreePath(const QString &outDir);

// The ground truth's file name in the tree.
extern const char *const kTruthFileName;

// Whether the tree exists and holds anything.
bool sampleTreeInUse(const QString &outDir);

// Renders and encodes one sample; depends only on (seed, number).
DemoSampleFiles makeSampleFiles(quint64 seed, int number);

// The ground truth: the four-column truth file, a row per sample, source and primary wall.
QByteArray truthTable(const std::vector<std::vector<int>> &secondaryWalls);

// Writes the whole tree using several threads; progress(done, total) is called on the calling
// thread. Returns an empty string on success, otherwise what went wrong.
QString writeDemoSet(const DemoSetOptions &options,
                     const std::function<void(int, int)> &progress = {});

} // namespace wallmatch

#endif // DEMOSET_H
