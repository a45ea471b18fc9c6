#include "canvas_internal.h"
#include "platform_internal.h"
#include "qx/platform/window.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <numbers>
#include <unordered_map>
#include <utility>

using namespace QxWin;

namespace {

// Canvases live until deleted (memory) or until their window goes. The tables are never freed,
// so canvases left at exit are not torn down after the objects they hold.
struct CanvasTables {
    std::unordered_map<const QxCanvas*, std::unique_ptr<QxCanvas>> Memory;
    std::unordered_map<HWND, std::unique_ptr<QxCanvas>> Windows;
    std::unordered_map<const QxCanvas*, int> Live;
};

CanvasTables& Tables() {
    static CanvasTables& tables = *new CanvasTables;
    return tables;
}

// The 3D colours of edges: highlight, light, shadow, dark shadow, face.
constexpr COLORREF k3dHighlight = RGB(255, 255, 255);
constexpr COLORREF k3dLight = RGB(227, 227, 227);
constexpr COLORREF k3dShadow = RGB(160, 160, 160);
constexpr COLORREF k3dDarkShadow = RGB(105, 105, 105);
constexpr COLORREF k3dFace = RGB(240, 240, 240);

// A rectangle from 64-bit edges, clamped to the 32-bit range so wild input cannot overflow.
RECT MakeRect(long long left, long long top, long long right, long long bottom) {
    auto clamp = [](long long v) {
        return static_cast<LONG>(std::clamp<long long>(v, -(1LL << 29), 1LL << 29));
    };
    return {clamp(left), clamp(top), clamp(right), clamp(bottom)};
}

RECT Normalized(RECT rect) {
    if (rect.left > rect.right) std::swap(rect.left, rect.right);
    if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
    return rect;
}

// The part of a rectangle inside the canvas; empty when it misses.
RECT Clipped(const QxCanvas& canvas, RECT rect) {
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, canvas.Width());
    rect.bottom = std::min<LONG>(rect.bottom, canvas.Height());
    if (rect.right < rect.left) rect.right = rect.left;
    if (rect.bottom < rect.top) rect.bottom = rect.top;
    return rect;
}

bool IsEmpty(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

// Calls fn(pixel) for every pixel of the rectangle inside the canvas.
template <class Fn>
void ForEachPixel(const QxCanvas& canvas, RECT rect, Fn fn) {
    rect = Clipped(canvas, Normalized(rect));
    if (IsEmpty(rect)) return;
    std::uint32_t* pixels = canvas.Pixels();
    const int stride = canvas.StridePixels();
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (LONG x = rect.left; x < rect.right; ++x) fn(row[x]);
    }
    canvas.MarkDirty();
}

// The complement of a premultiplied pixel's colour within its alpha: an involution that keeps
// the pixel valid, and the plain inverse for an opaque pixel.
std::uint32_t Inverted(std::uint32_t pixel) {
    const std::uint32_t a = pixel >> 24;
    std::uint32_t out = a << 24;
    for (int shift = 0; shift < 24; shift += 8) out |= (a - ((pixel >> shift) & 0xFF)) << shift;
    return out;
}

// A cairo context on the canvas with GDI's pixel rules: no antialiasing, whole-pixel fills.
cairo_t* NewContext(const QxCanvas& canvas) {
    cairo_t* cr = cairo_create(canvas.Target());
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    return cr;
}

// Sets up the stroke of a pen; false for the null pen. Thin lines run through pixel centres.
bool SetPen(cairo_t* cr, const QxPenObject* pen, double* offset) {
    if (!pen || pen->Style == PS_NULL) return false;
    QxCairoSetColor(cr, pen->Color);
    cairo_set_line_width(cr, pen->Width);
    *offset = (pen->Width % 2) ? 0.5 : 0.0;
    if (pen->Width <= 1) {
        static constexpr double dash[] = {18, 6};
        static constexpr double dot[] = {3, 3};
        static constexpr double dashDot[] = {9, 6, 3, 6};
        static constexpr double dashDotDot[] = {9, 3, 3, 3, 3, 3};
        switch (pen->Style) {
        case PS_DASH:
            cairo_set_dash(cr, dash, 2, 0);
            break;
        case PS_DOT:
            cairo_set_dash(cr, dot, 2, 0);
            break;
        case PS_DASHDOT:
            cairo_set_dash(cr, dashDot, 4, 0);
            break;
        case PS_DASHDOTDOT:
            cairo_set_dash(cr, dashDotDot, 6, 0);
            break;
        default:
            break;
        }
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    } else {
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    }
    return true;
}

