#pragma once

#include "qx/export.h"

// Angle and grid helpers shared by the tools, the graph view and inverse kinematics.

inline constexpr float QX_PI = 3.14159265358979f;
inline constexpr float QX_2PI = 6.28318530717959f;
inline constexpr float QX_PI_2 = 1.57079632679490f;
inline constexpr float QX_DEG_TO_RAD = 0.0174532925199433f;
inline constexpr float QX_RAD_TO_DEG = 57.2957795130823f;

// The angle wrapped into one turn, (-pi, pi]; angles within float rounding of -pi come back as
// +pi. A non-finite angle gives 0.
QX_API float QxValidateAngle(float angle);

// Shortest signed turn from one angle to another, (-pi, pi]: from + result is to, modulo 2 pi.
QX_API float QxGetNearDeltaAngle(float from, float to);

// Rounds each coordinate to the nearest multiple of the interval (halves away from zero, so
// -0.5 and 0.5 snap symmetrically). Returns 0 and changes nothing when the interval is not a
// positive finite number or a coordinate is not finite.
QX_API int QxGridSnap(float interval, float& x, float& y, float& z);

// Snaps a point of the grid plane: the grid spans -length..length on both in-plane axes (length
// is the half extent, as a grid's length is). Returns 0 and changes nothing when the point lies
// outside the grid or the arguments are unusable; otherwise rounds both coordinates to the
// nearest grid line inside the grid and returns 1.
QX_API int QxPlaneGridSnap(float length, float interval, float& u, float& v);
