#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "qx/basis/array.h"
#include "qx/basis/bin_tree.h"
#include "qx/commands/cmd.h"
#include "qx/export.h"
#include "qx/math/matrix.h"
#include "qx/scene/object.h"
#include "qx/scene/transform_param.h"

class CQxAnim;
class CQxAttribute;
class CQxModel;
class CQxScene;
class CQxSelect;
class CQxSelects;

// The child positions from the scene's root model down to an object (empty for the root).
using CQxIndexPath = CQxArray<unsigned int>;

// The path of an object in its tree; and the object at a path below the root, or null.
QX_API CQxIndexPath QxGetIndexPath(const CQxObject& object);
QX_API CQxObject* QxFindIndexPath(const CQxObject& root, const CQxIndexPath& path);

// --- Mesh state that commands put back exactly ---------------------------------------------------

// The mate links of a mesh, each corner's mate by serial corner number (faces in list order,
// corners in ring order). Operations that relink mates wholesale are taken back with it.
class QX_API CQxMeshMates {
public:
    void Capture(CQxMesh& mesh);
    // Links every corner as recorded; 0 (nothing changed) when the corner count differs.
    int Restore(CQxMesh& mesh) const;
    std::size_t GetBytes() const { return m_Mates.capacity() * sizeof(std::uint32_t); }

private:
    std::vector<std::uint32_t> m_Mates;
};

// The selection states of a mesh's elements, as the list positions of the selected ones.
class QX_API CQxMeshSelection {
public:
    void Capture(const CQxMesh& mesh);
    // Sets exactly the recorded states; 1 when any state changed.
    int Restore(CQxMesh& mesh) const;
    int IsEmpty() const {
        return m_Vertices.empty() && m_Edges.empty() && m_Faces.empty() && m_HalfEdges.empty();
    }
    std::size_t GetBytes() const;

private:
    std::vector<std::uint32_t> m_Vertices;
    std::vector<std::uint32_t> m_Edges;
    std::vector<std::uint32_t> m_Faces;
    std::vector<std::uint32_t> m_HalfEdges; // serial corner numbers
};

// The selection of a whole object tree: every object's selected and handle flags in pre-order,
// and the element states of the meshes that have any.
class QX_API CQxTreeSelection {
public:
    void Capture(const CQxObject& root);
    // Puts the states back on a tree of the same shape; objects whose mesh states changed get
    // their geometry updated. 1 when anything changed.
    int Restore(CQxObject& root) const;
    std::size_t GetBytes() const;

private:
    std::vector<unsigned char> m_Flags;                               // bit 0 selected, bit 1 handle selected
    std::vector<std::pair<std::uint32_t, CQxMeshSelection>> m_Meshes; // pre-order position, states
};

// Faces name their material as a model (a slot of the store's model table) and a position in
// that model's list, so a material that was re-created in between is found again.
using CQxMaterialRef = std::uint64_t;
constexpr CQxMaterialRef QxNoMaterialRef = ~CQxMaterialRef(0);

// The materials of a run of faces, in face order, run-length coded.
class QX_API CQxFaceMaterials {
public:
    void Clear() { m_Runs.clear(); }
    void Push(CQxMaterialRef ref);
    int IsEmpty() const { return m_Runs.empty(); }
    // Calls f(count, ref) once per run of faces with the same material, in order.
    template <class F>
    void ForEachRun(F&& f) const {
        for (const auto& run : m_Runs) f(run.first, run.second);
    }
    std::size_t GetBytes() const { return m_Runs.capacity() * sizeof(m_Runs[0]); }

private:
    std::vector<std::pair<std::uint32_t, CQxMaterialRef>> m_Runs;
};

class CQxSnapshotStore;

// Components removed from one mesh: vertices, free edges and faces with their positions in the
// mesh's lists. Removed elements are kept as they were (positions, normals, bone weights, UVs,
// colours, flags, selection states); what they point at (vertices, mates, materials) is kept
// by position and linked again when they come back.
class QX_API CQxMeshPart {
public:
    CQxMeshPart() = default;
    CQxMeshPart(const CQxMeshPart&) = delete;
    CQxMeshPart& operator=(const CQxMeshPart&) = delete;
    ~CQxMeshPart();

