#ifndef DEMOSET_H
#define DEMOSET_H

#include "samplefolder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace wallmatch {

// More samples than any study shows (each is two panoramas, about 200 KB) only fill the disk.
inline constexpr int maxDemoSamples = 10000;

struct DemoSetOptions
{
    QString outDir;
    int samples = plainRunSamples;
    quint64 seed = 1;
    // Replace an existing, non-empty tree (it is deleted first).
    bool force = false;
    // 0: one worker per core.
    int threads = 0;
    // Empty: Kestrel and Bramble, numbering walls alike, as the tree has always been. Otherwise
    // the sources to write, Kestrel and Bramble among them; each but Kestrel then starts its
    // rings at another corner and so numbers walls its own way.
    QStringList sources;
};

// One source's corner files of a sample, indexed by view (primary, secondary).
struct DemoSourceFiles
{
    QString name;
    std::array<QByteArray, 2> corners;
    // For each of this source's primary walls, its secondary wall that is the same wall.
    std::vector<int> secondaryWall;
};

// Everything written for one sample, indexed by view (primary, secondary).
struct DemoSampleFiles
{
    std::array<QByteArray, 2> image;
    std::vector<DemoSourceFiles> sources;

    const DemoSourceFiles *source(const QString &name) const;
};

// outDir/test_datasets: the tree the tool reads.
QString sampleTreePath(const QString &outDir);

// The ground truth's file name in the tree.
extern const char *const kTruthFileName;

// Whether the tree exists and holds anything.
bool sampleTreeInUse(const QString &outDir);

// Renders and encodes one sample; depends only on (seed, number, sources). Sources as in
// DemoSetOptions.
DemoSampleFiles makeSampleFiles(quint64 seed, int number, const QStringList &sources = {});

// Empty when the sources can be written (as in DemoSetOptions), otherwise why not.
QString demoSourcesProblem(const QStringList &sources);

// The ground truth: the four-column truth file, a row per sample, source and primary wall;
// perSample[i] is sample i + 1.
QByteArray truthTable(const std::vector<std::vector<DemoSourceFiles>> &perSample);

// Writes the whole tree using several threads; progress(done, total) is called on the calling
// thread. Returns an empty string on success, otherwise what went wrong.
QString writeDemoSet(const DemoSetOptions &options,
                     const std::function<void(int, int)> &progress = {});

} // namespace wallmatch

#endif // DEMOSET_H
