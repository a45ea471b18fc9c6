#include "qx/basis/string.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>

namespace {

constexpr unsigned int kMaxLength = 0xFFFFFFFE; // one byte is kept for the terminating zero

unsigned int ClipLength(std::size_t n) {
    return n > kMaxLength ? kMaxLength : static_cast<unsigned int>(n);
}

unsigned int SafeLength(const char* text) {
    return text ? ClipLength(std::strlen(text)) : 0;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// A delimiter set as a 256-bit table: one lookup per byte while scanning big number lists.
class ByteSet {
public:
    explicit ByteSet(const char* set) {
        if (!set) return;
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(set); *p; ++p)
            Bits[*p >> 6] |= std::uint64_t{1} << (*p & 63);
    }
    bool Has(char c) const {
        auto u = static_cast<unsigned char>(c);
        return (Bits[u >> 6] >> (u & 63)) & 1;
    }

private:
    std::uint64_t Bits[4] = {0, 0, 0, 0};
};

// Finds the next token from `pos`: [start, end). False when only delimiters remain.
bool NextToken(const char* s, unsigned int len, unsigned int pos, const ByteSet& delims, unsigned int& start,
               unsigned int& end) {
    while (pos < len && delims.Has(s[pos])) ++pos;
    if (pos >= len) return false;
    start = pos;
    while (pos < len && !delims.Has(s[pos])) ++pos;
    end = pos;
    return true;
}

// A leading '+' is accepted in front of a number, but never in front of another sign.
const char* SkipPlus(const char* first, const char* last) {
    if (first < last && *first == '+' && first + 1 < last && first[1] != '-' && first[1] != '+')
        return first + 1;
    return first;
}

template <class T>
bool ParseToken(const char* first, const char* last, T& value) {
    first = SkipPlus(first, last);
    T parsed{};
    std::from_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::from_chars(first, last, parsed, std::chars_format::general);
    else
        r = std::from_chars(first, last, parsed, 10);
    if (r.ec != std::errc() || r.ptr != last) return false;
    value = parsed;
    return true;
}

// Parses one whole token as a number of type T; the position moves only on success.
template <class T>
bool ReadNumber(const char* s, unsigned int len, unsigned int& pos, const ByteSet& delims, T& value) {
    unsigned int start, end;
    if (!NextToken(s, len, pos, delims, start, end)) return false;
    if (!ParseToken(s + start, s + end, value)) return false;
    pos = end;
    return true;
}

template <class T>
unsigned int ReadNumbers(const char* s, unsigned int len, T* values, unsigned int count, unsigned int& pos,
                         const char* delimiters) {
    if (!values) return 0;
    ByteSet delims(delimiters);
    unsigned int n = 0;
    while (n < count && ReadNumber(s, len, pos, delims, values[n])) ++n;
    return n;
}

template <class T>
unsigned int ReadNumbers(const char* s, unsigned int len, CQxArray<T>& values, unsigned int count,
                         unsigned int& pos, const char* delimiters) {
    // Every number takes at least one byte, so the rest of the text bounds what a (possibly
    // untrusted) count can ask to reserve.
    unsigned int left = pos < len ? len - pos : 0;
    unsigned int expect = count < left / 2 + 1 ? count : left / 2 + 1;
    values.Reserve(values.GetSize() + expect);
    ByteSet delims(delimiters);
    unsigned int n = 0;
    T value{};
    while (n < count && ReadNumber(s, len, pos, delims, value)) {
        values.PushBack(value);
        ++n;
    }
    return n;
}

} // namespace

int QxParseInt(const char* first, const char* last, int& value) {
    return first && first < last && ParseToken(first, last, value);
}

int QxParseUint(const char* first, const char* last, unsigned int& value) {
    return first && first < last && ParseToken(first, last, value);
}

int QxParseFloat(const char* first, const char* last, float& value) {
    return first && first < last && ParseToken(first, last, value);
}

CQxString::CQxString() = default;

CQxString::CQxString(const char* text) {
    Append(text, SafeLength(text));
}

CQxString::CQxString(const char* text, unsigned int length) {
    if (text) Append(text, length);
}

CQxString::CQxString(const CQxString& other) : Text(other.Text) {}

CQxString::CQxString(CQxString&& other) noexcept : Text(std::move(other.Text)) {}

CQxString::~CQxString() = default;

CQxString& CQxString::operator=(const char* text) {
    if (text && text >= GetStr() && text <= GetStr() + GetLength()) {
        CQxString copy(text); // text points into this string
        Text = std::move(copy.Text);
        return *this;
    }
    Empty();
    Append(text, SafeLength(text));
    return *this;
}

CQxString& CQxString::operator=(const CQxString& other) {
    if (this != &other) Text = other.Text;
    return *this;
}

