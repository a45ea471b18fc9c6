#include <cmath>
#include <vector>

#include "qx/skeleton/ik.h"

#include "qx/math/math_helpers.h"
#include "qx/scene/object.h"

namespace {

// A chain joint bent less than this from folded or from straight gets no hinge: its bend
// plane is too poorly defined to keep.
constexpr float kMinHingeBend = 0.08726647f; // 5 degrees
constexpr float kMaxHingeBend = 3.0543263f;  // 175 degrees

// The sweeps of the calling thread's last solve, for QxGetLastIKSweeps.
thread_local unsigned int lastSweeps = 0;

bool IsZero(const CQxVector& v) {
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

bool IsFinite(const CQxVector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The turn about `axis` from a to b, signed by the side of the axis the turn goes.
float SignedAngle(const CQxVector& a, const CQxVector& b, const CQxVector& axis) {
    const float angle = a.GetAngle(b);
    return a.GetCross(b).GetDot(axis) < 0.0f ? -angle : angle;
}

// Turns a joint's rotation further about an axis of its parent's frame, keeping its Euler
// angles in step with the quaternion.
void TurnJoint(CQxObject& joint, const CQxVector& axis, float angle) {
    CQxQuat q = joint.Rotate();
    if (!q.Rotate(axis, angle)) return;
    if (!joint.SetRotate(q, 0)) joint.SetRotate(q, 1);
}

// What one joint's step of a sweep came to.
enum class Step { Turned, Skipped, Finished, Refused };

} // namespace

// --- Making and clearing a chain --------------------------------------------------------------------

int CQxObject::SetIKRoot(CQxObject* root) {
    if (!root || root == m_IKRoot || !FindAncestor(root)) return 0;
    m_IKRoot = root;
    m_IKConstraints.Resize(GetIKNodeCount(root), 0);
    const CQxObject* child = this;
    unsigned int i = 0;
    for (CQxObject* joint = GetParent();; joint = joint->GetParent(), ++i) {
        CQxRotateConstraint& constraint = m_IKConstraints[i];
        constraint.Init();
        if (joint == root) break;
        // The bend between the bone in from the parent and the bone out to the next chain node,
        // both in the parent's frame.
        const CQxVector& at = joint->Translate();
        const CQxVector in = joint->GetParent()->Pivot() - at;
        const CQxVector out = joint->GetTransform(QX_TF_ALL, 0).Transform(child->Translate()) - at;
        if (!IsZero(in) && !IsZero(out)) {
            const float bend = in.GetAngle(out);
            CQxVector axis = in.GetCross(out);
            if (bend > kMinHingeBend && bend < kMaxHingeBend && axis.Normalize()) {
                constraint.PlaneDir() = axis;
                constraint.MinAngle() = 0.0f;
                constraint.MaxAngle() = QX_PI;
            }
        }
        child = joint;
    }
    UpdateGeometry();
    return 1;
}

void CQxObject::ClearIKRoot() {
    if (!m_IKRoot) return;
    m_IKRoot = nullptr;
    m_IKConstraints.Clear();
    UpdateGeometry();
}

unsigned int CQxObject::GetIKNodeCount(CQxObject* root) const {
    if (!FindAncestor(root)) return 0;
    unsigned int count = 1;
    for (const CQxObject* node = GetParent(); node != root; node = node->GetParent()) ++count;
    return count;
}

unsigned int CQxObject::GetIKNodes(CQxObject* root, CQxArray<CQxObject*>& nodes) const {
    nodes.Empty();
    if (!FindAncestor(root)) return 0;
    for (CQxObject* node = GetParent();; node = node->GetParent()) {
        nodes.PushBack(node);
        if (node == root) break;
    }
    return nodes.GetSize();
}

int CQxObject::HasIKNode(const CQxObject* node) const {
    if (!node || !FindAncestor(m_IKRoot)) return 0;
    return GetParent()->FindToAncestor(m_IKRoot, node);
}

// --- Solving ----------------------------------------------------------------------------------------

namespace {

// What one joint's step works with, all in the joint's parent's frame.
struct JointStep {
    CQxObject* Joint;
    const CQxRotateConstraint* Constraint; // null: turns freely
    CQxVector Goal;
    CQxVector Effector;
    CQxVector Child; // the chain node below the joint
    bool IsRoot;
};

// One joint's step of cyclic coordinate descent: turns the joint so that the effector comes as
// near the goal as its constraint lets it.
Step SolveJoint(const JointStep& s, float tolerance) {
    CQxObject& joint = *s.Joint;
    const CQxVector& at = joint.Translate();
    if (!s.Constraint || !s.Constraint->IsValid()) {
        const CQxVector toGoal = s.Goal - at;
        if (IsZero(toGoal)) return Step::Refused;
        const CQxVector toEffector = s.Effector - at;
        if (IsZero(toEffector)) return Step::Skipped;
        const float angle = toEffector.GetAngle(toGoal);
        if (s.IsRoot && std::fabs(angle) < tolerance) return Step::Finished;
        CQxVector axis = toEffector.GetCross(toGoal);
        if (IsZero(axis)) {
            if (angle == 0.0f) return Step::Skipped;
            // Pointing straight away from the goal: any axis across the bone turns it round.
            axis = toEffector.GetCross(CQxVector(1.0f, 0.0f, 0.0f));
            if (IsZero(axis)) axis = toEffector.GetCross(CQxVector(0.0f, 1.0f, 0.0f));
        }
        TurnJoint(joint, axis, angle);
        return Step::Turned;
    }

    // A hinge: the bend happens in the plane through the joint across PlaneDir.
    const CQxVector& normal = s.Constraint->PlaneDir();
    auto inPlane = [&](const CQxVector& p) {
        const CQxVector d = p - at;
        return d - normal * d.GetDot(normal);
    };
    const CQxVector toGoal = inPlane(s.Goal);
    if (IsZero(toGoal)) return Step::Refused;
    const CQxObject* parent = joint.GetParent();
    const CQxVector toEffector = inPlane(s.Effector);
    const CQxVector toParent = parent ? inPlane(parent->Pivot()) : CQxVector();
    const CQxVector toChild = inPlane(s.Child);
    if (IsZero(toEffector) || IsZero(toParent) || IsZero(toChild)) return Step::Skipped;
    const float bend = SignedAngle(toParent, toChild, normal);
    float target = bend + SignedAngle(toEffector, toGoal, normal);
    s.Constraint->ConstrainAngle(target);
    const float delta = QxValidateAngle(target - bend);
    if (s.IsRoot && std::fabs(delta) < tolerance) return Step::Finished;
    TurnJoint(joint, normal, delta);
    return Step::Turned;
}

} // namespace

unsigned int QxGetLastIKSweeps() {
    return lastSweeps;
}

int CQxObject::ExecuteIK(CQxObject* end, const CQxVector& goal, float tolerance) {
    lastSweeps = 0;
    if (!end || !(tolerance > 0.0f) || !IsFinite(goal)) return 0;
    CQxObject* root = end->IKRoot();
    // A chain broken by a later edit (its root no longer above its end), or an effector off it
    // or at its root, leaves nothing to turn.
    if (!root || !end->FindAncestor(root)) return 0;
    if (this != end && (this == root || !end->HasIKNode(this))) return 0;
    const CQxArray<CQxRotateConstraint>& constraints = end->IKConstraints();

    // The chain from the end's parent up to the root, and the constraint index of the first
    // joint above the effector: joints below it are walked past but never turned.
    std::vector<CQxObject*> chain;
    for (CQxObject* joint = end->GetParent();; joint = joint->GetParent()) {
        chain.push_back(joint);
        if (joint == root) break;
    }
    std::size_t first = 0;
    while (chain[first] != GetParent()) ++first;
    // A sweep turns each joint after the joints below it, so the frames of the joints above the
    // one being turned are still those the sweep started with: their from-world matrices are
    // taken once per sweep, from the top down.
    const CQxObject* above = root->GetParent();
    const CQxMatrix aboveToRoot = above ? above->GetTransformToRoot(QX_TF_ALL, 0) : CQxMatrix();
    std::vector<CQxMatrix> toRoot(chain.size());
    std::vector<CQxVector> goals(chain.size()); // the goal in each joint's parent's frame

    // The root's correction falls under the tolerance within a few sweeps for goals in reach;
    // the cap bounds a mouse-move step whatever the chain, and the pose reached by then is kept.
    for (unsigned int sweep = 0; sweep < QX_IK_MAX_SWEEPS; ++sweep) {
        lastSweeps = sweep + 1;
        for (std::size_t i = chain.size(); i-- > first;) {
            const bool isTop = i + 1 == chain.size();
            const CQxMatrix& parentToRoot = isTop ? aboveToRoot : toRoot[i + 1];
            goals[i] = isTop && !above ? goal : parentToRoot.GetInverse().Transform(goal);
            toRoot[i] = chain[i]->GetTransform(QX_TF_ALL, 0) * parentToRoot;
        }
        // The effector carried up the chain: its position in the current joint's own frame.
        CQxVector effector = Translate();
        const CQxObject* child = this;
        for (std::size_t i = first; i < chain.size(); ++i) {
            CQxObject* joint = chain[i];
            const CQxMatrix local = joint->GetTransform(QX_TF_ALL, 0);
            JointStep step{joint,
                           i < constraints.GetSize() ? &constraints[i] : nullptr,
                           goals[i],
                           local.Transform(effector),
                           local.Transform(child->Translate()),
                           joint == root};
            const Step result = SolveJoint(step, tolerance);
            if (result == Step::Refused) return 0;
            if (result == Step::Finished) return 1;
            // One joint turns the effector onto the goal in one step.
            if (child == this && joint == root) return 1;
            effector = result == Step::Turned ? joint->GetTransform(QX_TF_ALL, 0).Transform(effector)
                                              : step.Effector;
            child = joint;
        }
    }
    return 1;
}
