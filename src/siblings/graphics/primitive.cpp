#include "qx/graphics/primitive.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "qx/graphics/attribute.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/graphics_device.h"
#include "qx/graphics/mesh.h"
#include "qx/graphics/settings.h"

namespace {

constexpr unsigned int MaxCount = 1u << 28;

// List positions of a mesh's vertices: the Index fields when they match, a table otherwise.
class VertexPositions {
public:
    explicit VertexPositions(const CQxMesh& mesh) {
        unsigned int i = 0;
        for (const CQxVertex& v : mesh.Vertices()) {
            if (v.Index() != i++) {
                m_UseIndex = false;
                break;
            }
        }
        if (m_UseIndex) return;
        m_Table.reserve(mesh.Vertices().GetCount());
        i = 0;
        for (const CQxVertex& v : mesh.Vertices()) m_Table.emplace(&v, i++);
    }
    // 0xFFFFFFFF for a vertex not in the mesh.
    unsigned int operator()(const CQxVertex* v) const {
        if (!v) return 0xFFFFFFFF;
        if (m_UseIndex) return v->Index();
        auto found = m_Table.find(v);
        return found == m_Table.end() ? 0xFFFFFFFF : found->second;
    }

private:
    bool m_UseIndex = true;
    std::unordered_map<const CQxVertex*, unsigned int> m_Table;
};

CQxPrimitiveVertex MakeVertex(const CQxVector& p, std::uint32_t color) {
    CQxPrimitiveVertex v{};
    v.Position[0] = p.x;
    v.Position[1] = p.y;
    v.Position[2] = p.z;
    v.Color = color;
    return v;
}

void SetPosition(CQxPrimitiveVertex& v, const CQxVector& p) {
    v.Position[0] = p.x;
    v.Position[1] = p.y;
    v.Position[2] = p.z;
}

void SetNormal(CQxPrimitiveVertex& v, const CQxVector& n) {
    v.Normal[0] = n.x;
    v.Normal[1] = n.y;
    v.Normal[2] = n.z;
}

std::uint32_t Argb(unsigned long color) {
    return static_cast<std::uint32_t>(color & 0xFFFFFFFFul);
}

} // namespace

CQxPrimitive::~CQxPrimitive() {
    ReleaseBuffers();
}

void CQxPrimitive::ReleaseBuffers() {
    CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
    if (m_VertexBuffer) device.DeleteBuffer(m_VertexBuffer, m_Generation);
    if (m_IndexBuffer) device.DeleteBuffer(m_IndexBuffer, m_Generation);
    m_VertexBuffer = m_IndexBuffer = 0;
}

unsigned int CQxPrimitive::GetPrimitiveCount() const {
    const auto n = static_cast<unsigned int>(m_Indices.size());
    switch (m_Type) {
    case QX_PRIMITIVE_LINES:
        return n / 2;
    case QX_PRIMITIVE_TRIANGLES:
        return n / 3;
    default:
        return n;
    }
}

void CQxPrimitive::Reset(Kind kind, QX_PRIMITIVE_TYPE type, QX_SHADE_TYPE shade) {
    m_Vertices.clear();
    m_Indices.clear();
    m_Sources.clear();
    m_MeshVertexCount = m_MeshFaceCount = 0;
    m_Kind = kind;
    m_Type = type;
    m_Shade = shade;
    m_Locked = 0;
    m_Valid = 1;
    m_Dirty = 1;
}

// Common end of the builders: an empty result leaves an empty primitive and reports 0.
int CQxPrimitive::Finish() {
    m_Dirty = 1;
    if (!m_Indices.empty()) return 1;
    Free();
    return 0;
}

int CQxPrimitive::Alloc(QX_PRIMITIVE_TYPE type, unsigned int vertexCount, unsigned int indexCount,
                        QX_SHADE_TYPE shade) {
    if (type > QX_PRIMITIVE_TRIANGLES || shade > QX_SHADE_LIT) return 0;
    if (vertexCount > MaxCount || indexCount > MaxCount) return 0;
    if ((type == QX_PRIMITIVE_LINES && indexCount % 2) ||
        (type == QX_PRIMITIVE_TRIANGLES && indexCount % 3)) {
        return 0;
    }
    Reset(Kind::None, type, shade);
    m_Vertices.assign(vertexCount, CQxPrimitiveVertex{});
    m_Indices.assign(indexCount, 0);
    return 1;
}

