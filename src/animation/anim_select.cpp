#include "qx/animation/anim_select.h"

#include <cmath>

#include "qx/animation/anim.h"
#include "qx/animation/anim_item.h"

namespace {

bool HasSelected(const CQxArray<CQxSplineNode*>& nodes, unsigned char CQxSplineNode::*flag) {
    for (const CQxSplineNode* node : nodes)
        if (node->*flag) return true;
    return false;
}

// Calls f on every array of per-record results, one per record, filled by `get`.
template <class T, class Get>
int Collect(const CQxPtrArray<CQxAnimItemSelect>& records, CQxPtrArray<CQxArray<T>>& out, Get get) {
    out.Clear();
    for (const CQxAnimItemSelect* record : records) {
        auto* values = new CQxArray<T>;
        get(*record, *values);
        out.PushBack(values);
    }
    return !records.IsEmpty();
}

} // namespace

// --- One record ------------------------------------------------------------------------------------

CQxSpline* CQxAnimItemSelect::Spline() const {
    return Item ? &Item->Spline() : nullptr;
}

void CQxAnimItemSelect::Clear() {
    Item = nullptr;
    ClearSubItems();
}

void CQxAnimItemSelect::ClearTans() {
    PrevTans.Clear();
    NextTans.Clear();
}

void CQxAnimItemSelect::ClearSubItems() {
    Nodes.Clear();
    ClearTans();
}

int CQxAnimItemSelect::HasSelectNodes() const {
    return HasSelected(Nodes, &CQxSplineNode::IsSelect);
}

int CQxAnimItemSelect::HasSelectTans() const {
    return HasSelected(PrevTans, &CQxSplineNode::IsPrevTanSelect) ||
           HasSelected(NextTans, &CQxSplineNode::IsNextTanSelect);
}

void CQxAnimItemSelect::Select(int on) const {
    if (!HasSubItems()) {
        if (Item) Item->Select(on);
        return;
    }
    SelectNodes(on);
}

void CQxAnimItemSelect::ToggleSelect() const {
    if (!HasSubItems()) {
        if (Item) Item->ToggleSelect();
        return;
    }
    for (CQxSplineNode* node : Nodes) node->ToggleSelect();
}

void CQxAnimItemSelect::SelectNodes(int on) const {
    for (CQxSplineNode* node : Nodes) node->Select(on);
}

void CQxAnimItemSelect::SelectTans(int on) const {
    for (CQxSplineNode* node : PrevTans) node->SelectPrevTan(on);
    for (CQxSplineNode* node : NextTans) node->SelectNextTan(on);
}

void CQxAnimItemSelect::MoveNodes(const CQxVector2D& offset, int update) const {
    for (CQxSplineNode* node : Nodes) {
        node->X += offset.x;
        node->Y += offset.y;
    }
    if (update && Spline()) Spline()->UpdateEquations(1);
}

void CQxAnimItemSelect::SetTanAngles(const CQxArray<float>& angles, int update) const {
    if (!HasTans()) return;
    unsigned int i = 0;
    for (CQxSplineNode* node : PrevTans)
        if (i < angles.GetSize()) node->SetPrevTanAngle(angles[i++]);
    for (CQxSplineNode* node : NextTans)
        if (i < angles.GetSize()) node->SetNextTanAngle(angles[i++]);
    if (update && Spline()) Spline()->UpdateEquations(0);
}

void CQxAnimItemSelect::AddTanAngles(const float& delta, int update) const {
    if (!HasTans()) return;
    for (CQxSplineNode* node : PrevTans) node->AddPrevTanAngle(delta);
    for (CQxSplineNode* node : NextTans) node->AddNextTanAngle(delta);
    if (update && Spline()) Spline()->UpdateEquations(0);
}

void CQxAnimItemSelect::UpdateNodeIndices() const {
    if (Spline()) Spline()->UpdateNodeIndices();
}

int CQxAnimItemSelect::GetNodeIndices(CQxArray<unsigned int>& indices) const {
    indices.Clear();
    for (const CQxSplineNode* node : Nodes) indices.PushBack(node->Index);
    return !indices.IsEmpty();
}

