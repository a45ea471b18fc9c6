#pragma once

#include "qx/basis/array.h"
#include "qx/export.h"
#include "qx/scene/object.h"

// A joint of a skeleton, drawn as a ball and, for every child joint, a bone shape reaching from
// it to that child. The skeleton below a joint follows joint children only. A joint does not
// inherit its parent joint's scale, and its ball and bones are drawn without its own scale
// (the private transform).
class QX_API CQxJoint : public CQxObject {
public:
    // The five vertex roles of a bone shape: the root, a ring of three, the tip.
    static constexpr unsigned int BoneVertexCount = 5;

    explicit CQxJoint(int user = 0);
    // The object part, radius and divisions; the ball is built again (the copy has no
    // children, so no bones).
    CQxJoint(const CQxJoint& other);
    // Everything, children included; ball and bones are rebuilt for the copied children.
    CQxJoint& operator=(const CQxJoint& other);
    ~CQxJoint() override;

    // --- Overrides ------------------------------------------------------------------------------
    void Delete() override;
    QX_OBJ_TYPE GetType() const override { return QX_OBJ_JOINT; }
    int HasPrivateTransform() const override { return 1; }
    // Pivot, rotation and translation: the joint without its scale.
    int GetPrivateTransform(CQxMatrix& out) const override;

protected:
    // Places the bones at the child joints, then draws lit.
    void DrawJoint() override;

public:
    // --- Added virtual operations ---------------------------------------------------------------
    // Stores both and builds ball and bones; 0 when the ball cannot be built.
    virtual int Create(float radius, unsigned int divisions);
    // Builds the ball and one bone per child joint anew; 0 (without a mesh) when the ball
    // cannot be built.
    virtual int Recreate();
    // The bone-to-skeleton-root matrices of a pose given as one transform parameter per bone
    // (bone order), right-handed (0) or left-handed (1). 0 when the counts differ.
    virtual int GetBindMatrices(CQxArray<CQxMatrix>& out, const CQxArray<CQxTransformParam>& params,
                                int leftHand);

    // --- Fields and operations ------------------------------------------------------------------
    const float& Radius() const { return m_Radius; }
    const unsigned int& Divisions() const { return m_Divisions; }
    // Rebuilds with the new radius; 0 when it is the current one (nothing is rebuilt).
    int SetRadius(float radius);
    // The vertices of role i (0..4) of each bone, in child-joint order.
    const CQxArray<CQxVertex*>& BoneVertices(unsigned int role) const {
        return m_BoneVertices[role < BoneVertexCount ? role : 0];
    }
    unsigned int GetBoneShapeCount() const { return m_BoneVertices[0].GetSize(); }
    // Stretches each bone from this joint's pivot to its child joint; 0 for a joint without a
    // mesh or whose children no longer match its bones.
    int UpdateBoneVertices();

    void Duplicate(const CQxJoint& source, QX_AXIS_TYPE axis);

    // The skeleton in pre-order, stepping only into joint children: this joint first.
    void GetBones(CQxArray<CQxJoint*>& bones);
    unsigned int GetBoneCount() const;
    // Whether the joint is this one or in its skeleton.
    int FindBone(const CQxJoint* joint) const;
    // Numbers the skeleton 0, 1, 2, ... in bone order.
    void UpdateBoneIndices();
    unsigned int GetBoneIndex() const { return m_BoneIndex; }
    // Each bone's origin in the frame of `object`, in bone order.
    void GetBonePositions(CQxArray<CQxVector>& out, const CQxObject& object);
    // The deformation matrices of the present pose: bone i maps a bound vertex by
    // offset x inverse(bind[i]) x current[i] x inverse(offset) x space (current[i] the bone's
    // present bone-to-root matrix). 0 when the bind matrices do not match the skeleton.
    int GetBoneMatrices(CQxArray<CQxMatrix>& out, const CQxMatrix& space, const CQxMatrix& offset,
                        const CQxArray<CQxMatrix>& bind);
    // The rotation aiming the joint's X axis at the target (world space) with Y toward up.
    int CalcBoneRotate(CQxQuat& out, const CQxVector& target, const CQxVector& up) const;

private:
    // UpdateBoneVertices, telling whether any vertex moved.
    int PlaceBoneVertices(int& moved);
    void ClearBoneVertices();
    // The child joints in child order.
    void GetChildJoints(CQxArray<CQxJoint*>& joints) const;

    unsigned int m_BoneIndex = 0;
    float m_Radius = 2.0f;
    unsigned int m_Divisions = 10;
    CQxArray<CQxVertex*> m_BoneVertices[BoneVertexCount];
};
