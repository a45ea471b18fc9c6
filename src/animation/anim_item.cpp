#include "qx/animation/anim_item.h"

#include <cstdint>

#include "qx/graphics/attribute.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/scene/model.h"
#include "qx/scene/object.h"

namespace {

constexpr const char* kObjectChannelNames[] = {"-NONE-",     "ScaleX",     "ScaleY",     "ScaleZ",    "RotateX",
                                               "RotateY",    "RotateZ",    "TranslateX", "TranslateY",
                                               "TranslateZ", "PivotX",     "PivotY",     "PivotZ"};

bool InRange(QX_ANIM_ITEM_TYPE type, QX_ANIM_ITEM_TYPE first, QX_ANIM_ITEM_TYPE last) {
    return type >= first && type <= last;
}

// The colour byte of a channel: red 16..23, green 8..15, blue 0..7, alpha 24..31.
int ByteShift(unsigned int channel) {
    constexpr int shifts[] = {16, 8, 0, 24};
    return shifts[channel & 3];
}

float ReadByte(std::uint32_t color, unsigned int channel) {
    return static_cast<float>((color >> ByteShift(channel)) & 0xFFu);
}

// Truncates toward zero and keeps the low 8 bits: 300 gives 44, -1 gives 255.
void WriteByte(std::uint32_t& color, unsigned int channel, float value) {
    const auto byte = static_cast<std::uint32_t>(static_cast<std::int64_t>(value)) & 0xFFu;
    const int shift = ByteShift(channel);
    color = (color & ~(0xFFu << shift)) | (byte << shift);
}

// The material value of a channel, in the channels' order.
float* MaterialField(CQxColorMaterial& m, QX_ANIM_ITEM_TYPE type) {
    float* fields[] = {&m.Color().r, &m.Color().g,  &m.Color().b,  &m.Diffuse(), &m.Ambient(),
                       &m.Emissive(), &m.Color().a, &m.Specular(), &m.Power()};
    return fields[type - QX_ANIM_ITEM_MATERIAL_R];
}

} // namespace

const char* QxGetAnimItemTypeName(QX_ANIM_ITEM_TYPE type) {
    return type <= QX_ANIM_ITEM_PIVOT_Z ? kObjectChannelNames[type] : nullptr;
}

QX_ANIM_TYPE QxGetAnimType(QX_ANIM_ITEM_TYPE type) {
    if (InRange(type, QX_ANIM_ITEM_SCALE_X, QX_ANIM_ITEM_PIVOT_Z)) return QX_ANIM_OBJECT;
    if (InRange(type, QX_ANIM_ITEM_POINT_X, QX_ANIM_ITEM_POINT_Z)) return QX_ANIM_VERTEX;
    if (InRange(type, QX_ANIM_ITEM_FACE_VERTEX_R, QX_ANIM_ITEM_FACE_VERTEX_V)) return QX_ANIM_HALFEDGE;
    if (InRange(type, QX_ANIM_ITEM_EDGE_VERTEX_R, QX_ANIM_ITEM_EDGE_VERTEX_A)) return QX_ANIM_EDGE;
    if (InRange(type, QX_ANIM_ITEM_MATERIAL_R, QX_ANIM_ITEM_MATERIAL_POWER)) return QX_ANIM_ATTRIBUTE;
    return QX_ANIM_NONE;
}

// --- The item base ----------------------------------------------------------------------------------

void CQxAnimItem::InitBase(QX_ANIM_ITEM_TYPE type) {
    m_Spline.ClearNodes();
    m_Type = type;
    m_IsSelect = 0;
}

CQxSplineNode* CQxAnimItem::InsertKeyFrame(const float& frame, int update) {
    float value = 0.0f;
    if (!GetValue(value)) return nullptr;
    CQxSplineNode* node = m_Spline.InsertNode(frame, value);
    if (node && update) m_Spline.UpdateEquations(0);
    return node;
}

int CQxAnimItem::DeleteKeyFrame(const float& frame, int update) {
    if (!m_Spline.DeleteNode(frame)) return 0;
    if (update) m_Spline.UpdateEquations(0);
    return 1;
}

int CQxAnimItem::Select(int on) {
    on = on ? 1 : 0;
    if (m_IsSelect == on) return 0;
    if (!on) m_Spline.SelectNodes(0);
    else if (!IsTargetSelect()) return 0;
    m_IsSelect = on;
    return 1;
}

// --- Objects --------------------------------------------------------------------------------------

void CQxObjectAnimItem::Init(QX_ANIM_ITEM_TYPE type, CQxObject* object) {
    InitBase(type);
    m_Object = object;
    Select(IsTargetSelect());
}

int CQxObjectAnimItem::GetValue(float& value) const {
    if (!m_Object || GetAnimType() != QX_ANIM_OBJECT) return 0;
    const CQxTransformParam& t = m_Object->TFParam();
    const CQxVector* groups[] = {&t.Scale(), &t.Angle(), &t.Translate(), &t.Pivot()};
    const unsigned int i = m_Type - QX_ANIM_ITEM_SCALE_X;
    value = (&groups[i / 3]->x)[i % 3];
    return 1;
}

int CQxObjectAnimItem::Animate(const float& frame) {
    float value = 0.0f;
    if (!m_Object || GetAnimType() != QX_ANIM_OBJECT || !m_Spline.CalcY(frame, value)) return 0;
    CQxTransformParam& t = m_Object->TFParam();
    const unsigned int i = m_Type - QX_ANIM_ITEM_SCALE_X;
    if (i / 3 == 1) {
        // Angles go through SetAngle so the rotation follows them.
        CQxVector angle = t.Angle();
        (&angle.x)[i % 3] = value;
        t.SetAngle(angle);
        return 1;
    }
    CQxVector* groups[] = {&t.Scale(), nullptr, &t.Translate(), &t.Pivot()};
    (&groups[i / 3]->x)[i % 3] = value;
    return 1;
}

