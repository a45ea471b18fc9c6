#include <algorithm>

#include "qx/math/stacks.h"
#include "qx/scene/object.h"
#include "qx/selection/select.h"

namespace {

// The object's transform to the root with the given parts; false when nothing contributes, in
// which case the callers work in the object's space unchanged.
bool GetToRoot(const CQxObject& object, unsigned int mask, CQxMatrix& out) {
    CQxMatrixStack stack;
    object.GetTransformToRoot(stack, mask, 0);
    if (stack.IsEmpty()) return false;
    out = stack.Top();
    return true;
}

constexpr unsigned int DirectionParts = QX_TF_SCALE | QX_TF_ROTATE;

// The increment q carried into the frame f (f q f^-1 for a unit f).
CQxQuat IntoFrame(const CQxQuat& f, const CQxQuat& q) {
    return f * q * f.GetConjugate().GetInverse().GetConjugate();
}

// A transform that keeps c fixed and applies `middle` about it.
CQxMatrix AboutPoint(const CQxVector& c, const CQxMatrix& middle) {
    CQxMatrix m;
    m.SetTranslate(-c);
    m *= middle;
    m.Translate(c);
    return m;
}

} // namespace

// --- The object -----------------------------------------------------------------------------------

void CQxSelect::WorldMoveObject(const CQxVector& d) {
    if (!m_Object) return;
    CQxQuatStack stack;
    m_Object->GetLocalRotateToRoot(stack);
    m_Object->Translate() += stack.IsEmpty() ? d : d * stack.Top().GetInverse();
}

void CQxSelect::LocalMoveObject(const CQxVector& d) {
    if (m_Object) m_Object->Translate() += d;
}

void CQxSelect::ObjectMoveObject(const CQxVector& d) {
    if (m_Object) m_Object->Translate() += d * m_Object->Rotate();
}

void CQxSelect::WorldRotateObject(const CQxQuat& q) {
    if (!m_Object) return;
    const CQxQuat world = m_Object->GetRotateToRoot();
    m_Object->SetRotate(IntoFrame(world, q) * m_Object->Rotate(), 0);
}

void CQxSelect::LocalRotateObject(const CQxQuat& q) {
    if (m_Object) m_Object->SetRotate(m_Object->Rotate() * q, 0);
}

void CQxSelect::LocalRotateObject(const CQxQuat& q, const CQxQuat& base) {
    if (m_Object) m_Object->SetRotate(base * q, 0);
}

void CQxSelect::ObjectRotateObject(const CQxQuat& q) {
    if (m_Object) m_Object->SetRotate(q * m_Object->Rotate(), 0);
}

// --- The pivot ------------------------------------------------------------------------------------

void CQxSelect::MovePivotBy(const CQxVector& d, const CQxQuat* turn) {
    if (!m_Object) return;
    CQxMatrix toRoot;
    CQxVector step = d;
    if (GetToRoot(*m_Object, DirectionParts, toRoot)) {
        if (turn) step = d * *turn;
        step = toRoot.GetInverse().Transform(step);
    }
    m_Object->MovePivot(m_Object->Pivot() + step);
}

void CQxSelect::WorldMovePivot(const CQxVector& d) {
    MovePivotBy(d, nullptr);
}

void CQxSelect::LocalMovePivot(const CQxVector& d) {
    if (!m_Object) return;
    const CQxQuat local = m_Object->GetLocalRotateToRoot();
    MovePivotBy(d, &local);
}

void CQxSelect::ObjectMovePivot(const CQxVector& d) {
    if (!m_Object) return;
    const CQxQuat world = m_Object->GetRotateToRoot();
    MovePivotBy(d, &world);
}

void CQxSelect::TransformPivotAbout(const CQxVector& centre, const CQxMatrix& middle) {
    CQxMatrix toRoot;
    CQxVector c = centre;
    if (GetToRoot(*m_Object, QX_TF_ALL, toRoot)) {
        CQxMatrix fromRoot; // stays the identity when there is no inverse
        toRoot.GetInverse(fromRoot);
        c = fromRoot.Transform(centre);
    }
    m_Object->MovePivot(AboutPoint(c, middle).Transform(m_Object->Pivot()));
}

