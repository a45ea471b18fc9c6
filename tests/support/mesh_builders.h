#pragma once

// Small builders shared by the mesh tests: meshes from positions and faces given as vertex
// index lists, grids and cubes, and counts to compare a result with in one line.

#include <gtest/gtest.h>

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

// Two meshes hold the same elements in the same order, bit for bit: vertex positions, normals,
// bones and selection; edge ends and colours; each face's corners (by vertex list position),
// attribute, flags and normal; each corner's UV, colour and mate (by face list position and ring
// position). The first difference is named with its element.
inline ::testing::AssertionResult SameMesh(const CQxMesh& got, const CQxMesh& want) {
    if (Counts(got) != Counts(want) || got.Edges().GetCount() != want.Edges().GetCount())
        return ::testing::AssertionFailure() << Counts(got) << " instead of " << Counts(want);
    auto text = [](const CQxVector& v) {
        std::ostringstream s;
        s << std::setprecision(9) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
        return s.str();
    };
    // List positions of every vertex and face, and ring positions of every corner, of one mesh.
    struct Layout {
        std::unordered_map<const void*, unsigned int> Position;
        explicit Layout(const CQxMesh& mesh) {
            unsigned int i = 0;
            for (const CQxVertex& v : mesh.Vertices()) Position[&v] = i++;
            i = 0;
            for (const CQxFace& f : mesh.Faces()) {
                Position[&f] = i++;
                unsigned int k = 0;
                f.ForEachHalfEdge([&](CQxHalfEdge& h) { Position[&h] = k++; });
            }
        }
        long long Of(const void* p) const { return p && Position.count(p) ? Position.at(p) : -1; }
        long long MateOf(const CQxHalfEdge& h) const {
            return h.Mate() ? Of(h.Mate()->GetFace()) * 1000000 + Of(h.Mate()) : -1;
        }
    };
    const Layout a(got), b(want);
    auto v = got.Vertices().begin();
    for (const CQxVertex& w : want.Vertices()) {
        auto at = [&] { return "vertex " + std::to_string(b.Of(&w)); };
        if (!(v->Position() == w.Position()))
            return ::testing::AssertionFailure()
                   << at() << " at " << text(v->Position()) << " not " << text(w.Position());
        if (!(v->Normal() == w.Normal()))
            return ::testing::AssertionFailure()
                   << at() << " normal " << text(v->Normal()) << " not " << text(w.Normal());
        if (v->IsSelect() != w.IsSelect() || v->HasBones() != w.HasBones())
            return ::testing::AssertionFailure() << at() << " selection or bone data differs";
        for (int k = 0; w.HasBones() && k < 4; ++k)
            if (v->Bones()->Indices[k] != w.Bones()->Indices[k] ||
                v->Bones()->Weights[k] != w.Bones()->Weights[k])
                return ::testing::AssertionFailure() << at() << " bone slot " << k << " differs";
        ++v;
    }
    auto e = got.Edges().begin();
    unsigned int edge = 0;
    for (const CQxEdge& x : want.Edges()) {
        if (a.Of(e->Vertex(0)) != b.Of(x.Vertex(0)) || a.Of(e->Vertex(1)) != b.Of(x.Vertex(1)) ||
            e->Color() != x.Color())
            return ::testing::AssertionFailure() << "edge " << edge << " differs";
        ++e, ++edge;
    }
    auto f = got.Faces().begin();
    for (const CQxFace& g : want.Faces()) {
        auto at = [&] { return "face " + std::to_string(b.Of(&g)); };
        if (f->GetHalfEdgeCount() != g.GetHalfEdgeCount() || f->Attribute() != g.Attribute() ||
            f->IsShade() != g.IsShade() || f->IsSelect() != g.IsSelect())
            return ::testing::AssertionFailure() << at() << " corner count, attribute or flags differ";
        if (!(f->Normal() == g.Normal()))
            return ::testing::AssertionFailure()
                   << at() << " normal " << text(f->Normal()) << " not " << text(g.Normal());
        for (unsigned int k = 0; k < g.GetHalfEdgeCount(); ++k) {
            const CQxHalfEdge &h = *f->GetHalfEdgeAt(k), &i = *g.GetHalfEdgeAt(k);
            auto corner = [&] { return at() + " corner " + std::to_string(k); };
            if (a.Of(h.GetVertex()) != b.Of(i.GetVertex()))
                return ::testing::AssertionFailure()
                       << corner() << " on vertex " << a.Of(h.GetVertex()) << " not " << b.Of(i.GetVertex());
            if (h.HasUV() != i.HasUV() || !(h.UV() == i.UV()) || h.Color() != i.Color() ||
                h.IsSelect() != i.IsSelect())
                return ::testing::AssertionFailure() << corner() << " UV, colour or selection differs";
            if (a.MateOf(h) != b.MateOf(i))
                return ::testing::AssertionFailure() << corner() << " mate differs";
        }
        ++f;
    }
    return ::testing::AssertionSuccess();
}

} // namespace qxtest
