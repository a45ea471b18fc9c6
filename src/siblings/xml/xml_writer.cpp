#include "xml_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <unistd.h>
#include <vector>

namespace {

// What a byte needs when written.
enum ByteClass : unsigned char {
    kPlain,     // as it is
    kMarkup,    // & < >: an entity everywhere
    kQuote,     // ": an entity in attribute values
    kReturn,    // CR: a reference, or parsers turn it into LF
    kLayout,    // tab, LF: a reference in attribute values, which parsers turn into spaces
    kForbidden, // other control characters: XML 1.0 cannot hold them at all
    kMultiByte, // the lead of a UTF-8 sequence (or a stray byte)
};

constexpr std::array<ByteClass, 256> kByteClasses = [] {
    std::array<ByteClass, 256> classes{};
    for (int c = 0; c < 0x20; ++c) classes[c] = kForbidden;
    for (int c = 0x80; c < 0x100; ++c) classes[c] = kMultiByte;
    classes['&'] = classes['<'] = classes['>'] = kMarkup;
    classes['"'] = kQuote;
    classes['\r'] = kReturn;
    classes['\t'] = classes['\n'] = kLayout;
    return classes;
}();

constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

// Length of the valid UTF-8 sequence at p that encodes a character XML can hold; 0 when the bytes
// are not one (bad or overlong sequence, surrogate, U+FFFE, U+FFFF, beyond U+10FFFF).
std::size_t XmlCharLength(const unsigned char* p, const unsigned char* end) {
    unsigned char c = p[0];
    std::size_t left = static_cast<std::size_t>(end - p);
    auto cont = [&](std::size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
        return i < left && p[i] >= low && p[i] <= high;
    };
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
        unsigned char high = c == 0xED ? 0x9F : 0xBF;
        if (!cont(1, low, high) || !cont(2)) return 0;
        if (c == 0xEF && p[1] == 0xBF && p[2] >= 0xBE) return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        unsigned char low = c == 0xF0 ? 0x90 : 0x80;
        unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
        return cont(1, low, high) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

bool IsNameStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// An XML name. Characters beyond ASCII are accepted as letters when they are valid UTF-8.
bool IsXmlName(const char* name) {
    auto* p = reinterpret_cast<const unsigned char*>(name);
    auto* end = p + std::strlen(name);
    if (p == end || (*p < 0x80 && !IsNameStart(*p))) return false;
    while (p < end) {
        if (*p < 0x80) {
            if (!IsNameChar(*p)) return false;
            ++p;
        } else {
            std::size_t n = XmlCharLength(p, end);
            if (n == 0) return false;
            p += n;
        }
    }
    return true;
}

bool HasDuplicateAttribute(const CQxXmlElement& element) {
    unsigned int count = element.GetAttributeCount();
    if (count < 16) {
        for (unsigned int i = 0; i < count; ++i)
            for (unsigned int j = i + 1; j < count; ++j)
                if (std::strcmp(element.GetAttribute(i)->GetName(), element.GetAttribute(j)->GetName()) == 0)
                    return true;
        return false;
    }
    std::vector<const char*> names(count);
    for (unsigned int i = 0; i < count; ++i) names[i] = element.GetAttribute(i)->GetName();
    std::sort(names.begin(), names.end(), [](const char* a, const char* b) { return std::strcmp(a, b) < 0; });
    return std::adjacent_find(names.begin(), names.end(), [](const char* a, const char* b) {
               return std::strcmp(a, b) == 0;
           }) != names.end();
}

// The bytes that need no escape, in element content or in attribute values.
constexpr std::array<bool, 256> PassTable(bool attribute) {
    std::array<bool, 256> pass{};
    for (unsigned int b = 0; b < 256; ++b) {
        const ByteClass c = kByteClasses[b];
        pass[b] = c == kPlain || (!attribute && (c == kQuote || c == kLayout));
    }
    return pass;
}

// Deeper elements share the last indentation, so very deep trees stay linear in size.
constexpr unsigned int kMaxIndent = 32;
// The file buffer is written out when it is full.
constexpr std::size_t kFlushSize = std::size_t{1} << 20;
// The longest text a string holds.
constexpr std::size_t kMaxString = 0xFFFFFFFE;

// An element being written and the next of its children to write.
struct WriteFrame {
    const CQxXmlElement* Element;
    unsigned int Next;
    unsigned int Depth;
    bool Inlined;        // the element itself is written inside its parent's line
    bool InlineChildren; // it has text, so no layout may be added around its children
};

} // namespace

int QxCheckXmlContent(const char* text) {
    if (!text) return 0;
    auto* p = reinterpret_cast<const unsigned char*>(text);
    auto* end = p + std::strlen(text);
    while (p < end) {
        ByteClass c = kByteClasses[*p];
        if (c == kForbidden) return 0;
        if (c == kMultiByte) {
            std::size_t n = XmlCharLength(p, end);
            if (n == 0) return 0;
            p += n;
        } else {
            ++p;
        }
    }
    return 1;
}

void QxXmlAppendEscaped(CQxXmlOutput& out, const char* text, std::size_t length, bool attribute) {
    auto* p = reinterpret_cast<const unsigned char*>(text);
    auto* end = p + length;
    auto* run = p; // start of the bytes not yet copied
    auto flush = [&](const unsigned char* upTo) {
        out.Append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(upTo - run));
    };
    // Bytes copied as they are, looked up in one table: the long number lists of scene files
    // are scanned by this loop alone.
    static constexpr auto kPassContent = PassTable(false), kPassAttribute = PassTable(true);
    const bool* pass = attribute ? kPassAttribute.data() : kPassContent.data();
    while (p < end) {
        while (p < end && pass[*p]) ++p;
        if (p == end) break;
        ByteClass c = kByteClasses[*p];
        if (c == kMultiByte) {
            std::size_t n = XmlCharLength(p, end);
            if (n > 0) {
                p += n;
                continue;
            }
        }
        flush(p);
        switch (*p) {
        case '&':
            out.Append("&amp;", 5);
            break;
        case '<':
            out.Append("&lt;", 4);
            break;
        case '>':
            out.Append("&gt;", 4);
            break;
        case '"':
            out.Append("&quot;", 6);
            break;
        case '\r':
            out.Append("&#13;", 5);
            break;
        case '\t':
            out.Append("&#9;", 4);
            break;
        case '\n':
            out.Append("&#10;", 5);
            break;
        default:
            out.Append(kReplacement, 3);
            break;
        }
        run = ++p;
    }
    flush(p);
}

