#pragma once

#include <array>
#include <memory>
#include <string>

#include "qx/export.h"
#include "qx/graphics/attribute.h"
#include "qx/graphics/color.h"
#include "qx/math/matrix.h"
#include "qx/math/vector.h"

class CQxPrimitive;
class CQxTexture;

// Results of the device and of the view contexts. 0 is success; 1 means the device was lost
// (the caller runs the recovery loop); 2 the device is back but must be reset first; 3 an
// error that recovery cannot mend (no usable driver, a shader the driver refuses).
enum QX_GRAPHICS_RESULT : int {
    QX_GRAPHICS_OK = 0,
    QX_GRAPHICS_LOST = 1,
    QX_GRAPHICS_NOTRESET = 2,
    QX_GRAPHICS_FAILED = 3,
};

// The drawing state shared by every view: matrices, material, texture, light, depth and point
// states, and two shader programs (lit faces; unlit vertex-coloured lines, points and weight
// colours). GL objects are shared by all offscreen contexts, so one device serves every window.
//
// Matrices are kept in the row-vector form of QxMath (p' = p * M) and sent to GL untransposed:
// GL reads the row-major storage as the transpose, and `M * v` in the shaders is then p * M.
// Projections give depth 0..1 (near..far); the device maps that to GL's -1..1 on the way.
//
// State setters only record values; they reach GL when a primitive is drawn, so they work
// (and are queryable) without a context.
class QX_API CQxGraphicsDevice {
public:
    CQxGraphicsDevice();
    ~CQxGraphicsDevice();
    CQxGraphicsDevice(const CQxGraphicsDevice&) = delete;
    CQxGraphicsDevice& operator=(const CQxGraphicsDevice&) = delete;

    // Makes the programs in the current context; 0 (with the driver's log shown once) when the
    // driver refuses them. Called by the view contexts when they are created.
    int Prepare();
    // Ok, lost (SetLost or a real loss), not reset (lost before, reset possible) or failed.
    QX_GRAPHICS_RESULT GetState() const;
    // Brings a not-reset device back: drops the GL objects; QX_GRAPHICS_OK, or the state that
    // prevents it (lost or failed).
    QX_GRAPHICS_RESULT Reset();
    // Test hook: a lost device reports QX_GRAPHICS_LOST until SetLost(0), then needs a Reset.
    void SetLost(int lost);
    // Drops every GL object (programs, textures, primitives' buffers) and starts a new
    // generation: primitives upload again when next drawn. RecreateGraphics makes the programs
    // again when a context is current (otherwise at the next Prepare or draw).
    void ClearGraphics();
    int RecreateGraphics();
    unsigned int GetGeneration() const { return m_Generation; }

    // Defaults: identity matrices, the default material, no texture, light off, ambient black,
    // depth test and writes on, blending off, point size 1.
    void SetBaseStates();

    void SetWorld(const CQxMatrix& m) { m_World = m; }
    void SetView(const CQxMatrix& m) { m_View = m; }
    void SetProjection(const CQxMatrix& m) { m_Projection = m; }
    const CQxMatrix& GetWorld() const { return m_World; }
    const CQxMatrix& GetView() const { return m_View; }
    const CQxMatrix& GetProjection() const { return m_Projection; }

    void SetMaterial(const CQxColorMaterial& material) { m_Material = material; }
    const CQxColorMaterial& GetMaterial() const { return m_Material; }
    // Faces combine up to this many texture stages with their lit colour.
    static constexpr unsigned int MaxTextureStages = 4;
    // The texture stage drawn at `stage` (0..MaxTextureStages-1; others are refused with 0);
    // null removes it. Stages apply in order, each combining its texture with the colour the
    // ones before it made, up to the first empty stage or stage whose colour op is Dis. A stage
    // whose texture is not loaded passes the colour on. Pixels are uploaded once per revision.
    int SetTexture(unsigned int stage, const CQxTextureStage* texture);
    // Null for an empty stage or one out of range.
    const CQxTextureStage* GetTexture(unsigned int stage) const {
        return stage < MaxTextureStages ? m_Textures[stage] : nullptr;
    }
    // The material and first texture stages of an attribute (null: the default material, no
    // texture); stages the attribute lacks are emptied.
    void SetAttribute(const CQxAttribute* attribute);

    // One directional light: the direction the light travels (world space) and its colour;
    // faces are lit by it only while it is enabled (otherwise by emissive and ambient alone).
    void SetLight(const CQxVector& direction, unsigned long color);
    void EnableLight(int on) { m_LightOn = on; }
    void SetAmbient(unsigned long color) { m_Ambient = CQxColor(color); }

    void SetDepthTest(int on) { m_DepthTest = on; }
    void SetDepthWrite(int on) { m_DepthWrite = on; }
    // Clears the depth buffer of the current view at once (0 without a context).
    int ClearDepth();
    void SetPointSize(float size) { m_PointSize = size > 0.0f ? size : 1.0f; }
    // Alpha blending (source alpha over the frame).
    void SetBlend(int on) { m_Blend = on; }

    // Draws a primitive with the current states; called by CQxPrimitive::Draw.
    int DrawPrimitive(const CQxPrimitive& primitive, unsigned int vertexBuffer, unsigned int indexBuffer);
    // Buffers are made and deleted through the device so ClearGraphics can drop them all.
    unsigned int CreateBuffer();
    void DeleteBuffer(unsigned int name, unsigned int generation);
    // The vertex array object of the view now drawing (vertex arrays are not shared between
    // contexts, so each view context owns one); 0 when no view draws. Set by the view contexts.
    void SetVertexArray(unsigned int name);
    unsigned int GetVertexArray() const;
    // Whether GL can be called: a view is drawing and the device is usable.
    int CanDraw() const;
    // The renderer's name (GL_RENDERER), empty without a context.
    const char* GetRendererName();

private:
    struct Gl;
    int ApplyStates(int lit);
    // Some texture stage is set and enabled: faces take the program that combines stages.
    bool HasTextureStage() const;
    static void DeletePrograms(Gl& gl);
    void ReportShaderFailure(const std::string& log);
    unsigned int GetTextureName(const CQxTexture& texture);

    std::unique_ptr<Gl> m_Gl;
    CQxMatrix m_World;
    CQxMatrix m_View;
    CQxMatrix m_Projection;
    CQxColorMaterial m_Material;
    std::array<const CQxTextureStage*, MaxTextureStages> m_Textures{};
    CQxVector m_LightDirection{0.0f, 0.0f, -1.0f};
    CQxColor m_LightColor;
    CQxColor m_Ambient{0.0f, 0.0f, 0.0f, 1.0f};
    int m_LightOn = 0;
    int m_DepthTest = 1;
    int m_DepthWrite = 1;
    int m_Blend = 0;
    float m_PointSize = 1.0f;
    unsigned int m_Generation = 1;
    int m_Lost = 0;
    int m_NeedsReset = 0;
    int m_Failed = 0;
};

// The process-wide graphics objects.
class QX_API CQxGraphics {
public:
    static CQxGraphics& Instance();
    CQxGraphicsDevice& GetDevice() { return m_Device; }

private:
    CQxGraphics() = default;
    CQxGraphicsDevice m_Device;
};
