#pragma once

#include <cstdint>

#include "qx/commands/tree_cmd.h"
#include "qx/scene/scene.h"

// Shared by the attribute commands.
namespace qx_material_cmd {

inline constexpr std::uint32_t kNone = 0xFFFFFFFF;

// The model at a path of the scene's tree, or null when something else (or nothing) is there.
CQxModel* FindModel(CQxScene& scene, const CQxIndexPath& path);
// Whether the model is part of the scene's tree (commands find it again by its path).
bool InScene(CQxScene& scene, const CQxModel* model);
// The attribute at a position of the model's list, and the position of an attribute (kNone for
// none, or one that is not the model's).
CQxAttribute* AttributeAt(const CQxModel& model, std::uint32_t position);
std::uint32_t PositionOf(const CQxModel& model, const CQxAttribute* attribute);

// The model of the tree whose list holds the attribute, or null.
CQxModel* FindOwner(const CQxModel& root, const CQxAttribute* attribute);

// Attribute list changed (13), then redraw.
void NotifyList(CQxScene& scene, CQxModel* model);

} // namespace qx_material_cmd
