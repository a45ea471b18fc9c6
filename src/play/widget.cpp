#include "qx/play/widget.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "qx/platform/canvas.h"

using namespace QxWin;

namespace {

constexpr std::array<const char*, 5> kTypeNames = {"Static", "Group", "Edit", "Check", "Button"};

// The text colour of a widget under the mouse.
constexpr COLORREF kFocusColor = 0xFFFF00;
// Side of a check box's box, in pixels.
constexpr int kCheckSide = 13;
// Room between a control's frame and its label.
constexpr int kLabelInset = 4;
constexpr COLORREF kButtonFace = 0x503828; // dark blue-grey

COLORREF ToColorRef(unsigned long argb) {
    return RGB(static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb));
}

int Clamp(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

RECT ToRECT(const CQxRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

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

const char* CQxWidget::GetTypeName(QX_WDG_TYPE type) {
    return type < kTypeNames.size() ? kTypeNames[type] : "";
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

void CQxWidget::UpdateTextRect(HDC dc) {
    if (m_IsTextRectValid) return;
    if (HasFace()) {
        // A control's label lies across its whole face, and the whole face takes the mouse.
        m_TextRect = m_Rect;
        m_IsTextRectValid = m_Rect.IsRectEmpty() ? 0 : 1;
        return;
    }
    SIZE size{0, 0};
    if (!GetTextExtentPoint32(dc, m_Text.GetStr(), static_cast<int>(m_Text.GetLength()), &size)) return;
    // Worked in 64 bits: a rectangle near the ends of the int range must not overflow.
    std::int64_t left = m_Rect.left, top = m_Rect.top;
    if (m_TextFormat == 0) {
        left = (left + m_Rect.right) / 2 - size.cx / 2;
        top = (top + m_Rect.bottom) / 2 - size.cy / 2;
    }
    const CQxRect box(Clamp(left), Clamp(top), Clamp(left + size.cx), Clamp(top + size.cy));
    m_IsTextRectValid = m_TextRect.IntersectRect(box, m_Rect) ? 1 : 0;
}

void CQxWidget::Draw(HDC dc) {
    if (!dc) return;
    const bool isRoot = IsRoot();
    const int oldMode = isRoot ? SetBkMode(dc, TRANSPARENT) : 0;
    HGDIOBJ oldFont = m_Font ? SelectObject(dc, m_Font) : nullptr;
    if (IsVisible()) {
        DrawFace(dc);
        if (HasFace()) UpdateTextRect(dc);
        if (HasShape() && !m_Text.IsEmpty()) DrawLabel(dc);
        for (unsigned int i = 0; i < GetChildCount(); ++i) GetChild(i)->Draw(dc);
    }
    if (oldFont) SelectObject(dc, oldFont);
    if (isRoot) SetBkMode(dc, oldMode);
}

// What a button, edit field or check box shows under its text; statics and groups show none.
void CQxWidget::DrawFace(HDC dc) {
    RECT rect = ToRECT(m_Rect);
    switch (m_Type) {
    case QX_WDG_BUTTON: {
        // A dark face, so that light text reads on it; pressed in while the mouse is over it.
        HBRUSH face = CreateSolidBrush(kButtonFace);
        FillRect(dc, &rect, face);
        DeleteObject(face);
        DrawEdge(dc, &rect, m_HasFocus ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        break;
    }
    case QX_WDG_EDIT: DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT); break;
    case QX_WDG_CHECK: {
        // The box sits at the right end, so the text keeps the place a static's would have.
        const int top = Clamp((static_cast<std::int64_t>(m_Rect.top) + m_Rect.bottom) / 2 - kCheckSide / 2);
        RECT box{Clamp(std::max<std::int64_t>(m_Rect.left, std::int64_t{m_Rect.right} - kCheckSide)), top,
                 m_Rect.right, Clamp(std::int64_t{top} + kCheckSide)};
        DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
        if (IsSelect()) {
            HGDIOBJ oldPen = SelectObject(dc, GetStockObject(m_HasFocus ? WHITE_PEN : BLACK_PEN));
            auto at = [&box](int dx, int dy) {
                return POINT{Clamp(std::int64_t{box.left} + dx), Clamp(std::int64_t{box.top} + dy)};
            };
            const POINT tick[3] = {at(3, 6), at(5, 9), at(10, 3)};
            Polyline(dc, tick, 3);
            SelectObject(dc, oldPen);
        }
        break;
    }
    default: break;
    }
}

void CQxWidget::DrawLabel(HDC dc) {
    const COLORREF color = m_HasFocus ? kFocusColor : ToColorRef(m_Color);
    const COLORREF oldColor = GetTextColor(dc);
    if (color != oldColor) SetTextColor(dc, color);
    UpdateTextRect(dc);
    RECT rect = ToRECT(m_Rect);
    UINT format = m_TextFormat;
    // Controls keep their labels on one line inside the frame: centred on a button, from the
    // left in an edit field or beside a check box.
    if (HasFace()) {
        format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (m_Type == QX_WDG_BUTTON ? DT_CENTER : DT_LEFT);
        rect.left = Clamp(std::int64_t{rect.left} + kLabelInset);
        rect.right = Clamp(std::int64_t{rect.right} - (m_Type == QX_WDG_CHECK ? kCheckSide : 0) - kLabelInset);
    }
    DrawText(dc, m_Text.GetStr(), static_cast<int>(m_Text.GetLength()), &rect, format);
    if (color != oldColor) SetTextColor(dc, oldColor);
}

void CQxWidget::DeleteFont() {
    if (!m_Font) return;
    DeleteObject(m_Font);
    m_Font = nullptr;
}
