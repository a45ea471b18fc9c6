// Animation items follow the objects and components the tree commands take away and put back.
// Removed objects and elements live on in the store under the same addresses, so their items
// are moved aside whole (keys, slopes, flags and selection untouched) and moved back.
#include <unordered_set>

#include "object_cmds_internal.h"
#include "qx/animation/anim.h"
#include "qx/graphics/mesh.h"
#include "qx/scene/model.h"

namespace {

template <class Map>
constexpr bool IsNested = requires(Map& map) {
    map.begin()->Value.begin();
};

// Puts every entry of `from` into `to`, joining nested maps with the same key; empties `from`.
template <class Map>
void MergeInto(Map& from, Map& to) {
    for (auto it = from.begin(); it != from.end(); it = from.Erase(it)) {
        if constexpr (IsNested<Map>) {
            if (auto* mine = to.Find(it->Key)) {
                MergeInto(it->Value, *mine);
                continue;
            }
            to.Insert(it->Key, std::move(it->Value));
        } else {
            to.Set(it->Key, std::move(it->Value));
        }
    }
}

// Moves the object's entries of the given elements from one per-object map to another; the
// object's entry goes when it is left empty, and is made in `to` only when something comes.
template <class Outer, class Element>
void TakeElements(Outer& from, CQxObject* object, const std::vector<Element*>& elements, Outer& to) {
    auto* mine = from.Find(object);
    if (!mine) return;
    for (Element* element : elements) {
        auto* node = mine->FindNode(element);
        if (!node) continue;
        auto value = std::move(node->Value);
        mine->EraseNode(node);
        to[object].Insert(element, std::move(value));
    }
    if (mine->IsEmpty()) from.Erase(object);
}

template <class T>
std::vector<T*> At(CQxList<T>& list, const std::vector<std::uint32_t>& positions) {
    std::vector<T*> table;
    table.reserve(list.GetCount());
    for (T& element : list) table.push_back(&element);
    std::vector<T*> out;
    for (std::uint32_t p : positions)
        if (p < table.size()) out.push_back(table[p]);
    return out;
}

// The objects that have items in the animation and are among the given ones.
template <class In>
std::vector<CQxObject*> HeldObjects(const CQxAnim& anim, In&& in) {
    std::unordered_set<CQxObject*> held;
    auto add = [&](const auto& map) {
        for (const auto& entry : map)
            if (in(entry.Key)) held.insert(entry.Key);
    };
    add(anim.ObjectItems());
    add(anim.VertexItems());
    add(anim.HalfEdgeItems());
    add(anim.EdgeItems());
    return {held.begin(), held.end()};
}

} // namespace

void CQxMeshPart::TakeAnimItems(CQxObject& object, CQxAnim& from, CQxAnim& to) const {
    CQxMesh& mesh = object.Mesh();
    from.ClearSortItems();
    to.ClearSortItems();
    if (from.VertexItems().Has(&object))
        TakeElements(from.VertexItems(), &object, At(mesh.Vertices(), m_VertexPos), to.VertexItems());
    if (from.EdgeItems().Has(&object))
        TakeElements(from.EdgeItems(), &object, At(mesh.Edges(), m_EdgePos), to.EdgeItems());
    // A face leaves whole, so the items of its corners go with it.
    if (from.HalfEdgeItems().Has(&object))
        TakeElements(from.HalfEdgeItems(), &object, At(mesh.Faces(), m_FacePos), to.HalfEdgeItems());
}

void CQxSnapshotStore::TakeAnimItems() {
    m_AnimItems.clear();
    std::unordered_set<const CQxObject*> leaving;
    std::vector<std::pair<CQxObject*, const CQxMeshPart*>> parts;
    for (auto* node = m_Snapshots.First(); node; node = qx_tree_core::Next(node)) {
        const CQxObjectSnapshot& snapshot = *node->Value;
        CQxObject* object = node->Key.IsEmpty() ? nullptr : Find(node->Key);
        if (!object) continue;
        if (snapshot.IsWhole && !snapshot.Object)
            for (CQxObject::Iterator it = object->Begin(); !it.IsEnd(); ++it) leaving.insert(it.Get());
        if (snapshot.Part && !snapshot.Part->IsRemoved()) parts.emplace_back(object, snapshot.Part.get());
    }
    if (leaving.empty() && parts.empty()) return;

    // A leaving model takes its own animation along; the others give up what they hold.
    CQxArray<CQxModel*> models;
    GetRoot().GetModels(models, 1);
    for (CQxModel* model : models) {
        CQxAnim& anim = model->Anim();
        if (leaving.count(model) || anim.IsEmpty()) continue;
        auto taken = std::make_unique<CQxAnim>();
        for (CQxObject* object : HeldObjects(anim, [&](CQxObject* o) { return leaving.count(o) != 0; }))
            anim.MoveObjectRefItems(object, *taken);
        for (auto& [object, part] : parts)
            if (!leaving.count(object)) part->TakeAnimItems(*object, anim, *taken);
        if (!taken->IsEmpty()) m_AnimItems.emplace_back(QxGetIndexPath(*model), std::move(taken));
    }
}

