#include "qx/selection/uv_select.h"

#include "qx/scene/object.h"

void CQxUVSelect::Clear() {
    m_Object = nullptr;
    m_HalfEdges.Clear();
}

int CQxUVSelect::HasUVSelect() const {
    for (const CQxHalfEdge* h : m_HalfEdges)
        if (h->HasUV() && h->IsUVSelect()) return 1;
    return 0;
}

void CQxUVSelect::SelectUVs(int on) const {
    if (m_Object && !m_HalfEdges.IsEmpty()) m_Object->SelectUVs(on, m_HalfEdges);
}

void CQxUVSelect::ToggleSelectUVs() const {
    if (m_Object && !m_HalfEdges.IsEmpty()) m_Object->ToggleSelectUVs(m_HalfEdges);
}

void CQxUVSelect::MoveUVs(const CQxVector2D& offset) const {
    if (m_Object && !m_HalfEdges.IsEmpty()) m_Object->MoveUVs(m_HalfEdges, offset);
}

CQxUVSelects::CQxUVSelects(const CQxUVSelects& other) : m_Selects(other.m_Selects) {}

CQxUVSelects& CQxUVSelects::operator=(const CQxUVSelects& other) {
    if (this != &other) m_Selects = other.m_Selects;
    return *this;
}

CQxUVSelect* CQxUVSelects::Push(CQxUVSelect* select) {
    if (!select) return nullptr;
    if (!m_Selects.PushBack(select)) {
        delete select;
        return nullptr;
    }
    return select;
}

CQxUVSelect* CQxUVSelects::Find(const CQxObject* object) const {
    for (CQxUVSelect* select : m_Selects)
        if (select->Object() == object) return select;
    return nullptr;
}

int CQxUVSelects::HasUVSelect() const {
    for (const CQxUVSelect* select : m_Selects)
        if (select->HasUVSelect()) return 1;
    return 0;
}

void CQxUVSelects::SelectUVs(int on) const {
    for (const CQxUVSelect* select : m_Selects) select->SelectUVs(on);
}

void CQxUVSelects::ToggleSelectUVs() const {
    for (const CQxUVSelect* select : m_Selects) select->ToggleSelectUVs();
}

void CQxUVSelects::MoveUVs(const CQxVector2D& offset) const {
    for (const CQxUVSelect* select : m_Selects) select->MoveUVs(offset);
}
