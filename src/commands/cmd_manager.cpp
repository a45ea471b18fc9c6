#include "qx/commands/cmd_manager.h"

#include <string>
#include <utility>

#include "qx/scene/scene.h"
#include "qx/scene/settings.h"

namespace {

// The menu item with or without the command's name.
const char* FormatMenuText(std::string& text, const char* word, const CQxCmd* cmd, const char* shortcut) {
    text = word;
    if (cmd) {
        const char* name = cmd->GetName();
        text += ' ';
        text += name ? name : "";
    }
    text += shortcut;
    return text.c_str();
}

} // namespace

CQxCmdManager::CQxCmdManager() : m_Cmds(std::in_place, nullptr), m_MaxSize(QxUndoSize()) {}

CQxCmdManager::~CQxCmdManager() {
    Delete();
}

void CQxCmdManager::Create(CQxScene* scene) {
    m_Scene = scene;
}

void CQxCmdManager::Delete() {
    m_CurCmd = nullptr;
    m_Cmds.Clear();
}

CQxCmd* CQxCmdManager::OlderOf(CQxCmd* cmd) const {
    CQxCmd* prev = cmd->Prev();
    return prev == m_Cmds.GetHead() ? nullptr : prev;
}

CQxCmd* CQxCmdManager::NewerOf(CQxCmd* cmd) const {
    CQxCmd* next = cmd->Next();
    return next == m_Cmds.GetHead() ? nullptr : next;
}

void CQxCmdManager::DestroyNewest() {
    m_Cmds.PopBack();
}

void CQxCmdManager::DestroyOldest() {
    m_Cmds.PopFront();
}

void CQxCmdManager::DiscardRedo() {
    while (!m_Cmds.IsEmpty() && m_Cmds.Back() != m_CurCmd) DestroyNewest();
}

void CQxCmdManager::Push(CQxCmd* cmd) {
    // A linked command belongs to a list already (possibly this one); taking it would corrupt both.
    if (!cmd || cmd->Next()) return;
    DiscardRedo();
    m_Cmds.PushBack(cmd);
    m_CurCmd = cmd;
    while (m_Cmds.GetCount() > m_MaxSize) {
        if (m_CurCmd == m_Cmds.Front()) m_CurCmd = nullptr;
        DestroyOldest();
    }
}

void CQxCmdManager::Pop() {
    CQxCmd* newest = m_Cmds.Back();
    if (!newest) return;
    if (m_CurCmd == newest) {
        m_CurCmd = OlderOf(newest);
        newest->Undo();
    }
    m_Cmds.Pop(newest);
}

int CQxCmdManager::Undo() {
    if (!IsUndoable()) return 0;
    if (m_Scene) {
        m_Scene->EndOperation();
        // Ending play may itself have pushed a command: undo whatever is current now.
        if (!IsUndoable()) return 0;
    }
    // The cursor moves before the command runs, so the host sees the new state from inside it.
    CQxCmd* cmd = m_CurCmd;
    m_CurCmd = OlderOf(cmd);
    cmd->Undo();
    if (m_Scene) m_Scene->PrepareTool();
    return 1;
}

int CQxCmdManager::Redo() {
    if (!IsRedoable()) return 0;
    if (m_Scene) {
        // A command pushed while ending the operation discards the redo side.
        m_Scene->EndOperation();
        if (!IsRedoable()) return 0;
    }
    m_CurCmd = m_CurCmd ? NewerOf(m_CurCmd) : m_Cmds.Front();
    m_CurCmd->Redo();
    if (m_Scene) m_Scene->PrepareTool();
    return 1;
}

int CQxCmdManager::IsUndoable() const {
    return !m_Cmds.IsEmpty() && m_CurCmd;
}

int CQxCmdManager::IsRedoable() const {
    return !m_Cmds.IsEmpty() && m_CurCmd != m_Cmds.Back();
}

const char* CQxCmdManager::GetUndoText() const {
    static std::string text;
    return FormatMenuText(text, "元に戻す", IsUndoable() ? m_CurCmd : nullptr, "\tCtrl+Z(&U)");
}

const char* CQxCmdManager::GetRedoText() const {
    static std::string text;
    const CQxCmd* next = nullptr;
    if (IsRedoable()) next = m_CurCmd ? NewerOf(m_CurCmd) : m_Cmds.Front();
    return FormatMenuText(text, "やり直し", next, "\tCtrl+Y(&R)");
}

void CQxCmdManager::SetMaxSize(unsigned int n) {
    if (n == m_MaxSize) return;
    m_MaxSize = n;
    if (m_Cmds.GetCount() <= n) return;
    if (n == 0) {
        Delete();
        return;
    }
    // Redo commands go first, newest first; the oldest undo commands only once the current
    // command is the newest.
    while (m_Cmds.GetCount() > n) {
        if (m_Cmds.Back() != m_CurCmd) {
            DestroyNewest();
        } else {
            DestroyOldest();
        }
    }
}

void CQxCmdManager::ClearAnimatedUndo(const CQxAnim& anim) {
    for (CQxCmd* cmd = m_CurCmd; cmd && !cmd->Barrier();) {
        CQxCmd* older = OlderOf(cmd);
        if (cmd->ClearAnimated(anim)) {
            if (cmd == m_CurCmd) m_CurCmd = older;
            m_Cmds.Pop(cmd);
        }
        cmd = older;
    }
}
