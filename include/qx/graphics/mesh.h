#pragma once

#include <memory>
#include <vector>

#include "qx/basis/array.h"
#include "qx/basis/string.h"
#include "qx/basis/list.h"
#include "qx/basis/ptr_array.h"
#include "qx/export.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/math/matrix.h"
#include "qx/math/point_rect.h"

class CQxBoundBox;
class CQxViewPort;

// Axes as bits, where several may be meant at once.
enum QX_AXIS_TYPE : unsigned int { QX_AXIS_NONE = 0, QX_AXIS_X = 1, QX_AXIS_Y = 2, QX_AXIS_Z = 4 };

// What a hit test looks for (bits of its mask).
enum : unsigned int {
    QX_HIT_VERTEX = 1,   // vertices within the pick size of the point
    QX_HIT_EDGE = 2,     // free edges (wire lines) within the pick size
    QX_HIT_HALFEDGE = 4, // face sides within the pick size, as the half-edge of the face the point
                         // lies in (so the two faces along a shared side are told apart)
    QX_HIT_SIDE = 8,     // face outlines within the pick size, as the half-edge of either face
    QX_HIT_FACE = 16,    // faces under the point (front-most), or inside the rectangle
};

// A hit found by the point tests: at most one element of each kind, and where it was hit.
struct CQxMeshHit {
    CQxVertex* Vertex = nullptr;
    CQxEdge* Edge = nullptr;
    CQxFace* Face = nullptr;
    CQxHalfEdge* HalfEdge = nullptr;
    CQxVector Position; // in the mesh's own space
};

// Elements found by the rectangle and circle tests, in mesh order.
struct CQxMeshHits {
    CQxArray<CQxVertex*> Vertices;
    CQxArray<CQxEdge*> Edges;
    CQxArray<CQxFace*> Faces;
    CQxArray<CQxHalfEdge*> HalfEdges;
    int IsEmpty() const {
        return Vertices.IsEmpty() && Edges.IsEmpty() && Faces.IsEmpty() && HalfEdges.IsEmpty();
    }
};

// What the topology check found: the first rule that does not hold and the element it fails on.
// `Element` is "vertex", "edge", "face", "half-edge" or a list's name; `Position` is the element's
// list position (for a half-edge: its face's) and `Corner` a half-edge's place in its face's
// ring. `Rule` is null when the mesh is sound.
struct QX_API CQxTopologyReport {
    const char* Rule = nullptr;
    const char* Element = "";
    unsigned int Position = 0;
    unsigned int Corner = 0;

    int IsSound() const { return Rule == nullptr; }
    // "sound", or for instance "face 12 corner 3: its mate's mate is not the half-edge itself".
    CQxString GetText() const;
};

// The half-edge mesh: lists of vertices, free edges and faces (each face owning its ring of
// half-edges), plus the subdivision meshes derived from it.
//
// Building operations take `append` (add to what the mesh holds instead of replacing it) and,
// for the primitives, `select` (the new elements come selected). Sizes are full extents,
// divisions are segment counts; a size that is not positive and finite, or a division count
// below the primitive's minimum or above MaxDivisions, is refused with 0 and the mesh is left
// as it was.
class QX_API CQxMesh {
public:
    CQxMesh();
    // Deep copies: the same elements in the same order with the same rings, mates and selection
    // states, pointing at each other. The subdivision level and meshes are not copied.
    CQxMesh(const CQxMesh& other);
    CQxMesh& operator=(const CQxMesh& other);
    ~CQxMesh();

    CQxList<CQxVertex>& Vertices() { return m_Vertices; }
    const CQxList<CQxVertex>& Vertices() const { return m_Vertices; }
    CQxList<CQxEdge>& Edges() { return m_Edges; }
    const CQxList<CQxEdge>& Edges() const { return m_Edges; }
    CQxList<CQxFace>& Faces() { return m_Faces; }
    const CQxList<CQxFace>& Faces() const { return m_Faces; }

    // --- Building ---------------------------------------------------------------------------
    // Also clears the subdivision meshes. Mates are corners of this mesh (a topology rule), so
    // they go with it.
    void Clear();
    int IsEmpty() const;

    // The primitives' limits: divisions per axis, and faces of one primitive; more is refused.
    static constexpr unsigned int MaxDivisions = 4096;
    static constexpr unsigned int MaxPrimitiveFaces = 1u << 22;

