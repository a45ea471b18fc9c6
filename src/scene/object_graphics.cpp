#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "object_internal.h"
#include "qx/basis/run_both.h"
#include "qx/graphics/graphics_device.h"
#include "qx/graphics/primitive.h"
#include "qx/graphics/settings.h"
#include "qx/platform/canvas.h"
#include "qx/scene/model.h"
#include "qx/scene/object.h"
#include "qx/views/camera.h"

using namespace QxWin;

using qx_object::LowestAxis;
using qx_object::SkinPosition;

namespace {

CQxGraphicsDevice& Device() {
    return CQxGraphics::Instance().GetDevice();
}

// The scale that mirrors object space about the planes of the axis bits.
CQxMatrix MirrorMatrix(unsigned int axes) {
    CQxMatrix m;
    m.SetScale(CQxVector(axes & QX_AXIS_X ? -1.0f : 1.0f, axes & QX_AXIS_Y ? -1.0f : 1.0f,
                         axes & QX_AXIS_Z ? -1.0f : 1.0f));
    return m;
}

// UV space (u right, v down, 0..1) onto the whole viewport, in the middle of the depth range.
CQxMatrix UVProjection() {
    return CQxMatrix(2.0f, 0.0f, 0.0f, 0.0f, 0.0f, -2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, -1.0f, 1.0f,
                     0.5f, 1.0f);
}

void SetUVMatrices(CQxGraphicsDevice& device) {
    device.SetWorld(CQxMatrix());
    device.SetView(CQxMatrix());
    device.SetProjection(UVProjection());
}

// A one-off point primitive, drawn at once with the device's states and point size.
void DrawPoints(const std::vector<CQxVector>& points, const std::vector<std::uint32_t>& colors, float size) {
    if (points.empty()) return;
    CQxPrimitive primitive;
    const auto count = static_cast<unsigned int>(points.size());
    if (!primitive.Alloc(QX_PRIMITIVE_POINTS, count, count)) return;
    CQxPrimitiveVertex* vertices = nullptr;
    unsigned int* indices = nullptr;
    if (!primitive.Lock(vertices, indices)) return;
    for (unsigned int i = 0; i < count; ++i) {
        vertices[i].Position[0] = points[i].x;
        vertices[i].Position[1] = points[i].y;
        vertices[i].Position[2] = points[i].z;
        vertices[i].Color = colors[i];
        indices[i] = i;
    }
    primitive.Unlock();
    CQxGraphicsDevice& device = Device();
    device.SetPointSize(size);
    primitive.Draw();
    device.SetPointSize(1.0f);
}

std::uint32_t Argb(unsigned long color) {
    return static_cast<std::uint32_t>(color & 0xFFFFFFFFu);
}

COLORREF ToColorRef(unsigned long argb) {
    return RGB(static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb));
}

// Replaces the primitive in a slot with a new build; a build that yields nothing leaves the slot
// empty.
template <class Build>
void Rebuild(CQxPrimitive*& slot, bool wanted, Build&& build) {
    if (wanted) {
        if (!slot) slot = new CQxPrimitive;
        if (build(*slot)) return;
    }
    delete slot;
    slot = nullptr;
}

} // namespace

// --- Primitives -----------------------------------------------------------------------------------

CQxPrimitive* CQxObject::GetFacePrimitive(unsigned int i) const {
    return i < m_FacePrimitives.size() ? m_FacePrimitives[i].Primitive.get() : nullptr;
}

CQxAttribute* CQxObject::GetFacePrimitiveAttribute(unsigned int i) const {
    return i < m_FacePrimitives.size() ? m_FacePrimitives[i].Attribute : nullptr;
}

const CQxMesh& CQxObject::GetDrawMesh() const {
    const CQxMesh& base = (m_MirrorFlags && m_IsMirrorConnect) ? m_Meshes[MESH_MIRROR] : m_Meshes[MESH_MAIN];
    if (m_SubdivisionLevel)
        if (const CQxMesh* subdivided = base.GetSubdivisionMesh()) return *subdivided;
    return base;
}

