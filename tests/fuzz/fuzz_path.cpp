// Folder names through the path layer and the loader: whatever bytes a folder name holds, the
// name becomes one the file system opens, and loading it leaves a consistent sample.
#include "cornerfile.h"
#include "fuzzcheck.h"
#include "nativepath.h"
#include "panosample.h"
#include "sources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A small tree in a folder of its own, made the working directory: a complete panorama, one
// without its Kestrel corners, and a folder named like the image.
void makeTree(const QString &root)
{
    const QByteArray box = "128 128 -1 1 1\n384 128 -1 -1 1\n640 128 1 -1 1\n896 128 1 1 1\n"
                           "128 384 -1 1 -1\n384 384 -1 -1 -1\n640 384 1 -1 -1\n896 384 1 1 -1\n";
    const QString complete = root + "/test_datasets/1/pri_pano";
    const QString partial = root + "/test_datasets/1/sec_pano";
    FUZZ_CHECK(QDir().mkpath(complete) && QDir().mkpath(partial));
    QImage image(16, 8, QImage::Format_RGB32);
    image.fill(Qt::gray);
    FUZZ_CHECK(image.save(complete + "/color.jpg", "PNG"));
    FUZZ_CHECK(writeFile(complete + "/pred_corner.txt", box));
    FUZZ_CHECK(writeFile(complete + "/pred_corner_Bramble.txt", box + box));
    FUZZ_CHECK(writeFile(partial + "/pred_corner_Bramble.txt", box));
    FUZZ_CHECK(QDir().mkpath(partial + "/color.jpg"));
    FUZZ_CHECK(QDir::setCurrent(root));
}

bool isReadableFile(const QString &name)
{
    const QFileInfo info(name);
    return info.isFile() && info.isReadable();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::silenceDiagnostics();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv); // QPixmap needs it
    static QTemporaryDir root;
    FUZZ_CHECK(root.isValid());
    makeTree(root.path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string folder(reinterpret_cast<const char *>(data), size);

    const QString native = wallmatch::nativePath(folder);
    FUZZ_CHECK(!native.contains(QLatin1Char('\\')));
    FUZZ_CHECK(!native.contains(QLatin1String("//")));
    FUZZ_CHECK(wallmatch::nativePath(native.toStdString()) == native);

    PanoSample sample;
    sample.load(folder);
    FUZZ_CHECK(sample.path == folder);
    FUZZ_CHECK(sample.imageCorners.size() == sample.roomCorners.size());
    FUZZ_CHECK(sample.imageCorners.size() <= wallmatch::builtInSourceCount);
    for (int s = 0; s < sample.imageCorners.size(); ++s)
        FUZZ_CHECK(sample.imageCorners.at(s).size() == sample.roomCorners.at(s).size());
    // Names that may lead out of the tree reach files other tests make and remove meanwhile.
    if (native.startsWith(QLatin1Char('/')) || native.contains(QLatin1String("..")))
        return 0;
    // A corner file that can be read is read; reading stops only at one that cannot.
    for (int s = 0; s < wallmatch::builtInSourceCount; ++s) {
        const bool readable = isReadableFile(wallmatch::nativePath(
            wallmatch::cornerFilePath(QString::fromStdString(folder),
                                      QString::fromLatin1(wallmatch::builtInSources[s].name))
                .toStdString()));
        if (s < sample.imageCorners.size())
            FUZZ_CHECK(readable);
        else if (s == sample.imageCorners.size())
            FUZZ_CHECK(!readable);
    }
    // The image of the complete panorama, however its name is spelled, is found.
    if (QFileInfo(wallmatch::nativePath(folder + "//color.jpg")).isFile())
        FUZZ_CHECK(!sample.image.isNull());
    return 0;
}
