#pragma once

#include <string_view>

#include "qx/basis/array.h"
#include "qx/basis/string.h"
#include "qx/commands/cmd_manager.h"
#include "qx/export.h"
#include "qx/graphics/attribute.h"
#include "qx/graphics/graphics_device.h"
#include "qx/graphics/light.h"
#include "qx/graphics/primitive.h"
#include "qx/math/point_rect.h"
#include "qx/math/spline.h"
#include "qx/math/vector2d.h"
#include "qx/math/vector.h"
#include "qx/platform/canvas.h"
#include "qx/play/sim_manager.h"
#include "qx/play/task_manager.h"
#include "qx/scene/model.h"
#include "qx/scene/object_kinds.h"
#include "qx/selection/select.h"
#include "qx/tools/manipulator.h"
#include "qx/tools/tool_manager.h"

class CQxAnim;
class CQxAnimItemSelect;
class CQxAnimItemSelects;
enum QX_ANIM_SELECT_TYPE : unsigned int;
class CQxCamera;
class CQxManipulator;
class CQxScene;
class CQxSelect;
class CQxSelects;
class CQxAction;
class CQxUVSelects;
class CQxUVView;
// Arguments of the object commands (qx/commands/object_cmds.h).
enum QX_MODIFY_TYPE : unsigned int;
enum QX_FACE_OP_TYPE : unsigned int;

// What a scene tells its host through the update callback. The three pointer arguments carry
// what each code defines (for QX_UPDATE_SCENE the changed parts as bits in the first one).
enum QX_UPDATE_TYPE : unsigned int {
    QX_UPDATE_ACTIVE = 0,
    QX_UPDATE_INACTIVE = 1,
    QX_UPDATE_SCENE = 2,
    QX_UPDATE_OBJECT_INSERT = 3,
    QX_UPDATE_OBJECT_REMOVE = 4,
    QX_UPDATE_SELECT = 5,
    QX_UPDATE_TRANSFORM = 6,
    QX_UPDATE_MESH = 7,
    QX_UPDATE_UV_SELECT = 8,
    QX_UPDATE_UV = 9,
    QX_UPDATE_TOOL = 10,
    QX_UPDATE_NUMERICAL_RESET = 11,
    QX_UPDATE_NUMERICAL = 12,
    QX_UPDATE_ATTRIBUTE_LIST = 13,
    QX_UPDATE_CUR_ATTRIBUTE = 14,
    QX_UPDATE_ATTRIBUTE = 15,
    QX_UPDATE_WEIGHT = 16,
    QX_UPDATE_CUR_ACTION = 18,
    QX_UPDATE_ANIM_ITEM_SELECT = 20,
    QX_UPDATE_ANIM_KEY = 21,
    QX_UPDATE_GRAPH = 23,
    QX_UPDATE_PLAY = 24,
    QX_UPDATE_REDRAW = 25,
    QX_UPDATE_FILE_READ = 27,
};

// Bits of the first argument of QX_UPDATE_SCENE: which scene settings changed.
enum : unsigned int {
    QX_SCENE_ANIM_ITEM_CREATE_FLAGS = 1,
    QX_SCENE_CUR_FRAME = 8,
    QX_SCENE_GRID = 16,
    QX_SCENE_JOINT_RADIUS = 32,
    QX_SCENE_FIRST_FRAME = 2048,
    QX_SCENE_LAST_FRAME = 4096,
};

// The host callback: (user pointer, scene, code, three arguments).
using QX_UPDATE_FUNC = void (*)(void* user, CQxScene* scene, QX_UPDATE_TYPE type, void* arg1, void* arg2,
                                void* arg3);

// Every live scene, in creation order, and the one the user works in. Scenes enter and leave
// the list themselves.
class QX_API CQxSceneList {
public:
    static CQxSceneList& Instance();

