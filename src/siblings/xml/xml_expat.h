#pragma once

#include <cstddef>
#include <string>

#include <expat.h>

// What the document reader and the streaming parser share on top of expat: one way to make a
// parser, to refuse what we do not accept, to feed it large inputs and to explain a failure.
// The parser's user data is this object; handlers of a derived class cast it back and return at
// once when HasFailed, since expat may deliver a few events after a stop.
class CQxXmlParserBase {
public:
    CQxXmlParserBase() = default;
    CQxXmlParserBase(const CQxXmlParserBase&) = delete;
    CQxXmlParserBase& operator=(const CQxXmlParserBase&) = delete;
    ~CQxXmlParserBase() { DestroyParser(); }

    // A fresh parser that stops at the first entity declaration; false when expat cannot allocate.
    bool CreateParser();
    void DestroyParser();
    XML_Parser GetParser() const { return m_Parser; }

    bool HasFailed() const { return m_EntityRefused || m_OutOfMemory || m_Stopped; }
    // Called from inside a handler.
    void StopForMemory() { Stop(m_OutOfMemory); }
    void StopByRequest() { Stop(m_Stopped); }
    // Outside handlers: records a failed allocation of the caller's own.
    void NoteOutOfMemory() { m_OutOfMemory = true; }

    // Feeds bytes to the parser, in pieces small enough for its int lengths.
    bool Feed(const char* data, std::size_t length, bool isFinal);
    // The reason the parse failed, with its position.
    void DescribeError(std::string& text, unsigned int& line, unsigned int& column) const;

    template <class Derived>
    static Derived* From(void* user) {
        return static_cast<Derived*>(static_cast<CQxXmlParserBase*>(user));
    }

private:
    static void XMLCALL OnEntityDecl(void* user, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                     const XML_Char*, const XML_Char*, const XML_Char*);
    void Stop(bool& reason);

    XML_Parser m_Parser = nullptr;
    bool m_EntityRefused = false;
    bool m_OutOfMemory = false;
    bool m_Stopped = false;
};
