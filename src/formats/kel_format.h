#pragma once

// What the scene-file reader and writer share: the texts of values and the separators.

#include <charconv>
#include <cstring>

#include "qx/basis/string.h"

inline constexpr const char* QxKelRecordSeparator = ",\r\n";
// Separators of number lists, and those of a face's corner count and vertex indices.
inline constexpr const char* QxKelNumberSeparators = ", \t\r\n";
inline constexpr const char* QxKelIndexSeparators = ";, \t\r\n";
// Objects nested deeper than this below the root model are not read: every walk of the object
// tree recurses on depth, and a file must not be able to exhaust the stack.
inline constexpr unsigned int QxKelMaxDepth = 512;

inline const char* QxKelBoolText(unsigned int value) { return value ? "True" : "False"; }

// "X", "Y", "Z" for the axes 1, 2, 4; null for any other value (the element is left out).
inline const char* QxKelAxisText(unsigned int axis) {
    switch (axis) {
    case 1: return "X";
    case 2: return "Y";
    case 4: return "Z";
    default: return nullptr;
    }
}

// Writes the number lists of big elements (millions of values) into a string: each number is
// formatted straight into a local buffer and the buffer joins the string in large pieces,
// instead of growing the string by every few bytes.
class CQxKelListWriter {
public:
    explicit CQxKelListWriter(CQxString& text) : m_Text(text) {}
    CQxKelListWriter(const CQxKelListWriter&) = delete;
    CQxKelListWriter& operator=(const CQxKelListWriter&) = delete;
    ~CQxKelListWriter() { Flush(); }

    CQxKelListWriter& Text(const char* text) {
        const std::size_t n = std::strlen(text);
        if (n > sizeof m_Buffer) {
            Flush();
            m_Text.Append(text, static_cast<unsigned int>(n));
            return *this;
        }
        Room(n);
        std::memcpy(m_Buffer + m_Used, text, n);
        m_Used += n;
        return *this;
    }
    CQxKelListWriter& Char(char c) {
        Room(1);
        m_Buffer[m_Used++] = c;
        return *this;
    }
    // Numbers as CQxString's AddUint, AddInt and AddFloat write them.
    template <class T>
    CQxKelListWriter& Number(T value) {
        Room(kNumberRoom);
        m_Used = static_cast<std::size_t>(std::to_chars(m_Buffer + m_Used, m_Buffer + sizeof m_Buffer, value).ptr - m_Buffer);
        return *this;
    }
    // Values separated by commas.
    template <class T>
    CQxKelListWriter& Numbers(const T* values, unsigned int count) {
        for (unsigned int i = 0; i < count; ++i) {
            if (i) Char(',');
            Number(values[i]);
        }
        return *this;
    }

private:
    static constexpr std::size_t kNumberRoom = 64;
    void Room(std::size_t n) {
        if (sizeof m_Buffer - m_Used < n) Flush();
    }
    void Flush() {
        m_Text.Append(m_Buffer, static_cast<unsigned int>(m_Used));
        m_Used = 0;
    }

    CQxString& m_Text;
    std::size_t m_Used = 0;
    char m_Buffer[1 << 14];
};
