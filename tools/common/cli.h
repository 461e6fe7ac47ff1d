#ifndef CLI_H
#define CLI_H

#include "problem.h"

#include <QByteArray>
#include <QString>
#include <QTextStream>
#include <QVector>

#include <optional>

namespace wallmatch {

// Exit statuses of the companion programs.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1; // the work could not be done, or problems were reported
constexpr int ExitUsage = 2; // the command line was wrong

// Standard output and standard error as text streams (UTF-8).
QTextStream &out();
QTextStream &err();

// Each problem on its own line of standard error, after `prefix`; returns how many there were.
int printProblems(const QVector<Problem> &problems, const QString &prefix = QString());

// The whole content of a file, or none with a problem added that says why it could not be read.
std::optional<QByteArray> readFileOrComplain(const QString &name, QVector<Problem> &problems);

// Writes a file atomically (QSaveFile); adds a problem and returns false when that fails.
bool writeFileOrComplain(const QString &name, const QByteArray &bytes, QVector<Problem> &problems);

} // namespace wallmatch

#endif // CLI_H
