#include <algorithm>
#include <cmath>
#include <memory>

#include "qx/basis/msg_box.h"
#include "qx/commands/cmd_manager.h"
#include "qx/commands/joint_cmds.h"
#include "qx/platform/input_state.h"
#include "qx/platform/message.h"
#include "qx/platform/module.h"
#include "qx/platform/timer.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"
#include "qx/selection/select.h"
#include "qx/tools/joint_tools.h"
#include "qx/views/camera.h"

using namespace QxWin;

namespace {

// The stroke runs on window timer 1, re-armed with period 0 after every step, as the camera
// drags do.
constexpr UINT_PTR kStrokeTimer = 1;
constexpr unsigned int kCursorSmall = 101;
constexpr unsigned int kCursorLarge = 102;
constexpr float kRadiusSmall = 15.0f;
constexpr float kRadiusLarge = 23.0f;
// What the brush takes for "on the object": free edges, side outlines and faces.
constexpr unsigned int kObjectHitMask = 26;

unsigned long GreyColor(float weight) {
    const auto grey = static_cast<unsigned long>(std::clamp(weight, 0.0f, 1.0f) * 255.0f);
    return 0xFF000000UL | (grey << 16) | (grey << 8) | grey;
}

// The slot holding the bone with a weight above 0, or -1.
int FindSlot(const CQxVertexBones& bones, unsigned int bone) {
    for (int k = 0; k < 4; ++k)
        if (bones.Indices[k] == bone && bones.Weights[k] > 0.0f) return k;
    return -1;
}

} // namespace

CQxWeightPaintTool::CQxWeightPaintTool(CQxScene* scene) : CQxWeightPaintTool(scene, "QxDurerive") {}

CQxWeightPaintTool::CQxWeightPaintTool(CQxScene* scene, const char* module) : CQxSelectTool(scene) {
    LoadCursors(module);
}

CQxWeightPaintTool::~CQxWeightPaintTool() {
    if (m_State == QX_TOOL_STATE_PAINT) StopStroke();
}

void CQxWeightPaintTool::LoadCursors(const char* module) {
    const HMODULE instance = GetModuleHandleA(module);
    const unsigned int ids[2] = {kCursorSmall, kCursorLarge};
    for (int k = 0; k < 2; ++k)
        m_Cursors[k] = static_cast<HCURSOR>(
            LoadImageA(instance, MAKEINTRESOURCEA(ids[k]), IMAGE_CURSOR, 0, 0, LR_MONOCHROME));
    // The tool still paints; it keeps whatever cursor the view has.
    if (!m_Cursors[0] || !m_Cursors[1])
        QxMsgBox("カーソルの読み込みに失敗しました.", "ツール初期化", MB_OK, nullptr);
}

// --- Weight display -------------------------------------------------------------------------------

void CQxWeightPaintTool::PrepareTool() {
    if (!m_Scene) return;
    CQxModel& root = m_Scene->RootModel();
    CQxSelects selects;
    root.GetSelects(selects, 1);
    CQxObject* shown = nullptr;
    for (const CQxSelect* record : selects.Selects())
        if (record->Object() && record->Object()->IsSkinned()) {
            shown = record->Object();
            break;
        }
    // Only the objects whose mode changes are rebuilt: the one shown keeps its weights on screen.
    for (auto it = root.Begin(); !it.IsEnd(); ++it)
        if (it.Get() != shown && it->Mode() != QX_OBJ_MODE_NORMAL) it->SetMode(QX_OBJ_MODE_NORMAL, 0);
    if (shown) shown->SetMode(QX_OBJ_MODE_WEIGHT, 0);
    m_Scene->UpdateGui(QX_UPDATE_WEIGHT);
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}

void CQxWeightPaintTool::ClearTool() {
    CQxSelectTool::ClearTool();
    if (!m_Scene) return;
    m_Scene->RootModel().SetMode(QX_OBJ_MODE_NORMAL, 1);
    m_Scene->UpdateGui(QX_UPDATE_WEIGHT);
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}

void CQxWeightPaintTool::ShowColors() {
    if (m_Object) m_Object->UpdateWeightColors(m_Colors);
}

// --- Stroke ---------------------------------------------------------------------------------------

