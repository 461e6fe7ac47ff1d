#include "sessionfiles.h"

#include "answer.h"
#include "datedname.h"
#include "judgedanswers.h"
#include "participantfiles.h"

#include <QFileInfo>
#include <QMap>

namespace wallmatch {

namespace {

QString baseOf(const ResultsFile &file)
{
    const QString participant = participantOf(file.name);
    return participant == file.name ? undatedFileName(QFileInfo(file.name).fileName())
                                    : resultsFileFor(participant);
}

} // namespace

bool beginsWith(const ResultsFile &whole, const ResultsFile &part)
{
    if (part.answers.size() > whole.answers.size())
        return false;
    for (int i = 0; i < part.answers.size(); ++i)
        if (resultLine(part.answers.at(i)) != resultLine(whole.answers.at(i)))
            return false;
    return true;
}

QVector<ResultsFile> countedOnce(const QVector<ResultsFile> &files, QStringList *notes)
{
    QMap<QString, QVector<int>> groups; // by the file name the dated ones were made from
    for (int i = 0; i < files.size(); ++i)
        if (!files.at(i).unreadable)
            groups[baseOf(files.at(i))].append(i);

    QVector<bool> left(files.size(), false);
    for (const QVector<int> &group : qAsConst(groups)) {
        if (group.size() < 2)
            continue;
        for (int i : group) {
            // The file that holds it, the longest first; of equal files the first given stays.
            int holder = -1;
            for (int j : group) {
                if (j == i || left.at(j) || !beginsWith(files.at(j), files.at(i)))
                    continue;
                const bool longer = files.at(j).answers.size() > files.at(i).answers.size();
                if ((longer || j < i)
                    && (holder < 0 || files.at(j).answers.size() > files.at(holder).answers.size()))
                    holder = j;
            }
            if (holder < 0)
                continue;
            left[i] = true;
            const int answers = int(files.at(i).answers.size());
            notes->append(answers == 0
                              ? QStringLiteral("note: %1 holds no answers; left out beside %2")
                                    .arg(files.at(i).name, files.at(holder).name)
                              : QStringLiteral("note: every answer of %2 (%1) is also in %3, "
                                               "first and in order: counted once, from %3")
                                    .arg(answers)
                                    .arg(files.at(i).name, files.at(holder).name));
        }
        QStringList sessions;
        for (int i : group)
            if (!left.at(i))
                sessions << files.at(i).name;
        const QString participant = participantOf(files.at(group.first()).name);
        if (sessions.size() > 1 && participant != files.at(group.first()).name)
            notes->append(QStringLiteral("note: %1 answered in %2 sessions (%3); all are counted "
                                         "as %1's; give one file alone to count its session only")
                              .arg(participant)
                              .arg(sessions.size())
                              .arg(sessions.join(QStringLiteral(", "))));
    }

    QVector<ResultsFile> counted;
    for (int i = 0; i < files.size(); ++i)
        if (!left.at(i))
            counted.append(files.at(i));
    return counted;
}

} // namespace wallmatch
