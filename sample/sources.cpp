#include "sources.h"

#include <algorithm>

namespace wallmatch {

QStringList builtInSourceNames()
{
    QStringList names;
    for (const BuiltInSource &s : builtInSources)
        names.append(QString::fromLatin1(s.name));
    return names;
}

int builtInSourceIndex(const QString &name)
{
    for (int i = 0; i < builtInSourceCount; ++i)
        if (name == QLatin1String(builtInSources[i].name))
            return i;
    return -1;
}

bool isSourceName(const QString &name)
{
    if (name.isEmpty() || name.size() > maxSourceNameLength)
        return false;
    for (const QChar c : name) {
        const ushort u = c.unicode();
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
            || u == '-' || u == '_';
        if (!ok)
            return false;
    }
    return true;
}

QString sourceNameProblem(const QString &name)
{
    if (isSourceName(name))
        return QString();
    return QStringLiteral("source \"%1\" is not a name of 1 to %2 letters, digits, - or _")
        .arg(name)
        .arg(maxSourceNameLength);
}

QString cornerFileName(const QString &source)
{
    const int builtIn = builtInSourceIndex(source);
    if (builtIn >= 0)
        return QString::fromLatin1(builtInSources[builtIn].cornerFile);
    return QStringLiteral("pred_corner_%1.txt").arg(source);
}

QString cornerFilePath(const QString &folder, const QString &source)
{
    return folder + QStringLiteral("//") + cornerFileName(source);
}

QStringList orderedSources(const QStringList &names)
{
    QStringList builtIn;
    QStringList others;
    for (const BuiltInSource &s : builtInSources)
        if (names.contains(QLatin1String(s.name)))
            builtIn.append(QString::fromLatin1(s.name));
    for (const QString &n : names)
        if (builtInSourceIndex(n) < 0 && !others.contains(n))
            others.append(n);
    std::sort(others.begin(), others.end());
    return builtIn + others;
}

std::optional<QStringList> parseSourceList(const QString &text, QString *problem)
{
    QStringList names;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &part : parts) {
        QString name = part.trimmed();
        for (const BuiltInSource &s : builtInSources)
            if (name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0)
                name = QString::fromLatin1(s.name);
        if (!isSourceName(name)) {
            *problem = sourceNameProblem(name);
            return std::nullopt;
        }
        if (names.contains(name)) {
            *problem = QStringLiteral("source %1 is listed twice").arg(name);
            return std::nullopt;
        }
        names.append(name);
    }
    return names;
}

} // namespace wallmatch
