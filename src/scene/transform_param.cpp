#include "qx/scene/transform_param.h"

#include <cmath>

#include "qx/graphics/graphics_context.h"
#include "qx/math/math_helpers.h"
#include "qx/scene/object.h"

namespace {

// Export coordinates flip Z: points keep x and y, rotations keep the turn about Z.
CQxVector Handed(const CQxVector& v, int leftHand) {
    return leftHand ? CQxVector(v.x, v.y, -v.z) : v;
}

CQxQuat Handed(const CQxQuat& q, int leftHand) {
    return leftHand ? CQxQuat(-q.x, -q.y, q.z, q.w) : q;
}

// Builds a product factor by factor: the first factor initialises it, later ones act after.
class MatrixProduct {
public:
    void Append(const CQxMatrix& m) {
        if (m_Used) {
            m_Result *= m;
        } else {
            m_Result = m;
            m_Used = 1;
        }
    }
    int IsUsed() const { return m_Used; }
    const CQxMatrix& Get() const { return m_Result; }

private:
    CQxMatrix m_Result;
    int m_Used = 0;
};

// The rotation that turns direction `from` onto direction `to`, appended to q in the outer frame.
// Opposite directions turn half a turn about `fallback`, or about some axis perpendicular to
// `from` when no fallback is given.
void TurnOnto(CQxQuat& q, const CQxVector& from, const CQxVector& to,
              const CQxVector& fallback = CQxVector()) {
    const float angle = from.GetAngle(to);
    if (angle == 0.0f) return;
    CQxVector axis = from.GetCross(to);
    if (axis.GetLength() <= 1e-6f * from.GetLength() * to.GetLength()) {
        if (angle < QX_PI_2) return; // already parallel
        axis = fallback;
        if (axis.IsNull()) axis = from.GetCross(CQxVector(1.0f, 0.0f, 0.0f));
        if (axis.GetLengthSq() < 1e-6f * from.GetLengthSq())
            axis = from.GetCross(CQxVector(0.0f, 1.0f, 0.0f));
    }
    q.Rotate(axis, angle);
    q.Normalize();
}

} // namespace

CQxTransformParam::CQxTransformParam() {
    Init();
}

void CQxTransformParam::Init() {
    m_Pivot.SetNull();
    m_Scale.SetOne();
    m_Rotate.SetIdentity();
    m_Angle.SetNull();
    m_Translate.SetNull();
}

void CQxTransformParam::SetAngle(const CQxVector& angle) {
    m_Angle = angle;
    m_Rotate.SetRotateXYZ(m_Angle);
}

void CQxTransformParam::AddAngle(const CQxVector& angle) {
    SetAngle(m_Angle + angle);
}

int CQxTransformParam::GetRotate(CQxQuat& out) const {
    if (m_Rotate.IsIdentity()) return 0;
    out = m_Rotate;
    return 1;
}

int CQxTransformParam::SetRotate(const CQxQuat& rotate, int exact) {
    CQxQuat q = rotate;
    if (!q.Normalize()) return 0;
    CQxVector angle;
    if (exact) {
        if (!q.GetRotateXYZ(angle)) return 0;
    } else if (!q.GetRotateXYZ(angle, m_Angle)) {
        return 0;
    }
    m_Rotate = q;
    m_Angle = angle;
    return 1;
}

void CQxTransformParam::Set(const CQxTransformParam& src, QX_AXIS_TYPE axis) {
    *this = src;
    CQxVector angle = m_Angle;
    switch (axis) {
    case QX_AXIS_X:
        m_Pivot.x = -m_Pivot.x;
        m_Translate.x = -m_Translate.x;
        angle.y = -angle.y;
        angle.z = -angle.z;
        break;
    case QX_AXIS_Y:
        m_Pivot.y = -m_Pivot.y;
        m_Translate.y = -m_Translate.y;
        angle.x = -angle.x;
        angle.z = -angle.z;
        break;
    case QX_AXIS_Z:
        m_Pivot.z = -m_Pivot.z;
        m_Translate.z = -m_Translate.z;
        angle.x = -angle.x;
        angle.y = -angle.y;
        break;
    default:
        return;
    }
    SetAngle(angle);
}

