#include <algorithm>

#include "qx/graphics/primitive.h"
#include "qx/scene/object.h"
#include "qx/views/camera.h"

// --- The object's own transform ------------------------------------------------------------------

int CQxObject::GetTransform(CQxMatrix& out, const CQxViewPort&, const CQxMatrix&, const CQxMatrix&,
                            const CQxMatrix&) {
    return GetTransform(out, QX_TF_ALL, 0);
}

int CQxObject::GetTransform(CQxMatrix& out, unsigned int mask, int leftHand) const {
    return m_TFParam.GetTransform(*this, out, mask, leftHand);
}

int CQxObject::IsTransformAvailable(unsigned int mask, int leftHand) const {
    return m_TFParam.IsTransformAvailable(*this, mask, leftHand);
}

CQxMatrix CQxObject::GetTransform(unsigned int mask, int leftHand) const {
    CQxMatrix out;
    GetTransform(out, mask, leftHand);
    return out;
}

// --- Chains of transforms ------------------------------------------------------------------------

namespace {

// Pushes the transforms from `first` up to (not including) `stop`; null stop walks to the root.
void PushTransformsUpward(const CQxObject* first, const CQxObject* stop, CQxMatrixStack& stack,
                          unsigned int mask, int leftHand) {
    for (const CQxObject* o = first; o && o != stop; o = o->GetParent()) {
        CQxMatrix m;
        if (o->GetTransform(m, mask, leftHand)) stack.PushRight(m);
    }
}

CQxMatrix TopOrIdentity(const CQxMatrixStack& stack) {
    return stack.IsEmpty() ? CQxMatrix() : stack.Top();
}

// The inverse of the top, or the identity when the stack is empty or the top has no inverse.
CQxMatrix InverseTop(const CQxMatrixStack& stack) {
    return stack.IsEmpty() ? CQxMatrix() : stack.Top().GetInverse();
}

void PushRotatesUpward(const CQxObject* first, CQxQuatStack& stack) {
    for (const CQxObject* o = first; o; o = o->GetParent())
        if (!o->Rotate().IsIdentity()) stack.PushRight(o->Rotate());
}

} // namespace

void CQxObject::GetTransformToRoot(CQxMatrixStack& stack, unsigned int mask, int leftHand) const {
    PushTransformsUpward(this, nullptr, stack, mask, leftHand);
}

void CQxObject::GetLocalTransformToRoot(CQxMatrixStack& stack, unsigned int mask, int leftHand) const {
    PushTransformsUpward(GetParent(), nullptr, stack, mask, leftHand);
}

void CQxObject::GetTransformToAncestor(const CQxObject* ancestor, CQxMatrixStack& stack, unsigned int mask,
                                       int leftHand) const {
    PushTransformsUpward(this, ancestor, stack, mask, leftHand);
}

void CQxObject::GetEveryInvTransformToRoot(CQxMatrixStack& stack, unsigned int mask, int leftHand) const {
    for (const CQxObject* o = this; o; o = o->GetParent()) {
        CQxMatrix m;
        if (o->GetTransform(m, mask, leftHand)) m = m.GetInverse();
        stack.PushLeft(m);
    }
}

CQxMatrix CQxObject::GetTransformToRoot(unsigned int mask, int leftHand) const {
    CQxMatrixStack stack;
    GetTransformToRoot(stack, mask, leftHand);
    return TopOrIdentity(stack);
}

CQxMatrix CQxObject::GetLocalTransformToRoot(unsigned int mask, int leftHand) const {
    CQxMatrixStack stack;
    GetLocalTransformToRoot(stack, mask, leftHand);
    return TopOrIdentity(stack);
}

CQxMatrix CQxObject::GetTransformToAncestor(const CQxObject* ancestor, unsigned int mask,
                                            int leftHand) const {
    CQxMatrixStack stack;
    GetTransformToAncestor(ancestor, stack, mask, leftHand);
    return TopOrIdentity(stack);
}

CQxMatrix CQxObject::GetTransformFromRoot(unsigned int mask, int leftHand) const {
    CQxMatrixStack stack;
    GetTransformToRoot(stack, mask, leftHand);
    return InverseTop(stack);
}

CQxMatrix CQxObject::GetLocalTransformFromRoot(unsigned int mask, int leftHand) const {
    CQxMatrixStack stack;
    GetLocalTransformToRoot(stack, mask, leftHand);
    return InverseTop(stack);
}

