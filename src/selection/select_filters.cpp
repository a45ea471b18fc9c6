#include <unordered_set>

#include "qx/scene/model.h"
#include "qx/scene/object.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"
#include "select_internal.h"

using qx_select::AppendMissing;
using qx_select::EraseAll;

// --- Storage --------------------------------------------------------------------------------------

CQxSelects::CQxSelects(const CQxSelects& other) : m_Selects(other.m_Selects) {}

CQxSelects& CQxSelects::operator=(const CQxSelects& other) {
    if (this != &other) m_Selects = other.m_Selects;
    return *this;
}

CQxSelects& CQxSelects::operator=(const CQxSelect& select) {
    // The copy is made first: the record may be one of ours.
    CQxSelect* copy = new CQxSelect(select);
    m_Selects.Empty();
    m_Selects.PushBack(copy);
    return *this;
}

CQxSelect* CQxSelects::Add(const CQxSelect& select) {
    return Push(new CQxSelect(select));
}

CQxSelect* CQxSelects::Push(CQxSelect* select) {
    if (!select) return nullptr;
    if (!m_Selects.PushBack(select)) {
        delete select;
        return nullptr;
    }
    return select;
}

CQxSelect* CQxSelects::Find(const CQxObject* object) const {
    for (CQxSelect* select : m_Selects)
        if (select->Object() == object) return select;
    return nullptr;
}

// --- Merging and removing -------------------------------------------------------------------------

CQxSelects& CQxSelects::Merge(const CQxSelect& select) {
    CQxSelect* found = Find(select.Object());
    if (!found) {
        Add(select);
        return *this;
    }
    if (found == &select || !select.HasComponents()) return *this;
    AppendMissing(found->Vertices(), select.Vertices());
    AppendMissing(found->Edges(), select.Edges());
    AppendMissing(found->Faces(), select.Faces());
    AppendMissing(found->HalfEdges(), select.HalfEdges());
    return *this;
}

CQxSelects& CQxSelects::Merge(const CQxSelects& selects) {
    if (&selects == this) return *this; // every record is already its own match
    for (const CQxSelect* select : selects.Selects()) Merge(*select);
    return *this;
}

CQxSelects& CQxSelects::Remove(const CQxSelect& select) {
    CQxSelect* found = Find(select.Object());
    if (!found) return *this;
    if (!select.HasComponents()) {
        m_Selects.Pop(found);
        return *this;
    }
    if (found == &select) {
        found->EmptyComponents();
        return *this;
    }
    EraseAll(found->Vertices(), select.Vertices());
    EraseAll(found->Edges(), select.Edges());
    EraseAll(found->Faces(), select.Faces());
    EraseAll(found->HalfEdges(), select.HalfEdges());
    return *this;
}

CQxSelects& CQxSelects::Remove(const CQxSelects& selects) {
    if (&selects == this) {
        // Removing a set from itself: copy first, the records go as they are matched.
        const CQxSelects copy(selects);
        return Remove(copy);
    }
    for (const CQxSelect* select : selects.Selects()) Remove(*select);
    return *this;
}

// --- Every record ---------------------------------------------------------------------------------

void CQxSelects::SelectObjects(int on, int deep) const {
    for (const CQxSelect* select : m_Selects) select->SelectObject(on, deep);
}

void CQxSelects::ToggleSelectObjects(int deep) const {
    for (const CQxSelect* select : m_Selects) select->ToggleSelectObject(deep);
}

void CQxSelects::SelectComponents(int on) const {
    for (const CQxSelect* select : m_Selects) select->SelectComponents(on);
}

void CQxSelects::ToggleSelectComponents() const {
    for (const CQxSelect* select : m_Selects) select->ToggleSelectComponents();
}

void CQxSelects::ClearComponents() {
    for (CQxSelect* select : m_Selects) select->ClearComponents();
}

void CQxSelects::ExtractVertices() {
    for (CQxSelect* select : m_Selects) select->ExtractVertices();
}

