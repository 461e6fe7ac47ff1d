#include "fixturetree.h"

#include "roomfixture.h"
#include "samplefolder.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>

namespace fixture {

namespace {

const int width = 1024;
const int height = 512;

QImage panorama(int sample)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 200, 200));
    QPainter p(&image);
    for (int wall = 0; wall < 4; ++wall)
        p.fillRect(128 + 256 * wall, 150, 256, 212,
                   QColor::fromHsv((wall * 90 + sample) % 360, 120, 200));
    return image;
}

} // namespace

QVector<CornerPoint> boxRoomCorners(int firstCorner)
{
    QVector<double> azimuths;
    for (int i = 0; i < 4; ++i)
        azimuths.append(45.0 + 90.0 * ((firstCorner + i) % 4));
    return roomCorners(floorPlanAt(azimuths, {1, 1, 1, 1}), 1.0, 1.0);
}

bool writeBoxRoomTree(const QString &dir, int samples)
{
    for (int n = 1; n <= samples; ++n) {
        for (bool secondary : {false, true}) {
            const QString folder = wallmatch::viewFolderPath(dir, n, secondary ? 1 : 0);
            const QVector<CornerPoint> corners = boxRoomCorners(secondary ? 1 : 0);
            if (!writePanoFolder(folder, QSize(width, height), corners, corners, false)
                || !panorama(n).save(
                    QDir(folder).filePath(wallmatch::bareFileName(wallmatch::imageFileLiteral)),
                    "JPG", 90))
                return false;
        }
    }
    return true;
}

QPoint boxWallCentre(bool secondary, int wall)
{
    // Wall k runs from the list's corner k (azimuth 45 + 90 k) to the next; its middle faces the
    // camera. The wall centred on the seam is clicked a little to the right of it.
    const int corner = (wall + (secondary ? 1 : 0)) % 4;
    const int u = 256 + 256 * corner;
    return QPoint(u >= width ? 20 : u, height / 2);
}

} // namespace fixture
