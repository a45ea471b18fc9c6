#include "xml_reader.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <unistd.h>

namespace {

// Read size for files: large enough to keep system calls rare, small enough to stay in cache.
constexpr int kFileChunk = 1 << 18;

bool IsLayoutOnly(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    }
    return true;
}

} // namespace

bool CQxXmlReader::Begin() {
    if (!CreateParser()) return false;
    XML_Parser parser = GetParser();
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    XML_SetXmlDeclHandler(parser, OnDeclare);
    m_Stack.clear();
    m_Pending.clear();
    m_Text.clear();
    m_Stack.push_back(Open{&m_Store.m_Root, 0, 0, false});
    return true;
}

bool CQxXmlReader::ReadMemory(const char* text, std::size_t length) {
    return Feed(text, length, true);
}

bool CQxXmlReader::ReadDescriptor(int fd) {
    XML_Parser parser = GetParser();
    for (;;) {
        void* buffer = XML_GetBuffer(parser, kFileChunk);
        if (!buffer) {
            NoteOutOfMemory();
            return false;
        }
        ssize_t n;
        do n = read(fd, buffer, kFileChunk);
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            m_ReadFailed = true;
            return false;
        }
        if (XML_ParseBuffer(parser, static_cast<int>(n), n == 0) != XML_STATUS_OK || HasFailed())
            return false;
        if (n == 0) return true;
    }
}

bool CQxXmlReader::Finish() {
    if (HasFailed() || m_Stack.size() != 1) return false;
    try {
        Close(m_Stack.back());
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return false;
    }
    m_Stack.clear();
    return true;
}

void XMLCALL CQxXmlReader::OnStart(void* user, const XML_Char* name, const XML_Char** attributes) {
    auto* self = From<CQxXmlReader>(user);
    if (self->HasFailed()) return;
    try {
        self->Start(name, attributes);
    } catch (const std::bad_alloc&) {
        self->StopForMemory();
    }
}

void XMLCALL CQxXmlReader::OnEnd(void* user, const XML_Char*) {
    auto* self = From<CQxXmlReader>(user);
    if (self->HasFailed()) return;
    try {
        self->End();
    } catch (const std::bad_alloc&) {
        self->StopForMemory();
    }
}

void XMLCALL CQxXmlReader::OnText(void* user, const XML_Char* text, int length) {
    auto* self = From<CQxXmlReader>(user);
    if (self->HasFailed()) return;
    try {
        const Open& open = self->m_Stack.back();
        if (open.Sunk)
            self->m_Sink->Text(*open.Element, text, static_cast<unsigned int>(length));
        else
            self->m_Text.append(text, static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        self->StopForMemory();
    } catch (const std::length_error&) {
        self->StopForMemory();
    }
}

void XMLCALL CQxXmlReader::OnDeclare(void* user, const XML_Char* version, const XML_Char*, int) {
    auto* self = From<CQxXmlReader>(user);
    // A null version marks the text declaration of an external entity, which we never load.
    if (self->HasFailed() || !version || self->m_Stack.size() != 1) return;
    try {
        self->m_Pending.push_back(
            self->m_Store.NewElement(&self->m_Store.m_Root, QX_XML_NODE_DECLARE, "xml"));
    } catch (const std::bad_alloc&) {
        self->StopForMemory();
    }
}

void CQxXmlReader::Start(const char* name, const char** attributes) {
    CQxXmlElement* parent = m_Stack.back().Element;
    CQxXmlElement* element = m_Store.NewElement(parent, QX_XML_NODE_ELEMENT, m_Store.m_Names.Add(name));
    m_Pending.push_back(element);
    unsigned int count = 0;
    while (attributes[2 * count]) ++count;
    if (count > 0) {
        element->m_Attributes.Reserve(count);
        for (unsigned int i = 0; i < count; ++i) {
            CQxXmlAttribute* attribute = m_Store.NewAttribute(m_Store.m_Names.Add(attributes[2 * i]));
            const char* value = attributes[2 * i + 1];
            std::size_t length = std::strlen(value);
            if (length >= 0xFFFFFFFE) throw std::bad_alloc();
            attribute->GetContent().Reserve(static_cast<unsigned int>(length));
            attribute->GetContent().Append(value, static_cast<unsigned int>(length));
            element->m_Attributes.PushBack(attribute);
        }
    }
    const bool sunk = m_Sink && m_Sink->BeginText(*element);
    m_Stack.push_back(Open{element, m_Pending.size(), m_Text.size(), sunk});
}

void CQxXmlReader::End() {
    const Open open = m_Stack.back();
    Close(open);
    m_Stack.pop_back();
    if (open.Sunk) m_Sink->EndText(*open.Element);
}

void CQxXmlReader::Close(const Open& open) {
    CQxXmlElement* element = open.Element;
    std::size_t children = m_Pending.size() - open.FirstChild;
    if (children > 0) {
        if (children >= 0xFFFFFFFF) throw std::bad_alloc();
        if (!element->m_Children.Resize(static_cast<unsigned int>(children))) throw std::bad_alloc();
        std::memcpy(element->m_Children.GetData(), m_Pending.data() + open.FirstChild,
                    children * sizeof(CQxXmlElement*));
        m_Pending.resize(open.FirstChild);
    }
    const char* text = m_Text.data() + open.FirstText;
    std::size_t length = m_Text.size() - open.FirstText;
    if (length > 0 && !(children > 0 && IsLayoutOnly(text, length))) {
        if (length >= 0xFFFFFFFE) throw std::bad_alloc();
        CQxString& content = element->m_Content;
        content.Reserve(static_cast<unsigned int>(length));
        content.Append(text, static_cast<unsigned int>(length));
        if (content.GetLength() != length) throw std::bad_alloc();
        if (std::memchr(text, '\n', length) || std::memchr(text, '\r', length)) element->m_Type = 1;
    }
    m_Text.resize(open.FirstText);
}
