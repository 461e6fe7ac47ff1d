#include "cornertype.h"

const char *cornerSourceName(CornerType type)
{
    return wallmatch::builtInSources[type].name;
}
