#pragma once

#include "qx/animation/action.h"
#include "qx/animation/anim.h"
#include "qx/basis/list.h"
#include "qx/export.h"
#include "qx/graphics/attribute.h"
#include "qx/play/widget.h"
#include "qx/scene/object_kinds.h"

// A model: a group that owns the materials (attributes) its faces use, its animation, the
// colour faces without an attribute are drawn in, a tree of 2D widgets below the root widget
// "Root", and a list of actions with a current one. Faces of the meshes below a model point to
// that model's attributes; attributes are named uniquely within the model.
class QX_API CQxModel : public CQxGroup {
public:
    explicit CQxModel(int user = 0);
    // The group part and the root widget with its children; no attributes, an empty animation
    // and no actions.
    CQxModel(const CQxModel& other);
    CQxModel& operator=(const CQxModel&) = delete;
    ~CQxModel() override;

    // --- Overrides ------------------------------------------------------------------------------
    QX_OBJ_TYPE GetType() const override { return QX_OBJ_MODEL; }
    // Clears the animation, the attributes, the actions and the widgets below the root widget,
    // then the object itself.
    void Delete() override;
    // Draws the faces without attribute in the model colour, then each attribute's faces with it.
    void TreeDrawModelNormal(int deep) override;
    void DrawWidget(HDC dc) override;
    // Renumbers the attribute and action lists 0, 1, ... before the base renumbering.
    void UpdateModelIndices(int deep) override;
    // The "Attribs" and "CurAttrib" elements of the scene file.
    int ReadAttributes(CQxScene* scene, CQxXmlElement* element, CQxArray<CQxAttribute*>& attributes) override;
    int WriteAttributes(CQxXmlElement* element) override;
    // The "Widgets" element: the root widget's "Group" with the tree below it.
    int ReadWidgets(CQxXmlElement* element) override;
    int WriteWidgets(CQxXmlElement* element) override;
    // The "Anim" element: the object channels of the animation, objects by name.
    int ReadAnim(CQxXmlElement* element) override;
    int WriteAnim(CQxXmlElement* element) override;
    // The .x file: the materials, and the animation sampled as matrix keys.
    int WriteAttributesX(CQxString& text, unsigned int indent) override;
    int WriteAnimX(CQxString& text, unsigned int indent) override;

    // --- Attributes -----------------------------------------------------------------------------
    CQxList<CQxAttribute>& Attributes() { return m_Attributes; }
    const CQxList<CQxAttribute>& Attributes() const { return m_Attributes; }
    CQxAttribute*& CurAttribute() { return m_CurAttribute; }
    CQxAttribute* const& CurAttribute() const { return m_CurAttribute; }
    unsigned int GetAttributeCount() const { return m_Attributes.GetCount(); }
    // Null when i is not below the count.
    CQxAttribute* GetAttribute(unsigned int i) const { return m_Attributes.GetAt(i); }
    // Position of an attribute of this model, or 0xFFFFFFFF.
    unsigned int FindAttribute(const CQxAttribute* attribute) const { return m_Attributes.Find(attribute); }
    // The first attribute with exactly this name, or null.
    CQxAttribute* FindAttribute(const char* name) const;
    // The first "%s%d" name (n = 1, 2, ...) no attribute of the model carries. The text lives
    // in a static buffer until the next call.
    const char* GetUniqueAttributeName(const char* base) const;
    // A new attribute with the default material, appended; named uniquely from "Material" when
    // the name is null. It does not become current.
    CQxAttribute* CreateAttribute(const char* name = nullptr);
    // Takes ownership and appends (or inserts before position i; at the end when i is the
    // count). 0 for null, an attribute already in a list, or a position beyond the end.
    int AddAttribute(CQxAttribute* attribute);
    int InsertAttribute(unsigned int i, CQxAttribute* attribute);
    // Unlinks an attribute of this model without deleting it (the caller owns it then); the
    // current attribute is cleared when it was that one. 0 when it is not in the list.
    int RemoveAttribute(CQxAttribute* attribute);
    // Unlinks and deletes.
    int DeleteAttribute(CQxAttribute* attribute);
    // Deletes every attribute; there is no current attribute afterwards.
    void ClearAttributes();

    // --- Animation, material, widgets, actions --------------------------------------------------
    CQxAnim& Anim() { return m_Anim; }
    const CQxAnim& Anim() const { return m_Anim; }
    CQxColorMaterial& ColorMaterial() { return m_ColorMaterial; }
    const CQxColorMaterial& ColorMaterial() const { return m_ColorMaterial; }
    CQxWidget& RootWidget() { return m_RootWidget; }
    const CQxWidget& RootWidget() const { return m_RootWidget; }

    CQxList<CQxAction>& Actions() { return m_Actions; }
    const CQxList<CQxAction>& Actions() const { return m_Actions; }
    CQxAction*& CurAction() { return m_CurAction; }
    CQxAction* const& CurAction() const { return m_CurAction; }
    unsigned int GetActionCount() const { return m_Actions.GetCount(); }
    CQxAction* GetAction(unsigned int i) const { return m_Actions.GetAt(i); }
    // Takes ownership and appends; 0 for null or an action already in a list.
    int AddAction(CQxAction* action);
    // Deletes every action; there is no current action afterwards.
    void ClearActions();

private:
    CQxList<CQxAttribute> m_Attributes;
    CQxAttribute* m_CurAttribute = nullptr;
    CQxAnim m_Anim;
    CQxColorMaterial m_ColorMaterial;
    CQxWidget m_RootWidget;
    CQxList<CQxAction> m_Actions;
    CQxAction* m_CurAction = nullptr;
};
