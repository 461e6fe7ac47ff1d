#include "truthtable.h"

#include <QFile>

namespace wallmatch {

bool TruthTable::isCorrect(const ResultAnswer &answer) const
{
    return matches.value(answer.sample).contains(qMakePair(answer.wall1, answer.wall2));
}

TruthTable parseTruthTable(const QString &name, const QByteArray &rawContent)
{
    TruthTable truth;
    const QByteArray content =
        rawContent.startsWith("\xEF\xBB\xBF") ? rawContent.mid(3) : rawContent;
    QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        const QStringList fields = line.split(QLatin1Char(','));
        int values[3] = {0, 0, 0};
        bool numeric = fields.size() == 3;
        for (int k = 0; numeric && k < 3; ++k)
            values[k] = fields.at(k).trimmed().toInt(&numeric);
        if (i == 0 && !numeric)
            continue; // the header
        if (line.isEmpty()) {
            truth.complaints.append({name, i + 1, QStringLiteral("empty line")});
        } else if (!numeric) {
            truth.complaints.append({name, i + 1,
                                     QStringLiteral("expected \"sample,primary wall,secondary "
                                                    "wall\" as three whole numbers")});
        } else if (values[0] < 1 || values[1] < 0 || values[2] < 0) {
            truth.complaints.append(
                {name, i + 1, QStringLiteral("samples count from 1 and walls from 0")});
        } else {
            truth.matches[values[0]].insert(qMakePair(values[1], values[2]));
        }
    }
    if (truth.matches.isEmpty() && truth.complaints.isEmpty())
        truth.complaints.append({name, 0, QStringLiteral("no rows below the header")});
    return truth;
}

TruthTable readTruthTable(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) {
        TruthTable truth;
        truth.complaints.append({name, 0, QStringLiteral("cannot read: %1").arg(f.errorString())});
        return truth;
    }
    return parseTruthTable(name, f.readAll());
}

} // namespace wallmatch
