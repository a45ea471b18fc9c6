#pragma once

#include "qx/export.h"

class QxWindow;

// Shows a message over `owner` through the host's message handler (standard error without
// one); `flags` are MB_... values. Returns the button pressed (IDOK, IDYES, ...).
QX_API int QxMsgBox(const char* text, const char* caption, unsigned int flags, QxWindow* owner);
