#pragma once

#include <gtest/gtest.h>

#include "qx/math/matrix.h"
#include "qx/math/quat.h"
#include "qx/math/vector.h"

inline ::testing::AssertionResult VecNear(const CQxVector& a, const CQxVector& b, float eps = 1e-5f) {
    if (a.IsEqual(b, eps)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x
                                         << ", " << b.y << ", " << b.z << ")";
}

inline ::testing::AssertionResult MatNear(const CQxMatrix& a, const CQxMatrix& b, float eps = 1e-5f) {
    if (a.IsEqual(b, eps)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rows differ, first " << a.m[0][0] << " vs " << b.m[0][0];
}

inline CQxQuat AxisQuat(const CQxVector& axis, float angle) {
    CQxQuat q;
    q.SetRotate(axis, angle);
    return q;
}

inline CQxMatrix AxisMatrix(const CQxVector& axis, float angle) {
    CQxMatrix m;
    m.SetRotate(axis, angle);
    return m;
}
