#ifndef TEXTINPUT_H
#define TEXTINPUT_H

#include <QByteArray>
#include <QString>

namespace wallmatch {

// A text file the program reads (plan, results file, truth table) is checked whole before it
// is parsed: decoding stops silently at a NUL byte on Qt 5 and replaces invalid UTF-8, and a
// last line without its line end is what a cut-off write leaves. Each is refused with its line
// instead of being read as something shorter or different.
struct TextInput
{
    QString text; // the whole text, without a byte-order mark; empty when refused
    int lines = 0; // complete lines
    int errorLine = 0; // 1-based, where `error` is
    QString error; // empty when the text can be parsed

    bool ok() const { return error.isEmpty(); }
    // "FILE:LINE: error"
    QString problem(const QString &fileName) const;
};

// No text input is longer than this many lines (a study plan of 100 000 cases, a results file
// of as many answers): a bound on what any reader holds.
inline constexpr int maxTextInputLines = 100000;

TextInput checkTextInput(const QByteArray &bytes, int maxLines = maxTextInputLines);

// A piece of input quoted in a message: at most 80 characters (longer text is cut with "…"),
// control characters shown as \xNN, so that no input can flood or garble the output.
QString quotedInput(const QString &text);
// The text with every control character but line feed and tab written as \xNN, as quotedInput
// writes them, so that text from a file cannot steer the terminal it is printed on (escape
// sequences, title changes, clearing the screen).
QString escapedControls(const QString &text);

} // namespace wallmatch

#endif // TEXTINPUT_H
