#include "instructions.h"

#include "regularfile.h"
#include "textinput.h"

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
    // Checked as every text input is: a NUL would cut the page short, invalid UTF-8 show as
    // replacement characters. A last line without its line end is normal for a page.
    QByteArray bytes = read.bytes;
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    const TextInput text = checkTextInput(bytes);
    if (!text.ok()) {
        problems << text.problem(file);
        return page;
    }
    page.file = file;
    page.text = text.text;
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("md") || suffix == QLatin1String("markdown"))
        page.format = Instructions::Markdown;
    else if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        page.format = Instructions::Html;
    return page;
}

} // namespace wallmatch
