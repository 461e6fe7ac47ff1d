#ifndef COMPLAINT_H
#define COMPLAINT_H

#include <QString>

namespace wallmatch {

// A line of an input file that could not be used, and why.
struct Complaint
{
    QString file;
    int line = 0; // 1-based; 0 for the file as a whole
    QString message;

    // "file:line: message"
    QString text() const;
};

} // namespace wallmatch

#endif // COMPLAINT_H
