#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "qx/basis/array.h"
#include "qx/basis/ptr_array.h"
#include "qx/commands/cmd.h"
#include "qx/commands/tree_cmd.h"
#include "qx/export.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/math/vector.h"

class CQxObject;
class CQxScene;
class CQxSelects;

// Extrudes faces and boundary sides of meshes by a distance along their normals. Each face gets
// new vertices for its corners and one side face per corner, and moves onto the new vertices as
// the cap; each boundary side gets two new vertices and one face. New elements are appended, so
// undo takes everything from the recorded counts on and puts the caps back on their vertices.
class QX_API CQxExtrudeCmd : public CQxCmd {
public:
    explicit CQxExtrudeCmd(CQxScene* scene);
    ~CQxExtrudeCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_EXTRUDE; }
    void Redo() override;
    void Undo() override;

    // Extrudes the faces and selected sides of the records (as ExtractExtrude leaves them) of
    // mesh objects. With `working`, the tool's drag form: per extruded record it gets the same
    // faces and, as half-edges, the new outer sides, with `sides` holding the sides they were
    // extruded from (see CQxSelects::ExtrudeVertices). 0 when nothing was extruded.
    int Create(const CQxSelects& records, float distance, int update, CQxSelects* working = nullptr,
               CQxPtrArray<CQxArray<CQxHalfEdge*>>* sides = nullptr);

    float GetDistance() const { return m_Distance; }
    // The distance redo extrudes by (a drag's final distance).
    void SetDistance(float distance) { m_Distance = distance; }

private:
    struct Entry {
        CQxIndexPath Path;
        std::vector<std::uint32_t> Faces; // positions of the extruded faces, ascending
        std::vector<std::pair<std::uint32_t, std::uint32_t>> Sides; // face position, ring position
        unsigned int VertexCount = 0;
        unsigned int FaceCount = 0;
        CQxMeshSelection Selection; // before the extrusion
        CQxMeshMates Mates;
        int WasSelected = 0; // the object's own flag
    };
    // Extrudes one entry; the new outer sides and their origins go to the arrays when given.
    int Apply(const Entry& entry, float distance, CQxArray<CQxHalfEdge*>* outer,
              CQxArray<CQxHalfEdge*>* origins);
    void TakeBack(const Entry& entry);
    void Notify();

    std::vector<Entry> m_Entries;
    float m_Distance = 0.0f;
};

// A face built corner by corner (the face-creation tool). Corners are new vertices at points or
// existing vertices of the target mesh; the third corner decides the winding so that the face
// looks back along the viewing direction given, at the viewer. The command is pushed with its third corner
// and may take a fourth; undo takes the face and its new vertices away (and the mesh object made for it).
class QX_API CQxCreateFaceCmd : public CQxTreeCmd {
public:
    explicit CQxCreateFaceCmd(CQxScene* scene);
    ~CQxCreateFaceCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_CREATE_FACE; }
    void Redo() override;
    void Undo() override;

    // The face will go into `target` when it is a mesh object of the scene; otherwise into a new
    // mesh object "MeshN" below the root model, made and selected with the first corner.
    int Create(CQxObject* target);
    // A new vertex at a world point; `view` is the direction from the eye into the scene. 0
    // when the point is not finite or the target is gone.
    int AddPoint(const CQxVector& world, const CQxVector& view, int update);
    // An existing vertex of the target (a new one at its place when the face already uses it).
    int AddVertex(CQxVertex* vertex, const CQxVector& view, int update);

    unsigned int GetPointCount() const { return static_cast<unsigned int>(m_Corners.size()); }
    int IsReversed() const { return m_IsReversed; }
    // The object the face goes into (null until one exists).
    CQxObject* GetObject() const;
    // The world position of the corner the next one follows (the rubber band's start).
    int GetLastPoint(CQxVector& out) const;

private:
    CQxObject* PrepareObject();
    // A corner at the vertex, which stands at `position` in the target's vertex list.
    int AddCorner(CQxObject& object, CQxVertex* vertex, std::uint32_t position, const CQxVector& view,
                  int update);
    CQxAttribute* GetMaterial(const CQxObject& object) const;
    void MeshChanged(CQxObject& object) const;
    void Notify(CQxObject* object, int created) const;

    CQxIndexPath m_Path;                    // the target, or the object made for the face once it exists
    int m_IsObjectMade = 0;                 // the face goes into an object of its own
    int m_HasObject = 0;                    // that object exists
    std::vector<std::uint32_t> m_Corners;   // vertex list positions, in ring order
    std::vector<CQxVector> m_CreatedPoints; // the vertices this command appended, in order
    unsigned int m_VertexCount = 0;         // the mesh's counts before the first corner
    unsigned int m_FaceCount = 0;
    unsigned int m_MaterialIndex = 0xFFFFFFFF;
    int m_IsReversed = 0;
    CQxFace* m_Face = nullptr; // owned by the command until it is valid and joins the mesh
    int m_IsFaceBuilt = 0;
    CQxMeshMates m_Mates;
    std::unique_ptr<CQxTreeSelection> m_Before;
    std::unique_ptr<CQxTreeSelection> m_After; // taken by undo, for redo
};
