#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "qx/basis/string.h"
#include "qx/commands/cmd.h"
#include "qx/commands/tree_cmd.h"
#include "qx/export.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/math/vector.h"
#include "qx/scene/transform_param.h"

class CQxJoint;
class CQxObject;
class CQxScene;

// A chain of joints made click by click. It is pushed with its first joint and extended with
// each next one, every joint hanging below the one before; undo takes the whole chain away and
// gives the chain's parent its rotation back, redo builds the joints again as they were.
class QX_API CQxJointCmd : public CQxCmd {
public:
    explicit CQxJointCmd(CQxScene* scene);
    ~CQxJointCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_JOINT; }
    void Redo() override;
    void Undo() override;

    // The chain will hang below `parent` (null: the root model); 0 when it is not in the scene.
    int Create(CQxObject* parent);
    // A joint at a world position, below the last joint of the chain (the chain's parent for the
    // first), which is turned to point its bone at it when it is a joint; the new joint becomes
    // the selection. Null when the parent is gone.
    CQxJoint* AddJoint(const CQxVector& position, int update);

    unsigned int GetJointCount() const { return static_cast<unsigned int>(m_Joints.size()); }
    const CQxIndexPath& GetParentPath() const { return m_ParentPath; }
    // The object the next joint hangs below: the last joint added, or the chain's parent.
    CQxObject* GetNextParent() const;

private:
    struct Joint {
        CQxString Name;
        CQxTransformParam Param; // in the frame of the joint before it, as the chain left it
        float Radius = 0.0f;
        unsigned int Divisions = 0;
    };

    CQxObject* FindParent() const;

    CQxIndexPath m_ParentPath;
    std::vector<Joint> m_Joints;
    // The chain's parent was a joint and the first joint turned it.
    int m_IsParentTurned = 0;
    CQxTransformParam m_ParentBefore;
    CQxTransformParam m_ParentAfter;
    std::unique_ptr<CQxTreeSelection> m_Before; // the selection before the first joint
    std::unique_ptr<CQxSnapshotStore> m_Undone; // the chain taken away by the last undo
};

// One weight-paint stroke on a skinned object: the bone data of the vertices it changed, before
// and after, by list position. Undo and redo put either back exactly.
class QX_API CQxWeightPaintCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_WEIGHT_PAINT; }
    void Exchange(int undo) override;

    // `before` holds every vertex's bone data (list order) from before the stroke; the mesh holds
    // the data after it. 0 when the stroke changed nothing.
    int Create(CQxObject* object, const std::vector<CQxVertexBones>& before, int update);

    unsigned int GetChangeCount() const { return static_cast<unsigned int>(m_Changes.size()); }

private:
    struct Change {
        std::uint32_t Vertex;
        CQxVertexBones Old;
        CQxVertexBones New;
    };

    CQxIndexPath m_Path;
    std::vector<Change> m_Changes;
};
