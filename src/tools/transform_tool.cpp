#include "qx/tools/transform_tool.h"

#include <cstdint>

#include "qx/commands/object_cmds.h"
#include "qx/commands/transform_cmd.h"
#include "qx/graphics/graphics_context.h"
#include "qx/platform/window.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"

using namespace QxWin;

namespace {

// The manipulator is picked by its faces only.
constexpr unsigned int kManipulatorHitMask = 16;

float Component(const CQxVector& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

} // namespace

CQxTransformTool::CQxTransformTool(CQxScene* scene) : CQxSelectTool(scene) {}

CQxTransformTool::~CQxTransformTool() = default;

// --- Preparing ------------------------------------------------------------------------------------

CQxQuat CQxTransformTool::GetFrameRotation() const {
    if (m_Selects.IsEmpty() || !m_Selects[0]->Object() || m_CoordType == QX_COORD_WORLD) return CQxQuat();
    const CQxObject& first = *m_Selects[0]->Object();
    return m_CoordType == QX_COORD_LOCAL ? first.GetLocalRotateToRoot() : first.GetRotateToRoot();
}

void CQxTransformTool::PlaceManipulator() {
    CQxManipulator* manipulator = m_Scene ? m_Scene->GetManipulator() : nullptr;
    if (!manipulator) return;
    manipulator->Translate() = m_ManipulatorPosition;
    manipulator->SetRotate(m_ManipulatorRotation, 1);
}

void CQxTransformTool::ReduceSelects() {
    if (!IsComponentTarget()) return;
    m_Selects.ExtractVertices();
    m_Selects.RemoveNoComponent();
}

void CQxTransformTool::PlaceOnSelects() {
    CQxBoundBox box;
    const int found = IsPivotTarget() ? m_Selects.GetPivotBoundBox(box) : m_Selects.GetBoundBox(box);
    m_ManipulatorPosition = found ? box.GetCenter() : CQxVector();
    m_ManipulatorRotation = GetFrameRotation();
}

void CQxTransformTool::PrepareTool() {
    if (!m_Scene) return;
    if (IsDragging()) CancelDrag();
    m_Selects.Clear();
    m_Scene->RootModel().GetSelects(m_Selects, 1);
    m_Selects.RemoveNoShapes();
    ReduceSelects();
    if (m_Selects.IsEmpty()) {
        ClearTool();
        return;
    }
    PlaceOnSelects();
    m_Scene->CreateManipulator(GetManipulatorType(), m_ManipulatorPosition);
    PlaceManipulator();
    ResetValues();
    m_NumericalEnable = 1;
    m_Scene->UpdateGui(QX_UPDATE_NUMERICAL_RESET);
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}

void CQxTransformTool::ClearTool() {
    if (IsDragging()) CancelDrag();
    if (m_Scene && m_Scene->GetManipulator()) {
        m_Scene->ClearManipulator();
        m_Scene->UpdateGui(QX_UPDATE_REDRAW);
    }
    m_Selects.Clear();
    m_Snapshot.reset();
    CQxSelectTool::ClearTool();
}

// --- The gesture ----------------------------------------------------------------------------------

void CQxTransformTool::OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    if (!m_Scene || !camera) return;
    // A drag whose button-up never came is taken back before anything else.
    if (m_State != QX_TOOL_STATE_IDLE) m_Scene->EndOperation();
    CQxVector hit;
    CQxSelect part;
    CQxManipulator* manipulator = m_Scene->GetManipulator();
    if (!manipulator || !m_Scene->IsManipulatorPointHit(kManipulatorHitMask, point, *camera, hit, part)) {
        BeginSelect(camera, flags, point);
        return;
    }
    const int axis = part.Object() == manipulator->GetXHandle()   ? 0
                     : part.Object() == manipulator->GetYHandle() ? 1
                     : part.Object() == manipulator->GetZHandle() ? 2
                                                                  : -1;
    BeginManipulatorDrag(camera, point, hit, axis);
}

void CQxTransformTool::BeginManipulatorDrag(CQxCamera* camera, CQxPoint point, const CQxVector& hit,
                                            int axis) {
    m_Scene->EndOperation();
    if (!TakeSnapshot()) return;
    m_HitPosition = hit;
    m_PrevDragPoint = hit;
    m_LastPoint = point;
    m_StartPosition = m_ManipulatorPosition;
    m_StartRotation = m_ManipulatorRotation;
    m_DragCamera = camera;
    if (camera->GetWindow()) SetCapture(camera->GetWindow());
    m_State = GetDragState(axis);
    BeginDrag();
}

void CQxTransformTool::OnMouseMove(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    if (!IsDragging()) {
        DragSelect(camera, point);
        return;
    }
    if (camera) Drag(camera, point);
}

void CQxTransformTool::OnLButtonUp(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    if (!IsDragging()) {
        EndSelect(camera, point);
        return;
    }
    EndManipulatorDrag();
    m_State = QX_TOOL_STATE_IDLE;
    PushSnapshot();
    m_Scene->EndOperation();
    m_Scene->PrepareTool();
}