int CQxObjectAnimItem::IsTargetSelect() const {
    return m_Object && m_Object->IsSelect();
}

// --- Vertices and edges -----------------------------------------------------------------------------

void CQxVertexAnimItem::Init(QX_ANIM_ITEM_TYPE type, CQxObject* object, CQxVertex* vertex) {
    InitBase(type);
    m_Object = object;
    m_Vertex = vertex;
    Select(IsTargetSelect());
}

int CQxVertexAnimItem::GetValue(float& value) const {
    if (!m_Vertex || GetAnimType() != QX_ANIM_VERTEX) return 0;
    value = (&m_Vertex->Position().x)[m_Type - QX_ANIM_ITEM_POINT_X];
    return 1;
}

int CQxVertexAnimItem::Animate(const float& frame) {
    float value = 0.0f;
    if (!m_Vertex || GetAnimType() != QX_ANIM_VERTEX || !m_Spline.CalcY(frame, value)) return 0;
    (&m_Vertex->Position().x)[m_Type - QX_ANIM_ITEM_POINT_X] = value;
    return 1;
}

int CQxVertexAnimItem::IsTargetSelect() const {
    return m_Vertex && m_Vertex->IsSelect();
}

void CQxEdgeAnimItem::Init(QX_ANIM_ITEM_TYPE type, CQxObject* object, CQxEdge* edge) {
    InitBase(type);
    m_Object = object;
    m_Edge = edge;
    Select(IsTargetSelect());
}

int CQxEdgeAnimItem::GetValue(float& value) const {
    if (!m_Edge || GetAnimType() != QX_ANIM_EDGE) return 0;
    value = ReadByte(m_Edge->Color(), m_Type - QX_ANIM_ITEM_EDGE_VERTEX_R);
    return 1;
}

int CQxEdgeAnimItem::Animate(const float& frame) {
    float value = 0.0f;
    if (!m_Edge || GetAnimType() != QX_ANIM_EDGE || !m_Spline.CalcY(frame, value)) return 0;
    WriteByte(m_Edge->Color(), m_Type - QX_ANIM_ITEM_EDGE_VERTEX_R, value);
    return 1;
}

int CQxEdgeAnimItem::IsTargetSelect() const {
    return m_Edge && m_Edge->IsSelect();
}

// --- Face corners ----------------------------------------------------------------------------------

void CQxHalfEdgeAnimItem::Init(QX_ANIM_ITEM_TYPE type, CQxObject* object, CQxFace* face, CQxHalfEdge* halfEdge) {
    InitBase(type);
    m_Object = object;
    m_Face = face;
    m_HalfEdge = halfEdge;
    Select(IsTargetSelect());
}

int CQxHalfEdgeAnimItem::GetValue(float& value) const {
    if (!m_HalfEdge || GetAnimType() != QX_ANIM_HALFEDGE) return 0;
    if (m_Type >= QX_ANIM_ITEM_FACE_VERTEX_U)
        value = !m_HalfEdge->HasUV() ? 0.0f
                : m_Type == QX_ANIM_ITEM_FACE_VERTEX_U ? m_HalfEdge->UV().x
                                                       : m_HalfEdge->UV().y;
    else
        value = ReadByte(m_HalfEdge->Color(), m_Type - QX_ANIM_ITEM_FACE_VERTEX_R);
    return 1;
}

int CQxHalfEdgeAnimItem::Animate(const float& frame) {
    float value = 0.0f;
    if (!m_HalfEdge || GetAnimType() != QX_ANIM_HALFEDGE || !m_Spline.CalcY(frame, value)) return 0;
    if (m_Type >= QX_ANIM_ITEM_FACE_VERTEX_U) {
        m_HalfEdge->AllocUV();
        (m_Type == QX_ANIM_ITEM_FACE_VERTEX_U ? m_HalfEdge->UV().x : m_HalfEdge->UV().y) = value;
    } else {
        WriteByte(m_HalfEdge->Color(), m_Type - QX_ANIM_ITEM_FACE_VERTEX_R, value);
    }
    return 1;
}

int CQxHalfEdgeAnimItem::IsTargetSelect() const {
    return m_HalfEdge && m_Type < QX_ANIM_ITEM_FACE_VERTEX_U && m_HalfEdge->IsSelect();
}

// --- Materials ---------------------------------------------------------------------------------------

void CQxAttributeAnimItem::Init(QX_ANIM_ITEM_TYPE type, CQxModel* model, CQxAttribute* attribute) {
    InitBase(type);
    m_Model = model;
    m_Attribute = attribute;
    Select(IsTargetSelect());
}

int CQxAttributeAnimItem::GetValue(float& value) const {
    if (!m_Attribute || GetAnimType() != QX_ANIM_ATTRIBUTE) return 0;
    value = *MaterialField(m_Attribute->ColorMaterial(), m_Type);
    return 1;
}

int CQxAttributeAnimItem::Animate(const float& frame) {
    float value = 0.0f;
    if (!m_Attribute || GetAnimType() != QX_ANIM_ATTRIBUTE || !m_Spline.CalcY(frame, value)) return 0;
    *MaterialField(m_Attribute->ColorMaterial(), m_Type) = value;
    return 1;
}

int CQxAttributeAnimItem::IsTargetSelect() const {
    return m_Model && m_Attribute && m_Model->CurAttribute() == m_Attribute;
}
