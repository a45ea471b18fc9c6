#include "qx/scene/model.h"

#include "qx/graphics/graphics_device.h"

namespace {

// The values every new material starts with.
void InitDefaultMaterial(CQxColorMaterial& material) {
    material.Init(0xFFFFFFFF, 0.8f, 0.3f, 0.0f, 0.3f, 5.0f);
}

} // namespace

CQxModel::CQxModel(int user) : CQxGroup(user), m_RootWidget(QX_WDG_GROUP) {
    InitDefaultMaterial(m_ColorMaterial);
    m_RootWidget.SetName("Root");
    m_RootWidget.CreateFontA();
    m_CurAttribute = CreateAttribute();
}

CQxModel::CQxModel(const CQxModel& other)
    : CQxGroup(other), m_ColorMaterial(other.m_ColorMaterial), m_RootWidget(other.m_RootWidget) {}

CQxModel::~CQxModel() {
    // The meshes below point at this model's attributes: let them go first.
    ClearChildren();
}

void CQxModel::Delete() {
    m_Anim.Clear();
    ClearAttributes();
    ClearActions();
    m_RootWidget.ClearChildren();
    CQxObject::Delete();
}

void CQxModel::UpdateModelIndices(int deep) {
    m_Attributes.UpdateIndices();
    m_Actions.UpdateIndices();
    CQxObject::UpdateModelIndices(deep);
}

void CQxModel::TreeDrawModelNormal(int deep) {
    CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
    if (IsVisible()) {
        device.SetWorld(GetCachedTransform());
        device.SetAttribute(nullptr);
        device.SetMaterial(m_ColorMaterial);
        DrawNormal(nullptr);
        for (CQxAttribute& attribute : m_Attributes) {
            device.SetAttribute(&attribute);
            DrawNormal(&attribute);
        }
        device.SetAttribute(nullptr);
    }
    // The objects below draw their own faces, each with the attributes it uses.
    for (CQxObject* child : GetChildren()) child->TreeDrawModelNormal(deep);
}

void CQxModel::DrawWidget(HDC dc) {
    m_RootWidget.Draw(dc);
    CQxObject::DrawWidget(dc);
}

// --- Attributes --------------------------------------------------------------------------------

CQxAttribute* CQxModel::FindAttribute(const char* name) const {
    if (!name) return nullptr;
    for (const CQxAttribute& attribute : m_Attributes)
        if (CQxString(attribute.GetName()) == name) return const_cast<CQxAttribute*>(&attribute);
    return nullptr;
}

const char* CQxModel::GetUniqueAttributeName(const char* base) const {
    static CQxString name;
    // With n attributes one of the first n + 1 numbers is always free.
    for (unsigned int n = 1; n <= m_Attributes.GetCount() + 1; ++n) {
        name.Format("%s%u", base ? base : "", n);
        if (!FindAttribute(name.GetStr())) break;
    }
    return name.GetStr();
}

CQxAttribute* CQxModel::CreateAttribute(const char* name) {
    auto* attribute = new CQxAttribute(name ? name : GetUniqueAttributeName("Material"));
    InitDefaultMaterial(attribute->ColorMaterial());
    m_Attributes.PushBack(attribute);
    return attribute;
}

int CQxModel::AddAttribute(CQxAttribute* attribute) {
    return InsertAttribute(m_Attributes.GetCount(), attribute);
}

int CQxModel::InsertAttribute(unsigned int i, CQxAttribute* attribute) {
    if (!attribute || attribute->Next() || i > m_Attributes.GetCount()) return 0;
    if (i == m_Attributes.GetCount()) return m_Attributes.PushBack(attribute);
    return m_Attributes.InsertBefore(m_Attributes.GetAt(i), attribute);
}

int CQxModel::RemoveAttribute(CQxAttribute* attribute) {
    if (!attribute || !m_Attributes.Has(attribute)) return 0;
    if (m_CurAttribute == attribute) m_CurAttribute = nullptr;
    return m_Attributes.Remove(attribute);
}

int CQxModel::DeleteAttribute(CQxAttribute* attribute) {
    if (!RemoveAttribute(attribute)) return 0;
    delete attribute;
    return 1;
}

void CQxModel::ClearAttributes() {
    m_CurAttribute = nullptr;
    m_Attributes.Clear();
}

// --- Actions -----------------------------------------------------------------------------------

int CQxModel::AddAction(CQxAction* action) {
    if (!action || action->Next()) return 0;
    return m_Actions.PushBack(action);
}

void CQxModel::ClearActions() {
    m_CurAction = nullptr;
    m_Actions.Clear();
}