CQxXmlOutput::CQxXmlOutput(int fd) : m_Fd(fd), m_FileBuffer(kFlushSize, '\0') {
    m_Begin = m_Next = m_FileBuffer.data();
    m_End = m_Begin + m_FileBuffer.size();
}

CQxXmlOutput::CQxXmlOutput(CQxString& text, std::size_t expected) : m_Text(&text) {
    text.Empty();
    std::size_t capacity = expected + expected / 8 + 4096;
    if (capacity > kMaxString) capacity = kMaxString;
    if (!text.SetLength(static_cast<unsigned int>(capacity))) {
        m_Failed = true;
        return;
    }
    m_Begin = m_Next = text.GetData();
    m_End = m_Begin + capacity;
}

bool CQxXmlOutput::MakeRoom(std::size_t length) {
    if (m_Failed) return false;
    std::size_t used = static_cast<std::size_t>(m_Next - m_Begin);
    try {
        if (m_Text) {
            std::size_t capacity = static_cast<std::size_t>(m_End - m_Begin);
            std::size_t grown = std::max(capacity * 2, used + length);
            if (grown > kMaxString) grown = kMaxString;
            if (used + length > grown || !m_Text->SetLength(static_cast<unsigned int>(grown))) {
                m_Failed = true;
                return false;
            }
            m_Begin = m_Text->GetData();
            m_End = m_Begin + grown;
        } else {
            if (!WriteOut(m_Begin, used)) return false;
            used = 0;
            if (length > m_FileBuffer.size()) m_FileBuffer.resize(length);
            m_Begin = m_FileBuffer.data();
            m_End = m_Begin + m_FileBuffer.size();
        }
    } catch (const std::bad_alloc&) {
        m_Failed = true;
        return false;
    }
    m_Next = m_Begin + used;
    return true;
}

