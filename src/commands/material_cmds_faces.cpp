#include <algorithm>
#include <unordered_set>

#include "material_cmds_internal.h"
#include "object_cmds_internal.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/material_cmds.h"
#include "qx/selection/select.h"

using namespace qx_material_cmd;

// --- Faces ---------------------------------------------------------------------------------------

int CQxSetAttributeCmd::Create(const CQxSelects& records, int update) {
    CQxModel* model = records.GetModel();
    if (!model) return 0;
    CQxAttribute* attribute = model->CurAttribute();
    std::unordered_set<const CQxObject*> seen;
    for (const CQxSelect* record : records.Selects()) {
        CQxObject* object = record->Object();
        if (!qx_object_cmd::IsMeshObject(object) || object->GetModel() != model ||
            !seen.insert(object).second)
            continue;
        std::unordered_set<const CQxFace*> chosen;
        if (record->HasComponents())
            for (CQxFace* f : record->Faces()) chosen.insert(f);
        Entry entry;
        std::uint32_t i = 0;
        for (CQxFace& f : object->Mesh().Faces()) {
            if ((!record->HasComponents() || chosen.count(&f)) && f.Attribute() != attribute) {
                entry.Faces.push_back(i);
                entry.Previous.push_back(Ref(f.Attribute()));
            }
            ++i;
        }
        if (entry.Faces.empty()) continue;
        entry.Path = QxGetIndexPath(*object);
        m_Entries.push_back(std::move(entry));
    }
    if (m_Entries.empty()) return 0;
    m_Path = QxGetIndexPath(*model);
    m_Attribute = PositionOf(*model, attribute);
    Apply(0, update);
    return 1;
}

int CQxSetAttributeCmd::CreateFace(CQxModel* model, CQxAttribute* attribute, CQxObject* object, CQxFace* face,
                                   int update) {
    if (!InScene(*m_Scene, model) || !object || !face || object->GetModel() != model ||
        !qx_object_cmd::IsMeshObject(object))
        return 0;
    if (face->Attribute() == attribute || (attribute && PositionOf(*model, attribute) == kNone)) return 0;
    CQxArray<CQxFace*> faces;
    faces.PushBack(face);
    Entry entry;
    entry.Faces = qx_object_cmd::PositionsOf(object->Mesh(), faces);
    if (entry.Faces.size() != 1) return 0;
    entry.Previous.push_back(Ref(face->Attribute()));
    entry.Path = QxGetIndexPath(*object);
    m_Entries.push_back(std::move(entry));
    m_Path = QxGetIndexPath(*model);
    m_Attribute = PositionOf(*model, attribute);
    Apply(0, update);
    return 1;
}

CQxSetAttributeCmd::Material CQxSetAttributeCmd::Ref(const CQxAttribute* attribute) {
    if (!attribute) return {};
    CQxModel* owner = FindOwner(m_Scene->RootModel(), attribute);
    if (!owner) return {};
    const CQxIndexPath path = QxGetIndexPath(*owner);
    auto found = std::find(m_Owners.begin(), m_Owners.end(), path);
    if (found == m_Owners.end()) found = m_Owners.insert(m_Owners.end(), path);
    return {static_cast<std::uint32_t>(found - m_Owners.begin()), PositionOf(*owner, attribute)};
}

CQxAttribute* CQxSetAttributeCmd::Deref(const Material& material) const {
    if (material.Owner >= m_Owners.size()) return nullptr;
    const CQxModel* owner = FindModel(*m_Scene, m_Owners[material.Owner]);
    return owner ? AttributeAt(*owner, material.Position) : nullptr;
}

void CQxSetAttributeCmd::Apply(int undo, int update) {
    CQxModel* model = FindModel(*m_Scene, m_Path);
    if (!model) return;
    CQxAttribute* attribute = AttributeAt(*model, m_Attribute);
    CQxSelects meshes;
    for (const Entry& entry : m_Entries) {
        CQxObject* object = QxFindIndexPath(m_Scene->RootModel(), entry.Path);
        if (!object) continue;
        const CQxArray<CQxFace*> faces = qx_object_cmd::FacesAt(object->Mesh(), entry.Faces);
        for (unsigned int k = 0; k < faces.GetSize(); ++k)
            faces[k]->Attribute() = undo ? Deref(entry.Previous[k]) : attribute;
        object->UpdateGraphics();
        meshes.Add(CQxSelect(object));
    }
    if (!update) return;
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_MESH, &meshes, 16);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
}

