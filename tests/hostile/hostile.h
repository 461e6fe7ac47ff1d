#ifndef HOSTILE_H
#define HOSTILE_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

class RenderArea;

// Helpers for tests that feed the program what broken scripts and models may leave in a sample
// tree, and require it to get through each in well under a second and stay usable.
namespace hostile {

const QSize panoSize(1024, 512);

// A guard against hangs, not a speed check: well-behaved inputs take a few ms to ~300 ms (each
// test prints its time), but a Debug build on a loaded machine may take several times that.
// Sanitizers slow everything several times over.
qint64 budgetMs();

// The corner file lines of a square room around the camera (walls centred at azimuths 90, 180,
// 270 and 0 degrees, wall 3 across the seam), for a 1024 x 512 panorama.
QVector<QByteArray> boxRoomLines();
QByteArray joinLines(const QVector<QByteArray> &lines, const QByteArray &separator = "\n");

// A view position inside wall 0..3 of the box room, well away from its edges.
QVector<QPoint> boxWallPoints(int wall);

// The wall each left click at boxWallPoints(0), (1), (2), (3) picks, in that order; -1 for none.
QVector<int> pickBoxWalls(RenderArea &view);

// What the view paints, over a background colour no panorama holds.
QImage render(RenderArea &view);
bool paintsNothing(const QImage &image);

bool writeImage(const QString &name, const QSize &size, const char *format = "JPG");

// Largest resident set of the process so far, in MiB.
qint64 peakMemoryMiB();

// Captures what the process writes to standard output (file descriptor 1) while it lives.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    QByteArray text();

private:
    int saved = -1;
    QString fileName;
};

} // namespace hostile

#endif // HOSTILE_H
