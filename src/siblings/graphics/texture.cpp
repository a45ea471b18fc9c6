// Texture files are decoded here: JPEG with libjpeg, PNG with libpng, BMP and TGA with stb_image
// (this is the one translation unit that compiles it). The decoder is chosen by the file's first
// bytes, never by its name.

#include "qx/graphics/texture.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio> // jpeglib.h uses FILE without including it
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <system_error>
#include <atomic>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include <jerror.h> // needs jpeglib.h first

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO // files are read here, so their size is checked before decoding
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 16384 // an image of at most 1 GiB once expanded to RGBA
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
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

// Revisions are unique across all textures, so a renderer that keys its uploads by texture and
// revision never mistakes a new texture at a freed one's address for the old one.
unsigned int NextRevision() {
    static std::atomic<unsigned int> next{0};
    return ++next;
}

constexpr std::uintmax_t kMaxFileBytes = 256u << 20;
// Limits checked before the pixels are allocated.
constexpr std::uint64_t kMaxSide = 16384;
constexpr std::uint64_t kMaxPixelBytes = 256u << 20;

int FitsLimits(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height * 4 <= kMaxPixelBytes;
}

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

// The packaged decoder negates a bottom-up BMP's height as an int, which the smallest int
// cannot survive; no real image is that tall, so such a header is refused here.
int HasSafeBmpHeader(std::span<const unsigned char> d) {
    if (d.size() < 26 || d[0] != 'B' || d[1] != 'M') return 1;
    auto u32 = [&](std::size_t k) {
        return std::uint32_t{d[k]} | std::uint32_t{d[k + 1]} << 8 | std::uint32_t{d[k + 2]} << 16 |
               std::uint32_t{d[k + 3]} << 24;
    };
    return u32(14) == 12 || u32(22) != 0x80000000u; // the 12-byte header has 16-bit sizes
}

// An image decoded to RGBA8, top row first.
struct Decoded {
    unsigned int Width = 0;
    unsigned int Height = 0;
    std::vector<unsigned char> Pixels;
};

int IsPng(std::span<const unsigned char> d) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return d.size() >= 8 && std::equal(signature, signature + 8, d.begin());
}

int IsJpeg(std::span<const unsigned char> d) {
    return d.size() >= 2 && d[0] == 0xFF && d[1] == 0xD8;
}

// libjpeg reports errors through error_exit, which must not return: it jumps back to the setjmp
// in DecodeJpeg. Everything with a destructor lives here, outside the frames the jump leaves.
struct JpegReader {
    jpeg_decompress_struct Info{};
    jpeg_error_mgr Errors{};
    jpeg_progress_mgr Progress{};
    std::jmp_buf Jump;
    std::vector<unsigned char> Row;

    JpegReader() = default;
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;
    ~JpegReader() { jpeg_destroy_decompress(&Info); } // safe on a never-created, zeroed struct
};

[[noreturn]] void JpegFail(j_common_ptr info) {
    std::longjmp(static_cast<JpegReader*>(info->client_data)->Jump, 1);
}

// Warnings go nowhere, but data that ends early or cannot be resynchronised is a failure: libjpeg
// would otherwise fill the rest of the image with grey and call it a success.
void JpegMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    const int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC ||
        ++info->err->num_warnings > 100)
        JpegFail(info);
}

// A progressive file may hold any number of scans, each costing a pass over the coefficients.
void JpegProgress(j_common_ptr info) {
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > 500)
        JpegFail(info);
}

int DecodeJpeg(JpegReader& r, std::span<const unsigned char> data, Decoded& out) {
    jpeg_decompress_struct* info = &r.Info;
    info->err = jpeg_std_error(&r.Errors);
    r.Errors.error_exit = JpegFail;
    r.Errors.emit_message = JpegMessage;
    r.Errors.output_message = [](j_common_ptr) {};
    info->client_data = &r;
    if (setjmp(r.Jump)) return 0;

    jpeg_create_decompress(info);
    info->mem->max_memory_to_use = 512L << 20; // progressive coefficient buffers beyond this fail
    r.Progress.progress_monitor = JpegProgress;
    info->progress = &r.Progress;
    jpeg_mem_src(info, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK || !FitsLimits(info->image_width, info->image_height))
        return 0;
    const int cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(info);
    if (info->output_components != 4 || info->output_width != info->image_width ||
        info->output_height != info->image_height)
        return 0;

    const std::size_t stride = std::size_t{info->output_width} * 4;
    out.Width = info->output_width;
    out.Height = info->output_height;
    // Reserved, not filled: a short file claiming a huge image fails before touching the memory.
    out.Pixels.reserve(stride * info->output_height);
    r.Row.resize(stride);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = r.Row.data();
        if (jpeg_read_scanlines(info, &row, 1) != 1) return 0;
        if (cmyk) {
            // Adobe files store CMYK inverted, which most CMYK JPEGs are.
            const int inverted = info->saw_Adobe_marker;
            for (std::size_t i = 0; i < stride; i += 4) {
                const unsigned int k = inverted ? r.Row[i + 3] : 255 - r.Row[i + 3];
                for (std::size_t c = 0; c < 3; ++c) {
                    const unsigned int v = inverted ? r.Row[i + c] : 255 - r.Row[i + c];
                    r.Row[i + c] = static_cast<unsigned char>((v * k + 127) / 255);
                }
                r.Row[i + 3] = 255;
            }
        }
        out.Pixels.insert(out.Pixels.end(), r.Row.begin(), r.Row.end());
    }
    return 1;
}

