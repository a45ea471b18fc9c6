#include "kel_stream.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

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
            // A bone past what a slot can name influences nothing rather than another bone.
            if (m_Slot < 4) bones.Indices[m_Slot] = static_cast<unsigned char>(index > 255 ? 255 : index);
            if (m_Slot < 4 && index > 255) m_Unusable |= 1u << m_Slot;
        } else {
            float weight = 0.0f;
            if (!QxParseFloat(first, last, weight)) return false;
            // Negative, infinite and NaN weights influence nothing.
            const unsigned int slot = m_Slot - m_Blend;
            if (slot < 4) bones.Weights[slot] = (m_Unusable >> slot & 1u) || !(weight >= 0.0f) || std::isinf(weight) ? 0.0f : weight;
        }
        if (++m_Slot < 2 * m_Blend) return true;
        m_Slot = 0;
        m_Unusable = 0;
        return ++m_Vertex < m_Data.Vertices.GetSize();
    }

private:
    CQxKelMeshData& m_Data;
    unsigned int m_Blend;
    unsigned int m_Vertex = 0;
    unsigned int m_Slot = 0;
    unsigned int m_Unusable = 0; // slots of this vertex whose bone index was out of range
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
        m_Made.clear();
        for (const Corner& c : m_Ring) {
            CQxHalfEdge* h = new CQxHalfEdge(face, c.Vertex, 0);
            h->Color() = c.Color;
            if (m_HasUV && h->AllocUV()) h->UV() = CQxVector2D(c.U, c.V);
            m_Made.push_back(h);
        }
        face->PushHalfEdges(m_Made.data(), static_cast<unsigned int>(m_Made.size()));
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
    std::vector<CQxHalfEdge*> m_Made;
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

CQxKelListHeader QxKelReadListHeader(const CQxXmlElement& element, int hasUV) {
    CQxKelListHeader header;
    header.HasCount = ReadCount(element, header.Count);
    const CQxXmlAttribute* blend = element.GetAttributeByName("BlendCount");
    header.HasBlend = blend && blend->GetContentAsUint(header.Blend);
    if (const CQxXmlAttribute* uv = element.GetAttributeByName("UV")) uv->GetContentAsBool(hasUV);
    header.HasUV = hasUV;
    return header;
}

std::unique_ptr<CQxKelListDecoder> QxKelVertexDecoder(const CQxKelListHeader& header, CQxKelMeshData& data,
                                                      unsigned int reserveBound) {
    if (!header.HasCount) return std::make_unique<EmptyDecoder>();
    return std::make_unique<VertexDecoder>(data, header.Count, reserveBound);
}

std::unique_ptr<CQxKelListDecoder> QxKelWeightDecoder(const CQxKelListHeader& header, CQxKelMeshData& data) {
    if (!header.HasCount || !header.HasBlend || header.Count != data.Vertices.GetSize() || header.Blend < 2)
        return std::make_unique<EmptyDecoder>();
    return std::make_unique<WeightDecoder>(data, header.Blend);
}

std::unique_ptr<CQxKelListDecoder> QxKelFaceDecoder(const CQxKelListHeader& header, CQxKelMeshData& data) {
    if (!header.HasCount) return std::make_unique<EmptyDecoder>();
    return std::make_unique<FaceDecoder>(data, header.Count, header.HasUV);
}

// --- The sink -----------------------------------------------------------------------------------

namespace {
// A list announced with a count reserves no more than this many vertices ahead of reading them
// (the count is the file's word; the array grows as vertices really arrive).
constexpr unsigned int kStreamReserve = 1u << 16;
// Text goes to the decoding thread in batches of about this size, with at most this many waiting.
constexpr std::size_t kBatchBytes = 256 * 1024;
constexpr std::size_t kMaxWaiting = 8;
} // namespace

// The decoding thread and its queue of work: a decoder to start, a batch of text, or the end of
// the current list.
struct CQxKelStream::Worker {
    using Factory = std::function<std::unique_ptr<CQxKelListDecoder>()>;
    struct Job {
        Factory Start;    // set: begin a list
        std::string Text; // a batch of the current list's text
        bool End = false; // the current list ended
    };

    Worker() : Thread([this] { Run(); }) {}
    ~Worker() {
        {
            std::lock_guard<std::mutex> lock(Mutex);
            Closing = true;
        }
        Wake.notify_all();
        Thread.join();
    }

    void Push(Job job) {
        std::unique_lock<std::mutex> lock(Mutex);
        Room.wait(lock, [this] { return Jobs.size() < kMaxWaiting; });
        Jobs.push_back(std::move(job));
        lock.unlock();
        Wake.notify_one();
    }

    // Waits until the queue is empty and the job in hand is done.
    bool Wait() {
        std::unique_lock<std::mutex> lock(Mutex);
        Idle.wait(lock, [this] { return Jobs.empty() && !Busy; });
        return !Failed;
    }

