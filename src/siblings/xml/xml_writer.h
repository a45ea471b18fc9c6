#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "qx/basis/string.h"
#include "qx/xml/xml_element.h"

// Where written text goes: a fixed buffer written out to a file whenever it fills, or a string
// that is itself the buffer (sized from an estimate, so it is rarely moved). After a failure
// (a write error, no memory) further text is dropped and Finish reports it.
class CQxXmlOutput {
public:
    explicit CQxXmlOutput(int fd);
    CQxXmlOutput(CQxString& text, std::size_t expected);
    CQxXmlOutput(const CQxXmlOutput&) = delete;
    CQxXmlOutput& operator=(const CQxXmlOutput&) = delete;

    void Append(const char* text, std::size_t length) {
        if (length > Left() && !MakeRoom(length)) return;
        std::memcpy(m_Next, text, length);
        m_Next += length;
    }
    void Append(const char* text) { Append(text, std::strlen(text)); }
    void Append(char c) {
        if (Left() == 0 && !MakeRoom(1)) return;
        *m_Next++ = c;
    }
    void Fill(char c, std::size_t count) {
        if (count > Left() && !MakeRoom(count)) return;
        std::memset(m_Next, c, count);
        m_Next += count;
    }
    // Writes out or trims what is left; false when anything failed.
    bool Finish();

private:
    std::size_t Left() const { return static_cast<std::size_t>(m_End - m_Next); }
    bool MakeRoom(std::size_t length);
    bool WriteOut(const char* data, std::size_t length);

    int m_Fd = -1;
    CQxString* m_Text = nullptr;
    std::string m_FileBuffer;
    char* m_Begin = nullptr;
    char* m_Next = nullptr;
    char* m_End = nullptr;
    bool m_Failed = false;
};

// Writes a document tree as UTF-8 text, without recursion.
class CQxXmlWriter {
public:
    // Checks that the tree can be written so that it reads back: XML names, no attribute name
    // twice on one element, exactly one top element. Sets the reason when it cannot, and gives
    // the size of the text before escapes.
    static bool Check(const CQxXmlElement& root, std::string& error, std::size_t& size);
    // Writes a checked tree; the output's Finish says whether all of it arrived.
    static void Write(const CQxXmlElement& root, CQxXmlOutput& out);
};

// Appends text with the escapes element content (or, with `attribute`, an attribute value)
// needs, replacing what XML 1.0 cannot hold with U+FFFD.
void QxXmlAppendEscaped(CQxXmlOutput& out, const char* text, std::size_t length, bool attribute);