    // Chooses the record's elements of the mesh (faces of its half-edges included); vertices
    // that a staying edge or face still uses are left out, and elements of other meshes are
    // ignored. 0 when nothing of the mesh was chosen.
    int Choose(CQxMesh& mesh, const CQxSelect& select);
    // The faces at the given list positions (ascending, in range); 0 when there are none.
    int ChooseFaces(const CQxMesh& mesh, std::vector<std::uint32_t> positions);
    int IsRemoved() const { return m_Removed; }
    // Takes the chosen elements out and keeps them; their materials go to the store.
    void Remove(CQxMesh& mesh, CQxSnapshotStore& store);
    // Puts them back at their positions; materials are given back by ApplyMaterials.
    void Restore(CQxMesh& mesh);
    void ApplyMaterials(const CQxSnapshotStore& store);

    unsigned int GetVertexCount() const { return static_cast<unsigned int>(m_VertexPos.size()); }
    unsigned int GetEdgeCount() const { return static_cast<unsigned int>(m_EdgePos.size()); }
    unsigned int GetFaceCount() const { return static_cast<unsigned int>(m_FacePos.size()); }
    std::size_t GetBytes() const;
    // Moves the animation items of the chosen elements of the object's mesh (still in it) from
    // one animation to another.
    void TakeAnimItems(CQxObject& object, CQxAnim& from, CQxAnim& to) const;

private:
    void FreeKept();

    std::vector<std::uint32_t> m_VertexPos;
    std::vector<std::uint32_t> m_EdgePos;
    std::vector<std::uint32_t> m_FacePos;
    // While removed the part owns these; after a restore they are the mesh's again.
    std::vector<CQxVertex*> m_Vertices;
    std::vector<CQxEdge*> m_Edges;
    std::vector<CQxFace*> m_Faces;
    std::vector<std::uint32_t> m_EdgeVertices; // two vertex positions per edge
    std::vector<std::uint32_t> m_RingVertices; // a vertex position per corner, face by face
    std::vector<std::uint64_t> m_RingMates;    // per corner: mate face position << 32 | ring position
    CQxFaceMaterials m_Materials;
    int m_Removed = 0;
};

// An object's skin binding (its bone matrices follow from the rest): what an object had before
// the references to leaving objects were cleared, or before a skin command.
struct CQxSkinRef {
    CQxIndexPath Object;
    CQxIndexPath RootBone;
    CQxArray<CQxTransformParam> BindParams;
    CQxMatrix Offset;
    CQxMatrix OffsetLH;
    unsigned int CurBone = 0;
    QX_OBJ_MODE Mode = QX_OBJ_MODE_NORMAL;
    std::vector<std::uint32_t> BoneVertices; // positions of the vertices with bone data
    std::vector<CQxVertexBones> Bones;
};

// An IK chain end and its constraints, likewise.
struct CQxIKRef {
    CQxIndexPath Object;
    CQxIndexPath Root;
    CQxArray<CQxRotateConstraint> Constraints;
};

// Faces outside the leaving objects that used materials of a leaving model.
struct CQxMaterialUseRef {
    CQxIndexPath Object;
    std::vector<std::uint32_t> Faces; // list positions
    std::vector<CQxMaterialRef> Materials;
};

// What one path of the store holds: a whole object that leaves with whatever subtree it still
// has, components of its mesh, or both (components go first, the object after them).
struct CQxObjectSnapshot {
    int IsWhole = 0;
    std::unique_ptr<CQxObject> Object;       // the object while it is out of the tree
    std::vector<CQxFaceMaterials> Materials; // per object of the kept subtree, in pre-order
    std::unique_ptr<CQxMeshPart> Part;
    int SelectCleared = 0; // the part took the last selected element of an object in component mode
};

// What a pass of the store did, for the host notifications.
struct CQxStoreReport {
    CQxSelects* Objects = nullptr; // objects that left or came back
    CQxSelects* Meshes = nullptr;  // mesh objects that lost or regained components
    int SelectChanged = 0;         // a selected flag was cleared or set again
};

// The snapshot store of the tree commands: an ordered map from index path to what leaves the
// tree there. Removing walks it in descending path order and restoring in ascending order, so
// children and later siblings leave before their parents and earlier siblings and come back
// after them, and every recorded path stays valid. Besides it keeps the skin and IK references
// that leaving objects took part in, and the table of models that face materials refer to.
class QX_API CQxSnapshotStore {
public:
    explicit CQxSnapshotStore(CQxScene* scene);
    CQxSnapshotStore(const CQxSnapshotStore&) = delete;
    CQxSnapshotStore& operator=(const CQxSnapshotStore&) = delete;
    ~CQxSnapshotStore();

