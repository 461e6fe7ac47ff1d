#ifndef STUDYPROTOCOL_H
#define STUDYPROTOCOL_H

#include <QString>
#include <QVector>
#include <functional>

namespace wallmatch {

// What the truth says about a primary wall of a sample shown with a source.
struct TruthWall
{
    enum Kind { Unknown, NoCounterpart, Wall };
    Kind kind = Unknown;
    QVector<int> walls; // the right secondary walls, for Kind Wall
};
using TruthLookup = std::function<TruthWall(int sample, const QString &source, int primaryWall)>;

// Feedback on a practice answer.
struct PracticeFeedback
{
    bool judged = false; // the truth covers the answered primary wall
    bool correct = false;
    TruthWall truth;
    QString text() const; // "Correct" or "Not the same wall" (empty when not judged)
    QString note() const; // for a primary wall without a counterpart, a note saying so
};
PracticeFeedback judgePractice(const TruthWall &truth, int answeredSecondaryWall);

struct TruthFile;
// Looks the walls up in a truth file read by readTruthFile.
TruthLookup truthLookup(const TruthFile &truth);

// The order of a session around its cases: practice cases first, then the test cases; the
// instructions after practice; feedback after practice answers; breaks after every N-th test
// answer; pauses when the window loses the focus. It decides; the window shows.
class StudyProtocol
{
public:
    struct Options
    {
        int breakEvery = 0; // 0: no breaks
        bool feedback = false; // a truth file was given
        bool instructionsAfterPractice = false;
        bool pauseOnFocusLoss = false;
    };

    // `testAnswered` answers of an earlier sitting count as done (a resumed session); practice is
    // then over too.
    StudyProtocol(int practiceCases, int testCases, const Options &options, int testAnswered = 0);

    // What comes after an answer.
    enum class Step {
        NextCase,
        Feedback, // show the answer's feedback for feedbackMs, then call afterFeedback()
        Instructions, // the page after practice, then the next case
        Break, // the next case, paused at once with breakText()
        Finished,
    };
    // Counts the answer of the current case.
    Step answered();
    // Once the feedback has been shown.
    Step afterFeedback() const;

    // The case on screen (or next to be shown) is a practice case.
    bool inPractice() const { return practiceDone < practiceCases; }
    // 1-based number of the current case within its phase.
    int caseNumber() const { return inPractice() ? practiceDone + 1 : testDone + 1; }
    int practiceAnswered() const { return practiceDone; }
    int testAnswered() const { return testDone; }
    int practiceCount() const { return practiceCases; }
    int testCount() const { return testCases; }
    bool completed() const { return testDone >= testCases; }
    // "Practice:%d/%d" during practice, else "Progress:%d/%d"; for a participant's screen,
    // "Practice 1 of 2", "Case 7 of 30".
    QString progressText(bool forParticipant = false) const;

    bool pausesOnFocusLoss() const { return opts.pauseOnFocusLoss; }

    static constexpr int feedbackMs = 1500;
    static QString breakText();
    static QString focusLossText();
    // The study screen's pages and notices.
    static QString readyText();
    QString welcomeBackText() const; // a resumed session's first page
    static QString endText();
    static QString pausedText();
    static QString pickBothText(); // an answer with a wall missing

private:
    Step afterCase() const;

    int practiceCases;
    int testCases;
    Options opts;
    int practiceDone;
    int testDone;
    bool lastWasPractice = false;
};

} // namespace wallmatch

#endif // STUDYPROTOCOL_H
