#pragma once

#include "qx/basis/array.h"
#include "qx/basis/ptr_array.h"
#include "qx/export.h"
#include "qx/math/point_rect.h"
#include "qx/platform/gdi_object.h"

// How a key's tangent gets its slope.
enum QX_TAN_TYPE : unsigned char {
    QX_TAN_JOINED = 0,    // automatic, the same slope on both sides of the key
    QX_TAN_SEPARATED = 1, // automatic, each side aimed at its neighbouring key
    QX_TAN_FIXED = 2,     // set by hand: the stored slope is kept
};

// One key of a curve: a value at a frame with the slopes (value per frame) of the curve entering
// and leaving it, how each slope is made, and the selection of the key and of its two tangent
// handles.
class QX_API CQxSplineNode {
public:
    CQxSplineNode() = default;
    CQxSplineNode(float x, float y) : X(x), Y(y) {}

    float X = 0.0f;
    float Y = 0.0f;
    float PrevTan = 0.0f;
    float NextTan = 0.0f;
    unsigned int Index = 0;
    unsigned char IsSeparated = 0;
    unsigned char PrevTanType = QX_TAN_JOINED;
    unsigned char NextTanType = QX_TAN_JOINED;
    unsigned char IsSelect = 0;
    unsigned char IsPrevTanSelect = 0;
    unsigned char IsNextTanSelect = 0;

    void Select(int on) { IsSelect = on ? 1 : 0; }
    void ToggleSelect() { IsSelect = IsSelect ? 0 : 1; }
    void SelectPrevTan(int on) { IsPrevTanSelect = on ? 1 : 0; }
    void SelectNextTan(int on) { IsNextTanSelect = on ? 1 : 0; }
    // Tangent angles (radians, in frame/value units: the slope is their tangent). Setting a side
    // of a joined key sets both; the side(s) set become fixed. Angles are held within
    // (-pi/2, pi/2) so a slope never turns vertical.
    void SetPrevTanAngle(float angle);
    void SetNextTanAngle(float angle);
    void AddPrevTanAngle(float delta);
    void AddNextTanAngle(float delta);
    float GetPrevTanAngle() const;
    float GetNextTanAngle() const;

    // Where the key and the ends of its entering and leaving tangent handles (tanSize pixels
    // long, drawn along the slopes as they look on screen) fall in a view whose rectangle shows
    // frames minX..maxX left to right and values minY..maxY bottom to top. 0 when the view is
    // empty or its range is not a finite, non-empty span.
    int GetPixelPoints(CQxPoint& point, CQxPoint& prevTanPoint, CQxPoint& nextTanPoint, unsigned int tanSize,
                       const CQxRect& rect, const float& minX, const float& maxX, const float& minY,
                       const float& maxY) const;
};

// A curve through keys ordered by frame: piecewise cubic Hermite, each piece running from one
// key's value with its leaving slope to the next key's value with its entering slope. The value
// is exact at every key and constant before the first key and after the last.
//
// UpdateEquations makes the automatic slopes:
// - joined keys take one smooth slope: zero at the ends of the curve and where the curve turns
//   (a key not between its neighbours' values, or equal to one of them), so the curve never
//   overshoots its keys, and otherwise the harmonic mean of the slopes to the neighbours;
// - separated keys aim each side at the neighbouring key (a corner, as in a polyline);
// - fixed slopes stay as set; a joined key with one fixed side takes that slope on both.
class QX_API CQxSpline {
public:
    // Copies are deep: every key is copied.
    CQxSpline() = default;

    // The keys in frame order (after UpdateEquations(1) when frames were edited in place).
    const CQxPtrArray<CQxSplineNode>& Nodes() const { return m_Nodes; }
    unsigned int GetNodeCount() const { return m_Nodes.GetSize(); }
    // A key at the frame takes the value; otherwise a new key is inserted in frame order. Null
    // for a frame or value that is not finite.
    CQxSplineNode* InsertNode(float x, float y);
    // Deletes the key at exactly that frame; 0 when there is none.
    int DeleteNode(float x);
    // Deletes this key (0 when it is not one of this curve's).
    int DeleteNode(const CQxSplineNode* node);
    CQxSplineNode* GetNode(float x) const;
    void ClearNodes();

