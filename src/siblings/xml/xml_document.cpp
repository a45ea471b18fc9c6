#include "qx/xml/xml_document.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "xml_reader.h"
#include "xml_store.h"
#include "xml_writer.h"

namespace {

// Closes a descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : Fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return Fd; }
    bool Close() {
        if (Fd < 0) return true;
        int result = ::close(Fd);
        Fd = -1;
        return result == 0;
    }

private:
    int Fd;
};

// The file a save replaces: a symbolic link is followed, so the link itself stays.
std::string ResolveTarget(const char* path) {
    struct stat info;
    if (lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = realpath(path, nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

// Creates a new temporary file beside the target; -1 when none can be made.
int CreateTemporary(const std::string& target, std::string& temporary) {
    static std::atomic<unsigned int> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target + ".~qx" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

CQxXmlDoc::CQxXmlDoc() : Store(std::make_unique<CQxXmlStore>()) {}

CQxXmlDoc::~CQxXmlDoc() = default;

// A moved-from document gets a fresh store, so it stays usable and GetRootElement never fails.
CQxXmlDoc::CQxXmlDoc(CQxXmlDoc&& other) noexcept : Store(std::move(other.Store)) {
    other.Store.reset(new (std::nothrow) CQxXmlStore());
}

CQxXmlDoc& CQxXmlDoc::operator=(CQxXmlDoc&& other) noexcept {
    if (this != &other) std::swap(Store, other.Store);
    return *this;
}

CQxXmlElement* CQxXmlDoc::GetRootElement() const {
    return Store ? &Store->Root : nullptr;
}

CQxXmlElement* CQxXmlDoc::GetDocumentElement() const {
    if (!Store) return nullptr;
    for (unsigned int i = 0; i < Store->Root.GetChildCount(); ++i) {
        CQxXmlElement* child = Store->Root.GetChild(i);
        if (child->GetNodeType() == QX_XML_NODE_ELEMENT) return child;
    }
    return nullptr;
}

void CQxXmlDoc::Clear() {
    if (Store) Store->Clear();
}

int CQxXmlDoc::IsEmpty() const {
    return !Store || Store->Root.GetChildCount() == 0;
}

int CQxXmlDoc::ReadString(const char* text) {
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > UINT_MAX) {
        Clear();
        if (Store) Store->SetError("the text is too long");
        return 0;
    }
    return ReadString(text, static_cast<unsigned int>(length));
}

int CQxXmlDoc::ReadString(const char* text, unsigned int length, CQxXmlTextSink* sink) {
    if (!Store) return 0;
    Store->Clear();
    Store->ClearError();
    CQxXmlReader reader(*Store, sink);
    bool ok = false;
    try {
        ok = reader.Begin() && reader.ReadMemory(text ? text : "", text ? length : 0) && reader.Finish();
        if (!ok) reader.DescribeError(Store->ErrorText, Store->ErrorLine, Store->ErrorColumn);
    } catch (const std::bad_alloc&) {
        Store->SetError("out of memory");
    }
    if (!ok) Store->Clear();
    return ok;
}

int CQxXmlDoc::ReadFile(const char* path, CQxXmlTextSink* sink) {
    if (!Store) return 0;
    Store->Clear();
    Store->ClearError();
    if (!path) {
        Store->SetError("no file name");
        return 0;
    }
    FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || S_ISDIR(info.st_mode)) {
        Store->SetError("cannot open the file");
        return 0;
    }
    CQxXmlReader reader(*Store, sink);
    bool ok = false;
    try {
        ok = reader.Begin() && reader.ReadDescriptor(file.Get()) && reader.Finish();
        if (!ok && reader.HasReadFailed())
            Store->SetError("cannot read the file");
        else if (!ok)
            reader.DescribeError(Store->ErrorText, Store->ErrorLine, Store->ErrorColumn);
    } catch (const std::bad_alloc&) {
        Store->SetError("out of memory");
    }
    if (!ok) Store->Clear();
    return ok;
}

int CQxXmlDoc::WriteString(CQxString& text) const {
    text.Empty();
    if (!Store) return 0;
    Store->ClearError();
    try {
        std::size_t size = 0;
        if (!CQxXmlWriter::Check(Store->Root, Store->ErrorText, size)) return 0;
        CQxXmlOutput out(text, size);
        CQxXmlWriter::Write(Store->Root, out);
        if (out.Finish()) return 1;
    } catch (const std::bad_alloc&) {
    }
    text.Empty();
    Store->SetError("out of memory");
    return 0;
}

int CQxXmlDoc::WriteFile(const char* path) const {
    if (!Store) return 0;
    Store->ClearError();
    if (!path || !*path) {
        Store->SetError("no file name");
        return 0;
    }
    try {
        std::size_t size = 0;
        if (!CQxXmlWriter::Check(Store->Root, Store->ErrorText, size)) return 0;
    } catch (const std::bad_alloc&) {
        Store->SetError("out of memory");
        return 0;
    }
    std::string target = ResolveTarget(path);
    struct stat old;
    bool hasOld = ::stat(target.c_str(), &old) == 0;
    if (hasOld && !S_ISREG(old.st_mode)) {
        Store->SetError("the target is not a regular file");
        return 0;
    }
    std::string temporary;
    FileDescriptor file(CreateTemporary(target, temporary));
    if (file.Get() < 0) {
        Store->SetError("cannot create a file in the target folder");
        return 0;
    }
    bool ok = false;
    try {
        if (hasOld) fchmod(file.Get(), old.st_mode & 07777); // the new file keeps the old one's mode
        CQxXmlOutput out(file.Get());
        CQxXmlWriter::Write(Store->Root, out);
        ok = out.Finish();
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    // The data must be on the disk before the rename makes it the file.
    ok = ok && ::fsync(file.Get()) == 0;
    ok = file.Close() && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        Store->SetError("cannot write the file");
    }
    return ok;
}

unsigned int CQxXmlDoc::GetErrorLine() const {
    return Store ? Store->ErrorLine : 0;
}

unsigned int CQxXmlDoc::GetErrorColumn() const {
    return Store ? Store->ErrorColumn : 0;
}

const char* CQxXmlDoc::GetErrorText() const {
    return Store ? Store->ErrorText.c_str() : "out of memory";
}
