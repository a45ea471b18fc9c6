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

constexpr unsigned int NoSlot = 0xFFFFFFFF;

// A side of face f in QxSelectColor when its half-edge, its mate or either face is selected.
std::uint32_t SideColor(const CQxFace& f, const CQxHalfEdge& h, std::uint32_t normal, std::uint32_t select) {
    const CQxHalfEdge* mate = h.Mate();
    const bool selected = h.IsSelect() || f.IsSelect() ||
                          (mate && (mate->IsSelect() || (mate->GetFace() && mate->GetFace()->IsSelect())));
    return selected ? select : normal;
}

} // namespace

// Tables of the mesh elements a primitive was built from, by list position, so that a selection
// change of a few elements finds their points and lines without walking the mesh. They hold
// while the topology epoch stays where it was at the build.
struct CQxPrimitive::Origin {
    std::uint64_t Epoch = 0;
    std::uint32_t Normal = 0; // the selection colours built with
    std::uint32_t Select = 0;
    bool Complete = true; // edges: every line found both its vertices
    std::vector<const CQxVertex*> Vertices;
    std::vector<const CQxEdge*> Edges;
    std::vector<unsigned int> EdgeLines; // each free edge's line, NoSlot when left out
    std::vector<const CQxFace*> Faces;
    std::vector<unsigned int> FaceLines; // each face's first line
    std::vector<unsigned int> Slots;     // picks: each vertex's pick, NoSlot when not selected
    unsigned int Orphans = 0;            // own line vertices no line uses any more
};

void CQxPrimitive::OriginDeleter::operator()(Origin* origin) const noexcept {
    delete origin;
}

CQxPrimitive::Origin& CQxPrimitive::KeepOrigin(const CQxMesh& mesh) {
    if (!m_Origin) m_Origin.reset(new Origin);
    Origin& o = *m_Origin;
    o.Epoch = QxGetMeshTopologyEpoch();
    o.Normal = Argb(QxNormalColor());
    o.Select = Argb(QxSelectColor());
    o.Complete = true;
    o.Vertices.clear();
    o.Vertices.reserve(mesh.Vertices().GetCount());
    for (const CQxVertex& v : mesh.Vertices()) o.Vertices.push_back(&v);
    o.Edges.clear();
    o.EdgeLines.clear();
    o.Faces.clear();
    o.FaceLines.clear();
    o.Slots.clear();
    o.Orphans = 0;
    return o;
}

