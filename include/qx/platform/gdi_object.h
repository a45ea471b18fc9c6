#pragma once

#include "qx/export.h"
#include "qx/platform/types.h"

// Drawing objects of the 2D canvas (see canvas.h): pens, brushes, fonts and bitmaps, made,
// selected into canvases and deleted the way the core's drawing code expects. Every handle is
// checked against the live objects, so a stale or foreign handle fails cleanly.

// Colours are 0x00BBGGRR.
using COLORREF = DWORD;

namespace QxWin {
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF color) {
    return static_cast<BYTE>(color & 0xFF);
}
constexpr BYTE GetGValue(COLORREF color) {
    return static_cast<BYTE>((color >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF color) {
    return static_cast<BYTE>((color >> 16) & 0xFF);
}
} // namespace QxWin

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct SIZE {
    LONG cx;
    LONG cy;
};

// The handle types. A pen, brush, font or bitmap handle converts to HGDIOBJ; the object a
// handle names is known only to the canvas.
struct QX_API QxGdiObject {
    QxGdiObject() = default;
    QxGdiObject(const QxGdiObject&) = delete;
    QxGdiObject& operator=(const QxGdiObject&) = delete;
    virtual ~QxGdiObject() = default;
};
struct QxPen : QxGdiObject {};
struct QxBrush : QxGdiObject {};
struct QxFont : QxGdiObject {};
struct QxBitmap : QxGdiObject {};
using HGDIOBJ = QxGdiObject*;
using HPEN = QxPen*;
using HBRUSH = QxBrush*;
using HFONT = QxFont*;
using HBITMAP = QxBitmap*;

class QxCanvas;
using HDC = QxCanvas*;

enum : int {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
};

enum : int {
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    HOLLOW_BRUSH = NULL_BRUSH,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    ANSI_VAR_FONT = 12,
    SYSTEM_FONT = 13,
    DEFAULT_GUI_FONT = 17,
};

enum : int {
    FW_DONTCARE = 0,
    FW_THIN = 100,
    FW_LIGHT = 300,
    FW_NORMAL = 400,
    FW_MEDIUM = 500,
    FW_SEMIBOLD = 600,
    FW_BOLD = 700,
    FW_HEAVY = 900,
};

enum : BYTE { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SHIFTJIS_CHARSET = 128 };

inline constexpr int LF_FACESIZE = 32;

// A font's description. A negative height is the character height in pixels, a positive one
// the cell height (ascent plus descent), 0 the default size. The face name is UTF-8.
struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

namespace QxWin {
// A width of 0 is one pixel. Unknown styles fail (null).
QX_API HPEN CreatePen(int style, int width, COLORREF color);
QX_API HBRUSH CreateSolidBrush(COLORREF color);
QX_API HFONT CreateFontIndirectA(const LOGFONTA* font);
QX_API HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                         DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName);
// A 32-bit bitmap of the given size, black. Sizes must be positive and at most 16384.
QX_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);

// The stock objects are never deleted: DeleteObject accepts them and does nothing.
QX_API HGDIOBJ GetStockObject(int id);
// An object still selected into a canvas goes when the canvas lets it go.
QX_API BOOL DeleteObject(HGDIOBJ object);
// Copies a font's LOGFONTA or a bitmap's BITMAP; returns the bytes written (0 on failure), or
// the size needed when out is null.
QX_API int GetObjectA(HGDIOBJ object, int size, void* out);

inline HFONT CreateFontIndirect(const LOGFONTA* font) {
    return CreateFontIndirectA(font);
}
inline int GetObject(HGDIOBJ object, int size, void* out) {
    return GetObjectA(object, size, out);
}
} // namespace QxWin
