#pragma once

// Every public header of QxDurerive and of the sibling libraries its API speaks in.

// Platform layer: the window, timer, settings, clipboard and input services.
#include "qx/platform/block_io.h"
#include "qx/platform/canvas.h"
#include "qx/platform/clipboard.h"
#include "qx/platform/gdi_object.h"
#include "qx/platform/global_memory.h"
#include "qx/platform/input_state.h"
#include "qx/platform/message.h"
#include "qx/platform/offscreen_window.h"
#include "qx/platform/settings.h"
#include "qx/platform/time.h"
#include "qx/platform/timer.h"
#include "qx/platform/types.h"
#include "qx/platform/window.h"

// QxBasis: strings and containers.
#include "qx/basis/array.h"
#include "qx/basis/bin_tree.h"
#include "qx/basis/key_tree.h"
#include "qx/basis/list.h"
#include "qx/basis/list_node.h"
#include "qx/basis/msg_box.h"
#include "qx/basis/ptr_array.h"
#include "qx/basis/string.h"

// QxMath.
#include "qx/math/math_helpers.h"
#include "qx/math/matrix.h"
#include "qx/math/plane_line.h"
#include "qx/math/point_rect.h"
#include "qx/math/quat.h"
#include "qx/math/spline.h"
#include "qx/math/stacks.h"
#include "qx/math/vector.h"
#include "qx/math/vector2d.h"

// QxXml.
#include "qx/xml/xml_document.h"
#include "qx/xml/xml_element.h"
#include "qx/xml/xml_string.h"

// QxGraphics: the half-edge mesh, materials and textures, primitives, device and contexts.
#include "qx/graphics/attribute.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/color.h"
#include "qx/graphics/graphics_context.h"
#include "qx/graphics/graphics_device.h"
#include "qx/graphics/light.h"
#include "qx/graphics/mesh.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/graphics/primitive.h"
#include "qx/graphics/settings.h"
#include "qx/graphics/texture.h"
#include "qx/graphics/viewport.h"

// QxInput.
#include "qx/input/input.h"

// The core: scene model.
#include "qx/scene/app.h"
#include "qx/scene/model.h"
#include "qx/scene/object.h"
#include "qx/scene/object_kinds.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"
#include "qx/scene/transform_param.h"
#include "qx/scene/tree_node.h"
#include "qx/scene/version.h"

// Commands, selections, tools.
#include "qx/commands/cmd.h"
#include "qx/commands/cmd_manager.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/ik_cmd.h"
#include "qx/commands/object_cmds.h"
#include "qx/commands/transform_cmd.h"
#include "qx/commands/tree_cmd.h"
#include "qx/selection/select.h"
#include "qx/selection/uv_select.h"
#include "qx/tools/graph_tools.h"
#include "qx/tools/ik_handle_tool.h"
#include "qx/tools/manipulator.h"
#include "qx/tools/tool.h"
#include "qx/tools/tool_manager.h"
#include "qx/tools/transform_tool.h"

// Animation, skeleton, views, play.
#include "qx/animation/action.h"
#include "qx/animation/anim.h"
#include "qx/animation/anim_cmds.h"
#include "qx/animation/anim_item.h"
#include "qx/animation/anim_select.h"
#include "qx/play/msg.h"
#include "qx/play/object_simulator.h"
#include "qx/play/rigid_body.h"
#include "qx/play/sim_manager.h"
#include "qx/play/simulator.h"
#include "qx/play/task_manager.h"
#include "qx/play/widget.h"
#include "qx/play/widget_simulator.h"
#include "qx/skeleton/ik.h"
#include "qx/skeleton/joint.h"
#include "qx/views/camera.h"
#include "qx/views/graph_view.h"