void CQxSelects::ExtractComponentVertices() {
    for (CQxSelect* select : m_Selects) select->ExtractComponentVertices();
}

void CQxSelects::UpdateGeometryEx(int normals, int boundBox) {
    for (CQxSelect* select : m_Selects) select->UpdateGeometryEx(normals, boundBox);
}

int CQxSelects::HasComponents() const {
    for (const CQxSelect* select : m_Selects)
        if (select->HasComponents()) return 1;
    return 0;
}

int CQxSelects::HasHandle() const {
    for (const CQxSelect* select : m_Selects)
        if (select->IsHandle()) return 1;
    return 0;
}

int CQxSelects::HasHandleOnly() const {
    if (m_Selects.IsEmpty()) return 0;
    for (const CQxSelect* select : m_Selects)
        if (!select->IsHandle()) return 0;
    return 1;
}

// --- Queries --------------------------------------------------------------------------------------

CQxModel* CQxSelects::GetModel() const {
    CQxModel* model = nullptr;
    for (const CQxSelect* select : m_Selects) {
        CQxModel* own = select->Object() ? select->Object()->GetModel() : nullptr;
        if (!own || (model && own != model)) return nullptr;
        model = own;
    }
    return model;
}

int CQxSelects::GetMeshJoint(CQxObject*& mesh, CQxJoint*& joint) {
    if (m_Selects.GetSize() != 2) return 0;
    CQxObject* a = m_Selects[0]->Object();
    CQxObject* b = m_Selects[1]->Object();
    if (!a || !b || m_Selects[0]->HasComponents() || m_Selects[1]->HasComponents()) return 0;
    CQxModel* model = a->GetModel();
    if (!model || model != b->GetModel()) return 0;
    if (a->GetType() == QX_OBJ_JOINT) std::swap(a, b);
    if (a->GetType() != QX_OBJ_MESH || b->GetType() != QX_OBJ_JOINT) return 0;
    CQxJoint* asJoint = dynamic_cast<CQxJoint*>(b);
    if (!asJoint) return 0;
    mesh = a;
    joint = asJoint;
    return 1;
}

int CQxSelects::GetBoundBox(CQxBoundBox& box) const {
    if (m_Selects.IsEmpty()) return 0;
    box.Reset();
    for (const CQxSelect* select : m_Selects) select->GetBoundBox(box);
    return box.IsEmpty() ? 0 : 1;
}

int CQxSelects::GetPivotBoundBox(CQxBoundBox& box) const {
    if (m_Selects.IsEmpty()) return 0;
    box.Reset();
    for (const CQxSelect* select : m_Selects) {
        const CQxObject* object = select->Object();
        if (!object) continue;
        CQxMatrixStack stack;
        object->GetTransformToRoot(stack, QX_TF_ALL, 0);
        box.Add(stack.IsEmpty() ? object->Pivot() : stack.Top().Transform(object->Pivot()));
    }
    return 1;
}

void CQxSelects::GetSelectIKGoals(CQxArray<CQxObject*>& goals) {
    goals.Empty();
    if (m_Selects.IsEmpty()) return;
    CQxSelects handles;
    if (const CQxObject* first = m_Selects[0]->Object()) first->GetRoot()->GetHandleSelects(handles, 1);
    for (const CQxSelect* select : m_Selects) {
        CQxObject* goal = nullptr;
        for (const CQxSelect* handle : handles.Selects()) {
            const CQxObject* end = handle->Object();
            if (end->IKRoot() && end->FindToAncestor(end->IKRoot(), select->Object())) {
                goal = handle->Object();
                break;
            }
        }
        goals.PushBack(goal);
    }
}

void CQxSelects::ExtractTopObjects(CQxSelects& out) const {
    // Records are collected before `out` is emptied: it may be this very set.
    CQxArray<CQxObject*> tops;
    std::unordered_set<const CQxObject*> seen;
    for (const CQxSelect* select : m_Selects) {
        CQxObject* top = select->Object() ? select->Object()->GetTop() : nullptr;
        if (top && seen.insert(top).second) tops.PushBack(top);
    }
    out.Clear();
    for (CQxObject* top : tops) out.Push(new CQxSelect(top));
}

