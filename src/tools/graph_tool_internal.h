#pragma once

#include "qx/animation/anim.h"
#include "qx/math/point_rect.h"

class CQxGraphView;

// Between the graph select and move tools.
namespace qx_graph_tool {

// The select mode remembered from Shift and Ctrl. A pick always replaces the key selection;
// the mode is kept for the host, as the select tool's state.
enum : int { kReplace = 0, kAdd = 1, kToggle = 2 };

// Clears the selection of every key and tangent handle of the animation.
void UnselectKeys(CQxAnim& anim);
// Replaces the selection with what a pick found: its keys, or its handles when it holds no key.
void ApplyPick(CQxAnim& anim, const CQxAnimItemSelects& hits);
int ModeFromFlags(unsigned int flags);
// The curve rectangle of the view's last draw; false when there is none to pick in.
bool GetCurveRect(const CQxGraphView& view, CQxRect& curve);
// Repaints the view now (through the host's paint handler).
void Repaint(CQxGraphView* view);

} // namespace qx_graph_tool
