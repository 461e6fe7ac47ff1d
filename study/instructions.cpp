#include "instructions.h"

#include "regularfile.h"

#include <QFileInfo>

namespace wallmatch {

namespace {

constexpr qint64 maxInstructionsBytes = 1024 * 1024;

} // namespace

Instructions readInstructions(const QString &file, QStringList &problems)
{
    Instructions page;
    const ReadFile read = readRegularFile(file, maxInstructionsBytes);
    if (!read.ok) {
        problems << QStringLiteral("%1: instructions cannot be read: %2")
                        .arg(file,
                             read.opened.tooLarge ? QStringLiteral("larger than 1 MiB")
                                                  : read.opened.reason);
        return page;
    }
    page.file = file;
    page.text = QString::fromUtf8(read.bytes);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("md") || suffix == QLatin1String("markdown"))
        page.format = Instructions::Markdown;
    else if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        page.format = Instructions::Html;
    return page;
}

} // namespace wallmatch
