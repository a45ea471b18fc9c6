// Scaffold: the transform tools are being built; until then they only select.
#include "qx/tools/transform_tool.h"

CQxTransformTool::CQxTransformTool(CQxScene* scene) : CQxSelectTool(scene) {}
CQxTransformTool::~CQxTransformTool() = default;
void CQxTransformTool::OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    CQxSelectTool::OnLButtonDown(camera, flags, point);
}
void CQxTransformTool::OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    CQxSelectTool::OnLButtonUp(camera, flags, point);
}
void CQxTransformTool::OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    CQxSelectTool::OnMouseMove(camera, flags, point);
}
void CQxTransformTool::PrepareTool() {}
void CQxTransformTool::ClearTool() { CQxSelectTool::ClearTool(); }
void CQxTransformTool::EndOperation() { CQxSelectTool::EndOperation(); }

CQxMoveTool::CQxMoveTool(CQxScene* scene) : CQxTransformTool(scene) {}
int CQxMoveTool::SetNumericalValue(const CQxVector&) { return 0; }
void CQxMoveTool::OnSelect(CQxSelects& selects) { CQxSelectTool::OnSelect(selects); }
unsigned int CQxMoveTool::GetDragState(const CQxObject*) const { return 0; }
void CQxMoveTool::Drag(CQxCamera*, CQxPoint) {}
int CQxMoveTool::ApplyValue(const CQxVector&) { return 0; }

CQxRotateTool::CQxRotateTool(CQxScene* scene) : CQxTransformTool(scene) {}
int CQxRotateTool::SetNumericalValue(const CQxVector&) { return 0; }
unsigned int CQxRotateTool::GetDragState(const CQxObject*) const { return 0; }
void CQxRotateTool::Drag(CQxCamera*, CQxPoint) {}
int CQxRotateTool::ApplyValue(const CQxVector&) { return 0; }
void CQxRotateTool::BeginDrag() {}

CQxScaleTool::CQxScaleTool(CQxScene* scene) : CQxTransformTool(scene) {}
int CQxScaleTool::SetNumericalValue(const CQxVector&) { return 0; }
unsigned int CQxScaleTool::GetDragState(const CQxObject*) const { return 0; }
void CQxScaleTool::Drag(CQxCamera*, CQxPoint) {}
int CQxScaleTool::ApplyValue(const CQxVector&) { return 0; }
void CQxScaleTool::BeginDrag() {}
