#include "qx/tools/manipulator.h"

#include <cfloat>
#include <cmath>
#include <memory>
#include <vector>

#include "qx/math/math_helpers.h"
#include "qx/math/stacks.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"

namespace {

// Sizes in model units; with 100 pixels per unit the whole manipulator is about 120 pixels tall.
constexpr float kAxisLength = 0.5f;
constexpr unsigned long kAxisColor = 0xFFFF0000;
constexpr float kCubeSize = 0.1f;
constexpr float kRingDiameter = 2.0f / 14.0f;
constexpr float kRingHeight = 1.0f / 14.0f;
constexpr float kConeDiameter = 0.1f;
constexpr float kConeHeight = 0.2f;
constexpr unsigned int kSlices = 16;

enum class HandleAxis { X, Y, Z };

// The shapes are built along +Y: the X handle is laid down onto +X, the Z handle onto +Z, and
// each sits at the end of its axis line.
void PlaceHandle(CQxObject& handle, HandleAxis axis) {
    CQxQuat turn;
    if (axis == HandleAxis::X) {
        turn.SetRotate(CQxVector(0.0f, 0.0f, 1.0f), -QX_PI_2);
        handle.Translate() = CQxVector(kAxisLength, 0.0f, 0.0f);
    } else if (axis == HandleAxis::Y) {
        handle.Translate() = CQxVector(0.0f, kAxisLength, 0.0f);
    } else {
        turn.SetRotate(CQxVector(1.0f, 0.0f, 0.0f), QX_PI_2);
        handle.Translate() = CQxVector(0.0f, 0.0f, kAxisLength);
    }
    handle.SetRotate(turn, 1);
}

std::unique_ptr<CQxObject> MakeCube(CQxAttribute* attribute) {
    auto cube = std::make_unique<CQxCube>();
    if (!cube->Create(kCubeSize, kCubeSize, kCubeSize, 1, 1, 1, attribute)) return nullptr;
    return cube;
}

std::unique_ptr<CQxObject> MakeHandle(QX_MANIPULATOR_TYPE type, CQxAttribute* attribute) {
    if (type == QX_MANIPULATOR_SCALE) return MakeCube(attribute);
    std::unique_ptr<CQxRoundPrimitive> shape;
    float diameter = kConeDiameter, height = kConeHeight;
    if (type == QX_MANIPULATOR_ROTATE) {
        shape = std::make_unique<CQxCylinder>();
        diameter = kRingDiameter;
        height = kRingHeight;
    } else {
        shape = std::make_unique<CQxCone>();
    }
    if (!shape->Create(diameter, height, kSlices, 1, attribute)) return nullptr;
    return shape;
}

bool IsKnownType(QX_MANIPULATOR_TYPE type) {
    return type == QX_MANIPULATOR_SCALE || type == QX_MANIPULATOR_ROTATE || type == QX_MANIPULATOR_MOVE ||
           type == QX_MANIPULATOR_EXTRUDE;
}

} // namespace

CQxManipulator::CQxManipulator() {
    PixelSize() = 100.0f;
    ModelSize() = 1.0f;
}

// The parts are children and go with the tree node.
CQxManipulator::~CQxManipulator() = default;

int CQxManipulator::Create(QX_MANIPULATOR_TYPE type, float pixelSize, CQxAttribute* centre, CQxAttribute* x,
                           CQxAttribute* y, CQxAttribute* z) {
    if (!(pixelSize > 0.0f) || !IsKnownType(type)) return 0;

    // Every part is made before any is adopted, so a failure leaves the manipulator as it was.
    const bool extrude = type == QX_MANIPULATOR_EXTRUDE;
    auto axes = std::make_unique<CQxAxes>();
    if (!axes->Create(kAxisLength, extrude ? 1u : 7u, kAxisColor, kAxisColor, kAxisColor)) return 0;
    std::unique_ptr<CQxObject> cube, handles[3];
    if (!extrude && !(cube = MakeCube(centre))) return 0;
    CQxAttribute* const materials[3] = {x, y, z};
    const QX_MANIPULATOR_TYPE handleType = extrude ? QX_MANIPULATOR_MOVE : type;
    for (unsigned int i = 0; i < (extrude ? 1u : 3u); ++i) {
        if (!(handles[i] = MakeHandle(handleType, materials[i]))) return 0;
        PlaceHandle(*handles[i], static_cast<HandleAxis>(i));
    }

    ClearChildren();
    m_Type = type;
    PixelSize() = pixelSize;
    m_Axes = axes.get();
    PushChild(axes.release());
    m_Center = cube.get();
    if (cube) PushChild(cube.release());
    CQxObject** slots[3] = {&m_XHandle, &m_YHandle, &m_ZHandle};
    for (unsigned int i = 0; i < 3; ++i) {
        *slots[i] = handles[i].get();
        if (handles[i]) PushChild(handles[i].release());
    }
    return 1;
}

// --- The scene's manipulator ------------------------------------------------------------------------

CQxManipulator* CQxScene::CreateManipulator(QX_MANIPULATOR_TYPE type, const CQxVector& position) {
    // The tools ask again after every pick: the one there is, put back as new, serves. Building its
    // meshes again would move the topology epoch and so drop every mesh's cached tables.
    if (m_Manipulator && m_Manipulator->GetManipulatorType() == type) {
        m_Manipulator->TFParam() = CQxTransformParam();
        m_Manipulator->Translate() = position;
        return m_Manipulator;
    }
    ClearManipulator();
    auto manipulator = std::make_unique<CQxManipulator>();
    if (!manipulator->Create(type, 100.0f, &ManipulatorAttribute(MANIP_CENTER),
                             &ManipulatorAttribute(MANIP_X), &ManipulatorAttribute(MANIP_Y),
                             &ManipulatorAttribute(MANIP_Z)))
        return nullptr;
    manipulator->Translate() = position;
    m_Manipulator = manipulator.release();
    return m_Manipulator;
}

int CQxScene::IsManipulatorPointHit(unsigned int mask, const CQxPoint& point, const CQxCamera& camera,
                                    CQxVector& pos, CQxSelect& select) {
    if (!m_Manipulator) return 0;
    // A handle seen end on (its axis along the line of sight, as one axis is in every flat view)
    // sits over the centre and could only drag along the line of sight, which moves nothing the
    // view shows: the pick looks past it, so the centre can be taken.
    const CQxVector origin = m_Manipulator->GetTransformToRoot(QX_TF_ALL, 0).Transform(CQxVector());
    const CQxVector sight =
        (camera.IsPerspective() ? origin - camera.Eye() : camera.Aim() - camera.Eye()).GetNormalized();
    std::vector<CQxObject*> endOn;
    for (CQxObject* handle :
         {m_Manipulator->GetXHandle(), m_Manipulator->GetYHandle(), m_Manipulator->GetZHandle()}) {
        if (!handle || !handle->IsVisible()) continue;
        const CQxVector axis = handle->GetTransformToRoot(QX_TF_ALL, 0).Transform(CQxVector()) - origin;
        if (!(std::fabs(axis.GetNormalized().GetDot(sight)) >= 0.999f)) continue;
        handle->IsVisible() = 0;
        endOn.push_back(handle);
    }
    float best = FLT_MAX;
    CQxMatrixStack stack(camera.WorldMatrix());
    const int hit =
        m_Manipulator->IsTreePointHit(mask, IsObjectMode(), 0, point, best, camera.ViewPort(), stack,
                                      camera.ViewMatrix(), camera.ProjectionMatrix(), pos, select);
    for (CQxObject* handle : endOn) handle->IsVisible() = 1;
    return hit;
}
