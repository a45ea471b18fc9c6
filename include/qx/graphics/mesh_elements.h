#pragma once

#include <cmath>

#include <cstddef>
#include <cstdint>

#include "qx/basis/list_node.h"
#include "qx/export.h"
#include "qx/math/matrix.h"
#include "qx/math/vector.h"
#include "qx/math/vector2d.h"

class CQxAttribute;
class CQxFace;
class CQxHalfEdge;

// The elements of the half-edge mesh. Vertices, edges and faces live in the mesh's lists; each
// face owns a ring of half-edges (one per corner, circular through Next/Prev). An edge is a free
// line segment between two vertices (wire geometry: grid lines, bones, imported polylines); the
// sides of faces are their half-edges, and the two half-edges of neighbouring faces along the
// same side are each other's mate.
//
// Elements are allocated from per-kind pools (many small objects, walked in list order), so
// meshes of millions of elements neither fragment the heap nor pay a system allocation each.
// Copying an element copies its value, never its links (list links, ring, mate, owner face).

// The topology epoch: a process-wide counter that moves on every event that can change which
// elements a mesh holds or how faces are linked to their corners and vertices: linking or
// unlinking an element in a mesh list (insert, remove, splice, clear), every ring edit,
// SetVertex. An element enters and leaves a mesh only through these, so a freed slot reused at
// the same address always comes with a new epoch. The elements' own operations move it, so no
// caller has to. Caches of topology compare it with the value they were built at.
QX_API void QxBumpMeshTopology() noexcept;
QX_API std::uint64_t QxGetMeshTopologyEpoch() noexcept;

// Declares the pooled allocation of an element class, and makes its lists move the epoch.
#define QX_POOLED_ELEMENT                                                                                    \
    static void* operator new(std::size_t size);                                                             \
    static void operator delete(void* p) noexcept;                                                           \
    static void OnRelink() noexcept { QxBumpMeshTopology(); }

