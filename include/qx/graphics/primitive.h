#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "qx/basis/array.h"
#include "qx/basis/huge_page_allocator.h"
#include "qx/export.h"
#include "qx/math/vector.h"

class CQxMesh;
class CQxAttribute;
class CQxBoundBox;
class CQxVertex;
class CQxEdge;
class CQxFace;
class CQxHalfEdge;

// What the indices of a primitive draw.
enum QX_PRIMITIVE_TYPE : unsigned int {
    QX_PRIMITIVE_POINTS = 0,
    QX_PRIMITIVE_LINES = 1,     // two indices a line
    QX_PRIMITIVE_TRIANGLES = 2, // three indices a triangle
};

// How the device shades a primitive: lit by the material, light and texture (faces), or in the
// vertices' own colours without light (wires, points, markers, weight colours).
enum QX_SHADE_TYPE : unsigned int {
    QX_SHADE_COLOR = 0,
    QX_SHADE_LIT = 1,
};

// One vertex as the GPU reads it (36 bytes). Color is 32-bit ARGB, so in memory the bytes run
// blue, green, red, alpha, which the device reads as a BGRA attribute.
struct CQxPrimitiveVertex {
    float Position[3];
    float Normal[3];
    float UV[2];
    std::uint32_t Color;
};

// Drawable buffers built from a mesh (or a few points): the vertex and index data live on the
// CPU, so primitives are built and inspected without a GL context, and go to GL buffers when
// first drawn, after Unlock, or after the device dropped its objects (ClearGraphics).
//
// Every builder replaces what the primitive held and returns 0 (leaving it empty) when there is
// nothing to draw. Builders from a mesh remember, per primitive vertex, the mesh vertex (and, for
// flat faces, the face) it came from, so UpdatePositions can follow a drag without rebuilding.
// Mesh vertices are found by their Index when it matches the list position, else by pointer.
class QX_API CQxPrimitive {
public:
    CQxPrimitive() = default;
    CQxPrimitive(const CQxPrimitive&) = delete;
    CQxPrimitive& operator=(const CQxPrimitive&) = delete;
    ~CQxPrimitive();

    // Raw buffers: room for the counts, zeroed; 0 for a count over 2^28 or an index count that
    // does not fit the type (pairs for lines, triples for triangles).
    int Alloc(QX_PRIMITIVE_TYPE type, unsigned int vertexCount, unsigned int indexCount,
              QX_SHADE_TYPE shade = QX_SHADE_COLOR);
    // Empties the primitive and releases its GL buffers.
    void Free();
    // Hands out the CPU data for writing; Unlock marks it for upload. 0 when empty or already
    // locked.
    int Lock(CQxPrimitiveVertex*& vertices, unsigned int*& indices);
    int Unlock();
    // Draws with the device's current states; 0 when empty, locked, or the device cannot draw.
    // Indices past the vertices are never sent: Unlock drops the primitive's draw until fixed.
    int Draw();

    // --- Builders from a mesh ---------------------------------------------------------------
    // Every vertex as a point: selected ones in QxSelectColor, others in QxNormalColor.
    int BuildPoints(const CQxMesh& mesh);
    // The selected vertices only, in QxSelectColor (the pick markers).
    int BuildPicks(const CQxMesh& mesh);
    // Free edges (selected: QxSelectColor, else their own colour) and each face side once (a
    // side whose half-edge, mate or face is selected in QxSelectColor, else QxNormalColor).
    // Lines in QxNormalColor index one shared vertex per mesh vertex (at its list position);
    // lines in other colours have two vertices of their own.
    int BuildEdges(const CQxMesh& mesh);
    // The valid faces whose attribute is `filter` (null matches faces without one), as fans of
    // triangles over the corners: the face normal for flat faces and the vertex normal for
    // smooth ones, the corner's UV and colour. Corners of smooth faces with the same vertex, UV
    // and colour share one primitive vertex; flat faces' corners have their own. Normals are the
    // mesh's own: call UpdateNormals first.
    int BuildFaces(const CQxMesh& mesh, const CQxAttribute* filter);
    // Lines between the texture coordinates (u, v, 0) of the selected faces' corners, for the UV
    // view: sides with both ends selected in QxSelectUVColor, others in QxNormalUVColor.
    int BuildUVEdges(const CQxMesh& mesh);
    // Every valid face, unlit, each corner coloured by colors[vertex list position] (ARGB;
    // QxNormalColor past the array's end). A primitive already built this way for the same
    // topology only takes the new colours.
    int SetWeightColors(const CQxMesh& mesh, const CQxArray<unsigned long>& colors);
    // Moves the vertices to the mesh's current positions (and normals for faces) keeping the
    // topology; 0 when the mesh no longer has the vertices or faces the primitive was built from.
    int UpdatePositions(const CQxMesh& mesh);
    // The same with the positions given by vertex list position and the normals by vertex
    // (smooth corners) and by face list position (flat corners): a pose of the mesh that the
    // mesh itself does not hold, such as a skinned mesh bent by its bones.
    int UpdatePositions(const CQxMesh& mesh, const CQxVector* positions, const CQxVector* vertexNormals,
                        const CQxVector* faceNormals);
    // Follows a change of the selection states of the listed elements of the mesh (and of
    // nothing else) in place: points take their new colours, picks gain and lose vertices (in
    // no particular order), edges recolour the lines of the listed edges, faces and half-edges.
    // 0, leaving the primitive to be rebuilt, when it is of another kind or the mesh's
    // topology, a listed element or the selection colours are not what it was built from.
    int UpdateSelection(const CQxMesh& mesh, const CQxArray<CQxVertex*>& vertices,
                        const CQxArray<CQxEdge*>& edges, const CQxArray<CQxFace*>& faces,
                        const CQxArray<CQxHalfEdge*>& halfEdges);

