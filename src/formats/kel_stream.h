#pragma once

// Decoding the long number lists of the scene file ("Vertices", "BoneWeights", "Faces") as the
// parser streams them, so a file of millions of faces is never held as text. The same decoders
// read a list held as element text, so both ways follow one set of rules.

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "qx/basis/array.h"
#include "qx/basis/list.h"
#include "qx/graphics/mesh_elements.h"
#include "qx/xml/xml_document.h"

// A set of separator bytes, looked up by table.
class CQxKelSeparators {
public:
    explicit CQxKelSeparators(const char* separators);
    bool Has(char c) const { return m_Table[static_cast<unsigned char>(c)] != 0; }

private:
    unsigned char m_Table[256] = {};
};

// Splits a list that arrives in pieces into whole tokens and hands each to Token. The decoder
// chooses the separators of each token as it goes (a face record uses two sets) and ends the
// list by returning false.
class CQxKelListDecoder {
public:
    virtual ~CQxKelListDecoder() = default;
    // A piece of the text; a token cut at the end of a piece is completed by the next one.
    void Feed(const char* text, std::size_t length);
    // The text has ended: a token still open is whole.
    void Finish();
    bool IsDone() const { return m_Done; }

    // A token longer than this is not a number the writer could have written: the list ends.
    static constexpr std::size_t MaxTokenBytes = 1024;

protected:
    virtual const CQxKelSeparators& Separators() const = 0;
    virtual bool Token(const char* first, const char* last) = 0;
    void Stop() { m_Done = true; }

private:
    void Deliver(const char* first, const char* last);

    std::string m_Carry;
    bool m_Carrying = false;
    bool m_Done = false;
};

// What was decoded for one object element: its vertices and faces, not yet in a mesh (the
// object is made later, when the tree is read), with each face's material index kept aside
// until the object's material list is known.
struct CQxKelMeshData {
    CQxList<CQxVertex> VertexList;
    CQxList<CQxFace> FaceList;
    CQxArray<CQxVertex*> Vertices; // in file order, for the face records' indices
    std::vector<int> FaceAttributes;
    const CQxXmlElement* VerticesElement = nullptr;
    const CQxXmlElement* WeightsElement = nullptr;
    const CQxXmlElement* FacesElement = nullptr;
};

// What a list element announces in its attributes: "Count", and "BlendCount" for weights or
// whether face records carry texture coordinates ("UV", read over the object's current value).
struct CQxKelListHeader {
    bool HasCount = false;
    unsigned int Count = 0;
    bool HasBlend = false;
    unsigned int Blend = 0;
    int HasUV = 1;
};
CQxKelListHeader QxKelReadListHeader(const CQxXmlElement& element, int hasUV);

// Decoders of the three lists, reading what the header announces into the data.
std::unique_ptr<CQxKelListDecoder> QxKelVertexDecoder(const CQxKelListHeader& header, CQxKelMeshData& data,
                                                      unsigned int reserveBound);
std::unique_ptr<CQxKelListDecoder> QxKelWeightDecoder(const CQxKelListHeader& header, CQxKelMeshData& data);
std::unique_ptr<CQxKelListDecoder> QxKelFaceDecoder(const CQxKelListHeader& header, CQxKelMeshData& data);

// The sink the scene reader gives the parser: it decodes the three lists of every object element
// as they stream in, in file order (weights and faces only after the same object's vertices),
// and keeps the results by object element until the object takes them.
//
// Long lists are decoded on a second thread, fed with the text in large batches, so building
// the mesh elements overlaps the parse. Only one thread makes mesh elements while the file is
// read (the parser makes none); Finish waits for the decoding to end.
class CQxKelStream : public CQxXmlTextSink {
public:
    CQxKelStream();
    ~CQxKelStream() override;
    CQxKelStream(const CQxKelStream&) = delete;
    CQxKelStream& operator=(const CQxKelStream&) = delete;

    int BeginText(CQxXmlElement& element) override;
    void Text(CQxXmlElement& element, const char* text, unsigned int length) override;
    void EndText(CQxXmlElement& element) override;

    // Waits until everything handed over is decoded; 0 when decoding ran out of memory (what
    // was decoded is dropped).
    int Finish();
    // The data decoded under an object element; null when none. Call after Finish.
    CQxKelMeshData* Find(const CQxXmlElement* object) const;

private:
    struct Worker;
    void Hand();
    void EndList();

    std::unordered_map<const CQxXmlElement*, std::unique_ptr<CQxKelMeshData>> m_Meshes;
    const CQxXmlElement* m_ActiveElement = nullptr;
    // The decoder of the current list, until the list is handed to the thread or decoded here.
    std::function<std::unique_ptr<CQxKelListDecoder>()> m_Pending;
    std::string m_Batch;
    std::unique_ptr<Worker> m_Worker;
};
