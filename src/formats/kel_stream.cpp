#include "kel_stream.h"

#include <algorithm>
#include <cstring>

#include "kel_format.h"

#include "qx/basis/string.h"
#include "qx/xml/xml_element.h"

CQxKelSeparators::CQxKelSeparators(const char* separators) {
    for (const char* c = separators; c && *c; ++c) m_Table[static_cast<unsigned char>(*c)] = 1;
}

// --- Tokens -----------------------------------------------------------------------------------

void CQxKelListDecoder::Deliver(const char* first, const char* last) {
    if (static_cast<std::size_t>(last - first) > MaxTokenBytes || !Token(first, last)) m_Done = true;
}

void CQxKelListDecoder::Feed(const char* text, std::size_t length) {
    const char* p = text;
    const char* end = text + length;
    while (!m_Done && p < end) {
        const CQxKelSeparators& separators = Separators();
        if (m_Carrying) {
            const char* q = p;
            while (q < end && !separators.Has(*q)) ++q;
            if (m_Carry.size() + static_cast<std::size_t>(q - p) > MaxTokenBytes) {
                m_Done = true;
                break;
            }
            m_Carry.append(p, q);
            if (q == end) return; // the token may go on in the next piece
            m_Carrying = false;
            p = q;
            Deliver(m_Carry.data(), m_Carry.data() + m_Carry.size());
            continue;
        }
        while (p < end && separators.Has(*p)) ++p;
        if (p == end) return;
        const char* q = p;
        while (q < end && !separators.Has(*q)) ++q;
        if (q == end) {
            if (static_cast<std::size_t>(q - p) > MaxTokenBytes) {
                m_Done = true;
                break;
            }
            m_Carry.assign(p, q);
            m_Carrying = true;
            return;
        }
        Deliver(p, q);
        p = q;
    }
    m_Carry.clear();
    m_Carrying = false;
}

void CQxKelListDecoder::Finish() {
    if (!m_Done && m_Carrying) Deliver(m_Carry.data(), m_Carry.data() + m_Carry.size());
    m_Carry.clear();
    m_Carrying = false;
    m_Done = true;
}

// --- The three lists ---------------------------------------------------------------------------

namespace {

const CQxKelSeparators& NumberSeparators() {
    static const CQxKelSeparators set(QxKelNumberSeparators);
    return set;
}

const CQxKelSeparators& IndexSeparators() {
    static const CQxKelSeparators set(QxKelIndexSeparators);
    return set;
}

int ReadCount(const CQxXmlElement& e, unsigned int& count) {
    const CQxXmlAttribute* a = e.GetAttributeByName("Count");
    return a && a->GetContentAsUint(count);
}

// "Vertices": x, y, z per vertex, up to Count vertices.
class VertexDecoder : public CQxKelListDecoder {
public:
    VertexDecoder(CQxKelMeshData& data, unsigned int count, unsigned int reserve)
        : m_Data(data), m_Count(count) {
        m_Data.Vertices.Reserve(std::min(count, reserve));
        if (count == 0) Stop();
    }

protected:
    const CQxKelSeparators& Separators() const override { return NumberSeparators(); }
    bool Token(const char* first, const char* last) override {
        if (!QxParseFloat(first, last, m_Position[m_Component])) return false;
        if (++m_Component < 3) return true;
        m_Component = 0;
        CQxVertex* v = new CQxVertex(CQxVector(m_Position[0], m_Position[1], m_Position[2]));
        m_Data.VertexList.PushBack(v);
        m_Data.Vertices.PushBack(v);
        return m_Data.Vertices.GetSize() < m_Count;
    }

private:
    CQxKelMeshData& m_Data;
    unsigned int m_Count;
    unsigned int m_Component = 0;
    float m_Position[3] = {0.0f, 0.0f, 0.0f};
};

// "BoneWeights": per vertex, BlendCount bone indices and then as many weights; only the first
// four of each are kept. Read only when it covers exactly the vertices read.
class WeightDecoder : public CQxKelListDecoder {
public:
    WeightDecoder(CQxKelMeshData& data, unsigned int blend) : m_Data(data), m_Blend(blend) {
        for (CQxVertex* v : m_Data.Vertices) v->AllocBones();
        if (m_Data.Vertices.IsEmpty()) Stop();
    }

protected:
    const CQxKelSeparators& Separators() const override { return NumberSeparators(); }
    bool Token(const char* first, const char* last) override {
        CQxVertexBones& bones = *m_Data.Vertices[m_Vertex]->Bones();
        if (m_Slot < m_Blend) {
            unsigned int index = 0;
            if (!QxParseUint(first, last, index)) return false;
            if (m_Slot < 4) bones.Indices[m_Slot] = static_cast<unsigned char>(index);
        } else {
            float weight = 0.0f;
            if (!QxParseFloat(first, last, weight)) return false;
            if (m_Slot - m_Blend < 4) bones.Weights[m_Slot - m_Blend] = weight;
        }
        if (++m_Slot < 2 * m_Blend) return true;
        m_Slot = 0;
        return ++m_Vertex < m_Data.Vertices.GetSize();
    }

private:
    CQxKelMeshData& m_Data;
    unsigned int m_Blend;
    unsigned int m_Vertex = 0;
    unsigned int m_Slot = 0;
};

// "Faces": records of a corner count n, n vertex indices, with UVs n coordinate pairs, n colours
// as r, g, b, a, the material index and the flag. A record that does not parse, or has no
// corners, ends the list; a face naming a vertex that was not read is dropped.
class FaceDecoder : public CQxKelListDecoder {
public:
    FaceDecoder(CQxKelMeshData& data, unsigned int count, int hasUV)
        : m_Data(data), m_Count(count), m_HasUV(hasUV) {
        if (count == 0) Stop();
    }

protected:
    enum class Field { Count, Index, UV, Color, Attribute, Flag };

