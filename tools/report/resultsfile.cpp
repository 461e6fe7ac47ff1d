#include "resultsfile.h"

#include "cli.h"

#include <QPair>
#include <QSet>

namespace wallmatch {

QVector<ResultAnswer> ResultsFile::runAnswers() const
{
    QVector<ResultAnswer> run;
    for (const ResultAnswer &a : answers) {
        if (!a.pastEnd)
            run.append(a);
    }
    return run;
}

ResultsFile parseResultsFile(const QString &name, const QByteArray &rawContent)
{
    ResultsFile file;
    file.name = name;
    const QByteArray content =
        rawContent.startsWith("\xEF\xBB\xBF") ? rawContent.mid(3) : rawContent;
    QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    // The remainder after the final line feed is not a line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    file.lineCount = int(lines.size());

    QSet<QPair<int, QString>> seen; // a sample may be shown once with each source
    for (int i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = parseResultLine(lines.at(i));
        if (!parsed.answer) {
            file.complaints.append({name, i + 1, parsed.error});
            continue;
        }
        ResultAnswer answer;
        static_cast<Answer &>(answer) = *parsed.answer;
        answer.line = i + 1;
        const QPair<int, QString> shown(answer.sampleId, answer.source);
        answer.pastEnd = seen.contains(shown);
        seen.insert(shown);
        file.answers.append(answer);
    }
    return file;
}

ResultsFile readResultsFile(const QString &name)
{
    QVector<Problem> problems;
    const std::optional<QByteArray> content = readFileOrComplain(name, problems);
    if (!content) {
        ResultsFile file;
        file.name = name;
        file.unreadable = problems.value(0);
        return file;
    }
    return parseResultsFile(name, *content);
}

} // namespace wallmatch
