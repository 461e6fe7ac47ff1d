#ifndef PSYCHDS_H
#define PSYCHDS_H

#include "problem.h"
#include "trials.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

// The tidy data as a Psych-DS data set (https://psych-ds.github.io/): in `dir`,
// dataset_description.json (schema.org Dataset: name, description, variableMeasured naming every
// column of the data files) and data/study-STUDY_participant-ID_data.csv, one file per
// participant with the rows of trialsCsv. Keyword values keep the letters and digits of the
// study name and participant ID (Psych-DS allows no others); participants whose IDs then
// coincide are numbered. `dir` must be new or empty. Returns false, with problems added, when
// something could not be written.
bool writePsychDs(const QString &dir, const QString &study, const QVector<Trial> &trials,
                  QVector<Problem> &problems);

// A keyword value: the ASCII letters and digits of `text`, or `fallback` when none are left.
QString psychDsKeywordValue(const QString &text, const QString &fallback);

// The global metadata for data files with these columns.
QByteArray psychDsDescription(const QString &study, const QStringList &columns, int participants);

} // namespace wallmatch

#endif // PSYCHDS_H
