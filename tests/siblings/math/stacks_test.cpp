#include "math_test_util.h"
#include "qx/math/math_helpers.h"
#include "qx/math/stacks.h"

TEST(Stacks, MatrixStackAccumulatesOnTheChosenSide) {
    CQxMatrix move, turn;
    move.SetTranslate(CQxVector(1, 0, 0));
    turn.SetRotateY(QX_PI_2);

    CQxMatrixStack stack;
    EXPECT_TRUE(stack.Top().IsIdentity());
    EXPECT_EQ(stack.Pop(), 0);
    // Object to root: the object's own transform first, then its parent's.
    stack.PushRight(move);
    stack.PushRight(turn);
    EXPECT_TRUE(VecNear(CQxVector() * stack.Top(), CQxVector(0, 0, -1)));
    ASSERT_EQ(stack.Pop(), 1);
    EXPECT_EQ(stack.Top(), move);

    // A child under its parent's world matrix: the child's transform acts first.
    stack.Init(move);
    stack.PushLeft(turn);
    EXPECT_TRUE(VecNear(CQxVector() * stack.Top(), CQxVector(1, 0, 0)));
    EXPECT_TRUE(VecNear(CQxVector(0, 0, 1) * stack.Top(), CQxVector(2, 0, 0)));
}

TEST(Stacks, QuatStackMatchesMatrixOrder) {
    const CQxQuat a = AxisQuat(CQxVector(1, 0, 0), 0.4f), b = AxisQuat(CQxVector(0, 0, 1), 1.2f);
    CQxQuatStack quats;
    CQxMatrixStack mats;
    EXPECT_TRUE(quats.Top().IsIdentity());
    for (const CQxQuat& q : {a, b, a}) {
        quats.PushRight(q);
        mats.PushRight(q.GetRotateMatrix());
    }
    EXPECT_TRUE(MatNear(quats.Top().GetRotateMatrix(), mats.Top()));
    quats.Pop();
    EXPECT_TRUE(quats.Top().IsSameRotate(a * b, 1e-6f));
    quats.Init(b);
    quats.PushLeft(a);
    EXPECT_TRUE(quats.Top().IsSameRotate(a * b, 1e-6f));
}
