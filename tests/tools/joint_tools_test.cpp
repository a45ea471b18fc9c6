#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "mesh_builders.h"
#include "message_recorder.h"
#include "qx/commands/joint_cmds.h"
#include "qx/graphics/primitive.h"
#include "qx/math/spline.h"
#include "qx/platform/input_state.h"
#include "qx/platform/timer.h"
#include "qx/platform/window.h"
#include "qx/scene/settings.h"
#include "qx/skeleton/joint.h"
#include "qx/tools/joint_tools.h"
#include "tool_view_fixture.h"

namespace {

CQxJoint* AddJoint(CQxObject& parent, const char* name, const CQxVector& at) {
    auto* joint = QxAdd(parent, new CQxJoint(1), name);
    joint->Create(2.0f, 10);
    joint->Translate() = at;
    return joint;
}

// --- Joint tool -----------------------------------------------------------------------------------

class JointTool : public ToolViewFixture {
protected:
    JointTool() { UseTool(QX_TOOL_JOINT); }

    static CQxVector WorldOrigin(const CQxObject& object) {
        return object.GetTransformToRoot(QX_TF_ALL, 0).Transform(CQxVector());
    }
    // The joint the tool made below `parent`, its only child.
    static CQxJoint* OnlyJoint(CQxObject& parent) {
        return parent.GetChildCount() == 1 ? dynamic_cast<CQxJoint*>(parent.GetChild(0)) : nullptr;
    }
    void ClickAt(float x, float y) { Rig().Click(Rig().ToScreen(CQxVector(x, y, 0))); }
    static constexpr float kPixel = 0.5f; // a click lands within a pixel of the point it was aimed at
};

TEST_F(JointTool, TwoClicksMakeAParentTurnedTowardItsChildUndoneAsOne) {
    Undoable([&] { // the chain is one command
        ClickAt(-20, 0);
        ClickAt(20, 20);
    });
    auto* parent = dynamic_cast<CQxJoint*>(Scene().RootModel().GetLastChild());
    ASSERT_NE(parent, nullptr) << "the first click makes a joint below the root model";
    CQxJoint* child = OnlyJoint(*parent);
    ASSERT_NE(child, nullptr) << "the second click makes a joint below the first";
    EXPECT_TRUE(QxNear(WorldOrigin(*parent), CQxVector(-20, 0, 0), kPixel));
    EXPECT_TRUE(QxNear(WorldOrigin(*child), CQxVector(20, 20, 0), kPixel));
    // The parent's X axis, its bone, points at the child; the child is the selection.
    const CQxVector bone = parent->GetRotateToRoot().Transform(CQxVector(1, 0, 0));
    EXPECT_TRUE(QxNear(bone, (WorldOrigin(*child) - WorldOrigin(*parent)).GetNormalized(), 1e-4f));
    EXPECT_EQ(parent->GetBoneShapeCount(), 1u);
    EXPECT_TRUE(child->IsSelect() && !parent->IsSelect()) << "the child is the selection";
    EXPECT_STRNE(parent->GetName(), child->GetName());
}

TEST_F(JointTool, ChainTurnsAJointParentAndUndoGivesItsAnglesBack) {
    CQxJoint* top = AddJoint(Scene().RootModel(), "Top", CQxVector(0, -30, 0));
    Select(top);
    Undoable([&] { ClickAt(30, -30); });
    ASSERT_EQ(top->GetChildCount(), 1u);
    const CQxVector bone = top->GetRotateToRoot().Transform(CQxVector(1, 0, 0));
    EXPECT_TRUE(QxNear(bone, CQxVector(1, 0, 0), 1e-3f)) << "the selected joint turns toward the new one";
}

TEST_F(JointTool, UndoBetweenClicksEndsTheChain) {
    ClickAt(-20, 0);
    ASSERT_TRUE(History().Undo());
    ClickAt(20, 0);
    CQxJoint* joint = OnlyJoint(Scene().RootModel());
    ASSERT_NE(joint, nullptr) << "the undone joint stays gone";
    EXPECT_EQ(joint->GetChildCount(), 0u) << "the next click starts a new chain";
    EXPECT_TRUE(QxNear(WorldOrigin(*joint), CQxVector(20, 0, 0), kPixel));
}

TEST_F(JointTool, ClickWithOneObjectSelectedHangsTheChainBelowIt) {
    CQxObject* cube = Select(AddCube("A", CQxVector(10, 5, 0)));
    const CQxQuat rotate = cube->Rotate();
    ClickAt(-10, 20);
    CQxJoint* joint = OnlyJoint(*cube);
    ASSERT_NE(joint, nullptr);
    EXPECT_TRUE(QxNear(joint->Translate(), CQxVector(-20, 15, 0), kPixel)) << "placed in the cube's frame";
    EXPECT_TRUE(QxNear(WorldOrigin(*joint), CQxVector(-10, 20, 0), kPixel));
    EXPECT_EQ(cube->Rotate(), rotate) << "only a joint parent is turned";
}

TEST_F(JointTool, ClickMissingTheViewPlaneChangesNothing) {
    // The camera looks away from the origin: the plane through it lies behind the eye.
    UseView(View::Perspective);
    UseTool(QX_TOOL_JOINT);
    Rig().camera.Eye() = CQxVector(0, 0, 200);
    Rig().camera.Aim() = CQxVector(0, 0, 400);
    Rig().camera.UpdateMatrices(320, 240);
    Unchanged([&] {
        Rig().Click(CQxPoint(160, 120));
        Rig().Click(CQxPoint(100, 80));
    });
}

TEST_F(JointTool, TypedPointAddsAJointThere) {
    Undoable([&] { return Scene().ToolManager().SetNumericalValue(CQxVector(5, 6, 7)); });
    CQxObject* joint = Scene().RootModel().GetLastChild();
    ASSERT_NE(dynamic_cast<CQxJoint*>(joint), nullptr);
    EXPECT_TRUE(QxNear(WorldOrigin(*joint), CQxVector(5, 6, 7)));
    CQxVector shown;
    Scene().ToolManager().GetNumericalValue(shown);
    EXPECT_TRUE(QxNear(shown, CQxVector(5, 6, 7))) << "the absolute value follows the last joint";
}

// --- Weight-paint tool ----------------------------------------------------------------------------

// The painted strip, seen from the front (units; the view shows 2.4 pixels per unit):
//
//   y=15   4-------5-------6-------7
//          |       |       |       |
//   y=-15  0-------1-------2-------3
//        x=-24   x=-8     x=8    x=24
//
// Neighbouring vertices lie 38 pixels apart, so the large brush (radius 23) centred on a vertex
// covers it alone and centred between two of a row covers both. The strip is bound to Root (bone
// 0) at the origin with End (bone 1) at (40, 0, 0); every vertex then starts on bone 0 with
// weight 0.5 and bone 1 with the rest.
// The tool's settings as one tuple, saved and put back around each test.
auto PaintSettings() {
    return std::tie(QxWeightPaintMode(), QxWeightPaintStroke(), QxWeightPaintSize(), QxWeightPaintDepth(),
                    QxWeightPaintOpacity());
}

class WeightPaintTool : public ToolViewFixture {
protected:
    WeightPaintTool() {
        CQxJoint* root = AddJoint(Scene().RootModel(), "Root", CQxVector());
        AddJoint(*root, "End", CQxVector(40, 0, 0));
        root->Recreate();
        root->UpdateBoneIndices();
        m_Skin = QxAdd(Scene().RootModel(), new CQxObject(1), "Skin");
        std::vector<CQxVector> positions;
        for (float y : {-15.0f, 15.0f})
            for (float x : {-24.0f, -8.0f, 8.0f, 24.0f}) positions.emplace_back(x, y, 0.0f);
        qxtest::BuildMesh(m_Skin->Mesh(), positions, {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}});
        m_Skin->UpdateBoundBox();
        EXPECT_TRUE(m_Skin->SetSkin(root, 1));
        for (unsigned int i = 0; i < 8; ++i) SetBones(i, {0, 1}, {0.5f, 0.5f});
        m_Skin->UpdateGraphics();
        UseTool(QX_TOOL_WEIGHT_PAINT);
        PaintSettings() = std::tuple(QX_PAINT_REPLACE, QX_STROKE_HARD, QX_SIZE_LARGE, 1.0f, 0.5f);
    }
    ~WeightPaintTool() override { PaintSettings() = m_Saved; }

