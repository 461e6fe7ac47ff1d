#include "panosample.h"

#include "nativepath.h"

void PanoSample::load(const std::string &folder)
{
    path = folder;
    image.load(wallmatch::nativePath(path + "//color.jpg"));
    imageCorners.clear();
    roomCorners.clear();
    readCorners();
}

void PanoSample::readCorners()
{
    // Filled in with the corner-file reader.
}
