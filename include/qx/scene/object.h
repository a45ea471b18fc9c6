#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "qx/basis/array.h"
#include "qx/basis/bin_tree.h"
#include "qx/basis/ptr_array.h"
#include "qx/basis/string.h"
#include "qx/export.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh.h"
#include "qx/graphics/viewport.h"
#include "qx/math/matrix.h"
#include "qx/math/point_rect.h"
#include "qx/math/stacks.h"
#include "qx/math/vector2d.h"
#include "qx/platform/gdi_object.h"
#include "qx/platform/types.h"
#include "qx/scene/transform_param.h"
#include "qx/scene/tree_node.h"

class CQxAttribute;
class CQxCamera;
class CQxJoint;
class CQxModel;
class CQxPrimitive;
class CQxScene;
class CQxSelect;
class CQxSelects;
class CQxUVSelects;
class CQxXmlElement;

// The kind of a scene object; GetTypeName gives the name it is stored under in a scene file.
enum QX_OBJ_TYPE : unsigned int {
    QX_OBJ_NONE = 0,
    QX_OBJ_MODEL = 1,
    QX_OBJ_GROUP = 2,
    QX_OBJ_MESH = 3,
    QX_OBJ_CUBE = 4,
    QX_OBJ_SPHERE = 5,
    QX_OBJ_CYLINDER = 6,
    QX_OBJ_CONE = 7,
    QX_OBJ_TORUS = 8,
    QX_OBJ_PLANE = 9,
    QX_OBJ_GRID = 10,
    QX_OBJ_JOINT = 11,
    QX_OBJ_AXES = 12,
    QX_OBJ_CAMERA = 13,
    QX_OBJ_STATIC = 14,
    QX_OBJ_WIDGET_GROUP = 15,
    QX_OBJ_EDIT = 16,
    QX_OBJ_CHECK = 17,
    QX_OBJ_BUTTON = 18,
};

// The name of a type ("-None-" for values outside the table).
QX_API const char* QxGetObjTypeName(QX_OBJ_TYPE type);

enum QX_OBJ_MODE : unsigned int {
    QX_OBJ_MODE_NORMAL = 0,
    QX_OBJ_MODE_WEIGHT = 1, // the object shows and edits skin weights
};

// The bend limits of one IK chain joint: a hinge about PlaneDir (in the joint's parent frame)
// between two angles in radians; a zero axis leaves the joint free.
class QX_API CQxRotateConstraint {
public:
    CQxRotateConstraint() { Init(); }
    void Init();
    int IsValid() const;
    // Brings an angle outside the limits to the nearer limit (by the shortest turn); 0 for a
    // free joint, 1 otherwise.
    int ConstrainAngle(float& angle) const;
    CQxVector& PlaneDir() { return m_PlaneDir; }
    const CQxVector& PlaneDir() const { return m_PlaneDir; }
    float& MinAngle() { return m_MinAngle; }
    const float& MinAngle() const { return m_MinAngle; }
    float& MaxAngle() { return m_MaxAngle; }
    const float& MaxAngle() const { return m_MaxAngle; }

private:
    CQxVector m_PlaneDir;
    float m_MinAngle;
    float m_MaxAngle;
};

// Everything that stands in a scene's object tree. A plain CQxObject is a mesh object; the
// other kinds derive from it and change behaviour through the virtual operations, which are
// declared in their fixed order.
class QX_API CQxObject : public CQxTreeNode<CQxObject> {
public:
    // The four meshes of an object.
    enum : unsigned int { MESH_MAIN = 0, MESH_MIRROR = 1, MESH_BOUND = 2, MESH_HANDLE = 3, MESH_COUNT = 4 };

    // user: 1 for objects the user edits, 0 for internal ones (grid, axes, cameras).
    explicit CQxObject(int user = 0);
    // Copies the kind flag, name, visibility, lock, transform, the edited mesh, mirror settings,
    // HasUV and component mode; no parent, children, skin, IK, subdivision or graphics.
    CQxObject(const CQxObject& other);
    // Copies everything, skin, IK, all meshes and (through the tree node) the children.
    CQxObject& operator=(const CQxObject& other);

