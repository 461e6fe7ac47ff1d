#include "textinput.h"

namespace wallmatch {

namespace {

// Length of the valid UTF-8 sequence at `i`, or 0 (overlong forms, surrogates and values past
// U+10FFFF are invalid, as in the Unicode standard).
int utf8SequenceLength(const unsigned char *s, qsizetype size, qsizetype i)
{
    const unsigned char c = s[i];
    if (c < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > size)
        return 0;
    if (s[i + 1] < low || s[i + 1] > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if (s[i + k] < 0x80 || s[i + k] > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

QString TextInput::problem(const QString &fileName) const
{
    return QStringLiteral("%1:%2: %3").arg(fileName).arg(errorLine).arg(error);
}

TextInput checkTextInput(const QByteArray &bytes, int maxLines)
{
    TextInput input;
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const qsizetype start = i;
    qsizetype lineStart = i;
    int line = 1;
    auto refuse = [&](const QString &why) {
        input.errorLine = line;
        input.error = why;
        return input;
    };
    while (i < size) {
        const unsigned char c = s[i];
        if (c == '\n') {
            if (line > maxLines)
                return refuse(QStringLiteral("more than %1 lines").arg(maxLines));
            ++line;
            lineStart = ++i;
            continue;
        }
        if (c == 0)
            return refuse(
                QStringLiteral("a NUL byte at column %1: not a text file").arg(i - lineStart + 1));
        const int length = utf8SequenceLength(s, size, i);
        if (length == 0)
            return refuse(QStringLiteral("invalid UTF-8 at column %1 (byte 0x%2)")
                              .arg(i - lineStart + 1)
                              .arg(c, 2, 16, QLatin1Char('0')));
        i += length;
    }
    if (lineStart < size)
        return refuse(QStringLiteral("the last line has no line end: the file may have been cut "
                                     "off"));
    input.lines = line - 1;
    input.text = QString::fromUtf8(bytes.constData() + start, int(size - start));
    return input;
}

namespace {

bool isControl(QChar c)
{
    const ushort u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

QString escaped(QChar c)
{
    return QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
}

} // namespace

QString escapedControls(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text)
        safe += isControl(c) && c != QLatin1Char('\n') && c != QLatin1Char('\t') ? escaped(c)
                                                                                 : QString(c);
    return safe;
}

QString quotedInput(const QString &text)
{
    constexpr int maxQuoted = 80;
    QString quoted;
    for (const QChar c : text) {
        if (quoted.size() >= maxQuoted) {
            quoted += QChar(0x2026);
            break;
        }
        if (isControl(c))
            quoted += escaped(c);
        else
            quoted += c;
    }
    return quoted;
}

} // namespace wallmatch
