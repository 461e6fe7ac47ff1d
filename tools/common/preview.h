#ifndef PREVIEW_H
#define PREVIEW_H

#include "cornerpoint.h"
#include "truthfile.h"

#include <QImage>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVector>

#include <optional>

// A picture of one sample for checking corners and truth by eye: both panoramas, one above the
// other, with each wall outlined and labelled with the number the results record.
namespace wallmatch {

struct PreviewView
{
    QImage image; // the panorama; drawn at the viewer's 1024 x 512
    QVector<CornerPoint> corners; // corner-file directions: ceiling ring, then floor ring
    QString caption;
};

// Pairs (primary wall, secondary wall) that show the same wall; secondary -1: no counterpart.
using WallPairs = QVector<QPair<int, int>>;

// The pairs a truth file gives for a sample and source (its three-column form holds for every
// source); none when it has no rows for them.
std::optional<WallPairs> truthPairs(const TruthFile &truth, int sample, const QString &source);

// Walls whose truth is uncertain: primary walls whose rows are all marked uncertain, and
// secondary walls that only uncertain rows name.
struct UncertainWalls
{
    QSet<int> primary;
    QSet<int> secondary;
    bool isEmpty() const { return primary.isEmpty() && secondary.isEmpty(); }
};

// The uncertain walls of the rows truthPairs gives for a sample and source.
UncertainWalls uncertainWalls(const TruthFile &truth, int sample, const QString &source);

// How each wall of a view is drawn in a preview.
struct WallMark
{
    int group = -1; // colour group shared by walls that are the same wall; -1: none
    bool unmatched = false; // the truth names no counterpart for it
    bool uncertain = false; // its truth rows are all uncertain: "?" beside its number
};

// Marks for the walls of both views. Without truth every wall gets its own colour and none is
// unmatched. With truth, walls joined by pairs (directly or through a split wall) share a
// group; a wall that no pair joins to a wall of the other view is unmatched.
QPair<QVector<WallMark>, QVector<WallMark>> wallMarks(int primaryWalls, int secondaryWalls,
                                                      const std::optional<WallPairs> &truth);

// The preview image: a title line, then each view with its caption. Walls are numbered at the
// middle of their floor edge's direction on the horizon.
QImage renderPreview(const PreviewView &primary, const PreviewView &secondary, const QString &title,
                     const std::optional<WallPairs> &truth,
                     const UncertainWalls &uncertain = UncertainWalls());

// The pixel where a wall's number is written, in a 1024 x 512 image; none for a wall whose
// corners are no real directions.
std::optional<QPointF> wallLabelPosition(const QVector<CornerPoint> &corners, int wall);

} // namespace wallmatch

#endif // PREVIEW_H
