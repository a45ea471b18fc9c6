// Reading the object chunks of MQO documents: transform and display settings, vertices (as text
// or as raw little-endian floats) and faces.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "mqo_reader.h"

#include "qx/graphics/mesh.h"

namespace {

// Flags of the corners and lines the reader makes, as the mesh's own builders give them.
constexpr unsigned int CornerFlags = 0xFFFFFFFF;

// Whether a ring of vertex indices names some vertex twice.
bool HasRepeat(const std::vector<unsigned int>& corners) {
    if (corners.size() <= 16) {
        for (std::size_t i = 1; i < corners.size(); ++i)
            if (std::find(corners.begin(), corners.begin() + i, corners[i]) != corners.begin() + i)
                return true;
        return false;
    }
    std::vector<unsigned int> sorted(corners);
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

// Drops each corner that repeats the one before it, round the ring, with its texture coordinate:
// writers pad triangles to quads that way ("4 V(0 1 2 2)").
void DropRepeatedNeighbours(std::vector<unsigned int>& corners, std::vector<float>& uvs, bool hasUV) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        if (kept > 0 && corners[i] == corners[kept - 1]) continue;
        corners[kept] = corners[i];
        if (hasUV) {
            uvs[2 * kept] = uvs[2 * i];
            uvs[2 * kept + 1] = uvs[2 * i + 1];
        }
        ++kept;
    }
    while (kept > 1 && corners[kept - 1] == corners[0]) --kept;
    corners.resize(kept);
    if (hasUV) uvs.resize(2 * kept);
}

} // namespace

bool CQxMqoReader::ReadObject() {
    const CQxMqoToken name = Next();
    if (!name.Is(QX_MQO_TOKEN::String) || !Expect(QX_MQO_TOKEN::OpenBrace)) return false;
    auto object = std::make_unique<CQxObject>(1);
    object->SetName(m_ObjectNames.MakeUnique(ToName(name.Text)).c_str());
    ObjectState state;
    state.Object = object.get();
    for (;;) {
        const CQxMqoToken t = Next();
        if (t.Is(QX_MQO_TOKEN::CloseBrace)) break;
        if (!QxMqoIsKeywordToken(t) || !ReadObjectEntry(state, t.Text)) return false;
    }
    object->HasUV() = state.HasUV ? 1 : 0;
    m_Objects.push_back(std::move(object));
    return true;
}

// The value of one keyword of an object chunk.
bool CQxMqoReader::ReadObjectEntry(ObjectState& state, std::string_view keyword) {
    CQxObject& object = *state.Object;
    float v[3];
    long long n = 0;
    if (QxMqoIsKeyword(keyword, "scale")) {
        if (!ReadFloats(v, 3)) return false;
        object.Scale() = CQxVector(v[0], v[1], v[2]);
    } else if (QxMqoIsKeyword(keyword, "translation")) {
        if (!ReadFloats(v, 3)) return false;
        object.Translate() = CQxVector(v[0], v[1], v[2]);
    } else if (QxMqoIsKeyword(keyword, "rotation")) {
        if (!ReadFloats(v, 3)) return false;
        object.SetAngle(CQxVector(v[0], v[1], v[2])); // heading, pitch, bank as they stand
    } else if (QxMqoIsKeyword(keyword, "visible")) {
        if (!ReadInt(n)) return false;
        object.IsVisible() = n != 0 ? 1 : 0;
    } else if (QxMqoIsKeyword(keyword, "locking")) {
        return ReadInt(n);
    } else if (QxMqoIsKeyword(keyword, "shading")) {
        if (!ReadInt(n)) return false;
        state.Shade = n == 0;
    } else if (QxMqoIsKeyword(keyword, "mirror")) {
        if (!ReadInt(n)) return false;
        if (n == 2) object.IsMirrorConnect() = 1;
    } else if (QxMqoIsKeyword(keyword, "mirror_axis")) {
        if (!ReadInt(n)) return false;
        object.MirrorFlags() |= static_cast<unsigned int>(n) & (QX_AXIS_X | QX_AXIS_Y | QX_AXIS_Z);
    } else if (QxMqoIsKeyword(keyword, "vertex")) {
        return ReadVertices(state);
    } else if (QxMqoIsKeyword(keyword, "BVertex")) {
        return ReadBinaryVertices(state);
    } else if (QxMqoIsKeyword(keyword, "face")) {
        return ReadFaces(state);
    } else {
        return SkipValue();
    }
    return true;
}

// --- Vertices -------------------------------------------------------------------------------------

bool CQxMqoReader::ReadVertices(ObjectState& state) {
    unsigned long long count = 0;
    if (!ReadChunkStart(count)) return false;
    // The count only bounds what is read; a vertex takes at least six bytes of text.
    state.Vertices.reserve(state.Vertices.size() +
                           std::min<unsigned long long>(count, m_Tokens.GetRemaining() / 6));
    CQxList<CQxVertex>& list = state.Object->Mesh().Vertices();
    for (unsigned long long i = 0; i < count; ++i) {
        float p[3];
        if (!ReadFloats(p, 3)) return false;
        auto* vertex = new CQxVertex(CQxVector(p[0], p[1], p[2]));
        list.PushBack(vertex);
        state.Vertices.push_back(vertex);
    }
    return Expect(QX_MQO_TOKEN::CloseBrace);
}

