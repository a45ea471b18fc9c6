// Skin binding of a mesh object to a skeleton, and the bent pose its primitives show.

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "object_internal.h"
#include "qx/basis/run_both.h"
#include "qx/graphics/primitive.h"
#include "qx/scene/settings.h"
#include "qx/skeleton/joint.h"

using namespace qx_object;

namespace {

// The score of a bone lying under the vertex: taken at once, before any other.
constexpr double kOnBone = 3.4028235e38;
// Bone indices are stored in a byte per slot.
constexpr unsigned int kMaxBones = 256;

// The skeleton as binding sees it: bone positions in the mesh's frame, and per bone its parent
// and its joint children, all by bone index.
struct Skeleton {
    std::vector<CQxVector> Positions;
    std::vector<unsigned int> Parents; // the root's is itself
    std::vector<std::vector<unsigned int>> Children;
    double Dropoff = 10.0;

    double Score(unsigned int bone, const CQxVector& v) const;
    unsigned int Bind(const CQxVector& v, int multi, unsigned int chosen[4], double scores[4]) const;
};

double DistanceToSegment(const CQxVector& p, const CQxVector& a, const CQxVector& b) {
    const double ax = b.x - a.x, ay = b.y - a.y, az = b.z - a.z;
    const double px = p.x - a.x, py = p.y - a.y, pz = p.z - a.z;
    const double length = ax * ax + ay * ay + az * az;
    double t = length > 0.0 ? (px * ax + py * ay + pz * az) / length : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = px - t * ax, dy = py - t * ay, dz = pz - t * az;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The nearest of the bone's segments to its joint children decides; a bone without joint
// children scores 0. Scores are kept in double so that far vertices do not all score 0.
double Skeleton::Score(unsigned int bone, const CQxVector& v) const {
    double best = 0.0;
    for (unsigned int child : Children[bone]) {
        const double d = DistanceToSegment(v, Positions[bone], Positions[child]);
        const double score = d == 0.0 ? kOnBone : std::min(std::pow(1.0 / d, Dropoff), kOnBone);
        best = std::max(best, score);
    }
    return best;
}

// The best-scoring bone, then (with multi) the best of the chosen bones' neighbours until four
// are chosen or none is left. Returns how many were chosen.
unsigned int Skeleton::Bind(const CQxVector& v, int multi, unsigned int chosen[4], double scores[4]) const {
    unsigned int n = 0;
    double best = -1.0;
    for (unsigned int bone = 0; bone < Positions.size(); ++bone) {
        const double score = Score(bone, v);
        if (score > best) {
            best = score;
            chosen[0] = bone;
            scores[0] = score;
        }
        if (score >= kOnBone) break;
    }
    n = 1;
    while (multi && n < 4) {
        auto isChosen = [&](unsigned int bone) { return std::find(chosen, chosen + n, bone) != chosen + n; };
        bool found = false;
        best = -1.0;
        unsigned int pick = 0;
        auto consider = [&](unsigned int bone) {
            if (isChosen(bone) || (found && best >= kOnBone)) return;
            const double score = Score(bone, v);
            if (score > best) {
                best = score;
                pick = bone;
                found = true;
            }
        };
        for (unsigned int k = 0; k < n; ++k) {
            for (unsigned int child : Children[chosen[k]])
                if (!Children[child].empty()) consider(child);
            if (chosen[k] != 0) consider(Parents[chosen[k]]);
        }
        if (!found) break;
        chosen[n] = pick;
        scores[n++] = best;
    }
    return n;
}

// Weights from the scores: bones lying under the vertex share it alone; otherwise the scores
// divided by their sum when it is positive.
void WriteWeights(CQxVertexBones& out, const unsigned int chosen[4], const double scores[4], unsigned int n) {
    unsigned int onBone = 0;
    double sum = 0.0;
    for (unsigned int k = 0; k < n; ++k) {
        onBone += scores[k] >= kOnBone;
        sum += scores[k];
    }
    for (unsigned int k = 0; k < n; ++k) {
        double w = scores[k];
        if (onBone)
            w = scores[k] >= kOnBone ? 1.0 / onBone : 0.0;
        else if (sum > 0.0)
            w /= sum;
        out.Indices[k] = static_cast<unsigned char>(chosen[k]);
        out.Weights[k] = static_cast<float>(w);
    }
}

Skeleton MakeSkeleton(const CQxArray<CQxJoint*>& bones, CQxArray<CQxVector>& positions) {
    Skeleton skeleton;
    skeleton.Positions.assign(positions.begin(), positions.end());
    skeleton.Parents.assign(bones.GetSize(), 0);
    skeleton.Children.resize(bones.GetSize());
    for (unsigned int i = 1; i < bones.GetSize(); ++i) {
        const unsigned int parent = static_cast<const CQxJoint*>(bones[i]->GetParent())->GetBoneIndex();
        skeleton.Parents[i] = parent;
        skeleton.Children[parent].push_back(i);
    }
    const float dropoff = QxWeightDropoff();
    if (std::isfinite(dropoff)) skeleton.Dropoff = dropoff;
    return skeleton;
}

} // namespace

// --- Binding -------------------------------------------------------------------------------------

int CQxObject::SetSkin(CQxJoint* root, int multi) {
    CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (!root || mesh.Vertices().IsEmpty()) return 0;
    CQxArray<CQxJoint*> bones;
    root->GetBones(bones);
    if (bones.GetSize() > kMaxBones) return 0;

    m_RootBone = root;
    m_CurBone = 0;
    m_BindParams.Clear();
    for (const CQxJoint* bone : bones) m_BindParams.PushBack(bone->TFParam());
    m_OffsetTransform = GetTransformToRoot(QX_TF_ALL, 0) * root->GetLocalTransformFromRoot(QX_TF_ALL, 0);
    m_OffsetTransformLH = GetTransformToRoot(QX_TF_ALL, 1) * root->GetLocalTransformFromRoot(QX_TF_ALL, 1);
    UpdateBoneTransforms();

    CQxArray<CQxVector> positions;
    root->GetBonePositions(positions, *this);
    root->UpdateBoneIndices();
    const Skeleton skeleton = MakeSkeleton(bones, positions);
    for (CQxVertex& v : mesh.Vertices()) {
        v.FreeBones();
        if (!v.AllocBones()) continue;
        CQxVertexBones& out = *v.Bones();
        if (bones.GetSize() == 1) {
            out.Weights[0] = 1.0f;
            continue;
        }
        unsigned int chosen[4];
        double scores[4];
        const unsigned int n = skeleton.Bind(v.Position(), multi, chosen, scores);
        WriteWeights(out, chosen, scores, n);
    }
    UpdateGraphics();
    return 1;
}

void CQxObject::DropSkin() {
    m_RootBone = nullptr;
    m_BindParams.Clear();
    m_SkinWork[0].Clear();
    m_SkinWork[1].Clear();
    m_BoneTransforms.Clear();
    m_CurBone = 0;
    m_SkinPose.reset();
}

void CQxObject::ClearSkin() {
    DropSkin();
    m_Meshes[MESH_MAIN].FreeVertexBones();
    // Weights are no longer there to show.
    if (m_Mode == QX_OBJ_MODE_WEIGHT)
        SetMode(QX_OBJ_MODE_NORMAL, 0);
    else
        UpdateGraphics();
}

void CQxObject::UpdateBoneTransforms() {
    m_SkinWork[0].Clear();
    m_SkinWork[1].Clear();
    m_BoneTransforms.Clear();
    if (!m_RootBone) return;
    const unsigned int count = m_BindParams.GetSize();
    m_SkinWork[0].Resize(count);
    m_SkinWork[1].Resize(count);
    m_BoneTransforms.Resize(count);
    m_RootBone->GetBindMatrices(m_SkinWork[0], m_BindParams, 0);
    m_RootBone->GetBindMatrices(m_SkinWork[1], m_BindParams, 1);
}

// --- The bent pose -------------------------------------------------------------------------------

namespace {

using Binding = qx_object::SkinBinding;

void Bind(Binding& binding, const CQxMesh& mesh, unsigned int boneCount) {
    binding.Mesh = &mesh;
    binding.Topology = QxGetMeshTopologyEpoch();
    const std::size_t count = mesh.Vertices().GetCount();
    binding.Vertices.clear();
    binding.Vertices.reserve(count);
    binding.Counts.resize(count);
    binding.Indices.resize(4 * count);
    binding.Weights.resize(4 * count);
    std::unordered_map<const CQxVertex*, std::uint32_t> positions;
    std::size_t i = 0;
    for (const CQxVertex& v : mesh.Vertices()) {
        binding.Vertices.push_back(&v);
        binding.Counts[i] = static_cast<std::uint8_t>(
            QxGetSkinInfluences(v.Bones(), boneCount, &binding.Indices[4 * i], &binding.Weights[4 * i]));
        ++i;
    }
    binding.FlatFaces.clear();
    binding.FlatFacePositions.clear();
    binding.FlatCorners.clear();
    std::uint32_t f = 0;
    for (const CQxFace& face : mesh.Faces()) {
        const CQxHalfEdge* first = face.GetHalfEdge();
        if (!face.IsShade() && first && first->GetVertex()) {
            if (positions.empty())
                for (std::uint32_t k = 0; k < binding.Vertices.size(); ++k) positions[binding.Vertices[k]] = k;
            binding.FlatFaces.push_back(&face);
            binding.FlatFacePositions.push_back(f);
            binding.FlatCorners.push_back(positions[first->GetVertex()]);
        }
        ++f;
    }
}

// The bone matrices without their last column, 12 floats a bone in a row, so that blending
// runs over contiguous values.
using Compact = std::vector<float>;

void Compress(const CQxArray<CQxMatrix>& bones, Compact& out) {
    out.resize(12 * static_cast<std::size_t>(bones.GetSize()));
    float* o = out.data();
    for (const CQxMatrix& m : bones)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c) *o++ = m.m[r][c];
}

// The blend of a vertex's influences' matrices (rows 0..3 of three columns).
void BlendMatrix(const Binding& binding, std::size_t i, const Compact& bones, float out[12]) {
    const std::uint32_t* index = &binding.Indices[4 * i];
    const float* weight = &binding.Weights[4 * i];
    const float* first = &bones[12 * index[0]];
    for (int k = 0; k < 12; ++k) out[k] = weight[0] * first[k];
    for (unsigned int n = 1; n < binding.Counts[i]; ++n) {
        const float* m = &bones[12 * index[n]];
        const float w = weight[n];
        for (int k = 0; k < 12; ++k) out[k] += w * m[k];
    }
}

CQxVector Place(const float m[12], const CQxVector& p) {
    return CQxVector(p.x * m[0] + p.y * m[3] + p.z * m[6] + m[9], p.x * m[1] + p.y * m[4] + p.z * m[7] + m[10],
                     p.x * m[2] + p.y * m[5] + p.z * m[8] + m[11]);
}

CQxVector Turn(const float m[12], const CQxVector& n) {
    const float x = n.x * m[0] + n.y * m[3] + n.z * m[6];
    const float y = n.x * m[1] + n.y * m[4] + n.z * m[7];
    const float z = n.x * m[2] + n.y * m[5] + n.z * m[8];
    const float lengthSq = x * x + y * y + z * z;
    if (!(lengthSq > 0.0f)) return n;
    const float inverse = 1.0f / std::sqrt(lengthSq);
    return CQxVector(x * inverse, y * inverse, z * inverse);
}

struct Bent {
    std::vector<CQxVector>& Positions;
    std::vector<CQxVector>& Normals;
    std::vector<CQxVector>& FaceNormals;
};

// Bends every vertex (position and normal) of the mesh, and the normal of every flat face by
// its first corner's blend, in two halves on two cores for big meshes.
void BendMesh(const Binding& binding, const CQxArray<CQxMatrix>& matrices, Bent pose) {
    Compact bones;
    Compress(matrices, bones);
    const std::size_t count = binding.Vertices.size();
    pose.Positions.resize(count);
    pose.Normals.resize(count);
    pose.FaceNormals.resize(binding.Mesh->Faces().GetCount());
    auto bendVertices = [&](std::size_t from, std::size_t to) {
        float m[12];
        for (std::size_t i = from; i < to; ++i) {
            BlendMatrix(binding, i, bones, m);
            pose.Positions[i] = Place(m, binding.Vertices[i]->Position());
            pose.Normals[i] = Turn(m, binding.Vertices[i]->Normal());
        }
    };
    constexpr std::size_t kSplit = 20000;
    if (count < kSplit)
        bendVertices(0, count);
    else
        QxRunBoth([&] { bendVertices(0, count / 2); }, [&] { bendVertices(count / 2, count); });
    float m[12];
    for (std::size_t f = 0; f < binding.FlatFaces.size(); ++f) {
        BlendMatrix(binding, binding.FlatCorners[f], bones, m);
        pose.FaceNormals[binding.FlatFacePositions[f]] = Turn(m, binding.FlatFaces[f]->Normal());
    }
}

bool SameMatrices(const CQxArray<CQxMatrix>& a, const CQxArray<CQxMatrix>& b) {
    if (a.GetSize() != b.GetSize()) return false;
    for (unsigned int i = 0; i < a.GetSize(); ++i)
        if (!a[i].IsEqual(b[i])) return false;
    return true;
}

bool AllIdentity(const CQxArray<CQxMatrix>& matrices) {
    for (const CQxMatrix& m : matrices)
        if (!m.IsIdentity(1e-5f)) return false;
    return true;
}

} // namespace

