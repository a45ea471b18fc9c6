#include "file_replace.h"

#include <string>
#include <unistd.h>

int QxReplaceFile(const char* path, const std::function<bool(std::FILE*)>& write) {
    if (!path || !*path) return 0;
    const std::string target(path);
    const std::string temporary = target + ".part" + std::to_string(::getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return 0;
    bool ok = write(file);
    ok = std::fflush(file) == 0 && ok;
    ok = ok && ::fsync(::fileno(file)) == 0;
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), target.c_str()) == 0) return 1;
    std::remove(temporary.c_str());
    return 0;
}
