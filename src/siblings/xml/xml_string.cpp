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
    QxXmlElementStartFunc StartFunc = nullptr;
    QxXmlElementEndFunc EndFunc = nullptr;
    QxXmlAttributeFunc AttributeFunc = nullptr;
    QxXmlContentFunc ContentFunc = nullptr;
    void* User = nullptr;
    bool Started = false;
    int Result = QX_XML_PARSE_CONTINUE;
    std::size_t Offset = 0;
    std::string Content;
    std::string ErrorText;
    unsigned int ErrorLine = 0;
    unsigned int ErrorColumn = 0;

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
    Started = true;
    return true;
}

bool CQxXmlParseState::FlushContent() {
    if (Content.empty()) return true;
    bool ok = !ContentFunc || ContentFunc(User, Content.c_str(), static_cast<unsigned int>(Content.size()));
    Content.clear();
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
        if (self.StartFunc && !self.StartFunc(self.User, name)) return self.StopByRequest();
        if (!self.AttributeFunc) return;
        for (const XML_Char** a = attributes; *a; a += 2)
            if (!self.AttributeFunc(self.User, a[0], a[1])) return self.StopByRequest();
    });
}

void XMLCALL CQxXmlParseState::OnEnd(void* user, const XML_Char* name) {
    Guarded(user, [&](CQxXmlParseState& self) {
        if (self.FlushContent() && self.EndFunc && !self.EndFunc(self.User, name)) self.StopByRequest();
    });
}

void XMLCALL CQxXmlParseState::OnText(void* user, const XML_Char* text, int length) {
    Guarded(user, [&](CQxXmlParseState& self) {
        if (!self.ContentFunc) return;
        if (self.Content.size() + static_cast<std::size_t>(length) >= UINT_MAX) throw std::bad_alloc();
        self.Content.append(text, static_cast<std::size_t>(length));
    });
}

CQxXmlString::CQxXmlString() = default;

CQxXmlString::~CQxXmlString() = default;

int CQxXmlString::ReadFile(const char* path) {
    ResetParse();
    Text.Empty();
    if (!path) return 0;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size < 0xFFFFFFFE &&
              Text.SetLength(static_cast<unsigned int>(info.st_size));
    std::size_t done = 0;
    while (ok && done < Text.GetLength()) {
        ssize_t n = ::read(fd, Text.GetData() + done, Text.GetLength() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false; // an error, or the file shrank while it was read
        else
            done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!ok) Text.Empty();
    return ok;
}

void CQxXmlString::SetText(const char* text) {
    ResetParse();
    Text = text;
}

void CQxXmlString::SetText(CQxString&& text) {
    ResetParse();
    Text = static_cast<CQxString&&>(text);
}

void CQxXmlString::SetParseFuncs(QxXmlElementStartFunc startFunc, QxXmlElementEndFunc endFunc,
                                 QxXmlAttributeFunc attributeFunc, QxXmlContentFunc contentFunc, void* user) {
    StartFunc = startFunc;
    EndFunc = endFunc;
    AttributeFunc = attributeFunc;
    ContentFunc = contentFunc;
    User = user;
}

int CQxXmlString::ParseOnTime(unsigned int milliseconds, unsigned int bytes) {
    if (!State) {
        State.reset(new (std::nothrow) CQxXmlParseState());
        if (!State) return QX_XML_PARSE_FAILED;
    }
    CQxXmlParseState& state = *State;
    if (state.Result != QX_XML_PARSE_CONTINUE) return state.Result;
    auto fail = [&state] {
        state.DescribeError(state.ErrorText, state.ErrorLine, state.ErrorColumn);
        state.DestroyParser();
        state.Content.clear();
        state.Result = QX_XML_PARSE_FAILED;
        return state.Result;
    };
    if (!state.Started) {
        state.StartFunc = StartFunc;
        state.EndFunc = EndFunc;
        state.AttributeFunc = AttributeFunc;
        state.ContentFunc = ContentFunc;
        state.User = User;
        if (!state.Begin()) return fail();
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const std::size_t length = Text.GetLength();
    std::size_t done = 0;
    for (;;) {
        std::size_t left = length - state.Offset;
        std::size_t piece = left < kSlice ? left : kSlice;
        if (bytes > 0 && piece > bytes - done) piece = bytes - done;
        bool isFinal = piece == left;
        if (!state.Feed(Text.GetStr() + state.Offset, piece, isFinal)) return fail();
        state.Offset += piece;
        done += piece;
        if (isFinal) {
            state.DestroyParser();
            state.Result = QX_XML_PARSE_FINISHED;
            return state.Result;
        }
        if (bytes > 0 && done >= bytes) break;
        if (milliseconds > 0 && Clock::now() - start >= std::chrono::milliseconds(milliseconds)) break;
    }
    return QX_XML_PARSE_CONTINUE;
}

void CQxXmlString::ResetParse() {
    State.reset();
}

unsigned int CQxXmlString::GetParsedLength() const {
    return State ? static_cast<unsigned int>(State->Offset) : 0;
}

unsigned int CQxXmlString::GetErrorLine() const {
    return State ? State->ErrorLine : 0;
}

unsigned int CQxXmlString::GetErrorColumn() const {
    return State ? State->ErrorColumn : 0;
}

const char* CQxXmlString::GetErrorText() const {
    return State ? State->ErrorText.c_str() : "";
}
