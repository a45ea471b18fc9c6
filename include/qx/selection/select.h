#pragma once

#include "qx/basis/array.h"
#include "qx/basis/ptr_array.h"
#include "qx/graphics/mesh_elements.h"

class CQxObject;
class CQxModel;

// A snapshot of what is selected of one object: the whole object (no components), or exactly
// the listed elements of its edited mesh. Element pointers are not owned and stay valid only
// until the mesh is edited. A handle record stands for the object's handle.
class CQxSelect {
public:
    CQxSelect() = default;
    explicit CQxSelect(const CQxObject* object) : m_Object(const_cast<CQxObject*>(object)) {}
    CQxSelect(const CQxSelect&) = default;
    CQxSelect& operator=(const CQxSelect&) = default;
    virtual ~CQxSelect() = default;

    int& IsHandle() { return m_IsHandle; }
    const int& IsHandle() const { return m_IsHandle; }
    CQxObject*& Object() { return m_Object; }
    CQxObject* const& Object() const { return m_Object; }
    CQxArray<CQxVertex*>& Vertices() { return m_Vertices; }
    const CQxArray<CQxVertex*>& Vertices() const { return m_Vertices; }
    CQxArray<CQxEdge*>& Edges() { return m_Edges; }
    const CQxArray<CQxEdge*>& Edges() const { return m_Edges; }
    CQxArray<CQxFace*>& Faces() { return m_Faces; }
    const CQxArray<CQxFace*>& Faces() const { return m_Faces; }
    CQxArray<CQxHalfEdge*>& HalfEdges() { return m_HalfEdges; }
    const CQxArray<CQxHalfEdge*>& HalfEdges() const { return m_HalfEdges; }

    int HasVertices() const { return !m_Vertices.IsEmpty(); }
    int HasEdges() const { return !m_Edges.IsEmpty(); }
    int HasFaces() const { return !m_Faces.IsEmpty(); }
    int HasHalfEdges() const { return !m_HalfEdges.IsEmpty(); }
    int HasComponents() const { return HasVertices() || HasEdges() || HasFaces() || HasHalfEdges(); }

    // Frees the storage of the four arrays.
    void ClearComponents();
    // Sets the four counts to 0, keeping the storage.
    void EmptyComponents();
    // No object, no handle, no components.
    void Clear();

private:
    int m_IsHandle = 0;
    CQxObject* m_Object = nullptr;
    CQxArray<CQxVertex*> m_Vertices;
    CQxArray<CQxEdge*> m_Edges;
    CQxArray<CQxFace*> m_Faces;
    CQxArray<CQxHalfEdge*> m_HalfEdges;
};

// An owning, ordered set of records, normally one per object.
class CQxSelects {
public:
    CQxSelects() = default;
    explicit CQxSelects(const CQxSelect& select) { Add(select); }
    explicit CQxSelects(const CQxObject* object) { m_Selects.PushBack(new CQxSelect(object)); }
    CQxSelects(const CQxSelects& other);
    CQxSelects& operator=(const CQxSelects& other);
    CQxSelects& operator=(const CQxSelect& select);
    virtual ~CQxSelects() = default;

    unsigned int GetSize() const { return m_Selects.GetSize(); }
    int IsEmpty() const { return m_Selects.IsEmpty(); }
    CQxSelect* operator[](unsigned int i) const { return m_Selects[i]; }
    CQxPtrArray<CQxSelect>& Selects() { return m_Selects; }
    const CQxPtrArray<CQxSelect>& Selects() const { return m_Selects; }
    // Appends a copy; Push adopts the record.
    CQxSelect* Add(const CQxSelect& select);
    CQxSelect* Push(CQxSelect* select);
    void Clear() { m_Selects.Clear(); }
    // The first record of the object, or null.
    CQxSelect* Find(const CQxObject* object) const;

private:
    CQxPtrArray<CQxSelect> m_Selects;
};
