#include "studysession.h"

#include <cstdio>

namespace wallmatch {

namespace {

StudyProtocol::Options protocolOptions(const StudyRun &run)
{
    StudyProtocol::Options options;
    options.breakEvery = run.breakEvery;
    options.feedback = bool(run.truth);
    options.instructionsAfterPractice = !run.instructionsAfterPractice.isEmpty();
    options.pauseOnFocusLoss = run.pauseOnFocusLoss;
    return options;
}

void reportProblem(const QString &error, const QString &notice)
{
    for (const QString &text : {notice, error}) {
        if (!text.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    std::fflush(stderr);
}

} // namespace

StudySession::StudySession(const StudyRun &run)
    : study(run)
    , cases(run.cases.isEmpty() ? fixedRunCases() : run.cases)
    , nextCase(run.resumedLines.isEmpty() ? 0 : run.practiceCases + run.resumedLines.size())
    , steps(run.practiceCases, cases.size() - run.practiceCases, protocolOptions(run),
            run.resumedLines.size())
    , number(1 + run.resumedLines.size())
    , total(cases.size() - run.practiceCases)
    , source(upcoming().source)
    , answerWriter(run.resultsFile)
    , practiceResults(run.practiceFile)
{
    results.reserve(200);
    if (study.resume) {
        answerWriter.resumeFrom(study.resumedFrom.isEmpty() ? study.resultsFile
                                                            : study.resumedFrom);
        results += study.resumedLines;
    }
    if (study.protocolFiles) {
        events = std::make_unique<EventLog>(study.eventsFile, CaseClock::now());
        sessionRecord = std::make_unique<SessionRecord>(study.sessionFile);
        if (study.resume) {
            reportProblem(events->resumeExisting(), {});
            reportProblem(sessionRecord->resumeExisting(), {});
        }
        SessionFacts facts = study.facts;
        facts.eventTimestamps = CaseClock::eventTimesFromWindowSystem();
        reportProblem(sessionRecord->begin(facts), sessionRecord->takeNotice());
    }
    if (!study.instructions.isEmpty())
        held = Hold::Instructions;
}

const PlanCase &StudySession::upcoming() const
{
    return cases.at(qMin(nextCase, cases.size() - 1));
}

const PlanCase &StudySession::advance()
{
    const PlanCase &next = upcoming();
    nextCase += 1;
    sample = next.sample;
    source = next.source;
    wall1 = -1;
    wall2 = -1;
    presentPending = true;
    shownOnset.reset();
    return next;
}

void StudySession::caseShown(const CaseOnset &onset)
{
    shownOnset = onset;
    const QString method = onsetMethodName(onset.method);
    const bool newMethod = !onsetCounts.contains(method);
    onsetCounts[method] += 1;
    const bool newPeriod = onset.refreshMs && !refreshMs;
    if (onset.refreshMs)
        refreshMs = onset.refreshMs;
    if (!sessionRecord)
        return;
    sessionRecord->noteOnsets(onsetCounts, refreshMs);
    // Written as soon as it says something new; the counts are brought up to date at the end.
    if (newMethod || newPeriod)
        reportProblem(sessionRecord->write(), sessionRecord->takeNotice());
}

std::optional<PlanCase> StudySession::following() const
{
    if (number >= total)
        return std::nullopt;
    return upcoming();
}

StudySession::Page StudySession::openingPage() const
{
    // Practice is over once a test answer is kept (StudyProtocol).
    if (study.resume && !study.resumedLines.isEmpty())
        return Page::WelcomeBack;
    return study.instructions.isEmpty() ? Page::Ready : Page::Instructions;
}

QString StudySession::openingText() const
{
    return openingPage() == Page::WelcomeBack ? steps.welcomeBackText()
                                              : StudyProtocol::readyText();
}

void StudySession::pickWall(int view, int wall)
{
    (view == 1 ? wall1 : wall2) = wall;
}

void StudySession::pickPoint(int view, QPoint pixel)
{
    (view == 1 ? click1 : click2) = pixel;
}

void StudySession::restartClock(qint64 atMs)
{
    accumulatedMs = 0;
    caseClock.restartAt(atMs);
    if (presentPending) {
        presentPending = false;
        logEvent(SessionEvent::Present, atMs);
    }
}

bool StudySession::toggleClock(qint64 atMs)
{
    if (caseClock.isValid()) {
        if (!steps.completed())
            logEvent(pauseEvent, atMs);
        pauseEvent = SessionEvent::Pause;
        accumulatedMs += caseClock.elapsedAt(atMs);
        caseClock.invalidate();
        return false;
    }
    logEvent(SessionEvent::Resume, atMs);
    caseClock.restartAt(atMs);
    return true;
}

StudySession::Answered StudySession::answer(qint64 atMs)
{
    Answered answered;
    if (wall1 == -1 || wall2 == -1) {
        logEvent(SessionEvent::Refused, atMs);
        answered.refused = true;
        return answered;
    }
    Answer &a = answered.answer;
    a.sampleId = sample;
    a.wall1 = wall1;
    a.wall2 = wall2;
    a.source = source;
    a.milliseconds = caseTimeAt(atMs);
    a.click1 = click1;
    a.click2 = click2;
    logEvent(SessionEvent::Answer, atMs);
    answered.practice = steps.inPractice();
    answered.step = steps.answered();
    if (answered.practice) {
        practiceLines.append(resultLine(a));
        return answered;
    }
    results.append(resultLine(a));
    // On disk at once, whatever the next case's files take to read.
    answerWriter.write(results);
    answered.logLine = logLine(a, number);
    answered.clearsLog = number % 10 == 0;
    number += 1;
    return answered;
}

std::optional<PracticeFeedback> StudySession::feedbackFor(const Answer &answer)
{
    const TruthWall truth = study.truth(answer.sampleId, answer.source, answer.wall1);
    const PracticeFeedback feedback = judgePractice(truth, answer.wall2);
    if (!feedback.judged)
        return std::nullopt;
    accumulatedMs = answer.milliseconds.value_or(0);
    caseClock.invalidate();
    held = Hold::Feedback;
    return feedback;
}

StudyProtocol::Step StudySession::afterFeedback()
{
    held = Hold::None;
    return steps.afterFeedback();
}

void StudySession::showingInstructions()
{
    accumulatedMs = 0;
    caseClock.invalidate();
    held = Hold::Instructions;
}

void StudySession::logEvent(SessionEvent event, qint64 atMs, int view, int wall,
                            std::optional<QPoint> pixel)
{
    if (!events)
        return;
    LoggedEvent e;
    e.atMs = atMs;
    e.practice = steps.inPractice();
    e.caseNumber = sample > 0 ? steps.caseNumber() : 0;
    e.sample = sample;
    e.source = source;
    e.event = sessionEventName(event);
    e.view = view;
    e.wall = wall;
    e.pixel = pixel;
    if (event == SessionEvent::Present)
        e.onset = shownOnset;
    events->add(e);
}

void StudySession::saveProtocolFiles()
{
    if (!practiceLines.isEmpty()) {
        const QString error = practiceResults.write(practiceLines);
        reportProblem(error, practiceResults.takeNotice());
    }
    if (events) {
        const QString error = events->write();
        reportProblem(error, events->takeNotice());
    }
}

AnswerWriter::Outcome StudySession::finishWrite()
{
    const AnswerWriter::Outcome outcome = answerWriter.finish();
    saveProtocolFiles();
    return outcome;
}

AnswerWriter::Outcome StudySession::saveNow()
{
    const AnswerWriter::Outcome outcome = answerWriter.writeNow(results);
    saveProtocolFiles();
    return outcome;
}

bool StudySession::noteWriteOutcome(const AnswerWriter::Outcome &outcome)
{
    const bool wasFailing = lastWriteFailed;
    lastWriteFailed = !outcome.error.isEmpty();
    return wasFailing;
}

QStringList StudySession::resumedLog() const
{
    QStringList lines;
    const int answered = study.resume ? study.resumedAnswers.size() : 0;
    for (int i = answered - answered % 10; i < answered; ++i)
        lines << logLine(study.resumedAnswers.at(i), i + 1);
    return lines;
}

void StudySession::finishRecord()
{
    if (!sessionRecord)
        return;
    const QString error =
        sessionRecord->finish(steps.testAnswered(), steps.practiceAnswered(), steps.completed());
    reportProblem(error, sessionRecord->takeNotice());
}

} // namespace wallmatch
