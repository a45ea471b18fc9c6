#include "qx/animation/anim_cmds.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "qx/animation/anim.h"
#include "qx/graphics/mesh.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

constexpr const char* kKindNames[] = {"None", "キーの作成", "キーの削除", "キーの移動",
                                      "傾きの修正", "傾きの分割", "傾きのタイプ"};

QxAnimKeyState StateOf(const CQxSplineNode& n) {
    return {n.X, n.Y, n.PrevTan, n.NextTan, n.Index, n.IsSeparated, n.PrevTanType, n.NextTanType};
}

void Apply(CQxSplineNode& n, const QxAnimKeyState& s) {
    n.Y = s.Y;
    n.PrevTan = s.PrevTan;
    n.NextTan = s.NextTan;
    n.IsSeparated = s.IsSeparated;
    n.PrevTanType = s.PrevTanType;
    n.NextTanType = s.NextTanType;
}

// Gets the entry of a map, creating it when asked; null when missing and not to be made.
template <class Map, class Key>
auto* Entry(Map& map, const Key& key, int create) {
    return create ? &map[key] : map.Find(key);
}

template <class Item, class Init>
CQxAnimItem* Channel(CQxBinTree<QX_ANIM_ITEM_TYPE, Item>* channels, QX_ANIM_ITEM_TYPE type, int create, Init init) {
    if (!channels) return nullptr;
    Item* item = Entry(*channels, type, create);
    if (item && item->Type() == QX_ANIM_ITEM_NONE) init(*item);
    return item;
}

} // namespace

// --- Item addresses --------------------------------------------------------------------------------

QxAnimItemAddress QxGetAnimItemAddress(CQxModel& model, const CQxAnimItem& item) {
    QxAnimItemAddress a;
    a.Kind = item.GetAnimType();
    a.Channel = item.Type();
    if (a.Kind == QX_ANIM_ATTRIBUTE) {
        a.Element = model.FindAttribute(static_cast<const CQxAttributeAnimItem&>(item).GetAttribute());
        return a;
    }
    const auto& objectItem = static_cast<const CQxObjectAnimItem&>(item);
    if (!objectItem.GetObject()) return a;
    objectItem.GetObject()->GetIndices(a.Path);
    CQxMesh& mesh = objectItem.GetObject()->Mesh();
    if (a.Kind != QX_ANIM_OBJECT) mesh.UpdateIndices();
    if (a.Kind == QX_ANIM_VERTEX) a.Element = static_cast<const CQxVertexAnimItem&>(item).GetVertex()->Index();
    if (a.Kind == QX_ANIM_EDGE) a.Element = static_cast<const CQxEdgeAnimItem&>(item).GetEdge()->Index();
    if (a.Kind == QX_ANIM_HALFEDGE) {
        const auto& corner = static_cast<const CQxHalfEdgeAnimItem&>(item);
        a.Element = corner.GetFace()->Index();
        a.Corner = corner.GetFace()->GetHalfEdgePosition(corner.GetHalfEdge());
    }
    return a;
}

CQxAnimItem* QxFindAnimItem(CQxModel& model, const QxAnimItemAddress& a, int create) {
    CQxAnim& anim = model.Anim();
    if (a.Kind == QX_ANIM_ATTRIBUTE) {
        CQxAttribute* attribute = model.GetAttribute(a.Element);
        if (!attribute) return nullptr;
        return Channel(Entry(anim.AttributeItems(), attribute, create), a.Channel, create,
                       [&](CQxAttributeAnimItem& i) { i.Init(a.Channel, &model, attribute); });
    }
    CQxObject* object = model.GetRoot()->Find(a.Path);
    if (!object) return nullptr;
    CQxMesh& mesh = object->Mesh();
    switch (a.Kind) {
    case QX_ANIM_OBJECT:
        return Channel(Entry(anim.ObjectItems(), object, create), a.Channel, create,
                       [&](CQxObjectAnimItem& i) { i.Init(a.Channel, object); });
    case QX_ANIM_VERTEX: {
        CQxVertex* vertex = mesh.Vertices().GetAt(a.Element);
        auto* vertices = vertex ? Entry(anim.VertexItems(), object, create) : nullptr;
        return Channel(vertices ? Entry(*vertices, vertex, create) : nullptr, a.Channel, create,
                       [&](CQxVertexAnimItem& i) { i.Init(a.Channel, object, vertex); });
    }
    case QX_ANIM_EDGE: {
        CQxEdge* edge = mesh.Edges().GetAt(a.Element);
        auto* edges = edge ? Entry(anim.EdgeItems(), object, create) : nullptr;
        return Channel(edges ? Entry(*edges, edge, create) : nullptr, a.Channel, create,
                       [&](CQxEdgeAnimItem& i) { i.Init(a.Channel, object, edge); });
    }
    case QX_ANIM_HALFEDGE: {
        CQxFace* face = mesh.Faces().GetAt(a.Element);
        CQxHalfEdge* corner = face ? face->GetHalfEdgeAt(a.Corner) : nullptr;
        auto* faces = corner ? Entry(anim.HalfEdgeItems(), object, create) : nullptr;
        auto* corners = faces ? Entry(*faces, face, create) : nullptr;
        return Channel(corners ? Entry(*corners, corner, create) : nullptr, a.Channel, create,
                       [&](CQxHalfEdgeAnimItem& i) { i.Init(a.Channel, object, face, corner); });
    }
    default:
        return nullptr;
    }
}

