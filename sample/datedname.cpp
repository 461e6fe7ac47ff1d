#include "datedname.h"

#include <QRegularExpression>

namespace wallmatch {

QString datedFileName(const QString &fileName, const QDateTime &time, int counter)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    const QString extension = dot > 0 ? fileName.mid(dot) : QString();
    // "results.txt" keeps the name it always had, "results-DATE.txt".
    QString name = stem + QLatin1Char('-') + time.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (counter > 1)
        name += QLatin1Char('-') + QString::number(counter);
    return name + extension;
}

bool isDatedFileOf(const QString &name, const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    const QString extension = dot > 0 ? fileName.mid(dot) : QString();
    static const QRegularExpression date(QStringLiteral("\\A-\\d{8}-\\d{6}(-\\d+)?\\z"));
    return name.startsWith(stem) && name.endsWith(extension)
        && name.size() > stem.size() + extension.size()
        && date.match(name.mid(stem.size(), name.size() - stem.size() - extension.size()))
               .hasMatch();
}

QString undatedFileName(const QString &name)
{
    static const QRegularExpression dated(
        QStringLiteral("\\A(.+)-\\d{8}-\\d{6}(?:-\\d+)?(\\.[^.]*)?\\z"));
    const QRegularExpressionMatch m = dated.match(name);
    if (!m.hasMatch())
        return name;
    const QString undated = m.captured(1) + m.captured(2);
    // Only what datedFileName would have made of it.
    return isDatedFileOf(name, undated) ? undated : name;
}

} // namespace wallmatch
