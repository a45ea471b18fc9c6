#pragma once

#include <unordered_set>

#include "qx/basis/array.h"
#include "qx/graphics/mesh.h"

namespace qx_select {

// Membership marks for mesh elements, kept beside the mesh so a query never writes into it.
template <class T>
class Marks {
public:
    Marks() = default;
    explicit Marks(const CQxArray<T*>& items) { Add(items); }

    void Add(const T* p) {
        if (p) m_Set.insert(p);
    }
    void Add(const CQxArray<T*>& items) {
        m_Set.reserve(m_Set.size() + items.GetSize());
        for (const T* p : items) Add(p);
    }
    void Erase(const T* p) { m_Set.erase(p); }
    bool Has(const T* p) const { return p && m_Set.count(p) != 0; }
    std::size_t Size() const { return m_Set.size(); }
    bool Empty() const { return m_Set.empty(); }

private:
    std::unordered_set<const T*> m_Set;
};

// The marked elements of a mesh list, in list order.
template <class T, class List>
void CollectInOrder(const List& list, const Marks<T>& marks, CQxArray<T*>& out) {
    out.Empty();
    for (const T& e : list)
        if (marks.Has(&e)) out.PushBack(const_cast<T*>(&e));
}

// Visits the vertices of a face's ring.
template <class F>
void ForEachFaceVertex(const CQxFace& face, F&& f) {
    face.ForEachHalfEdge([&](const CQxHalfEdge& h) {
        if (h.GetVertex()) f(h.GetVertex());
    });
}

// Appends the items of src that dst does not hold yet, keeping dst's order first.
template <class T>
void AppendMissing(CQxArray<T*>& dst, const CQxArray<T*>& src) {
    Marks<T> held(dst);
    for (T* p : src) {
        if (held.Has(p)) continue;
        dst.PushBack(p);
        held.Add(p);
    }
}

// Drops from dst every item src holds.
template <class T>
void EraseAll(CQxArray<T*>& dst, const CQxArray<T*>& src) {
    if (src.IsEmpty() || dst.IsEmpty()) return;
    Marks<T> gone(src);
    CQxArray<T*> kept;
    kept.Reserve(dst.GetSize());
    for (T* p : dst)
        if (!gone.Has(p)) kept.PushBack(p);
    dst = kept;
}

} // namespace qx_select
