#ifndef TRUTHTABLE_H
#define TRUTHTABLE_H

#include "answer.h"
#include "problem.h"

#include <QHash>
#include <QVector>

namespace wallmatch {

struct ResultsFile;

// Which secondary wall matches each primary wall, per sample: read from a CSV "sample,primary
// wall,secondary wall" with a header line, one row per sample and primary wall.
struct TruthTable
{
    QString file;
    QHash<int, QHash<int, int>> matches; // sample -> primary wall -> secondary wall
    QVector<Problem> complaints;

    bool covers(int sample) const { return matches.contains(sample); }
    // The table says whether this answer is right: it has a row for the answer's primary wall.
    bool judges(const Answer &answer) const;
    // Only meaningful when the answer is judged.
    bool isCorrect(const Answer &answer) const;
};

TruthTable parseTruthTable(const QString &name, const QByteArray &content);
TruthTable readTruthTable(const QString &name);

// Answers for a sample the table covers whose primary wall has no row there: the table is
// incomplete, and such an answer cannot be judged. One problem per answer, at its line.
QVector<Problem> missingTruthRows(const QVector<ResultsFile> &files, const TruthTable &truth);

} // namespace wallmatch

#endif // TRUTHTABLE_H