CQxString& CQxString::operator=(CQxString&& other) noexcept {
    if (this != &other) {
        Text = std::move(other.Text);
        other.Text.Clear();
    }
    return *this;
}

const char* CQxString::GetStr() const {
    return Text.IsEmpty() ? "" : Text.GetData();
}

unsigned int CQxString::GetLength() const {
    return Text.IsEmpty() ? 0 : Text.GetSize() - 1;
}

int CQxString::IsEmpty() const {
    return GetLength() == 0;
}

void CQxString::Empty() {
    if (!Text.IsEmpty()) {
        Text.Resize(1);
        Text[0] = 0;
    }
}

char CQxString::GetAt(unsigned int pos) const {
    return pos < GetLength() ? Text[pos] : 0;
}

int CQxString::SetAt(unsigned int pos, char c) {
    if (pos >= GetLength()) return 0;
    Text[pos] = c;
    return 1;
}

int CQxString::SetLength(unsigned int length) {
    if (length > kMaxLength) return 0;
    unsigned int old = GetLength();
    if (!Text.Resize(length + 1)) return 0;
    if (length > old) std::memset(Text.GetData() + old, 0, length - old);
    Text[length] = 0;
    return 1;
}

char* CQxString::GetData() {
    if (Text.IsEmpty()) {
        Text.Resize(1);
        Text[0] = 0;
    }
    return Text.GetData();
}

void CQxString::Reserve(unsigned int capacity) {
    if (capacity > kMaxLength) return;
    try {
        Text.Reserve(capacity + 1);
    } catch (const std::exception&) {
        // Reserving is a hint; appending will try again when the room is needed.
    }
}

int CQxString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = FormatV(format, args);
    va_end(args);
    return result;
}

int CQxString::FormatV(const char* format, va_list args) {
    CQxString formatted;
    if (!format) {
        *this = formatted;
        return 1;
    }
    // Formatted into a fresh string: an argument may point into this one.
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) {
        Empty();
        return 0;
    }
    if (static_cast<unsigned int>(n) < sizeof small) {
        formatted.Append(small, static_cast<unsigned int>(n));
    } else {
        if (!formatted.SetLength(static_cast<unsigned int>(n))) {
            Empty();
            return 0;
        }
        std::vsnprintf(formatted.GetData(), static_cast<std::size_t>(n) + 1, format, args);
    }
    *this = std::move(formatted);
    return 1;
}

int CQxString::AppendFormat(const char* format, ...) {
    CQxString formatted;
    va_list args;
    va_start(args, format);
    int result = formatted.FormatV(format, args);
    va_end(args);
    if (result) Append(formatted.GetStr(), formatted.GetLength());
    return result;
}

CQxString& CQxString::operator+=(const char* text) {
    return Append(text, SafeLength(text));
}

CQxString& CQxString::operator+=(const CQxString& text) {
    return Append(text.GetStr(), text.GetLength());
}

CQxString& CQxString::operator+=(char c) {
    return Append(&c, 1);
}

CQxString& CQxString::Append(const char* text, unsigned int length) {
    if (!text || length == 0) return *this;
    unsigned int old = GetLength();
    if (length > kMaxLength - old) return *this;
    // The text may lie inside this string's storage, which growing can move: copy it out first.
    const char* base = Text.GetData();
    if (!Text.IsEmpty() && text >= base && text < base + Text.GetSize()) {
        const CQxString copy(text, length);
        return Append(copy.GetStr(), length);
    }
    // Bytes are copied once into the grown storage (no zero fill first): long contents such as
    // the number lists of big scene files are appended this way.
    // The room for the terminating zero is reserved with the text, so putting it back cannot fail.
    if (!Text.IsEmpty()) Text.PopBack();
    Text.Append(text, length, 1);
    static const char zero = 0;
    Text.Append(&zero, 1);
    return *this;
}

int CQxString::Compare(const char* text) const {
    return std::strcmp(GetStr(), text ? text : "");
}

