#pragma once

#include "qx/export.h"
#include "qx/platform/global_memory.h"
#include "qx/platform/types.h"

#include <functional>

// Clipboard format names, registered process-wide: the same name (letter case ignored) always
// gives the same number, numbers start at 0xC000. Standard formats keep their small numbers.
enum : UINT { CF_TEXT = 1, CF_BITMAP = 2, CF_UNICODETEXT = 13 };
inline constexpr UINT QX_FIRST_REGISTERED_FORMAT = 0xC000;

namespace QxWin {
// Returns 0 for a null or empty name, or when every number is taken.
QX_API UINT RegisterClipboardFormatA(const char* name);
// Copies the registered name, cut to fit with its terminating zero; returns the characters
// copied, 0 for a format that was not registered.
QX_API int GetClipboardFormatNameA(UINT format, char* name, int size);

// The process's clipboard. It must be opened to be changed or read; blocks given to it with
// SetClipboardData belong to it from then on (GlobalFree refuses them) and are freed when they
// are replaced or the clipboard is emptied. GetClipboardData lends a block: read it, never free it.
QX_API BOOL OpenClipboard(HWND owner);
QX_API BOOL CloseClipboard();
QX_API BOOL EmptyClipboard();
// Replaces the block of the format; returns the block, or null (the caller keeps the block).
QX_API HANDLE SetClipboardData(UINT format, HANDLE block);
QX_API HANDLE GetClipboardData(UINT format);
QX_API BOOL IsClipboardFormatAvailable(UINT format);
QX_API int CountClipboardFormats();
// The format after the given one in the order they were set (0 starts, 0 ends).
QX_API UINT EnumClipboardFormats(UINT format);
// Counts every change of the content.
QX_API DWORD GetClipboardSequenceNumber();
QX_API HWND GetOpenClipboardWindow();
} // namespace QxWin

// How the host mirrors the system clipboard. Pull runs inside OpenClipboard: the clipboard is
// open and the host may replace the content with the system's (EmptyClipboard, SetClipboardData)
// without that counting as a change. Push runs inside CloseClipboard when the content was
// changed since it was opened: the host reads the formats and offers them to the system.
struct QxClipboardHook {
    std::function<void()> Pull;
    std::function<void()> Push;
};
// Returns the previous hook; an empty hook keeps the clipboard to the process.
QX_API QxClipboardHook QxSetClipboardHook(QxClipboardHook hook);