void CQxObject::ForgetSkinPose() {
    if (m_SkinPose) m_SkinPose->Shown = false;
}

void CQxObject::ShowSkinPose() {
    if (!m_RootBone || m_Mode == QX_OBJ_MODE_WEIGHT || !IsDrawn()) return;
    if (!m_SkinPose) m_SkinPose = std::make_unique<SkinPose>();
    SkinPose& pose = *m_SkinPose;
    // A skeleton that no longer matches its bind data (a joint added since binding) is shown
    // unbent, as the primitives are built.
    if (!m_RootBone->GetBoneMatrices(pose.Next, CQxMatrix(), m_OffsetTransform, m_SkinWork[0])) return;
    const bool rebuilt = !pose.Shown;
    if (!rebuilt && SameMatrices(pose.Next, pose.Matrices)) return;
    const bool wasBent = !rebuilt && !AllIdentity(pose.Matrices);
    std::swap(pose.Matrices, pose.Next);
    pose.Shown = true;
    const CQxMesh& main = m_Meshes[MESH_MAIN];
    const CQxMesh& drawn = GetDrawMesh();
    // In the bind pose the primitives show the mesh as it is, exactly.
    if (AllIdentity(pose.Matrices)) {
        if (!wasBent) return;
        for (FacePrimitive& face : m_FacePrimitives) face.Primitive->UpdatePositions(drawn);
        for (unsigned int which : {PRIM_EDGES, PRIM_POINTS, PRIM_PICKS})
            if (m_Primitives[which]) m_Primitives[which]->UpdatePositions(main);
        return;
    }
    // The elements or weights may have changed while the primitives were rebuilt.
    const unsigned int bones = pose.Matrices.GetSize();
    auto stale = [&](const Binding& binding, const CQxMesh& mesh) {
        return rebuilt || binding.Mesh != &mesh || binding.Topology != QxGetMeshTopologyEpoch();
    };
    if (stale(pose.Bindings[0], main)) Bind(pose.Bindings[0], main, bones);
    if (&drawn != &main && stale(pose.Bindings[1], drawn)) Bind(pose.Bindings[1], drawn, bones);
    const Bent bent{pose.Positions, pose.Normals, pose.FaceNormals};
    auto show = [&](const CQxMesh& mesh, const Binding& binding, bool faces, bool details) {
        BendMesh(binding, pose.Matrices, bent);
        if (faces)
            for (FacePrimitive& face : m_FacePrimitives)
                face.Primitive->UpdatePositions(mesh, pose.Positions.data(), pose.Normals.data(),
                                                pose.FaceNormals.data());
        if (details)
            for (unsigned int which : {PRIM_EDGES, PRIM_POINTS, PRIM_PICKS})
                if (m_Primitives[which]) m_Primitives[which]->UpdatePositions(mesh, pose.Positions.data(), nullptr, nullptr);
    };
    if (&drawn != &main) show(drawn, pose.Bindings[1], true, false);
    show(main, pose.Bindings[0], &drawn == &main, true);
}

bool CQxObject::UpdateSkinHitMatrices(const CQxMatrix& world) {
    return m_RootBone && m_RootBone->GetBoneMatrices(m_BoneTransforms, world, m_OffsetTransform, m_SkinWork[0]);
}