void CQxObject::DeletePrimitives() {
    ForgetSkinPose();
    m_FacePrimitives.clear();
    m_IdlePicks.reset();
    m_FacePrimitiveCount = 0;
    for (CQxPrimitive*& primitive : m_Primitives) {
        delete primitive;
        primitive = nullptr;
    }
}

void CQxObject::DeleteGraphics() {
    DeletePrimitives();
    m_Meshes[MESH_HANDLE].Clear();
    m_Meshes[MESH_MIRROR].Clear();
    m_Meshes[MESH_MAIN].ClearSubdivisionMeshes();
}

void CQxObject::UpdateGraphics() {
    ForgetSelection();
    DeleteGraphics();
    if (!HasShape() || !m_IsVisible) return;
    PrepareDrawMeshes();
    BuildPrimitives();
}

void CQxObject::UpdatePrimitives() {
    ForgetSelection();
    DeletePrimitives();
    if (!HasShape() || !m_IsVisible) return;
    BuildPrimitives();
}

void CQxObject::UpdateGeometry() {
    ForgetSkinPose();
    const GeometryChange change = std::exchange(m_GeometryChange, GeometryChange::Any);
    const SelectionChange* selection = std::exchange(m_SelectionChange, nullptr);
    // A plain update may follow flags set by hand, which the record of the selection misses.
    if (change == GeometryChange::Any) ForgetSelection();
    if (!HasShape() || !m_IsVisible) return;
    // A selection change touches neither positions nor the faces' colours.
    if (change == GeometryChange::Selection && selection && FollowSelection(*selection)) return;
    CQxMesh& main = m_Meshes[MESH_MAIN];
    const bool connected = m_MirrorFlags && m_IsMirrorConnect;
    if (connected) {
        CQxMesh& mirror = m_Meshes[MESH_MIRROR];
        // Moving vertices only moves the mirror; anything else builds it again.
        if (!mirror.UpdateSymmetry(main, LowestAxis(m_MirrorFlags))) {
            if (mirror.CreateSymmetry(main, LowestAxis(m_MirrorFlags), 1, m_HasUV))
                mirror.UpdateNormals();
            else
                mirror.Clear();
        }
    }
    CQxMesh& base = connected ? m_Meshes[MESH_MIRROR] : main;
    if (m_SubdivisionLevel && !base.Faces().IsEmpty()) base.SetSubdivisionLevel(m_SubdivisionLevel, m_HasUV);

    const CQxMesh& drawn = GetDrawMesh();
    bool follows = !(m_FacePrimitives.empty() && !drawn.Faces().IsEmpty());
    for (FacePrimitive& face : m_FacePrimitives)
        if (!face.Primitive->UpdatePositions(drawn)) follows = false;
    if (!follows) BuildFacePrimitives();
    if (change == GeometryChange::Positions && FollowMovedVertices()) {
        BuildMarkerPrimitives();
        return;
    }
    BuildDetailPrimitives();
}

void CQxObject::UpdateMovedGeometry() {
    m_GeometryChange = GeometryChange::Positions;
    UpdateGeometry();
    m_GeometryChange = GeometryChange::Any; // in case an override did not reach ours
}

void CQxObject::UpdateSelectionGeometry(const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                                        const CQxArray<CQxFace*>& faces,
                                        const CQxArray<CQxHalfEdge*>& halfEdges) {
    const SelectionChange change{vertices, edges, faces, halfEdges};
    m_GeometryChange = GeometryChange::Selection;
    m_SelectionChange = &change;
    UpdateGeometry();
    m_GeometryChange = GeometryChange::Any;
    m_SelectionChange = nullptr;
}

// The wires, points and picks keep their elements; the UV lines do not depend on positions.
bool CQxObject::FollowMovedVertices() {
    const CQxMesh& main = m_Meshes[MESH_MAIN];
    for (unsigned int which : {PRIM_EDGES, PRIM_POINTS, PRIM_PICKS})
        if (m_Primitives[which] && !m_Primitives[which]->UpdatePositions(main)) return false;
    return true;
}

