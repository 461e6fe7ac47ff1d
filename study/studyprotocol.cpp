#include "studyprotocol.h"

#include "truthfile.h"

#include <QCoreApplication>

namespace wallmatch {

QString PracticeFeedback::text() const
{
    if (!judged)
        return {};
    return correct ? QCoreApplication::translate("MainWindow", "Correct")
                   : QCoreApplication::translate("MainWindow", "Not the same wall");
}

QString PracticeFeedback::note() const
{
    if (truth.kind != TruthWall::NoCounterpart)
        return {};
    return QCoreApplication::translate("MainWindow",
                                       "This wall of the top panorama is not seen in the bottom "
                                       "one.");
}

PracticeFeedback judgePractice(const TruthWall &truth, int answeredSecondaryWall)
{
    PracticeFeedback feedback;
    feedback.truth = truth;
    feedback.judged = truth.kind != TruthWall::Unknown;
    feedback.correct = truth.kind == TruthWall::Wall && truth.walls.contains(answeredSecondaryWall);
    return feedback;
}

TruthLookup truthLookup(const TruthFile &truth)
{
    return [truth](int sample, const QString &source, int primaryWall) {
        const auto rows = truth.walls.constFind({sample, truth.perSource ? source : QString()});
        if (rows == truth.walls.constEnd())
            return TruthWall {};
        const auto found = rows->constFind(primaryWall);
        if (found == rows->constEnd())
            return TruthWall {};
        TruthWall wall;
        for (int secondary : *found) {
            if (secondary >= 0)
                wall.walls.append(secondary);
        }
        wall.kind = wall.walls.isEmpty() ? TruthWall::NoCounterpart : TruthWall::Wall;
        return wall;
    };
}

StudyProtocol::StudyProtocol(int practiceCases, int testCases, const Options &options,
                             int testAnswered)
    : practiceCases(practiceCases)
    , testCases(testCases)
    , opts(options)
    , practiceDone(testAnswered > 0 ? practiceCases : 0)
    , testDone(testAnswered)
{
}

StudyProtocol::Step StudyProtocol::answered()
{
    lastWasPractice = inPractice();
    if (lastWasPractice) {
        practiceDone += 1;
        return opts.feedback ? Step::Feedback : afterCase();
    }
    testDone += 1;
    return afterCase();
}

StudyProtocol::Step StudyProtocol::afterFeedback() const
{
    return afterCase();
}

StudyProtocol::Step StudyProtocol::afterCase() const
{
    if (lastWasPractice) {
        if (practiceDone < practiceCases)
            return Step::NextCase;
        if (testCases == 0)
            return Step::Finished;
        return opts.instructionsAfterPractice ? Step::Instructions : Step::NextCase;
    }
    if (testDone >= testCases)
        return Step::Finished;
    if (opts.breakEvery > 0 && testDone % opts.breakEvery == 0)
        return Step::Break;
    return Step::NextCase;
}

QString StudyProtocol::progressText(bool forParticipant) const
{
    if (forParticipant) {
        if (inPractice())
            return QCoreApplication::translate("MainWindow", "Practice %1 of %2")
                .arg(practiceDone + 1)
                .arg(practiceCases);
        return QCoreApplication::translate("MainWindow", "Case %1 of %2")
            .arg(qMin(testDone + 1, testCases))
            .arg(testCases);
    }
    if (inPractice())
        return QString::asprintf("Practice:%d/%d", practiceDone + 1, practiceCases);
    return QString::asprintf("Progress:%d/%d", qMin(testDone + 1, testCases), testCases);
}

QString StudyProtocol::breakText()
{
    return QCoreApplication::translate("MainWindow",
                                       "Take a short break. Press Resume to continue.");
}

QString StudyProtocol::focusLossText()
{
    return QCoreApplication::translate("MainWindow",
                                       "Paused: the window lost the focus. Press Resume to "
                                       "continue.");
}

QString StudyProtocol::readyText()
{
    return QCoreApplication::translate("MainWindow",
                                       "Click the same wall in both panoramas, then press Match / "
                                       "Next Case.\n\nPress Begin when you are ready.");
}

QString StudyProtocol::welcomeBackText() const
{
    return QCoreApplication::translate("MainWindow",
                                       "Welcome back. You are at case %1 of %2.\n\nPress Begin "
                                       "to go on.")
        .arg(qMin(testDone + 1, testCases))
        .arg(testCases);
}

QString StudyProtocol::endText()
{
    return QCoreApplication::translate("MainWindow",
                                       "Thank you! You have finished.\n\nPlease tell the "
                                       "experimenter.");
}

QString StudyProtocol::pausedText()
{
    return QCoreApplication::translate("MainWindow", "Paused. Press Resume to continue.");
}

QString StudyProtocol::pickBothText()
{
    return QCoreApplication::translate("MainWindow", "Please click a wall in each panorama first.");
}

} // namespace wallmatch