// --- Filters --------------------------------------------------------------------------------------

template <class F>
void CQxSelects::Filter(F&& keep) {
    unsigned int kept = 0;
    const unsigned int count = m_Selects.GetSize();
    for (unsigned int i = 0; i < count; ++i) {
        CQxSelect* select = m_Selects[i];
        if (keep(*select))
            m_Selects[kept++] = select;
        else
            delete select;
    }
    m_Selects.Resize(kept);
}

namespace {

bool HasObject(const CQxSelect& s) {
    return s.Object() != nullptr;
}

} // namespace

void CQxSelects::RemoveNoComponent() {
    Filter([](CQxSelect& s) { return s.HasComponents() != 0; });
}

void CQxSelects::ExtractHandle() {
    Filter([](CQxSelect& s) { return s.IsHandle() != 0; });
}

void CQxSelects::RemoveHandle() {
    Filter([](CQxSelect& s) { return s.IsHandle() == 0; });
}

void CQxSelects::ExtractIKed() {
    Filter([](CQxSelect& s) { return HasObject(s) && s.Object()->IKRoot() != nullptr; });
}

void CQxSelects::ExtractSkinned() {
    Filter([](CQxSelect& s) { return HasObject(s) && s.Object()->RootBone() != nullptr; });
}

void CQxSelects::ExtractMesh() {
    Filter([](CQxSelect& s) { return HasObject(s) && s.Object()->GetType() == QX_OBJ_MESH; });
}

void CQxSelects::RemoveJoints() {
    Filter([](CQxSelect& s) { return HasObject(s) && s.Object()->GetType() != QX_OBJ_JOINT; });
}

void CQxSelects::ExtractUserType() {
    Filter([](CQxSelect& s) { return HasObject(s) && s.Object()->IsUserType(); });
}

void CQxSelects::ExtractFreezable() {
    Filter([](CQxSelect& s) { return HasObject(s) && s.Object()->IsFreezable(); });
}

void CQxSelects::RemoveNoShapes() {
    Filter([](CQxSelect& s) { return HasObject(s) && s.Object()->HasShape(); });
}

void CQxSelects::RemoveEdges() {
    Filter([](CQxSelect& s) {
        if (!s.HasComponents()) return true;
        s.Edges().Clear();
        return s.HasComponents() != 0;
    });
}

void CQxSelects::ExtractFaces() {
    Filter([](CQxSelect& s) {
        if (!s.HasComponents()) return true;
        s.ExtractFaces();
        return s.HasComponents() != 0;
    });
}

void CQxSelects::ExtractExtrude() {
    Filter([](CQxSelect& s) {
        s.ExtractExtrude();
        return s.HasComponents() != 0;
    });
}

void CQxSelects::ExtractDelete() {
    Filter([](CQxSelect& s) { return HasObject(s) && !s.Object()->IsRoot() && s.ExtractDelete(); });
}

void CQxSelects::ExtractCut() {
    Filter([](CQxSelect& s) { return HasObject(s) && !s.Object()->IsRoot() && s.ExtractCut(); });
}

void CQxSelects::ExtractCopy() {
    Filter([](CQxSelect& s) { return HasObject(s) && s.Object()->HasShape() && s.ExtractCopy(); });
}

void CQxSelects::RemoveChildObjects() {
    std::unordered_set<const CQxObject*> objects;
    for (const CQxSelect* select : m_Selects)
        if (select->Object()) objects.insert(select->Object());
    Filter([&](CQxSelect& s) {
        if (!s.Object()) return true;
        for (const CQxObject* o = s.Object()->GetParent(); o; o = o->GetParent())
            if (objects.count(o)) return false;
        return true;
    });
}
