#include "plan.h"

#include <QDir>
#include <QFile>
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

std::optional<QStringList> splitCsvLine(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty() && !wasQuoted) {
            field.clear();
            quoted = true;
            wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            fields.append(wasQuoted ? field : field.trimmed());
            field.clear();
            wasQuoted = false;
        } else if (wasQuoted) {
            if (!c.isSpace())
                return std::nullopt; // text after a closing quote
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields.append(wasQuoted ? field : field.trimmed());
    return fields;
}

Plan parsePlan(const QString &fileName, const QByteArray &content, const QString &baseDir)
{
    Plan plan;
    plan.file = fileName;
    plan.baseDir = baseDir;
    QMap<int, int> lineOfSample;
    bool firstRow = true;
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString line = lines.at(i);
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const bool header = firstRow;
        firstRow = false;

        const std::optional<QStringList> fields = splitCsvLine(line);
        if (!fields) {
            plan.errors.append({fileName, lineNo, QStringLiteral("unbalanced quotes")});
            continue;
        }
        bool numbered = false;
        const int sample = fields->value(0).toInt(&numbered);
        if (!numbered && header)
            continue;
        if (fields->size() != ColumnCount) {
            plan.errors.append({fileName, lineNo,
                                QStringLiteral("%1 fields; expected %2: %3")
                                    .arg(fields->size())
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
                     .arg(fields->at(0))});
            continue;
        }
        bool complete = true;
        for (int column : {1, 2, 4, 5}) {
            if (fields->at(column).isEmpty() || fields->at(column) == QLatin1String("-")) {
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
        lineOfSample.insert(sample, lineNo);
        if (!complete)
            continue;
        PlanRow row;
        row.line = lineNo;
        row.sample = sample;
        row.primary = {resolved(baseDir, fields->at(1)), resolved(baseDir, fields->at(2)),
                       resolved(baseDir, fields->at(3))};
        row.secondary = {resolved(baseDir, fields->at(4)), resolved(baseDir, fields->at(5)),
                         resolved(baseDir, fields->at(6))};
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
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Plan plan;
        plan.file = fileName;
        plan.errors.append(
            {fileName, 0, QStringLiteral("cannot read: %1").arg(file.errorString())});
        return plan;
    }
    return parsePlan(fileName, file.readAll(), QFileInfo(fileName).absolutePath());
}

} // namespace wallmatch