int CQxAnimItemSelect::GetNodePositions(CQxArray<CQxVector2D>& positions) const {
    positions.Clear();
    for (const CQxSplineNode* node : Nodes) positions.PushBack(CQxVector2D(node->X, node->Y));
    return !positions.IsEmpty();
}

int CQxAnimItemSelect::GetTans(CQxArray<float>& slopes) const {
    slopes.Clear();
    for (const CQxSplineNode* node : PrevTans) slopes.PushBack(node->PrevTan);
    for (const CQxSplineNode* node : NextTans) slopes.PushBack(node->NextTan);
    return !slopes.IsEmpty();
}

int CQxAnimItemSelect::GetTanAngles(CQxArray<float>& angles) const {
    GetTans(angles);
    for (float& a : angles) a = std::atan(a);
    return !angles.IsEmpty();
}

int CQxAnimItemSelect::GetTanTypes(CQxArray<unsigned char>& types) const {
    types.Clear();
    for (const CQxSplineNode* node : PrevTans) types.PushBack(node->PrevTanType);
    for (const CQxSplineNode* node : NextTans) types.PushBack(node->NextTanType);
    return !types.IsEmpty();
}

// --- Sets --------------------------------------------------------------------------------------------

CQxAnimItemSelect* CQxAnimItemSelects::Add(const CQxAnimItemSelect& select) {
    auto* copy = new CQxAnimItemSelect(select);
    m_Selects.PushBack(copy);
    return copy;
}

#define QX_FOR_EACH_RECORD(Name, Params, Args)                                                             \
    void CQxAnimItemSelects::Name Params const {                                                           \
        for (const CQxAnimItemSelect* record : m_Selects) record->Name Args;                               \
    }
QX_FOR_EACH_RECORD(Select, (int on), (on))
QX_FOR_EACH_RECORD(ToggleSelect, (), ())
QX_FOR_EACH_RECORD(SelectNodes, (int on), (on))
QX_FOR_EACH_RECORD(SelectTans, (int on), (on))
QX_FOR_EACH_RECORD(MoveNodes, (const CQxVector2D& offset, int update), (offset, update))
QX_FOR_EACH_RECORD(AddTanAngles, (const float& delta, int update), (delta, update))
QX_FOR_EACH_RECORD(UpdateNodeIndices, (), ())
#undef QX_FOR_EACH_RECORD

#define QX_ANY_RECORD(Name)                                                                                \
    int CQxAnimItemSelects::Name() const {                                                                 \
        for (const CQxAnimItemSelect* record : m_Selects)                                                  \
            if (record->Name()) return 1;                                                                  \
        return 0;                                                                                          \
    }
QX_ANY_RECORD(HasNodes)
QX_ANY_RECORD(HasTans)
QX_ANY_RECORD(HasSelectNodes)
QX_ANY_RECORD(HasSelectTans)
QX_ANY_RECORD(HasSelectSubItems)
#undef QX_ANY_RECORD

void CQxAnimItemSelects::SetTanAngles(const CQxPtrArray<CQxArray<float>>& angles, int update) const {
    for (unsigned int i = 0; i < m_Selects.GetSize() && i < angles.GetSize(); ++i)
        m_Selects[i]->SetTanAngles(*angles[i], update);
}

int CQxAnimItemSelects::GetNodeIndices(CQxPtrArray<CQxArray<unsigned int>>& indices) const {
    return Collect(m_Selects, indices, [](const CQxAnimItemSelect& r, auto& out) { r.GetNodeIndices(out); });
}

int CQxAnimItemSelects::GetNodePositions(CQxPtrArray<CQxArray<CQxVector2D>>& positions) const {
    return Collect(m_Selects, positions, [](const CQxAnimItemSelect& r, auto& out) { r.GetNodePositions(out); });
}

int CQxAnimItemSelects::GetTans(CQxPtrArray<CQxArray<float>>& slopes) const {
    return Collect(m_Selects, slopes, [](const CQxAnimItemSelect& r, auto& out) { r.GetTans(out); });
}

