#pragma once

#include <memory>

#include "qx/export.h"
#include "qx/math/plane_line.h"
#include "qx/math/quat.h"
#include "qx/math/vector.h"
#include "qx/selection/select.h"
#include "qx/tools/manipulator.h"
#include "qx/tools/tool.h"

class CQxTransformCmd;

// Gesture states of the transform tools: which manipulator part is dragged.
enum : unsigned int {
    QX_TOOL_STATE_MOVE_FREE = 7,
    QX_TOOL_STATE_MOVE_X = 8,
    QX_TOOL_STATE_MOVE_Y = 9,
    QX_TOOL_STATE_MOVE_Z = 10,
    QX_TOOL_STATE_ROTATE_FREE = 11,
    QX_TOOL_STATE_ROTATE_X = 12,
    QX_TOOL_STATE_ROTATE_Y = 13,
    QX_TOOL_STATE_ROTATE_Z = 14,
    QX_TOOL_STATE_SCALE_UNIFORM = 15,
    QX_TOOL_STATE_SCALE_X = 16,
    QX_TOOL_STATE_SCALE_Y = 17,
    QX_TOOL_STATE_SCALE_Z = 18,
    QX_TOOL_STATE_EXTRUDE = 19,
};

// The base of the move, rotate and scale tools: a manipulator at the centre of the selection,
// turned by the coordinate type. A button-down on it starts a drag that changes the selection
// live and pushes one command on release; a button-down beside it selects as the select tool
// does. Typing a value applies it as one command. A drag ended from outside (EndOperation, or
// a button-down after a lost button-up) is taken back and pushes nothing.
class QX_API CQxTransformTool : public CQxSelectTool {
public:
    explicit CQxTransformTool(CQxScene* scene);
    ~CQxTransformTool() override;

    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxSelectTool::OnLButtonDown;
    using CQxSelectTool::OnLButtonUp;
    using CQxSelectTool::OnMouseMove;
    void PrepareTool() override;
    void ClearTool() override;
    void EndOperation() override;

    const CQxVector& GetHitPosition() const { return m_HitPosition; }
    const CQxVector& GetManipulatorPosition() const { return m_ManipulatorPosition; }
    const CQxQuat& GetManipulatorRotation() const { return m_ManipulatorRotation; }
    const CQxSelects& GetWorkingSelects() const { return m_Selects; }

protected:
    // What a derived tool supplies: its manipulator, the state of a drag on each manipulator
    // part (axis 0 X, 1 Y, 2 Z, -1 anything else), its command, one drag step, and the values
    // it shows when prepared and when a drag starts.
    virtual QX_MANIPULATOR_TYPE GetManipulatorType() const = 0;
    virtual unsigned int GetDragState(int axis) const = 0;
    virtual CQxTransformCmd* NewCmd() const = 0;
    virtual void Drag(CQxCamera* camera, CQxPoint point) = 0;
    virtual void ResetValues() = 0;
    virtual void BeginDrag() {}
    // The axis the current drag state drags, -1 for a free drag.
    virtual int GetDragAxis() const = 0;
    // The part of an object's transform the tool changes (QX_MODIFY_ bits).
    virtual unsigned int GetObjectModifyBits() const = 0;
    // Objects besides the working selection whose transforms a drag of whole objects changes
    // too, so the snapshot takes them back; none by default.
    virtual void GetSnapshotExtras(CQxSelects& /*extras*/) const {}
    // What of the scene's selection the tool works on (by default, in component mode, the
    // vertices the components touch), and where the manipulator stands for it.
    virtual void ReduceSelects();
    virtual void PlaceOnSelects();
    // A drag's record of the working selection: taken when it starts (false: nothing to drag),
    // pushed as the command when it recorded a change (1 when pushed), or taken back.
    virtual bool TakeSnapshot();
    virtual int PushSnapshot();
    virtual void CancelDrag();
    void EndManipulatorDrag();