    const CQxKelSeparators& Separators() const override {
        return m_Field == Field::Count || m_Field == Field::Index ? IndexSeparators() : NumberSeparators();
    }

    bool Token(const char* first, const char* last) override {
        switch (m_Field) {
        case Field::Count:
            if (!QxParseUint(first, last, m_Corners) || m_Corners == 0) return false;
            m_Ring.Empty();
            m_Valid = true;
            m_Field = Field::Index;
            return true;
        case Field::Index: {
            unsigned int index = 0;
            if (!QxParseUint(first, last, index)) return false;
            Corner c;
            if (index < m_Data.Vertices.GetSize())
                c.Vertex = m_Data.Vertices[index];
            else
                m_Valid = false;
            m_Ring.PushBack(c);
            if (m_Ring.GetSize() == m_Corners) Begin(m_HasUV ? Field::UV : Field::Color);
            return true;
        }
        case Field::UV: {
            Corner& c = m_Ring[m_Corner];
            if (!QxParseFloat(first, last, m_Part == 0 ? c.U : c.V)) return false;
            if (++m_Part == 2) Advance(Field::Color);
            return true;
        }
        case Field::Color: {
            if (!QxParseUint(first, last, m_Rgba[m_Part])) return false;
            if (++m_Part == 4) {
                m_Ring[m_Corner].Color = (m_Rgba[3] & 0xFF) << 24 | (m_Rgba[0] & 0xFF) << 16 |
                                         (m_Rgba[1] & 0xFF) << 8 | (m_Rgba[2] & 0xFF);
                Advance(Field::Attribute);
            }
            return true;
        }
        case Field::Attribute:
            if (!QxParseInt(first, last, m_Attribute)) return false;
            m_Field = Field::Flag;
            return true;
        case Field::Flag: {
            unsigned int flag = 0;
            if (!QxParseUint(first, last, flag)) return false;
            if (m_Valid) Build(static_cast<unsigned char>(flag));
            m_Field = Field::Count;
            return ++m_Read < m_Count;
        }
        }
        return false;
    }

private:
    struct Corner {
        CQxVertex* Vertex = nullptr;
        float U = 0.0f;
        float V = 0.0f;
        std::uint32_t Color = 0xFFFFFFFF;
    };

    void Begin(Field field) {
        m_Field = field;
        m_Corner = 0;
        m_Part = 0;
    }
    // After the last part of a corner: the next corner, or the next field after the last one.
    void Advance(Field next) {
        m_Part = 0;
        if (++m_Corner == m_Corners) Begin(next);
    }

    void Build(unsigned char flag) {
        CQxFace* face = new CQxFace(nullptr, flag);
        m_Data.FaceList.PushBack(face);
        m_Data.FaceAttributes.push_back(m_Attribute);
        for (const Corner& c : m_Ring) {
            CQxHalfEdge* h = new CQxHalfEdge(face, c.Vertex, 0);
            h->Color() = c.Color;
            if (m_HasUV && h->AllocUV()) h->UV() = CQxVector2D(c.U, c.V);
            face->PushHalfEdge(h);
        }
    }

