#pragma once

#include "qx/basis/array.h"
#include "qx/basis/string.h"
#include "qx/export.h"

struct CQxXmlStore;
class CQxXmlDoc;

// Kinds of node in a document tree: the document node (the root a document hands out, holding
// the declaration and the top element), elements and the XML declaration.
enum QX_XML_NODE_TYPE {
    QX_XML_NODE_DOCUMENT = 0,
    QX_XML_NODE_ELEMENT = 1,
    QX_XML_NODE_DECLARE = 2,
};

// The separators accepted between the numbers of a list.
inline constexpr const char* QxXmlNumberSeparators = ", \t\r\n";

// 1 when the text can be stored as element or attribute content exactly as it stands: valid UTF-8
// whose characters XML 1.0 can all hold (no control characters other than tab, CR and LF, no
// U+FFFE or U+FFFF). Markup characters such as & < > " are fine: the writer escapes them.
// 0 for a null pointer. The writer replaces what this refuses with U+FFFD.
QX_API int QxCheckXmlContent(const char* text);

// What elements and attributes share: a name and a text content, with readers that take the
// content as a boolean, a number or a number list.
//
// The single-value readers return 1 and set the value when the content holds one, else return 0
// and leave it as it was; they read the first token of the content (separators ", \t\r\n").
// The list readers read numbers until `count` are read or a token is not a number and return
// how many they read; the CQxArray forms empty the array first and read every number.
class QX_API CQxXmlNode {
public:
    CQxXmlNode(const CQxXmlNode&) = delete;
    CQxXmlNode& operator=(const CQxXmlNode&) = delete;

    const char* GetName() const { return m_Name; }
    int IsName(const char* name) const;

    // The content, as text. The non-const form lets a writer build long contents in place.
    const CQxString& GetContent() const { return m_Content; }
    CQxString& GetContent() { return m_Content; }
    const char* GetContentStr() const { return m_Content.GetStr(); }

    void SetContent(const char* text) { m_Content = text; }
    void SetContent(CQxString&& text) { m_Content = static_cast<CQxString&&>(text); }
    void SetContent(int value);
    void SetContent(unsigned int value);
    void SetContent(float value);
    void SetContent(const int* values, unsigned int count, const char* separator = ",");
    void SetContent(const unsigned int* values, unsigned int count, const char* separator = ",");
    void SetContent(const float* values, unsigned int count, const char* separator = ",");

    // "True", "true", "1" read as 1; "False", "false", "0" as 0 (letters in any case).
    int GetContentAsBool(int& value) const;
    int GetContentAsInt(int& value) const;
    int GetContentAsUint(unsigned int& value) const;
    int GetContentAsFloat(float& value) const;
    unsigned int GetContentAsInts(int* values, unsigned int count,
                                  const char* separators = QxXmlNumberSeparators) const;
    unsigned int GetContentAsUints(unsigned int* values, unsigned int count,
                                   const char* separators = QxXmlNumberSeparators) const;
    unsigned int GetContentAsFloats(float* values, unsigned int count,
                                    const char* separators = QxXmlNumberSeparators) const;
    unsigned int GetContentAsInts(CQxArray<int>& values,
                                  const char* separators = QxXmlNumberSeparators) const;
    unsigned int GetContentAsUints(CQxArray<unsigned int>& values,
                                   const char* separators = QxXmlNumberSeparators) const;
    unsigned int GetContentAsFloats(CQxArray<float>& values,
                                    const char* separators = QxXmlNumberSeparators) const;

protected:
    explicit CQxXmlNode(const char* name) : m_Name(name) {}
    ~CQxXmlNode() = default;

    const char* m_Name; // kept by the document's name store
    CQxString m_Content;

    friend struct CQxXmlStore;
};

// An XML attribute: a name and its value.
class CQxXmlAttribute : public CQxXmlNode {
private:
    explicit CQxXmlAttribute(const char* name) : CQxXmlNode(name) {}
    ~CQxXmlAttribute() = default;

    template <class>
    friend class CQxXmlPool;
    friend struct CQxXmlStore;
};

