#pragma once

// Helpers shared by the mesh sources: list positions of elements, and the copying core that the
// copy constructor, CreateCopy and the mirror operations are built on.

#include <cmath>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "qx/basis/huge_page_allocator.h"
#include "qx/graphics/mesh.h"

namespace qx_mesh {

constexpr unsigned int NoIndex = 0xFFFFFFFF;

// The position reflected through every plane whose axis bit (QX_AXIS_X, _Y, _Z) is set.
inline CQxVector MirrorPosition(CQxVector p, unsigned int axes) {
    if (axes & QX_AXIS_X) p.x = -p.x;
    if (axes & QX_AXIS_Y) p.y = -p.y;
    if (axes & QX_AXIS_Z) p.z = -p.z;
    return p;
}

// The vector scaled to unit length; zero for a zero, infinite or NaN vector.
inline CQxVector UnitOrZero(const CQxVector& n) {
    const float len2 = n.GetLengthSq();
    if (!(len2 > 0.0f) || !std::isfinite(len2)) return CQxVector();
    return n * (1.0f / std::sqrt(len2));
}

// Uninitialised scratch storage for the passes over a whole mesh, on huge pages when large: the
// passes touch every byte once, so page faults would otherwise cost as much as the work.
template <class T>
class ScratchArray {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);

public:
    explicit ScratchArray(std::size_t count)
        : m_Data(CQxHugePageAllocator<T>().allocate(count ? count : 1)), m_Size(count) {}
    ScratchArray(const ScratchArray&) = delete;
    ScratchArray& operator=(const ScratchArray&) = delete;
    ~ScratchArray() { CQxHugePageAllocator<T>().deallocate(m_Data, m_Size ? m_Size : 1); }

    std::size_t Size() const { return m_Size; }
    T* Data() { return m_Data; }
    const T* Data() const { return m_Data; }
    T& operator[](std::size_t i) { return m_Data[i]; }
    const T& operator[](std::size_t i) const { return m_Data[i]; }

private:
    T* m_Data = nullptr;
    std::size_t m_Size = 0;
};

// The first `count` elements of a list (all of them by default), in order.
template <class T>
std::vector<T*> CollectElements(const CQxList<T>& list, unsigned int count = NoIndex) {
    std::vector<T*> out;
    if (count > list.GetCount()) count = list.GetCount();
    out.reserve(count);
    auto it = list.begin();
    for (unsigned int i = 0; i < count; ++i, ++it) out.push_back(const_cast<T*>(it.Get()));
    return out;
}

// Finds the position of an element among a fixed sequence of elements. An element's own Index
// usually already holds its list position, so it is tried first; a stale Index falls back to a
// map built once on demand. Elements not in the sequence give NoIndex.
template <class T>
class ElementIndexer {
public:
    explicit ElementIndexer(const std::vector<T*>& elements) : m_Elements(elements) {}

    unsigned int Find(const T* e) const {
        if (!e) return NoIndex;
        const unsigned int i = e->Index();
        if (i < m_Elements.size() && m_Elements[i] == e) return i;
        if (!m_Built) {
            m_Map.reserve(m_Elements.size());
            for (unsigned int k = 0; k < m_Elements.size(); ++k) m_Map.emplace(m_Elements[k], k);
            m_Built = true;
        }
        auto it = m_Map.find(e);
        return it == m_Map.end() ? NoIndex : it->second;
    }

private:
    const std::vector<T*>& m_Elements;
    mutable std::unordered_map<const T*, unsigned int> m_Map;
    mutable bool m_Built = false;
};

// How AppendElements copies a mesh.
struct AppendOptions {
    // Applied to positions after the mirroring (null: none).
    const CQxMatrix* Transform = nullptr;
    // QX_AXIS_X/Y/Z bits: positions are negated on these axes first.
    unsigned int MirrorAxes = 0;
    // Copy the corners' texture coordinates; otherwise the copies have none.
    int WithUV = 1;
    // Per source vertex, an existing vertex of the target to use instead of a copy (null entries
    // are copied); empty for none.
    const std::vector<CQxVertex*>* SharedVertices = nullptr;
};

// Appends copies of the vertices, edges and faces of `source` (its first vertexCount,
// edgeCount and faceCount elements, so that a mesh may append copies of itself) to `target`.
// Mates between the copied faces follow the source's; faces are turned when the mirroring and
// the transform together reverse orientation. The copied vertices get their half-edges; normals
// are left to the caller. `target` may be `source`.
void AppendElements(CQxMesh& target, const CQxMesh& source, unsigned int vertexCount, unsigned int edgeCount,
                    unsigned int faceCount, const AppendOptions& options);

} // namespace qx_mesh
