#include "qx/scene/scene.h"

// Virtual slots whose real work lives with other subsystems: the UV view's drawing and the .x
// writer each replace their definitions here with their own. Until then each reports failure,
// so no caller mistakes them for done work.

QX_GRAPHICS_RESULT CQxScene::DrawUV(CQxCamera* /*camera*/, CQxAttribute* /*attribute*/) {
    return QX_GRAPHICS_FAILED;
}

int CQxScene::WriteXFile(const char* /*path*/) {
    return 0;
}
