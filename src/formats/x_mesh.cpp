// The "Mesh" block of the .x file: one vertex per mesh vertex (shared) or, when some face is
// flat, one per face corner (split); triangles fanned from each face's first corner. A single
// value ends with one ";" (counts, the power of a material): strict readers take nothing else.

#include <vector>

#include "qx/graphics/mesh.h"
#include "qx/math/vector2d.h"
#include "qx/scene/model.h"
#include "qx/skeleton/joint.h"
#include "x_text.h"

namespace {

// What is written per vertex, in order: the mesh vertex it comes from, and its normal and UV.
struct XVertex {
    const CQxVertex* Vertex;
    CQxVector Normal;
    CQxVector2D UV;
};

struct XMesh {
    std::vector<XVertex> Vertices;
    std::vector<unsigned int> Triangles; // three written-vertex indices a triangle
    std::vector<unsigned int> Materials; // per triangle, its face's attribute position
};

// The written vertices and triangles. Faces with fewer than three corners are left out.
XMesh Collect(CQxMesh& mesh, int leftHand) {
    XMesh out;
    mesh.UpdateIndices();
    const bool split = mesh.HasFaceFlat();
    if (!split) {
        out.Vertices.reserve(mesh.Vertices().GetCount());
        for (const CQxVertex& v : mesh.Vertices()) out.Vertices.push_back({&v, v.Normal(), CQxVector2D()});
        // The UV of a vertex: the first set, non-zero one of its corners.
        std::vector<bool> hasUV(out.Vertices.size(), false);
        for (const CQxFace& f : mesh.Faces())
            f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
                const unsigned int i = h.GetVertex()->Index();
                if (hasUV[i] || !h.HasUV() || (h.UV().x == 0.0f && h.UV().y == 0.0f)) return;
                out.Vertices[i].UV = h.UV();
                hasUV[i] = true;
            });
    }
    for (const CQxFace& f : mesh.Faces()) {
        if (!f.IsValid()) continue;
        std::vector<unsigned int> corners;
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            if (!split) {
                corners.push_back(h.GetVertex()->Index());
                return;
            }
            corners.push_back(static_cast<unsigned int>(out.Vertices.size()));
            out.Vertices.push_back({h.GetVertex(), f.IsShade() ? h.GetVertex()->Normal() : f.Normal(),
                                    h.HasUV() ? h.UV() : CQxVector2D()});
        });
        const unsigned int material = f.Attribute() ? f.Attribute()->Index() : 0;
        for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
            const unsigned int a = corners[0], b = corners[k], c = corners[k + 1];
            if (leftHand)
                out.Triangles.insert(out.Triangles.end(), {c, b, a});
            else
                out.Triangles.insert(out.Triangles.end(), {a, b, c});
            out.Materials.push_back(material);
        }
    }
    return out;
}

// One line per item, "," after each but the last, which gets `last`.
template <class Write>
void List(std::size_t count, const char* last, Write&& write) {
    for (std::size_t i = 0; i < count; ++i) write(i, i + 1 < count ? "," : last);
}

void WriteTriangles(CQxXText& x, const XMesh& mesh) {
    x.Line("%u;", static_cast<unsigned int>(mesh.Materials.size()));
    List(mesh.Materials.size(), ";", [&](std::size_t t, const char* end) {
        const unsigned int* c = &mesh.Triangles[3 * t];
        x.Line("3;%u,%u,%u;%s", c[0], c[1], c[2], end);
    });
}

void WriteVectors(CQxXText& x, const XMesh& mesh, bool normals, float zSign) {
    x.Line("%u;", static_cast<unsigned int>(mesh.Vertices.size()));
    List(mesh.Vertices.size(), ";", [&](std::size_t i, const char* end) {
        const CQxVector& p = normals ? mesh.Vertices[i].Normal : mesh.Vertices[i].Vertex->Position();
        x.Line("%f;%f;%f;%s", p.x, p.y, p.z * zSign, end);
    });
}

