#pragma once

// Every public header of QxDurerive and of the sibling libraries its API speaks in.
#include "qx/scene/version.h"