void FillSolid(const QxCanvas& canvas, const RECT& rect, COLORREF color) {
    const std::uint32_t pixel = QxOpaquePixel(color);
    ForEachPixel(canvas, rect, [pixel](std::uint32_t& p) { p = pixel; });
}

// Fills or strokes a path built by makePath (in pixel-centre coordinates when offset is 0.5).
template <class MakePath>
void FillAndStroke(QxCanvas& canvas, MakePath makePath) {
    cairo_t* cr = NewContext(canvas);
    double offset = 0.5;
    const bool stroke = SetPen(cr, canvas.m_Pen, &offset);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    makePath(cr, stroke ? offset : 0.5);
    if (canvas.m_Brush && !canvas.m_Brush->Hollow) {
        cairo_save(cr);
        QxCairoSetColor(cr, canvas.m_Brush->Color);
        cairo_fill_preserve(cr);
        cairo_restore(cr);
    }
    if (stroke) cairo_stroke(cr);
    cairo_destroy(cr);
}

} // namespace

QxCanvas::QxCanvas(HWND window) : m_Window(window) {
    ResetState();
    if (window) {
        FitWindow();
    } else {
        m_Bitmap = QxDefaultBitmap();
        QxGdiRetain(m_Bitmap);
    }
}

QxCanvas::~QxCanvas() {
    if (m_Bitmap) m_Bitmap->SelectedIn = nullptr;
    for (QxGdiObject* object : std::initializer_list<QxGdiObject*>{m_Pen, m_Brush, m_Font, m_Bitmap}) {
        if (object) QxGdiRelease(object);
    }
    if (m_Surface) cairo_surface_destroy(m_Surface);
}

void QxCanvas::FitWindow() {
    const int width = std::clamp(m_Window->GetClientWidth(), 1, 16384);
    const int height = std::clamp(m_Window->GetClientHeight(), 1, 16384);
    if (m_Surface && width == Width() && height == Height()) return;
    if (m_Surface) cairo_surface_destroy(m_Surface);
    m_Surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    m_InvertMask.assign(static_cast<std::size_t>(width) * height, 0);
}

void QxCanvas::ResetState() {
    auto reset = [](auto*& slot, auto* stock) {
        if (slot) QxGdiRelease(slot);
        slot = stock;
        QxGdiRetain(slot);
    };
    reset(m_Pen, static_cast<QxPenObject*>(static_cast<QxPen*>(GetStockObject(BLACK_PEN))));
    reset(m_Brush, static_cast<QxBrushObject*>(static_cast<QxBrush*>(GetStockObject(WHITE_BRUSH))));
    reset(m_Font, QxDefaultFont());
    m_TextColor = 0;
    m_BkColor = RGB(255, 255, 255);
    m_BkMode = OPAQUE;
    m_Position = {0, 0};
}

cairo_surface_t* QxCanvas::Target() const {
    return m_Window ? m_Surface : m_Bitmap->Surface;
}

int QxCanvas::Width() const {
    return cairo_image_surface_get_width(Target());
}

int QxCanvas::Height() const {
    return cairo_image_surface_get_height(Target());
}

std::uint32_t* QxCanvas::Pixels() const {
    cairo_surface_flush(Target());
    return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(Target()));
}

int QxCanvas::StridePixels() const {
    return cairo_image_surface_get_stride(Target()) / 4;
}

void QxCanvas::MarkDirty() const {
    cairo_surface_mark_dirty(Target());
}

void QxCanvas::Clear() {
    if (std::uint32_t* pixels = Pixels()) {
        std::memset(pixels, 0, static_cast<std::size_t>(cairo_image_surface_get_stride(Target())) * Height());
        MarkDirty();
    }
    std::fill(m_InvertMask.begin(), m_InvertMask.end(), 0);
}