// "BVertex n {", then "Vector n [bytes]" and, from the next line on, n * 3 little-endian floats;
// further entries of the chunk are skipped.
bool CQxMqoReader::ReadBinaryVertices(ObjectState& state) {
    unsigned long long count = 0, vectors = 0;
    if (!ReadChunkStart(count)) return false;
    const CQxMqoToken vector = Next();
    if (!vector.Is(QX_MQO_TOKEN::Word) || !QxMqoIsKeyword(vector.Text, "Vector") || !ReadCount(vectors))
        return false;
    const CQxMqoToken size = Next();
    if (!size.Is(QX_MQO_TOKEN::Word) || size.Text.size() < 3 || size.Text.front() != '[' ||
        size.Text.back() != ']')
        return false;
    unsigned long long bytes = 0;
    const char* first = size.Text.data() + 1;
    const char* last = size.Text.data() + size.Text.size() - 1;
    const auto [ptr, ec] = std::from_chars(first, last, bytes);
    if (ec != std::errc() || ptr != last || vectors != count || vectors > bytes / 12 || bytes != vectors * 12)
        return false;
    m_Tokens.SkipLine();
    if (m_Tokens.GetRemaining() < bytes) return false;
    const auto* data = reinterpret_cast<const unsigned char*>(m_Tokens.GetPos());
    auto readFloat = [&](std::size_t at) {
        const std::uint32_t bits = std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 |
                                   std::uint32_t{data[at + 2]} << 16 | std::uint32_t{data[at + 3]} << 24;
        return std::bit_cast<float>(bits);
    };
    CQxList<CQxVertex>& list = state.Object->Mesh().Vertices();
    state.Vertices.reserve(state.Vertices.size() + vectors);
    for (unsigned long long i = 0; i < vectors; ++i) {
        const CQxVector p(readFloat(i * 12), readFloat(i * 12 + 4), readFloat(i * 12 + 8));
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        auto* vertex = new CQxVertex(p);
        list.PushBack(vertex);
        state.Vertices.push_back(vertex);
    }
    m_Tokens.Advance(bytes);
    for (;;) {
        const CQxMqoToken t = Next();
        if (t.Is(QX_MQO_TOKEN::CloseBrace)) return true;
        if (!QxMqoIsKeywordToken(t) || !SkipValue()) return false;
    }
}

// --- Faces ----------------------------------------------------------------------------------------

bool CQxMqoReader::ReadFaces(ObjectState& state) {
    unsigned long long count = 0;
    if (!ReadChunkStart(count)) return false;
    for (unsigned long long i = 0; i < count; ++i)
        if (!ReadFace(state)) return false;
    return Expect(QX_MQO_TOKEN::CloseBrace);
}

// One line: the corner count k, then "V(k vertex indices)", and optionally "M(material)" and
// "UV(2k floats)"; other parameters are skipped.
bool CQxMqoReader::ReadFace(ObjectState& state) {
    unsigned long long k = 0;
    // Each corner takes at least two bytes of text: a larger count is a lie.
    if (!ReadCount(k) || k > m_Tokens.GetRemaining()) return false;
    m_Corners.clear();
    m_UVs.clear();
    long long material = -1;
    bool hasUV = false;
    const bool read = ReadParameters([&](std::string_view keyword) {
        if (QxMqoIsKeyword(keyword, "V")) {
            m_Corners.clear();
            for (unsigned long long i = 0; i < k; ++i) {
                unsigned long long index = 0;
                if (!ReadCount(index) || index >= state.Vertices.size()) return false;
                m_Corners.push_back(static_cast<unsigned int>(index));
            }
        } else if (QxMqoIsKeyword(keyword, "M")) {
            if (!ReadInt(material)) return false;
        } else if (QxMqoIsKeyword(keyword, "UV")) {
            m_UVs.clear();
            for (unsigned long long i = 0; i < 2 * k; ++i) {
                float value = 0.0f;
                if (!ReadFloat(value)) return false;
                m_UVs.push_back(value);
            }
            hasUV = true;
        } else {
            return SkipParens();
        }
        return Expect(QX_MQO_TOKEN::CloseParen);
    });
    if (!read) return false;
    if (hasUV && m_UVs.size() != 2 * m_Corners.size()) hasUV = false; // UVs without corners
    AddFace(state, material, hasUV);
    return true;
}

// Turns the corners read into a face (its ring reversed), a line for two corners, or nothing
// for a face that encloses no area.
void CQxMqoReader::AddFace(ObjectState& state, long long material, bool hasUV) {
    const std::size_t read = m_Corners.size();
    DropRepeatedNeighbours(m_Corners, m_UVs, hasUV);
    CQxMesh& mesh = state.Object->Mesh();
    if (read == 2 && m_Corners.size() == 2) {
        mesh.Edges().PushBack(
            new CQxEdge(state.Vertices[m_Corners[0]], state.Vertices[m_Corners[1]], CornerFlags));
        return;
    }
    if (m_Corners.size() < 3 || HasRepeat(m_Corners)) return;
    CQxAttribute* attribute = nullptr;
    if (material >= 0 && static_cast<unsigned long long>(material) < m_Attributes.size())
        attribute = m_Attributes[static_cast<std::size_t>(material)].get();
    auto* face = new CQxFace(attribute, 1);
    face->SetShade(state.Shade ? 1 : 0);
    for (std::size_t i = m_Corners.size(); i-- > 0;) {
        auto* h = new CQxHalfEdge(face, state.Vertices[m_Corners[i]], CornerFlags);
        if (hasUV) {
            h->AllocUV();
            h->UV() = CQxVector2D(m_UVs[2 * i], m_UVs[2 * i + 1]);
        }
        face->PushHalfEdge(h);
    }
    mesh.Faces().PushBack(face);
    if (hasUV) state.HasUV = true;
}
