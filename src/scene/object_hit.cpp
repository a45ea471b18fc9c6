#include <algorithm>
#include <cfloat>
#include <utility>

#include "object_internal.h"
#include "qx/graphics/graphics_context.h"
#include "qx/scene/object.h"
#include "qx/selection/select.h"
#include "qx/selection/uv_select.h"

using qx_object::SkinPosition;

namespace {

// The handle is wire geometry: its lines and their ends can always be hit.
constexpr unsigned int HandleMask = QX_HIT_VERTEX | QX_HIT_EDGE;

void StoreHit(CQxSelect& select, CQxObject* object, const CQxMeshHit& hit, int handle) {
    select.Clear();
    select.Object() = object;
    select.IsHandle() = handle;
    if (hit.Vertex) select.Vertices().PushBack(hit.Vertex);
    if (hit.Edge) select.Edges().PushBack(hit.Edge);
    if (hit.Face) select.Faces().PushBack(hit.Face);
    if (hit.HalfEdge) select.HalfEdges().PushBack(hit.HalfEdge);
}

void StoreHits(CQxSelect& select, CQxObject* object, CQxMeshHits& hits, int handle) {
    select.Clear();
    select.Object() = object;
    select.IsHandle() = handle;
    select.Vertices() = std::move(hits.Vertices);
    select.Edges() = std::move(hits.Edges);
    select.Faces() = std::move(hits.Faces);
    select.HalfEdges() = std::move(hits.HalfEdges);
}

// Whether the rectangle can hold anything of the mesh: it meets the screen bounds of the box
// mesh's corners. Corners behind the eye leave the answer to the exact test.
int MayHoldBox(const CQxMesh& box, const CQxRect& rect, const CQxViewPort& viewport, const CQxMatrix& world,
               const CQxMatrix& view, const CQxMatrix& projection) {
    if (box.Vertices().IsEmpty()) return 1;
    CQxArray<CQxVector> corners;
    box.GetScreenVertexPositions(corners, viewport, world, view, projection);
    float left = FLT_MAX, top = FLT_MAX, right = -FLT_MAX, bottom = -FLT_MAX;
    for (const CQxVector& c : corners) {
        if (c.x == -FLT_MAX) return 1;
        left = std::min(left, c.x);
        right = std::max(right, c.x);
        top = std::min(top, c.y);
        bottom = std::max(bottom, c.y);
    }
    return right >= static_cast<float>(rect.left) && left < static_cast<float>(rect.right) &&
           bottom >= static_cast<float>(rect.top) && top < static_cast<float>(rect.bottom);
}

// The world position of a point hit on a skinned mesh, deformed as the element that was hit.
CQxVector SkinnedHitPosition(const CQxMeshHit& hit, const CQxArray<CQxMatrix>& bones) {
    const CQxVertex* near = hit.Vertex;
    if (!near && hit.HalfEdge) near = hit.HalfEdge->GetVertex();
    if (!near && hit.Edge) near = hit.Edge->Vertex(0);
    if (!near && hit.Face && hit.Face->GetHalfEdge()) near = hit.Face->GetHalfEdge()->GetVertex();
    if (!near) return bones.IsEmpty() ? hit.Position : hit.Position * bones[0];
    CQxVertex probe(hit.Position);
    if (near->Bones()) {
        probe.AllocBones();
        *probe.Bones() = *near->Bones();
    }
    return SkinPosition(probe, bones);
}

} // namespace

// --- One object -----------------------------------------------------------------------------------

int CQxObject::IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                          const CQxArray<CQxMatrix>& bones, const CQxMatrix& view,
                          const CQxMatrix& projection, CQxVector& pos, CQxSelect& select) {
    const CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (mesh.Vertices().IsEmpty()) return 0;
    CQxMeshHit hit;
    if (!mesh.IsPointHit(mask, point, best, viewport, bones, view, projection, hit)) return 0;
    StoreHit(select, this, hit, 0);
    pos = SkinnedHitPosition(hit, bones);
    return 1;
}

int CQxObject::IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                          const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                          CQxVector& pos, CQxSelect& select) {
    const CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (mesh.Vertices().IsEmpty()) return 0;
    CQxMeshHit hit;
    if (!mesh.IsPointHit(mask, point, best, viewport, world, view, projection, hit)) return 0;
    StoreHit(select, this, hit, 0);
    pos = hit.Position * world;
    return 1;
}

int CQxObject::IsHandlePointHit(unsigned int mask, const CQxPoint& point, float& best,
                                const CQxViewPort& viewport, const CQxMatrix& world, const CQxMatrix& view,
                                const CQxMatrix& projection, CQxVector& pos, CQxSelect& select) {
    const CQxMesh& mesh = m_Meshes[MESH_HANDLE];
    if (mesh.Vertices().IsEmpty()) return 0;
    CQxMeshHit hit;
    if (!mesh.IsPointHit(mask | HandleMask, point, best, viewport, world, view, projection, hit)) return 0;
    // The record stands for the handle, not for elements of the handle's own geometry.
    StoreHit(select, this, CQxMeshHit(), 1);
    pos = hit.Position * world;
    return 1;
}