    CQxScene* GetActiveScene() const { return m_ActiveScene; }
    // Makes the scene active: the previous one gets OnActive(0), then the new one OnActive(1).
    // 0 when it already is active or is not listed.
    int SetActiveScene(CQxScene* scene);
    const CQxArray<CQxScene*>& GetScenes() const { return m_Scenes; }
    unsigned int GetSceneCount() const { return m_Scenes.GetSize(); }
    CQxScene* GetScene(unsigned int i) const { return i < m_Scenes.GetSize() ? m_Scenes[i] : nullptr; }

    // Appends a scene once; removing clears the active scene when it was that one.
    int AddScene(CQxScene* scene);
    int RemoveScene(CQxScene* scene);

private:
    CQxSceneList() = default;

    CQxScene* m_ActiveScene = nullptr;
    CQxArray<CQxScene*> m_Scenes;
};

// The document: the root model and the object tree below it, grid, axes, light and colours,
// the frame range and playback settings, and the per-scene managers. It lists the camera views
// that show it without owning them and tells the host of every change through one callback.
class QX_API CQxScene {
public:
    static constexpr unsigned int AnimItemCreateFlagCount = 35;
    // The manipulator's materials: X, Y, Z and centre.
    enum : unsigned int { MANIP_X = 0, MANIP_Y = 1, MANIP_Z = 2, MANIP_CENTER = 3, MANIP_COUNT = 4 };

    CQxScene();
    // A new scene with the other's settings (frames, grid, colours, draw and create flags); the
    // content, cameras, callback and history are not copied.
    CQxScene(const CQxScene& other);
    CQxScene& operator=(const CQxScene& other);

    // --- Virtual interface, in its fixed order ------------------------------------------------
    virtual ~CQxScene();
    // Drawing of a camera view and of the UV view; the views work provides them.
    virtual QX_GRAPHICS_RESULT Draw(CQxCamera* camera, HDC dc);
    virtual QX_GRAPHICS_RESULT DrawUV(CQxCamera* camera, CQxAttribute* attribute);
    // 1: the scene became active; 0: it stopped being active.
    virtual void OnActive(int active);
    // A listed camera was activated: it becomes the active camera and the scene the active one.
    virtual void OnCameraActive(CQxCamera* camera);
    // Chooses the writer or reader by extension (letter case ignored).
    virtual int WriteFile(const char* path);
    virtual int ReadFile(const char* path, int update);
    virtual int WriteXmlFile(const char* path);
    virtual int ReadXmlFile(const char* path);
    virtual int ReadXmlFileOnTime(const char* path);
    virtual int WriteDxfFile(const char* path);
    virtual int ReadMqoFile(const char* path);
    virtual int ReadDxfFile(const char* path);
    virtual int WriteXFile(const char* path);
    virtual int ReadXFile(const char* path);
    // --- End of the fixed virtual interface ----------------------------------------------------

    // Ends every operation and deletes the whole content of the root model.
    void ClearData();

    // --- Managers -------------------------------------------------------------------------------
    CQxToolManager& ToolManager() { return m_ToolManager; }
    CQxToolManager& UVToolManager() { return m_UVToolManager; }
    CQxToolManager& GraphToolManager() { return m_GraphToolManager; }
    CQxCmdManager& CmdManager() { return m_CmdManager; }
    CQxTaskManager& TaskManager() { return m_TaskManager; }
    CQxSimManager& SimManager() { return m_SimManager; }
    const CQxToolManager& ToolManager() const { return m_ToolManager; }
    const CQxCmdManager& CmdManager() const { return m_CmdManager; }
    const CQxTaskManager& TaskManager() const { return m_TaskManager; }
    int IsPlaying() const { return m_TaskManager.IsRunning(); }

    // Replaces the manipulator by a new one of the type at the position (null when it cannot be
    // built); the scene owns it.
    CQxManipulator* CreateManipulator(QX_MANIPULATOR_TYPE type, const CQxVector& position);
    CQxManipulator* GetManipulator() const { return m_Manipulator; }
    void ClearManipulator();
    // Pick test of the manipulator's parts from a camera (0 without a manipulator); the record
    // names the part hit, `pos` gets the hit point.
    int IsManipulatorPointHit(unsigned int mask, const CQxPoint& point, const CQxCamera& camera, CQxVector& pos,
                              CQxSelect& select);
    CQxAttribute& ManipulatorAttribute(unsigned int i) { return m_ManipulatorAttributes[i % MANIP_COUNT]; }

