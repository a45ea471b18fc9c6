#pragma once

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
unsigned int& QxUndoSize();
// Decimals the host shows in numeric fields (1; registry "FloatDecimal").
int& QxFloatDecimal();
// Colour of a new scene's grid (0xFF555555).
unsigned long& QxGridColor();
// Zoom factor of one wheel step in the camera and graph views (1.1).
float& QxZoomRate();
// Pick distance in pixels in the graph view (3).
unsigned int& QxGraphPickSize();
// Length in pixels of tangent handles in the graph view (30).
unsigned int& QxGraphTangentSize();
// Joint colour (0xFF00FFFF).
unsigned long& QxJointColor();
// Distance over which automatic skin weights fall off (10).
float& QxWeightDropoff();
QX_PAINT_MODE& QxWeightPaintMode();
QX_STROKE_TYPE& QxWeightPaintStroke();
QX_SIZE_TYPE& QxWeightPaintSize();
// Target weight of the brush (1.0) and its blend factor per application (0.2).
float& QxWeightPaintDepth();
float& QxWeightPaintOpacity();
// Whether the host extrudes adjacent faces as one (1).
int& QxExtrudeFacesTogether();
// .x export in left-handed coordinates (1), and its animation key step in frames (1.0).
int& QxXFileLeftHand();
float& QxXFileKeyStep();
