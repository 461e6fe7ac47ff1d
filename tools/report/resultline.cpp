#include "resultline.h"

#include <QRegularExpression>

namespace wallmatch {

namespace {

// Walks a result line piece by piece so that a complaint can say where the line goes wrong.
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
                                                       QRegularExpression::AnchoredMatchOption);
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

std::optional<qint64> parseCaseTime(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,9}):([0-5]\\d)\\.(\\d{3})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toLongLong() * 60000 + m.captured(2).toLongLong() * 1000
        + m.captured(3).toLongLong();
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

    ResultAnswer a;
    LineReader r(line);
    r.literal(QStringLiteral("ind "), QStringLiteral("at the start of a result line"));
    a.sample = r.integer(QStringLiteral("the sample number"));
    r.literal(QStringLiteral(": Wall "), QStringLiteral("after the sample number"));
    a.wall1 = r.integer(QStringLiteral("the first wall"));
    r.literal(QStringLiteral(" <==> Wall "), QStringLiteral("after the first wall"));
    a.wall2 = r.integer(QStringLiteral("the second wall"));
    r.literal(QStringLiteral(" ("), QStringLiteral("after the second wall"));
    a.source = r.until(QStringLiteral(") Time: "), QStringLiteral("the corner source"));
    const int timeColumn = r.pos;
    const QString time = r.until(QStringLiteral(" Mouse: "), QStringLiteral("the time"));
    a.mouse1.setX(r.integer(QStringLiteral("the first mouse x")));
    r.literal(QStringLiteral(" "), QStringLiteral("between the first mouse x and y"));
    a.mouse1.setY(r.integer(QStringLiteral("the first mouse y")));
    r.literal(QStringLiteral(" <==> "), QStringLiteral("between the two mouse positions"));
    a.mouse2.setX(r.integer(QStringLiteral("the second mouse x")));
    r.literal(QStringLiteral(" "), QStringLiteral("between the second mouse x and y"));
    a.mouse2.setY(r.integer(QStringLiteral("the second mouse y")));
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
    if (a.sample < 1) {
        parsed.error = QStringLiteral("sample number %1: samples count from 1").arg(a.sample);
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