    void Run() {
        std::unique_ptr<CQxKelListDecoder> active;
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(Mutex);
                Wake.wait(lock, [this] { return Closing || !Jobs.empty(); });
                if (Jobs.empty()) return; // closing with nothing left
                job = std::move(Jobs.front());
                Jobs.pop_front();
                Busy = true;
            }
            Room.notify_one();
            bool failed = false;
            try {
                if (!Failed) {
                    if (job.Start) active = job.Start();
                    if (active && !job.Text.empty()) active->Feed(job.Text.data(), job.Text.size());
                    if (active && job.End) {
                        active->Finish();
                        active.reset();
                    }
                }
            } catch (const std::bad_alloc&) {
                failed = true;
                active.reset();
            }
            {
                std::lock_guard<std::mutex> lock(Mutex);
                Failed = Failed || failed;
                Busy = false;
            }
            Idle.notify_all();
        }
    }

    std::mutex Mutex;
    std::condition_variable Wake, Room, Idle;
    std::deque<Job> Jobs;
    bool Busy = false;
    bool Closing = false;
    bool Failed = false;
    std::thread Thread; // last: it starts once everything above is ready
};

CQxKelStream::CQxKelStream() = default;

CQxKelStream::~CQxKelStream() {
    m_Worker.reset(); // joins before the data the decoders write is freed
}

int CQxKelStream::BeginText(CQxXmlElement& element) {
    if (m_ActiveElement) return 0;
    const CQxXmlElement* object = element.GetParent();
    if (!object || object->GetNodeType() != QX_XML_NODE_ELEMENT) return 0;
    // Only the first list of each name counts, as the object's reader takes the first child by
    // name; weights and faces need the object's vertices first.
    const bool vertices = element.IsName("Vertices");
    if (!vertices && !element.IsName("BoneWeights") && !element.IsName("Faces")) return 0;
    auto found = m_Meshes.find(object);
    CQxKelMeshData* data = found == m_Meshes.end() ? nullptr : found->second.get();
    // The decoding thread gets plain values: the document may be freed before it is done.
    Worker::Factory start;
    const CQxKelListHeader header = QxKelReadListHeader(element, 1);
    if (vertices) {
        if (data) return 0;
        data = m_Meshes.emplace(object, std::make_unique<CQxKelMeshData>()).first->second.get();
        data->VerticesElement = &element;
        start = [header, data] { return QxKelVertexDecoder(header, *data, kStreamReserve); };
    } else if (element.IsName("BoneWeights")) {
        if (!data || data->WeightsElement || data->FacesElement) return 0;
        data->WeightsElement = &element;
        start = [header, data] { return QxKelWeightDecoder(header, *data); };
    } else {
        if (!data || data->FacesElement) return 0;
        data->FacesElement = &element;
        start = [header, data] { return QxKelFaceDecoder(header, *data); };
    }
    m_Pending = std::move(start);
    if (m_Worker) Hand();
    m_ActiveElement = &element;
    return 1;
}

// The decoding thread starts with the first list too long for one batch; from then on every list
// goes through it, so lists are decoded in file order. Shorter lists before that are decoded
// here when they end: small files never start a thread.
void CQxKelStream::Hand() {
    if (!m_Worker) m_Worker = std::make_unique<Worker>();
    if (m_Pending) m_Worker->Push(Worker::Job{std::move(m_Pending), {}, false});
    m_Pending = nullptr;
    if (m_Batch.empty()) return;
    std::string text;
    text.swap(m_Batch);
    m_Worker->Push(Worker::Job{nullptr, std::move(text), false});
    m_Batch.reserve(kBatchBytes + 4096);
}

void CQxKelStream::Text(CQxXmlElement& element, const char* text, unsigned int length) {
    if (&element != m_ActiveElement) return;
    m_Batch.append(text, length);
    if (m_Batch.size() >= kBatchBytes) Hand();
}

void CQxKelStream::EndText(CQxXmlElement& element) {
    if (&element == m_ActiveElement) EndList();
}

void CQxKelStream::EndList() {
    m_ActiveElement = nullptr;
    if (m_Worker) {
        Hand();
        m_Worker->Push(Worker::Job{nullptr, {}, true});
        return;
    }
    std::unique_ptr<CQxKelListDecoder> decoder = m_Pending();
    m_Pending = nullptr;
    decoder->Feed(m_Batch.data(), m_Batch.size());
    decoder->Finish();
    m_Batch.clear();
}

int CQxKelStream::Finish() {
    // A document that ended inside a list (a failed read): what came of it is closed.
    if (m_ActiveElement) {
        try {
            EndList();
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    return m_Worker ? m_Worker->Wait() : 1;
}

CQxKelMeshData* CQxKelStream::Find(const CQxXmlElement* object) const {
    auto it = m_Meshes.find(object);
    return it == m_Meshes.end() ? nullptr : it->second.get();
}
