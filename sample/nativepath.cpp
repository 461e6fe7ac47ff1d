#include "nativepath.h"

namespace wallmatch {

QString nativePath(const std::string &name)
{
    QString path = QString::fromStdString(name);
#ifndef Q_OS_WIN
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    return path;
}

} // namespace wallmatch
