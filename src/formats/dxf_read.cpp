// Reading DXF text files into one mesh object under the root model. The file is untrusted:
// - it is read as pairs of lines (group code, value); codes the reader does not know are skipped;
// - 3DFACE corners (codes 10-13, 20-23, 30-33) may come in any order; a face ends with its entity;
// - polyface meshes (POLYLINE flag 64 with its VERTEX records) add their faces to the same mesh,
//   and so do those of a block, placed once, at the first INSERT that names it;
// - a face with a corner that is not a finite number, a polyface index that names no vertex, or
//   fewer than three distinct corners is left out; the rest loads;
// - a misplaced section marker, a 3DFACE outside the ENTITIES section, a number that cannot be
//   read, a binary file or text without EOF stop the read: nothing is added to the scene.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "qx/basis/msg_box.h"
#include "qx/platform/message.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

constexpr const char* kReadCaption = "読み込み失敗";
constexpr const char* kImportCaption = "インポート失敗";
// A value longer than this is cut in the message that names it.
constexpr std::size_t kShownValueLength = 64;

// The whole file, or a message and false.
bool ReadWholeFile(const char* path, std::string& text) {
    CQxString failed;
    failed.Format("\"%s\"\nの読み込みに失敗しました.", path);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) ::close(fd);
        QxMsgBox(failed, kReadCaption, MB_OK, nullptr);
        return false;
    }
    bool ok = info.st_size > 0;
    if (!ok) QxMsgBox("ファイルが空です.", kReadCaption, MB_OK, nullptr);
    std::size_t done = 0;
    if (ok) text.resize(static_cast<std::size_t>(info.st_size));
    while (ok && done < text.size()) {
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false; // an error, or the file shrank while it was read
            QxMsgBox(failed, kReadCaption, MB_OK, nullptr);
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    return ok;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Pairs of lines: a group code, then its value.
class CQxDxfPairs {
public:
    explicit CQxDxfPairs(std::string_view text) : m_Rest(text) {}

    // False at the end of the text (a code without its value line counts as the end).
    bool Next(int& code, std::string_view& value) {
        std::string_view codeLine;
        if (!Line(codeLine) || !Line(value)) return false;
        codeLine = Trim(codeLine);
        value = Trim(value);
        const auto [end, error] = std::from_chars(codeLine.data(), codeLine.data() + codeLine.size(), code);
        if (error != std::errc() || end != codeLine.data() + codeLine.size()) code = -1; // unknown: skipped
        return true;
    }

private:
    bool Line(std::string_view& line) {
        if (m_Rest.empty()) return false;
        const std::size_t end = m_Rest.find('\n');
        line = m_Rest.substr(0, end);
        m_Rest.remove_prefix(end == std::string_view::npos ? m_Rest.size() : end + 1);
        return true;
    }

    std::string_view m_Rest;
};

// A number value; false when the text is not one. Out-of-range values read as infinite.
bool ParseNumber(std::string_view text, float& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, out);
    if (stop != end || text.empty()) return false;
    if (error == std::errc::result_out_of_range)
        out = INFINITY;
    else if (error != std::errc())
        return false;
    return true;
}

bool ParseInt(std::string_view text, int& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, out);
    return !text.empty() && stop == end && error == std::errc();
}

