#include "studyplan.h"

namespace wallmatch {

namespace {
const QString header = QStringLiteral("sample,source");
const QStringList sourceNames = {QStringLiteral("Kestrel"), QStringLiteral("Bramble")};
} // namespace

StudyPlan parseStudyPlan(const QString &text, const QString &fileName)
{
    StudyPlan plan;
    auto problem = [&](int line, const QString &message) {
        plan.problems.append(QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(message));
    };
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    if (lines.isEmpty() || lines.first().trimmed() != header) {
        problem(1, QStringLiteral("expected the header \"%1\"").arg(header));
        return plan;
    }
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines.at(i).split(QLatin1Char(','));
        bool ok = false;
        const int sample = fields.value(0).trimmed().toInt(&ok);
        if (fields.size() != 2 || !ok || sample < 1) {
            problem(i + 1,
                    QStringLiteral("expected \"sample,source\" with a sample number from 1"));
            continue;
        }
        const QString source = fields.at(1).trimmed();
        if (!sourceNames.contains(source)) {
            problem(i + 1, QStringLiteral("unknown source \"%1\"").arg(source));
            continue;
        }
        plan.cases.append({i + 1, sample, source});
    }
    if (plan.cases.isEmpty() && plan.problems.isEmpty())
        problem(1, QStringLiteral("no cases below the header"));
    return plan;
}

QString studyPlanCsv(const QVector<PlanCase> &cases)
{
    QString csv = header + QLatin1Char('\n');
    for (const PlanCase &c : cases)
        csv += QStringLiteral("%1,%2\n").arg(c.sample).arg(c.source);
    return csv;
}

} // namespace wallmatch
