#pragma once

// Small builders shared by the mesh tests: meshes from positions and faces given as vertex
// index lists, grids and cubes, and counts to compare a result with in one line.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <iomanip>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh.h"

namespace qxtest {

using FaceList = std::vector<std::vector<unsigned int>>;

// Appends the vertices and faces (each face a list of vertex indices into `positions`, counted
// from the first vertex appended here), then links mates and vertex half-edges and numbers
// everything. Indices outside `positions` are skipped, so a face may end up with fewer corners.
// Returns the first face added (null when none).
inline CQxFace* AddFaces(CQxMesh& mesh, const std::vector<CQxVector>& positions, const FaceList& faces,
                         CQxAttribute* attribute = nullptr) {
    std::vector<CQxVertex*> vertices;
    vertices.reserve(positions.size());
    for (const CQxVector& p : positions) {
        auto* v = new CQxVertex(p);
        mesh.Vertices().PushBack(v);
        vertices.push_back(v);
    }
    CQxFace* first = nullptr;
    for (const auto& corners : faces) {
        auto* f = new CQxFace(attribute, CQxFace::ShadeBit);
        for (unsigned int i : corners) {
            if (i < vertices.size()) f->PushHalfEdge(new CQxHalfEdge(f, vertices[i], 0));
        }
        mesh.Faces().PushBack(f);
        if (!first) first = f;
    }
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateVertexHalfEdges();
    mesh.UpdateIndices();
    return first;
}

// A fresh mesh holding only the given vertices and faces.
inline void BuildMesh(CQxMesh& mesh, const std::vector<CQxVector>& positions, const FaceList& faces,
                      CQxAttribute* attribute = nullptr) {
    mesh.Clear();
    AddFaces(mesh, positions, faces, attribute);
}

// (n + 1) x (n + 1) vertices, vertex (i, j) numbered i + (n + 1) j and placed at at(i, j), and the
// n x n quads in rows, each starting at its lowest vertex: (i, j), (i, j + 1), (i + 1, j + 1), (i + 1, j)
// or, reversed, (i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1). Returns the first quad.
inline CQxFace* AddGrid(CQxMesh& mesh, unsigned int n, const std::function<CQxVector(float, float)>& at,
                        bool reversed = false) {
    std::vector<CQxVector> p;
    for (unsigned int j = 0; j <= n; ++j)
        for (unsigned int i = 0; i <= n; ++i) p.push_back(at(float(i), float(j)));
    FaceList faces;
    for (unsigned int j = 0; j < n; ++j)
        for (unsigned int i = 0; i < n; ++i) {
            const unsigned int a = j * (n + 1) + i;
            faces.push_back(reversed ? std::vector<unsigned int>{a, a + 1, a + n + 2, a + n + 1}
                                     : std::vector<unsigned int>{a, a + n + 1, a + n + 2, a + 1});
        }
    return AddFaces(mesh, p, faces);
}

// Unit cube corners (0/1 on each axis, index = x + 2y + 4z) and its six outward quads.
inline std::vector<CQxVector> CubePositions(float size = 1.0f) {
    std::vector<CQxVector> p;
    for (unsigned int i = 0; i < 8; ++i)
        p.emplace_back((i & 1) ? size : 0.0f, (i & 2) ? size : 0.0f, (i & 4) ? size : 0.0f);
    return p;
}

inline FaceList CubeFaces() {
    return {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
}

// The vertex list position of each corner of a face, in ring order.
inline std::vector<unsigned int> CornerIndices(const CQxMesh& mesh, const CQxFace& face) {
    std::vector<unsigned int> out;
    face.ForEachHalfEdge([&](CQxHalfEdge& h) { out.push_back(mesh.Vertices().Find(h.GetVertex())); });
    return out;
}

// Number of half-edges in the mesh that have no mate.
inline unsigned int CountBoundarySides(const CQxMesh& mesh) {
    unsigned int n = 0;
    for (const CQxFace& f : mesh.Faces())
        f.ForEachHalfEdge([&](CQxHalfEdge& h) { n += h.Mate() == nullptr; });
    return n;
}

// Corners of all faces; with a face size, the faces of that size.
inline unsigned int CountCorners(const CQxMesh& mesh, unsigned int ofFaceSize = 0) {
    unsigned int n = 0;
    for (const CQxFace& f : mesh.Faces())
        n += ofFaceSize ? f.GetHalfEdgeCount() == ofFaceSize : f.GetHalfEdgeCount();
    return n;
}

// "<vertices> vertices <faces> faces <open> open": the counts most mesh checks compare at once.
inline std::string Counts(const CQxMesh& mesh) {
    return std::to_string(mesh.Vertices().GetCount()) + " vertices " +
           std::to_string(mesh.Faces().GetCount()) + " faces " + std::to_string(CountBoundarySides(mesh)) +
           " open";
}

inline std::vector<CQxVertex*> VertexArray(CQxMesh& mesh) {
    std::vector<CQxVertex*> out;
    for (CQxVertex& v : mesh.Vertices()) out.push_back(&v);
    return out;
}

inline std::vector<CQxFace*> FaceArray(CQxMesh& mesh) {
    std::vector<CQxFace*> out;
    for (CQxFace& f : mesh.Faces()) out.push_back(&f);
    return out;
}

// Every face normal points away from the centre of the mesh's box (for convex closed shapes).
inline bool NormalsOutward(const CQxMesh& mesh) {
    CQxBoundBox box;
    mesh.GetBoundBox(box);
    for (const CQxFace& f : mesh.Faces())
        if (f.Normal().GetDot(f.GetCenter() - box.GetCenter()) <= 0.0f) return false;
    return true;
}

// Gives every corner the texture coordinate (face position, ring position).
inline void SetCornerUVs(CQxMesh& mesh) {
    float face = 0.0f;
    for (CQxFace& f : mesh.Faces()) {
        float corner = 0.0f;
        f.ForEachHalfEdge([&](CQxHalfEdge& h) {
            h.AllocUV();
            h.UV().Set(face, corner++);
        });
        ++face;
    }
}

inline unsigned int CountUVs(const CQxMesh& mesh) {
    unsigned int n = 0;
    for (const CQxFace& f : mesh.Faces()) f.ForEachHalfEdge([&](CQxHalfEdge& h) { n += h.HasUV(); });
    return n;
}

// Every vertex, edge, face and corner of a mesh, in list order, as the numbers SameMesh compares:
// the element's kind and list position (a corner's: its face's and its ring position) first, then
// its values; links to other elements as their list positions (-1 for one outside the mesh). The
// records lie one after another, each starting where Starts says.
struct MeshRecords {
    std::vector<double> Values;
    std::vector<std::size_t> Starts;

    explicit MeshRecords(const CQxMesh& mesh) {
        std::unordered_map<const void*, double> at;
        double i = 0;
        for (const CQxVertex& v : mesh.Vertices()) at[&v] = i++;
        i = 0;
        for (const CQxFace& f : mesh.Faces()) at[&f] = i++;
        auto of = [&](const void* p) {
            const auto it = at.find(p);
            return it == at.end() ? -1.0 : it->second;
        };
        auto ring = [](const CQxHalfEdge* h) {
            double k = 0;
            for (const CQxHalfEdge* x = h->GetFace()->GetHalfEdge(); x != h; x = x->Next()) ++k;
            return k;
        };
        for (const CQxVertex& v : mesh.Vertices()) {
            const CQxVector &p = v.Position(), &n = v.Normal();
            Add({0, of(&v), p.x, p.y, p.z, n.x, n.y, n.z, double(v.IsSelect())});
            for (int k = 0; v.HasBones() && k < 4; ++k)
                Values.insert(Values.end(), {double(v.Bones()->Indices[k]), v.Bones()->Weights[k]});
        }
        i = 0;
        for (const CQxEdge& e : mesh.Edges())
            Add({1, i++, of(e.Vertex(0)), of(e.Vertex(1)), double(e.Color()), double(e.IsSelect())});
        for (const CQxFace& f : mesh.Faces()) {
            const CQxVector& n = f.Normal();
            Add({2, of(&f), double(f.GetHalfEdgeCount()),
                 double(reinterpret_cast<std::uintptr_t>(f.Attribute())), double(f.IsShade()),
                 double(f.IsSelect()), n.x, n.y, n.z});
            double k = 0;
            f.ForEachHalfEdge([&](CQxHalfEdge& h) {
                const CQxHalfEdge* m = h.Mate();
                Add({3, of(&f), k++, of(h.GetVertex()), double(h.HasUV()), h.UV().x, h.UV().y,
                     double(h.Color()), double(h.IsSelect()), m ? of(m->GetFace()) : -1, m ? ring(m) : -1});
            });
        }
    }
    void Add(std::initializer_list<double> values) {
        Starts.push_back(Values.size());
        Values.insert(Values.end(), values);
    }
    std::vector<double> Record(std::size_t i) const {
        return {Values.begin() + Starts[i],
                i + 1 < Starts.size() ? Values.begin() + Starts[i + 1] : Values.end()};
    }
};

// Two meshes hold the same elements in the same order, bit for bit: vertex positions, normals,
// selection and bones; edge ends and colours; each face's corner count, attribute, flags and
// normal; each corner's vertex, UV, colour, selection and mate. The first difference is named.
inline ::testing::AssertionResult SameMesh(const CQxMesh& got, const CQxMesh& want) {
    static const char* const kKinds[] = {
        "vertex (position, normal, selected, bones)", "edge (ends, colour, selected)",
        "face (corners, attribute, shade, selected, normal)",
        "corner (ring position, vertex, has UV, UV, colour, selected, mate face and corner) of face"};
    if (Counts(got) != Counts(want) || got.Edges().GetCount() != want.Edges().GetCount())
        return ::testing::AssertionFailure() << Counts(got) << " instead of " << Counts(want);
    const MeshRecords a(got), b(want);
    for (std::size_t i = 0; i < a.Starts.size() && i < b.Starts.size(); ++i) {
        const std::vector<double> x = a.Record(i), y = b.Record(i);
        if (x == y) continue;
        auto text = [](const std::vector<double>& values) {
            std::ostringstream s; // ten digits: every float, and colours in full
            s << std::setprecision(10);
            for (std::size_t k = 2; k < values.size(); ++k) s << " " << values[k];
            return s.str();
        };
        return ::testing::AssertionFailure()
               << kKinds[int(y[0])] << " " << y[1] << ":" << text(x) << " instead of" << text(y);
    }
    return ::testing::AssertionSuccess();
}

} // namespace qxtest
