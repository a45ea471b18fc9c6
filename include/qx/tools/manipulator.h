#pragma once

#include "qx/export.h"
#include "qx/scene/object_kinds.h"

// The on-screen handles of the transform tools: a screen-size object owned by the scene, at
// most one at a time. Its parts and their building come with the transform tools.
class QX_API CQxManipulator : public CQxScrObject {
public:
    CQxManipulator();
    ~CQxManipulator() override;
};