// Only the wires, points, picks and UV lines show components' selection states.
bool CQxObject::FollowSelection(const SelectionChange& change) {
    const CQxMesh& main = m_Meshes[MESH_MAIN];
    // Graphics never built (or dropped) are built whole.
    if (m_FacePrimitives.empty() && !GetDrawMesh().Faces().IsEmpty()) return false;
    if (!m_Primitives[PRIM_EDGES] && (!main.Edges().IsEmpty() || !main.Faces().IsEmpty())) return false;
    if (!m_Primitives[PRIM_POINTS] && !main.Vertices().IsEmpty()) return false;
    auto follow = [&](unsigned int which) {
        CQxPrimitive* p = m_Primitives[which];
        return p && p->UpdateSelection(main, change.Vertices, change.Edges, change.Faces, change.HalfEdges);
    };
    const bool sides = !change.Edges.IsEmpty() || !change.Faces.IsEmpty() || !change.HalfEdges.IsEmpty();
    if (sides && m_Primitives[PRIM_EDGES] && !follow(PRIM_EDGES))
        Rebuild(m_Primitives[PRIM_EDGES], true, [&](CQxPrimitive& p) { return p.BuildEdges(main); });
    if (!change.Vertices.IsEmpty()) {
        if (m_Primitives[PRIM_POINTS] && !follow(PRIM_POINTS))
            Rebuild(m_Primitives[PRIM_POINTS], true, [&](CQxPrimitive& p) { return p.BuildPoints(main); });
        CQxPrimitive*& picks = m_Primitives[PRIM_PICKS];
        if (!picks && m_IdlePicks) picks = m_IdlePicks.release();
        if (follow(PRIM_PICKS)) {
            // No picks is no primitive, as a build leaves it.
            if (picks->IsEmpty()) {
                m_IdlePicks.reset(picks);
                picks = nullptr;
            }
        } else {
            Rebuild(picks, main.HasVertexSelect(), [&](CQxPrimitive& p) { return p.BuildPicks(main); });
        }
    }
    if (!change.Faces.IsEmpty())
        Rebuild(m_Primitives[PRIM_UV_EDGES], main.HasFaceSelect(),
                [&](CQxPrimitive& p) { return p.BuildUVEdges(main); });
    return true;
}

void CQxObject::PrepareDrawMeshes() {
    CQxMesh& main = m_Meshes[MESH_MAIN];
    if (!main.Faces().IsEmpty()) main.UpdateNormals();
    const bool connected = m_MirrorFlags && m_IsMirrorConnect;
    if (connected) {
        CQxMesh& mirror = m_Meshes[MESH_MIRROR];
        if (mirror.CreateSymmetry(main, LowestAxis(m_MirrorFlags), 1, m_HasUV))
            mirror.UpdateNormals();
        else
            mirror.Clear();
        main.SetSubdivisionLevel(0, m_HasUV);
    }
    CQxMesh& base = connected ? m_Meshes[MESH_MIRROR] : main;
    if (!base.Faces().IsEmpty()) base.SetSubdivisionLevel(m_SubdivisionLevel, m_HasUV);
}

void CQxObject::BuildPrimitives() {
    // A big mesh builds its lines and points on a second core while this one builds the faces:
    // the two touch separate members and only read the meshes.
    constexpr unsigned int ParallelFaces = 100000;
    if (m_Meshes[MESH_MAIN].Faces().GetCount() < ParallelFaces) {
        BuildFacePrimitives();
        BuildDetailPrimitives();
        return;
    }
    QxRunBoth([this] { BuildFacePrimitives(); }, [this] { BuildDetailPrimitives(); });
}

void CQxObject::BuildFacePrimitives() {
    m_FacePrimitives.clear();
    const CQxMesh& mesh = GetDrawMesh();
    CQxArray<CQxAttribute*> attributes;
    mesh.GetUniqueAttributes(attributes);
    for (CQxAttribute* attribute : attributes) {
        auto primitive = std::make_unique<CQxPrimitive>();
        if (primitive->BuildFaces(mesh, attribute))
            m_FacePrimitives.push_back({attribute, std::move(primitive)});
    }
    m_FacePrimitiveCount = static_cast<unsigned int>(m_FacePrimitives.size());
}

