#include "qx/platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

// The file a path names, following a symbolic link so that the link stays a link.
std::string ResolveTarget(const char* path) {
    struct stat info;
    if (::lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(path, nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

// A new file beside the target, unique in the process and among processes; -1 when none can be
// made.
int CreateTemporary(const std::string& target, std::string& temporary) {
    static std::atomic<unsigned int> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target + ".~qx" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

QX_REPLACE_RESULT QxReplaceFile(const char* path, const std::function<bool(int fd)>& write) {
    if (!path || !*path) {
        errno = EINVAL;
        return QX_REPLACE_NO_TEMPORARY;
    }
    const std::string target = ResolveTarget(path);
    struct stat old;
    const bool hasOld = ::stat(target.c_str(), &old) == 0;
    if (hasOld && !S_ISREG(old.st_mode)) {
        errno = EISDIR;
        return QX_REPLACE_NOT_A_FILE;
    }
    std::string temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) return QX_REPLACE_NO_TEMPORARY;
    if (hasOld) ::fchmod(fd, old.st_mode & 07777);
    errno = 0;
    bool ok = write(fd);
    if (!ok && errno == 0) errno = EIO;
    // The data must be on the disk before the rename makes it the file.
    ok = ok && ::fsync(fd) == 0;
    const int saved = errno;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (ok) return QX_REPLACE_DONE;
    const int reason = errno ? errno : saved;
    ::unlink(temporary.c_str());
    errno = reason;
    return QX_REPLACE_WRITE_FAILED;
}

QX_REPLACE_RESULT QxReplaceFileStream(const char* path, const std::function<bool(std::FILE*)>& write) {
    return QxReplaceFile(path, [&write](int fd) {
        // The stream gets a descriptor of its own, so closing it leaves `fd` to the caller.
        const int own = ::dup(fd);
        std::FILE* file = own < 0 ? nullptr : ::fdopen(own, "wb");
        if (!file) {
            if (own >= 0) ::close(own);
            return false;
        }
        bool ok = write(file);
        ok = std::fflush(file) == 0 && ok;
        return std::fclose(file) == 0 && ok;
    });
}
