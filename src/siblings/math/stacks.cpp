#include "qx/math/stacks.h"

namespace {

// Built on first use, so a stack read during static initialisation still sees the identity.
const CQxMatrix& IdentityMatrix() {
    static const CQxMatrix identity;
    return identity;
}

constexpr CQxQuat IdentityQuat;

} // namespace

void CQxMatrixStack::Init(const CQxMatrix& start) {
    Levels.clear();
    Levels.push_back(start);
}

void CQxMatrixStack::PushLeft(const CQxMatrix& mat) {
    Levels.push_back(Levels.empty() ? mat : mat * Levels.back());
}

void CQxMatrixStack::PushRight(const CQxMatrix& mat) {
    Levels.push_back(Levels.empty() ? mat : Levels.back() * mat);
}

int CQxMatrixStack::Pop() {
    if (Levels.empty()) return 0;
    Levels.pop_back();
    return 1;
}

const CQxMatrix& CQxMatrixStack::Top() const {
    return Levels.empty() ? IdentityMatrix() : Levels.back();
}

void CQxQuatStack::Init(const CQxQuat& start) {
    Levels.clear();
    Levels.push_back(start);
}

void CQxQuatStack::PushLeft(const CQxQuat& q) {
    Levels.push_back(Levels.empty() ? q : q * Levels.back());
}

void CQxQuatStack::PushRight(const CQxQuat& q) {
    Levels.push_back(Levels.empty() ? q : Levels.back() * q);
}

int CQxQuatStack::Pop() {
    if (Levels.empty()) return 0;
    Levels.pop_back();
    return 1;
}

const CQxQuat& CQxQuatStack::Top() const {
    return Levels.empty() ? IdentityQuat : Levels.back();
}