void CQxObject::BuildDetailPrimitives() {
    const CQxMesh& main = m_Meshes[MESH_MAIN];
    Rebuild(m_Primitives[PRIM_EDGES], !main.Edges().IsEmpty() || !main.Faces().IsEmpty(),
            [&](CQxPrimitive& p) { return p.BuildEdges(main); });
    Rebuild(m_Primitives[PRIM_POINTS], !main.Vertices().IsEmpty(),
            [&](CQxPrimitive& p) { return p.BuildPoints(main); });
    Rebuild(m_Primitives[PRIM_PICKS], main.HasVertexSelect(),
            [&](CQxPrimitive& p) { return p.BuildPicks(main); });
    Rebuild(m_Primitives[PRIM_UV_EDGES], main.HasFaceSelect(),
            [&](CQxPrimitive& p) { return p.BuildUVEdges(main); });
    BuildMarkerPrimitives();
}

void CQxObject::BuildMarkerPrimitives() {
    BuildPivotPrimitive();
    Rebuild(m_Primitives[PRIM_BOUND_BOX], !m_BoundBox.IsEmpty(),
            [&](CQxPrimitive& p) { return p.BuildBoundBox(m_BoundBox, QxSelectColor()); });
    if (m_IKRoot)
        BuildHandleMesh();
    else
        m_Meshes[MESH_HANDLE].Clear();
    const CQxMesh& handle = m_Meshes[MESH_HANDLE];
    Rebuild(m_Primitives[PRIM_HANDLE], !handle.IsEmpty(),
            [&](CQxPrimitive& p) { return p.BuildEdges(handle); });
    if (m_Mode == QX_OBJ_MODE_WEIGHT && IsSkinned()) {
        BuildWeightColors();
    } else {
        delete m_Primitives[PRIM_WEIGHTS];
        m_Primitives[PRIM_WEIGHTS] = nullptr;
    }
}

void CQxObject::BuildHandleMesh() {
    CQxMesh& handle = m_Meshes[MESH_HANDLE];
    handle.Clear();
    if (!m_IKRoot) return;
    const CQxVector from = Pivot();
    const float half = 0.1f * (m_BoundBox.IsEmpty() ? 1.0f : m_BoundBox.GetMaxSize());
    auto addLine = [&](const CQxVector& a, const CQxVector& b) {
        auto* va = new CQxVertex(a);
        auto* vb = new CQxVertex(b);
        handle.Vertices().PushBack(va);
        handle.Vertices().PushBack(vb);
        auto* edge = new CQxEdge(va, vb, 0);
        edge->Color() = Argb(QxIKColor());
        edge->IsSelect() = IsHandleSelect();
        handle.Edges().PushBack(edge);
    };
    // The line runs to the IK root's pivot, seen from this object.
    if (FindAncestor(m_IKRoot)) {
        CQxMatrix fromRoot;
        if (GetTransformToAncestor(m_IKRoot, QX_TF_ALL, 0).GetInverse(fromRoot))
            addLine(from, m_IKRoot->Pivot() * fromRoot);
    }
    addLine(from - CQxVector(half, 0.0f, 0.0f), from + CQxVector(half, 0.0f, 0.0f));
    addLine(from - CQxVector(0.0f, half, 0.0f), from + CQxVector(0.0f, half, 0.0f));
    addLine(from - CQxVector(0.0f, 0.0f, half), from + CQxVector(0.0f, 0.0f, half));
    handle.UpdateIndices();
}

void CQxObject::BuildWeightColors() {
    const CQxMesh& main = m_Meshes[MESH_MAIN];
    CQxArray<unsigned long> colors;
    colors.Reserve(main.Vertices().GetCount());
    for (const CQxVertex& v : main.Vertices()) {
        unsigned long color = 0xFF000000;
        if (const CQxVertexBones* bones = v.Bones()) {
            for (unsigned int s = 0; s < 4; ++s) {
                if (bones->Indices[s] != m_CurBone || !(bones->Weights[s] > 0.0f)) continue;
                const auto grey = static_cast<unsigned long>(std::min(bones->Weights[s], 1.0f) * 255.0f);
                color |= (grey << 16) | (grey << 8) | grey;
                break;
            }
        }
        colors.PushBack(color);
    }
    UpdateWeightColors(colors);
}

