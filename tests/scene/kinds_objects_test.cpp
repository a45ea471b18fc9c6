#include <gtest/gtest.h>

#include <cfloat>

#include "qx/math/stacks.h"
#include "qx/scene/object_kinds.h"
#include "qx/selection/select.h"
#include "scene_builders.h"

namespace {

// The nearest object of the tree whose faces show at the pixel of a world point, or null.
CQxObject* PickAt(CQxObject& root, const CQxVector& at) {
    const QxTestView view;
    float best = FLT_MAX;
    CQxMatrixStack stack;
    CQxVector pos;
    CQxSelect select;
    if (!root.IsTreePointHit(QX_HIT_FACE, 1, 0, view.Pixel(at), best, view.viewport, stack, view.view,
                             view.projection, pos, select))
        return nullptr;
    return select.Object();
}

} // namespace

TEST(KindsObjects, RefusedCreateKeepsTheOldValues) {
    CQxGrid grid;
    ASSERT_EQ(grid.Create(100.0f, 10.0f, QX_AXIS_Y, 0xFF555555), 1);
    const unsigned int edges = grid.Mesh().Edges().GetCount();
    EXPECT_GT(edges, 0u);
    EXPECT_EQ(grid.Create(-5.0f, 1.0f, QX_AXIS_X, 0xFF123456), 0);
    EXPECT_EQ(grid.Create(50.0f, 0.0f, QX_AXIS_X, 0xFF123456), 0);
    EXPECT_EQ(grid.Create(50.0f, 5.0f, static_cast<QX_AXIS_TYPE>(QX_AXIS_X | QX_AXIS_Y), 0xFF123456), 0);
    EXPECT_FLOAT_EQ(grid.Length(), 100.0f);
    EXPECT_FLOAT_EQ(grid.Interval(), 10.0f);
    EXPECT_EQ(grid.Axis(), QX_AXIS_Y);
    EXPECT_EQ(grid.Color(), 0xFF555555u);
    EXPECT_EQ(grid.Mesh().Edges().GetCount(), edges);

    CQxAxes axes;
    EXPECT_EQ(axes.Create(10.0f, 0, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF), 0);
    EXPECT_EQ(axes.AxisFlags(), 0u);
    ASSERT_EQ(axes.Create(10.0f, 5, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF), 1);
    EXPECT_EQ(axes.AxisFlags(), 5u);
    EXPECT_FLOAT_EQ(axes.BoundBox().GetMax().x, 10.0f);
    EXPECT_FLOAT_EQ(axes.BoundBox().GetMax().y, 0.0f);

    CQxCube cube;
    ASSERT_EQ(cube.Create(2.0f, 4.0f, 6.0f, 1, 2, 3, nullptr), 1);
    EXPECT_FLOAT_EQ(cube.BoundBox().GetSize().y, 4.0f);
    EXPECT_EQ(cube.Create(2.0f, 4.0f, 6.0f, 0, 1, 1, nullptr), 0);
    EXPECT_EQ(cube.GetDivY(), 2u);
    EXPECT_FLOAT_EQ(cube.BoundBox().GetSize().z, 6.0f);

    CQxCylinder cylinder;
    CQxCone cone;
    EXPECT_EQ(cylinder.Create(2.0f, 3.0f, 2, 1, nullptr), 0); // too few segments around
    ASSERT_EQ(cylinder.Create(2.0f, 3.0f, 8, 1, nullptr), 1);
    ASSERT_EQ(cone.Create(2.0f, 3.0f, 8, 2, nullptr), 1);
    EXPECT_EQ(cone.Create(2.0f, -3.0f, 8, 2, nullptr), 0);
    EXPECT_FLOAT_EQ(cylinder.BoundBox().GetSize().y, 3.0f);
    EXPECT_EQ(cone.GetDivAlong(), 2u);
}

TEST(KindsObjects, CloneShowsItsSourceWhereItsOwnTransformPlacesIt) {
    CQxGroup root(1);
    auto* source = new CQxCube;
    ASSERT_EQ(source->Create(2.0f, 2.0f, 2.0f, 1, 1, 1, nullptr), 1);
    source->IsUser() = 1;
    source->SetName("Box");
    source->Translate() = CQxVector(-5.0f, 0.0f, 0.0f);
    root.PushChild(source);
    auto* clone = QxAdd(root, new CQxClone(source));

    EXPECT_EQ(clone->GetType(), QX_OBJ_CUBE);
    EXPECT_STREQ(clone->GetName(), "Box");
    EXPECT_EQ(clone->GetOriginal(), source);
    EXPECT_TRUE(clone->IsClone());
    EXPECT_FALSE(clone->HasShape());
    EXPECT_FALSE(clone->IsUserType());
    EXPECT_EQ(clone->SetVisible(0), 0);
    EXPECT_EQ(clone->IsVisible(), 1);
    EXPECT_TRUE(clone->Mesh().IsEmpty());
    // The clone starts where its source is, then moves on its own.
    EXPECT_FLOAT_EQ(clone->Translate().x, -5.0f);
    clone->Translate() = CQxVector(5.0f, 0.0f, 0.0f);

    EXPECT_EQ(PickAt(root, CQxVector(5.0f, 0.0f, 0.0f)), clone);
    EXPECT_EQ(PickAt(root, CQxVector(-5.0f, 0.0f, 0.0f)), source);
    EXPECT_EQ(PickAt(root, CQxVector(0.0f, 0.0f, 0.0f)), nullptr);
    // Hiding the source does not hide what the clone shows.
    ASSERT_EQ(source->SetVisible(0), 1);
    EXPECT_EQ(PickAt(root, CQxVector(5.0f, 0.0f, 0.0f)), clone);
    EXPECT_EQ(PickAt(root, CQxVector(-5.0f, 0.0f, 0.0f)), nullptr);
    // The clone's own scale applies to the source's shape: 1.5 units out is inside only then.
    EXPECT_EQ(PickAt(root, CQxVector(6.5f, 0.0f, 0.0f)), nullptr);
    clone->Scale() = CQxVector(2.0f, 2.0f, 2.0f);
    EXPECT_EQ(PickAt(root, CQxVector(6.5f, 0.0f, 0.0f)), clone);

    // A clone of nothing is inert.
    CQxClone empty(nullptr);
    EXPECT_EQ(empty.GetType(), QX_OBJ_NONE);
    EXPECT_EQ(empty.GetOriginal(), nullptr);
}

TEST(KindsObjects, ScreenSizeObjectKeepsItsPixelSizeAtAnyDistance) {
    const QxTestView view;
    CQxScrObject object;
    object.PixelSize() = 40.0f;
    object.ModelSize() = 2.0f;

    for (float depth : {5.0f, -30.0f}) {
        object.Translate() = CQxVector(1.0f, 0.0f, depth);
        CQxMatrix world;
        ASSERT_EQ(object.GetViewTransform(world, view.viewport, CQxMatrix(), view.view, view.projection), 1);
        // ModelSize units of the object, upright at its pivot, span PixelSize pixels.
        const float height = view.Screen(CQxVector() * world).y - view.Screen(CQxVector(0, 2, 0) * world).y;
        EXPECT_NEAR(height, 40.0f, 0.05f) << "at depth " << depth;
    }
}
