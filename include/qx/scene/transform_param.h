#pragma once

#include "qx/export.h"
#include "qx/graphics/mesh.h"
#include "qx/graphics/viewport.h"
#include "qx/math/matrix.h"
#include "qx/math/quat.h"
#include "qx/math/vector.h"

class CQxObject;

// Which parts of a transform a query composes (bits of its mask).
enum : unsigned int {
    QX_TF_PIVOT = 1,
    QX_TF_SCALE = 2,
    QX_TF_ROTATE = 4,
    QX_TF_TRANSLATE = 8,
    QX_TF_ALL = 15,
};

// Pivot, scale, rotation (as a quaternion and as Euler angles kept in step) and translation of
// one object. With the full mask a point p of the object maps to
// ((p - pivot) * S * R [* inverse parent joint scale]) + translate, so the translation places
// the pivot in the parent's space. The left-handed flag of the queries gives the same transform
// with Z negated, for export.
class QX_API CQxTransformParam {
public:
    CQxTransformParam();
    CQxTransformParam(const CQxTransformParam&) = default;
    CQxTransformParam& operator=(const CQxTransformParam&) = default;

    void Init();

    CQxVector& Pivot() { return m_Pivot; }
    const CQxVector& Pivot() const { return m_Pivot; }
    CQxVector& Scale() { return m_Scale; }
    const CQxVector& Scale() const { return m_Scale; }
    CQxQuat& Rotate() { return m_Rotate; }
    const CQxQuat& Rotate() const { return m_Rotate; }
    CQxVector& Angle() { return m_Angle; }
    const CQxVector& Angle() const { return m_Angle; }
    CQxVector& Translate() { return m_Translate; }
    const CQxVector& Translate() const { return m_Translate; }

    void SetAngle(const CQxVector& angle);
    void AddAngle(const CQxVector& angle);
    // 0 (out untouched) for the identity rotation.
    int GetRotate(CQxQuat& out) const;
    // The quaternion is normalised first. Exact: the rotation and its Euler angles as they come;
    // otherwise the angles nearest the current ones, and nothing changes when that fails.
    // 1 when the rotation was stored.
    int SetRotate(const CQxQuat& rotate, int exact);
    // Copies src, mirrored about the axis (X, Y or Z; other values copy as is). Scale is never
    // mirrored.
    void Set(const CQxTransformParam& src, QX_AXIS_TYPE axis);

    // The composition of the masked parts for the object; 0 (out untouched) when no part
    // contributes.
    int GetTransform(const CQxObject& object, CQxMatrix& out, unsigned int mask, int leftHand) const;
    CQxMatrix GetTransform(const CQxObject& object, unsigned int mask, int leftHand) const;
    int IsTransformAvailable(const CQxObject& object, unsigned int mask, int leftHand) const;

    // Moves the pivot keeping the object where it is (the translation absorbs the change);
    // 0 when the pivot is already there.
    int MovePivot(const CQxVector& pivot);

    // The full transform with a scale chosen so that `size` model units show `pixels` pixels
    // tall at the pivot's depth under the parent's world matrix, view, projection and viewport.
    int GetScreenSizeTransform(const CQxObject& object, float size, float pixels, CQxMatrix& out,
                               const CQxViewPort& viewport, const CQxMatrix& parentWorld,
                               const CQxMatrix& view, const CQxMatrix& projection) const;

    // The rotation that aims the object's X axis at the target (a point in world space) and
    // turns its Y axis toward the up direction; 0 for an object without a parent, or when the
    // axis or the direction to the target is zero.
    int CalcBoneRotate(CQxQuat& out, const CQxObject& object, const CQxVector& target,
                       const CQxVector& up) const;

private:
    CQxVector m_Pivot;
    CQxVector m_Scale;
    CQxQuat m_Rotate;
    CQxVector m_Angle;
    CQxVector m_Translate;
};
