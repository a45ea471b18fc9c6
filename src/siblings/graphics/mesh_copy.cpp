// Copying elements between meshes: the core that the copy constructor, CreateCopy and the
// mirror operations are built on.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "mesh_internal.h"

namespace qx_mesh {

namespace {

int TurnsOver(const AppendOptions& o) {
    int odd = 0;
    for (unsigned int bit : {QX_AXIS_X, QX_AXIS_Y, QX_AXIS_Z}) odd ^= (o.MirrorAxes & bit) ? 1 : 0;
    if (o.Transform && o.Transform->GetDeterminant() < 0.0f) odd ^= 1;
    return odd;
}

// Copies of the vertices, mirrored and transformed, each at its source's list position; an
// entry of o.SharedVertices stands in for the copy of its vertex.
std::vector<CQxVertex*> CopyVertices(CQxMesh& target, const std::vector<CQxVertex*>& sv,
                                     const AppendOptions& o) {
    const unsigned int mirror = o.MirrorAxes & (QX_AXIS_X | QX_AXIS_Y | QX_AXIS_Z);
    std::vector<CQxVertex*> nv(sv.size());
    for (std::size_t i = 0; i < sv.size(); ++i) {
        CQxVertex* shared =
            o.SharedVertices && i < o.SharedVertices->size() ? (*o.SharedVertices)[i] : nullptr;
        if (shared) {
            nv[i] = shared;
            continue;
        }
        auto* v = new CQxVertex(*sv[i]);
        CQxVector p = MirrorPosition(v->Position(), mirror);
        if (o.Transform) p = o.Transform->Transform(p);
        v->Position() = p;
        target.Vertices().PushBack(v);
        nv[i] = v;
    }
    return nv;
}

// Copies of the edges both of whose ends were copied; mapVertex(source vertex) gives the copy.
template <class MapVertex>
void CopyEdges(CQxMesh& target, const std::vector<CQxEdge*>& se, MapVertex&& mapVertex) {
    for (CQxEdge* e : se) {
        CQxVertex* a = mapVertex(e->Vertex(0));
        CQxVertex* b = mapVertex(e->Vertex(1));
        if (!a || !b) continue;
        auto* ne = new CQxEdge(*e);
        ne->Vertex(0) = a;
        ne->Vertex(1) = b;
        target.Edges().PushBack(ne);
    }
}

// Copies of the faces, turned when `turn`. Corners are numbered face by face so that mates can
// be found again by number: face i's copies are nh[firstSerial[i]] on, in the source's ring order.
template <class MapVertex>
void CopyFaces(CQxMesh& target, const std::vector<CQxFace*>& sf, int turn, int withUV, MapVertex&& mapVertex,
               std::vector<unsigned int>& firstSerial, std::vector<CQxHalfEdge*>& nh) {
    firstSerial.assign(sf.size() + 1, 0);
    for (std::size_t i = 0; i < sf.size(); ++i)
        firstSerial[i + 1] = firstSerial[i] + sf[i]->GetHalfEdgeCount();
    nh.assign(firstSerial.back(), nullptr);
    for (std::size_t i = 0; i < sf.size(); ++i) {
        auto* nf = new CQxFace(*sf[i]);
        unsigned int s = firstSerial[i];
        sf[i]->ForEachHalfEdge([&](const CQxHalfEdge& h) {
            auto* c = new CQxHalfEdge(h);
            c->SetVertex(mapVertex(h.GetVertex()));
            if (!withUV) c->FreeUV();
            nf->PushHalfEdge(c);
            c->Index() = h.Index();
            nh[s++] = c;
        });
        if (turn) nf->ReverseHalfEdges();
        target.Faces().PushBack(nf);
    }
}

// Mates between the copied faces follow the source's. A turned ring keeps its first corner and
// runs backwards, so the side of corner h now belongs to the copy of h's successor; the same
// holds on the mate's face.
void LinkCopiedMates(const std::vector<CQxFace*>& sf, const ElementIndexer<CQxFace>& faceIndex, int turn,
                     const std::vector<unsigned int>& firstSerial, const std::vector<CQxHalfEdge*>& nh) {
    for (std::size_t i = 0; i < sf.size(); ++i) {
        const unsigned int count = sf[i]->GetHalfEdgeCount();
        unsigned int pos = 0;
        sf[i]->ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const CQxHalfEdge* g = h.Mate();
            const unsigned int self = pos++;
            if (!g) return;
            const unsigned int fi = faceIndex.Find(g->GetFace());
            const unsigned int gp = fi == NoIndex ? NoIndex : sf[fi]->GetHalfEdgePosition(g);
            if (gp == NoIndex) return;
            if (!turn) {
                nh[firstSerial[i] + self]->Mate() = nh[firstSerial[fi] + gp];
            } else {
                const unsigned int gCount = sf[fi]->GetHalfEdgeCount();
                nh[firstSerial[i] + (self + 1) % count]->Mate() = nh[firstSerial[fi] + (gp + 1) % gCount];
            }
        });
    }
}

// Each copied vertex keeps a copied corner that starts at it, one on a boundary when there is one.
void GiveVerticesCorners(const std::vector<CQxHalfEdge*>& nh) {
    for (CQxHalfEdge* c : nh) {
        CQxVertex* v = c->GetVertex();
        if (v && (!v->HalfEdge() || (!c->Mate() && v->HalfEdge()->Mate()))) v->HalfEdge() = c;
    }
}

} // namespace

void AppendElements(CQxMesh& target, const CQxMesh& source, unsigned int vertexCount, unsigned int edgeCount,
                    unsigned int faceCount, const AppendOptions& o) {
    const std::vector<CQxVertex*> sv = CollectElements(source.Vertices(), vertexCount);
    const std::vector<CQxEdge*> se = CollectElements(source.Edges(), edgeCount);
    const std::vector<CQxFace*> sf = CollectElements(source.Faces(), faceCount);
    const ElementIndexer<CQxVertex> vertexIndex(sv);
    const ElementIndexer<CQxFace> faceIndex(sf);
    const int turn = TurnsOver(o);

    const std::vector<CQxVertex*> nv = CopyVertices(target, sv, o);
    auto mapVertex = [&](const CQxVertex* v) -> CQxVertex* {
        const unsigned int i = vertexIndex.Find(v);
        return i == NoIndex ? nullptr : nv[i];
    };
    CopyEdges(target, se, mapVertex);
    std::vector<unsigned int> firstSerial;
    std::vector<CQxHalfEdge*> nh;
    CopyFaces(target, sf, turn, o.WithUV, mapVertex, firstSerial, nh);
    LinkCopiedMates(sf, faceIndex, turn, firstSerial, nh);
    if (!o.SharedVertices) GiveVerticesCorners(nh);
}

} // namespace qx_mesh
