#pragma once

#include "qx/export.h"

// Version of the library as "major.minor.patch".
QX_API const char* QxDureriveVersion();
