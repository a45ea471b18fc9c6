#include "qx/xml/xml_string.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "xml_expat.h"

namespace {

// Bytes parsed between two looks at the clock: well under a millisecond of work.
constexpr std::size_t kSlice = 1 << 16;

} // namespace

// A parse in progress: the parser, how far it got, the handlers it started with, and the text
// of the current run between tags, which is held back until the next tag so that the handlers
// see it whole however the input was sliced.
struct CQxXmlParseState : CQxXmlParserBase {
    QxXmlElementStartFunc m_StartFunc = nullptr;
    QxXmlElementEndFunc m_EndFunc = nullptr;
    QxXmlAttributeFunc m_AttributeFunc = nullptr;
    QxXmlContentFunc m_ContentFunc = nullptr;
    void* m_User = nullptr;
    bool m_Started = false;
    int m_Result = QX_XML_PARSE_CONTINUE;
    std::size_t m_Offset = 0;
    std::string m_Content;
    std::string m_ErrorText;
    unsigned int m_ErrorLine = 0;
    unsigned int m_ErrorColumn = 0;

    bool Begin();
    bool FlushContent();

    static void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL OnEnd(void* user, const XML_Char* name);
    static void XMLCALL OnText(void* user, const XML_Char* text, int length);
};

bool CQxXmlParseState::Begin() {
    if (!CreateParser()) return false;
    XML_SetElementHandler(GetParser(), OnStart, OnEnd);
    XML_SetCharacterDataHandler(GetParser(), OnText);
    m_Started = true;
    return true;
}

bool CQxXmlParseState::FlushContent() {
    if (m_Content.empty()) return true;
    bool ok = !m_ContentFunc ||
              m_ContentFunc(m_User, m_Content.c_str(), static_cast<unsigned int>(m_Content.size()));
    m_Content.clear();
    if (!ok) StopByRequest();
    return ok;
}

// Exceptions must not unwind through expat: a handler that throws stops the parse instead.
template <class Body>
static void Guarded(void* user, Body body) {
    auto* self = CQxXmlParserBase::From<CQxXmlParseState>(user);
    if (self->HasFailed()) return;
    try {
        body(*self);
    } catch (const std::bad_alloc&) {
        self->StopForMemory();
    } catch (...) {
        self->StopByRequest();
    }
}

void XMLCALL CQxXmlParseState::OnStart(void* user, const XML_Char* name, const XML_Char** attributes) {
    Guarded(user, [&](CQxXmlParseState& self) {
        if (!self.FlushContent()) return;
        if (self.m_StartFunc && !self.m_StartFunc(self.m_User, name)) return self.StopByRequest();
        if (!self.m_AttributeFunc) return;
        for (const XML_Char** a = attributes; *a; a += 2)
            if (!self.m_AttributeFunc(self.m_User, a[0], a[1])) return self.StopByRequest();
    });
}

void XMLCALL CQxXmlParseState::OnEnd(void* user, const XML_Char* name) {
    Guarded(user, [&](CQxXmlParseState& self) {
        if (self.FlushContent() && self.m_EndFunc && !self.m_EndFunc(self.m_User, name)) self.StopByRequest();
    });
}

void XMLCALL CQxXmlParseState::OnText(void* user, const XML_Char* text, int length) {
    Guarded(user, [&](CQxXmlParseState& self) {
        if (!self.m_ContentFunc) return;
        if (self.m_Content.size() + static_cast<std::size_t>(length) >= UINT_MAX) throw std::bad_alloc();
        self.m_Content.append(text, static_cast<std::size_t>(length));
    });
}

CQxXmlString::CQxXmlString() = default;

CQxXmlString::~CQxXmlString() = default;

int CQxXmlString::ReadFile(const char* path) {
    ResetParse();
    m_Text.Empty();
    if (!path) return 0;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size < 0xFFFFFFFE &&
              m_Text.SetLength(static_cast<unsigned int>(info.st_size));
    std::size_t done = 0;
    while (ok && done < m_Text.GetLength()) {
        ssize_t n = ::read(fd, m_Text.GetData() + done, m_Text.GetLength() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false; // an error, or the file shrank while it was read
        else
            done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!ok) m_Text.Empty();
    return ok;
}

void CQxXmlString::SetText(const char* text) {
    ResetParse();
    m_Text = text;
}

void CQxXmlString::SetText(CQxString&& text) {
    ResetParse();
    m_Text = static_cast<CQxString&&>(text);
}

void CQxXmlString::SetParseFuncs(QxXmlElementStartFunc startFunc, QxXmlElementEndFunc endFunc,
                                 QxXmlAttributeFunc attributeFunc, QxXmlContentFunc contentFunc, void* user) {
    m_StartFunc = startFunc;
    m_EndFunc = endFunc;
    m_AttributeFunc = attributeFunc;
    m_ContentFunc = contentFunc;
    m_User = user;
}

int CQxXmlString::ParseOnTime(unsigned int milliseconds, unsigned int bytes) {
    if (!m_State) {
        m_State.reset(new (std::nothrow) CQxXmlParseState());
        if (!m_State) return QX_XML_PARSE_FAILED;
    }
    CQxXmlParseState& state = *m_State;
    if (state.m_Result != QX_XML_PARSE_CONTINUE) return state.m_Result;
    auto fail = [&state] {
        state.DescribeError(state.m_ErrorText, state.m_ErrorLine, state.m_ErrorColumn);
        state.DestroyParser();
        state.m_Content.clear();
        state.m_Result = QX_XML_PARSE_FAILED;
        return state.m_Result;
    };
    if (!state.m_Started) {
        state.m_StartFunc = m_StartFunc;
        state.m_EndFunc = m_EndFunc;
        state.m_AttributeFunc = m_AttributeFunc;
        state.m_ContentFunc = m_ContentFunc;
        state.m_User = m_User;
        if (!state.Begin()) return fail();
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const std::size_t length = m_Text.GetLength();
    std::size_t done = 0;
    for (;;) {
        std::size_t left = length - state.m_Offset;
        std::size_t piece = left < kSlice ? left : kSlice;
        if (bytes > 0 && piece > bytes - done) piece = bytes - done;
        bool isFinal = piece == left;
        if (!state.Feed(m_Text.GetStr() + state.m_Offset, piece, isFinal)) return fail();
        state.m_Offset += piece;
        done += piece;
        if (isFinal) {
            state.DestroyParser();
            state.m_Result = QX_XML_PARSE_FINISHED;
            return state.m_Result;
        }
        if (bytes > 0 && done >= bytes) break;
        if (milliseconds > 0 && Clock::now() - start >= std::chrono::milliseconds(milliseconds)) break;
    }
    return QX_XML_PARSE_CONTINUE;
}

void CQxXmlString::ResetParse() {
    m_State.reset();
}

unsigned int CQxXmlString::GetParsedLength() const {
    return m_State ? static_cast<unsigned int>(m_State->m_Offset) : 0;
}

unsigned int CQxXmlString::GetErrorLine() const {
    return m_State ? m_State->m_ErrorLine : 0;
}

unsigned int CQxXmlString::GetErrorColumn() const {
    return m_State ? m_State->m_ErrorColumn : 0;
}

const char* CQxXmlString::GetErrorText() const {
    return m_State ? m_State->m_ErrorText.c_str() : "";
}