HGDIOBJ QxCanvas::Select(QxGdiObject* object, QxGdiKind kind) {
    auto swap = [object](auto*& slot) -> HGDIOBJ {
        using T = std::remove_reference_t<decltype(*slot)>;
        QxGdiObject* previous = slot;
        slot = static_cast<T*>(object);
        QxGdiRetain(object);
        QxGdiRelease(previous);
        return previous;
    };
    switch (kind) {
    case QxGdiKind::Pen:
        return swap(m_Pen);
    case QxGdiKind::Brush:
        return swap(m_Brush);
    case QxGdiKind::Font:
        return swap(m_Font);
    case QxGdiKind::Bitmap: {
        auto* next = static_cast<QxBitmapObject*>(object);
        if (m_Window) return nullptr;
        if (next == m_Bitmap) return m_Bitmap;
        if (next->SelectedIn && !QxGdiIsStock(next)) return nullptr;
        m_Bitmap->SelectedIn = nullptr;
        if (!QxGdiIsStock(next)) next->SelectedIn = this;
        return swap(m_Bitmap);
    }
    }
    return nullptr;
}

QxCanvas* QxCanvasFind(HDC dc) {
    return dc && Tables().Live.count(dc) ? dc : nullptr;
}

void QxCairoSetColor(cairo_t* cr, COLORREF color) {
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0, GetBValue(color) / 255.0);
}

void QxCanvasForgetWindow(HWND window) {
    CanvasTables& tables = Tables();
    const auto found = tables.Windows.find(window);
    if (found == tables.Windows.end()) return;
    tables.Live.erase(found->second.get());
    tables.Windows.erase(found);
}

int QxCompositeWindowCanvas(HWND window, std::uint32_t* frame, int width, int height) {
    CanvasTables& tables = Tables();
    const auto found = tables.Windows.find(window);
    if (found == tables.Windows.end() || !frame) return 0;
    QxCanvas& canvas = *found->second;
    const std::uint32_t* pixels = canvas.Pixels();
    const int stride = canvas.StridePixels();
    const std::vector<std::uint8_t>& mask = canvas.InvertMask();
    const int w = std::min(width, canvas.Width());
    const int h = std::min(height, canvas.Height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t src = pixels[static_cast<std::ptrdiff_t>(y) * stride + x];
            std::uint32_t& dst = frame[static_cast<std::ptrdiff_t>(y) * width + x];
            const std::uint32_t keep = 255 - (src >> 24);
            std::uint32_t out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const std::uint32_t d = (dst >> shift) & 0xFF;
                const std::uint32_t s = (src >> shift) & 0xFF;
                out |= std::min<std::uint32_t>(s + (d * keep + 127) / 255, 255) << shift;
            }
            if (mask[static_cast<std::size_t>(y) * canvas.Width() + x]) out ^= 0x00FFFFFFu;
            dst = out;
        }
    }
    canvas.Clear();
    return 1;
}

HDC QxWin::GetDC(HWND window) {
    if (!window) return nullptr;
    CanvasTables& tables = Tables();
    auto& slot = tables.Windows[window];
    if (!slot) {
        slot = std::make_unique<QxCanvas>(window);
        tables.Live.emplace(slot.get(), 0);
    }
    slot->FitWindow();
    slot->ResetState();
    return slot.get();
}

int QxWin::ReleaseDC(HWND window, HDC dc) {
    QxCanvas* canvas = QxCanvasFind(dc);
    return canvas && window && canvas->Window() == window ? 1 : 0;
}

HDC QxWin::CreateCompatibleDC(HDC /*dc*/) {
    auto canvas = std::make_unique<QxCanvas>(nullptr);
    QxCanvas* raw = canvas.get();
    CanvasTables& tables = Tables();
    tables.Memory.emplace(raw, std::move(canvas));
    tables.Live.emplace(raw, 0);
    return raw;
}

BOOL QxWin::DeleteDC(HDC dc) {
    CanvasTables& tables = Tables();
    const auto found = tables.Memory.find(dc);
    if (!dc || found == tables.Memory.end()) return 0;
    tables.Live.erase(dc);
    tables.Memory.erase(found);
    return 1;
}

HGDIOBJ QxWin::SelectObject(HDC dc, HGDIOBJ object) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || !QxGdiIsLive(object)) return nullptr;
    return canvas->Select(object, QxGdiKindOf(object));
}

int QxWin::SetBkMode(HDC dc, int mode) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(canvas->m_BkMode, mode);
}

int QxWin::GetBkMode(HDC dc) {
    const QxCanvas* canvas = QxCanvasFind(dc);
    return canvas ? canvas->m_BkMode : 0;
}

