#include "studyplanner.h"

#include "cli.h"
#include "textinput.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

namespace wallmatch {

namespace {

// More samples than any study shows; keeps a mistyped range from filling the memory.
constexpr int maxSamples = 100000;

bool fewerOrdersThan(int sampleCount, int orders)
{
    std::uint64_t factorial = 1;
    for (int i = 2; i <= sampleCount && factorial < std::uint64_t(orders); ++i)
        factorial *= std::uint64_t(i);
    return factorial < std::uint64_t(orders);
}

} // namespace

std::uint64_t mixSeed(std::uint64_t seed, std::uint64_t stream)
{
    std::uint64_t z = seed + (stream + 1) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t uniformBelow(std::mt19937_64 &engine, std::uint64_t bound)
{
    // Rejects the lowest 2^64 mod bound values, so that every remainder is equally likely.
    const std::uint64_t threshold = (0 - bound) % bound;
    std::uint64_t x = engine();
    while (x < threshold)
        x = engine();
    return x % bound;
}

std::optional<QVector<int>> parseSampleList(const QString &text, QString *error)
{
    QVector<int> samples;
    QSet<int> seen;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &rawPart : parts) {
        const QString part = rawPart.trimmed();
        const QStringList ends = part.split(QLatin1Char('-'));
        bool firstOk = false, lastOk = ends.size() == 1;
        const int first = ends.value(0).trimmed().toInt(&firstOk);
        const int last = ends.size() == 2 ? ends.at(1).trimmed().toInt(&lastOk) : first;
        if (ends.size() > 2 || !firstOk || !lastOk || first < 1 || last < 1) {
            *error = QStringLiteral("\"%1\" is not a sample number or a range like 1-100 (samples "
                                    "count from 1)")
                         .arg(quotedInput(part));
            return std::nullopt;
        }
        if (last < first) {
            *error = QStringLiteral("the range \"%1\" runs backwards").arg(quotedInput(part));
            return std::nullopt;
        }
        if (qint64(last) - first + 1 + samples.size() > maxSamples) {
            *error = QStringLiteral("more than %1 samples").arg(maxSamples);
            return std::nullopt;
        }
        for (int s = first; s <= last; ++s) {
            if (seen.contains(s)) {
                *error = QStringLiteral("sample %1 is listed twice").arg(s);
                return std::nullopt;
            }
            seen.insert(s);
            samples.append(s);
        }
    }
    return samples;
}

namespace {

// A round's cases in their shuffled order as far as the gap allows: position b takes the first
// case left whose sample was at position a of the round before with n + b - a >= gap. Waiting
// only eases the condition, so this keeps the gap whenever any order does.
QVector<PlanCase> keepingGap(const QVector<PlanCase> &shuffled, const QVector<PlanCase> &previous,
                             int gap)
{
    const int n = int(shuffled.size());
    QHash<int, int> before;
    for (int a = 0; a < n; ++a)
        before.insert(previous.at(a).sample, a);
    QVector<PlanCase> left = shuffled;
    QVector<PlanCase> order;
    for (int b = 0; b < n; ++b) {
        int pick = 0;
        for (int i = 0; i < left.size(); ++i) {
            if (n + b - before.value(left.at(i).sample) >= gap) {
                pick = i;
                break;
            }
        }
        order.append(left.takeAt(pick));
    }
    return order;
}

} // namespace

QVector<PlanCase> practiceCases(const StudyDesign &design, int participant)
{
    QVector<int> samples = design.practiceSamples;
    if (design.shuffled) {
        // A stream of its own, so that adding practice leaves the test cases as they were.
        std::mt19937_64 engine(
            mixSeed(design.seed, (std::uint64_t(1) << 63) + std::uint64_t(participant)));
        shuffleInPlace(samples, engine);
    }
    QVector<PlanCase> cases;
    const int k = int(design.sources.size());
    for (int i = 0; i < design.practice && i < samples.size() && k > 0; ++i) {
        PlanCase c {0, samples.at(i), design.sources.at((i + participant) % k)};
        c.practice = true;
        cases.append(c);
    }
    return cases;
}

QVector<QVector<PlanCase>> makeStudyPlans(const StudyDesign &design)
{
    const int n = int(design.samples.size());
    const int k = int(design.sources.size());
    QVector<QVector<PlanCase>> plans;
    if (n == 0 || k == 0 || design.participants < 1)
        return plans;

    // A random slot per sample, so that the source a sample gets does not follow its number
    // (odd samples need not share a source).
    QVector<int> slotOf(n);
    for (int i = 0; i < n; ++i)
        slotOf[i] = i;
    std::mt19937_64 slotEngine(mixSeed(design.seed, 0));
    shuffleInPlace(slotOf, slotEngine);

    QSet<QVector<int>> ordersUsed;
    for (int p = 0; p < design.participants; ++p) {
        QVector<PlanCase> cases(n);
        for (int i = 0; i < n; ++i)
            cases[i] = {0, design.samples.at(i), design.sources.at((slotOf.at(i) + p) % k)};
        if (design.shuffled) {
            std::mt19937_64 engine(mixSeed(design.seed, std::uint64_t(p) + 1));
            const bool canDiffer = !fewerOrdersThan(n, int(ordersUsed.size()) + 1);
            QVector<int> order;
            do {
                shuffleInPlace(cases, engine);
                order.clear();
                for (const PlanCase &c : cases)
                    order.append(c.sample);
            } while (canDiffer && ordersUsed.contains(order));
            ordersUsed.insert(order);
        }
        if (design.within) {
            const int gap = qMin(design.gap, n);
            QVector<PlanCase> previous = cases;
            for (int round = 1; round < k; ++round) {
                QVector<PlanCase> next;
                for (const PlanCase &c : qAsConst(previous))
                    next.append({0, c.sample,
                                 design.sources.at((design.sources.indexOf(c.source) + 1) % k)});
                if (design.shuffled) {
                    // Streams above 2^32 are the rounds', apart from the participants' orders.
                    std::mt19937_64 engine(
                        mixSeed(design.seed, (std::uint64_t(round) << 32) + std::uint64_t(p)));
                    shuffleInPlace(next, engine);
                    next = keepingGap(next, previous, gap);
                }
                cases += next;
                previous = next;
            }
        }
        cases = practiceCases(design, p) + cases;
        for (int i = 0; i < cases.size(); ++i)
            cases[i].line = i + 2; // below the header
        plans.append(cases);
    }
    return plans;
}

QString participantId(int number, int participants)
{
    const int width = qMax(2, int(QString::number(participants).size()));
    return QStringLiteral("P%1").arg(number, width, 10, QLatin1Char('0'));
}

QVector<Problem> writeStudyPlans(const QVector<QVector<PlanCase>> &plans, const QString &outDir,
                                 bool force)
{
    QVector<Problem> problems;
    const QFileInfo dirInfo(outDir);
    if (dirInfo.exists() && !dirInfo.isDir()) {
        problems.append({outDir, 0, QStringLiteral("exists and is not a folder")});
        return problems;
    }
    QStringList paths;
    for (int p = 0; p < plans.size(); ++p) {
        const QString id = participantId(p + 1, int(plans.size()));
        paths.append(QDir(outDir).filePath(id + QStringLiteral(".csv")));
        if (!writableTarget(paths.last(), problems))
            continue;
        if (!force && QFileInfo::exists(paths.last()))
            problems.append(
                {paths.last(), 0, QStringLiteral("exists already (--force replaces it)")});
    }
    if (!problems.isEmpty())
        return problems;
    if (!QDir().mkpath(outDir)) {
        problems.append({outDir, 0, QStringLiteral("cannot create the folder")});
        return problems;
    }
    for (int p = 0; p < plans.size(); ++p) {
        QSaveFile file(paths.at(p));
        const QByteArray bytes = studyPlanCsv(plans.at(p)).toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()
            || !file.commit()) {
            problems.append(
                {paths.at(p), 0, QStringLiteral("cannot write: %1").arg(file.errorString())});
            return problems;
        }
    }
    return problems;
}

QStringList strayPlans(const QString &outDir, int participants)
{
    static const QRegularExpression planName(QStringLiteral("^P\\d+\\.csv$"));
    QStringList ours;
    for (int p = 1; p <= participants; ++p)
        ours.append(participantId(p, participants) + QStringLiteral(".csv"));
    QStringList stray;
    const QDir dir(outDir);
    for (const QString &name : dir.entryList({QStringLiteral("P*.csv")}, QDir::Files, QDir::Name)) {
        if (planName.match(name).hasMatch() && !ours.contains(name))
            stray.append(dir.filePath(name));
    }
    return stray;
}

} // namespace wallmatch
