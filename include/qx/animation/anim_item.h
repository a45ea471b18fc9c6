#pragma once

#include "qx/export.h"
#include "qx/math/spline.h"

class CQxAttribute;
class CQxEdge;
class CQxFace;
class CQxHalfEdge;
class CQxModel;
class CQxObject;
class CQxVertex;

// The animatable channels. The value decides the item class and the field it drives.
enum QX_ANIM_ITEM_TYPE : unsigned int {
    QX_ANIM_ITEM_NONE = 0,
    QX_ANIM_ITEM_SCALE_X = 1,
    QX_ANIM_ITEM_SCALE_Y = 2,
    QX_ANIM_ITEM_SCALE_Z = 3,
    QX_ANIM_ITEM_ROTATE_X = 4, // radians
    QX_ANIM_ITEM_ROTATE_Y = 5,
    QX_ANIM_ITEM_ROTATE_Z = 6,
    QX_ANIM_ITEM_TRANSLATE_X = 7,
    QX_ANIM_ITEM_TRANSLATE_Y = 8,
    QX_ANIM_ITEM_TRANSLATE_Z = 9,
    QX_ANIM_ITEM_PIVOT_X = 10,
    QX_ANIM_ITEM_PIVOT_Y = 11,
    QX_ANIM_ITEM_PIVOT_Z = 12,
    QX_ANIM_ITEM_POINT_X = 13,
    QX_ANIM_ITEM_POINT_Y = 14,
    QX_ANIM_ITEM_POINT_Z = 15,
    QX_ANIM_ITEM_FACE_VERTEX_R = 16,
    QX_ANIM_ITEM_FACE_VERTEX_G = 17,
    QX_ANIM_ITEM_FACE_VERTEX_B = 18,
    QX_ANIM_ITEM_FACE_VERTEX_A = 19,
    QX_ANIM_ITEM_FACE_VERTEX_U = 20,
    QX_ANIM_ITEM_FACE_VERTEX_V = 21,
    QX_ANIM_ITEM_EDGE_VERTEX_R = 22,
    QX_ANIM_ITEM_EDGE_VERTEX_G = 23,
    QX_ANIM_ITEM_EDGE_VERTEX_B = 24,
    QX_ANIM_ITEM_EDGE_VERTEX_A = 25,
    QX_ANIM_ITEM_MATERIAL_R = 26,
    QX_ANIM_ITEM_MATERIAL_G = 27,
    QX_ANIM_ITEM_MATERIAL_B = 28,
    QX_ANIM_ITEM_MATERIAL_DIFFUSE = 29,
    QX_ANIM_ITEM_MATERIAL_AMBIENT = 30,
    QX_ANIM_ITEM_MATERIAL_EMISSIVE = 31,
    QX_ANIM_ITEM_MATERIAL_ALPHA = 32,
    QX_ANIM_ITEM_MATERIAL_SPECULAR = 33,
    QX_ANIM_ITEM_MATERIAL_POWER = 34,
};

// The kinds of target the channels belong to.
enum QX_ANIM_TYPE : unsigned int {
    QX_ANIM_NONE = 0,
    QX_ANIM_OBJECT = 1,
    QX_ANIM_VERTEX = 2,
    QX_ANIM_HALFEDGE = 3,
    QX_ANIM_EDGE = 4,
    QX_ANIM_ATTRIBUTE = 5,
};

// The scene file's names of the object channels ("ScaleX" .. "PivotZ"; "-NONE-" for 0); null
// for the channels that are not stored.
QX_API const char* QxGetAnimItemTypeName(QX_ANIM_ITEM_TYPE type);
// The kind of target a channel drives (QX_ANIM_NONE for a value outside the table).
QX_API QX_ANIM_TYPE QxGetAnimType(QX_ANIM_ITEM_TYPE type);

// One animated scalar channel of one target: its keys are a curve of value over frames.
// Evaluating writes the curve's value straight into the target's field.
class QX_API CQxAnimItem {
public:
    CQxAnimItem() = default;

    // --- Virtual interface, in its fixed order ------------------------------------------------
    virtual ~CQxAnimItem() = default;
    // The target's current value of the channel; 0 without a target or for a foreign channel.
    virtual int GetValue(float& value) const = 0;
    // Writes the curve's value at the frame into the target; 0 (and nothing written) without a
    // target, keys or a channel of this class.
    virtual int Animate(const float& frame) = 0;
    // Whether the target counts as selected (only then can the item be selected).
    virtual int IsTargetSelect() const = 0;
    // --- End of the fixed virtual interface ----------------------------------------------------