void CQxPrimitive::Free() {
    Reset(Kind::None, m_Type, m_Shade);
    m_Vertices.shrink_to_fit();
    m_Indices.shrink_to_fit();
    m_Sources.shrink_to_fit();
    m_Dirty = 0;
    ReleaseBuffers();
}

int CQxPrimitive::Lock(CQxPrimitiveVertex*& vertices, unsigned int*& indices) {
    if (m_Locked || (m_Vertices.empty() && m_Indices.empty())) return 0;
    m_Locked = 1;
    vertices = m_Vertices.data();
    indices = m_Indices.data();
    return 1;
}

int CQxPrimitive::Unlock() {
    if (!m_Locked) return 0;
    m_Locked = 0;
    m_Dirty = 1;
    const auto count = static_cast<unsigned int>(m_Vertices.size());
    m_Valid = std::all_of(m_Indices.begin(), m_Indices.end(), [count](unsigned int i) { return i < count; });
    return 1;
}

int CQxPrimitive::Upload() {
    CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
    if (m_Generation != device.GetGeneration()) {
        // The device dropped every buffer of the old generation already.
        m_VertexBuffer = m_IndexBuffer = 0;
        m_Generation = device.GetGeneration();
        m_Dirty = 1;
    }
    if (!m_VertexBuffer) m_VertexBuffer = device.CreateBuffer();
    if (!m_IndexBuffer) m_IndexBuffer = device.CreateBuffer();
    if (!m_VertexBuffer || !m_IndexBuffer) return 0;
    return 1;
}

int CQxPrimitive::Draw() {
    if (m_Indices.empty() || m_Locked || !m_Valid) return 0;
    CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
    if (!device.CanDraw() || !Upload()) return 0;
    const int result = device.DrawPrimitive(*this, m_VertexBuffer, m_IndexBuffer);
    if (result) m_Dirty = 0;
    return result;
}

// --- Builders from a mesh ---------------------------------------------------------------------

int CQxPrimitive::BuildPoints(const CQxMesh& mesh) {
    Reset(Kind::Points, QX_PRIMITIVE_POINTS, QX_SHADE_COLOR);
    const std::uint32_t normal = Argb(QxNormalColor()), select = Argb(QxSelectColor());
    m_Vertices.reserve(mesh.Vertices().GetCount());
    unsigned int i = 0;
    for (const CQxVertex& v : mesh.Vertices()) {
        m_Vertices.push_back(MakeVertex(v.Position(), v.IsSelect() ? select : normal));
        m_Indices.push_back(i);
        m_Sources.push_back({i++, NoFace});
    }
    m_MeshVertexCount = i;
    return Finish();
}

int CQxPrimitive::BuildPicks(const CQxMesh& mesh) {
    Reset(Kind::Picks, QX_PRIMITIVE_POINTS, QX_SHADE_COLOR);
    const std::uint32_t select = Argb(QxSelectColor());
    unsigned int i = 0;
    for (const CQxVertex& v : mesh.Vertices()) {
        if (v.IsSelect()) {
            m_Indices.push_back(static_cast<unsigned int>(m_Vertices.size()));
            m_Vertices.push_back(MakeVertex(v.Position(), select));
            m_Sources.push_back({i, NoFace});
        }
        ++i;
    }
    m_MeshVertexCount = i;
    return Finish();
}

void CQxPrimitive::AddVertex(const CQxVector& p, std::uint32_t color) {
    m_Indices.push_back(static_cast<unsigned int>(m_Vertices.size()));
    m_Vertices.push_back(MakeVertex(p, color));
}

void CQxPrimitive::AddLine(const CQxVector& a, const CQxVector& b, std::uint32_t color) {
    AddVertex(a, color);
    AddVertex(b, color);
}

