#pragma once

#include <cstdint>
#include <vector>

#include "qx/commands/cmd.h"
#include "qx/commands/tree_cmd.h"
#include "qx/export.h"
#include "qx/math/vector2d.h"

class CQxCamera;
class CQxHalfEdge;
class CQxObject;
class CQxScene;
class CQxSelects;
class CQxUVSelects;

// Texture coordinates of face corners changed in place: each recorded corner's UV, and whether
// it had one, swapped with what the corner holds, so undo and redo are the same exchange (and so
// is each recorded object's flag saying that its mesh carries texture coordinates).
class QX_API CQxUVCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_MOVE_UV; }
    void Exchange(int undo) override;

    // The corners' UVs pulled a step (du, dv) toward their face's UV centre, or the selected UVs
    // around each vertex made their mean; coordinates end up in 0..1. 0 when no UV changes.
    int CreateSeparate(const CQxUVSelects& records, float du, float dv, int update);
    int CreateMerge(const CQxUVSelects& records, int update);

    // Records a corner before it changes (the UV tools' moves); the change is the caller's.
    void Record(CQxObject& object, const CQxHalfEdge& corner);
    int IsEmpty() const { return m_Entries.empty(); }

protected:
    struct Corner {
        std::uint32_t Face = 0;
        std::uint32_t Position = 0; // in the face's ring
        CQxVector2D UV;             // the other state: before, or after once exchanged
        int HasUV = 0;
    };
    struct Entry {
        CQxIndexPath Path;
        std::vector<Corner> Corners;
        int ObjectHasUV = 0; // the other state of the object's flag
    };
    // The entry of the object, made on first use.
    Entry& EntryOf(CQxObject& object);
    // Sets a corner's UV, recording it first when it changes; 1 when it changed.
    int Change(CQxObject& object, CQxHalfEdge& corner, const CQxVector2D& uv);
    void Notify(int update);

    std::vector<Entry> m_Entries;
    std::vector<CQxObject*> m_Objects; // while creating: the entries' objects, to update
};

// Texture coordinates projected from a 3D view (the UV-map tool): every corner of the selected
// faces takes the place where the view shows its vertex, divided by the view's size, so the
// view's left edge is u 0, its right edge u 1, its top v 0 and its bottom v 1.
class QX_API CQxUVMapCmd : public CQxUVCmd {
public:
    using CQxUVCmd::CQxUVCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_UV_MAP; }

    // The faces of the records as the camera shows them now; the objects then carry texture
    // coordinates. 0 when no coordinate changes (or the view has no area).
    int CreateMap(const CQxSelects& records, const CQxCamera& camera, int update);
};
