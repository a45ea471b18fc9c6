#pragma once

#include <cstdio>
#include <functional>

// Writes a file through a temporary file beside it, renamed over the target only once
// everything was written and flushed, so a failed save leaves any old file whole. `write` gets
// the open file and says whether it wrote everything. 1 on success.
int QxReplaceFile(const char* path, const std::function<bool(std::FILE*)>& write);
