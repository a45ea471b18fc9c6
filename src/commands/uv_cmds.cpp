#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "object_cmds_internal.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/uv_cmds.h"
#include "qx/graphics/settings.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/selection/uv_select.h"
#include "qx/views/uv_view.h"

namespace {

// Below 0 (or NaN) becomes 0, above 1 becomes 1.
float Clamp01(float x) {
    return x > 1.0f ? 1.0f : x >= 0.0f ? x : 0.0f;
}

CQxVector2D UVOf(const CQxHalfEdge& h) {
    return h.HasUV() ? h.UV() : CQxVector2D();
}

// The UV view's size in pixels each way, which the separating step is measured in, while the
// scene has no UV view (or one without area).
constexpr float kUVViewPixels = 256.0f;

float UVViewPixels(unsigned int side) {
    return side ? static_cast<float>(side) : kUVViewPixels;
}

} // namespace

CQxUVCmd::Entry& CQxUVCmd::EntryOf(CQxObject& object) {
    for (std::size_t i = 0; i < m_Objects.size(); ++i)
        if (m_Objects[i] == &object) return m_Entries[i];
    object.Mesh().UpdateIndices();
    m_Objects.push_back(&object);
    m_Entries.push_back({QxGetIndexPath(object), {}, object.HasUV()});
    return m_Entries.back();
}

void CQxUVCmd::Record(CQxObject& object, const CQxHalfEdge& corner) {
    Entry& entry = EntryOf(object);
    entry.Corners.push_back({corner.GetFace()->Index(), corner.Index(), UVOf(corner), corner.HasUV()});
}

int CQxUVCmd::Change(CQxObject& object, CQxHalfEdge& corner, const CQxVector2D& uv) {
    if (corner.HasUV() ? corner.UV() == uv : uv == CQxVector2D()) return 0;
    Record(object, corner);
    corner.AllocUV();
    corner.UV() = uv;
    return 1;
}

int CQxUVCmd::CreateSeparate(const CQxUVSelects& records, float du, float dv, int update) {
    for (const CQxUVSelect* record : records.Selects()) {
        CQxObject* object = record->Object();
        if (!qx_object_cmd::IsMeshObject(object)) continue;
        for (CQxHalfEdge* h : record->HalfEdges()) {
            const CQxVector2D c = h->GetFace()->GetUVCenter();
            const CQxVector2D uv = UVOf(*h);
            const CQxVector2D moved(Clamp01(uv.x < c.x ? uv.x + du : uv.x - du),
                                    Clamp01(uv.y < c.y ? uv.y + dv : uv.y - dv));
            Change(*object, *h, moved);
        }
    }
    for (CQxObject* object : m_Objects) object->UpdateGeometry();
    if (m_Entries.empty()) return 0;
    Notify(update);
    return 1;
}

int CQxUVCmd::CreateMerge(const CQxUVSelects& records, int update) {
    for (const CQxUVSelect* record : records.Selects()) {
        CQxObject* object = record->Object();
        if (!qx_object_cmd::IsMeshObject(object)) continue;
        // The mean of the selected UVs at each vertex, summed in the record's (mesh) order so the
        // result does not depend on where the corners live in memory.
        std::unordered_set<const CQxHalfEdge*> marked;
        std::unordered_map<const CQxVertex*, std::pair<CQxVector2D, unsigned int>> sums;
        for (const CQxHalfEdge* h : record->HalfEdges()) {
            if (!h->HasUV() || !marked.insert(h).second) continue;
            auto& [sum, count] = sums[h->GetVertex()];
            sum += h->UV();
            ++count;
        }
        for (CQxHalfEdge* h : record->HalfEdges()) {
            const auto found = sums.find(h->GetVertex());
            if (found == sums.end()) continue;
            const auto& [sum, count] = found->second;
            const float n = static_cast<float>(count);
            Change(*object, *h, CQxVector2D(Clamp01(sum.x / n), Clamp01(sum.y / n)));
        }
    }
    for (CQxObject* object : m_Objects) object->UpdateGeometry();
    if (m_Entries.empty()) return 0;
    Notify(update);
    return 1;
}