void CQxSetAttributeCmd::Redo() {
    Apply(0, 1);
}

void CQxSetAttributeCmd::Undo() {
    Apply(1, 1);
}

// --- Scene operations ----------------------------------------------------------------------------

CQxAttribute* CQxScene::CreateAttributeCmd(CQxModel* model, int update) {
    EndOperation();
    CQxAttribute* created = nullptr;
    QxRunCmd<CQxCreateAttributeCmd>(*this, [&](CQxCreateAttributeCmd& cmd) {
        created = cmd.Create(model, update);
        return created != nullptr;
    });
    return created;
}

int CQxScene::DeleteAttributeCmd(CQxModel* model, CQxAttribute* attribute, int update) {
    EndOperation();
    return QxRunCmd<CQxDeleteAttributeCmd>(
        *this, [&](CQxDeleteAttributeCmd& cmd) { return cmd.Create(model, attribute, update); });
}

int CQxScene::DeleteAttributesAllCmd(CQxModel* model, int update) {
    EndOperation();
    return QxRunCmd<CQxDeleteAttributeCmd>(
        *this, [&](CQxDeleteAttributeCmd& cmd) { return cmd.CreateAll(model, update); });
}

int CQxScene::ModifyAttributeCmd(QX_MODIFY_TYPE type, CQxModel* model, CQxAttribute* attribute, void* value,
                                 int update) {
    EndOperation();
    return QxRunCmd<CQxAttributeCmd>(
        *this, [&](CQxAttributeCmd& cmd) { return cmd.CreateModify(type, model, attribute, value, update); });
}

int CQxScene::MoveAttributeCmd(CQxModel* model, unsigned int from, unsigned int to, int update) {
    EndOperation();
    return QxRunCmd<CQxMoveAttributeCmd>(
        *this, [&](CQxMoveAttributeCmd& cmd) { return cmd.Create(model, from, to, update); });
}

int CQxScene::AddTextureCmd(CQxModel* model, CQxAttribute* attribute, const char* path,
                            QX_COLOR_OP_TYPE colorOp, QX_ALPHA_OP_TYPE alphaOp, int update) {
    EndOperation();
    return QxRunCmd<CQxAttributeCmd>(*this, [&](CQxAttributeCmd& cmd) {
        return cmd.CreateAddTexture(model, attribute, path, colorOp, alphaOp, update);
    });
}

int CQxScene::ModifyTextureCmd(CQxModel* model, CQxAttribute* attribute, CQxTextureStage* stage,
                               const char* path, QX_COLOR_OP_TYPE colorOp, QX_ALPHA_OP_TYPE alphaOp,
                               int update) {
    EndOperation();
    return QxRunCmd<CQxAttributeCmd>(*this, [&](CQxAttributeCmd& cmd) {
        return cmd.CreateModifyTexture(model, attribute, stage, path, colorOp, alphaOp, update);
    });
}

int CQxScene::DeleteTextureCmd(CQxModel* model, CQxAttribute* attribute, CQxTextureStage* stage, int update) {
    EndOperation();
    return QxRunCmd<CQxAttributeCmd>(*this, [&](CQxAttributeCmd& cmd) {
        return cmd.CreateDeleteTexture(model, attribute, stage, update);
    });
}

int CQxScene::DeleteTexturesAllCmd(CQxModel* model, CQxAttribute* attribute, int update) {
    EndOperation();
    return QxRunCmd<CQxAttributeCmd>(
        *this, [&](CQxAttributeCmd& cmd) { return cmd.CreateDeleteTexturesAll(model, attribute, update); });
}

int CQxScene::SetAttributeSelectsCmd(int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.ExtractFaces();
    if (selects.IsEmpty()) return 0;
    return QxRunCmd<CQxSetAttributeCmd>(*this,
                                        [&](CQxSetAttributeCmd& cmd) { return cmd.Create(selects, update); });
}

void CQxScene::SetCurAttribute(CQxModel* model, CQxAttribute* attribute, int update) {
    EndOperation();
    if (!model || PositionOf(*model, attribute) == kNone) return;
    model->CurAttribute() = attribute;
    if (!update) return;
    UpdateGui(QX_UPDATE_CUR_ATTRIBUTE, model, attribute);
    UpdateGui(QX_UPDATE_REDRAW);
}
