#include "qx/scene/scene.h"

#include <cmath>
#include <cstdint>

#include "object_internal.h"
#include "qx/graphics/bound_box.h"
#include "qx/math/stacks.h"
#include "qx/scene/settings.h"
#include "qx/skeleton/joint.h"
#include "qx/tools/manipulator.h"
#include "qx/views/camera.h"
#include "qx/views/uv_view.h"

namespace {

constexpr unsigned long kRed = 0xFFFF0000;
constexpr unsigned long kGreen = 0xFF00FF00;
constexpr unsigned long kBlue = 0xFF0000FF;
constexpr unsigned long kYellow = 0xFFFFFF00;
constexpr unsigned int kAllAxes = 7;

// A number carried in one of the callback's pointer arguments.
void* Detail(std::uintptr_t value) {
    return reinterpret_cast<void*>(value);
}

} // namespace

// --- Scene list ---------------------------------------------------------------------------------

CQxSceneList& CQxSceneList::Instance() {
    static CQxSceneList list;
    return list;
}

int CQxSceneList::SetActiveScene(CQxScene* scene) {
    if (scene == m_ActiveScene) return 0;
    if (scene && !m_Scenes.Has(scene)) return 0;
    if (m_ActiveScene) m_ActiveScene->OnActive(0);
    m_ActiveScene = scene;
    if (scene) scene->OnActive(1);
    return 1;
}

int CQxSceneList::AddScene(CQxScene* scene) {
    if (!scene || m_Scenes.Has(scene)) return 0;
    return m_Scenes.PushBack(scene);
}

int CQxSceneList::RemoveScene(CQxScene* scene) {
    if (!m_Scenes.Remove(scene)) return 0;
    if (m_ActiveScene == scene) m_ActiveScene = nullptr;
    return 1;
}

// --- Construction -------------------------------------------------------------------------------

CQxScene::CQxScene() {
    for (unsigned int i : {7u, 8u, 9u}) m_AnimItemCreateFlags[i] = 1;
    m_Grid.Create(100.0f, 10.0f, QX_AXIS_Y, QxGridColor());
    m_Axes.Create(100.0f, kAllAxes, kRed, kGreen, kBlue);
    m_RootModel.SetName("Root");
    InitUVBackground();
    m_Light.SetColor(0xFFFFFFFF);
    InitManipulatorAttributes();
    m_ToolManager.Create(this);
    m_UVToolManager.CreateUV(this);
    m_GraphToolManager.CreateGraph(this);
    m_CmdManager.Create(this);
    PrepareTool();
    CQxSceneList::Instance().AddScene(this);
}

CQxScene::CQxScene(const CQxScene& other) : CQxScene() {
    CopySettings(other);
}

CQxScene& CQxScene::operator=(const CQxScene& other) {
    if (this != &other) CopySettings(other);
    return *this;
}

void CQxScene::CopySettings(const CQxScene& other) {
    const CQxGrid& grid = other.m_Grid;
    SetGrid(grid.Length(), grid.Interval(), grid.Axis(), grid.Color(), 0);
    SetJointRadius(other.m_JointRadius, 0);
    m_BaseLength = other.m_BaseLength;
    m_IsDrawJointsFront = other.m_IsDrawJointsFront;
    m_IsDrawSelectPicks = other.m_IsDrawSelectPicks;
    m_IsDrawAnimatingFaces = other.m_IsDrawAnimatingFaces;
    m_IsDrawAxes = other.m_IsDrawAxes;
    m_IsDrawGrid = other.m_IsDrawGrid;
    m_IsGridSnappable = other.m_IsGridSnappable;
    for (unsigned int i = 0; i < AnimItemCreateFlagCount; ++i)
        m_AnimItemCreateFlags[i] = other.m_AnimItemCreateFlags[i];
    m_IsObjectAnimItemCreatable = other.m_IsObjectAnimItemCreatable;
    m_IsVertexAnimItemCreatable = other.m_IsVertexAnimItemCreatable;
    m_IsHalfEdgeAnimItemCreatable = other.m_IsHalfEdgeAnimItemCreatable;
    m_IsEdgeAnimItemCreatable = other.m_IsEdgeAnimItemCreatable;
    m_IsAttributeAnimItemCreatable = other.m_IsAttributeAnimItemCreatable;
    m_IsPlayRepeat = other.m_IsPlayRepeat;
    m_IsPlayForward = other.m_IsPlayForward;
    m_Fps = other.m_Fps;
    m_FirstFrame = other.m_FirstFrame;
    m_LastFrame = other.m_LastFrame;
    m_CurFrame = other.m_CurFrame;
    m_FileDir = other.m_FileDir;
    m_BackColor = other.m_BackColor;
    m_AmbientColor = other.m_AmbientColor;
    m_Light.SetColor(other.m_Light.GetColor());
}

