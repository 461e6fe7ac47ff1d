#include "samplefolder.h"

namespace wallmatch {

QString bareFileName(const char *literal)
{
    QString name = QString::fromLatin1(literal);
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name;
}

QString viewFolderPath(const QString &root, int sample, int view)
{
    return QStringLiteral("%1/%2/%3/%4")
        .arg(root, QLatin1String(sampleTreeFolder))
        .arg(sample)
        .arg(QLatin1String(viewFolderNames[view]));
}

} // namespace wallmatch