COLORREF QxWin::SetBkColor(HDC dc, COLORREF color) {
    QxCanvas* canvas = QxCanvasFind(dc);
    return canvas ? std::exchange(canvas->m_BkColor, color & 0xFFFFFF) : CLR_INVALID;
}

COLORREF QxWin::GetBkColor(HDC dc) {
    const QxCanvas* canvas = QxCanvasFind(dc);
    return canvas ? canvas->m_BkColor : CLR_INVALID;
}

COLORREF QxWin::SetTextColor(HDC dc, COLORREF color) {
    QxCanvas* canvas = QxCanvasFind(dc);
    return canvas ? std::exchange(canvas->m_TextColor, color & 0xFFFFFF) : CLR_INVALID;
}

COLORREF QxWin::GetTextColor(HDC dc) {
    const QxCanvas* canvas = QxCanvasFind(dc);
    return canvas ? canvas->m_TextColor : CLR_INVALID;
}

BOOL QxWin::MoveToEx(HDC dc, int x, int y, POINT* previous) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas) return 0;
    if (previous) *previous = canvas->m_Position;
    canvas->m_Position = {x, y};
    return 1;
}

BOOL QxWin::LineTo(HDC dc, int x, int y) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas) return 0;
    const POINT points[2] = {canvas->m_Position, {x, y}};
    canvas->m_Position = {x, y};
    return Polyline(dc, points, 2);
}

BOOL QxWin::Polyline(HDC dc, const POINT* points, int count) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || !points || count < 2) return 0;
    cairo_t* cr = NewContext(*canvas);
    double offset = 0.5;
    if (SetPen(cr, canvas->m_Pen, &offset)) {
        for (int i = 0; i < count; ++i) cairo_line_to(cr, points[i].x + offset, points[i].y + offset);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    return 1;
}

namespace {

// A one-pixel solid line as GDI draws it: one pixel per step along the longer axis, rounded, the
// end point left out. Only the steps that land inside the canvas are visited, however far the
// ends lie outside it.
// floor() for the canvas's coordinates, without the library call the baseline instruction set
// makes of it (the plotting loop calls it twice a pixel).
inline double FloorOf(double v) {
    const double t = static_cast<double>(static_cast<long long>(v));
    return t > v ? t - 1.0 : t;
}

void PlotThinLine(const QxCanvas& canvas, std::uint32_t* pixels, int stride, POINT a, POINT b,
                  std::uint32_t pixel) {
    const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    const double steps = std::max(std::fabs(dx), std::fabs(dy));
    if (!(steps > 0.0)) return;
    double first = 0.0, end = steps;
    // Step i lands on round(p + d * i / steps), which must lie in 0..size-1.
    const auto keep = [&](double p, double d, int size) {
        const double lo = -0.5 - p, hi = size - 0.5 - p;
        if (d == 0.0) {
            if (!(lo <= 0.0 && 0.0 < hi)) end = first;
            return;
        }
        const double u = lo * steps / d, v = hi * steps / d;
        first = std::max(first, std::floor(std::min(u, v)));
        end = std::min(end, std::ceil(std::max(u, v)) + 1.0);
    };
    const int width = canvas.Width(), height = canvas.Height();
    keep(a.x, dx, width);
    keep(a.y, dy, height);
    const double sx = dx / steps, sy = dy / steps;
    for (double i = first; i < end; ++i) {
        const double x = FloorOf(a.x + sx * i + 0.5), y = FloorOf(a.y + sy * i + 0.5);
        if (x < 0 || y < 0 || x >= width || y >= height) continue;
        pixels[static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(x)] = pixel;
    }
}

} // namespace

BOOL QxWin::PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || !points || !counts) return 0;
    for (DWORD i = 0; i < polylines; ++i)
        if (counts[i] < 2) return 0;
    const QxPenObject* pen = canvas->m_Pen;
    if (!pen || pen->Style == PS_NULL) return 1;
    // Thin solid lines, the common case of curves and handles, are plotted directly: a stroke
    // through cairo costs about a microsecond a segment.
    if (pen->Style == PS_SOLID && pen->Width <= 1) {
        std::uint32_t* pixels = canvas->Pixels();
        const int stride = canvas->StridePixels();
        const std::uint32_t pixel = QxOpaquePixel(pen->Color);
        for (DWORD i = 0; i < polylines; ++i, ++points)
            for (DWORD j = 1; j < counts[i]; ++j, ++points)
                PlotThinLine(*canvas, pixels, stride, points[0], points[1], pixel);
        canvas->MarkDirty();
        return 1;
    }
    cairo_t* cr = NewContext(*canvas);
    double offset = 0.5;
    SetPen(cr, pen, &offset);
    for (DWORD i = 0; i < polylines; ++i) {
        cairo_new_sub_path(cr);
        for (DWORD j = 0; j < counts[i]; ++j, ++points)
            cairo_line_to(cr, points->x + offset, points->y + offset);
    }
    cairo_stroke(cr);
    cairo_destroy(cr);
    return 1;
}