int CQxTransformParam::GetTransform(const CQxObject& object, CQxMatrix& out, unsigned int mask,
                                    int leftHand) const {
    MatrixProduct product;
    const CQxVector pivot = Handed(m_Pivot, leftHand);
    if ((mask & QX_TF_PIVOT) && !pivot.IsNull()) product.Append(CQxMatrix::Translation(-pivot));
    if ((mask & QX_TF_SCALE) && !m_Scale.IsOne()) product.Append(CQxMatrix::Scaling(m_Scale));
    const CQxQuat rotate = Handed(m_Rotate, leftHand);
    if ((mask & QX_TF_ROTATE) && !rotate.IsIdentity()) product.Append(rotate.GetRotateMatrix());
    if (mask & QX_TF_SCALE) {
        // A joint does not inherit the scale of the joint above it.
        const CQxObject* parent = object.GetParent();
        if (object.GetType() == QX_OBJ_JOINT && parent && parent->GetType() == QX_OBJ_JOINT &&
            !parent->Scale().IsOne()) {
            CQxMatrix inverse = CQxMatrix::Scaling(parent->Scale());
            if (inverse.Invert()) product.Append(inverse);
        }
    }
    const CQxVector translate = Handed(m_Translate, leftHand);
    if ((mask & QX_TF_TRANSLATE) && !translate.IsNull()) product.Append(CQxMatrix::Translation(translate));
    if (!product.IsUsed()) return 0;
    out = product.Get();
    return 1;
}

CQxMatrix CQxTransformParam::GetTransform(const CQxObject& object, unsigned int mask, int leftHand) const {
    CQxMatrix out;
    GetTransform(object, out, mask, leftHand);
    return out;
}

int CQxTransformParam::IsTransformAvailable(const CQxObject& object, unsigned int mask, int leftHand) const {
    CQxMatrix unused;
    return GetTransform(object, unused, mask, leftHand);
}

int CQxTransformParam::MovePivot(const CQxVector& pivot) {
    if (pivot == m_Pivot) return 0;
    CQxMatrix m;
    if (!m_Scale.IsOne()) m.SetScale(m_Scale);
    if (!m_Rotate.IsIdentity()) m *= m_Rotate.GetRotateMatrix();
    m_Translate += (pivot - m_Pivot) * m;
    m_Pivot = pivot;
    return 1;
}

int CQxTransformParam::GetScreenSizeTransform(const CQxObject& object, float size, float pixels,
                                              CQxMatrix& out, const CQxViewPort& viewport,
                                              const CQxMatrix& parentWorld, const CQxMatrix& view,
                                              const CQxMatrix& projection) const {
    CQxMatrix world = parentWorld;
    CQxMatrix local;
    if (GetTransform(object, local, QX_TF_PIVOT | QX_TF_ROTATE | QX_TF_TRANSLATE, 0))
        world = local * parentWorld;

    // Without a usable view (no inverse, degenerate size) the object keeps its own scale.
    float scale = 0.0f;
    CQxMatrix screen, inverse;
    QxGetScreenTranform(screen, world, view, projection, viewport);
    CQxVector centre;
    if (size > 0.0f && screen.TransformCoord(centre, m_Pivot) &&
        QxGetInvScreenTranform(inverse, world, view, projection, viewport)) {
        CQxVector top, bottom;
        if (inverse.TransformCoord(top, CQxVector(centre.x, centre.y - pixels * 0.5f, centre.z)) &&
            inverse.TransformCoord(bottom, CQxVector(centre.x, centre.y + pixels * 0.5f, centre.z)))
            scale = top.GetDistance(bottom) / size;
    }
    if (!(scale > 0.0f) || !std::isfinite(scale)) return GetTransform(object, out, QX_TF_ALL, 0);

    CQxTransformParam scaled(*this);
    scaled.m_Scale.Set(scale, scale, scale);
    return scaled.GetTransform(object, out, QX_TF_ALL, 0);
}

int CQxTransformParam::CalcBoneRotate(CQxQuat& out, const CQxObject& object, const CQxVector& target,
                                      const CQxVector& up) const {
    const CQxObject* parent = object.GetParent();
    if (!parent) return 0;
    const CQxMatrix fromRoot = parent->GetTransformFromRoot(QX_TF_ALL, 0);
    const CQxVector local = target * fromRoot;
    const CQxVector axis = m_Rotate.Transform(CQxVector(1.0f, 0.0f, 0.0f));
    const CQxVector direction = local - m_Translate;
    if (axis.IsNull() || direction.IsNull()) return 0;

    CQxQuat q = m_Rotate;
    TurnOnto(q, axis, direction);

    // Turn about the bone's new X axis only, so the aim is kept: bring Y toward the part of the
    // up direction that is perpendicular to the bone.
    const CQxVector x = direction.GetNormalized();
    const CQxVector y = q.Transform(CQxVector(0.0f, 1.0f, 0.0f));
    CQxVector u = fromRoot.TransformNormal(up);
    u -= x * u.GetDot(x);
    if (!u.IsNull(1e-6f)) TurnOnto(q, y, u, x);
    out = q;
    return 1;
}
