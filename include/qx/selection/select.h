#pragma once

#include "qx/basis/array.h"
#include "qx/basis/ptr_array.h"
#include "qx/export.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/math/matrix.h"
#include "qx/math/quat.h"
#include "qx/math/vector.h"

class CQxObject;
class CQxModel;
class CQxJoint;

// How a pick changes the selection: replace it, add to it, or toggle what was picked. Any
// other value selects nothing.
enum QX_SELECT_MODE : unsigned int {
    QX_SELECT_REPLACE = 0,
    QX_SELECT_ADD = 1,
    QX_SELECT_TOGGLE = 2,
};

// A snapshot of what is selected of one object: the whole object (no components), or exactly
// the listed elements of its edited mesh. Element pointers are not owned and stay valid only
// until the mesh is edited. A handle record stands for the object's handle.
class QX_API CQxSelect {
public:
    CQxSelect() = default;
    explicit CQxSelect(const CQxObject* object) : m_Object(const_cast<CQxObject*>(object)) {}
    CQxSelect(const CQxSelect&) = default;
    CQxSelect& operator=(const CQxSelect&) = default;
    virtual ~CQxSelect() = default;

    int& IsHandle() { return m_IsHandle; }
    const int& IsHandle() const { return m_IsHandle; }
    CQxObject*& Object() { return m_Object; }
    CQxObject* const& Object() const { return m_Object; }
    CQxArray<CQxVertex*>& Vertices() { return m_Vertices; }
    const CQxArray<CQxVertex*>& Vertices() const { return m_Vertices; }
    CQxArray<CQxEdge*>& Edges() { return m_Edges; }
    const CQxArray<CQxEdge*>& Edges() const { return m_Edges; }
    CQxArray<CQxFace*>& Faces() { return m_Faces; }
    const CQxArray<CQxFace*>& Faces() const { return m_Faces; }
    CQxArray<CQxHalfEdge*>& HalfEdges() { return m_HalfEdges; }
    const CQxArray<CQxHalfEdge*>& HalfEdges() const { return m_HalfEdges; }

    int HasVertices() const { return !m_Vertices.IsEmpty(); }
    int HasEdges() const { return !m_Edges.IsEmpty(); }
    int HasFaces() const { return !m_Faces.IsEmpty(); }
    int HasHalfEdges() const { return !m_HalfEdges.IsEmpty(); }
    int HasComponents() const { return HasVertices() || HasEdges() || HasFaces() || HasHalfEdges(); }

    // Frees the storage of the four arrays.
    void ClearComponents();
    // Sets the four counts to 0, keeping the storage.
    void EmptyComponents();
    // No object, no handle, no components.
    void Clear();

    // Writing the record back into the scene. The object forms set (toggle) the object's or,
    // for a handle record, the handle's flag. The component forms act on mesh objects only: a
    // record without components stands for the whole mesh.
    void SelectObject(int on, int deep) const;
    void ToggleSelectObject(int deep) const;
    void SelectComponents(int on) const;
    void ToggleSelectComponents() const;

    // The object and the vertices at the given positions of its vertex list, in that order;
    // positions past the end are skipped. 0 for a null object.
    int Load(CQxObject* object, const CQxArray<unsigned int>& indices);

    // Vertices becomes every vertex the components touch; the other arrays are cleared.
    void ExtractVertices();
    // The same, keeping the other arrays.
    void ExtractComponentVertices();
    // Keeps only the faces.
    void ExtractFaces();
    // Keeps the faces and the selected sides of faces that are not selected themselves.
    void ExtractExtrude();
    // Grows the components to everything removing them takes along (edges and faces on deleted
    // vertices) and keeps as vertices only those nothing surviving still uses. A record that
    // would take every vertex becomes a whole-object record. Always 1.
    int ExtractDelete();
    // The edges and faces with the vertices only they use; 0 (record emptied) when neither
    // edges nor faces are selected.
    int ExtractCut();
    // The edges and faces with all their vertices; 0 (record emptied) when neither edges nor
    // faces are selected.
    int ExtractCopy();

    // Grows the box (not reset) by the world positions of the components' vertices, or of the
    // whole mesh without components. 0 when there was no vertex.
    int GetBoundBox(CQxBoundBox& box) const;
    // Normals and bounding box on request, then the object's geometry.
    void UpdateGeometryEx(int normals, int boundBox);

