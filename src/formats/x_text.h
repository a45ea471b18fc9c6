#pragma once

// The text of a .x file as it is built: every line starts with the indentation of its block
// (one space a level) and ends with CR LF; a block is its header line, "{" on a line of its own
// at the same indentation, its content one level deeper, and "}".

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

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
    // One line at the current indentation.
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char buffer[512];
        va_list args;
        va_start(args, format);
        const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        m_Text.Append(m_Indent.data(), static_cast<unsigned int>(m_Indent.size()));
        if (length > 0) m_Text.Append(buffer, static_cast<unsigned int>(std::min<int>(length, sizeof buffer - 1)));
        m_Text.Append("\r\n", 2);
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
    CQxString& m_Text;
    std::string m_Indent;
};

class CQxObject;

// The name of an object in the file: its child indices from the root between underscores.
CQxString QxXName(const CQxObject& object);
// The "Mesh" block of a mesh object (positions, faces, normals, texture coordinates, materials,
// the vertices' origins and the skin), left-handed when asked.
void QxWriteXMesh(CQxXText& x, CQxObject& object, int leftHand);
