#pragma once

#include "qx/export.h"

// Settings of the graphics library: each function returns a reference to one process-wide
// value. Colours are 32-bit ARGB.

// Selected vertices, edges and faces in the 3D views (default orange-red 0xFFFF4000).
QX_API unsigned long& QxSelectColor();
// Selected texture coordinates in the UV view (default 0xFFFF4000).
QX_API unsigned long& QxSelectUVColor();
// Unselected wire lines and points in the 3D views (default black 0xFF000000).
QX_API unsigned long& QxNormalColor();
// Unselected texture coordinates and their lines in the UV view (default grey 0xFF808080).
QX_API unsigned long& QxNormalUVColor();
// The line from an object to its IK root while the object is not selected (default yellow 0xFFFFFF00).
QX_API unsigned long& QxIKColor();
// How far from the cursor, in pixels, a pick still hits (default 4).
QX_API float& QxPickSize();