void CQxWeightPaintTool::OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    if (!m_Scene || !camera) return;
    CQxVector position;
    CQxSelect hit;
    CQxObject* object = nullptr;
    if (m_Scene->IsObjectTreePointHit(kObjectHitMask, 0, point, *camera, position, hit))
        object = hit.Object();
    if (!object || object->Mode() != QX_OBJ_MODE_WEIGHT || !object->IsSkinned() ||
        object->Mesh().Vertices().IsEmpty()) {
        CQxSelectTool::OnLButtonDown(camera, flags, point);
        return;
    }
    m_Scene->EndOperation();
    BeginStroke(camera, object, point);
}

void CQxWeightPaintTool::BeginStroke(CQxCamera* camera, CQxObject* object, CQxPoint point) {
    m_State = QX_TOOL_STATE_PAINT;
    m_Object = object;
    m_Camera = camera;
    m_Window = camera->GetWindow();
    m_LastPoint = point;
    const int large = QxWeightPaintSize() != QX_SIZE_SMALL;
    m_Radius = large ? kRadiusLarge : kRadiusSmall;

    const unsigned int bone = object->CurBone();
    const unsigned int count = object->Mesh().Vertices().GetCount();
    m_Vertices.clear();
    m_Positions.clear();
    m_Before.assign(count, CQxVertexBones());
    m_Weights.assign(count, 0.0f);
    m_Applied.assign(count, 0.0f);
    m_Changed.assign(count, 0);
    m_Colors.Empty();
    m_Colors.Reserve(count);
    for (CQxVertex& v : object->Mesh().Vertices()) {
        const auto i = static_cast<unsigned int>(m_Vertices.size());
        m_Vertices.push_back(&v);
        m_Positions.emplace(&v, i);
        unsigned long color = 0xFF000000UL;
        if (const CQxVertexBones* bones = v.Bones()) {
            m_Before[i] = *bones;
            if (const int slot = FindSlot(*bones, bone); slot >= 0) {
                m_Weights[i] = bones->Weights[slot];
                color = GreyColor(m_Weights[i]);
            }
        }
        m_Colors.PushBack(color);
    }
    m_Falloff.ClearNodes();
    if (QxWeightPaintStroke() == QX_STROKE_SOFT) {
        m_Falloff.InsertNode(0.0f, 1.0f);
        m_Falloff.InsertNode(m_Radius * 0.25f, 1.0f);
        m_Falloff.InsertNode(m_Radius, 0.0f);
        m_Falloff.UpdateEquations(0);
    }
    if (!m_Window) return;
    SetCapture(m_Window);
    if (HCURSOR cursor = m_Cursors[large]) {
        m_PrevCursor = SetCursor(cursor);
        m_IsCursorSet = true;
    }
    m_Timer = static_cast<unsigned int>(SetTimer(m_Window, kStrokeTimer, 0, nullptr));
}

void CQxWeightPaintTool::OnTimer(CQxCamera* camera, unsigned int id) {
    if (m_State != QX_TOOL_STATE_PAINT) {
        CQxSelectTool::OnTimer(camera, id);
        return;
    }
    if (camera && camera == m_Camera) StepStroke(camera);
    if (!m_Window) return;
    if (m_Timer) KillTimer(m_Window, m_Timer);
    m_Timer = static_cast<unsigned int>(SetTimer(m_Window, kStrokeTimer, 0, nullptr));
}