    // --- Cameras and views ----------------------------------------------------------------------
    // Null and already listed cameras are ignored; otherwise the camera gets this scene.
    void AddCamera(CQxCamera* camera);
    // A listed camera loses this scene (and stops being the active camera).
    void RemoveCamera(CQxCamera* camera);
    CQxCamera* GetActiveCamera() const { return m_ActiveCamera; }
    const CQxArray<CQxCamera*>& Cameras() const { return m_Cameras; }
    void SetUVView(CQxUVView* view);
    CQxUVView* GetUVView() const { return m_UVView; }
    void UpdateViewWindows();
    // Release and rebuild the views' device objects (after the graphics device was lost).
    void ClearGraphics();
    void RecreateGraphics();
    // Updates the geometry of every object of the tree; with update, asks for a redraw.
    void UpdateObjectGeometry(int update);

    // --- Host callback --------------------------------------------------------------------------
    void SetUpdateFunc(QX_UPDATE_FUNC func, void* user);
    void UpdateGui(QX_UPDATE_TYPE type, void* arg1 = nullptr, void* arg2 = nullptr, void* arg3 = nullptr);

    // --- Operation bracketing -------------------------------------------------------------------
    // The 3D, UV and graph tool managers re-read the scene / end their gestures, in that order.
    void PrepareTool();
    void EndToolOperation();
    // Stops playback, then ends the tools' gestures.
    void EndOperation();

    // --- Content --------------------------------------------------------------------------------
    CQxModel& RootModel() { return m_RootModel; }
    const CQxModel& RootModel() const { return m_RootModel; }
    CQxGrid& Grid() { return m_Grid; }
    const CQxGrid& Grid() const { return m_Grid; }
    CQxAxes& Axes() { return m_Axes; }
    const CQxAxes& Axes() const { return m_Axes; }
    CQxColorLight& Light() { return m_Light; }
    const CQxColorLight& Light() const { return m_Light; }
    float GridLength() const { return m_Grid.Length(); }
    float GetBaseLength() const { return m_BaseLength; }

    int& IsDrawJointsFront() { return m_IsDrawJointsFront; }
    int& IsDrawSelectPicks() { return m_IsDrawSelectPicks; }
    int& IsDrawAnimatingFaces() { return m_IsDrawAnimatingFaces; }
    int& IsDrawAxes() { return m_IsDrawAxes; }
    int& IsDrawGrid() { return m_IsDrawGrid; }
    int& IsGridSnappable() { return m_IsGridSnappable; }
    const int& IsDrawJointsFront() const { return m_IsDrawJointsFront; }
    const int& IsDrawSelectPicks() const { return m_IsDrawSelectPicks; }
    const int& IsDrawAnimatingFaces() const { return m_IsDrawAnimatingFaces; }
    const int& IsDrawAxes() const { return m_IsDrawAxes; }
    const int& IsDrawGrid() const { return m_IsDrawGrid; }
    const int& IsGridSnappable() const { return m_IsGridSnappable; }

