#include "plan.h"

#include "cli.h"
#include "csv.h"
#include "textinput.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

namespace wallmatch {

namespace {

constexpr int ColumnCount = 7;

const char *const columnNames[ColumnCount] = {"sample",
                                              "primary image",
                                              "primary Kestrel corners",
                                              "primary Bramble corners",
                                              "secondary image",
                                              "secondary Kestrel corners",
                                              "secondary Bramble corners"};

QString resolved(const QString &baseDir, const QString &field)
{
    if (field.isEmpty() || field == QLatin1String("-"))
        return {};
    return QDir::cleanPath(QDir(baseDir).absoluteFilePath(field));
}

} // namespace

Plan parsePlan(const QString &fileName, const QByteArray &content, const QString &baseDir)
{
    Plan plan;
    plan.file = fileName;
    plan.baseDir = baseDir;
    QMap<int, int> lineOfSample;
    bool firstRow = true;
    const TextInput input = checkTextInput(content, maxAssembledSamples + 1000);
    if (!input.ok()) {
        plan.errors.append({fileName, input.errorLine, input.error});
        return plan;
    }
    // Comment lines become empty ones, so that a quote in a comment is not read as CSV and the
    // line numbers stay.
    QStringList lines = input.text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.trimmed().startsWith(QLatin1Char('#')))
            line.clear();
    }
    const CsvTable table = parseCsv(lines.join(QLatin1Char('\n')));
    if (!table.error.isEmpty())
        plan.errors.append({fileName, table.errorLine, table.error});
    for (const CsvRow &csvRow : table.rows) {
        const int lineNo = csvRow.line;
        QStringList trimmed;
        for (const QString &field : csvRow.fields)
            trimmed.append(field.trimmed());
        if (trimmed.size() == 1 && trimmed.first().isEmpty())
            continue;
        const bool header = firstRow;
        firstRow = false;
        const QStringList &fields = trimmed;
        bool numbered = false;
        const int sample = fields.value(0).toInt(&numbered);
        if (!numbered && header)
            continue;
        if (fields.size() != ColumnCount) {
            plan.errors.append({fileName, lineNo,
                                QStringLiteral("%1 fields; expected %2: %3")
                                    .arg(fields.size())
                                    .arg(ColumnCount)
                                    .arg(QStringLiteral("sample, primary image, primary "
                                                        "Kestrel, primary Bramble, secondary "
                                                        "image, secondary Kestrel, secondary "
                                                        "Bramble"))});
            continue;
        }
        if (!numbered || sample < 1) {
            plan.errors.append(
                {fileName, lineNo,
                 QStringLiteral("sample number \"%1\" is not a whole number from 1 on")
                     .arg(quotedInput(fields.at(0)))});
            continue;
        }
        bool complete = true;
        for (int column : {1, 2, 4, 5}) {
            if (fields.at(column).isEmpty() || fields.at(column) == QLatin1String("-")) {
                plan.errors.append(
                    {fileName, lineNo,
                     QStringLiteral("the %1 is missing").arg(QLatin1String(columnNames[column]))});
                complete = false;
            }
        }
        if (lineOfSample.contains(sample)) {
            plan.errors.append({fileName, lineNo,
                                QStringLiteral("sample %1 is already planned on line %2")
                                    .arg(sample)
                                    .arg(lineOfSample.value(sample))});
            continue;
        }
        if (lineOfSample.size() == maxAssembledSamples) {
            plan.errors.append({fileName, lineNo,
                                QStringLiteral("more than %1 samples").arg(maxAssembledSamples)});
            return plan;
        }
        lineOfSample.insert(sample, lineNo);
        if (!complete)
            continue;
        PlanRow row;
        row.line = lineNo;
        row.sample = sample;
        row.primary = {resolved(baseDir, fields.at(1)), resolved(baseDir, fields.at(2)),
                       resolved(baseDir, fields.at(3))};
        row.secondary = {resolved(baseDir, fields.at(4)), resolved(baseDir, fields.at(5)),
                         resolved(baseDir, fields.at(6))};
        plan.rows.append(row);
    }

    if (lineOfSample.isEmpty()) {
        plan.errors.append({fileName, 0, QStringLiteral("no samples planned")});
        return plan;
    }
    // Gaps as ranges, so a mistyped large number does not list thousands of samples.
    QStringList missing;
    int previous = 0;
    for (auto it = lineOfSample.cbegin(); it != lineOfSample.cend(); ++it) {
        const int from = previous + 1;
        const int to = it.key() - 1;
        if (to == from)
            missing.append(QString::number(from));
        else if (to > from)
            missing.append(QStringLiteral("%1-%2").arg(from).arg(to));
        previous = it.key();
    }
    const int last = previous;
    if (!missing.isEmpty())
        plan.errors.append({fileName, 0,
                            QStringLiteral("samples must run 1..%1 without gaps; missing: %2")
                                .arg(last)
                                .arg(missing.join(QStringLiteral(", ")))});
    return plan;
}

Plan readPlan(const QString &fileName)
{
    Plan plan;
    plan.file = fileName;
    const std::optional<QByteArray> content = readFileOrComplain(fileName, plan.errors);
    if (!content)
        return plan;
    return parsePlan(fileName, *content, QFileInfo(fileName).absolutePath());
}

} // namespace wallmatch
