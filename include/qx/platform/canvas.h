#pragma once

#include "qx/export.h"
#include "qx/platform/gdi_object.h"
#include "qx/platform/types.h"

// The 2D canvas behind a device context: GDI-shaped drawing on Cairo, with Pango text. A
// window's canvas is a transparent layer of the window's client size that the window lays over
// its rendered frame when it presents; a memory canvas draws into the bitmap selected into it.
// Coordinates are pixels from the top-left corner; a rectangle's right and bottom are outside
// it, and a line leaves out its last pixel. Pens, shapes and focus rectangles are not
// antialiased; text is. Texts are UTF-8 and counts are in bytes (-1: up to the terminating 0).

namespace QxWin {
// The window's canvas, made on first use and kept until the window goes. Each GetDC hands it
// out with the default objects and modes selected; the pixels stay until the window presents.
QX_API HDC GetDC(HWND window);
QX_API int ReleaseDC(HWND window, HDC dc);
// A memory canvas with a 1 x 1 bitmap selected; select a bitmap into it to draw into that.
QX_API HDC CreateCompatibleDC(HDC dc);
QX_API BOOL DeleteDC(HDC dc);

// Returns the object of the same kind selected before, null on failure. A bitmap can be
// selected into one memory canvas at a time, and never into a window's canvas.
QX_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
} // namespace QxWin

enum : int { TRANSPARENT = 1, OPAQUE = 2 };

namespace QxWin {
// Each returns the previous value (0 or CLR_INVALID on failure).
QX_API int SetBkMode(HDC dc, int mode);
QX_API int GetBkMode(HDC dc);
QX_API COLORREF SetBkColor(HDC dc, COLORREF color);
QX_API COLORREF GetBkColor(HDC dc);
QX_API COLORREF SetTextColor(HDC dc, COLORREF color);
QX_API COLORREF GetTextColor(HDC dc);

// Lines with the selected pen from the current position, which LineTo then moves.
QX_API BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
QX_API BOOL LineTo(HDC dc, int x, int y);
QX_API BOOL Polyline(HDC dc, const POINT* points, int count);
// Several polylines drawn as one: counts[i] points each (at least 2), taken in turn from points.
// With a thin solid pen the lines are plotted as GDI plots them, one pixel per step along the
// longer axis (much faster than a stroke, and a shade thinner on diagonals).
QX_API BOOL PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines);
// Closed shapes: outlined with the pen, filled with the brush.
QX_API BOOL Polygon(HDC dc, const POINT* points, int count);
QX_API BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
QX_API BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
// Fill or one-pixel frame with the given brush; the selected objects are not used.
QX_API int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
QX_API int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
} // namespace QxWin

// Raster operations of the blits.
enum : DWORD {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    NOTSRCCOPY = 0x00330008,
    DSTINVERT = 0x00550009,
    PATCOPY = 0x00F00021,
    PATINVERT = 0x005A0049,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};

namespace QxWin {
// PATCOPY and PATINVERT use the selected brush; DSTINVERT, BLACKNESS and WHITENESS nothing.
QX_API BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// Copies pixels between canvases (or within one). Besides SRCCOPY: the bitwise SRCPAINT,
// SRCAND, SRCINVERT and NOTSRCCOPY, and the operations PatBlt knows.
QX_API BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   DWORD rop);

// CLR_INVALID outside the canvas. A window's canvas holds what was drawn on it, not the frame.
QX_API COLORREF GetPixel(HDC dc, int x, int y);
QX_API COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

// Text with the selected font and text colour; an opaque background fills its box with the
// background colour. TextOutA places the top-left corner of the text's box.
QX_API BOOL TextOutA(HDC dc, int x, int y, const char* text, int count);
// The box the text takes: its advance width and the font's line height.
QX_API BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size);
} // namespace QxWin

enum : UINT {
    DT_TOP = 0x00000000,
    DT_LEFT = 0x00000000,
    DT_CENTER = 0x00000001,
    DT_RIGHT = 0x00000002,
    DT_VCENTER = 0x00000004,
    DT_BOTTOM = 0x00000008,
    DT_WORDBREAK = 0x00000010,
    DT_SINGLELINE = 0x00000020,
    DT_EXPANDTABS = 0x00000040,
    DT_NOCLIP = 0x00000100,
    DT_CALCRECT = 0x00000400,
    DT_NOPREFIX = 0x00000800,
    DT_PATH_ELLIPSIS = 0x00004000,
    DT_END_ELLIPSIS = 0x00008000,
    DT_WORD_ELLIPSIS = 0x00040000,
};

namespace QxWin {
// Lays the text out in the rectangle: horizontal alignment always, vertical alignment on a
// single line only; wraps at word breaks with DT_WORDBREAK; the ellipsis flags shorten lines
// that do not fit; '&' marks the next character as underlined (&& is '&') unless DT_NOPREFIX.
// DT_CALCRECT draws nothing and sets the rectangle's right and bottom to the text's size.
// Returns the height of the text, 0 on failure.
QX_API int DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format);

// A dotted rectangle that inverts the pixels under it, so drawing it again takes it away. On a
// window's canvas it inverts the frame the canvas is laid over.
QX_API BOOL DrawFocusRect(HDC dc, const RECT* rect);
} // namespace QxWin

enum : UINT {
    BDR_RAISEDOUTER = 0x0001,
    BDR_SUNKENOUTER = 0x0002,
    BDR_RAISEDINNER = 0x0004,
    BDR_SUNKENINNER = 0x0008,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : UINT {
    BF_LEFT = 0x0001,
    BF_TOP = 0x0002,
    BF_RIGHT = 0x0004,
    BF_BOTTOM = 0x0008,
    BF_TOPLEFT = BF_TOP | BF_LEFT,
    BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
    BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
    BF_MIDDLE = 0x0800,
    BF_ADJUST = 0x2000,
};

namespace QxWin {
// A 3D border of one or two pixel rings in the system's 3D colours. BF_MIDDLE fills the inside
// with the face colour; BF_ADJUST shrinks the rectangle to the inside.
QX_API BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

inline BOOL TextOut(HDC dc, int x, int y, const char* text, int count) {
    return TextOutA(dc, x, y, text, count);
}
inline int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format) {
    return DrawTextA(dc, text, count, rect, format);
}
inline BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size) {
    return GetTextExtentPoint32A(dc, text, count, size);
}
} // namespace QxWin