void CQxWeightPaintTool::StepStroke(CQxCamera* camera) {
    POINT cursor{0, 0};
    if (!m_Window || !m_Object || !GetCursorPos(&cursor) || !ScreenToClient(m_Window, &cursor)) return;
    const CQxPoint point(cursor.x, cursor.y);
    if (point.x == m_LastPoint.x && point.y == m_LastPoint.y) return;
    m_LastPoint = point;

    const CQxMatrix world = m_Object->GetTransformToRoot(QX_TF_ALL, 0) * camera->WorldMatrix();
    CQxArray<CQxVertex*> hits;
    CQxArray<float> falloffs;
    if (!m_Object->Mesh().IsCircleHit(point, m_Radius, camera->ViewPort(), world, camera->ViewMatrix(),
                                      camera->ProjectionMatrix(), hits, falloffs))
        return;
    std::vector<unsigned int> inside;
    inside.reserve(hits.GetSize());
    for (CQxVertex* v : hits) inside.push_back(m_Positions.at(v));

    const QX_PAINT_MODE mode = QxWeightPaintMode();
    const float depth = QxWeightPaintDepth();
    const float opacity = QxWeightPaintOpacity();
    const bool hard = QxWeightPaintStroke() == QX_STROKE_HARD;
    if (mode == QX_PAINT_SMOOTH) {
        float sum = 0.0f;
        for (unsigned int i : inside) sum += m_Weights[i];
        const float mean = sum / static_cast<float>(inside.size());
        for (unsigned int i : inside) {
            if (m_Changed[i]) continue;
            m_Changed[i] = 1;
            WriteWeight(i, (mean + m_Weights[i]) * 0.5f);
        }
    } else {
        for (unsigned int h = 0; h < inside.size(); ++h) {
            const unsigned int i = inside[h];
            const float w = m_Weights[i];
            // The hit gives 1 - d / radius; the brush wants d back.
            const float d = m_Radius * (1.0f - falloffs[h]);
            float t = w;
            if (hard || d == 0.0f) {
                if (m_Changed[i]) continue;
                m_Applied[i] = 1.0f;
                t = mode == QX_PAINT_REPLACE ? depth : mode == QX_PAINT_ADD ? w + depth : w * depth;
            } else {
                float f = 0.0f;
                m_Falloff.CalcY(d, f);
                f = std::clamp(f, 0.0f, 1.0f);
                if (f < m_Applied[i]) continue;
                m_Applied[i] = f;
                t = mode == QX_PAINT_REPLACE ? f * depth + (1.0f - f) * w
                    : mode == QX_PAINT_ADD   ? f * depth + w
                                             : w * std::pow(depth, f);
            }
            t = std::clamp(t, 0.0f, 1.0f);
            m_Changed[i] = 1;
            const float painted = t * opacity + (1.0f - opacity) * w;
            if (painted != w) WriteWeight(i, painted);
        }
    }
    ShowColors();
    camera->Invalidate(nullptr, 0);
    if (!m_Scene->IsPlaying()) UpdateWindow(m_Window);
}

void CQxWeightPaintTool::WriteWeight(unsigned int vertex, float weight) {
    CQxVertexBones* bones = m_Vertices[vertex]->Bones();
    if (!bones) return;
    const unsigned int bone = m_Object->CurBone();
    int slot = FindSlot(*bones, bone);
    if (slot < 0) {
        // The bone takes over the slot with the least influence.
        slot = 0;
        for (int k = 1; k < 4; ++k)
            if (bones->Weights[k] < bones->Weights[slot]) slot = k;
        bones->Indices[slot] = static_cast<unsigned char>(bone);
    }
    bones->Weights[slot] = weight;
    // The other influences share what is left in their old proportions.
    const float rest = 1.0f - weight;
    float sum = 0.0f;
    for (int k = 0; k < 4; ++k)
        if (k != slot) sum += bones->Weights[k];
    for (int k = 0; k < 4; ++k) {
        if (k == slot) continue;
        if (rest == 0.0f)
            bones->Weights[k] = 0.0f;
        else if (sum > 0.0f)
            bones->Weights[k] *= rest / sum;
    }
    // With no other influence the vertex stays wholly on this bone.
    if (rest != 0.0f && !(sum > 0.0f)) bones->Weights[slot] = 1.0f;
    m_Weights[vertex] = bones->Weights[slot];
    m_Colors[vertex] = GreyColor(m_Weights[vertex]);
}

void CQxWeightPaintTool::StopStroke() {
    if (m_Window) {
        if (m_Timer) KillTimer(m_Window, m_Timer);
        if (GetCapture() == m_Window) ReleaseCapture();
        if (m_IsCursorSet) SetCursor(m_PrevCursor);
    }
    m_Timer = 0;
    m_PrevCursor = nullptr;
    m_IsCursorSet = false;
    m_Window = nullptr;
    m_Camera = nullptr;
}

void CQxWeightPaintTool::OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_PAINT) {
        CQxSelectTool::OnLButtonUp(camera, flags, point);
        return;
    }
    StopStroke();
    auto cmd = std::make_unique<CQxWeightPaintCmd>(m_Scene);
    if (cmd->Create(m_Object, m_Before, 1)) m_Scene->CmdManager().Push(cmd.release());
    m_Object = nullptr;
    m_State = QX_TOOL_STATE_IDLE;
    m_Scene->PrepareTool();
}

void CQxWeightPaintTool::EndOperation() {
    // A stroke ended from outside is taken back and leaves no command.
    if (m_State == QX_TOOL_STATE_PAINT) {
        StopStroke();
        if (m_Object) {
            for (unsigned int i = 0; i < m_Vertices.size(); ++i)
                if (m_Changed[i] && m_Vertices[i]->Bones()) *m_Vertices[i]->Bones() = m_Before[i];
            m_Object->UpdateGeometry();
        }
        m_Object = nullptr;
    }
    CQxSelectTool::EndOperation();
}
