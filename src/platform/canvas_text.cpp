#include "canvas_internal.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>
#include <string>

using namespace QxWin;

namespace {

// A layout of one text in a canvas's font, freed with its cairo context.
class TextLayout {
public:
    TextLayout(const QxCanvas& canvas, const std::string& text) : m_Cr(cairo_create(canvas.Target())) {
        PangoContext* context = pango_font_map_create_context(QxFontMap());
        pango_cairo_update_context(m_Cr, context);
        // Whole-pixel advances keep extents the same on every canvas and between calls.
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
        m_Layout = pango_layout_new(context);
        g_object_unref(context);
        const QxFontObject* font = canvas.m_Font ? canvas.m_Font : QxDefaultFont();
        pango_layout_set_font_description(m_Layout, font->Pango);
        pango_layout_set_text(m_Layout, text.data(), static_cast<int>(text.size()));
        m_Attrs = pango_attr_list_new();
        if (font->Desc.lfUnderline)
            pango_attr_list_insert(m_Attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font->Desc.lfStrikeOut) pango_attr_list_insert(m_Attrs, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(m_Layout, m_Attrs);
    }
    ~TextLayout() {
        pango_attr_list_unref(m_Attrs);
        g_object_unref(m_Layout);
        cairo_destroy(m_Cr);
    }
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    PangoLayout* Get() const { return m_Layout; }
    cairo_t* Cairo() const { return m_Cr; }
    void Underline(int start, int end) {
        PangoAttribute* attr = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        attr->start_index = static_cast<guint>(start);
        attr->end_index = static_cast<guint>(end);
        pango_attr_list_insert(m_Attrs, attr);
        pango_layout_set_attributes(m_Layout, m_Attrs);
    }
    PangoRectangle Extents() const {
        PangoRectangle logical{};
        pango_layout_get_pixel_extents(m_Layout, nullptr, &logical);
        return logical;
    }
    // Draws the layout with its top-left corner at (x, y) in the canvas's text colour.
    void Show(double x, double y, COLORREF color) const {
        QxCairoSetColor(m_Cr, color);
        cairo_move_to(m_Cr, x, y);
        pango_cairo_show_layout(m_Cr, m_Layout);
    }
    void FillBox(double x, double y, double w, double h, COLORREF color) const {
        cairo_save(m_Cr);
        QxCairoSetColor(m_Cr, color);
        cairo_rectangle(m_Cr, x, y, w, h);
        cairo_fill(m_Cr);
        cairo_restore(m_Cr);
    }

private:
    cairo_t* m_Cr;
    PangoLayout* m_Layout;
    PangoAttrList* m_Attrs;
};

// The given bytes as valid UTF-8 (bad sequences replaced), or false for a bad count.
bool TextOf(const char* text, int count, std::string* out) {
    if (!text || count < -1) return false;
    const std::size_t length =
        count == -1 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(count));
    if (g_utf8_validate(text, static_cast<gssize>(length), nullptr)) {
        out->assign(text, length);
    } else {
        gchar* valid = g_utf8_make_valid(text, static_cast<gssize>(length));
        out->assign(valid);
        g_free(valid);
    }
    return true;
}

// Takes the '&' prefixes out of a text: "&&" stays as '&', "&x" underlines x. Returns the byte
// range of the underlined character, or -1.
std::pair<int, int> StripPrefixes(std::string* text) {
    std::string out;
    std::pair<int, int> underline{-1, -1};
    for (std::size_t i = 0; i < text->size(); ++i) {
        const char c = (*text)[i];
        if (c != '&' || i + 1 == text->size()) {
            out += c;
            continue;
        }
        ++i;
        if ((*text)[i] != '&') {
            const char* next = g_utf8_next_char(text->data() + i);
            const auto length = static_cast<std::size_t>(next - (text->data() + i));
            underline = {static_cast<int>(out.size()), static_cast<int>(out.size() + length)};
        }
        out += (*text)[i];
    }
    text->swap(out);
    return underline;
}

} // namespace

BOOL QxWin::GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size) {
    const QxCanvas* canvas = QxCanvasFind(dc);
    std::string utf8;
    if (!canvas || !size || !TextOf(text, count, &utf8)) return 0;
    TextLayout layout(*canvas, utf8);
    pango_layout_set_single_paragraph_mode(layout.Get(), TRUE);
    const PangoRectangle box = layout.Extents();
    *size = {box.width, box.height};
    return 1;
}

