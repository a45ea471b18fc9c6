#pragma once

#include "qx/export.h"
#include "qx/tools/tool.h"

class CQxObject;

// Tool 17: the first pick chooses one end of an IK chain, the second the other end (an
// ancestor or a descendant of the first, in either order); the second pick makes the chain as
// one command. A pick of no object or of several starts over; a second pick that makes no
// chain leaves the first one chosen.
class QX_API CQxIKHandleTool : public CQxSelectTool {
public:
    explicit CQxIKHandleTool(CQxScene* scene);
    QX_SELECT_TYPE IsSelectFixed() override { return QX_SELECT_OBJECT; }
    void PrepareTool() override;
    void OnSelect(CQxSelects& selects) override;

    // The object the first pick chose (null before it).
    CQxObject* GetFirstObject() const { return m_First; }

private:
    void ClearSelection();

    CQxObject* m_First = nullptr;
};
