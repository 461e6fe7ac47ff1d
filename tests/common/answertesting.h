#ifndef ANSWERTESTING_H
#define ANSWERTESTING_H

#include "answer.h"

#include <QByteArray>
#include <QDebug>
#include <QString>

namespace wallmatch {

// Lets QCOMPARE print both answers when they differ (found by argument-dependent lookup).
inline char *toString(const Answer &answer)
{
    QString text;
    QDebug(&text).noquote() << answer;
    return qstrdup(text.trimmed().toUtf8().constData());
}

} // namespace wallmatch

#endif // ANSWERTESTING_H
