#include "qx/commands/transform_cmd.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "qx/animation/anim.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

namespace {

bool SameParam(const CQxTransformParam& a, const CQxTransformParam& b) {
    return a.Pivot() == b.Pivot() && a.Scale() == b.Scale() && a.Rotate() == b.Rotate() &&
           a.Angle() == b.Angle() && a.Translate() == b.Translate();
}

} // namespace

CQxTransformCmd::CQxTransformCmd(CQxScene* scene) : CQxCmd(scene) {}

CQxTransformCmd::~CQxTransformCmd() = default;

int CQxTransformCmd::Capture(const CQxSelects& selects, Target target) {
    m_Target = target;
    m_Records.clear();
    m_IsFinished = false;
    for (const CQxSelect* select : selects.Selects()) {
        CQxObject* object = select->Object();
        if (!object) continue;
        Record record;
        record.Path = QxGetIndexPath(*object);
        record.Live = object;
        if (target == TARGET_VERTICES) {
            if (!select->HasVertices()) continue;
            record.LiveVertices.assign(select->Vertices().begin(), select->Vertices().end());
            record.Values.reserve(record.LiveVertices.size());
            for (const CQxVertex* v : record.LiveVertices) record.Values.push_back(v->Position());
        } else {
            record.Param = object->TFParam();
        }
        m_Records.push_back(std::move(record));
    }
    return m_Records.empty() ? 0 : 1;
}

void CQxTransformCmd::Restore(int update) const {
    if (m_IsFinished) return;
    for (const Record& record : m_Records) {
        if (m_Target != TARGET_VERTICES) {
            record.Live->TFParam() = record.Param;
            if (m_Target == TARGET_PIVOTS) record.Live->UpdateMovedGeometry(); // the pivot marker
            continue;
        }
        for (std::size_t i = 0; i < record.LiveVertices.size(); ++i)
            record.LiveVertices[i]->Position() = record.Values[i];
        if (update) {
            record.Live->Mesh().UpdateNormals();
            record.Live->UpdateBoundBox();
            record.Live->UpdateMovedGeometry();
        }
    }
}

bool CQxTransformCmd::IsChanged(const Record& record) const {
    if (m_Target != TARGET_VERTICES) return !SameParam(record.Param, record.Live->TFParam());
    for (std::size_t i = 0; i < record.LiveVertices.size(); ++i)
        if (record.LiveVertices[i]->Position() != record.Values[i]) return true;
    return false;
}

void CQxTransformCmd::ResolvePositions(Record& record) {
    std::unordered_map<const CQxVertex*, std::uint32_t> slot;
    slot.reserve(record.LiveVertices.size());
    for (std::size_t i = 0; i < record.LiveVertices.size(); ++i)
        slot.emplace(record.LiveVertices[i], static_cast<std::uint32_t>(i));

    std::vector<std::pair<std::uint32_t, CQxVector>> found;
    found.reserve(slot.size());
    std::uint32_t position = 0;
    for (const CQxVertex& v : record.Live->Mesh().Vertices()) {
        if (auto it = slot.find(&v); it != slot.end())
            found.emplace_back(position, record.Values[it->second]);
        ++position;
    }
    // The list walk gives ascending positions and takes a vertex listed twice only once.
    record.Positions.clear();
    record.Values.clear();
    for (auto& [p, value] : found) {
        record.Positions.push_back(p);
        record.Values.push_back(value);
    }
    record.LiveVertices.clear();
    record.LiveVertices.shrink_to_fit();
}

int CQxTransformCmd::Finish() {
    if (m_IsFinished) return m_Records.empty() ? 0 : 1;
    std::erase_if(m_Records, [this](const Record& record) { return !IsChanged(record); });
    for (Record& record : m_Records) {
        if (m_Target == TARGET_VERTICES) ResolvePositions(record);
        record.Live = nullptr;
    }
    m_IsFinished = true;
    return m_Records.empty() ? 0 : 1;
}

void CQxTransformCmd::SwapVertices(Record& record, CQxObject& object) {
    CQxMesh& mesh = object.Mesh();
    std::size_t next = 0;
    std::uint32_t position = 0;
    for (CQxVertex& v : mesh.Vertices()) {
        if (next >= record.Positions.size()) break;
        if (record.Positions[next] == position) {
            std::swap(v.Position(), record.Values[next]);
            ++next;
        }
        ++position;
    }
    mesh.UpdateNormals();
    object.UpdateBoundBox();
    object.UpdateMovedGeometry();
}

void CQxTransformCmd::Exchange(int /*undo*/) {
    CQxSelects changed;
    // A move that bent IK chains turned the chain joints as well.
    bool turned = false;
    for (Record& record : m_Records) {
        CQxObject* object = QxFindIndexPath(m_Scene->RootModel(), record.Path);
        if (!object) continue;
        if (m_Target == TARGET_VERTICES) {
            SwapVertices(record, *object);
        } else {
            turned = turned || object->Rotate() != record.Param.Rotate();
            std::swap(object->TFParam(), record.Param);
            if (m_Target == TARGET_PIVOTS) object->UpdateMovedGeometry();
        }
        changed.Push(new CQxSelect(object));
    }
    unsigned int bits = m_Target == TARGET_PIVOTS ? QX_MODIFY_PIVOT : GetModifyBits();
    if (turned && m_Target == TARGET_OBJECTS) {
        bits |= QX_MODIFY_ANGLE;
        // The IK handles run from each chain's end to its root: a bent chain moves them.
        for (CQxObject::Iterator it = m_Scene->RootModel().Begin(); !it.IsEnd(); ++it)
            if (it->IsIKed()) it->UpdateGeometry();
    }
    m_Scene->UpdateGui(QX_UPDATE_TRANSFORM, &changed,
                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(bits)));
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}

// What the animation drives it writes again at every frame change: an undo would only put back
// values already overwritten. Objects go when any of their channels is animated (a record swaps
// the whole transform); vertices go one by one.
int CQxTransformCmd::ClearAnimated(const CQxAnim& anim) {
    if (!m_IsFinished) return 0;
    std::erase_if(m_Records, [&](Record& record) {
        CQxObject* object = QxFindIndexPath(m_Scene->RootModel(), record.Path);
        if (!object) return false;
        if (m_Target != TARGET_VERTICES) return anim.ObjectItems().Has(object) != 0;
        const auto* animated = anim.VertexItems().Find(object);
        if (!animated) return false;
        std::size_t next = 0, kept = 0;
        std::uint32_t position = 0;
        for (CQxVertex& v : object->Mesh().Vertices()) {
            if (next >= record.Positions.size()) break;
            if (record.Positions[next] == position) {
                if (!animated->Has(&v)) {
                    record.Positions[kept] = record.Positions[next];
                    record.Values[kept++] = record.Values[next];
                }
                ++next;
            }
            ++position;
        }
        // Positions past the end of the mesh name nothing the animation could drive.
        for (; next < record.Positions.size(); ++next, ++kept) {
            record.Positions[kept] = record.Positions[next];
            record.Values[kept] = record.Values[next];
        }
        record.Positions.resize(kept);
        record.Values.resize(kept);
        return kept == 0;
    });
    return m_Records.empty() ? 1 : 0;
}

unsigned int CQxMoveCmd::GetModifyBits() const {
    return QX_MODIFY_TRANSLATE;
}

unsigned int CQxRotateCmd::GetModifyBits() const {
    return QX_MODIFY_ANGLE;
}

unsigned int CQxScaleCmd::GetModifyBits() const {
    return QX_MODIFY_SCALE;
}
