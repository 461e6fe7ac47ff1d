#ifndef NATIVEPATH_H
#define NATIVEPATH_H

#include <QString>
#include <string>

namespace wallmatch {

// Sample paths are formed Windows-style (".\test_datasets\7\pri_pano" + "//color.jpg").
// Turns such a name, decoded as UTF-8, into one the local file system opens.
QString nativePath(const std::string &name);

} // namespace wallmatch

#endif // NATIVEPATH_H
