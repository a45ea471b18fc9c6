#pragma once

#include <cstddef>
#include <cstdint>

// The fixed-size integer names the core was written with, at their Windows widths: LONG and
// DWORD are 32 bits here although long is 64 bits on this platform.
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using SHORT = std::int16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONGLONG = std::uint64_t;
using UINT_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using HANDLE = void*;

// The calls named after Windows calls (GetDC, SetTimer, RegOpenKeyExA, ...) live in namespace
// QxWin, so that they cannot clash with another library's global names; the types, enumerators
// and constants they take stay global. Callers write `using namespace QxWin;` in a source file.

// A wait or period without end.
inline constexpr DWORD INFINITE = 0xFFFFFFFF;

struct LARGE_INTEGER {
    std::int64_t QuadPart;
};

// Pixel point and rectangle; right and bottom lie just outside the rectangle.
struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

// A window is an object of the host that implements QxWindow.
class QxWindow;
using HWND = QxWindow*;
