#include "panosample.h"

#include "cornerfile.h"
#include "nativepath.h"
#include "regularfile.h"
#include "samplefolder.h"

#include <QFile>
#include <QImageReader>
#include <iostream>

namespace {

// Views show panoramas unscaled at 1024 x 512; a far larger image is refused instead of being
// decoded into hundreds of megabytes.
constexpr int maxImageWidth = 8192;
constexpr int maxImageHeight = 4096;

// Says on standard output why an image that is there shows nothing, as the corner files do.
void imageNotShown(const std::string &fileName, const QString &reason)
{
    std::cout << fileName << "\nPanorama image not readable: " << reason.toStdString() << '\n'
              << std::flush;
}

QPixmap loadImage(const std::string &name)
{
    const wallmatch::OpenedFile opened = wallmatch::openRegularFile(wallmatch::nativePath(name));
    if (!opened.file) {
        if (!opened.missing) // a missing image stays silent; the folder may lack it on purpose
            imageNotShown(name, opened.reason);
        return QPixmap();
    }
    QImageReader reader(opened.file.get());
    const QSize size = reader.size();
    if (size.width() > maxImageWidth || size.height() > maxImageHeight) {
        imageNotShown(name,
                      QStringLiteral("%1 x %2 pixels, more than %3 x %4")
                          .arg(size.width())
                          .arg(size.height())
                          .arg(maxImageWidth)
                          .arg(maxImageHeight));
        return QPixmap();
    }
    // What QPixmap::load does, minus opening the file a second time and keeping a copy in the
    // pixmap cache, which a run that shows every image once never hits.
    const QImage image = reader.read();
    if (image.isNull())
        imageNotShown(name, opened.size == 0 ? QStringLiteral("empty file") : reader.errorString());
    return QPixmap::fromImage(image);
}

} // namespace

void PanoSample::load(const std::string &folder)
{
    path = folder;
    image = loadImage(path + wallmatch::imageFileLiteral);
    imageCorners.clear();
    roomCorners.clear();
    readCorners();
}

void PanoSample::readCorners()
{
    for (const char *literal : wallmatch::cornerFileNames) {
        const std::string fileName = path + literal;
        // Only a regular file of a bounded size is read: see regularfile.h.
        const wallmatch::ReadFile file = wallmatch::readRegularFile(wallmatch::nativePath(fileName),
                                                                    wallmatch::maxCornerFileBytes);
        if (!file.ok) {
            if (file.opened.tooLarge)
                std::cout << fileName << "\nPredicted corner points file too large ("
                          << file.opened.size << " bytes, at most " << wallmatch::maxCornerFileBytes
                          << ")!\n"
                          << std::flush;
            else // the same text for every source; the file name tells which one is missing
                std::cout << fileName << "\nPredicted corner points from Kestrel not found!\n"
                          << std::flush;
            return;
        }
        // Read as bytes: a '\r' before the line feed is white space to the parser. A read error
        // part way through leaves the lines read up to it.
        wallmatch::CornerLists corners = wallmatch::parseCorners(file.bytes);
        imageCorners.append(std::move(corners.imageCorners));
        roomCorners.append(std::move(corners.roomCorners));
    }
}
