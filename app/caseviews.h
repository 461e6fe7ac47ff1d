#ifndef CASEVIEWS_H
#define CASEVIEWS_H

#include "readahead.h"
#include "studyplan.h"

#include <QString>
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
    // Returns the moment the pixels left, on CaseClock's time base: the case's onset.
    qint64 show(const wallmatch::PlanCase &shown);
    // Reads and draws the case after it ahead.
    void readNext(const wallmatch::PlanCase &next);

private:
    void load(RenderArea *view, const std::string &folder, const QString &source);
    int builtInSourcesRead(const QString &source) const;

    QWidget *region;
    RenderArea *pano1;
    RenderArea *pano2;
    bool studyRun;
    ReadAhead readAhead;
};

#endif // CASEVIEWS_H
