#include "power.h"

#include "csv.h"
#include "mixedmodels.h"
#include "powerscript.h"
#include "svgchart.h"

#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

namespace wallmatch {

namespace {

// Rscript's exit status when lme4 cannot be loaded (see power.R).
constexpr int lme4Missing = 3;

QString rString(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("\""), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

const QStringList powerColumns = {QStringLiteral("measure"),     QStringLiteral("source"),
                                  QStringLiteral("reference"),   QStringLiteral("participants"),
                                  QStringLiteral("simulations"), QStringLiteral("fitted"),
                                  QStringLiteral("significant")};

} // namespace

QVector<int> parseParticipantCounts(const QString &text)
{
    QVector<int> counts;
    for (const QString &part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n < 2 || n > 10000 || counts.contains(n))
            return {};
        counts.append(n);
    }
    std::sort(counts.begin(), counts.end());
    return counts;
}

PowerResult simulatePower(const QVector<Trial> &trials, const QStringList &sources,
                          const PowerSettings &settings, const QString &rscript)
{
    PowerResult result;
    result.settings = settings;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        result.unavailable = QStringLiteral("no temporary folder: ") + dir.errorString();
        result.failed = true;
        return result;
    }
    const QString trialsName = dir.filePath(QStringLiteral("trials.csv"));
    const QString scriptName = dir.filePath(QStringLiteral("power.R"));
    const QString resultsName = dir.filePath(QStringLiteral("power.csv"));
    QStringList quotedSources, counts;
    for (const QString &s : sources)
        quotedSources << rString(s);
    for (const int n : settings.participants)
        counts << QString::number(n);
    QString script = QString::fromUtf8(powerRText);
    script.replace(QStringLiteral("## SETTINGS ##\n"),
                   QStringLiteral("trials_file <- %1\nresults_file <- %2\nsources <- c(%3)\n"
                                  "participants <- c(%4)\nsimulations <- %5\nseed <- %6\n"
                                  "time_limit <- %7\n")
                       .arg(rString(trialsName), rString(resultsName),
                            quotedSources.join(QStringLiteral(", ")),
                            counts.join(QStringLiteral(", ")))
                       .arg(settings.simulations)
                       // R's seeds are 32-bit integers.
                       .arg(settings.seed % 2147483647u)
                       .arg(settings.timeLimitSeconds));
    QFile trialsFile(trialsName), scriptFile(scriptName);
    if (!trialsFile.open(QIODevice::WriteOnly) || !scriptFile.open(QIODevice::WriteOnly)
        || trialsFile.write(trialsCsv(trials).toUtf8()) < 0
        || scriptFile.write(script.toUtf8()) < 0) {
        result.unavailable = QStringLiteral("cannot write the temporary files");
        result.failed = true;
        return result;
    }
    trialsFile.close();
    scriptFile.close();

    QProcess r;
    r.setWorkingDirectory(dir.path());
    // R's progress lines reach the user as R writes them.
    r.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    r.start(rscript, {QStringLiteral("--vanilla"), scriptName});
    if (!r.waitForStarted()) {
        result.failed = true;
        result.unavailable = missingRLine();
        return result;
    }
    // The limit stops new simulations; the one under way and R's start take the rest.
    const int waitMs = (settings.timeLimitSeconds + 120) * 1000;
    if (!r.waitForFinished(waitMs)) {
        r.kill();
        r.waitForFinished();
        result.failed = true;
        result.unavailable = QStringLiteral("R took longer than %1 s; stopped").arg(waitMs / 1000);
        return result;
    }
    if (r.exitStatus() == QProcess::NormalExit && r.exitCode() == lme4Missing) {
        result.failed = true;
        result.unavailable = missingRLine();
        return result;
    }
    QFile csvFile(resultsName);
    if (r.exitStatus() != QProcess::NormalExit || r.exitCode() != 0
        || !csvFile.open(QIODevice::ReadOnly)) {
        result.failed = true;
        result.unavailable = QStringLiteral("R failed (its messages are above)");
        return result;
    }
    const CsvTable table = parseCsv(QString::fromUtf8(csvFile.readAll()));
    if (!table.error.isEmpty() || table.rows.isEmpty()
        || table.rows.first().fields != powerColumns) {
        result.failed = true;
        result.unavailable = QStringLiteral("R's power results could not be read");
        return result;
    }
    for (int i = 1; i < table.rows.size(); ++i) {
        const QStringList &f = table.rows.at(i).fields;
        if (f.size() != powerColumns.size())
            continue;
        result.rows.append({f.at(0), f.at(1), f.at(2), f.at(3).toInt(), f.at(4).toInt(),
                            f.at(5).toInt(), f.at(6).toInt()});
    }
    if (result.rows.isEmpty())
        result.unavailable = QStringLiteral("no model of the pilot could be simulated (it needs "
                                            "two sources, two participants and two samples)");
    return result;
}