int CQxAnimItemSelects::GetTanAngles(CQxPtrArray<CQxArray<float>>& angles) const {
    return Collect(m_Selects, angles, [](const CQxAnimItemSelect& r, auto& out) { r.GetTanAngles(out); });
}

int CQxAnimItemSelects::GetTanTypes(CQxPtrArray<CQxArray<unsigned char>>& types) const {
    return Collect(m_Selects, types, [](const CQxAnimItemSelect& r, auto& out) { r.GetTanTypes(out); });
}

template <class Keep>
void CQxAnimItemSelects::DropRecords(Keep keep) {
    for (unsigned int i = m_Selects.GetSize(); i-- > 0;)
        if (!keep(*m_Selects[i])) m_Selects.PopAt(i);
}

void CQxAnimItemSelects::ClearNodes() {
    DropRecords([](CQxAnimItemSelect& r) {
        if (!r.HasSubItems()) return true;
        r.ClearNodes();
        return r.HasTans() != 0;
    });
}

void CQxAnimItemSelects::ClearTans() {
    DropRecords([](CQxAnimItemSelect& r) {
        if (!r.HasSubItems()) return true;
        r.ClearTans();
        return r.HasNodes() != 0;
    });
}

void CQxAnimItemSelects::ExtrudeSeparate(int separate) {
    const unsigned char s = separate ? 1 : 0;
    const auto settled = [s](const CQxSplineNode* n) {
        return n->IsSeparated == s && n->PrevTanType == s && n->NextTanType == s;
    };
    DropRecords([&](CQxAnimItemSelect& r) {
        CQxArray<CQxSplineNode*> keys;
        if (!r.HasSubItems()) {
            if (r.Item)
                for (CQxSplineNode* n : r.Item->Spline().Nodes()) keys.PushBack(n);
        } else {
            r.ClearTans();
            keys = r.Nodes;
        }
        r.Nodes.Clear();
        for (CQxSplineNode* n : keys)
            if (!settled(n)) r.Nodes.PushBack(n);
        return r.HasNodes() != 0;
    });
}

void CQxAnimItemSelects::ExtrudeTanTypes(QX_TAN_TYPE type) {
    DropRecords([type](CQxAnimItemSelect& r) {
        CQxArray<CQxSplineNode*> prev, next;
        if (!r.HasSubItems()) {
            if (r.Item)
                for (CQxSplineNode* n : r.Item->Spline().Nodes()) {
                    prev.PushBack(n);
                    next.PushBack(n);
                }
        } else {
            r.ClearNodes();
            prev = r.PrevTans;
            next = r.NextTans;
        }
        r.ClearTans();
        for (CQxSplineNode* n : prev)
            if (n->PrevTanType != type) r.PrevTans.PushBack(n);
        for (CQxSplineNode* n : next)
            if (n->NextTanType != type) r.NextTans.PushBack(n);
        return r.HasTans() != 0;
    });
}

// --- What an animation gathers into records ------------------------------------------------------------

int CQxAnim::GetSelectNodes(CQxAnimItemSelects& selects) const {
    selects.Clear();
    ForEachItem([&selects](const CQxAnimItem& item) {
        if (!item.IsSelect()) return;
        CQxAnimItemSelect record(&item);
        if (item.Spline().GetSelectNodes(record.Nodes)) selects.Add(record);
    });
    return !selects.IsEmpty();
}

int CQxAnim::GetSelectSubItems(CQxAnimItemSelects& selects) const {
    selects.Clear();
    ForEachItem([&selects](const CQxAnimItem& item) {
        if (!item.IsSelect()) return;
        CQxAnimItemSelect record(&item);
        if (item.Spline().GetSelects(record.Nodes, record.PrevTans, record.NextTans)) selects.Add(record);
    });
    return !selects.IsEmpty();
}

int CQxAnim::GetKeyNodes(CQxAnimItemSelects& selects, float frame) const {
    selects.Clear();
    ForEachItem([&selects, frame](const CQxAnimItem& item) {
        CQxAnimItemSelect record(&item);
        if (item.Spline().GetXNodes(record.Nodes, frame)) selects.Add(record);
    });
    return !selects.IsEmpty();
}

