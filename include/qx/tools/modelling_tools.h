#pragma once

#include "qx/export.h"
#include "qx/math/matrix.h"
#include "qx/tools/tool.h"

class CQxCreateFaceCmd;
class CQxFace;

// Gesture state of the face-creation tool while a face is being clicked.
enum : unsigned int { QX_TOOL_STATE_CREATE_FACE = 3 };

// Tool 6: each click adds a corner to a face: an existing vertex of the target mesh when one is
// clicked, the point clicked on anything else, or the point on the view plane through the origin.
// The face goes into the selected mesh (exactly one object selected) or a new mesh object; it
// is pushed with its third corner and ends with its fourth or with the operation. Numeric
// entry adds a corner at the typed point.
class QX_API CQxCreateFaceTool : public CQxTool {
public:
    explicit CQxCreateFaceTool(CQxScene* scene);
    ~CQxCreateFaceTool() override;

    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxTool::OnLButtonDown;
    void PrepareTool() override;
    void EndOperation() override;
    int SetNumericalValue(const CQxVector& value) override;
    using CQxTool::SetNumericalValue;

    // The face being clicked (null when none).
    CQxCreateFaceCmd* GetPendingCmd() const { return m_Cmd; }

protected:
    CQxCreateFaceCmd* m_Cmd = nullptr;

private:
    // Starts a face when none is pending; false when the scene refuses.
    bool BeginFace();
    // After a corner was added: the shown values, the push with the third corner, the end with
    // the fourth.
    void CornerAdded();
    // The matrix taking points of the coord type's frame to world space.
    CQxMatrix GetFrameToWorld() const;
    CQxVector m_View; // the viewing direction of the last click
};

// Tool 7: a click on a face gives it the current material of the clicked object's model.
class QX_API CQxMaterialTool : public CQxTool {
public:
    using CQxTool::CQxTool;
    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxTool::OnLButtonDown;
};

// Tools 8 and 9: a click on a face shades it smooth (8) or flat (9).
class QX_API CQxShadeTool : public CQxTool {
public:
    CQxShadeTool(CQxScene* scene, int shade) : CQxTool(scene), m_Shade(shade) {}
    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxTool::OnLButtonDown;
    int GetShade() const { return m_Shade; }

protected:
    int m_Shade;
};
