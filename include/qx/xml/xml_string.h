#pragma once

#include <memory>

#include "qx/basis/string.h"
#include "qx/export.h"

// Event handlers of the streaming parser. Each gets the user pointer given with them; returning
// 0 stops the parse, which then fails. Texts are UTF-8 and zero-terminated.
using QxXmlElementStartFunc = int (*)(void* user, const char* name);
using QxXmlElementEndFunc = int (*)(void* user, const char* name);
// Called once per attribute, in document order, right after the start of its element.
using QxXmlAttributeFunc = int (*)(void* user, const char* name, const char* value);
// The text between two tags, delivered whole in one call however the input was sliced
// (references replaced, line ends normalised to LF as XML requires).
using QxXmlContentFunc = int (*)(void* user, const char* text, unsigned int length);

// Results of CQxXmlString::ParseOnTime.
enum QX_XML_PARSE_STATE {
    QX_XML_PARSE_FAILED = 0,   // not well-formed, cut short, or stopped by a handler
    QX_XML_PARSE_FINISHED = 1, // the whole text was parsed
    QX_XML_PARSE_CONTINUE = 2, // more to do: call again
};

struct CQxXmlParseState;

// An XML text and a streaming parser over it that can run in slices, so a host can keep its
// user interface alive while a large file is read.
class QX_API CQxXmlString {
public:
    CQxXmlString();
    ~CQxXmlString();
    CQxXmlString(const CQxXmlString&) = delete;
    CQxXmlString& operator=(const CQxXmlString&) = delete;

    // Replaces the text with the bytes of a file (1) or leaves it empty (0). Either way a parse in
    // progress is abandoned.
    int ReadFile(const char* path);
    void SetText(const char* text);
    void SetText(CQxString&& text);
    const CQxString& GetText() const { return m_Text; }

    // Any handler may be null. Takes effect from the next parse that starts.
    void SetParseFuncs(QxXmlElementStartFunc startFunc, QxXmlElementEndFunc endFunc,
                       QxXmlAttributeFunc attributeFunc, QxXmlContentFunc contentFunc, void* user);

    // Parses on from where the last call stopped, for about `milliseconds` (0: no time limit; the
    // clock is read after every 64 KB) and at most `bytes` of text (0: no byte limit); with both
    // 0 it parses to the end. Each call that is not yet finished parses at least some text.
    // Once finished or failed, further calls return that result until ResetParse or a new text
    // starts over.
    int ParseOnTime(unsigned int milliseconds, unsigned int bytes = 0);
    void ResetParse();
    // How much of the text has been handed to the parser.
    unsigned int GetParsedLength() const;

    // Where and why the last parse failed; 0 and "" otherwise.
    unsigned int GetErrorLine() const;
    unsigned int GetErrorColumn() const;
    const char* GetErrorText() const;

private:
    CQxString m_Text;
    QxXmlElementStartFunc m_StartFunc = nullptr;
    QxXmlElementEndFunc m_EndFunc = nullptr;
    QxXmlAttributeFunc m_AttributeFunc = nullptr;
    QxXmlContentFunc m_ContentFunc = nullptr;
    void* m_User = nullptr;
    std::unique_ptr<CQxXmlParseState> m_State;
};
