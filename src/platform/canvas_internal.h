#pragma once

#include "qx/platform/canvas.h"

#include <cairo.h>
#include <pango/pango.h>

#include <cstdint>
#include <memory>
#include <vector>

// Between the parts of the 2D canvas: the drawing objects, their registry and the canvas
// itself. Everything here runs on the host's thread.

enum class QxGdiKind { Pen, Brush, Font, Bitmap };

struct QxPenObject final : QxPen {
    int Style = PS_SOLID;
    int Width = 1;
    COLORREF Color = 0;
};

struct QxBrushObject final : QxBrush {
    bool Hollow = false;
    COLORREF Color = 0;
};

struct QxFontObject final : QxFont {
    ~QxFontObject() override;
    LOGFONTA Desc{};
    // Absolute size in pixels, the font's family list with fallbacks, weight and style.
    PangoFontDescription* Pango = nullptr;
};

// A 32-bit premultiplied image; opaque unless drawn otherwise.
struct QxBitmapObject final : QxBitmap {
    ~QxBitmapObject() override;
    cairo_surface_t* Surface = nullptr;
    QxCanvas* SelectedIn = nullptr;
};

// The live objects: a handle is used only after it is found here with the expected kind.
// Objects selected into a canvas are counted; one deleted while selected goes when let go.
QxGdiObject* QxGdiFind(const QxGdiObject* object, QxGdiKind kind);
bool QxGdiIsStock(const QxGdiObject* object);
QxGdiKind QxGdiKindOf(const QxGdiObject* object);
bool QxGdiIsLive(const QxGdiObject* object);
void QxGdiRetain(QxGdiObject* object);
void QxGdiRelease(QxGdiObject* object);
QxBitmapObject* QxDefaultBitmap();
// The font map of every canvas, made once and kept for the process with the fonts it caches.
PangoFontMap* QxFontMap();
QxFontObject* QxDefaultFont();

// Premultiplied ARGB pixels of a canvas, for the window that composites it.
class QxCanvas {
public:
    explicit QxCanvas(HWND window);
    ~QxCanvas();
    QxCanvas(const QxCanvas&) = delete;
    QxCanvas& operator=(const QxCanvas&) = delete;

    bool IsWindowCanvas() const { return m_Window != nullptr; }
    HWND Window() const { return m_Window; }
    // Gives the window canvas the window's client size (its pixels are lost when it changes).
    void FitWindow();
    // Puts back the stock objects and the default modes.
    void ResetState();

    cairo_surface_t* Target() const;
    int Width() const;
    int Height() const;
    // Direct access to the target's pixels; call MarkDirty after writing.
    std::uint32_t* Pixels() const;
    int StridePixels() const;
    void MarkDirty() const;
    // A window canvas inverts the frame below it where this mask is set (focus rectangles).
    std::vector<std::uint8_t>& InvertMask() { return m_InvertMask; }
    void Clear();

    HGDIOBJ Select(QxGdiObject* object, QxGdiKind kind);

    QxPenObject* m_Pen = nullptr;
    QxBrushObject* m_Brush = nullptr;
    QxFontObject* m_Font = nullptr;
    QxBitmapObject* m_Bitmap = nullptr; // memory canvases only
    COLORREF m_TextColor = 0;
    COLORREF m_BkColor = QxWin::RGB(255, 255, 255);
    int m_BkMode = OPAQUE;
    POINT m_Position{0, 0};

private:
    HWND m_Window = nullptr;
    cairo_surface_t* m_Surface = nullptr; // a window canvas's own layer
    std::vector<std::uint8_t> m_InvertMask;
};

// Finds a live canvas.
QxCanvas* QxCanvasFind(HDC dc);
// Sets the cairo source to a COLORREF, opaque.
void QxCairoSetColor(cairo_t* cr, COLORREF color);
// A premultiplied opaque pixel of a COLORREF.
constexpr std::uint32_t QxOpaquePixel(COLORREF color) {
    return 0xFF000000u | (static_cast<std::uint32_t>(QxWin::GetRValue(color)) << 16) |
           (static_cast<std::uint32_t>(QxWin::GetGValue(color)) << 8) | QxWin::GetBValue(color);
}