    // Whether a manipulator drag runs.
    bool IsDragging() const { return m_State >= QX_TOOL_STATE_MOVE_FREE && m_State <= QX_TOOL_STATE_EXTRUDE; }
    // What the working selection edits: vertices, pivots or whole objects.
    bool IsComponentTarget() const { return m_SelectType == QX_SELECT_COMPONENT; }
    bool IsPivotTarget() const { return m_SelectType == QX_SELECT_PIVOT; }
    // The rotation of the coordinate type's frame (the first selected object's), world to frame
    // being its inverse.
    CQxQuat GetFrameRotation() const;
    // Where the mouse ray meets the plane through the hit point facing the view; false when
    // they do not meet.
    bool GetDragPoint(const CQxCamera& camera, CQxPoint point, CQxVector& out) const;
    // The mouse ray through a client point.
    static bool GetMouseRay(const CQxCamera& camera, CQxPoint point, CQxLine& ray);
    // +1 or -1: the side of the dragged axis the drag point moved to since the last step, in
    // the manipulator's frame; the drag point is kept for the next step.
    float GetAxisSign(const CQxCamera& camera, CQxPoint point);
    // Puts the manipulator where m_ManipulatorPosition and m_ManipulatorRotation say.
    void PlaceManipulator();
    // Tells the host of one drag step: the numeric value, the transformed selection, a redraw.
    void NotifyStep(unsigned int modifyBits);
    // What the tool changes, as the host's transform notification names it.
    unsigned int GetModifyBits() const;
    // Numeric entry brackets the change it applies to the working selection: BeginChange ends
    // any gesture and takes the snapshot (false: nothing selected), EndChange pushes the
    // command (0 when nothing changed).
    bool BeginChange();
    int EndChange();

    CQxVector m_HitPosition;
    CQxVector m_ManipulatorPosition;
    CQxQuat m_ManipulatorRotation;
    CQxSelects m_Selects;
    // The state of the working selection before the drag; the command is built from it.
    std::unique_ptr<CQxTransformCmd> m_Snapshot;
    bool m_IsChanged = false;
    // Where the drag started, to go back to when it is taken back.
    CQxVector m_StartPosition;
    CQxQuat m_StartRotation;
    CQxVector m_PrevDragPoint;
    CQxCamera* m_DragCamera = nullptr;

private:
    void BeginManipulatorDrag(CQxCamera* camera, CQxPoint point, const CQxVector& hit, int axis);
};

// Tool 4: drags an axis (the offset reduced to it) or the centre (free, in the view plane)
// and moves objects, pivots or vertices; grid snapping applies when the scene asks for it.
class QX_API CQxMoveTool : public CQxTransformTool {
public:
    explicit CQxMoveTool(CQxScene* scene);
    int SetNumericalValue(const CQxVector& value) override;
    using CQxTransformTool::SetNumericalValue;
    void OnSelect(CQxSelects& selects) override;
    void PrepareTool() override;
    void ClearTool() override;

    // Per working-selection record, the handle-selected IK end on whose chain its object lies
    // (null for none): dragging such an object bends the chain instead of moving the object.
    const CQxArray<CQxObject*>& GetIKGoals() const { return m_IKGoals; }

    // The angle within which a drag's IK solve counts as reached, in radians (two degrees).
    static constexpr float IKTolerance = 0.034906585f;

protected:
    QX_MANIPULATOR_TYPE GetManipulatorType() const override { return QX_MANIPULATOR_MOVE; }
    unsigned int GetObjectModifyBits() const override;
    unsigned int GetDragState(int axis) const override;
    CQxTransformCmd* NewCmd() const override;
    void Drag(CQxCamera* camera, CQxPoint point) override;
    void ResetValues() override;
    void BeginDrag() override;
    int GetDragAxis() const override;
    void GetSnapshotExtras(CQxSelects& extras) const override;

    // Where the manipulator goes for the mouse at a point; false for no move.
    bool GetTarget(const CQxCamera& camera, CQxPoint point, CQxVector& out) const;
    // Moves the selection (the records without an IK goal during a drag that has some) by an
    // offset in the coordinate type's frame.
    void MoveBy(const CQxVector& d, QX_COORD_TYPE coord);
    // Bends the chains of the IK goals so that each dragged object follows the manipulator's
    // offset from where the drag started.
    void SolveIKGoals();
    bool HasIKGoals() const;
    // The first selected vertex's (or pivot's) world position in the coordinate type's frame.
    CQxVector GetAbsolutePosition() const;

    CQxArray<CQxObject*> m_IKGoals;
    // During a drag with IK goals: the records moved directly, and each record's world position
    // when the drag started.
    CQxSelects m_DirectSelects;
    CQxArray<CQxVector> m_IKStarts;
    bool m_IsIKDrag = false;
};

