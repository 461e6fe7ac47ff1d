#include <QStandardPaths>
#include <QTest>

#include "mixedmodels.h"
#include "power.h"
#include "studyfixture.h"
#include "studytrials.h"
#include "svgchart.h"

#include <cmath>

using namespace wallmatch;

// Power from a pilot, simulated with R and lme4 from generated studies with known effects.
class TestPower : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WALLMATCH_REQUIRE_R(); }

    // Power from a pilot: a real effect is found more often in larger studies; without one,
    // about 1 simulated study in 20 finds it anyway. Time only (no truth), 40 simulations. The
    // pilot without effect has every answer twice, once with each source, so that its fitted
    // effect, which the simulations take as the truth, is exactly none.
    void powerFromPilot_data()
    {
        QTest::addColumn<double>("timeEffect");
        QTest::newRow("Bramble 10% slower") << 0.1;
        QTest::newRow("no effect") << 0.0;
    }
    void powerFromPilot()
    {
        QFETCH(double, timeEffect);
        fixture::StudyDesign design;
        design.seed = 31;
        design.participants = 6;
        design.samples = 12;
        design.timeEffect = timeEffect;
        QVector<Trial> trials = fixture::trialsOfStudy(fixture::generateStudy(design));
        for (Trial &t : trials)
            t.judged = false; // time only: the accuracy model would double the run time
        if (timeEffect == 0) {
            const QVector<Trial> once = trials;
            for (Trial t : once) {
                t.source = t.source == QLatin1String("Kestrel") ? QStringLiteral("Bramble")
                                                                : QStringLiteral("Kestrel");
                trials.append(t);
            }
        }
        PowerSettings settings;
        settings.participants = {2, 24};
        settings.simulations = 40;
        settings.seed = 7;
        settings.timeLimitSeconds = 300;
        const PowerResult power =
            simulatePower(trials, {QStringLiteral("Kestrel"), QStringLiteral("Bramble")}, settings);
        QVERIFY2(power.unavailable.isEmpty(), qPrintable(power.unavailable));
        QCOMPARE(int(power.rows.size()), 2);
        const PowerRow &small = power.rows.at(0), &large = power.rows.at(1);
        QCOMPARE(small.participants, 2);
        QCOMPARE(large.participants, 24);
        const QString said = powerText(power);
        qInfo("%s", qPrintable(said));
        for (const PowerRow &r : power.rows) {
            QCOMPARE(r.measure, QStringLiteral("time"));
            QCOMPARE(r.simulations, 40);
            QVERIFY2(r.fitted >= 38, qPrintable(said));
        }
        if (timeEffect > 0) {
            QVERIFY2(large.power() > small.power() + 0.2, qPrintable(said));
            QVERIFY2(large.power() > 0.7, qPrintable(said));
        } else {
            for (const PowerRow &r : power.rows) {
                const auto [lo, hi] = wilsonInterval(r.significant, r.fitted);
                QVERIFY2(lo <= 0.05 && 0.05 <= hi, qPrintable(said));
            }
        }
        // Seeded: the same seed gives the same counts.
        settings.participants = {2};
        settings.simulations = 5;
        const PowerResult again =
            simulatePower(trials, {QStringLiteral("Kestrel"), QStringLiteral("Bramble")}, settings);
        const PowerResult same =
            simulatePower(trials, {QStringLiteral("Kestrel"), QStringLiteral("Bramble")}, settings);
        QCOMPARE(again.rows.at(0).significant, same.rows.at(0).significant);
        QCOMPARE(again.rows.at(0).fitted, same.rows.at(0).fitted);
    }
};

QTEST_GUILESS_MAIN(TestPower)
#include "tst_power.moc"
