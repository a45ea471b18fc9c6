#include "qx/commands/cmd_run.h"
#include "qx/commands/material_cmds.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/tools/modelling_tools.h"
#include "qx/views/camera.h"

namespace {

// Faces only.
constexpr unsigned int kFaceHitMask = 16;

// The face under a client point, with its object; false for none.
bool PickFace(CQxScene& scene, const CQxCamera& camera, CQxPoint point, CQxSelect& hit) {
    CQxVector position;
    return scene.IsObjectTreePointHit(kFaceHitMask, 0, point, camera, position, hit) && hit.Object() &&
           hit.HasFaces();
}

} // namespace

void CQxMaterialTool::OnLButtonDown(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    if (!m_Scene || !camera || m_State != QX_TOOL_STATE_IDLE) return;
    m_Scene->EndOperation();
    CQxSelect hit;
    if (!PickFace(*m_Scene, *camera, point, hit)) return;
    CQxModel* model = hit.Object()->GetModel();
    if (!model) return;
    CQxAttribute* material = model->CurAttribute();
    QxRunCmd<CQxSetAttributeCmd>(*m_Scene, [&](CQxSetAttributeCmd& cmd) {
        return cmd.CreateFace(model, material, hit.Object(), hit.Faces()[0], 1);
    });
}

void CQxShadeTool::OnLButtonDown(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    if (!m_Scene || !camera || m_State != QX_TOOL_STATE_IDLE) return;
    m_Scene->EndOperation();
    CQxSelect hit;
    if (!PickFace(*m_Scene, *camera, point, hit)) return;
    CQxSelect face(hit.Object());
    face.Faces().PushBack(hit.Faces()[0]);
    const CQxSelects records(face);
    QxRunCmd<CQxShadeCmd>(*m_Scene, [&](CQxShadeCmd& cmd) { return cmd.Create(m_Shade, records, 1); });
}