    // --- Virtual interface, in its fixed order -------------------------------------------------
    virtual ~CQxObject();
    virtual void Delete();
    virtual QX_OBJ_TYPE GetType() const { return QX_OBJ_MESH; }
    virtual int IsUserType() const;
    virtual int IsClone() const { return GetOriginal() != nullptr; }
    virtual CQxObject* GetOriginal() const { return nullptr; }
    virtual void GetBoundBox(CQxBoundBox& box, CQxMatrixStack& stack) const;
    virtual int HasShape() const;
    virtual int IsFreezable() const;
    virtual int Freeze();
    virtual int SetVisible(int visible);
    virtual int SetComponentMode(int on, int deep);
    virtual int SetLocked(int locked);
    virtual const char* GetTypeName() const { return QxGetObjTypeName(GetType()); }
    virtual const char* GetName() const { return m_Name.GetStr(); }
    virtual void SetName(const char* name);

    // Drawing passes over the subtree on the graphics device, each object with its cached world
    // matrix (UpdateTransform). Hidden objects draw nothing; their children still draw.
    // Shaded faces, each with its attribute's material (faces without one in the model's
    // colour). With `deep` 0, objects in component mode are left to their wires and picks.
    virtual void TreeDrawModelNormal(int deep);
    // The faces of one attribute (the device's material is left as the caller set it); the
    // subtree too when deep.
    virtual void TreeDrawNormal(CQxAttribute* attribute, int deep);
    // Wires (edges and face sides) of every object but joints.
    virtual void TreeDrawLighted();
    // Bounding boxes and pivot markers of the selected objects.
    virtual void TreeDrawBoundBox();
    virtual void TreeDrawPivot();
    // The IK handles (lines to the IK roots) of the objects that have one.
    virtual void TreeDrawLightedHandle(CQxCamera* camera);
    virtual void TreeDrawJoint();
    // Pick markers of the visible user objects that are not joints: with `handle`, their IK
    // handles; for objects in component mode their vertices, only the selected ones when
    // `deep` (the selected-picks setting) is set.
    virtual void TreeDrawLightedPicks(int handle, int deep);
    // Markers `size` pixels wide at the selected vertices of objects in component mode, placed
    // on the CPU (skinned objects follow their bones); the subtree when deep.
    virtual void TreeDrawTransformedPicks(CQxCamera* camera, float size, int deep);
    virtual void DrawWidget(HDC dc);
    // The texture coordinates of the selected faces in a UV view, where UV space (u right, v
    // down, 0..1) fills the viewport: their lines, then their points.
    virtual void DrawUVFaces(CQxCamera* camera);
    virtual void DrawUVVertices(CQxCamera* camera);
    // The same on a 2D canvas of the given size.
    virtual void DrawUV(HDC dc, unsigned int width, unsigned int height);

    virtual void UpdateBoundBox();
    virtual void UpdateGraphics();
    virtual void UpdateGeometry();
    virtual void UpdatePrimitives();

