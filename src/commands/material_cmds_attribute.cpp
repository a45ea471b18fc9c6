#include <utility>

#include "material_cmds_internal.h"
#include "qx/basis/msg_box.h"
#include "qx/commands/material_cmds.h"
#include "qx/platform/message.h"
#include "qx/scene/app.h"
#include "qx/xml/xml_element.h"

using namespace qx_material_cmd;

namespace {

constexpr const char* kLoadCaption = "テクスチャーファイルの読み込み";

// The material value a float kind changes, or null for another kind.
float* FloatOf(CQxColorMaterial& material, QX_MODIFY_TYPE kind) {
    switch (static_cast<unsigned int>(kind)) {
    case QX_MODIFY_MATERIAL_ALPHA:
        return &material.Color().a;
    case QX_MODIFY_MATERIAL_DIFFUSE:
        return &material.Diffuse();
    case QX_MODIFY_MATERIAL_AMBIENT:
        return &material.Ambient();
    case QX_MODIFY_MATERIAL_EMISSIVE:
        return &material.Emissive();
    case QX_MODIFY_MATERIAL_SPECULAR:
        return &material.Specular();
    case QX_MODIFY_MATERIAL_POWER:
        return &material.Power();
    default:
        return nullptr;
    }
}

int LoadStage(CQxScene& scene, CQxTextureStage& stage, const char* path) {
    const char* const dirs[] = {CQxApp::Instance().DataDir().GetStr(), scene.FileDir().GetStr()};
    return stage.Load(path, dirs);
}

} // namespace

CQxAttributeCmd::CQxAttributeCmd(CQxScene* scene) : CQxCmd(scene) {}
CQxAttributeCmd::~CQxAttributeCmd() = default;

CQxAttribute* CQxAttributeCmd::Resolve(CQxModel** model) const {
    CQxModel* found = FindModel(*m_Scene, m_Path);
    if (model) *model = found;
    return found ? AttributeAt(*found, m_Attribute) : nullptr;
}

void CQxAttributeCmd::Record(CQxModel& model, CQxAttribute& attribute, QX_MODIFY_TYPE kind) {
    m_Kind = kind;
    m_Path = QxGetIndexPath(model);
    m_Attribute = PositionOf(model, &attribute);
}

void CQxAttributeCmd::Notify(CQxModel* model, CQxAttribute* attribute) {
    m_Scene->UpdateGui(QX_UPDATE_ATTRIBUTE, model, attribute,
                       reinterpret_cast<void*>(std::uintptr_t{m_Kind}));
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}

int CQxAttributeCmd::CreateModify(QX_MODIFY_TYPE kind, CQxModel* model, CQxAttribute* attribute,
                                  const void* value, int update) {
    if (!InScene(*m_Scene, model) || !attribute || !value || PositionOf(*model, attribute) == kNone) return 0;
    CQxColorMaterial& material = attribute->ColorMaterial();
    if (kind == QX_MODIFY_MATERIAL_COLOR) {
        const unsigned long rgb = *static_cast<const unsigned long*>(value) & 0xFFFFFF;
        if (rgb == material.Color().GetRgb()) return 0;
        // The whole colour is kept: bytes would not give the exact floats back.
        m_Color = material.Color();
        material.Color().SetRgb(rgb);
    } else if (kind == QX_MODIFY_MATERIAL_NAME) {
        const char* name = static_cast<const char*>(value);
        if (!*name || !QxCheckXmlContent(name) || model->FindAttribute(name)) return 0;
        m_Name = attribute->GetName();
        attribute->SetName(name);
    } else if (float* target = FloatOf(material, kind)) {
        const float v = *static_cast<const float*>(value);
        if (v == *target) return 0;
        m_Float = *target;
        *target = v;
    } else {
        return 0;
    }
    m_Op = Op::Modify;
    Record(*model, *attribute, kind);
    if (update) Notify(model, attribute);
    return 1;
}

int CQxAttributeCmd::CreateAddTexture(CQxModel* model, CQxAttribute* attribute, const char* path,
                                      QX_COLOR_OP_TYPE colorOp, QX_ALPHA_OP_TYPE alphaOp, int update) {
    if (!InScene(*m_Scene, model) || !attribute || !path || PositionOf(*model, attribute) == kNone) return 0;
    if (colorOp >= QX_COLOR_OP_COUNT || alphaOp >= QX_ALPHA_OP_COUNT) return 0;
    auto stage = std::make_unique<CQxTextureStage>(colorOp, alphaOp, QX_FILTER_LINEAR, QX_FILTER_LINEAR);
    if (!LoadStage(*m_Scene, *stage, path)) {
        QxMsgBox("読み込みに失敗しました.", kLoadCaption, MB_OK, nullptr);
        return 0;
    }
    m_Stage = attribute->GetTextureStageCount();
    attribute->AddTextureStage(stage.release());
    m_Op = Op::AddTexture;
    m_File = path;
    m_ColorOp = colorOp;
    m_AlphaOp = alphaOp;
    Record(*model, *attribute, QX_MODIFY_MATERIAL_TEXTURE);
    if (update) Notify(model, attribute);
    return 1;
}

