#ifndef CASEVIEWS_H
#define CASEVIEWS_H

#include "caseonset.h"
#include "readahead.h"
#include "studyplan.h"
#include "windowsystem.h"

#include <QString>
#include <optional>
#include <string>

class QWidget;
class RenderArea;

// The two panorama views of a case: loads a case into both, from what was read ahead where it
// was, paints them at once, and reads the next case while the subject thinks.
class CaseViews
{
public:
    // A study run reads only the sources it shows; the plain start reads every built-in one, as
    // it always has (and says so on standard output when a file is missing).
    CaseViews(QWidget *region, RenderArea *primary, RenderArea *secondary, bool studyRun = false);

    // Loads the case and paints both views in one paint and one flush to the window system.
    // Returns the case's onset: where the display reports its refreshes, the refresh that first
    // showed the pixels; else, on a screen (`onScreen`), once the window system has them; else
    // as they left. No input is taken before it returns.
    wallmatch::CaseOnset show(const wallmatch::PlanCase &shown, bool onScreen);
    // Reads and draws the case after it ahead.
    void readNext(const wallmatch::PlanCase &next);

private:
    void load(RenderArea *view, const std::string &folder, const QString &source);
    // Takes a refresh reported for the case's frame as its onset; false where it cannot be one.
    bool takeRefresh(const wallmatch::DisplayRefresh &refresh, wallmatch::CaseOnset &onset);
    int builtInSourcesRead(const QString &source) const;

    QWidget *region;
    RenderArea *pano1;
    RenderArea *pano2;
    bool studyRun;
    ReadAhead readAhead;
    // The refresh period, from two refreshes the display reported.
    std::optional<wallmatch::DisplayRefresh> lastRefresh;
    std::optional<double> refreshMs;
};

#endif // CASEVIEWS_H
