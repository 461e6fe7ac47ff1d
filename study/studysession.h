#ifndef STUDYSESSION_H
#define STUDYSESSION_H

#include "answer.h"
#include "answerwriter.h"
#include "caseclock.h"
#include "caseonset.h"
#include "eventlog.h"
#include "eventlogformat.h"
#include "resultsstore.h"
#include "runsettings.h"
#include "sessionrecord.h"
#include "studyprotocol.h"

#include <QMap>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <optional>

namespace wallmatch {

// One sitting of a study: its cases in order, the answer being built, the case clock, the
// protocol around the cases and the files it writes (results, practice answers, event log,
// session record). It decides; a window shows what it says and hands it the subject's input,
// with the moment each input happened on CaseClock's time base. No widgets: tests drive it
// directly.
class StudySession
{
public:
    // Opens the session: continues an interrupted one's results, starts the event log and the
    // session record. Problems with those files go to standard error.
    explicit StudySession(const StudyRun &run);

    const StudyRun &run() const { return study; }
    const StudyProtocol &protocol() const { return steps; }

    // --- The cases. A plain start runs samples 1 to 100 in order.

    // The case that the next advance() shows (the last one again once the list is used up).
    const PlanCase &upcoming() const;
    // Takes the upcoming case: it is now the current case, with no wall picked; the next clock
    // start is its presentation.
    const PlanCase &advance();
    // The case after the current one, to read ahead; none once the run's end is near.
    std::optional<PlanCase> following() const;
    // The sample now shown, 0 before the first; its source (before the first, the upcoming one).
    const int &currentSample() const { return sample; }
    const QString &currentSource() const { return source; }
    // 1-based number of the test case being answered, and the run's test cases.
    const int &caseNumber() const { return number; }
    const int &caseCount() const { return total; }
    QString progressText() const { return steps.progressText(study.participantView); }

    // --- The study screen's pages (a run with studyScreen).
    enum class Page {
        Instructions, // the run's instructions
        WelcomeBack, // a resumed session: where it stands, no practice instructions again
        Ready, // no instructions given: what to do, and Begin
    };
    // The page a study screen opens with, before the first case.
    Page openingPage() const;
    // The text of a WelcomeBack or Ready page.
    QString openingText() const;

    // --- The answer being built: the wall picked and the click that picked it, per view (1, 2).
    void pickWall(int view, int wall);
    void pickPoint(int view, QPoint pixel);
    int pickedWall(int view) const { return view == 1 ? wall1 : wall2; }
    const QPoint &pickedPoint(int view) const { return view == 1 ? click1 : click2; }

    // --- The case clock: a running stretch plus the time counted before it.
    const CaseClock &clock() const { return caseClock; }
    const qint64 &countedMs() const { return accumulatedMs; }
    bool running() const { return caseClock.isValid(); }
    qint64 caseTimeAt(qint64 atMs) const { return accumulatedMs + caseClock.elapsedAt(atMs); }
    // The current case is on screen: when its frame was sent and shown, and what its onset
    // rests on; its presentation is logged with them. The session record names the methods.
    void caseShown(const CaseOnset &onset);
    // The case's time from zero, from `atMs`; logged as its presentation after advance().
    void restartClock(qint64 atMs);
    // Running: paused at `atMs` (logged as the hold set by holdFor, else as a pause). Paused:
    // running again from `atMs`, the counted time kept. Returns whether it runs now.
    bool toggleClock(qint64 atMs);
    // The next pause is logged as this event (a break, the focus lost).
    void holdFor(SessionEvent event) { pauseEvent = event; }

    // --- Answers.
    struct Answered
    {
        bool refused = false; // a wall missing in a view: the case goes on, its time from zero
        Answer answer;
        bool practice = false;
        StudyProtocol::Step step = StudyProtocol::Step::NextCase;
        // For a test answer: the on-screen log line, and whether the log empties after it.
        QString logLine;
        bool clearsLog = false;
    };
    // The subject answers at `atMs`. A test answer goes to the results file at once (on the
    // writer's thread; finishWrite() collects the outcome).
    Answered answer(qint64 atMs);
    // The feedback on a practice answer, when the truth judges it; the case's time then stays
    // at the answer's until afterFeedback().
    std::optional<PracticeFeedback> feedbackFor(const Answer &answer);
    StudyProtocol::Step afterFeedback();
    // The page after practice is on screen; the case's time is over.
    void showingInstructions();
    void instructionsRead() { held = Hold::None; }
    // Feedback or an instructions page is on screen: input is neither an answer nor a hint.
    bool holding() const { return held != Hold::None; }

    // --- Files. Each returns what the subject should be told about the results file; the other
    // files' problems go to standard error.
    void logEvent(SessionEvent event, qint64 atMs, int view = 0, int wall = -1,
                  std::optional<QPoint> pixel = {});
    // Waits for the writes handed over with answers.
    AnswerWriter::Outcome finishWrite();
    // Writes every file now.
    AnswerWriter::Outcome saveNow();
    // Whether the write before this outcome failed too (only the first of a run of failures
    // interrupts the subject).
    bool noteWriteOutcome(const AnswerWriter::Outcome &outcome);
    // The session record's end: answers so far, and whether the run is complete.
    void finishRecord();
    const QVector<QString> &resultLines() const { return results; }
    // A resumed session's log shows what it would had the session never stopped: the answers
    // since the last tenth.
    QStringList resumedLog() const;

private:
    enum class Hold { None, Feedback, Instructions };
    void saveProtocolFiles();

    StudyRun study;
    QVector<PlanCase> cases;
    int nextCase;
    StudyProtocol steps;
    int number;
    int total;
    int sample = 0;
    QString source;
    int wall1 = -1;
    int wall2 = -1;
    QPoint click1;
    QPoint click2;

    CaseClock caseClock;
    qint64 accumulatedMs = 0;
    bool presentPending = false; // the next clock start is a new case's presentation
    SessionEvent pauseEvent = SessionEvent::Pause;
    Hold held = Hold::None;

    QVector<QString> results;
    AnswerWriter answerWriter;
    bool lastWriteFailed = false;
    ResultsStore practiceResults;
    QVector<QString> practiceLines;
    std::unique_ptr<EventLog> events; // none in a plain start
    std::unique_ptr<SessionRecord> sessionRecord;
    std::optional<CaseOnset> shownOnset; // the current case's
    QMap<QString, int> onsetCounts; // cases per onset method
    std::optional<double> refreshMs;
};

} // namespace wallmatch

#endif // STUDYSESSION_H
