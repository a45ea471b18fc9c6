// Texture files are decoded with stb_image; this is the one translation unit that compiles it.

#include "qx/graphics/texture.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO // files are read here, so their size is checked before decoding
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 16384 // an image of at most 1 GiB once expanded to RGBA
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_image.h>
#pragma GCC diagnostic pop

struct CQxTexture::Image {
    unsigned int Width = 0;
    unsigned int Height = 0;
    std::vector<unsigned char> Pixels; // RGBA8, top row first
};

namespace {

constexpr std::uintmax_t kMaxFileBytes = 256u << 20;

std::string Normalized(const char* path) {
    std::string p(path ? path : "");
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

std::string Join(const char* dir, const std::string& rest) {
    std::string p(dir);
    if (!p.empty() && p.back() != '/' && p.back() != '\\') p += '/';
    return p + rest;
}

int IsFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// Reads the whole file; empty when it cannot be read or is too large to be a texture.
std::vector<unsigned char> ReadFile(const std::string& path) {
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size == 0 || size > kMaxFileBytes) return {};
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> data(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size))) return {};
    return data;
}

// The packaged decoder trusts the symbol counts of a JPEG Huffman table: a table claiming more
// than 256 symbols writes past its arrays. Walks the file's markers the way the decoder does
// (entropy-coded data ends at the first marker that is not a restart) and refuses such tables.
int HasSafeJpegTables(const std::vector<unsigned char>& d) {
    const std::size_t n = d.size();
    if (n < 2 || d[0] != 0xFF || d[1] != 0xD8) return 1; // not a JPEG
    std::size_t pos = 2;
    while (pos < n) {
        while (pos < n && d[pos] != 0xFF) ++pos; // padding between segments
        while (pos < n && d[pos] == 0xFF) ++pos;
        if (pos >= n) break;
        const unsigned char marker = d[pos++];
        if (marker == 0xD9) break;                                                            // end of image
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue; // no length
        if (pos + 2 > n) break;
        const std::size_t length = (std::size_t{d[pos]} << 8) | d[pos + 1];
        if (length < 2) return 0;
        const std::size_t end = std::min(n, pos + length);
        if (marker == 0xC4) {
            // Read as the decoder reads: by the segment's length, bytes past the end as zeros.
            auto at = [&](std::size_t k) -> unsigned int { return k < n ? d[k] : 0; };
            std::size_t p = pos + 2;
            for (long remaining = static_cast<long>(length) - 2; remaining > 0;) {
                unsigned int symbols = 0;
                for (std::size_t k = 1; k <= 16; ++k) symbols += at(p + k);
                if (symbols > 256) return 0;
                p += 17 + symbols;
                remaining -= 17 + static_cast<long>(symbols);
            }
        }
        pos = end;
        if (marker == 0xDA) { // skip the scan's entropy-coded bytes
            while (pos + 1 < n && !(d[pos] == 0xFF && d[pos + 1] != 0x00 && d[pos + 1] != 0xFF &&
                                    (d[pos + 1] < 0xD0 || d[pos + 1] > 0xD7)))
                ++pos;
        }
    }
    return 1;
}

// The packaged decoder negates a bottom-up BMP's height as an int, which the smallest int
// cannot survive; no real image is that tall, so such a header is refused here.
int HasSafeBmpHeader(const std::vector<unsigned char>& d) {
    if (d.size() < 26 || d[0] != 'B' || d[1] != 'M') return 1;
    auto u32 = [&](std::size_t k) {
        return std::uint32_t{d[k]} | std::uint32_t{d[k + 1]} << 8 | std::uint32_t{d[k + 2]} << 16 |
               std::uint32_t{d[k + 3]} << 24;
    };
    return u32(14) == 12 || u32(22) != 0x80000000u; // the 12-byte header has 16-bit sizes
}

// The packaged decoder copies an empty first image-data chunk of a PNG from a null buffer.
// Empty image-data chunks carry nothing, so they are dropped before decoding.
void DropEmptyPngData(std::vector<unsigned char>& d) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (d.size() < 8 || !std::equal(signature, signature + 8, d.begin())) return;
    std::size_t pos = 8;
    while (pos + 8 <= d.size()) {
        const std::size_t length = std::size_t{d[pos]} << 24 | std::size_t{d[pos + 1]} << 16 |
                                   std::size_t{d[pos + 2]} << 8 | d[pos + 3];
        if (length == 0 && std::equal(d.begin() + pos + 4, d.begin() + pos + 8, "IDAT"))
            d.erase(d.begin() + pos, d.begin() + std::min(pos + 12, d.size()));
        else if (length > d.size() - pos - 8)
            break;
        else
            pos += 12 + length;
    }
}

} // namespace

int CQxTexture::FindFile(const char* path, std::span<const char* const> dirs, CQxString& found) {
    const std::string p = Normalized(path);
    if (p.empty()) return 0;
    auto take = [&](const std::string& candidate) {
        if (!IsFile(candidate)) return 0;
        found = candidate.c_str();
        return 1;
    };
    const int absolute = p.front() == '/';
    if (absolute && take(p)) return 1;
    if (!absolute)
        for (const char* dir : dirs)
            if (!CQxString::IsStrEmpty(dir) && take(Join(dir, p))) return 1;
    const std::size_t slash = p.find_last_of('/');
    if (slash != std::string::npos && slash + 1 < p.size()) {
        const std::string name = p.substr(slash + 1);
        for (const char* dir : dirs)
            if (!CQxString::IsStrEmpty(dir) && take(Join(dir, name))) return 1;
    }
    return 0;
}

int CQxTexture::Load(const char* path, std::span<const char* const> dirs) {
    CQxString requested(path); // path may point into m_Path (Reload)
    m_Path = requested;
    Unload();
    try {
        CQxString found;
        if (!FindFile(requested.GetStr(), dirs, found)) return 0;
        std::vector<unsigned char> data = ReadFile(found.GetStr());
        if (data.empty() || !HasSafeJpegTables(data) || !HasSafeBmpHeader(data)) return 0;
        DropEmptyPngData(data);

        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels =
            stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &width, &height, &channels, 4);
        if (!pixels) return 0;
        std::unique_ptr<stbi_uc, void (*)(void*)> owner(pixels, stbi_image_free);
        auto image = std::make_shared<Image>();
        image->Width = static_cast<unsigned int>(width);
        image->Height = static_cast<unsigned int>(height);
        image->Pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
        m_Image = std::move(image);
        m_FoundPath = found;
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CQxTexture::Reload(std::span<const char* const> dirs) {
    return Load(m_Path.GetStr(), dirs);
}

void CQxTexture::SetPath(const char* path) {
    m_Path = path;
    Unload();
}

void CQxTexture::Unload() {
    m_Image.reset();
    m_FoundPath.Empty();
    ++m_Revision;
}

unsigned int CQxTexture::GetWidth() const {
    return m_Image ? m_Image->Width : 0;
}

unsigned int CQxTexture::GetHeight() const {
    return m_Image ? m_Image->Height : 0;
}

const unsigned char* CQxTexture::GetPixels() const {
    return m_Image ? m_Image->Pixels.data() : nullptr;
}