void CQxTransformTool::EndManipulatorDrag() {
    if (m_DragCamera && m_DragCamera->GetWindow() && GetCapture() == m_DragCamera->GetWindow())
        ReleaseCapture();
    m_DragCamera = nullptr;
}

bool CQxTransformTool::TakeSnapshot() {
    const CQxTransformCmd::Target target = IsComponentTarget() ? CQxTransformCmd::TARGET_VERTICES
                                           : IsPivotTarget()   ? CQxTransformCmd::TARGET_PIVOTS
                                                               : CQxTransformCmd::TARGET_OBJECTS;
    m_Snapshot.reset(NewCmd());
    m_IsChanged = false;
    CQxSelects extras;
    if (target == CQxTransformCmd::TARGET_OBJECTS) GetSnapshotExtras(extras);
    if (!extras.IsEmpty()) {
        CQxSelects all(m_Selects);
        all.Merge(extras);
        if (m_Snapshot->Capture(all, target)) return true;
    } else if (m_Snapshot->Capture(m_Selects, target)) {
        return true;
    }
    m_Snapshot.reset();
    return false;
}

int CQxTransformTool::PushSnapshot() {
    std::unique_ptr<CQxTransformCmd> cmd = std::move(m_Snapshot);
    const bool changed = m_IsChanged;
    m_IsChanged = false;
    if (!cmd || !changed || !cmd->Finish()) return 0;
    const int vertices = cmd->GetTarget() == CQxTransformCmd::TARGET_VERTICES;
    m_Selects.UpdateGeometryEx(vertices, vertices);
    m_Scene->CmdManager().Push(cmd.release());
    return 1;
}

void CQxTransformTool::CancelDrag() {
    EndManipulatorDrag();
    if (m_Snapshot && m_IsChanged) {
        m_Snapshot->Restore(1);
        m_ManipulatorPosition = m_StartPosition;
        m_ManipulatorRotation = m_StartRotation;
        PlaceManipulator();
        ResetValues();
        NotifyStep(GetModifyBits());
    }
    m_Snapshot.reset();
    m_IsChanged = false;
}

void CQxTransformTool::EndOperation() {
    if (IsDragging()) CancelDrag();
    CQxSelectTool::EndOperation();
}

// --- Numeric entry --------------------------------------------------------------------------------

bool CQxTransformTool::BeginChange() {
    if (!m_Scene) return false;
    m_Scene->EndOperation();
    return TakeSnapshot();
}

int CQxTransformTool::EndChange() {
    m_IsChanged = true;
    const unsigned int bits = GetModifyBits();
    if (!PushSnapshot()) return 0;
    m_Scene->UpdateGui(QX_UPDATE_TRANSFORM, &m_Selects,
                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(bits)));
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
    m_Scene->PrepareTool();
    return 1;
}

// --- Drag helpers ---------------------------------------------------------------------------------

bool CQxTransformTool::GetMouseRay(const CQxCamera& camera, CQxPoint point, CQxLine& ray) {
    CQxMatrix inverse;
    if (!QxGetInvScreenTranform(inverse, camera.WorldMatrix(), camera.ViewMatrix(), camera.ProjectionMatrix(),
                                camera.ViewPort()))
        return false;
    const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
    CQxVector nearPoint, farPoint;
    if (!inverse.TransformCoord(nearPoint, CQxVector(x, y, 0.0f)) ||
        !inverse.TransformCoord(farPoint, CQxVector(x, y, 1.0f)))
        return false;
    return ray.SetPoints(nearPoint, farPoint) != 0;
}

bool CQxTransformTool::GetDragPoint(const CQxCamera& camera, CQxPoint point, CQxVector& out) const {
    CQxLine ray;
    CQxPlane plane;
    return GetMouseRay(camera, point, ray) && plane.Set(m_HitPosition, camera.Aim() - camera.Eye()) &&
           plane.GetIntersection(out, ray);
}

float CQxTransformTool::GetAxisSign(const CQxCamera& camera, CQxPoint point) {
    CQxVector p;
    if (!GetDragPoint(camera, point, p)) return 1.0f;
    const CQxVector moved = (p - m_PrevDragPoint) * m_ManipulatorRotation.GetInverse();
    m_PrevDragPoint = p;
    return Component(moved, GetDragAxis()) < 0.0f ? -1.0f : 1.0f;
}

unsigned int CQxTransformTool::GetModifyBits() const {
    return IsPivotTarget() ? static_cast<unsigned int>(QX_MODIFY_PIVOT) : GetObjectModifyBits();
}

void CQxTransformTool::NotifyStep(unsigned int modifyBits) {
    m_Scene->UpdateGui(QX_UPDATE_NUMERICAL);
    m_Scene->UpdateGui(QX_UPDATE_TRANSFORM, &m_Selects,
                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(modifyBits)));
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}
