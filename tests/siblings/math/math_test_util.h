#pragma once

#include <gtest/gtest.h>

#include <cmath>

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
    for (int i = 0; i < 16; ++i)
        if (std::fabs(a.m[i / 4][i % 4] - b.m[i / 4][i % 4]) > eps)
            return ::testing::AssertionFailure() << "row " << i / 4 << " column " << i % 4 << ": "
                                                 << a.m[i / 4][i % 4] << " vs " << b.m[i / 4][i % 4];
    return ::testing::AssertionFailure() << "not equal within " << eps;
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
