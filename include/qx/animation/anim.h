#pragma once

#include "qx/export.h"

// A model's keyframed animation. The item maps and their evaluation are added by the animation
// work; for now an animation holds no items, so it is always empty.
class QX_API CQxAnim {
public:
    CQxAnim() = default;
    CQxAnim(const CQxAnim& other) = default;
    CQxAnim& operator=(const CQxAnim& other) = default;
    virtual ~CQxAnim() = default;

    // Destroys every item.
    void Clear();
    // Whether the animation has no items.
    int IsEmpty() const;
};
