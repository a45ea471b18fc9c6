#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "object_cmds_internal.h"
#include "qx/commands/object_cmds.h"
#include "qx/selection/select.h"
#include "qx/xml/xml_element.h"

namespace {

// The menu words of the object-attribute kinds.
constexpr std::array<const char*, 12> kAttributeNames = {
    "None",       "オブジェクト名", "スケール",       "回転",        "移動",     "ピボット",
    "再分割設定", "スキニング",     "バインドポーズ", "表示/非表示", "編集不可", "フリーズ",
};

// The object's settings that a value is exchanged with.
void ApplySubdivision(CQxObject& object, unsigned int level) {
    // A hidden object refuses the setter; the level still has to come back.
    if (!object.SetSubdivision(level) && object.SubdivisionLevel() != level) {
        object.SubdivisionLevel() = level;
        object.UpdateGraphics();
    }
}

void ApplyVisible(CQxObject& object, int visible) {
    if (!object.SetVisible(visible) && object.IsVisible() != visible) {
        object.IsVisible() = visible;
        object.UpdateGraphics();
    }
}

} // namespace

// --- Object attributes ---------------------------------------------------------------------------

struct CQxObjectAttributeCmd::FreezeEntry {
    CQxIndexPath Path;
    unsigned int MirrorFlags = 0;
    unsigned int Level = 0;
    std::unique_ptr<CQxMesh> Mesh; // the mesh not in the object: the unfrozen one after a freeze
    CQxFaceMaterials Materials;    // its face materials, by position
    // The animation of the unfrozen mesh's elements: the frozen one has other elements.
    qx_object_cmd::ElementAnimItems Anim;
};

CQxObjectAttributeCmd::CQxObjectAttributeCmd(CQxScene* scene) : CQxCmd(scene) {}

CQxObjectAttributeCmd::~CQxObjectAttributeCmd() = default;

const char* CQxObjectAttributeCmd::GetName() const {
    return m_Kind < kAttributeNames.size() ? kAttributeNames[m_Kind] : kAttributeNames[0];
}

CQxObject* CQxObjectAttributeCmd::Resolve() const {
    return m_Scene->RootModel().Find(m_Path);
}

void CQxObjectAttributeCmd::Notify(CQxObject* object, unsigned int detail) {
    CQxSelects objects(object);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_TRANSFORM, &objects, detail);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
}

int CQxObjectAttributeCmd::CreateModify(QX_MODIFY_TYPE type, CQxObject* object, const void* value,
                                        int update) {
    CQxModel& root = m_Scene->RootModel();
    if (!object || !value || !root.Find(object)) return 0;
    const auto& v = *static_cast<const CQxVector*>(value);
    switch (type) {
    case QX_MODIFY_SCALE:
        if (v == object->Scale()) return 0;
        m_Vectors[0] = object->Scale();
        object->Scale() = v;
        m_Kind = QX_OBJECT_ATTRIBUTE_SCALE;
        break;
    case QX_MODIFY_ANGLE:
        if (v == object->Angle()) return 0;
        // The quaternion is kept too: going back through the angles could round it.
        m_Vectors[0] = object->Angle();
        m_Rotate = object->Rotate();
        object->SetAngle(v);
        m_Kind = QX_OBJECT_ATTRIBUTE_ANGLE;
        break;
    case QX_MODIFY_TRANSLATE:
        if (v == object->Translate()) return 0;
        m_Vectors[0] = object->Translate();
        object->Translate() = v;
        m_Kind = QX_OBJECT_ATTRIBUTE_TRANSLATE;
        break;
    case QX_MODIFY_PIVOT:
        m_Vectors[0] = object->Pivot();
        m_Vectors[1] = object->Translate();
        if (!object->MovePivot(v)) return 0;
        m_Kind = QX_OBJECT_ATTRIBUTE_PIVOT;
        break;
    case QX_MODIFY_NAME: {
        const char* name = static_cast<const char*>(value);
        if (!*name || !QxCheckXmlContent(name) || root.FindName(name)) return 0;
        m_Name = object->GetName();
        object->SetName(name);
        m_Kind = QX_OBJECT_ATTRIBUTE_NAME;
        break;
    }
    default:
        return 0;
    }
    m_Path = QxGetIndexPath(*object);
    if (update) Notify(object, type);
    return 1;
}

