#pragma once

// The text of a .x file as it is built: every line starts with the indentation of its block
// (one space a level) and ends with CR LF; a block is its header line, "{" on a line of its own
// at the same indentation, its content one level deeper, and "}".

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <system_error>
#include <type_traits>

#include "qx/basis/string.h"
#include "qx/math/matrix.h"

class CQxXText {
public:
    explicit CQxXText(CQxString& text) : m_Text(text) {}

    // "<header>" or "<header> <name>" on a line, then "{", and one level deeper.
    void Open(const char* header, const char* name = nullptr) {
        if (name)
            Line("%s %s", header, name);
        else
            Line("%s", header);
        Line("{");
        m_Indent += ' ';
    }
    void Close() {
        if (!m_Indent.empty()) m_Indent.pop_back();
        Line("}");
    }
    // One line at the current indentation. The format takes %f (six decimals), %d, %u and %s
    // only: numbers are written with std::to_chars, much faster than printf for the millions of
    // values a big mesh has, with the same digits.
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        m_Line.assign(m_Indent);
        va_list args;
        va_start(args, format);
        for (const char* c = format; *c; ++c) {
            if (*c != '%' || !c[1]) {
                m_Line += *c;
                continue;
            }
            switch (*++c) {
            case 'f': Number(va_arg(args, double)); break;
            case 'd': Number(va_arg(args, int)); break;
            case 'u': Number(va_arg(args, unsigned int)); break;
            case 's': m_Line += va_arg(args, const char*); break;
            default: m_Line += *c; break;
            }
        }
        va_end(args);
        m_Line += "\r\n";
        m_Text.Append(m_Line.data(), static_cast<unsigned int>(m_Line.size()));
    }
    // Text as it is, without indentation or line end.
    void Raw(const char* text) { m_Text += text; }
    // A matrix as four rows of four values, the last row ending `end`.
    void Matrix(const CQxMatrix& m, const char* end) {
        for (int r = 0; r < 4; ++r)
            Line("%f,%f,%f,%f%s", m.m[r][0], m.m[r][1], m.m[r][2], m.m[r][3], r < 3 ? "," : end);
    }
    unsigned int Depth() const { return static_cast<unsigned int>(m_Indent.size()); }
    void SetDepth(unsigned int depth) { m_Indent.assign(depth, ' '); }

private:
    template <class T>
    void Number(T value) {
        char buffer[64];
        std::to_chars_result end;
        if constexpr (std::is_floating_point_v<T>)
            end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
        else
            end = std::to_chars(buffer, buffer + sizeof buffer, value);
        // Only a value too long for the buffer fails (a float near its largest, in full).
        if (end.ec == std::errc()) {
            m_Line.append(buffer, end.ptr);
        } else {
            char wide[512];
            const int length = std::snprintf(wide, sizeof wide, "%f", static_cast<double>(value));
            m_Line.append(wide, static_cast<std::size_t>(std::max(0, std::min<int>(length, sizeof wide - 1))));
        }
    }

    CQxString& m_Text;
    std::string m_Indent;
    std::string m_Line;
};

class CQxObject;

// The name of an object in the file: its child indices from the root between underscores.
CQxString QxXName(const CQxObject& object);
// The "Mesh" block of a mesh object (positions, faces, normals, texture coordinates, materials,
// the vertices' origins and the skin), left-handed when asked.
void QxWriteXMesh(CQxXText& x, CQxObject& object, int leftHand);
