#include "qx/scene/version.h"

const char* QxDureriveVersion() { return QX_DURERIVE_VERSION; }