    CQxVertex* Vertex(unsigned int i) { return m_Skin->Mesh().Vertices().GetAt(i); }
    void SetBones(unsigned int i, std::vector<unsigned char> indices, std::vector<float> weights) {
        CQxVertexBones& bones = *Vertex(i)->Bones();
        bones = CQxVertexBones();
        for (std::size_t k = 0; k < indices.size(); ++k) {
            bones.Indices[k] = indices[k];
            bones.Weights[k] = weights[k];
        }
    }
    const CQxVertexBones& Bones(unsigned int i) { return *Vertex(i)->Bones(); }
    // Exactly these weights in slots 0 and 1 of vertex i, the other two empty.
    void ExpectWeights(unsigned int i, float w0, float w1) {
        EXPECT_NEAR(Bones(i).Weights[0], w0, 1e-6f) << "vertex " << i << " slot 0";
        EXPECT_NEAR(Bones(i).Weights[1], w1, 1e-6f) << "vertex " << i << " slot 1";
        EXPECT_EQ(Bones(i).Weights[2] + Bones(i).Weights[3], 0.0f) << "vertex " << i;
    }
    // Selecting the skin shows it in weight mode.
    void ShowWeights() {
        Select(m_Skin);
        ASSERT_EQ(m_Skin->Mode(), QX_OBJ_MODE_WEIGHT);
    }
    CQxPoint At(float x, float y) { return Rig().ToScreen(CQxVector(x, y, 0)); }
    CQxPoint AtVertex(unsigned int i) { return Rig().ToScreen(Vertex(i)->Position()); }
    // Button down at the first point, one timer step at each further point, button up at the last.
    void Stroke(const std::vector<CQxPoint>& points) {
        Rig().Press(points.front());
        for (std::size_t k = 1; k < points.size(); ++k) {
            Rig().window.SetCursorPos(points[k].x, points[k].y);
            QxWaitTimers(100);
        }
        Rig().Release(points.back());
    }
    // A stroke that starts on the face left of vertex 1 (no vertex under the brush), steps onto
    // the given point and comes back.
    void StrokeOver(CQxPoint point) { Stroke({At(-16, 0), point, At(-16, 0)}); }
    // The blend of one application: the target t mixed into the weight by the opacity.
    static float Blend(float t, float weight) {
        const float opacity = QxWeightPaintOpacity();
        return std::clamp(t, 0.0f, 1.0f) * opacity + (1.0f - opacity) * weight;
    }