// Lines share one vertex per mesh vertex, in the normal colour, at the vertex's list position;
// a line in another colour (selected, or a free edge's own) gets two vertices of its own. A big
// mesh with a few selected sides thus costs one vertex per mesh vertex, not two per side.
int CQxPrimitive::BuildEdges(const CQxMesh& mesh) {
    Reset(Kind::Edges, QX_PRIMITIVE_LINES, QX_SHADE_COLOR);
    const VertexPositions positions(mesh);
    const std::uint32_t normal = Argb(QxNormalColor()), select = Argb(QxSelectColor());
    const unsigned int vertexCount = mesh.Vertices().GetCount();
    std::size_t lines = mesh.Edges().GetCount();
    for (const CQxFace& f : mesh.Faces())
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) { lines += !(h.Mate() && h.Mate() < &h); });
    m_Indices.reserve(2 * lines);
    m_Vertices.reserve(vertexCount);
    m_Sources.reserve(vertexCount);
    unsigned int i = 0;
    for (const CQxVertex& v : mesh.Vertices()) {
        m_Vertices.push_back(MakeVertex(v.Position(), normal));
        m_Sources.push_back({i++, NoFace});
    }
    auto add = [&](const CQxVertex* a, const CQxVertex* b, std::uint32_t color) {
        const unsigned int ia = positions(a), ib = positions(b);
        if (ia == 0xFFFFFFFF || ib == 0xFFFFFFFF) return;
        if (color == normal) {
            m_Indices.push_back(ia);
            m_Indices.push_back(ib);
            return;
        }
        AddLine(a->Position(), b->Position(), color);
        m_Sources.push_back({ia, NoFace});
        m_Sources.push_back({ib, NoFace});
    };
    for (const CQxEdge& e : mesh.Edges())
        add(e.Vertex(0), e.Vertex(1), e.IsSelect() ? select : Argb(e.Color()));
    for (const CQxFace& f : mesh.Faces()) {
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const CQxHalfEdge* mate = h.Mate();
            // A shared side is drawn once, by the half-edge at the lower address.
            if (mate && mate < &h) return;
            const bool selected =
                h.IsSelect() || f.IsSelect() ||
                (mate && (mate->IsSelect() || (mate->GetFace() && mate->GetFace()->IsSelect())));
            add(h.GetVertex(), h.GetEndVertex(), selected ? select : normal);
        });
    }
    m_MeshVertexCount = vertexCount;
    return Finish();
}

