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

QPixmap loadImage(const QString &fileName)
{
    QImageReader reader(fileName);
    const QSize size = reader.size();
    if (size.width() > maxImageWidth || size.height() > maxImageHeight)
        return QPixmap();
    // What QPixmap::load does, minus opening the file a second time and keeping a copy in the
    // pixmap cache, which a run that shows every image once never hits.
    return QPixmap::fromImage(reader.read());
}

} // namespace

void PanoSample::load(const std::string &folder)
{
    path = folder;
    image = loadImage(wallmatch::nativePath(path + wallmatch::imageFileLiteral));
    imageCorners.clear();
    roomCorners.clear();
    readCorners();
}

void PanoSample::readCorners()
{
    for (const char *literal : wallmatch::cornerFileNames) {
        const std::string fileName = path + literal;
        QFile file(wallmatch::nativePath(fileName));
        if (!file.open(QIODevice::ReadOnly)) {
            // The same text for every source; the file name tells which one is missing.
            std::cout << fileName << "\nPredicted corner points from Kestrel not found!\n"
                      << std::flush;
            return;
        }
        // Opened as bytes: a '\r' before the line feed is white space to the parser. A read error
        // part way through leaves the lines read up to it.
        wallmatch::CornerLists corners = wallmatch::parseCorners(file.readAll());
        imageCorners.append(std::move(corners.imageCorners));
        roomCorners.append(std::move(corners.roomCorners));
    }
}