void WriteSkin(CQxXText& x, CQxObject& object, const XMesh& mesh, int leftHand) {
    CQxArray<CQxJoint*> bones;
    object.RootBone()->GetBones(bones);
    // Per bone, the written vertices it moves and by how much.
    std::vector<std::vector<std::pair<unsigned int, float>>> weights(bones.GetSize());
    for (std::size_t i = 0; i < mesh.Vertices.size(); ++i) {
        const CQxVertexBones* slots = mesh.Vertices[i].Vertex->Bones();
        if (!slots) {
            weights[0].emplace_back(static_cast<unsigned int>(i), 1.0f);
            continue;
        }
        for (int s = 0; s < 4; ++s)
            if (slots->Weights[s] > 0.0f && slots->Indices[s] < weights.size())
                weights[slots->Indices[s]].emplace_back(static_cast<unsigned int>(i), slots->Weights[s]);
    }
    x.Open("XSkinMeshHeader");
    x.Line("4;");
    x.Line("%u;", std::min(bones.GetSize(), 12u));
    x.Line("%u;", bones.GetSize());
    x.Close();
    const CQxMatrix& offset = leftHand ? object.OffsetTransformLH() : object.OffsetTransform();
    const CQxArray<CQxMatrix>& bind = object.SkinWork(leftHand ? 1 : 0);
    for (unsigned int b = 0; b < bones.GetSize(); ++b) {
        x.Open("SkinWeights");
        x.Line("\"%sFrame\";", QxXName(*bones[b]).GetStr());
        const auto& list = weights[b];
        // A bone without weights has empty lists: nothing stands between the count and the
        // matrix (strict readers take no empty separator lines there either).
        x.Line("%u;", static_cast<unsigned int>(list.size()));
        List(list.size(), ";", [&](std::size_t i, const char* end) { x.Line("%u%s", list[i].first, end); });
        List(list.size(), ";", [&](std::size_t i, const char* end) { x.Line("%f%s", list[i].second, end); });
        CQxMatrix inverseBind;
        if (b >= bind.GetSize() || !bind[b].GetInverse(inverseBind)) inverseBind.SetIdentity();
        x.Matrix(offset * inverseBind, ";;");
        x.Close();
    }
}

} // namespace

void QxWriteXMesh(CQxXText& x, CQxObject& object, int leftHand) {
    CQxMesh& mesh = object.Mesh();
    const XMesh written = Collect(mesh, leftHand);
    const float zSign = leftHand ? -1.0f : 1.0f;
    x.Open("Mesh");
    WriteVectors(x, written, false, zSign);
    WriteTriangles(x, written);

    x.Open("MeshNormals");
    WriteVectors(x, written, true, zSign);
    WriteTriangles(x, written);
    x.Close();

    if (mesh.HasFaceAttribute()) {
        x.Open("MeshTextureCoords");
        x.Line("%u;", static_cast<unsigned int>(written.Vertices.size()));
        List(written.Vertices.size(), ";", [&](std::size_t i, const char* end) {
            x.Line("%f;%f;%s", written.Vertices[i].UV.x, written.Vertices[i].UV.y, end);
        });
        x.Close();
    }

    const CQxModel* model = object.GetModel();
    const unsigned int materials = model ? model->Attributes().GetCount() : 0;
    const CQxString modelName = model ? QxXName(*model) : CQxString();
    x.Open("MeshMaterialList");
    x.Line("%u;", materials);
    x.Line("%u;", static_cast<unsigned int>(written.Materials.size()));
    List(written.Materials.size(), ";", [&](std::size_t t, const char* end) {
        x.Line("%u%s", written.Materials[t], end);
    });
    for (unsigned int m = 0; m < materials; ++m) x.Line("{%sMaterial%u}", modelName.GetStr(), m);
    x.Close();

    x.Open("VertexDuplicationIndices");
    x.Line("%u;", static_cast<unsigned int>(written.Vertices.size()));
    x.Line("%u;", mesh.Vertices().GetCount());
    List(written.Vertices.size(), ";", [&](std::size_t i, const char* end) {
        x.Line("%u%s", written.Vertices[i].Vertex->Index(), end);
    });
    x.Close();

    if (object.IsSkinned()) WriteSkin(x, object, written, leftHand);
    x.Close();
}
