#include "qx/scene/scene.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "qx/scene/app.h"
#include "qx/scene/settings.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"
#include "qx/views/camera.h"
#include "scene_builders.h"

namespace {

using Types = std::vector<unsigned int>;
const Types SceneChanged{QX_UPDATE_SCENE, QX_UPDATE_REDRAW};

// A scene and what its host hears.
class Scene : public ::testing::Test {
protected:
    // A cube of the given size as a user object below the parent (the root model by default).
    CQxCube* AddCube(float width, float height, float depth, const char* name, CQxObject* parent = nullptr) {
        auto* cube = new CQxCube;
        cube->Create(width, height, depth, 1, 1, 1, nullptr);
        cube->SetName(name);
        (parent ? *parent : scene.RootModel()).PushChild(cube);
        return cube;
    }

    CQxScene scene;
    QxUpdateRecorder host{scene};
};

TEST(SceneList, FollowsScenesCreatedAndDestroyedInAnyOrder) {
    CQxSceneList& list = CQxSceneList::Instance();
    const unsigned int before = list.GetSceneCount();
    auto* a = new CQxScene;
    auto* b = new CQxScene;
    auto* c = new CQxScene;
    EXPECT_EQ(list.GetScene(before + 1), b);
    CQxCamera camera;
    b->AddCamera(&camera);
    b->OnCameraActive(&camera);
    EXPECT_EQ(list.GetActiveScene(), b);

    delete a; // the middle of the list closes up, the active scene stays
    ASSERT_EQ(list.GetSceneCount(), before + 2);
    EXPECT_EQ(list.GetScene(before), b);
    EXPECT_EQ(list.GetScene(before + 1), c);
    EXPECT_EQ(list.GetActiveScene(), b);

    delete b; // the active scene goes: none is active, and its camera no longer points to it
    EXPECT_EQ(list.GetActiveScene(), nullptr);
    EXPECT_EQ(camera.GetScene(), nullptr);
    ASSERT_EQ(list.GetSceneCount(), before + 1);
    EXPECT_EQ(list.GetScene(before), c);
    EXPECT_FALSE(list.AddScene(c));       // listed once only
    EXPECT_FALSE(list.SetActiveScene(a)); // a scene that is gone cannot become active
    delete c;
    EXPECT_EQ(list.GetSceneCount(), before);
}

TEST_F(Scene, CamerasAreListedOnceAndActivationMovesBetweenScenes) {
    CQxScene second;
    host.Attach(second);
    CQxCamera a, b, stranger;
    scene.AddCamera(&a);
    scene.AddCamera(&a);
    scene.AddCamera(nullptr);
    second.AddCamera(&b);
    ASSERT_EQ(scene.Cameras().GetSize(), 1u);
    EXPECT_EQ(a.GetScene(), &scene);

    scene.OnCameraActive(&stranger); // not one of its cameras: nothing happens
    EXPECT_EQ(scene.GetActiveCamera(), nullptr);
    EXPECT_TRUE(host.Notices.empty());

    // Activation is told once, however often the camera is activated.
    scene.OnCameraActive(&a);
    scene.OnCameraActive(&a);
    EXPECT_EQ(scene.GetActiveCamera(), &a);
    ASSERT_EQ(host.TakeTypes(), (Types{QX_UPDATE_ACTIVE}));

    // The old scene hears it became inactive before the new one hears it became active.
    second.OnCameraActive(&b);
    ASSERT_EQ(host.Types(), (Types{QX_UPDATE_INACTIVE, QX_UPDATE_ACTIVE}));
    EXPECT_EQ(host.Notices[0].Scene, &scene);
    EXPECT_EQ(host.Notices[1].Scene, &second);
    EXPECT_EQ(CQxApp::Instance().GetActiveScene(), &second);

    // Removing the active camera leaves none; the camera forgets the scene.
    second.RemoveCamera(&b);
    EXPECT_EQ(second.GetActiveCamera(), nullptr);
    EXPECT_EQ(b.GetScene(), nullptr);
    EXPECT_TRUE(second.Cameras().IsEmpty());
    second.RemoveCamera(&b); // no longer listed: ignored
    EXPECT_EQ(scene.Cameras().GetSize(), 1u);
}

TEST_F(Scene, FrameRangeStaysNonEmpty) {
    EXPECT_EQ(scene.SetFirstFrame(30.0f), 1);
    EXPECT_EQ(scene.LastFrame(), 31.0f);
    EXPECT_EQ(scene.SetFirstFrame(30.0f), 0);
    // A range that stays valid is left alone.
    EXPECT_EQ(scene.SetLastFrame(40.0f), 1);
    EXPECT_EQ(scene.FirstFrame(), 30.0f);

    CQxScene other;
    EXPECT_EQ(other.SetLastFrame(1.0f), 1);
    EXPECT_EQ(other.FirstFrame(), 0.0f);
    EXPECT_EQ(other.SetLastFrame(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(other.LastFrame(), 1.0f);
}

TEST_F(Scene, GridChangesRecreateAxesAndReframeCameras) {
    CQxCamera camera;
    scene.AddCamera(&camera);
    // The current values: nothing changes, nobody hears.
    const CQxGrid& grid = scene.Grid();
    EXPECT_EQ(scene.SetGrid(grid.Length(), grid.Interval(), grid.Axis(), grid.Color(), 1), 0);
    EXPECT_EQ(scene.SetJointRadius(scene.JointRadius(), 1), 0);
    EXPECT_EQ(scene.SetFirstFrame(scene.FirstFrame()), 0);
    EXPECT_EQ(scene.FitGrid(1), 0); // empty scene: nothing to fit
    // A length the mesh library refuses changes nothing.
    EXPECT_EQ(scene.SetGrid(-1.0f, 5.0f, QX_AXIS_Y, 0xFF123456, 1), 0);
    EXPECT_EQ(scene.GridLength(), 100.0f);
    // Only the colour changes, without update: the host hears nothing.
    EXPECT_EQ(scene.SetGrid(100.0f, 10.0f, QX_AXIS_Y, 0xFF123456, 0), 1);
    EXPECT_TRUE(host.Notices.empty());

    EXPECT_EQ(scene.SetGrid(50.0f, 5.0f, QX_AXIS_Y, 0xFF123456, 1), 1);
    EXPECT_EQ(scene.Axes().Length(), 50.0f);
    EXPECT_EQ(scene.Axes().AxisFlags(), 7u);
    EXPECT_EQ(camera.ViewSize(), 50.0f);
    ASSERT_EQ(host.Types(), SceneChanged);
    EXPECT_EQ(host.Notices[0].Args[0], 16u);
}

TEST_F(Scene, FitGridGrowsByWholeStepsAndNeverShrinks) {
    CQxCube* cube = AddCube(350.0f, 10.0f, 10.0f, "Wide");
    EXPECT_EQ(scene.FitGrid(1), 1);
    EXPECT_EQ(scene.GridLength(), 200.0f);
    EXPECT_EQ(scene.Grid().Interval(), 20.0f);
    EXPECT_EQ(host.Types(), SceneChanged);

    // Smaller content leaves the grid as it is.
    scene.RootModel().PopChild(cube);
    AddCube(20.0f, 20.0f, 20.0f, "Small");
    EXPECT_EQ(scene.FitGrid(0), 0);
    EXPECT_EQ(scene.GridLength(), 200.0f);

    // The box counts, transforms included: -10..500 along X is 510 wide, so twice 200.
    AddCube(100.0f, 1.0f, 1.0f, "Far")->Translate() = CQxVector(450.0f, 0.0f, 0.0f);
    EXPECT_EQ(scene.FitGrid(0), 1);
    EXPECT_EQ(scene.GridLength(), 400.0f);
    EXPECT_EQ(scene.Grid().Interval(), 40.0f);
}

TEST_F(Scene, JointRadiusReachesEveryJoint) {
    CQxJoint* outer = QxAdd(*QxAdd(scene.RootModel(), new CQxGroup(1)), new CQxJoint(1));
    CQxJoint* joints[2] = {outer, QxAdd(*outer, new CQxJoint(1))};
    for (CQxJoint* joint : joints) joint->Create(2.0f, 10);

    EXPECT_EQ(scene.SetJointRadius(5.0f, 1), 1);
    for (int i : {0, 1}) EXPECT_EQ(joints[i]->Radius(), 5.0f) << "joint " << i;
    ASSERT_EQ(host.Types(), SceneChanged);
    EXPECT_EQ(host.Notices[0].Args[0], 32u);
}

TEST_F(Scene, UniqueNamesSkipTakenOnesAndNeverReturnTheBase) {
    EXPECT_STREQ(scene.CalcUniqueObjectName("Mesh"), "Mesh1");
    AddCube(1, 1, 1, "Mesh");
    AddCube(1, 1, 1, "Mesh2", AddCube(1, 1, 1, "Mesh1")); // deep in the tree counts too
    EXPECT_STREQ(scene.CalcUniqueObjectName("Mesh"), "Mesh3");
    EXPECT_STREQ(scene.CalcUniqueObjectName("Root"), "Root1");
    EXPECT_STREQ(scene.CalcUniqueObjectName(nullptr), "1");

    AddCube(1, 1, 1, "Mesh-Clone1");
    EXPECT_STREQ(scene.CalcUniqueCloneName("Mesh"), "Mesh-Clone2");
    EXPECT_STREQ(scene.CalcUniqueDuplicateName("Mesh"), "Mesh-Dup1");
    // Each function keeps its own text.
    const char* object = scene.CalcUniqueObjectName("Group");
    scene.CalcUniqueCloneName("Group");
    EXPECT_STREQ(object, "Group1");
}

TEST_F(Scene, CurrentModelAndEditQueriesFollowTheSelection) {
    EXPECT_EQ(scene.GetCurModel(), &scene.RootModel()); // the only model
    EXPECT_FALSE(scene.IsDeletable());

    auto* a = QxAdd(scene.RootModel(), new CQxModel(1));
    auto* b = QxAdd(scene.RootModel(), new CQxModel(1));
    CQxCube* cube = AddCube(10, 10, 10, "Box", b);
    EXPECT_EQ(scene.GetCurModel(), nullptr); // three models, nothing selected
    EXPECT_FALSE(scene.IsCopyable());

    cube->Select(1, 0);
    EXPECT_EQ(scene.GetCurModel(), b);
    EXPECT_TRUE(scene.IsDeletable() && scene.IsCopyable() && scene.IsCuttable());
    a->Select(1, 0);
    EXPECT_EQ(scene.GetCurModel(), nullptr); // the selection spans two models

    // The root alone selected is nothing to delete.
    a->Select(0, 0);
    cube->Select(0, 0);
    scene.RootModel().Select(1, 0);
    EXPECT_FALSE(scene.IsDeletable());
}

TEST_F(Scene, PickQueriesFollowTheSelectType) {
    // A camera over a 400 x 300 view: the cube shows within 60 pixels of its centre, the joint
    // nearly 300 pixels to the side.
    CQxCamera camera;
    camera.SetViewSize(100.0f);
    ASSERT_TRUE(camera.UpdateMatrices(400, 300));
    camera.ViewPort() = CQxViewPort(0, 0, 400, 300);
    CQxCube* cube = AddCube(20, 20, 20, "Box");
    auto* joint = QxAdd(scene.RootModel(), new CQxJoint(1));
    joint->Create(3.0f, 10);
    joint->Translate() = CQxVector(60.0f, 0.0f, -60.0f);
    const CQxPoint atCube = QxScreenPoint(camera, CQxVector());
    const CQxPoint atJoint = QxScreenPoint(camera, joint->Translate());

    CQxVector pos;
    CQxSelect select;
    ASSERT_TRUE(scene.IsObjectTreePointHit(QX_HIT_FACE, 0, atCube, camera, pos, select));
    EXPECT_EQ(select.Object(), cube);
    EXPECT_FALSE(scene.IsObjectTreePointHit(QX_HIT_FACE, 0, CQxPoint(2, 2), camera, pos, select));
    // A rectangle around the whole cube on screen takes it (faces count when inside).
    CQxSelects selects;
    const CQxRect around(atCube.x - 80, atCube.y - 80, atCube.x + 80, atCube.y + 80);
    EXPECT_TRUE(scene.IsObjectTreeRectHit(QX_HIT_FACE, 1, 0, around, camera, selects));
    ASSERT_EQ(selects.GetSize(), 1u);
    EXPECT_EQ(selects[0]->Object(), cube);

    // Joints are picked in front unless they are drawn in place or components are picked.
    select.Clear();
    ASSERT_TRUE(scene.IsFrontJointTreePointHit(QX_HIT_FACE, atJoint, camera, pos, select));
    EXPECT_EQ(select.Object(), joint);
    scene.IsDrawJointsFront() = 0;
    EXPECT_FALSE(scene.IsFrontJointTreePointHit(QX_HIT_FACE, atJoint, camera, pos, select));
    scene.IsDrawJointsFront() = 1;
    scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    EXPECT_FALSE(scene.IsFrontJointTreePointHit(QX_HIT_FACE, atJoint, camera, pos, select));
    EXPECT_FALSE(scene.IsFrontHandleTreePointHit(QX_HIT_FACE, atJoint, camera, pos, select));
    // Objects are still hit in component mode, with the face under the point.
    select.Clear();
    ASSERT_TRUE(scene.IsObjectTreePointHit(QX_HIT_FACE, 0, atCube, camera, pos, select));
    EXPECT_EQ(select.Object(), cube);
    EXPECT_EQ(select.Faces().GetSize(), 1u);
}

TEST_F(Scene, EndOperationStopsPlayback) {
    scene.TaskManager().Run();
    EXPECT_TRUE(scene.IsPlaying());
    scene.EndOperation();
    EXPECT_FALSE(scene.IsPlaying());
}

TEST_F(Scene, GeometryUpdatesRedrawOnlyWhenAsked) {
    AddCube(1, 1, 1, "Box");
    scene.UpdateObjectGeometry(0);
    EXPECT_TRUE(host.Notices.empty());
    scene.UpdateObjectGeometry(1);
    EXPECT_EQ(host.Types(), (Types{QX_UPDATE_REDRAW}));
}

TEST_F(Scene, ClearDataKeepsTheRootModelAndItsName) {
    AddCube(1, 1, 1, "Box");
    scene.ClearData();
    EXPECT_EQ(scene.RootModel().GetChildCount(), 0u);
    EXPECT_STREQ(scene.RootModel().GetName(), "Root");
    EXPECT_EQ(scene.RootModel().GetAttributeCount(), 0u);
}

} // namespace