void CQxObject::UpdateWeightColors(const CQxArray<unsigned long>& colors) {
    const CQxMesh& main = m_Meshes[MESH_MAIN];
    Rebuild(m_Primitives[PRIM_WEIGHTS], true, [&](CQxPrimitive& p) { return p.SetWeightColors(main, colors); });
}

// --- Drawing --------------------------------------------------------------------------------------

void CQxObject::DrawPrimitive(unsigned int which) const {
    if (which < PRIM_COUNT && m_Primitives[which]) m_Primitives[which]->Draw();
}

void CQxObject::DrawFacePrimitives(const CQxAttribute* attribute) {
    const bool weights = m_Mode == QX_OBJ_MODE_WEIGHT && m_Primitives[PRIM_WEIGHTS];
    // The weight colours stand for all faces: they are drawn once, with the first attribute.
    if (weights && (m_FacePrimitives.empty() || m_FacePrimitives.front().Attribute != attribute)) return;
    auto draw = [&] {
        if (weights) {
            m_Primitives[PRIM_WEIGHTS]->Draw();
            return;
        }
        for (FacePrimitive& face : m_FacePrimitives)
            if (face.Attribute == attribute) face.Primitive->Draw();
    };
    draw();
    if (!m_MirrorFlags || m_IsMirrorConnect) return;
    // A mirror that is not connected is the same faces drawn again mirrored.
    CQxGraphicsDevice& device = Device();
    const CQxMatrix world = device.GetWorld();
    for (unsigned int axes = 1; axes < 8; ++axes) {
        if ((axes & m_MirrorFlags) != axes) continue;
        device.SetWorld(MirrorMatrix(axes) * world);
        draw();
    }
    device.SetWorld(world);
}

void CQxObject::DrawNormal(CQxAttribute* attribute) {
    DrawFacePrimitives(attribute);
}

void CQxObject::DrawLighted() {
    DrawPrimitive(PRIM_EDGES);
}

void CQxObject::DrawLightedPicks() {
    DrawPrimitive(PRIM_POINTS);
}

void CQxObject::DrawPivot() {
    DrawPrimitive(PRIM_PIVOT);
}

void CQxObject::DrawJoint() {
    DrawPrimitive(PRIM_JOINT);
}

void CQxObject::DrawBoundBox() {
    DrawPrimitive(PRIM_BOUND_BOX);
}

void CQxObject::DrawLightedHandle(CQxCamera*) {
    DrawPrimitive(PRIM_HANDLE);
}

void CQxObject::DrawTransformedPicks(CQxCamera*, const CQxArray<CQxMatrix>& bones, float size) {
    std::vector<CQxVector> points;
    std::vector<std::uint32_t> colors;
    for (const CQxVertex& v : m_Meshes[MESH_MAIN].Vertices()) {
        if (!v.IsSelect()) continue;
        points.push_back(SkinPosition(v, bones));
        colors.push_back(Argb(QxSelectColor()));
    }
    CQxGraphicsDevice& device = Device();
    const CQxMatrix world = device.GetWorld();
    device.SetWorld(CQxMatrix());
    DrawPoints(points, colors, size);
    device.SetWorld(world);
}

void CQxObject::DrawTransformedPicks(CQxCamera*, const CQxMatrix& world, float size) {
    std::vector<CQxVector> points;
    std::vector<std::uint32_t> colors;
    for (const CQxVertex& v : m_Meshes[MESH_MAIN].Vertices()) {
        if (!v.IsSelect()) continue;
        points.push_back(v.Position() * world);
        colors.push_back(Argb(QxSelectColor()));
    }
    CQxGraphicsDevice& device = Device();
    const CQxMatrix saved = device.GetWorld();
    device.SetWorld(CQxMatrix());
    DrawPoints(points, colors, size);
    device.SetWorld(saved);
}

