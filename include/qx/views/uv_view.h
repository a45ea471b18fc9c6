#pragma once

#include "qx/export.h"
#include "qx/views/camera.h"

class CQxAttribute;

// The texture coordinates of the selected faces of the scene's meshes, drawn over a material's
// texture: a flat view whose window shows texture space, u from 0 at the left edge to 1 at the
// right and v from 0 at the top to 1 at the bottom. A scene has at most one; the view enters
// itself with CreateView and leaves when destroyed.
//
// Left buttons, moves and hovers go to the scene's UV tool manager with this view; every other
// input is the camera's (the 3D tool manager's navigation, which the UV drawing ignores).
class QX_API CQxUVView : public CQxCamera {
public:
    CQxUVView();
    ~CQxUVView() override;

    // Becomes the scene's UV view (a previous one is let go), then binds to the window.
    QX_GRAPHICS_RESULT CreateView(CQxScene* scene, HWND window, unsigned int width,
                                  unsigned int height) override;
    using CQxCamera::CreateView;
    void OnLButtonDown(unsigned int flags, CQxPoint point) override;
    void OnLButtonUp(unsigned int flags, CQxPoint point) override;
    void OnMouseMove(unsigned int flags, CQxPoint point) override;
    void OnMouseHover(unsigned int flags, CQxPoint point) override;
    // A host that paints every view alike gets the UV drawing of the root model's current
    // material, never the 3D scene.
    QX_GRAPHICS_RESULT OnPaint() override;

    // --- Added virtual operations ---------------------------------------------------------------
    // The scene's DrawUV with this view over the attribute's texture (none: no background).
    virtual QX_GRAPHICS_RESULT OnPaint(CQxAttribute* attribute);
    virtual void OnActive(int active);
    using CQxCamera::OnActive;
};
