#pragma once

#include <compare>
#include <cstdarg>

#include "qx/basis/array.h"
#include "qx/export.h"

// CQxString: growable UTF-8 text, always zero-terminated.
//
// Positions and lengths are byte counts. Searches return the position found or NotFound
// (0xFFFFFFFF). The readers work on a read position the caller owns (`unsigned int& pos`):
// they skip the delimiters given, read one token, and move the position past it; when there
// is nothing to read, or the token is not what was asked for, they return 0 and leave the
// position where it was, so a caller stops cleanly at the first bad token.
class QX_API CQxString {
public:
    static constexpr unsigned int NotFound = 0xFFFFFFFF;

    CQxString();
    CQxString(const char* text);                      // null reads as ""
    CQxString(const char* text, unsigned int length); // the first `length` bytes
    CQxString(const CQxString& other);
    CQxString(CQxString&& other) noexcept;
    ~CQxString();
    CQxString& operator=(const char* text);
    CQxString& operator=(const CQxString& other);
    CQxString& operator=(CQxString&& other) noexcept;

    // Access. The text stays valid until the string is next changed.
    const char* GetStr() const;
    operator const char*() const { return GetStr(); }
    unsigned int GetLength() const;
    int IsEmpty() const;
    void Empty();                        // length 0, storage kept
    char GetAt(unsigned int pos) const;  // 0 at or beyond the length
    int SetAt(unsigned int pos, char c); // 0 when pos is not below the length
    // Raw storage for filling the string from a file: SetLength sets the length (new bytes are
    // zero) and GetData gives the writable bytes; the terminating zero is kept.
    int SetLength(unsigned int length);
    char* GetData();
    void Reserve(unsigned int capacity);

    // Formatting, printf style. Format replaces the text, AppendFormat appends. 1 on success;
    // 0 when the format cannot be applied (Format then leaves the text empty).
    int Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int FormatV(const char* format, va_list args);
    int AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Concatenation.
    CQxString& operator+=(const char* text);
    CQxString& operator+=(const CQxString& text);
    CQxString& operator+=(char c);
    CQxString& Append(const char* text, unsigned int length);

    // Comparisons: byte order (strcmp); CompareNoCase folds ASCII letters.
    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;
    friend bool operator==(const CQxString& a, const CQxString& b) { return a.Compare(b.GetStr()) == 0; }
    friend bool operator==(const CQxString& a, const char* b) { return a.Compare(b) == 0; }
    friend auto operator<=>(const CQxString& a, const CQxString& b) { return a.Compare(b.GetStr()) <=> 0; }
    friend auto operator<=>(const CQxString& a, const char* b) { return a.Compare(b) <=> 0; }

    // Searching. Find gives the first position of the text at or after `start`, FindEnd the
    // position just past that occurrence; FindFirstOf and FindFirstNot the first position whose
    // byte is (is not) in the set; FindLast the last position of a byte. An empty text is never
    // found.
    unsigned int Find(const char* text, unsigned int start = 0) const;
    unsigned int Find(char c, unsigned int start = 0) const;
    unsigned int FindEnd(const char* text, unsigned int start = 0) const;
    unsigned int FindFirstOf(const char* set, unsigned int start = 0) const;
    unsigned int FindFirstNot(const char* set, unsigned int start = 0) const;
    unsigned int FindLast(char c) const;

    // 1 when the text at `pos` begins with `text` (CompareLCSubStr ignores ASCII case), else 0.
    int CompareSubStr(const char* text, unsigned int pos = 0) const;
    int CompareLCSubStr(const char* text, unsigned int pos = 0) const;

    // The bytes from `start`, at most `length` of them (clipped to the end).
    CQxString GetSubStr(unsigned int start, unsigned int length = NotFound) const;

    // Tokens. GetTokenPos skips delimiters from `pos`, returns the start of the next token and
    // moves `pos` to the byte after it (the delimiter that ends it, or the end of the text);
    // NotFound when only delimiters remain (then `pos` moves to the end). GetToken does the same
    // and copies the token; 0 when there is none.
    unsigned int GetTokenPos(unsigned int& pos, const char* delimiters) const;
    int GetToken(CQxString& token, unsigned int& pos, const char* delimiters) const;

    // Number readers. Each reads whole tokens: "12abc" is not a number. The plural forms read up
    // to `count` numbers and return how many they read, stopping at the first token that is not
    // a number; the CQxArray forms append what they read.
    int GetInt(int& value, unsigned int& pos, const char* delimiters) const;
    int GetUint(unsigned int& value, unsigned int& pos, const char* delimiters) const;
    int GetFloat(float& value, unsigned int& pos, const char* delimiters) const;
    unsigned int GetInts(int* values, unsigned int count, unsigned int& pos, const char* delimiters) const;
    unsigned int GetUints(unsigned int* values, unsigned int count, unsigned int& pos,
                          const char* delimiters) const;
    unsigned int GetFloats(float* values, unsigned int count, unsigned int& pos,
                           const char* delimiters) const;
    unsigned int GetInts(CQxArray<int>& values, unsigned int count, unsigned int& pos,
                         const char* delimiters) const;
    unsigned int GetUints(CQxArray<unsigned int>& values, unsigned int count, unsigned int& pos,
                          const char* delimiters) const;
    unsigned int GetFloats(CQxArray<float>& values, unsigned int count, unsigned int& pos,
                           const char* delimiters) const;

    // Number appenders: decimal integers; floats in the shortest form that reads back to the
    // same value. Lists are joined with `separator`.
    CQxString& AddInt(int value);
    CQxString& AddUint(unsigned int value);
    CQxString& AddFloat(float value);
    CQxString& AddInts(const int* values, unsigned int count, const char* separator = ",");
    CQxString& AddUints(const unsigned int* values, unsigned int count, const char* separator = ",");
    CQxString& AddFloats(const float* values, unsigned int count, const char* separator = ",");

    // Editing.
    int PopBackChar();                                      // 0 on an empty string
    unsigned int Remove(const char* text);                  // removes every occurrence; returns how many
    int RemoveAt(unsigned int start, unsigned int length);  // 0 when start is beyond the length
    int Insert(unsigned int pos, const char* text);         // 0 when pos is beyond the length
    unsigned int Replace(const char* from, const char* to); // every occurrence; returns how many
    void MakeLower();                                       // ASCII letters only
    void MakeUpper();
    void Trim(const char* set = " \t\r\n"); // both ends
    // Keeps the directory part of a path, up to and including its last '/' or '\\';
    // the empty string when there is none.
    void RemoveFileName();

    // True for a null pointer or "".
    static int IsStrEmpty(const char* text);

private:
    CQxArray<char> Text; // the bytes and their terminating zero
};

// One whole token [first, last) read as a number, as the readers above read each token (a leading
// '+' is accepted); 0 when the token is not one, and the value is left alone.
QX_API int QxParseInt(const char* first, const char* last, int& value);
QX_API int QxParseUint(const char* first, const char* last, unsigned int& value);
QX_API int QxParseFloat(const char* first, const char* last, float& value);

QX_API CQxString operator+(const CQxString& a, const char* b);
QX_API CQxString operator+(const CQxString& a, const CQxString& b);