    // Hit tests of this object alone. `best` is a depth: only hits nearer are reported, and it
    // is lowered to the hit; `pos` gets the hit point in world space. On a hit the record is
    // cleared and gets the object and the element hit.
    virtual int IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                           const CQxArray<CQxMatrix>& bones, const CQxMatrix& view,
                           const CQxMatrix& projection, CQxVector& pos, CQxSelect& select);
    virtual int IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                           const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                           CQxVector& pos, CQxSelect& select);
    virtual int IsHandlePointHit(unsigned int mask, const CQxPoint& point, float& best,
                                 const CQxViewPort& viewport, const CQxMatrix& world, const CQxMatrix& view,
                                 const CQxMatrix& projection, CQxVector& pos, CQxSelect& select);
    virtual int IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                          const CQxArray<CQxMatrix>& bones, const CQxMatrix& view,
                          const CQxMatrix& projection, CQxSelect& select);
    virtual int IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                          const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                          CQxSelect& select);
    virtual int IsHandleRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                                const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                                CQxSelect& select);

    // Hit tests of the subtree; the stack holds the parent's world matrix on top. Only visible,
    // unlocked objects are tested; the record ends holding the nearest hit.
    virtual int IsTreePointHit(unsigned int mask, int objectMode, int handle, const CQxPoint& point,
                               float& best, const CQxViewPort& viewport, CQxMatrixStack& stack,
                               const CQxMatrix& view, const CQxMatrix& projection, CQxVector& pos,
                               CQxSelect& select);
    // Joints only (they are drawn in front of everything).
    virtual int IsJointTreePointHit(unsigned int mask, const CQxPoint& point, float& best,
                                    const CQxViewPort& viewport, CQxMatrixStack& stack, const CQxMatrix& view,
                                    const CQxMatrix& projection, CQxVector& pos, CQxSelect& select);
    // Handles only (the IK handles, drawn in front).
    virtual int IsHandleTreePointHit(unsigned int mask, const CQxPoint& point, float& best,
                                     const CQxViewPort& viewport, CQxMatrixStack& stack,
                                     const CQxMatrix& view, const CQxMatrix& projection, CQxVector& pos,
                                     CQxSelect& select);
    // Every object hit adds its own record. Deep: the record of a hit object stands for its
    // subtree, so its descendants are not tested.
    virtual int IsTreeRectHit(unsigned int mask, int deep, int objectMode, int handle, const CQxRect& rect,
                              const CQxViewPort& viewport, CQxMatrixStack& stack, const CQxMatrix& view,
                              const CQxMatrix& projection, CQxSelects& selects);
    // Texture coordinates of the subtree's meshes in a UV view of the viewport's size.
    virtual int IsUVHit(const CQxRect& rect, const CQxViewPort& viewport, CQxUVSelects& selects);
    virtual int IsUVHit(const CQxPoint& point, float& best, const CQxViewPort& viewport,
                        CQxUVSelects& selects);

    // Scene file (the base reads and writes what every object has).
    virtual int Read(CQxScene* scene, CQxBinTree<CQxObject*, CQxString>& bones, CQxXmlElement* element,
                     CQxAttribute* const* attributes);
    virtual int Write(CQxXmlElement* element);
    virtual int ReadDxf(const CQxString& text, unsigned int& pos);
    virtual int WriteDxf(void* file, unsigned int& count, CQxMatrixStack& stack);
    virtual int WriteX(CQxString& text, unsigned int indent);
    virtual int WriteAttributesX(CQxString& text, unsigned int indent);
    virtual int WriteAnimX(CQxString& text, unsigned int indent);

protected:
    // The transform used for drawing and picking with a view; the base is the full transform.
    virtual int GetTransform(CQxMatrix& out, const CQxViewPort& viewport, const CQxMatrix& parentWorld,
                             const CQxMatrix& view, const CQxMatrix& projection);

public:
    virtual int GetTransform(CQxMatrix& out, unsigned int mask, int leftHand) const;
    virtual int IsTransformAvailable(unsigned int mask, int leftHand) const;
    virtual void UpdateModelIndices(int deep);
    virtual int ReadAttributes(CQxScene* scene, CQxXmlElement* element, CQxArray<CQxAttribute*>& attributes);
    virtual int ReadWidgets(CQxXmlElement* element);
    virtual int ReadAnim(CQxXmlElement* element);
    virtual int WriteAttributes(CQxXmlElement* element);
    virtual int WriteWidgets(CQxXmlElement* element);
    virtual int WriteAnim(CQxXmlElement* element);
    virtual int HasPrivateTransform() const { return 0; }
    virtual int GetPrivateTransform(CQxMatrix& out) const;