    // Moving, turning and scaling the object, its pivot or the listed vertices. World
    // increments are in root space, local ones in the parent's frame, object ones in the
    // object's own rotated frame. Vertex forms end with the object's geometry update; the
    // object and pivot forms leave updates to the caller.
    void WorldMoveObject(const CQxVector& d);
    void LocalMoveObject(const CQxVector& d);
    void ObjectMoveObject(const CQxVector& d);
    void WorldRotateObject(const CQxQuat& q);
    void LocalRotateObject(const CQxQuat& q);
    // The rotation becomes base * q: repeated calls with a growing q from one base.
    void LocalRotateObject(const CQxQuat& q, const CQxQuat& base);
    void ObjectRotateObject(const CQxQuat& q);
    void WorldMovePivot(const CQxVector& d);
    void LocalMovePivot(const CQxVector& d);
    void ObjectMovePivot(const CQxVector& d);
    // The centre is a world position.
    void WorldRotatePivot(const CQxVector& centre, const CQxQuat& q);
    void LocalRotatePivot(const CQxVector& centre, const CQxQuat& q);
    void ObjectRotatePivot(const CQxVector& centre, const CQxQuat& q);
    void ObjectScalePivot(const CQxVector& centre, const CQxVector& s);
    void WorldMoveVertices(const CQxVector& d);
    void LocalMoveVertices(const CQxVector& d);
    void ObjectMoveVertices(const CQxVector& d);
    void WorldRotateVertices(const CQxVector& centre, const CQxQuat& q);
    void LocalRotateVertices(const CQxVector& centre, const CQxQuat& q);
    void ObjectRotateVertices(const CQxVector& centre, const CQxQuat& q);
    void ObjectScaleVertices(const CQxVector& centre, const CQxVector& s);
    // Moves an extrusion being dragged by d along the normals: every vertex of each face's ring
    // along the face's normal, and both ends of the i-th half-edge along the normal of the face
    // of the i-th side (the side it was extruded from). Ends with the geometry update.
    void ExtrudeVertices(float d, const CQxArray<CQxHalfEdge*>& sides);

protected:
    // Every vertex the components touch, once each, in vertex-list order; 0 without components.
    int GetComponentVertices(CQxArray<CQxVertex*>& out) const;

private:
    // The new pivot of a move by a direction, given the rotation to turn it by first (none for
    // world moves).
    void MovePivotBy(const CQxVector& d, const CQxQuat* turn);
    // The pivot (or the listed vertices) turned or scaled about a world centre by a matrix
    // built in the object's space.
    void TransformPivotAbout(const CQxVector& centre, const CQxMatrix& middle);
    void TransformVerticesAbout(const CQxVector& centre, const CQxMatrix& middle);
    void MoveVerticesBy(const CQxVector& d, const CQxQuat* turn);

    int m_IsHandle = 0;
    CQxObject* m_Object = nullptr;
    CQxArray<CQxVertex*> m_Vertices;
    CQxArray<CQxEdge*> m_Edges;
    CQxArray<CQxFace*> m_Faces;
    CQxArray<CQxHalfEdge*> m_HalfEdges;
};

// An owning, ordered set of records, normally one per object.
class QX_API CQxSelects {
public:
    CQxSelects() = default;
    explicit CQxSelects(const CQxSelect& select) { Add(select); }
    explicit CQxSelects(const CQxObject* object) { m_Selects.PushBack(new CQxSelect(object)); }
    CQxSelects(const CQxSelects& other);
    CQxSelects& operator=(const CQxSelects& other);
    CQxSelects& operator=(const CQxSelect& select);
    virtual ~CQxSelects() = default;

    unsigned int GetSize() const { return m_Selects.GetSize(); }
    int IsEmpty() const { return m_Selects.IsEmpty(); }
    CQxSelect* operator[](unsigned int i) const { return m_Selects[i]; }
    CQxPtrArray<CQxSelect>& Selects() { return m_Selects; }
    const CQxPtrArray<CQxSelect>& Selects() const { return m_Selects; }
    // Appends a copy; Push adopts the record.
    CQxSelect* Add(const CQxSelect& select);
    CQxSelect* Push(CQxSelect* select);
    void Clear() { m_Selects.Clear(); }
    // The first record of the object, or null.
    CQxSelect* Find(const CQxObject* object) const;

