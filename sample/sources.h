#ifndef SOURCES_H
#define SOURCES_H

#include <QString>
#include <QStringList>

#include <optional>

// The table of layout sources. A source is known by its name; its corners are in one file per
// panorama folder. Two sources are built in (CornerType indexes them): Kestrel, whose file is
// pred_corner.txt, and Bramble. Any other valid name N is a source too, with pred_corner_N.txt.
namespace wallmatch {

struct BuiltInSource
{
    const char *name;
    const char *cornerFile;
};

// Indexed by CornerType.
inline constexpr int builtInSourceCount = 2;
inline constexpr BuiltInSource builtInSources[builtInSourceCount] = {
    {"Kestrel", "pred_corner.txt"}, {"Bramble", "pred_corner_Bramble.txt"}};

inline constexpr int maxSourceNameLength = 32;

// The built-in names, in CornerType order.
QStringList builtInSourceNames();
// Index of a built-in source (its CornerType value), or -1.
int builtInSourceIndex(const QString &name);

// 1 to 32 letters (ASCII), digits, '-' or '_'.
bool isSourceName(const QString &name);
// Empty for a valid name; otherwise why not, e.g.
// "source \"a b\" is not a name of 1 to 32 letters, digits, - or _".
QString sourceNameProblem(const QString &name);

// The corner file of a source in a panorama folder, without any folder: "pred_corner.txt" for
// Kestrel, "pred_corner_NAME.txt" for any other.
QString cornerFileName(const QString &source);
// folder + "//" + the corner file name: the way the program has always named corner files.
QString cornerFilePath(const QString &folder, const QString &source);

// Names as the reports order them: built-in sources first, in CornerType order, then any other
// by name (code points). Duplicates are dropped.
QStringList orderedSources(const QStringList &names);

// A comma-separated list of source names such as "Kestrel,Bramble,LGTNet"; blanks around names
// are dropped, and a built-in name given in another case is taken as the built-in one. Returns
// the names in the order given, or none and `problem` set (an invalid name, or a name given
// twice).
std::optional<QStringList> parseSourceList(const QString &text, QString *problem);

} // namespace wallmatch

#endif // SOURCES_H
