#pragma once

#include "qx/animation/anim_item.h"
#include "qx/animation/anim_select.h"
#include "qx/basis/array.h"
#include "qx/basis/bin_tree.h"
#include "qx/basis/key_tree.h"
#include "qx/export.h"
#include "qx/platform/gdi_object.h"

class CQxAttribute;
class CQxEdge;
class CQxFace;
class CQxHalfEdge;
class CQxModel;
class CQxObject;
class CQxVertex;

// A model's keyframed animation: its items by target kind, each map keyed by the target's
// address and then by channel, and owning its items. The sort maps re-key the same items by
// stable positions (index path from the root, element indices, attribute position) so that
// files, drawing and copies visit them in a reproducible order; they are rebuilt on request.
class QX_API CQxAnim {
public:
    template <class Item>
    using Channels = CQxBinTree<QX_ANIM_ITEM_TYPE, Item>;
    using ObjectMap = CQxBinTree<CQxObject*, Channels<CQxObjectAnimItem>>;
    using VertexMap = CQxBinTree<CQxObject*, CQxBinTree<CQxVertex*, Channels<CQxVertexAnimItem>>>;
    using HalfEdgeMap =
        CQxBinTree<CQxObject*, CQxBinTree<CQxFace*, CQxBinTree<CQxHalfEdge*, Channels<CQxHalfEdgeAnimItem>>>>;
    using EdgeMap = CQxBinTree<CQxObject*, CQxBinTree<CQxEdge*, Channels<CQxEdgeAnimItem>>>;
    using AttributeMap = CQxBinTree<CQxAttribute*, Channels<CQxAttributeAnimItem>>;
    using Path = CQxArray<unsigned int>;
    using ObjectSortMap = CQxBinTree<Path, Channels<CQxObjectAnimItem*>>;
    using VertexSortMap = CQxBinTree<Path, CQxBinTree<unsigned int, Channels<CQxVertexAnimItem*>>>;
    using HalfEdgeSortMap =
        CQxBinTree<Path, CQxBinTree<unsigned int, CQxBinTree<unsigned int, Channels<CQxHalfEdgeAnimItem*>>>>;
    using EdgeSortMap = CQxBinTree<Path, CQxBinTree<unsigned int, Channels<CQxEdgeAnimItem*>>>;
    using AttributeSortMap = CQxBinTree<unsigned int, Channels<CQxAttributeAnimItem*>>;

    CQxAnim() = default;
    // Copies hold the same targets; the sort maps are not copied (rebuild them).
    CQxAnim(const CQxAnim& other);
    CQxAnim& operator=(const CQxAnim& other);
    virtual ~CQxAnim() = default;

    ObjectMap& ObjectItems() { return m_ObjectItems; }
    VertexMap& VertexItems() { return m_VertexItems; }
    HalfEdgeMap& HalfEdgeItems() { return m_HalfEdgeItems; }
    EdgeMap& EdgeItems() { return m_EdgeItems; }
    AttributeMap& AttributeItems() { return m_AttributeItems; }
    const ObjectMap& ObjectItems() const { return m_ObjectItems; }
    const VertexMap& VertexItems() const { return m_VertexItems; }
    const HalfEdgeMap& HalfEdgeItems() const { return m_HalfEdgeItems; }
    const EdgeMap& EdgeItems() const { return m_EdgeItems; }
    const AttributeMap& AttributeItems() const { return m_AttributeItems; }
    const ObjectSortMap& ObjectSortItems() const { return m_ObjectSortItems; }
    const VertexSortMap& VertexSortItems() const { return m_VertexSortItems; }
    const HalfEdgeSortMap& HalfEdgeSortItems() const { return m_HalfEdgeSortItems; }
    const EdgeSortMap& EdgeSortItems() const { return m_EdgeSortItems; }
    const AttributeSortMap& AttributeSortItems() const { return m_AttributeSortItems; }

    int IsEmpty() const;
    // Empties the sort maps, then destroys every item.
    void Clear();
    void ClearSortItems();

    // Writes every item's value at the frame into its target: objects, vertices, face corners,
    // edges, materials, each in key order. Nothing is redrawn or told.
    void Animate(const float& frame);
    void AnimateObjectItems(const float& frame);
    void AnimateVertexItems(const float& frame);
    void AnimateHalfEdgeItems(const float& frame);
    void AnimateEdgeItems(const float& frame);
    void AnimateAttributeItems(const float& frame);

    void SelectItems(int on);
    void SelectObjectItems(int on);
    void SelectVertexItems(int on);
    void SelectHalfEdgeItems(int on);
    void SelectEdgeItems(int on);
    void SelectAttributeItems(int on);
    void SelectItemNodes(int on);
    void ToggleSelectItemNodes();

    // The frames and values the keys span (of every item, or of the selected ones); 0 and the
    // outputs untouched when no item has keys.
    int GetItemsRange(float& minX, float& maxX, float& minY, float& maxY) const;
    int GetSelectItemsRange(float& minX, float& maxX, float& minY, float& maxY) const;
    // Every keyed frame once.
    int GetUniqueKeys(CQxKeyTree<float>& frames) const;

    void UpdateObjectSortItems();
    void UpdateVertexSortItems();
    void UpdateHalfEdgeSortItems();
    void UpdateEdgeSortItems();
    void UpdateAttributeSortItems(CQxModel& model);
    void UpdateObjectRefSortItems();
    void UpdateSortItems(CQxModel& model);

    // Destroy the items without keys and the maps left empty.
    void CleanUpObjectItems();
    void CleanUpVertexItems();
    void CleanUpHalfEdgeItems();
    void CleanUpEdgeItems();
    void CleanUpAttributeItems();
    void CleanUpItems();

