#pragma once

#include <cstdio>
#include <functional>

#include "qx/export.h"

// How a file replacement ended.
enum QX_REPLACE_RESULT : int {
    QX_REPLACE_DONE = 0,
    QX_REPLACE_NOT_A_FILE = 1,    // the target exists and is not a regular file
    QX_REPLACE_NO_TEMPORARY = 2,  // no file can be made in the target's folder
    QX_REPLACE_WRITE_FAILED = 3,  // writing, flushing or renaming failed
};

// Writes a file through a temporary file beside the target, renamed over it only once `write`
// has written everything (it says so by returning true) and the data is on the disk: a failed
// save leaves any old file whole and no temporary behind. A symbolic link is written through
// (the file it names is replaced); the new file keeps an old file's permission bits. On
// failure errno tells what failed, where a system call did.
QX_API QX_REPLACE_RESULT QxReplaceFile(const char* path, const std::function<bool(int fd)>& write);
// The same through a stdio stream (closed by the call).
QX_API QX_REPLACE_RESULT QxReplaceFileStream(const char* path, const std::function<bool(std::FILE*)>& write);
