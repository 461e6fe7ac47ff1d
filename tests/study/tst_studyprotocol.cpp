#include "studyprotocol.h"

#include <QTest>

using wallmatch::StudyProtocol;
using Step = StudyProtocol::Step;

Q_DECLARE_METATYPE(StudyProtocol::Step)

namespace {

QString stepName(Step step)
{
    switch (step) {
    case Step::NextCase:
        return "next";
    case Step::Feedback:
        return "feedback";
    case Step::Instructions:
        return "instructions";
    case Step::Break:
        return "break";
    case Step::Finished:
        return "finished";
    }
    return "?";
}

} // namespace

class TestStudyProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each answer in turn: the progress text shown for the case, then the step after it (and
    // after its feedback where there is feedback).
    void sequence_data()
    {
        QTest::addColumn<int>("practice");
        QTest::addColumn<int>("tests");
        QTest::addColumn<int>("breakEvery");
        QTest::addColumn<bool>("feedback");
        QTest::addColumn<bool>("instructions");
        QTest::addColumn<int>("resumedTests");
        QTest::addColumn<QStringList>("expected");
        // clang-format off
        QTest::newRow("plain run") << 0 << 3 << 0 << false << false << 0
            << QStringList {"Progress:1/3 next", "Progress:2/3 next", "Progress:3/3 finished"};
        QTest::newRow("breaks every 2 of 5") << 0 << 5 << 2 << false << false << 0
            << QStringList {"Progress:1/5 next", "Progress:2/5 break", "Progress:3/5 next",
                            "Progress:4/5 break", "Progress:5/5 finished"};
        QTest::newRow("no break after the last") << 0 << 4 << 2 << false << false << 0
            << QStringList {"Progress:1/4 next", "Progress:2/4 break", "Progress:3/4 next",
                            "Progress:4/4 finished"};
        QTest::newRow("practice with feedback, page, breaks") << 2 << 4 << 2 << true << true << 0
            << QStringList {"Practice:1/2 feedback next", "Practice:2/2 feedback instructions",
                            "Progress:1/4 next", "Progress:2/4 break", "Progress:3/4 next",
                            "Progress:4/4 finished"};
        QTest::newRow("practice without truth or page") << 1 << 2 << 0 << false << false << 0
            << QStringList {"Practice:1/1 next", "Progress:1/2 next", "Progress:2/2 finished"};
        QTest::newRow("practice only") << 2 << 0 << 0 << true << true << 0
            << QStringList {"Practice:1/2 feedback next", "Practice:2/2 feedback finished"};
        QTest::newRow("resumed: practice over, breaks counted on") << 2 << 5 << 2 << true << false << 3
            << QStringList {"Progress:4/5 break", "Progress:5/5 finished"};
        // clang-format on
    }
    void sequence()
    {
        QFETCH(int, practice);
        QFETCH(int, tests);
        QFETCH(int, breakEvery);
        QFETCH(bool, feedback);
        QFETCH(bool, instructions);
        QFETCH(int, resumedTests);
        QFETCH(QStringList, expected);
        StudyProtocol::Options options;
        options.breakEvery = breakEvery;
        options.feedback = feedback;
        options.instructionsAfterPractice = instructions;
        StudyProtocol protocol(practice, tests, options, resumedTests);
        QStringList seen;
        for (int guard = 0; guard < 20; ++guard) {
            QString entry = protocol.progressText();
            Step step = protocol.answered();
            entry += " " + stepName(step);
            if (step == Step::Feedback) {
                step = protocol.afterFeedback();
                entry += " " + stepName(step);
            }
            seen << entry;
            if (step == Step::Finished)
                break;
        }
        QCOMPARE(seen, expected);
        QVERIFY(protocol.completed());
        QCOMPARE(protocol.practiceAnswered(), practice);
        QCOMPARE(protocol.testAnswered(), tests);
    }

    void judging_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("truthWall");
        QTest::addColumn<int>("answered");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("note");
        QTest::newRow("right") << int(wallmatch::TruthWall::Wall) << 3 << 3 << "Correct" << false;
        QTest::newRow("wrong") << int(wallmatch::TruthWall::Wall) << 3 << 1 << "Not the same wall"
                               << false;
        QTest::newRow("no counterpart")
            << int(wallmatch::TruthWall::NoCounterpart) << -1 << 1 << "Not the same wall" << true;
        QTest::newRow("not covered")
            << int(wallmatch::TruthWall::Unknown) << -1 << 1 << "" << false;
    }
    void judging()
    {
        QFETCH(int, kind);
        QFETCH(int, truthWall);
        QFETCH(int, answered);
        QFETCH(QString, text);
        QFETCH(bool, note);
        const wallmatch::PracticeFeedback f =
            wallmatch::judgePractice({wallmatch::TruthWall::Kind(kind),
                                      truthWall >= 0 ? QVector<int> {truthWall} : QVector<int>()},
                                     answered);
        QCOMPARE(f.text(), text);
        QCOMPARE(!f.note().isEmpty(), note);
    }
};

QTEST_GUILESS_MAIN(TestStudyProtocol)
#include "tst_studyprotocol.moc"