    // The solid primitives wind every face counter-clockwise seen from outside, share vertices
    // between neighbouring faces (so their surfaces close), give every corner a UV in 0..1 and
    // the colour 0xFFFFFFFF, and shade smooth. Seams of the round ones are duplicated UVs on
    // shared vertices. With `select` exactly the new elements are selected; without it nothing
    // is selected anew. Building drops the derived subdivision meshes (the level is kept).
    //
    // Box centred on the origin; divisions per axis at least 1. Each side maps UVs 0..1.
    int CreateCube(int append, float width, float height, float depth, unsigned int divX, unsigned int divY,
                   unsigned int divZ, CQxAttribute* attribute, int select);
    // UV sphere of the given diameter about the Y axis; at least 3 segments around and 2 along.
    // Poles are triangle fans; u runs around from +Z toward +X, v from the top pole down.
    int CreateSphere(int append, float diameter, unsigned int divAround, unsigned int divAlong,
                     CQxAttribute* attribute, int select);
    // Capped cylinder along Y, centred; diameter and height; at least 3 around and 1 along.
    // The caps are fans about a centre vertex. UVs: the side fills the lower half (v 0.5..1),
    // the top cap a disc in the upper left quarter, the bottom cap one in the upper right.
    int CreateCylinder(int append, float diameter, float height, unsigned int divAround,
                       unsigned int divAlong, CQxAttribute* attribute, int select);
    // Cone along Y, base at -height/2, apex at +height/2; at least 3 around and 1 along. Apex
    // and base are fans; UVs as the cylinder's, the base in the upper left quarter.
    int CreateCone(int append, float diameter, float height, unsigned int divAround, unsigned int divAlong,
                   CQxAttribute* attribute, int select);
    // Torus about the Y axis: outer diameter and tube diameter (smaller than the outer one);
    // at least 3 segments around each. Quads only.
    int CreateTorus(int append, float diameter, float tubeDiameter, unsigned int divAround,
                    unsigned int divTube, CQxAttribute* attribute, int select);
    // Plane in XZ facing +Y; width along X, depth along Z; at least 1 division each way.
    int CreatePlane(int append, float width, float depth, unsigned int divX, unsigned int divZ,
                    CQxAttribute* attribute, int select);
    // Grid of free edges in the plane normal to the axis (exactly one of the X, Y, Z bits),
    // spanning -length..length both ways (the length is the half extent, as grid snapping and
    // the fit-grid step take it), one line every `interval`, in the colour given (ARGB).
    // Replaces the mesh; more than MaxDivisions lines each side of the centre are refused.
    int CreateGrid(float length, float interval, QX_AXIS_TYPE axis, unsigned long color);
    // Lines from the origin (one shared vertex) along +X, +Y, +Z for the axes whose bits are
    // set, in their colours; 0 when no bit is set.
    int CreateAxes(int append, float length, unsigned int axisFlags, unsigned long colorX,
                   unsigned long colorY, unsigned long colorZ);
    // The ball of a joint: replaces the mesh with a sphere of the radius, `divisions` segments
    // around (at least 3) and half as many along (at least 2), corners coloured, no UVs.
    int CreateJoint(float radius, unsigned int divisions, unsigned long color);
    // Appends the five vertices and six faces of a bone shape, a pair of three-sided pyramids
    // along +X: vertex 0 the root at the origin, 1..3 a ring a fifth of the way along, 4 the tip
    // at (1, 0, 0) (GetBoneTemplateVertex gives these positions). Returns the first of the five
    // vertices (the others follow it in the vertex list); null on failure.
    CQxVertex* CreateBone(unsigned long color);
    // The unit-length template position of bone vertex i (0..4); the origin for other i.
    static CQxVector GetBoneTemplateVertex(unsigned int i);

    // Copies another mesh (replacing or appending), its positions mirrored about the axis bits
    // when set and then transformed by the matrix when one is given. When mirroring and matrix
    // together turn space inside out the faces are turned, so normals stay outward. Without
    // withUV the copies carry no texture coordinates. 0 for unknown axis bits or a non-finite
    // matrix (the mesh is left as it was).
    int CreateCopy(const CQxMesh& source, int append, const CQxMatrix* transform, unsigned int mirrorAxes,
                   int withUV);
    // This mesh becomes the source plus its mirror image about one axis (0 for anything else):
    // copies of the source's elements in order, then the mirrored copies, faces turned. With
    // connect, source vertices that faces use and that lie on the mirror plane (within 1e-4 of
    // the source's size) are shared by both halves, which weld along the plane.
    int CreateSymmetry(const CQxMesh& source, QX_AXIS_TYPE axis, int connect, int withUV);
    // Moves the vertices of a mesh built by CreateSymmetry from the same source after the
    // source's vertices moved, without rebuilding, and renews the normals; 0 (nothing moved)
    // when the source's topology no longer matches.
    int UpdateSymmetry(const CQxMesh& source, QX_AXIS_TYPE axis);
    // Adds the mirror images about every combination of the flagged axes (X, Y, Z bits), welded
    // along the mirror planes when connect is set; 0 for no or unknown bits.
    int DuplicateMirrors(unsigned int axisFlags, int connect, int withUV);

