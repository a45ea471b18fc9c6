#include "qx/xml/xml_document.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "qx/platform/file_replace.h"
#include "xml_reader.h"
#include "xml_store.h"
#include "xml_writer.h"

namespace {

// Closes a descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_Fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_Fd; }
    bool Close() {
        if (m_Fd < 0) return true;
        int result = ::close(m_Fd);
        m_Fd = -1;
        return result == 0;
    }

private:
    int m_Fd;
};

} // namespace

CQxXmlDoc::CQxXmlDoc() : m_Store(std::make_unique<CQxXmlStore>()) {}

CQxXmlDoc::~CQxXmlDoc() = default;

// A moved-from document gets a fresh store, so it stays usable and GetRootElement never fails.
CQxXmlDoc::CQxXmlDoc(CQxXmlDoc&& other) noexcept : m_Store(std::move(other.m_Store)) {
    other.m_Store.reset(new (std::nothrow) CQxXmlStore());
}

CQxXmlDoc& CQxXmlDoc::operator=(CQxXmlDoc&& other) noexcept {
    if (this != &other) std::swap(m_Store, other.m_Store);
    return *this;
}

CQxXmlElement* CQxXmlDoc::GetRootElement() const {
    return m_Store ? &m_Store->m_Root : nullptr;
}

CQxXmlElement* CQxXmlDoc::GetDocumentElement() const {
    if (!m_Store) return nullptr;
    for (unsigned int i = 0; i < m_Store->m_Root.GetChildCount(); ++i) {
        CQxXmlElement* child = m_Store->m_Root.GetChild(i);
        if (child->GetNodeType() == QX_XML_NODE_ELEMENT) return child;
    }
    return nullptr;
}

void CQxXmlDoc::Clear() {
    if (m_Store) m_Store->Clear();
}

int CQxXmlDoc::IsEmpty() const {
    return !m_Store || m_Store->m_Root.GetChildCount() == 0;
}

int CQxXmlDoc::ReadString(const char* text) {
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > UINT_MAX) {
        Clear();
        if (m_Store) m_Store->SetError("the text is too long");
        return 0;
    }
    return ReadString(text, static_cast<unsigned int>(length));
}

int CQxXmlDoc::ReadString(const char* text, unsigned int length, CQxXmlTextSink* sink) {
    if (!m_Store) return 0;
    m_Store->Clear();
    m_Store->ClearError();
    CQxXmlReader reader(*m_Store, sink);
    bool ok = false;
    try {
        ok = reader.Begin() && reader.ReadMemory(text ? text : "", text ? length : 0) && reader.Finish();
        if (!ok) reader.DescribeError(m_Store->m_ErrorText, m_Store->m_ErrorLine, m_Store->m_ErrorColumn);
    } catch (const std::bad_alloc&) {
        m_Store->SetError("out of memory");
    }
    if (!ok) m_Store->Clear();
    return ok;
}

int CQxXmlDoc::ReadFile(const char* path, CQxXmlTextSink* sink) {
    if (!m_Store) return 0;
    m_Store->Clear();
    m_Store->ClearError();
    if (!path) {
        m_Store->SetError("no file name");
        return 0;
    }
    FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || S_ISDIR(info.st_mode)) {
        m_Store->SetError("cannot open the file");
        return 0;
    }
    CQxXmlReader reader(*m_Store, sink);
    bool ok = false;
    try {
        ok = reader.Begin() && reader.ReadDescriptor(file.Get()) && reader.Finish();
        if (!ok && reader.HasReadFailed())
            m_Store->SetError("cannot read the file");
        else if (!ok)
            reader.DescribeError(m_Store->m_ErrorText, m_Store->m_ErrorLine, m_Store->m_ErrorColumn);
    } catch (const std::bad_alloc&) {
        m_Store->SetError("out of memory");
    }
    if (!ok) m_Store->Clear();
    return ok;
}

int CQxXmlDoc::WriteString(CQxString& text) const {
    text.Empty();
    if (!m_Store) return 0;
    m_Store->ClearError();
    try {
        std::size_t size = 0;
        if (!CQxXmlWriter::Check(m_Store->m_Root, m_Store->m_ErrorText, size)) return 0;
        CQxXmlOutput out(text, size);
        CQxXmlWriter::Write(m_Store->m_Root, out);
        if (out.Finish()) return 1;
    } catch (const std::bad_alloc&) {
    }
    text.Empty();
    m_Store->SetError("out of memory");
    return 0;
}

int CQxXmlDoc::WriteFile(const char* path) const {
    if (!m_Store) return 0;
    m_Store->ClearError();
    if (!path || !*path) {
        m_Store->SetError("no file name");
        return 0;
    }
    try {
        std::size_t size = 0;
        if (!CQxXmlWriter::Check(m_Store->m_Root, m_Store->m_ErrorText, size)) return 0;
    } catch (const std::bad_alloc&) {
        m_Store->SetError("out of memory");
        return 0;
    }
    const QX_REPLACE_RESULT result = QxReplaceFile(path, [this](int fd) {
        try {
            CQxXmlOutput out(fd);
            CQxXmlWriter::Write(m_Store->m_Root, out);
            return out.Finish();
        } catch (const std::bad_alloc&) {
            return false;
        }
    });
    switch (result) {
    case QX_REPLACE_DONE:
        return 1;
    case QX_REPLACE_NOT_A_FILE:
        m_Store->SetError("the target is not a regular file");
        return 0;
    case QX_REPLACE_NO_TEMPORARY:
        m_Store->SetError("cannot create a file in the target folder");
        return 0;
    default:
        m_Store->SetError("cannot write the file");
        return 0;
    }
}

unsigned int CQxXmlDoc::GetErrorLine() const {
    return m_Store ? m_Store->m_ErrorLine : 0;
}

unsigned int CQxXmlDoc::GetErrorColumn() const {
    return m_Store ? m_Store->m_ErrorColumn : 0;
}

const char* CQxXmlDoc::GetErrorText() const {
    return m_Store ? m_Store->m_ErrorText.c_str() : "out of memory";
}
