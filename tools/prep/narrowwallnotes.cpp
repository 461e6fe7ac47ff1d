#include "narrowwallnotes.h"

#include "cornerfile.h"
#include "previewtree.h"
#include "regularfile.h"
#include "samplefolder.h"
#include "sources.h"
#include "wallwidth.h"

#include <QDir>
#include <QStringList>

namespace wallmatch {

QVector<Problem> narrowWallNotes(const QString &tree)
{
    QVector<Problem> notes;
    const QString root = sampleTreeRoot(tree);
    for (const int sample : samplesInTree(root)) {
        const QString sampleFolder = QDir(root).filePath(QString::number(sample));
        const QString views[2] = {QDir(sampleFolder).filePath(QStringLiteral("pri_pano")),
                                  QDir(sampleFolder).filePath(QStringLiteral("sec_pano"))};
        const QStringList sources =
            orderedSources(sourcesInFolder(views[0]) + sourcesInFolder(views[1]));
        for (const QString &source : sources) {
            QStringList parts;
            for (const QString &view : views) {
                const ReadFile file = readRegularFile(QDir(view).filePath(cornerFileName(source)),
                                                      maxCornerFileBytes);
                if (!file.ok)
                    continue; // a missing file is reported by whoever needs it
                const QVector<NarrowWall> narrow =
                    narrowWalls(parseCorners(file.bytes).roomCorners);
                if (!narrow.isEmpty())
                    parts << QStringLiteral("%1 wall %2")
                                 .arg(QDir(view).dirName(), narrowWallsText(narrow));
            }
            if (!parts.isEmpty())
                notes.append({QDir::toNativeSeparators(sampleFolder), 0,
                              QStringLiteral("%1: walls narrower than %2 px at 1024 x 512: %3")
                                  .arg(source)
                                  .arg(narrowWallColumns)
                                  .arg(parts.join(QStringLiteral("; ")))});
        }
    }
    return notes;
}

} // namespace wallmatch