namespace {

bool SameItem(const QxAnimItemAddress& a, const QxAnimItemAddress& b) {
    return a.Kind == b.Kind && a.Path == b.Path && a.Element == b.Element && a.Corner == b.Corner &&
           a.Channel == b.Channel;
}

// The key an entry names, by its index in the item's curve.
CQxSplineNode* KeyAt(CQxAnimItem* item, unsigned int index) {
    if (!item || index >= item->Spline().GetNodeCount()) return nullptr;
    return item->Spline().Nodes()[index];
}

void SwapTangents(CQxSplineNode& n, QxAnimKeyState& s) {
    std::swap(n.PrevTan, s.PrevTan);
    std::swap(n.NextTan, s.NextTan);
    std::swap(n.IsSeparated, s.IsSeparated);
    std::swap(n.PrevTanType, s.PrevTanType);
    std::swap(n.NextTanType, s.NextTanType);
}

} // namespace

// --- The command -------------------------------------------------------------------------------------

const char* CQxAnimAttributeCmd::GetName() const {
    return m_Kind <= KIND_TAN_TYPE ? kKindNames[m_Kind] : "";
}

CQxModel* CQxAnimAttributeCmd::GetModel() const {
    CQxObject* object = m_Scene->RootModel().Find(m_ModelPath);
    return object && object->GetType() == QX_OBJ_MODEL ? static_cast<CQxModel*>(object) : nullptr;
}

void CQxAnimAttributeCmd::Notify(unsigned int detail) {
    CQxModel* model = GetModel();
    CQxArray<CQxModel*> models;
    if (model) models.PushBack(model);
    m_Scene->UpdateGui(QX_UPDATE_ANIM_KEY, &models, reinterpret_cast<void*>(static_cast<std::uintptr_t>(detail)));
}

void CQxAnimAttributeCmd::Finish(CQxModel& /*model*/, unsigned int detail, int update, bool animate) {
    m_Scene->ClearAnimatedUndo();
    if (animate) m_Scene->Animate(1, 1);
    Barrier() = 1;
    if (update) Notify(detail);
}

// Keys (or, with tangents, their named tangents) of every record, by address and key index.
void CQxAnimAttributeCmd::Record(CQxModel& model, const CQxAnimItemSelects& selects, bool tangents) {
    model.GetIndices(m_ModelPath);
    selects.UpdateNodeIndices();
    for (const CQxAnimItemSelect* record : selects.Selects()) {
        if (!record->Item) continue;
        const QxAnimItemAddress address = QxGetAnimItemAddress(model, *record->Item);
        if (!tangents)
            for (const CQxSplineNode* n : record->Nodes) m_Entries.push_back({address, StateOf(*n), 1, 0});
        else {
            // A key whose two handles are both named is recorded once: its tangents swap whole.
            auto add = [&](const CQxSplineNode* n) {
                for (const Entry& e : m_Entries)
                    if (e.Key.Index == n->Index && SameItem(e.Item, address)) return;
                m_Entries.push_back({address, StateOf(*n), 1, 0});
            };
            for (const CQxSplineNode* n : record->PrevTans) add(n);
            for (const CQxSplineNode* n : record->NextTans) add(n);
        }
    }
}

// Keys moved onto another key's frame stay two keys there, in curve order; only the whole curve
// puts such keys back in their order.
void CQxAnimAttributeCmd::RecordCurves(CQxModel& model, const CQxAnimItemSelects& selects) {
    for (const CQxAnimItemSelect* record : selects.Selects()) {
        if (!record->Item || record->Nodes.IsEmpty()) continue;
        const QxAnimItemAddress address = QxGetAnimItemAddress(model, *record->Item);
        bool known = false;
        for (const auto& curve : m_Curves) known = known || SameItem(curve.first, address);
        if (!known) m_Curves.emplace_back(address, record->Item->Spline());
    }
}