CQxMatrix CQxObject::GetTransformFromAncestor(const CQxObject* ancestor, unsigned int mask,
                                              int leftHand) const {
    CQxMatrixStack stack;
    GetTransformToAncestor(ancestor, stack, mask, leftHand);
    return InverseTop(stack);
}

void CQxObject::GetRotateToRoot(CQxQuatStack& stack) const {
    PushRotatesUpward(this, stack);
}

void CQxObject::GetLocalRotateToRoot(CQxQuatStack& stack) const {
    PushRotatesUpward(GetParent(), stack);
}

CQxQuat CQxObject::GetRotateToRoot() const {
    CQxQuatStack stack;
    GetRotateToRoot(stack);
    return stack.Top();
}

CQxQuat CQxObject::GetLocalRotateToRoot() const {
    CQxQuatStack stack;
    GetLocalRotateToRoot(stack);
    return stack.Top();
}

CQxQuat CQxObject::GetRotateFromRoot() const {
    CQxQuatStack stack;
    GetRotateToRoot(stack);
    return stack.IsEmpty() ? CQxQuat() : stack.Top().GetInverse();
}

CQxQuat CQxObject::GetLocalRotateFromRoot() const {
    CQxQuatStack stack;
    GetLocalRotateToRoot(stack);
    return stack.IsEmpty() ? CQxQuat() : stack.Top().GetInverse();
}

// --- Cached world matrices -----------------------------------------------------------------------

void CQxObject::UpdateTransform(CQxMatrixStack& stack, CQxCamera* camera) {
    const CQxMatrix parent = stack.Top();
    CQxMatrix local;
    const int pushed = camera ? GetTransform(local, camera->ViewPort(), parent, camera->ViewMatrix(),
                                             camera->ProjectionMatrix())
                              : GetTransform(local, QX_TF_ALL, 0);
    if (pushed) stack.PushLeft(local);
    m_Transform = stack.Top();
    if (HasPrivateTransform()) {
        CQxMatrix priv;
        m_PrivateTransform = GetPrivateTransform(priv) ? priv * parent : parent;
    }
    // Every frame is drawn after this walk: a skinned object takes its bones' present pose.
    if (m_RootBone) ShowSkinPose();
    for (CQxObject* child : GetChildren()) child->UpdateTransform(stack, camera);
    if (pushed) stack.Pop();
}

int CQxObject::MovePivot(const CQxVector& pivot) {
    if (!m_TFParam.MovePivot(pivot)) return 0;
    if (m_Primitives[PRIM_PIVOT]) BuildPivotPrimitive();
    return 1;
}

void CQxObject::BuildPivotPrimitive() {
    CQxPrimitive*& marker = m_Primitives[PRIM_PIVOT];
    if (!marker) marker = new CQxPrimitive;
    const float size = m_BoundBox.IsEmpty() ? 0.0f : 0.2f * m_BoundBox.GetMaxSize();
    if (!marker->BuildPivot(Pivot(), size)) {
        delete marker;
        marker = nullptr;
    }
}

// --- Bounding boxes ------------------------------------------------------------------------------

void CQxObject::GetBoundBox(CQxBoundBox& box, CQxMatrixStack& stack) const {
    CQxMatrix local;
    const int pushed = GetTransform(local, QX_TF_ALL, 0);
    if (pushed) stack.PushLeft(local);
    m_Meshes[MESH_MAIN].GetBoundBox(box, &stack.Top());
    for (const CQxObject* child : GetChildren()) child->GetBoundBox(box, stack);
    if (pushed) stack.Pop();
}

void CQxObject::UpdateBoundBox() {
    m_BoundBox.Reset();
    CQxMesh& box = m_Meshes[MESH_BOUND];
    if (!m_Meshes[MESH_MAIN].GetBoundBox(m_BoundBox) || m_BoundBox.IsEmpty()) {
        box.Clear();
        return;
    }
    // A flat or empty extent still gets a box the hit tests can use.
    const CQxVector size = m_BoundBox.GetSize();
    const float least = 1e-5f * std::max(1.0f, m_BoundBox.GetMaxSize());
    if (!box.CreateCube(0, std::max(size.x, least), std::max(size.y, least), std::max(size.z, least), 1, 1, 1,
                        nullptr, 0)) {
        box.Clear();
        return;
    }
    box.OffsetVertices(m_BoundBox.GetCenter());
    box.UpdateIndices();
}
