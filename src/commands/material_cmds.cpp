#include <algorithm>

#include "material_cmds_internal.h"
#include "object_cmds_internal.h"
#include "qx/commands/material_cmds.h"

using namespace qx_material_cmd;

namespace qx_material_cmd {

CQxModel* FindModel(CQxScene& scene, const CQxIndexPath& path) {
    CQxObject* object = QxFindIndexPath(scene.RootModel(), path);
    return object && object->GetType() == QX_OBJ_MODEL ? static_cast<CQxModel*>(object) : nullptr;
}

bool InScene(CQxScene& scene, const CQxModel* model) {
    return model && QxFindIndexPath(scene.RootModel(), QxGetIndexPath(*model)) == model;
}

CQxAttribute* AttributeAt(const CQxModel& model, std::uint32_t position) {
    return position == kNone ? nullptr : model.GetAttribute(position);
}

std::uint32_t PositionOf(const CQxModel& model, const CQxAttribute* attribute) {
    return attribute ? model.FindAttribute(attribute) : kNone;
}

CQxModel* FindOwner(const CQxModel& root, const CQxAttribute* attribute) {
    if (!attribute) return nullptr;
    CQxArray<CQxModel*> models;
    root.GetModels(models, 1);
    for (CQxModel* model : models)
        if (model->FindAttribute(attribute) != kNone) return model;
    return nullptr;
}

void NotifyList(CQxScene& scene, CQxModel* model) {
    scene.UpdateGui(QX_UPDATE_ATTRIBUTE_LIST, model);
    scene.UpdateGui(QX_UPDATE_REDRAW);
}

} // namespace qx_material_cmd

// --- Create --------------------------------------------------------------------------------------

CQxAttribute* CQxCreateAttributeCmd::Create(CQxModel* model, int update) {
    if (!InScene(*m_Scene, model)) return nullptr;
    m_PrevCur = PositionOf(*model, model->CurAttribute());
    CQxAttribute* attribute = model->CreateAttribute();
    model->CurAttribute() = attribute;
    m_Name = attribute->GetName();
    m_Path = QxGetIndexPath(*model);
    if (update) NotifyList(*m_Scene, model);
    return attribute;
}

void CQxCreateAttributeCmd::Undo() {
    CQxModel* model = FindModel(*m_Scene, m_Path);
    if (!model || model->GetAttributeCount() == 0) return;
    CQxAttribute* last = model->GetAttribute(model->GetAttributeCount() - 1);
    // What was current before the new attribute comes back (none when nothing was).
    if (model->CurAttribute() == last)
        model->CurAttribute() =
            m_PrevCur < model->GetAttributeCount() - 1 ? model->GetAttribute(m_PrevCur) : nullptr;
    model->DeleteAttribute(last);
    NotifyList(*m_Scene, model);
}

void CQxCreateAttributeCmd::Redo() {
    CQxModel* model = FindModel(*m_Scene, m_Path);
    if (!model) return;
    model->CurAttribute() = model->CreateAttribute(m_Name.GetStr());
    NotifyList(*m_Scene, model);
}

// --- Delete --------------------------------------------------------------------------------------

struct CQxDeleteAttributeCmd::Entry {
    struct Faces {
        CQxIndexPath Path;
        std::vector<std::uint32_t> Positions;
    };
    std::uint32_t Position = 0;
    CQxAttribute Copy; // name, material and texture stages
    std::vector<Faces> Users;
    int HasAnim = 0;
    CQxAnim::Channels<CQxAttributeAnimItem> Anim;
};

CQxDeleteAttributeCmd::CQxDeleteAttributeCmd(CQxScene* scene) : CQxCmd(scene) {}
CQxDeleteAttributeCmd::~CQxDeleteAttributeCmd() = default;

int CQxDeleteAttributeCmd::Create(CQxModel* model, CQxAttribute* attribute, int update) {
    if (!InScene(*m_Scene, model) || PositionOf(*model, attribute) == kNone) return 0;
    return Record(*model, {attribute}, update);
}

int CQxDeleteAttributeCmd::CreateAll(CQxModel* model, int update) {
    if (!InScene(*m_Scene, model) || model->GetAttributeCount() == 0) return 0;
    std::vector<CQxAttribute*> all;
    for (CQxAttribute& attribute : model->Attributes()) all.push_back(&attribute);
    return Record(*model, all, update);
}

