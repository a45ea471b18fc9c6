#pragma once

#include "qx/export.h"
#include "qx/math/point_rect.h"
#include "qx/platform/gdi_object.h"
#include "qx/platform/types.h"

class CQxModel;
class CQxScene;

// The curve editor: the keyed channels of one model's animation as curves over frames, on a host
// window. Frames run left to right (MinX..MaxX) and values bottom to top (MinY..MaxY); rulers
// with labels sit left and below the curve rectangle. Drawing goes into a back buffer of the
// window's size and is copied to the device context the host paints with.
//
// Middle and right drags pan and the wheel zooms here; left buttons, moves and keys go to the
// scene's graph tool manager with this view, whose tools pick in the curve rectangle that the
// last draw laid out (GetRects).
class QX_API CQxGraphView {
public:
    CQxGraphView() = default;
    CQxGraphView(const CQxGraphView&) = delete;
    CQxGraphView& operator=(const CQxGraphView&) = delete;

    // --- Virtual interface, in its fixed order ------------------------------------------------
    // Deletes every drawing object the view made.
    virtual ~CQxGraphView();
    // 0 without a scene or a window. Makes the font and the pens and brushes; the size comes
    // with OnSize.
    virtual int Create(CQxScene* scene, HWND window, unsigned int width, unsigned int height);
    virtual void Invalidate(RECT* rect, int erase);
    // Draws the model's curves (none for a null model) into the back buffer and copies it to dc.
    virtual void OnDraw(CQxModel* model, HDC dc);
    // Makes a back buffer of cx x cy (none when either is 0).
    virtual void OnSize(unsigned int type, int cx, int cy);
    virtual void OnLButtonDown(CQxModel* model, unsigned int flags, CQxPoint point);
    virtual void OnLButtonUp(CQxModel* model, unsigned int flags, CQxPoint point);
    virtual void OnMButtonDown(CQxModel* model, unsigned int flags, CQxPoint point);
    virtual void OnMButtonUp(CQxModel* model, unsigned int flags, CQxPoint point);
    // Right drags pan, as middle drags do.
    virtual void OnRButtonDown(CQxModel* model, unsigned int flags, CQxPoint point);
    virtual void OnRButtonUp(CQxModel* model, unsigned int flags, CQxPoint point);
    virtual void OnMouseMove(CQxModel* model, unsigned int flags, CQxPoint point);
    // Zooms by whole notches (120 a notch); forward widens the shown range.
    virtual void OnMouseWheel(CQxModel* model, unsigned int flags, short delta, CQxPoint point);
    virtual void OnKeyDown(CQxModel* model, unsigned int key, unsigned int repeat, unsigned int flags);
    virtual HWND GetHwnd() const { return m_Window; }
    virtual unsigned int GetWidth() const { return m_Width; }
    virtual unsigned int GetHeight() const { return m_Height; }
    // --- End of the fixed virtual interface ----------------------------------------------------

    // 0 (and the range kept) when either span is empty or not finite; otherwise each range is
    // taken in order, smaller first.
    int SetRange(float x0, float x1, float y0, float y1);
    // Scales both ranges about their centres by QxZoomRate() per step; positive steps widen.
    void Zoom(int steps);
    // The view and curve rectangles of the last draw; 0 when it could not lay them out.
    int GetRects(CQxRect& viewRect, CQxRect& curveRect) const;

    CQxScene* GetScene() const { return m_Scene; }
    const float& MinX() const { return m_MinX; }
    const float& MaxX() const { return m_MaxX; }
    const float& MinY() const { return m_MinY; }
    const float& MaxY() const { return m_MaxY; }
    int IsPanning() const { return m_IsPanning; }
    int GetMargin() const { return m_Margin; }

    // The first position at or above min that is a multiple of step, and the step a ruler uses
    // for ticks (at least 4 pixels apart) or labels (labelSize + 6): the first of 1, 2, 5, 10,
    // 20, 100, 200, 500, 1000, ... whose length on a ruler of `length` pixels showing `span`
    // units reaches minPixels. 0 when the span or length is not positive and finite.
    static float GetRulerStart(float min, float step);
    static float GetRulerStep(float span, int length, int minPixels);

private:
    void DeleteObjects();
    void Pan(CQxPoint point);
    // The rulers below and left of the curve rectangle, with their grid lines across the view.
    void DrawXRuler(HDC dc, const CQxRect& viewRect, const CQxRect& rulerRect) const;
    void DrawYRuler(HDC dc, const CQxRect& viewRect, const CQxRect& rulerRect) const;
    // The scene's current frame as a vertical line, when it falls inside the curve rectangle.
    void DrawCurFrame(HDC dc) const;
    // A graph select gesture's rubber band in this view, while one is shown.
    void DrawRubberBand(HDC dc) const;

    HWND m_Window = nullptr;
    HBITMAP m_BackBuffer = nullptr;
    unsigned int m_Width = 0;
    unsigned int m_Height = 0;
    CQxScene* m_Scene = nullptr;
    HFONT m_Font = nullptr;
    HPEN m_GridPen = nullptr;
    HPEN m_FramePen = nullptr;
    HBRUSH m_BackBrush = nullptr;
    HPEN m_KeyPen = nullptr;
    HBRUSH m_KeyBrush = nullptr;
    HPEN m_KeyPen2 = nullptr;
    HBRUSH m_KeyBrush2 = nullptr;
    HPEN m_RedPen = nullptr;
    HPEN m_GreenPen = nullptr;
    HPEN m_BluePen = nullptr;
    HPEN m_YellowPen = nullptr;
    int m_Margin = 0;
    SIZE m_XLabelSize{0, 0};
    SIZE m_YLabelSize{0, 0};
    CQxRect m_ViewRect;
    CQxRect m_CurveRect;
    int m_IsRectsValid = 0;
    float m_MinX = 1.0f;
    float m_MaxX = 30.0f;
    float m_MinY = -20.0f;
    float m_MaxY = 20.0f;
    int m_IsPanning = 0;
    CQxPoint m_LastPanPoint;
    // The current frame's line (a pen of its own, after the fixed fields).
    HPEN m_CurFramePen = nullptr;
};
