#include "canvas_internal.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>

using namespace QxWin;

namespace {

struct Entry {
    QxGdiKind Kind;
    bool Stock = false;
    bool Deleted = false; // deleted while selected: goes when the last canvas lets it go
    int Uses = 0;
    std::unique_ptr<QxGdiObject> Object;
};

std::unordered_map<const QxGdiObject*, Entry>& Registry() {
    static std::unordered_map<const QxGdiObject*, Entry> registry;
    return registry;
}

template <class T>
T* Register(std::unique_ptr<T> object, QxGdiKind kind, bool stock = false) {
    T* raw = object.get();
    Registry().emplace(raw, Entry{kind, stock, false, 0, std::move(object)});
    return raw;
}

Entry* FindEntry(const QxGdiObject* object) {
    auto& registry = Registry();
    const auto found = registry.find(object);
    return found == registry.end() ? nullptr : &found->second;
}

HPEN MakePen(int style, int width, COLORREF color, bool stock) {
    auto pen = std::make_unique<QxPenObject>();
    pen->Style = style;
    pen->Width = std::max(width, 1);
    pen->Color = color & 0xFFFFFF;
    return Register(std::move(pen), QxGdiKind::Pen, stock);
}

HBRUSH MakeBrush(bool hollow, COLORREF color, bool stock) {
    auto brush = std::make_unique<QxBrushObject>();
    brush->Hollow = hollow;
    brush->Color = color & 0xFFFFFF;
    return Register(std::move(brush), QxGdiKind::Brush, stock);
}

// The interface font: proportional, covering Japanese, with the system's sans-serif after it.
constexpr const char* kDefaultFace = "VL PGothic";
constexpr const char* kFallbackFamilies = "VL PGothic,VL Gothic,Noto Sans CJK JP,sans-serif";

// Ascent plus descent of the family per pixel of character size, to turn cell heights into sizes.
double CellPerEm(const PangoFontDescription* base) {
    static std::unordered_map<std::string, double> cache;
    const char* family = pango_font_description_get_family(base);
    const std::string key = family ? family : "";
    if (const auto found = cache.find(key); found != cache.end()) return found->second;
    PangoFontDescription* probe = pango_font_description_copy(base);
    pango_font_description_set_absolute_size(probe, 100.0 * PANGO_SCALE);
    PangoContext* context = pango_font_map_create_context(QxFontMap());
    PangoFontMetrics* metrics = pango_context_get_metrics(context, probe, nullptr);
    double ratio = 1.0;
    if (metrics) {
        const int cell = pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics);
        if (cell > 0) ratio = cell / (100.0 * PANGO_SCALE);
        pango_font_metrics_unref(metrics);
    }
    g_object_unref(context);
    pango_font_description_free(probe);
    cache.emplace(key, ratio);
    return ratio;
}

