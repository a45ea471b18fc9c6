#include "tool_view_fixture.h"

#include <cmath>

#include "qx/tools/manipulator.h"
#include "qx/views/camera.h"

ToolViewFixture::ToolViewFixture() {
    UseView(View::Front);
}

void ToolViewFixture::UseView(View view) {
    m_Rig.reset();
    m_Rig = std::make_unique<QxViewRig>(320, 240);
    if (view == View::Perspective) return;
    // 100 units tall, seen straight down -Z.
    CQxCamera& camera = m_Rig->camera;
    camera.SetProjectionType(QX_PROJ_ORTHOGRAPHIC);
    camera.Eye() = CQxVector(0, 0, 200);
    camera.Aim() = CQxVector(0, 0, 0);
    camera.Up() = CQxVector(0, 1, 0);
    camera.ViewY() = 100.0f;
    camera.UpdateMatrices(320, 240);
}

CQxObject* ToolViewFixture::AddCube(const char* name, const CQxVector& at, CQxObject* parent) {
    CQxObject* cube = QxNewCube(20.0f, nullptr, name);
    cube->Translate() = at;
    if (parent) return QxAdd(*parent, cube);
    return QxAdd(Scene().RootModel(), cube);
}

CQxObject* ToolViewFixture::Select(CQxObject* object) {
    Scene().SelectObject(CQxSelect(object), QX_SELECT_REPLACE, 0);
    return object;
}

CQxPoint ToolViewFixture::CentrePoint() {
    const CQxManipulator* manipulator = Scene().GetManipulator();
    return manipulator ? m_Rig->ToScreen(manipulator->Translate()) : CQxPoint();
}

CQxVector ToolViewFixture::ManipulatorAxis(int axis) const {
    const CQxManipulator* manipulator = m_Rig->scene.GetManipulator();
    const CQxVector unit(axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, axis == 2 ? 1.0f : 0.0f);
    return manipulator ? unit * manipulator->Rotate() : unit;
}

CQxPoint ToolViewFixture::Along(CQxPoint from, const CQxVector& direction, int pixels) {
    const CQxVector origin = Scene().GetManipulator() ? Scene().GetManipulator()->Translate() : CQxVector();
    const CQxVector a = QxScreenCoord(m_Rig->camera, origin);
    const CQxVector b = QxScreenCoord(m_Rig->camera, origin + direction);
    CQxVector screen(b.x - a.x, b.y - a.y, 0.0f);
    screen.Normalize();
    return CQxPoint(from.x + static_cast<int>(std::lround(screen.x * static_cast<float>(pixels))),
                    from.y + static_cast<int>(std::lround(screen.y * static_cast<float>(pixels))));
}

CQxPoint ToolViewFixture::HandlePoint(int axis) {
    CQxManipulator* manipulator = Scene().GetManipulator();
    if (!manipulator) return CQxPoint();
    const CQxObject* handle = axis == 0   ? manipulator->GetXHandle()
                              : axis == 1 ? manipulator->GetYHandle()
                                          : manipulator->GetZHandle();
    // The manipulator as the view draws it, at its size on screen.
    const CQxCamera& camera = m_Rig->camera;
    CQxMatrix world;
    manipulator->GetViewTransform(world, camera.ViewPort(), camera.WorldMatrix(), camera.ViewMatrix(),
                                  camera.ProjectionMatrix());
    return QxScreenPoint(camera, world.Transform(handle->Translate()));
}

CQxVector ToolViewFixture::WorldPivot(const CQxObject& object) {
    return object.GetTransformToRoot(QX_TF_ALL, 0).Transform(object.Pivot());
}