BOOL QxWin::Polygon(HDC dc, const POINT* points, int count) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || !points || count < 2) return 0;
    FillAndStroke(*canvas, [points, count](cairo_t* cr, double offset) {
        for (int i = 0; i < count; ++i) cairo_line_to(cr, points[i].x + offset, points[i].y + offset);
        cairo_close_path(cr);
    });
    return 1;
}

BOOL QxWin::Rectangle(HDC dc, int left, int top, int right, int bottom) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas) return 0;
    const RECT rect = Normalized(MakeRect(left, top, right, bottom));
    const bool hasPen = canvas->m_Pen && canvas->m_Pen->Style != PS_NULL;
    // Without a pen the filled area is one pixel smaller on the right and at the bottom.
    if (canvas->m_Brush && !canvas->m_Brush->Hollow) {
        const LONG less = hasPen ? 0 : 1;
        FillSolid(*canvas, {rect.left, rect.top, rect.right - less, rect.bottom - less},
                  canvas->m_Brush->Color);
    }
    if (hasPen && !IsEmpty(rect)) {
        cairo_t* cr = NewContext(*canvas);
        double offset = 0.5;
        SetPen(cr, canvas->m_Pen, &offset);
        cairo_rectangle(cr, rect.left + offset, rect.top + offset, rect.right - rect.left - 1,
                        rect.bottom - rect.top - 1);
        cairo_stroke(cr);
        cairo_destroy(cr);
    }
    return 1;
}

BOOL QxWin::Ellipse(HDC dc, int left, int top, int right, int bottom) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas) return 0;
    const RECT rect = Normalized(MakeRect(left, top, right, bottom));
    const double rx = (rect.right - rect.left - 1) / 2.0;
    const double ry = (rect.bottom - rect.top - 1) / 2.0;
    if (rx <= 0 || ry <= 0) return 1;
    FillAndStroke(*canvas, [&rect, rx, ry](cairo_t* cr, double offset) {
        cairo_save(cr);
        cairo_translate(cr, rect.left + offset + rx, rect.top + offset + ry);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
        cairo_restore(cr);
    });
    return 1;
}

int QxWin::FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    QxCanvas* canvas = QxCanvasFind(dc);
    const auto* fill = static_cast<const QxBrushObject*>(QxGdiFind(brush, QxGdiKind::Brush));
    if (!canvas || !rect || !fill) return 0;
    if (!fill->Hollow) FillSolid(*canvas, *rect, fill->Color);
    return 1;
}

int QxWin::FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
    QxCanvas* canvas = QxCanvasFind(dc);
    const auto* fill = static_cast<const QxBrushObject*>(QxGdiFind(brush, QxGdiKind::Brush));
    if (!canvas || !rect || !fill) return 0;
    const RECT r = Normalized(MakeRect(rect->left, rect->top, rect->right, rect->bottom));
    if (fill->Hollow || IsEmpty(r)) return 1;
    FillSolid(*canvas, {r.left, r.top, r.right, r.top + 1}, fill->Color);
    FillSolid(*canvas, {r.left, r.bottom - 1, r.right, r.bottom}, fill->Color);
    FillSolid(*canvas, {r.left, r.top, r.left + 1, r.bottom}, fill->Color);
    FillSolid(*canvas, {r.right - 1, r.top, r.right, r.bottom}, fill->Color);
    return 1;
}

