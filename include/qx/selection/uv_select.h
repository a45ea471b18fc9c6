#pragma once

#include "qx/basis/array.h"
#include "qx/basis/ptr_array.h"
#include "qx/export.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/math/vector2d.h"

class CQxObject;

// The half-edges of one object whose texture coordinates are selected, in mesh order.
class QX_API CQxUVSelect {
public:
    CQxUVSelect() = default;
    explicit CQxUVSelect(const CQxObject* object) : m_Object(const_cast<CQxObject*>(object)) {}
    CQxUVSelect(const CQxUVSelect&) = default;
    CQxUVSelect& operator=(const CQxUVSelect&) = default;
    virtual ~CQxUVSelect() = default;

    CQxObject*& Object() { return m_Object; }
    CQxObject* const& Object() const { return m_Object; }
    CQxArray<CQxHalfEdge*>& HalfEdges() { return m_HalfEdges; }
    const CQxArray<CQxHalfEdge*>& HalfEdges() const { return m_HalfEdges; }

    void Clear();
    int HasUVSelect() const;
    void SelectUVs(int on) const;
    void ToggleSelectUVs() const;
    void MoveUVs(const CQxVector2D& offset) const;

private:
    CQxObject* m_Object = nullptr;
    CQxArray<CQxHalfEdge*> m_HalfEdges;
};

class QX_API CQxUVSelects {
public:
    CQxUVSelects() = default;
    CQxUVSelects(const CQxUVSelects& other);
    CQxUVSelects& operator=(const CQxUVSelects& other);
    virtual ~CQxUVSelects() = default;

    unsigned int GetSize() const { return m_Selects.GetSize(); }
    int IsEmpty() const { return m_Selects.IsEmpty(); }
    CQxUVSelect* operator[](unsigned int i) const { return m_Selects[i]; }
    CQxPtrArray<CQxUVSelect>& Selects() { return m_Selects; }
    const CQxPtrArray<CQxUVSelect>& Selects() const { return m_Selects; }
    CQxUVSelect* Push(CQxUVSelect* select);
    void Clear() { m_Selects.Clear(); }
    CQxUVSelect* Find(const CQxObject* object) const;

    int HasUVSelect() const;
    void SelectUVs(int on) const;
    void ToggleSelectUVs() const;
    void MoveUVs(const CQxVector2D& offset) const;

private:
    CQxPtrArray<CQxUVSelect> m_Selects;
};
