#pragma once

#include <initializer_list>
#include <span>

#include "qx/basis/list_node.h"
#include "qx/basis/ptr_array.h"
#include "qx/basis/string.h"
#include "qx/export.h"
#include "qx/graphics/color.h"
#include "qx/graphics/texture.h"

// How a texture stage combines its texture with the colour coming from the stage before it
// ("current"). The values are stored in scene files by name (QxGetColorOpName).
enum QX_COLOR_OP_TYPE : unsigned int {
    QX_COLOR_OP_DISABLE = 0,
    QX_COLOR_OP_CURRENT = 1,
    QX_COLOR_OP_TEXTURE = 2,
    QX_COLOR_OP_MODULATE = 3,
    QX_COLOR_OP_MODULATE2X = 4,
    QX_COLOR_OP_MODULATE4X = 5,
    QX_COLOR_OP_ADD = 6,
    QX_COLOR_OP_SUBTRACT_CURRENT = 7, // texture minus current
    QX_COLOR_OP_SUBTRACT_TEXTURE = 8, // current minus texture
    QX_COLOR_OP_CUR_ALPHA_CUR = 9,    // blend by the current alpha, keeping current where it is 1
    QX_COLOR_OP_CUR_ALPHA_TEX = 10,   // blend by the texture alpha, keeping current where it is 1
    QX_COLOR_OP_TEX_ALPHA_CUR = 11,   // blend by the current alpha, keeping texture where it is 1
    QX_COLOR_OP_TEX_ALPHA_TEX = 12,   // blend by the texture alpha, keeping texture where it is 1
    QX_COLOR_OP_BUMP = 13,
    QX_COLOR_OP_BUMP_LUMINANCE = 14,
};
inline constexpr unsigned int QX_COLOR_OP_COUNT = 15;

// The same for alpha.
enum QX_ALPHA_OP_TYPE : unsigned int {
    QX_ALPHA_OP_DISABLE = 0,
    QX_ALPHA_OP_CURRENT = 1,
    QX_ALPHA_OP_TEXTURE = 2,
    QX_ALPHA_OP_MODULATE = 3,
    QX_ALPHA_OP_MODULATE2X = 4,
    QX_ALPHA_OP_MODULATE4X = 5,
    QX_ALPHA_OP_ADD = 6,
    QX_ALPHA_OP_SUBTRACT_CURRENT = 7,
    QX_ALPHA_OP_SUBTRACT_TEXTURE = 8,
};
inline constexpr unsigned int QX_ALPHA_OP_COUNT = 9;

// Texture filtering when the texture is shrunk (min) or enlarged (mag).
enum QX_FILTER_TYPE : unsigned int {
    QX_FILTER_NONE = 0,
    QX_FILTER_POINT = 1,
    QX_FILTER_LINEAR = 2,
    QX_FILTER_ANISOTROPIC = 3,
};

// The names under which scene files store the operations ("Dis", "Mod2X", "Modulate2X", ...);
// null for a value out of range. The two lists spell some operations differently.
QX_API const char* QxGetColorOpName(QX_COLOR_OP_TYPE op);
QX_API const char* QxGetAlphaOpName(QX_ALPHA_OP_TYPE op);
// The operation of a name (compared exactly); 0 and `op` unchanged for an unknown name.
QX_API int QxFindColorOp(const char* name, QX_COLOR_OP_TYPE& op);
QX_API int QxFindAlphaOp(const char* name, QX_ALPHA_OP_TYPE& op);

// The lighting values of a material: a colour, factors for diffuse, ambient, emissive and
// specular light, and the specular power. Diffuse, ambient and emissive scale the colour;
// specular highlights are white scaled by the specular factor.
class QX_API CQxColorMaterial {
public:
    // White, 0.8, 0.3, 0.0, 0.3, 5.0: the values new materials start with.
    CQxColorMaterial() = default;
    CQxColorMaterial(unsigned long color, float diffuse, float ambient, float emissive, float specular,
                     float power) {
        Init(color, diffuse, ambient, emissive, specular, power);
    }

    void Init(unsigned long color, float diffuse, float ambient, float emissive, float specular, float power);

    CQxColor& Color() { return m_Color; }
    const CQxColor& Color() const { return m_Color; }
    float& Diffuse() { return m_Diffuse; }
    float Diffuse() const { return m_Diffuse; }
    float& Ambient() { return m_Ambient; }
    float Ambient() const { return m_Ambient; }
    float& Emissive() { return m_Emissive; }
    float Emissive() const { return m_Emissive; }
    float& Specular() { return m_Specular; }
    float Specular() const { return m_Specular; }
    float& Power() { return m_Power; }
    float Power() const { return m_Power; }

    // The light colours the renderer uses; each keeps the colour's alpha.
    CQxColor GetDiffuseColor() const;
    CQxColor GetAmbientColor() const;
    CQxColor GetEmissiveColor() const;
    CQxColor GetSpecularColor() const;

    friend bool operator==(const CQxColorMaterial& x, const CQxColorMaterial& y) = default;

private:
    CQxColor m_Color;
    float m_Diffuse = 0.8f;
    float m_Ambient = 0.3f;
    float m_Emissive = 0.0f;
    float m_Specular = 0.3f;
    float m_Power = 5.0f;
};