// Corners of smooth faces that agree in vertex, texture coordinate and colour share one vertex
// (a smooth surface costs about one vertex per mesh vertex plus its seams); corners of flat
// faces carry their face's normal and stay apart.
int CQxPrimitive::BuildFaces(const CQxMesh& mesh, const CQxAttribute* filter) {
    Reset(Kind::Faces, QX_PRIMITIVE_TRIANGLES, QX_SHADE_LIT);
    const VertexPositions positions(mesh);
    const unsigned int vertexCount = mesh.Vertices().GetCount();
    std::size_t corners = 0, triangles = 0;
    for (const CQxFace& f : mesh.Faces()) {
        if (f.Attribute() != filter) continue;
        const unsigned int n = f.GetHalfEdgeCount();
        corners += n;
        triangles += n > 2 ? n - 2 : 0;
    }
    // Room for the worst case; pages that stay unused are never touched.
    m_Vertices.reserve(corners);
    m_Sources.reserve(corners);
    m_Indices.reserve(3 * triangles);
    // The smooth vertices made for each mesh vertex, as chains through `chain`.
    thread_local std::vector<unsigned int> first, chain;
    first.assign(vertexCount, 0xFFFFFFFF);
    chain.clear();
    chain.reserve(corners);
    thread_local std::vector<unsigned int> ring;
    unsigned int faceIndex = 0;
    for (const CQxFace& f : mesh.Faces()) {
        const unsigned int fi = faceIndex++;
        if (f.Attribute() != filter || !f.IsValid()) continue;
        const bool flat = !f.IsShade();
        ring.clear();
        bool ok = true;
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const unsigned int vi = positions(h.GetVertex());
            if (vi == 0xFFFFFFFF) ok = false;
            ring.push_back(vi);
        });
        if (!ok) continue; // a corner on a vertex of another mesh: leave the face out
        unsigned int k = 0;
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const unsigned int vi = ring[k];
            const CQxVertex* v = h.GetVertex();
            CQxPrimitiveVertex pv = MakeVertex(v->Position(), h.Color());
            if (h.HasUV()) {
                pv.UV[0] = h.UV().x;
                pv.UV[1] = h.UV().y;
            }
            if (!flat) {
                for (unsigned int e = first[vi]; e != 0xFFFFFFFF; e = chain[e]) {
                    const CQxPrimitiveVertex& seen = m_Vertices[e];
                    if (seen.Color == pv.Color && seen.UV[0] == pv.UV[0] && seen.UV[1] == pv.UV[1]) {
                        ring[k++] = e;
                        return;
                    }
                }
            }
            SetNormal(pv, flat ? f.Normal() : v->Normal());
            const auto e = static_cast<unsigned int>(m_Vertices.size());
            m_Vertices.push_back(pv);
            m_Sources.push_back({vi, flat ? fi : NoFace});
            chain.push_back(flat ? 0xFFFFFFFF : first[vi]);
            if (!flat) first[vi] = e;
            ring[k++] = e;
        });
        for (unsigned int i = 1; i + 1 < ring.size(); ++i) {
            m_Indices.push_back(ring[0]);
            m_Indices.push_back(ring[i]);
            m_Indices.push_back(ring[i + 1]);
        }
    }
    m_MeshVertexCount = vertexCount;
    m_MeshFaceCount = faceIndex;
    return Finish();
}

int CQxPrimitive::BuildUVEdges(const CQxMesh& mesh) {
    Reset(Kind::UVEdges, QX_PRIMITIVE_LINES, QX_SHADE_COLOR);
    const std::uint32_t normal = Argb(QxNormalUVColor()), select = Argb(QxSelectUVColor());
    for (const CQxFace& f : mesh.Faces()) {
        if (!f.IsSelect() || !f.IsValid()) continue;
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const CQxHalfEdge* next = h.Next();
            if (!h.HasUV() || !next || !next->HasUV()) return;
            const bool selected = h.IsUVSelect() && next->IsUVSelect();
            AddLine(CQxVector(h.UV().x, h.UV().y, 0.0f), CQxVector(next->UV().x, next->UV().y, 0.0f),
                    selected ? select : normal);
        });
    }
    return Finish();
}

int CQxPrimitive::SetWeightColors(const CQxMesh& mesh, const CQxArray<unsigned long>& colors) {
    const std::uint32_t missing = Argb(QxNormalColor());
    auto colorOf = [&](unsigned int vi) { return vi < colors.GetSize() ? Argb(colors[vi]) : missing; };
    if (m_Kind == Kind::Weights && m_MeshVertexCount == mesh.Vertices().GetCount() &&
        m_MeshFaceCount == mesh.Faces().GetCount() && !m_Locked) {
        for (std::size_t i = 0; i < m_Vertices.size(); ++i)
            m_Vertices[i].Color = colorOf(m_Sources[i].Vertex);
        m_Dirty = 1;
        return 1;
    }
    Reset(Kind::Weights, QX_PRIMITIVE_TRIANGLES, QX_SHADE_COLOR);
    const VertexPositions positions(mesh);
    for (const CQxFace& f : mesh.Faces()) {
        if (!f.IsValid()) continue;
        const auto first = static_cast<unsigned int>(m_Vertices.size());
        bool ok = true;
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const unsigned int vi = positions(h.GetVertex());
            if (vi == 0xFFFFFFFF) ok = false;
            m_Vertices.push_back(MakeVertex(h.GetVertex()->Position(), colorOf(vi)));
            m_Sources.push_back({vi, NoFace});
        });
        if (!ok) {
            m_Vertices.resize(first);
            m_Sources.resize(first);
            continue;
        }
        for (unsigned int i = 1; i + 1 < f.GetHalfEdgeCount(); ++i) {
            m_Indices.insert(m_Indices.end(), {first, first + i, first + i + 1});
        }
    }
    m_MeshVertexCount = mesh.Vertices().GetCount();
    m_MeshFaceCount = mesh.Faces().GetCount();
    return Finish();
}

