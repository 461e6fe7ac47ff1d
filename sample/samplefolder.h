#ifndef SAMPLEFOLDER_H
#define SAMPLEFOLDER_H

#include <QString>

#include <string>

// Names in a sample tree: test_datasets/N/{pri_pano,sec_pano}/ holding the panorama image and
// one corner file per corner source (sources.h names them).
namespace wallmatch {

inline constexpr const char *sampleTreeFolder = "test_datasets";

// A start without a plan steps through samples 1 to this.
inline constexpr int plainRunSamples = 100;

// Indexed by view: 0 primary, 1 secondary.
inline constexpr const char *viewFolderNames[2] = {"pri_pano", "sec_pano"};

// Appended to a panorama folder path as they are, slashes included.
inline constexpr const char *imageFileLiteral = "//color.jpg";

// The corner file of each source: see sources.h.

// A literal above without its leading slashes, for building paths with QDir.
QString bareFileName(const char *literal);

// tree/sample/pri_pano (view 0) or .../sec_pano (view 1), `tree` being a test_datasets folder,
// with forward slashes.
QString sampleViewFolder(const QString &tree, int sample, int view);
// root/test_datasets/sample/pri_pano (view 0) or .../sec_pano (view 1), with forward slashes.
QString viewFolderPath(const QString &root, int sample, int view);
// The folder the program's views load, as the program has always named it: relative and
// Windows-style, ".\\test_datasets\\N\\pri_pano" (nativepath.h makes it this system's path).
std::string programViewFolder(int sample, int view);

} // namespace wallmatch

#endif // SAMPLEFOLDER_H