int CQxObjectAttributeCmd::CreateVisible(CQxObject* object, int visible, int update) {
    if (!object || !m_Scene->RootModel().Find(object)) return 0;
    const int old = object->IsVisible();
    if (!object->SetVisible(visible)) return 0;
    m_Scalar = static_cast<unsigned int>(old);
    m_Path = QxGetIndexPath(*object);
    m_Kind = QX_OBJECT_ATTRIBUTE_VISIBLE;
    if (update) Notify(object, QX_MODIFY_VISIBLE);
    return 1;
}

int CQxObjectAttributeCmd::CreateLocked(CQxObject* object, int locked, int update) {
    if (!object || !m_Scene->RootModel().Find(object)) return 0;
    const int old = object->IsLocked();
    if (!object->SetLocked(locked)) return 0;
    m_Scalar = static_cast<unsigned int>(old);
    m_Path = QxGetIndexPath(*object);
    m_Kind = QX_OBJECT_ATTRIBUTE_LOCKED;
    if (update) Notify(object, QX_MODIFY_LOCKED);
    return 1;
}

int CQxObjectAttributeCmd::CreateSubdivision(CQxObject* object, unsigned int level, int update) {
    if (!object || !m_Scene->RootModel().Find(object)) return 0;
    const unsigned int old = object->SubdivisionLevel();
    if (!object->SetSubdivision(level)) return 0;
    m_Scalar = old;
    m_Path = QxGetIndexPath(*object);
    m_Kind = QX_OBJECT_ATTRIBUTE_SUBDIVISION;
    if (update) Notify(object, QX_MODIFY_SUBDIVISION);
    return 1;
}

int CQxObjectAttributeCmd::CreateFreeze(const CQxSelects& objects, int update) {
    CQxModel& root = m_Scene->RootModel();
    m_Materials = std::make_unique<CQxSnapshotStore>(m_Scene);
    m_Materials->IndexMaterials();
    CQxSelects frozen;
    for (const CQxSelect* record : objects.Selects()) {
        CQxObject* object = record->Object();
        if (!object || !root.Find(object) || !object->IsFreezable() || frozen.Find(object)) continue;
        auto entry = std::make_unique<FreezeEntry>();
        entry->Path = QxGetIndexPath(*object);
        entry->MirrorFlags = object->MirrorFlags();
        entry->Level = object->SubdivisionLevel();
        entry->Mesh = std::make_unique<CQxMesh>(object->Mesh());
        m_Materials->TakeMaterials(*entry->Mesh, entry->Materials);
        entry->Anim.Take(root, *object);
        if (!object->Freeze()) {
            entry->Anim.Give(root, *object);
            continue;
        }
        m_Freezes.push_back(std::move(entry));
        frozen.Add(CQxSelect(object));
    }
    if (m_Freezes.empty()) return 0;
    m_Kind = QX_OBJECT_ATTRIBUTE_FREEZE;
    if (update) {
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_MESH, &frozen, 2);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_TRANSFORM, &frozen,
                              QX_MODIFY_MIRROR | QX_MODIFY_SUBDIVISION);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return 1;
}

void CQxObjectAttributeCmd::ExchangeFreeze() {
    m_Materials->IndexMaterials();
    CQxSelects objects;
    for (auto& entry : m_Freezes) {
        CQxObject* object = m_Scene->RootModel().Find(entry->Path);
        if (!object) continue;
        auto current = std::make_unique<CQxMesh>(object->Mesh());
        CQxFaceMaterials materials;
        m_Materials->TakeMaterials(*current, materials);
        qx_object_cmd::ElementAnimItems anim;
        anim.Take(m_Scene->RootModel(), *object);
        object->DeleteGraphics();
        object->Mesh() = *entry->Mesh;
        entry->Anim.Give(m_Scene->RootModel(), *object);
        entry->Anim = std::move(anim);
        m_Materials->GiveMaterials(object->Mesh(), entry->Materials);
        std::swap(object->MirrorFlags(), entry->MirrorFlags);
        std::swap(object->SubdivisionLevel(), entry->Level);
        entry->Mesh = std::move(current);
        entry->Materials = std::move(materials);
        object->UpdateBoundBox();
        object->UpdateGraphics();
        objects.Add(CQxSelect(object));
    }
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_MESH, &objects, 2);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_TRANSFORM, &objects, QX_MODIFY_MIRROR | QX_MODIFY_SUBDIVISION);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
}

