// The clipboard block: what a copy writes, what a paste reads.
//
//   u32 V, then V vertex records   { u32 index; f32 x, y, z; }
//   u32 E, then E edge records     { u32 index; u32 a, b; u32 flags; }
//   u32 F, then F face records     { u32 index; i32 attribute; u32 flag; u32 n;
//                                    n corners { u32 vertex; u32 flags; } }
//
// All fields little-endian; vertex references are positions among the block's vertex records.

#include <cmath>
#include <unordered_map>

#include "qx/commands/clipboard_cmds.h"
#include "qx/platform/block_io.h"
#include "qx/scene/model.h"
#include "qx/selection/select.h"

using namespace QxWin;

namespace {

constexpr std::uint32_t kNoVertex = 0xFFFFFFFF;
constexpr std::size_t kVertexBytes = 16, kEdgeBytes = 16, kFaceBytes = 16, kCornerBytes = 8;

// Whether `count` records of at least `bytes` each can still follow: a count that lies is
// caught before anything is allocated for it.
bool Fits(const QxBlockReader& in, std::uint32_t count, std::size_t bytes) {
    return count <= in.GetRemaining() / bytes;
}

bool ReadVertices(QxBlockReader& in, CQxClipRecords& out) {
    std::uint32_t count = 0;
    if (!in.ReadU32(count) || count == 0 || !Fits(in, count, kVertexBytes)) return false;
    out.Vertices.resize(count);
    for (CQxClipVertex& v : out.Vertices) {
        in.ReadU32(v.Index);
        in.ReadF32(v.Position.x);
        in.ReadF32(v.Position.y);
        in.ReadF32(v.Position.z);
        if (!std::isfinite(v.Position.x) || !std::isfinite(v.Position.y) || !std::isfinite(v.Position.z))
            return false;
    }
    return true;
}

bool ReadEdges(QxBlockReader& in, CQxClipRecords& out) {
    std::uint32_t count = 0;
    if (!in.ReadU32(count) || !Fits(in, count, kEdgeBytes)) return false;
    const std::size_t vertices = out.Vertices.size();
    out.Edges.resize(count);
    for (CQxClipEdge& e : out.Edges) {
        in.ReadU32(e.Index);
        in.ReadU32(e.Vertices[0]);
        in.ReadU32(e.Vertices[1]);
        in.ReadU32(e.Flags);
        if (e.Vertices[0] >= vertices || e.Vertices[1] >= vertices || e.Vertices[0] == e.Vertices[1]) return false;
    }
    return true;
}

bool ReadFaces(QxBlockReader& in, CQxClipRecords& out) {
    std::uint32_t count = 0;
    if (!in.ReadU32(count) || !Fits(in, count, kFaceBytes)) return false;
    // seen[v] == face number + 1 while that face's ring is read: a vertex twice in a ring.
    std::vector<std::uint32_t> seen(out.Vertices.size(), 0);
    out.Faces.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        CQxClipFace& f = out.Faces[i];
        std::uint32_t corners = 0;
        if (!in.ReadU32(f.Index) || !in.ReadI32(f.Attribute) || !in.ReadU32(f.Flag) || !in.ReadU32(corners))
            return false;
        if (corners < 3 || !Fits(in, corners, kCornerBytes)) return false;
        f.Corners.resize(corners);
        for (CQxClipCorner& c : f.Corners) {
            in.ReadU32(c.Vertex);
            in.ReadU32(c.Flags);
            if (c.Vertex >= seen.size() || seen[c.Vertex] == i + 1) return false;
            seen[c.Vertex] = i + 1;
        }
    }
    return true;
}

// Positions of a mesh's vertices in its list, read from the Index fields when they are current
// (the usual case after loading or any upkeep) and from a table otherwise.
class VertexPositions {
public:
    explicit VertexPositions(const CQxMesh& mesh) {
        std::uint32_t i = 0;
        bool current = true;
        for (const CQxVertex& v : mesh.Vertices()) current = current && v.Index() == i++;
        if (current) return;
        i = 0;
        m_Table.reserve(mesh.Vertices().GetCount());
        for (const CQxVertex& v : mesh.Vertices()) m_Table.emplace(&v, i++);
    }
    std::uint32_t Of(const CQxVertex* v) const {
        if (m_Table.empty()) return v->Index();
        auto found = m_Table.find(v);
        return found == m_Table.end() ? kNoVertex : found->second;
    }

private:
    std::unordered_map<const CQxVertex*, std::uint32_t> m_Table;
};

// Appends one record's geometry. `slot[p]` is the block position of the mesh vertex at list
// position p; edges and faces that use a vertex without one are left out, so a block never
// holds a reference the reader would refuse.
class RecordGatherer {
public:
    RecordGatherer(const CQxSelect& record, bool toRoot, CQxClipRecords& out)
        : m_Object(*record.Object()), m_Mesh(m_Object.Mesh()), m_Positions(m_Mesh), m_Out(out) {
        if (toRoot) m_ToRoot = m_Object.GetTransformToRoot(QX_TF_ALL, 0);
        m_HasMatrix = toRoot;
        m_Model = m_Object.GetModel();
        m_Slots.assign(m_Mesh.Vertices().GetCount(), kNoVertex);
    }