// --- Bulk selection of items ---------------------------------------------------------------------------

namespace {

// Calls f on every item of the kind and target a bulk selection names.
template <class Anim, class F>
void VisitItems(Anim& anim, QX_ANIM_SELECT_TYPE type, void* target, F f) {
    using qx_anim::ForEachLeaf;
    auto inner = [&](auto& map, auto* key) {
        for (auto& entry : map)
            if (auto* found = entry.Value.Find(static_cast<decltype(entry.Value.begin()->Key)>(key)))
                ForEachLeaf(*found, f);
    };
    auto byObject = [&](auto& map) {
        if (auto* found = map.Find(static_cast<CQxObject*>(target))) ForEachLeaf(*found, f);
    };
    switch (type) {
    case QX_ANIM_SELECT_OBJECTS: ForEachLeaf(anim.ObjectItems(), f); break;
    case QX_ANIM_SELECT_VERTICES: ForEachLeaf(anim.VertexItems(), f); break;
    case QX_ANIM_SELECT_HALFEDGES: ForEachLeaf(anim.HalfEdgeItems(), f); break;
    case QX_ANIM_SELECT_EDGES: ForEachLeaf(anim.EdgeItems(), f); break;
    case QX_ANIM_SELECT_ATTRIBUTES: ForEachLeaf(anim.AttributeItems(), f); break;
    case QX_ANIM_SELECT_OBJECT: byObject(anim.ObjectItems()); break;
    case QX_ANIM_SELECT_OBJECT_VERTICES: byObject(anim.VertexItems()); break;
    case QX_ANIM_SELECT_VERTEX: inner(anim.VertexItems(), static_cast<CQxVertex*>(target)); break;
    case QX_ANIM_SELECT_OBJECT_HALFEDGES: byObject(anim.HalfEdgeItems()); break;
    case QX_ANIM_SELECT_FACE: inner(anim.HalfEdgeItems(), static_cast<CQxFace*>(target)); break;
    case QX_ANIM_SELECT_HALFEDGE:
        for (auto& object : anim.HalfEdgeItems()) inner(object.Value, static_cast<CQxHalfEdge*>(target));
        break;
    case QX_ANIM_SELECT_OBJECT_EDGES: byObject(anim.EdgeItems()); break;
    case QX_ANIM_SELECT_EDGE: inner(anim.EdgeItems(), static_cast<CQxEdge*>(target)); break;
    case QX_ANIM_SELECT_ATTRIBUTE:
        if (auto* found = anim.AttributeItems().Find(static_cast<CQxAttribute*>(target))) ForEachLeaf(*found, f);
        break;
    default: break;
    }
}

} // namespace

void CQxAnim::SelectItems(int on, QX_ANIM_SELECT_TYPE type, void* target) {
    VisitItems(*this, type, target, [on](CQxAnimItem& item) { item.Select(on); });
}

void CQxAnim::ToggleSelectItems(QX_ANIM_SELECT_TYPE type, void* target) {
    VisitItems(*this, type, target, [](CQxAnimItem& item) { item.ToggleSelect(); });
}

int CQxAnim::GetSelectSamePosNodes(CQxAnimItemSelects& selects) const {
    selects.Clear();
    const CQxSplineNode* reference = nullptr;
    bool elsewhere = false;
    ForEachItem([&](const CQxAnimItem& item) {
        if (elsewhere || !item.IsSelect()) return;
        if (!reference)
            for (const CQxSplineNode* n : item.Spline().Nodes())
                if (n->IsSelect && !reference) reference = n;
        if (!reference) return;
        CQxAnimItemSelect record(&item);
        if (item.Spline().GetSelectSamePosNodes(record.Nodes, *reference)) selects.Add(record);
        else if (item.Spline().GetSelectNodes(record.Nodes)) elsewhere = true;
    });
    if (elsewhere) selects.Clear();
    return !selects.IsEmpty();
}
