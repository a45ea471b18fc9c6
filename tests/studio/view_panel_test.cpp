// The camera views: the library's own cameras, drawn by its renderer, fed with Qt's mouse and
// keys through the On... operations.
#include <QTest>

#include "qx/platform/input_state.h"
#include "qx/scene/scene.h"
#include "graph_panel.h"
#include "qx/views/uv_view.h"
#include "studio_fixture.h"
#include "uv_rig.h"
#include "view_panel.h"

class ViewPanel : public QxStudioTest {
protected:
    QxStudioViewPanel& Front() { return *Window().View("front"); }
    QxStudioViewPanel& Perspective() { return *Window().View("perspective"); }

    // Selection-coloured pixels of the view's last frame within `radius` of a point.
    static int HighlightNear(QxStudioViewPanel& view, QPoint point, int radius) {
        int count = 0;
        for (int y = point.y() - radius; y <= point.y() + radius; ++y)
            for (int x = point.x() - radius; x <= point.x() + radius; ++x)
                count += QxIsSelectColour(view.Window().GetPixel(x, y)) ? 1 : 0;
        return count;
    }
};

TEST_F(ViewPanel, FourViewsShowTheSceneEachFromItsSide) {
    OpenSample();
    const char* const names[] = {"perspective", "front", "side", "top"};
    for (const char* name : names) {
        QxStudioViewPanel* view = Window().View(name);
        ASSERT_NE(nullptr, view) << name;
        view->RenderNow();
        EXPECT_EQ(view->width(), view->Window().GetFrameWidth()) << name << ": the frame follows the widget";
        EXPECT_EQ(&Scene(), view->Camera().GetScene()) << name;
    }
    EXPECT_TRUE(Perspective().Camera().IsPerspective());
    EXPECT_FALSE(Front().Camera().IsPerspective());
}

TEST_F(ViewPanel, ClickOnAnObjectSelectsItAndHighlightsIt) {
    OpenSample();
    CQxObject* body = Find("Body");
    const QPoint centre = CentreIn(Front(), body);
    Front().RenderNow();
    ASSERT_EQ(0, HighlightNear(Front(), centre, 40)) << "nothing is highlighted before the click";

    QTest::mouseClick(&Front(), Qt::LeftButton, Qt::NoModifier, centre);
    Settle();
    Front().RenderNow();
    EXPECT_TRUE(body->IsSelect()) << "the click at " << centre.x() << "," << centre.y() << " picks Body";
    EXPECT_GT(HighlightNear(Front(), centre, 40), 20) << "Body's selection box is drawn where it was clicked";
    EXPECT_EQ(&Front(), Window().ActiveView());
}

TEST_F(ViewPanel, MoveToolDragIsOneCommandThatUndoRestores) {
    OpenSample();
    CQxObject* body = Find("Body");
    const QPoint centre = CentreIn(Perspective(), body);
    QTest::mouseClick(&Perspective(), Qt::LeftButton, Qt::NoModifier, centre);
    Settle();
    ASSERT_EQ(QX_TOOL_MOVE, Scene().ToolManager().GetCurTool());
    const unsigned int commands = Scene().CmdManager().GetCount();

    // The free centre of the manipulator follows the mouse in the view plane.
    QTest::mousePress(&Perspective(), Qt::LeftButton, Qt::NoModifier, centre);
    for (int step = 1; step <= 4; ++step) {
        QMouseEvent move(QEvent::MouseMove, QPointF(centre + QPoint(10 * step, 0)),
                         QPointF(Perspective().mapToGlobal(centre + QPoint(10 * step, 0))), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Perspective(), &move);
    }
    QTest::mouseRelease(&Perspective(), Qt::LeftButton, Qt::NoModifier, centre + QPoint(40, 0));
    Settle();

    EXPECT_GT(body->Translate().GetLength(), 1.0f) << "Body moved";
    EXPECT_EQ(commands + 1, Scene().CmdManager().GetCount()) << "the drag is one command";
    Trigger("edit.undo");
    EXPECT_FLOAT_EQ(0.0f, body->Translate().GetLength()) << "undo puts Body back";
}

