// Picking keys and tangent handles of an animation in the curve editor's pixel space.
#include <algorithm>
#include <cfloat>

#include "qx/animation/anim.h"
#include "qx/animation/anim_item.h"
#include "qx/animation/anim_select.h"
#include "qx/scene/settings.h"

namespace {

// Twice the setting: the spline takes a pick box size and reaches half of it around the point.
unsigned int PickBox() {
    return 2 * QxGraphPickSize();
}

CQxAnimItemSelect RecordOf(CQxAnimItem* item, CQxArray<CQxSplineNode*>& nodes,
                           CQxArray<CQxSplineNode*>& prevTans, CQxArray<CQxSplineNode*>& nextTans) {
    CQxAnimItemSelect record(item);
    record.Nodes = nodes;
    record.PrevTans = prevTans;
    record.NextTans = nextTans;
    return record;
}

} // namespace

// --- Records --------------------------------------------------------------------------------------

int CQxAnimItemSelect::GetSelectTanPoint(CQxPoint& tanPoint, CQxPoint& keyPoint, unsigned int tanSize,
                                         const CQxRect& rect, const float& minX, const float& maxX,
                                         const float& minY, const float& maxY) const {
    const CQxSplineNode* node = nullptr;
    bool entering = false;
    for (const CQxSplineNode* n : PrevTans)
        if (n->IsPrevTanSelect) {
            node = n;
            entering = true;
            break;
        }
    if (!node)
        for (const CQxSplineNode* n : NextTans)
            if (n->IsNextTanSelect) {
                node = n;
                break;
            }
    CQxPoint key, prev, next;
    if (!node || !node->GetPixelPoints(key, prev, next, tanSize, rect, minX, maxX, minY, maxY)) return 0;
    tanPoint = entering ? prev : next;
    keyPoint = key;
    return 1;
}

int CQxAnimItemSelects::GetSelectTanPoint(CQxPoint& tanPoint, CQxPoint& keyPoint, unsigned int tanSize,
                                          const CQxRect& rect, const float& minX, const float& maxX,
                                          const float& minY, const float& maxY) const {
    if (m_Selects.IsEmpty()) return 0;
    return m_Selects[0]->GetSelectTanPoint(tanPoint, keyPoint, tanSize, rect, minX, maxX, minY, maxY);
}

// --- The animation --------------------------------------------------------------------------------

int CQxAnim::IsPointHit(const CQxPoint& point, const CQxRect& rect, const float& minX, const float& maxX,
                        const float& minY, const float& maxY, CQxAnimItemSelect& select) {
    float best = FLT_MAX;
    CQxAnimItem* hitItem = nullptr;
    CQxSplineNode* hit[3] = {};
    ForEachSortItem([&](CQxAnimItem* item) {
        if (!item->IsSelect()) return;
        CQxSplineNode* found[3] = {};
        if (item->Spline().IsPointHit(PickBox(), QxGraphTangentSize(), point, best, rect, minX, maxX, minY,
                                      maxY, &found[0], &found[1], &found[2])) {
            hitItem = item;
            std::copy(found, found + 3, hit);
        }
    });
    if (!hitItem) return 0;
    select.Clear();
    select.Item = hitItem;
    if (hit[0]) select.Nodes.PushBack(hit[0]);
    if (hit[1]) select.PrevTans.PushBack(hit[1]);
    if (hit[2]) select.NextTans.PushBack(hit[2]);
    return 1;
}

int CQxAnim::IsPointHit(const CQxPoint& point, const CQxRect& rect, const float& minX, const float& maxX,
                        const float& minY, const float& maxY, CQxAnimItemSelects& selects) {
    float best = FLT_MAX;
    ForEachSortItem([&](CQxAnimItem* item) {
        if (!item->IsSelect()) return;
        const float before = best;
        CQxArray<CQxSplineNode*> nodes, prevTans, nextTans;
        if (!item->Spline().IsPointHit(PickBox(), QxGraphTangentSize(), point, best, rect, minX, maxX, minY,
                                       maxY, nodes, prevTans, nextTans))
            return;
        if (best != before) selects.Clear(); // strictly closer than everything kept so far
        selects.Add(RecordOf(item, nodes, prevTans, nextTans));
    });
    return !selects.IsEmpty();
}

int CQxAnim::IsRectHit(const CQxRect& pick, const CQxRect& rect, const float& minX, const float& maxX,
                       const float& minY, const float& maxY, CQxAnimItemSelects& selects) {
    bool added = false;
    ForEachSortItem([&](CQxAnimItem* item) {
        if (!item->IsSelect()) return;
        CQxArray<CQxSplineNode*> nodes, prevTans, nextTans;
        if (!item->Spline().IsRectHit(QxGraphTangentSize(), pick, rect, minX, maxX, minY, maxY, nodes,
                                      prevTans, nextTans))
            return;
        selects.Add(RecordOf(item, nodes, prevTans, nextTans));
        added = true;
    });
    return added;
}
