#include <vector>

#include "qx/animation/anim.h"
#include "qx/animation/anim_cmds.h"
#include "qx/graphics/mesh.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

CQxArray<unsigned int> PathOf(const CQxObject& object) {
    CQxArray<unsigned int> path;
    object.GetIndices(path);
    return path;
}

template <class T>
std::vector<T*> Table(CQxList<T>& list) {
    std::vector<T*> table;
    table.reserve(list.GetCount());
    for (T& element : list) table.push_back(&element);
    return table;
}

template <class T>
T* At(const std::vector<T*>& table, std::uint32_t i) {
    return i < table.size() ? table[i] : nullptr;
}

} // namespace

void CQxAnimatedValues::Capture(CQxScene& scene) {
    m_Objects.clear();
    m_Meshes.clear();
    m_Materials.clear();
    CQxArray<CQxModel*> models;
    scene.RootModel().GetModels(models, 1);
    for (CQxModel* model : models) {
        CQxAnim& anim = model->Anim();
        for (auto& object : anim.ObjectItems())
            m_Objects.emplace_back(PathOf(*object.Key), object.Key->TFParam());
        // One entry per mesh and animation, each element once however many channels it has.
        auto mesh = [&](CQxObject* object) -> Mesh& {
            object->Mesh().UpdateIndices();
            m_Meshes.push_back({PathOf(*object), {}, {}, {}});
            return m_Meshes.back();
        };
        for (auto& object : anim.VertexItems()) {
            Mesh& m = mesh(object.Key);
            for (auto& vertex : object.Value)
                m.Vertices.emplace_back(vertex.Key->Index(), vertex.Key->Position());
        }
        for (auto& object : anim.EdgeItems()) {
            Mesh& m = mesh(object.Key);
            for (auto& edge : object.Value) m.Edges.emplace_back(edge.Key->Index(), edge.Key->Color());
        }
        for (auto& object : anim.HalfEdgeItems()) {
            Mesh& m = mesh(object.Key);
            for (auto& face : object.Value)
                for (auto& corner : face.Value) {
                    const CQxHalfEdge& h = *corner.Key;
                    m.Corners.push_back({face.Key->Index(), face.Key->GetHalfEdgePosition(&h), h.Color(),
                                         h.UV(), static_cast<unsigned char>(h.HasUV())});
                }
        }
        for (auto& attribute : anim.AttributeItems())
            m_Materials.push_back(
                {PathOf(*model), model->FindAttribute(attribute.Key), attribute.Key->ColorMaterial()});
    }
}

void CQxAnimatedValues::Restore(CQxScene& scene) const {
    CQxModel& root = scene.RootModel();
    for (const auto& [path, param] : m_Objects)
        if (CQxObject* object = root.Find(path)) object->TFParam() = param;
    for (const Mesh& m : m_Meshes) {
        CQxObject* object = root.Find(m.Path);
        if (!object) continue;
        CQxMesh& mesh = object->Mesh();
        if (!m.Vertices.empty()) {
            const std::vector<CQxVertex*> vertices = Table(mesh.Vertices());
            for (const auto& [i, position] : m.Vertices)
                if (CQxVertex* v = At(vertices, i)) v->Position() = position;
            mesh.UpdateNormals();
            object->UpdateBoundBox();
        }
        if (!m.Edges.empty()) {
            const std::vector<CQxEdge*> edges = Table(mesh.Edges());
            for (const auto& [i, color] : m.Edges)
                if (CQxEdge* e = At(edges, i)) e->Color() = color;
        }
        if (!m.Corners.empty()) {
            const std::vector<CQxFace*> faces = Table(mesh.Faces());
            for (const Corner& c : m.Corners) {
                CQxFace* f = At(faces, c.Face);
                CQxHalfEdge* h = f ? f->GetHalfEdgeAt(c.Position) : nullptr;
                if (!h) continue;
                h->Color() = c.Color;
                if (c.HasUV) {
                    h->AllocUV();
                    h->UV() = c.UV;
                } else {
                    h->FreeUV();
                }
            }
        }
        object->UpdateGeometry();
    }
    for (const Material& m : m_Materials) {
        CQxObject* object = m.Model.IsEmpty() ? &root : root.Find(m.Model);
        auto* model = object && object->GetType() == QX_OBJ_MODEL ? static_cast<CQxModel*>(object) : nullptr;
        if (CQxAttribute* attribute = model ? model->GetAttribute(m.Position) : nullptr)
            attribute->ColorMaterial() = m.Values;
    }
}
