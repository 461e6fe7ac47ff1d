#include "studycheck.h"

#include "regularfile.h"
#include "studyfile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace wallmatch {

namespace {

constexpr qint64 maxSessionRecordBytes = 16 * 1024 * 1024;

QString shortHash(const QString &sha256)
{
    return sha256.isEmpty() ? QStringLiteral("none") : sha256.left(12);
}

// One pinned file of a sitting against the file the study names now.
void comparePinned(const QString &participant, int sitting, const QString &what,
                   const QJsonValue &pinned, const QString &now, QStringList &differences)
{
    const QString then = pinned.toObject().value(QStringLiteral("sha256")).toString();
    const QString current = now.isEmpty() ? QString() : QString::fromLatin1(fileSha256(now));
    if (then == current)
        return;
    const QString name = now.isEmpty() ? pinned.toObject().value(QStringLiteral("path")).toString()
                                       : QFileInfo(now).fileName();
    differences << QStringLiteral("%1 (sitting %2): %3 %4: %5 at the session, %6 now")
                       .arg(participant)
                       .arg(sitting)
                       .arg(what, name, shortHash(then), shortHash(current));
}

// "display-reported in 3 sittings, server-round-trip in 1".
QString onsetSummary(const StudyCheck &check)
{
    QStringList parts;
    for (auto it = check.onsetMethods.cbegin(); it != check.onsetMethods.cend(); ++it)
        parts << QStringLiteral("%1 in %2 sitting%3")
                     .arg(it.key())
                     .arg(it.value().size())
                     .arg(it.value().size() == 1 ? QString() : QStringLiteral("s"));
    return parts.join(QStringLiteral(", "));
}

} // namespace

StudyCheck checkStudyFolder(const QString &folder)
{
    StudyCheck check;
    check.folder = folder;
    const StudyFileRead study = readStudyFile(folder);
    if (!study.problems.isEmpty()) {
        check.problems = study.problems;
        return check;
    }
    check.title = study.study.title;
    const QDir dir(folder);
    auto inFolder = [&](const QString &name) {
        return name.isEmpty() ? QString() : dir.absoluteFilePath(name);
    };
    check.truth = inFolder(study.study.truth);
    const QDir::Filters files = QDir::Files | QDir::NoDotAndDotDot;
    for (const QString &name : dir.entryList({QStringLiteral("results_*.txt")}, files, QDir::Name))
        check.resultsFiles << dir.filePath(name);
    for (const QString &name : dir.entryList({QStringLiteral("practice_*.txt")}, files, QDir::Name))
        check.practiceFiles << dir.filePath(name);
    for (const QString &name : dir.entryList({QStringLiteral("events_*.csv")}, files, QDir::Name))
        check.eventFiles << dir.filePath(name);

    // Participants by their current results file; dated files are earlier sessions of theirs.
    static const QRegularExpression current(QStringLiteral("^results_([A-Za-z0-9_-]+)\\.txt$"));
    static const QRegularExpression dated(QStringLiteral("-\\d{8}-\\d{6}$"));
    for (const QString &file : qAsConst(check.resultsFiles)) {
        const QRegularExpressionMatch match = current.match(QFileInfo(file).fileName());
        if (!match.hasMatch() || dated.match(match.captured(1)).hasMatch())
            continue;
        const QString id = match.captured(1);
        const QString record = dir.filePath(QStringLiteral("session_%1.json").arg(id));
        const ReadFile read = readRegularFile(record, maxSessionRecordBytes);
        const QJsonArray sittings = QJsonDocument::fromJson(read.bytes)
                                        .object()
                                        .value(QStringLiteral("sessions"))
                                        .toArray();
        if (!read.ok || sittings.isEmpty()) {
            check.differences << QStringLiteral("%1: no session record (%2): the study it ran "
                                                "cannot be told")
                                     .arg(id, QFileInfo(record).fileName());
            continue;
        }
        for (int i = 0; i < sittings.size(); ++i) {
            const QJsonObject sitting = sittings.at(i).toObject();
            const QString onset = sitting.value(QStringLiteral("onset_method")).toString();
            check.onsetMethods[onset.isEmpty() ? QStringLiteral("not recorded") : onset]
                << QStringLiteral("%1 (sitting %2)").arg(id).arg(i + 1);
            const QJsonValue studyPinned = sitting.value(QStringLiteral("study"));
            if (!studyPinned.isObject()) {
                check.differences << QStringLiteral("%1 (sitting %2): not started with --study")
                                         .arg(id)
                                         .arg(i + 1);
                continue;
            }
            const QJsonArray overridden =
                studyPinned.toObject().value(QStringLiteral("overridden_options")).toArray();
            if (!overridden.isEmpty()) {
                QStringList names;
                for (const QJsonValue &name : overridden)
                    names << QStringLiteral("--") + name.toString();
                check.differences << QStringLiteral("%1 (sitting %2): the command line overrode "
                                                    "%3")
                                         .arg(id)
                                         .arg(i + 1)
                                         .arg(names.join(QStringLiteral(", ")));
            }
            comparePinned(id, i + 1, QStringLiteral("study file"), studyPinned, study.file,
                          check.differences);
            // The plan the ID was given: its own, or for --participant next the one chosen.
            const QString planName =
                QFileInfo(sitting.value(QStringLiteral("plan"))[QStringLiteral("path")].toString())
                    .fileName();
            comparePinned(id, i + 1, QStringLiteral("plan"), sitting.value(QStringLiteral("plan")),
                          planName.isEmpty()
                              ? studyPlanFile(study.study, folder, id)
                              : QDir(dir.filePath(study.study.plans)).absoluteFilePath(planName),
                          check.differences);
            comparePinned(id, i + 1, QStringLiteral("truth"),
                          sitting.value(QStringLiteral("truth")), check.truth, check.differences);
            comparePinned(id, i + 1, QStringLiteral("instructions"),
                          sitting.value(QStringLiteral("instructions")),
                          inFolder(study.study.instructions), check.differences);
            comparePinned(id, i + 1, QStringLiteral("instructions after practice"),
                          sitting.value(QStringLiteral("instructions_after_practice")),
                          inFolder(study.study.instructionsAfterPractice), check.differences);
        }
    }
    // Case times whose onsets rest on different things are not equally exact.
    if (check.onsetMethods.size() > 1) {
        QStringList parts;
        for (auto it = check.onsetMethods.cbegin(); it != check.onsetMethods.cend(); ++it)
            parts << QStringLiteral("%1: %2").arg(it.key(), it.value().join(QStringLiteral(", ")));
        check.differences << QStringLiteral("case onsets differ between sittings, so do their "
                                            "times' exactness: %1")
                                 .arg(parts.join(QStringLiteral("; ")));
    }
    return check;
}