    CQxScene* GetScene() const { return m_Scene; }
    CQxModel& GetRoot() const;
    CQxObject* Find(const CQxIndexPath& path) const;

    // --- Entries (recorded while everything is in place) ----------------------------------------
    // The object with its subtree, at its current path.
    void AddObject(const CQxObject& object);
    void AddObject(const CQxIndexPath& path);
    // Components of a mesh object (the record's object); 0 when none qualifies.
    int AddComponents(const CQxSelect& select);
    // Faces of a mesh object by list position.
    int AddFaces(const CQxObject& object, std::vector<std::uint32_t> positions);
    unsigned int GetCount() const { return m_Snapshots.GetCount(); }
    int IsEmpty() const { return m_Snapshots.IsEmpty(); }
    // Everything the entries name is out of the tree (after Remove) or in it (after Restore).
    int IsRemoved() const { return m_Removed; }

    // Descending: components then objects leave, objects kept with their subtrees.
    void Remove(CQxStoreReport& report);
    // Ascending: objects then components come back, then their materials and graphics.
    void Restore(CQxStoreReport& report);

    // --- References -----------------------------------------------------------------------------
    // Records and clears every skin whose object or bones and every IK chain whose end, root or
    // links lie in the subtrees of the given objects, and the materials that faces elsewhere
    // use of the models among them.
    void RecordReferences(const std::vector<CQxObject*>& leaving);
    // Clears the recorded references again (redo), or restores them (undo). Animation items of
    // leaving objects and components need no call: Remove takes them and Restore gives them back.
    void ClearReferences();
    void RestoreReferences();
    int HasReferences() const { return !m_Skins.empty() || !m_IKs.empty() || !m_MaterialUses.empty(); }

    // --- Materials ------------------------------------------------------------------------------
    // Index every material of the tree's models (call while the tree is as the refs describe).
    void IndexMaterials();
    CQxMaterialRef GetMaterialRef(const CQxAttribute* attribute) const;
    CQxAttribute* GetMaterial(CQxMaterialRef ref) const;
    // Records the faces' materials (in list order) and clears them, or gives them back.
    void TakeMaterials(CQxMesh& mesh, CQxFaceMaterials& out);
    void GiveMaterials(CQxMesh& mesh, const CQxFaceMaterials& materials) const;

    // Bytes held: kept objects and elements, positions, references.
    std::size_t GetBytes() const;

private:
    CQxObjectSnapshot& Entry(const CQxIndexPath& path);
    void RecordMaterialUses(const std::unordered_set<const CQxObject*>& leaving);
    void RemoveObject(const CQxIndexPath& path, CQxObjectSnapshot& snapshot, CQxStoreReport& report);
    void RestoreObject(const CQxIndexPath& path, CQxObjectSnapshot& snapshot, CQxStoreReport& report);
    // The items that the animations of the models staying in the tree hold of leaving objects and
    // components go aside with them (their targets stay alive in the store), and come back.
    void TakeAnimItems();
    void GiveAnimItems();
    std::size_t GetAnimBytes() const;

    CQxScene* m_Scene;
    CQxBinTree<CQxIndexPath, std::unique_ptr<CQxObjectSnapshot>> m_Snapshots;
    int m_Removed = 0;
    std::vector<CQxSkinRef> m_Skins;
    std::vector<CQxIKRef> m_IKs;
    std::vector<CQxMaterialUseRef> m_MaterialUses;
    std::vector<CQxIndexPath> m_Models; // model table of the material refs
    std::unordered_map<const CQxAttribute*, CQxMaterialRef> m_MaterialIndex;
    std::vector<std::pair<CQxIndexPath, std::unique_ptr<CQxAnim>>> m_AnimItems; // by the holding model's path
};

// Base of the commands that take objects out of the tree and put them back: it owns a snapshot
// store.
class QX_API CQxTreeCmd : public CQxCmd {
public:
    explicit CQxTreeCmd(CQxScene* scene) : CQxCmd(scene), m_Store(scene) {}
    ~CQxTreeCmd() override;

    const CQxSnapshotStore& GetStore() const { return m_Store; }

protected:
    CQxSnapshotStore m_Store;
};
