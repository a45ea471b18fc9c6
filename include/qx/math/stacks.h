#pragma once

#include <cstddef>
#include <vector>

#include "qx/export.h"
#include "qx/math/matrix.h"
#include "qx/math/quat.h"

// CQxMatrixStack: products accumulated down the object tree. Each level stores the whole product
// so far, so Top is free and Pop restores the previous product exactly. With row vectors,
// PushRight(M) makes the top Top * M (M acts after: object, then parent, ... gives object to
// root) and PushLeft(M) makes it M * Top (M acts before: a child's transform under its parent's
// world matrix).
class QX_API CQxMatrixStack {
public:
    CQxMatrixStack() = default;
    explicit CQxMatrixStack(const CQxMatrix& start) { Init(start); }

    // Empties the stack; with a matrix, leaves that matrix as the only level.
    void Init() { Levels.clear(); }
    void Init(const CQxMatrix& start);
    void PushLeft(const CQxMatrix& mat);
    void PushRight(const CQxMatrix& mat);
    // Removes the top level; 0 when the stack is empty.
    int Pop();
    // The product so far; the identity when the stack is empty.
    const CQxMatrix& Top() const;
    int IsEmpty() const { return Levels.empty(); }
    std::size_t GetCount() const { return Levels.size(); }

private:
    std::vector<CQxMatrix> Levels;
};

// CQxQuatStack: the rotation counterpart, q1 * q2 * ... with the same order as the matrices.
class QX_API CQxQuatStack {
public:
    CQxQuatStack() = default;

    void Init() { Levels.clear(); }
    void Init(const CQxQuat& start);
    void PushLeft(const CQxQuat& q);
    void PushRight(const CQxQuat& q);
    int Pop();
    // The product so far; the identity when the stack is empty.
    const CQxQuat& Top() const;
    int IsEmpty() const { return Levels.empty(); }
    std::size_t GetCount() const { return Levels.size(); }

private:
    std::vector<CQxQuat> Levels;
};
