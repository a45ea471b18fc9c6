#pragma once

#include <memory>
#include <vector>

#include "qx/animation/anim_cmds.h"
#include "qx/basis/string.h"
#include "qx/commands/tree_cmd.h"
#include "qx/export.h"
#include "qx/math/quat.h"
#include "qx/math/vector.h"
#include "qx/scene/object.h"

class CQxScene;
class CQxSelects;
enum QX_UPDATE_TYPE : unsigned int;

// What an object-attribute change touches (bits; also the detail of the host's "objects
// changed" notification). Mirror and subdivision together (48) stand for a freeze.
enum QX_MODIFY_TYPE : unsigned int {
    QX_MODIFY_NONE = 0,
    QX_MODIFY_SCALE = 1,
    QX_MODIFY_ANGLE = 2,
    QX_MODIFY_TRANSLATE = 4,
    QX_MODIFY_PIVOT = 8,
    QX_MODIFY_MIRROR = 16,
    QX_MODIFY_SUBDIVISION = 32,
    QX_MODIFY_VISIBLE = 256,
    QX_MODIFY_LOCKED = 512,
    QX_MODIFY_NAME = 1024,
};

// What the face-side command does to the selected faces.
enum QX_FACE_OP_TYPE : unsigned int {
    QX_FACE_OP_INVERT = 0,      // turn them over
    QX_FACE_OP_ADD_BACK = 1,    // give the single-sided ones back faces
    QX_FACE_OP_REMOVE_BACK = 2, // remove the back faces among them
};

// The kinds of object-attribute command, which index its menu words.
enum QX_OBJECT_ATTRIBUTE_TYPE : unsigned int {
    QX_OBJECT_ATTRIBUTE_NONE = 0,
    QX_OBJECT_ATTRIBUTE_NAME = 1,
    QX_OBJECT_ATTRIBUTE_SCALE = 2,
    QX_OBJECT_ATTRIBUTE_ANGLE = 3,
    QX_OBJECT_ATTRIBUTE_TRANSLATE = 4,
    QX_OBJECT_ATTRIBUTE_PIVOT = 5,
    QX_OBJECT_ATTRIBUTE_SUBDIVISION = 6,
    QX_OBJECT_ATTRIBUTE_SKIN = 7,
    QX_OBJECT_ATTRIBUTE_BIND_POSE = 8,
    QX_OBJECT_ATTRIBUTE_VISIBLE = 9,
    QX_OBJECT_ATTRIBUTE_LOCKED = 10,
    QX_OBJECT_ATTRIBUTE_FREEZE = 11,
};

// Every command here does its work in a non-virtual create step that returns nonzero (or the
// created object) on success; on failure the scene is as it was and the command is destroyed
// unpushed. `update` asks the create step to notify the host; undo and redo always do.

// Deletes whole objects (with their subtrees) and components of meshes.
class QX_API CQxDeleteCmd : public CQxTreeCmd {
public:
    using CQxTreeCmd::CQxTreeCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_DELETE; }
    void Redo() override;
    void Undo() override;

    // The records in tree pre-order, whole-object records standing for their subtrees. Clones
    // whose source goes are deleted with it.
    int Create(const CQxSelects& records, int update);
};

// A model, a group, a primitive mesh (or a primitive added into an existing mesh), or a clone.
class QX_API CQxCreateObjectCmd : public CQxTreeCmd {
public:
    using CQxTreeCmd::CQxTreeCmd;
    ~CQxCreateObjectCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_CREATE_OBJECT; }
    void Redo() override;
    void Undo() override;

    // clone: object is the source; otherwise object is the parent (null: the root model) and
    // type the kind; sizes and counts as the primitive's builder takes them. Returns the new
    // object, or the mesh a primitive was added into.
    CQxObject* Create(CQxObject* object, int clone, QX_OBJ_TYPE type, int update, const float sizes[3],
                      const unsigned int counts[3]);

private:
    // Builds the primitive into the mesh with the recorded sizes.
    int BuildPrimitive(CQxMesh& mesh, CQxAttribute* material, int append) const;

    QX_OBJ_TYPE m_Type = QX_OBJ_NONE;
    float m_Sizes[3] = {0.0f, 0.0f, 0.0f};
    unsigned int m_Counts[3] = {0, 0, 0};
    CQxIndexPath m_ParentPath; // the mesh added into
    unsigned int m_MaterialIndex = 0xFFFFFFFF;
    unsigned int m_OldCounts[3] = {0, 0, 0}; // vertices, edges, faces before the addition
    int m_Append = 0;
    std::unique_ptr<CQxTreeSelection> m_Before;
    std::unique_ptr<CQxTreeSelection> m_After;
};

