#include <gtest/gtest.h>

#include "qx/math/math_helpers.h"
#include "qx/tools/manipulator.h"
#include "qx/tools/transform_tool.h"
#include "tool_view_fixture.h"

namespace {

class Manipulator : public ToolViewFixture {};

// Where a part's shape points: its +Y (the built shapes' axis) turned by its rotation.
CQxVector Pointing(const CQxObject& part) {
    return CQxVector(0.0f, 1.0f, 0.0f) * part.Rotate();
}

} // namespace

TEST_F(Manipulator, MoveTypeHasAxesCentreCubeAndOneConePerAxis) {
    CQxManipulator m;
    ASSERT_TRUE(m.Create(QX_MANIPULATOR_MOVE, 100.0f, &Scene().ManipulatorAttribute(CQxScene::MANIP_CENTER),
                         &Scene().ManipulatorAttribute(CQxScene::MANIP_X),
                         &Scene().ManipulatorAttribute(CQxScene::MANIP_Y),
                         &Scene().ManipulatorAttribute(CQxScene::MANIP_Z)));
    EXPECT_EQ(m.GetChildCount(), 5u);
    ASSERT_NE(m.GetAxes(), nullptr);
    EXPECT_EQ(m.GetAxes()->AxisFlags(), 7u);
    EXPECT_FLOAT_EQ(m.GetAxes()->Length(), 0.5f);
    ASSERT_NE(m.GetCenterCube(), nullptr);
    EXPECT_EQ(m.GetCenterCube()->GetType(), QX_OBJ_CUBE);

    CQxObject* handles[3] = {m.GetXHandle(), m.GetYHandle(), m.GetZHandle()};
    const CQxVector axes[3] = {CQxVector(1, 0, 0), CQxVector(0, 1, 0), CQxVector(0, 0, 1)};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(handles[i], nullptr) << "axis " << i;
        EXPECT_EQ(handles[i]->GetType(), QX_OBJ_CONE) << "axis " << i;
        EXPECT_TRUE(QxNear(handles[i]->Translate(), axes[i] * 0.5f)) << "axis " << i;
        EXPECT_TRUE(QxNear(Pointing(*handles[i]), axes[i])) << "axis " << i;
        EXPECT_EQ(handles[i]->GetParent(), &m) << "axis " << i;
    }
    EXPECT_FLOAT_EQ(m.PixelSize(), 100.0f);
}

TEST_F(Manipulator, EachToolTypeHasItsHandleShape) {
    CQxManipulator scale, rotate, extrude;
    ASSERT_TRUE(scale.Create(QX_MANIPULATOR_SCALE, 100.0f, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(rotate.Create(QX_MANIPULATOR_ROTATE, 100.0f, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(extrude.Create(QX_MANIPULATOR_EXTRUDE, 100.0f, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(scale.GetZHandle()->GetType(), QX_OBJ_CUBE);
    EXPECT_EQ(rotate.GetZHandle()->GetType(), QX_OBJ_CYLINDER);
    EXPECT_NEAR(static_cast<CQxCylinder*>(rotate.GetZHandle())->GetDiameter(), 1.0f / 7.0f, 1e-6f);

    // The extruder shows one axis and one cone, and no centre.
    EXPECT_EQ(extrude.GetAxes()->AxisFlags(), 1u);
    EXPECT_EQ(extrude.GetCenterCube(), nullptr);
    EXPECT_EQ(extrude.GetXHandle()->GetType(), QX_OBJ_CONE);
    EXPECT_EQ(extrude.GetYHandle(), nullptr);
    EXPECT_EQ(extrude.GetZHandle(), nullptr);
}

TEST_F(Manipulator, NoSizeBuildsNothing) {
    CQxManipulator m;
    EXPECT_FALSE(m.Create(QX_MANIPULATOR_MOVE, 0.0f, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(m.GetChildCount(), 0u);
    EXPECT_EQ(m.GetXHandle(), nullptr);
}

TEST_F(Manipulator, SceneBuildsItInItsMaterialsAtThePosition) {
    CQxManipulator* m = Scene().CreateManipulator(QX_MANIPULATOR_MOVE, CQxVector(1, 2, 3));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Scene().GetManipulator(), m);
    EXPECT_TRUE(QxNear(m->Translate(), CQxVector(1, 2, 3)));
    const CQxAttribute* x = &Scene().ManipulatorAttribute(CQxScene::MANIP_X);
    EXPECT_EQ(m->GetXHandle()->GetFacePrimitiveAttribute(0), x);
    Scene().ClearManipulator();
    EXPECT_EQ(Scene().GetManipulator(), nullptr);
}

TEST_F(Manipulator, PickNamesThePartHit) {
    UseView(View::Perspective);
    AddCube("A", CQxVector());
    CQxManipulator* m = Scene().CreateManipulator(QX_MANIPULATOR_MOVE, CQxVector());
    CQxVector hit;
    CQxSelect part;
    ASSERT_TRUE(Scene().IsManipulatorPointHit(16, HandlePoint(0), Rig().camera, hit, part));
    EXPECT_EQ(part.Object(), m->GetXHandle());
    ASSERT_TRUE(Scene().IsManipulatorPointHit(16, HandlePoint(1), Rig().camera, hit, part));
    EXPECT_EQ(part.Object(), m->GetYHandle());
    ASSERT_TRUE(Scene().IsManipulatorPointHit(16, CentrePoint(), Rig().camera, hit, part));
    EXPECT_EQ(part.Object(), m->GetCenterCube());

    // Beside it, the cube underneath is not part of the manipulator.
    EXPECT_FALSE(Scene().IsManipulatorPointHit(16, Along(CentrePoint(), CQxVector(1, 1, 0), 30), Rig().camera,
                                               hit, part));
    Scene().ClearManipulator();
    EXPECT_FALSE(Scene().IsManipulatorPointHit(16, CentrePoint(), Rig().camera, hit, part));
}

TEST_F(Manipulator, StandsAtTheSelectionCentreTurnedByTheCoordType) {
    CQxObject* cube = AddCube("A", CQxVector(10, 5, 0));
    CQxQuat turn;
    turn.SetRotate(CQxVector(0, 0, 1), QX_PI_2);
    cube->SetRotate(turn, 1);
    Select(cube);
    const CQxManipulator* m = Scene().GetManipulator();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(QxNear(m->Translate(), CQxVector(10, 5, 0)));
    EXPECT_TRUE(m->Rotate().IsSameRotate(turn, 1e-5f));
    EXPECT_EQ(Scene().ToolManager().IsNumericalEnable(), 1);

    // Changing the coordinate type prepares the tool again.
    ASSERT_TRUE(Scene().ToolManager().SetCoordType(QX_COORD_WORLD));
    ASSERT_NE(Scene().GetManipulator(), nullptr);
    EXPECT_TRUE(Scene().GetManipulator()->Rotate().IsIdentity(1e-6f));
}

TEST_F(Manipulator, GoesAwayWithTheSelection) {
    Select(AddCube("A", CQxVector()));
    ASSERT_NE(Scene().GetManipulator(), nullptr);
    Scene().UnselectObejcts(0);
    EXPECT_EQ(Scene().GetManipulator(), nullptr);
    EXPECT_EQ(Scene().ToolManager().IsNumericalEnable(), 0);
}

TEST_F(Manipulator, GroupsAloneGetNone) {
    CQxObject* group = QxAdd(Scene().RootModel(), new CQxGroup(1), "G");
    Select(group);
    EXPECT_EQ(Scene().GetManipulator(), nullptr);
}
