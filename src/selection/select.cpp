#include "qx/selection/select.h"

void CQxSelect::ClearComponents() {
    m_Vertices.Clear();
    m_Edges.Clear();
    m_Faces.Clear();
    m_HalfEdges.Clear();
}

void CQxSelect::EmptyComponents() {
    m_Vertices.Empty();
    m_Edges.Empty();
    m_Faces.Empty();
    m_HalfEdges.Empty();
}

void CQxSelect::Clear() {
    m_Object = nullptr;
    m_IsHandle = 0;
    ClearComponents();
}

CQxSelects::CQxSelects(const CQxSelects& other) : m_Selects(other.m_Selects) {}

CQxSelects& CQxSelects::operator=(const CQxSelects& other) {
    if (this != &other) m_Selects = other.m_Selects;
    return *this;
}

CQxSelects& CQxSelects::operator=(const CQxSelect& select) {
    // The copy is made first: the record may be one of ours.
    CQxSelect* copy = new CQxSelect(select);
    m_Selects.Empty();
    m_Selects.PushBack(copy);
    return *this;
}

CQxSelect* CQxSelects::Add(const CQxSelect& select) {
    return Push(new CQxSelect(select));
}

CQxSelect* CQxSelects::Push(CQxSelect* select) {
    if (!select) return nullptr;
    if (!m_Selects.PushBack(select)) {
        delete select;
        return nullptr;
    }
    return select;
}

CQxSelect* CQxSelects::Find(const CQxObject* object) const {
    for (CQxSelect* select : m_Selects)
        if (select->Object() == object) return select;
    return nullptr;
}
