#include "cornertype.h"

const char *const cornerSourceNames[cornerSourceCount] = {"Kestrel", "Bramble"};