void CQxUVCmd::Exchange(int) {
    m_Objects.clear();
    for (Entry& entry : m_Entries) {
        CQxObject* object = m_Scene->RootModel().Find(entry.Path);
        if (!object) continue;
        std::swap(object->HasUV(), entry.ObjectHasUV);
        const CQxArray<CQxFace*> faces = [&] {
            CQxArray<CQxFace*> all;
            for (CQxFace& f : object->Mesh().Faces()) all.PushBack(&f);
            return all;
        }();
        for (Corner& corner : entry.Corners) {
            if (corner.Face >= faces.GetSize()) continue;
            CQxHalfEdge* h = faces[corner.Face]->GetHalfEdgeAt(corner.Position);
            if (!h) continue;
            const Corner now{corner.Face, corner.Position, UVOf(*h), h->HasUV()};
            if (corner.HasUV) {
                h->AllocUV();
                h->UV() = corner.UV;
            } else {
                h->FreeUV();
            }
            corner = now;
        }
        object->UpdateGeometry();
    }
    Notify(1);
}

int CQxUVMapCmd::CreateMap(const CQxSelects& records, const CQxCamera& camera, int update) {
    const CQxViewPort& viewport = camera.ViewPort();
    if (viewport.Width == 0 || viewport.Height == 0) return 0;
    const float width = static_cast<float>(viewport.Width), height = static_cast<float>(viewport.Height);
    for (const CQxSelect* record : records.Selects()) {
        CQxObject* object = record->Object();
        if (!qx_object_cmd::IsMeshObject(object) || !record->HasFaces()) continue;
        CQxMatrix toScreen;
        QxGetScreenTranform(toScreen, object->GetTransformToRoot(QX_TF_ALL, 0) * camera.WorldMatrix(),
                            camera.ViewMatrix(), camera.ProjectionMatrix(), viewport);
        for (const CQxFace* face : record->Faces()) {
            face->ForEachHalfEdge([&](CQxHalfEdge& h) {
                CQxVector screen;
                if (!h.GetVertex() || !toScreen.TransformCoord(screen, h.GetVertex()->Position())) return;
                const CQxVector2D uv(screen.x / width, screen.y / height);
                if (std::isfinite(uv.x) && std::isfinite(uv.y)) Change(*object, h, uv);
            });
        }
    }
    // A mesh given texture coordinates keeps them (in files, mirrors and subdivision).
    for (CQxObject* object : m_Objects) {
        object->HasUV() = 1;
        object->UpdateGeometry();
    }
    if (m_Entries.empty()) return 0;
    Notify(update);
    return 1;
}

void CQxUVCmd::Notify(int update) {
    if (!update) return;
    m_Scene->UpdateGui(QX_UPDATE_UV);
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}

// --- The scene's UV commands --------------------------------------------------------

int CQxScene::SeparateUVsCmd(int update) {
    EndOperation();
    CQxUVSelects selects;
    m_RootModel.GetUVSelects(selects, 1);
    if (selects.IsEmpty()) return 0;
    const CQxViewPort* viewport = m_UVView ? &m_UVView->ViewPort() : nullptr;
    const float du = QxPickSize() * 0.5f / UVViewPixels(viewport && viewport->Height ? viewport->Width : 0);
    const float dv = QxPickSize() * 0.5f / UVViewPixels(viewport && viewport->Width ? viewport->Height : 0);
    return QxRunCmd<CQxUVCmd>(*this,
                              [&](CQxUVCmd& cmd) { return cmd.CreateSeparate(selects, du, dv, update); });
}

int CQxScene::MergeUVsCmd(int update) {
    EndOperation();
    CQxUVSelects selects;
    m_RootModel.GetUVSelects(selects, 1);
    if (selects.IsEmpty()) return 0;
    return QxRunCmd<CQxUVCmd>(*this, [&](CQxUVCmd& cmd) { return cmd.CreateMerge(selects, update); });
}
