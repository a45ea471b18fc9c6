#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "qx/commands/tree_cmd.h"
#include "qx/export.h"
#include "qx/math/vector.h"
#include "qx/platform/global_memory.h"

class CQxSelects;

// Geometry as it travels through the clipboard: vertex positions, free edges and faces with
// their flags and material positions. Names, transforms, UVs, bone weights and animation stay
// behind. References between records are positions in the vertex list; `Index` fields only
// tell where an element sat in the mesh it was copied from.
struct CQxClipVertex {
    std::uint32_t Index = 0;
    CQxVector Position;
};
struct CQxClipEdge {
    std::uint32_t Index = 0;
    std::uint32_t Vertices[2] = {0, 0};
    std::uint32_t Flags = 0;
};
struct CQxClipCorner {
    std::uint32_t Vertex = 0;
    std::uint32_t Flags = 0;
};
struct CQxClipFace {
    std::uint32_t Index = 0;
    std::int32_t Attribute = -1; // position in the model's material list; -1 for none
    std::uint32_t Flag = 0;
    std::vector<CQxClipCorner> Corners; // ring order
};
struct CQxClipRecords {
    std::vector<CQxClipVertex> Vertices;
    std::vector<CQxClipEdge> Edges;
    std::vector<CQxClipFace> Faces;
};

// The block layout: little-endian 32-bit fields, the vertex, edge and face lists each after
// its count (see clipboard_block.cpp). A block from the clipboard is untrusted: it is read only
// when its size matches its counts exactly, every reference names a vertex record, every face
// has at least three distinct corners, every edge two distinct ends and every position is
// finite; otherwise nothing is read.

// The bytes the records take in a block.
QX_API std::size_t QxGetClipBlockSize(const CQxClipRecords& records);
// A new block (GMEM_MOVEABLE | GMEM_ZEROINIT) holding the records; null when there is no
// vertex or the block cannot be made.
QX_API HGLOBAL QxWriteClipBlock(const CQxClipRecords& records);
// Reads a block's bytes; 0 (records emptied) for anything the rules above refuse.
QX_API int QxParseClipBlock(const void* bytes, std::size_t size, CQxClipRecords& records);
// Locks, reads and unlocks a block; 0 for a bad handle or a refused block.
QX_API int QxReadClipBlock(HGLOBAL block, CQxClipRecords& records);

// The records of a selection, filtered for copying: whole objects give their whole meshes,
// component records the vertices, edges and faces they hold. Positions are in the object's
// own space for one record and in the root's space for several, so that geometry from several
// objects shares one frame.
QX_API void QxGatherClipRecords(const CQxSelects& selects, CQxClipRecords& records);

// Pastes clipboard geometry: into a mesh object, or as a new mesh object "MeshN" under any
// other parent. The pasted elements come selected.
class QX_API CQxPasteCmd : public CQxTreeCmd {
public:
    using CQxTreeCmd::CQxTreeCmd;
    ~CQxPasteCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_PASTE; }
    void Redo() override;
    void Undo() override;

    // Reads the block (the caller keeps it); parent null: the root model. 0 when the block is
    // refused or holds no vertex, or the parent is not in the scene.
    int Create(HGLOBAL block, CQxObject* parent, int update);

    const CQxClipRecords& GetRecords() const { return m_Records; }

private:
    // Appends the records to the mesh, with materials from the model's list.
    void Build(CQxMesh& mesh, CQxModel* model) const;
    // Into an existing mesh: its counts and mates first, so that undo can trim it back.
    void Append(int update);
    void SelectPasted(CQxObject& object) const;

    CQxClipRecords m_Records;
    CQxIndexPath m_ParentPath;
    CQxString m_Name;                         // of the object made (empty when pasting into a mesh)
    unsigned int m_CurAttribute = 0xFFFFFFFF; // the model's current material when pasted
    int m_IntoMesh = 0;
    unsigned int m_OldCounts[3] = {0, 0, 0}; // vertices, edges, faces before the paste
    CQxMeshMates m_Mates;                    // of the mesh pasted into, before the paste
    std::unique_ptr<CQxTreeSelection> m_Before;
};
