#pragma once

#include "qx/basis/list_node.h"
#include "qx/export.h"

class CQxAnim;
class CQxScene;

// The kinds of undoable command. Each value indexes the name table that the Undo and Redo
// menu items show (CQxCmd::GetName).
enum QX_CMD_TYPE : unsigned int {
    QX_CMD_NONE = 0,
    QX_CMD_PASTE = 1,
    QX_CMD_DELETE = 2,
    QX_CMD_CREATE_FACE = 3,
    QX_CMD_SCALE = 4,
    QX_CMD_ROTATE = 5,
    QX_CMD_MOVE = 6,
    QX_CMD_EXTRUDE = 7,
    QX_CMD_CREATE_OBJECT = 8,
    QX_CMD_IMPORT = 9,
    QX_CMD_OBJECT_ATTRIBUTE = 10,
    QX_CMD_MODIFY_MESH = 11,
    QX_CMD_MOVE_OBJECT = 12,
    QX_CMD_DUPLICATE_OBJECT = 13,
    QX_CMD_MERGE_OBJECT = 14,
    QX_CMD_SET_MATERIAL = 15,
    QX_CMD_CREATE_MATERIAL = 16,
    QX_CMD_MATERIAL_ATTRIBUTE = 17,
    QX_CMD_DELETE_MATERIAL = 18,
    QX_CMD_MOVE_MATERIAL = 19,
    QX_CMD_CREATE_ANIM = 20,
    QX_CMD_ANIM_ATTRIBUTE = 21,
    QX_CMD_DELETE_ANIM = 22,
    QX_CMD_ANIM_ITEM_ATTRIBUTE = 23,
    QX_CMD_SCENE_ATTRIBUTE = 24,
    QX_CMD_SET_SHADE = 25,
    QX_CMD_SET_MIRROR = 26,
    QX_CMD_CREATE_ACTION = 27,
    QX_CMD_MOVE_UV = 28,
    QX_CMD_UV_MAP = 29,
    QX_CMD_JOINT = 30,
    QX_CMD_WEIGHT_PAINT = 31,
    QX_CMD_FACE_SIDE = 32,
    QX_CMD_IK_HANDLE = 33,
};

// One undoable change of a scene. A command does its work once in its (non-virtual) create
// step, is then pushed on the scene's CQxCmdManager, which owns it from then on, and is undone
// and redone in strict history order. A command names scene objects by index path, never by
// pointer, because undo and redo may destroy and re-create them.
//
// A derived command either overrides Redo and Undo, or overrides Exchange alone, which then
// serves both directions (0 redo, 1 undo).
class QX_API CQxCmd : public CQxListNode<CQxCmd> {
public:
    // Number of QX_CMD_TYPE values, and so of entries in the name table.
    static constexpr unsigned int TypeCount = 34;

    explicit CQxCmd(CQxScene* scene) : m_Scene(scene) {}
    CQxCmd(const CQxCmd&) = delete;
    CQxCmd& operator=(const CQxCmd&) = delete;

    // --- Virtual interface, in its fixed order ------------------------------------------------
    virtual ~CQxCmd();
    virtual QX_CMD_TYPE GetType() const;
    // The menu word of GetType() ("" for a value outside the table).
    virtual const char* GetName() const;
    virtual void Redo();
    virtual void Undo();
    // Drops what the animation now drives; nonzero when nothing is left, so the history may
    // destroy the command. Only the transform-tool commands have anything to drop.
    virtual int ClearAnimated(const CQxAnim& anim);
    virtual void Exchange(int undo);
    // --- End of the fixed virtual interface ----------------------------------------------------

    CQxScene* GetScene() const { return m_Scene; }
    // Nonzero: CQxCmdManager::ClearAnimatedUndo stops here. Set by commands that change
    // animation keys or the current frame, after they have purged the history below them.
    int& Barrier() { return m_Barrier; }
    const int& Barrier() const { return m_Barrier; }

    // The entry of the name table for a type; "" outside the table.
    static const char* GetTypeName(unsigned int type);

protected:
    CQxScene* m_Scene;
    int m_Barrier = 0;
};
