#include "mixedmodels.h"

#include "csv.h"
#include "mixedmodelsscript.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

#include <cmath>

namespace wallmatch {

namespace {

// Rscript's exit status when lme4 cannot be loaded (see mixedmodels.R).
constexpr int lme4Missing = 3;

QString metricModelsText(const MixedModels &models);

// A double-quoted R string literal.
QString rString(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("\""), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString pText(double p)
{
    if (std::isnan(p))
        return QStringLiteral("n/a");
    return p < 0.0001 ? QStringLiteral("< 0.0001") : fixed(p, 4);
}

// The 95 % interval of an effect's ratio, when the model gave one.
QString intervalText(const ModelEffect &e)
{
    if (e.interval.isEmpty())
        return {};
    return QStringLiteral(" (95 % interval %1 to %2, %3)")
        .arg(fixed(std::exp(e.confLow), 2), fixed(std::exp(e.confHigh), 2),
             e.interval == QLatin1String("profile") ? QStringLiteral("profile likelihood")
                                                    : QStringLiteral("Wald"));
}

const QStringList resultColumns = {
    QStringLiteral("measure"),   QStringLiteral("source"),    QStringLiteral("reference"),
    QStringLiteral("estimate"),  QStringLiteral("std_error"), QStringLiteral("statistic"),
    QStringLiteral("p"),         QStringLiteral("lrt_p"),     QStringLiteral("observations"),
    QStringLiteral("converged"), QStringLiteral("message")};
// Written after those by the analysis that gives intervals.
const QStringList intervalColumns = {QStringLiteral("conf_low"), QStringLiteral("conf_high"),
                                     QStringLiteral("interval")};

} // namespace

QString missingRLine()
{
    return QStringLiteral("wallmatch-report: the mixed-effects models need R with lme4; install "
                          "the Debian packages r-base-core and r-cran-lme4");
}

QString mixedModelsRScript(const QString &trialsFile, const QString &resultsFile,
                           const QStringList &sources, bool forReader)
{
    QStringList quoted;
    for (const QString &s : sources)
        quoted.append(rString(s));
    QString settings;
    if (forReader)
        settings +=
            QStringLiteral("# Run it in the folder that holds it (Rscript FILE.R), or source() it "
                           "in R and go on from there.\n");
    settings +=
        QStringLiteral("trials_file <- %1  # the tidy data (wallmatch-report --trials)\n"
                       "results_file <- %2  # a CSV file for the fixed effects, or NA\n"
                       "sources <- c(%3)  # the levels of source; the first is the reference\n")
            .arg(rString(trialsFile),
                 resultsFile.isEmpty() ? QStringLiteral("NA") : rString(resultsFile),
                 quoted.join(QStringLiteral(", ")));
    QString script = QString::fromUtf8(mixedModelsRText);
    script.replace(QStringLiteral("## SETTINGS ##\n"), settings);
    return script;
}

QVector<ModelEffect> parseModelResults(const QByteArray &csv, QString &problem)
{
    QVector<ModelEffect> effects;
    const CsvTable table = parseCsv(QString::fromUtf8(csv));
    if (!table.error.isEmpty()) {
        problem = QStringLiteral("line %1: %2").arg(table.errorLine).arg(table.error);
        return {};
    }
    if (table.rows.isEmpty()
        || (table.rows.first().fields != resultColumns
            && table.rows.first().fields != resultColumns + intervalColumns)) {
        problem = QStringLiteral("unexpected header");
        return {};
    }
    const int columns = int(table.rows.first().fields.size());
    const auto number = [](const QString &text) {
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok ? value : std::nan("");
    };
    for (int r = 1; r < table.rows.size(); ++r) {
        const QStringList &f = table.rows.at(r).fields;
        if (f.size() == 1 && f.first().isEmpty())
            continue;
        if (f.size() != columns) {
            problem = QStringLiteral("line %1: %2 fields").arg(table.rows.at(r).line).arg(f.size());
            return {};
        }
        ModelEffect e;
        e.measure = f.at(0);
        e.source = f.at(1);
        e.reference = f.at(2);
        e.estimate = number(f.at(3));
        e.stdError = number(f.at(4));
        e.statistic = number(f.at(5));
        e.p = number(f.at(6));
        e.lrtP = number(f.at(7));
        e.observations = f.at(8).toInt();
        e.converged = f.at(9) == QLatin1String("TRUE");
        e.message = f.at(10);
        if (columns > 11) {
            e.confLow = number(f.at(11));
            e.confHigh = number(f.at(12));
            e.interval = f.at(13);
            if (std::isnan(e.confLow) || std::isnan(e.confHigh))
                e.interval.clear();
        }
        // A converged fit with no numbers would be a result that is not one.
        if (e.converged && (std::isnan(e.estimate) || std::isnan(e.stdError))) {
            e.converged = false;
            e.message = QStringLiteral("no estimate");
        }
        // A fit that did not converge always says why.
        if (!e.converged && e.message.trimmed().isEmpty())
            e.message = QStringLiteral("lme4 gave no reason");
        effects.append(e);
    }
    return effects;
}

namespace {

// A process that leads a process group of its own, so that it can be ended with everything it
// started.
class GroupProcess : public QProcess
{
public:
    GroupProcess()
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    }
    void killGroup()
    {
        const qint64 pid = processId();
        if (pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        kill();
    }

protected:
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    void setupChildProcess() override
    {
        ::setpgid(0, 0);
    }
#endif
};

} // namespace

MixedModels fitMixedModels(const QVector<Trial> &trials, const QStringList &sources,
                           const QString &rscript, int timeoutMs)
{
    MixedModels models;
    QStringList present;
    for (const QString &s : sources) {
        for (const Trial &t : trials) {
            if (t.phase == QLatin1String("test") && t.source == s) {
                present.append(s);
                break;
            }
        }
    }
    if (present.size() < 2) {
        models.unavailable = QStringLiteral("fewer than two sources among the answers");
        return models;
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        models.unavailable = QStringLiteral("no temporary folder: ") + dir.errorString();
        return models;
    }
    const QString trialsName = dir.filePath(QStringLiteral("trials.csv"));
    const QString scriptName = dir.filePath(QStringLiteral("models.R"));
    const QString resultsName = dir.filePath(QStringLiteral("models.csv"));
    QFile trialsFile(trialsName), scriptFile(scriptName);
    if (!trialsFile.open(QIODevice::WriteOnly) || !scriptFile.open(QIODevice::WriteOnly)
        || trialsFile.write(trialsCsv(trials).toUtf8()) < 0
        || scriptFile.write(mixedModelsRScript(trialsName, resultsName, present, false).toUtf8())
            < 0) {
        models.unavailable = QStringLiteral("cannot write the temporary files");
        return models;
    }
    trialsFile.close();
    scriptFile.close();

    GroupProcess r;
    r.setWorkingDirectory(dir.path());
    r.start(rscript, {QStringLiteral("--vanilla"), scriptName});
    if (!r.waitForStarted()) {
        models.failed = true;
        models.unavailable = missingRLine();
        return models;
    }
    if (!r.waitForFinished(timeoutMs)) {
        // R's own children (compilers, parallel workers) go with it: the whole group.
        r.killGroup();
        r.waitForFinished();
        models.failed = true;
        models.unavailable =
            QStringLiteral("R took longer than %1 s; stopped").arg(timeoutMs / 1000);
        return models;
    }
    const QString said = QString::fromUtf8(r.readAllStandardError()).trimmed();
    if (r.exitStatus() == QProcess::NormalExit && r.exitCode() == lme4Missing) {
        models.failed = true;
        models.unavailable = missingRLine();
        return models;
    }
    if (r.exitStatus() != QProcess::NormalExit || r.exitCode() != 0) {
        models.failed = true;
        models.unavailable = QStringLiteral("R failed: ") + said.section(QLatin1Char('\n'), -3);
        return models;
    }
    QFile results(resultsName);
    if (!results.open(QIODevice::ReadOnly)) {
        models.failed = true;
        models.unavailable = QStringLiteral("R wrote no results: ") + said;
        return models;
    }
    QString problem;
    models.effects = parseModelResults(results.readAll(), problem);
    models.failed = !problem.isEmpty();
    if (!problem.isEmpty())
        models.unavailable = QStringLiteral("R's results could not be read: ") + problem;
    return models;
}

QString mixedModelsText(const MixedModels &models)
{
    QString text = QStringLiteral("Mixed-effects models (R, lme4; participants and samples as "
                                  "crossed random effects):\n");
    if (!models.unavailable.isEmpty())
        return text + QStringLiteral("  not fitted: ") + models.unavailable + QLatin1Char('\n');
    for (const QString &measure : {QStringLiteral("time"), QStringLiteral("accuracy")}) {
        QVector<ModelEffect> mine;
        for (const ModelEffect &e : models.effects) {
            if (e.measure == measure)
                mine.append(e);
        }
        if (mine.isEmpty())
            continue;
        const bool time = measure == QLatin1String("time");
        const QString heading = time
            ? QStringLiteral("  time: lmer(log(seconds) ~ source + (1 | participant) + "
                             "(1 | sample)), %1 answers, reference %2\n")
            : QStringLiteral("  accuracy: glmer(correct ~ source + (1 | participant) + "
                             "(1 | sample), binomial), %1 judged answers, reference %2\n");
        text += heading.arg(mine.first().observations).arg(mine.first().reference);
        if (!mine.first().converged) {
            text +=
                QStringLiteral("    did not converge; no result: %1\n").arg(mine.first().message);
            continue;
        }
        for (const ModelEffect &e : mine) {
            text += QStringLiteral("    %1: estimate %2 %3, SE %4, %5 %6, p %7")
                        .arg(e.source, fixed(e.estimate, 3),
                             time ? QStringLiteral("log s") : QStringLiteral("log odds"),
                             fixed(e.stdError, 3), time ? QStringLiteral("t") : QStringLiteral("z"),
                             fixed(e.statistic, 2), pText(e.p));
            text += time ? QStringLiteral("; %1 times as long as %2")
                               .arg(fixed(std::exp(e.estimate), 2), e.reference)
                         : QStringLiteral("; odds of a correct answer %1 times those of %2")
                               .arg(fixed(std::exp(e.estimate), 2), e.reference);
            text += intervalText(e);
            text += QLatin1Char('\n');
        }
        text += QStringLiteral("    likelihood-ratio test of source: p %1\n")
                    .arg(pText(mine.first().lrtP));
        if (!mine.first().message.isEmpty())
            text += QStringLiteral("    lme4: %1\n").arg(mine.first().message);
    }
    return text + metricModelsText(models);
}

namespace {

// The models of time and accuracy on the layout's 2D IoU (with --reference).
QString metricModelsText(const MixedModels &models)
{
    QString text;
    for (const ModelEffect &e : models.effects) {
        if (!e.measure.endsWith(QLatin1String("_by_iou2d")))
            continue;
        const bool time = e.measure.startsWith(QLatin1String("time"));
        text += QStringLiteral("  %1 on the shown layout's 2D IoU with the reference, %2 "
                               "answers: ")
                    .arg(time ? QStringLiteral("log time") : QStringLiteral("accuracy"))
                    .arg(e.observations);
        if (!e.converged) {
            text += QStringLiteral("did not converge: %1\n").arg(e.message);
            continue;
        }
        text += QStringLiteral("estimate %1 per unit of IoU, SE %2, p %3; from IoU 0 to 1 %4 "
                               "%5")
                    .arg(fixed(e.estimate, 3), fixed(e.stdError, 3), pText(e.p),
                         time ? QStringLiteral("time times") : QStringLiteral("odds times"),
                         fixed(std::exp(e.estimate), 2));
        text += intervalText(e);
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

QJsonArray mixedModelsJson(const MixedModels &models)
{
    QJsonArray array;
    const auto value = [](double v) { return std::isnan(v) ? QJsonValue() : QJsonValue(v); };
    for (const ModelEffect &e : models.effects) {
        QJsonObject o {{QStringLiteral("measure"), e.measure},
                       {QStringLiteral("source"), e.source},
                       {QStringLiteral("reference"), e.reference},
                       {QStringLiteral("converged"), e.converged},
                       {QStringLiteral("observations"), e.observations}};
        // A fit that did not converge has no numbers to give.
        const bool result = e.converged;
        o.insert(QStringLiteral("estimate"), result ? value(e.estimate) : QJsonValue());
        o.insert(QStringLiteral("std_error"), result ? value(e.stdError) : QJsonValue());
        o.insert(QStringLiteral("statistic"), result ? value(e.statistic) : QJsonValue());
        o.insert(QStringLiteral("p"), result ? value(e.p) : QJsonValue());
        o.insert(QStringLiteral("lrt_p"), result ? value(e.lrtP) : QJsonValue());
        const bool interval = result && !e.interval.isEmpty();
        o.insert(QStringLiteral("conf_low"), interval ? value(e.confLow) : QJsonValue());
        o.insert(QStringLiteral("conf_high"), interval ? value(e.confHigh) : QJsonValue());
        o.insert(QStringLiteral("interval"), interval ? QJsonValue(e.interval) : QJsonValue());
        const QString ratio = e.measure.startsWith(QLatin1String("time"))
            ? QStringLiteral("ratio")
            : QStringLiteral("odds_ratio");
        o.insert(ratio, result ? value(std::exp(e.estimate)) : QJsonValue());
        o.insert(ratio + QStringLiteral("_conf_low"),
                 interval ? value(std::exp(e.confLow)) : QJsonValue());
        o.insert(ratio + QStringLiteral("_conf_high"),
                 interval ? value(std::exp(e.confHigh)) : QJsonValue());
        if (!e.message.isEmpty())
            o.insert(QStringLiteral("message"), e.message);
        array.append(o);
    }
    return array;
}

QByteArray withModels(const QByteArray &reportJson, const MixedModels &models)
{
    QJsonObject report = QJsonDocument::fromJson(reportJson).object();
    report.insert(QStringLiteral("models"), mixedModelsJson(models));
    if (!models.unavailable.isEmpty())
        report.insert(QStringLiteral("models_not_fitted"), models.unavailable);
    return QJsonDocument(report).toJson();
}

} // namespace wallmatch
