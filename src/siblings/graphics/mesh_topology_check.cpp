#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "qx/graphics/mesh.h"

// The topology check walks only links it has proven to stay inside the mesh: a pointer is
// followed after it was found among the mesh's own elements, so a corrupt mesh is reported,
// never dereferenced into freed or foreign memory.

CQxString CQxTopologyReport::GetText() const {
    CQxString text;
    if (IsSound())
        text = "sound";
    else if (!std::strcmp(Element, "half-edge"))
        text.Format("face %u corner %u: %s", Position, Corner, Rule);
    else
        text.Format("%s %u: %s", Element, Position, Rule);
    return text;
}

namespace {

// Where an element sits: its list position and, for a half-edge, its place in the ring.
struct Place {
    unsigned int Position;
    unsigned int Corner;
};

// Elements of one kind sorted by address, for finding whether a pointer is one of them.
template <class T>
class ElementTable {
public:
    void Add(const T* e, Place place) { m_Entries.push_back({e, place}); }
    void Sort() {
        std::sort(m_Entries.begin(), m_Entries.end(),
                  [](const Entry& a, const Entry& b) { return a.first < b.first; });
    }
    // The place of e, or null when e is not one of the elements.
    const Place* Find(const T* e) const {
        auto it = std::lower_bound(m_Entries.begin(), m_Entries.end(), e,
                                   [](const Entry& a, const T* p) { return a.first < p; });
        return it != m_Entries.end() && it->first == e ? &it->second : nullptr;
    }
    // The first element listed twice, or null.
    const Place* FindRepeat() const {
        auto it = std::adjacent_find(m_Entries.begin(), m_Entries.end(),
                                     [](const Entry& a, const Entry& b) { return a.first == b.first; });
        return it != m_Entries.end() ? &std::next(it)->second : nullptr;
    }

private:
    using Entry = std::pair<const T*, Place>;
    std::vector<Entry> m_Entries;
};

class TopologyChecker {
public:
    TopologyChecker(const CQxMesh& mesh, bool indices) : m_Mesh(mesh), m_Indices(indices) {}

    CQxTopologyReport Run() {
        if (CheckList(m_Mesh.Vertices(), "vertex list") && CheckList(m_Mesh.Edges(), "edge list") &&
            CheckList(m_Mesh.Faces(), "face list") && CollectVertices() && CollectFaces() && CheckEdges() &&
            CheckCorners() && CheckVertexHalfEdges())
            return {};
        return m_Report;
    }

private:
    bool Fail(const char* rule, const char* element, unsigned int position, unsigned int corner = 0) {
        m_Report = {rule, element, position, corner};
        return false;
    }

    // Links mutual all the way round, closing at the sentinel after exactly the count.
    template <class T>
    bool CheckList(const CQxList<T>& list, const char* name) {
        const T* head = list.GetHead();
        const T* e = head;
        for (unsigned int i = 0; i <= list.GetCount(); ++i) {
            const T* next = e->Next();
            if (!next || next->Prev() != e) return Fail("links are not mutual", name, i);
            e = next;
            if (e == head) return i == list.GetCount() || Fail("closes before its count", name, i);
        }
        return Fail("does not close after its count", name, list.GetCount());
    }

    bool CollectVertices() {
        unsigned int i = 0;
        for (const CQxVertex& v : m_Mesh.Vertices()) {
            if (m_Indices && v.Index() != i) return Fail("Index is not its list position", "vertex", i);
            m_Vertices.Add(&v, {i++, 0});
        }
        m_Vertices.Sort();
        return true;
    }

