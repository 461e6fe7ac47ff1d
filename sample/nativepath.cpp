#include "nativepath.h"

namespace wallmatch {

QString nativePath(const std::string &name)
{
    const QString path = QString::fromStdString(name);
#ifdef Q_OS_WIN
    return path;
#else
    // Backslashes become separators and runs of separators one, so "pri_pano//color.jpg" and
    // ".\test_datasets\7" name what they name on Windows.
    QString native;
    native.reserve(path.size());
    for (QChar c : path) {
        if (c == QLatin1Char('\\'))
            c = QLatin1Char('/');
        if (c == QLatin1Char('/') && native.endsWith(QLatin1Char('/')))
            continue;
        native.append(c);
    }
    return native;
#endif
}

} // namespace wallmatch