    // --- Upkeep after elements were added or removed ---------------------------------------
    // Gives each vertex a corner that starts at it (one on a boundary when there is one), or
    // null when no face uses it. Numbers the vertices by list position on the way.
    void UpdateVertexHalfEdges();
    // Links mates (opposite sides of neighbouring faces); returns the number of pairs. A side
    // shared by exactly two faces running opposite ways gets a mate; a boundary, a side of three
    // or more faces, or two faces wound against each other get none. Also does the work of
    // UpdateVertexHalfEdges, so no vertex keeps a corner that was removed.
    unsigned int UpdateHalfEdgeMates();
    // Face normals, then vertex normals averaged over the smooth faces around each vertex.
    void UpdateNormals();
    // Numbers vertices, edges and faces by list position, and half-edges by ring position.
    void UpdateIndices();
    // Numbers every half-edge 0..n-1, face by face in ring order; returns n.
    unsigned int UpdateHalfEdgeSerialIndices();
    // The half-edges in serial order (the same order as UpdateHalfEdgeSerialIndices).
    void CreateHalfEdgeSerialPointerArray(CQxArray<CQxHalfEdge*>& out) const;
    // Every invariant of the structure: lists and rings closed and owned by their face, mates
    // mutual, in other faces of this mesh and running the opposite way, every referenced vertex
    // in this mesh, vertex half-edges corners of this mesh starting at their vertex, list
    // indices matching positions (when `indices` is set). 1 when all hold.
    int CheckTopology(int indices = 0) const;
    // The same check, telling which rule broke first and on which element.
    CQxTopologyReport DiagnoseTopology(int indices = 0) const;

    // --- Selection ---------------------------------------------------------------------------
    void Select(int on); // every vertex, edge, face and half-edge
    void ToggleSelect();
    void Select(int on, const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges);
    void ToggleSelect(const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                      const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges);
    void SelectUVs(int on); // every texture coordinate
    void ToggleSelectUVs();
    void SelectUVs(int on, const CQxArray<CQxHalfEdge*>& halfEdges);
    void ToggleSelectUVs(const CQxArray<CQxHalfEdge*>& halfEdges);
    int HasSelect() const;
    int HasVertexSelect() const;
    int HasEdgeSelect() const;
    int HasFaceSelect() const;
    int HasFaceHalfEdgeSelect() const;
    int HasUVSelect() const;
    // The selected elements in mesh order (arrays are emptied first); 1 when any.
    int GetSelects(CQxArray<CQxVertex*>& vertices, CQxArray<CQxEdge*>& edges, CQxArray<CQxFace*>& faces,
                   CQxArray<CQxHalfEdge*>& halfEdges) const;
    int GetUVSelects(CQxArray<CQxHalfEdge*>& halfEdges) const;

