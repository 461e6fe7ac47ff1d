#include "truthtable.h"

#include "cli.h"
#include "csv.h"
#include "resultsfile.h"
#include "textinput.h"

#include <QPair>

namespace wallmatch {

bool TruthTable::judges(const Answer &answer) const
{
    return matches.value(answer.sampleId).contains(answer.wall1);
}

bool TruthTable::isCorrect(const Answer &answer) const
{
    const QHash<int, int> walls = matches.value(answer.sampleId);
    return walls.contains(answer.wall1) && walls.value(answer.wall1) == answer.wall2;
}

TruthTable parseTruthTable(const QString &name, const QByteArray &content)
{
    TruthTable truth;
    truth.file = name;
    const TextInput input = checkTextInput(content);
    if (!input.ok()) {
        truth.complaints.append({name, input.errorLine, input.error});
        return truth;
    }
    const CsvTable table = parseCsv(input.text);
    QHash<QPair<int, int>, int> lineOfRow; // (sample, primary wall) -> line
    for (int i = 0; i < table.rows.size(); ++i) {
        const CsvRow &row = table.rows.at(i);
        int values[3] = {0, 0, 0};
        bool numeric = row.fields.size() == 3;
        for (int k = 0; numeric && k < 3; ++k)
            values[k] = row.fields.at(k).trimmed().toInt(&numeric);
        if (i == 0 && !numeric)
            continue; // the header
        if (row.fields.size() == 1 && row.fields.first().trimmed().isEmpty()) {
            truth.complaints.append({name, row.line, QStringLiteral("empty line")});
            continue;
        }
        if (!numeric) {
            truth.complaints.append({name, row.line,
                                     QStringLiteral("expected \"sample,primary wall,secondary "
                                                    "wall\" as three whole numbers")});
            continue;
        }
        if (values[0] < 1 || values[1] < 0 || values[2] < 0) {
            truth.complaints.append(
                {name, row.line, QStringLiteral("samples count from 1 and walls from 0")});
            continue;
        }
        const QPair<int, int> key(values[0], values[1]);
        QHash<int, int> &walls = truth.matches[values[0]];
        if (walls.contains(values[1])) {
            // The same row twice is harmless; two different partners are not.
            if (walls.value(values[1]) != values[2])
                truth.complaints.append(
                    {name, row.line,
                     QStringLiteral("sample %1, primary wall %2: secondary wall %3 here, but %4 "
                                    "on line %5")
                         .arg(values[0])
                         .arg(values[1])
                         .arg(values[2])
                         .arg(walls.value(values[1]))
                         .arg(lineOfRow.value(key))});
            continue;
        }
        walls.insert(values[1], values[2]);
        lineOfRow.insert(key, row.line);
    }
    if (!table.error.isEmpty())
        truth.complaints.append({name, table.errorLine, table.error});
    if (truth.matches.isEmpty() && truth.complaints.isEmpty())
        truth.complaints.append({name, 0, QStringLiteral("no rows below the header")});
    return truth;
}

TruthTable readTruthTable(const QString &name)
{
    TruthTable truth;
    const std::optional<QByteArray> content = readFileOrComplain(name, truth.complaints);
    if (!content) {
        truth.file = name;
        return truth;
    }
    return parseTruthTable(name, *content);
}

QVector<Problem> missingTruthRows(const QVector<ResultsFile> &files, const TruthTable &truth)
{
    QVector<Problem> problems;
    for (const ResultsFile &f : files) {
        for (const ResultAnswer &a : f.answers) {
            if (truth.covers(a.sampleId) && !truth.judges(a))
                problems.append({f.name, a.line,
                                 QStringLiteral("sample %1, primary wall %2: %3 has no row for "
                                                "this wall")
                                     .arg(a.sampleId)
                                     .arg(a.wall1)
                                     .arg(truth.file)});
        }
    }
    return problems;
}

} // namespace wallmatch