void CQxObjectAttributeCmd::Exchange(int) {
    if (m_Kind == QX_OBJECT_ATTRIBUTE_FREEZE) {
        ExchangeFreeze();
        return;
    }
    if (m_Kind == QX_OBJECT_ATTRIBUTE_SKIN) {
        ExchangeSkins();
        return;
    }
    if (m_Kind == QX_OBJECT_ATTRIBUTE_BIND_POSE) {
        ExchangeBindPose();
        return;
    }
    CQxObject* object = Resolve();
    if (!object) return;
    unsigned int detail = 0;
    switch (m_Kind) {
    case QX_OBJECT_ATTRIBUTE_NAME: {
        CQxString current(object->GetName());
        object->SetName(m_Name.GetStr());
        m_Name = std::move(current);
        detail = QX_MODIFY_NAME;
        break;
    }
    case QX_OBJECT_ATTRIBUTE_SCALE:
        std::swap(object->Scale(), m_Vectors[0]);
        detail = QX_MODIFY_SCALE;
        break;
    case QX_OBJECT_ATTRIBUTE_ANGLE:
        std::swap(object->TFParam().Angle(), m_Vectors[0]);
        std::swap(object->TFParam().Rotate(), m_Rotate);
        detail = QX_MODIFY_ANGLE;
        break;
    case QX_OBJECT_ATTRIBUTE_TRANSLATE:
        std::swap(object->Translate(), m_Vectors[0]);
        detail = QX_MODIFY_TRANSLATE;
        break;
    case QX_OBJECT_ATTRIBUTE_PIVOT:
        std::swap(object->Pivot(), m_Vectors[0]);
        std::swap(object->Translate(), m_Vectors[1]);
        object->UpdateGeometry(); // the pivot marker
        detail = QX_MODIFY_PIVOT;
        break;
    case QX_OBJECT_ATTRIBUTE_VISIBLE: {
        const int current = object->IsVisible();
        ApplyVisible(*object, static_cast<int>(m_Scalar));
        m_Scalar = static_cast<unsigned int>(current);
        detail = QX_MODIFY_VISIBLE;
        break;
    }
    case QX_OBJECT_ATTRIBUTE_LOCKED: {
        const int current = object->IsLocked();
        object->IsLocked() = static_cast<int>(m_Scalar);
        m_Scalar = static_cast<unsigned int>(current);
        detail = QX_MODIFY_LOCKED;
        break;
    }
    case QX_OBJECT_ATTRIBUTE_SUBDIVISION: {
        const unsigned int current = object->SubdivisionLevel();
        ApplySubdivision(*object, m_Scalar);
        m_Scalar = current;
        detail = QX_MODIFY_SUBDIVISION;
        break;
    }
    default:
        return;
    }
    Notify(object, detail);
}

// --- Mirror --------------------------------------------------------------------------------------

int CQxMirrorCmd::Create(CQxObject* object, unsigned int flags, int connect, int update) {
    if (!object || !m_Scene->RootModel().Find(object)) return 0;
    m_Flags = object->MirrorFlags();
    m_Connect = object->IsMirrorConnect();
    if (!object->SetMirror(flags, connect)) return 0;
    m_Path = QxGetIndexPath(*object);
    if (update) {
        CQxSelects objects(object);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_TRANSFORM, &objects, QX_MODIFY_MIRROR);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return 1;
}

void CQxMirrorCmd::Exchange(int) {
    CQxObject* object = m_Scene->RootModel().Find(m_Path);
    if (!object) return;
    const unsigned int flags = object->MirrorFlags();
    const int connect = object->IsMirrorConnect();
    object->SetMirror(m_Flags, m_Connect);
    m_Flags = flags;
    m_Connect = connect;
    CQxSelects objects(object);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_TRANSFORM, &objects, QX_MODIFY_MIRROR);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
}

// --- Scene attributes ----------------------------------------------------------------------------

