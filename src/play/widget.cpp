#include "qx/play/widget.h"

#include <array>
#include <cstring>

using namespace QxWin;

namespace {

constexpr std::array<const char*, 5> kTypeNames = {"Static", "Group", "Edit", "Check", "Button"};

} // namespace

CQxWidget::CQxWidget(QX_WDG_TYPE type) : m_Type(type) {}

CQxWidget::CQxWidget(const CQxWidget& other)
    : CQxTreeNode<CQxWidget>(other), m_Type(other.m_Type), m_Name(other.m_Name), m_Rect(other.m_Rect),
      m_Text(other.m_Text), m_TextFormat(other.m_TextFormat), m_Color(other.m_Color),
      m_IsVisible(other.m_IsVisible), m_HasFocus(other.m_HasFocus) {
    // The tree copy keeps the original parent pointers of the copied children.
    for (unsigned int i = 0; i < GetChildCount(); ++i) GetChild(i)->SetParent(this);
    if (other.m_Font) CreateFontA();
}

CQxWidget::~CQxWidget() {
    DeleteFont();
}

void CQxWidget::SetVisible(int visible, int recurse) {
    m_IsVisible = visible;
    if (!recurse) return;
    for (unsigned int i = 0; i < GetChildCount(); ++i) GetChild(i)->SetVisible(visible, recurse);
}

void CQxWidget::SetFocus(int focus, int recurse) {
    m_HasFocus = focus;
    if (!recurse) return;
    for (unsigned int i = 0; i < GetChildCount(); ++i) GetChild(i)->SetFocus(focus, recurse);
}

CQxWidget* CQxWidget::IsHit(const CQxPoint& point) {
    if (IsVisible() && HasShape() && m_IsTextRectValid && m_TextRect.PtInRect(point)) return this;
    for (unsigned int i = 0; i < GetChildCount(); ++i)
        if (CQxWidget* hit = GetChild(i)->IsHit(point)) return hit;
    return nullptr;
}

const char* CQxWidget::GetTypeName() const {
    return m_Type < kTypeNames.size() ? kTypeNames[m_Type] : "";
}

void CQxWidget::SetText(const char* text) {
    m_Text = text ? text : "";
    m_IsTextRectValid = 0;
}

HFONT CQxWidget::CreateFontA() {
    DeleteFont();
    m_IsTextRectValid = 0;
    LOGFONTA font;
    std::memset(&font, 0, sizeof(font));
    if (!GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font)) return nullptr;
    font.lfHeight = 16;
    font.lfWidth = 0;
    font.lfWeight = FW_SEMIBOLD;
    m_Font = CreateFontIndirect(&font);
    return m_Font;
}

CQxWidget* CQxWidget::FindByName(const char* name) const {
    if (!name) return nullptr;
    for (Iterator it = Begin(); !it.IsEnd(); ++it)
        if (std::strcmp(it->GetName(), name) == 0) return it.Get();
    return nullptr;
}

void CQxWidget::DeleteFont() {
    if (!m_Font) return;
    DeleteObject(m_Font);
    m_Font = nullptr;
}
