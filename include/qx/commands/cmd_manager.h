#pragma once

class CQxAnim;
class CQxScene;

// The undo history of one scene. For now it holds the owner and the history limit; the
// history itself arrives with the commands.
class CQxCmdManager {
public:
    // The limit starts at QxUndoSize().
    CQxCmdManager();
    CQxCmdManager(const CQxCmdManager&) = delete;
    CQxCmdManager& operator=(const CQxCmdManager&) = delete;
    virtual ~CQxCmdManager();

    // Records the owning scene; the scene calls it from its constructor.
    void Create(CQxScene* scene);
    CQxScene* GetScene() const { return m_Scene; }

    void SetMaxSize(unsigned int n);
    unsigned int GetMaxSize() const { return m_MaxSize; }

    // Drops the undo entries whose transforms the animation now drives; with an empty history
    // there is nothing to drop.
    void ClearAnimatedUndo(const CQxAnim& anim);

private:
    CQxScene* m_Scene = nullptr;
    unsigned int m_MaxSize;
};