// Puts an object under another parent (or before a sibling) keeping its place in the world.
class QX_API CQxMoveObjectCmd : public CQxTreeCmd {
public:
    using CQxTreeCmd::CQxTreeCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_MOVE_OBJECT; }
    void Redo() override;
    void Undo() override;

    // before: insert before target among its siblings; otherwise append as target's last child.
    int Create(CQxObject* object, CQxObject* target, int before, int update);

private:
    // Takes the object from `from` and inserts it at `to`, with the transform given.
    CQxObject* Relocate(const CQxIndexPath& from, const CQxIndexPath& to, const CQxTransformParam& param);
    void Notify(CQxObject* object);

    CQxIndexPath m_OldPath;
    CQxIndexPath m_NewPath;
    CQxTransformParam m_OldParam;
    CQxTransformParam m_NewParam;
    int m_CrossModel = 0;                      // the materials and references stay behind with the old model
    std::vector<CQxFaceMaterials> m_Materials; // per object of the subtree, in pre-order
};

// Appends the other selected meshes into the first and removes them.
class QX_API CQxMergeObjectsCmd : public CQxTreeCmd {
public:
    using CQxTreeCmd::CQxTreeCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_MERGE_OBJECT; }
    void Redo() override;
    void Undo() override;

    int Create(const CQxSelects& meshes, int update);

private:
    // Appends the sources into the target, last source first.
    int Append();

    CQxIndexPath m_TargetPath;
    std::vector<CQxIndexPath> m_SourcePaths;
    unsigned int m_OldCounts[3] = {0, 0, 0};
    int m_OldHasUV = 0;
    CQxMeshMates m_OldMates;
};

// Copies of the selected objects: mirrored (axis form) or stepped by scale, angles and
// translation (vector form).
class QX_API CQxDuplicateCmd : public CQxCmd {
public:
    explicit CQxDuplicateCmd(CQxScene* scene) : CQxCmd(scene), m_Store(scene) {}
    QX_CMD_TYPE GetType() const override { return QX_CMD_DUPLICATE_OBJECT; }
    void Redo() override;
    void Undo() override;

    int Create(const CQxSelects& records, unsigned int count, QX_AXIS_TYPE axis, int update);
    int Create(const CQxSelects& records, unsigned int count, const CQxVector& scale, const CQxVector& angle,
               const CQxVector& translate, int update);
    const CQxSnapshotStore& GetStore() const { return m_Store; }

private:
    // Makes count copies of every record; make(source, k) builds copy k (1-based) and tells
    // whether it is placed already.
    template <class Make>
    int MakeCopies(const CQxSelects& records, unsigned int count, int update, Make&& make);

    CQxSnapshotStore m_Store;
};

// Meshes read from a DXF or MQO file, put under a parent (the root model when none is given),
// with the materials the file brought into that parent's model.
class QX_API CQxImportCmd : public CQxCmd {
public:
    explicit CQxImportCmd(CQxScene* scene);
    ~CQxImportCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_IMPORT; }
    void Redo() override;
    void Undo() override;

    int Create(const char* path, CQxObject* parent, int update);
    const CQxSnapshotStore& GetStore() const { return m_Store; }

private:
    struct Materials;
    // Takes what the reader added to the root model beyond the given counts, moves it to the
    // parent's model and records it; `added` gets the objects. 0 when nothing was added.
    int Adopt(CQxObject& parent, unsigned int children, unsigned int attributes, std::vector<CQxObject*>& added);
    void Notify(QX_UPDATE_TYPE type, CQxSelects* objects);

    CQxSnapshotStore m_Store;
    std::unique_ptr<Materials> m_Materials;
};

// One attribute of one object (name, scale, angles, translation, pivot, visibility, lock,
// subdivision), or a freeze of several objects.
class QX_API CQxObjectAttributeCmd : public CQxCmd {
public:
    explicit CQxObjectAttributeCmd(CQxScene* scene);
    ~CQxObjectAttributeCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_OBJECT_ATTRIBUTE; }
    const char* GetName() const override;
    void Exchange(int undo) override;

    // value: a CQxVector for scale, angles, translation and pivot, a zero-terminated string
    // for the name.
    int CreateModify(QX_MODIFY_TYPE type, CQxObject* object, const void* value, int update);
    int CreateVisible(CQxObject* object, int visible, int update);
    int CreateLocked(CQxObject* object, int locked, int update);
    int CreateSubdivision(CQxObject* object, unsigned int level, int update);
    int CreateFreeze(const CQxSelects& objects, int update);
    // Binds the mesh to the skeleton below the joint (up to four influences with multi).
    int CreateSkin(CQxObject* mesh, CQxJoint* joint, int multi, int update);
    // Unbinds the skinned objects among the records.
    int CreateClearSkin(const CQxSelects& objects, int update);
    // Puts every bone of the records' skeletons back in its bind pose.
    int CreateBindPose(const CQxSelects& objects, int update);

    QX_OBJECT_ATTRIBUTE_TYPE GetKind() const { return m_Kind; }

