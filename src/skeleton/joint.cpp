#include "qx/skeleton/joint.h"

#include <cmath>

#include "qx/math/quat.h"
#include "qx/math/stacks.h"
#include "qx/scene/settings.h"

CQxJoint::CQxJoint(int user) : CQxObject(user) {}

CQxJoint::CQxJoint(const CQxJoint& other)
    : CQxObject(other), m_Radius(other.m_Radius), m_Divisions(other.m_Divisions) {
    // The copied mesh holds the other joint's bones, which this copy (without children) lacks.
    if (!Mesh().IsEmpty()) Recreate();
}

CQxJoint& CQxJoint::operator=(const CQxJoint& other) {
    if (this == &other) return *this;
    ClearBoneVertices(); // they point into the mesh about to be replaced
    CQxObject::operator=(other);
    m_Radius = other.m_Radius;
    m_Divisions = other.m_Divisions;
    if (!Mesh().IsEmpty()) Recreate();
    return *this;
}

CQxJoint::~CQxJoint() = default;

void CQxJoint::Delete() {
    ClearBoneVertices();
    CQxObject::Delete();
}

int CQxJoint::GetPrivateTransform(CQxMatrix& out) const {
    return TFParam().GetTransform(*this, out, QX_TF_PIVOT | QX_TF_ROTATE | QX_TF_TRANSLATE, 0);
}

void CQxJoint::DrawJoint() {
    // The primitives are refreshed only when a child joint moved since the last frame.
    int moved = 0;
    if (PlaceBoneVertices(moved) && moved) UpdateGeometry();
    DrawLighted();
}

int CQxJoint::Create(float radius, unsigned int divisions) {
    m_Radius = radius;
    m_Divisions = divisions;
    return Recreate() > 0;
}

int CQxJoint::Recreate() {
    ClearBoneVertices();
    if (!Mesh().CreateJoint(m_Radius, m_Divisions, QxJointColor())) {
        // Whatever the mesh held belonged to the old ball and bones.
        Mesh().Clear();
        UpdateBoundBox();
        UpdateGraphics();
        return 0;
    }
    CQxArray<CQxJoint*> children;
    GetChildJoints(children);
    for (unsigned int j = 0; j < children.GetSize(); ++j) {
        CQxVertex* vertex = Mesh().CreateBone(QxJointColor());
        for (unsigned int role = 0; role < BoneVertexCount && vertex; ++role) {
            m_BoneVertices[role].PushBack(vertex);
            vertex = vertex->Next();
        }
    }
    // A bone the mesh could not make leaves the roles unequal: keep no bones rather than
    // misplaced ones.
    for (unsigned int role = 1; role < BoneVertexCount; ++role)
        if (m_BoneVertices[role].GetSize() != m_BoneVertices[0].GetSize()) ClearBoneVertices();
    UpdateBoneVertices();
    UpdateBoundBox();
    UpdateGraphics();
    return 1;
}

int CQxJoint::SetRadius(float radius) {
    if (radius == m_Radius) return 0;
    m_Radius = radius;
    Recreate();
    return 1;
}

int CQxJoint::UpdateBoneVertices() {
    int moved = 0;
    return PlaceBoneVertices(moved);
}

int CQxJoint::PlaceBoneVertices(int& moved) {
    moved = 0;
    if (Mesh().IsEmpty()) return 0;
    CQxArray<CQxJoint*> children;
    GetChildJoints(children);
    if (children.GetSize() != GetBoneShapeCount()) return 0;

    const CQxVector& pivot = Pivot();
    const CQxVector& scale = Scale();
    for (unsigned int j = 0; j < children.GetSize(); ++j) {
        // The child's pivot sits at its translation in this joint's space, which this joint's
        // scale stretches; the ball and bones are drawn without that scale, so the tip takes it.
        const CQxVector& t = children[j]->Translate();
        const CQxVector dir((t.x - pivot.x) * scale.x, (t.y - pivot.y) * scale.y, (t.z - pivot.z) * scale.z);
        const float length = dir.GetLength();
        CQxMatrix place;
        place.SetScale(length);
        if (length > 0.0f) {
            const CQxVector unit = dir * (1.0f / length);
            const float cosine = std::fmax(-1.0f, std::fmin(1.0f, unit.x));
            CQxVector axis = CQxVector(1.0f, 0.0f, 0.0f).GetCross(unit);
            // Pointing backward along X the cross product vanishes; any perpendicular axis turns it.
            if (axis.GetLengthSq() < 1e-12f) axis = CQxVector(0.0f, 1.0f, 0.0f);
            if (cosine < 1.0f) place.Rotate(axis, std::acos(cosine));
        }
        place.Translate(pivot);
        for (unsigned int role = 0; role < BoneVertexCount; ++role) {
            CQxVector& position = m_BoneVertices[role][j]->Position();
            const CQxVector target = CQxMesh::GetBoneTemplateVertex(role) * place;
            if (target.x != position.x || target.y != position.y || target.z != position.z) {
                position = target;
                moved = 1;
            }
        }
    }
    if (moved) Mesh().UpdateNormals();
    return 1;
}

void CQxJoint::Duplicate(const CQxJoint& source, QX_AXIS_TYPE axis) {
    CQxObject::Duplicate(source, axis);
    m_Radius = source.m_Radius;
    m_Divisions = source.m_Divisions;
    // The duplicate has no children yet: a ball without bones.
    if (!Mesh().IsEmpty()) Recreate();
}