    // --- Markers ------------------------------------------------------------------------------
    // Three lines of the given length from the point along +X (red), +Y (green), +Z (blue).
    int BuildPivot(const CQxVector& at, float size);
    // A line from one point to another and a cross of three lines of the given size at the end.
    int BuildIKHandle(const CQxVector& from, const CQxVector& to, float size, unsigned long color);
    // The 12 edges of the box; 0 for an empty box.
    int BuildBoundBox(const CQxBoundBox& box, unsigned long color);

    // --- Queries ------------------------------------------------------------------------------
    QX_PRIMITIVE_TYPE GetType() const { return m_Type; }
    QX_SHADE_TYPE GetShade() const { return m_Shade; }
    int IsEmpty() const { return m_Indices.empty(); }
    unsigned int GetVertexCount() const { return static_cast<unsigned int>(m_Vertices.size()); }
    unsigned int GetIndexCount() const { return static_cast<unsigned int>(m_Indices.size()); }
    // Points, lines or triangles drawn.
    unsigned int GetPrimitiveCount() const;
    const CQxPrimitiveVertex* GetVertices() const { return m_Vertices.data(); }
    const unsigned int* GetIndices() const { return m_Indices.data(); }
    // The CPU data changed since the last upload.
    int IsDirty() const { return m_Dirty; }

private:
    // Where a primitive vertex came from in the mesh: a vertex list position, and for a flat face
    // corner the face list position (NoFace otherwise).
    struct Source {
        unsigned int Vertex;
        unsigned int Face;
    };
    static constexpr unsigned int NoFace = 0xFFFFFFFF;
    enum class Kind : unsigned char { None, Points, Picks, Edges, Faces, UVEdges, Weights, Marker };

    // What the builders from a mesh keep for UpdateSelection; defined beside them.
    struct Origin;
    struct OriginDeleter {
        void operator()(Origin* origin) const noexcept;
    };

    void Reset(Kind kind, QX_PRIMITIVE_TYPE type, QX_SHADE_TYPE shade);
    Origin& KeepOrigin(const CQxMesh& mesh);
    bool IsOriginOf(const CQxMesh& mesh) const;
    // Whether the mesh still has the vertex and face counts the primitive was built from.
    bool CanFollow(const CQxMesh& mesh) const;
    unsigned int OriginVertex(const CQxVertex* v) const;
    bool SelectPoints(const CQxArray<CQxVertex*>& vertices);
    bool SelectPicks(const CQxArray<CQxVertex*>& vertices);
    bool SelectEdges(const CQxArray<CQxEdge*>& edges, const CQxArray<CQxFace*>& faces,
                     const CQxArray<CQxHalfEdge*>& halfEdges);
    bool RecolorSide(const CQxHalfEdge& h);
    void RecolorLine(unsigned int line, std::uint32_t color);
    int Finish();
    void ReleaseBuffers();
    void AddVertex(const CQxVector& p, std::uint32_t color);
    void AddLine(const CQxVector& a, const CQxVector& b, std::uint32_t color);
    int Upload();

    template <class T>
    using Buffer = std::vector<T, CQxHugePageAllocator<T>>;
    Buffer<CQxPrimitiveVertex> m_Vertices;
    Buffer<unsigned int> m_Indices;
    Buffer<Source> m_Sources; // empty for primitives not built from a mesh
    unsigned int m_MeshVertexCount = 0;
    unsigned int m_MeshFaceCount = 0;
    QX_PRIMITIVE_TYPE m_Type = QX_PRIMITIVE_POINTS;
    QX_SHADE_TYPE m_Shade = QX_SHADE_COLOR;
    Kind m_Kind = Kind::None;
    int m_Dirty = 0;
    int m_Locked = 0;
    int m_Valid = 1; // indices all within the vertices
    // GL objects and the device generation they belong to.
    unsigned int m_VertexBuffer = 0;
    unsigned int m_IndexBuffer = 0;
    unsigned int m_Generation = 0;
    std::unique_ptr<Origin, OriginDeleter> m_Origin; // null when not kept
};
