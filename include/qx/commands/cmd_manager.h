#pragma once

#include "qx/basis/list.h"
#include "qx/commands/cmd.h"
#include "qx/export.h"

class CQxAnim;
class CQxScene;

// The undo history of one scene: a list of commands, oldest first, with a cursor. The cursor
// (GetCurCmd) is the newest command in effect; the commands after it form the redo side, and
// a null cursor means every command in the list is undone. The manager owns every command in
// its list and destroys each one when it leaves the list.
class QX_API CQxCmdManager {
public:
    // An empty history whose limit starts at QxUndoSize().
    CQxCmdManager();
    CQxCmdManager(const CQxCmdManager&) = delete;
    CQxCmdManager& operator=(const CQxCmdManager&) = delete;
    virtual ~CQxCmdManager();

    // Records the owning scene; the scene calls it from its constructor.
    void Create(CQxScene* scene);
    CQxScene* GetScene() const { return m_Scene; }

    // Destroys every command, oldest first.
    void Delete();

    // Takes ownership of a command that has already done its work: the redo side is discarded,
    // the command becomes the newest and current one, and the oldest commands go while the
    // history is over its limit (with a limit of 0 the command itself goes at once). A null
    // command, or one already in a list, is ignored.
    void Push(CQxCmd* cmd);
    // Takes the newest command out of the history and destroys it, undoing it first when it
    // is in effect.
    void Pop();

    // 1 when a command was undone (redone), 0 when there was nothing to do. Both end the
    // scene's operation first and let its tools re-read the scene afterwards.
    int Undo();
    int Redo();
    int IsUndoable() const;
    int IsRedoable() const;

    // The Undo and Redo menu items, with the command's name when there is one to run. The text
    // lives in one static string per function, overwritten by the next call.
    const char* GetUndoText() const;
    const char* GetRedoText() const;

    // Changes the history limit; an over-long history loses redo commands first (never the
    // current one), and only then its oldest commands.
    void SetMaxSize(unsigned int n);
    unsigned int GetMaxSize() const { return m_MaxSize; }

    // Destroys the commands whose changes the animation now overrides, walking from the
    // current command back to the oldest or to the first command with the barrier flag. The
    // redo side is never touched.
    void ClearAnimatedUndo(const CQxAnim& anim);

    // The current command (null when every command is undone or there is none), the count,
    // and the list itself for reading, oldest first.
    CQxCmd* GetCurCmd() const { return m_CurCmd; }
    unsigned int GetCount() const { return m_Cmds.GetCount(); }
    const CQxList<CQxCmd>& Cmds() const { return m_Cmds; }

private:
    // The neighbour of a command in the list, null past either end.
    CQxCmd* OlderOf(CQxCmd* cmd) const;
    CQxCmd* NewerOf(CQxCmd* cmd) const;
    // Unlinks and destroys the newest (oldest) command; the cursor must not be on it.
    void DestroyNewest();
    void DestroyOldest();
    // Unlinks and destroys every command after the cursor (every command when it is null).
    void DiscardRedo();

    CQxCmd* m_CurCmd = nullptr;
    CQxScene* m_Scene = nullptr;
    CQxList<CQxCmd> m_Cmds;
    unsigned int m_MaxSize;
};