int CQxPrimitive::UpdatePositions(const CQxMesh& mesh) {
    if (m_Sources.empty() || m_Locked || mesh.Vertices().GetCount() != m_MeshVertexCount) return 0;
    const bool needFaces = m_Kind == Kind::Faces;
    if (needFaces && mesh.Faces().GetCount() != m_MeshFaceCount) return 0;
    // Gather positions (and normals) by list position once, then scatter them to the corners.
    thread_local std::vector<const CQxVertex*> vertices;
    thread_local std::vector<const CQxFace*> faces;
    vertices.clear();
    vertices.reserve(m_MeshVertexCount);
    for (const CQxVertex& v : mesh.Vertices()) vertices.push_back(&v);
    faces.clear();
    if (needFaces) {
        faces.reserve(m_MeshFaceCount);
        for (const CQxFace& f : mesh.Faces()) faces.push_back(&f);
    }
    for (std::size_t i = 0; i < m_Vertices.size(); ++i) {
        const Source& s = m_Sources[i];
        const CQxVertex* v = vertices[s.Vertex];
        SetPosition(m_Vertices[i], v->Position());
        if (needFaces) SetNormal(m_Vertices[i], s.Face == NoFace ? v->Normal() : faces[s.Face]->Normal());
    }
    m_Dirty = 1;
    return 1;
}

// --- Markers ------------------------------------------------------------------------------------

int CQxPrimitive::BuildPivot(const CQxVector& at, float size) {
    Reset(Kind::Marker, QX_PRIMITIVE_LINES, QX_SHADE_COLOR);
    if (!(size > 0.0f) || !std::isfinite(size)) return Finish();
    AddLine(at, at + CQxVector(size, 0.0f, 0.0f), 0xFFFF0000u);
    AddLine(at, at + CQxVector(0.0f, size, 0.0f), 0xFF00FF00u);
    AddLine(at, at + CQxVector(0.0f, 0.0f, size), 0xFF0000FFu);
    return Finish();
}

int CQxPrimitive::BuildIKHandle(const CQxVector& from, const CQxVector& to, float size, unsigned long color) {
    Reset(Kind::Marker, QX_PRIMITIVE_LINES, QX_SHADE_COLOR);
    const std::uint32_t c = Argb(color);
    AddLine(from, to, c);
    if (size > 0.0f && std::isfinite(size)) {
        const float h = 0.5f * size;
        AddLine(to - CQxVector(h, 0.0f, 0.0f), to + CQxVector(h, 0.0f, 0.0f), c);
        AddLine(to - CQxVector(0.0f, h, 0.0f), to + CQxVector(0.0f, h, 0.0f), c);
        AddLine(to - CQxVector(0.0f, 0.0f, h), to + CQxVector(0.0f, 0.0f, h), c);
    }
    return Finish();
}

int CQxPrimitive::BuildBoundBox(const CQxBoundBox& box, unsigned long color) {
    Reset(Kind::Marker, QX_PRIMITIVE_LINES, QX_SHADE_COLOR);
    if (box.IsEmpty()) return Finish();
    const CQxVector& a = box.GetMin();
    const CQxVector& b = box.GetMax();
    // Corner i takes max along x, y, z for bits 1, 2, 4.
    auto corner = [&](unsigned int i) {
        return CQxVector(i & 1 ? b.x : a.x, i & 2 ? b.y : a.y, i & 4 ? b.z : a.z);
    };
    for (unsigned int i = 0; i < 8; ++i) m_Vertices.push_back(MakeVertex(corner(i), Argb(color)));
    for (unsigned int i = 0; i < 8; ++i) {
        for (unsigned int bit = 1; bit < 8; bit <<= 1) {
            if (!(i & bit)) m_Indices.insert(m_Indices.end(), {i, i | bit});
        }
    }
    return Finish();
}
