#include "qx/graphics/bound_box.h"

#include <algorithm>

void CQxBoundBox::Reset() {
    m_Min.SetNull();
    m_Max.SetNull();
    m_Empty = 1;
}

void CQxBoundBox::Add(const CQxVector& p) {
    if (m_Empty) {
        m_Min = p;
        m_Max = p;
        m_Empty = 0;
        return;
    }
    m_Min.Set(std::min(m_Min.x, p.x), std::min(m_Min.y, p.y), std::min(m_Min.z, p.z));
    m_Max.Set(std::max(m_Max.x, p.x), std::max(m_Max.y, p.y), std::max(m_Max.z, p.z));
}

void CQxBoundBox::Add(const CQxBoundBox& box) {
    if (box.m_Empty) return;
    Add(box.m_Min);
    Add(box.m_Max);
}

float CQxBoundBox::GetMaxSize() const {
    if (m_Empty) return 0.0f;
    const CQxVector s = GetSize();
    return std::max(s.x, std::max(s.y, s.z));
}

int CQxBoundBox::IsInside(const CQxVector& p) const {
    return !m_Empty && p.x >= m_Min.x && p.x <= m_Max.x && p.y >= m_Min.y && p.y <= m_Max.y &&
           p.z >= m_Min.z && p.z <= m_Max.z;
}

CQxBoundBox CQxBoundBox::GetTransformed(const CQxMatrix& m) const {
    CQxBoundBox out;
    if (m_Empty) return out;
    for (unsigned int i = 0; i < 8; ++i) {
        const CQxVector corner((i & 1) ? m_Max.x : m_Min.x, (i & 2) ? m_Max.y : m_Min.y,
                               (i & 4) ? m_Max.z : m_Min.z);
        out.Add(m.Transform(corner));
    }
    return out;
}