bool IsFinite(const CQxVector& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Positions compared by exact value (0 and -0 are one position).
struct PositionKey {
    float X, Y, Z;
    bool operator==(const PositionKey& o) const { return X == o.X && Y == o.Y && Z == o.Z; }
};

struct PositionHash {
    std::size_t operator()(const PositionKey& k) const {
        auto bits = [](float f) {
            std::uint32_t u;
            f = f == 0.0f ? 0.0f : f;
            std::memcpy(&u, &f, sizeof u);
            return std::uint64_t{u};
        };
        std::uint64_t h = bits(k.X) * 0x9E3779B97F4A7C15ull;
        h = (h ^ bits(k.Y)) * 0xC2B2AE3D27D4EB4Full;
        h = (h ^ bits(k.Z)) * 0x165667B19E3779F9ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

// Up to four corners, as a 3DFACE or a polyface face gives them.
struct FaceCorners {
    CQxVector P[4];
    unsigned int Count = 0;
};

// The mesh being built: corners at one position share a vertex; vertices are made only for
// faces that are kept.
class CQxDxfMeshBuilder {
public:
    explicit CQxDxfMeshBuilder(CQxMesh& mesh) : m_Mesh(mesh) {}

    void AddFace(FaceCorners c) {
        // A fourth corner repeating the first or the third closes a triangle.
        if (c.Count == 4 && (c.P[3] == c.P[0] || c.P[3] == c.P[2])) c.Count = 3;
        CQxVector ring[4];
        unsigned int n = 0;
        for (unsigned int i = 0; i < c.Count; ++i) {
            if (!IsFinite(c.P[i])) return;
            if (n == 0 || !(ring[n - 1] == c.P[i])) ring[n++] = c.P[i];
        }
        if (n > 1 && ring[n - 1] == ring[0]) --n;
        if (n < 3) return;
        // A ring through one position twice would pair its own sides.
        for (unsigned int i = 0; i < n; ++i)
            for (unsigned int j = i + 1; j < n; ++j)
                if (ring[i] == ring[j]) return;
        CQxFace* face = new CQxFace(nullptr, 1);
        for (unsigned int i = 0; i < n; ++i)
            face->PushHalfEdge(new CQxHalfEdge(face, VertexAt(ring[i]), 0xFFFFFFFF));
        m_Mesh.Faces().PushBack(face);
    }

private:
    CQxVertex* VertexAt(const CQxVector& p) {
        auto [it, added] = m_Vertices.try_emplace(PositionKey{p.x, p.y, p.z}, nullptr);
        if (added) {
            it->second = new CQxVertex(p);
            m_Mesh.Vertices().PushBack(it->second);
        }
        return it->second;
    }

    CQxMesh& m_Mesh;
    std::unordered_map<PositionKey, CQxVertex*, PositionHash> m_Vertices;
};

// A polyface mesh: its vertex positions and its faces by 1-based vertex number (a negative
// number marks an invisible edge; 0 an unused corner).
struct Polyface {
    std::vector<CQxVector> Positions;
    std::vector<std::array<int, 4>> Faces;
};

// A block's faces in its own frame, and its base point.
struct Block {
    CQxVector Base;
    std::vector<FaceCorners> Faces;
    bool Placed = false;
};

// Which entity the pairs after the last code 0 belong to.
enum class CQxDxfEntity { Other, Face, Polyline, Vertex, Block, Insert };

class CQxDxfReader {
public:
    explicit CQxDxfReader(CQxMesh& mesh) : m_Builder(mesh) {}

    // 1 when the text was read to its EOF without an error; shows the message otherwise.
    bool Read(std::string_view text) {
        CQxDxfPairs pairs(text);
        int code = 0;
        std::string_view value;
        while (pairs.Next(code, value)) {
            const bool ok = code == 0 ? Marker(value) : Group(code, value);
            if (!ok) return Fail(value);
            if (m_Ended) return true;
        }
        QxMsgBox("DXFファイルが不正です.", kImportCaption, MB_OK, nullptr);
        return false;
    }

private:
    static bool Fail(std::string_view value) {
        const std::string shown(value.substr(0, kShownValueLength));
        CQxString text;
        text.Format("DXF\"%s\"が不正です.", shown.c_str());
        QxMsgBox(text, kImportCaption, MB_OK, nullptr);
        return false;
    }

    // A code 0: the entity before it ends, then a new entity or a section marker begins.
    bool Marker(std::string_view value) {
        EndEntity(value);
        m_Entity = CQxDxfEntity::Other;
        if (value == "3DFACE") {
            if (!m_InSection || !m_InEntities) return false;
            m_Entity = CQxDxfEntity::Face;
            m_Face = FaceCorners();
            m_Face.Count = 0;
        } else if (value == "SECTION") {
            if (m_InSection || m_InEntities) return false;
            m_InSection = true;
        } else if (value == "ENDSEC") {
            if (!m_InSection) return false;
            m_InSection = m_InEntities = false;
            m_Block = nullptr; // a block left open ends with its section
        } else if (value == "EOF") {
            if (m_InSection || m_InEntities) return false;
            m_Ended = true;
        } else if (value == "POLYLINE") {
            m_Entity = CQxDxfEntity::Polyline;
            m_PolylineFlags = 0;
        } else if (value == "VERTEX" && m_Polyface) {
            m_Entity = CQxDxfEntity::Vertex;
            m_VertexFlags = 0;
            m_Vertex = CQxVector();
            m_Indices = {0, 0, 0, 0};
        } else if (value == "BLOCK" && m_InSection && !m_InEntities) {
            m_Entity = CQxDxfEntity::Block;
            m_BlockName.clear();
            m_BlockBase = CQxVector();
        } else if (value == "ENDBLK") {
            m_Block = nullptr;
        } else if (value == "INSERT" && m_InEntities) {
            m_Entity = CQxDxfEntity::Insert;
            m_InsertName.clear();
            m_InsertPoint = CQxVector();
            m_InsertScale = CQxVector(1.0f, 1.0f, 1.0f);
            m_InsertAngle = 0.0f;
        }
        return true;
    }

    bool Group(int code, std::string_view value) {
        if (code == 2 && value == "ENTITIES") {
            if (!m_InSection || m_Entity == CQxDxfEntity::Face) return false;
            m_InEntities = true;
        }
        switch (m_Entity) {
        case CQxDxfEntity::Face:
            return FaceGroup(code, value);
        case CQxDxfEntity::Polyline:
            if (code == 70) return ParseInt(value, m_PolylineFlags);
            return true;
        case CQxDxfEntity::Vertex:
            return VertexGroup(code, value);
        case CQxDxfEntity::Block:
            if (code == 2) m_BlockName = value;
            return PointGroup(code, value, 10, m_BlockBase);
        case CQxDxfEntity::Insert:
            return InsertGroup(code, value);
        case CQxDxfEntity::Other:
            return true;
        }
        return true;
    }

    // Sets x, y or z of the point for the codes first, first + 10, first + 20.
    static bool PointGroup(int code, std::string_view value, int first, CQxVector& point) {
        if (code == first) return ParseNumber(value, point.x);
        if (code == first + 10) return ParseNumber(value, point.y);
        if (code == first + 20) return ParseNumber(value, point.z);
        return true;
    }

    bool FaceGroup(int code, std::string_view value) {
        const int corner = code % 10;
        if (code < 10 || code > 33 || corner > 3) return true;
        m_Face.Count |= 1u << corner; // a mask of the corners given until the entity ends
        return PointGroup(code, value, 10 + corner, m_Face.P[corner]);
    }

    bool VertexGroup(int code, std::string_view value) {
        if (code == 70) return ParseInt(value, m_VertexFlags);
        if (code >= 71 && code <= 74) return ParseInt(value, m_Indices[code - 71]);
        return PointGroup(code, value, 10, m_Vertex);
    }

    bool InsertGroup(int code, std::string_view value) {
        if (code == 2) m_InsertName = value;
        if (code >= 41 && code <= 43) {
            float s = 1.0f;
            if (!ParseNumber(value, s)) return false;
            (code == 41 ? m_InsertScale.x : code == 42 ? m_InsertScale.y : m_InsertScale.z) = s;
        }
        if (code == 50) return ParseNumber(value, m_InsertAngle);
        return PointGroup(code, value, 10, m_InsertPoint);
    }

    // Finishes the entity that `next` (the value of the next code 0) ends.
    void EndEntity(std::string_view next) {
        switch (m_Entity) {
        case CQxDxfEntity::Face:
            EndFace();
            break;
        case CQxDxfEntity::Polyline:
            if (m_PolylineFlags & 64) m_Polyface = std::make_unique<Polyface>();
            break;
        case CQxDxfEntity::Vertex:
            EndVertex();
            break;
        case CQxDxfEntity::Block:
            BeginBlock();
            break;
        case CQxDxfEntity::Insert:
            PlaceBlock();
            break;
        case CQxDxfEntity::Other:
            break;
        }
        if (m_Polyface && next != "VERTEX") EndPolyface();
    }

    void EndFace() {
        // Corners 1 to 3 are required; without a fourth the face is a triangle.
        const unsigned int given = m_Face.Count;
        if ((given & 7u) != 7u) return;
        m_Face.Count = (given & 8u) ? 4 : 3;
        m_Builder.AddFace(m_Face);
    }

    void EndVertex() {
        const bool isFace = (m_VertexFlags & 128) && !(m_VertexFlags & 64);
        if (isFace)
            m_Polyface->Faces.push_back(m_Indices);
        else
            m_Polyface->Positions.push_back(m_Vertex);
    }

    void EndPolyface() {
        const std::unique_ptr<Polyface> mesh = std::move(m_Polyface);
        const std::size_t count = mesh->Positions.size();
        for (const std::array<int, 4>& indices : mesh->Faces) {
            FaceCorners c;
            bool sound = true;
            for (int index : indices) {
                if (index == 0) break;
                const std::size_t k =
                    static_cast<std::size_t>(index < 0 ? -static_cast<long long>(index) : index);
                if (k > count)
                    sound = false;
                else
                    c.P[c.Count++] = mesh->Positions[k - 1];
            }
            if (!sound || c.Count < 3) continue;
            if (m_Block)
                m_Block->Faces.push_back(c);
            else if (m_InEntities)
                m_Builder.AddFace(c);
        }
    }

    void BeginBlock() {
        m_Block = nullptr;
        auto [it, added] = m_Blocks.try_emplace(m_BlockName);
        if (!added) return; // a second block of one name keeps the first
        it->second.Base = m_BlockBase;
        m_Block = &it->second;
    }

    // The block's faces scaled, turned about Z and moved to the insertion point.
    void PlaceBlock() {
        auto it = m_Blocks.find(m_InsertName);
        if (it == m_Blocks.end() || it->second.Placed) return;
        Block& block = it->second;
        block.Placed = true;
        const double angle = m_InsertAngle * std::numbers::pi / 180.0;
        const float c = static_cast<float>(std::cos(angle)), s = static_cast<float>(std::sin(angle));
        for (FaceCorners face : block.Faces) {
            for (unsigned int i = 0; i < face.Count; ++i) {
                const CQxVector d = face.P[i] - block.Base;
                const CQxVector q(d.x * m_InsertScale.x, d.y * m_InsertScale.y, d.z * m_InsertScale.z);
                face.P[i] = CQxVector(q.x * c - q.y * s, q.x * s + q.y * c, q.z) + m_InsertPoint;
            }
            m_Builder.AddFace(face);
        }
    }

    CQxDxfMeshBuilder m_Builder;
    bool m_InSection = false;
    bool m_InEntities = false;
    bool m_Ended = false;
    CQxDxfEntity m_Entity = CQxDxfEntity::Other;
    FaceCorners m_Face;
    int m_PolylineFlags = 0;
    std::unique_ptr<Polyface> m_Polyface;
    int m_VertexFlags = 0;
    CQxVector m_Vertex;
    std::array<int, 4> m_Indices = {0, 0, 0, 0};
    std::string m_BlockName;
    CQxVector m_BlockBase;
    std::unordered_map<std::string, Block> m_Blocks;
    Block* m_Block = nullptr; // the block whose entities are being read
    std::string m_InsertName;
    CQxVector m_InsertPoint;
    CQxVector m_InsertScale;
    float m_InsertAngle = 0.0f;
};

bool IsBinaryDxf(std::string_view text) {
    constexpr std::string_view sentinel("AutoCAD Binary DXF");
    return text.substr(0, sentinel.size()) == sentinel;
}

} // namespace

int CQxScene::ReadDxfFile(const char* path) {
    std::string text;
    if (CQxString::IsStrEmpty(path) || !ReadWholeFile(path, text)) return 0;
    if (IsBinaryDxf(text)) {
        QxMsgBox("DXFファイルが不正です.", kImportCaption, MB_OK, nullptr);
        return 0;
    }
    auto object = std::make_unique<CQxObject>(1);
    CQxMesh& mesh = object->Mesh();
    if (!CQxDxfReader(mesh).Read(text)) return 0;
    if (mesh.Vertices().IsEmpty()) {
        QxMsgBox("図形データが空です．", kImportCaption, MB_OK, nullptr);
        return 0;
    }
    object->SetName(CalcUniqueObjectName("Mesh"));
    mesh.UpdateIndices();
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateNormals();
    object->UpdateBoundBox();
    object->UpdateGraphics();
    RootModel().PushChild(object.release());
    return 1;
}
