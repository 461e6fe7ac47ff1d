#ifndef CORNERTYPE_H
#define CORNERTYPE_H

#include "sources.h"

#include <QtGlobal>

// The corner-prediction sources; the value indexes every per-source list.
enum CornerType : qint32 {
    Kestrel = 0,
    Bramble = 1,
};

constexpr int cornerSourceCount = wallmatch::builtInSourceCount;

// Display names, indexed by CornerType; the sample library's table holds them.
const char *cornerSourceName(CornerType type);

#endif // CORNERTYPE_H
