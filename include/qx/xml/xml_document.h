#pragma once

#include <memory>

#include "qx/basis/string.h"
#include "qx/export.h"
#include "qx/xml/xml_element.h"

// Takes over the text of chosen elements while a document is read, so that long number lists can be
// decoded as they stream in instead of being stored. An element it takes keeps no content; its
// name, attributes and children are read as usual. The sink's calls for one element come in
// order: BeginText (with the element's name and attributes, before any child), Text for each
// piece of its text (a piece may end in the middle of a token), EndText when the element ends.
// A read that fails part way may stop after any call; the sink must expect no EndText then.
class QX_API CQxXmlTextSink {
public:
    virtual ~CQxXmlTextSink() = default;
    // Nonzero to take the element's text.
    virtual int BeginText(CQxXmlElement& element) = 0;
    virtual void Text(CQxXmlElement& element, const char* text, unsigned int length) = 0;
    virtual void EndText(CQxXmlElement& element) = 0;
};

// An XML document: a tree of elements under one document node, read with expat and written by
// our own writer, always as UTF-8.
//
// Reading replaces the whole tree. A document that is not well-formed, is cut short, declares
// entities or cannot be read gives 0 and leaves the document empty; the error position and text
// say why. Depth and counts are limited only by memory: reading, writing and destruction use no
// recursion on depth.
//
// Writing lays out child elements one per line (LF), indented by tabs up to a fixed depth, and
// writes every content exactly: & < > are escaped, " also in attributes, CR as &#13; (and tab
// and LF in attributes as character references) so that a read gives back the same text.
// Characters XML 1.0 cannot hold (see QxCheckXmlContent) are written as U+FFFD. A tree that
// would not read back is not written: a name that is not an XML name, an element with two
// attributes of one name, a document node without exactly one element child. A declaration is
// written only in first place under the document node; anything else it, or the document node
// itself, holds is not written.
class QX_API CQxXmlDoc {
public:
    CQxXmlDoc();
    ~CQxXmlDoc();
    CQxXmlDoc(const CQxXmlDoc&) = delete;
    CQxXmlDoc& operator=(const CQxXmlDoc&) = delete;
    CQxXmlDoc(CQxXmlDoc&& other) noexcept;
    CQxXmlDoc& operator=(CQxXmlDoc&& other) noexcept;

    // The document node: append the declaration and the top element to it; after a read it
    // holds them. It stays the same object for the whole life of the document.
    CQxXmlElement* GetRootElement() const;
    // The top element: the first element child of the document node; null when there is none.
    CQxXmlElement* GetDocumentElement() const;
    // Removes every node; the document node stays, empty.
    void Clear();
    int IsEmpty() const;

    // With a sink, the sink takes the text of the elements it chooses (see CQxXmlTextSink).
    int ReadFile(const char* path, CQxXmlTextSink* sink = nullptr);
    int ReadString(const char* text, unsigned int length, CQxXmlTextSink* sink = nullptr);
    int ReadString(const char* text);

    // Writes to a temporary file in the target's folder and renames it over the target only when
    // the whole document was written and flushed; on failure the old file is left untouched.
    int WriteFile(const char* path) const;
    // Replaces the text with the document; 0 (and an empty text) when the tree cannot be written.
    int WriteString(CQxString& text) const;

    // Why the last read or write failed: the line and column (1-based, 0 when unknown) and a
    // short English text; 0 and "" after a success.
    unsigned int GetErrorLine() const;
    unsigned int GetErrorColumn() const;
    const char* GetErrorText() const;

private:
    std::unique_ptr<CQxXmlStore> m_Store;
};