    // --- Hit tests on screen data ----------------------------------------------------------
    // Positions go through `world` (mesh to world), view, projection and the viewport. In the
    // bone forms a vertex is placed by the blend of its positions under its influences
    // (QxGetSkinInfluences), and with no bones at all it stays where it is.
    // Only what lies beyond the near plane and before the far plane can be hit; elements that
    // cross the near plane are clipped there. Each call transforms every vertex once and visits
    // every face corner in list order (working buffers are per thread and kept for the next
    // call). Vertex lookups use the Index fields when they match the list positions
    // (UpdateIndices) and a slower pointer table otherwise.
    //
    // The point and rectangle tests read the faces' corners from a compact copy of the topology
    // that the mesh keeps (positions are always read live, so moving vertices costs nothing).
    // The first test after the topology epoch moved (see QxGetMeshTopologyEpoch: any element
    // linked into or unlinked from a list anywhere, any ring edit, SetVertex)
    // or after the element counts changed rebuilds it, at about the cost of a test without it.
    // Tests on one mesh from several threads at once stay correct; only one of them uses the copy.
    //
    // Screen positions of the vertices (x, y in pixels, z the depth in the viewport's range);
    // `out` gets one entry per vertex in list order. Vertices on or behind the eye plane get
    // -FLT_MAX in x, y and z.
    void GetScreenVertexPositions(CQxArray<CQxVector>& out, const CQxViewPort& viewport,
                                  const CQxMatrix& world, const CQxMatrix& view,
                                  const CQxMatrix& projection) const;
    void GetScreenVertexPositions(CQxArray<CQxVector>& out, const CQxViewPort& viewport,
                                  const CQxArray<CQxMatrix>& bones, const CQxMatrix& view,
                                  const CQxMatrix& projection) const;
    // The element under the point; only a hit nearer than `best` (a depth) is reported, and
    // `best` is lowered to it. The pick size is QxPickSize() pixels. The front-most face under
    // the point hides what lies behind it (back faces count: what is seen is what is picked,
    // whichever way it faces), whatever the mask. Of the visible elements within the pick size,
    // a vertex wins over a line (free edge or side) and a line over the face, and the nearest
    // on screen wins within a kind; `hit` gets that one element and its point in the mesh's own
    // space (left alone on a miss). `best` becomes the depth of the element, or that of the front
    // face where it is nearer, so a later test reports only what is in front of both.
    int IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                   const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                   CQxMeshHit& hit) const;
    int IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                   const CQxArray<CQxMatrix>& bones, const CQxMatrix& view, const CQxMatrix& projection,
                   CQxMeshHit& hit) const;
    // Every element of the mask inside the rectangle, hidden or not: vertices inside it (left <=
    // x < right, top <= y < bottom, and within the depth range), edges, sides (half-edges) and
    // faces with all their corners inside it. `hits` is emptied first and filled in mesh order;
    // 1 when any.
    int IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport, const CQxMatrix& world,
                  const CQxMatrix& view, const CQxMatrix& projection, CQxMeshHits& hits) const;
    int IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                  const CQxArray<CQxMatrix>& bones, const CQxMatrix& view, const CQxMatrix& projection,
                  CQxMeshHits& hits) const;
    // Builds the compact topology copy the point and rectangle tests read, when it is out of
    // date, so that the next test need not (see CQxScene::PreparePicks). Safe beside tests on
    // other threads: one of them walks the mesh itself while the copy is being built.
    void PreparePicks() const;
    // Vertices within `radius` pixels of the centre (within the depth range), in list order,
    // with their falloff 1 - distance / radius (1 at the centre, 0 on the rim; the weight brush
    // recovers the distance from it); the arrays are emptied first; 1 when any.
    int IsCircleHit(const CQxPoint& centre, float radius, const CQxViewPort& viewport, const CQxMatrix& world,
                    const CQxMatrix& view, const CQxMatrix& projection, CQxArray<CQxVertex*>& vertices,
                    CQxArray<float>& falloffs) const;
    // Texture coordinates in a UV view of the given pixel size (u right, v down, 0..1 across), of
    // the selected faces (those the UV view shows). The point test takes the nearest coordinate
    // within the pick size, nearer than `best` (here a distance in pixels), and lowers `best`;
    // the rectangle test empties `hits` and fills it in mesh order.
    int IsUVPointHit(const CQxPoint& point, unsigned int width, unsigned int height, float& best,
                     CQxHalfEdge*& hit) const;
    int IsUVRectHit(const CQxRect& rect, unsigned int width, unsigned int height,
                    CQxArray<CQxHalfEdge*>& hits) const;

    // --- Faces -----------------------------------------------------------------------------
    // The face operations take faces of this mesh (all faces when the array is empty); other
    // pointers and repeats are ignored. Mates are brought up to date; normals are not.
    // Turns the faces over (ring order reversed, normal negated).
    void InvertFaces(const CQxArray<CQxFace*>& faces);
    // Adds, for each face, a back face (a turned copy sharing its vertices) after the last face;
    // `added` gets the new faces; 0 when none was added.
    int FaceBackSide(const CQxArray<CQxFace*>& faces, CQxArray<CQxFace*>& added);
    // Among the valid faces: the back faces, those with a twin (same vertices, opposite order)
    // earlier in the face list (so after FaceBackSide they are the added faces); and the single
    // sided ones, with no twin anywhere. The first face of a pair is in neither list.
    void GetBackSideFaces(const CQxArray<CQxFace*>& faces, CQxArray<CQxFace*>& out) const;
    void GetSingleSideFaces(const CQxArray<CQxFace*>& faces, CQxArray<CQxFace*>& out) const;
    // Number of faces once every valid face is cut as a fan into pieces of at most `corners`
    // corners (3: the triangle count); 0 below 3.
    unsigned int GetSeparatedFaceCount(unsigned int corners = 3) const;
    // Total corners of the valid faces (CQxFace::IsValid), the corners a split export writes.
    unsigned int GetValidFaceHalfEdgeCount() const;
    // Some face uses the attribute; with null, some face has any attribute at all.
    int HasFaceAttribute(const CQxAttribute* attribute = nullptr) const;
    int HasFaceFlat() const; // some face is flat shaded
    // The distinct attributes of the faces, in order of first use (null included when used).
    void GetUniqueAttributes(CQxArray<CQxAttribute*>& out) const;
    // Sets the attribute of the faces (all faces when the array is empty).
    void SetAttribute(CQxAttribute* attribute, const CQxArray<CQxFace*>& faces);

    // --- Subdivision -----------------------------------------------------------------------
    // Catmull-Clark on any mix of polygons; every face becomes quads, one per corner. Sides of
    // one face (boundaries) and of three or more are creases: their new points are midpoints,
    // and a vertex v on two creases moves to (6v + a + b) / 8, a and b its neighbours along
    // them; the corner of a single face, and a vertex on one or more than two creases, stays
    // put. Texture coordinates and corner colours are face-varying and interpolated linearly
    // inside each face (seams stay apart); the children keep their face's attribute and flag.
    // Faces that are not valid polygons (IsValid) take no part.

    // Subdivides `levels` times in place: the vertices stay (moved), new ones are appended, each
    // valid face is replaced where it stood by its children (which inherit its selection);
    // bone weights of new vertices are mixed from their face or side. 1 on success (also for 0
    // levels and for a mesh without faces); 0 and nothing changed when the result would exceed
    // 2^26 corners or memory runs out.
    int Subdivide(unsigned int levels, int withUV);
    // The level of the derived subdivision meshes (0 clears them); builds them, or updates them
    // when the level is unchanged. On failure the previous level and meshes are kept.
    int SetSubdivisionLevel(unsigned int level, int withUV);
    unsigned int GetSubdivisionLevel() const { return m_SubdivisionLevel; }
    // Builds the chain for the current level from scratch (nothing for level 0 or no faces).
    int CreateSubdivisionMeshes(int withUV);
    // Brings the subdivision meshes up to date after vertices, texture coordinates or corner
    // colours of this mesh changed, recomputing only what depends on the change, with results
    // identical to a fresh build (the drag case: no topology is rebuilt, nothing is allocated).
    // Any other change (elements added or removed, faces' attributes or flags) rebuilds; when
    // that rebuild fails the derived meshes are dropped rather than left stale. 0 when the level
    // is 0 or a rebuild failed. A big mesh is compared and updated on two threads.
    int UpdateSubdivisionMeshes(int withUV);
    // Frees the derived meshes and keeps the level (Clear and the destructor call it).
    void ClearSubdivisionMeshes();
    // The finest subdivision mesh, or null when there is none. Its vertices come in the order
    // of the mesh's own vertices first, then the new points; it has normals, mates and vertex
    // half-edges, and no free edges.
    const CQxMesh* GetSubdivisionMesh() const;
    CQxMesh* GetSubdivisionMesh();

    // --- Other ---------------------------------------------------------------------------------
    void OffsetVertices(const CQxVector& offset);
    // Grows the box by every vertex (transformed when a matrix is given); 1 when there was one.
    int GetBoundBox(CQxBoundBox& box, const CQxMatrix* transform = nullptr) const;
    void AllocHalfEdgeUVs();
    void FreeHalfEdgeUVs();
    void AllocVertexBones();
    void FreeVertexBones();

private:
    // One level of the derived subdivision chain (its topology tables and positions); defined
    // beside the subdivision code, which alone creates and frees levels.
    struct SubdivisionLevel;
    struct SubdivisionLevelDeleter {
        void operator()(SubdivisionLevel* level) const noexcept;
    };

    CQxList<CQxVertex> m_Vertices;
    CQxList<CQxEdge> m_Edges;
    CQxList<CQxFace> m_Faces;
    unsigned int m_SubdivisionLevel = 0;
    int m_SubdivisionUV = 0;
    // Not copied with the mesh: a copy builds its own chain when asked.
    std::vector<std::unique_ptr<SubdivisionLevel, SubdivisionLevelDeleter>> m_Subdivisions;

    // The hit tests' copy of the face topology; defined beside them, built on the first test and
    // checked against the topology epoch on every one. Never copied with the mesh.
    struct PickCache;
    struct PickCacheDeleter {
        void operator()(PickCache* cache) const noexcept;
    };
    mutable std::unique_ptr<PickCache, PickCacheDeleter> m_PickCache;
};
