#include "caseviews.h"

#include "caseclock.h"
#include "renderarea.h"
#include "sources.h"
#include "studyrun.h"
#include "windowsystem.h"

#include <QRegion>

namespace {

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

qint64 CaseViews::show(const wallmatch::PlanCase &shown)
{
    load(pano1, wallmatch::panoramaFolder(shown.sample, false), shown.source);
    load(pano2, wallmatch::panoramaFolder(shown.sample, true), shown.source);
    // Painted now rather than at some later paint: the case's clock starts as the pixels leave.
    QRegion views(QRect(pano1->mapTo(region, QPoint()), pano1->size()));
    views += QRect(pano2->mapTo(region, QPoint()), pano2->size());
    wallmatch::paintNow(region, views);
    // The pixels are on their way to the window system once repaint() returns: the server
    // shows them from about now.
    return CaseClock::now();
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
