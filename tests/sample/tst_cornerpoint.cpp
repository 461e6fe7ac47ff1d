#include "cornerpoint.h"

#include <QDebug>
#include <QtTest>
#include <limits>

Q_DECLARE_METATYPE(CornerPoint)

// What a failed comparison or a debug line shows of a corner.
class TestCornerPoint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printsEveryDigit_data()
    {
        QTest::addColumn<CornerPoint>("point");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << CornerPoint(1, -2, 0) << "CornerPoint(1, -2, 0)";
        // Neighbouring floats print apart.
        QTest::newRow("tenth") << CornerPoint(0.1f, std::nextafter(0.1f, 1.0f), -3e20f)
                               << "CornerPoint(0.100000001, 0.100000009, -3.00000006e+20)";
        QTest::newRow("not finite") << CornerPoint(std::numeric_limits<float>::infinity(), 0.5f,
                                                   std::numeric_limits<float>::quiet_NaN())
                                    << "CornerPoint(inf, 0.5, nan)";
    }

    void printsEveryDigit()
    {
        QFETCH(CornerPoint, point);
        QFETCH(QString, text);

        QScopedArrayPointer<char> printed(toString(point));
        QCOMPARE(QString::fromUtf8(printed.data()), text);

        QString debugged;
        QDebug(&debugged) << point << 7;
        QCOMPARE(debugged.trimmed(), text + " 7");
    }
};

QTEST_GUILESS_MAIN(TestCornerPoint)
#include "tst_cornerpoint.moc"