void CQxSelect::WorldRotatePivot(const CQxVector& centre, const CQxQuat& q) {
    if (!m_Object) return;
    CQxMatrix toRoot;
    const CQxQuat turn =
        GetToRoot(*m_Object, QX_TF_ALL, toRoot) ? IntoFrame(m_Object->GetRotateToRoot(), q) : q;
    TransformPivotAbout(centre, turn.GetRotateMatrix());
}

void CQxSelect::LocalRotatePivot(const CQxVector& centre, const CQxQuat& q) {
    if (!m_Object) return;
    CQxMatrix toRoot;
    const CQxQuat turn = GetToRoot(*m_Object, QX_TF_ALL, toRoot) ? IntoFrame(m_Object->Rotate(), q) : q;
    TransformPivotAbout(centre, turn.GetRotateMatrix());
}

void CQxSelect::ObjectRotatePivot(const CQxVector& centre, const CQxQuat& q) {
    if (m_Object) TransformPivotAbout(centre, q.GetRotateMatrix());
}

void CQxSelect::ObjectScalePivot(const CQxVector& centre, const CQxVector& s) {
    if (m_Object) TransformPivotAbout(centre, CQxMatrix::Scaling(s));
}

// --- The listed vertices --------------------------------------------------------------------------

void CQxSelect::MoveVerticesBy(const CQxVector& d, const CQxQuat* turn) {
    if (!m_Object || m_Vertices.IsEmpty()) return;
    CQxMatrix toRoot;
    CQxVector step = d;
    if (GetToRoot(*m_Object, DirectionParts, toRoot)) {
        if (turn) step = d * *turn;
        step = toRoot.GetInverse().Transform(step);
    }
    for (CQxVertex* v : m_Vertices) v->Position() += step;
    m_Object->UpdateMovedGeometry();
}

void CQxSelect::WorldMoveVertices(const CQxVector& d) {
    MoveVerticesBy(d, nullptr);
}

void CQxSelect::LocalMoveVertices(const CQxVector& d) {
    if (!m_Object) return;
    const CQxQuat local = m_Object->GetLocalRotateToRoot();
    MoveVerticesBy(d, &local);
}

void CQxSelect::ObjectMoveVertices(const CQxVector& d) {
    if (!m_Object) return;
    const CQxQuat world = m_Object->GetRotateToRoot();
    MoveVerticesBy(d, &world);
}

void CQxSelect::TransformVerticesAbout(const CQxVector& centre, const CQxMatrix& middle) {
    if (!m_Object || m_Vertices.IsEmpty()) return;
    CQxMatrix toRoot;
    CQxVector c = centre;
    if (GetToRoot(*m_Object, QX_TF_ALL, toRoot)) {
        CQxMatrix fromRoot;
        toRoot.GetInverse(fromRoot);
        c = fromRoot.Transform(centre);
    }
    const CQxMatrix about = AboutPoint(c, middle);
    for (CQxVertex* v : m_Vertices) v->Position() = about.Transform(v->Position());
    m_Object->UpdateMovedGeometry();
}

void CQxSelect::WorldRotateVertices(const CQxVector& centre, const CQxQuat& q) {
    if (!m_Object || m_Vertices.IsEmpty()) return;
    CQxMatrix toRoot;
    const CQxQuat turn =
        GetToRoot(*m_Object, QX_TF_ALL, toRoot) ? IntoFrame(m_Object->GetRotateToRoot(), q) : q;
    TransformVerticesAbout(centre, turn.GetRotateMatrix());
}

void CQxSelect::LocalRotateVertices(const CQxVector& centre, const CQxQuat& q) {
    if (!m_Object || m_Vertices.IsEmpty()) return;
    CQxMatrix toRoot;
    const CQxQuat turn = GetToRoot(*m_Object, QX_TF_ALL, toRoot) ? IntoFrame(m_Object->Rotate(), q) : q;
    TransformVerticesAbout(centre, turn.GetRotateMatrix());
}

void CQxSelect::ObjectRotateVertices(const CQxVector& centre, const CQxQuat& q) {
    TransformVerticesAbout(centre, q.GetRotateMatrix());
}

