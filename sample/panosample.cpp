#include "panosample.h"

#include "cornerfile.h"
#include "nativepath.h"

#include <QFile>
#include <QImageReader>
#include <iostream>

namespace {

// Views show panoramas unscaled at 1024 x 512; a far larger image is refused instead of being
// decoded into hundreds of megabytes.
constexpr int maxImageWidth = 8192;
constexpr int maxImageHeight = 4096;

QImage loadImage(const QString &fileName)
{
    QImageReader reader(fileName);
    const QSize size = reader.size();
    if (size.width() > maxImageWidth || size.height() > maxImageHeight)
        return QImage();
    // What QPixmap::load does, minus opening the file a second time and keeping a copy in the
    // pixmap cache, which a run that shows every image once never hits.
    return reader.read();
}

// Appends the corner lists of every source up to the first missing file; returns the diagnostics.
std::string readCornerFiles(const std::string &path, QVector<QVector<QPoint>> &imageCorners,
                            QVector<QVector<CornerPoint>> &roomCorners)
{
    for (const char *literal : wallmatch::cornerFileNames) {
        const std::string fileName = path + literal;
        QFile file(wallmatch::nativePath(fileName));
        if (!file.open(QIODevice::ReadOnly)) {
            // The same text for every source; the file name tells which one is missing.
            return fileName + "\nPredicted corner points from Kestrel not found!\n";
        }
        // Opened as bytes: a '\r' before the line feed is white space to the parser. A read error
        // part way through leaves the lines read up to it.
        wallmatch::CornerLists corners = wallmatch::parseCorners(file.readAll());
        imageCorners.append(std::move(corners.imageCorners));
        roomCorners.append(std::move(corners.roomCorners));
    }
    return std::string();
}

} // namespace

PanoFiles readPanoFiles(const std::string &folder)
{
    PanoFiles files;
    files.path = folder;
    files.image = loadImage(wallmatch::nativePath(folder + "//color.jpg"));
    files.diagnostics = readCornerFiles(folder, files.imageCorners, files.roomCorners);
    return files;
}

void PanoSample::load(const std::string &folder)
{
    adopt(readPanoFiles(folder));
}

void PanoSample::adopt(PanoFiles files)
{
    path = std::move(files.path);
    image = QPixmap::fromImage(std::move(files.image));
    imageCorners = std::move(files.imageCorners);
    roomCorners = std::move(files.roomCorners);
    if (!files.diagnostics.empty())
        std::cout << files.diagnostics << std::flush;
}

void PanoSample::readCorners()
{
    const std::string diagnostics = readCornerFiles(path, imageCorners, roomCorners);
    if (!diagnostics.empty())
        std::cout << diagnostics << std::flush;
}
