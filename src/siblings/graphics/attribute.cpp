#include "qx/graphics/attribute.h"

#include <array>
#include <cstring>

namespace {

// Positions are the operation values; the two lists spell several operations differently.
constexpr std::array<const char*, QX_COLOR_OP_COUNT> kColorOpNames = {
    "Dis",    "Cur",         "Tex",         "Mod",         "Mod2X",       "Mod4X", "Add",     "SubCur",
    "SubTex", "CurAlphaCur", "CurAlphaTex", "TexAlphaCur", "TexAlphaTex", "Bump",  "BumpLumi"};
constexpr std::array<const char*, QX_ALPHA_OP_COUNT> kAlphaOpNames = {
    "Dis", "Cur", "Tex", "Mod", "Modulate2X", "Modulate4X", "Add", "SubCurrent", "SubTexture"};

template <std::size_t N>
unsigned int FindName(const std::array<const char*, N>& names, const char* name) {
    if (!name) return N;
    for (unsigned int i = 0; i < N; ++i)
        if (std::strcmp(names[i], name) == 0) return i;
    return N;
}

} // namespace

const char* QxGetColorOpName(QX_COLOR_OP_TYPE op) {
    return op < QX_COLOR_OP_COUNT ? kColorOpNames[op] : nullptr;
}

const char* QxGetAlphaOpName(QX_ALPHA_OP_TYPE op) {
    return op < QX_ALPHA_OP_COUNT ? kAlphaOpNames[op] : nullptr;
}

int QxFindColorOp(const char* name, QX_COLOR_OP_TYPE& op) {
    unsigned int i = FindName(kColorOpNames, name);
    if (i >= QX_COLOR_OP_COUNT) return 0;
    op = static_cast<QX_COLOR_OP_TYPE>(i);
    return 1;
}

int QxFindAlphaOp(const char* name, QX_ALPHA_OP_TYPE& op) {
    unsigned int i = FindName(kAlphaOpNames, name);
    if (i >= QX_ALPHA_OP_COUNT) return 0;
    op = static_cast<QX_ALPHA_OP_TYPE>(i);
    return 1;
}

// --- CQxColorMaterial ---------------------------------------------------------------------------

void CQxColorMaterial::Init(unsigned long color, float diffuse, float ambient, float emissive, float specular,
                            float power) {
    m_Color.SetArgb(color);
    m_Diffuse = diffuse;
    m_Ambient = ambient;
    m_Emissive = emissive;
    m_Specular = specular;
    m_Power = power;
}

CQxColor CQxColorMaterial::GetDiffuseColor() const {
    return m_Color.GetScaled(m_Diffuse);
}

CQxColor CQxColorMaterial::GetAmbientColor() const {
    return m_Color.GetScaled(m_Ambient);
}

CQxColor CQxColorMaterial::GetEmissiveColor() const {
    return m_Color.GetScaled(m_Emissive);
}

CQxColor CQxColorMaterial::GetSpecularColor() const {
    return CQxColor(m_Specular, m_Specular, m_Specular, m_Color.a);
}

// --- CQxTextureStage ----------------------------------------------------------------------------

int CQxTextureStage::SetColorOp(QX_COLOR_OP_TYPE op) {
    if (op >= QX_COLOR_OP_COUNT) return 0;
    m_ColorOp = op;
    return 1;
}

int CQxTextureStage::SetAlphaOp(QX_ALPHA_OP_TYPE op) {
    if (op >= QX_ALPHA_OP_COUNT) return 0;
    m_AlphaOp = op;
    return 1;
}

int CQxTextureStage::SetMinFilter(QX_FILTER_TYPE filter) {
    if (filter > QX_FILTER_ANISOTROPIC) return 0;
    m_MinFilter = filter;
    return 1;
}

int CQxTextureStage::SetMagFilter(QX_FILTER_TYPE filter) {
    if (filter > QX_FILTER_ANISOTROPIC) return 0;
    m_MagFilter = filter;
    return 1;
}

// --- CQxAttribute -------------------------------------------------------------------------------

int CQxAttribute::AddTextureStage(CQxTextureStage* stage) {
    return stage ? m_Stages.PushBack(stage) : 0;
}

int CQxAttribute::InsertTextureStage(unsigned int i, CQxTextureStage* stage) {
    return stage ? m_Stages.InsertAt(i, stage) : 0;
}

CQxTextureStage* CQxAttribute::RemoveTextureStage(unsigned int i) {
    CQxTextureStage* stage = GetTextureStage(i);
    if (stage) m_Stages.RemoveAt(i);
    return stage;
}

const CQxTexture* CQxAttribute::GetTexture() const {
    const CQxTextureStage* stage = GetTextureStage(0);
    return stage && stage->IsLoaded() ? &stage->Texture() : nullptr;
}

unsigned int CQxAttribute::ReloadTextures(std::span<const char* const> dirs) {
    unsigned int failed = 0;
    for (CQxTextureStage* stage : m_Stages)
        if (stage && !stage->Reload(dirs)) ++failed;
    return failed;
}
