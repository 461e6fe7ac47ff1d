#ifndef JUDGEDANSWERS_H
#define JUDGEDANSWERS_H

#include "resultsfile.h"
#include "truthfile.h"

#include <QString>
#include <QVector>

#include <optional>

namespace wallmatch {

// One case of a study as the report counts it: one answer of a results file, at its line, with
// its participant, sample and source, its time and what the truth file says of it.
struct JudgedAnswer
{
    QString file;
    int line = 0;
    QString participant; // participantOf(file)
    int sample = 0;
    QString source;
    std::optional<double> seconds; // none before the first time display
    Verdict verdict = Verdict::NotJudged; // always NotJudged without a truth file
    bool uncertain = false; // judged on truth rows that are all uncertain
    bool noCounterpart = false; // judged on a -1 row
    bool pastEnd = false; // repeats a (sample, source) of the same file: not a case of the run
    Answer answer;
};

// Every answer of every readable file, in file and line order.
QVector<JudgedAnswer> judgedAnswers(const QVector<ResultsFile> &files, const TruthFile *truth);

// What a researcher should know before trusting the accuracy: per source, when more than half
// of its judged answers rest on -1 rows (any answer there is wrong: most likely a truth that
// failed, not the participants), and the answered (sample, source) cases that the truth has no
// rows for. Answers past the end are left out.
QStringList truthWarnings(const QVector<JudgedAnswer> &cases, const TruthFile &truth);

// The participant of "results_ID.txt", and of its dated files "results_ID-DATE.txt", is ID; any
// other results file (the unnamed "results.txt" among them) stands for a participant of its
// own, named by the file. An ID that itself ends like a date (which earlier versions took) is
// a participant of its own where the session record of that name beside the file says so.
QString participantOf(const QString &fileName);
// The ID participantOf gives a participant file (results, events, ...), "" for the unnamed
// files; none for any other name.
std::optional<QString> participantIdOf(const QString &fileName);

} // namespace wallmatch

#endif // JUDGEDANSWERS_H
