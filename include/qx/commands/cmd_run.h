#pragma once

#include <memory>
#include <type_traits>
#include <utility>

#include "qx/commands/cmd.h"
#include "qx/export.h"

class CQxScene;

// The end of every undoable scene operation: a command whose create step has run is handed to
// the scene's history (and the tools re-read the scene when prepareTool is set), or destroyed
// when the step failed, leaving the history untouched. Returns `created` as 0 or 1.
QX_API int QxCommitCmd(CQxScene& scene, std::unique_ptr<CQxCmd> cmd, int created, int prepareTool = 1);

// Creates a Cmd for the scene, runs `create(cmd)` (its create step, returning nonzero on
// success) and commits the result as above. The caller has already ended the scene's
// operation and checked its input. Anything the caller needs from the command (a created
// object) must be taken inside `create`: after a push the command may already be gone, for
// instance under a history limit of 0.
template <class Cmd, class Create>
int QxRunCmd(CQxScene& scene, Create&& create, int prepareTool = 1) {
    static_assert(std::is_base_of_v<CQxCmd, Cmd>);
    auto cmd = std::make_unique<Cmd>(&scene);
    const int created = std::forward<Create>(create)(*cmd) ? 1 : 0;
    return QxCommitCmd(scene, std::move(cmd), created, prepareTool);
}