    // Each ring closes after exactly its count, with mutual links and every corner owned by its face.
    bool CollectFaces() {
        unsigned int i = 0;
        for (const CQxFace& f : m_Mesh.Faces()) {
            if (m_Indices && f.Index() != i) return Fail("Index is not its list position", "face", i);
            const unsigned int n = f.GetHalfEdgeCount();
            const CQxHalfEdge* h = f.GetHalfEdge();
            if ((n == 0) != (h == nullptr)) return Fail("corner count and ring disagree", "face", i);
            for (unsigned int k = 0; k < n; ++k) {
                if (!h) return Fail("ring ends before its count", "half-edge", i, k);
                if (h->GetFace() != &f) return Fail("belongs to another face", "half-edge", i, k);
                if (!h->Next() || h->Next()->Prev() != h)
                    return Fail("ring links are not mutual", "half-edge", i, k);
                if (k + 1 < n && h->Next() == f.GetHalfEdge())
                    return Fail("ring closes before its count", "half-edge", i, k);
                m_Corners.Add(h, {i, k});
                h = h->Next();
            }
            if (h != f.GetHalfEdge()) return Fail("ring does not close after its count", "face", i);
            ++i;
        }
        m_Corners.Sort();
        if (const Place* repeat = m_Corners.FindRepeat())
            return Fail("is a corner of two rings", "half-edge", repeat->Position, repeat->Corner);
        return true;
    }

    bool CheckEdges() {
        unsigned int i = 0;
        for (const CQxEdge& e : m_Mesh.Edges()) {
            if (m_Indices && e.Index() != i) return Fail("Index is not its list position", "edge", i);
            if (!m_Vertices.Find(e.Vertex(0))) return Fail("first vertex is not in this mesh", "edge", i);
            if (!m_Vertices.Find(e.Vertex(1))) return Fail("second vertex is not in this mesh", "edge", i);
            ++i;
        }
        return true;
    }

    // Mates mutual, in another face of this mesh, running the opposite way. The rings are known to
    // be sound here, so they are walked again in list order and the first fault found is the
    // same on every run.
    bool CheckCorners() {
        unsigned int f = 0;
        for (const CQxFace& face : m_Mesh.Faces()) {
            const CQxHalfEdge* h = face.GetHalfEdge();
            for (unsigned int k = 0; k < face.GetHalfEdgeCount(); ++k, h = h->Next())
                if (!CheckCorner(h, f, k)) return false;
            ++f;
        }
        return true;
    }

    bool CheckCorner(const CQxHalfEdge* h, unsigned int f, unsigned int k) {
        if (!m_Vertices.Find(h->GetVertex()))
            return Fail("its vertex is not in this mesh", "half-edge", f, k);
        const CQxHalfEdge* m = h->Mate();
        if (!m) return true;
        if (m == h) return Fail("is its own mate", "half-edge", f, k);
        if (!m_Corners.Find(m)) return Fail("its mate is not a corner of this mesh", "half-edge", f, k);
        if (m->Mate() != h) return Fail("its mate's mate is not the half-edge itself", "half-edge", f, k);
        if (m->GetFace() == h->GetFace()) return Fail("its mate is in the same face", "half-edge", f, k);
        if (m->GetVertex() != h->GetEndVertex() || m->GetEndVertex() != h->GetVertex())
            return Fail("its mate does not run the opposite way", "half-edge", f, k);
        return true;
    }

    bool CheckVertexHalfEdges() {
        unsigned int i = 0;
        for (const CQxVertex& v : m_Mesh.Vertices()) {
            const CQxHalfEdge* h = v.HalfEdge();
            if (h && !m_Corners.Find(h))
                return Fail("its half-edge is not a corner of this mesh", "vertex", i);
            if (h && h->GetVertex() != &v) return Fail("its half-edge does not start at it", "vertex", i);
            ++i;
        }
        return true;
    }

    const CQxMesh& m_Mesh;
    const bool m_Indices;
    ElementTable<CQxVertex> m_Vertices;
    ElementTable<CQxHalfEdge> m_Corners;
    CQxTopologyReport m_Report;
};

} // namespace

CQxTopologyReport CQxMesh::DiagnoseTopology(int indices) const {
    return TopologyChecker(*this, indices != 0).Run();
}

int CQxMesh::CheckTopology(int indices) const {
    return DiagnoseTopology(indices).IsSound();
}
