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
    Stack.clear();
    Pending.clear();
    Text.clear();
    Stack.push_back(Open{&Store.Root, 0, 0, false});
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
            ReadFailed = true;
            return false;
        }
        if (XML_ParseBuffer(parser, static_cast<int>(n), n == 0) != XML_STATUS_OK || HasFailed())
            return false;
        if (n == 0) return true;
    }
}

bool CQxXmlReader::Finish() {
    if (HasFailed() || Stack.size() != 1) return false;
    try {
        Close(Stack.back());
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return false;
    }
    Stack.clear();
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
        const Open& open = self->Stack.back();
        if (open.Sunk)
            self->Sink->Text(*open.Element, text, static_cast<unsigned int>(length));
        else
            self->Text.append(text, static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        self->StopForMemory();
    } catch (const std::length_error&) {
        self->StopForMemory();
    }
}

void XMLCALL CQxXmlReader::OnDeclare(void* user, const XML_Char* version, const XML_Char*, int) {
    auto* self = From<CQxXmlReader>(user);
    // A null version marks the text declaration of an external entity, which we never load.
    if (self->HasFailed() || !version || self->Stack.size() != 1) return;
    try {
        self->Pending.push_back(self->Store.NewElement(&self->Store.Root, QX_XML_NODE_DECLARE, "xml"));
    } catch (const std::bad_alloc&) {
        self->StopForMemory();
    }
}

void CQxXmlReader::Start(const char* name, const char** attributes) {
    CQxXmlElement* parent = Stack.back().Element;
    CQxXmlElement* element = Store.NewElement(parent, QX_XML_NODE_ELEMENT, Store.Names.Add(name));
    Pending.push_back(element);
    unsigned int count = 0;
    while (attributes[2 * count]) ++count;
    if (count > 0) {
        element->Attributes.Reserve(count);
        for (unsigned int i = 0; i < count; ++i) {
            CQxXmlAttribute* attribute = Store.NewAttribute(Store.Names.Add(attributes[2 * i]));
            const char* value = attributes[2 * i + 1];
            std::size_t length = std::strlen(value);
            if (length >= 0xFFFFFFFE) throw std::bad_alloc();
            attribute->GetContent().Reserve(static_cast<unsigned int>(length));
            attribute->GetContent().Append(value, static_cast<unsigned int>(length));
            element->Attributes.PushBack(attribute);
        }
    }
    const bool sunk = Sink && Sink->BeginText(*element);
    Stack.push_back(Open{element, Pending.size(), Text.size(), sunk});
}

void CQxXmlReader::End() {
    const Open open = Stack.back();
    Close(open);
    Stack.pop_back();
    if (open.Sunk) Sink->EndText(*open.Element);
}

void CQxXmlReader::Close(const Open& open) {
    CQxXmlElement* element = open.Element;
    std::size_t children = Pending.size() - open.FirstChild;
    if (children > 0) {
        if (children >= 0xFFFFFFFF) throw std::bad_alloc();
        if (!element->Children.Resize(static_cast<unsigned int>(children))) throw std::bad_alloc();
        std::memcpy(element->Children.GetData(), Pending.data() + open.FirstChild,
                    children * sizeof(CQxXmlElement*));
        Pending.resize(open.FirstChild);
    }
    const char* text = Text.data() + open.FirstText;
    std::size_t length = Text.size() - open.FirstText;
    if (length > 0 && !(children > 0 && IsLayoutOnly(text, length))) {
        if (length >= 0xFFFFFFFE) throw std::bad_alloc();
        CQxString& content = element->Content;
        content.Reserve(static_cast<unsigned int>(length));
        content.Append(text, static_cast<unsigned int>(length));
        if (content.GetLength() != length) throw std::bad_alloc();
        if (std::memchr(text, '\n', length) || std::memchr(text, '\r', length)) element->Type = 1;
    }
    Text.resize(open.FirstText);
}
