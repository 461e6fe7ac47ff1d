#include "samplefolder.h"

namespace wallmatch {

QString bareFileName(const char *literal)
{
    QString name = QString::fromLatin1(literal);
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name;
}

QString sampleViewFolder(const QString &tree, int sample, int view)
{
    return QStringLiteral("%1/%2/%3")
        .arg(tree)
        .arg(sample)
        .arg(QLatin1String(viewFolderNames[view]));
}

QString viewFolderPath(const QString &root, int sample, int view)
{
    return sampleViewFolder(root + QLatin1Char('/') + QLatin1String(sampleTreeFolder), sample,
                            view);
}

std::string programViewFolder(int sample, int view)
{
    return QStringLiteral(".\\%1\\%2\\%3")
        .arg(QLatin1String(sampleTreeFolder))
        .arg(sample)
        .arg(QLatin1String(viewFolderNames[view]))
        .toStdString();
}

} // namespace wallmatch
