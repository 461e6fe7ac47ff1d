#include "resultsfile.h"

#include "cli.h"
#include "sources.h"
#include "textinput.h"

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
    // Checked whole: what follows a NUL, broken UTF-8 or a cut last line is not silently lost.
    const TextInput input = checkTextInput(rawContent);
    if (!input.ok()) {
        file.unreadable = Problem {name, input.errorLine, input.error};
        return file;
    }
    QStringList lines = input.text.split(QLatin1Char('\n'));
    lines.removeLast(); // after the final line feed
    file.lineCount = int(lines.size());

    QSet<QPair<int, QString>> seen; // a sample may be shown once with each source
    for (int i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = parseResultLine(lines.at(i));
        if (!parsed.answer) {
            file.complaints.append({name, i + 1, parsed.error});
            continue;
        }
        // Only a name the program could have written: sources go on to terminals, CSV
        // files and spreadsheets.
        const QString sourceProblem = sourceNameProblem(parsed.answer->source);
        if (!sourceProblem.isEmpty()) {
            file.complaints.append({name, i + 1, sourceProblem});
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