protected:
    virtual void DrawNormal(CQxAttribute* attribute);
    virtual void DrawLighted();
    virtual void DrawLightedPicks();
    virtual void DrawPivot();
    virtual void DrawJoint();
    virtual void DrawBoundBox();
    virtual void DrawLightedHandle(CQxCamera* camera);
    virtual void DrawTransformedPicks(CQxCamera* camera, const CQxArray<CQxMatrix>& bones, float size);
    virtual void DrawTransformedPicks(CQxCamera* camera, const CQxMatrix& world, float size);

public:
    virtual void DeleteGraphics();
    virtual void DeletePrimitives();
    // --- End of the fixed virtual interface ----------------------------------------------------

    // Fields.
    int& IsUser() { return m_IsUser; }
    const int& IsUser() const { return m_IsUser; }
    CQxString& Name() { return m_Name; }
    const CQxString& Name() const { return m_Name; }
    int& IsVisible() { return m_IsVisible; }
    const int& IsVisible() const { return m_IsVisible; }
    int& IsLocked() { return m_IsLocked; }
    const int& IsLocked() const { return m_IsLocked; }
    CQxTransformParam& TFParam() { return m_TFParam; }
    const CQxTransformParam& TFParam() const { return m_TFParam; }
    CQxVector& Pivot() { return m_TFParam.Pivot(); }
    const CQxVector& Pivot() const { return m_TFParam.Pivot(); }
    CQxVector& Scale() { return m_TFParam.Scale(); }
    const CQxVector& Scale() const { return m_TFParam.Scale(); }
    CQxVector& Translate() { return m_TFParam.Translate(); }
    const CQxVector& Translate() const { return m_TFParam.Translate(); }
    const CQxQuat& Rotate() const { return m_TFParam.Rotate(); }
    const CQxVector& Angle() const { return m_TFParam.Angle(); }
    int SetRotate(const CQxQuat& rotate, int exact) { return m_TFParam.SetRotate(rotate, exact); }
    void SetAngle(const CQxVector& angle) { m_TFParam.SetAngle(angle); }
    void AddAngle(const CQxVector& angle) { m_TFParam.AddAngle(angle); }
    int GetRotate(CQxQuat& out) const { return m_TFParam.GetRotate(out); }
    // The world matrix and the private (joint) world matrix UpdateTransform computed.
    const CQxMatrix& GetCachedTransform() const { return m_Transform; }
    const CQxMatrix& GetCachedPrivateTransform() const { return m_PrivateTransform; }
    CQxMesh& Mesh(unsigned int i = MESH_MAIN) { return m_Meshes[i < MESH_COUNT ? i : MESH_MAIN]; }
    const CQxMesh& Mesh(unsigned int i = MESH_MAIN) const { return m_Meshes[i < MESH_COUNT ? i : MESH_MAIN]; }
    CQxBoundBox& BoundBox() { return m_BoundBox; }
    const CQxBoundBox& BoundBox() const { return m_BoundBox; }
    unsigned int& MirrorFlags() { return m_MirrorFlags; }
    const unsigned int& MirrorFlags() const { return m_MirrorFlags; }
    int& IsMirrorConnect() { return m_IsMirrorConnect; }
    const int& IsMirrorConnect() const { return m_IsMirrorConnect; }
    unsigned int& SubdivisionLevel() { return m_SubdivisionLevel; }
    const unsigned int& SubdivisionLevel() const { return m_SubdivisionLevel; }
    CQxJoint*& RootBone() { return m_RootBone; }
    CQxJoint* const& RootBone() const { return m_RootBone; }
    int IsSkinned() const { return m_RootBone != nullptr; }
    CQxArray<CQxTransformParam>& BindParams() { return m_BindParams; }
    const CQxArray<CQxTransformParam>& BindParams() const { return m_BindParams; }
    CQxMatrix& OffsetTransform() { return m_OffsetTransform; }
    const CQxMatrix& OffsetTransform() const { return m_OffsetTransform; }
    CQxMatrix& OffsetTransformLH() { return m_OffsetTransformLH; }
    const CQxMatrix& OffsetTransformLH() const { return m_OffsetTransformLH; }
    // Skinning work matrices (filled by the skeleton code).
    CQxArray<CQxMatrix>& SkinWork(unsigned int i) { return m_SkinWork[i & 1]; }
    CQxArray<CQxMatrix>& BoneTransforms() { return m_BoneTransforms; }
    const CQxArray<CQxMatrix>& BoneTransforms() const { return m_BoneTransforms; }
    CQxObject*& IKRoot() { return m_IKRoot; }
    CQxObject* const& IKRoot() const { return m_IKRoot; }
    int IsIKed() const { return m_IKRoot != nullptr; }
    CQxArray<CQxRotateConstraint>& IKConstraints() { return m_IKConstraints; }
    const CQxArray<CQxRotateConstraint>& IKConstraints() const { return m_IKConstraints; }
    const QX_OBJ_MODE& Mode() const { return m_Mode; }
    unsigned int& CurBone() { return m_CurBone; }
    const unsigned int& CurBone() const { return m_CurBone; }
    int& HasUV() { return m_HasUV; }
    const int& HasUV() const { return m_HasUV; }
    int& IsComponentMode() { return m_IsComponentMode; }
    const int& IsComponentMode() const { return m_IsComponentMode; }
    unsigned char& IsHandleSelect() { return Flag(1); }
    const unsigned char& IsHandleSelect() const { return Flag(1); }

    // Settings with their return rules (0: nothing changed, nobody told).
    int SetMirror(unsigned int flags, int connect);
    int SetSubdivision(unsigned int level);
    int SetMode(QX_OBJ_MODE mode, int deep);

    // Skinning: binds the edited mesh to the skeleton below `root` in its present pose (up to four
    // influences per vertex with `multi`, else one); 0 without a root or a mesh.
    int SetSkin(CQxJoint* root, int multi);
    // Drops the binding: root bone, bind data, bone matrices and the vertices' weights.
    void ClearSkin();
    // Sizes the bone matrices to the bind parameters and computes the bind-pose matrices.
    void UpdateBoneTransforms();
    // Shows the given per-vertex colours (ARGB, by list position) over the faces.
    void UpdateWeightColors(const CQxArray<unsigned long>& colors);

    // Inverse kinematics: makes this object the end of a chain up to the ancestor `root`, with
    // hinge limits taken from the present pose; 0 for a null root, the current one or one that
    // is no ancestor.
    int SetIKRoot(CQxObject* root);
    void ClearIKRoot();
    // The chain joints from the parent up to and including `root` (0 and none for null).
    unsigned int GetIKNodeCount(CQxObject* root) const;
    unsigned int GetIKNodes(CQxObject* root, CQxArray<CQxObject*>& nodes) const;
    // Whether the node lies on this object's own chain.
    int HasIKNode(const CQxObject* node) const;
    // Turns the chain of `end` so that this object (the effector, on that chain or the end
    // itself) reaches the world position `goal`; 1 solved, 0 refused.
    int ExecuteIK(CQxObject* end, const CQxVector& goal, float tolerance);

    // Selection.
    void Select(int on, int deep);
    void ToggleSelect(int deep);
    void SelectHandle(int on, int deep);
    void ToggleSelectHandle(int deep);
    void Select(int on, const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges);
    void ToggleSelect(const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                      const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges);
    void SelectUVs(int on, const CQxArray<CQxHalfEdge*>& halfEdges);
    // Every texture coordinate of the edited mesh (the subtree's too when deep).
    void SelectUVs(int on, int deep);
    void ToggleSelectUVs(const CQxArray<CQxHalfEdge*>& halfEdges);
    // Adds the offset (u, v) to the texture coordinates of the given corners.
    void MoveUVs(const CQxArray<CQxHalfEdge*>& halfEdges, const CQxVector2D& offset);
    int HasEdgeFaceSelect(int deep) const;
    int HasVertexFaceHalfEdgeSelect(int deep) const;
    int HasFaceSelect(int deep) const;
    // One record for this object with its selected components, when it is selected.
    int GetSelect(CQxSelect& select) const;
    // Records of the selected objects in pre-order (the subtree when deep).
    int GetSelects(CQxSelects& selects, int deep) const;
    // The input of deleting the selection: walks this object (its subtree when deep) in
    // pre-order and adds a whole-object record for every object under a whole-object record of
    // `selects` and a copy of every component record, so whole subtrees go and children come
    // after their parents. Returns whether anything was added.
    int GetExtraDeleteObjects(const CQxSelects& selects, CQxSelects& out, int deep) const;
    int GetHandleSelect(CQxSelect& select) const;
    int GetHandleSelects(CQxSelects& selects, int deep) const;
    int GetUVSelects(CQxUVSelects& selects, int deep) const;

    // Tree queries.
    CQxModel* GetModel() const;
    void GetModels(CQxArray<CQxModel*>& models, int deep) const;
    void GetSelectModels(CQxArray<CQxModel*>& models, int deep) const;
    CQxObject* FindName(const char* name) const;
    CQxObject* FindMode(QX_OBJ_MODE mode) const;
    unsigned int GetChildJointCount() const;
    int IsChildJointEmpty() const { return GetChildJointCount() == 0; }
    // "_" + each path entry as %d + "_" (the path 0, 12 gives _012_).
    static void GetUniqueName(const CQxArray<unsigned int>& path, CQxString& out);

    // Replaces this object's content with the source's, mirrored about the axis.
    void Duplicate(const CQxObject& source, QX_AXIS_TYPE axis);
    // A new object of the source's own kind made by that kind's copy constructor (so without
    // children); kinds that cannot be copied are copied as their nearest copyable base.
    static CQxObject* NewCopy(const CQxObject& source);
    // Drops the texture coordinates of the edited mesh.
    void ClearUV();

    // Transforms to and from the root (mask and left-handed flag as in CQxTransformParam).
    void GetTransformToRoot(CQxMatrixStack& stack, unsigned int mask, int leftHand) const;
    void GetLocalTransformToRoot(CQxMatrixStack& stack, unsigned int mask, int leftHand) const;
    void GetTransformToAncestor(const CQxObject* ancestor, CQxMatrixStack& stack, unsigned int mask,
                                int leftHand) const;
    void GetEveryInvTransformToRoot(CQxMatrixStack& stack, unsigned int mask, int leftHand) const;
    CQxMatrix GetTransformToRoot(unsigned int mask, int leftHand) const;
    CQxMatrix GetLocalTransformToRoot(unsigned int mask, int leftHand) const;
    CQxMatrix GetTransformToAncestor(const CQxObject* ancestor, unsigned int mask, int leftHand) const;
    CQxMatrix GetTransformFromRoot(unsigned int mask, int leftHand) const;
    CQxMatrix GetLocalTransformFromRoot(unsigned int mask, int leftHand) const;
    CQxMatrix GetTransformFromAncestor(const CQxObject* ancestor, unsigned int mask, int leftHand) const;
    CQxMatrix GetTransform(unsigned int mask, int leftHand) const;
    void GetRotateToRoot(CQxQuatStack& stack) const;
    void GetLocalRotateToRoot(CQxQuatStack& stack) const;
    CQxQuat GetRotateToRoot() const;
    CQxQuat GetLocalRotateToRoot() const;
    CQxQuat GetRotateFromRoot() const;
    CQxQuat GetLocalRotateFromRoot() const;
    // Computes the cached world matrices of the subtree for drawing and picking with the camera
    // (null: no view, plain transforms); the stack holds the parent's world matrix on top.
    void UpdateTransform(CQxMatrixStack& stack, CQxCamera* camera);
    // Moves the pivot keeping the object in place, and the pivot marker with it.
    int MovePivot(const CQxVector& pivot);
    // UpdateGeometry after vertices of the edited mesh moved and nothing else changed (no
    // element added or removed, no selection state): the primitives follow without rebuilding.
    void UpdateMovedGeometry();

    // The transform used in views (screen-size objects scale themselves), for callers outside.
    int GetViewTransform(CQxMatrix& out, const CQxViewPort& viewport, const CQxMatrix& parentWorld,
                         const CQxMatrix& view, const CQxMatrix& projection) {
        return GetTransform(out, viewport, parentWorld, view, projection);
    }

    // The primitives (for inspection by views and tests).
    enum : unsigned int {
        PRIM_EDGES = 0,
        PRIM_POINTS,
        PRIM_PICKS,
        PRIM_PIVOT,
        PRIM_BOUND_BOX,
        PRIM_HANDLE,
        PRIM_UV_EDGES,
        PRIM_WEIGHTS,
        PRIM_JOINT,
        PRIM_COUNT
    };
    unsigned int GetFacePrimitiveCount() const { return m_FacePrimitiveCount; }
    CQxPrimitive* GetFacePrimitive(unsigned int i) const;
    CQxAttribute* GetFacePrimitiveAttribute(unsigned int i) const;
    CQxPrimitive* GetPrimitive(unsigned int which) const {
        return which < PRIM_COUNT ? m_Primitives[which] : nullptr;
    }

