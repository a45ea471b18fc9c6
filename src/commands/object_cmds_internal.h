#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "qx/animation/anim_cmds.h"
#include "qx/commands/tree_cmd.h"
#include "qx/scene/scene.h"

class CQxSelects;

// Shared by the object commands.
namespace qx_object_cmd {

// Tells the host, when there is anything to tell; the detail travels in the second argument.
void Notify(CQxScene& scene, QX_UPDATE_TYPE type, CQxSelects* selects = nullptr, std::uintptr_t detail = 0);
void NotifyScene(CQxScene& scene, unsigned int bits);
// The meshes' elements changed (detail 2), then a redraw.
void NotifyMeshes(CQxScene& scene, CQxSelects& meshes);

// A mesh object of its own (not a clone of one): what component and face commands edit.
int IsMeshObject(const CQxObject* object);

// Every object of the given subtrees, and every clone elsewhere whose source is among them
// (with that clone's subtree, repeatedly); `extra` gets the roots of those clones' subtrees.
std::unordered_set<const CQxObject*>
CollectLeaving(const CQxObject& root, const std::vector<CQxObject*>& leaving, std::vector<CQxObject*>& extra);

// The faces at the given list positions (ascending), and the positions of given faces.
CQxArray<CQxFace*> FacesAt(CQxMesh& mesh, const std::vector<std::uint32_t>& positions);
std::vector<std::uint32_t> PositionsOf(CQxMesh& mesh, const CQxArray<CQxFace*>& faces);

// The undo of a command that added whole objects: the store's objects leave the tree, the
// selection goes back as captured before (when given), and the host hears of both.
void RemoveAdded(CQxScene& scene, CQxSnapshotStore& store, const CQxTreeSelection* before);

// Deletes the elements appended after the given counts (faces, then edges, then vertices).
void TrimMesh(CQxMesh& mesh, unsigned int vertices, unsigned int edges, unsigned int faces);

// The animation items of a mesh object's vertices, edges and face corners, named by list
// position, while its mesh is replaced by a copy (whose elements are new).
class ElementAnimItems {
public:
    // Takes them out of every animation of the tree.
    void Take(CQxModel& root, CQxObject& object);
    // Gives them to the elements at the same positions in the object's mesh now.
    void Give(CQxModel& root, CQxObject& object);
    int IsEmpty() const { return m_Items.empty(); }

private:
    struct Item {
        CQxIndexPath Model;
        QxAnimItemAddress Address;
        CQxSpline Spline;
        int IsSelect = 0;
    };
    std::vector<Item> m_Items;
};

// An object's skin binding, all of it, and putting one back (a record with an empty root path,
// or whose root bone is gone, leaves the object unbound); the vertices' bone data come back
// either way.
CQxSkinRef RecordSkin(const CQxObject& object);
void RestoreSkin(CQxObject& object, CQxJoint* rootBone, const CQxSkinRef& skin);

// Hands the items that one model's animation holds of the subtree's objects to another model.
void MoveAnimItems(CQxObject& subtree, CQxModel* from, CQxModel* to);

} // namespace qx_object_cmd
