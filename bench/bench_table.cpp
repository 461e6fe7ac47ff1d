// Reads the JSON results of the benchmark programs and prints one Markdown table: each figure,
// the floor it is compared with, the ratio, the target and whether it is met.

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// One benchmark over all its repetitions: the fastest run (the least disturbed by other work
// on the machine) and the counters of the last.
struct Result
{
    double nanoseconds = 0.0;
    QMap<QString, double> counters;
    QString error;
};

struct Context
{
    QString date;
    int cpus = 0;
    double mhz = 0.0;
    double load = -1.0;
    QString libraryBuild;
};

const QStringList kStandardKeys = {"name",
                                   "family_index",
                                   "per_family_instance_index",
                                   "run_name",
                                   "run_type",
                                   "repetitions",
                                   "repetition_index",
                                   "threads",
                                   "iterations",
                                   "real_time",
                                   "cpu_time",
                                   "time_unit",
                                   "error_occurred",
                                   "error_message",
                                   "aggregate_name",
                                   "aggregate_unit",
                                   "items_per_second",
                                   "bytes_per_second",
                                   "label"};

double nanosecondsPer(const QString &unit)
{
    if (unit == QLatin1String("s"))
        return 1e9;
    if (unit == QLatin1String("ms"))
        return 1e6;
    if (unit == QLatin1String("us"))
        return 1e3;
    return 1.0;
}

// "LoadSample/real_time" and "SessionMemory/iterations:1/real_time" are known by their own
// names and arguments.
QString shortName(QString name)
{
    QStringList parts = name.split(QLatin1Char('/'));
    QStringList kept;
    for (const QString &part : parts) {
        if (part != QLatin1String("real_time") && !part.startsWith(QLatin1String("iterations:"))
            && !part.startsWith(QLatin1String("repeats:")))
            kept << part;
    }
    return kept.join(QLatin1Char('/'));
}

bool readResults(const QString &fileName, QMap<QString, Result> &results, Context &context)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_table: cannot read %s\n", qPrintable(fileName));
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (document.isNull()) {
        std::fprintf(stderr, "bench_table: %s: %s\n", qPrintable(fileName),
                     qPrintable(parseError.errorString()));
        return false;
    }
    const QJsonObject root = document.object();
    const QJsonObject info = root.value("context").toObject();
    context.date = info.value("date").toString();
    context.cpus = info.value("num_cpus").toInt();
    context.mhz = info.value("mhz_per_cpu").toDouble();
    const QJsonArray load = info.value("load_avg").toArray();
    if (!load.isEmpty())
        context.load = qMax(context.load, load.at(0).toDouble());
    context.libraryBuild = info.value("library_build_type").toString();

    for (const QJsonValue &value : root.value("benchmarks").toArray()) {
        const QJsonObject entry = value.toObject();
        if (entry.value("run_type").toString(QStringLiteral("iteration"))
            != QLatin1String("iteration"))
            continue;
        const QString name =
            shortName(entry.value("run_name").toString(entry.value("name").toString()));
        Result result;
        if (entry.value("error_occurred").toBool()) {
            result.error = entry.value("error_message").toString();
        } else {
            result.nanoseconds = entry.value("real_time").toDouble()
                * nanosecondsPer(entry.value("time_unit").toString());
            for (auto it = entry.constBegin(); it != entry.constEnd(); ++it) {
                if (!kStandardKeys.contains(it.key()) && it.value().isDouble())
                    result.counters.insert(it.key(), it.value().toDouble());
            }
        }
        auto existing = results.find(name);
        if (existing == results.end()) {
            results.insert(name, result);
        } else if (result.error.isEmpty() && existing->error.isEmpty()) {
            existing->nanoseconds = qMin(existing->nanoseconds, result.nanoseconds);
            existing->counters = result.counters;
        } else if (!result.error.isEmpty()) {
            existing->error = result.error;
        }
    }
    return true;
}

QString number(double value)
{
    const double magnitude = std::fabs(value);
    const int decimals = magnitude >= 100.0 ? 0 : magnitude >= 10.0 ? 1 : 2;
    return QString::number(value, 'f', decimals);
}

// Targets are written as the issue gives them: 1.25, 16.7, 150.
QString compact(double value)
{
    return QString::number(value, 'g', 4);
}

