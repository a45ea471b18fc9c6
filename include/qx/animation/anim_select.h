#pragma once

#include "qx/basis/array.h"
#include "qx/basis/ptr_array.h"
#include "qx/export.h"
#include "qx/math/spline.h"
#include "qx/math/vector2d.h"

class CQxAnimItem;

// Which items a bulk selection of a model's animation touches; the target (object, vertex,
// face, corner, edge or attribute) is given beside it where the kind needs one.
enum QX_ANIM_SELECT_TYPE : unsigned int {
    QX_ANIM_SELECT_OBJECTS = 0,
    QX_ANIM_SELECT_VERTICES = 1,
    QX_ANIM_SELECT_HALFEDGES = 2,
    QX_ANIM_SELECT_EDGES = 3,
    QX_ANIM_SELECT_ATTRIBUTES = 4,
    QX_ANIM_SELECT_OBJECT = 5,
    QX_ANIM_SELECT_OBJECT_VERTICES = 6,
    QX_ANIM_SELECT_VERTEX = 7,
    QX_ANIM_SELECT_OBJECT_HALFEDGES = 8,
    QX_ANIM_SELECT_FACE = 9,
    QX_ANIM_SELECT_HALFEDGE = 10,
    QX_ANIM_SELECT_OBJECT_EDGES = 11,
    QX_ANIM_SELECT_EDGE = 12,
    QX_ANIM_SELECT_ATTRIBUTE = 13,
};

// A pick in the curve editor: one item with some of its keys and of their tangent handles
// (entering ones in PrevTans, leaving ones in NextTans). With all three lists empty the record
// names the whole item. Nothing is owned.
class QX_API CQxAnimItemSelect {
public:
    CQxAnimItemSelect() = default;
    explicit CQxAnimItemSelect(const CQxAnimItem* item) : Item(const_cast<CQxAnimItem*>(item)) {}
    virtual ~CQxAnimItemSelect() = default;

    CQxAnimItem* Item = nullptr;
    CQxArray<CQxSplineNode*> Nodes;
    CQxArray<CQxSplineNode*> PrevTans;
    CQxArray<CQxSplineNode*> NextTans;

    void Clear();
    void ClearNodes() { Nodes.Clear(); }
    void ClearTans();
    void ClearSubItems();
    int HasNodes() const { return !Nodes.IsEmpty(); }
    int HasTans() const { return !PrevTans.IsEmpty() || !NextTans.IsEmpty(); }
    int HasSubItems() const { return HasNodes() || HasTans(); }
    int HasSelectNodes() const;
    int HasSelectTans() const;
    int HasSelectSubItems() const { return HasSelectNodes() || HasSelectTans(); }

    // The whole item, or the named keys (tangents are selected with SelectTans).
    void Select(int on) const;
    void ToggleSelect() const;
    void SelectNodes(int on) const;
    void SelectTans(int on) const;
    // Moves the named keys by (frames, value); update re-sorts the curve and remakes its slopes.
    void MoveNodes(const CQxVector2D& offset, int update) const;
    // One angle per named tangent, entering ones first; each becomes fixed.
    void SetTanAngles(const CQxArray<float>& angles, int update) const;
    void AddTanAngles(const float& delta, int update) const;
    void UpdateNodeIndices() const;

    // Each clears its output and returns whether it has anything: the named keys' indices and
    // positions; the named tangents' slopes, angles and types (entering ones first).
    int GetNodeIndices(CQxArray<unsigned int>& indices) const;
    int GetNodePositions(CQxArray<CQxVector2D>& positions) const;
    int GetTans(CQxArray<float>& slopes) const;
    int GetTanAngles(CQxArray<float>& angles) const;
    int GetTanTypes(CQxArray<unsigned char>& types) const;

    // The pixel end of the first selected named tangent handle (entering ones first) and of its
    // key, in a view showing frames minX..maxX and values minY..maxY; 0 when no named tangent
    // is selected or the view cannot place it.
    int GetSelectTanPoint(CQxPoint& tanPoint, CQxPoint& keyPoint, unsigned int tanSize, const CQxRect& rect,
                          const float& minX, const float& maxX, const float& minY, const float& maxY) const;

private:
    CQxSpline* Spline() const;
};

// A set of records, owned.
class QX_API CQxAnimItemSelects {
public:
    CQxAnimItemSelects() = default;
    virtual ~CQxAnimItemSelects() = default;

    CQxPtrArray<CQxAnimItemSelect>& Selects() { return m_Selects; }
    const CQxPtrArray<CQxAnimItemSelect>& Selects() const { return m_Selects; }
    unsigned int GetSize() const { return m_Selects.GetSize(); }
    int IsEmpty() const { return m_Selects.IsEmpty(); }
    CQxAnimItemSelect* operator[](unsigned int i) const { return m_Selects[i]; }
    CQxAnimItemSelect* Add(const CQxAnimItemSelect& select);
    void Clear() { m_Selects.Clear(); }

    void Select(int on) const;
    void ToggleSelect() const;
    int HasNodes() const;
    int HasTans() const;
    int HasSelectNodes() const;
    int HasSelectTans() const;
    int HasSelectSubItems() const;
    void SelectNodes(int on) const;
    void SelectTans(int on) const;
    void MoveNodes(const CQxVector2D& offset, int update) const;
    void AddTanAngles(const float& delta, int update) const;
    // Record i takes the i-th list of angles.
    void SetTanAngles(const CQxPtrArray<CQxArray<float>>& angles, int update) const;
    void UpdateNodeIndices() const;
    int GetNodeIndices(CQxPtrArray<CQxArray<unsigned int>>& indices) const;
    int GetNodePositions(CQxPtrArray<CQxArray<CQxVector2D>>& positions) const;
    int GetTans(CQxPtrArray<CQxArray<float>>& slopes) const;
    int GetTanAngles(CQxPtrArray<CQxArray<float>>& angles) const;
    int GetTanTypes(CQxPtrArray<CQxArray<unsigned char>>& types) const;
    // The first record's selected handle (see CQxAnimItemSelect).
    int GetSelectTanPoint(CQxPoint& tanPoint, CQxPoint& keyPoint, unsigned int tanSize, const CQxRect& rect,
                          const float& minX, const float& maxX, const float& minY, const float& maxY) const;

    // Whole-item records are kept; the others lose their keys (tangents) and go when nothing
    // is left.
    void ClearNodes();
    void ClearTans();
    // Reduce the set to the keys a separate (join) would change, or to the tangents whose type
    // would change; records left with nothing are dropped.
    void ExtrudeSeparate(int separate);
    void ExtrudeTanTypes(QX_TAN_TYPE type);

private:
    template <class Keep>
    void DropRecords(Keep keep);

    CQxPtrArray<CQxAnimItemSelect> m_Selects;
};