BOOL QxWin::PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas) return 0;
    const RECT rect = MakeRect(x, y, static_cast<long long>(x) + width, static_cast<long long>(y) + height);
    const QxBrushObject* brush = canvas->m_Brush;
    switch (rop) {
    case PATCOPY:
        if (brush && !brush->Hollow) FillSolid(*canvas, rect, brush->Color);
        return 1;
    case BLACKNESS:
        FillSolid(*canvas, rect, RGB(0, 0, 0));
        return 1;
    case WHITENESS:
        FillSolid(*canvas, rect, RGB(255, 255, 255));
        return 1;
    case DSTINVERT:
        if (canvas->IsWindowCanvas()) {
            const RECT r = Clipped(*canvas, Normalized(rect));
            auto& mask = canvas->InvertMask();
            for (LONG py = r.top; py < r.bottom; ++py) {
                for (LONG px = r.left; px < r.right; ++px)
                    mask[static_cast<std::size_t>(py) * canvas->Width() + px] ^= 1;
            }
        } else {
            ForEachPixel(*canvas, rect, [](std::uint32_t& p) { p = Inverted(p); });
        }
        return 1;
    case PATINVERT: {
        // A window's canvas is a layer, not the screen: bitwise operations need opaque pixels.
        if (canvas->IsWindowCanvas()) return 0;
        if (!brush || brush->Hollow) return 1;
        const std::uint32_t bits = QxOpaquePixel(brush->Color) & 0x00FFFFFFu;
        ForEachPixel(*canvas, rect, [bits](std::uint32_t& p) { p ^= bits; });
        return 1;
    }
    default:
        return 0;
    }
}

BOOL QxWin::BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   DWORD rop) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas) return 0;
    if (rop == PATCOPY || rop == PATINVERT || rop == DSTINVERT || rop == BLACKNESS || rop == WHITENESS) {
        return PatBlt(dc, x, y, width, height, rop);
    }
    const QxCanvas* from = QxCanvasFind(source);
    if (!from || width < 0 || height < 0) return 0;
    const bool bitwise = rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT;
    if (rop != SRCCOPY && rop != NOTSRCCOPY && !bitwise) return 0;
    if (bitwise && canvas->IsWindowCanvas()) return 0;
    // Clip the destination to both canvases, then copy through a buffer so overlaps are safe.
    long left = std::max({0L, static_cast<long>(x), static_cast<long>(x) - sourceX});
    long top = std::max({0L, static_cast<long>(y), static_cast<long>(y) - sourceY});
    long right = std::min({static_cast<long>(x) + width, static_cast<long>(canvas->Width()),
                           static_cast<long>(x) - sourceX + from->Width()});
    long bottom = std::min({static_cast<long>(y) + height, static_cast<long>(canvas->Height()),
                            static_cast<long>(y) - sourceY + from->Height()});
    if (right <= left || bottom <= top) return 1;
    const long w = right - left;
    const long h = bottom - top;
    std::vector<std::uint32_t> copy(static_cast<std::size_t>(w * h));
    const std::uint32_t* src = from->Pixels();
    for (long row = 0; row < h; ++row) {
        const std::uint32_t* line =
            src + (top + row - y + sourceY) * static_cast<long>(from->StridePixels()) + (left - x + sourceX);
        std::copy(line, line + w, copy.begin() + row * w);
    }
    std::uint32_t* dst = canvas->Pixels();
    const long stride = canvas->StridePixels();
    for (long row = 0; row < h; ++row) {
        std::uint32_t* line = dst + (top + row) * stride + left;
        const std::uint32_t* in = copy.data() + row * w;
        for (long i = 0; i < w; ++i) {
            switch (rop) {
            case SRCCOPY:
                line[i] = in[i];
                break;
            case NOTSRCCOPY:
                line[i] = Inverted(in[i]);
                break;
            case SRCPAINT:
                line[i] = (line[i] | in[i]) | 0xFF000000u;
                break;
            case SRCAND:
                line[i] = (line[i] & in[i]) | 0xFF000000u;
                break;
            default:
                line[i] = ((line[i] ^ in[i]) & 0x00FFFFFFu) | 0xFF000000u;
                break;
            }
        }
        // Copied pixels replace whatever was inverted on the window below them.
        if (canvas->IsWindowCanvas()) {
            auto& mask = canvas->InvertMask();
            std::fill_n(mask.begin() + (top + row) * canvas->Width() + left, w, 0);
        }
    }
    canvas->MarkDirty();
    return 1;
}

COLORREF QxWin::GetPixel(HDC dc, int x, int y) {
    const QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || x < 0 || y < 0 || x >= canvas->Width() || y >= canvas->Height()) return CLR_INVALID;
    const std::uint32_t p = canvas->Pixels()[static_cast<std::ptrdiff_t>(y) * canvas->StridePixels() + x];
    const std::uint32_t a = p >> 24;
    if (a == 0) return 0;
    auto channel = [p, a](int shift) { return static_cast<BYTE>((((p >> shift) & 0xFF) * 255 + a / 2) / a); };
    return RGB(channel(16), channel(8), channel(0));
}