private:
    struct FreezeEntry;
    CQxObject* Resolve() const;
    void ExchangeFreeze();
    void ExchangeSkins();
    void ExchangeBindPose();
    void Notify(CQxObject* object, unsigned int detail);

    QX_OBJECT_ATTRIBUTE_TYPE m_Kind = QX_OBJECT_ATTRIBUTE_NONE;
    CQxIndexPath m_Path;
    CQxString m_Name;
    CQxVector m_Vectors[2];
    CQxQuat m_Rotate;
    unsigned int m_Scalar = 0;
    std::vector<std::unique_ptr<FreezeEntry>> m_Freezes;
    std::unique_ptr<CQxSnapshotStore> m_Materials; // material table of the frozen meshes
    // The binding each object had before (after, once undone); an empty root path: none.
    std::vector<CQxSkinRef> m_Skins;
    // Each bone's transform before the bind pose was taken (after, once undone).
    struct BonePose {
        CQxIndexPath Path;
        CQxTransformParam Param;
    };
    std::vector<BonePose> m_BonePoses;
};

// Mirror flags and the mirror-connect flag of one object.
class QX_API CQxMirrorCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_SET_MIRROR; }
    void Exchange(int undo) override;

    int Create(CQxObject* object, unsigned int flags, int connect, int update);

private:
    CQxIndexPath m_Path;
    unsigned int m_Flags = 0;
    int m_Connect = 0;
};

// Turns faces over, adds back faces or removes them.
class QX_API CQxFaceSideCmd : public CQxCmd {
public:
    explicit CQxFaceSideCmd(CQxScene* scene);
    ~CQxFaceSideCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_FACE_SIDE; }
    void Redo() override;
    void Undo() override;

    int Create(QX_FACE_OP_TYPE op, const CQxSelects& records, int update);

private:
    struct Entry;
    void Apply(int undo);

    QX_FACE_OP_TYPE m_Op = QX_FACE_OP_INVERT;
    std::vector<std::unique_ptr<Entry>> m_Entries;
    CQxSnapshotStore m_Store; // the removed back faces
};

// The shade flag of faces.
class QX_API CQxShadeCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_SET_SHADE; }
    void Exchange(int undo) override;

    int Create(int shade, const CQxSelects& records, int update);

private:
    struct Entry {
        CQxIndexPath Path;
        std::vector<std::uint32_t> Faces; // positions of the faces whose flag changed
    };
    // Flips the recorded faces; their meshes are updated and reported.
    void Flip(CQxSelects* meshes);

    std::vector<Entry> m_Entries;
};

// Scene settings: the grid (16) and the joint radius (32).
class QX_API CQxSceneAttributeCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_SCENE_ATTRIBUTE; }
    void Exchange(int undo) override;

    int CreateGrid(float length, float interval, QX_AXIS_TYPE axis, unsigned long color, int update);
    int CreateJointRadius(float radius, int update);
    // The frame range (either end), the current frame, the create flags of new keys, and the
    // end of a play or frame drag (the frame it began at against the given one).
    int CreateFirstFrame(float frame, int update);
    int CreateLastFrame(float frame, int update);
    int CreateCurFrame(float frame, int update);
    int CreateFlags(const int* flags, int update);
    int CreateEndPlay(float frame, int update);

    unsigned int GetKind() const { return m_Kind; }

private:
    int CreateRange(int (CQxScene::*set)(float), float frame, int update);
    int SetFrame(float old, float frame, int update);
    void ExchangeFrame(int undo);

    unsigned int m_Kind = 0;
    float m_Values[2] = {0.0f, 0.0f}; // grid length and interval, the joint radius, or frames
    QX_AXIS_TYPE m_Axis = QX_AXIS_NONE;
    unsigned long m_Color = 0;
    int m_Flags[35] = {};
    CQxAnimatedValues m_Shown; // what the animated targets showed before a frame change
};
