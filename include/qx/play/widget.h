#pragma once

#include "qx/basis/string.h"
#include "qx/export.h"
#include "qx/math/point_rect.h"
#include "qx/platform/gdi_object.h"
#include "qx/scene/tree_node.h"

class CQxXmlElement;

// The kinds of 2D widget; GetTypeName gives the name a scene file stores each under.
enum QX_WDG_TYPE : unsigned int {
    QX_WDG_STATIC = 0,
    QX_WDG_GROUP = 1,
    QX_WDG_EDIT = 2,
    QX_WDG_CHECK = 3,
    QX_WDG_BUTTON = 4,
};

// One labelled rectangle of a playable scene's 2D interface, drawn over the 3D view on its 2D
// canvas. Widgets form a tree (each owns its children); groups only hold children and draw
// nothing. Rect is in client pixels; the text rectangle is where the text was last laid out by
// Draw, and only a widget with a valid text rectangle can be hit. Buttons, edit fields and
// check boxes are controls: their label lies across their whole face (the text rectangle is
// Rect once drawn), a button is a dark raised face that sinks under the mouse, and a check box
// shows a tick while its tree node's selection flag is set.
class QX_API CQxWidget : public CQxTreeNode<CQxWidget> {
public:
    explicit CQxWidget(QX_WDG_TYPE type = QX_WDG_STATIC);
    // Copies the fields and the children (re-parented to the copy); a font is made anew for a
    // copy of a widget that had one, and the text rectangle must be laid out again.
    CQxWidget(const CQxWidget& other);
    CQxWidget& operator=(const CQxWidget&) = delete;

    // --- Virtual interface, in its fixed order --------------------------------------------------
    virtual ~CQxWidget();
    virtual int HasShape() const { return m_Type != QX_WDG_GROUP; }
    virtual int IsVisible() const { return m_IsVisible; }
    // Stores the flag; with recurse set, every descendant gets it too.
    virtual void SetVisible(int visible, int recurse);
    virtual int HasFocus() const { return m_HasFocus; }
    virtual void SetFocus(int focus, int recurse);
    // This widget when it is visible, has a shape and its valid text rectangle holds the point;
    // else the first hit among the children in order (hidden parents do not hide them); null.
    virtual CQxWidget* IsHit(const CQxPoint& point);
    // --- End of the fixed virtual interface -----------------------------------------------------

    QX_WDG_TYPE& Type() { return m_Type; }
    const QX_WDG_TYPE& Type() const { return m_Type; }
    // "Static", "Group", "Edit", "Check", "Button" ("" for a value outside them).
    const char* GetTypeName() const { return GetTypeName(m_Type); }
    static const char* GetTypeName(QX_WDG_TYPE type);
    const char* GetName() const { return m_Name.GetStr(); }
    void SetName(const char* name) { m_Name = name ? name : ""; }
    const char* GetText() const { return m_Text.GetStr(); }
    // The text rectangle must be laid out again.
    void SetText(const char* text);
    CQxRect& Rect() { return m_Rect; }
    const CQxRect& Rect() const { return m_Rect; }
    unsigned int& TextFormat() { return m_TextFormat; }
    const unsigned int& TextFormat() const { return m_TextFormat; }
    // Text colour, ARGB.
    unsigned long& Color() { return m_Color; }
    const unsigned long& Color() const { return m_Color; }
    CQxRect& TextRect() { return m_TextRect; }
    const CQxRect& TextRect() const { return m_TextRect; }
    int& IsTextRectValid() { return m_IsTextRectValid; }
    const int& IsTextRectValid() const { return m_IsTextRectValid; }
    HFONT GetFont() const { return m_Font; }

    // Replaces the font with a 16-pixel semi-bold one made from the stock GUI font; null when
    // it cannot be made. The text rectangle must be laid out again.
    HFONT CreateFontA();
    // This widget or the first in pre-order below it with exactly this name; null.
    CQxWidget* FindByName(const char* name) const;

    // Draws the widget and, when it is visible, its children onto the canvas; the root sets a
    // transparent background for the whole tree. Lays out the text rectangle of every shown
    // widget with text.
    void Draw(HDC dc);

    // The scene file: appends the widget's element (named by its type) with its name, text,
    // rectangle, visibility and children to the parent element.
    void Write(CQxXmlElement* parent);
    // Reads name, text, rectangle, visibility and child widgets from the widget's own element,
    // appending the children after those already there. Widgets nested deeper than the scene
    // file allows are left out.
    void Read(CQxXmlElement* element);

protected:
    // Places the text box (centred in Rect for text format 0, else at its top-left corner),
    // clipped to Rect; a control's is its whole Rect. Nothing when it is already valid.
    void UpdateTextRect(HDC dc);

private:
    void DeleteFont();
    int HasFace() const { return m_Type == QX_WDG_BUTTON || m_Type == QX_WDG_EDIT || m_Type == QX_WDG_CHECK; }
    void DrawFace(HDC dc);
    void DrawLabel(HDC dc);

    QX_WDG_TYPE m_Type;
    CQxString m_Name;
    CQxRect m_Rect;
    HFONT m_Font = nullptr;
    CQxString m_Text;
    unsigned int m_TextFormat = 0x4004;
    unsigned long m_Color = 0xFFFFFFFF;
    CQxRect m_TextRect;
    int m_IsTextRectValid = 0;
    int m_IsVisible = 1;
    int m_HasFocus = 0;
};