COLORREF QxWin::SetPixel(HDC dc, int x, int y, COLORREF color) {
    const QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || x < 0 || y < 0 || x >= canvas->Width() || y >= canvas->Height()) return CLR_INVALID;
    canvas->Pixels()[static_cast<std::ptrdiff_t>(y) * canvas->StridePixels() + x] = QxOpaquePixel(color);
    canvas->MarkDirty();
    return color & 0xFFFFFF;
}

BOOL QxWin::DrawFocusRect(HDC dc, const RECT* rect) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || !rect) return 0;
    const RECT r = Normalized(MakeRect(rect->left, rect->top, rect->right, rect->bottom));
    if (IsEmpty(r)) return 1;
    std::uint32_t* pixels = canvas->Pixels();
    const int stride = canvas->StridePixels();
    auto& mask = canvas->InvertMask();
    // Every other pixel of the border, by the parity of x + y, each exactly once.
    auto toggle = [&](LONG x, LONG y) {
        if (x < 0 || y < 0 || x >= canvas->Width() || y >= canvas->Height() || ((x + y) & 1)) return;
        if (canvas->IsWindowCanvas()) {
            mask[static_cast<std::size_t>(y) * canvas->Width() + x] ^= 1;
        } else {
            std::uint32_t& p = pixels[static_cast<std::ptrdiff_t>(y) * stride + x];
            p = Inverted(p);
        }
    };
    const LONG left = std::max<LONG>(r.left, -1);
    const LONG right = std::min<LONG>(r.right, canvas->Width() + 1);
    const LONG top = std::max<LONG>(r.top, -1);
    const LONG bottom = std::min<LONG>(r.bottom, canvas->Height() + 1);
    for (LONG x = left; x < right; ++x) {
        toggle(x, r.top);
        if (r.bottom - 1 != r.top) toggle(x, r.bottom - 1);
    }
    for (LONG y = std::max<LONG>(top, r.top + 1); y < std::min<LONG>(bottom, r.bottom - 1); ++y) {
        toggle(r.left, y);
        if (r.right - 1 != r.left) toggle(r.right - 1, y);
    }
    canvas->MarkDirty();
    return 1;
}

BOOL QxWin::DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
    QxCanvas* canvas = QxCanvasFind(dc);
    if (!canvas || !rect) return 0;
    RECT r = Normalized(MakeRect(rect->left, rect->top, rect->right, rect->bottom));
    // One ring per border: its top-left and bottom-right colours, outer ring first.
    struct Ring {
        UINT Raised, Sunken;
        COLORREF RaisedTopLeft, RaisedBottomRight, SunkenTopLeft, SunkenBottomRight;
    };
    static constexpr Ring rings[] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, k3dLight, k3dDarkShadow, k3dShadow, k3dHighlight},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, k3dHighlight, k3dShadow, k3dDarkShadow, k3dLight},
    };
    for (const Ring& ring : rings) {
        if (!(edge & (ring.Raised | ring.Sunken)) || IsEmpty(r)) continue;
        const bool raised = edge & ring.Raised;
        const COLORREF topLeft = raised ? ring.RaisedTopLeft : ring.SunkenTopLeft;
        const COLORREF bottomRight = raised ? ring.RaisedBottomRight : ring.SunkenBottomRight;
        if (flags & BF_LEFT) FillSolid(*canvas, {r.left, r.top, r.left + 1, r.bottom}, topLeft);
        if (flags & BF_TOP) FillSolid(*canvas, {r.left, r.top, r.right, r.top + 1}, topLeft);
        if (flags & BF_RIGHT) FillSolid(*canvas, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        if (flags & BF_BOTTOM) FillSolid(*canvas, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        if (flags & BF_LEFT) ++r.left;
        if (flags & BF_TOP) ++r.top;
        if (flags & BF_RIGHT) --r.right;
        if (flags & BF_BOTTOM) --r.bottom;
    }
    if ((flags & BF_MIDDLE) && !IsEmpty(r)) FillSolid(*canvas, r, k3dFace);
    if (flags & BF_ADJUST) *rect = r;
    return 1;
}