// --- Drawing passes over the tree -----------------------------------------------------------------

void CQxObject::TreeDrawModelNormal(int deep) {
    if (IsDrawn() && (deep || !m_IsComponentMode)) {
        CQxGraphicsDevice& device = Device();
        device.SetWorld(GetDrawTransform());
        // A clone draws its source's faces, so it walks the source's attributes.
        const CQxObject& shape = IsClone() && GetOriginal() ? *GetOriginal() : *this;
        std::vector<CQxAttribute*> attributes;
        for (const FacePrimitive& face : shape.m_FacePrimitives)
            if (std::find(attributes.begin(), attributes.end(), face.Attribute) == attributes.end())
                attributes.push_back(face.Attribute);
        const CQxModel* model = attributes.empty() ? nullptr : GetModel();
        for (CQxAttribute* attribute : attributes) {
            device.SetAttribute(attribute);
            if (!attribute) device.SetMaterial(model ? model->ColorMaterial() : CQxColorMaterial());
            DrawNormal(attribute);
        }
        if (!attributes.empty()) device.SetAttribute(nullptr);
    }
    for (CQxObject* child : GetChildren()) child->TreeDrawModelNormal(deep);
}

void CQxObject::TreeDrawNormal(CQxAttribute* attribute, int deep) {
    if (IsDrawn()) {
        Device().SetWorld(GetDrawTransform());
        DrawNormal(attribute);
    }
    if (deep)
        for (CQxObject* child : GetChildren()) child->TreeDrawNormal(attribute, deep);
}

void CQxObject::TreeDrawLighted() {
    // Joints draw in their own pass (possibly in front of everything).
    if (IsDrawn() && GetType() != QX_OBJ_JOINT) {
        Device().SetWorld(GetDrawTransform());
        DrawLighted();
    }
    for (CQxObject* child : GetChildren()) child->TreeDrawLighted();
}

void CQxObject::TreeDrawBoundBox() {
    if (IsDrawn() && IsSelect() && !m_IsComponentMode) {
        Device().SetWorld(GetDrawTransform());
        DrawBoundBox();
    }
    for (CQxObject* child : GetChildren()) child->TreeDrawBoundBox();
}

void CQxObject::TreeDrawPivot() {
    if (m_IsVisible && IsSelect()) {
        Device().SetWorld(GetDrawTransform());
        DrawPivot();
    }
    for (CQxObject* child : GetChildren()) child->TreeDrawPivot();
}

void CQxObject::TreeDrawLightedHandle(CQxCamera* camera) {
    if (m_IsVisible && m_IKRoot) {
        Device().SetWorld(m_Transform);
        DrawLightedHandle(camera);
    }
    for (CQxObject* child : GetChildren()) child->TreeDrawLightedHandle(camera);
}

void CQxObject::TreeDrawJoint() {
    if (m_IsVisible) {
        Device().SetWorld(GetDrawTransform());
        DrawJoint();
    }
    for (CQxObject* child : GetChildren()) child->TreeDrawJoint();
}

void CQxObject::TreeDrawLightedPicks(int handle, int deep) {
    if (m_IsVisible && m_IsUser && GetType() != QX_OBJ_JOINT) {
        CQxGraphicsDevice& device = Device();
        if (handle && m_IKRoot) {
            device.SetWorld(m_Transform);
            DrawPrimitive(PRIM_HANDLE);
        }
        if (m_IsComponentMode && IsDrawn()) {
            device.SetWorld(GetDrawTransform());
            device.SetPointSize(QxPickSize());
            if (deep)
                DrawPrimitive(PRIM_PICKS);
            else
                DrawLightedPicks();
            device.SetPointSize(1.0f);
        }
    }
    for (CQxObject* child : GetChildren()) child->TreeDrawLightedPicks(handle, deep);
}

