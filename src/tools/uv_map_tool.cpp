// The UV-map tool: a face pick in a 3D view that projects the picked faces' texture coordinates.
#include "qx/commands/cmd_run.h"
#include "qx/commands/uv_cmds.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/tools/uv_tools.h"
#include "qx/views/camera.h"

void CQxUVMapTool::OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_SELECT || !camera || !m_Scene) return;
    CQxComponentSelectTool::OnLButtonUp(camera, flags, point);
    CQxSelects selects;
    m_Scene->RootModel().GetSelects(selects, 1);
    selects.ExtractFaces();
    if (selects.IsEmpty()) return;
    QxRunCmd<CQxUVMapCmd>(*m_Scene, [&](CQxUVMapCmd& cmd) { return cmd.CreateMap(selects, *camera, 1); });
}