void CQxAttributeCmd::AddStage(CQxAttribute& attribute) {
    auto* stage = new CQxTextureStage(m_ColorOp, m_AlphaOp, QX_FILTER_LINEAR, QX_FILTER_LINEAR);
    attribute.AddTextureStage(stage);
    if (LoadStage(*m_Scene, *stage, m_File.GetStr())) return;
    CQxString text;
    text.Format("\"%s\"の読み込みに失敗しました.", stage->GetPath().GetStr());
    QxMsgBox(text, kLoadCaption, MB_OK, nullptr);
}

int CQxAttributeCmd::CreateModifyTexture(CQxModel* model, CQxAttribute* attribute, CQxTextureStage* stage,
                                         const char* path, QX_COLOR_OP_TYPE colorOp, QX_ALPHA_OP_TYPE alphaOp,
                                         int update) {
    if (!InScene(*m_Scene, model) || !attribute || !stage || !path || PositionOf(*model, attribute) == kNone)
        return 0;
    const unsigned int position = attribute->FindTextureStage(stage);
    if (position == kNone) return 0;
    CQxTextureStage changed(*stage);
    if (!changed.SetColorOp(colorOp) || !changed.SetAlphaOp(alphaOp)) return 0;
    const bool newFile = stage->GetPath() != path;
    if (!newFile && colorOp == stage->GetColorOp() && alphaOp == stage->GetAlphaOp()) return 0;
    if (newFile && !LoadStage(*m_Scene, changed, path)) {
        QxMsgBox("読み込みに失敗しました.", kLoadCaption, MB_OK, nullptr);
        return 0;
    }
    m_Stages.assign(1, *stage);
    *stage = changed;
    m_Op = Op::ModifyTexture;
    m_Stage = position;
    m_File = path;
    Record(*model, *attribute, QX_MODIFY_MATERIAL_TEXTURE);
    if (update) Notify(model, attribute);
    return 1;
}

int CQxAttributeCmd::CreateDeleteTexture(CQxModel* model, CQxAttribute* attribute, CQxTextureStage* stage,
                                         int update) {
    if (!InScene(*m_Scene, model) || !attribute || !stage || PositionOf(*model, attribute) == kNone) return 0;
    const unsigned int position = attribute->FindTextureStage(stage);
    if (position == kNone) return 0;
    m_Stages.assign(1, *stage);
    attribute->DeleteTextureStage(position);
    m_Op = Op::DeleteTextures;
    m_Stage = position;
    Record(*model, *attribute, QX_MODIFY_MATERIAL_TEXTURE);
    if (update) Notify(model, attribute);
    return 1;
}

int CQxAttributeCmd::CreateDeleteTexturesAll(CQxModel* model, CQxAttribute* attribute, int update) {
    if (!InScene(*m_Scene, model) || !attribute || PositionOf(*model, attribute) == kNone) return 0;
    if (attribute->GetTextureStageCount() == 0) return 0;
    m_Stages.clear();
    for (const CQxTextureStage* stage : attribute->TextureStages()) m_Stages.push_back(*stage);
    attribute->ClearTextureStages();
    m_Op = Op::DeleteTextures;
    m_Stage = kNone;
    Record(*model, *attribute, QX_MODIFY_MATERIAL_TEXTURE);
    if (update) Notify(model, attribute);
    return 1;
}

void CQxAttributeCmd::Redo() {
    Exchange(0);
}

void CQxAttributeCmd::Undo() {
    Exchange(1);
}

void CQxAttributeCmd::Exchange(int undo) {
    CQxModel* model = nullptr;
    CQxAttribute* attribute = Resolve(&model);
    if (!attribute) return;
    switch (m_Op) {
    case Op::Modify:
        if (m_Kind == QX_MODIFY_MATERIAL_COLOR) {
            std::swap(m_Color, attribute->ColorMaterial().Color());
        } else if (m_Kind == QX_MODIFY_MATERIAL_NAME) {
            CQxString name(attribute->GetName());
            attribute->SetName(m_Name.GetStr());
            m_Name = name;
        } else if (float* target = FloatOf(attribute->ColorMaterial(), m_Kind)) {
            std::swap(m_Float, *target);
        }
        break;
    case Op::AddTexture:
        if (!undo)
            AddStage(*attribute);
        else if (m_Stage == kNone)
            attribute->ClearTextureStages();
        else
            attribute->DeleteTextureStage(m_Stage);
        break;
    case Op::ModifyTexture:
        if (CQxTextureStage* stage = attribute->GetTextureStage(m_Stage)) {
            CQxTextureStage current(*stage);
            *stage = m_Stages.front();
            m_Stages.front() = current;
        }
        break;
    case Op::DeleteTextures:
        if (!undo) {
            if (m_Stage == kNone)
                attribute->ClearTextureStages();
            else
                attribute->DeleteTextureStage(m_Stage);
        } else if (m_Stage == kNone) {
            for (const CQxTextureStage& stage : m_Stages)
                attribute->AddTextureStage(new CQxTextureStage(stage));
        } else {
            attribute->InsertTextureStage(m_Stage, new CQxTextureStage(m_Stages.front()));
        }
        break;
    }
    Notify(model, attribute);
}