    // Adds the record's components to the object's record (a whole-object record adds nothing
    // there), or appends a copy when the object has none.
    CQxSelects& Merge(const CQxSelect& select);
    CQxSelects& Merge(const CQxSelects& selects);
    // Takes the record's components out of the object's record (which stays, even empty); a
    // whole-object record removes the object's record.
    CQxSelects& Remove(const CQxSelect& select);
    CQxSelects& Remove(const CQxSelects& selects);

    // Every record in order.
    void SelectObjects(int on, int deep) const;
    void ToggleSelectObjects(int deep) const;
    void SelectComponents(int on) const;
    void ToggleSelectComponents() const;
    void ClearComponents();
    void ExtractVertices();
    void ExtractComponentVertices();
    void UpdateGeometryEx(int normals, int boundBox);

    int HasComponents() const;
    int HasHandle() const;
    // Not empty, and every record is a handle record.
    int HasHandleOnly() const;

    // The one model of every record's object; null when empty, outside models or mixed.
    CQxModel* GetModel() const;
    // Exactly a whole mesh object and a whole joint of one model, in either order.
    int GetMeshJoint(CQxObject*& mesh, CQxJoint*& joint);
    // Reset, then every record's world box; the box's validity (0 when empty).
    int GetBoundBox(CQxBoundBox& box) const;
    // Reset, then every object's pivot in world space; 0 when empty.
    int GetPivotBoundBox(CQxBoundBox& box) const;
    // Per record, the handle-selected IK end whose chain passes through the record's object,
    // or null.
    void GetSelectIKGoals(CQxArray<CQxObject*>& goals);
    // One whole-object record per distinct top-level ancestor of the records' objects.
    void ExtractTopObjects(CQxSelects& out) const;

    // Filters: each keeps, in order, the records that qualify and destroys the rest.
    void RemoveNoComponent();
    void ExtractHandle();
    void RemoveHandle();
    void ExtractIKed();
    void ExtractSkinned();
    void ExtractMesh();
    void RemoveJoints();
    void ExtractUserType();
    void ExtractFreezable();
    void RemoveNoShapes();
    void RemoveEdges();
    void ExtractFaces();
    void ExtractExtrude();
    void ExtractDelete();
    void ExtractCut();
    void ExtractCopy();
    // Drops records whose object lies below another record's object.
    void RemoveChildObjects();

    // Every record in order (see CQxSelect). LocalRotateObjects with bases turns record i from
    // the i-th base.
    void WorldMoveObjects(const CQxVector& d);
    void LocalMoveObjects(const CQxVector& d);
    void ObjectMoveObjects(const CQxVector& d);
    void WorldRotateObjects(const CQxQuat& q);
    void LocalRotateObjects(const CQxQuat& q);
    void LocalRotateObjects(const CQxQuat& q, const CQxPtrArray<CQxQuat>& bases);
    void ObjectRotateObjects(const CQxQuat& q);
    void WorldMovePivots(const CQxVector& d);
    void LocalMovePivots(const CQxVector& d);
    void ObjectMovePivots(const CQxVector& d);
    void WorldRotatePivots(const CQxVector& centre, const CQxQuat& q);
    void LocalRotatePivots(const CQxVector& centre, const CQxQuat& q);
    void ObjectRotatePivots(const CQxVector& centre, const CQxQuat& q);
    void ObjectScalePivots(const CQxVector& centre, const CQxVector& s);
    void WorldMoveVertices(const CQxVector& d);
    void LocalMoveVertices(const CQxVector& d);
    void ObjectMoveVertices(const CQxVector& d);
    void WorldRotateVertices(const CQxVector& centre, const CQxQuat& q);
    void LocalRotateVertices(const CQxVector& centre, const CQxQuat& q);
    void ObjectRotateVertices(const CQxVector& centre, const CQxQuat& q);
    void ObjectScaleVertices(const CQxVector& centre, const CQxVector& s);
    // Record i with the i-th side array (an empty one for records past the end).
    void ExtrudeVertices(float d, const CQxPtrArray<CQxArray<CQxHalfEdge*>>& sides);

private:
    // Keeps the records for which keep(record) is nonzero, destroying the others.
    template <class F>
    void Filter(F&& keep);

    CQxPtrArray<CQxSelect> m_Selects;
};
