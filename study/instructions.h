#ifndef INSTRUCTIONS_H
#define INSTRUCTIONS_H

#include <QString>
#include <QStringList>

namespace wallmatch {

// An instructions file's text and how to show it, chosen by its extension: .md and .markdown
// Markdown, .html and .htm HTML, anything else plain text.
struct Instructions
{
    enum Format { PlainText, Markdown, Html };
    QString file;
    QString text;
    Format format = PlainText;
    bool isEmpty() const { return file.isEmpty(); }
};

// Reads an instructions file (at most 1 MiB of UTF-8, checked as any text input); a problem
// goes to `problems`.
Instructions readInstructions(const QString &file, QStringList &problems);

} // namespace wallmatch

#endif // INSTRUCTIONS_H
