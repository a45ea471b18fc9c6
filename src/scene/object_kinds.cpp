#include "qx/scene/object_kinds.h"

#include <memory>

#include "qx/graphics/primitive.h"
#include "qx/selection/select.h"

// --- Built shapes ------------------------------------------------------------------------------
// The mesh builders leave the mesh untouched when they refuse, so the fields are stored only
// after a successful build.

int CQxGrid::Create(float length, float interval, QX_AXIS_TYPE axis, unsigned long color) {
    if (!Mesh().CreateGrid(length, interval, axis, color)) return 0;
    m_Length = length;
    m_Interval = interval;
    m_Axis = axis;
    m_Color = color;
    UpdateBoundBox();
    UpdateGraphics();
    return 1;
}

int CQxAxes::Create(float length, unsigned int axisFlags, unsigned long colorX, unsigned long colorY,
                    unsigned long colorZ) {
    if (!Mesh().CreateAxes(0, length, axisFlags, colorX, colorY, colorZ)) return 0;
    m_Length = length;
    m_AxisFlags = axisFlags;
    UpdateBoundBox();
    UpdateGraphics();
    return 1;
}

int CQxCube::Create(float width, float height, float depth, unsigned int divX, unsigned int divY,
                    unsigned int divZ, CQxAttribute* attribute) {
    if (!Mesh().CreateCube(0, width, height, depth, divX, divY, divZ, attribute, 0)) return 0;
    m_DivX = divX;
    m_DivY = divY;
    m_DivZ = divZ;
    m_Width = width;
    m_Height = height;
    m_Depth = depth;
    UpdateBoundBox();
    UpdateGraphics();
    return 1;
}

int CQxRoundPrimitive::Create(float diameter, float height, unsigned int divAround, unsigned int divAlong,
                              CQxAttribute* attribute) {
    if (!(Mesh().*m_Builder)(0, diameter, height, divAround, divAlong, attribute, 0)) return 0;
    m_Diameter = diameter;
    m_Height = height;
    m_DivAround = divAround;
    m_DivAlong = divAlong;
    UpdateBoundBox();
    UpdateGraphics();
    return 1;
}

// --- Screen-size object ------------------------------------------------------------------------

int CQxScrObject::GetTransform(CQxMatrix& out, const CQxViewPort& viewport, const CQxMatrix& parentWorld,
                               const CQxMatrix& view, const CQxMatrix& projection) {
    return TFParam().GetScreenSizeTransform(*this, m_ModelSize, m_PixelSize, out, viewport, parentWorld, view,
                                            projection);
}

// --- Clone -------------------------------------------------------------------------------------

namespace {

// The drawing slots are protected: a clone reaches its source's through member pointers taken
// in a class that overrides none of them, so the source's own overrides still run.
struct SourceDraw : CQxObject {
    static void Normal(CQxObject& o, CQxAttribute* attribute) { (o.*(&SourceDraw::DrawNormal))(attribute); }
    static void Lighted(CQxObject& o) { (o.*(&SourceDraw::DrawLighted))(); }
    static void LightedPicks(CQxObject& o) { (o.*(&SourceDraw::DrawLightedPicks))(); }
    static void Pivot(CQxObject& o) { (o.*(&SourceDraw::DrawPivot))(); }
    static void TransformedPicks(CQxObject& o, CQxCamera* camera, const CQxMatrix& world, float size) {
        void (CQxObject::*draw)(CQxCamera*, const CQxMatrix&, float) = &SourceDraw::DrawTransformedPicks;
        (o.*draw)(camera, world, size);
    }
};

} // namespace

CQxClone::CQxClone(CQxObject* source) : CQxObject(source ? source->IsUser() : 0), m_Source(source) {
    if (!m_Source) return;
    TFParam() = m_Source->TFParam();
    Name() = m_Source->Name();
    UpdateGraphics();
}

QX_OBJ_TYPE CQxClone::GetType() const {
    return m_Source ? m_Source->GetType() : QX_OBJ_NONE;
}

// The source's mesh is tested with the clone's matrices; the record then names the clone, so
// picking a clone selects the clone and not the object it shows.
int CQxClone::IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                         const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                         CQxVector& pos, CQxSelect& select) {
    if (!m_Source || m_Source == this) return 0;
    if (!m_Source->IsPointHit(mask, point, best, viewport, world, view, projection, pos, select)) return 0;
    select.Object() = this;
    return 1;
}

int CQxClone::IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                        const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                        CQxSelect& select) {
    if (!m_Source || m_Source == this) return 0;
    if (!m_Source->IsRectHit(mask, rect, viewport, world, view, projection, select)) return 0;
    select.Object() = this;
    return 1;
}

void CQxClone::UpdateGraphics() {
    DeleteGraphics();
    if (!m_Source) return;
    auto marker = std::make_unique<CQxPrimitive>();
    const CQxBoundBox& box = m_Source->BoundBox();
    const float size = box.IsEmpty() ? 0.0f : 0.2f * box.GetMaxSize();
    if (marker->BuildPivot(Pivot(), size)) Primitive(PRIM_PIVOT) = marker.release();
}

// The caller has set the clone's world matrix on the device; the source draws under it.
void CQxClone::DrawNormal(CQxAttribute* attribute) {
    if (m_Source && m_Source != this) SourceDraw::Normal(*m_Source, attribute);
}

void CQxClone::DrawLighted() {
    if (m_Source && m_Source != this) SourceDraw::Lighted(*m_Source);
}

void CQxClone::DrawLightedPicks() {
    if (m_Source && m_Source != this) SourceDraw::LightedPicks(*m_Source);
}

void CQxClone::DrawPivot() {
    // The clone's own marker follows its pivot; without one the source's stands in.
    if (GetPrimitive(PRIM_PIVOT))
        CQxObject::DrawPivot();
    else if (m_Source && m_Source != this)
        SourceDraw::Pivot(*m_Source);
}

void CQxClone::DrawTransformedPicks(CQxCamera* camera, const CQxMatrix& world, float size) {
    if (m_Source && m_Source != this) SourceDraw::TransformedPicks(*m_Source, camera, world, size);
}
