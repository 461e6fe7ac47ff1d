#include "sessionrecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QSysInfo>

namespace wallmatch {

namespace {

constexpr qint64 maxSessionFileSize = 16 * 1024 * 1024;

QJsonValue pinnedFile(const QString &path, const QByteArray &sha256)
{
    if (path.isEmpty())
        return QJsonValue();
    return QJsonObject {{QStringLiteral("path"), QFileInfo(path).absoluteFilePath()},
                        {QStringLiteral("sha256"), QString::fromLatin1(sha256)}};
}

} // namespace

QString isoWithOffset(const QDateTime &time)
{
    // Qt::ISODate leaves out the offset of local time in Qt 5; this names it always.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

SessionRecord::SessionRecord(const QString &fileName)
    : store(fileName)
{
}

QString SessionRecord::resumeExisting()
{
    const QString name = store.fileName();
    const QFileInfo info(name);
    if (!info.exists())
        return {};
    QFile file(name);
    if (!info.isFile() || info.size() > maxSessionFileSize || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: not a session record").arg(name);
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError
        || !doc.object().value(QStringLiteral("sessions")).isArray())
        return QStringLiteral("%1: not a session record: %2").arg(name, error.errorString());
    earlier = doc.object().value(QStringLiteral("sessions")).toArray();
    store.resumeExistingFile();
    return {};
}

QString SessionRecord::begin(const SessionFacts &facts, const QDateTime &start)
{
    QJsonObject program {{QStringLiteral("name"), QCoreApplication::applicationName()},
                         {QStringLiteral("version"), QStringLiteral(WALLMATCH_VERSION)},
                         {QStringLiteral("qt_version"), QString::fromLatin1(qVersion())},
                         {QStringLiteral("platform"), QGuiApplication::platformName()},
                         {QStringLiteral("os"), QSysInfo::prettyProductName()},
                         {QStringLiteral("kernel"), QSysInfo::kernelVersion()}};
    QJsonObject screen {{QStringLiteral("width"), facts.screenSize.width()},
                        {QStringLiteral("height"), facts.screenSize.height()},
                        {QStringLiteral("device_pixel_ratio"), facts.devicePixelRatio},
                        {QStringLiteral("window_scale"), facts.windowScale},
                        {QStringLiteral("full_screen"), facts.fullScreen}};
    QJsonObject plan;
    if (!facts.planPath.isEmpty())
        plan = {{QStringLiteral("path"), QFileInfo(facts.planPath).absoluteFilePath()},
                {QStringLiteral("sha256"), QString::fromLatin1(facts.planSha256)}};
    current = {{QStringLiteral("program"), program},
               {QStringLiteral("screen"), screen},
               {QStringLiteral("plan"), facts.planPath.isEmpty() ? QJsonValue() : QJsonValue(plan)},
               {QStringLiteral("participant"), facts.participant},
               {QStringLiteral("options"), QJsonArray::fromStringList(facts.options)},
               {QStringLiteral("working_folder"), QFileInfo(store.fileName()).absolutePath()},
               {QStringLiteral("host"), QSysInfo::machineHostName()},
               {QStringLiteral("start"), isoWithOffset(start)},
               {QStringLiteral("end"), QJsonValue()},
               {QStringLiteral("case_times_from_event_timestamps"), facts.eventTimestamps},
               {QStringLiteral("onset_method"), QJsonValue()},
               {QStringLiteral("onset_methods"), QJsonObject()},
               {QStringLiteral("refresh_period_ms"), QJsonValue()},
               {QStringLiteral("test_cases_answered"), 0},
               {QStringLiteral("practice_cases_answered"), 0},
               {QStringLiteral("completed"), false}};
    current[QStringLiteral("truth")] = pinnedFile(facts.truthPath, facts.truthSha256);
    current[QStringLiteral("instructions")] =
        pinnedFile(facts.instructionsPath, facts.instructionsSha256);
    current[QStringLiteral("instructions_after_practice")] =
        pinnedFile(facts.afterPracticePath, facts.afterPracticeSha256);
    if (!facts.studyFile.isEmpty()) {
        QJsonObject study = pinnedFile(facts.studyFile, facts.studySha256).toObject();
        study[QStringLiteral("title")] = facts.studyTitle;
        study[QStringLiteral("overridden_options")] =
            QJsonArray::fromStringList(facts.studyOverrides);
        current[QStringLiteral("study")] = study;
    } else {
        current[QStringLiteral("study")] = QJsonValue();
    }
    return write();
}

QString SessionRecord::finish(int testAnswered, int practiceAnswered, bool completed,
                              const QDateTime &end)
{
    current[QStringLiteral("end")] = isoWithOffset(end);
    current[QStringLiteral("test_cases_answered")] = testAnswered;
    current[QStringLiteral("practice_cases_answered")] = practiceAnswered;
    current[QStringLiteral("completed")] = completed;
    return write();
}

void SessionRecord::noteOnsets(const QMap<QString, int> &casesByMethod,
                               std::optional<double> refreshMs)
{
    QJsonObject methods;
    for (auto it = casesByMethod.cbegin(); it != casesByMethod.cend(); ++it)
        methods[it.key()] = it.value();
    // One method for the whole sitting, or "mixed" where some cases fell back to another.
    current[QStringLiteral("onset_method")] = methods.size() == 1
        ? QJsonValue(methods.constBegin().key())
        : QJsonValue(methods.isEmpty() ? QString() : QStringLiteral("mixed"));
    if (methods.isEmpty())
        current[QStringLiteral("onset_method")] = QJsonValue();
    current[QStringLiteral("onset_methods")] = methods;
    current[QStringLiteral("refresh_period_ms")] =
        refreshMs ? QJsonValue(qRound64(*refreshMs * 1000) / 1000.0) : QJsonValue();
}

QJsonObject SessionRecord::document() const
{
    QJsonArray sessions = earlier;
    sessions.append(current);
    return {{QStringLiteral("sessions"), sessions}};
}

QString SessionRecord::write()
{
    return store.write(
        {QString::fromUtf8(QJsonDocument(document()).toJson(QJsonDocument::Indented))});
}

} // namespace wallmatch