// libpng reports errors by jumping to the setjmp in DecodePng; as with JPEG, the objects with
// destructors live here.
struct PngReader {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::span<const unsigned char> Data;
    std::size_t Pos = 0;
    std::vector<png_bytep> Rows;

    PngReader() = default;
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() {
        if (Png) png_destroy_read_struct(&Png, &Info, nullptr);
    }
};

[[noreturn]] void PngFail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void PngRead(png_structp png, png_bytep to, png_size_t size) {
    PngReader& r = *static_cast<PngReader*>(png_get_io_ptr(png));
    if (size > r.Data.size() - r.Pos) png_error(png, "truncated");
    std::copy_n(r.Data.begin() + static_cast<std::ptrdiff_t>(r.Pos), size, to);
    r.Pos += size;
}

int DecodePng(PngReader& r, std::span<const unsigned char> data, Decoded& out) {
    r.Data = data;
    r.Png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, [](png_structp, png_const_charp) {});
    if (!r.Png) return 0;
    r.Info = png_create_info_struct(r.Png);
    if (!r.Info) return 0;
    if (setjmp(png_jmpbuf(r.Png))) return 0;

    png_structp png = r.Png;
    png_set_read_fn(png, &r, PngRead);
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxSide), static_cast<png_uint_32>(kMaxSide));
    png_read_info(png, r.Info);
    const png_uint_32 width = png_get_image_width(png, r.Info);
    const png_uint_32 height = png_get_image_height(png, r.Info);
    if (!FitsLimits(width, height)) return 0;
    // Deflate expands at most 1032 to 1: a file too short for its rows is refused before allocating.
    if (std::uint64_t{height} * (png_get_rowbytes(png, r.Info) + 1) > std::uint64_t{data.size()} * 1032)
        return 0;

    // Palette, grey, 16-bit and transparency-key images all become 8-bit RGBA.
    const int type = png_get_color_type(png, r.Info);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, r.Info) < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, r.Info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (png_get_bit_depth(png, r.Info) == 16) png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, r.Info);
    const std::size_t stride = std::size_t{width} * 4;
    if (png_get_rowbytes(png, r.Info) != stride) return 0;

    out.Width = width;
    out.Height = height;
    out.Pixels.resize(stride * height);
    r.Rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) r.Rows[y] = out.Pixels.data() + y * stride;
    png_read_image(png, r.Rows.data());
    return 1;
}

// BMP and TGA.
int DecodeStb(std::span<const unsigned char> data, Decoded& out) {
    if (data.size() > static_cast<std::size_t>(INT32_MAX)) return 0;
    int width = 0, height = 0, channels = 0;
    // The decoder reads past the end of a short file as zeros, so a few bytes claiming a huge
    // image would be expanded in full. No BMP or TGA packs more than 128 pixels into a byte.
    if (!stbi_info_from_memory(data.data(), static_cast<int>(data.size()), &width, &height, &channels) ||
        width <= 0 || height <= 0 || !FitsLimits(std::uint64_t(width), std::uint64_t(height)) ||
        std::uint64_t(width) * std::uint64_t(height) > std::uint64_t{data.size()} * 128)
        return 0;
    stbi_uc* pixels =
        stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &width, &height, &channels, 4);
    if (!pixels) return 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> owner(pixels, stbi_image_free);
    if (width <= 0 || height <= 0) return 0;
    out.Width = static_cast<unsigned int>(width);
    out.Height = static_cast<unsigned int>(height);
    out.Pixels.assign(pixels, pixels + std::size_t{out.Width} * out.Height * 4);
    return 1;
}

int Decode(std::span<const unsigned char> data, Decoded& out) {
    if (IsJpeg(data)) {
        JpegReader reader;
        return DecodeJpeg(reader, data, out);
    }
    if (IsPng(data)) {
        PngReader reader;
        return DecodePng(reader, data, out);
    }
    return HasSafeBmpHeader(data) && DecodeStb(data, out);
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
        Decoded decoded;
        if (data.empty() || !Decode(data, decoded)) return 0;
        auto image = std::make_shared<Image>();
        image->Width = decoded.Width;
        image->Height = decoded.Height;
        image->Pixels = std::move(decoded.Pixels);
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
    m_Revision = NextRevision();
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
