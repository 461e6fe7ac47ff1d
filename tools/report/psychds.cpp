#include "psychds.h"

#include "cli.h"
#include "csv.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace wallmatch {

namespace {

// What each column of the tidy data holds, for variableMeasured.
QString columnDescription(const QString &column)
{
    static const QMap<QString, QString> descriptions {
        {QStringLiteral("participant"),
         QStringLiteral("Participant ID (the ID of results_ID.txt)")},
        {QStringLiteral("file"), QStringLiteral("Results file the answer was read from")},
        {QStringLiteral("line"), QStringLiteral("Line of the answer in its results file")},
        {QStringLiteral("phase"),
         QStringLiteral("test: an answer of the run; after-end: given after the run had ended")},
        {QStringLiteral("case"), QStringLiteral("Case number within the run, from 1")},
        {QStringLiteral("sample"), QStringLiteral("Sample (pair of panoramas of one room)")},
        {QStringLiteral("source"), QStringLiteral("Layout source whose walls were shown")},
        {QStringLiteral("primary_wall"), QStringLiteral("Wall chosen in the primary panorama")},
        {QStringLiteral("secondary_wall"), QStringLiteral("Wall chosen in the secondary panorama")},
        {QStringLiteral("correct"),
         QStringLiteral("1 when the walls are the same wall by the truth, 0 when not; empty "
                        "when not judged")},
        {QStringLiteral("judged"), QStringLiteral("1 when the truth could judge the answer")},
        {QStringLiteral("seconds"), QStringLiteral("Time of the case in seconds")},
        {QStringLiteral("x1"), QStringLiteral("Click in the primary panorama, x (pixels)")},
        {QStringLiteral("y1"), QStringLiteral("Click in the primary panorama, y (pixels)")},
        {QStringLiteral("x2"), QStringLiteral("Click in the secondary panorama, x (pixels)")},
        {QStringLiteral("y2"), QStringLiteral("Click in the secondary panorama, y (pixels)")},
        {QStringLiteral("first_pick_seconds"),
         QStringLiteral("Seconds from the case appearing to the first wall picked")},
        {QStringLiteral("picks"), QStringLiteral("Walls picked during the case")},
        {QStringLiteral("misses"), QStringLiteral("Clicks beside any wall during the case")},
        {QStringLiteral("certain"),
         QStringLiteral("0 when the answer was judged on truth rows that are all uncertain, 1 "
                        "otherwise; empty when not judged")}};
    return descriptions.value(column, QStringLiteral("Column %1 of the tidy data").arg(column));
}

} // namespace

QString psychDsKeywordValue(const QString &text, const QString &fallback)
{
    QString value;
    for (const QChar c : text) {
        if (c.unicode() < 128 && c.isLetterOrNumber())
            value += c;
    }
    return value.isEmpty() ? fallback : value;
}

QByteArray psychDsDescription(const QString &study, const QStringList &columns, int participants)
{
    QJsonArray variables;
    for (const QString &column : columns)
        variables.append(QJsonObject {{QStringLiteral("@type"), QStringLiteral("PropertyValue")},
                                      {QStringLiteral("name"), column},
                                      {QStringLiteral("description"), columnDescription(column)}});
    const QJsonObject description {
        {QStringLiteral("@context"), QStringLiteral("https://schema.org")},
        {QStringLiteral("@type"), QStringLiteral("Dataset")},
        {QStringLiteral("name"), study},
        {QStringLiteral("description"),
         QStringLiteral("Answers of a wallmatch study: %1 participants matched the same wall in "
                        "two 360-degree panoramas of a room, shown with the walls of layout "
                        "sources; one row per answer, one data file per participant, written by "
                        "wallmatch-report.")
             .arg(participants)},
        {QStringLiteral("variableMeasured"), variables}};
    return QJsonDocument(description).toJson(QJsonDocument::Indented);
}

bool writePsychDs(const QString &dir, const QString &study, const QVector<Trial> &trials,
                  QVector<Problem> &problems)
{
    const QDir root(dir);
    if (QFileInfo(dir).exists()
        && (!QFileInfo(dir).isDir()
            || !root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())) {
        problems.append({dir, 0,
                         QStringLiteral("exists and is not an empty folder: a Psych-DS "
                                        "data set is written into a new one")});
        return false;
    }
    if (!root.mkpath(QStringLiteral("data"))) {
        problems.append({dir, 0, QStringLiteral("cannot make the folder")});
        return false;
    }
    QStringList order;
    QMap<QString, QVector<Trial>> byParticipant;
    for (const Trial &t : trials) {
        if (!byParticipant.contains(t.participant))
            order.append(t.participant);
        byParticipant[t.participant].append(t);
    }
    const QString studyValue = psychDsKeywordValue(study, QStringLiteral("wallmatch"));
    QStringList columns, used;
    bool written = true;
    for (int i = 0; i < order.size(); ++i) {
        QString value = psychDsKeywordValue(order.at(i), QStringLiteral("p%1").arg(i + 1));
        // IDs that differ only in other characters ("P-1", "P_1") would share a file.
        if (used.contains(value))
            value += QStringLiteral("n%1").arg(i + 1);
        used.append(value);
        const QString csv = trialsCsv(byParticipant.value(order.at(i)));
        for (const QString &column :
             csv.section(QLatin1Char('\n'), 0, 0).trimmed().split(QLatin1Char(','))) {
            if (!columns.contains(column))
                columns.append(column);
        }
        const QString name =
            QStringLiteral("data/study-%1_participant-%2_data.csv").arg(studyValue, value);
        written = writeFileOrComplain(root.filePath(name), csv.toUtf8(), problems) && written;
    }
    written = writeFileOrComplain(root.filePath(QStringLiteral("dataset_description.json")),
                                  psychDsDescription(study, columns, int(order.size())), problems)
        && written;
    return written;
}

} // namespace wallmatch
