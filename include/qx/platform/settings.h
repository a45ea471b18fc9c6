#pragma once

#include "qx/export.h"
#include "qx/platform/types.h"

// The user's settings, in the shape of the registry calls the core makes. Only keys below
// "Software" of the current user exist: "Software\<Company>\<Product>" is the folder
// <Company>/<Product> of $XDG_CONFIG_HOME (by default ~/.config), whose file settings.conf holds
// the key's values, one a line:
//     Undo=dword:00000032
//     DataDir=sz:/home/me/data
//     Blob=hex:01,ff
// Names and texts escape backslash, '=', a leading '#' and control characters (\\ \= \n \r \t
// \xHH). Value names ignore letter case. A line that cannot be read is left out, so a damaged
// file only loses its damaged values; nothing is ever reported for it. Every change rewrites the
// file through a temporary file renamed over it, so a failed write leaves the old file whole.
struct QxSettingsKey;
using HKEY = QxSettingsKey*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

namespace QxWin {
extern QX_API const HKEY HKEY_CURRENT_USER;
} // namespace QxWin

enum : LONG {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_MORE_DATA = 234,
    ERROR_CANTWRITE = 1013,
};

enum : DWORD { REG_NONE = 0, REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };
enum : DWORD { REG_CREATED_NEW_KEY = 1, REG_OPENED_EXISTING_KEY = 2 };
enum : DWORD { REG_OPTION_NON_VOLATILE = 0 };
// Access rights are accepted and not checked: the file's own permissions decide.
enum : REGSAM {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_READ = 0x20019,
    KEY_WRITE = 0x20006,
    KEY_ALL_ACCESS = 0xF003F,
};

// The largest value stored; larger ones are refused.
inline constexpr DWORD QX_SETTINGS_MAX_VALUE = 0x10000;

namespace QxWin {
// Fails with ERROR_FILE_NOT_FOUND when the key's folder does not exist.
QX_API LSTATUS RegOpenKeyExA(HKEY parent, const char* subKey, DWORD options, REGSAM access, PHKEY result);
// Creates the key's folders when missing; the disposition (optional) tells which happened.
QX_API LSTATUS RegCreateKeyExA(HKEY parent, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                               REGSAM access, const void* security, PHKEY result, DWORD* disposition);
// With data null, reports the size needed; with a buffer too small, ERROR_MORE_DATA and the size.
// A string comes with its terminating zero.
QX_API LSTATUS RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                                DWORD* size);
// REG_DWORD takes exactly 4 bytes; REG_SZ takes the text up to its first zero.
QX_API LSTATUS RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD size);
QX_API LSTATUS RegDeleteValueA(HKEY key, const char* name);
// Writes changes that an earlier failed write left unsaved.
QX_API LSTATUS RegFlushKey(HKEY key);
QX_API LSTATUS RegCloseKey(HKEY key);
} // namespace QxWin
