#include "studyfile.h"

#include "regularfile.h"
#include "sources.h"
#include "textinput.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace wallmatch {

namespace {

// A study file is a screenful of JSON; this is far beyond any.
constexpr qint64 maxStudyFileBytes = 1024 * 1024;
// Files the study names are hashed whole: plans, truth and instructions are small.
constexpr qint64 maxHashedFileBytes = 256 * 1024 * 1024;
constexpr int maxBreakEvery = 100000;
constexpr int maxPractice = 10000;

const char formatName[] = "wallmatch-study";
constexpr int formatVersion = 1;

struct Checker
{
    const QJsonObject &object;
    QString file;
    QString folder;
    QStringList problems;

    void problem(const QString &field, const QString &text)
    {
        problems << QStringLiteral("%1: %2: %3").arg(file, field, text);
    }

    QString text(const QString &field, bool required)
    {
        const QJsonValue value = object.value(field);
        if (value.isUndefined() || value.isNull()) {
            if (required)
                problem(field, QStringLiteral("missing"));
            return {};
        }
        if (!value.isString()) {
            problem(field, QStringLiteral("must be a string"));
            return {};
        }
        return value.toString();
    }

    // A file or folder the study names, relative to the study folder; must exist.
    QString path(const QString &field, bool folderWanted)
    {
        const QString name = text(field, false);
        if (name.isEmpty())
            return name;
        const QFileInfo info(QDir(folder), name);
        if (!info.exists())
            problem(field, QStringLiteral("\"%1\" does not exist").arg(quotedInput(name)));
        else if (folderWanted && !info.isDir())
            problem(field, QStringLiteral("\"%1\" is not a folder").arg(quotedInput(name)));
        else if (!folderWanted && !info.isFile())
            problem(field, QStringLiteral("\"%1\" is not a regular file").arg(quotedInput(name)));
        return name;
    }

    int number(const QString &field, int max)
    {
        const QJsonValue value = object.value(field);
        if (value.isUndefined() || value.isNull())
            return 0;
        const double n = value.toDouble(-1);
        if (!value.isDouble() || n != double(int(n)) || n < 0 || n > max) {
            problem(field, QStringLiteral("must be a whole number from 0 to %1").arg(max));
            return 0;
        }
        return int(n);
    }

    bool flag(const QString &field)
    {
        const QJsonValue value = object.value(field);
        if (value.isUndefined() || value.isNull())
            return false;
        if (!value.isBool())
            problem(field, QStringLiteral("must be true or false"));
        return value.toBool();
    }
};

const QStringList knownFields {QStringLiteral("format"),
                               QStringLiteral("version"),
                               QStringLiteral("title"),
                               QStringLiteral("sources"),
                               QStringLiteral("plans"),
                               QStringLiteral("practice"),
                               QStringLiteral("instructions"),
                               QStringLiteral("instructions_after_practice"),
                               QStringLiteral("truth"),
                               QStringLiteral("break_every"),
                               QStringLiteral("full_screen"),
                               QStringLiteral("pause_on_focus_loss"),
                               QStringLiteral("experimenter_view")};

} // namespace