QString duration(double ns, QString (*format)(double) = number)
{
    if (ns >= 1e6)
        return format(ns / 1e6) + QStringLiteral(" ms");
    if (ns >= 1e3)
        return format(ns / 1e3) + QStringLiteral(" µs");
    return format(ns) + QStringLiteral(" ns");
}

QString groupedCount(int count)
{
    QString text = QString::number(count);
    for (int i = text.size() - 3; i > 0; i -= 3)
        text.insert(i, QLatin1Char(','));
    return text;
}

class Table
{
public:
    explicit Table(const QMap<QString, Result> &results)
        : results(results)
    {
    }

    // figure / floor, against a largest ratio.
    void ratio(const QString &what, const QString &figure, const QString &floorWhat,
               const QString &floor, double target)
    {
        const std::optional<double> f = time(figure);
        const std::optional<double> b = time(floor);
        if (!f || !b) {
            missing(what, figure, floor);
            return;
        }
        const double r = *f / *b;
        add(what, duration(*f), floorWhat + QStringLiteral(": ") + duration(*b),
            number(r) + QStringLiteral(" x"),
            QStringLiteral("≤ ") + compact(target) + QStringLiteral(" x"), r <= target);
    }

    // A duration against a largest value.
    void absolute(const QString &what, const QString &figure, double targetNs)
    {
        const std::optional<double> f = time(figure);
        if (!f) {
            missing(what, figure, QString());
            return;
        }
        add(what, duration(*f), QStringLiteral("—"), QStringLiteral("—"),
            QStringLiteral("≤ ") + duration(targetNs, compact), *f <= targetNs);
    }

    // A counter against a largest value, optionally next to another counter as its floor.
    void counter(const QString &what, const QString &figure, const QString &key,
                 const QString &unit, const QString &floorWhat, const QString &floorKey,
                 double target)
    {
        const auto it = results.find(figure);
        if (it == results.end() || !it->error.isEmpty() || !it->counters.contains(key)) {
            missing(what, figure, QString());
            return;
        }
        const double value = it->counters.value(key);
        const QString floorText = floorKey.isEmpty()
            ? QStringLiteral("—")
            : floorWhat + QStringLiteral(": ") + number(it->counters.value(floorKey)) + unit;
        const bool signedValue = key.contains(QLatin1String("growth"));
        add(what,
            (signedValue && value >= 0 ? QStringLiteral("+") : QString()) + number(value) + unit,
            floorText, QStringLiteral("—"),
            QStringLiteral("≤ ") + (signedValue ? QStringLiteral("+") : QString()) + compact(target)
                + unit,
            value <= target);
    }

    // Information without a target.
    void note(const QString &what, const QString &figure, const QString &floorWhat,
              const QString &floor)
    {
        const std::optional<double> f = time(figure);
        if (!f)
            return;
        const std::optional<double> b = floor.isEmpty() ? std::nullopt : time(floor);
        add(what, duration(*f),
            b ? floorWhat + QStringLiteral(": ") + duration(*b) : QStringLiteral("—"),
            b ? number(*f / *b) + QStringLiteral(" x") : QStringLiteral("—"), QStringLiteral("—"),
            std::nullopt);
    }

    void print(QTextStream &out) const
    {
        out << "| Figure | Measured | Floor | Ratio | Target | Met |\n";
        out << "|---|---|---|---|---|---|\n";
        int met = 0;
        int targets = 0;
        for (const Row &row : rows) {
            QString verdict = QStringLiteral("—");
            if (row.met) {
                ++targets;
                met += *row.met ? 1 : 0;
                verdict = *row.met ? QStringLiteral("yes") : QStringLiteral("**no**");
            }
            out << "| " << row.what << " | " << row.measured << " | " << row.floor << " | "
                << row.ratio << " | " << row.target << " | " << verdict << " |\n";
        }
        out << "\n" << met << " of " << targets << " targets met.\n";
    }

private:
    struct Row
    {
        QString what;
        QString measured;
        QString floor;
        QString ratio;
        QString target;
        std::optional<bool> met;
    };

    std::optional<double> time(const QString &name) const
    {
        const auto it = results.find(name);
        if (it == results.end() || !it->error.isEmpty() || it->nanoseconds <= 0.0)
            return std::nullopt;
        return it->nanoseconds;
    }

