#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "qx/export.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/math/spline.h"
#include "qx/platform/window.h"
#include "qx/tools/tool.h"

class CQxJoint;
class CQxJointCmd;

// Gesture states of the skeleton tools.
enum : unsigned int {
    QX_TOOL_STATE_JOINT = 4,  // a joint chain is being clicked
    QX_TOOL_STATE_PAINT = 20, // a weight-paint stroke
};

// Tool 15: each click on the view plane adds a joint below the one before, the chain hanging
// below the selected object (or the root model) and pushed as one command with its first joint.
// Numeric entry adds a joint at the typed point. The chain ends with the operation.
class QX_API CQxJointTool : public CQxTool {
public:
    explicit CQxJointTool(CQxScene* scene);

    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxTool::OnLButtonDown;
    void PrepareTool() override;
    void EndOperation() override;
    QX_SELECT_TYPE IsSelectFixed() override { return QX_SELECT_OBJECT; }
    int SetNumericalValue(const CQxVector& value) override;
    using CQxTool::SetNumericalValue;

    // The chain being clicked (null when none).
    CQxJointCmd* GetPendingCmd() const { return m_Cmd; }

protected:
    CQxJointCmd* m_Cmd = nullptr;

private:
    // Adds a joint at a world point, starting a chain first when none is pending.
    int AddJoint(const CQxVector& position);
    // The matrix taking points of the coord type's frame to world space, for a joint that hangs
    // below `parent`.
    CQxMatrix GetFrameToWorld(const CQxObject* parent) const;
};

// Tool 16: a stroke on the object shown in weight mode paints the weights of its current bone
// (settings QxWeightPaint*); anything else selects as the select tool does. Each stroke is one
// command.
class QX_API CQxWeightPaintTool : public CQxSelectTool {
public:
    explicit CQxWeightPaintTool(CQxScene* scene);
    ~CQxWeightPaintTool() override;

    void OnTimer(CQxCamera* camera, unsigned int id) override;
    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxSelectTool::OnLButtonDown;
    using CQxSelectTool::OnLButtonUp;
    void PrepareTool() override;
    void ClearTool() override;
    void EndOperation() override;
    QX_SELECT_TYPE IsSelectFixed() override { return QX_SELECT_OBJECT; }

    // The brush cursors of the small and the large brush (null when they failed to load).
    HCURSOR GetBrushCursor(int large) const { return m_Cursors[large ? 1 : 0]; }

protected:
    // Loads the brush cursors from the named module (the library's own for the public form).
    CQxWeightPaintTool(CQxScene* scene, const char* module);

private:
    void LoadCursors(const char* module);
    void BeginStroke(CQxCamera* camera, CQxObject* object, CQxPoint point);
    // One timer step: paints under the brush when the mouse moved.
    void StepStroke(CQxCamera* camera);
    // Puts the weight into the vertex's slot of the current bone and rescales the other slots.
    void WriteWeight(unsigned int vertex, float weight);
    void ShowColors();
    // Lets go of the timer, the capture and the cursor.
    void StopStroke();

    HCURSOR m_Cursors[2] = {nullptr, nullptr};
    HCURSOR m_PrevCursor = nullptr;
    bool m_IsCursorSet = false;
    // The stroke: object and view, brush, and per vertex (list order) the bone data before it,
    // the current bone's weight, the strength applied so far and the display colour.
    CQxObject* m_Object = nullptr;
    CQxCamera* m_Camera = nullptr;
    HWND m_Window = nullptr;
    float m_Radius = 0.0f;
    CQxSpline m_Falloff;
    std::vector<CQxVertex*> m_Vertices;
    std::unordered_map<const CQxVertex*, unsigned int> m_Positions;
    std::vector<CQxVertexBones> m_Before;
    std::vector<float> m_Weights;
    std::vector<float> m_Applied;
    std::vector<unsigned char> m_Changed;
    CQxArray<unsigned long> m_Colors;
};
