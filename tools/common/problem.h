#ifndef PROBLEM_H
#define PROBLEM_H

#include <QString>
#include <QVector>

namespace wallmatch {

// Something wrong (or worth saying) about an input file, at a line of it when one can be named.
struct Problem
{
    QString file;
    int line = 0; // 1-based; 0 when the problem concerns the file as a whole
    QString message;

    // "file:line: message", the form editors and terminals can jump to.
    QString text() const;
};

// What a step of a companion found: anything in errors makes its work unusable; notes are worth
// saying and harmless. The results of the steps carry their findings this way.
struct Findings
{
    QVector<Problem> errors;
    QVector<Problem> notes;

    bool ok() const { return errors.isEmpty(); }
};

} // namespace wallmatch

#endif // PROBLEM_H