// --- Kind 1: keys at the current frame ---------------------------------------------------------------

int CQxAnimAttributeCmd::CreateKeys(CQxModel* model, int update) {
    if (!model || !m_Scene->IsObjectAnimItemCreatable() || !m_Scene->IsObjectAnimItemCreateFlagsEnabled()) return 0;
    m_Kind = KIND_CREATE_KEY;
    model->GetIndices(m_ModelPath);
    m_Frame = m_Scene->CurFrame();
    CQxSelects selects;
    model->GetSelects(selects, 1);
    int inserted = 0;
    for (const CQxSelect* select : selects.Selects()) {
        CQxObject* object = select->Object();
        if (!object || object->GetModel() != model || select->IsHandle()) continue;
        for (unsigned int t = QX_ANIM_ITEM_SCALE_X; t <= QX_ANIM_ITEM_PIVOT_Z; ++t) {
            if (!m_Scene->AnimItemCreateFlags()[t]) continue;
            const auto type = static_cast<QX_ANIM_ITEM_TYPE>(t);
            CQxObjectAnimItem& item = model->Anim().ObjectItems()[object][type];
            if (item.Type() == QX_ANIM_ITEM_NONE) item.Init(type, object);
            Entry entry{QxGetAnimItemAddress(*model, item), {}, 0, 0};
            if (const CQxSplineNode* old = item.GetKeyFrame(m_Frame)) {
                entry.Existed = 1;
                entry.Key = StateOf(*old);
            }
            if (item.InsertKeyFrame(m_Frame, 1)) {
                ++inserted;
                m_Entries.push_back(entry);
            }
        }
    }
    model->Anim().CleanUpObjectItems();
    if (!inserted) return 0;
    Barrier() = 1;
    if (update) Notify(1);
    return 1;
}

void CQxAnimAttributeCmd::ApplyCreate() {
    CQxModel* model = GetModel();
    if (!model) return;
    for (const Entry& e : m_Entries)
        if (CQxAnimItem* item = QxFindAnimItem(*model, e.Item, 1)) item->InsertKeyFrame(m_Frame, 1);
    Notify(1);
}

void CQxAnimAttributeCmd::RestoreCreate() {
    CQxModel* model = GetModel();
    if (!model) return;
    for (const Entry& e : m_Entries) {
        CQxAnimItem* item = QxFindAnimItem(*model, e.Item, 0);
        if (!item) continue;
        CQxSplineNode* node = item->GetKeyFrame(m_Frame);
        if (e.Existed && node) {
            Apply(*node, e.Key);
            item->UpdateSpline();
        } else if (!e.Existed) {
            item->DeleteKeyFrame(m_Frame, 1);
        }
    }
    model->Anim().CleanUpObjectItems();
    Notify(2);
}

// --- Kind 2: deleting keys ----------------------------------------------------------------------------

int CQxAnimAttributeCmd::DeleteKeys(CQxModel* model, const CQxAnimItemSelects& selects, int update) {
    if (!model || !selects.HasNodes()) return 0;
    m_Kind = KIND_DELETE_KEY;
    Record(*model, selects, false);
    RecordCurves(*model, selects);
    m_Scene->ClearAnimatedUndo();
    Barrier() = 1;
    DeleteRecorded();
    if (update) Notify(2);
    return 1;
}

void CQxAnimAttributeCmd::DeleteRecorded() {
    CQxModel* model = GetModel();
    if (!model) return;
    // Keys are named by index, all before any goes: a frame may hold two keys.
    std::vector<std::pair<CQxAnimItem*, CQxSplineNode*>> keys;
    for (const Entry& e : m_Entries) {
        CQxAnimItem* item = QxFindAnimItem(*model, e.Item, 0);
        if (CQxSplineNode* node = KeyAt(item, e.Key.Index)) keys.emplace_back(item, node);
    }
    for (auto& [item, node] : keys) item->Spline().DeleteNode(node);
    for (auto& [item, node] : keys) item->UpdateSpline();
    model->Anim().CleanUpItems();
}

void CQxAnimAttributeCmd::ReinsertRecorded() {
    CQxModel* model = GetModel();
    if (!model) return;
    for (const auto& [address, curve] : m_Curves)
        if (CQxAnimItem* item = QxFindAnimItem(*model, address, 1)) item->Spline() = curve;
    Notify(2);
}

// --- Kinds 3 to 6: edits that swap ---------------------------------------------------------------------

