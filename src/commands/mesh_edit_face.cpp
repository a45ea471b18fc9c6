#include <algorithm>

#include "object_cmds_internal.h"
#include "qx/commands/mesh_edit_cmds.h"
#include "qx/math/plane_line.h"
#include "qx/selection/select.h"

using namespace qx_object_cmd;

namespace {

// Corners made by hand carry every flag bit.
constexpr unsigned int kCornerFlags = 0xFFFFFFFF;

// The list position of a vertex of the mesh; all bits set when the mesh does not hold it.
std::uint32_t PositionOf(const CQxMesh& mesh, const CQxVertex* vertex) {
    std::uint32_t i = 0;
    for (const CQxVertex& v : mesh.Vertices()) {
        if (&v == vertex) return i;
        ++i;
    }
    return 0xFFFFFFFF;
}

std::vector<CQxVertex*> VertexTable(CQxMesh& mesh) {
    std::vector<CQxVertex*> table;
    table.reserve(mesh.Vertices().GetCount());
    for (CQxVertex& v : mesh.Vertices()) table.push_back(&v);
    return table;
}

} // namespace

CQxCreateFaceCmd::CQxCreateFaceCmd(CQxScene* scene) : CQxTreeCmd(scene) {}

CQxCreateFaceCmd::~CQxCreateFaceCmd() {
    if (!m_IsFaceBuilt) delete m_Face;
}

int CQxCreateFaceCmd::Create(CQxObject* target) {
    if (!m_Scene) return 0;
    CQxModel& root = m_Scene->RootModel();
    m_Before = std::make_unique<CQxTreeSelection>();
    m_Before->Capture(root);
    if (IsMeshObject(target) && target != &root && root.Find(target)) {
        m_Path = QxGetIndexPath(*target);
        CQxMesh& mesh = target->Mesh();
        m_VertexCount = mesh.Vertices().GetCount();
        m_FaceCount = mesh.Faces().GetCount();
        m_Mates.Capture(mesh);
    } else {
        m_IsObjectMade = 1;
    }
    return 1;
}

CQxObject* CQxCreateFaceCmd::GetObject() const {
    if (m_IsObjectMade && !m_HasObject) return nullptr;
    CQxObject* object = m_Scene->RootModel().Find(m_Path);
    return IsMeshObject(object) ? object : nullptr;
}

CQxObject* CQxCreateFaceCmd::PrepareObject() {
    if (!m_IsObjectMade || m_HasObject) return GetObject();
    CQxModel& root = m_Scene->RootModel();
    auto* object = new CQxObject(1);
    object->SetName(m_Scene->CalcUniqueObjectName("Mesh"));
    root.PushChild(object);
    m_Scene->SelectObject(CQxSelect(object), QX_SELECT_REPLACE, 1);
    m_Path = QxGetIndexPath(*object);
    m_Store.AddObject(m_Path);
    m_HasObject = 1;
    CQxSelects objects(object);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
    return object;
}

CQxAttribute* CQxCreateFaceCmd::GetMaterial(const CQxObject& object) const {
    const CQxModel* model = object.GetModel();
    if (!model) model = &m_Scene->RootModel();
    return m_MaterialIndex == 0xFFFFFFFF ? nullptr : model->GetAttribute(m_MaterialIndex);
}

int CQxCreateFaceCmd::AddPoint(const CQxVector& world, const CQxVector& view, int update) {
    if (!m_Scene || !world.IsFinite()) return 0;
    CQxObject* object = PrepareObject();
    if (!object) return 0;
    const CQxVector local = object->GetTransformFromRoot(QX_TF_ALL, 0).Transform(world);
    if (!local.IsFinite()) return 0;
    CQxMesh& mesh = object->Mesh();
    auto* vertex = new CQxVertex(local);
    mesh.Vertices().PushBack(vertex);
    m_CreatedPoints.push_back(local);
    return AddCorner(*object, vertex, mesh.Vertices().GetCount() - 1, view, update);
}

int CQxCreateFaceCmd::AddVertex(CQxVertex* vertex, const CQxVector& view, int update) {
    CQxObject* object = m_Scene ? GetObject() : nullptr;
    if (!object || !vertex) return 0;
    CQxMesh& mesh = object->Mesh();
    std::uint32_t position = PositionOf(mesh, vertex);
    if (position == 0xFFFFFFFF) return 0;
    if (m_Face && m_Face->FindHalfEdge(vertex)) {
        // A face uses a vertex once: a second click on it makes a new vertex there.
        vertex = new CQxVertex(vertex->Position());
        mesh.Vertices().PushBack(vertex);
        m_CreatedPoints.push_back(vertex->Position());
        position = mesh.Vertices().GetCount() - 1;
    }
    return AddCorner(*object, vertex, position, view, update);
}