StudyFileRead parseStudyFile(const QByteArray &json, const QString &file, const QString &folder)
{
    StudyFileRead read;
    read.file = file;
    read.sha256 = QCryptographicHash::hash(json, QCryptographicHash::Sha256).toHex();
    // NULs and invalid UTF-8 are refused as in every text input; a hand-edited file may end
    // without a line end.
    const TextInput input = checkTextInput(json.endsWith('\n') ? json : json + '\n');
    if (!input.ok()) {
        read.problems << input.problem(file);
        return read;
    }
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        read.problems << QStringLiteral("%1: not JSON: %2 at byte %3")
                             .arg(file, error.errorString())
                             .arg(error.offset);
        return read;
    }
    if (!doc.isObject()) {
        read.problems
            << QStringLiteral("%1: not a study file: a JSON object is expected").arg(file);
        return read;
    }
    const QJsonObject object = doc.object();
    Checker check {object, file, folder, {}};
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!knownFields.contains(it.key()))
            check.problem(quotedInput(it.key()), QStringLiteral("not a field of a study file"));
    }
    if (object.value(QStringLiteral("format")).toString() != QLatin1String(formatName))
        check.problem(QStringLiteral("format"),
                      QStringLiteral("must be \"%1\"").arg(QLatin1String(formatName)));
    if (object.value(QStringLiteral("version")).toInt(-1) != formatVersion)
        check.problem(
            QStringLiteral("version"),
            QStringLiteral("must be %1 (this wallmatch reads version %1)").arg(formatVersion));
    StudyFile &study = read.study;
    study.title = check.text(QStringLiteral("title"), true).trimmed();
    if (object.value(QStringLiteral("title")).isString() && study.title.isEmpty())
        check.problem(QStringLiteral("title"), QStringLiteral("empty"));
    const QJsonValue sources = object.value(QStringLiteral("sources"));
    if (!sources.isArray() || sources.toArray().isEmpty()) {
        check.problem(QStringLiteral("sources"),
                      QStringLiteral("must be a list of one or more source names"));
    } else {
        for (const QJsonValue &source : sources.toArray()) {
            const QString name = source.toString();
            const QString why =
                source.isString() ? sourceNameProblem(name) : QStringLiteral("not a string");
            if (!why.isEmpty())
                check.problem(QStringLiteral("sources"), why);
            else if (study.sources.contains(name))
                check.problem(QStringLiteral("sources"),
                              QStringLiteral("\"%1\" is named twice").arg(name));
            else
                study.sources << name;
        }
    }
    study.plans = check.text(QStringLiteral("plans"), true);
    if (!study.plans.isEmpty())
        check.path(QStringLiteral("plans"), true);
    study.practice = check.number(QStringLiteral("practice"), maxPractice);
    study.instructions = check.path(QStringLiteral("instructions"), false);
    study.instructionsAfterPractice =
        check.path(QStringLiteral("instructions_after_practice"), false);
    study.truth = check.path(QStringLiteral("truth"), false);
    study.breakEvery = check.number(QStringLiteral("break_every"), maxBreakEvery);
    study.fullScreen = check.flag(QStringLiteral("full_screen"));
    study.pauseOnFocusLoss = check.flag(QStringLiteral("pause_on_focus_loss"));
    study.experimenterView = check.flag(QStringLiteral("experimenter_view"));
    if (study.practice == 0 && !study.instructionsAfterPractice.isEmpty())
        check.problem(QStringLiteral("instructions_after_practice"),
                      QStringLiteral("given, but the study has no practice"));
    read.problems << check.problems;
    return read;
}

StudyFileRead readStudyFile(const QString &folder)
{
    const QString file = QDir(folder).filePath(QLatin1String(studyFileName));
    const ReadFile bytes = readRegularFile(file, maxStudyFileBytes);
    if (!bytes.ok) {
        StudyFileRead read;
        read.file = file;
        read.problems << QStringLiteral("%1: not a study file: %2").arg(file, bytes.opened.reason);
        return read;
    }
    return parseStudyFile(bytes.bytes, file, folder);
}

QByteArray studyFileJson(const StudyFile &study)
{
    auto pathValue = [](const QString &path) {
        return path.isEmpty() ? QJsonValue() : QJsonValue(path);
    };
    // Insertion order is lost in a QJsonObject (keys are sorted); that is still readable.
    const QJsonObject object {
        {QStringLiteral("format"), QLatin1String(formatName)},
        {QStringLiteral("version"), formatVersion},
        {QStringLiteral("title"), study.title},
        {QStringLiteral("sources"), QJsonArray::fromStringList(study.sources)},
        {QStringLiteral("plans"), study.plans},
        {QStringLiteral("practice"), study.practice},
        {QStringLiteral("instructions"), pathValue(study.instructions)},
        {QStringLiteral("instructions_after_practice"), pathValue(study.instructionsAfterPractice)},
        {QStringLiteral("truth"), pathValue(study.truth)},
        {QStringLiteral("break_every"), study.breakEvery},
        {QStringLiteral("full_screen"), study.fullScreen},
        {QStringLiteral("pause_on_focus_loss"), study.pauseOnFocusLoss},
        {QStringLiteral("experimenter_view"), study.experimenterView}};
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QString studyPlanFile(const StudyFile &study, const QString &folder, const QString &participant)
{
    return QDir(QDir(folder).filePath(study.plans)).filePath(participant + QStringLiteral(".csv"));
}

QByteArray fileSha256(const QString &file)
{
    const ReadFile read = readRegularFile(file, maxHashedFileBytes);
    if (!read.ok)
        return {};
    return QCryptographicHash::hash(read.bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace wallmatch
