#pragma once

#include "qx/export.h"

// Process-wide settings of the core: each function returns a reference to one value that
// starts at its default. The registry-backed ones are read and written by CQxApp::ReadReg and
// CQxApp::WriteReg; the graphics library keeps its own (QxNormalColor, QxSelectColor, ...).

// How a weight-paint stroke changes the weight under the brush.
enum QX_PAINT_MODE : unsigned int {
    QX_PAINT_REPLACE = 0,
    QX_PAINT_ADD = 1,
    QX_PAINT_MULTIPLY = 2,
    QX_PAINT_SMOOTH = 3,
};

// The weight-paint brush edge.
enum QX_STROKE_TYPE : unsigned int {
    QX_STROKE_SOFT = 0,
    QX_STROKE_HARD = 1,
};

// The weight-paint brush size.
enum QX_SIZE_TYPE : unsigned int {
    QX_SIZE_SMALL = 0,
    QX_SIZE_LARGE = 1,
};

// Length limit of every scene's undo history (50; registry "Undo").
QX_API unsigned int& QxUndoSize();
// Decimals the host shows in numeric fields (1; registry "FloatDecimal").
QX_API int& QxFloatDecimal();
// Colour of a new scene's grid (0xFF555555).
QX_API unsigned long& QxGridColor();
// Zoom factor of one wheel step in the camera and graph views (1.1).
QX_API float& QxZoomRate();
// Pick distance in pixels in the graph view (3).
QX_API unsigned int& QxGraphPickSize();
// Length in pixels of tangent handles in the graph view (30).
QX_API unsigned int& QxGraphTangentSize();
// Joint colour (0xFF00FFFF).
QX_API unsigned long& QxJointColor();
// Distance over which automatic skin weights fall off (10).
QX_API float& QxWeightDropoff();
QX_API QX_PAINT_MODE& QxWeightPaintMode();
QX_API QX_STROKE_TYPE& QxWeightPaintStroke();
QX_API QX_SIZE_TYPE& QxWeightPaintSize();
// Target weight of the brush (1.0) and its blend factor per application (0.2).
QX_API float& QxWeightPaintDepth();
QX_API float& QxWeightPaintOpacity();
// Whether the host extrudes adjacent faces as one (1).
QX_API int& QxExtrudeFacesTogether();
// .x export in left-handed coordinates (1), and its animation key step in frames (1.0).
QX_API int& QxXFileLeftHand();
QX_API float& QxXFileKeyStep();