// Bone influences of a skinned vertex: up to four joints by bone index, with their weights.
struct CQxVertexBones {
    unsigned char Indices[4] = {0, 0, 0, 0};
    float Weights[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// The influences a skinned vertex is placed by: the slots with a positive weight naming a bone
// below `count`, their weights scaled to sum to one; a vertex without bone data or without such
// a slot follows bone 0 alone. Negative and NaN weights count as none. Returns how many
// influences were written (0 only when there are no bones).
inline unsigned int QxGetSkinInfluences(const CQxVertexBones* bones, unsigned int count,
                                        unsigned int index[4], float weight[4]) {
    if (!count) return 0;
    unsigned int n = 0;
    float sum = 0.0f;
    if (bones)
        for (int s = 0; s < 4; ++s)
            if (bones->Weights[s] > 0.0f && bones->Indices[s] < count) {
                index[n] = bones->Indices[s];
                weight[n] = bones->Weights[s];
                sum += weight[n++];
            }
    if (!n || !(sum > 0.0f) || sum == INFINITY) {
        index[0] = 0;
        weight[0] = 1.0f;
        return 1;
    }
    for (unsigned int k = 0; k < n; ++k) weight[k] /= sum;
    return n;
}

class QX_API CQxVertex : public CQxListNode<CQxVertex> {
public:
    CQxVertex() = default;
    explicit CQxVertex(const CQxVector& position) : m_Position(position) {}
    // Copies position, normal, bone data and selection; not the links or the half-edge.
    CQxVertex(const CQxVertex& other);
    CQxVertex& operator=(const CQxVertex& other);
    ~CQxVertex();
    QX_POOLED_ELEMENT

    CQxVector& Position() { return m_Position; }
    const CQxVector& Position() const { return m_Position; }
    CQxVector& Normal() { return m_Normal; }
    const CQxVector& Normal() const { return m_Normal; }
    // One half-edge that starts at this vertex, or null for a vertex no face uses; set by the
    // mesh's UpdateVertexHalfEdges.
    CQxHalfEdge*& HalfEdge() { return m_HalfEdge; }
    CQxHalfEdge* HalfEdge() const { return m_HalfEdge; }

    // Bone data is allocated on demand (zero indices and weights).
    int AllocBones();
    void FreeBones();
    int HasBones() const { return m_Bones != nullptr; }
    CQxVertexBones* Bones() { return m_Bones; }
    const CQxVertexBones* Bones() const { return m_Bones; }

    unsigned char& IsSelect() { return m_Select; }
    unsigned char IsSelect() const { return m_Select; }

private:
    // Ordered to pack: the position goes in the list node's padding (64 bytes in all).
    CQxVector m_Position;
    CQxVector m_Normal;
    unsigned char m_Select = 0;
    CQxHalfEdge* m_HalfEdge = nullptr;
    CQxVertexBones* m_Bones = nullptr;
};

// Where a skinned vertex lies under the bone matrices: the blend of its position under each
// of its influences (QxGetSkinInfluences); with no bones it stays where it is.
inline CQxVector QxSkinPosition(const CQxVertex& vertex, const CQxMatrix* bones, unsigned int count) {
    unsigned int index[4];
    float weight[4];
    const unsigned int n = QxGetSkinInfluences(vertex.Bones(), count, index, weight);
    if (!n) return vertex.Position();
    CQxVector sum;
    for (unsigned int k = 0; k < n; ++k) sum += bones[index[k]].Transform(vertex.Position()) * weight[k];
    return sum;
}

class QX_API CQxEdge : public CQxListNode<CQxEdge> {
public:
    CQxEdge() = default;
    CQxEdge(CQxVertex* a, CQxVertex* b, unsigned int flags) : m_Flags(flags), m_Vertices{a, b} {}
    // Copies vertices, flags, colour and selection; not the links.
    CQxEdge(const CQxEdge& other) = default;
    CQxEdge& operator=(const CQxEdge& other) = default;
    QX_POOLED_ELEMENT

    CQxVertex*& Vertex(unsigned int i) { return m_Vertices[i & 1]; }
    CQxVertex* Vertex(unsigned int i) const { return m_Vertices[i & 1]; }
    unsigned int& Flags() { return m_Flags; }
    unsigned int Flags() const { return m_Flags; }
    // 32-bit ARGB.
    std::uint32_t& Color() { return m_Color; }
    std::uint32_t Color() const { return m_Color; }
    unsigned char& IsSelect() { return m_Select; }
    unsigned char IsSelect() const { return m_Select; }

private:
    unsigned int m_Flags = 0; // in the list node's padding
    CQxVertex* m_Vertices[2] = {nullptr, nullptr};
    std::uint32_t m_Color = 0xFFFFFFFF;
    unsigned char m_Select = 0;
};

// A corner of a face: the side from its vertex to the vertex of the next half-edge in the ring.
// Next/Prev (from the list node) walk the face's ring; Index is the serial number the mesh's
// UpdateHalfEdgeSerialIndices gives.
class QX_API CQxHalfEdge : public CQxListNode<CQxHalfEdge> {
public:
    CQxHalfEdge() = default;
    CQxHalfEdge(CQxFace* face, CQxVertex* vertex, unsigned int flags)
        : m_Flags(flags), m_Face(face), m_Vertex(vertex) {}
    // Copies vertex, flags, colour, texture coordinate and selection states; not the face, the
    // ring or the mate. Assigning moves the topology epoch (the vertex may change).
    CQxHalfEdge(const CQxHalfEdge& other);
    CQxHalfEdge& operator=(const CQxHalfEdge& other);
    QX_POOLED_ELEMENT

    CQxFace* GetFace() const { return m_Face; }
    CQxVertex* GetVertex() const { return m_Vertex; }
    void SetVertex(CQxVertex* vertex) {
        m_Vertex = vertex;
        QxBumpMeshTopology();
    }
    // The vertex this side runs to: the vertex of the next corner.
    CQxVertex* GetEndVertex() const;
    // The half-edge of the neighbouring face along the same side, or null on a boundary.
    CQxHalfEdge*& Mate() { return m_Mate; }
    CQxHalfEdge* Mate() const { return m_Mate; }

    unsigned int& Flags() { return m_Flags; }
    unsigned int Flags() const { return m_Flags; }
    // Corner colour, 32-bit ARGB.
    std::uint32_t& Color() { return m_Color; }
    std::uint32_t Color() const { return m_Color; }

    // Texture coordinate, allocated on demand: AllocUV gives (0, 0) the first time.
    int AllocUV();
    void FreeUV();
    int HasUV() const { return m_HasUV; }
    CQxVector2D& UV() { return m_UV; }
    const CQxVector2D& UV() const { return m_UV; }
    unsigned char& IsUVSelect() { return m_UVSelect; }
    unsigned char IsUVSelect() const { return m_UVSelect; }

    unsigned char& IsSelect() { return m_Select; }
    unsigned char IsSelect() const { return m_Select; }

private:
    friend class CQxFace;
    // Ordered to pack: the flags go in the list node's padding (64 bytes in all).
    unsigned int m_Flags = 0;
    CQxFace* m_Face = nullptr;
    CQxVertex* m_Vertex = nullptr;
    CQxHalfEdge* m_Mate = nullptr;
    CQxVector2D m_UV;
    std::uint32_t m_Color = 0xFFFFFFFF;
    unsigned char m_HasUV = 0;
    unsigned char m_UVSelect = 0;
    unsigned char m_Select = 0;
};

// A polygon: an attribute (material, or null), a flag byte whose bit 0 is the shade flag
// (1 smooth, 0 flat), a normal and the ring of its corners.
class QX_API CQxFace : public CQxListNode<CQxFace> {
public:
    static constexpr unsigned char ShadeBit = 1;

    CQxFace() = default;
    CQxFace(CQxAttribute* attribute, unsigned char flag) : m_Attribute(attribute), m_Flag(flag) {}
    // Copies attribute, flag, normal and selection, with an empty ring; CopyRing copies the
    // corners too.
    CQxFace(const CQxFace& other);
    CQxFace& operator=(const CQxFace& other);
    ~CQxFace();
    QX_POOLED_ELEMENT

    CQxAttribute*& Attribute() { return m_Attribute; }
    CQxAttribute* Attribute() const { return m_Attribute; }
    unsigned char& Flag() { return m_Flag; }
    unsigned char Flag() const { return m_Flag; }
    int IsShade() const { return (m_Flag & ShadeBit) != 0; }
    void SetShade(int on) { m_Flag = on ? (m_Flag | ShadeBit) : (m_Flag & ~ShadeBit); }
    CQxVector& Normal() { return m_Normal; }
    const CQxVector& Normal() const { return m_Normal; }
    unsigned char& IsSelect() { return m_Select; }
    unsigned char IsSelect() const { return m_Select; }

    // The ring. GetHalfEdge is its first corner (null when empty).
    CQxHalfEdge* GetHalfEdge() const { return m_First; }
    unsigned int GetHalfEdgeCount() const { return m_Count; }
    int HasHalfEdges() const { return m_Count != 0; }
    // Adds a corner at the end (or the front) of the ring, or after a corner of this ring; the
    // half-edge becomes this face's. 0 for null or for a half-edge already in a ring.
    int PushHalfEdge(CQxHalfEdge* h);
    // Adds count corners at the end of the ring, in order: the same as pushing each, in one
    // step. 0, adding none, when one is null, already in a ring or given twice.
    int PushHalfEdges(CQxHalfEdge* const* corners, unsigned int count);
    int PushFrontHalfEdge(CQxHalfEdge* h);
    int InsertHalfEdgeAfter(CQxHalfEdge* pos, CQxHalfEdge* h);
    // Takes a corner out of the ring without deleting it (its mate link is cleared on both
    // sides); PopHalfEdge deletes it too.
    int RemoveHalfEdge(CQxHalfEdge* h);
    int PopHalfEdge(CQxHalfEdge* h);
    void ClearHalfEdges();
    // Reverses the corner order (turns the face over), keeping each corner's vertex data.
    void ReverseHalfEdges();
    // Replaces the ring with copies of another face's corners.
    void CopyRing(const CQxFace& other);
    // The corner at ring position i (walking); null when i is not below the count.
    CQxHalfEdge* GetHalfEdgeAt(unsigned int i) const;
    // The ring position of a corner (walking); all bits set when the ring does not hold it.
    unsigned int GetHalfEdgePosition(const CQxHalfEdge* h) const;

    // At least three corners, each with a vertex, no vertex twice.
    int IsValid() const;
    CQxVector GetCenter() const;
    CQxVector2D GetUVCenter() const;
    // The unit normal of the corners as they lie now (the stored Normal is what the mesh's
    // UpdateNormals last gave); zero for a degenerate face.
    CQxVector CalcNormal() const;
    // The corner at the vertex, or null.
    CQxHalfEdge* FindHalfEdge(const CQxVertex* vertex) const;

    // Visits every corner in ring order: f(CQxHalfEdge&).
    template <class F>
    void ForEachHalfEdge(F&& f) const {
        CQxHalfEdge* h = m_First;
        for (unsigned int i = 0; i < m_Count; ++i) {
            CQxHalfEdge* next = h->Next();
            f(*h);
            h = next;
        }
    }

private:
    friend class CQxMesh;
    // Deletes the corners without cutting their mates' links: only for a mesh taking all its
    // faces down at once, where every mate goes too.
    void DropRing() noexcept;

    // Ordered to pack: the count goes in the list node's padding (56 bytes in all).
    unsigned int m_Count = 0;
    CQxHalfEdge* m_First = nullptr;
    CQxAttribute* m_Attribute = nullptr;
    CQxVector m_Normal;
    unsigned char m_Flag = 1;
    unsigned char m_Select = 0;
};

inline CQxVertex* CQxHalfEdge::GetEndVertex() const {
    return Next() ? Next()->GetVertex() : nullptr;
}
