#include "textinput.h"

#include <QTest>

using wallmatch::checkTextInput;
using wallmatch::quotedInput;

class TestTextInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every way a text can be cut short or altered unnoticed is refused at its line; what is
    // whole passes with every line.
    void check_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines"); // complete lines when accepted
        QTest::addColumn<int>("errorLine"); // 0: accepted
        QTest::addColumn<QString>("error"); // a part of the message

        QTest::newRow("empty") << QByteArray() << 0 << 0 << QString();
        QTest::newRow("two lines") << QByteArray("a\nb\n") << 2 << 0 << QString();
        QTest::newRow("CRLF") << QByteArray("a\r\nb\r\n") << 2 << 0 << QString();
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                       "a\n")
                                         << 1 << 0 << QString();
        QTest::newRow("UTF-8 of every length")
            << QByteArray("\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\n") << 1 << 0 << QString();
        QTest::newRow("NUL") << QByteArray("a\nb\0c\nd\n", 8) << 0 << 2 << "NUL byte at column 2";
        QTest::newRow("torn last line") << QByteArray("a\nb\nc") << 0 << 3 << "no line end";
        QTest::newRow("lone continuation byte") << QByteArray("a\n\x80\n") << 0 << 2 << "0x80";
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF\n") << 0 << 1 << "invalid UTF-8";
        QTest::newRow("overlong three bytes")
            << QByteArray("\xE0\x80\xAF\n") << 0 << 1 << "invalid UTF-8";
        QTest::newRow("surrogate") << QByteArray("x\xED\xA0\x80\n") << 0 << 1 << "column 2";
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("\xF4\x90\x80\x80\n") << 0 << 1 << "invalid UTF-8";
        QTest::newRow("sequence cut at the end")
            << QByteArray("a\n\xE2\x82") << 0 << 2 << "invalid UTF-8";
        QTest::newRow("sequence cut by a line end")
            << QByteArray("\xE2\n\x82\n") << 0 << 1 << "invalid UTF-8";
    }
    void check()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        QFETCH(int, errorLine);
        QFETCH(QString, error);
        const wallmatch::TextInput input = checkTextInput(bytes);
        QCOMPARE(input.errorLine, errorLine);
        QVERIFY2(input.error.contains(error), qPrintable(input.error));
        QCOMPARE(input.ok(), errorLine == 0);
        if (input.ok()) {
            QCOMPARE(input.lines, lines);
            QCOMPARE(input.text.count(QLatin1Char('\n')), lines);
            QVERIFY(!input.text.startsWith(QChar(0xFEFF)));
        } else {
            QVERIFY(input.text.isEmpty()); // nothing of a refused text is parsed
            QCOMPARE(input.problem("f.csv"),
                     QString("f.csv:%1: %2").arg(errorLine).arg(input.error));
        }
    }

    // The line bound is checked as the text is read: a text of many short lines is refused at
    // the first line past it.
    void lineBound()
    {
        const QByteArray lines = QByteArray(",\n").repeated(11);
        QVERIFY(checkTextInput(lines, 11).ok());
        const wallmatch::TextInput refused = checkTextInput(lines, 10);
        QCOMPARE(refused.errorLine, 11);
        QVERIFY(refused.error.contains("more than 10 lines"));
    }

    void quoting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("short") << "Kestrel"
                               << "Kestrel";
        QTest::newRow("control characters") << "a\nb\tc\x1b"
                                            << "a\\x0ab\\x09c\\x1b";
        QTest::newRow("long") << QString(500, 'x') << QString(80, 'x') + QChar(0x2026);
        QTest::newRow("exactly 80") << QString(80, 'y') << QString(80, 'y');
    }
    void quoting()
    {
        QFETCH(QString, text);
        QFETCH(QString, quoted);
        QCOMPARE(quotedInput(text), quoted);
    }
};

QTEST_APPLESS_MAIN(TestTextInput)
#include "tst_textinput.moc"
