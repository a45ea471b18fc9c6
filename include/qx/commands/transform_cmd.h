#pragma once

#include <cstdint>
#include <vector>

#include "qx/commands/cmd.h"
#include "qx/commands/tree_cmd.h"
#include "qx/export.h"
#include "qx/math/vector.h"
#include "qx/scene/transform_param.h"

class CQxObject;
class CQxSelects;
class CQxVertex;

// A move, rotation or scaling of the selection, made by the transform tools. It keeps one
// record per selected object with the state that object had on the other side of the change:
// the whole transform (objects and pivots), or the positions of the vertices that moved, by
// their list positions. Undo and redo are the same swap of the records with the scene.
//
// The tool captures the state when its gesture starts, changes the scene live, and calls Finish
// when it ends; a command whose records all came back unchanged is not pushed.
class QX_API CQxTransformCmd : public CQxCmd {
public:
    // What the records hold.
    enum Target : unsigned int {
        TARGET_OBJECTS = 0,
        TARGET_PIVOTS = 1,
        TARGET_VERTICES = 2,
    };

    explicit CQxTransformCmd(CQxScene* scene);
    ~CQxTransformCmd() override;

    // Drops the records of objects (and the vertices) the animation drives; nonzero when nothing
    // is left to undo.
    int ClearAnimated(const CQxAnim& anim) override;
    void Exchange(int undo) override;

    // Records the current state of every record's object, or of the vertices it lists; 0 when
    // there is nothing to record.
    int Capture(const CQxSelects& selects, Target target);
    // Writes the captured state back while the change is still live (a gesture taken back, or
    // started again from the start); vertex meshes are updated only with `update`.
    void Restore(int update) const;
    // Ends the live part: records whose state did not change are dropped, the vertices are
    // named by list position from here on. 0 when no record is left.
    int Finish();

    Target GetTarget() const { return m_Target; }
    unsigned int GetRecordCount() const { return static_cast<unsigned int>(m_Records.size()); }

protected:
    // The part of a transform this kind of command changes, for the host's notification.
    virtual unsigned int GetModifyBits() const = 0;

private:
    struct Record {
        CQxIndexPath Path;
        CQxObject* Live = nullptr; // only until Finish
        CQxTransformParam Param;
        std::vector<CQxVertex*> LiveVertices; // only until Finish
        std::vector<std::uint32_t> Positions; // ascending, after Finish
        std::vector<CQxVector> Values;
    };

    // Whether the record's state differs from the object's now.
    bool IsChanged(const Record& record) const;
    // Names the live vertices by list position, sorted.
    static void ResolvePositions(Record& record);
    void SwapVertices(Record& record, CQxObject& object);

    Target m_Target = TARGET_OBJECTS;
    std::vector<Record> m_Records;
    bool m_IsFinished = false;
};

class QX_API CQxMoveCmd final : public CQxTransformCmd {
public:
    using CQxTransformCmd::CQxTransformCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_MOVE; }

protected:
    unsigned int GetModifyBits() const override;
};

class QX_API CQxRotateCmd final : public CQxTransformCmd {
public:
    using CQxTransformCmd::CQxTransformCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_ROTATE; }

protected:
    unsigned int GetModifyBits() const override;
};

class QX_API CQxScaleCmd final : public CQxTransformCmd {
public:
    using CQxTransformCmd::CQxTransformCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_SCALE; }

protected:
    unsigned int GetModifyBits() const override;
};