// Tool 3: turns about the dragged axis, or freely about the view's axes.
class QX_API CQxRotateTool : public CQxTransformTool {
public:
    explicit CQxRotateTool(CQxScene* scene);
    int SetNumericalValue(const CQxVector& value) override;
    using CQxTransformTool::SetNumericalValue;

protected:
    QX_MANIPULATOR_TYPE GetManipulatorType() const override { return QX_MANIPULATOR_ROTATE; }
    unsigned int GetObjectModifyBits() const override;
    unsigned int GetDragState(int axis) const override;
    CQxTransformCmd* NewCmd() const override;
    void Drag(CQxCamera* camera, CQxPoint point) override;
    void ResetValues() override;
    void BeginDrag() override;
    int GetDragAxis() const override;

    // Turns the selection about the manipulator by a rotation in the coordinate type's frame.
    void RotateBy(const CQxQuat& q, QX_COORD_TYPE coord);

    // The rotation of the gesture so far.
    CQxQuat m_Rotation;
};

// Tool 2: scales along the dragged axis, or uniformly from the centre, about the manipulator.
class QX_API CQxScaleTool : public CQxTransformTool {
public:
    explicit CQxScaleTool(CQxScene* scene);
    int SetNumericalValue(const CQxVector& value) override;
    using CQxTransformTool::SetNumericalValue;

protected:
    QX_MANIPULATOR_TYPE GetManipulatorType() const override { return QX_MANIPULATOR_SCALE; }
    unsigned int GetObjectModifyBits() const override;
    unsigned int GetDragState(int axis) const override;
    CQxTransformCmd* NewCmd() const override;
    void Drag(CQxCamera* camera, CQxPoint point) override;
    void ResetValues() override;
    void BeginDrag() override;
    int GetDragAxis() const override;

    // Scales the selection by the factors in the object's frame, about the manipulator.
    void ScaleBy(const CQxVector& s);

    // The factors of the gesture so far.
    CQxVector m_Scale{1.0f, 1.0f, 1.0f};
};

class CQxExtrudeCmd;

// Tool 5: extrudes the selected faces and boundary sides. The manipulator's one axis stands on
// the first face (or side) along its normal; the first drag step extrudes, and every step
// after sets the distance the new geometry stands out by. Release pushes one extrusion; typing
// a distance extrudes by it.
class QX_API CQxExtrudeTool : public CQxTransformTool {
public:
    explicit CQxExtrudeTool(CQxScene* scene);
    ~CQxExtrudeTool() override;
    int GetNumericalValue(float& value) override;
    int SetNumericalValue(float value) override;
    using CQxTransformTool::GetNumericalValue;
    using CQxTransformTool::SetNumericalValue;
    QX_SELECT_TYPE IsSelectFixed() override { return QX_SELECT_COMPONENT; }
    unsigned int GetFixedComponentTypes() override { return 28; } // edges, faces, face sides

    float GetDistance() const { return m_Distance; }

protected:
    QX_MANIPULATOR_TYPE GetManipulatorType() const override { return QX_MANIPULATOR_EXTRUDE; }
    unsigned int GetObjectModifyBits() const override;
    unsigned int GetDragState(int) const override { return QX_TOOL_STATE_EXTRUDE; }
    CQxTransformCmd* NewCmd() const override { return nullptr; }
    void Drag(CQxCamera* camera, CQxPoint point) override;
    void ResetValues() override;
    int GetDragAxis() const override { return 1; }
    void ReduceSelects() override;
    void PlaceOnSelects() override;
    bool TakeSnapshot() override;
    int PushSnapshot() override;
    void CancelDrag() override;

private:
    // The distance in the first record's object units for a world offset along the axis.
    float ToObjectDistance(float offset) const;

    float m_Distance = 0.0f;
    // The extrusion of the running drag, its new outer sides (as records) and their origins.
    std::unique_ptr<CQxExtrudeCmd> m_Extrusion;
    CQxSelects m_Extruded;
    CQxPtrArray<CQxArray<CQxHalfEdge*>> m_Sides;
    // The face normal in world space, and the object-space normal the distance is measured on.
    CQxVector m_WorldNormal;
    CQxVector m_ObjectNormal;
};