int CQxObject::IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                         const CQxArray<CQxMatrix>& bones, const CQxMatrix& view, const CQxMatrix& projection,
                         CQxSelect& select) {
    const CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (mesh.Vertices().IsEmpty()) return 0;
    // The box is not deformed with the skin, so it cannot rule anything out here.
    CQxMeshHits hits;
    if (!mesh.IsRectHit(mask, rect, viewport, bones, view, projection, hits)) return 0;
    StoreHits(select, this, hits, 0);
    return 1;
}

int CQxObject::IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                         const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                         CQxSelect& select) {
    const CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (mesh.Vertices().IsEmpty()) return 0;
    if (!MayHoldBox(m_Meshes[MESH_BOUND], rect, viewport, world, view, projection)) return 0;
    CQxMeshHits hits;
    if (!mesh.IsRectHit(mask, rect, viewport, world, view, projection, hits)) return 0;
    StoreHits(select, this, hits, 0);
    return 1;
}

int CQxObject::IsHandleRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                               const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                               CQxSelect& select) {
    const CQxMesh& mesh = m_Meshes[MESH_HANDLE];
    if (mesh.Vertices().IsEmpty()) return 0;
    CQxMeshHits hits;
    if (!mesh.IsRectHit(mask | HandleMask, rect, viewport, world, view, projection, hits)) return 0;
    StoreHit(select, this, CQxMeshHit(), 1);
    return 1;
}

// --- The subtree ----------------------------------------------------------------------------------

namespace {

// The object's view transform pushed under its parent's world matrix for the length of a scope.
class ScopedViewTransform {
public:
    template <class Push>
    ScopedViewTransform(CQxMatrixStack& stack, Push&& push) : m_Stack(stack), m_Parent(stack.Top()) {
        CQxMatrix local;
        m_Pushed = push(local, m_Parent);
        if (m_Pushed) m_Stack.PushLeft(local);
    }
    ~ScopedViewTransform() {
        if (m_Pushed) m_Stack.Pop();
    }
    ScopedViewTransform(const ScopedViewTransform&) = delete;
    ScopedViewTransform& operator=(const ScopedViewTransform&) = delete;
    const CQxMatrix& Parent() const { return m_Parent; }

private:
    CQxMatrixStack& m_Stack;
    CQxMatrix m_Parent;
    int m_Pushed = 0;
};

} // namespace

int CQxObject::IsTreePointHit(unsigned int mask, int objectMode, int handle, const CQxPoint& point,
                              float& best, const CQxViewPort& viewport, CQxMatrixStack& stack,
                              const CQxMatrix& view, const CQxMatrix& projection, CQxVector& pos,
                              CQxSelect& select) {
    ScopedViewTransform scope(stack, [&](CQxMatrix& local, const CQxMatrix& parent) {
        return GetTransform(local, viewport, parent, view, projection);
    });
    int result = 0;
    if (m_IsVisible && !m_IsLocked) {
        int hit;
        if (HasPrivateTransform()) {
            CQxMatrix priv;
            const CQxMatrix world = GetPrivateTransform(priv) ? priv * scope.Parent() : scope.Parent();
            hit = IsPointHit(mask, point, best, viewport, world, view, projection, pos, select);
        } else if (IsSkinned() && m_Mode != QX_OBJ_MODE_WEIGHT && objectMode && UpdateSkinHitMatrices(stack.Top())) {
            hit = IsPointHit(mask, point, best, viewport, m_BoneTransforms, view, projection, pos, select);
        } else {
            hit = IsPointHit(mask, point, best, viewport, stack.Top(), view, projection, pos, select);
        }
        if (!hit && handle && !m_IsComponentMode && m_IKRoot)
            hit = IsHandlePointHit(mask, point, best, viewport, stack.Top(), view, projection, pos, select);
        result = hit;
    }
    for (CQxObject* child : GetChildren())
        result |= child->IsTreePointHit(mask, objectMode, handle, point, best, viewport, stack, view,
                                        projection, pos, select);
    return result;
}

