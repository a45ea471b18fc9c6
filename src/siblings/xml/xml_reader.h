#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "qx/xml/xml_document.h"
#include "xml_expat.h"
#include "xml_store.h"

// Builds a document tree from expat's events. Open elements are kept on an explicit stack; the
// children and the text of every open element collect in two shared buffers, and each element
// receives its children and its content in one exact allocation when it ends.
class CQxXmlReader : public CQxXmlParserBase {
public:
    explicit CQxXmlReader(CQxXmlStore& store, CQxXmlTextSink* sink = nullptr)
        : m_Store(store), m_Sink(sink) {}

    bool Begin();
    bool ReadMemory(const char* text, std::size_t length);
    bool ReadDescriptor(int fd);
    // Completes the tree after the last bytes were fed.
    bool Finish();
    bool HasReadFailed() const { return m_ReadFailed; }

private:
    struct Open {
        CQxXmlElement* Element;
        std::size_t FirstChild; // in Pending
        std::size_t FirstText;  // in Text
        bool Sunk;              // the sink takes the element's text
    };

    static void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL OnEnd(void* user, const XML_Char* name);
    static void XMLCALL OnText(void* user, const XML_Char* text, int length);
    static void XMLCALL OnDeclare(void* user, const XML_Char* version, const XML_Char* encoding,
                                  int standalone);
    void Start(const char* name, const char** attributes);
    void End();
    void Close(const Open& open);

    CQxXmlStore& m_Store;
    CQxXmlTextSink* m_Sink;
    std::vector<Open> m_Stack;
    std::vector<CQxXmlElement*> m_Pending;
    std::string m_Text;
    bool m_ReadFailed = false;
};