    // The value at a frame; 0 (and y untouched) for a curve without keys.
    int CalcY(const float& x, float& y) const;
    int IsNodesEmpty() const { return m_Nodes.IsEmpty(); }
    // Recomputes the automatic slopes; sort first re-orders the keys by frame (after moves).
    void UpdateEquations(int sort);
    void UpdateNodeIndices();
    // The smallest and largest frame and value of the keys; 0 for an empty curve.
    int GetNodeRange(float& minX, float& maxX, float& minY, float& maxY) const;

    // Keys at exactly the frame; the distinct frames of the keys, ascending. Each returns whether
    // it found any.
    int GetXNodes(CQxArray<CQxSplineNode*>& nodes, float x) const;
    int GetUniqueXs(CQxArray<float>& xs) const;
    // Selected keys; selected keys and the keys of selected tangent handles (entering, leaving).
    int GetSelectNodes(CQxArray<CQxSplineNode*>& nodes) const;
    int GetSelects(CQxArray<CQxSplineNode*>& nodes, CQxArray<CQxSplineNode*>& prevTans,
                   CQxArray<CQxSplineNode*>& nextTans) const;
    // The selected keys when every one of them sits at the reference key's frame and value
    // (0, and nothing, when a selected key lies elsewhere or none is selected).
    int GetSelectSamePosNodes(CQxArray<CQxSplineNode*>& nodes, const CQxSplineNode& reference) const;
    void SelectNodes(int on);
    void ToggleSelectNodes();

    // Picking in a view (see CQxSplineNode::GetPixelPoints). A key or handle end is pickable
    // where it lies inside the view, within pickSize / 2 pixels of the point (straight-line
    // distance). The single form finds the one mark strictly closer than `distance`, lowers
    // `distance` to it and names it through the matching out-pointer (the other two become
    // null); the array form gathers every mark at the closest distance that is not farther
    // than `distance`, so marks of other curves at the same distance can join them.
    int IsPointHit(unsigned int pickSize, unsigned int tanSize, const CQxPoint& point, float& distance,
                   const CQxRect& rect, const float& minX, const float& maxX, const float& minY,
                   const float& maxY, CQxSplineNode** node, CQxSplineNode** prevTan,
                   CQxSplineNode** nextTan) const;
    int IsPointHit(unsigned int pickSize, unsigned int tanSize, const CQxPoint& point, float& distance,
                   const CQxRect& rect, const float& minX, const float& maxX, const float& minY,
                   const float& maxY, CQxArray<CQxSplineNode*>& nodes, CQxArray<CQxSplineNode*>& prevTans,
                   CQxArray<CQxSplineNode*>& nextTans) const;
    // The keys and handle ends inside both the pick rectangle and the view.
    int IsRectHit(unsigned int tanSize, const CQxRect& pick, const CQxRect& rect, const float& minX,
                  const float& maxX, const float& minY, const float& maxY, CQxArray<CQxSplineNode*>& nodes,
                  CQxArray<CQxSplineNode*>& prevTans, CQxArray<CQxSplineNode*>& nextTans) const;

    // Draws the curve in a view (the mapping of GetPixelPoints) with the pen selected into the
    // device context, then every key as a square pickSize - 1 pixels around it and both tangent
    // handles as lines with a small square at the end: in the key pen and brush, or in the
    // second pair where the key or handle is selected. Everything stays inside the rectangle,
    // and marks are drawn exactly where the picks find them. The context's pen and brush are
    // left as they were.
    void DrawGraph(HDC dc, unsigned int pickSize, unsigned int tanSize, HPEN keyPen, HBRUSH keyBrush,
                   HPEN selectPen, HBRUSH selectBrush, const CQxRect& rect, const float& minX, const float& maxX,
                   const float& minY, const float& maxY) const;

private:
    void SortNodes();
    float ValueAt(float x) const;
    // ValueAt for frames asked in increasing order: `after` keeps the first key past the last
    // frame asked, so a sweep over a curve walks its keys once.
    float ValueAt(float x, unsigned int& after) const;
    // The piece that ends at key `after`, at frame x.
    float PieceAt(unsigned int after, float x) const;
    float AutoSlope(unsigned int i) const;
    float SecantSlope(unsigned int from, unsigned int to) const;

    CQxPtrArray<CQxSplineNode> m_Nodes;
};
