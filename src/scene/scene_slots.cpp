#include "qx/scene/scene.h"

// Virtual slots whose real work lives with other subsystems: the UV view's drawing replaces its
// definition here with its own. Until then it reports failure, so no caller mistakes it for
// done work.

QX_GRAPHICS_RESULT CQxScene::DrawUV(CQxCamera* /*camera*/, CQxAttribute* /*attribute*/) {
    return QX_GRAPHICS_FAILED;
}