    void missing(const QString &what, const QString &figure, const QString &floor)
    {
        QString reason = QStringLiteral("not measured");
        for (const QString &name : {figure, floor}) {
            const auto it = results.find(name);
            if (it != results.end() && !it->error.isEmpty())
                reason = QStringLiteral("error: ") + it->error;
        }
        add(what, reason, QStringLiteral("—"), QStringLiteral("—"), QStringLiteral("—"), false);
    }

    void add(const QString &what, const QString &measured, const QString &floor,
             const QString &ratio, const QString &target, std::optional<bool> met)
    {
        rows.append({what, measured, floor, ratio, target, met});
    }

    const QMap<QString, Result> &results;
    QVector<Row> rows;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: bench_table RESULTS.json...\n");
        return 2;
    }
    QMap<QString, Result> results;
    Context context;
    for (const QString &file : files) {
        if (!readResults(file, results, context))
            return 2;
    }

    Table table(results);
    table.ratio("`loadSample`, 1024 x 512 folder with both corner files", "LoadSample",
                "JPEG decode", "JpegDecode", 1.25);
    table.ratio("Answer until both views hold the next sample", "Answer", "two JPEG decodes",
                "DecodeTwoJpegs", 1.3);
    table.absolute("Answer until both views hold the next sample", "Answer", 16.7e6);
    table.ratio("`paintEvent`, 10-wall room, one wall selected", "PaintView", "pixmap alone",
                "PaintPixmap", 3.0);
    table.ratio("Reading a corner file of 1,000,000 lines", "CornerFileRead/1000000",
                "read and split into lines", "CornerFileLines/1000000", 4.0);
    const QVector<int> steps = {10, 1000, 100000};
    const QStringList stages = {"GrowthRead", "GrowthRegions", "GrowthPaint", "GrowthPick"};
    const QStringList stageNames = {"Reading corners", "Building regions", "Painting",
                                    "Picking a point inside no wall"};
    for (int s = 0; s < stages.size(); ++s) {
        const QString &stage = stages.at(s);
        for (int i = 1; i < steps.size(); ++i) {
            table.ratio(stageNames.at(s) + QStringLiteral(", ") + groupedCount(steps.at(i))
                            + QStringLiteral(" corners"),
                        stage + QLatin1Char('/') + QString::number(steps.at(i)),
                        groupedCount(steps.at(i - 1)) + QStringLiteral(" corners"),
                        stage + QLatin1Char('/') + QString::number(steps.at(i - 1)), 120.0);
        }
    }
    table.absolute("Picking a wall, 10-wall room", "PickWall", 20e3);
    table.counter("Peak memory growth, samples 11 to 100", "SessionMemory", "growth_MiB",
                  QStringLiteral(" MiB"), QStringLiteral("peak after 10"),
                  QStringLiteral("peak_first_10_MiB"), 8.0);
    table.counter("Peak memory, complete 100-sample run", "SessionMemory", "peak_all_MiB",
                  QStringLiteral(" MiB"), QString(), QString(), 150.0);
    table.counter("CPU while the subject thinks", "ThinkingCpu", "cpu_percent",
                  QStringLiteral(" %"), QString(), QString(), 1.0);
    table.counter("CPU while the subject thinks, the next sample read ahead included",
                  "ThinkingCpu", "cpu_percent_with_read_ahead", QStringLiteral(" %"), QString(),
                  QString(), 2.0);
    table.note("For comparison: answer with `results.txt` on a RAM disk", "AnswerRamDisk",
               "two JPEG decodes", "DecodeTwoJpegs");
    table.note("For comparison: answer until the window has painted the next case", "AnswerToFrame",
               "two JPEG decodes", "DecodeTwoJpegs");
    table.note("For comparison: rewriting and syncing `results.txt` (50 answers)", "ResultsWrite",
               "on a RAM disk", "ResultsWriteRamDisk");

    QTextStream out(stdout);
    out << "Measured " << context.date << " on " << context.cpus << " x "
        << QString::number(context.mhz, 'f', 0) << " MHz, load average up to "
        << QString::number(context.load, 'f', 2)
        << "; times are the fastest of the repetitions.\n\n";
    table.print(out);
    return 0;
}
