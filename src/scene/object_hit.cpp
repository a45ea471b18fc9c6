#include <algorithm>
#include <cfloat>
#include <utility>

#include "object_internal.h"
#include "qx/graphics/graphics_context.h"
#include "qx/graphics/settings.h"
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

// Whether anything of the main mesh can show within the screen rectangle (pixels): the screen
// bounds of its box's corners meet it. Without a box (MESH_BOUND is built with it), or with a
// corner on or behind the eye plane, only the exact test can tell. Eight corners are projected
// here directly: the mesh tests' block machinery costs more than a small mesh's whole test.
int MayHoldBox(const CQxMesh& boxMesh, const CQxBoundBox& box, float left, float top, float right, float bottom,
               const CQxViewPort& viewport, const CQxMatrix& world, const CQxMatrix& view,
               const CQxMatrix& projection) {
    if (boxMesh.Vertices().IsEmpty()) return 1;
    CQxMatrix toScreen;
    QxGetScreenTranform(toScreen, world, view, projection, viewport);
    const auto& m = toScreen.m;
    const CQxVector& lo = box.GetMin();
    const CQxVector& hi = box.GetMax();
    float x0 = FLT_MAX, y0 = FLT_MAX, x1 = -FLT_MAX, y1 = -FLT_MAX;
    for (int k = 0; k < 8; ++k) {
        const float x = k & 1 ? hi.x : lo.x, y = k & 2 ? hi.y : lo.y, z = k & 4 ? hi.z : lo.z;
        const float w = x * m[0][3] + y * m[1][3] + z * m[2][3] + m[3][3];
        if (!(w > 1e-6f)) return 1;
        const float sx = (x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0]) / w;
        const float sy = (x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1]) / w;
        x0 = std::min(x0, sx);
        x1 = std::max(x1, sx);
        y0 = std::min(y0, sy);
        y1 = std::max(y1, sy);
    }
    return x1 >= left && x0 <= right && y1 >= top && y0 <= bottom;
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
    // The pick reaches QxPickSize pixels around the point (one more for rounding).
    const float r = std::max(QxPickSize(), 0.0f) + 1.0f, x = static_cast<float>(point.x),
                y = static_cast<float>(point.y);
    if (!MayHoldBox(m_Meshes[MESH_BOUND], m_BoundBox, x - r, y - r, x + r, y + r, viewport, world, view, projection))
        return 0;
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
    if (!MayHoldBox(m_Meshes[MESH_BOUND], m_BoundBox, static_cast<float>(rect.left), static_cast<float>(rect.top),
                    static_cast<float>(rect.right), static_cast<float>(rect.bottom), viewport, world, view,
                    projection))
        return 0;
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
