#include "answer.h"

#include <QRegularExpression>

namespace wallmatch {

namespace {

QString timeText(const std::optional<qint64> &ms)
{
    if (!ms)
        return QString();
    const qint64 t = *ms < 0 ? 0 : *ms;
    return QString::asprintf("%lld:%02lld.%03lld", t / 60000, (t / 1000) % 60, t % 1000);
}

} // namespace

bool operator==(const Answer &a, const Answer &b)
{
    return a.sampleId == b.sampleId && a.wall1 == b.wall1 && a.wall2 == b.wall2
        && a.source == b.source && a.milliseconds == b.milliseconds && a.click1 == b.click1
        && a.click2 == b.click2;
}

QDebug operator<<(QDebug debug, const Answer &a)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Answer(" << a.sampleId << ", " << a.wall1 << ", " << a.wall2 << ", "
                    << a.source << ")";
    return debug;
}

std::optional<qint64> parseCaseTime(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^(\\d+):(\\d\\d)\\.(\\d\\d\\d)$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toLongLong() * 60000 + m.captured(2).toLongLong() * 1000
        + m.captured(3).toLongLong();
}

QString resultLine(const Answer &a)
{
    return QStringLiteral("ind %1: Wall %2 <==> Wall %3 (%4) Time: %5 Mouse: %6 %7 <==> %8 %9\n")
        .arg(a.sampleId)
        .arg(a.wall1)
        .arg(a.wall2)
        .arg(a.source, timeText(a.milliseconds))
        .arg(a.click1.x())
        .arg(a.click1.y())
        .arg(a.click2.x())
        .arg(a.click2.y());
}

QString logLine(const Answer &a, int caseNumber)
{
    return QStringLiteral("Sample %1: Wall %2 <===> Wall %3 (%4) Time: %5")
        .arg(caseNumber)
        .arg(a.wall1)
        .arg(a.wall2)
        .arg(a.source, timeText(a.milliseconds));
}

ParsedLine parseResultLine(const QString &line)
{
    static const QRegularExpression re(
        QStringLiteral("^ind (-?\\d+): Wall (-?\\d+) <==> Wall (-?\\d+) \\((.*)\\) Time: (\\S*) "
                       "Mouse: (-?\\d+) (-?\\d+) <==> (-?\\d+) (-?\\d+)\\r?$"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return {std::nullopt, QStringLiteral("not a result line")};
    Answer a;
    a.sampleId = m.captured(1).toInt();
    a.wall1 = m.captured(2).toInt();
    a.wall2 = m.captured(3).toInt();
    a.source = m.captured(4);
    if (!m.captured(5).isEmpty()) {
        a.milliseconds = parseCaseTime(m.captured(5));
        if (!a.milliseconds)
            return {std::nullopt, QStringLiteral("not a case time: %1").arg(m.captured(5))};
    }
    a.click1 = QPoint(m.captured(6).toInt(), m.captured(7).toInt());
    a.click2 = QPoint(m.captured(8).toInt(), m.captured(9).toInt());
    return {a, QString()};
}

} // namespace wallmatch
