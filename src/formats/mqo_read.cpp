// Reading MQO text documents: the header, the chunks of the document, the materials, and the
// scene's entry points. Keywords this reader does not know are skipped with their values, so
// documents of newer versions load with what is understood; what breaks the structure (a wrong
// header, a number that cannot be read where one is expected, a vertex index outside its object,
// unbalanced braces, a document cut short) fails the whole read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>

#include "mqo_reader.h"

#include "qx/basis/msg_box.h"
#include "qx/platform/message.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

constexpr const char* ReadFailedText = "\"%s\"\nの読み込みに失敗しました.";
constexpr const char* ReadFailedCaption = "読み込み失敗";
constexpr const char* EmptyFileText = "ファイルが空です.";
constexpr const char* BadFileText = "MQOファイルが不正です.";
constexpr const char* BadFileCaption = "インポート失敗";
constexpr const char* TextureFailedText = "\nの読み込みに失敗しました.";
constexpr const char* TextureFailedCaption = "テクスチャーファイルの読み込み";

void ShowReadFailed(const char* path) {
    CQxString text;
    text.Format(ReadFailedText, path);
    QxMsgBox(text, ReadFailedCaption, MB_OK, nullptr);
}

// The whole file; false (with the message shown) when it cannot be read or is empty. Only
// regular files are opened, so a device or a pipe can never block the read.
bool ReadWholeFile(const char* path, std::string& out) {
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) ::close(fd);
        ShowReadFailed(path);
        return false;
    }
    if (info.st_size == 0) {
        ::close(fd);
        QxMsgBox(EmptyFileText, ReadFailedCaption, MB_OK, nullptr);
        return false;
    }
    out.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (done != out.size()) {
        ShowReadFailed(path);
        return false;
    }
    return true;
}

void RemoveAll(std::string& text, std::string_view what) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

} // namespace

bool QxMqoIsKeyword(std::string_view word, std::string_view keyword) {
    if (word.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        char k = keyword[i];
        if (k >= 'A' && k <= 'Z') k = static_cast<char>(k - 'A' + 'a');
        if (c != k) return false;
    }
    return true;
}

CQxMqoReader::CQxMqoReader(std::string_view text, const CQxModel& model, const char* dir)
    : m_Tokens(text), m_Dir(dir && *dir ? dir : ".") {
    for (const CQxAttribute& attribute : model.Attributes()) m_AttributeNames.Add(attribute.GetName());
    for (auto it = model.Begin(); !it.IsEnd(); ++it) m_ObjectNames.Add(it->GetName());
}

// --- Values -------------------------------------------------------------------------------------

bool CQxMqoReader::ReadFloat(float& out) {
    const CQxMqoToken t = Next();
    if (!t.Is(QX_MQO_TOKEN::Word)) return false;
    const char* end = t.Text.data() + t.Text.size();
    const auto [ptr, ec] = std::from_chars(t.Text.data(), end, out);
    // Values beyond float range, NaN and infinities would poison bounds, normals and the grid.
    return ec == std::errc() && ptr == end && std::isfinite(out);
}

bool CQxMqoReader::ReadFloats(float* out, unsigned int n) {
    for (unsigned int i = 0; i < n; ++i)
        if (!ReadFloat(out[i])) return false;
    return true;
}