void CQxObject::TreeDrawTransformedPicks(CQxCamera* camera, float size, int deep) {
    if (m_IsVisible && m_IsUser && m_IsComponentMode && HasShape() && GetType() != QX_OBJ_JOINT) {
        if (IsSkinned() && m_Mode != QX_OBJ_MODE_WEIGHT && UpdateSkinHitMatrices(m_Transform))
            DrawTransformedPicks(camera, m_BoneTransforms, size);
        else
            DrawTransformedPicks(camera, GetDrawTransform(), size);
    }
    if (deep)
        for (CQxObject* child : GetChildren()) child->TreeDrawTransformedPicks(camera, size, deep);
}

void CQxObject::DrawWidget(HDC dc) {
    for (CQxObject* child : GetChildren()) child->DrawWidget(dc);
}

// --- Texture coordinates --------------------------------------------------------------------------

void CQxObject::DrawUVFaces(CQxCamera* camera) {
    if (m_IsVisible && m_Primitives[PRIM_UV_EDGES]) {
        SetUVMatrices(Device());
        DrawPrimitive(PRIM_UV_EDGES);
    }
    for (CQxObject* child : GetChildren()) child->DrawUVFaces(camera);
}

void CQxObject::DrawUVVertices(CQxCamera* camera) {
    if (m_IsVisible && HasShape()) {
        std::vector<CQxVector> points;
        std::vector<std::uint32_t> colors;
        for (const CQxFace& face : m_Meshes[MESH_MAIN].Faces()) {
            if (!face.IsSelect()) continue;
            face.ForEachHalfEdge([&](const CQxHalfEdge& h) {
                if (!h.HasUV()) return;
                points.emplace_back(h.UV().x, h.UV().y, 0.0f);
                colors.push_back(Argb(h.IsUVSelect() ? QxSelectUVColor() : QxNormalUVColor()));
            });
        }
        if (!points.empty()) {
            SetUVMatrices(Device());
            DrawPoints(points, colors, QxPickSize());
        }
    }
    for (CQxObject* child : GetChildren()) child->DrawUVVertices(camera);
}

void CQxObject::DrawUV(HDC dc, unsigned int width, unsigned int height) {
    const CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (dc && m_IsVisible && mesh.HasFaceSelect()) {
        HPEN pens[2] = {CreatePen(PS_SOLID, 0, ToColorRef(QxNormalUVColor())),
                        CreatePen(PS_SOLID, 0, ToColorRef(QxSelectUVColor()))};
        HBRUSH brushes[2] = {CreateSolidBrush(ToColorRef(QxNormalUVColor())),
                             CreateSolidBrush(ToColorRef(QxSelectUVColor()))};
        HGDIOBJ oldPen = SelectObject(dc, pens[0]);
        const float w = static_cast<float>(width), h = static_cast<float>(height);
        auto pixel = [&](const CQxHalfEdge& e) {
            return POINT{static_cast<LONG>(e.UV().x * w), static_cast<LONG>(e.UV().y * h)};
        };
        const int half = std::max(1, static_cast<int>(QxPickSize() * 0.5f));
        for (const CQxFace& face : mesh.Faces()) {
            if (!face.IsSelect() || !face.IsValid()) continue;
            face.ForEachHalfEdge([&](const CQxHalfEdge& e) {
                const CQxHalfEdge* next = e.Next();
                if (!e.HasUV() || !next || !next->HasUV()) return;
                SelectObject(dc, pens[e.IsUVSelect() && next->IsUVSelect() ? 1 : 0]);
                const POINT a = pixel(e), b = pixel(*next);
                MoveToEx(dc, a.x, a.y, nullptr);
                LineTo(dc, b.x, b.y);
            });
            face.ForEachHalfEdge([&](const CQxHalfEdge& e) {
                if (!e.HasUV()) return;
                const POINT p = pixel(e);
                const RECT box{p.x - half, p.y - half, p.x + half + 1, p.y + half + 1};
                FillRect(dc, &box, brushes[e.IsUVSelect() ? 1 : 0]);
            });
        }
        SelectObject(dc, oldPen);
        for (HPEN pen : pens) DeleteObject(pen);
        for (HBRUSH brush : brushes) DeleteObject(brush);
    }
    for (CQxObject* child : GetChildren()) child->DrawUV(dc, width, height);
}
