#pragma once

#include "qx/animation/anim.h"
#include "qx/math/point_rect.h"

class CQxGraphView;

// Between the graph select and move tools.
namespace qx_graph_tool {

// How a pick changes the key selection (from Shift and Ctrl).
enum : int { kReplace = 0, kAdd = 1, kToggle = 2 };

// Clears the selection of every key and tangent handle of the animation.
void UnselectKeys(CQxAnim& anim);
// Selects (or toggles) what a pick found: its keys, or its handles when it holds no key.
void ApplyPick(CQxAnim& anim, const CQxAnimItemSelects& hits, int mode);
int ModeFromFlags(unsigned int flags);
// The curve rectangle of the view's last draw; false when there is none to pick in.
bool GetCurveRect(const CQxGraphView& view, CQxRect& curve);
// Repaints the view now (through the host's paint handler).
void Repaint(CQxGraphView* view);

} // namespace qx_graph_tool
