#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/selection/uv_select.h"

namespace {

bool IsKnownMode(QX_SELECT_MODE mode) {
    return mode == QX_SELECT_REPLACE || mode == QX_SELECT_ADD || mode == QX_SELECT_TOGGLE;
}

// Every entry point ends the same way: the tools re-read the selection, and the host hears of it.
// Every change above went through the objects' selection methods, so their records of what they
// selected still hold: the tool managers are prepared directly, not through the scene's
// PrepareTool, which makes the objects forget them.
void EndSelection(CQxScene& scene, int update) {
    scene.ToolManager().PrepareTool();
    scene.UVToolManager().PrepareTool();
    scene.GraphToolManager().PrepareTool();
    if (!update) return;
    scene.UpdateGui(QX_UPDATE_SELECT);
    scene.UpdateGui(QX_UPDATE_REDRAW);
}

} // namespace

void CQxScene::SelectObject(const CQxSelect& select, QX_SELECT_MODE mode, int update) {
    CQxObject* object = select.Object();
    if (object && IsKnownMode(mode)) {
        const QX_SELECT_TYPE type = ToolManager().GetCurSelect();
        if (mode == QX_SELECT_REPLACE) RootModel().Select(0, 1);
        if (type == QX_SELECT_COMPONENT) {
            if (mode == QX_SELECT_TOGGLE)
                select.ToggleSelectComponents();
            else
                select.SelectComponents(1);
        } else {
            // The object's own flag, even for a handle record.
            const int deep = type == QX_SELECT_TREE ? 1 : 0;
            if (mode == QX_SELECT_TOGGLE)
                object->ToggleSelect(deep);
            else
                object->Select(1, deep);
        }
    }
    EndSelection(*this, update);
}

void CQxScene::SelectObjects(const CQxSelects& selects, QX_SELECT_MODE mode, int update) {
    if (IsKnownMode(mode)) {
        const QX_SELECT_TYPE type = ToolManager().GetCurSelect();
        if (mode == QX_SELECT_REPLACE) RootModel().Select(0, 1);
        if (type == QX_SELECT_COMPONENT) {
            if (mode == QX_SELECT_TOGGLE)
                selects.ToggleSelectComponents();
            else
                selects.SelectComponents(1);
        } else if (type == QX_SELECT_TREE) {
            // A subtree is selected once, from its topmost record: a toggle would otherwise flip
            // a child back.
            CQxSelects tops(selects);
            tops.RemoveChildObjects();
            if (mode == QX_SELECT_TOGGLE)
                tops.ToggleSelectObjects(1);
            else
                tops.SelectObjects(1, 1);
        } else {
            if (mode == QX_SELECT_TOGGLE)
                selects.ToggleSelectObjects(0);
            else
                selects.SelectObjects(1, 0);
        }
    }
    EndSelection(*this, update);
}

void CQxScene::UnselectObejcts(int update) {
    RootModel().Select(0, 1);
    EndSelection(*this, update);
}

void CQxScene::SelectObjectHandles(const CQxSelects& selects, QX_SELECT_MODE mode, int update) {
    if (!selects.HasHandleOnly()) return;
    if (IsKnownMode(mode) && ToolManager().GetCurSelect() != QX_SELECT_COMPONENT) {
        if (mode == QX_SELECT_REPLACE) RootModel().SelectHandle(0, 1);
        // Every record is a handle record, so these reach the handle flags.
        if (mode == QX_SELECT_TOGGLE)
            selects.ToggleSelectObjects(0);
        else
            selects.SelectObjects(1, 0);
    }
    EndSelection(*this, update);
}

void CQxScene::UnselectObjectHandles(int update) {
    RootModel().SelectHandle(0, 1);
    EndSelection(*this, update);
}

void CQxScene::SelectUVs(const CQxUVSelects& selects, QX_SELECT_MODE mode, int update) {
    if (mode == QX_SELECT_REPLACE) {
        m_RootModel.SelectUVs(0, 1);
        selects.SelectUVs(1);
    } else if (mode == QX_SELECT_ADD) {
        selects.SelectUVs(1);
    } else if (mode == QX_SELECT_TOGGLE) {
        selects.ToggleSelectUVs();
    } else {
        return;
    }
    PrepareTool();
    if (update) UpdateGui(QX_UPDATE_UV_SELECT);
}

void CQxScene::UnselectUVs(int update) {
    m_RootModel.SelectUVs(0, 1);
    PrepareTool();
    if (update) UpdateGui(QX_UPDATE_UV_SELECT);
}