// The list position of a vertex of the mesh built from; NoSlot for any other.
unsigned int CQxPrimitive::OriginVertex(const CQxVertex* v) const {
    const unsigned int k = v ? v->Index() : NoSlot;
    return k < m_Origin->Vertices.size() && m_Origin->Vertices[k] == v ? k : NoSlot;
}

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
    m_Origin.reset();
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
    KeepOrigin(mesh);
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
    std::vector<unsigned int>& slots = KeepOrigin(mesh).Slots;
    slots.assign(mesh.Vertices().GetCount(), NoSlot);
    const std::uint32_t select = Argb(QxSelectColor());
    unsigned int i = 0;
    for (const CQxVertex& v : mesh.Vertices()) {
        if (v.IsSelect()) {
            slots[i] = static_cast<unsigned int>(m_Vertices.size());
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
    Origin& origin = KeepOrigin(mesh);
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
        if (ia == 0xFFFFFFFF || ib == 0xFFFFFFFF) {
            origin.Complete = false;
            return;
        }
        if (color == normal) {
            m_Indices.push_back(ia);
            m_Indices.push_back(ib);
            return;
        }
        AddLine(a->Position(), b->Position(), color);
        m_Sources.push_back({ia, NoFace});
        m_Sources.push_back({ib, NoFace});
    };
    auto lineCount = [&] { return static_cast<unsigned int>(m_Indices.size() / 2); };
    origin.Edges.reserve(mesh.Edges().GetCount());
    origin.EdgeLines.reserve(mesh.Edges().GetCount());
    for (const CQxEdge& e : mesh.Edges()) {
        const unsigned int line = lineCount();
        add(e.Vertex(0), e.Vertex(1), e.IsSelect() ? select : Argb(e.Color()));
        origin.Edges.push_back(&e);
        origin.EdgeLines.push_back(lineCount() > line ? line : NoSlot);
    }
    origin.Faces.reserve(mesh.Faces().GetCount());
    origin.FaceLines.reserve(mesh.Faces().GetCount());
    for (const CQxFace& f : mesh.Faces()) {
        origin.Faces.push_back(&f);
        origin.FaceLines.push_back(lineCount());
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const CQxHalfEdge* mate = h.Mate();
            // A shared side is drawn once, by the half-edge at the lower address.
            if (mate && mate < &h) return;
            add(h.GetVertex(), h.GetEndVertex(), SideColor(f, h, normal, select));
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

bool CQxPrimitive::CanFollow(const CQxMesh& mesh) const {
    if (m_Sources.empty() || m_Locked || mesh.Vertices().GetCount() != m_MeshVertexCount) return false;
    return m_Kind != Kind::Faces || mesh.Faces().GetCount() == m_MeshFaceCount;
}

int CQxPrimitive::UpdatePositions(const CQxMesh& mesh, const CQxVector* positions,
                                  const CQxVector* vertexNormals, const CQxVector* faceNormals) {
    if (!CanFollow(mesh) || !positions) return 0;
    const bool needFaces = m_Kind == Kind::Faces;
    if (needFaces && (!vertexNormals || !faceNormals)) return 0;
    for (std::size_t i = 0; i < m_Vertices.size(); ++i) {
        const Source& s = m_Sources[i];
        SetPosition(m_Vertices[i], positions[s.Vertex]);
        if (needFaces) SetNormal(m_Vertices[i], s.Face == NoFace ? vertexNormals[s.Vertex] : faceNormals[s.Face]);
    }
    m_Dirty = 1;
    return 1;
}

int CQxPrimitive::UpdatePositions(const CQxMesh& mesh) {
    if (!CanFollow(mesh)) return 0;
    const bool needFaces = m_Kind == Kind::Faces;
    // Gather positions (and normals) by list position once, then scatter them to the corners;
    // the table kept at the build serves while the topology has not moved.
    thread_local std::vector<const CQxVertex*> gathered;
    thread_local std::vector<const CQxFace*> faces;
    const CQxVertex* const* vertices = nullptr;
    if (IsOriginOf(mesh)) {
        vertices = m_Origin->Vertices.data();
    } else {
        gathered.clear();
        gathered.reserve(m_MeshVertexCount);
        for (const CQxVertex& v : mesh.Vertices()) gathered.push_back(&v);
        vertices = gathered.data();
    }
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

// The tables kept at the build still describe the mesh: no element was linked or unlinked
// anywhere since, and the mesh is the one built from.
bool CQxPrimitive::IsOriginOf(const CQxMesh& mesh) const {
    if (!m_Origin || m_Origin->Epoch != QxGetMeshTopologyEpoch()) return false;
    const std::vector<const CQxVertex*>& vertices = m_Origin->Vertices;
    if (vertices.size() != m_MeshVertexCount || mesh.Vertices().GetCount() != m_MeshVertexCount) return false;
    return vertices.empty() || vertices.front() == mesh.Vertices().Front();
}

int CQxPrimitive::UpdateSelection(const CQxMesh& mesh, const CQxArray<CQxVertex*>& vertices,
                                  const CQxArray<CQxEdge*>& edges, const CQxArray<CQxFace*>& faces,
                                  const CQxArray<CQxHalfEdge*>& halfEdges) {
    if (m_Locked || !IsOriginOf(mesh)) return 0;
    if (m_Origin->Normal != Argb(QxNormalColor()) || m_Origin->Select != Argb(QxSelectColor())) return 0;
    bool followed = false;
    switch (m_Kind) {
    case Kind::Points:
        followed = SelectPoints(vertices);
        break;
    case Kind::Picks:
        followed = SelectPicks(vertices);
        break;
    case Kind::Edges:
        followed = SelectEdges(edges, faces, halfEdges);
        break;
    default:
        return 0;
    }
    if (!followed) return 0;
    m_Dirty = 1;
    return 1;
}

bool CQxPrimitive::SelectPoints(const CQxArray<CQxVertex*>& vertices) {
    for (const CQxVertex* v : vertices) {
        if (!v) continue;
        const unsigned int k = OriginVertex(v);
        if (k == NoSlot) return false;
        m_Vertices[k].Color = v->IsSelect() ? m_Origin->Select : m_Origin->Normal;
    }
    return true;
}

// A vertex that leaves the picks takes the last pick's place, so the picks stay packed.
bool CQxPrimitive::SelectPicks(const CQxArray<CQxVertex*>& vertices) {
    std::vector<unsigned int>& slots = m_Origin->Slots;
    if (slots.size() != m_Origin->Vertices.size()) return false;
    for (const CQxVertex* v : vertices) {
        if (!v) continue;
        const unsigned int k = OriginVertex(v);
        if (k == NoSlot) return false;
        const unsigned int slot = slots[k];
        if (v->IsSelect() && slot == NoSlot) {
            slots[k] = static_cast<unsigned int>(m_Vertices.size());
            m_Indices.push_back(slots[k]);
            m_Vertices.push_back(MakeVertex(v->Position(), m_Origin->Select));
            m_Sources.push_back({k, NoFace});
        } else if (!v->IsSelect() && slot != NoSlot) {
            const std::size_t last = m_Vertices.size() - 1;
            if (slot != last) {
                m_Vertices[slot] = m_Vertices[last];
                m_Sources[slot] = m_Sources[last];
                slots[m_Sources[slot].Vertex] = slot;
            }
            m_Vertices.pop_back();
            m_Sources.pop_back();
            m_Indices.pop_back();
            slots[k] = NoSlot;
        }
    }
    return true;
}

bool CQxPrimitive::SelectEdges(const CQxArray<CQxEdge*>& edges, const CQxArray<CQxFace*>& faces,
                               const CQxArray<CQxHalfEdge*>& halfEdges) {
    Origin& o = *m_Origin;
    if (!o.Complete) return false;
    // Past a quarter of the lines a rebuild costs about the same and packs the vertices again.
    const std::size_t changes =
        edges.GetSize() + 4 * static_cast<std::size_t>(faces.GetSize()) + halfEdges.GetSize();
    if (4 * changes > m_Indices.size() / 2 + 64) return false;
    for (const CQxEdge* e : edges) {
        if (!e) continue;
        const unsigned int k = e->Index();
        if (k >= o.Edges.size() || o.Edges[k] != e) return false;
        if (o.EdgeLines[k] != NoSlot)
            RecolorLine(o.EdgeLines[k], e->IsSelect() ? o.Select : Argb(e->Color()));
    }
    bool found = true;
    for (const CQxFace* f : faces) {
        if (!f) continue;
        f->ForEachHalfEdge([&](const CQxHalfEdge& h) { found = found && RecolorSide(h); });
        if (!found) return false;
    }
    for (const CQxHalfEdge* h : halfEdges)
        if (h && !RecolorSide(*h)) return false;
    return o.Orphans <= m_MeshVertexCount + 64;
}

// Finds the line of a face side (drawn by the half-edge of the two at the lower address) by
// counting the sides its face drew before it.
bool CQxPrimitive::RecolorSide(const CQxHalfEdge& h) {
    const Origin& o = *m_Origin;
    const CQxHalfEdge* mate = h.Mate();
    const CQxHalfEdge* drawer = mate && mate < &h ? mate : &h;
    const CQxFace* face = drawer->GetFace();
    const unsigned int k = face ? face->Index() : NoSlot;
    if (k >= o.Faces.size() || o.Faces[k] != face) return false;
    unsigned int line = o.FaceLines[k];
    const CQxHalfEdge* c = face->GetHalfEdge();
    for (unsigned int i = 0; i < face->GetHalfEdgeCount(); ++i, c = c->Next()) {
        if (c == drawer) {
            RecolorLine(line, SideColor(*face, *c, o.Normal, o.Select));
            return true;
        }
        line += !(c->Mate() && c->Mate() < c);
    }
    return false;
}

// Lines in the normal colour use the shared vertex of each end; others own two vertices, made on
// first need and left unused when the line turns normal again.
void CQxPrimitive::RecolorLine(unsigned int line, std::uint32_t color) {
    Origin& o = *m_Origin;
    unsigned int* ends = &m_Indices[2 * static_cast<std::size_t>(line)];
    const bool own = ends[0] >= m_MeshVertexCount;
    if (color == o.Normal) {
        if (!own) return;
        ends[0] = m_Sources[ends[0]].Vertex;
        ends[1] = m_Sources[ends[1]].Vertex;
        o.Orphans += 2;
        return;
    }
    if (own) {
        m_Vertices[ends[0]].Color = m_Vertices[ends[1]].Color = color;
        return;
    }
    CQxPrimitiveVertex a = m_Vertices[ends[0]], b = m_Vertices[ends[1]];
    a.Color = b.Color = color;
    const auto first = static_cast<unsigned int>(m_Vertices.size());
    m_Vertices.push_back(a);
    m_Vertices.push_back(b);
    m_Sources.push_back({ends[0], NoFace});
    m_Sources.push_back({ends[1], NoFace});
    ends[0] = first;
    ends[1] = first + 1;
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
