#include "cli.h"

#include <QFile>
#include <QSaveFile>

namespace wallmatch {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int printProblems(const QVector<Problem> &problems, const QString &prefix)
{
    for (const Problem &p : problems)
        err() << prefix << p.text() << '\n';
    err().flush();
    return int(problems.size());
}

std::optional<QByteArray> readFileOrComplain(const QString &name, QVector<Problem> &problems)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        problems.append({name, 0,
                         file.exists() ? QStringLiteral("cannot read: %1").arg(file.errorString())
                                       : QStringLiteral("cannot read: the file is missing")});
        return std::nullopt;
    }
    return file.readAll();
}

bool writeFileOrComplain(const QString &name, const QByteArray &bytes, QVector<Problem> &problems)
{
    QSaveFile file(name);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    problems.append({name, 0, QStringLiteral("cannot write: %1").arg(file.errorString())});
    return false;
}

} // namespace wallmatch
