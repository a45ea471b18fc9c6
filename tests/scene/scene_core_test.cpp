#include "qx/scene/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "qx/scene/app.h"
#include "qx/scene/settings.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"
#include "qx/views/camera.h"
#include "scene_builders.h"

namespace {

// A cube of the given size as a user object below the parent.
CQxCube* AddCube(CQxObject& parent, float width, float height, float depth, const char* name) {
    auto* cube = new CQxCube;
    cube->Create(width, height, depth, 1, 1, 1, nullptr);
    cube->SetName(name);
    parent.PushChild(cube);
    return cube;
}

// A camera placed without a window, looking at the origin over a 400 x 300 view.
void PlaceCamera(CQxCamera& camera, float size) {
    camera.SetViewSize(size);
    ASSERT_TRUE(camera.UpdateMatrices(400, 300));
    camera.ViewPort() = CQxViewPort(0, 0, 400, 300);
}

TEST(Scene, SceneListFollowsScenesCreatedAndDestroyedInAnyOrder) {
    CQxSceneList& list = CQxSceneList::Instance();
    const unsigned int before = list.GetSceneCount();
    auto* a = new CQxScene;
    auto* b = new CQxScene;
    auto* c = new CQxScene;
    EXPECT_EQ(list.GetScene(before + 1), b);
    EXPECT_EQ(b->CmdManager().GetMaxSize(), QxUndoSize());
    CQxCamera camera;
    b->AddCamera(&camera);
    b->OnCameraActive(&camera);
    EXPECT_EQ(list.GetActiveScene(), b);
    EXPECT_EQ(CQxApp::Instance().GetActiveScene(), b);

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

TEST(Scene, CamerasAreListedOnceAndActivationMovesBetweenScenes) {
    CQxScene first, second;
    QxUpdateRecorder host;
    host.Attach(first);
    host.Attach(second);
    CQxCamera a, b, stranger;

    first.AddCamera(&a);
    first.AddCamera(&a);
    first.AddCamera(nullptr);
    second.AddCamera(&b);
    ASSERT_EQ(first.Cameras().GetSize(), 1u);
    EXPECT_EQ(a.GetScene(), &first);

    first.OnCameraActive(&stranger); // not one of its cameras: nothing happens
    EXPECT_EQ(first.GetActiveCamera(), nullptr);
    EXPECT_TRUE(host.Notices.empty());

    first.OnCameraActive(&a);
    EXPECT_EQ(first.GetActiveCamera(), &a);
    ASSERT_EQ(host.Notices.size(), 1u);
    EXPECT_EQ(host.Notices[0].Scene, &first);
    EXPECT_EQ(host.Notices[0].Type, QX_UPDATE_ACTIVE);

    // Another camera of the already active scene tells nobody.
    first.OnCameraActive(&a);
    EXPECT_EQ(host.Notices.size(), 1u);

    // The old scene hears it became inactive before the new one hears it became active.
    host.Notices.clear();
    second.OnCameraActive(&b);
    ASSERT_EQ(host.Notices.size(), 2u);
    EXPECT_EQ(host.Notices[0].Scene, &first);
    EXPECT_EQ(host.Notices[0].Type, QX_UPDATE_INACTIVE);
    EXPECT_EQ(host.Notices[1].Scene, &second);
    EXPECT_EQ(host.Notices[1].Type, QX_UPDATE_ACTIVE);
    EXPECT_EQ(CQxApp::Instance().GetActiveScene(), &second);

    // Removing the active camera leaves none; the camera forgets the scene.
    second.RemoveCamera(&b);
    EXPECT_EQ(second.GetActiveCamera(), nullptr);
    EXPECT_EQ(b.GetScene(), nullptr);
    EXPECT_TRUE(second.Cameras().IsEmpty());
    second.RemoveCamera(&b); // no longer listed: ignored
    EXPECT_EQ(first.Cameras().GetSize(), 1u);
}

TEST(Scene, FrameRangeStaysNonEmpty) {
    CQxScene scene;
    EXPECT_EQ(scene.SetFirstFrame(30.0f), 1);
    EXPECT_EQ(scene.FirstFrame(), 30.0f);
    EXPECT_EQ(scene.LastFrame(), 31.0f);
    EXPECT_EQ(scene.SetFirstFrame(30.0f), 0);

    CQxScene other;
    EXPECT_EQ(other.SetLastFrame(1.0f), 1);
    EXPECT_EQ(other.FirstFrame(), 0.0f);
    EXPECT_EQ(other.LastFrame(), 1.0f);
    EXPECT_EQ(other.SetLastFrame(1.0f), 0);
    EXPECT_EQ(other.SetLastFrame(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(other.LastFrame(), 1.0f);

    // A range that stays valid is left alone.
    EXPECT_EQ(other.SetLastFrame(10.0f), 1);
    EXPECT_EQ(other.FirstFrame(), 0.0f);
}

TEST(Scene, SettersGivenTheCurrentValueTellNobody) {
    CQxScene scene;
    QxUpdateRecorder host(scene);
    const CQxGrid& grid = scene.Grid();
    EXPECT_EQ(scene.SetGrid(grid.Length(), grid.Interval(), grid.Axis(), grid.Color(), 1), 0);
    EXPECT_EQ(scene.SetJointRadius(scene.JointRadius(), 1), 0);
    EXPECT_EQ(scene.SetFirstFrame(scene.FirstFrame()), 0);
    EXPECT_EQ(scene.FitGrid(1), 0); // empty scene: nothing to fit
    EXPECT_TRUE(host.Notices.empty());
}

TEST(Scene, GridChangesRecreateAxesAndReframeCameras) {
    CQxScene scene;
    QxUpdateRecorder host(scene);
    CQxCamera camera;
    scene.AddCamera(&camera);
    EXPECT_EQ(camera.ViewSize(), 100.0f);

    // Only the colour changes: the axes keep their length.
    EXPECT_EQ(scene.SetGrid(100.0f, 10.0f, QX_AXIS_Y, 0xFF123456, 0), 1);
    EXPECT_EQ(scene.Grid().Color(), 0xFF123456ul);
    EXPECT_TRUE(host.Notices.empty());

    EXPECT_EQ(scene.SetGrid(50.0f, 5.0f, QX_AXIS_Y, 0xFF123456, 1), 1);
    EXPECT_EQ(scene.GridLength(), 50.0f);
    EXPECT_EQ(scene.Axes().Length(), 50.0f);
    EXPECT_EQ(scene.Axes().AxisFlags(), 7u);
    EXPECT_EQ(camera.ViewSize(), 50.0f);
    ASSERT_EQ(host.Types(), (std::vector<unsigned int>{QX_UPDATE_SCENE, QX_UPDATE_REDRAW}));
    EXPECT_EQ(host.Notices[0].Args[0], 16u);

    // Values the mesh library refuses change nothing.
    host.Notices.clear();
    EXPECT_EQ(scene.SetGrid(-1.0f, 5.0f, QX_AXIS_Y, 0xFF123456, 1), 0);
    EXPECT_EQ(scene.GridLength(), 50.0f);
    EXPECT_TRUE(host.Notices.empty());
}

TEST(Scene, FitGridGrowsByWholeStepsAndNeverShrinks) {
    CQxScene scene;
    QxUpdateRecorder host(scene);
    CQxCube* cube = AddCube(scene.RootModel(), 350.0f, 10.0f, 10.0f, "Wide");
    EXPECT_EQ(scene.FitGrid(1), 1);
    EXPECT_EQ(scene.GridLength(), 200.0f);
    EXPECT_EQ(scene.Grid().Interval(), 20.0f);
    EXPECT_EQ(scene.Grid().Axis(), QX_AXIS_Y);
    EXPECT_EQ(host.Types(), (std::vector<unsigned int>{QX_UPDATE_SCENE, QX_UPDATE_REDRAW}));

    // Smaller content leaves the grid as it is.
    scene.RootModel().PopChild(cube);
    AddCube(scene.RootModel(), 20.0f, 20.0f, 20.0f, "Small");
    EXPECT_EQ(scene.FitGrid(0), 0);
    EXPECT_EQ(scene.GridLength(), 200.0f);

    // The box counts, transforms included: -10..500 along X is 510 wide, so twice 200.
    AddCube(scene.RootModel(), 100.0f, 1.0f, 1.0f, "Far")->Translate() = CQxVector(450.0f, 0.0f, 0.0f);
    EXPECT_EQ(scene.FitGrid(0), 1);
    EXPECT_EQ(scene.GridLength(), 400.0f);
    EXPECT_EQ(scene.Grid().Interval(), 40.0f);
}

TEST(Scene, JointRadiusReachesEveryJoint) {
    CQxScene scene;
    QxUpdateRecorder host(scene);
    auto* outer = new CQxJoint(1);
    outer->Create(2.0f, 10);
    auto* inner = new CQxJoint(1);
    inner->Create(2.0f, 10);
    outer->PushChild(inner);
    auto* group = new CQxGroup(1);
    group->PushChild(outer);
    scene.RootModel().PushChild(group);

    EXPECT_EQ(scene.SetJointRadius(5.0f, 1), 1);
    EXPECT_EQ(scene.JointRadius(), 5.0f);
    EXPECT_EQ(outer->Radius(), 5.0f);
    EXPECT_EQ(inner->Radius(), 5.0f);
    ASSERT_EQ(host.Types(), (std::vector<unsigned int>{QX_UPDATE_SCENE, QX_UPDATE_REDRAW}));
    EXPECT_EQ(host.Notices[0].Args[0], 32u);
}

TEST(Scene, UniqueNamesSkipTakenOnesAndNeverReturnTheBase) {
    CQxScene scene;
    EXPECT_STREQ(scene.CalcUniqueObjectName("Mesh"), "Mesh1");
    AddCube(scene.RootModel(), 1, 1, 1, "Mesh");
    AddCube(scene.RootModel(), 1, 1, 1, "Mesh1");
    AddCube(*scene.RootModel().GetChild(1), 1, 1, 1, "Mesh2"); // deep in the tree counts too
    EXPECT_STREQ(scene.CalcUniqueObjectName("Mesh"), "Mesh3");
    EXPECT_STREQ(scene.CalcUniqueObjectName("Root"), "Root1");
    EXPECT_STREQ(scene.CalcUniqueObjectName(nullptr), "1");

    AddCube(scene.RootModel(), 1, 1, 1, "Mesh-Clone1");
    EXPECT_STREQ(scene.CalcUniqueCloneName("Mesh"), "Mesh-Clone2");
    EXPECT_STREQ(scene.CalcUniqueDuplicateName("Mesh"), "Mesh-Dup1");
    // Each function keeps its own text.
    const char* object = scene.CalcUniqueObjectName("Group");
    scene.CalcUniqueCloneName("Group");
    EXPECT_STREQ(object, "Group1");
}

TEST(Scene, SelectionQueries) {
    CQxScene scene;
    EXPECT_EQ(scene.GetCurModel(), &scene.RootModel()); // the only model
    EXPECT_FALSE(scene.IsDeletable());

    auto* a = new CQxModel(1);
    auto* b = new CQxModel(1);
    scene.RootModel().PushChild(a);
    scene.RootModel().PushChild(b);
    CQxCube* cube = AddCube(*b, 10, 10, 10, "Box");
    EXPECT_EQ(scene.GetCurModel(), nullptr); // three models, nothing selected
    EXPECT_FALSE(scene.IsCopyable());

    cube->Select(1, 0);
    EXPECT_EQ(scene.GetCurModel(), b);
    EXPECT_TRUE(scene.IsDeletable());
    EXPECT_TRUE(scene.IsCopyable());
    EXPECT_TRUE(scene.IsCuttable());
    a->Select(1, 0);
    EXPECT_EQ(scene.GetCurModel(), nullptr); // the selection spans two models

    // The root alone selected is nothing to delete.
    a->Select(0, 0);
    cube->Select(0, 0);
    scene.RootModel().Select(1, 0);
    EXPECT_FALSE(scene.IsDeletable());

    EXPECT_FALSE(scene.IsComponentSelect());
    scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    EXPECT_TRUE(scene.IsComponentSelect());
    EXPECT_TRUE(cube->IsComponentMode()); // the whole tree switched to components
    scene.ToolManager().SetCurSelect(QX_SELECT_OBJECT);
    EXPECT_FALSE(cube->IsComponentMode());
}

TEST(ScenePick, PickQueriesFollowTheSelectType) {
    CQxScene scene;
    CQxCamera camera;
    PlaceCamera(camera, 100.0f);
    CQxCube* cube = AddCube(scene.RootModel(), 20, 20, 20, "Box");
    auto* joint = new CQxJoint(1);
    joint->Create(3.0f, 10);
    joint->Translate() = CQxVector(60.0f, 0.0f, -60.0f);
    scene.RootModel().PushChild(joint);

    const CQxPoint atCube = QxScreenPoint(camera, CQxVector());
    const CQxPoint atJoint = QxScreenPoint(camera, joint->Translate());

    CQxVector pos;
    CQxSelect select;
    ASSERT_TRUE(scene.IsObjectTreePointHit(QX_HIT_FACE, 0, atCube, camera, pos, select));
    EXPECT_EQ(select.Object(), cube);
    EXPECT_FALSE(scene.IsObjectTreePointHit(QX_HIT_FACE, 0, CQxPoint(2, 2), camera, pos, select));

    // A rectangle around the whole cube on screen takes it (faces count when inside).
    CQxRect around(atCube.x, atCube.y, atCube.x, atCube.y);
    for (float x : {-10.0f, 10.0f})
        for (float y : {-10.0f, 10.0f})
            for (float z : {-10.0f, 10.0f}) {
                const CQxPoint p = QxScreenPoint(camera, CQxVector(x, y, z));
                around.left = std::min(around.left, p.x - 2);
                around.top = std::min(around.top, p.y - 2);
                around.right = std::max(around.right, p.x + 2);
                around.bottom = std::max(around.bottom, p.y + 2);
            }
    CQxSelects selects;
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

TEST(Scene, OperationsReachEveryManagerAndPlaybackStops) {
    CQxScene scene;
    QxUpdateRecorder host(scene);
    scene.TaskManager().Run();
    EXPECT_TRUE(scene.IsPlaying());
    scene.EndOperation();
    EXPECT_FALSE(scene.IsPlaying());

    AddCube(scene.RootModel(), 1, 1, 1, "Box");
    scene.UpdateObjectGeometry(0);
    EXPECT_TRUE(host.Notices.empty());
    scene.UpdateObjectGeometry(1);
    EXPECT_EQ(host.Types(), (std::vector<unsigned int>{QX_UPDATE_REDRAW}));

    // ClearData takes the content, keeps the root model and its name.
    scene.ClearData();
    EXPECT_EQ(scene.RootModel().GetChildCount(), 0u);
    EXPECT_STREQ(scene.RootModel().GetName(), "Root");
    EXPECT_EQ(scene.RootModel().GetAttributeCount(), 0u);
}

} // namespace