int CQxAnimAttributeCmd::MoveKeys(CQxModel* model, const CQxVector2D& offset, const CQxAnimItemSelects& selects,
                                  int update) {
    if (!model || !selects.HasNodes() || !std::isfinite(offset.x) || !std::isfinite(offset.y)) return 0;
    if (offset.x == 0.0f && offset.y == 0.0f) return 0;
    m_Kind = KIND_MOVE_KEY;
    m_Shown.Capture(*m_Scene);
    Record(*model, selects, false);
    RecordCurves(*model, selects);
    selects.MoveNodes(offset, 1);
    // The keys keep their old positions here but are found again by their new indices.
    unsigned int i = 0;
    for (const CQxAnimItemSelect* record : selects.Selects())
        for (const CQxSplineNode* n : record->Nodes)
            if (record->Item) m_Entries[i++].Key.Index = n->Index;
    Finish(*model, 3, update, true);
    return 1;
}

int CQxAnimAttributeCmd::SetTanAngles(CQxModel* model, const CQxAnimItemSelects& selects,
                                      const CQxPtrArray<CQxArray<float>>& angles, int update) {
    if (!model || !selects.HasTans()) return 0;
    m_Kind = KIND_TAN_ANGLE;
    m_Shown.Capture(*m_Scene);
    Record(*model, selects, true);
    selects.SetTanAngles(angles, 1);
    Finish(*model, 3, update, true);
    return 1;
}

int CQxAnimAttributeCmd::Separate(CQxModel* model, const CQxAnimItemSelects& selects, int separate, int update) {
    if (!model || !selects.HasNodes()) return 0;
    m_Kind = KIND_SEPARATE;
    Record(*model, selects, false);
    const unsigned char s = separate ? 1 : 0;
    for (const CQxAnimItemSelect* record : selects.Selects()) {
        for (CQxSplineNode* n : record->Nodes) n->IsSeparated = n->PrevTanType = n->NextTanType = s;
        if (record->Item) record->Item->UpdateSpline();
    }
    Finish(*model, 3, update, false);
    return 1;
}

int CQxAnimAttributeCmd::SetTanTypes(CQxModel* model, const CQxAnimItemSelects& selects, QX_TAN_TYPE type,
                                     int update) {
    if (!model || !selects.HasTans()) return 0;
    m_Kind = KIND_TAN_TYPE;
    Record(*model, selects, true);
    for (const CQxAnimItemSelect* record : selects.Selects()) {
        for (CQxSplineNode* n : record->PrevTans) n->PrevTanType = type;
        for (CQxSplineNode* n : record->NextTans) n->NextTanType = type;
        if (record->Item) record->Item->UpdateSpline();
    }
    Finish(*model, 3, update, false);
    return 1;
}

void CQxAnimAttributeCmd::Exchange(int undo) {
    CQxModel* model = GetModel();
    if (!model) return;
    if (m_Kind == KIND_MOVE_KEY) {
        for (auto& [address, curve] : m_Curves)
            if (CQxAnimItem* item = QxFindAnimItem(*model, address, 0)) std::swap(item->Spline(), curve);
        m_Scene->Animate(1, 1);
        if (undo) m_Shown.Restore(*m_Scene);
        Notify(3);
        return;
    }
    // Every key is found before any moves, since moving re-sorts the curves.
    std::vector<std::pair<CQxAnimItem*, CQxSplineNode*>> keys;
    for (const Entry& e : m_Entries) {
        CQxAnimItem* item = QxFindAnimItem(*model, e.Item, 0);
        keys.emplace_back(item, KeyAt(item, e.Key.Index));
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        CQxSplineNode* node = keys[i].second;
        if (!node) continue;
        QxAnimKeyState& s = m_Entries[i].Key;
        if (m_Kind == KIND_MOVE_KEY) {
            std::swap(node->X, s.X);
            std::swap(node->Y, s.Y);
        } else {
            SwapTangents(*node, s);
        }
    }
    for (auto& [item, node] : keys)
        if (item) item->Spline().UpdateEquations(m_Kind == KIND_MOVE_KEY);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i].second) m_Entries[i].Key.Index = keys[i].second->Index;
    if (m_Kind == KIND_MOVE_KEY || m_Kind == KIND_TAN_ANGLE) {
        m_Scene->Animate(1, 1);
        if (undo) m_Shown.Restore(*m_Scene);
    }
    Notify(3);
}

void CQxAnimAttributeCmd::Redo() {
    if (m_Kind == KIND_CREATE_KEY) ApplyCreate();
    else if (m_Kind == KIND_DELETE_KEY) DeleteRecorded(), Notify(2);
    else Exchange(0);
}

void CQxAnimAttributeCmd::Undo() {
    if (m_Kind == KIND_CREATE_KEY) RestoreCreate();
    else if (m_Kind == KIND_DELETE_KEY) ReinsertRecorded();
    else Exchange(1);
}
