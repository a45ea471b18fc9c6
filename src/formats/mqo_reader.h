#pragma once

// Reading an MQO text document. The reader builds every material and object aside, owned by
// itself; only a document read to its end without a fault is handed to the scene, so a failed
// read leaves the scene as it was.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "mqo_tokenizer.h"

#include "qx/graphics/attribute.h"
#include "qx/scene/object.h"

class CQxModel;

// Names and paths arrive in Shift_JIS (code page 932); the library speaks UTF-8.
class CQxMqoTextConverter {
public:
    CQxMqoTextConverter();
    ~CQxMqoTextConverter();
    CQxMqoTextConverter(const CQxMqoTextConverter&) = delete;
    CQxMqoTextConverter& operator=(const CQxMqoTextConverter&) = delete;

    // The text in UTF-8. Text that is not Shift_JIS is kept when it is UTF-8 already; otherwise
    // each byte that cannot be read becomes U+FFFD, so a bad name never stops an import.
    std::string ToUtf8(std::string_view bytes);

private:
    void* m_Handle; // iconv_t
};

// Names made unique within a model: a name already held gets the first free "%s%d" suffix,
// counting from 1.
class CQxMqoNameSet {
public:
    void Add(const std::string& name) { m_Names.insert(name); }
    std::string MakeUnique(const std::string& name);

private:
    std::unordered_set<std::string> m_Names;
    // Per name, the lowest suffix not yet known to be taken (names are only ever added).
    std::unordered_map<std::string, unsigned int> m_NextSuffix;
};

// Keywords are compared without regard to case.
bool QxMqoIsKeyword(std::string_view word, std::string_view keyword);
// A word that can be a keyword: it starts with a letter or an underscore (numbers never do).
inline bool QxMqoIsKeywordToken(const CQxMqoToken& t) {
    if (!t.Is(QX_MQO_TOKEN::Word)) return false;
    const char c = t.Text.front();
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

class CQxMqoReader {
public:
    // `model` is where the materials will go (its attribute and object names are avoided);
    // texture files are looked up in `dir`.
    CQxMqoReader(std::string_view text, const CQxModel& model, const char* dir);

    // Reads the whole document; false on the first fault of its structure.
    bool Read();

    // What a successful read built, in file order.
    std::vector<std::unique_ptr<CQxAttribute>>& Attributes() { return m_Attributes; }
    std::vector<std::unique_ptr<CQxObject>>& Objects() { return m_Objects; }
    // Texture files that could not be loaded, listed as the message shows them ("" when none).
    const std::string& GetFailedTextures() const { return m_FailedTextures; }

private:
    // The state of the object being read.
    struct ObjectState {
        CQxObject* Object = nullptr;
        std::vector<CQxVertex*> Vertices;
        bool Shade = true;
        bool HasUV = false;
    };

    // Tokens and values.
    CQxMqoToken Next() { return m_Tokens.Next(); }
    bool Expect(QX_MQO_TOKEN kind) { return Next().Is(kind); }
    bool ReadFloat(float& out);
    bool ReadFloats(float* out, unsigned int n);
    bool ReadInt(long long& out);
    bool ReadCount(unsigned long long& out);
    // A count followed by "{".
    bool ReadChunkStart(unsigned long long& count);
    // After an unknown keyword: its value, to the end of its line or past its braced chunk.
    bool SkipValue();
    // After "{": to the matching "}". After "(": to the matching ")".
    bool SkipBraced();
    bool SkipParens();
    // The "keyword(values)" parameters of one record up to its end: `parameter` is given each
    // keyword after its "(" and reads through the ")".
    template <class Parameter>
    bool ReadParameters(Parameter parameter) {
        for (;;) {
            const CQxMqoToken t = Next();
            if (t.EndsRecord()) {
                m_Tokens.Unget();
                return !m_Tokens.IsBroken();
            }
            if (!QxMqoIsKeywordToken(t) || !Expect(QX_MQO_TOKEN::OpenParen) || !parameter(t.Text)) return false;
        }
    }

    bool ReadHeader();
    bool ReadMaterials();
    bool ReadMaterial();
    bool ReadMaterialParameter(CQxAttribute& attribute, std::string_view keyword);
    void AddTexture(CQxAttribute& attribute, std::string_view file, QX_COLOR_OP_TYPE colorOp,
                    QX_ALPHA_OP_TYPE alphaOp);

    bool ReadObject();
    bool ReadObjectEntry(ObjectState& state, std::string_view keyword);
    bool ReadVertices(ObjectState& state);
    bool ReadBinaryVertices(ObjectState& state);
    bool ReadFaces(ObjectState& state);
    bool ReadFace(ObjectState& state);
    void AddFace(ObjectState& state, long long material, bool hasUV);

    // A name from the file: in UTF-8, without "]]>" (it would end the scene file's CDATA).
    std::string ToName(std::string_view bytes);

    CQxMqoTokenizer m_Tokens;
    std::string m_Dir;
    CQxMqoTextConverter m_Text;
    CQxMqoNameSet m_AttributeNames;
    CQxMqoNameSet m_ObjectNames;
    std::vector<std::unique_ptr<CQxAttribute>> m_Attributes;
    std::vector<std::unique_ptr<CQxObject>> m_Objects;
    std::string m_FailedTextures;
    // The face being read: its corners (vertex indices) and texture coordinates.
    std::vector<unsigned int> m_Corners;
    std::vector<float> m_UVs;
};