    // --- Animation settings ---------------------------------------------------------------------
    int* AnimItemCreateFlags() { return m_AnimItemCreateFlags; }
    const int* AnimItemCreateFlags() const { return m_AnimItemCreateFlags; }
    int& IsObjectAnimItemCreatable() { return m_IsObjectAnimItemCreatable; }
    int& IsVertexAnimItemCreatable() { return m_IsVertexAnimItemCreatable; }
    int& IsHalfEdgeAnimItemCreatable() { return m_IsHalfEdgeAnimItemCreatable; }
    int& IsEdgeAnimItemCreatable() { return m_IsEdgeAnimItemCreatable; }
    int& IsAttributeAnimItemCreatable() { return m_IsAttributeAnimItemCreatable; }
    // Whether any create flag of the kind's channel range is set.
    int IsObjectAnimItemCreateFlagsEnabled() const { return HasCreateFlag(1, 12); }
    int IsVertexAnimItemCreateFlagsEnabled() const { return HasCreateFlag(13, 15); }
    int IsHalfEdgeAnimItemCreateFlagsEnabled() const { return HasCreateFlag(16, 21); }
    int IsEdgeAnimItemCreateFlagsEnabled() const { return HasCreateFlag(22, 25); }
    int IsAttributeAnimItemCreateFlagsEnabled() const { return HasCreateFlag(26, 34); }
    int& IsPlayRepeat() { return m_IsPlayRepeat; }
    int& IsPlayForward() { return m_IsPlayForward; }
    const int& IsPlayForward() const { return m_IsPlayForward; }
    CQxTask*& AnimTask() { return m_AnimTask; }
    float& Fps() { return m_Fps; }
    const float& Fps() const { return m_Fps; }
    const float& FirstFrame() const { return m_FirstFrame; }
    const float& LastFrame() const { return m_LastFrame; }
    float& CurFrame() { return m_CurFrame; }
    const float& CurFrame() const { return m_CurFrame; }
    const float& JointRadius() const { return m_JointRadius; }
    CQxString& FileDir() { return m_FileDir; }
    const CQxString& FileDir() const { return m_FileDir; }
    unsigned long& BackColor() { return m_BackColor; }
    const unsigned long& BackColor() const { return m_BackColor; }
    unsigned long& AmbientColor() { return m_AmbientColor; }
    const unsigned long& AmbientColor() const { return m_AmbientColor; }

    // --- Settings without undo (0: the value was already set, nobody is told) -----------------
    // The other end of the range moves along when the range would become empty.
    int SetFirstFrame(float frame);
    int SetLastFrame(float frame);
    int SetGrid(float length, float interval, QX_AXIS_TYPE axis, unsigned long color, int update);
    // Grows the grid by a whole factor until it covers the content; never shrinks it.
    int FitGrid(int update);
    int SetJointRadius(float radius, int update);