QString studyCheckText(const StudyCheck &check)
{
    QString text = QStringLiteral("study: %1 (%2)\n").arg(check.title, check.folder);
    text += QStringLiteral("found: %1 results files, %2 practice files, %3 event files\n")
                .arg(check.resultsFiles.size())
                .arg(check.practiceFiles.size())
                .arg(check.eventFiles.size());
    if (!check.onsetMethods.isEmpty())
        text += QStringLiteral("case onsets: %1\n").arg(onsetSummary(check));
    if (check.differences.isEmpty()) {
        text += QStringLiteral("every participant ran the study as it is set up: no difference\n");
    } else {
        text += QStringLiteral("%1 differences from the study as it is set up:\n")
                    .arg(check.differences.size());
        for (const QString &difference : check.differences)
            text += QStringLiteral("  %1\n").arg(difference);
    }
    return text + QLatin1Char('\n');
}

QByteArray withStudyCheck(const QByteArray &reportJson, const StudyCheck &check)
{
    QJsonObject report = QJsonDocument::fromJson(reportJson).object();
    QJsonObject onsetMethods;
    for (auto it = check.onsetMethods.cbegin(); it != check.onsetMethods.cend(); ++it)
        onsetMethods[it.key()] = QJsonArray::fromStringList(it.value());
    report.insert(
        QStringLiteral("study"),
        QJsonObject {
            {QStringLiteral("title"), check.title},
            {QStringLiteral("folder"), check.folder},
            {QStringLiteral("results_files"), QJsonArray::fromStringList(check.resultsFiles)},
            {QStringLiteral("practice_files"), QJsonArray::fromStringList(check.practiceFiles)},
            {QStringLiteral("event_files"), QJsonArray::fromStringList(check.eventFiles)},
            {QStringLiteral("differences"), QJsonArray::fromStringList(check.differences)},
            {QStringLiteral("onset_methods"), onsetMethods}});
    return QJsonDocument(report).toJson();
}

QString studyCheckHtml(const StudyCheck &check)
{
    QString html = QStringLiteral("<h2>Study: %1</h2>\n").arg(check.title.toHtmlEscaped());
    if (!check.onsetMethods.isEmpty())
        html +=
            QStringLiteral("<p>Case onsets: %1.</p>\n").arg(onsetSummary(check).toHtmlEscaped());
    if (check.differences.isEmpty())
        return html
            + QStringLiteral("<p>Every participant ran the study as it is set up: no "
                             "difference.</p>\n");
    html += QStringLiteral("<p>%1 differences from the study as it is set up:</p>\n<ul>\n")
                .arg(check.differences.size());
    for (const QString &difference : check.differences)
        html += QStringLiteral("<li>%1</li>\n").arg(difference.toHtmlEscaped());
    return html + QStringLiteral("</ul>\n");
}

} // namespace wallmatch
