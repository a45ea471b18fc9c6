#pragma once

#include "qx/export.h"
#include "qx/math/matrix.h"
#include "qx/math/vector.h"

// An axis-aligned box that grows by points; empty until the first point.
class QX_API CQxBoundBox {
public:
    CQxBoundBox() { Reset(); }

    void Reset();
    int IsEmpty() const { return m_Empty; }
    void Add(const CQxVector& p);
    void Add(const CQxBoundBox& box);

    const CQxVector& GetMin() const { return m_Min; }
    const CQxVector& GetMax() const { return m_Max; }
    CQxVector GetCenter() const { return (m_Min + m_Max) * 0.5f; }
    CQxVector GetSize() const { return m_Max - m_Min; }
    // The largest of width, height and depth (0 when empty).
    float GetMaxSize() const;
    int IsInside(const CQxVector& p) const;
    // The box around the eight corners transformed by the matrix.
    CQxBoundBox GetTransformed(const CQxMatrix& m) const;

private:
    CQxVector m_Min;
    CQxVector m_Max;
    int m_Empty = 1;
};
