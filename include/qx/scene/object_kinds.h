#pragma once

#include "qx/export.h"
#include "qx/scene/object.h"

// The simple kinds of scene object. Each differs from a plain mesh object only in its type, a
// few fields of its own and, for the built shapes, a virtual Create that makes its mesh; Create
// returns 0 and changes nothing when the mesh library refuses the values.

// A transform node without a shape of its own.
class QX_API CQxGroup : public CQxObject {
public:
    explicit CQxGroup(int user = 0) : CQxObject(user) {}
    CQxGroup(const CQxGroup& other) = default;
    CQxGroup& operator=(const CQxGroup& other) = default;

    QX_OBJ_TYPE GetType() const override { return QX_OBJ_GROUP; }
    void Duplicate(const CQxGroup& source, QX_AXIS_TYPE axis) { CQxObject::Duplicate(source, axis); }
};

// Lines every `Interval` across -Length..Length in the plane normal to `Axis`.
class QX_API CQxGrid : public CQxObject {
public:
    CQxGrid() : CQxObject(0) {}

    QX_OBJ_TYPE GetType() const override { return QX_OBJ_GRID; }
    virtual int Create(float length, float interval, QX_AXIS_TYPE axis, unsigned long color);

    const float& Length() const { return m_Length; }
    const float& Interval() const { return m_Interval; }
    const QX_AXIS_TYPE& Axis() const { return m_Axis; }
    const unsigned long& Color() const { return m_Color; }

private:
    float m_Length = 0.0f;
    float m_Interval = 0.0f;
    QX_AXIS_TYPE m_Axis = QX_AXIS_NONE;
    unsigned long m_Color = 0xFF000000;
};

// Lines from the origin along the axes whose bits (1 X, 2 Y, 4 Z) are set.
class QX_API CQxAxes : public CQxObject {
public:
    CQxAxes() : CQxObject(0) {}

    QX_OBJ_TYPE GetType() const override { return QX_OBJ_AXES; }
    virtual int Create(float length, unsigned int axisFlags, unsigned long colorX, unsigned long colorY,
                       unsigned long colorZ);

    const float& Length() const { return m_Length; }
    const unsigned int& AxisFlags() const { return m_AxisFlags; }

private:
    float m_Length = 0.0f;
    unsigned int m_AxisFlags = 0;
};

class QX_API CQxCube : public CQxObject {
public:
    CQxCube() : CQxObject(0) {}

    QX_OBJ_TYPE GetType() const override { return QX_OBJ_CUBE; }
    virtual int Create(float width, float height, float depth, unsigned int divX, unsigned int divY,
                       unsigned int divZ, CQxAttribute* attribute);

    unsigned int GetDivX() const { return m_DivX; }
    unsigned int GetDivY() const { return m_DivY; }
    unsigned int GetDivZ() const { return m_DivZ; }
    float GetWidth() const { return m_Width; }
    float GetHeight() const { return m_Height; }
    float GetDepth() const { return m_Depth; }

private:
    unsigned int m_DivX = 0;
    unsigned int m_DivY = 0;
    unsigned int m_DivZ = 0;
    float m_Width = 0.0f;
    float m_Height = 0.0f;
    float m_Depth = 0.0f;
};

// What the cylinder and the cone share: a diameter and a height along Y, and the segments around
// and along; each kind builds its mesh with its own mesh-library builder.
class QX_API CQxRoundPrimitive : public CQxObject {
public:
    using Builder = int (CQxMesh::*)(int, float, float, unsigned int, unsigned int, CQxAttribute*, int);

    virtual int Create(float diameter, float height, unsigned int divAround, unsigned int divAlong,
                       CQxAttribute* attribute);

    float GetDiameter() const { return m_Diameter; }
    float GetHeight() const { return m_Height; }
    unsigned int GetDivAround() const { return m_DivAround; }
    unsigned int GetDivAlong() const { return m_DivAlong; }

protected:
    explicit CQxRoundPrimitive(Builder builder) : CQxObject(0), m_Builder(builder) {}

private:
    Builder m_Builder;
    float m_Diameter = 0.0f;
    float m_Height = 0.0f;
    unsigned int m_DivAround = 0;
    unsigned int m_DivAlong = 0;
};

// A capped cylinder along Y.
class QX_API CQxCylinder : public CQxRoundPrimitive {
public:
    CQxCylinder() : CQxRoundPrimitive(&CQxMesh::CreateCylinder) {}
    QX_OBJ_TYPE GetType() const override { return QX_OBJ_CYLINDER; }
};

// A cone along Y with its apex up.
class QX_API CQxCone : public CQxRoundPrimitive {
public:
    CQxCone() : CQxRoundPrimitive(&CQxMesh::CreateCone) {}
    QX_OBJ_TYPE GetType() const override { return QX_OBJ_CONE; }
};

// An object drawn at a constant size on screen: ModelSize units of it show PixelSize pixels tall
// at its pivot, whatever the camera distance.
class QX_API CQxScrObject : public CQxObject {
public:
    CQxScrObject() : CQxObject(0) {}

    float& PixelSize() { return m_PixelSize; }
    const float& PixelSize() const { return m_PixelSize; }
    float& ModelSize() { return m_ModelSize; }
    const float& ModelSize() const { return m_ModelSize; }

protected:
    int GetTransform(CQxMatrix& out, const CQxViewPort& viewport, const CQxMatrix& parentWorld,
                     const CQxMatrix& view, const CQxMatrix& projection) override;

public:
    using CQxObject::GetTransform;

private:
    float m_PixelSize = 1.0f;
    float m_ModelSize = 1.0f;
};

// Shows its source's shape under its own transform. It has no shape of its own: the source's
// mesh is hit and drawn with the clone's matrices. The source must outlive the clone.
class QX_API CQxClone : public CQxObject {
public:
    // Takes the source's transform, name and user flag; null makes a clone of nothing, which
    // reports type 0 and is never hit.
    explicit CQxClone(CQxObject* source);

    QX_OBJ_TYPE GetType() const override;
    CQxObject* GetOriginal() const override { return m_Source; }

    int IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                   const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection, CQxVector& pos,
                   CQxSelect& select) override;
    int IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport, const CQxMatrix& world,
                  const CQxMatrix& view, const CQxMatrix& projection, CQxSelect& select) override;
    using CQxObject::IsPointHit;
    using CQxObject::IsRectHit;

    // Only the pivot marker, sized by the source's bounding box.
    void UpdateGraphics() override;

protected:
    void DrawNormal(CQxAttribute* attribute) override;
    void DrawLighted() override;
    void DrawLightedPicks() override;
    void DrawPivot() override;
    void DrawTransformedPicks(CQxCamera* camera, const CQxMatrix& world, float size) override;
    using CQxObject::DrawTransformedPicks;

private:
    CQxObject* m_Source;
};
