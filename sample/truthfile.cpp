#include "truthfile.h"

#include "csv.h"
#include "regularfile.h"
#include "sources.h"
#include "textinput.h"

#include <QFile>

#include <algorithm>

namespace wallmatch {

namespace {

const QString fourColumnHeader = QStringLiteral("sample,source,primary wall,secondary wall");
const QString fiveColumnHeader =
    QStringLiteral("sample,source,primary wall,secondary wall,certain");
const QString threeColumnHeader = QStringLiteral("sample,primary wall,secondary wall");

bool isBlank(const QStringList &fields)
{
    return fields.size() == 1 && fields.first().trimmed().isEmpty();
}

bool wholeNumber(const QString &field, int *value)
{
    bool ok = false;
    const QString text = field.trimmed();
    *value = text.toInt(&ok, 10);
    return ok && !text.startsWith(QLatin1Char('+'));
}

QString wallText(int wall)
{
    return wall < 0 ? QStringLiteral("-1 (no counterpart)")
                    : QStringLiteral("secondary wall %1").arg(wall);
}

} // namespace

Verdict TruthFile::judge(int sample, const QString &source, int primaryWall,
                         int secondaryWall) const
{
    const auto found = walls.constFind(qMakePair(sample, perSource ? source : QString()));
    if (found == walls.constEnd())
        return Verdict::NotJudged;
    const auto wall = found->constFind(primaryWall);
    if (wall == found->constEnd())
        return Verdict::NotJudged;
    if (certainOnly && !certain(sample, source, primaryWall))
        return Verdict::NotJudged;
    return secondaryWall >= 0 && wall->contains(secondaryWall) ? Verdict::Correct : Verdict::Wrong;
}

QVector<int> TruthFile::rightWalls(int sample, const QString &source, int primaryWall) const
{
    const auto found = walls.constFind(qMakePair(sample, perSource ? source : QString()));
    if (found == walls.constEnd())
        return {};
    QVector<int> right;
    for (int wall : found->value(primaryWall))
        if (wall >= 0)
            right.append(wall);
    return right;
}

bool TruthFile::certain(int sample, const QString &source, int primaryWall) const
{
    const auto found = certainWalls.constFind(qMakePair(sample, perSource ? source : QString()));
    return found == certainWalls.constEnd() || found->value(primaryWall, true);
}

bool TruthFile::hasRow(int sample, const QString &source, int primaryWall) const
{
    const auto found = walls.constFind(qMakePair(sample, perSource ? source : QString()));
    return found != walls.constEnd() && found->contains(primaryWall);
}

bool TruthFile::noCounterpart(int sample, const QString &source, int primaryWall) const
{
    const auto found = walls.constFind(qMakePair(sample, perSource ? source : QString()));
    return found != walls.constEnd() && found->value(primaryWall).value(0, 0) < 0;
}

bool TruthFile::covers(int sample, const QString &source) const
{
    return walls.contains(qMakePair(sample, perSource ? source : QString()));
}

TruthFile parseTruthFile(const QString &fileName, const QByteArray &content)
{
    TruthFile truth;
    truth.file = fileName;
    const auto problem = [&](int line, const QString &text) {
        truth.problems.append(QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(text));
    };
    // Checked whole: rows after a NUL, a broken character or a cut last line are not lost.
    const TextInput input = checkTextInput(content);
    if (!input.ok()) {
        truth.problems.append(input.problem(fileName));
        return truth;
    }
    const CsvTable table = parseCsv(input.text);
    QHash<QPair<QPair<int, QString>, int>, int> lineOf; // key and primary wall -> first line
    int columns = 0; // 3, 4 or 5 once known
    bool first = true;
    for (const CsvRow &row : table.rows) {
        if (isBlank(row.fields)) {
            problem(row.line, QStringLiteral("empty line"));
            continue;
        }
        int sampleValue = 0;
        if (first) {
            first = false;
            const int n = int(row.fields.size());
            if (n >= 3 && n <= 5)
                columns = n;
            if (!wholeNumber(row.fields.first(), &sampleValue)) {
                if (columns == 0) {
                    problem(row.line,
                            QStringLiteral("the header must be \"%1\" (or \"%2\", or the "
                                           "older \"%3\"), not \"%4\"")
                                .arg(fourColumnHeader, fiveColumnHeader, threeColumnHeader,
                                     row.fields.join(QLatin1Char(','))));
                    break;
                }
                continue; // the header; its names are not checked, only their count
            }
        }
        const QString expected = columns == 3 ? threeColumnHeader
            : columns == 5                    ? fiveColumnHeader
                                              : fourColumnHeader;
        if (row.fields.size() != columns) {
            problem(row.line,
                    QStringLiteral("%1 fields, expected %2 (%3)")
                        .arg(row.fields.size())
                        .arg(columns)
                        .arg(expected));
            continue;
        }
        TruthRow r;
        r.line = row.line;
        int walls[2] = {0, 0};
        const int wallField = columns >= 4 ? 2 : 1;
        if (!wholeNumber(row.fields.at(0), &r.sample) || r.sample < 1) {
            problem(row.line,
                    QStringLiteral("sample \"%1\" is not a positive whole number")
                        .arg(row.fields.at(0)));
            continue;
        }
        if (!wholeNumber(row.fields.at(wallField), &walls[0]) || walls[0] < 0) {
            problem(row.line,
                    QStringLiteral("primary wall \"%1\" is not a wall number (0, 1, …)")
                        .arg(row.fields.at(wallField)));
            continue;
        }
        if (!wholeNumber(row.fields.at(wallField + 1), &walls[1]) || walls[1] < -1) {
            problem(row.line,
                    QStringLiteral("secondary wall \"%1\" is not a wall number or -1")
                        .arg(row.fields.at(wallField + 1)));
            continue;
        }
        if (columns == 5) {
            const QString certain = row.fields.at(4).trimmed();
            if (certain != QLatin1String("1") && certain != QLatin1String("0")) {
                problem(row.line,
                        QStringLiteral("certain \"%1\" is not 1 or 0").arg(row.fields.at(4)));
                continue;
            }
            r.certain = certain == QLatin1String("1");
        }
        if (columns >= 4) {
            r.source = row.fields.at(1).trimmed();
            if (!isSourceName(r.source)) {
                problem(row.line, sourceNameProblem(row.fields.at(1)));
                continue;
            }
        }
        r.primaryWall = walls[0];
        r.secondaryWall = walls[1];
        const QPair<int, QString> key(r.sample, r.source);
        QVector<int> &partners = truth.walls[key][r.primaryWall];
        if (partners.contains(r.secondaryWall))
            continue; // the same row twice says nothing new
        // -1 cannot stand beside a wall that is right.
        if (!partners.isEmpty() && (partners.first() < 0 || r.secondaryWall < 0)) {
            const QString who = r.source.isEmpty()
                ? QStringLiteral("sample %1").arg(r.sample)
                : QStringLiteral("sample %1, %2").arg(r.sample).arg(r.source);
            problem(row.line,
                    QStringLiteral("%1, primary wall %2: %3 here, but %4 on line %5")
                        .arg(who)
                        .arg(r.primaryWall)
                        .arg(wallText(r.secondaryWall), wallText(partners.first()))
                        .arg(lineOf.value(qMakePair(key, r.primaryWall))));
            continue;
        }
        if (partners.isEmpty())
            lineOf.insert(qMakePair(key, r.primaryWall), r.line);
        partners.append(r.secondaryWall);
        bool &anyCertain = truth.certainWalls[key][r.primaryWall];
        anyCertain = anyCertain || r.certain;
        truth.rows.append(r);
    }
    truth.perSource = columns != 3;
    if (!table.error.isEmpty())
        problem(table.errorLine, table.error);
    if (truth.rows.isEmpty() && truth.problems.isEmpty())
        truth.problems.append(QStringLiteral("%1: no rows below the header").arg(fileName));
    return truth;
}

TruthFile readTruthFile(const QString &fileName)
{
    const ReadFile read = readRegularFile(fileName, maxTruthFileBytes);
    if (read.ok)
        return parseTruthFile(fileName, read.bytes);
    TruthFile truth;
    truth.file = fileName;
    truth.problems.append(
        read.opened.tooLarge
            ? QStringLiteral("%1: larger than %2 bytes: not a truth file")
                  .arg(fileName)
                  .arg(maxTruthFileBytes)
            : QStringLiteral("%1: cannot be read: %2").arg(fileName, read.opened.reason));
    return truth;
}

QByteArray truthFileCsv(const QVector<TruthRow> &rows)
{
    const bool withCertain =
        std::any_of(rows.begin(), rows.end(), [](const TruthRow &r) { return !r.certain; });
    QString text = (withCertain ? fiveColumnHeader : fourColumnHeader) + QLatin1Char('\n');
    for (const TruthRow &r : rows) {
        text += QStringLiteral("%1,%2,%3,%4")
                    .arg(r.sample)
                    .arg(r.source)
                    .arg(r.primaryWall)
                    .arg(r.secondaryWall);
        if (withCertain)
            text += r.certain ? QLatin1String(",1") : QLatin1String(",0");
        text += QLatin1Char('\n');
    }
    return text.toUtf8();
}

} // namespace wallmatch