bool CQxXmlOutput::WriteOut(const char* data, std::size_t length) {
    while (length > 0 && !m_Failed) {
        ssize_t n = ::write(m_Fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            m_Failed = true;
        else {
            data += n;
            length -= static_cast<std::size_t>(n);
        }
    }
    return !m_Failed;
}

bool CQxXmlOutput::Finish() {
    std::size_t used = static_cast<std::size_t>(m_Next - m_Begin);
    if (m_Text) {
        if (m_Failed)
            m_Text->Empty();
        else
            m_Text->SetLength(static_cast<unsigned int>(used));
        return !m_Failed;
    }
    if (!m_Failed) WriteOut(m_Begin, used);
    m_Next = m_Begin;
    return !m_Failed;
}

bool CQxXmlWriter::Check(const CQxXmlElement& root, std::string& error, std::size_t& size) {
    size = 64;
    unsigned int tops = 0;
    for (unsigned int i = 0; i < root.GetChildCount(); ++i)
        if (root.GetChild(i)->GetNodeType() == QX_XML_NODE_ELEMENT) ++tops;
    if (tops != 1) {
        error = tops == 0 ? "the document has no element" : "the document has more than one top element";
        return false;
    }
    std::vector<const CQxXmlElement*> stack{&root};
    while (!stack.empty()) {
        const CQxXmlElement* element = stack.back();
        stack.pop_back();
        if (element->GetNodeType() != QX_XML_NODE_ELEMENT && element != &root) continue;
        if (element != &root) {
            std::size_t name = std::strlen(element->GetName());
            size += 2 * name + 8 + element->GetContent().GetLength();
            for (unsigned int i = 0; i < element->GetAttributeCount(); ++i)
                size += std::strlen(element->GetAttribute(i)->GetName()) + 4 +
                        element->GetAttribute(i)->GetContent().GetLength();
            if (!IsXmlName(element->GetName())) {
                error = std::string("not an XML name: \"") + element->GetName() + "\"";
                return false;
            }
            for (unsigned int i = 0; i < element->GetAttributeCount(); ++i) {
                if (!IsXmlName(element->GetAttribute(i)->GetName())) {
                    error = std::string("not an XML name: \"") + element->GetAttribute(i)->GetName() + "\"";
                    return false;
                }
            }
            if (HasDuplicateAttribute(*element)) {
                error = std::string("an attribute appears twice on \"") + element->GetName() + "\"";
                return false;
            }
        }
        for (unsigned int i = 0; i < element->GetChildCount(); ++i) stack.push_back(element->GetChild(i));
    }
    return true;
}

namespace {

void Indent(CQxXmlOutput& out, unsigned int depth) {
    out.Fill('\t', std::min(depth, kMaxIndent));
}

void WriteEndTag(CQxXmlOutput& out, const CQxXmlElement& element, unsigned int depth, bool inlined) {
    if (!inlined && element.GetContent().IsEmpty()) Indent(out, depth);
    out.Append("</", 2);
    out.Append(element.GetName());
    out.Append('>');
    if (!inlined && element.GetChildCount() > 0) out.Append('\n');
}

// Writes the start tag and, for an element without children, all of it.
void WriteStartTag(CQxXmlOutput& out, const CQxXmlElement& element, unsigned int depth, bool inlined) {
    if (!inlined) Indent(out, depth);
    out.Append('<');
    out.Append(element.GetName());
    for (unsigned int i = 0; i < element.GetAttributeCount(); ++i) {
        const CQxXmlAttribute* attribute = element.GetAttribute(i);
        out.Append(' ');
        out.Append(attribute->GetName());
        out.Append("=\"", 2);
        QxXmlAppendEscaped(out, attribute->GetContentStr(), attribute->GetContent().GetLength(), true);
        out.Append('"');
    }
    const CQxString& content = element.GetContent();
    bool hasChildren = element.GetChildCount() > 0;
    if (!hasChildren && content.IsEmpty()) {
        out.Append("/>", 2);
        if (!inlined) out.Append('\n');
        return;
    }
    out.Append('>');
    QxXmlAppendEscaped(out, content.GetStr(), content.GetLength(), false);
    if (!hasChildren) {
        WriteEndTag(out, element, depth, true);
        if (!inlined) out.Append('\n');
    } else if (content.IsEmpty()) {
        out.Append('\n');
    }
}

} // namespace

void CQxXmlWriter::Write(const CQxXmlElement& root, CQxXmlOutput& out) {
    // The declaration only counts in first place; elsewhere it would not be well-formed.
    const CQxXmlElement* first = root.GetChild(0);
    if (first && first->GetNodeType() == QX_XML_NODE_DECLARE)
        out.Append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    std::vector<WriteFrame> stack;
    for (unsigned int i = 0; i < root.GetChildCount(); ++i) {
        const CQxXmlElement* top = root.GetChild(i);
        if (top->GetNodeType() != QX_XML_NODE_ELEMENT) continue;
        WriteStartTag(out, *top, 0, false);
        if (top->GetChildCount() > 0)
            stack.push_back(WriteFrame{top, 0, 0, false, !top->GetContent().IsEmpty()});
        while (!stack.empty()) {
            WriteFrame& frame = stack.back();
            const CQxXmlElement& element = *frame.Element;
            if (frame.Next < element.GetChildCount()) {
                const CQxXmlElement* child = element.GetChild(frame.Next++);
                if (child->GetNodeType() != QX_XML_NODE_ELEMENT) continue;
                unsigned int depth = frame.Depth + 1;
                bool inlined = frame.InlineChildren;
                WriteStartTag(out, *child, depth, inlined);
                if (child->GetChildCount() > 0)
                    stack.push_back(WriteFrame{child, 0, depth, inlined, !child->GetContent().IsEmpty()});
            } else {
                WriteEndTag(out, element, frame.Depth, frame.Inlined);
                stack.pop_back();
            }
        }
    }
}