BOOL QxWin::TextOutA(HDC dc, int x, int y, const char* text, int count) {
    QxCanvas* canvas = QxCanvasFind(dc);
    std::string utf8;
    if (!canvas || !TextOf(text, count, &utf8)) return 0;
    TextLayout layout(*canvas, utf8);
    pango_layout_set_single_paragraph_mode(layout.Get(), TRUE);
    const PangoRectangle box = layout.Extents();
    if (canvas->m_BkMode == OPAQUE) layout.FillBox(x, y, box.width, box.height, canvas->m_BkColor);
    layout.Show(x - box.x, y, canvas->m_TextColor);
    canvas->MarkDirty();
    return 1;
}

int QxWin::DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format) {
    QxCanvas* canvas = QxCanvasFind(dc);
    std::string utf8;
    if (!canvas || !rect || !TextOf(text, count, &utf8)) return 0;
    const std::pair<int, int> underline =
        (format & DT_NOPREFIX) ? std::pair<int, int>{-1, -1} : StripPrefixes(&utf8);
    TextLayout layout(*canvas, utf8);
    if (underline.first >= 0) layout.Underline(underline.first, underline.second);
    PangoLayout* pango = layout.Get();

    const bool singleLine = format & DT_SINGLELINE;
    const bool calcRect = format & DT_CALCRECT;
    const int width = static_cast<int>(std::clamp<long long>(0LL + rect->right - rect->left, 0, 1 << 30));
    const int height =
        static_cast<int>(std::clamp<long long>(0LL + rect->bottom - rect->top, -(1 << 30), 1 << 30));
    pango_layout_set_single_paragraph_mode(pango, singleLine);
    const PangoAlignment alignment = (format & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                     : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                           : PANGO_ALIGN_LEFT;
    pango_layout_set_alignment(pango, alignment);
    // With a layout width, Pango places each line in the rectangle itself.
    bool widthSet = false;
    if ((format & DT_WORDBREAK) && !singleLine) {
        pango_layout_set_width(pango, std::max(width, 1) * PANGO_SCALE);
        pango_layout_set_wrap(pango, PANGO_WRAP_WORD);
        widthSet = true;
    }
    if (!calcRect && (format & (DT_PATH_ELLIPSIS | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))) {
        pango_layout_set_width(pango, std::max(width, 1) * PANGO_SCALE);
        pango_layout_set_ellipsize(pango, (format & DT_PATH_ELLIPSIS) ? PANGO_ELLIPSIZE_MIDDLE
                                                                      : PANGO_ELLIPSIZE_END);
        widthSet = true;
    }
    const PangoRectangle box = layout.Extents();

    if (calcRect) {
        rect->right = static_cast<LONG>(std::min<long long>(0LL + rect->left + box.width, 0x7FFFFFFF));
        rect->bottom = static_cast<LONG>(std::min<long long>(0LL + rect->top + box.height, 0x7FFFFFFF));
        return box.height;
    }
    double x = rect->left;
    if (!widthSet) {
        x -= box.x;
        if (format & DT_CENTER) x += (width - box.width) / 2;
        if (format & DT_RIGHT) x += width - box.width;
    }
    double y = rect->top;
    if (singleLine && (format & DT_VCENTER)) y += (height - box.height) / 2;
    if (singleLine && (format & DT_BOTTOM)) y += height - box.height;

    cairo_t* cr = layout.Cairo();
    if (!(format & DT_NOCLIP)) {
        cairo_rectangle(cr, rect->left, rect->top, width, std::max(height, 0));
        cairo_clip(cr);
    }
    if (canvas->m_BkMode == OPAQUE) layout.FillBox(x + box.x, y, box.width, box.height, canvas->m_BkColor);
    layout.Show(x, y, canvas->m_TextColor);
    canvas->MarkDirty();
    // With vertical alignment, the offset from the top to the bottom of the text.
    const int bottom = static_cast<int>(y - rect->top) + box.height;
    return singleLine && (format & (DT_VCENTER | DT_BOTTOM)) ? bottom : box.height;
}
