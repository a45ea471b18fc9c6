// The scene's animation state in motion: evaluation at the current frame, playback on the task
// manager's clock, frame drags, and the key, tangent, frame and create-flag commands.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "qx/animation/anim.h"
#include "qx/animation/anim_cmds.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

void NotifyScene(CQxScene& scene, unsigned int bits) {
    scene.UpdateGui(QX_UPDATE_SCENE, reinterpret_cast<void*>(static_cast<std::uintptr_t>(bits)));
}

// What channels an object's entry animates: 1 scale, 2 rotation, 4 translation, 8 pivot.
template <class Channels>
std::uintptr_t ChannelMask(const Channels& channels) {
    std::uintptr_t mask = 0;
    for (const auto& channel : channels)
        if (channel.Key >= QX_ANIM_ITEM_SCALE_X && channel.Key <= QX_ANIM_ITEM_PIVOT_Z)
            mask |= std::uintptr_t{1} << ((channel.Key - QX_ANIM_ITEM_SCALE_X) / 3);
    return mask;
}

} // namespace

// --- Evaluation ---------------------------------------------------------------------------------------

void CQxScene::Animate(int notifyScene, int notifyObjects) {
    CQxArray<CQxModel*> models;
    m_RootModel.GetModels(models, 1);
    for (CQxModel* model : models) model->Anim().Animate(m_CurFrame);
    if (notifyObjects) {
        for (CQxModel* model : models) {
            for (auto& entry : model->Anim().ObjectItems()) {
                const std::uintptr_t mask = ChannelMask(entry.Value);
                if (!mask) continue;
                CQxSelects object(entry.Key);
                UpdateGui(QX_UPDATE_TRANSFORM, &object, reinterpret_cast<void*>(mask));
            }
        }
    }
    if (notifyScene) UpdateGui(QX_UPDATE_REDRAW);
}

int CQxScene::TrackCurFrame(float frame, int update) {
    if (!std::isfinite(frame) || frame == m_CurFrame) return 0;
    m_CurFrame = frame;
    Animate(update, update);
    if (update) NotifyScene(*this, QX_SCENE_CUR_FRAME);
    return 1;
}

// --- Frame drags and playback --------------------------------------------------------------------------

int CQxScene::StartTrackCurFrame(float frame, int update) {
    EndOperation();
    ClearAnimatedUndo();
    m_PlayStartFrame = frame;
    m_IsAnimating = 1;
    if (update) UpdateGui(QX_UPDATE_REDRAW);
    return 1;
}

int CQxScene::EndTrackCurFrameCmd(float frame, int update) {
    m_IsAnimating = 0;
    const int pushed = QxRunCmd<CQxSceneAttributeCmd>(
        *this, [&](CQxSceneAttributeCmd& cmd) { return cmd.CreateEndPlay(frame, update); });
    if (pushed && update) UpdateGui(QX_UPDATE_REDRAW);
    return pushed;
}

int CQxScene::StartPlay(int forward, int update) {
    m_IsPlayForward = forward ? 1 : 0;
    EndOperation();
    ClearAnimatedUndo();
    m_PlayStartFrame = m_CurFrame;
    m_AnimTask = new CQxPlayTask(this);
    m_TaskManager.PushTask(m_AnimTask);
    m_TaskManager.Run();
    m_IsAnimating = 1;
    if (update) {
        UpdateGui(QX_UPDATE_PLAY);
        UpdateGui(QX_UPDATE_REDRAW);
    }
    return 1;
}

int CQxScene::EndPlayCmd(int update) {
    if (!m_TaskManager.IsRunning()) return 0;
    m_IsAnimating = 0;
    m_TaskManager.Stop();
    if (m_AnimTask) {
        m_TaskManager.PopTask(m_AnimTask);
        m_AnimTask = nullptr;
    }
    const float frame = m_CurFrame;
    QxRunCmd<CQxSceneAttributeCmd>(*this, [&](CQxSceneAttributeCmd& cmd) { return cmd.CreateEndPlay(frame, update); });
    if (update) {
        UpdateGui(QX_UPDATE_PLAY);
        UpdateGui(QX_UPDATE_REDRAW);
    }
    return 1;
}

