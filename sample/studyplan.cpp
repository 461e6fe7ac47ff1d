#include "studyplan.h"

#include "csv.h"
#include "sources.h"
#include "textinput.h"

#include <QHash>
#include <QPair>
#include <algorithm>

namespace wallmatch {

namespace {

QString problem(const QString &fileName, int line, const QString &text)
{
    return QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(text);
}

bool isBlank(const QStringList &fields)
{
    return fields.size() == 1 && fields.first().trimmed().isEmpty();
}

} // namespace

StudyPlan parseStudyPlan(const QString &text, const QString &fileName)
{
    StudyPlan plan;
    const CsvTable table = parseCsv(text);
    if (!table.error.isEmpty()) {
        plan.problems.append(problem(fileName, table.errorLine, table.error));
        return plan;
    }
    int row = 0;
    while (row < table.rows.size() && isBlank(table.rows.at(row).fields))
        ++row;
    if (row == table.rows.size()) {
        plan.problems.append(problem(fileName, 1,
                                     QStringLiteral("empty plan: the header "
                                                    "\"sample,source\" is missing")));
        return plan;
    }
    const CsvRow &header = table.rows.at(row++);
    // An optional third column, "phase", marks practice cases.
    const int columns = header.fields.size();
    if ((columns != 2 && columns != 3) || header.fields.at(0).trimmed() != QLatin1String("sample")
        || header.fields.at(1).trimmed() != QLatin1String("source")
        || (columns == 3 && header.fields.at(2).trimmed() != QLatin1String("phase"))) {
        plan.problems.append(problem(fileName, header.line,
                                     QStringLiteral("the header must be \"sample,source\" or "
                                                    "\"sample,source,phase\", not \"%1\"")
                                         .arg(quotedInput(header.fields.join(QLatin1Char(','))))));
        return plan;
    }
    int firstTestLine = 0;
    // An answer is known by its sample and source: a test case asked twice could not be told
    // from its repeat, and the second answer would count as given after the end.
    QHash<QPair<int, QString>, int> testLines;
    for (; row < table.rows.size(); ++row) {
        const CsvRow &r = table.rows.at(row);
        if (isBlank(r.fields))
            continue;
        if (r.fields.size() != columns) {
            plan.problems.append(
                problem(fileName, r.line,
                        QStringLiteral("%1 fields, expected %2 (%3)")
                            .arg(r.fields.size())
                            .arg(columns)
                            .arg(columns == 2 ? QStringLiteral("sample,source")
                                              : QStringLiteral("sample,source,phase"))));
            continue;
        }
        PlanCase c;
        c.line = r.line;
        bool ok = false;
        const QString sampleText = r.fields.at(0).trimmed();
        c.sample = sampleText.toInt(&ok, 10);
        if (!ok || c.sample < 1 || sampleText.startsWith(QLatin1Char('+'))) {
            plan.problems.append(
                problem(fileName, r.line,
                        QStringLiteral("sample \"%1\" is not a positive whole number")
                            .arg(quotedInput(r.fields.at(0)))));
            continue;
        }
        c.source = r.fields.at(1).trimmed();
        if (!isSourceName(c.source)) {
            plan.problems.append(problem(fileName, r.line, sourceNameProblem(r.fields.at(1))));
            continue;
        }
        const QString phase = columns == 3 ? r.fields.at(2).trimmed() : QString();
        if (!phase.isEmpty() && phase != QLatin1String("test")
            && phase != QLatin1String("practice")) {
            plan.problems.append(problem(fileName, r.line,
                                         QStringLiteral("phase \"%1\" is neither practice nor "
                                                        "test")
                                             .arg(r.fields.at(2))));
            continue;
        }
        c.practice = phase == QLatin1String("practice");
        if (!c.practice && firstTestLine == 0) {
            firstTestLine = r.line;
        } else if (c.practice && firstTestLine > 0) {
            plan.problems.append(problem(fileName, r.line,
                                         QStringLiteral("a practice case after the test case of "
                                                        "line %1: practice cases come first")
                                             .arg(firstTestLine)));
            continue;
        }
        if (!c.practice) {
            const QPair<int, QString> key(c.sample, c.source);
            if (const int first = testLines.value(key)) {
                plan.problems.append(problem(fileName, r.line,
                                             QStringLiteral("sample %1 with source %2 again "
                                                            "(first on line %3): each is a "
                                                            "test case once")
                                                 .arg(c.sample)
                                                 .arg(c.source)
                                                 .arg(first)));
                continue;
            }
            testLines.insert(key, r.line);
        }
        plan.cases.append(c);
    }
    if (plan.cases.isEmpty() && plan.problems.isEmpty())
        plan.problems.append(
            problem(fileName, header.line, QStringLiteral("the plan has no cases")));
    else if (testLines.isEmpty() && plan.problems.isEmpty())
        plan.problems.append(problem(fileName, header.line,
                                     QStringLiteral("the plan has practice cases only: a test "
                                                    "case is needed for any answer to be kept")));
    return plan;
}

QString studyPlanCsv(const QVector<PlanCase> &cases)
{
    // The phase column only where there is practice: plans without it read as they always did.
    const bool phases =
        std::any_of(cases.begin(), cases.end(), [](const PlanCase &c) { return c.practice; });
    QString text =
        phases ? QStringLiteral("sample,source,phase\n") : QStringLiteral("sample,source\n");
    for (const PlanCase &c : cases) {
        text += QStringLiteral("%1,%2").arg(c.sample).arg(c.source);
        if (phases)
            text += c.practice ? QStringLiteral(",practice") : QStringLiteral(",test");
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace wallmatch