void CQxSelect::ObjectScaleVertices(const CQxVector& centre, const CQxVector& s) {
    TransformVerticesAbout(centre, CQxMatrix::Scaling(s));
}

// --- Sets: every record in order, parents and children alike ---------------------------------------

void CQxSelects::WorldMoveObjects(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->WorldMoveObject(d);
}
void CQxSelects::LocalMoveObjects(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->LocalMoveObject(d);
}
void CQxSelects::ObjectMoveObjects(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->ObjectMoveObject(d);
}
void CQxSelects::WorldRotateObjects(const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->WorldRotateObject(q);
}
void CQxSelects::LocalRotateObjects(const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->LocalRotateObject(q);
}
void CQxSelects::ObjectRotateObjects(const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->ObjectRotateObject(q);
}
void CQxSelects::WorldMovePivots(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->WorldMovePivot(d);
}
void CQxSelects::LocalMovePivots(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->LocalMovePivot(d);
}
void CQxSelects::ObjectMovePivots(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->ObjectMovePivot(d);
}
void CQxSelects::WorldRotatePivots(const CQxVector& centre, const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->WorldRotatePivot(centre, q);
}
void CQxSelects::LocalRotatePivots(const CQxVector& centre, const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->LocalRotatePivot(centre, q);
}
void CQxSelects::ObjectRotatePivots(const CQxVector& centre, const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->ObjectRotatePivot(centre, q);
}
void CQxSelects::ObjectScalePivots(const CQxVector& centre, const CQxVector& s) {
    for (CQxSelect* select : m_Selects) select->ObjectScalePivot(centre, s);
}
void CQxSelects::WorldMoveVertices(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->WorldMoveVertices(d);
}
void CQxSelects::LocalMoveVertices(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->LocalMoveVertices(d);
}
void CQxSelects::ObjectMoveVertices(const CQxVector& d) {
    for (CQxSelect* select : m_Selects) select->ObjectMoveVertices(d);
}
void CQxSelects::WorldRotateVertices(const CQxVector& centre, const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->WorldRotateVertices(centre, q);
}
void CQxSelects::LocalRotateVertices(const CQxVector& centre, const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->LocalRotateVertices(centre, q);
}
void CQxSelects::ObjectRotateVertices(const CQxVector& centre, const CQxQuat& q) {
    for (CQxSelect* select : m_Selects) select->ObjectRotateVertices(centre, q);
}
void CQxSelects::ObjectScaleVertices(const CQxVector& centre, const CQxVector& s) {
    for (CQxSelect* select : m_Selects) select->ObjectScaleVertices(centre, s);
}

void CQxSelects::LocalRotateObjects(const CQxQuat& q, const CQxPtrArray<CQxQuat>& bases) {
    // One starting rotation per record; records without one are left alone.
    const unsigned int count = m_Selects.GetSize();
    for (unsigned int i = 0; i < count && i < bases.GetSize(); ++i)
        if (bases[i]) m_Selects[i]->LocalRotateObject(q, *bases[i]);
}

// --- Extrusion drags ------------------------------------------------------------------------------

void CQxSelect::ExtrudeVertices(float d, const CQxArray<CQxHalfEdge*>& sides) {
    if (!m_Object) return;
    for (const CQxFace* f : m_Faces) {
        const CQxVector step = f->Normal() * d;
        f->ForEachHalfEdge([&](CQxHalfEdge& h) { h.GetVertex()->Position() += step; });
    }
    const unsigned int count = std::min(m_HalfEdges.GetSize(), sides.GetSize());
    for (unsigned int i = 0; i < count; ++i) {
        const CQxHalfEdge* h = m_HalfEdges[i];
        const CQxVector step = sides[i]->GetFace()->Normal() * d;
        h->GetVertex()->Position() += step;
        h->GetEndVertex()->Position() += step;
    }
    m_Object->UpdateMovedGeometry();
}

void CQxSelects::ExtrudeVertices(float d, const CQxPtrArray<CQxArray<CQxHalfEdge*>>& sides) {
    const CQxArray<CQxHalfEdge*> none;
    for (unsigned int i = 0; i < m_Selects.GetSize(); ++i)
        m_Selects[i]->ExtrudeVertices(d, i < sides.GetSize() && sides[i] ? *sides[i] : none);
}
