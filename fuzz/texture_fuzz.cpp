// Feeds arbitrary bytes to the texture loader (BMP, PNG, JPEG, TGA) through a scratch file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "qx/graphics/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/qx_fuzz_texture_" + std::to_string(getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CQxTexture texture;
    if (texture.Load(path.c_str()) && (texture.GetWidth() == 0 || texture.GetHeight() == 0))
        __builtin_trap(); // a loaded image always has pixels
    return 0;
}