protected:
    // The mesh whose faces are drawn: the subdivision mesh, the mirror mesh or the edited one.
    const CQxMesh& GetDrawMesh() const;
    // The world matrix the object is drawn with: the private one for objects that have it.
    const CQxMatrix& GetDrawTransform() const {
        return HasPrivateTransform() ? m_PrivateTransform : m_Transform;
    }
    void SetModeValue(QX_OBJ_MODE mode) { m_Mode = mode; }
    // Builds the pivot marker at the pivot, sized by the bounding box.
    void BuildPivotPrimitive();
    // UpdateGeometry after the selection states of exactly the listed elements of the edited
    // mesh changed: the primitives follow without rebuilding.
    void UpdateSelectionGeometry(const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                                 const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges);
    CQxPrimitive*& Primitive(unsigned int which) { return m_Primitives[which]; }

private:
    struct FacePrimitive {
        CQxAttribute* Attribute = nullptr;
        std::unique_ptr<CQxPrimitive> Primitive;
    };

    // What changed since the graphics were last brought up to date, when the caller knows it;
    // the next UpdateGeometry takes it and brings only that up to date.
    enum class GeometryChange : unsigned char { Any, Positions, Selection };
    struct SelectionChange {
        const CQxArray<CQxVertex*>& Vertices;
        const CQxArray<CQxEdge*>& Edges;
        const CQxArray<CQxFace*>& Faces;
        const CQxArray<CQxHalfEdge*>& HalfEdges;
    };

    // Drawn at all: visible, and a shape of its own or a clone's.
    int IsDrawn() const { return IsVisible() && (HasShape() || IsClone()); }
    // Builds the mirror mesh and the subdivision meshes the faces are drawn from.
    void PrepareDrawMeshes();
    // Builds every primitive from the meshes as they are.
    void BuildPrimitives();
    void BuildFacePrimitives();
    // The primitives that follow selection and shape: wires, points, markers, UVs, weights.
    void BuildDetailPrimitives();
    // The markers among them: pivot, bounding box, IK handle, weight colours.
    void BuildMarkerPrimitives();
    // The wires, points and picks follow moved vertices, or a selection change, in place;
    // false when one of them cannot (it is then left for a rebuild).
    bool FollowMovedVertices();
    bool FollowSelection(const SelectionChange& change);
    // Selects or unselects every component, listing those whose state changed.
    void SelectAllComponents(unsigned char on);
    // The record of what the selection methods selected (see m_KnownSelection).
    bool IsSelectionKnown() const;
    void KnowNoSelection();
    void KnowSelected(const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                      const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges);
    void ForgetSelection() { m_KnownSelection.Valid = false; }
    // The IK handle in mesh [3]: a line from the pivot to the IK root's pivot and a cross.
    void BuildHandleMesh();
    // Fills the weight-colour primitive with the weights of the current bone.
    void BuildWeightColors();
    // Shows a skinned object bent by its bones' present pose: its primitives take the deformed
    // positions when the pose changed or they were rebuilt since (SkinPose, object_skin.cpp).
    void ShowSkinPose();
    void ForgetSkinPose();
    // The binding's fields emptied (root bone, bind data, bone matrices, current bone), without
    // touching the mesh or the graphics.
    void DropSkin();
    // The bone matrices of the present pose into BoneTransforms, mapping the mesh to the space
    // of `world` (the object's world matrix); false when the skeleton no longer matches.
    bool UpdateSkinHitMatrices(const CQxMatrix& world);
    // Draws the face primitives of one attribute with the device's world matrix, and again
    // mirrored for a mirror that is not connected.
    void DrawFacePrimitives(const CQxAttribute* attribute);
    // Draws a primitive of the given slot with the device's world matrix.
    void DrawPrimitive(unsigned int which) const;

    int m_IsUser;
    CQxString m_Name;
    int m_IsVisible = 1;
    int m_IsLocked = 0;
    CQxTransformParam m_TFParam;
    CQxMatrix m_Transform;
    CQxMatrix m_PrivateTransform;
    CQxMesh m_Meshes[MESH_COUNT];
    CQxBoundBox m_BoundBox;
    unsigned int m_MirrorFlags = 0;
    int m_IsMirrorConnect = 0;
    unsigned int m_SubdivisionLevel = 0;
    CQxJoint* m_RootBone = nullptr;
    CQxArray<CQxTransformParam> m_BindParams;
    CQxMatrix m_OffsetTransform;
    CQxMatrix m_OffsetTransformLH;
    CQxArray<CQxMatrix> m_SkinWork[2];
    CQxArray<CQxMatrix> m_BoneTransforms;
    CQxObject* m_IKRoot = nullptr;
    CQxArray<CQxRotateConstraint> m_IKConstraints;
    QX_OBJ_MODE m_Mode = QX_OBJ_MODE_NORMAL;
    unsigned int m_CurBone = 0;
    int m_HasUV = 0;
    int m_IsComponentMode = 0;
    // Graphics: one face primitive per attribute drawn, and the others by PRIM_ index.
    std::vector<FacePrimitive> m_FacePrimitives;
    unsigned int m_FacePrimitiveCount = 0;
    CQxPrimitive* m_Primitives[PRIM_COUNT] = {};
    GeometryChange m_GeometryChange = GeometryChange::Any;
    const SelectionChange* m_SelectionChange = nullptr;
    // The picks primitive while no vertex is selected (the slot is then empty), kept so that the
    // next selection fills it in place.
    std::unique_ptr<CQxPrimitive> m_IdlePicks;
    // The components selected through the selection methods since the edited mesh was last seen
    // to have none selected, so that unselecting everything visits only these. It holds while
    // no element was linked or unlinked and no other change may have set a flag (a full
    // geometry or graphics update of the object, the scene's PrepareTool).
    struct KnownSelection {
        bool Valid = false;
        std::uint64_t Topology = 0;
        std::uint64_t Generation = 0;
        std::vector<CQxVertex*> Vertices;
        std::vector<CQxEdge*> Edges;
        std::vector<CQxFace*> Faces;
        std::vector<CQxHalfEdge*> HalfEdges;
    };
    KnownSelection m_KnownSelection;
    // The deformed pose the primitives show; null until a skinned object is first drawn.
    struct SkinPose;
    std::unique_ptr<SkinPose> m_SkinPose;
};