    // Object commands.
    // Each ends the current operation, runs one undoable command and pushes it (0 or null, and
    // nothing pushed, when it cannot be done); `update` asks for the host notifications.
    // clone: a clone of object; else a new object of the type under object (null: the root
    // model), a primitive (types 4-9) added into it when it is a mesh. The primitive's sizes
    // follow as doubles, then its division counts as unsigned ints: cube 3 + 3, sphere 1 + 2,
    // cylinder, cone, torus and plane 2 + 2.
    CQxObject* CreateObjectCmd(CQxObject* object, int clone, QX_OBJ_TYPE type, int update, ...);
    int DeleteObjectCmd(CQxObject* object, int update);
    int DeleteSelectObjectsCmd(int update);
    // count copies of each selected object: mirrored about the axis, or each stepped once more by
    // the scale factors, angles and translation.
    int DuplicateSelectObjectsCmd(unsigned int count, QX_AXIS_TYPE axis, int update);
    int DuplicateSelectObjectsCmd(unsigned int count, const CQxVector& scale, const CQxVector& angle,
                                  const CQxVector& translate, int update);
    // Under target (before 0) or before it among its siblings, keeping the world placement.
    int MoveObjectCmd(CQxObject* object, CQxObject* target, int before, int update);
    int MergeSelectObjectsCmd(int update);
    // value: a CQxVector (scale, angles, translation, pivot) or a zero-terminated name.
    int ModifyObjectCmd(QX_MODIFY_TYPE type, CQxObject* object, void* value, int update);
    int SetObjectVisibleCmd(CQxObject* object, int visible, int update);
    int SetObjectLockedCmd(CQxObject* object, int locked, int update);
    int SetSubdivisionCmd(CQxObject* object, unsigned int level, int update);
    int SetMirrorCmd(CQxObject* object, unsigned int flags, int connect, int update);
    int FreezeCmd(int update);
    int FaceSideSelectsCmd(QX_FACE_OP_TYPE op, int update);
    int SetShadeSelectsCmd(int shade, int update);
    // The selected UVs stepped apart toward their faces' UV centres (half a pick size in UV view
    // pixels), or made equal around each vertex (their mean); 0 when none is selected or none
    // changes.
    int SeparateUVsCmd(int update);
    int MergeUVsCmd(int update);
    int SetGridCmd(float length, float interval, QX_AXIS_TYPE axis, unsigned long color, int update);
    // The clipboard (see clipboard_cmds.h): a new block in GetCopyFormat()'s layout holding the
    // selected geometry, or null when nothing copyable is selected; the caller owns the block.
    // Copying changes nothing; cutting also deletes what was cut (one command). Pasting reads
    // the block (the caller keeps it) into parent (a mesh object), or into a new mesh object
    // under it (null: the root model); 0 when the block is refused and nothing was pasted.
    void* CopySelectObjects();
    void* CutSelectObjectsCmd(int update);
    int PasteCmd(void* block, CQxObject* parent, int update);
    int SetJointRadiusCmd(float radius, int update);
    // Skinning and IK (messages on a wrong selection, 0 then).
    // Binds the selected mesh to the selected joint of the same model, then paints weights.
    int SetSkinCmd(int multi, int update);
    int ClearSkinCmd(int update);
    // Puts the skeletons of the selected skinned objects back in their bind pose.
    int SetBindPoseCmd(int update);
    int ClearIKCmd(int update);
    // Reads a .dxf or .mqo file (letter case ignored) below the parent, or the root model when
    // it is null.
    int ImportFileCmd(const char* path, CQxObject* parent, int update);
    // Attribute (material) commands. A new attribute is "MaterialN", appended and made current.
    CQxAttribute* CreateAttributeCmd(CQxModel* model, int update);
    int DeleteAttributeCmd(CQxModel* model, CQxAttribute* attribute, int update);
    int DeleteAttributesAllCmd(CQxModel* model, int update);
    // value: an unsigned long RGB (colour), a zero-terminated name, else a float.
    int ModifyAttributeCmd(QX_MODIFY_TYPE type, CQxModel* model, CQxAttribute* attribute, void* value, int update);
    // Puts the attribute at `from` in front of the one at `to`; both below the count.
    int MoveAttributeCmd(CQxModel* model, unsigned int from, unsigned int to, int update);
    // A texture file is looked up in the application's and the scene's directories; a message
    // when it does not load.
    int AddTextureCmd(CQxModel* model, CQxAttribute* attribute, const char* path, QX_COLOR_OP_TYPE colorOp,
                      QX_ALPHA_OP_TYPE alphaOp, int update);
    int ModifyTextureCmd(CQxModel* model, CQxAttribute* attribute, CQxTextureStage* stage, const char* path,
                         QX_COLOR_OP_TYPE colorOp, QX_ALPHA_OP_TYPE alphaOp, int update);
    int DeleteTextureCmd(CQxModel* model, CQxAttribute* attribute, CQxTextureStage* stage, int update);
    int DeleteTexturesAllCmd(CQxModel* model, CQxAttribute* attribute, int update);
    // The current attribute of the selection's model on the selected faces (all of a whole mesh).
    int SetAttributeSelectsCmd(int update);
    // Not undoable; nothing happens for an attribute that is not the model's.
    void SetCurAttribute(CQxModel* model, CQxAttribute* attribute, int update);
    // Not undoable; nothing happens for an action that is not in the model's list (null never
    // clears the current one), nor for the current one (the host hears nothing then).
    void SetCurAction(CQxModel* model, CQxAction* action, int update);

