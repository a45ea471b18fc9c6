#include "scene_builders.h"

#include <algorithm>
#include <cmath>

#include "qx/graphics/graphics_context.h"
#include "qx/graphics/primitive.h"
#include "qx/views/camera.h"

CQxObject* QxNewCube(float size, CQxAttribute* attribute, const char* name) {
    auto* object = new CQxObject(1);
    object->Name() = name;
    object->Mesh().CreateCube(0, size, size, size, 1, 1, 1, attribute, 0);
    object->UpdateBoundBox();
    object->UpdateGraphics();
    return object;
}

unsigned int QxFaceTriangles(const CQxObject& object) {
    unsigned int n = 0;
    for (unsigned int i = 0; i < object.GetFacePrimitiveCount(); ++i)
        n += object.GetFacePrimitive(i)->GetPrimitiveCount();
    return n;
}

std::unique_ptr<CQxObject> QxNewGrid() {
    auto object = std::make_unique<CQxObject>(1);
    object->Mesh().CreatePlane(0, 2.0f, 2.0f, 2, 2, nullptr, 0);
    object->UpdateBoundBox();
    return object;
}

CQxVertex* QxGridVertex(CQxObject& grid, unsigned int i, unsigned int j) {
    return grid.Mesh().Vertices().GetAt(j * 3 + i);
}

CQxFace* QxGridFace(CQxObject& grid, unsigned int i, unsigned int j) {
    return grid.Mesh().Faces().GetAt(j * 2 + i);
}

CQxSelect QxRecord(CQxObject* object, const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxFace*>& faces,
                   const CQxArray<CQxHalfEdge*>& halfEdges) {
    CQxSelect select(object);
    select.Vertices() = vertices;
    select.Faces() = faces;
    select.HalfEdges() = halfEdges;
    return select;
}

CQxHalfEdge* QxFindSide(const CQxFace& face, const CQxVertex* a, const CQxVertex* b) {
    CQxHalfEdge* found = nullptr;
    face.ForEachHalfEdge([&](CQxHalfEdge& h) {
        if (h.GetVertex() == a && h.GetEndVertex() == b) found = &h;
    });
    return found;
}

CQxArray<unsigned int> QxPositions(const CQxObject& object, const CQxArray<CQxVertex*>& vertices) {
    CQxArray<unsigned int> out;
    for (const CQxVertex* v : vertices) out.PushBack(object.Mesh().Vertices().Find(v));
    return out;
}

CQxArray<unsigned int> QxPositions(const CQxObject& object, const CQxArray<CQxFace*>& faces) {
    CQxArray<unsigned int> out;
    for (const CQxFace* f : faces) out.PushBack(object.Mesh().Faces().Find(f));
    return out;
}

std::vector<CQxVector> QxWorldVertices(const CQxObject& object) {
    std::vector<CQxVector> out;
    const CQxMatrix world = object.GetTransformToRoot(QX_TF_ALL, 0);
    for (const CQxVertex& v : object.Mesh().Vertices()) out.push_back(v.Position() * world);
    return out;
}

namespace {
std::string Text(const CQxVector& v) {
    return "(" + std::to_string(v.x) + ", " + std::to_string(v.y) + ", " + std::to_string(v.z) + ")";
}
} // namespace

CQxObjectAnimItem& QxKeys(CQxObject& object, QX_ANIM_ITEM_TYPE type,
                          std::initializer_list<std::pair<float, float>> keys) {
    CQxObjectAnimItem& item = object.GetModel()->Anim().ObjectItems()[&object][type];
    item.Init(type, &object);
    for (auto [x, y] : keys) item.Spline().InsertNode(x, y);
    item.UpdateSpline();
    return item;
}

::testing::AssertionResult QxNear(const CQxVector& actual, const CQxVector& expected, float eps) {
    if (actual.IsEqual(expected, eps)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Text(actual) << " is not " << Text(expected);
}

::testing::AssertionResult QxNear(const std::vector<CQxVector>& actual,
                                  const std::vector<CQxVector>& expected, float eps) {
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << actual.size() << " points, not " << expected.size();
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (!actual[i].IsEqual(expected[i], eps))
            return ::testing::AssertionFailure()
                   << "point " << i << ": " << Text(actual[i]) << " is not " << Text(expected[i]);
    return ::testing::AssertionSuccess();
}

QxTestView::QxTestView(const CQxVector& eye) {
    view.SetLookAtR(eye, CQxVector(), CQxVector(0, 1, 0));
    projection.SetPerspectiveFovR(0.8f, 640.0f / 480.0f, 0.5f, 200.0f);
}

CQxVector QxTestView::Screen(const CQxVector& p) const {
    CQxMatrix screen;
    QxGetScreenTranform(screen, CQxMatrix(), view, projection, viewport);
    return screen.TransformCoord(p);
}

CQxPoint QxTestView::Pixel(const CQxVector& p) const {
    const CQxVector s = Screen(p);
    return CQxPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
}

CQxVector QxScreenCoord(const CQxCamera& camera, const CQxVector& p) {
    CQxMatrix screen;
    QxGetScreenTranform(screen, camera.WorldMatrix(), camera.ViewMatrix(), camera.ProjectionMatrix(),
                        camera.ViewPort());
    return screen.TransformCoord(p);
}

CQxPoint QxScreenPoint(const CQxCamera& camera, const CQxVector& p) {
    const CQxVector s = QxScreenCoord(camera, p);
    return CQxPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
}

void QxUpdateRecorder::Attach(CQxScene& scene) {
    scene.SetUpdateFunc(
        [](void* user, CQxScene* from, QX_UPDATE_TYPE type, void* a, void* b, void* c) {
            static_cast<QxUpdateRecorder*>(user)->Notices.push_back(
                {from,
                 type,
                 {reinterpret_cast<std::uintptr_t>(a), reinterpret_cast<std::uintptr_t>(b),
                  reinterpret_cast<std::uintptr_t>(c)}});
        },
        this);
}

std::vector<unsigned int> QxUpdateRecorder::Types() const {
    std::vector<unsigned int> types;
    for (const Notice& n : Notices) types.push_back(n.Type);
    return types;
}

std::vector<unsigned int> QxUpdateRecorder::TakeTypes() {
    std::vector<unsigned int> types = Types();
    Notices.clear();
    return types;
}

std::string QxDumpDiff(const std::string& a, const std::string& b) {
    std::size_t line = 0, pa = 0, pb = 0;
    while (pa < a.size() || pb < b.size()) {
        const std::size_t ea = std::min(a.find('\n', pa), a.size());
        const std::size_t eb = std::min(b.find('\n', pb), b.size());
        if (a.compare(pa, ea - pa, b, pb, eb - pb) != 0) {
            // The object line the difference belongs to helps as much as the line itself.
            const std::size_t owner = a.rfind("user ", pa);
            const std::size_t start = owner == std::string::npos ? 0 : a.rfind('\n', owner) + 1;
            return "\nline " + std::to_string(line) + " in: " + a.substr(start, a.find('\n', start) - start) +
                   "\n  - " + a.substr(pa, ea - pa) + "\n  + " + b.substr(pb, eb - pb) + "\n";
        }
        pa = ea + 1;
        pb = eb + 1;
        ++line;
    }
    return "";
}
