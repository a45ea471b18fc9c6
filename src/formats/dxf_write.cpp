// Writing DXF text: an ENTITIES section of 3DFACE entities, one per triangle or quad of every
// mesh in world placement (larger faces as fans of triangles). The frame opens the first entity
// up to its layer code; the object tree continues from there, the counter telling whether that
// entity is still open (1) or how many faces came before. A scene without faces is not written.
#include <charconv>
#include <cstdio>
#include <string>

#include "qx/math/stacks.h"
#include "qx/scene/model.h"
#include "qx/platform/file_replace.h"
#include "qx/scene/scene.h"

namespace {

constexpr const char* kHeader = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\n3DFACE\r\n8\r\n";
constexpr const char* kFooter = "0\r\nENDSEC\r\n0\r\nEOF";
constexpr const char* kLayer = "0";

void AppendNumber(std::string& out, int code, float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out += std::to_string(code);
    out += "\r\n";
    out.append(buffer, result.ptr);
    out += "\r\n";
}

// One entity with three or four corners; a triangle repeats its third corner.
void AppendFace(std::string& out, unsigned int& count, const CQxVector* corners, unsigned int n) {
    if (count > 1) out += "0\r\n3DFACE\r\n8\r\n";
    out += kLayer;
    out += "\r\n";
    for (unsigned int k = 0; k < 4; ++k) {
        const CQxVector& p = corners[k < n ? k : n - 1];
        AppendNumber(out, 10 + static_cast<int>(k), p.x);
        AppendNumber(out, 20 + static_cast<int>(k), p.y);
        AppendNumber(out, 30 + static_cast<int>(k), p.z);
    }
    ++count;
}

bool WriteOut(std::FILE* file, std::string& text) {
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    text.clear();
    return ok;
}

} // namespace

int CQxObject::WriteDxf(void* file, unsigned int& count, CQxMatrixStack& stack) {
    auto* out = static_cast<std::FILE*>(file);
    if (!out) return 0;
    CQxMatrix local;
    if (!GetTransform(local, QX_TF_ALL, 0)) local = CQxMatrix();
    stack.PushLeft(local);
    const CQxMatrix& world = stack.Top();
    std::string text;
    bool ok = true;
    if (GetType() == QX_OBJ_MESH) {
        for (const CQxFace& face : Mesh().Faces()) {
            const unsigned int n = face.GetHalfEdgeCount();
            if (n < 3) continue;
            CQxVector ring[4];
            const CQxHalfEdge* h = face.GetHalfEdge();
            const CQxVector first = h->GetVertex()->Position() * world;
            if (n <= 4) {
                for (unsigned int k = 0; k < n; ++k, h = h->Next())
                    ring[k] = h->GetVertex()->Position() * world;
                AppendFace(text, count, ring, n);
            } else {
                h = h->Next();
                for (unsigned int k = 1; k + 1 < n; ++k, h = h->Next()) {
                    ring[0] = first;
                    ring[1] = h->GetVertex()->Position() * world;
                    ring[2] = h->Next()->GetVertex()->Position() * world;
                    AppendFace(text, count, ring, 3);
                }
            }
            if (text.size() > (1u << 20)) ok = ok && WriteOut(out, text);
        }
    }
    ok = ok && WriteOut(out, text);
    for (CQxObject* child : GetChildren())
        if (ok) ok = child->WriteDxf(file, count, stack) != 0;
    stack.Pop();
    return ok ? 1 : 0;
}

int CQxScene::WriteDxfFile(const char* path) {
    const QX_REPLACE_RESULT result = QxReplaceFileStream(path, [&](std::FILE* file) {
        unsigned int count = 1;
        CQxMatrixStack stack;
        const bool ok = std::fputs(kHeader, file) >= 0 && RootModel().WriteDxf(file, count, stack) && count > 1;
        return ok && std::fputs(kFooter, file) >= 0;
    });
    return result == QX_REPLACE_DONE ? 1 : 0;
}
