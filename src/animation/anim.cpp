#include "qx/animation/anim.h"

#include <algorithm>

#include "qx/graphics/mesh.h"
#include "qx/scene/model.h"
#include "qx/scene/object.h"

namespace {

template <class Map>
constexpr bool IsMap = requires(Map& map) { map.begin()->Value.begin(); };

// Destroys the items without keys, then every map left empty, from the inside out.
template <class Map>
void CleanUp(Map& map) {
    for (auto it = map.begin(); it != map.end();) {
        bool drop = false;
        if constexpr (IsMap<Map>) {
            CleanUp(it->Value);
            drop = it->Value.IsEmpty();
        } else {
            drop = it->Value.IsKeyFramesEmpty();
        }
        it = drop ? map.Erase(it) : ++it;
    }
}

void Widen(const CQxAnimItem& item, bool& found, float& minX, float& maxX, float& minY, float& maxY) {
    float x0, x1, y0, y1;
    if (!item.Spline().GetNodeRange(x0, x1, y0, y1)) return;
    if (!found) {
        minX = x0, maxX = x1, minY = y0, maxY = y1;
        found = true;
        return;
    }
    minX = std::min(minX, x0), maxX = std::max(maxX, x1);
    minY = std::min(minY, y0), maxY = std::max(maxY, y1);
}

CQxAnim::Path PathOf(const CQxObject* object) {
    CQxAnim::Path path;
    object->GetIndices(path);
    return path;
}

} // namespace

CQxAnim::CQxAnim(const CQxAnim& other)
    : m_ObjectItems(other.m_ObjectItems), m_VertexItems(other.m_VertexItems),
      m_HalfEdgeItems(other.m_HalfEdgeItems), m_EdgeItems(other.m_EdgeItems),
      m_AttributeItems(other.m_AttributeItems) {}

CQxAnim& CQxAnim::operator=(const CQxAnim& other) {
    if (this == &other) return *this;
    ClearSortItems();
    m_ObjectItems = other.m_ObjectItems;
    m_VertexItems = other.m_VertexItems;
    m_HalfEdgeItems = other.m_HalfEdgeItems;
    m_EdgeItems = other.m_EdgeItems;
    m_AttributeItems = other.m_AttributeItems;
    return *this;
}

int CQxAnim::IsEmpty() const {
    return m_ObjectItems.IsEmpty() && m_VertexItems.IsEmpty() && m_HalfEdgeItems.IsEmpty() &&
           m_EdgeItems.IsEmpty() && m_AttributeItems.IsEmpty();
}

void CQxAnim::Clear() {
    ClearSortItems();
    m_ObjectItems.Clear();
    m_VertexItems.Clear();
    m_HalfEdgeItems.Clear();
    m_EdgeItems.Clear();
    m_AttributeItems.Clear();
}

void CQxAnim::ClearSortItems() {
    m_ObjectSortItems.Clear();
    m_VertexSortItems.Clear();
    m_HalfEdgeSortItems.Clear();
    m_EdgeSortItems.Clear();
    m_AttributeSortItems.Clear();
}

// --- Evaluation and selection ---------------------------------------------------------------------

#define QX_ANIM_KIND(Kind)                                                                                 \
    void CQxAnim::Animate##Kind##Items(const float& frame) {                                              \
        auto animate = [&frame](CQxAnimItem& item) { item.Animate(frame); };                                \
        qx_anim::ForEachLeaf(m_##Kind##Items, animate);                                                     \
    }                                                                                                      \
    void CQxAnim::Select##Kind##Items(int on) {                                                            \
        auto select = [on](CQxAnimItem& item) { item.Select(on); };                                        \
        qx_anim::ForEachLeaf(m_##Kind##Items, select);                                                      \
    }                                                                                                      \
    void CQxAnim::CleanUp##Kind##Items() {                                                                 \
        ClearSortItems();                                                                                  \
        CleanUp(m_##Kind##Items);                                                                          \
    }
QX_ANIM_KIND(Object)
QX_ANIM_KIND(Vertex)
QX_ANIM_KIND(HalfEdge)
QX_ANIM_KIND(Edge)
QX_ANIM_KIND(Attribute)
#undef QX_ANIM_KIND

void CQxAnim::Animate(const float& frame) {
    AnimateObjectItems(frame);
    AnimateVertexItems(frame);
    AnimateHalfEdgeItems(frame);
    AnimateEdgeItems(frame);
    AnimateAttributeItems(frame);
}

void CQxAnim::SelectItems(int on) {
    SelectObjectItems(on);
    SelectVertexItems(on);
    SelectHalfEdgeItems(on);
    SelectEdgeItems(on);
    SelectAttributeItems(on);
}

void CQxAnim::SelectItemNodes(int on) {
    ForEachItem([on](CQxAnimItem& item) { item.Spline().SelectNodes(on); });
}

void CQxAnim::ToggleSelectItemNodes() {
    ForEachItem([](CQxAnimItem& item) { item.Spline().ToggleSelectNodes(); });
}

void CQxAnim::CleanUpItems() {
    CleanUpObjectItems();
    CleanUpVertexItems();
    CleanUpHalfEdgeItems();
    CleanUpEdgeItems();
    CleanUpAttributeItems();
}