// The UV panel is the scene's UV view: its left button goes to the UV tools.
TEST_F(ViewPanel, TheUVPanelDragsTextureCoordinatesAsOneCommand) {
    CQxObject* grid = QxAddUVGrid(Scene());
    QxStudioViewPanel& uv = Window().UVView();
    EXPECT_EQ(&uv.Camera(), static_cast<CQxCamera*>(Scene().GetUVView())) << "the panel is the scene's UV view";
    Trigger("tools.uvmove");
    EXPECT_EQ(QX_TOOL_MOVE, Scene().UVToolManager().GetCurTool());
    const unsigned int commands = Scene().CmdManager().GetCount();
    // The grid's corner (0, 0) sits at u 0.25, v 0.75; half the view's width moves u by 0.5.
    const QPoint from(uv.width() / 4, uv.height() * 3 / 4);
    const QPoint to = from + QPoint(uv.width() / 2, 0);
    QTest::mousePress(&uv, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(uv.mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&uv, &move);
    QTest::mouseRelease(&uv, Qt::LeftButton, Qt::NoModifier, to);
    Settle();

    CQxHalfEdge* corner = QxUVGridCorner(*grid, 0, 0, 0, 0);
    EXPECT_NEAR(0.75f, corner->UV().x, 0.01f) << "the corner moved half a texture to the right";
    EXPECT_EQ(commands + 1, Scene().CmdManager().GetCount()) << "the drag is one command";
    Trigger("edit.undo");
    EXPECT_FLOAT_EQ(0.25f, corner->UV().x);
}

TEST_F(ViewPanel, RightDragOrbitsAndTheWheelZooms) {
    OpenSample();
    CQxCamera& camera = Perspective().Camera();
    const CQxVector eye = camera.Eye();
    QTest::mousePress(&Perspective(), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(160, 100),
                     QPointF(Perspective().mapToGlobal(QPoint(160, 100))), Qt::NoButton, Qt::RightButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&Perspective(), &move);
    // The orbit runs on the tools' drag timer, which the window pumps.
    Settle(120);
    QTest::mouseRelease(&Perspective(), Qt::RightButton, Qt::NoModifier, QPoint(160, 100));
    EXPECT_GT((camera.Eye() - eye).GetLength(), 1.0f) << "the right drag orbits the camera";

    const float distance = camera.GetOriginDistance();
    QWheelEvent wheel(QPointF(100, 100), QPointF(Perspective().mapToGlobal(QPoint(100, 100))), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Perspective(), &wheel);
    EXPECT_NE(distance, camera.GetOriginDistance()) << "a wheel notch zooms";
}

TEST_F(ViewPanel, QtKeysBecomeTheLibrarysKeyCodes) {
    EXPECT_EQ('A', QxStudioVirtualKey(Qt::Key_A));
    EXPECT_EQ('7', QxStudioVirtualKey(Qt::Key_7));
    EXPECT_EQ(static_cast<unsigned int>(VK_F1 + 4), QxStudioVirtualKey(Qt::Key_F5));
    EXPECT_EQ(static_cast<unsigned int>(VK_ESCAPE), QxStudioVirtualKey(Qt::Key_Escape));
    EXPECT_EQ(static_cast<unsigned int>(VK_RETURN), QxStudioVirtualKey(Qt::Key_Enter));
    EXPECT_EQ(0u, QxStudioVirtualKey(Qt::Key_MediaPlay))
        << "keys the library has no code for are not passed on";
}

// The curve editor shows the channels of the selected objects, drawn by the library's graph view.
TEST_F(ViewPanel, TheCurvesPanelShowsTheSelectedObjectsChannels) {
    OpenSample();
    QxStudioGraphPanel& graph = Window().Graph();
    auto curvePixels = [&graph] {
        graph.RenderNow();
        int count = 0;
        for (int y = 0; y < graph.Window().GetFrameHeight(); ++y)
            for (int x = 0; x < graph.Window().GetFrameWidth(); ++x)
                count += (graph.Window().GetPixel(x, y) & 0xFFFFFF) == 0x00FF00 ? 1 : 0;
        return count;
    };
    graph.resize(400, 200);
    Settle();
    EXPECT_EQ(0, curvePixels()) << "no object selected, no curve";
    Scene().SelectObject(CQxSelect(Find("Robot")), QX_SELECT_REPLACE, 1);
    Settle();
    EXPECT_GT(curvePixels(), 50) << "Robot's turn about Y shows as a green curve";
}
