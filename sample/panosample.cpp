#include "panosample.h"

#include "cornerfile.h"
#include "nativepath.h"
#include "regularfile.h"
#include "samplefolder.h"
#include "sources.h"

#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <iostream>

namespace {

// Views show panoramas unscaled at 1024 x 512; a far larger image is refused instead of being
// decoded into hundreds of megabytes.
constexpr int maxImageWidth = 8192;
constexpr int maxImageHeight = 4096;

// Why an image that is there shows nothing, for standard output, as the corner files do.
std::string imageNotShown(const std::string &fileName, const QString &reason)
{
    return fileName + "\nPanorama image not readable: " + reason.toStdString() + '\n';
}

QImage loadImage(const std::string &name, std::string &diagnostics)
{
    const wallmatch::OpenedFile opened = wallmatch::openRegularFile(wallmatch::nativePath(name));
    if (!opened.file) {
        if (!opened.missing) // a missing image stays silent; the folder may lack it on purpose
            diagnostics += imageNotShown(name, opened.reason);
        return QImage();
    }
    QImageReader reader(opened.file.get());
    const QSize size = reader.size();
    if (size.width() > maxImageWidth || size.height() > maxImageHeight) {
        diagnostics += imageNotShown(name,
                                     QStringLiteral("%1 x %2 pixels, more than %3 x %4")
                                         .arg(size.width())
                                         .arg(size.height())
                                         .arg(maxImageWidth)
                                         .arg(maxImageHeight));
        return QImage();
    }
    // What QPixmap::load does, minus opening the file a second time and keeping a copy in the
    // pixmap cache, which a run that shows every image once never hits.
    QImage image = reader.read();
    if (image.isNull()) {
        diagnostics += imageNotShown(
            name, opened.size == 0 ? QStringLiteral("empty file") : reader.errorString());
        return image;
    }
    // Already in the pixmap's own format, so that turning it into one on the GUI thread is a
    // hand-over, not a conversion of every pixel (JPEGs decode to 24-bit RGB).
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGB32);
    return image;
}

// Appends the corner lists of the first `sources` built-in sources up to the first missing file;
// returns the diagnostics.
std::string readCornerFiles(const std::string &path, QVector<QVector<QPoint>> &imageCorners,
                            QVector<QVector<CornerPoint>> &roomCorners,
                            int sources = wallmatch::builtInSourceCount)
{
    for (int s = 0; s < std::min(sources, wallmatch::builtInSourceCount); ++s) {
        const wallmatch::BuiltInSource &source = wallmatch::builtInSources[s];
        const std::string fileName = wallmatch::cornerFilePath(QString::fromStdString(path),
                                                               QString::fromLatin1(source.name))
                                         .toStdString();
        // Only a regular file of a bounded size is read: see regularfile.h.
        const wallmatch::ReadFile file = wallmatch::readRegularFile(wallmatch::nativePath(fileName),
                                                                    wallmatch::maxCornerFileBytes);
        if (!file.ok) {
            if (file.opened.tooLarge)
                return fileName + "\nPredicted corner points file too large ("
                    + std::to_string(file.opened.size) + " bytes, at most "
                    + std::to_string(wallmatch::maxCornerFileBytes) + ")!\n";
            // The same text for every source; the file name tells which one is missing.
            return fileName + "\nPredicted corner points from Kestrel not found!\n";
        }
        // Read as bytes: a '\r' before the line feed is white space to the parser. A read error
        // part way through leaves the lines read up to it.
        wallmatch::CornerLists corners = wallmatch::parseCorners(file.bytes);
        imageCorners.append(std::move(corners.imageCorners));
        roomCorners.append(std::move(corners.roomCorners));
    }
    return std::string();
}

} // namespace

PanoFiles readPanoFiles(const std::string &folder, const QString &otherSource, int builtInSources)
{
    PanoFiles files;
    files.path = folder;
    files.image = loadImage(folder + wallmatch::imageFileLiteral, files.diagnostics);
    files.diagnostics +=
        readCornerFiles(folder, files.imageCorners, files.roomCorners, builtInSources);
    if (!otherSource.isEmpty() && wallmatch::builtInSourceIndex(otherSource) < 0) {
        files.otherSource = otherSource;
        const std::string fileName =
            wallmatch::cornerFilePath(QString::fromStdString(folder), otherSource).toStdString();
        const wallmatch::ReadFile file = wallmatch::readRegularFile(wallmatch::nativePath(fileName),
                                                                    wallmatch::maxCornerFileBytes);
        if (file.ok)
            files.otherCorners = wallmatch::parseCorners(file.bytes);
        else
            files.diagnostics += fileName + "\nPredicted corner points from "
                + otherSource.toStdString() + " not found!\n";
    }
    return files;
}

void PanoSample::load(const std::string &folder, const QString &otherSource, int builtInSources)
{
    adopt(readPanoFiles(folder, otherSource, builtInSources));
}

void PanoSample::adopt(PanoFiles files)
{
    path = std::move(files.path);
    image = QPixmap::fromImage(std::move(files.image));
    imageCorners = std::move(files.imageCorners);
    roomCorners = std::move(files.roomCorners);
    otherSource = std::move(files.otherSource);
    otherCorners = std::move(files.otherCorners);
    if (!files.diagnostics.empty())
        std::cout << files.diagnostics << std::flush;
}

void PanoSample::readCorners()
{
    const std::string diagnostics = readCornerFiles(path, imageCorners, roomCorners);
    if (!diagnostics.empty())
        std::cout << diagnostics << std::flush;
}
