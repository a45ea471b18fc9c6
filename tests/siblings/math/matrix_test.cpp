#include <cmath>

#include "math_test_util.h"
#include "qx/math/math_helpers.h"

namespace {

CQxMatrix Translation(const CQxVector& t) {
    CQxMatrix m;
    m.SetTranslate(t);
    return m;
}

CQxMatrix Scaling(const CQxVector& s) {
    CQxMatrix m;
    m.SetScale(s);
    return m;
}

} // namespace

TEST(Matrix, RowVectorsApplyFactorsLeftToRight) {
    // Translate, then turn a quarter about +Y: X goes to -Z by the right-hand rule.
    CQxMatrix m;
    m.SetTranslate(CQxVector(1, 0, 0));
    m.RotateY(QX_PI_2);
    EXPECT_TRUE(VecNear(CQxVector(0, 0, 0) * m, CQxVector(0, 0, -1)));
    EXPECT_TRUE(MatNear(m, Translation(CQxVector(1, 0, 0)) * AxisMatrix(CQxVector(0, 1, 0), QX_PI_2)));

    EXPECT_TRUE(
        VecNear(CQxVector() * AxisMatrix(CQxVector(0, 1, 0), QX_PI_2) * Translation(CQxVector(1, 0, 0)),
                CQxVector(1, 0, 0)));

    EXPECT_TRUE(VecNear(CQxVector(1, 0, 0) * AxisMatrix(CQxVector(0, 0, 1), QX_PI_2), CQxVector(0, 1, 0)));

    // Scale and Rotate append as well; a zero axis is refused without touching the matrix.
    CQxMatrix s = Translation(CQxVector(1, 2, 3));
    s.Scale(CQxVector(2, 3, 4));
    EXPECT_TRUE(VecNear(CQxVector(1, 1, 1) * s, CQxVector(4, 9, 16)));
    const CQxMatrix before = s;
    EXPECT_EQ(s.Rotate(CQxVector(), 1.0f), 0);
    EXPECT_EQ(s, before);

    // Directions ignore the translation row.
    EXPECT_TRUE(VecNear(s.TransformNormal(CQxVector(1, 0, 0)), CQxVector(2, 0, 0)));
}

TEST(Matrix, PivotingAndPSRTComposition) {
    // The pattern used to turn about a centre: the centre stays put, other points circle it.
    const CQxVector c(2, 1, -3);
    CQxMatrix m;
    m.SetTranslate(-c);
    m *= AxisMatrix(CQxVector(0, 0, 1), QX_PI_2);
    m.Translate(c);
    EXPECT_TRUE(VecNear(c * m, c));
    EXPECT_TRUE(VecNear((c + CQxVector(1, 0, 0)) * m, c + CQxVector(0, 1, 0)));

    const CQxVector pivot(1, 2, 3), scale(2, 3, 4), trans(5, -1, 2);
    const CQxQuat q = AxisQuat(CQxVector(1, 1, 0), 0.7f);
    CQxMatrix psrt;
    psrt.SetPSRT(pivot, scale, q, trans);
    const CQxMatrix expected =
        Translation(-pivot) * Scaling(scale) * AxisMatrix(CQxVector(1, 1, 0), 0.7f) * Translation(trans);
    EXPECT_TRUE(MatNear(psrt, expected));
    EXPECT_TRUE(VecNear(pivot * psrt, trans));

    psrt.SetPSRT(CQxVector(), CQxVector(2, 2, 2), CQxQuat(), CQxVector(0, 5, 0));
    EXPECT_TRUE(VecNear(CQxVector(1, 0, 0) * psrt, CQxVector(2, 5, 0)));
}

TEST(Matrix, InverseUndoesAndSingularIsRefused) {
    CQxMatrix a;
    a.SetPSRT(CQxVector(1, -2, 0.5f), CQxVector(0.25f, 3, -2), AxisQuat(CQxVector(1, 2, 3), 2.5f),
              CQxVector(10, 20, -7));
    CQxMatrix proj, out0;
    ASSERT_EQ(proj.SetPerspectiveFovR(0.8f, 1.5f, 0.1f, 500.0f), 1);
    for (const CQxMatrix& m : {a, proj, a * proj}) {
        CQxMatrix inv;
        ASSERT_EQ(m.GetInverse(inv), 1);
        EXPECT_TRUE((m * inv).IsIdentity(1e-4f));
        EXPECT_TRUE((inv * m).IsIdentity(1e-4f));
        CQxMatrix copy = m;
        ASSERT_EQ(copy.Invert(), 1);
        EXPECT_EQ(copy, inv);
    }
    // Small but regular scales are not mistaken for singular ones.
    CQxMatrix tiny = Scaling(CQxVector(1e-4f, 2, 1e-3f));
    tiny.Translate(CQxVector(100, 0, 0));
    ASSERT_EQ(tiny.GetInverse(out0), 1);
    EXPECT_TRUE(VecNear(CQxVector(3, -4, 5) * tiny * out0, CQxVector(3, -4, 5), 1e-3f));

    CQxMatrix flat = Scaling(CQxVector(1, 0, 1));
    flat.Translate(CQxVector(4, 5, 6));
    const CQxMatrix kept = flat;
    EXPECT_EQ(flat.Invert(), 0);
    EXPECT_EQ(flat, kept);
    EXPECT_TRUE(flat.GetInverse().IsIdentity());
    flat.m[1][1] = NAN;
    EXPECT_EQ(flat.Invert(), 0);
}