void CQxPlayTask::Execute(const float& time) {
    CQxScene& scene = *m_Scene;
    if (m_IsFirst) {
        // Play starts over from the near end of the range when it stands at or past the far one.
        const float first = scene.FirstFrame(), last = scene.LastFrame();
        float& frame = scene.CurFrame();
        const bool forward = scene.IsPlayForward();
        const float restart = forward ? first : last;
        if (forward ? (frame < first || !(frame < last)) : (!(frame > first) || frame > last)) {
            frame = restart;
            scene.Animate(1, 0);
            scene.UpdateViewWindows();
            NotifyScene(scene, QX_SCENE_CUR_FRAME);
        }
        m_StartTime = time;
        m_StartFrame = frame;
        m_IsFirst = 0;
        CQxTask::Execute(time);
        return;
    }
    Advance((time - m_StartTime) * scene.Fps());
    if (Status() == STATUS_FINISHED) return;
    scene.Animate(1, 0);
    scene.UpdateViewWindows();
    NotifyScene(scene, QX_SCENE_CUR_FRAME);
    CQxTask::Execute(time);
}

void CQxPlayTask::Advance(float d) {
    CQxScene& scene = *m_Scene;
    const float first = scene.FirstFrame(), last = scene.LastFrame(), span = last - first;
    const bool forward = scene.IsPlayForward();
    float f = forward ? m_StartFrame + d : m_StartFrame - d;
    if (scene.IsPlayRepeat()) {
        if (forward && f > last) f = first + std::fmod(f - last, span);
        if (!forward && f < first) f = last - std::fmod(first - f, span);
        scene.CurFrame() = f;
        return;
    }
    if (forward ? f < last : f > first) {
        scene.CurFrame() = f;
        return;
    }
    // The end of a play that does not repeat: the task goes, the play ends as one step.
    scene.CurFrame() = forward ? last : first;
    Status() = STATUS_FINISHED;
    scene.AnimTask() = nullptr;
    scene.EndPlayCmd(1);
}

// --- Commands ---------------------------------------------------------------------------------------------

CQxAnim* CQxScene::CreateAnimCmd(CQxModel* /*model*/, int /*update*/) {
    return nullptr;
}

int CQxScene::DeleteAnimCmd(CQxModel* /*model*/, CQxAnim* /*anim*/, int /*update*/) {
    EndOperation();
    return QxRunCmd<CQxDeleteAnimCmd>(*this, [](CQxDeleteAnimCmd&) { return 1; });
}

int CQxScene::DeleteAnimsAllCmd(CQxModel* model, int update) {
    return DeleteAnimCmd(model, nullptr, update);
}

int CQxScene::CreateKeyCmd(CQxModel* model, int update) {
    EndOperation();
    return QxRunCmd<CQxAnimAttributeCmd>(*this, [&](CQxAnimAttributeCmd& cmd) { return cmd.CreateKeys(model, update); });
}

int CQxScene::DeleteCurKeyCmd(CQxModel* model, int update) {
    EndOperation();
    CQxAnimItemSelects keys;
    if (model) model->Anim().GetKeyNodes(keys, m_CurFrame);
    return QxRunCmd<CQxAnimAttributeCmd>(*this,
                                         [&](CQxAnimAttributeCmd& cmd) { return cmd.DeleteKeys(model, keys, update); });
}

int CQxScene::DeleteSelectKeysCmd(CQxModel* model, int update) {
    EndOperation();
    CQxAnimItemSelects keys;
    if (model) model->Anim().GetSelectNodes(keys);
    return QxRunCmd<CQxAnimAttributeCmd>(*this,
                                         [&](CQxAnimAttributeCmd& cmd) { return cmd.DeleteKeys(model, keys, update); });
}

int CQxScene::MoveKeysCmd(CQxModel* model, const CQxVector2D& offset, const CQxAnimItemSelects& selects, int update) {
    EndOperation();
    return QxRunCmd<CQxAnimAttributeCmd>(
        *this, [&](CQxAnimAttributeCmd& cmd) { return cmd.MoveKeys(model, offset, selects, update); });
}