int CQxObject::IsJointTreePointHit(unsigned int mask, const CQxPoint& point, float& best,
                                   const CQxViewPort& viewport, CQxMatrixStack& stack, const CQxMatrix& view,
                                   const CQxMatrix& projection, CQxVector& pos, CQxSelect& select) {
    ScopedViewTransform scope(stack, [&](CQxMatrix& local, const CQxMatrix& parent) {
        return GetTransform(local, viewport, parent, view, projection);
    });
    int result = 0;
    if (m_IsVisible && !m_IsLocked && GetType() == QX_OBJ_JOINT) {
        CQxMatrix priv;
        const CQxMatrix world = !HasPrivateTransform()      ? stack.Top()
                                : GetPrivateTransform(priv) ? priv * scope.Parent()
                                                            : scope.Parent();
        result = IsPointHit(mask, point, best, viewport, world, view, projection, pos, select);
    }
    for (CQxObject* child : GetChildren())
        result |=
            child->IsJointTreePointHit(mask, point, best, viewport, stack, view, projection, pos, select);
    return result;
}

int CQxObject::IsHandleTreePointHit(unsigned int mask, const CQxPoint& point, float& best,
                                    const CQxViewPort& viewport, CQxMatrixStack& stack, const CQxMatrix& view,
                                    const CQxMatrix& projection, CQxVector& pos, CQxSelect& select) {
    ScopedViewTransform scope(stack, [&](CQxMatrix& local, const CQxMatrix& parent) {
        return GetTransform(local, viewport, parent, view, projection);
    });
    int result = 0;
    if (m_IsVisible && !m_IsLocked && m_IKRoot)
        result = IsHandlePointHit(mask, point, best, viewport, stack.Top(), view, projection, pos, select);
    for (CQxObject* child : GetChildren())
        result |=
            child->IsHandleTreePointHit(mask, point, best, viewport, stack, view, projection, pos, select);
    return result;
}

int CQxObject::IsTreeRectHit(unsigned int mask, int deep, int objectMode, int handle, const CQxRect& rect,
                             const CQxViewPort& viewport, CQxMatrixStack& stack, const CQxMatrix& view,
                             const CQxMatrix& projection, CQxSelects& selects) {
    ScopedViewTransform scope(stack, [&](CQxMatrix& local, const CQxMatrix& parent) {
        return GetTransform(local, viewport, parent, view, projection);
    });
    int hit = 0;
    if (m_IsVisible && !m_IsLocked) {
        auto* select = new CQxSelect;
        if (HasPrivateTransform()) {
            CQxMatrix priv;
            const CQxMatrix world = GetPrivateTransform(priv) ? priv * scope.Parent() : scope.Parent();
            hit = IsRectHit(mask, rect, viewport, world, view, projection, *select);
        } else if (IsSkinned() && m_Mode != QX_OBJ_MODE_WEIGHT && objectMode && UpdateSkinHitMatrices(stack.Top())) {
            hit = IsRectHit(mask, rect, viewport, m_BoneTransforms, view, projection, *select);
        } else {
            hit = IsRectHit(mask, rect, viewport, stack.Top(), view, projection, *select);
        }
        if (!hit && handle && !m_IsComponentMode && m_IKRoot)
            hit = IsHandleRectHit(mask, rect, viewport, stack.Top(), view, projection, *select);
        if (hit)
            hit = selects.Push(select) != nullptr;
        else
            delete select;
    }
    // A hit object's record stands for its whole subtree when deep.
    if (hit && deep) return 1;
    for (CQxObject* child : GetChildren())
        hit |= child->IsTreeRectHit(mask, deep, objectMode, handle, rect, viewport, stack, view, projection,
                                    selects);
    return hit;
}

// --- Texture coordinates --------------------------------------------------------------------------

int CQxObject::IsUVHit(const CQxRect& rect, const CQxViewPort& viewport, CQxUVSelects& selects) {
    int result = 0;
    const CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (m_IsVisible && !m_IsLocked && !mesh.Vertices().IsEmpty()) {
        auto* select = new CQxUVSelect(this);
        if (mesh.IsUVRectHit(rect, viewport.Width, viewport.Height, select->HalfEdges()))
            result = selects.Push(select) != nullptr;
        else
            delete select;
    }
    for (CQxObject* child : GetChildren()) result |= child->IsUVHit(rect, viewport, selects);
    return result;
}

int CQxObject::IsUVHit(const CQxPoint& point, float& best, const CQxViewPort& viewport,
                       CQxUVSelects& selects) {
    int result = 0;
    const CQxMesh& mesh = m_Meshes[MESH_MAIN];
    CQxHalfEdge* hit = nullptr;
    if (m_IsVisible && !m_IsLocked && !mesh.Vertices().IsEmpty() &&
        mesh.IsUVPointHit(point, viewport.Width, viewport.Height, best, hit) && hit) {
        // Only nearer hits are reported, so the nearest one replaces what was found before.
        selects.Clear();
        auto* select = new CQxUVSelect(this);
        select->HalfEdges().PushBack(hit);
        result = selects.Push(select) != nullptr;
    }
    for (CQxObject* child : GetChildren()) result |= child->IsUVHit(point, best, viewport, selects);
    return result;
}