TEST(Matrix, LookAtPutsTargetOnMinusZ) {
    const CQxVector eye(10, 8, 10), at(0, 0, 0);
    CQxMatrix view;
    ASSERT_EQ(view.SetLookAtR(eye, at, CQxVector(0, 1, 0)), 1);
    EXPECT_TRUE(VecNear(eye * view, CQxVector()));
    EXPECT_TRUE(VecNear(at * view, CQxVector(0, 0, -eye.GetLength()), 1e-4f));

    // From +Z: world X is screen right, world Y screen up.
    ASSERT_EQ(view.SetLookAtR(CQxVector(0, 0, 5), at, CQxVector(0, 1, 0)), 1);
    EXPECT_TRUE(VecNear(CQxVector(1, 2, 0) * view, CQxVector(1, 2, -5)));
    // The top view used for axis views: eye on +Y, up -Z.
    ASSERT_EQ(view.SetLookAtR(CQxVector(0, 1, 0), at, CQxVector(0, 0, -1)), 1);
    EXPECT_TRUE(VecNear(CQxVector(1, 0, -1) * view, CQxVector(1, 1, -1)));

    const CQxMatrix kept = view;
    EXPECT_EQ(view.SetLookAtR(at, at, CQxVector(0, 1, 0)), 0);
    EXPECT_EQ(view.SetLookAtR(CQxVector(0, 5, 0), at, CQxVector(0, 1, 0)), 0);
    EXPECT_EQ(view, kept);
}

TEST(Matrix, ProjectionsMapNearAndFarToZeroAndOne) {
    const float fovy = 60.0f * QX_DEG_TO_RAD, aspect = 2.0f, zn = 1.0f, zf = 100.0f;
    CQxMatrix p;
    ASSERT_EQ(p.SetPerspectiveFovR(fovy, aspect, zn, zf), 1);
    EXPECT_NEAR(p.TransformCoord(CQxVector(0, 0, -zn)).z, 0.0f, 1e-6f);
    EXPECT_NEAR(p.TransformCoord(CQxVector(0, 0, -zf)).z, 1.0f, 1e-5f);
    const float d = 30.0f, half = d * std::tan(fovy / 2);
    const CQxVector edge = p.TransformCoord(CQxVector(-aspect * half, -half, -d));
    EXPECT_NEAR(edge.x, -1.0f, 1e-5f);
    EXPECT_NEAR(edge.y, -1.0f, 1e-5f);
    CQxVector out(7, 7, 7);
    EXPECT_EQ(p.TransformCoord(out, CQxVector(1, 1, 0)), 0); // on the eye plane
    EXPECT_EQ(out, CQxVector(7, 7, 7));

    const CQxMatrix kept = p;
    EXPECT_EQ(p.SetPerspectiveFovR(0.0f, aspect, zn, zf), 0);
    EXPECT_EQ(p.SetPerspectiveFovR(fovy, aspect, 0.0f, zf), 0);
    EXPECT_EQ(p.SetPerspectiveFovR(fovy, aspect, zf, zn), 0);
    EXPECT_EQ(p, kept);

    CQxMatrix o;
    ASSERT_EQ(o.SetOrthoR(4.0f, 2.0f, 1.0f, 11.0f), 1);
    EXPECT_TRUE(VecNear(o.TransformCoord(CQxVector(2, 1, -1)), CQxVector(1, 1, 0)));
    EXPECT_TRUE(VecNear(o.TransformCoord(CQxVector(-2, -1, -11)), CQxVector(-1, -1, 1)));
    EXPECT_EQ(o.SetOrthoR(4.0f, 2.0f, 3.0f, 3.0f), 0);
}