    CQxObject* m_Skin = nullptr;

private:
    const std::tuple<QX_PAINT_MODE, QX_STROKE_TYPE, QX_SIZE_TYPE, float, float> m_Saved{PaintSettings()};
};

TEST_F(WeightPaintTool, HardBrushChangesAVertexOncePerStroke) {
    ShowWeights();
    Stroke({At(-16, 0), AtVertex(1), At(-16, 0), AtVertex(1), At(-16, 0)});
    const float painted = Blend(1.0f, 0.5f);
    ExpectWeights(1, painted, 1.0f - painted);
    for (unsigned int i : {0u, 2u, 3u, 4u, 5u, 6u, 7u}) ExpectWeights(i, 0.5f, 0.5f);
    EXPECT_EQ(History().GetCount(), 1u);
    EXPECT_STREQ(History().GetCurCmd()->GetName(), CQxCmd::GetTypeName(QX_CMD_WEIGHT_PAINT));
}

TEST_F(WeightPaintTool, ModesMixTheDepthIntoTheWeightByTheOpacity) {
    ShowWeights();
    const struct {
        const char* what;
        QX_PAINT_MODE mode;
        float depth, opacity;
        std::vector<unsigned char> indices;
        std::vector<float> weights;
        float painted; // bone 0's weight afterwards
    } cases[] = {
        {"replace", QX_PAINT_REPLACE, 0.5f, 0.2f, {0, 1}, {0.4f, 0.6f}, 0.2f * 0.5f + 0.8f * 0.4f},
        {"add", QX_PAINT_ADD, 0.5f, 0.2f, {0, 1}, {0.4f, 0.6f}, 0.2f * (0.4f + 0.5f) + 0.8f * 0.4f},
        {"multiply", QX_PAINT_MULTIPLY, 0.5f, 0.2f, {0, 1}, {0.4f, 0.6f}, 0.2f * (0.4f * 0.5f) + 0.8f * 0.4f},
        {"add is clamped at one", QX_PAINT_ADD, 1.0f, 1.0f, {0, 1}, {0.7f, 0.3f}, 1.0f},
        {"painting down the only influence leaves it at one", QX_PAINT_REPLACE, 0.0f, 0.5f, {0}, {1.0f}, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetBones(1, c.indices, c.weights);
        QxWeightPaintMode() = c.mode;
        QxWeightPaintDepth() = c.depth;
        QxWeightPaintOpacity() = c.opacity;
        StrokeOver(AtVertex(1));
        ExpectWeights(1, c.painted, 1.0f - c.painted);
    }
}

TEST_F(WeightPaintTool, SmoothPullsEachVertexHalfWayToTheMean) {
    QxWeightPaintMode() = QX_PAINT_SMOOTH;
    SetBones(1, {0, 1}, {0.2f, 0.8f});
    SetBones(2, {0, 1}, {0.6f, 0.4f});
    ShowWeights();
    // Between vertices 1 and 2 the brush covers both.
    StrokeOver(At(0, -15));
    const float mean = (0.2f + 0.6f) / 2.0f;
    ExpectWeights(1, (mean + 0.2f) / 2.0f, 1.0f - (mean + 0.2f) / 2.0f);
    ExpectWeights(2, (mean + 0.6f) / 2.0f, 1.0f - (mean + 0.6f) / 2.0f);
}

TEST_F(WeightPaintTool, NewInfluenceTakesTheWeakestSlotAndTheOthersShareTheRest) {
    SetBones(1, {1, 2, 3}, {0.5f, 0.3f, 0.2f}); // bone 0 has no slot; slot 3 is empty
    ShowWeights();
    StrokeOver(AtVertex(1));
    const float painted = Blend(1.0f, 0.0f);
    const CQxVertexBones& b = Bones(1);
    EXPECT_EQ(b.Indices[3], 0) << "the empty slot goes to the painted bone";
    EXPECT_NEAR(b.Weights[3], painted, 1e-6f);
    const float before[3] = {0.5f, 0.3f, 0.2f}; // they shared all of 1 before
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(b.Weights[k], before[k] * (1.0f - painted), 1e-6f) << "slot " << k;
}

TEST_F(WeightPaintTool, SoftBrushFollowsTheFalloffAndNeverWeakensWithinAStroke) {
    QxWeightPaintStroke() = QX_STROKE_SOFT;
    ShowWeights();
    const CQxVector vertex = QxScreenCoord(Rig().camera, Vertex(1)->Position());
    const CQxPoint nearer(static_cast<int>(std::lround(vertex.x)) + 10,
                          static_cast<int>(std::lround(vertex.y)));
    const float d = std::hypot(static_cast<float>(nearer.x) - vertex.x, static_cast<float>(nearer.y) - vertex.y);
    // Nearer first, then farther: the weaker touch leaves the vertex as the stronger one made it.
    Stroke({At(-16, 0), nearer, CQxPoint(nearer.x + 6, nearer.y), At(-16, 0)});
    CQxSpline falloff; // full strength to a quarter of the radius, none at its edge
    falloff.InsertNode(0.0f, 1.0f);
    falloff.InsertNode(23.0f * 0.25f, 1.0f);
    falloff.InsertNode(23.0f, 0.0f);
    falloff.UpdateEquations(0);
    float f = 0.0f;
    ASSERT_TRUE(falloff.CalcY(d, f) && f > 0.0f && f < 1.0f) << "the vertex lies in the falloff";
    const float painted = Blend(f * 1.0f + (1.0f - f) * 0.5f, 0.5f);
    ExpectWeights(1, painted, 1.0f - painted);
}

TEST_F(WeightPaintTool, PaintedVerticesShowTheirWeightInGrey) {
    SetBones(2, {1}, {1.0f}); // bone 0 has no influence there: black
    ShowWeights();
    StrokeOver(AtVertex(1));
    const CQxPrimitive* shown = m_Skin->GetPrimitive(CQxObject::PRIM_WEIGHTS);
    ASSERT_NE(shown, nullptr);
    const auto grey = static_cast<std::uint32_t>(Bones(1).Weights[0] * 255.0f);
    const std::uint32_t expected[3] = {0xFF000000u | grey << 16 | grey << 8 | grey, 0xFF000000u, 0xFF7F7F7Fu};
    for (unsigned int i = 0; i < 3; ++i) {
        const CQxVector at = Vertex(i + 1)->Position();
        unsigned int seen = 0;
        for (unsigned int k = 0; k < shown->GetVertexCount(); ++k) {
            const CQxPrimitiveVertex& pv = shown->GetVertices()[k];
            if (pv.Position[0] != at.x || pv.Position[1] != at.y) continue;
            EXPECT_EQ(pv.Color, expected[i]) << "vertex " << i + 1;
            ++seen;
        }
        EXPECT_GT(seen, 0u) << "vertex " << i + 1;
    }
}

TEST_F(WeightPaintTool, StrokeEndedFromOutsideIsTakenBack) {
    ShowWeights();
    const HCURSOR cursor = QxWin::GetCursor();
    const CQxPoint step = AtVertex(1);
    Unchanged([&] {
        Rig().Press(At(-16, 0));
        Rig().window.SetCursorPos(step.x, step.y);
        QxWaitTimers(100);
        EXPECT_NE(Bones(1).Weights[0], 0.5f) << "the stroke painted live";
        Scene().EndOperation();
    });
    EXPECT_EQ(QxWin::GetCursor(), cursor);
    EXPECT_EQ(QxGetTimerCount(), 0);
    Unchanged([&] { Rig().Release(step); }); // the late button-up paints nothing
}

TEST_F(WeightPaintTool, UndoAndRedoOfAStrokeAreExact) {
    SetBones(1, {0, 1}, {0.3f, 0.7f});
    ShowWeights();
    // The dumps hold every weight and bone index exactly.
    Undoable([&] { Stroke({At(-16, 0), AtVertex(1), AtVertex(5), At(0, -15), At(-16, 0)}); });
    EXPECT_NE(Bones(1).Weights[0], 0.3f) << "the stroke painted";
}

TEST_F(WeightPaintTool, StrokeShowsTheBrushCursorAndPutsTheOldOneBack) {
    ShowWeights();
    const HCURSOR before = QxWin::SetCursor(QxCursorFromId(QX_CURSOR_ARROW));
    QxWeightPaintSize() = QX_SIZE_SMALL;
    Rig().Press(At(-16, 0));
    EXPECT_EQ(QxGetCursorId(QxWin::GetCursor()), 101u);
    Rig().Release(At(-16, 0));
    EXPECT_EQ(QxGetCursorId(QxWin::GetCursor()), static_cast<unsigned int>(QX_CURSOR_ARROW));
    EXPECT_EQ(History().GetCount(), 0u) << "a stroke that painted nothing pushes nothing";
    QxWin::SetCursor(before);
}

TEST_F(WeightPaintTool, StrokeSelectsAnObjectNotInWeightModeAndAnotherToolEndsTheMode) {
    CQxObject* cube = Select(AddCube("A", CQxVector(0, 60, 0)));
    ASSERT_EQ(m_Skin->Mode(), QX_OBJ_MODE_NORMAL);
    Rig().Click(At(-16, 0));
    EXPECT_TRUE(m_Skin->IsSelect() && !cube->IsSelect());
    EXPECT_EQ(m_Skin->Mode(), QX_OBJ_MODE_WEIGHT) << "the selected skinned object shows its weights";
    for (unsigned int i = 0; i < 8; ++i) ExpectWeights(i, 0.5f, 0.5f);
    EXPECT_EQ(History().GetCount(), 0u);
    UseTool(QX_TOOL_MOVE);
    EXPECT_EQ(m_Skin->Mode(), QX_OBJ_MODE_NORMAL) << "switching tools clears the weight display";
}

// The weight-paint tool loading its cursors from a module that holds none.
class CursorlessPaintTool : public CQxWeightPaintTool {
public:
    explicit CursorlessPaintTool(CQxScene* scene) : CQxWeightPaintTool(scene, "NoSuchModule") {}
};

TEST_F(WeightPaintTool, CursorLoadFailureIsReportedOnceAndTheToolStillPaints) {
    QxMessageRecorder boxes;
    CQxWeightPaintTool loaded(&Scene());
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(loaded.GetBrushCursor(0) && loaded.GetBrushCursor(1)) << "both brush cursors load";
    ShowWeights();
    CursorlessPaintTool cursorless(&Scene());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "カーソルの読み込みに失敗しました.");
    EXPECT_EQ(boxes.Boxes()[0].Caption, "ツール初期化");
    EXPECT_EQ(cursorless.GetBrushCursor(0), nullptr);
    // Driven by hand, as the view would drive it were it the current tool.
    const CQxPoint step = AtVertex(1);
    cursorless.OnLButtonDown(&Rig().camera, MK_LBUTTON, At(-16, 0));
    ASSERT_EQ(cursorless.GetState(), static_cast<unsigned int>(QX_TOOL_STATE_PAINT));
    Rig().window.SetCursorPos(step.x, step.y);
    cursorless.OnTimer(&Rig().camera, 1);
    cursorless.OnLButtonUp(&Rig().camera, 0, step);
    EXPECT_NE(Bones(1).Weights[0], 0.5f) << "the tool paints without its cursors";
    EXPECT_EQ(History().GetCount(), 1u);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

} // namespace
