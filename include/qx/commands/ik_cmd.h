#pragma once

#include <vector>

#include "qx/basis/array.h"
#include "qx/commands/cmd.h"
#include "qx/commands/tree_cmd.h"
#include "qx/export.h"
#include "qx/scene/object.h"

class CQxSelects;

// Makes an IK chain (the IK handle tool's two picks) or clears the chains of the selected
// objects. It keeps, per chain end, the IK root and constraints on the other side of the
// change; undo and redo are the same swap.
class QX_API CQxIKHandleCmd : public CQxCmd {
public:
    explicit CQxIKHandleCmd(CQxScene* scene);
    ~CQxIKHandleCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_IK_HANDLE; }
    void Exchange(int undo) override;

    // The one of the two that lies below the other becomes the end of a chain up to the other.
    // Shows a message and returns 0 for a missing object, the same object twice or two objects
    // of which neither is an ancestor of the other; 0 silently when the chain is there already.
    int Create(CQxObject* a, CQxObject* b, int update);
    // Clears the chain of every listed object that ends one; 0 when none did.
    int CreateClear(const CQxSelects& objects, int update);

private:
    struct Entry {
        CQxIndexPath Object;
        CQxIndexPath Root; // meaningful only with HasRoot
        bool HasRoot = false;
        CQxArray<CQxRotateConstraint> Constraints;
    };

    // The entry holding the object's chain as it is now.
    static Entry Record(const CQxObject& object);
    // Tells the host that the chains of the objects changed.
    void Notify(CQxSelects& objects) const;

    std::vector<Entry> m_Entries;
};
