#ifndef TRUTHFILE_H
#define TRUTHFILE_H

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// Which secondary wall is the right answer for a primary wall: a CSV file
//
//     sample,source,primary wall,secondary wall
//     1,Kestrel,0,2
//     1,LGTNet,3,-1
//     1,LGTNet,4,0
//     1,LGTNet,4,1
//
// Each source numbers walls its own way, so rows are per source. -1 says the primary wall has
// no counterpart in the secondary view (any answer on it is wrong); several rows for one
// (sample, source, primary wall) say that any of their secondary walls is right. The older
// three-column form "sample,primary wall,secondary wall" is read too and then applies to every
// source alike. An optional fifth column, "certain" (1 or 0), marks rows that rest on a merged or
// split wall or on a match near a limit; rows without it are certain.
namespace wallmatch {

// A truth file is a few rows per sample; anything far larger is not one.
inline constexpr qint64 maxTruthFileBytes = 64 * 1024 * 1024;

enum class Verdict { NotJudged, Correct, Wrong };

struct TruthRow
{
    int sample = 0;
    QString source; // empty in the three-column form: every source
    int primaryWall = 0;
    int secondaryWall = 0; // -1: no counterpart
    int line = 0; // where it was read; 0 for rows made in memory
    bool certain = true;
};

struct TruthFile
{
    QString file;
    bool perSource = true; // false: the three-column form, the same rows for every source
    QVector<TruthRow> rows; // as read, without repeated rows and rows refused
    QStringList problems; // "FILE:LINE: text" or "FILE: text"; the rows they name are left out

    // Whether judge() leaves out primary walls whose rows are all uncertain (NotJudged).
    bool certainOnly = false;

    // Correct or Wrong when the file has a row for this primary wall of this sample and source.
    Verdict judge(int sample, const QString &source, int primaryWall, int secondaryWall) const;
    // The file has rows for this sample and source: an answer there on a primary wall without a
    // row points at a gap in the file.
    bool covers(int sample, const QString &source) const;
    bool isEmpty() const { return rows.isEmpty(); }
    // The secondary walls that are right for this primary wall (empty: -1 or no row).
    QVector<int> rightWalls(int sample, const QString &source, int primaryWall) const;
    // False when every row for this primary wall is marked uncertain; true otherwise, also
    // without rows.
    bool certain(int sample, const QString &source, int primaryWall) const;
    // Whether the file has a row for this primary wall, certain or not.
    bool hasRow(int sample, const QString &source, int primaryWall) const;
    // Whether the rows for this primary wall say -1.
    bool noCounterpart(int sample, const QString &source, int primaryWall) const;

    // (sample, source or "" for every source) -> primary wall -> its right secondary walls.
    QHash<QPair<int, QString>, QHash<int, QVector<int>>> walls;
    // The same keys: primary walls with at least one certain row.
    QHash<QPair<int, QString>, QHash<int, bool>> certainWalls;
};

TruthFile parseTruthFile(const QString &fileName, const QByteArray &content);
// Reads a regular file of at most maxTruthFileBytes; why it cannot be read is a problem.
TruthFile readTruthFile(const QString &fileName);

// The four-column form, header first, LF line ends; rows as given (a row without a source is
// written with an empty one, which the reader refuses: give every row its source). With any row
// uncertain, the fifth column "certain" is written for every row.
QByteArray truthFileCsv(const QVector<TruthRow> &rows);

} // namespace wallmatch

#endif // TRUTHFILE_H
