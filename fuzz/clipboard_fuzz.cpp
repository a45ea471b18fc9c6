// Feeds arbitrary bytes to paste as a clipboard block: a refused block adds nothing, and what a
// read block pastes (as a new object, then into that object's mesh) is sound, and so is the
// scene after undoing both.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz_scene.h"
#include "qx/commands/cmd_manager.h"
#include "qx/platform/global_memory.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

using namespace QxWin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CQxScene& scene = QxFuzzScene();
    scene.ClearData();
    scene.CmdManager().Delete();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (void* bytes = GlobalLock(block)) {
        std::memcpy(bytes, data, size);
        GlobalUnlock(block);
    }
    CQxModel& root = scene.RootModel();
    if (!scene.PasteCmd(block, nullptr, 1)) {
        if (root.GetChildCount() != 0 || scene.CmdManager().GetCount() != 0) {
            std::fprintf(stderr, "a refused block left something behind\n");
            __builtin_trap();
        }
        GlobalFree(block);
        return 0;
    }
    QxFuzzCheckMeshes(root);
    if (!scene.PasteCmd(block, root.GetChild(0), 1)) {
        std::fprintf(stderr, "a block pasted once was refused the second time\n");
        __builtin_trap();
    }
    QxFuzzCheckMeshes(root);
    scene.CmdManager().Undo();
    QxFuzzCheckMeshes(root);
    scene.CmdManager().Undo();
    if (root.GetChildCount() != 0) {
        std::fprintf(stderr, "undoing the paste left an object\n");
        __builtin_trap();
    }
    GlobalFree(block);
    return 0;
}
