#include "caseviews.h"

#include "caseclock.h"
#include "renderarea.h"
#include "sources.h"
#include "studyrun.h"
#include "windowsystem.h"

#include <QRegion>

namespace {

// The next refresh is at most a frame away (17 ms at 60 Hz); a loaded machine may answer later.
constexpr int refreshTimeoutMs = 250;
// A compositor presents a frame only once it has composed it: weston's headless backend two or
// three refreshes after the commit, and more than 250 ms for the first large frame on a loaded
// machine. Until then the subject has not seen the case, so waiting longer loses nothing.
constexpr int presentedTimeoutMs = 1000;

// The name to read besides the built-in sources' corners: the source itself unless it is one.
QString otherSourceOf(const QString &source)
{
    return wallmatch::builtInSourceIndex(source) < 0 ? source : QString();
}

} // namespace

CaseViews::CaseViews(QWidget *region, RenderArea *primary, RenderArea *secondary, bool studyRun)
    : region(region)
    , pano1(primary)
    , pano2(secondary)
    , studyRun(studyRun)
{
}

int CaseViews::builtInSourcesRead(const QString &source) const
{
    // The loader keeps the built-in sources' lists in their order, so a built-in source needs
    // those before it; a source that is not built in needs none of them.
    return studyRun ? wallmatch::builtInSourceIndex(source) + 1 : wallmatch::builtInSourceCount;
}

wallmatch::CaseOnset CaseViews::show(const wallmatch::PlanCase &shown, bool onScreen)
{
    load(pano1, wallmatch::panoramaFolder(shown.sample, false), shown.source);
    load(pano2, wallmatch::panoramaFolder(shown.sample, true), shown.source);
    // Where the display system reports a given frame's presentation, ask for this one's.
    const bool expected =
        onScreen && CaseClock::readsMonotonicClock() && wallmatch::expectFrame(region);
    // Painted now rather than at some later paint: the case's clock starts as the pixels leave.
    QRegion views(QRect(pano1->mapTo(region, QPoint()), pano1->size()));
    views += QRect(pano2->mapTo(region, QPoint()), pano2->size());
    wallmatch::paintNow(region, views);
    // The pixels are on their way to the window system once repaint() returns.
    wallmatch::CaseOnset onset;
    onset.sentUs = CaseClock::nowUs();
    onset.atMs = CaseClock::now();
    if (!onScreen)
        return onset;
    if (CaseClock::readsMonotonicClock()) {
        // After expectFrame, the report of that frame; else the next refresh (X Present).
        if (const std::optional<wallmatch::DisplayRefresh> refresh = wallmatch::waitForNextRefresh(
                region, expected ? presentedTimeoutMs : refreshTimeoutMs)) {
            if (takeRefresh(*refresh, onset))
                return onset;
        }
    }
    // The round trip only makes sure the pixels have arrived; the server shows them from about
    // when they left.
    if (wallmatch::waitForWindowSystem())
        onset.method = wallmatch::OnsetMethod::ServerRoundTrip;
    return onset;
}

bool CaseViews::takeRefresh(const wallmatch::DisplayRefresh &refresh, wallmatch::CaseOnset &onset)
{
    // The display's clock must be the case clock's: the refresh cannot come before the frame
    // was sent, nor after our reading of the clock now.
    const qint64 nowUs = CaseClock::nowUs();
    if (refresh.atUs < onset.sentUs || refresh.atUs > nowUs)
        return false;
    if (refresh.periodMs)
        refreshMs = refresh.periodMs;
    else if (lastRefresh && refresh.count > lastRefresh->count && refresh.atUs > lastRefresh->atUs)
        refreshMs = double(refresh.atUs - lastRefresh->atUs)
            / double(refresh.count - lastRefresh->count) / 1000.0;
    lastRefresh = refresh;
    onset.presentedUs = refresh.atUs;
    // Whole milliseconds cut as the X server cuts its event times, so that a key press at the
    // very refresh times the case at 0.
    onset.atMs = refresh.atUs / 1000;
    onset.method = wallmatch::OnsetMethod::DisplayReported;
    onset.refreshMs = refreshMs;
    return true;
}

void CaseViews::readNext(const wallmatch::PlanCase &next)
{
    // Its views are drawn ahead too, as the screen shows them.
    readAhead.start({wallmatch::panoramaFolder(next.sample, false),
                     wallmatch::panoramaFolder(next.sample, true)},
                    otherSourceOf(next.source), next.source,
                    {wallmatch::shownPlacement(pano1), wallmatch::shownPlacement(pano2)},
                    builtInSourcesRead(next.source));
}

void CaseViews::load(RenderArea *view, const std::string &folder, const QString &source)
{
    const QString other = otherSourceOf(source);
    std::optional<ReadAhead::Read> read = readAhead.take(folder, other);
    if (read)
        view->loadSample(std::move(read->files));
    else
        view->loadSample(folder, other, builtInSourcesRead(source));
    // A loaded view shows the default source; another one is set (and its walls traced) once.
    if (wallmatch::builtInSourceIndex(source) != 0)
        view->setSource(source);
    if (read)
        view->setReadyFrame(std::move(read->frame));
}