HFONT MakeFont(const LOGFONTA& desc, bool stock) {
    auto font = std::make_unique<QxFontObject>();
    font->Desc = desc;
    font->Desc.lfFaceName[LF_FACESIZE - 1] = '\0';
    std::string families = font->Desc.lfFaceName;
    if (!families.empty()) families += ',';
    families += kFallbackFamilies;
    PangoFontDescription* pango = pango_font_description_new();
    pango_font_description_set_family(pango, families.c_str());
    const int weight = desc.lfWeight <= 0 ? FW_NORMAL : std::clamp<int>(desc.lfWeight, 100, 1000);
    pango_font_description_set_weight(pango, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(pango, desc.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    // Heights beyond any screen are clamped so that a wild value cannot make a giant layout.
    const double height = std::min(std::abs(static_cast<double>(desc.lfHeight)), 2048.0);
    double em = 12.0;
    if (desc.lfHeight < 0) em = height;
    if (desc.lfHeight > 0) em = height / CellPerEm(pango);
    pango_font_description_set_absolute_size(pango, std::max(em, 1.0) * PANGO_SCALE);
    font->Pango = pango;
    return Register(std::move(font), QxGdiKind::Font, stock);
}

LOGFONTA DefaultGuiFontDesc() {
    LOGFONTA desc{};
    desc.lfHeight = -12;
    desc.lfWeight = FW_NORMAL;
    desc.lfCharSet = SHIFTJIS_CHARSET;
    std::strncpy(desc.lfFaceName, kDefaultFace, LF_FACESIZE - 1);
    return desc;
}

HGDIOBJ MakeStock(int id) {
    switch (id) {
    case WHITE_BRUSH:
        return MakeBrush(false, RGB(255, 255, 255), true);
    case LTGRAY_BRUSH:
        return MakeBrush(false, RGB(192, 192, 192), true);
    case GRAY_BRUSH:
        return MakeBrush(false, RGB(128, 128, 128), true);
    case DKGRAY_BRUSH:
        return MakeBrush(false, RGB(64, 64, 64), true);
    case BLACK_BRUSH:
        return MakeBrush(false, RGB(0, 0, 0), true);
    case NULL_BRUSH:
        return MakeBrush(true, 0, true);
    case WHITE_PEN:
        return MakePen(PS_SOLID, 1, RGB(255, 255, 255), true);
    case BLACK_PEN:
        return MakePen(PS_SOLID, 1, RGB(0, 0, 0), true);
    case NULL_PEN:
        return MakePen(PS_NULL, 1, 0, true);
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT:
        return MakeFont(DefaultGuiFontDesc(), true);
    default:
        return nullptr;
    }
}

} // namespace

QxFontObject::~QxFontObject() {
    if (Pango) pango_font_description_free(Pango);
}

QxBitmapObject::~QxBitmapObject() {
    if (Surface) cairo_surface_destroy(Surface);
}

QxGdiObject* QxGdiFind(const QxGdiObject* object, QxGdiKind kind) {
    Entry* entry = object ? FindEntry(object) : nullptr;
    if (!entry || entry->Deleted || entry->Kind != kind) return nullptr;
    return entry->Object.get();
}

bool QxGdiIsLive(const QxGdiObject* object) {
    const Entry* entry = object ? FindEntry(object) : nullptr;
    return entry && !entry->Deleted;
}

bool QxGdiIsStock(const QxGdiObject* object) {
    const Entry* entry = FindEntry(object);
    return entry && entry->Stock;
}

QxGdiKind QxGdiKindOf(const QxGdiObject* object) {
    const Entry* entry = FindEntry(object);
    return entry ? entry->Kind : QxGdiKind::Pen;
}

void QxGdiRetain(QxGdiObject* object) {
    if (Entry* entry = FindEntry(object)) ++entry->Uses;
}

void QxGdiRelease(QxGdiObject* object) {
    Entry* entry = FindEntry(object);
    if (!entry) return;
    if (entry->Uses > 0) --entry->Uses;
    if (entry->Uses == 0 && entry->Deleted) Registry().erase(object);
}

QxBitmapObject* QxDefaultBitmap() {
    static QxBitmapObject* bitmap = [] {
        auto made = std::make_unique<QxBitmapObject>();
        made->Surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        return Register(std::move(made), QxGdiKind::Bitmap, true);
    }();
    return bitmap;
}

PangoFontMap* QxFontMap() {
    static PangoFontMap* map = pango_cairo_font_map_new();
    return map;
}

QxFontObject* QxDefaultFont() {
    return static_cast<QxFontObject*>(GetStockObject(DEFAULT_GUI_FONT));
}

HGDIOBJ QxWin::GetStockObject(int id) {
    static std::array<HGDIOBJ, DEFAULT_GUI_FONT + 1> stock{};
    if (id < 0 || id > DEFAULT_GUI_FONT) return nullptr;
    if (!stock[id]) stock[id] = MakeStock(id);
    return stock[id];
}

HPEN QxWin::CreatePen(int style, int width, COLORREF color) {
    if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
    // Widths beyond any canvas are refused rather than drawn.
    if (width < 0 || width > 4096) return nullptr;
    return MakePen(style, width, color, false);
}

HBRUSH QxWin::CreateSolidBrush(COLORREF color) {
    return MakeBrush(false, color, false);
}

HFONT QxWin::CreateFontIndirectA(const LOGFONTA* font) {
    return font ? MakeFont(*font, false) : nullptr;
}

HFONT QxWin::CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                         DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName) {
    LOGFONTA desc{};
    desc.lfHeight = height;
    desc.lfWidth = width;
    desc.lfEscapement = escapement;
    desc.lfOrientation = orientation;
    desc.lfWeight = weight;
    desc.lfItalic = italic ? 1 : 0;
    desc.lfUnderline = underline ? 1 : 0;
    desc.lfStrikeOut = strikeOut ? 1 : 0;
    desc.lfCharSet = static_cast<BYTE>(charSet);
    desc.lfOutPrecision = static_cast<BYTE>(outPrecision);
    desc.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    desc.lfQuality = static_cast<BYTE>(quality);
    desc.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) std::strncpy(desc.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&desc);
}

HBITMAP QxWin::CreateCompatibleBitmap(HDC /*dc*/, int width, int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    // A new bitmap is opaque black, as a screen-compatible bitmap would be.
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto bitmap = std::make_unique<QxBitmapObject>();
    bitmap->Surface = surface;
    return Register(std::move(bitmap), QxGdiKind::Bitmap);
}

BOOL QxWin::DeleteObject(HGDIOBJ object) {
    Entry* entry = object ? FindEntry(object) : nullptr;
    if (!entry || entry->Deleted) return 0;
    if (entry->Stock) return 1;
    if (entry->Uses > 0) {
        entry->Deleted = true;
        return 1;
    }
    Registry().erase(object);
    return 1;
}

int QxWin::GetObjectA(HGDIOBJ object, int size, void* out) {
    if (const auto* font = static_cast<const QxFontObject*>(QxGdiFind(object, QxGdiKind::Font))) {
        if (!out) return sizeof(LOGFONTA);
        if (size < static_cast<int>(sizeof(LOGFONTA))) return 0;
        std::memcpy(out, &font->Desc, sizeof(LOGFONTA));
        return sizeof(LOGFONTA);
    }
    if (const auto* bitmap = static_cast<const QxBitmapObject*>(QxGdiFind(object, QxGdiKind::Bitmap))) {
        if (!out) return sizeof(BITMAP);
        if (size < static_cast<int>(sizeof(BITMAP))) return 0;
        BITMAP info{};
        info.bmWidth = cairo_image_surface_get_width(bitmap->Surface);
        info.bmHeight = cairo_image_surface_get_height(bitmap->Surface);
        info.bmWidthBytes = cairo_image_surface_get_stride(bitmap->Surface);
        info.bmPlanes = 1;
        info.bmBitsPixel = 32;
        std::memcpy(out, &info, sizeof(BITMAP));
        return sizeof(BITMAP);
    }
    return 0;
}