int CQxScene::SeparateSelectTansCmd(CQxModel* model, int separate, int update) {
    EndOperation();
    CQxAnimItemSelects keys;
    if (model) model->Anim().GetSelectNodes(keys);
    keys.ExtrudeSeparate(separate);
    return QxRunCmd<CQxAnimAttributeCmd>(
        *this, [&](CQxAnimAttributeCmd& cmd) { return cmd.Separate(model, keys, separate, update); });
}

int CQxScene::SetSelectTanTypesCmd(CQxModel* model, QX_TAN_TYPE type, int update) {
    EndOperation();
    CQxAnimItemSelects tangents;
    if (model) model->Anim().GetSelectSubItems(tangents);
    tangents.ExtrudeTanTypes(type);
    return QxRunCmd<CQxAnimAttributeCmd>(
        *this, [&](CQxAnimAttributeCmd& cmd) { return cmd.SetTanTypes(model, tangents, type, update); });
}

int CQxScene::SetFirstFrameCmd(float frame, int update) {
    EndOperation();
    return QxRunCmd<CQxSceneAttributeCmd>(*this,
                                          [&](CQxSceneAttributeCmd& cmd) { return cmd.CreateFirstFrame(frame, update); });
}

int CQxScene::SetLastFrameCmd(float frame, int update) {
    EndOperation();
    return QxRunCmd<CQxSceneAttributeCmd>(*this,
                                          [&](CQxSceneAttributeCmd& cmd) { return cmd.CreateLastFrame(frame, update); });
}

int CQxScene::SetCurFrameCmd(float frame, int update) {
    EndOperation();
    return QxRunCmd<CQxSceneAttributeCmd>(*this,
                                          [&](CQxSceneAttributeCmd& cmd) { return cmd.CreateCurFrame(frame, update); });
}

int CQxScene::SetAnimItemCreateFlagsCmd(const int flags[AnimItemCreateFlagCount], int update) {
    EndOperation();
    return QxRunCmd<CQxSceneAttributeCmd>(*this,
                                          [&](CQxSceneAttributeCmd& cmd) { return cmd.CreateFlags(flags, update); });
}

// --- Selecting items and keys (not undoable) ---------------------------------------------------------

namespace {

void Selected(CQxScene& scene, CQxModel* model, int update) {
    scene.PrepareTool();
    if (update) scene.UpdateGui(QX_UPDATE_ANIM_ITEM_SELECT, model);
}

} // namespace

void CQxScene::SelectAnimItem(CQxModel* model, const CQxAnimItemSelect& select, QX_SELECT_MODE mode, int update) {
    CQxAnimItemSelects one;
    one.Add(select);
    SelectAnimItems(model, one, mode, update);
}

void CQxScene::SelectAnimItems(CQxModel* model, const CQxAnimItemSelects& selects, QX_SELECT_MODE mode, int update) {
    if (!model) return;
    // An unknown mode changes nothing, yet the tools and the host still hear of the attempt.
    if (mode == QX_SELECT_REPLACE) model->Anim().SelectItems(0);
    if (mode == QX_SELECT_TOGGLE) selects.ToggleSelect();
    else if (mode <= QX_SELECT_ADD) selects.Select(1);
    Selected(*this, model, update);
}

void CQxScene::SelectAnimItems(CQxModel* model, void* target, QX_ANIM_SELECT_TYPE type, QX_SELECT_MODE mode,
                               int update) {
    if (!model) return;
    if (mode == QX_SELECT_REPLACE) model->Anim().SelectItems(0);
    if (mode == QX_SELECT_TOGGLE) model->Anim().ToggleSelectItems(type, target);
    else if (mode <= QX_SELECT_ADD) model->Anim().SelectItems(1, type, target);
    Selected(*this, model, update);
}

void CQxScene::UnselectAnimItem(CQxModel* model, int update) {
    if (!model) return;
    model->Anim().SelectItems(0);
    Selected(*this, model, update);
}

void CQxScene::SetCurAction(CQxModel* model, CQxAction* action, int update) {
    EndOperation();
    if (!model || !action || model->CurAction() == action) return;
    const auto& actions = model->Actions();
    if (std::none_of(actions.begin(), actions.end(), [&](const CQxAction& a) { return &a == action; })) return;
    model->CurAction() = action;
    if (update) UpdateGui(QX_UPDATE_CUR_ACTION, model, action);
}
