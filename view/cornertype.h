#ifndef CORNERTYPE_H
#define CORNERTYPE_H

#include <QtGlobal>

// The corner-prediction sources; the value indexes every per-source list.
enum CornerType : qint32 {
    Kestrel = 0,
    Bramble = 1,
};

constexpr int cornerSourceCount = 2;

// Display names, indexed by CornerType.
extern const char *const cornerSourceNames[cornerSourceCount];

#endif // CORNERTYPE_H
