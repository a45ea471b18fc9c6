#include "qx/commands/cmd_run.h"

#include "qx/scene/scene.h"

int QxCommitCmd(CQxScene& scene, std::unique_ptr<CQxCmd> cmd, int created, int prepareTool) {
    if (!cmd || !created) return 0;
    scene.CmdManager().Push(cmd.release());
    if (prepareTool) scene.PrepareTool();
    return 1;
}