bool CQxMqoReader::ReadInt(long long& out) {
    const CQxMqoToken t = Next();
    if (!t.Is(QX_MQO_TOKEN::Word)) return false;
    const char* end = t.Text.data() + t.Text.size();
    const auto [ptr, ec] = std::from_chars(t.Text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

bool CQxMqoReader::ReadCount(unsigned long long& out) {
    const CQxMqoToken t = Next();
    if (!t.Is(QX_MQO_TOKEN::Word)) return false;
    const char* end = t.Text.data() + t.Text.size();
    const auto [ptr, ec] = std::from_chars(t.Text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

bool CQxMqoReader::ReadChunkStart(unsigned long long& count) {
    return ReadCount(count) && Expect(QX_MQO_TOKEN::OpenBrace);
}

bool CQxMqoReader::SkipValue() {
    for (;;) {
        const CQxMqoToken t = Next();
        if (t.EndsRecord()) {
            m_Tokens.Unget();
            return !m_Tokens.IsBroken();
        }
        if (t.Is(QX_MQO_TOKEN::OpenBrace)) return SkipBraced();
    }
}

bool CQxMqoReader::SkipBraced() {
    for (unsigned long long depth = 1;;) {
        const CQxMqoToken t = Next();
        if (t.Is(QX_MQO_TOKEN::End)) return false;
        if (t.Is(QX_MQO_TOKEN::OpenBrace)) ++depth;
        if (t.Is(QX_MQO_TOKEN::CloseBrace) && --depth == 0) return true;
    }
}

bool CQxMqoReader::SkipParens() {
    for (unsigned long long depth = 1;;) {
        const CQxMqoToken t = Next();
        if (t.Is(QX_MQO_TOKEN::End) || t.Is(QX_MQO_TOKEN::OpenBrace) || t.Is(QX_MQO_TOKEN::CloseBrace))
            return false;
        if (t.Is(QX_MQO_TOKEN::OpenParen)) ++depth;
        if (t.Is(QX_MQO_TOKEN::CloseParen) && --depth == 0) return true;
    }
}

std::string CQxMqoReader::ToName(std::string_view bytes) {
    std::string name = m_Text.ToUtf8(bytes);
    RemoveAll(name, "]]>");
    return name;
}

// --- The document ---------------------------------------------------------------------------------

bool CQxMqoReader::ReadHeader() {
    for (const char* word : {"Metasequoia", "Document", "Format", "Text", "Ver"}) {
        const CQxMqoToken t = Next();
        if (!t.Is(QX_MQO_TOKEN::Word) || t.Text != word) return false;
    }
    float version = 0.0f;
    return ReadFloat(version);
}

bool CQxMqoReader::Read() {
    if (!ReadHeader()) return false;
    for (;;) {
        const CQxMqoToken t = Next();
        if (!QxMqoIsKeywordToken(t)) return false; // also a document cut short before "Eof"
        if (QxMqoIsKeyword(t.Text, "Eof")) return true;
        bool ok = false;
        if (QxMqoIsKeyword(t.Text, "Material"))
            ok = ReadMaterials();
        else if (QxMqoIsKeyword(t.Text, "Object"))
            ok = ReadObject();
        else
            ok = SkipValue(); // "Scene", "BackImage", "TrialNoise", "Material2" and the unknown ones
        if (!ok) return false;
    }
}

// --- Materials ------------------------------------------------------------------------------------

bool CQxMqoReader::ReadMaterials() {
    unsigned long long count = 0;
    if (!ReadChunkStart(count)) return false;
    for (unsigned long long i = 0; i < count; ++i)
        if (!ReadMaterial()) return false;
    return Expect(QX_MQO_TOKEN::CloseBrace);
}

// One line: the name in quotes, then parameters "keyword(values)" in any order.
bool CQxMqoReader::ReadMaterial() {
    const CQxMqoToken name = Next();
    if (!name.Is(QX_MQO_TOKEN::String)) return false;
    auto attribute = std::make_unique<CQxAttribute>(m_AttributeNames.MakeUnique(ToName(name.Text)).c_str());
    if (!ReadParameters([&](std::string_view keyword) { return ReadMaterialParameter(*attribute, keyword); }))
        return false;
    m_Attributes.push_back(std::move(attribute));
    return true;
}

// The values of one parameter after its "(", through its ")".
bool CQxMqoReader::ReadMaterialParameter(CQxAttribute& attribute, std::string_view keyword) {
    CQxColorMaterial& material = attribute.ColorMaterial();
    const struct {
        const char* Keyword;
        float& Value;
    } factors[] = {{"dif", material.Diffuse()},
                   {"amb", material.Ambient()},
                   {"emi", material.Emissive()},
                   {"spc", material.Specular()},
                   {"power", material.Power()}};
    if (QxMqoIsKeyword(keyword, "col")) {
        float rgba[4];
        if (!ReadFloats(rgba, 4)) return false;
        material.Color().Set(rgba[0], rgba[1], rgba[2], rgba[3]);
        return Expect(QX_MQO_TOKEN::CloseParen);
    }
    for (const auto& factor : factors) {
        if (!QxMqoIsKeyword(keyword, factor.Keyword)) continue;
        return ReadFloat(factor.Value) && Expect(QX_MQO_TOKEN::CloseParen);
    }
    const struct {
        const char* Keyword;
        QX_COLOR_OP_TYPE ColorOp;
        QX_ALPHA_OP_TYPE AlphaOp;
    } textures[] = {{"tex", QX_COLOR_OP_MODULATE, QX_ALPHA_OP_TEXTURE},
                    {"aplane", QX_COLOR_OP_CURRENT, QX_ALPHA_OP_TEXTURE},
                    {"bump", QX_COLOR_OP_BUMP, QX_ALPHA_OP_CURRENT}};
    for (const auto& texture : textures) {
        if (!QxMqoIsKeyword(keyword, texture.Keyword)) continue;
        const CQxMqoToken file = Next();
        if (!file.Is(QX_MQO_TOKEN::String) || !Expect(QX_MQO_TOKEN::CloseParen)) return false;
        AddTexture(attribute, file.Text, texture.ColorOp, texture.AlphaOp);
        return true;
    }
    return SkipParens(); // "shader" and the parameters this reader does not know
}

void CQxMqoReader::AddTexture(CQxAttribute& attribute, std::string_view file, QX_COLOR_OP_TYPE colorOp,
                              QX_ALPHA_OP_TYPE alphaOp) {
    auto* stage = new CQxTextureStage(colorOp, alphaOp, QX_FILTER_LINEAR, QX_FILTER_LINEAR);
    attribute.AddTextureStage(stage);
    const std::string path = m_Text.ToUtf8(file);
    const char* dirs[] = {m_Dir.c_str()};
    // A stage whose file cannot be loaded keeps its path, so a later reload can find it.
    if (stage->Load(path.c_str(), dirs)) return;
    m_FailedTextures += m_FailedTextures.empty() ? "\"" : ",\n\"";
    m_FailedTextures += path;
    m_FailedTextures += '"';
}

// --- The scene's entry points -------------------------------------------------------------------

int CQxScene::ReadMqoText(std::string_view text, CQxObject* parent, const char* dir) {
    if (!parent) parent = &RootModel();
    CQxModel* model = parent->GetModel();
    if (!model) return 0;
    CQxMqoReader reader(text, *model, dir);
    if (!reader.Read()) {
        QxMsgBox(BadFileText, BadFileCaption, MB_OK, nullptr);
        return 0;
    }
    for (auto& attribute : reader.Attributes()) model->AddAttribute(attribute.release());
    model->UpdateModelIndices(0);
    for (auto& owned : reader.Objects()) {
        CQxObject* object = owned.release();
        parent->PushChild(object);
        CQxMesh& mesh = object->Mesh();
        mesh.UpdateIndices();
        mesh.UpdateHalfEdgeMates();
        // The graphics update of a shown shape renews the normals itself.
        if (!object->HasShape() || !object->IsVisible()) mesh.UpdateNormals();
        object->UpdateBoundBox();
        object->UpdateGraphics();
    }
    if (!reader.GetFailedTextures().empty()) {
        const std::string message = reader.GetFailedTextures() + TextureFailedText;
        QxMsgBox(message.c_str(), TextureFailedCaption, MB_OK, nullptr);
    }
    return 1;
}

int CQxScene::ReadMqoFile(const char* path) {
    if (CQxString::IsStrEmpty(path)) return 0;
    std::string text;
    if (!ReadWholeFile(path, text)) return 0;
    CQxString dir(path);
    dir.RemoveFileName();
    return ReadMqoText(text, &RootModel(), dir.GetStr());
}