QString powerText(const PowerResult &result)
{
    const PowerSettings &s = result.settings;
    QString text = QStringLiteral("Power from the pilot (lme4 simulate and refit, %1 simulations "
                                  "per size, seed %2, at most %3 s): share of simulated studies "
                                  "with p < 0.05, 95 % interval\n")
                       .arg(s.simulations)
                       .arg(s.seed)
                       .arg(s.timeLimitSeconds);
    if (!result.unavailable.isEmpty())
        return text + QStringLiteral("  not simulated: ") + result.unavailable + QLatin1Char('\n');
    bool cut = false;
    for (const PowerRow &r : result.rows) {
        const auto [lo, hi] = wilsonInterval(r.significant, r.fitted);
        text += QStringLiteral("  %1, %2 against %3, %4 participants: %5 (%6 to %7), %8 of %9 "
                               "refits\n")
                    .arg(r.measure, r.source, r.reference)
                    .arg(r.participants)
                    .arg(r.power(), 0, 'f', 2)
                    .arg(lo, 0, 'f', 2)
                    .arg(hi, 0, 'f', 2)
                    .arg(r.significant)
                    .arg(r.fitted);
        cut = cut || r.simulations < s.simulations;
    }
    if (cut)
        text += QStringLiteral("  note: the time limit stopped some sizes short of %1 "
                               "simulations; their intervals are wider\n")
                    .arg(s.simulations);
    return text;
}

QJsonArray powerJson(const PowerResult &result)
{
    QJsonArray rows;
    for (const PowerRow &r : result.rows) {
        const auto [lo, hi] = wilsonInterval(r.significant, r.fitted);
        rows.append(QJsonObject {{QStringLiteral("measure"), r.measure},
                                 {QStringLiteral("source"), r.source},
                                 {QStringLiteral("reference"), r.reference},
                                 {QStringLiteral("participants"), r.participants},
                                 {QStringLiteral("simulations"), r.simulations},
                                 {QStringLiteral("fitted"), r.fitted},
                                 {QStringLiteral("significant"), r.significant},
                                 {QStringLiteral("power"), r.power()},
                                 {QStringLiteral("power_conf_low"), lo},
                                 {QStringLiteral("power_conf_high"), hi}});
    }
    return rows;
}

QString powerChartSvg(const PowerResult &result)
{
    QVector<PointSeries> series;
    for (const PowerRow &r : result.rows) {
        const QString label = QStringLiteral("%1: %2").arg(r.measure, r.source);
        auto s = std::find_if(series.begin(), series.end(),
                              [&](const PointSeries &p) { return p.label == label; });
        if (s == series.end()) {
            const int i = int(series.size());
            series.append({label, seriesColour(i), {}, i});
            s = series.end() - 1;
        }
        s->points.append(QPointF(r.participants, r.power()));
    }
    return svgScatter(series, QStringLiteral("Power by number of participants (p < 0.05)"),
                      QStringLiteral("participants"), QStringLiteral("share of simulated studies"),
                      false);
}

} // namespace wallmatch
