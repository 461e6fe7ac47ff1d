#include "studyplanner.h"

#include <QMap>
#include <QSet>
#include <QTest>

using namespace wallmatch;

namespace {

QVector<int> sampleRange(int first, int last)
{
    QVector<int> samples;
    for (int s = first; s <= last; ++s)
        samples.append(s);
    return samples;
}

QVector<int> orderOf(const QVector<PlanCase> &plan)
{
    QVector<int> order;
    for (const PlanCase &c : plan)
        order.append(c.sample);
    return order;
}

QString planText(const QVector<QVector<PlanCase>> &plans)
{
    QString text;
    for (const QVector<PlanCase> &plan : plans)
        text += studyPlanCsv(plan);
    return text;
}

bool withinOneOfShare(int count, int total, int parts)
{
    return count == total / parts || count == (total + parts - 1) / parts;
}

int factorialCapped(int n, int cap)
{
    int f = 1;
    for (int i = 2; i <= n && f < cap; ++i)
        f *= i;
    return f;
}

} // namespace

class TestStudyPlanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void properties_data()
    {
        QTest::addColumn<int>("participants");
        QTest::addColumn<int>("sampleCount");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<bool>("shuffled");
        const QStringList both {"Kestrel", "Bramble"};
        QTest::newRow("4 x 10") << 4 << 10 << both << true;
        QTest::newRow("odd: 5 x 7") << 5 << 7 << both << true;
        QTest::newRow("12 x 100") << 12 << 100 << both << true;
        QTest::newRow("one of one") << 1 << 1 << both << true;
        QTest::newRow("3 samples, all 6 orders") << 6 << 3 << both << true;
        QTest::newRow("more participants than orders") << 5 << 2 << both << true;
        QTest::newRow("Bramble first") << 3 << 9 << QStringList {"Bramble", "Kestrel"} << true;
        QTest::newRow("one source") << 3 << 5 << QStringList {"Bramble"} << true;
        QTest::newRow("fixed 4 x 10") << 4 << 10 << both << false;
        QTest::newRow("fixed odd 3 x 5") << 3 << 5 << both << false;
        const QStringList three {"Kestrel", "Bramble", "LGTNet"};
        const QStringList four {"HoHoNet", "Kestrel", "LGTNet", "DOPNet"};
        QTest::newRow("three sources, 6 x 20") << 6 << 20 << three << true;
        QTest::newRow("three sources, 7 x 9") << 7 << 9 << three << true;
        QTest::newRow("four sources, 8 x 30") << 8 << 30 << four << true;
        QTest::newRow("four sources, fixed 4 x 6") << 4 << 6 << four << false;
    }
    void properties()
    {
        QFETCH(int, participants);
        QFETCH(int, sampleCount);
        QFETCH(QStringList, sources);
        QFETCH(bool, shuffled);
        StudyDesign design;
        design.participants = participants;
        design.samples = sampleRange(1, sampleCount);
        design.sources = sources;
        design.seed = 20261207;
        design.shuffled = shuffled;
        const QVector<QVector<PlanCase>> plans = makeStudyPlans(design);
        QCOMPARE(plans.size(), participants);

        QMap<QPair<int, QString>, int> shownWith; // (sample, source) -> participants
        QSet<QVector<int>> orders;
        for (const QVector<PlanCase> &plan : plans) {
            QVector<int> sorted = orderOf(plan);
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(sorted, design.samples); // every sample once
            if (!shuffled)
                QCOMPARE(orderOf(plan), design.samples);
            orders.insert(orderOf(plan));

            QMap<QString, int> perSource;
            for (const PlanCase &c : plan) {
                QVERIFY2(sources.contains(c.source), qPrintable(c.source));
                ++perSource[c.source];
                ++shownWith[qMakePair(c.sample, c.source)];
            }
            for (const QString &source : sources)
                QVERIFY2(withinOneOfShare(perSource.value(source), sampleCount, sources.size()),
                         qPrintable(QStringLiteral("%1 shown %2 of %3 times")
                                        .arg(source)
                                        .arg(perSource.value(source))
                                        .arg(sampleCount)));
        }
        // Counterbalanced: each sample with each source for an equal share of participants.
        for (int sample : design.samples) {
            for (const QString &source : sources) {
                const int n = shownWith.value(qMakePair(sample, source));
                QVERIFY2(withinOneOfShare(n, participants, sources.size()),
                         qPrintable(QStringLiteral("sample %1 with %2 for %3 of %4 participants")
                                        .arg(sample)
                                        .arg(source)
                                        .arg(n)
                                        .arg(participants)));
            }
        }
        // In every complete block of k participants, each sample is shown with each source once.
        const int k = int(sources.size());
        for (int block = 0; block + k <= participants; block += k) {
            QSet<QPair<int, QString>> seen;
            for (int p = block; p < block + k; ++p)
                for (const PlanCase &c : plans.at(p))
                    seen.insert(qMakePair(c.sample, c.source));
            QCOMPARE(seen.size(), sampleCount * k);
        }
        if (shuffled)
            QCOMPARE(orders.size(), qMin(participants, factorialCapped(sampleCount, participants)));

        // The same seed gives the same plans; another seed other plans.
        QCOMPARE(planText(makeStudyPlans(design)), planText(plans));
        if (sampleCount >= 5 && shuffled) {
            design.seed += 1;
            QVERIFY(planText(makeStudyPlans(design)) != planText(plans));
        }
    }

    void within_data()
    {
        QTest::addColumn<int>("sampleCount");
        QTest::addColumn<QStringList>("sources");
        QTest::newRow("3 sources, 10 samples")
            << 10 << QStringList {"Kestrel", "Bramble", "LGTNet"};
        QTest::newRow("4 sources, 5 samples") << 5 << QStringList {"A", "B", "C", "D"};
        QTest::newRow("2 sources, 2 samples") << 2 << QStringList {"Kestrel", "Bramble"};
    }
    void within()
    {
        QFETCH(int, sampleCount);
        QFETCH(QStringList, sources);
        StudyDesign design;
        design.participants = 2 * int(sources.size());
        design.samples = sampleRange(1, sampleCount);
        design.sources = sources;
        design.seed = 99;
        design.within = true;
        const QVector<QVector<PlanCase>> plans = makeStudyPlans(design);
        for (const QVector<PlanCase> &plan : plans) {
            QCOMPARE(plan.size(), sampleCount * sources.size());
            QSet<QPair<int, QString>> seen;
            QMap<int, int> lastAt;
            for (int i = 0; i < plan.size(); ++i) {
                seen.insert(qMakePair(plan[i].sample, plan[i].source));
                if (lastAt.contains(plan[i].sample))
                    QVERIFY2(i - lastAt.value(plan[i].sample) >= qMin(3, sampleCount),
                             qPrintable(QString("sample %1 at %2 and %3")
                                            .arg(plan[i].sample)
                                            .arg(lastAt.value(plan[i].sample))
                                            .arg(i)));
                lastAt[plan[i].sample] = i;
                QCOMPARE(plan[i].line, i + 2);
            }
            QCOMPARE(seen.size(), sampleCount * sources.size()); // each pair once
            // Rounds in one order could be learnt: where the count allows, they differ.
            if (sampleCount >= 5) {
                QSet<QVector<int>> roundOrders;
                for (int round = 0; round < sources.size(); ++round) {
                    QVector<int> order;
                    for (const PlanCase &c : plan.mid(round * sampleCount, sampleCount))
                        order.append(c.sample);
                    roundOrders.insert(order);
                }
                QCOMPARE(roundOrders.size(), int(sources.size()));
            }
        }
        QCOMPARE(planText(makeStudyPlans(design)), planText(plans));
    }

    // Practice comes first, from its own samples, and leaves the test cases as they were.
    void practiceFirst()
    {
        StudyDesign design;
        design.participants = 3;
        design.samples = sampleRange(1, 8);
        design.sources = QStringList {"Kestrel", "Bramble"};
        design.seed = 5;
        const QVector<QVector<PlanCase>> without = makeStudyPlans(design);
        design.practice = 2;
        design.practiceSamples = sampleRange(20, 23);
        const QVector<QVector<PlanCase>> with = makeStudyPlans(design);
        for (int p = 0; p < with.size(); ++p) {
            const QVector<PlanCase> &plan = with.at(p);
            QCOMPARE(plan.size(), 10);
            for (int i = 0; i < plan.size(); ++i) {
                QCOMPARE(plan[i].practice, i < 2);
                QCOMPARE(plan[i].sample >= 20, i < 2);
            }
            QCOMPARE(planText({plan.mid(2)}), planText({without.at(p)}));
            // Read back as wallmatch reads it: practice then test.
            const StudyPlan read = parseStudyPlan(studyPlanCsv(plan), "P.csv");
            QCOMPARE(read.problems, QStringList());
            QCOMPARE(read.cases.value(1).practice, true);
            QCOMPARE(read.cases.value(2).practice, false);
        }
    }

    // Adding participants later leaves the plans already handed out as they were.
    void morePartipantsKeepEarlierPlans()
    {
        StudyDesign design;
        design.participants = 4;
        design.samples = sampleRange(1, 20);
        design.sources = QStringList {"Kestrel", "Bramble"};
        design.seed = 99;
        const QVector<QVector<PlanCase>> four = makeStudyPlans(design);
        design.participants = 9;
        QCOMPARE(planText(makeStudyPlans(design).mid(0, 4)), planText(four));
    }

    void sampleLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVector<int>>("expected"); // empty: refused
        QTest::newRow("range") << "1-5" << QVector<int> {1, 2, 3, 4, 5};
        QTest::newRow("mixed") << "3, 1-2,10" << QVector<int> {3, 1, 2, 10};
        QTest::newRow("one") << "7" << QVector<int> {7};
        QTest::newRow("zero") << "0-3" << QVector<int> {};
        QTest::newRow("backwards") << "5-1" << QVector<int> {};
        QTest::newRow("twice") << "1-3,2" << QVector<int> {};
        QTest::newRow("word") << "all" << QVector<int> {};
        QTest::newRow("empty part") << "1-3," << QVector<int> {};
        QTest::newRow("two dashes") << "1-2-3" << QVector<int> {};
    }
    void sampleLists()
    {
        QFETCH(QString, text);
        QFETCH(QVector<int>, expected);
        QString error;
        const std::optional<QVector<int>> samples = parseSampleList(text, &error);
        QCOMPARE(samples.value_or(QVector<int> {}), expected);
        QCOMPARE(error.isEmpty(), !expected.isEmpty());
    }

    void participantIds()
    {
        QCOMPARE(participantId(1, 12), QStringLiteral("P01"));
        QCOMPARE(participantId(99, 99), QStringLiteral("P99"));
        QCOMPARE(participantId(7, 100), QStringLiteral("P007"));
    }

    // The written plan is read back as the same cases.
    void planCsvRoundTrip()
    {
        StudyDesign design;
        design.participants = 2;
        design.samples = sampleRange(3, 8);
        design.sources = QStringList {"Kestrel", "Bramble"};
        design.seed = 5;
        const QVector<PlanCase> plan = makeStudyPlans(design).at(1);
        const StudyPlan read = parseStudyPlan(studyPlanCsv(plan), QStringLiteral("P02.csv"));
        QVERIFY2(read.problems.isEmpty(), qPrintable(read.problems.join('\n')));
        QCOMPARE(read.cases.size(), plan.size());
        for (int i = 0; i < plan.size(); ++i) {
            QCOMPARE(read.cases.at(i).sample, plan.at(i).sample);
            QCOMPARE(read.cases.at(i).source, plan.at(i).source);
            QCOMPARE(read.cases.at(i).line, plan.at(i).line);
        }
    }
};

QTEST_GUILESS_MAIN(TestStudyPlanner)
#include "tst_studyplanner.moc"