    void AddVertex(const CQxVertex& v) {
        const std::uint32_t p = m_Positions.Of(&v);
        if (p >= m_Slots.size()) return;
        m_Slots[p] = static_cast<std::uint32_t>(m_Out.Vertices.size());
        m_Out.Vertices.push_back({p, m_HasMatrix ? m_ToRoot.Transform(v.Position()) : v.Position()});
    }
    void AddEdge(const CQxEdge& e, std::uint32_t index) {
        const std::uint32_t a = Slot(e.Vertex(0)), b = Slot(e.Vertex(1));
        if (a != kNoVertex && b != kNoVertex) m_Out.Edges.push_back({index, {a, b}, e.Flags()});
    }
    void AddFace(const CQxFace& f, std::uint32_t index) {
        CQxClipFace record;
        record.Index = index;
        const unsigned int attribute = m_Model && f.Attribute() ? m_Model->FindAttribute(f.Attribute()) : kNoVertex;
        record.Attribute = attribute == kNoVertex ? -1 : static_cast<std::int32_t>(attribute);
        record.Flag = f.Flag();
        record.Corners.reserve(f.GetHalfEdgeCount());
        bool whole = true;
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const std::uint32_t v = Slot(h.GetVertex());
            whole = whole && v != kNoVertex;
            record.Corners.push_back({v, h.Flags()});
        });
        if (whole && f.IsValid()) m_Out.Faces.push_back(std::move(record));
    }

    void AddWholeMesh() {
        for (const CQxVertex& v : m_Mesh.Vertices()) AddVertex(v);
        std::uint32_t i = 0;
        for (const CQxEdge& e : m_Mesh.Edges()) AddEdge(e, i++);
        i = 0;
        m_Out.Faces.reserve(m_Out.Faces.size() + m_Mesh.Faces().GetCount());
        for (const CQxFace& f : m_Mesh.Faces()) AddFace(f, i++);
    }
    void AddComponents(const CQxSelect& record) {
        for (const CQxVertex* v : record.Vertices()) AddVertex(*v);
        for (const CQxEdge* e : record.Edges()) AddEdge(*e, e->Index());
        for (const CQxFace* f : record.Faces()) AddFace(*f, f->Index());
    }

private:
    std::uint32_t Slot(const CQxVertex* v) const {
        if (!v) return kNoVertex;
        const std::uint32_t p = m_Positions.Of(v);
        return p < m_Slots.size() ? m_Slots[p] : kNoVertex;
    }

    const CQxObject& m_Object;
    const CQxMesh& m_Mesh;
    VertexPositions m_Positions;
    CQxClipRecords& m_Out;
    const CQxModel* m_Model = nullptr;
    CQxMatrix m_ToRoot;
    bool m_HasMatrix = false;
    std::vector<std::uint32_t> m_Slots;
};

} // namespace

void QxGatherClipRecords(const CQxSelects& selects, CQxClipRecords& records) {
    records = CQxClipRecords();
    const bool toRoot = selects.GetSize() >= 2;
    for (const CQxSelect* record : selects.Selects()) {
        if (!record->Object()) continue;
        RecordGatherer gather(*record, toRoot, records);
        if (record->HasComponents())
            gather.AddComponents(*record);
        else
            gather.AddWholeMesh();
    }
}

std::size_t QxGetClipBlockSize(const CQxClipRecords& records) {
    std::size_t size = 12 + kVertexBytes * records.Vertices.size() + kEdgeBytes * records.Edges.size();
    for (const CQxClipFace& f : records.Faces) size += kFaceBytes + kCornerBytes * f.Corners.size();
    return size;
}

HGLOBAL QxWriteClipBlock(const CQxClipRecords& records) {
    if (records.Vertices.empty()) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, QxGetClipBlockSize(records));
    if (!block) return nullptr;
    void* bytes = GlobalLock(block);
    if (!bytes) {
        GlobalFree(block);
        return nullptr;
    }
    QxBlockWriter out(bytes, GlobalSize(block));
    out.WriteU32(static_cast<std::uint32_t>(records.Vertices.size()));
    for (const CQxClipVertex& v : records.Vertices) {
        out.WriteU32(v.Index);
        out.WriteF32(v.Position.x);
        out.WriteF32(v.Position.y);
        out.WriteF32(v.Position.z);
    }
    out.WriteU32(static_cast<std::uint32_t>(records.Edges.size()));
    for (const CQxClipEdge& e : records.Edges)
        for (std::uint32_t field : {e.Index, e.Vertices[0], e.Vertices[1], e.Flags}) out.WriteU32(field);
    out.WriteU32(static_cast<std::uint32_t>(records.Faces.size()));
    for (const CQxClipFace& f : records.Faces) {
        out.WriteU32(f.Index);
        out.WriteI32(f.Attribute);
        out.WriteU32(f.Flag);
        out.WriteU32(static_cast<std::uint32_t>(f.Corners.size()));
        for (const CQxClipCorner& c : f.Corners) {
            out.WriteU32(c.Vertex);
            out.WriteU32(c.Flags);
        }
    }
    GlobalUnlock(block);
    return block;
}

int QxParseClipBlock(const void* bytes, std::size_t size, CQxClipRecords& records) {
    records = CQxClipRecords();
    QxBlockReader in(bytes, size);
    if (ReadVertices(in, records) && ReadEdges(in, records) && ReadFaces(in, records) && in.GetRemaining() == 0)
        return 1;
    records = CQxClipRecords();
    return 0;
}

int QxReadClipBlock(HGLOBAL block, CQxClipRecords& records) {
    records = CQxClipRecords();
    const SIZE_T size = GlobalSize(block);
    const void* bytes = GlobalLock(block);
    if (!bytes) return 0;
    const int ok = QxParseClipBlock(bytes, size, records);
    GlobalUnlock(block);
    return ok;
}