// --- Queries -------------------------------------------------------------------------------------------

int CQxAnim::GetItemsRange(float& minX, float& maxX, float& minY, float& maxY) const {
    bool found = false;
    ForEachItem([&](const CQxAnimItem& item) { Widen(item, found, minX, maxX, minY, maxY); });
    return found;
}

int CQxAnim::GetSelectItemsRange(float& minX, float& maxX, float& minY, float& maxY) const {
    bool found = false;
    ForEachItem([&](const CQxAnimItem& item) {
        if (item.IsSelect()) Widen(item, found, minX, maxX, minY, maxY);
    });
    return found;
}

int CQxAnim::GetUniqueKeys(CQxKeyTree<float>& frames) const {
    ForEachItem([&frames](const CQxAnimItem& item) {
        for (const CQxSplineNode* node : item.Spline().Nodes()) frames.Insert(node->X);
    });
    return !frames.IsEmpty();
}

// --- Sort maps ------------------------------------------------------------------------------------------

void CQxAnim::UpdateObjectSortItems() {
    m_ObjectSortItems.Clear();
    for (auto& object : m_ObjectItems) {
        auto& sorted = m_ObjectSortItems[PathOf(object.Key)];
        for (auto& channel : object.Value) sorted.Set(channel.Key, &channel.Value);
    }
}

void CQxAnim::UpdateVertexSortItems() {
    m_VertexSortItems.Clear();
    for (auto& object : m_VertexItems) {
        object.Key->Mesh().UpdateIndices();
        auto& sorted = m_VertexSortItems[PathOf(object.Key)];
        for (auto& vertex : object.Value)
            for (auto& channel : vertex.Value) sorted[vertex.Key->Index()].Set(channel.Key, &channel.Value);
    }
}

void CQxAnim::UpdateHalfEdgeSortItems() {
    m_HalfEdgeSortItems.Clear();
    for (auto& object : m_HalfEdgeItems) {
        object.Key->Mesh().UpdateIndices();
        auto& sorted = m_HalfEdgeSortItems[PathOf(object.Key)];
        for (auto& face : object.Value)
            for (auto& corner : face.Value)
                for (auto& channel : corner.Value)
                    sorted[face.Key->Index()][corner.Key->Index()].Set(channel.Key, &channel.Value);
    }
}

void CQxAnim::UpdateEdgeSortItems() {
    m_EdgeSortItems.Clear();
    for (auto& object : m_EdgeItems) {
        object.Key->Mesh().UpdateIndices();
        auto& sorted = m_EdgeSortItems[PathOf(object.Key)];
        for (auto& edge : object.Value)
            for (auto& channel : edge.Value) sorted[edge.Key->Index()].Set(channel.Key, &channel.Value);
    }
}

void CQxAnim::UpdateAttributeSortItems(CQxModel& model) {
    m_AttributeSortItems.Clear();
    for (auto& attribute : m_AttributeItems) {
        auto& sorted = m_AttributeSortItems[model.FindAttribute(attribute.Key)];
        for (auto& channel : attribute.Value) sorted.Set(channel.Key, &channel.Value);
    }
}

void CQxAnim::UpdateObjectRefSortItems() {
    UpdateObjectSortItems();
    UpdateVertexSortItems();
    UpdateHalfEdgeSortItems();
    UpdateEdgeSortItems();
}

void CQxAnim::UpdateSortItems(CQxModel& model) {
    UpdateObjectRefSortItems();
    UpdateAttributeSortItems(model);
}

// --- Items of objects and attributes ------------------------------------------------------------------

int CQxAnim::HasObjectRefItems(CQxObject* object) const {
    return m_ObjectItems.Has(object) || m_VertexItems.Has(object) || m_HalfEdgeItems.Has(object) ||
           m_EdgeItems.Has(object);
}

int CQxAnim::DeleteObjectRefItems(CQxObject* object) {
    ClearSortItems();
    const int objects = m_ObjectItems.Erase(object);
    const int vertices = m_VertexItems.Erase(object);
    const int corners = m_HalfEdgeItems.Erase(object);
    const int edges = m_EdgeItems.Erase(object);
    return objects || vertices || corners || edges;
}

void CQxAnim::MoveObjectRefItems(CQxObject* object, CQxAnim& destination) {
    if (&destination == this) return;
    ClearSortItems();
    destination.ClearSortItems();
    auto move = [object](auto& from, auto& to) {
        typename std::remove_reference_t<decltype(from)>::Node* node = from.FindNode(object);
        if (!node) return;
        auto taken = std::move(node->Value);
        from.EraseNode(node);
        to.Insert(object, std::move(taken));
    };
    move(m_ObjectItems, destination.m_ObjectItems);
    move(m_VertexItems, destination.m_VertexItems);
    move(m_HalfEdgeItems, destination.m_HalfEdgeItems);
    move(m_EdgeItems, destination.m_EdgeItems);
}

int CQxAnim::HasAttributeRefItems(CQxAttribute* attribute) const {
    return m_AttributeItems.Has(attribute);
}

int CQxAnim::DeleteAttributeRefItems(CQxAttribute* attribute) {
    ClearSortItems();
    return m_AttributeItems.Erase(attribute);
}