void CQxSnapshotStore::GiveAnimItems() {
    for (auto& [path, taken] : m_AnimItems) {
        CQxObject* object = path.IsEmpty() ? &GetRoot() : Find(path);
        auto* model = object && object->GetType() == QX_OBJ_MODEL ? dynamic_cast<CQxModel*>(object) : nullptr;
        if (!model) continue;
        CQxAnim& anim = model->Anim();
        anim.ClearSortItems();
        MergeInto(taken->ObjectItems(), anim.ObjectItems());
        MergeInto(taken->VertexItems(), anim.VertexItems());
        MergeInto(taken->HalfEdgeItems(), anim.HalfEdgeItems());
        MergeInto(taken->EdgeItems(), anim.EdgeItems());
    }
    m_AnimItems.clear();
}

std::size_t CQxSnapshotStore::GetAnimBytes() const {
    std::size_t bytes = m_AnimItems.capacity() * sizeof(m_AnimItems[0]);
    for (const auto& [path, taken] : m_AnimItems) {
        bytes += sizeof(CQxAnim) + path.GetCapacity() * sizeof(unsigned int);
        taken->ForEachItem([&bytes](const CQxAnimItem& item) {
            bytes += sizeof(CQxHalfEdgeAnimItem) + item.Spline().GetNodeCount() * sizeof(CQxSplineNode);
        });
    }
    return bytes;
}

namespace qx_object_cmd {

void MoveAnimItems(CQxObject& subtree, CQxModel* from, CQxModel* to) {
    if (!from || !to || from == to) return;
    std::unordered_set<const CQxObject*> inside;
    for (CQxObject::Iterator it = subtree.Begin(); !it.IsEnd(); ++it) inside.insert(it.Get());
    CQxAnim& anim = from->Anim();
    for (CQxObject* object : HeldObjects(anim, [&](CQxObject* o) { return inside.count(o) != 0; }))
        anim.MoveObjectRefItems(object, to->Anim());
}

void ElementAnimItems::Take(CQxModel& root, CQxObject& object) {
    CQxMesh& mesh = object.Mesh();
    mesh.UpdateIndices();
    QxAnimItemAddress address;
    address.Path = QxGetIndexPath(object);
    CQxArray<CQxModel*> models;
    root.GetModels(models, 1);
    for (CQxModel* model : models) {
        CQxAnim& anim = model->Anim();
        const CQxIndexPath modelPath = QxGetIndexPath(*model);
        auto keep = [&](QX_ANIM_TYPE kind, unsigned int element, unsigned int corner,
                        const CQxAnimItem& item) {
            address.Kind = kind;
            address.Element = element;
            address.Corner = corner;
            address.Channel = item.Type();
            m_Items.push_back({modelPath, address, item.Spline(), item.IsSelect()});
        };
        if (const auto* vertices = anim.VertexItems().Find(&object)) {
            for (const auto& vertex : *vertices)
                for (const auto& channel : vertex.Value)
                    keep(QX_ANIM_VERTEX, vertex.Key->Index(), 0, channel.Value);
        }
        if (const auto* edges = anim.EdgeItems().Find(&object)) {
            for (const auto& edge : *edges)
                for (const auto& channel : edge.Value)
                    keep(QX_ANIM_EDGE, edge.Key->Index(), 0, channel.Value);
        }
        if (const auto* faces = anim.HalfEdgeItems().Find(&object)) {
            for (const auto& face : *faces)
                for (const auto& corner : face.Value)
                    for (const auto& channel : corner.Value)
                        keep(QX_ANIM_HALFEDGE, face.Key->Index(), face.Key->GetHalfEdgePosition(corner.Key),
                             channel.Value);
        }
        anim.ClearSortItems();
        anim.VertexItems().Erase(&object);
        anim.EdgeItems().Erase(&object);
        anim.HalfEdgeItems().Erase(&object);
    }
}

void ElementAnimItems::Give(CQxModel& root, CQxObject& object) {
    const CQxIndexPath path = QxGetIndexPath(object);
    for (Item& kept : m_Items) {
        auto* model = dynamic_cast<CQxModel*>(root.Find(kept.Model));
        if (!model) continue;
        kept.Address.Path = path;
        model->Anim().ClearSortItems();
        // Made afresh for the element now at the position; the curve and selection as they were.
        CQxAnimItem* item = QxFindAnimItem(*model, kept.Address, 1);
        if (!item) continue;
        if (item->IsSelect() != kept.IsSelect) item->Select(kept.IsSelect);
        item->Spline() = kept.Spline;
    }
    m_Items.clear();
}

} // namespace qx_object_cmd