    // --- Animation --------------------------------------------------------------------------------
    // Every model's animation at the current frame; the flags ask for the redraw notice and for
    // a transform notice per animated object.
    void Animate(int notifyScene, int notifyObjects);
    // Moves the current frame without undo (0 when it is there already).
    int TrackCurFrame(float frame, int update);
    // A frame drag (one undo step from start to end) and playback (one undo step per play);
    // both end the current operation first.
    int StartTrackCurFrame(float frame, int update);
    int EndTrackCurFrameCmd(float frame, int update);
    int StartPlay(int forward, int update);
    // 0 when nothing plays.
    int EndPlayCmd(int update);
    int IsAnimating() const { return m_IsAnimating; }
    const float& PlayStartFrame() const { return m_PlayStartFrame; }
    // Animation commands. One animation per model: creating one always fails, deleting one
    // changes nothing but is a step of the history.
    CQxAnim* CreateAnimCmd(CQxModel* model, int update);
    int DeleteAnimCmd(CQxModel* model, CQxAnim* anim, int update);
    int DeleteAnimsAllCmd(CQxModel* model, int update);
    // Keys at the current frame on the create-flagged channels of the model's selected objects.
    int CreateKeyCmd(CQxModel* model, int update);
    int DeleteCurKeyCmd(CQxModel* model, int update);
    int DeleteSelectKeysCmd(CQxModel* model, int update);
    int MoveKeysCmd(CQxModel* model, const CQxVector2D& offset, const CQxAnimItemSelects& selects, int update);
    int SeparateSelectTansCmd(CQxModel* model, int separate, int update);
    int SetSelectTanTypesCmd(CQxModel* model, QX_TAN_TYPE type, int update);
    int SetFirstFrameCmd(float frame, int update);
    int SetLastFrameCmd(float frame, int update);
    int SetCurFrameCmd(float frame, int update);
    int SetAnimItemCreateFlagsCmd(const int flags[AnimItemCreateFlagCount], int update);
    // Selecting animation items and keys of a model (not undoable): replace first deselects every
    // item, add selects, toggle toggles; any other mode changes nothing.
    void SelectAnimItem(CQxModel* model, const CQxAnimItemSelect& select, QX_SELECT_MODE mode, int update);
    void SelectAnimItems(CQxModel* model, const CQxAnimItemSelects& selects, QX_SELECT_MODE mode, int update);
    void SelectAnimItems(CQxModel* model, void* target, QX_ANIM_SELECT_TYPE type, QX_SELECT_MODE mode, int update);
    void UnselectAnimItem(CQxModel* model, int update);

    // --- Names ----------------------------------------------------------------------------------
    // The first of base1, base2, ... ("%s-Clone%d", "%s-Dup%d") that no object of the tree
    // carries; the text lives in a static buffer of each function until its next call.
    const char* CalcUniqueObjectName(const char* base);
    const char* CalcUniqueCloneName(const char* base);
    const char* CalcUniqueDuplicateName(const char* base);

    // --- Queries --------------------------------------------------------------------------------
    // The only model of the scene, else the only model of the selection, else null.
    CQxModel* GetCurModel();
    int IsDeletable() const;
    int IsCopyable() const;
    int IsCuttable() const;
    // The clipboard format of copied objects.
    static unsigned int GetCopyFormat();
    // Selection.
    // Writes the record(s) into the scene by the current select type and the mode; each ends
    // with PrepareTool and, with update, the selection and redraw notifications.
    void SelectObject(const CQxSelect& select, QX_SELECT_MODE mode, int update);
    void SelectObjects(const CQxSelects& selects, QX_SELECT_MODE mode, int update);
    void UnselectObejcts(int update);
    // Only for a set of handle records; anything else leaves the scene untouched.
    void SelectObjectHandles(const CQxSelects& selects, QX_SELECT_MODE mode, int update);
    void UnselectObjectHandles(int update);
    // Texture coordinates: replace clears every UV selection first; toggle flips the records'.
    // With update the host hears of the UV selection (no redraw: the UV view follows it).
    void SelectUVs(const CQxUVSelects& selects, QX_SELECT_MODE mode, int update);
    void UnselectUVs(int update);
    int IsComponentSelect() const;

