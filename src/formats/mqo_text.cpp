// Text of MQO documents: names in Shift_JIS turned into UTF-8, and names made unique.
#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "mqo_reader.h"

namespace {

// Code page 932 rather than plain Shift_JIS: it keeps 0x5C a backslash (texture paths use it as
// the separator) and knows the vendor characters Windows writes.
constexpr const char* SourceCode = "CP932";
const iconv_t NoHandle = reinterpret_cast<iconv_t>(-1);

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        unsigned int n = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c < 0x80) {
            ++p;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) <= n) return false;
        if (p[1] < low || p[1] > high) return false;
        for (unsigned int i = 2; i <= n; ++i)
            if (p[i] < 0x80 || p[i] > 0xBF) return false;
        p += n + 1;
    }
    return true;
}

} // namespace

CQxMqoTextConverter::CQxMqoTextConverter() : m_Handle(iconv_open("UTF-8", SourceCode)) {}

CQxMqoTextConverter::~CQxMqoTextConverter() {
    if (static_cast<iconv_t>(m_Handle) != NoHandle) iconv_close(static_cast<iconv_t>(m_Handle));
}

std::string CQxMqoTextConverter::ToUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    const iconv_t handle = static_cast<iconv_t>(m_Handle);
    std::string out;
    if (handle == NoHandle) return IsUtf8(bytes) ? std::string(bytes) : out;
    // A Shift_JIS character of one or two bytes is at most three bytes of UTF-8.
    out.resize(bytes.size() * 3 + 3);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* dest = out.data();
    std::size_t destLeft = out.size();
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(handle, &in, &inLeft, &dest, &destLeft) != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) break; // cannot happen with the size above; keep what was converted
        if (IsUtf8(bytes)) return std::string(bytes);
        // A byte that starts no character, or a character cut off at the end.
        static constexpr char Replacement[] = "\xEF\xBF\xBD";
        if (destLeft < 3) break;
        std::copy(Replacement, Replacement + 3, dest);
        dest += 3;
        destLeft -= 3;
        ++in;
        --inLeft;
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - destLeft);
    return out;
}

std::string CQxMqoNameSet::MakeUnique(const std::string& name) {
    if (m_Names.insert(name).second) return name;
    unsigned int& next = m_NextSuffix.try_emplace(name, 1).first->second;
    for (;; ++next) {
        std::string candidate = name + std::to_string(next);
        if (m_Names.insert(candidate).second) {
            ++next;
            return candidate;
        }
    }
}
