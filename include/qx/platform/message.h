#pragma once

#include "qx/export.h"

#include <functional>

class QxWindow;

// Message boxes. The host installs a handler that shows the text, caption and message-box flags
// (MB_... values) over its owner window and returns the button pressed (IDOK, IDYES, ...).
// Without a handler the message goes to standard error and IDOK is returned.
using QxMessageHandler =
    std::function<int(const char* text, const char* caption, unsigned int flags, QxWindow* owner)>;

// Installs a handler (an empty one restores standard error); returns the previous handler.
QX_API QxMessageHandler QxSetMessageHandler(QxMessageHandler handler);
QX_API int QxShowMessage(const char* text, const char* caption, unsigned int flags, QxWindow* owner);

// Message-box flags and results, with their Windows values.
enum : unsigned int {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };
