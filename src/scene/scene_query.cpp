#include <cfloat>
#include <climits>

#include "qx/math/stacks.h"
#include "qx/platform/clipboard.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/views/camera.h"

using namespace QxWin;

namespace {

// The first name the format gives for n = 1, 2, ... that no object of the tree carries.
template <class... Args>
const char* FirstFreeName(const CQxObject& root, CQxString& name, const char* format, Args... args) {
    for (int n = 1; n < INT_MAX; ++n) {
        name.Format(format, args..., n);
        if (!root.FindName(name)) return name;
    }
    return name; // every number taken: not reachable with a real tree
}

const char* Text(const char* text) {
    return text ? text : "";
}

} // namespace

// --- Names --------------------------------------------------------------------------------------

const char* CQxScene::CalcUniqueObjectName(const char* base) {
    static CQxString name;
    return FirstFreeName(m_RootModel, name, "%s%d", Text(base));
}

const char* CQxScene::CalcUniqueCloneName(const char* base) {
    static CQxString name;
    return FirstFreeName(m_RootModel, name, "%s-%s%d", Text(base), "Clone");
}

const char* CQxScene::CalcUniqueDuplicateName(const char* base) {
    static CQxString name;
    return FirstFreeName(m_RootModel, name, "%s-%s%d", Text(base), "Dup");
}

// --- Queries ------------------------------------------------------------------------------------

CQxModel* CQxScene::GetCurModel() {
    CQxArray<CQxModel*> models;
    m_RootModel.GetModels(models, 1);
    if (models.GetSize() == 1) return models[0];
    models.Empty();
    m_RootModel.GetSelectModels(models, 1);
    return models.GetSize() == 1 ? models[0] : nullptr;
}

int CQxScene::IsDeletable() const {
    return m_RootModel.HasChildSelect(1);
}

int CQxScene::IsCopyable() const {
    return m_RootModel.HasEdgeFaceSelect(1);
}

int CQxScene::IsCuttable() const {
    return m_RootModel.HasEdgeFaceSelect(1);
}

unsigned int CQxScene::GetCopyFormat() {
    static const unsigned int format = RegisterClipboardFormatA("Kelmora Clipboard Format");
    return format;
}

int CQxScene::IsComponentSelect() const {
    return m_ToolManager.GetCurSelect() == QX_SELECT_COMPONENT;
}

// --- Pick tests ---------------------------------------------------------------------------------

void CQxScene::PreparePicks() const {
    for (auto it = m_RootModel.Begin(); !it.IsEnd(); ++it) it->Mesh().PreparePicks();
}

int CQxScene::IsObjectTreePointHit(unsigned int mask, int handle, const CQxPoint& point,
                                   const CQxCamera& camera, CQxVector& pos, CQxSelect& select) {
    float best = FLT_MAX;
    CQxMatrixStack stack(camera.WorldMatrix());
    return m_RootModel.IsTreePointHit(mask, IsObjectMode(), handle, point, best, camera.ViewPort(), stack,
                                      camera.ViewMatrix(), camera.ProjectionMatrix(), pos, select);
}

int CQxScene::IsObjectTreeRectHit(unsigned int mask, int deep, int handle, const CQxRect& rect,
                                  const CQxCamera& camera, CQxSelects& selects) {
    CQxMatrixStack stack(camera.WorldMatrix());
    return m_RootModel.IsTreeRectHit(mask, deep, IsObjectMode(), handle, rect, camera.ViewPort(), stack,
                                     camera.ViewMatrix(), camera.ProjectionMatrix(), selects);
}

int CQxScene::IsFrontHandleTreePointHit(unsigned int mask, const CQxPoint& point, const CQxCamera& camera,
                                        CQxVector& pos, CQxSelect& select) {
    if (IsComponentSelect()) return 0;
    float best = FLT_MAX;
    CQxMatrixStack stack(camera.WorldMatrix());
    return m_RootModel.IsHandleTreePointHit(mask, point, best, camera.ViewPort(), stack, camera.ViewMatrix(),
                                            camera.ProjectionMatrix(), pos, select);
}

int CQxScene::IsFrontJointTreePointHit(unsigned int mask, const CQxPoint& point, const CQxCamera& camera,
                                       CQxVector& pos, CQxSelect& select) {
    if (IsComponentSelect() || !m_IsDrawJointsFront) return 0;
    float best = FLT_MAX;
    CQxMatrixStack stack(camera.WorldMatrix());
    return m_RootModel.IsJointTreePointHit(mask, point, best, camera.ViewPort(), stack, camera.ViewMatrix(),
                                           camera.ProjectionMatrix(), pos, select);
}

void CQxScene::ClearAnimatedUndo() {
    CQxArray<CQxModel*> models;
    m_RootModel.GetModels(models, 1);
    for (CQxModel* model : models) m_CmdManager.ClearAnimatedUndo(model->Anim());
}
