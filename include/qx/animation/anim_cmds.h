#pragma once

#include <cstdint>
#include <vector>

#include "qx/animation/anim_item.h"
#include "qx/animation/anim_select.h"
#include "qx/basis/array.h"
#include "qx/commands/cmd.h"
#include "qx/export.h"
#include "qx/graphics/attribute.h"
#include "qx/math/vector2d.h"
#include "qx/play/task_manager.h"
#include "qx/scene/transform_param.h"

class CQxAnim;
class CQxModel;
class CQxScene;

// Where an animation item sits, by positions that survive undo and redo: the object's index
// path from the root, the element's list position (the face's, with the corner's position in
// its ring), the attribute's position in the model, and the channel.
struct QxAnimItemAddress {
    QX_ANIM_TYPE Kind = QX_ANIM_NONE;
    CQxArray<unsigned int> Path;
    unsigned int Element = 0;
    unsigned int Corner = 0;
    QX_ANIM_ITEM_TYPE Channel = QX_ANIM_ITEM_NONE;
};

// Everything a key holds.
struct QxAnimKeyState {
    float X = 0.0f, Y = 0.0f, PrevTan = 0.0f, NextTan = 0.0f;
    unsigned int Index = 0;
    unsigned char IsSeparated = 0, PrevTanType = 0, NextTanType = 0;
};

// What the scene's animations drive, as it stands: the transforms of the animated objects, the
// positions, colours and texture coordinates of the animated mesh elements and the animated
// materials, by index path and list position. A command that re-evaluates the animation takes
// it first and gives it back on undo, so that undo returns exactly the scene it found, even
// when that scene did not show the animation at its frame.
class QX_API CQxAnimatedValues {
public:
    void Capture(CQxScene& scene);
    void Restore(CQxScene& scene) const;
    int IsEmpty() const { return m_Objects.empty() && m_Meshes.empty() && m_Materials.empty(); }

private:
    struct Corner {
        std::uint32_t Face = 0, Position = 0, Color = 0;
        CQxVector2D UV;
        unsigned char HasUV = 0;
    };
    struct Mesh {
        CQxArray<unsigned int> Path;
        std::vector<std::pair<std::uint32_t, CQxVector>> Vertices;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> Edges; // position, colour
        std::vector<Corner> Corners;
    };
    struct Material {
        CQxArray<unsigned int> Model;
        std::uint32_t Position = 0;
        CQxColorMaterial Values;
    };

    std::vector<std::pair<CQxArray<unsigned int>, CQxTransformParam>> m_Objects;
    std::vector<Mesh> m_Meshes;
    std::vector<Material> m_Materials;
};

// Key and tangent edits of a model's animation: creating keys at the current frame (1),
// deleting keys (2), moving keys (3), re-angling tangents (4), separating or joining tangents
// (5), setting tangent types (6). The menu name follows the kind.
class QX_API CQxAnimAttributeCmd : public CQxCmd {
public:
    enum : unsigned int {
        KIND_NONE = 0,
        KIND_CREATE_KEY = 1,
        KIND_DELETE_KEY = 2,
        KIND_MOVE_KEY = 3,
        KIND_TAN_ANGLE = 4,
        KIND_SEPARATE = 5,
        KIND_TAN_TYPE = 6,
    };

    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_ANIM_ATTRIBUTE; }
    const char* GetName() const override;
    void Redo() override;
    void Undo() override;
    void Exchange(int undo) override;

    // Create steps; each returns 0 when there is nothing to change (the command is then
    // destroyed, not pushed).
    int CreateKeys(CQxModel* model, int update);
    int DeleteKeys(CQxModel* model, const CQxAnimItemSelects& selects, int update);
    int MoveKeys(CQxModel* model, const CQxVector2D& offset, const CQxAnimItemSelects& selects, int update);
    int SetTanAngles(CQxModel* model, const CQxAnimItemSelects& selects,
                     const CQxPtrArray<CQxArray<float>>& angles, int update);
    int Separate(CQxModel* model, const CQxAnimItemSelects& selects, int separate, int update);
    int SetTanTypes(CQxModel* model, const CQxAnimItemSelects& selects, QX_TAN_TYPE type, int update);

    unsigned int GetKind() const { return m_Kind; }

private:
    // One recorded key or tangent: the item, the key, and (kind 1) whether it existed before.
    struct Entry {
        QxAnimItemAddress Item;
        QxAnimKeyState Key;
        int Existed = 0;
        int IsPrev = 0;
    };

    CQxModel* GetModel() const;
    void Record(CQxModel& model, const CQxAnimItemSelects& selects, bool tangents);
    // Whole curves of the records' items, for the edits that may leave two keys on one frame.
    void RecordCurves(CQxModel& model, const CQxAnimItemSelects& selects);
    void ApplyCreate();
    void RestoreCreate();
    void DeleteRecorded();
    void ReinsertRecorded();
    void Finish(CQxModel& model, unsigned int detail, int update, bool animate);
    void Notify(unsigned int detail);

    unsigned int m_Kind = KIND_NONE;
    CQxArray<unsigned int> m_ModelPath;
    CQxAnimatedValues m_Shown; // before the keys moved or turned (kinds 3 and 4)
    float m_Frame = 0.0f;
    std::vector<Entry> m_Entries;
    std::vector<std::pair<QxAnimItemAddress, CQxSpline>> m_Curves; // kinds 2 and 3
};

// The delete-animation command: one animation per model, so there is nothing to delete; it is
// kept as a named step of the history.
class QX_API CQxDeleteAnimCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_DELETE_ANIM; }
};

// Playback: sets the scene's current frame from the play time at every frame, once through the
// frame range or around it, forward or backward.
class QX_API CQxPlayTask : public CQxTask {
public:
    explicit CQxPlayTask(CQxScene* scene) : CQxTask(TYPE_FRAME), m_Scene(scene) {}
    void Execute(const float& time) override;

private:
    // The frame reached d frames after the start, wrapped or ended at the range's ends.
    void Advance(float d);

    CQxScene* m_Scene;
    int m_IsFirst = 1;
    float m_StartTime = 0.0f;
    float m_StartFrame = 0.0f;
};

// The address of an item of the model's animation, and the item at an address (made, with its
// target, when asked to and missing; null when the target is gone).
QX_API QxAnimItemAddress QxGetAnimItemAddress(CQxModel& model, const CQxAnimItem& item);
QX_API CQxAnimItem* QxFindAnimItem(CQxModel& model, const QxAnimItemAddress& address, int create);
