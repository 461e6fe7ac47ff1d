#include "sources.h"

#include <QtTest>

using namespace wallmatch;

class TestSources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("file");

        QTest::newRow("Kestrel") << "Kestrel" << true << "pred_corner.txt";
        QTest::newRow("Bramble") << "Bramble" << true << "pred_corner_Bramble.txt";
        QTest::newRow("another") << "LGTNet" << true << "pred_corner_LGTNet.txt";
        QTest::newRow("case matters") << "kestrel" << true << "pred_corner_kestrel.txt";
        QTest::newRow("dash and underscore") << "a-b_9" << true << "pred_corner_a-b_9.txt";
        QTest::newRow("32 characters")
            << QString(32, 'x') << true << "pred_corner_" + QString(32, 'x') + ".txt";
        QTest::newRow("33 characters") << QString(33, 'x') << false << "";
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("space") << "a b" << false << "";
        QTest::newRow("slash") << "../x" << false << "";
        QTest::newRow("dot") << "a.b" << false << "";
        QTest::newRow("non-ASCII letter") << QString::fromUtf8("Kést") << false << "";
    }

    void names()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QFETCH(QString, file);
        QCOMPARE(isSourceName(name), valid);
        QCOMPARE(sourceNameProblem(name).isEmpty(), valid);
        if (valid) {
            QCOMPARE(cornerFileName(name), file);
            QCOMPARE(cornerFilePath("f", name), "f//" + file);
        } else {
            QVERIFY(sourceNameProblem(name).contains('"' + name + '"'));
        }
    }

    void builtInsFollowCornerTypeOrder()
    {
        QCOMPARE(builtInSourceNames(), QStringList({"Kestrel", "Bramble"}));
        QCOMPARE(builtInSourceIndex("Bramble"), 1);
        QCOMPARE(builtInSourceIndex("LGTNet"), -1);
    }

    void ordered()
    {
        QCOMPARE(orderedSources({"Zeta", "Bramble", "Alpha", "Kestrel", "Zeta"}),
                 QStringList({"Kestrel", "Bramble", "Alpha", "Zeta"}));
    }

    void list_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names"); // empty: refused
        QTest::addColumn<QString>("problem");

        QTest::newRow("two") << "Kestrel,Bramble" << QStringList {"Kestrel", "Bramble"} << "";
        QTest::newRow("built-in case, blanks")
            << " kestrel , LGTNet,HoHo" << QStringList {"Kestrel", "LGTNet", "HoHo"} << "";
        QTest::newRow("twice") << "A,B,A" << QStringList() << "source A is listed twice";
        QTest::newRow("empty name") << "A,,B" << QStringList() << "source \"\" is not a name";
        QTest::newRow("bad name") << "A,b c" << QStringList() << "source \"b c\" is not a name";
    }

    void list()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        QFETCH(QString, problem);
        QString got;
        const std::optional<QStringList> parsed = parseSourceList(text, &got);
        QCOMPARE(parsed.has_value(), !names.isEmpty());
        if (parsed)
            QCOMPARE(*parsed, names);
        else
            QVERIFY2(got.startsWith(problem), qPrintable(got));
    }
};

QTEST_GUILESS_MAIN(TestSources)
#include "tst_sources.moc"