    // The items of an object (its own and its mesh's), or of an attribute.
    int HasObjectRefItems(CQxObject* object) const;
    int DeleteObjectRefItems(CQxObject* object);
    // Hands the object's items to another animation, which keeps its own where it has some.
    void MoveObjectRefItems(CQxObject* object, CQxAnim& destination);
    int HasAttributeRefItems(CQxAttribute* attribute) const;
    int DeleteAttributeRefItems(CQxAttribute* attribute);

    // Records of the selected keys of selected items; of their selected keys and tangent
    // handles; of every item's keys at exactly the frame. Each returns whether it found any.
    int GetSelectNodes(CQxAnimItemSelects& selects) const;
    int GetSelectSubItems(CQxAnimItemSelects& selects) const;
    int GetKeyNodes(CQxAnimItemSelects& selects, float frame) const;
    // The selected keys of selected items that sit where the first selected key met sits; 0 and
    // nothing when a selected key lies elsewhere.
    int GetSelectSamePosNodes(CQxAnimItemSelects& selects) const;
    // Picking in the curve editor, over the selected items in sort-map order (the caller keeps
    // the sort maps current); the view rectangle shows frames minX..maxX and values minY..maxY.
    // The single pick names the closest key or tangent handle within QxGraphPickSize() pixels
    // and leaves the record untouched on a miss. The multi pick keeps every item that hits at
    // the closest distance, one record each, so keys drawn on one pixel are picked together;
    // its first hit empties the set, and a miss leaves the set as it was.
    int IsPointHit(const CQxPoint& point, const CQxRect& rect, const float& minX, const float& maxX,
                   const float& minY, const float& maxY, CQxAnimItemSelect& select);
    int IsPointHit(const CQxPoint& point, const CQxRect& rect, const float& minX, const float& maxX,
                   const float& minY, const float& maxY, CQxAnimItemSelects& selects);
    // Adds a record for each selected item with keys or handle ends inside the pick rectangle;
    // returns whether it added any.
    int IsRectHit(const CQxRect& pick, const CQxRect& rect, const float& minX, const float& maxX,
                  const float& minY, const float& maxY, CQxAnimItemSelects& selects);
    // Draws the selected items' curves in the graph view's curve rectangle, which shows frames
    // minX..maxX and values minY..maxY: materials first and objects last, so object curves lie
    // on top; each in the pen of its channel's axis (red x, green y, blue z, yellow the rest),
    // with its keys and handles in the key pen and brush, or the second pair where selected.
    void DrawTracks(HDC dc, HPEN redPen, HPEN greenPen, HPEN bluePen, HPEN yellowPen, HPEN keyPen,
                    HBRUSH keyBrush, HPEN keyPen2, HBRUSH keyBrush2, const CQxRect& rect, const float& minX,
                    const float& maxX, const float& minY, const float& maxY) const;
    // Select (or toggle) the items of one kind, or of one target (see QX_ANIM_SELECT_TYPE).
    void SelectItems(int on, QX_ANIM_SELECT_TYPE type, void* target);
    void ToggleSelectItems(QX_ANIM_SELECT_TYPE type, void* target);

    // Visits every item (objects, vertices, face corners, edges, materials, in key order).
    template <class F>
    void ForEachItem(F f);
    template <class F>
    void ForEachItem(F f) const;
    // Visits every item through the sort maps, in the same kind order.
    template <class F>
    void ForEachSortItem(F f) const;

private:
    ObjectMap m_ObjectItems;
    VertexMap m_VertexItems;
    HalfEdgeMap m_HalfEdgeItems;
    EdgeMap m_EdgeItems;
    AttributeMap m_AttributeItems;
    ObjectSortMap m_ObjectSortItems;
    VertexSortMap m_VertexSortItems;
    HalfEdgeSortMap m_HalfEdgeSortItems;
    EdgeSortMap m_EdgeSortItems;
    AttributeSortMap m_AttributeSortItems;
};

namespace qx_anim {
// Calls f on every value at the innermost level of nested maps.
template <class Map, class F>
void ForEachLeaf(Map& map, F& f) {
    for (auto& node : map) {
        if constexpr (requires { node.Value.begin(); }) ForEachLeaf(node.Value, f);
        else f(node.Value);
    }
}
} // namespace qx_anim

template <class F>
void CQxAnim::ForEachItem(F f) {
    qx_anim::ForEachLeaf(m_ObjectItems, f);
    qx_anim::ForEachLeaf(m_VertexItems, f);
    qx_anim::ForEachLeaf(m_HalfEdgeItems, f);
    qx_anim::ForEachLeaf(m_EdgeItems, f);
    qx_anim::ForEachLeaf(m_AttributeItems, f);
}

template <class F>
void CQxAnim::ForEachSortItem(F f) const {
    qx_anim::ForEachLeaf(m_ObjectSortItems, f);
    qx_anim::ForEachLeaf(m_VertexSortItems, f);
    qx_anim::ForEachLeaf(m_HalfEdgeSortItems, f);
    qx_anim::ForEachLeaf(m_EdgeSortItems, f);
    qx_anim::ForEachLeaf(m_AttributeSortItems, f);
}

template <class F>
void CQxAnim::ForEachItem(F f) const {
    qx_anim::ForEachLeaf(m_ObjectItems, f);
    qx_anim::ForEachLeaf(m_VertexItems, f);
    qx_anim::ForEachLeaf(m_HalfEdgeItems, f);
    qx_anim::ForEachLeaf(m_EdgeItems, f);
    qx_anim::ForEachLeaf(m_AttributeItems, f);
}