// An element of a document tree. Elements are made and owned by their document (start from
// CQxXmlDoc::GetRootElement and append); the pointers stay valid until the document is cleared,
// read again or destroyed.
//
// Content is the element's text. An element with both text and child elements keeps all its
// text in one content (the order of text and children is not kept); whitespace that only lays
// out child elements is dropped on reading. The type is 0 for a token (a name, a number, a
// short value) and 1 for free text such as long number lists: the writer keeps every content
// exactly as it is either way, and the reader gives type 1 to a content with a line break.
class QX_API CQxXmlElement : public CQxXmlNode {
public:
    QX_XML_NODE_TYPE GetNodeType() const { return m_NodeType; }
    int GetType() const { return m_Type; }
    void SetType(int type) { m_Type = type; }
    void SetName(const char* name);
    CQxXmlElement* GetParent() const { return m_Parent; }

    // Children in order; GetChild gives null for a position out of range.
    unsigned int GetChildCount() const { return m_Children.GetSize(); }
    CQxXmlElement* GetChild(unsigned int i) const {
        return i < m_Children.GetSize() ? m_Children[i] : nullptr;
    }
    // The first child element with that name (declarations are skipped); null when none.
    CQxXmlElement* GetFirstChildElementByName(const char* name) const;

    unsigned int GetAttributeCount() const { return m_Attributes.GetSize(); }
    CQxXmlAttribute* GetAttribute(unsigned int i) const {
        return i < m_Attributes.GetSize() ? m_Attributes[i] : nullptr;
    }
    CQxXmlAttribute* GetAttributeByName(const char* name) const;

    // Appends the XML declaration (version 1.0, UTF-8): append it first to the document node.
    CQxXmlElement* AppendXmlDeclare();

    // Appends a child element and returns it. The text form takes a flag: 1 for free text (the
    // child gets type 1), 0 for a plain token. Number lists are joined with the separator;
    // floats are written in the shortest form that reads back to the same value.
    CQxXmlElement* AppendChild(const char* name);
    CQxXmlElement* AppendChild(const char* name, const char* text, int isText = 1);
    CQxXmlElement* AppendChild(const char* name, int value);
    CQxXmlElement* AppendChild(const char* name, unsigned int value);
    CQxXmlElement* AppendChild(const char* name, float value);
    CQxXmlElement* AppendChild(const char* name, double value) { return AppendChild(name, float(value)); }
    CQxXmlElement* AppendChild(const char* name, const int* values, unsigned int count,
                               const char* separator = ",");
    CQxXmlElement* AppendChild(const char* name, const unsigned int* values, unsigned int count,
                               const char* separator = ",");
    CQxXmlElement* AppendChild(const char* name, const float* values, unsigned int count,
                               const char* separator = ",");

    // Appends an attribute and returns it. The writer refuses a document in which an element
    // has two attributes of the same name.
    CQxXmlAttribute* AppendAttribute(const char* name, const char* text);
    CQxXmlAttribute* AppendAttribute(const char* name, int value);
    CQxXmlAttribute* AppendAttribute(const char* name, unsigned int value);
    CQxXmlAttribute* AppendAttribute(const char* name, float value);
    CQxXmlAttribute* AppendAttribute(const char* name, double value) {
        return AppendAttribute(name, float(value));
    }
    CQxXmlAttribute* AppendAttribute(const char* name, const int* values, unsigned int count,
                                     const char* separator = ",");
    CQxXmlAttribute* AppendAttribute(const char* name, const unsigned int* values, unsigned int count,
                                     const char* separator = ",");
    CQxXmlAttribute* AppendAttribute(const char* name, const float* values, unsigned int count,
                                     const char* separator = ",");

private:
    CQxXmlElement(CQxXmlStore* store, CQxXmlElement* parent, QX_XML_NODE_TYPE nodeType, const char* name)
        : CQxXmlNode(name), m_Store(store), m_Parent(parent), m_NodeType(nodeType) {}
    ~CQxXmlElement() = default;

    CQxXmlElement* NewChild(QX_XML_NODE_TYPE nodeType, const char* name);

    CQxXmlStore* m_Store;
    CQxXmlElement* m_Parent;
    QX_XML_NODE_TYPE m_NodeType;
    int m_Type = 0;
    CQxArray<CQxXmlElement*> m_Children;
    CQxArray<CQxXmlAttribute*> m_Attributes;

    template <class>
    friend class CQxXmlPool;
    friend struct CQxXmlStore;
    friend class CQxXmlReader;
};