    // Builds, for every mesh of the tree, the topology copy its picks read when an edit made it
    // out of date, so the first click after an edit need not. For the host to call when it is
    // idle (after the redraw that follows an edit); a pick without it builds the copy itself.
    void PreparePicks() const;
    // Pick tests of the object tree from a camera; `pos` gets the hit point, the record the hit.
    int IsObjectTreePointHit(unsigned int mask, int handle, const CQxPoint& point, const CQxCamera& camera,
                             CQxVector& pos, CQxSelect& select);
    int IsObjectTreeRectHit(unsigned int mask, int deep, int handle, const CQxRect& rect,
                            const CQxCamera& camera, CQxSelects& selects);
    // Handles and joints, which are drawn in front: not in component selection.
    int IsFrontHandleTreePointHit(unsigned int mask, const CQxPoint& point, const CQxCamera& camera,
                                  CQxVector& pos, CQxSelect& select);
    int IsFrontJointTreePointHit(unsigned int mask, const CQxPoint& point, const CQxCamera& camera,
                                 CQxVector& pos, CQxSelect& select);

    // Drops the undo entries of every model's animation.
    void ClearAnimatedUndo();
    // Loads every texture of the attribute again from the data and scene directories and
    // reports the files that failed; 0 when the attribute has no textures.
    int ReloadTextures(CQxModel* model, CQxAttribute* attribute, int update);
    int ExportFile(const char* path, CQxObject* object);
    // Builds the materials and objects of an MQO document (the file's bytes) below `parent` (the
    // root model when null), the materials going to the parent's model; texture files are looked
    // up in `dir`. 1 on success; otherwise the message is shown and nothing was added. Used by
    // ReadMqoFile and by the import command.
    int ReadMqoText(std::string_view text, CQxObject* parent, const char* dir);

private:
    void InitUVBackground();
    void InitManipulatorAttributes();
    void CopySettings(const CQxScene& other);
    int HasCreateFlag(unsigned int first, unsigned int last) const;
    // The object-mode flag of the pick tests: whole objects unless components are picked.
    int IsObjectMode() const { return !IsComponentSelect(); }

    QX_UPDATE_FUNC m_UpdateFunc = nullptr;
    void* m_UpdateUser = nullptr;
    CQxToolManager m_ToolManager;
    CQxToolManager m_UVToolManager;
    CQxToolManager m_GraphToolManager;
    CQxCmdManager m_CmdManager;
    CQxTaskManager m_TaskManager;
    CQxSimManager m_SimManager;
    CQxManipulator* m_Manipulator = nullptr;
    CQxAttribute m_ManipulatorAttributes[MANIP_COUNT];
    CQxCamera* m_ActiveCamera = nullptr;
    CQxArray<CQxCamera*> m_Cameras;
    CQxModel m_RootModel{0};
    CQxGrid m_Grid;
    CQxAxes m_Axes;
    CQxColorLight m_Light;
    float m_BaseLength = 100.0f;
    int m_IsDrawJointsFront = 1;
    int m_IsDrawSelectPicks = 0;
    int m_IsDrawAnimatingFaces = 1;
    int m_IsDrawAxes = 1;
    int m_IsDrawGrid = 1;
    int m_IsGridSnappable = 0;
    CQxPrimitive m_UVBackground;
    CQxUVView* m_UVView = nullptr;
    int m_AnimItemCreateFlags[AnimItemCreateFlagCount] = {};
    int m_IsObjectAnimItemCreatable = 1;
    int m_IsVertexAnimItemCreatable = 0;
    int m_IsHalfEdgeAnimItemCreatable = 0;
    int m_IsEdgeAnimItemCreatable = 0;
    int m_IsAttributeAnimItemCreatable = 0;
    float m_PlayStartFrame = 1.0f;
    int m_IsPlayRepeat = 1;
    int m_IsPlayForward = 1;
    CQxTask* m_AnimTask = nullptr;
    float m_Fps = 30.0f;
    float m_FirstFrame = 1.0f;
    float m_LastFrame = 30.0f;
    float m_CurFrame = 1.0f;
    int m_IsAnimating = 0;
    float m_JointRadius = 2.0f;
    CQxString m_FileDir;
    unsigned long m_BackColor = 0xFF696969;
    unsigned long m_AmbientColor = 0xFF404040;
};