int CQxSceneAttributeCmd::CreateGrid(float length, float interval, QX_AXIS_TYPE axis, unsigned long color,
                                     int update) {
    const CQxGrid& grid = m_Scene->Grid();
    m_Values[0] = grid.Length();
    m_Values[1] = grid.Interval();
    m_Axis = grid.Axis();
    m_Color = grid.Color();
    if (!m_Scene->SetGrid(length, interval, axis, color, 0)) return 0;
    m_Kind = QX_SCENE_GRID;
    if (update) {
        qx_object_cmd::NotifyScene(*m_Scene, m_Kind);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return 1;
}

int CQxSceneAttributeCmd::CreateJointRadius(float radius, int update) {
    m_Values[0] = m_Scene->JointRadius();
    if (!m_Scene->SetJointRadius(radius, 0)) return 0;
    m_Kind = QX_SCENE_JOINT_RADIUS;
    if (update) {
        qx_object_cmd::NotifyScene(*m_Scene, m_Kind);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return 1;
}

// The range commands hold both ends, since setting one may move the other.
int CQxSceneAttributeCmd::CreateRange(int (CQxScene::*set)(float), float frame, int update) {
    m_Values[0] = m_Scene->FirstFrame();
    m_Values[1] = m_Scene->LastFrame();
    if (!(m_Scene->*set)(frame)) return 0;
    m_Kind = QX_SCENE_FIRST_FRAME | QX_SCENE_LAST_FRAME;
    if (update) qx_object_cmd::NotifyScene(*m_Scene, m_Kind);
    return 1;
}

int CQxSceneAttributeCmd::CreateFirstFrame(float frame, int update) {
    return CreateRange(&CQxScene::SetFirstFrame, frame, update);
}

int CQxSceneAttributeCmd::CreateLastFrame(float frame, int update) {
    return CreateRange(&CQxScene::SetLastFrame, frame, update);
}

int CQxSceneAttributeCmd::CreateCurFrame(float frame, int update) {
    if (frame == m_Scene->CurFrame()) return 0;
    m_Shown.Capture(*m_Scene);
    return SetFrame(m_Scene->CurFrame(), frame, update);
}

int CQxSceneAttributeCmd::CreateEndPlay(float frame, int update) {
    return SetFrame(m_Scene->PlayStartFrame(), frame, update);
}

// Undo returns to `old`, whatever frame the scene showed before.
int CQxSceneAttributeCmd::SetFrame(float old, float frame, int update) {
    // A play or drag that ends where it began leaves no step in the history.
    if (!std::isfinite(frame) || (old == frame && frame == m_Scene->CurFrame())) return 0;
    m_Values[0] = old;
    m_Kind = QX_SCENE_CUR_FRAME;
    m_Scene->CurFrame() = frame;
    m_Scene->ClearAnimatedUndo();
    m_Scene->Animate(update, update);
    Barrier() = 1;
    if (update) qx_object_cmd::NotifyScene(*m_Scene, m_Kind);
    return 1;
}

int CQxSceneAttributeCmd::CreateFlags(const int* flags, int update) {
    int* current = m_Scene->AnimItemCreateFlags();
    if (!flags || std::equal(flags, flags + CQxScene::AnimItemCreateFlagCount, current)) return 0;
    std::copy(current, current + CQxScene::AnimItemCreateFlagCount, m_Flags);
    std::copy(flags, flags + CQxScene::AnimItemCreateFlagCount, current);
    m_Kind = QX_SCENE_ANIM_ITEM_CREATE_FLAGS;
    if (update) {
        qx_object_cmd::NotifyScene(*m_Scene, m_Kind);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return 1;
}

void CQxSceneAttributeCmd::ExchangeFrame(int undo) {
    if (m_Kind == QX_SCENE_CUR_FRAME) {
        std::swap(m_Scene->CurFrame(), m_Values[0]);
        m_Scene->Animate(1, 1);
        // The end of a play records nothing here: undo shows the animation at the start frame.
        if (undo) m_Shown.Restore(*m_Scene);
    } else if (m_Kind == QX_SCENE_ANIM_ITEM_CREATE_FLAGS) {
        std::swap_ranges(m_Flags, m_Flags + CQxScene::AnimItemCreateFlagCount, m_Scene->AnimItemCreateFlags());
    } else {
        const float first = m_Scene->FirstFrame(), last = m_Scene->LastFrame();
        m_Scene->SetFirstFrame(m_Values[0]);
        m_Scene->SetLastFrame(m_Values[1]);
        m_Values[0] = first;
        m_Values[1] = last;
    }
}

void CQxSceneAttributeCmd::Exchange(int undo) {
    if (m_Kind == QX_SCENE_GRID) {
        const CQxGrid& grid = m_Scene->Grid();
        const float length = grid.Length(), interval = grid.Interval();
        const QX_AXIS_TYPE axis = grid.Axis();
        const unsigned long color = grid.Color();
        m_Scene->SetGrid(m_Values[0], m_Values[1], m_Axis, m_Color, 0);
        m_Values[0] = length;
        m_Values[1] = interval;
        m_Axis = axis;
        m_Color = color;
    } else if (m_Kind == QX_SCENE_JOINT_RADIUS) {
        const float radius = m_Scene->JointRadius();
        m_Scene->SetJointRadius(m_Values[0], 0);
        m_Values[0] = radius;
    } else if (m_Kind) {
        ExchangeFrame(undo);
    } else {
        return;
    }
    qx_object_cmd::NotifyScene(*m_Scene, m_Kind);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
}
