#include "uv_rig.h"

#include "qx/commands/cmd_manager.h"
#include "qx/platform/input_state.h"
#include "scene_builders.h"

QxUVRig::QxUVRig(int width, int height) : window(width, height) {
    scene.CmdManager().SetMaxSize(100);
    view.CreateView(&scene, &window, 0, 0);
    window.SetPaintHandler([this] { view.OnPaint(); });
}

QxUVRig::~QxUVRig() {
    view.DestroyView();
}

void QxUVRig::Press(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    view.OnLButtonDown(flags | MK_LBUTTON, point);
}

void QxUVRig::MoveTo(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    view.OnMouseMove(flags | MK_LBUTTON, point);
}

void QxUVRig::Release(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    view.OnLButtonUp(flags, point);
}

CQxObject* QxAddUVGrid(CQxScene& scene) {
    CQxObject* grid = QxAdd(scene.RootModel(), QxNewGrid().release(), "Grid");
    grid->HasUV() = 1;
    for (unsigned int j = 0; j < 3; ++j)
        for (unsigned int i = 0; i < 3; ++i) {
            const CQxVertex* vertex = QxGridVertex(*grid, i, j);
            const CQxVector2D uv(0.25f + 0.25f * static_cast<float>(i),
                                 0.75f - 0.25f * static_cast<float>(j));
            for (CQxFace& face : grid->Mesh().Faces())
                if (CQxHalfEdge* h = face.FindHalfEdge(vertex)) {
                    h->AllocUV();
                    h->UV() = uv;
                }
        }
    CQxArray<CQxFace*> faces;
    for (CQxFace& face : grid->Mesh().Faces()) faces.PushBack(&face);
    grid->Select(1, {}, {}, faces, {});
    grid->UpdateGeometry();
    return grid;
}

CQxHalfEdge* QxUVGridCorner(CQxObject& grid, unsigned int fi, unsigned int fj, unsigned int vi,
                            unsigned int vj) {
    return QxGridFace(grid, fi, fj)->FindHalfEdge(QxGridVertex(grid, vi, vj));
}