int CQxCreateFaceCmd::AddCorner(CQxObject& object, CQxVertex* vertex, std::uint32_t position,
                                const CQxVector& view, int update) {
    CQxMesh& mesh = object.Mesh();
    if (!m_Face) {
        const CQxModel* model = object.GetModel();
        if (!model) model = &m_Scene->RootModel();
        m_MaterialIndex = model->CurAttribute() ? model->FindAttribute(model->CurAttribute()) : 0xFFFFFFFF;
        m_Face = new CQxFace(GetMaterial(object), CQxFace::ShadeBit);
    }
    if (m_Corners.size() == 2 && !m_IsReversed) {
        const CQxMatrix toRoot = object.GetTransformToRoot(QX_TF_ALL, 0);
        const CQxVector p1 = toRoot.Transform(m_Face->GetHalfEdge()->GetVertex()->Position());
        const CQxVector p2 = toRoot.Transform(m_Face->GetHalfEdge()->Next()->GetVertex()->Position());
        if (IsClockwise(view, p1, p2, toRoot.Transform(vertex->Position()))) {
            // The two corners swap; the new one then goes in front: the reverse of the clicks.
            CQxHalfEdge* first = m_Face->GetHalfEdge();
            m_Face->RemoveHalfEdge(first);
            m_Face->PushHalfEdge(first);
            std::reverse(m_Corners.begin(), m_Corners.end());
            m_IsReversed = 1;
        }
    }
    auto* corner = new CQxHalfEdge(nullptr, vertex, kCornerFlags);
    if (m_IsReversed) {
        m_Face->PushFrontHalfEdge(corner);
        m_Corners.insert(m_Corners.begin(), position);
    } else {
        m_Face->PushHalfEdge(corner);
        m_Corners.push_back(position);
    }
    vertex->IsSelect() = 1;
    if (!m_IsFaceBuilt && m_Face->IsValid()) {
        mesh.Faces().PushBack(m_Face);
        m_IsFaceBuilt = 1;
    }
    MeshChanged(object);
    if (update) Notify(&object, 0);
    return 1;
}

void CQxCreateFaceCmd::MeshChanged(CQxObject& object) const {
    if (m_IsFaceBuilt) {
        CQxMesh& mesh = object.Mesh();
        mesh.UpdateHalfEdgeMates();
        mesh.UpdateNormals();
    }
    object.UpdateBoundBox();
    object.UpdateGraphics();
}

void CQxCreateFaceCmd::Notify(CQxObject* object, int created) const {
    CQxSelects changed(object);
    if (created) {
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &changed);
    } else if (object) {
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_MESH, &changed, 2);
    }
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
}

int CQxCreateFaceCmd::GetLastPoint(CQxVector& out) const {
    const CQxObject* object = GetObject();
    if (!object || m_Corners.empty()) return 0;
    const std::uint32_t last = m_IsReversed ? m_Corners.front() : m_Corners.back();
    std::uint32_t i = 0;
    for (const CQxVertex& v : object->Mesh().Vertices())
        if (i++ == last) {
            out = object->GetTransformToRoot(QX_TF_ALL, 0).Transform(v.Position());
            return 1;
        }
    return 0;
}

void CQxCreateFaceCmd::Undo() {
    CQxModel& root = m_Scene->RootModel();
    m_After = std::make_unique<CQxTreeSelection>();
    m_After->Capture(root);
    CQxObject* object = GetObject();
    if (!m_IsFaceBuilt) { // a face of fewer than three corners, never pushed
        delete m_Face;
        m_Face = nullptr;
    }
    if (m_IsObjectMade && m_HasObject) {
        CQxSelects objects;
        CQxStoreReport report{&objects, nullptr};
        m_Store.Remove(report);
        m_Before->Restore(root);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_OBJECT_REMOVE, &objects);
        qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
    } else if (object) {
        CQxMesh& mesh = object->Mesh();
        TrimMesh(mesh, m_VertexCount, mesh.Edges().GetCount(), m_FaceCount);
        m_Face = nullptr;
        m_IsFaceBuilt = 0;
        m_Mates.Restore(mesh);
        mesh.UpdateVertexHalfEdges();
        mesh.UpdateNormals();
        m_Before->Restore(root);
        MeshChanged(*object);
        Notify(object, 0);
    }
}

void CQxCreateFaceCmd::Redo() {
    CQxModel& root = m_Scene->RootModel();
    CQxObject* object = nullptr;
    if (m_IsObjectMade) {
        CQxSelects objects;
        CQxStoreReport report{&objects, nullptr};
        m_Store.Restore(report);
        object = GetObject();
        if (m_After) m_After->Restore(root);
        Notify(object, 1);
        return;
    }
    object = GetObject();
    if (!object) return;
    CQxMesh& mesh = object->Mesh();
    for (const CQxVector& p : m_CreatedPoints) mesh.Vertices().PushBack(new CQxVertex(p));
    const std::vector<CQxVertex*> vertices = VertexTable(mesh);
    auto* face = new CQxFace(GetMaterial(*object), CQxFace::ShadeBit);
    for (std::uint32_t position : m_Corners)
        if (position < vertices.size())
            face->PushHalfEdge(new CQxHalfEdge(nullptr, vertices[position], kCornerFlags));
    mesh.Faces().PushBack(face);
    m_Face = face;
    m_IsFaceBuilt = 1;
    if (m_After) m_After->Restore(root);
    MeshChanged(*object);
    Notify(object, 0);
}
