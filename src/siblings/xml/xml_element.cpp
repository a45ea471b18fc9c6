#include "qx/xml/xml_element.h"

#include <cstring>

#include "xml_store.h"

namespace {

const char* OrEmpty(const char* text) {
    return text ? text : "";
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EqualsNoCase(const char* text, unsigned int length, const char* word) {
    if (std::strlen(word) != length) return false;
    for (unsigned int i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

// Reads a whole list through a small buffer: the array then grows with what is actually there,
// not with a guess from the text length.
template <class T, class Reader>
unsigned int ReadList(CQxArray<T>& values, Reader read) {
    values.Empty();
    T chunk[1024];
    unsigned int pos = 0;
    for (;;) {
        unsigned int n = read(chunk, 1024u, pos);
        if (n > 0) {
            unsigned int size = values.GetSize();
            if (!values.Resize(size + n, 1, 2)) break;
            std::memcpy(values.GetData() + size, chunk, n * sizeof(T));
        }
        if (n < 1024) break;
    }
    return values.GetSize();
}

} // namespace

int CQxXmlNode::IsName(const char* name) const {
    return std::strcmp(m_Name, OrEmpty(name)) == 0;
}

void CQxXmlNode::SetContent(int value) {
    m_Content.Empty();
    m_Content.AddInt(value);
}

void CQxXmlNode::SetContent(unsigned int value) {
    m_Content.Empty();
    m_Content.AddUint(value);
}

void CQxXmlNode::SetContent(float value) {
    m_Content.Empty();
    m_Content.AddFloat(value);
}

void CQxXmlNode::SetContent(const int* values, unsigned int count, const char* separator) {
    m_Content.Empty();
    m_Content.AddInts(values, count, OrEmpty(separator));
}

void CQxXmlNode::SetContent(const unsigned int* values, unsigned int count, const char* separator) {
    m_Content.Empty();
    m_Content.AddUints(values, count, OrEmpty(separator));
}

void CQxXmlNode::SetContent(const float* values, unsigned int count, const char* separator) {
    m_Content.Empty();
    m_Content.AddFloats(values, count, OrEmpty(separator));
}

int CQxXmlNode::GetContentAsBool(int& value) const {
    const char* text = m_Content.GetStr();
    unsigned int end = m_Content.GetLength();
    unsigned int start = 0;
    while (start < end && IsSpace(text[start])) ++start;
    while (end > start && IsSpace(text[end - 1])) --end;
    text += start;
    unsigned int length = end - start;
    if (EqualsNoCase(text, length, "true") || EqualsNoCase(text, length, "1")) {
        value = 1;
        return 1;
    }
    if (EqualsNoCase(text, length, "false") || EqualsNoCase(text, length, "0")) {
        value = 0;
        return 1;
    }
    return 0;
}

int CQxXmlNode::GetContentAsInt(int& value) const {
    unsigned int pos = 0;
    return m_Content.GetInt(value, pos, QxXmlNumberSeparators);
}

int CQxXmlNode::GetContentAsUint(unsigned int& value) const {
    unsigned int pos = 0;
    return m_Content.GetUint(value, pos, QxXmlNumberSeparators);
}

int CQxXmlNode::GetContentAsFloat(float& value) const {
    unsigned int pos = 0;
    return m_Content.GetFloat(value, pos, QxXmlNumberSeparators);
}

unsigned int CQxXmlNode::GetContentAsInts(int* values, unsigned int count, const char* separators) const {
    unsigned int pos = 0;
    return m_Content.GetInts(values, count, pos, separators);
}

unsigned int CQxXmlNode::GetContentAsUints(unsigned int* values, unsigned int count,
                                           const char* separators) const {
    unsigned int pos = 0;
    return m_Content.GetUints(values, count, pos, separators);
}

unsigned int CQxXmlNode::GetContentAsFloats(float* values, unsigned int count, const char* separators) const {
    unsigned int pos = 0;
    return m_Content.GetFloats(values, count, pos, separators);
}

unsigned int CQxXmlNode::GetContentAsInts(CQxArray<int>& values, const char* separators) const {
    return ReadList(values, [&](int* out, unsigned int n, unsigned int& pos) {
        return m_Content.GetInts(out, n, pos, separators);
    });
}

unsigned int CQxXmlNode::GetContentAsUints(CQxArray<unsigned int>& values, const char* separators) const {
    return ReadList(values, [&](unsigned int* out, unsigned int n, unsigned int& pos) {
        return m_Content.GetUints(out, n, pos, separators);
    });
}

unsigned int CQxXmlNode::GetContentAsFloats(CQxArray<float>& values, const char* separators) const {
    return ReadList(values, [&](float* out, unsigned int n, unsigned int& pos) {
        return m_Content.GetFloats(out, n, pos, separators);
    });
}

void CQxXmlElement::SetName(const char* name) {
    m_Name = m_Store->m_Names.Add(name);
}

CQxXmlElement* CQxXmlElement::GetFirstChildElementByName(const char* name) const {
    if (!name) return nullptr;
    for (CQxXmlElement* child : m_Children)
        if (child->m_NodeType == QX_XML_NODE_ELEMENT && std::strcmp(child->m_Name, name) == 0) return child;
    return nullptr;
}

CQxXmlAttribute* CQxXmlElement::GetAttributeByName(const char* name) const {
    if (!name) return nullptr;
    for (CQxXmlAttribute* attribute : m_Attributes)
        if (std::strcmp(attribute->GetName(), name) == 0) return attribute;
    return nullptr;
}

CQxXmlElement* CQxXmlElement::NewChild(QX_XML_NODE_TYPE nodeType, const char* name) {
    CQxXmlElement* child = m_Store->NewElement(this, nodeType, m_Store->m_Names.Add(name));
    m_Children.PushBack(child);
    return child;
}

CQxXmlElement* CQxXmlElement::AppendXmlDeclare() {
    return NewChild(QX_XML_NODE_DECLARE, "xml");
}

CQxXmlElement* CQxXmlElement::AppendChild(const char* name) {
    return NewChild(QX_XML_NODE_ELEMENT, name);
}

CQxXmlElement* CQxXmlElement::AppendChild(const char* name, const char* text, int isText) {
    CQxXmlElement* child = AppendChild(name);
    child->SetContent(text);
    child->m_Type = isText ? 1 : 0;
    return child;
}

CQxXmlElement* CQxXmlElement::AppendChild(const char* name, int value) {
    CQxXmlElement* child = AppendChild(name);
    child->SetContent(value);
    return child;
}

CQxXmlElement* CQxXmlElement::AppendChild(const char* name, unsigned int value) {
    CQxXmlElement* child = AppendChild(name);
    child->SetContent(value);
    return child;
}

CQxXmlElement* CQxXmlElement::AppendChild(const char* name, float value) {
    CQxXmlElement* child = AppendChild(name);
    child->SetContent(value);
    return child;
}

CQxXmlElement* CQxXmlElement::AppendChild(const char* name, const int* values, unsigned int count,
                                          const char* separator) {
    CQxXmlElement* child = AppendChild(name);
    child->SetContent(values, count, separator);
    return child;
}

CQxXmlElement* CQxXmlElement::AppendChild(const char* name, const unsigned int* values, unsigned int count,
                                          const char* separator) {
    CQxXmlElement* child = AppendChild(name);
    child->SetContent(values, count, separator);
    return child;
}

CQxXmlElement* CQxXmlElement::AppendChild(const char* name, const float* values, unsigned int count,
                                          const char* separator) {
    CQxXmlElement* child = AppendChild(name);
    child->SetContent(values, count, separator);
    return child;
}

CQxXmlAttribute* CQxXmlElement::AppendAttribute(const char* name, const char* text) {
    CQxXmlAttribute* attribute = m_Store->NewAttribute(m_Store->m_Names.Add(name));
    attribute->SetContent(text);
    m_Attributes.PushBack(attribute);
    return attribute;
}

CQxXmlAttribute* CQxXmlElement::AppendAttribute(const char* name, int value) {
    CQxXmlAttribute* attribute = AppendAttribute(name, "");
    attribute->SetContent(value);
    return attribute;
}

CQxXmlAttribute* CQxXmlElement::AppendAttribute(const char* name, unsigned int value) {
    CQxXmlAttribute* attribute = AppendAttribute(name, "");
    attribute->SetContent(value);
    return attribute;
}

CQxXmlAttribute* CQxXmlElement::AppendAttribute(const char* name, float value) {
    CQxXmlAttribute* attribute = AppendAttribute(name, "");
    attribute->SetContent(value);
    return attribute;
}

CQxXmlAttribute* CQxXmlElement::AppendAttribute(const char* name, const int* values, unsigned int count,
                                                const char* separator) {
    CQxXmlAttribute* attribute = AppendAttribute(name, "");
    attribute->SetContent(values, count, separator);
    return attribute;
}

CQxXmlAttribute* CQxXmlElement::AppendAttribute(const char* name, const unsigned int* values,
                                                unsigned int count, const char* separator) {
    CQxXmlAttribute* attribute = AppendAttribute(name, "");
    attribute->SetContent(values, count, separator);
    return attribute;
}

CQxXmlAttribute* CQxXmlElement::AppendAttribute(const char* name, const float* values, unsigned int count,
                                                const char* separator) {
    CQxXmlAttribute* attribute = AppendAttribute(name, "");
    attribute->SetContent(values, count, separator);
    return attribute;
}
