#ifndef NARROWWALLNOTES_H
#define NARROWWALLNOTES_H

#include "problem.h"

#include <QString>
#include <QVector>

namespace wallmatch {

// A note per sample and source of a written tree (TREE/test_datasets, or TREE itself) whose
// walls include some narrower than narrowWallColumns at 1024 x 512, so that a researcher drops or
// keeps those samples knowingly.
QVector<Problem> narrowWallNotes(const QString &tree);

} // namespace wallmatch

#endif // NARROWWALLNOTES_H
