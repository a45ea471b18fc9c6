// The "Widgets" element of a model: the root widget's "Group" and the tree below it, each widget
// an element named by its kind holding its name, text, rectangle, visibility and children.
#include "kel_format.h"
#include "qx/play/widget.h"
#include "qx/scene/model.h"
#include "qx/xml/xml_element.h"

namespace {

// The kind an element stands for; false for an element that is no widget.
bool WidgetTypeOf(const CQxXmlElement& e, QX_WDG_TYPE& type) {
    for (unsigned int t = QX_WDG_STATIC; t <= QX_WDG_BUTTON; ++t) {
        if (!e.IsName(CQxWidget::GetTypeName(static_cast<QX_WDG_TYPE>(t)))) continue;
        type = static_cast<QX_WDG_TYPE>(t);
        return true;
    }
    return false;
}

unsigned int GetDepth(const CQxWidget* widget) {
    unsigned int depth = 0;
    for (const CQxWidget* p = widget->GetParent(); p; p = p->GetParent()) ++depth;
    return depth;
}

} // namespace

void CQxWidget::Write(CQxXmlElement* parent) {
    if (!parent) return;
    CQxXmlElement* e = parent->AppendChild(GetTypeName());
    e->AppendChild("Name", GetName(), 1);
    e->AppendChild("Text", GetText(), 1);
    const int rect[4] = {m_Rect.left, m_Rect.top, m_Rect.right, m_Rect.bottom};
    e->AppendChild("Rect", rect, 4);
    e->AppendChild("Visible", QxKelBoolText(m_IsVisible), 0);
    for (unsigned int i = 0; i < GetChildCount(); ++i) GetChild(i)->Write(e);
}

void CQxWidget::Read(CQxXmlElement* element) {
    if (!element) return;
    // The depth bounds every walk of the tree that recurses (drawing, hit tests, deleting).
    const bool mayNest = GetDepth(this) < QxKelMaxDepth;
    for (unsigned int i = 0; i < element->GetChildCount(); ++i) {
        CQxXmlElement* c = element->GetChild(i);
        if (!c || c->GetNodeType() != QX_XML_NODE_ELEMENT) continue;
        QX_WDG_TYPE type = QX_WDG_STATIC;
        if (c->IsName("Name")) {
            SetName(c->GetContentStr());
        } else if (c->IsName("Text")) {
            SetText(c->GetContentStr());
        } else if (c->IsName("Rect")) {
            int rect[4];
            if (c->GetContentAsInts(rect, 4) == 4) m_Rect = CQxRect(rect[0], rect[1], rect[2], rect[3]);
        } else if (c->IsName("Visible")) {
            c->GetContentAsBool(m_IsVisible);
        } else if (WidgetTypeOf(*c, type) && mayNest) {
            auto* child = new CQxWidget(type);
            PushChild(child);
            child->Read(c);
        }
    }
}

int CQxModel::WriteWidgets(CQxXmlElement* element) {
    if (!element) return 0;
    RootWidget().Write(element->AppendChild("Widgets"));
    return 1;
}

int CQxModel::ReadWidgets(CQxXmlElement* element) {
    const CQxXmlElement* widgets = element ? element->GetFirstChildElementByName("Widgets") : nullptr;
    CQxXmlElement* root = widgets ? widgets->GetFirstChildElementByName("Group") : nullptr;
    // A model without widgets in the file keeps the ones it has.
    if (root) RootWidget().Read(root);
    return 1;
}