// One texture layer of a material: the texture, how it combines colour and alpha with the
// layers before it, and its filters.
class QX_API CQxTextureStage {
public:
    CQxTextureStage(QX_COLOR_OP_TYPE colorOp = QX_COLOR_OP_TEXTURE,
                    QX_ALPHA_OP_TYPE alphaOp = QX_ALPHA_OP_TEXTURE,
                    QX_FILTER_TYPE minFilter = QX_FILTER_LINEAR, QX_FILTER_TYPE magFilter = QX_FILTER_LINEAR)
        : m_ColorOp(colorOp), m_AlphaOp(alphaOp), m_MinFilter(minFilter), m_MagFilter(magFilter) {}
    // Copies share the decoded pixels (they never change once read).
    CQxTextureStage(const CQxTextureStage&) = default;
    CQxTextureStage& operator=(const CQxTextureStage&) = default;
    virtual ~CQxTextureStage() = default;

    CQxTexture& Texture() { return m_Texture; }
    const CQxTexture& Texture() const { return m_Texture; }
    const CQxString& GetPath() const { return m_Texture.GetPath(); }
    // Loads the file into the stage's texture (CQxTexture::Load: search order and failure).
    int Load(const char* path, std::span<const char* const> dirs = {}) { return m_Texture.Load(path, dirs); }
    int Load(const char* path, std::initializer_list<const char*> dirs) { return m_Texture.Load(path, dirs); }
    int Reload(std::span<const char* const> dirs = {}) { return m_Texture.Reload(dirs); }
    int Reload(std::initializer_list<const char*> dirs) { return m_Texture.Reload(dirs); }
    int IsLoaded() const { return m_Texture.IsLoaded(); }

    QX_COLOR_OP_TYPE GetColorOp() const { return m_ColorOp; }
    QX_ALPHA_OP_TYPE GetAlphaOp() const { return m_AlphaOp; }
    // 0 and no change for a value out of range or an unknown name.
    int SetColorOp(QX_COLOR_OP_TYPE op);
    int SetAlphaOp(QX_ALPHA_OP_TYPE op);
    int SetColorOp(const char* name) { return QxFindColorOp(name, m_ColorOp); }
    int SetAlphaOp(const char* name) { return QxFindAlphaOp(name, m_AlphaOp); }
    const char* GetColorOpName() const { return QxGetColorOpName(m_ColorOp); }
    const char* GetAlphaOpName() const { return QxGetAlphaOpName(m_AlphaOp); }

    QX_FILTER_TYPE GetMinFilter() const { return m_MinFilter; }
    QX_FILTER_TYPE GetMagFilter() const { return m_MagFilter; }
    // 0 and no change for a value out of range.
    int SetMinFilter(QX_FILTER_TYPE filter);
    int SetMagFilter(QX_FILTER_TYPE filter);

private:
    CQxTexture m_Texture;
    QX_COLOR_OP_TYPE m_ColorOp;
    QX_ALPHA_OP_TYPE m_AlphaOp;
    QX_FILTER_TYPE m_MinFilter;
    QX_FILTER_TYPE m_MagFilter;
};

// A named material of a model: its colour material and its texture stages, owned in order.
// The model keeps its attributes in a CQxList, which sets Index; faces point to attributes.
// Copies (and assignment) copy name, material and every stage, never the list links.
class QX_API CQxAttribute : public CQxListNode<CQxAttribute> {
public:
    CQxAttribute() = default;
    explicit CQxAttribute(const char* name) : m_Name(name) {}
    CQxAttribute(const CQxAttribute& other) = default;
    CQxAttribute& operator=(const CQxAttribute& other) = default;
    virtual ~CQxAttribute() = default;

    const char* GetName() const { return m_Name.GetStr(); }
    void SetName(const char* name) { m_Name = name; }

    CQxColorMaterial& ColorMaterial() { return m_ColorMaterial; }
    const CQxColorMaterial& ColorMaterial() const { return m_ColorMaterial; }

    // Texture stages, in order. Stages handed in become the attribute's.
    CQxPtrArray<CQxTextureStage>& TextureStages() { return m_Stages; }
    const CQxPtrArray<CQxTextureStage>& TextureStages() const { return m_Stages; }
    unsigned int GetTextureStageCount() const { return m_Stages.GetSize(); }
    // Null when i is not below the count.
    CQxTextureStage* GetTextureStage(unsigned int i) const {
        return i < m_Stages.GetSize() ? m_Stages[i] : nullptr;
    }
    // 0 for null (the stage is then not taken) or a position beyond the end.
    int AddTextureStage(CQxTextureStage* stage);
    int InsertTextureStage(unsigned int i, CQxTextureStage* stage);
    // Position of a stage, or 0xFFFFFFFF.
    unsigned int FindTextureStage(const CQxTextureStage* stage) const { return m_Stages.Find(stage); }
    // Takes the stage out without deleting it (the caller owns it then); 0 when i is out of range.
    CQxTextureStage* RemoveTextureStage(unsigned int i);
    int DeleteTextureStage(unsigned int i) { return m_Stages.PopAt(i); }
    void ClearTextureStages() { m_Stages.Clear(); }
    // The first stage's texture when it is loaded, else null: what faces are painted with.
    const CQxTexture* GetTexture() const;
    // Reloads every stage, searching the directories; the number of stages that failed.
    unsigned int ReloadTextures(std::span<const char* const> dirs = {});
    unsigned int ReloadTextures(std::initializer_list<const char*> dirs) {
        return ReloadTextures(std::span<const char* const>(dirs.begin(), dirs.size()));
    }

private:
    CQxString m_Name;
    CQxColorMaterial m_ColorMaterial;
    CQxPtrArray<CQxTextureStage> m_Stages;
};
