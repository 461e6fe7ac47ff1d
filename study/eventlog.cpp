#include "eventlog.h"
#include "eventlogformat.h"

#include "csv.h"

#include <QFile>
#include <QFileInfo>

namespace wallmatch {

namespace {

// An event log holds some rows per case; far more than any study writes.
constexpr qint64 maxEventsFileSize = 64 * 1024 * 1024;

} // namespace

const QString EventLog::header = eventLogHeader();

EventLog::EventLog(const QString &fileName, qint64 sessionStartMs)
    : store(fileName)
    , startMs(sessionStartMs)
{
    lines.append(header);
}

QString EventLog::resumeExisting()
{
    const QString name = store.fileName();
    const QFileInfo info(name);
    if (!info.exists())
        return {};
    if (!info.isFile() || info.size() > maxEventsFileSize)
        return QStringLiteral("%1: not an event log").arg(name);
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: cannot be read: %2").arg(name, file.errorString());
    const QString text = QString::fromUtf8(file.readAll());
    // A log begun before the onset columns gets them, empty, so that every row has the header's.
    const QString olderHeader = olderEventColumnNames().join(QLatin1Char(',')) + QLatin1Char('\n');
    const bool older = text.startsWith(olderHeader);
    if (!text.isEmpty() && !text.startsWith(header) && !older)
        return QStringLiteral("%1: not an event log (its first line is not \"%2\")")
            .arg(name, header.trimmed());
    const QString padding(eventColumnCount - olderEventColumnCount, QLatin1Char(','));
    lines.clear();
    lines.append(header);
    int from = older ? olderHeader.size() : header.size();
    while (from < text.size()) {
        const int end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            break; // a row cut short by a crash is dropped
        lines.append(older ? text.mid(from, end - from) + padding + QLatin1Char('\n')
                           : text.mid(from, end + 1 - from));
        from = end + 1;
    }
    store.resumeExistingFile();
    return {};
}

void EventLog::add(const LoggedEvent &event)
{
    lines.append(row(event));
}

QString EventLog::row(const LoggedEvent &e) const
{
    const bool inCase = e.caseNumber > 0;
    QStringList fields;
    fields << QString::number(e.atMs - startMs) << eventPhaseName(e.practice)
           << (inCase ? QString::number(e.caseNumber) : QString())
           << (inCase ? QString::number(e.sample) : QString()) << csvField(e.source) << e.event
           << (e.view > 0 ? QString::number(e.view) : QString())
           << (e.wall >= 0 ? QString::number(e.wall) : QString())
           << (e.pixel ? QString::number(e.pixel->x()) : QString())
           << (e.pixel ? QString::number(e.pixel->y()) : QString());
    // Microseconds since the session started, as milliseconds.
    const auto sessionMs = [this](qint64 us) {
        return QString::number(double(us - startMs * 1000) / 1000.0, 'f', 3);
    };
    if (e.onset) {
        fields << sessionMs(e.onset->sentUs)
               << (e.onset->presentedUs ? sessionMs(*e.onset->presentedUs) : QString())
               << onsetMethodName(e.onset->method);
    } else {
        fields << QString() << QString() << QString();
    }
    return fields.join(QLatin1Char(',')) + QLatin1Char('\n');
}

} // namespace wallmatch