CQxScene::~CQxScene() {
    // A scene going away tells its host nothing more (ending a play would otherwise report it
    // to a host that may already be gone).
    m_UpdateFunc = nullptr;
    m_SimManager.Clear();
    ClearData();
    ClearManipulator();
    CQxSceneList::Instance().RemoveScene(this);
    // The host should have taken its views away; views still attached must not keep a
    // pointer to a scene that is gone.
    for (CQxCamera* camera : m_Cameras) camera->SetScene(nullptr);
    if (m_UVView) m_UVView->SetScene(nullptr);
}

void CQxScene::InitUVBackground() {
    // One textured square over texture space (0..1 each way), where the UV view draws the
    // texture coordinates.
    CQxPrimitiveVertex* vertices = nullptr;
    unsigned int* indices = nullptr;
    if (!m_UVBackground.Alloc(QX_PRIMITIVE_TRIANGLES, 4, 6, QX_SHADE_LIT)) return;
    if (!m_UVBackground.Lock(vertices, indices)) return;
    static constexpr float kCorners[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    for (unsigned int i = 0; i < 4; ++i) {
        vertices[i] = {{kCorners[i][0], kCorners[i][1], 0.0f},
                       {0.0f, 0.0f, -1.0f},
                       {kCorners[i][0], kCorners[i][1]},
                       0xFFFFFFFFu};
    }
    static constexpr unsigned int kIndices[6] = {0, 1, 2, 0, 2, 3};
    for (unsigned int i = 0; i < 6; ++i) indices[i] = kIndices[i];
    m_UVBackground.Unlock();
}

void CQxScene::InitManipulatorAttributes() {
    static constexpr unsigned long kColors[MANIP_COUNT] = {kRed, kGreen, kBlue, kYellow};
    for (unsigned int i = 0; i < MANIP_COUNT; ++i)
        m_ManipulatorAttributes[i].ColorMaterial().Init(kColors[i], 0.8f, 0.3f, 0.0f, 0.3f, 5.0f);
}

void CQxScene::ClearData() {
    EndOperation();
    m_RootModel.Delete();
}

void CQxScene::ClearManipulator() {
    delete m_Manipulator;
    m_Manipulator = nullptr;
}

// --- Cameras and views --------------------------------------------------------------------------

void CQxScene::AddCamera(CQxCamera* camera) {
    if (!camera || m_Cameras.Has(camera)) return;
    camera->SetScene(this);
    m_Cameras.PushBack(camera);
}

void CQxScene::RemoveCamera(CQxCamera* camera) {
    if (!camera || !m_Cameras.Has(camera)) return;
    if (m_ActiveCamera == camera) m_ActiveCamera = nullptr;
    camera->SetScene(nullptr);
    m_Cameras.Remove(camera);
}

void CQxScene::OnCameraActive(CQxCamera* camera) {
    if (!camera || !m_Cameras.Has(camera)) return;
    m_ActiveCamera = camera;
    CQxSceneList::Instance().SetActiveScene(this);
}

void CQxScene::OnActive(int active) {
    if (active) {
        UpdateGui(QX_UPDATE_ACTIVE);
    } else {
        EndToolOperation();
        UpdateGui(QX_UPDATE_INACTIVE);
    }
}

void CQxScene::SetUVView(CQxUVView* view) {
    if (view == m_UVView) return;
    // One UV view a scene: the one it had no longer shows it.
    if (m_UVView) m_UVView->SetScene(nullptr);
    m_UVView = view;
    if (view) view->SetScene(this);
}

void CQxScene::UpdateViewWindows() {
    for (CQxCamera* camera : m_Cameras) camera->UpdateWindow();
}

void CQxScene::ClearGraphics() {
    for (CQxCamera* camera : m_Cameras) camera->ClearView();
    if (m_UVView) m_UVView->ClearView();
}

void CQxScene::RecreateGraphics() {
    for (CQxCamera* camera : m_Cameras) camera->RecreateView(0, 0);
    if (m_UVView) m_UVView->RecreateView(0, 0);
}

void CQxScene::UpdateObjectGeometry(int update) {
    for (CQxObject::Iterator it = m_RootModel.Begin(); !it.IsEnd(); ++it) it->UpdateGeometry();
    if (update) UpdateGui(QX_UPDATE_REDRAW);
}

// --- Host callback and operation bracketing -----------------------------------------------------

void CQxScene::SetUpdateFunc(QX_UPDATE_FUNC func, void* user) {
    m_UpdateFunc = func;
    m_UpdateUser = user;
}

void CQxScene::UpdateGui(QX_UPDATE_TYPE type, void* arg1, void* arg2, void* arg3) {
    if (m_UpdateFunc) m_UpdateFunc(m_UpdateUser, this, type, arg1, arg2, arg3);
}

void CQxScene::PrepareTool() {
    // The host says the selection changed, perhaps by setting flags by hand.
    qx_object::ForgetKnownSelections();
    m_ToolManager.PrepareTool();
    m_UVToolManager.PrepareTool();
    m_GraphToolManager.PrepareTool();
}

void CQxScene::EndToolOperation() {
    m_ToolManager.EndOperation();
    m_UVToolManager.EndOperation();
    m_GraphToolManager.EndOperation();
}

void CQxScene::EndOperation() {
    // Playback ends first (as one undo step), so no frame runs against a half-finished gesture.
    EndPlayCmd(1);
    EndToolOperation();
}

// --- Settings without undo ----------------------------------------------------------------------

int CQxScene::SetFirstFrame(float frame) {
    if (!std::isfinite(frame) || frame == m_FirstFrame) return 0;
    m_FirstFrame = frame;
    if (!(m_LastFrame > frame)) m_LastFrame = frame + 1.0f;
    return 1;
}

int CQxScene::SetLastFrame(float frame) {
    if (!std::isfinite(frame) || frame == m_LastFrame) return 0;
    m_LastFrame = frame;
    if (!(m_FirstFrame < frame)) m_FirstFrame = frame - 1.0f;
    return 1;
}

int CQxScene::SetGrid(float length, float interval, QX_AXIS_TYPE axis, unsigned long color, int update) {
    if (length == m_Grid.Length() && interval == m_Grid.Interval() && axis == m_Grid.Axis() &&
        color == m_Grid.Color())
        return 0;
    if (!m_Grid.Create(length, interval, axis, color)) return 0;
    if (m_Axes.Length() != length) m_Axes.Create(length, kAllAxes, kRed, kGreen, kBlue);
    for (CQxCamera* camera : m_Cameras) camera->SetViewSize(length);
    if (update) {
        UpdateGui(QX_UPDATE_SCENE, Detail(QX_SCENE_GRID));
        UpdateGui(QX_UPDATE_REDRAW);
    }
    return 1;
}

int CQxScene::FitGrid(int update) {
    CQxBoundBox box;
    CQxMatrixStack stack;
    m_RootModel.GetBoundBox(box, stack);
    if (box.IsEmpty()) return 0;
    const float half = box.GetMaxSize() * 0.5f;
    const float length = m_Grid.Length();
    if (!std::isfinite(half) || half == 0.0f || !(length > 0.0f) || !(half > length)) return 0;
    const float k = std::ceil(half / length);
    return SetGrid(k * length, k * m_Grid.Interval(), m_Grid.Axis(), m_Grid.Color(), update);
}

int CQxScene::SetJointRadius(float radius, int update) {
    if (!std::isfinite(radius) || radius == m_JointRadius) return 0;
    m_JointRadius = radius;
    for (CQxObject::Iterator it = m_RootModel.Begin(); !it.IsEnd(); ++it)
        if (it->GetType() == QX_OBJ_JOINT) static_cast<CQxJoint*>(it.Get())->SetRadius(radius);
    if (update) {
        UpdateGui(QX_UPDATE_SCENE, Detail(QX_SCENE_JOINT_RADIUS));
        UpdateGui(QX_UPDATE_REDRAW);
    }
    return 1;
}

int CQxScene::HasCreateFlag(unsigned int first, unsigned int last) const {
    for (unsigned int i = first; i <= last && i < AnimItemCreateFlagCount; ++i)
        if (m_AnimItemCreateFlags[i]) return 1;
    return 0;
}