void CQxJoint::GetBones(CQxArray<CQxJoint*>& bones) {
    bones.PushBack(this);
    CQxArray<CQxJoint*> children;
    GetChildJoints(children);
    for (CQxJoint* child : children) child->GetBones(bones);
}

unsigned int CQxJoint::GetBoneCount() const {
    CQxArray<CQxJoint*> children;
    GetChildJoints(children);
    unsigned int count = 1;
    for (const CQxJoint* child : children) count += child->GetBoneCount();
    return count;
}

int CQxJoint::FindBone(const CQxJoint* joint) const {
    if (!joint) return 0;
    if (joint == this) return 1;
    CQxArray<CQxJoint*> children;
    GetChildJoints(children);
    for (const CQxJoint* child : children)
        if (child->FindBone(joint)) return 1;
    return 0;
}

int CQxJoint::CalcBoneRotate(CQxQuat& out, const CQxVector& target, const CQxVector& up) const {
    return TFParam().CalcBoneRotate(out, *this, target, up);
}

// --- Skeleton walks -----------------------------------------------------------------------------
// Every walk below visits a joint before its child joints, in child order, so one numbering
// serves the bone list, the bone indices, the bind parameters and the vertices' bone indices.

namespace {

// Calls visit(joint, index) for the skeleton in bone order, keeping on `stack` the product of
// the transforms that `transform(joint, index, matrix)` gives, joint first (on the left), so
// that at each visit the top maps the joint's space to the space above the root.
template <typename Transform, typename Visit>
void WalkSkeleton(CQxJoint& joint, unsigned int& index, CQxMatrixStack& stack, Transform& transform,
                  Visit& visit) {
    CQxMatrix m;
    if (!transform(joint, index, m)) m.SetIdentity();
    stack.PushLeft(m);
    visit(joint, index++);
    for (unsigned int i = 0; i < joint.GetChildCount(); ++i)
        if (auto* child = dynamic_cast<CQxJoint*>(joint.GetChild(i)))
            WalkSkeleton(*child, index, stack, transform, visit);
    stack.Pop();
}

} // namespace

int CQxJoint::GetBindMatrices(CQxArray<CQxMatrix>& out, const CQxArray<CQxTransformParam>& params,
                              int leftHand) {
    if (params.GetSize() != GetBoneCount()) return 0;
    out.Resize(params.GetSize());
    CQxMatrixStack stack;
    unsigned int index = 0;
    auto transform = [&](const CQxJoint& bone, unsigned int i, CQxMatrix& m) {
        return params[i].GetTransform(bone, m, QX_TF_ALL, leftHand);
    };
    auto visit = [&](CQxJoint&, unsigned int i) { out[i] = stack.Top(); };
    WalkSkeleton(*this, index, stack, transform, visit);
    return 1;
}

int CQxJoint::GetBoneMatrices(CQxArray<CQxMatrix>& out, const CQxMatrix& space, const CQxMatrix& offset,
                              const CQxArray<CQxMatrix>& bind) {
    if (bind.GetSize() != GetBoneCount()) return 0;
    CQxMatrix inverseOffset;
    if (!offset.GetInverse(inverseOffset)) return 0;
    const CQxMatrix after = inverseOffset * space;
    out.Resize(bind.GetSize());
    CQxMatrixStack stack;
    unsigned int index = 0;
    auto transform = [](const CQxJoint& bone, unsigned int, CQxMatrix& m) {
        return bone.GetTransform(m, QX_TF_ALL, 0);
    };
    auto visit = [&](CQxJoint&, unsigned int i) {
        CQxMatrix inverseBind;
        if (!bind[i].GetInverse(inverseBind)) inverseBind.SetIdentity();
        out[i] = offset * inverseBind * stack.Top() * after;
    };
    WalkSkeleton(*this, index, stack, transform, visit);
    return 1;
}

void CQxJoint::UpdateBoneIndices() {
    CQxMatrixStack stack;
    unsigned int index = 0;
    auto transform = [](const CQxJoint&, unsigned int, CQxMatrix&) { return 0; };
    auto visit = [](CQxJoint& bone, unsigned int i) { bone.m_BoneIndex = i; };
    WalkSkeleton(*this, index, stack, transform, visit);
}

void CQxJoint::GetBonePositions(CQxArray<CQxVector>& out, const CQxObject& object) {
    // Bone space to the space above the root, then to the world, then into the object.
    const CQxMatrix toObject = GetLocalTransformToRoot(QX_TF_ALL, 0) * object.GetTransformFromRoot(QX_TF_ALL, 0);
    CQxMatrixStack stack;
    unsigned int index = 0;
    auto transform = [](const CQxJoint& bone, unsigned int, CQxMatrix& m) {
        return bone.GetTransform(m, QX_TF_ALL, 0);
    };
    auto visit = [&](CQxJoint& bone, unsigned int) {
        out.PushBack(bone.Pivot() * stack.Top() * toObject);
    };
    WalkSkeleton(*this, index, stack, transform, visit);
}

void CQxJoint::ClearBoneVertices() {
    for (CQxArray<CQxVertex*>& vertices : m_BoneVertices) vertices.Clear();
}

void CQxJoint::GetChildJoints(CQxArray<CQxJoint*>& joints) const {
    for (unsigned int i = 0; i < GetChildCount(); ++i) {
        // A clone of a joint reports the joint type but is no joint.
        if (auto* joint = dynamic_cast<CQxJoint*>(GetChild(i))) joints.PushBack(joint);
    }
}