    // A key at the frame holding the target's current value (a key already there takes it);
    // null when the value cannot be read.
    CQxSplineNode* InsertKeyFrame(const float& frame, int update);
    int DeleteKeyFrame(const float& frame, int update);
    CQxSplineNode* GetKeyFrame(const float& frame) const { return m_Spline.GetNode(frame); }
    int IsKeyFramesEmpty() const { return m_Spline.IsNodesEmpty(); }
    void UpdateSpline() { m_Spline.UpdateEquations(0); }
    // 0 when unchanged or when selecting an item whose target is not selected; deselecting also
    // deselects the keys.
    int Select(int on);
    int ToggleSelect() { return Select(!m_IsSelect); }
    // The item follows its target's selection.
    int UpdateSelect() { return Select(IsTargetSelect()); }
    QX_ANIM_TYPE GetAnimType() const { return QxGetAnimType(m_Type); }

    const QX_ANIM_ITEM_TYPE& Type() const { return m_Type; }
    const int& IsSelect() const { return m_IsSelect; }
    CQxSpline& Spline() { return m_Spline; }
    const CQxSpline& Spline() const { return m_Spline; }

protected:
    // Empties the curve and takes the channel (the derived initialisers then the targets).
    void InitBase(QX_ANIM_ITEM_TYPE type);

    QX_ANIM_ITEM_TYPE m_Type = QX_ANIM_ITEM_NONE;
    int m_IsSelect = 0;
    CQxSpline m_Spline;
};

// Scale, rotation, translation and pivot components of an object.
class QX_API CQxObjectAnimItem : public CQxAnimItem {
public:
    void Init(QX_ANIM_ITEM_TYPE type, CQxObject* object);
    int GetValue(float& value) const override;
    int Animate(const float& frame) override;
    int IsTargetSelect() const override;
    CQxObject* GetObject() const { return m_Object; }

protected:
    CQxObject* m_Object = nullptr;
};

// A coordinate of a vertex.
class QX_API CQxVertexAnimItem : public CQxObjectAnimItem {
public:
    void Init(QX_ANIM_ITEM_TYPE type, CQxObject* object, CQxVertex* vertex);
    int GetValue(float& value) const override;
    int Animate(const float& frame) override;
    int IsTargetSelect() const override;
    CQxVertex* GetVertex() const { return m_Vertex; }

private:
    CQxVertex* m_Vertex = nullptr;
};

// A colour byte of an edge.
class QX_API CQxEdgeAnimItem : public CQxObjectAnimItem {
public:
    void Init(QX_ANIM_ITEM_TYPE type, CQxObject* object, CQxEdge* edge);
    int GetValue(float& value) const override;
    int Animate(const float& frame) override;
    int IsTargetSelect() const override;
    CQxEdge* GetEdge() const { return m_Edge; }

private:
    CQxEdge* m_Edge = nullptr;
};

// A colour byte or a texture coordinate of a face corner. Texture channels never count as
// selected.
class QX_API CQxHalfEdgeAnimItem : public CQxObjectAnimItem {
public:
    void Init(QX_ANIM_ITEM_TYPE type, CQxObject* object, CQxFace* face, CQxHalfEdge* halfEdge);
    int GetValue(float& value) const override;
    int Animate(const float& frame) override;
    int IsTargetSelect() const override;
    CQxFace* GetFace() const { return m_Face; }
    CQxHalfEdge* GetHalfEdge() const { return m_HalfEdge; }

private:
    CQxFace* m_Face = nullptr;
    CQxHalfEdge* m_HalfEdge = nullptr;
};

// A value of a material: colour, the light factors, alpha, specular power. Selected when the
// attribute is the model's current one.
class QX_API CQxAttributeAnimItem : public CQxAnimItem {
public:
    void Init(QX_ANIM_ITEM_TYPE type, CQxModel* model, CQxAttribute* attribute);
    int GetValue(float& value) const override;
    int Animate(const float& frame) override;
    int IsTargetSelect() const override;
    CQxModel* GetModel() const { return m_Model; }
    CQxAttribute* GetAttribute() const { return m_Attribute; }

private:
    CQxModel* m_Model = nullptr;
    CQxAttribute* m_Attribute = nullptr;
};