int CQxString::CompareNoCase(const char* text) const {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(GetStr());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(text ? text : "");
    for (;; ++a, ++b) {
        int ca = static_cast<unsigned char>(LowerAscii(static_cast<char>(*a)));
        int cb = static_cast<unsigned char>(LowerAscii(static_cast<char>(*b)));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

unsigned int CQxString::Find(const char* text, unsigned int start) const {
    if (IsStrEmpty(text) || start >= GetLength()) return NotFound;
    std::size_t at = std::string_view(GetStr(), GetLength()).find(text, start);
    return at == std::string_view::npos ? NotFound : static_cast<unsigned int>(at);
}

unsigned int CQxString::Find(char c, unsigned int start) const {
    if (start >= GetLength()) return NotFound;
    const void* at = std::memchr(GetStr() + start, c, GetLength() - start);
    return at ? static_cast<unsigned int>(static_cast<const char*>(at) - GetStr()) : NotFound;
}

unsigned int CQxString::FindEnd(const char* text, unsigned int start) const {
    unsigned int at = Find(text, start);
    return at == NotFound ? NotFound : at + SafeLength(text);
}

unsigned int CQxString::FindFirstOf(const char* set, unsigned int start) const {
    ByteSet bytes(set);
    const char* s = GetStr();
    for (unsigned int i = start, n = GetLength(); i < n; ++i)
        if (bytes.Has(s[i])) return i;
    return NotFound;
}

unsigned int CQxString::FindFirstNot(const char* set, unsigned int start) const {
    ByteSet bytes(set);
    const char* s = GetStr();
    for (unsigned int i = start, n = GetLength(); i < n; ++i)
        if (!bytes.Has(s[i])) return i;
    return NotFound;
}

unsigned int CQxString::FindLast(char c) const {
    std::size_t at = std::string_view(GetStr(), GetLength()).rfind(c);
    return at == std::string_view::npos ? NotFound : static_cast<unsigned int>(at);
}

int CQxString::CompareSubStr(const char* text, unsigned int pos) const {
    if (pos > GetLength()) return 0;
    unsigned int n = SafeLength(text);
    if (n > GetLength() - pos) return 0;
    return n == 0 || std::memcmp(GetStr() + pos, text, n) == 0;
}

int CQxString::CompareLCSubStr(const char* text, unsigned int pos) const {
    if (pos > GetLength()) return 0;
    unsigned int n = SafeLength(text);
    if (n > GetLength() - pos) return 0;
    const char* s = GetStr() + pos;
    for (unsigned int i = 0; i < n; ++i)
        if (LowerAscii(s[i]) != LowerAscii(text[i])) return 0;
    return 1;
}

CQxString CQxString::GetSubStr(unsigned int start, unsigned int length) const {
    unsigned int len = GetLength();
    if (start >= len) return CQxString();
    if (length > len - start) length = len - start;
    return CQxString(GetStr() + start, length);
}

unsigned int CQxString::GetTokenPos(unsigned int& pos, const char* delimiters) const {
    unsigned int start, end;
    if (!NextToken(GetStr(), GetLength(), pos, ByteSet(delimiters), start, end)) {
        pos = GetLength();
        return NotFound;
    }
    pos = end;
    return start;
}

int CQxString::GetToken(CQxString& token, unsigned int& pos, const char* delimiters) const {
    unsigned int start = GetTokenPos(pos, delimiters);
    if (start == NotFound) return 0;
    // Built aside first: `token` may be this very string.
    CQxString found(GetStr() + start, pos - start);
    token = std::move(found);
    return 1;
}

int CQxString::GetInt(int& value, unsigned int& pos, const char* delimiters) const {
    return ReadNumber(GetStr(), GetLength(), pos, ByteSet(delimiters), value);
}

int CQxString::GetUint(unsigned int& value, unsigned int& pos, const char* delimiters) const {
    return ReadNumber(GetStr(), GetLength(), pos, ByteSet(delimiters), value);
}

int CQxString::GetFloat(float& value, unsigned int& pos, const char* delimiters) const {
    return ReadNumber(GetStr(), GetLength(), pos, ByteSet(delimiters), value);
}

unsigned int CQxString::GetInts(int* values, unsigned int count, unsigned int& pos,
                                const char* delimiters) const {
    return ReadNumbers(GetStr(), GetLength(), values, count, pos, delimiters);
}

unsigned int CQxString::GetUints(unsigned int* values, unsigned int count, unsigned int& pos,
                                 const char* delimiters) const {
    return ReadNumbers(GetStr(), GetLength(), values, count, pos, delimiters);
}

unsigned int CQxString::GetFloats(float* values, unsigned int count, unsigned int& pos,
                                  const char* delimiters) const {
    return ReadNumbers(GetStr(), GetLength(), values, count, pos, delimiters);
}

unsigned int CQxString::GetInts(CQxArray<int>& values, unsigned int count, unsigned int& pos,
                                const char* delimiters) const {
    return ReadNumbers(GetStr(), GetLength(), values, count, pos, delimiters);
}

unsigned int CQxString::GetUints(CQxArray<unsigned int>& values, unsigned int count, unsigned int& pos,
                                 const char* delimiters) const {
    return ReadNumbers(GetStr(), GetLength(), values, count, pos, delimiters);
}

unsigned int CQxString::GetFloats(CQxArray<float>& values, unsigned int count, unsigned int& pos,
                                  const char* delimiters) const {
    return ReadNumbers(GetStr(), GetLength(), values, count, pos, delimiters);
}

CQxString& CQxString::AddInt(int value) {
    char buffer[16];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return Append(buffer, static_cast<unsigned int>(r.ptr - buffer));
}

CQxString& CQxString::AddUint(unsigned int value) {
    char buffer[16];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return Append(buffer, static_cast<unsigned int>(r.ptr - buffer));
}

CQxString& CQxString::AddFloat(float value) {
    char buffer[64];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return Append(buffer, static_cast<unsigned int>(r.ptr - buffer));
}

CQxString& CQxString::AddInts(const int* values, unsigned int count, const char* separator) {
    if (!values) return *this;
    for (unsigned int i = 0; i < count; ++i) {
        if (i) *this += separator;
        AddInt(values[i]);
    }
    return *this;
}

CQxString& CQxString::AddUints(const unsigned int* values, unsigned int count, const char* separator) {
    if (!values) return *this;
    for (unsigned int i = 0; i < count; ++i) {
        if (i) *this += separator;
        AddUint(values[i]);
    }
    return *this;
}

CQxString& CQxString::AddFloats(const float* values, unsigned int count, const char* separator) {
    if (!values) return *this;
    for (unsigned int i = 0; i < count; ++i) {
        if (i) *this += separator;
        AddFloat(values[i]);
    }
    return *this;
}

int CQxString::PopBackChar() {
    unsigned int len = GetLength();
    if (len == 0) return 0;
    Text.PopBack();
    Text[len - 1] = 0;
    return 1;
}

unsigned int CQxString::Remove(const char* text) {
    return Replace(text, "");
}

int CQxString::RemoveAt(unsigned int start, unsigned int length) {
    unsigned int len = GetLength();
    if (start > len) return 0;
    if (length > len - start) length = len - start;
    if (length == 0) return 1;
    char* s = Text.GetData();
    // Moves the tail together with its terminating zero.
    std::memmove(s + start, s + start + length, len - start - length + 1);
    Text.Resize(len - length + 1);
    return 1;
}

int CQxString::Insert(unsigned int pos, const char* text) {
    unsigned int len = GetLength();
    if (pos > len) return 0;
    unsigned int n = SafeLength(text);
    if (n == 0) return 1;
    if (n > kMaxLength - len) return 0;
    CQxString copy(text, n); // text may point into this string
    if (!Text.Resize(len + n + 1, 1, 2)) return 0;
    char* s = Text.GetData();
    std::memmove(s + pos + n, s + pos, len - pos + 1);
    std::memcpy(s + pos, copy.GetStr(), n);
    return 1;
}

unsigned int CQxString::Replace(const char* from, const char* to) {
    unsigned int fromLength = SafeLength(from);
    if (fromLength == 0) return 0;
    unsigned int at = Find(from);
    if (at == NotFound) return 0;
    CQxString toCopy(to); // either argument may point into this string
    CQxString fromCopy(from, fromLength);
    CQxString result;
    result.Reserve(GetLength());
    unsigned int count = 0, done = 0;
    for (; at != NotFound; at = Find(fromCopy.GetStr(), done)) {
        result.Append(GetStr() + done, at - done);
        result += toCopy;
        done = at + fromLength;
        ++count;
    }
    result.Append(GetStr() + done, GetLength() - done);
    *this = std::move(result);
    return count;
}

void CQxString::MakeLower() {
    for (unsigned int i = 0, n = GetLength(); i < n; ++i) Text[i] = LowerAscii(Text[i]);
}

void CQxString::MakeUpper() {
    for (unsigned int i = 0, n = GetLength(); i < n; ++i) Text[i] = UpperAscii(Text[i]);
}

void CQxString::Trim(const char* set) {
    ByteSet bytes(set);
    unsigned int len = GetLength();
    unsigned int end = len;
    while (end > 0 && bytes.Has(Text[end - 1])) --end;
    unsigned int start = 0;
    while (start < end && bytes.Has(Text[start])) ++start;
    if (end < len) RemoveAt(end, len - end);
    if (start > 0) RemoveAt(0, start);
}

void CQxString::RemoveFileName() {
    unsigned int len = GetLength();
    unsigned int cut = 0;
    for (unsigned int i = len; i > 0; --i) {
        if (Text[i - 1] == '/' || Text[i - 1] == '\\') {
            cut = i;
            break;
        }
    }
    RemoveAt(cut, len - cut);
}

int CQxString::IsStrEmpty(const char* text) {
    return !text || !*text;
}

CQxString operator+(const CQxString& a, const char* b) {
    CQxString result(a);
    result += b;
    return result;
}

CQxString operator+(const CQxString& a, const CQxString& b) {
    CQxString result(a);
    result += b;
    return result;
}
