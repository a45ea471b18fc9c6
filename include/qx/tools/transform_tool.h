#pragma once

#include <vector>

#include "qx/export.h"
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
// does. Typing a value applies it as one command.
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
    // What a derived tool supplies: its manipulator, its command type, the state of each
    // manipulator part (X, Y, Z, anything else), one drag step, and a typed value.
    virtual QX_MANIPULATOR_TYPE GetManipulatorType() const = 0;
    virtual unsigned int GetDragState(const CQxObject* part) const = 0;
    virtual void Drag(CQxCamera* camera, CQxPoint point) = 0;
    virtual int ApplyValue(const CQxVector& value) = 0;
    // Called when a drag starts, after the snapshot is taken.
    virtual void BeginDrag() {}

    CQxVector m_HitPosition;
    CQxVector m_ManipulatorPosition;
    CQxQuat m_ManipulatorRotation;
    CQxSelects m_Selects;
    // The state of the working selection before the drag; the command is built from it.
    CQxTransformCmd* m_Snapshot = nullptr;
    int m_IsChanged = 0;
};

// Tool 4: drags an axis (the offset reduced to it) or the centre (free, in the view plane)
// and moves objects, pivots or vertices; grid snapping applies when the scene asks for it.
class QX_API CQxMoveTool : public CQxTransformTool {
public:
    explicit CQxMoveTool(CQxScene* scene);
    int SetNumericalValue(const CQxVector& value) override;
    using CQxTransformTool::SetNumericalValue;
    void OnSelect(CQxSelects& selects) override;

protected:
    QX_MANIPULATOR_TYPE GetManipulatorType() const override { return QX_MANIPULATOR_MOVE; }
    unsigned int GetDragState(const CQxObject* part) const override;
    void Drag(CQxCamera* camera, CQxPoint point) override;
    int ApplyValue(const CQxVector& value) override;
};

// Tool 3: turns about the dragged axis, or freely about the view's axes.
class QX_API CQxRotateTool : public CQxTransformTool {
public:
    explicit CQxRotateTool(CQxScene* scene);
    int SetNumericalValue(const CQxVector& value) override;
    using CQxTransformTool::SetNumericalValue;

protected:
    QX_MANIPULATOR_TYPE GetManipulatorType() const override { return QX_MANIPULATOR_ROTATE; }
    unsigned int GetDragState(const CQxObject* part) const override;
    void Drag(CQxCamera* camera, CQxPoint point) override;
    int ApplyValue(const CQxVector& value) override;
    void BeginDrag() override;

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
    unsigned int GetDragState(const CQxObject* part) const override;
    void Drag(CQxCamera* camera, CQxPoint point) override;
    int ApplyValue(const CQxVector& value) override;
    void BeginDrag() override;

    // The factors of the gesture so far.
    CQxVector m_Scale{1.0f, 1.0f, 1.0f};
};
