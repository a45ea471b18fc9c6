// Cut, copy and paste: the library makes and reads the blocks, the process's clipboard holds
// them, and the clipboard bridge mirrors it on the system clipboard, so geometry travels between
// scenes and between running studios.
#include <QStatusBar>

#include "main_window.h"
#include "message_log_panel.h"
#include "qx/platform/clipboard.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

using namespace QxWin;

namespace {

// Paste goes into the one selected mesh in component mode (faces copied from a mesh come back
// into it), else into a new mesh object of the current model.
CQxObject* PasteParent(CQxScene& scene) {
    if (scene.IsComponentSelect()) {
        CQxSelects selects;
        scene.RootModel().GetSelects(selects, 1);
        if (selects.GetSize() == 1 && selects.Selects()[0]->Object()->GetType() == QX_OBJ_MESH)
            return selects.Selects()[0]->Object();
    }
    return scene.GetCurModel();
}

} // namespace

bool QxStudioMainWindow::CopySelection(bool cut) {
    HGLOBAL block = cut ? m_Scene->CutSelectObjectsCmd(1) : m_Scene->CopySelectObjects();
    if (!block) {
        statusBar()->showMessage(tr("Nothing to %1: select meshes, or faces or edges").arg(cut ? tr("cut") : tr("copy")));
        return false;
    }
    const bool placed = OpenClipboard(nullptr) && EmptyClipboard() &&
                        SetClipboardData(CQxScene::GetCopyFormat(), block) != nullptr;
    CloseClipboard();
    if (!placed) {
        GlobalFree(block);
        m_Log->Note(tr("The clipboard could not take the copy."));
        return false;
    }
    statusBar()->showMessage(cut ? tr("Cut to the clipboard") : tr("Copied to the clipboard"));
    Refresh();
    return true;
}

bool QxStudioMainWindow::PasteClipboard() {
    if (!OpenClipboard(nullptr)) {
        m_Log->Note(tr("The clipboard is not available."));
        return false;
    }
    HGLOBAL block = GetClipboardData(CQxScene::GetCopyFormat());
    const int pasted = block && m_Scene->PasteCmd(block, PasteParent(*m_Scene), 1);
    CloseClipboard();
    if (!block) {
        statusBar()->showMessage(tr("The clipboard holds no copied geometry"));
        return false;
    }
    if (!pasted) {
        m_Log->Note(tr("The clipboard's content is damaged; nothing was pasted."));
        return false;
    }
    statusBar()->showMessage(tr("Pasted"));
    Refresh();
    return true;
}
