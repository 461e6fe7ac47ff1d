#ifndef TRUTHTABLE_H
#define TRUTHTABLE_H

#include "complaint.h"
#include "resultline.h"

#include <QHash>
#include <QPair>
#include <QSet>
#include <QVector>

namespace wallmatch {

// Which wall pairs match, per sample: read from a CSV "sample,primary wall,secondary wall"
// with a header line, one row per sample and matching wall.
struct TruthTable
{
    QHash<int, QSet<QPair<int, int>>> matches;
    QVector<Complaint> complaints;

    bool covers(int sample) const { return matches.contains(sample); }
    // Only meaningful when the sample is covered.
    bool isCorrect(const ResultAnswer &answer) const;
};

TruthTable parseTruthTable(const QString &name, const QByteArray &content);
TruthTable readTruthTable(const QString &name);

} // namespace wallmatch

#endif // TRUTHTABLE_H