int CQxDeleteAttributeCmd::Record(CQxModel& model, const std::vector<CQxAttribute*>& attributes, int update) {
    m_Path = QxGetIndexPath(model);
    m_Cur = PositionOf(model, model.CurAttribute());
    for (CQxAttribute* attribute : attributes) {
        auto entry = std::make_unique<Entry>();
        entry->Position = PositionOf(model, attribute);
        entry->Copy = *attribute;
        // Every mesh of the scene: merged meshes may keep faces of another model's attributes.
        for (CQxObject::Iterator it = m_Scene->RootModel().Begin(); !it.IsEnd(); ++it) {
            CQxObject& object = *it;
            if (!qx_object_cmd::IsMeshObject(&object)) continue;
            Entry::Faces users;
            std::uint32_t i = 0;
            for (const CQxFace& f : object.Mesh().Faces()) {
                if (f.Attribute() == attribute) users.Positions.push_back(i);
                ++i;
            }
            if (users.Positions.empty()) continue;
            users.Path = QxGetIndexPath(object);
            entry->Users.push_back(std::move(users));
        }
        if (const auto* channels = model.Anim().AttributeItems().Find(attribute)) {
            entry->HasAnim = 1;
            entry->Anim = *channels;
        }
        m_Entries.push_back(std::move(entry));
    }
    std::sort(m_Entries.begin(), m_Entries.end(),
              [](const auto& x, const auto& y) { return x->Position < y->Position; });
    Delete(model);
    if (update) NotifyList(*m_Scene, &model);
    return 1;
}

void CQxDeleteAttributeCmd::Delete(CQxModel& model) {
    for (auto it = m_Entries.rbegin(); it != m_Entries.rend(); ++it) {
        CQxAttribute* attribute = model.GetAttribute((*it)->Position);
        if (!attribute) continue;
        for (const Entry::Faces& users : (*it)->Users) {
            CQxObject* object = QxFindIndexPath(m_Scene->RootModel(), users.Path);
            if (!object) continue;
            for (CQxFace* f : qx_object_cmd::FacesAt(object->Mesh(), users.Positions))
                f->Attribute() = nullptr;
            object->UpdateGraphics();
        }
        if ((*it)->HasAnim) model.Anim().DeleteAttributeRefItems(attribute);
        model.DeleteAttribute(attribute);
    }
}

void CQxDeleteAttributeCmd::Redo() {
    CQxModel* model = FindModel(*m_Scene, m_Path);
    if (!model) return;
    Delete(*model);
    NotifyList(*m_Scene, model);
}

void CQxDeleteAttributeCmd::Undo() {
    CQxModel* model = FindModel(*m_Scene, m_Path);
    if (!model) return;
    for (const auto& entry : m_Entries) {
        auto* attribute = new CQxAttribute(entry->Copy);
        if (!model->InsertAttribute(entry->Position, attribute)) {
            delete attribute;
            continue;
        }
        for (const Entry::Faces& users : entry->Users) {
            CQxObject* object = QxFindIndexPath(m_Scene->RootModel(), users.Path);
            if (!object) continue;
            for (CQxFace* f : qx_object_cmd::FacesAt(object->Mesh(), users.Positions))
                f->Attribute() = attribute;
            object->UpdateGraphics();
        }
        if (entry->HasAnim) {
            // The items follow the attribute's new address; their keys and selection stay.
            auto& channels = model->Anim().AttributeItems()[attribute];
            channels = entry->Anim;
            for (auto& node : channels) {
                CQxAttributeAnimItem& item = node.Value;
                const CQxSpline spline = item.Spline();
                const int select = item.IsSelect();
                item.Init(node.Key, model, attribute);
                item.Spline() = spline;
                item.Select(select);
            }
        }
    }
    if (CQxAttribute* cur = AttributeAt(*model, m_Cur)) model->CurAttribute() = cur;
    model->Anim().ClearSortItems();
    NotifyList(*m_Scene, model);
}

// --- Move ----------------------------------------------------------------------------------------

namespace {

// Takes the attribute at `from` out and puts it back so that it stands at `to`.
void MoveTo(CQxModel& model, std::uint32_t from, std::uint32_t to) {
    CQxAttribute* attribute = model.GetAttribute(from);
    if (!attribute) return;
    CQxAttribute* cur = model.CurAttribute();
    model.RemoveAttribute(attribute);
    model.InsertAttribute(to, attribute);
    model.CurAttribute() = cur;
    model.Attributes().UpdateIndices();
    model.Anim().ClearSortItems();
}

} // namespace

int CQxMoveAttributeCmd::Create(CQxModel* model, unsigned int from, unsigned int to, int update) {
    if (!InScene(*m_Scene, model) || from == to) return 0;
    const unsigned int count = model->GetAttributeCount();
    if (from >= count || to >= count) return 0;
    m_From = from;
    m_To = from < to ? to - 1 : to;
    // Moving in front of the next attribute would leave the list as it is.
    if (m_To == m_From) return 0;
    m_Path = QxGetIndexPath(*model);
    MoveTo(*model, m_From, m_To);
    if (update) NotifyList(*m_Scene, model);
    return 1;
}

void CQxMoveAttributeCmd::Exchange(int undo) {
    CQxModel* model = FindModel(*m_Scene, m_Path);
    if (!model) return;
    if (undo)
        MoveTo(*model, m_To, m_From);
    else
        MoveTo(*model, m_From, m_To);
    NotifyList(*m_Scene, model);
}