    CQxKelMeshData& m_Data;
    unsigned int m_Count;
    int m_HasUV;
    unsigned int m_Read = 0;
    Field m_Field = Field::Count;
    unsigned int m_Corners = 0;
    unsigned int m_Corner = 0;
    unsigned int m_Part = 0;
    unsigned int m_Rgba[4] = {0, 0, 0, 0};
    int m_Attribute = -1;
    bool m_Valid = true;
    CQxArray<Corner> m_Ring;
};

// Decoders that read nothing: the element does not announce a list this reader can use.
class EmptyDecoder : public CQxKelListDecoder {
public:
    EmptyDecoder() { Stop(); }

protected:
    const CQxKelSeparators& Separators() const override { return NumberSeparators(); }
    bool Token(const char*, const char*) override { return false; }
};

} // namespace

std::unique_ptr<CQxKelListDecoder> QxKelVertexDecoder(const CQxXmlElement& element, CQxKelMeshData& data,
                                                      unsigned int reserveBound) {
    data.VerticesElement = &element;
    unsigned int count = 0;
    if (!ReadCount(element, count)) return std::make_unique<EmptyDecoder>();
    return std::make_unique<VertexDecoder>(data, count, reserveBound);
}

std::unique_ptr<CQxKelListDecoder> QxKelWeightDecoder(const CQxXmlElement& element, CQxKelMeshData& data) {
    data.WeightsElement = &element;
    unsigned int count = 0, blend = 0;
    const CQxXmlAttribute* blendAttr = element.GetAttributeByName("BlendCount");
    if (!ReadCount(element, count) || !blendAttr || !blendAttr->GetContentAsUint(blend) ||
        count != data.Vertices.GetSize() || blend < 2)
        return std::make_unique<EmptyDecoder>();
    return std::make_unique<WeightDecoder>(data, blend);
}

std::unique_ptr<CQxKelListDecoder> QxKelFaceDecoder(const CQxXmlElement& element, CQxKelMeshData& data,
                                                    int hasUV) {
    data.FacesElement = &element;
    unsigned int count = 0;
    if (!ReadCount(element, count)) return std::make_unique<EmptyDecoder>();
    return std::make_unique<FaceDecoder>(data, count, hasUV);
}

int QxKelFacesHaveUV(const CQxXmlElement& faces, int current) {
    if (const CQxXmlAttribute* uv = faces.GetAttributeByName("UV")) uv->GetContentAsBool(current);
    return current;
}

// --- The sink -----------------------------------------------------------------------------------

namespace {
// A list announced with a count reserves no more than this many vertices ahead of reading them.
constexpr unsigned int kStreamReserve = 1u << 22;
} // namespace

int CQxKelStream::BeginText(CQxXmlElement& element) {
    if (m_Active) return 0;
    const CQxXmlElement* object = element.GetParent();
    if (!object || object->GetNodeType() != QX_XML_NODE_ELEMENT) return 0;
    // Only the first list of each name counts, as the object's reader takes the first child by
    // name; weights and faces need the object's vertices first.
    std::unique_ptr<CQxKelMeshData>& slot = m_Meshes[object];
    if (element.IsName("Vertices")) {
        if (slot) return 0;
        slot = std::make_unique<CQxKelMeshData>();
        m_Active = QxKelVertexDecoder(element, *slot, kStreamReserve);
    } else if (element.IsName("BoneWeights")) {
        if (!slot || slot->WeightsElement || slot->FacesElement) return 0;
        m_Active = QxKelWeightDecoder(element, *slot);
    } else if (element.IsName("Faces")) {
        if (!slot || slot->FacesElement) return 0;
        m_Active = QxKelFaceDecoder(element, *slot, QxKelFacesHaveUV(element, 1));
    } else {
        if (!slot) m_Meshes.erase(object);
        return 0;
    }
    m_ActiveElement = &element;
    return 1;
}

void CQxKelStream::Text(CQxXmlElement& element, const char* text, unsigned int length) {
    if (m_Active && &element == m_ActiveElement) m_Active->Feed(text, length);
}

void CQxKelStream::EndText(CQxXmlElement& element) {
    if (!m_Active || &element != m_ActiveElement) return;
    m_Active->Finish();
    m_Active.reset();
    m_ActiveElement = nullptr;
}

CQxKelMeshData* CQxKelStream::Find(const CQxXmlElement* object) const {
    auto it = m_Meshes.find(object);
    return it == m_Meshes.end() ? nullptr : it->second.get();
}
