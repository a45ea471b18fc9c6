#include "xml_expat.h"

#include <climits>

namespace {

unsigned int Clip(XML_Size n) {
    return n > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(n);
}

// expat copies what it is given into its own buffer, so a large input is fed in pieces that
// stay in cache, instead of being copied whole into a buffer as large as itself.
constexpr std::size_t kMaxPiece = std::size_t{1} << 18;

} // namespace

bool CQxXmlParserBase::CreateParser() {
    DestroyParser();
    m_EntityRefused = m_OutOfMemory = m_Stopped = false;
    m_Parser = XML_ParserCreate(nullptr);
    if (!m_Parser) return false;
    XML_SetUserData(m_Parser, this);
    XML_SetEntityDeclHandler(m_Parser, OnEntityDecl);
    return true;
}

void CQxXmlParserBase::DestroyParser() {
    if (m_Parser) XML_ParserFree(m_Parser);
    m_Parser = nullptr;
}

// Entities are the usual route to expansion attacks, and our documents never declare any.
void XMLCALL CQxXmlParserBase::OnEntityDecl(void* user, const XML_Char*, int, const XML_Char*, int,
                                            const XML_Char*, const XML_Char*, const XML_Char*,
                                            const XML_Char*) {
    auto* self = static_cast<CQxXmlParserBase*>(user);
    if (!self->HasFailed()) self->Stop(self->m_EntityRefused);
}

void CQxXmlParserBase::Stop(bool& reason) {
    reason = true;
    XML_StopParser(m_Parser, XML_FALSE);
}

bool CQxXmlParserBase::Feed(const char* data, std::size_t length, bool isFinal) {
    do {
        std::size_t piece = length < kMaxPiece ? length : kMaxPiece;
        bool last = isFinal && piece == length;
        if (XML_Parse(m_Parser, data, static_cast<int>(piece), last) != XML_STATUS_OK) return false;
        data += piece;
        length -= piece;
    } while (length > 0);
    return !HasFailed();
}

void CQxXmlParserBase::DescribeError(std::string& text, unsigned int& line, unsigned int& column) const {
    line = column = 0;
    if (m_OutOfMemory) {
        text = "out of memory";
        return;
    }
    if (!m_Parser) {
        text = "cannot create the parser";
        return;
    }
    line = Clip(XML_GetCurrentLineNumber(m_Parser));
    column = Clip(XML_GetCurrentColumnNumber(m_Parser)) + 1;
    if (m_EntityRefused)
        text = "entity declarations are not accepted";
    else if (m_Stopped)
        text = "stopped by a handler";
    else
        text = XML_ErrorString(XML_GetErrorCode(m_Parser));
}
