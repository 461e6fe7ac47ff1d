#include "fixturetree.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <cmath>

namespace fixture {

namespace {

const double pi = 3.14159265358979323846;
const int width = 1024;
const int height = 512;

// Corner k of the square room sits at azimuth 45 + 90 k degrees; walls are 1 m from the camera
// and the ceiling and floor 1 m above and below it.
QByteArray cornerFile(int firstCorner)
{
    QByteArray text;
    for (double z : {1.0, -1.0}) {
        for (int i = 0; i < 4; ++i) {
            const double azimuth = (45.0 + 90.0 * ((firstCorner + i) % 4)) * pi / 180.0;
            const double x = -std::sqrt(2.0) * std::sin(azimuth);
            const double y = std::sqrt(2.0) * std::cos(azimuth);
            const double polar = std::acos(z / std::sqrt(x * x + y * y + z * z));
            const double u = azimuth / (2 * pi) * width;
            const double v = polar / pi * height;
            text += QByteArray::number(u, 'f', 3) + ' ' + QByteArray::number(v, 'f', 3) + ' '
                + QByteArray::number(x, 'f', 6) + ' ' + QByteArray::number(y, 'f', 6) + ' '
                + QByteArray::number(z, 'f', 6) + '\n';
        }
    }
    return text;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

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

bool writeBoxRoomTree(const QString &dir, int samples)
{
    for (int n = 1; n <= samples; ++n) {
        for (bool secondary : {false, true}) {
            const QString folder = QStringLiteral("%1/test_datasets/%2/%3")
                                       .arg(dir)
                                       .arg(n)
                                       .arg(secondary ? "sec_pano" : "pri_pano");
            if (!QDir().mkpath(folder))
                return false;
            const QByteArray corners = cornerFile(secondary ? 1 : 0);
            if (!panorama(n).save(folder + "/color.jpg", "JPG", 90)
                || !writeFile(folder + "/pred_corner.txt", corners)
                || !writeFile(folder + "/pred_corner_Bramble.txt", corners))
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
