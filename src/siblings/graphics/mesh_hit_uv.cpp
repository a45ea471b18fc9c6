// Picks in the texture view: the corners with texture coordinates of the selected faces, at
// their coordinates scaled to the view's size.

#include <cmath>

#include "qx/graphics/mesh.h"
#include "qx/graphics/settings.h"

namespace {

// The corners with texture coordinates of the selected faces (what the UV view shows), in mesh
// order.
template <class Visit>
void ForEachShownUV(const CQxList<CQxFace>& faces, Visit&& visit) {
    for (const CQxFace& f : faces) {
        if (!f.IsSelect()) continue;
        CQxHalfEdge* h = f.GetHalfEdge();
        for (unsigned int i = 0; i < f.GetHalfEdgeCount() && h; ++i, h = h->Next())
            if (h->HasUV()) visit(*h);
    }
}

} // namespace

int CQxMesh::IsUVPointHit(const CQxPoint& point, unsigned int width, unsigned int height, float& best,
                          CQxHalfEdge*& hit) const {
    if (width == 0 || height == 0) return 0;
    const float size = QxPickSize();
    const float r = size > 0.0f && std::isfinite(size) ? size : 0.0f;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float px = static_cast<float>(point.x), py = static_cast<float>(point.y);
    CQxHalfEdge* found = nullptr;
    float nearest = best;
    ForEachShownUV(m_Faces, [&](CQxHalfEdge& e) {
        const float d = std::hypot(e.UV().x * w - px, e.UV().y * h - py);
        if (d <= r && d < nearest) {
            nearest = d;
            found = &e;
        }
    });
    if (!found) return 0;
    hit = found;
    best = nearest;
    return 1;
}

int CQxMesh::IsUVRectHit(const CQxRect& rect, unsigned int width, unsigned int height,
                         CQxArray<CQxHalfEdge*>& hits) const {
    hits.Empty();
    if (width == 0 || height == 0 || rect.IsRectEmpty()) return 0;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float l = static_cast<float>(rect.left), r = static_cast<float>(rect.right);
    const float t = static_cast<float>(rect.top), b = static_cast<float>(rect.bottom);
    ForEachShownUV(m_Faces, [&](CQxHalfEdge& e) {
        const float x = e.UV().x * w, y = e.UV().y * h;
        if (x >= l && x < r && y >= t && y < b) hits.PushBack(&e);
    });
    return !hits.IsEmpty();
}
