#include "qx/views/graph_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "qx/animation/anim.h"
#include "qx/platform/canvas.h"
#include "qx/platform/window.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"
#include "qx/tools/graph_tools.h"

using namespace QxWin;

namespace {

constexpr COLORREF kGridColor = 0x555555;
constexpr COLORREF kBackColor = 0x696969;
constexpr COLORREF kCurFrameColor = RGB(255, 0, 255);
constexpr int kTickLength = 8;
constexpr int kRulerPad = 11;

// The label "%d" of a ruler position, held inside the int range.
int LabelText(double value, char (&text)[16]) {
    const double clamped = std::clamp(std::trunc(value), -2147483648.0, 2147483647.0);
    return std::snprintf(text, sizeof text, "%d", static_cast<int>(clamped));
}

SIZE TextSize(HDC dc, double value) {
    char text[16];
    const int length = LabelText(value, text);
    SIZE size{0, 0};
    GetTextExtentPoint32(dc, text, length, &size);
    return size;
}

SIZE Larger(const SIZE& a, const SIZE& b) {
    return {std::max(a.cx, b.cx), std::max(a.cy, b.cy)};
}

// Calls f(position) at every multiple of step from min up to max, at most `limit` times.
template <class F>
void ForEachStep(float min, float max, float step, int limit, F f) {
    if (!(step > 0.0f)) return;
    const double start = CQxGraphView::GetRulerStart(min, step);
    for (int k = 0; k <= limit; ++k) {
        const double position = start + static_cast<double>(k) * step;
        if (position > max) break;
        f(position);
    }
}

int Trunc(double v) {
    return static_cast<int>(std::trunc(std::clamp(v, -1073741824.0, 1073741824.0)));
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

} // namespace

// --- Life ------------------------------------------------------------------------------------------

CQxGraphView::~CQxGraphView() {
    if (m_IsPanning && m_Window && GetCapture() == m_Window) ReleaseCapture();
    // A graph gesture running in this view ends with it (only while its scene still lives).
    const CQxSceneList& scenes = CQxSceneList::Instance();
    for (unsigned int i = 0; m_Scene && i < scenes.GetSceneCount(); ++i)
        if (scenes.GetScene(i) == m_Scene) {
            if (auto* tool =
                    dynamic_cast<CQxGraphSelectTool*>(m_Scene->GraphToolManager().GetCurToolObject()))
                if (tool->GetSelectView() == this) m_Scene->GraphToolManager().EndOperation();
            break;
        }
    DeleteObjects();
}

void CQxGraphView::DeleteObjects() {
    if (m_BackBuffer) DeleteObject(m_BackBuffer);
    m_BackBuffer = nullptr;
    if (m_Font) DeleteObject(m_Font);
    m_Font = nullptr;
    for (HPEN* pen : {&m_GridPen, &m_FramePen, &m_KeyPen, &m_KeyPen2, &m_RedPen, &m_GreenPen, &m_BluePen,
                      &m_YellowPen, &m_CurFramePen}) {
        if (*pen) DeleteObject(*pen);
        *pen = nullptr;
    }
    for (HBRUSH* brush : {&m_BackBrush, &m_KeyBrush, &m_KeyBrush2}) {
        if (*brush) DeleteObject(*brush);
        *brush = nullptr;
    }
}

int CQxGraphView::Create(CQxScene* scene, HWND window, unsigned int /*width*/, unsigned int /*height*/) {
    if (!scene || !window) return 0;
    DeleteObjects();
    m_Window = window;
    m_Scene = scene;
    LOGFONTA font{};
    GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = 10;
    m_Font = CreateFontIndirect(&font);
    m_GridPen = CreatePen(PS_SOLID, 0, kGridColor);
    m_FramePen = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    m_BackBrush = CreateSolidBrush(kBackColor);
    m_KeyPen = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    m_KeyBrush = CreateSolidBrush(RGB(0, 0, 0));
    m_KeyPen2 = CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
    m_KeyBrush2 = CreateSolidBrush(RGB(255, 255, 255));
    m_RedPen = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
    m_GreenPen = CreatePen(PS_SOLID, 0, RGB(0, 255, 0));
    m_BluePen = CreatePen(PS_SOLID, 0, RGB(0, 0, 255));
    m_YellowPen = CreatePen(PS_SOLID, 0, RGB(255, 255, 0));
    m_CurFramePen = CreatePen(PS_SOLID, 0, kCurFrameColor);
    m_Margin = 4;
    return 1;
}

void CQxGraphView::Invalidate(RECT* rect, int erase) {
    if (m_Window) InvalidateRect(m_Window, rect, erase);
}

void CQxGraphView::OnSize(unsigned int /*type*/, int cx, int cy) {
    if (m_BackBuffer) DeleteObject(m_BackBuffer);
    m_BackBuffer = nullptr;
    m_Width = cx > 0 ? static_cast<unsigned int>(cx) : 0;
    m_Height = cy > 0 ? static_cast<unsigned int>(cy) : 0;
    if (cx == 0 || cy == 0 || !m_Window) return;
    HDC dc = GetDC(m_Window);
    m_BackBuffer = CreateCompatibleBitmap(dc, cx, cy);
    ReleaseDC(m_Window, dc);
}

// --- The range shown ---------------------------------------------------------------------------------

int CQxGraphView::SetRange(float x0, float x1, float y0, float y1) {
    for (float v : {x0, x1, y0, y1})
        if (!std::isfinite(v)) return 0;
    if (x0 == x1 || y0 == y1) return 0;
    // A span that overflows cannot be mapped to pixels.
    if (!std::isfinite(std::fabs(x1 - x0)) || !std::isfinite(std::fabs(y1 - y0))) return 0;
    m_MinX = std::min(x0, x1);
    m_MaxX = std::max(x0, x1);
    m_MinY = std::min(y0, y1);
    m_MaxY = std::max(y0, y1);
    return 1;
}

void CQxGraphView::Zoom(int steps) {
    if (steps == 0) return;
    const float scale = std::pow(QxZoomRate(), static_cast<float>(steps));
    const float cx = (m_MinX + m_MaxX) / 2.0f, cy = (m_MinY + m_MaxY) / 2.0f;
    if (SetRange(cx + (m_MinX - cx) * scale, cx + (m_MaxX - cx) * scale, cy + (m_MinY - cy) * scale,
                 cy + (m_MaxY - cy) * scale))
        Invalidate(nullptr, 0);
}

void CQxGraphView::Pan(CQxPoint point) {
    RECT client{};
    if (!GetClientRect(m_Window, &client) || client.right <= client.left || client.bottom <= client.top)
        return;
    const float w = static_cast<float>(client.right - client.left);
    const float h = static_cast<float>(client.bottom - client.top);
    const float dx = -(m_MaxX - m_MinX) * static_cast<float>(point.x - m_LastPanPoint.x) / w;
    const float dy = static_cast<float>(point.y - m_LastPanPoint.y) * (m_MaxY - m_MinY) / h;
    SetRange(m_MinX + dx, m_MaxX + dx, m_MinY + dy, m_MaxY + dy);
    m_LastPanPoint = point;
    Invalidate(nullptr, 0);
}

int CQxGraphView::GetRects(CQxRect& viewRect, CQxRect& curveRect) const {
    if (!m_IsRectsValid) return 0;
    viewRect = m_ViewRect;
    curveRect = m_CurveRect;
    return 1;
}

// --- Input ---------------------------------------------------------------------------------------------

void CQxGraphView::OnLButtonDown(CQxModel* model, unsigned int flags, CQxPoint point) {
    if (m_Scene) m_Scene->GraphToolManager().OnLButtonDown(model, this, flags, point);
}

void CQxGraphView::OnLButtonUp(CQxModel* model, unsigned int flags, CQxPoint point) {
    if (m_Scene) m_Scene->GraphToolManager().OnLButtonUp(model, this, flags, point);
}

void CQxGraphView::OnMButtonDown(CQxModel* /*model*/, unsigned int /*flags*/, CQxPoint point) {
    m_LastPanPoint = point;
    m_IsPanning = 1;
    if (m_Window) SetCapture(m_Window);
}

void CQxGraphView::OnMButtonUp(CQxModel* /*model*/, unsigned int /*flags*/, CQxPoint /*point*/) {
    if (m_IsPanning && m_Window && GetCapture() == m_Window) ReleaseCapture();
    m_IsPanning = 0;
}

void CQxGraphView::OnRButtonDown(CQxModel* model, unsigned int flags, CQxPoint point) {
    OnMButtonDown(model, flags, point);
}

void CQxGraphView::OnRButtonUp(CQxModel* model, unsigned int flags, CQxPoint point) {
    OnMButtonUp(model, flags, point);
}

void CQxGraphView::OnMouseMove(CQxModel* model, unsigned int flags, CQxPoint point) {
    if (m_IsPanning)
        Pan(point);
    else if (m_Scene)
        m_Scene->GraphToolManager().OnMouseMove(model, this, flags, point);
}

void CQxGraphView::OnMouseWheel(CQxModel* /*model*/, unsigned int /*flags*/, short delta,
                                CQxPoint /*point*/) {
    Zoom(delta / 120);
}

void CQxGraphView::OnKeyDown(CQxModel* model, unsigned int key, unsigned int repeat, unsigned int flags) {
    if (m_Scene) m_Scene->GraphToolManager().OnKeyDown(model, this, key, repeat, flags);
}

// --- Drawing -------------------------------------------------------------------------------------------

float CQxGraphView::GetRulerStart(float min, float step) {
    if (!(step > 0.0f)) return min;
    const double q = static_cast<double>(min) / step;
    if (q == std::trunc(q)) return min;
    return static_cast<float>((q >= 0.0 ? std::trunc(q) + 1.0 : std::trunc(q)) * step);
}

float CQxGraphView::GetRulerStep(float span, int length, int minPixels) {
    if (!(span > 0.0f) || !std::isfinite(span) || length <= 0) return 0.0f;
    static constexpr float kFactors[] = {2.0f, 2.5f, 2.0f, 2.0f, 5.0f};
    double step = 1.0;
    for (int i = 0; i < 400 && std::isfinite(step); ++i) {
        if (step * length / span >= minPixels) return static_cast<float>(step);
        step = std::trunc(step * kFactors[i % 5]);
    }
    return 0.0f;
}

void CQxGraphView::DrawXRuler(HDC dc, const CQxRect& viewRect, const CQxRect& rulerRect) const {
    if (rulerRect.IsRectEmpty() || !(m_MinX < m_MaxX)) return;
    const double width = rulerRect.Width(), span = static_cast<double>(m_MaxX) - m_MinX;
    const auto pixel = [&](double f) { return Trunc((f - m_MinX) * width / span + rulerRect.left); };
    const int limit = rulerRect.Width() + 1;
    const float tick = GetRulerStep(m_MaxX - m_MinX, rulerRect.Width(), 4);
    ForEachStep(m_MinX, m_MaxX, tick, limit, [&](double f) {
        const int x = pixel(f);
        Line(dc, x, rulerRect.top, x, rulerRect.top + kTickLength);
    });
    const float label = GetRulerStep(m_MaxX - m_MinX, rulerRect.Width(), m_XLabelSize.cx + 6);
    ForEachStep(m_MinX, m_MaxX, label, limit, [&](double f) {
        const int x = pixel(f);
        Line(dc, x, viewRect.top, x, viewRect.bottom);
        char text[16];
        const int length = LabelText(f, text);
        SIZE size{0, 0};
        GetTextExtentPoint32(dc, text, length, &size);
        if (x + 3 + size.cx > rulerRect.right) return;
        RECT box{x + 3, rulerRect.top + kTickLength, rulerRect.right, rulerRect.bottom};
        DrawText(dc, text, length, &box, DT_SINGLELINE | DT_PATH_ELLIPSIS);
    });
}

void CQxGraphView::DrawYRuler(HDC dc, const CQxRect& viewRect, const CQxRect& rulerRect) const {
    if (rulerRect.IsRectEmpty() || !(m_MinY < m_MaxY)) return;
    const double height = rulerRect.Height(), span = static_cast<double>(m_MaxY) - m_MinY;
    const auto pixel = [&](double v) { return Trunc(rulerRect.bottom - (v - m_MinY) * height / span); };
    const int limit = rulerRect.Height() + 1;
    const float tick = GetRulerStep(m_MaxY - m_MinY, rulerRect.Height(), 4);
    ForEachStep(m_MinY, m_MaxY, tick, limit, [&](double v) {
        const int y = pixel(v);
        Line(dc, rulerRect.right - kTickLength, y, rulerRect.right, y);
    });
    const float label = GetRulerStep(m_MaxY - m_MinY, rulerRect.Height(), m_YLabelSize.cy + 6);
    ForEachStep(m_MinY, m_MaxY, label, limit, [&](double v) {
        const int y = pixel(v);
        Line(dc, viewRect.left, y, viewRect.right, y);
        char text[16];
        const int length = LabelText(v, text);
        SIZE size{0, 0};
        GetTextExtentPoint32(dc, text, length, &size);
        if (y - 3 - size.cy < rulerRect.top) return;
        RECT box{rulerRect.left, rulerRect.top, rulerRect.right - kTickLength, y - 3};
        DrawText(dc, text, length, &box, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_PATH_ELLIPSIS);
    });
}

void CQxGraphView::DrawCurFrame(HDC dc) const {
    if (!m_Scene || m_CurveRect.IsRectEmpty()) return;
    const double span = static_cast<double>(m_MaxX) - m_MinX;
    const double x = (m_Scene->CurFrame() - m_MinX) * m_CurveRect.Width() / span + m_CurveRect.left;
    if (!(x >= m_CurveRect.left && x < m_CurveRect.right)) return;
    const HGDIOBJ old = SelectObject(dc, m_CurFramePen);
    Line(dc, Trunc(x), m_CurveRect.top, Trunc(x), m_CurveRect.bottom);
    SelectObject(dc, old);
}

void CQxGraphView::DrawRubberBand(HDC dc) const {
    if (!m_Scene) return;
    const auto* tool =
        dynamic_cast<const CQxGraphSelectTool*>(m_Scene->GraphToolManager().GetCurToolObject());
    if (!tool || !tool->IsRubberBandShown() || tool->GetSelectView() != this) return;
    const CQxRect band = tool->GetRubberBand();
    const RECT rect{band.left, band.top, band.right, band.bottom};
    DrawFocusRect(dc, &rect);
}

void CQxGraphView::OnDraw(CQxModel* model, HDC dc) {
    m_IsRectsValid = 0;
    RECT client{};
    if (!m_BackBuffer || !GetClientRect(m_Window, &client) || client.right <= client.left ||
        client.bottom <= client.top)
        return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    const HGDIOBJ oldBitmap = SelectObject(memory, m_BackBuffer);
    const HGDIOBJ oldBrush = SelectObject(memory, m_BackBrush);
    PatBlt(memory, client.left, client.top, client.right - client.left, client.bottom - client.top, PATCOPY);

    CQxRect view(client.left, client.top, client.right, client.bottom);
    if (view.Width() > 2 * m_Margin && view.Height() > 2 * m_Margin) {
        m_IsRectsValid = 1;
        view.DeflateRect(m_Margin, m_Margin);
        const HGDIOBJ oldFont = SelectObject(memory, m_Font);
        const HGDIOBJ oldPen = SelectObject(memory, m_GridPen);
        SetBkMode(memory, TRANSPARENT);
        m_XLabelSize = Larger(TextSize(memory, m_MinX), TextSize(memory, m_MaxX));
        m_YLabelSize = Larger(TextSize(memory, m_MinY), TextSize(memory, m_MaxY));

        // The y ruler is a column on the left, the x ruler a row at the bottom; the curves get
        // the rest.
        const int rulerWidth = std::min(m_YLabelSize.cx + kRulerPad, view.Width());
        const int rulerHeight = std::min(m_XLabelSize.cy + kRulerPad, view.Height());
        m_ViewRect = view;
        m_CurveRect.Set(view.left + rulerWidth, view.top, view.right, view.bottom - rulerHeight);
        const CQxRect xRuler(m_CurveRect.left, m_CurveRect.bottom, view.right, view.bottom);
        const CQxRect yRuler(view.left, view.top, m_CurveRect.left, m_CurveRect.bottom);
        DrawXRuler(memory, view, xRuler);
        DrawYRuler(memory, view, yRuler);

        SelectObject(memory, m_FramePen);
        const POINT border[5] = {{m_CurveRect.left, m_CurveRect.top},
                                 {m_CurveRect.right - 1, m_CurveRect.top},
                                 {m_CurveRect.right - 1, m_CurveRect.bottom - 1},
                                 {m_CurveRect.left, m_CurveRect.bottom - 1},
                                 {m_CurveRect.left, m_CurveRect.top}};
        Polyline(memory, border, 5);
        DrawCurFrame(memory);
        if (model)
            model->Anim().DrawTracks(memory, m_RedPen, m_GreenPen, m_BluePen, m_YellowPen, m_KeyPen,
                                     m_KeyBrush, m_KeyPen2, m_KeyBrush2, m_CurveRect, m_MinX, m_MaxX, m_MinY,
                                     m_MaxY);
        DrawRubberBand(memory);
        SelectObject(memory, oldPen);
        SelectObject(memory, oldFont);
    }
    SelectObject(memory, oldBrush);
    RECT edge = client;
    DrawEdge(memory, &edge, BDR_SUNKENINNER, BF_RECT);
    if (dc)
        BitBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, memory,
               client.left, client.top, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
}
