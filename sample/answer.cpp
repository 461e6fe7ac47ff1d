#include "answer.h"

#include <QRegularExpression>

namespace wallmatch {

namespace {

// A match that must start at the offset given; Qt 6 renamed the option.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
constexpr auto anchoredAtOffset = QRegularExpression::AnchorAtOffsetMatchOption;
#else
constexpr auto anchoredAtOffset = QRegularExpression::AnchoredMatchOption;
#endif

// The two texts the program writes for an answer. The parser below reads the first back, so
// both stay here, side by side.
const char resultFormat[] = "ind %d: Wall %d <==> Wall %d (%s) Time: %s Mouse: %d %d <==> %d %d\n";
const char logFormat[] = "Sample %d: Wall %d <===> Wall %d (%s) Time: %s";

QString timeText(const Answer &a)
{
    return a.milliseconds ? formatCaseTime(*a.milliseconds) : QString();
}

// Walks a result line piece by piece so that an error can say where the line goes wrong.
class LineReader
{
public:
    explicit LineReader(const QString &text)
        : text(text)
    {
    }

    bool literal(const QString &expected, const QString &where)
    {
        if (!error.isEmpty())
            return false;
        if (QStringView(text).mid(pos).startsWith(expected)) {
            pos += expected.size();
            return true;
        }
        fail(QStringLiteral("expected \"%1\" %2").arg(expected, where));
        return false;
    }

    int integer(const QString &what)
    {
        if (!error.isEmpty())
            return 0;
        static const QRegularExpression number(QStringLiteral("-?\\d+"));
        const QRegularExpressionMatch m = number.match(text, pos, QRegularExpression::NormalMatch,
                                                       anchoredAtOffset);
        bool ok = false;
        const int value = m.hasMatch() ? m.captured().toInt(&ok) : 0;
        if (!ok) {
            fail(QStringLiteral("expected %1 as a whole number").arg(what));
            return 0;
        }
        pos = m.capturedEnd();
        return value;
    }

    // The text up to (not including) `terminator`, which is then skipped.
    QString until(const QString &terminator, const QString &what)
    {
        if (!error.isEmpty())
            return {};
        const int end = text.indexOf(terminator, pos);
        if (end < 0) {
            fail(QStringLiteral("expected \"%1\" after %2").arg(terminator, what));
            return {};
        }
        const QString piece = text.mid(pos, end - pos);
        pos = end + terminator.size();
        return piece;
    }

    void end()
    {
        if (error.isEmpty() && pos < text.size())
            fail(QStringLiteral("unexpected text after the last mouse coordinate"));
    }

    void fail(const QString &message)
    {
        if (error.isEmpty())
            error = QStringLiteral("column %1: %2").arg(pos + 1).arg(message);
    }

    QString error;
    int pos = 0;

private:
    const QString &text;
};

} // namespace

bool operator==(const Answer &a, const Answer &b)
{
    return a.sampleId == b.sampleId && a.wall1 == b.wall1 && a.wall2 == b.wall2
        && a.source == b.source && a.milliseconds == b.milliseconds && a.click1 == b.click1
        && a.click2 == b.click2;
}

QDebug operator<<(QDebug debug, const Answer &a)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "Answer(sample " << a.sampleId << ", walls " << a.wall1 << " <==> "
                    << a.wall2 << ", " << a.source << ", time ";
    if (a.milliseconds)
        debug << *a.milliseconds << " ms";
    else
        debug << "none";
    debug << ", clicks " << a.click1.x() << ' ' << a.click1.y() << " <==> " << a.click2.x() << ' '
          << a.click2.y() << ')';
    return debug;
}

QString formatCaseTime(qint64 milliseconds)
{
    const qint64 ms = milliseconds < 0 ? 0 : milliseconds;
    return QString::asprintf("%lld:%02lld.%03lld", ms / 60000, (ms / 1000) % 60, ms % 1000);
}

std::optional<qint64> parseCaseTime(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,9}):([0-5]\\d)\\.(\\d{3})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toLongLong() * 60000 + m.captured(2).toLongLong() * 1000
        + m.captured(3).toLongLong();
}

QString resultLine(const Answer &a)
{
    return QString::asprintf(resultFormat, a.sampleId, a.wall1, a.wall2,
                             a.source.toUtf8().constData(), timeText(a).toUtf8().constData(),
                             a.click1.x(), a.click1.y(), a.click2.x(), a.click2.y());
}

QString logLine(const Answer &a, int caseNumber)
{
    return QString::asprintf(logFormat, caseNumber, a.wall1, a.wall2, a.source.toUtf8().constData(),
                             timeText(a).toUtf8().constData());
}

ParsedLine parseResultLine(const QString &rawLine)
{
    const QString line = rawLine.endsWith(QLatin1Char('\r')) ? rawLine.chopped(1) : rawLine;
    ParsedLine parsed;
    if (line.trimmed().isEmpty()) {
        parsed.error = QStringLiteral("empty line");
        return parsed;
    }
    if (line.startsWith(QLatin1String("Sample "))) {
        parsed.error = QStringLiteral("a line of the on-screen log (\"Sample ...\"), not of the "
                                      "results file");
        return parsed;
    }

    Answer a;
    LineReader r(line);
    r.literal(QStringLiteral("ind "), QStringLiteral("at the start of a result line"));
    a.sampleId = r.integer(QStringLiteral("the sample number"));
    r.literal(QStringLiteral(": Wall "), QStringLiteral("after the sample number"));
    a.wall1 = r.integer(QStringLiteral("the first wall"));
    r.literal(QStringLiteral(" <==> Wall "), QStringLiteral("after the first wall"));
    a.wall2 = r.integer(QStringLiteral("the second wall"));
    r.literal(QStringLiteral(" ("), QStringLiteral("after the second wall"));
    a.source = r.until(QStringLiteral(") Time: "), QStringLiteral("the corner source"));
    const int timeColumn = r.pos;
    const QString time = r.until(QStringLiteral(" Mouse: "), QStringLiteral("the time"));
    a.click1.setX(r.integer(QStringLiteral("the first mouse x")));
    r.literal(QStringLiteral(" "), QStringLiteral("between the first mouse x and y"));
    a.click1.setY(r.integer(QStringLiteral("the first mouse y")));
    r.literal(QStringLiteral(" <==> "), QStringLiteral("between the two mouse positions"));
    a.click2.setX(r.integer(QStringLiteral("the second mouse x")));
    r.literal(QStringLiteral(" "), QStringLiteral("between the second mouse x and y"));
    a.click2.setY(r.integer(QStringLiteral("the second mouse y")));
    r.end();
    if (!r.error.isEmpty()) {
        parsed.error = r.error;
        return parsed;
    }

    if (!time.isEmpty()) {
        a.milliseconds = parseCaseTime(time);
        if (!a.milliseconds) {
            parsed.error =
                QStringLiteral("column %1: time \"%2\" is not minutes:seconds.milliseconds "
                               "(m:ss.zzz)")
                    .arg(timeColumn + 1)
                    .arg(time);
            return parsed;
        }
    }
    if (a.sampleId < 1) {
        parsed.error = QStringLiteral("sample number %1: samples count from 1").arg(a.sampleId);
        return parsed;
    }
    if (a.wall1 < 0 || a.wall2 < 0) {
        parsed.error = QStringLiteral("wall %1 <==> %2: an answer needs a wall in each view")
                           .arg(a.wall1)
                           .arg(a.wall2);
        return parsed;
    }
    parsed.answer = a;
    return parsed;
}

} // namespace wallmatch
