#include "qx/graphics/graphics_device.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "gl_shaders.h"
#include "qx/graphics/primitive.h"
#include "qx/graphics/texture.h"
#include "qx/platform/message.h"

namespace {

struct Program {
    GLuint name = 0;
    GLint transform = -1, world = -1, pointSize = -1;
    GLint diffuse = -1, ambient = -1, emissive = -1, specular = -1, power = -1;
    GLint lightOn = -1, lightDirection = -1, lightColor = -1, ambientLight = -1, eye = -1;
    GLint stageCount = -1, textureOn = -1, colorOps = -1, alphaOps = -1;
    GLint textures[CQxGraphicsDevice::MaxTextureStages] = {-1, -1, -1, -1};
};

GLuint Compile(GLenum kind, const char* source, std::string& log) {
    const GLuint shader = glCreateShader(kind);
    if (!shader) return 0;
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    char text[1024] = {};
    glGetShaderInfoLog(shader, sizeof text, nullptr, text);
    log += text;
    glDeleteShader(shader);
    return 0;
}

int Link(Program& program, const char* vertexSource, const char* fragmentSource, std::string& log) {
    const GLuint vs = Compile(GL_VERTEX_SHADER, vertexSource, log);
    const GLuint fs = Compile(GL_FRAGMENT_SHADER, fragmentSource, log);
    GLuint name = (vs && fs) ? glCreateProgram() : 0;
    if (name) {
        glAttachShader(name, vs);
        glAttachShader(name, fs);
        glLinkProgram(name);
        GLint ok = GL_FALSE;
        glGetProgramiv(name, GL_LINK_STATUS, &ok);
        if (!ok) {
            char text[1024] = {};
            glGetProgramInfoLog(name, sizeof text, nullptr, text);
            log += text;
            glDeleteProgram(name);
            name = 0;
        }
    }
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    if (!name) return 0;
    program.name = name;
    auto at = [name](const char* uniform) { return glGetUniformLocation(name, uniform); };
    program.transform = at("u_transform");
    program.world = at("u_world");
    program.pointSize = at("u_pointSize");
    program.diffuse = at("u_diffuse");
    program.ambient = at("u_ambient");
    program.emissive = at("u_emissive");
    program.specular = at("u_specular");
    program.power = at("u_power");
    program.lightOn = at("u_lightOn");
    program.lightDirection = at("u_lightDirection");
    program.lightColor = at("u_lightColor");
    program.ambientLight = at("u_ambientLight");
    program.eye = at("u_eye");
    program.stageCount = at("u_stageCount");
    program.textureOn = at("u_textureOn");
    program.colorOps = at("u_colorOps");
    program.alphaOps = at("u_alphaOps");
    for (unsigned int i = 0; i < CQxGraphicsDevice::MaxTextureStages; ++i) {
        const std::string sampler = "u_texture" + std::to_string(i);
        program.textures[i] = at(sampler.c_str());
    }
    return 1;
}

void SetColor(GLint location, const CQxColor& c) {
    glUniform4f(location, c.r, c.g, c.b, c.a);
}

// None and point sample the nearest texel; linear and anisotropic filter linearly (shrunk
// textures between mipmap levels too); no anisotropy is asked of the driver.
GLint FilterOf(QX_FILTER_TYPE filter, bool minifying) {
    if (filter == QX_FILTER_POINT || filter == QX_FILTER_NONE) return GL_NEAREST;
    return minifying ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
}

// Binds each texture stage to its unit and hands the program the stage operations. Stage i
// samples texture unit i; the cascade ends at the first empty or disabled stage.
template <class StageList, class TextureName>
void BindTextureStages(const Program& p, const StageList& stages, TextureName&& textureName) {
    constexpr unsigned int Stages = CQxGraphicsDevice::MaxTextureStages;
    GLint count = 0;
    GLint textureOn[Stages] = {};
    GLint colorOps[Stages] = {};
    GLint alphaOps[Stages] = {};
    for (const CQxTextureStage* stage : stages) {
        if (!stage || stage->GetColorOp() == QX_COLOR_OP_DISABLE) break;
        const auto unit = static_cast<GLuint>(count);
        // Uploading binds on the active unit, so select the stage's unit first.
        glActiveTexture(GL_TEXTURE0 + unit);
        const GLuint texture = textureName(stage->Texture());
        if (texture) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, FilterOf(stage->GetMinFilter(), true));
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, FilterOf(stage->GetMagFilter(), false));
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        }
        textureOn[count] = texture ? 1 : 0;
        colorOps[count] = static_cast<GLint>(stage->GetColorOp());
        alphaOps[count] = static_cast<GLint>(stage->GetAlphaOp());
        ++count;
    }
    glActiveTexture(GL_TEXTURE0);
    for (unsigned int i = 0; i < Stages; ++i) glUniform1i(p.textures[i], static_cast<GLint>(i));
    glUniform1i(p.stageCount, count);
    glUniform1iv(p.textureOn, Stages, textureOn);
    glUniform1iv(p.colorOps, Stages, colorOps);
    glUniform1iv(p.alphaOps, Stages, alphaOps);
}

// Projections give depth 0..1 after the divide; GL clips -1..1: z' = 2z - w.
CQxMatrix DepthToGl() {
    CQxMatrix m;
    m.m[2][2] = 2.0f;
    m.m[3][2] = -1.0f;
    return m;
}

} // namespace

struct CQxGraphicsDevice::Gl {
    struct Texture {
        GLuint name = 0;
        const unsigned char* pixels = nullptr;
        unsigned int revision = 0;
    };
    Program lit;      // lit faces with texture stages, built when first needed
    Program litPlain; // lit faces without: most faces, so they skip the stage code per pixel
    Program color;
    bool prepared = false;
    bool reported = false; // the driver's refusal was shown once
    GLuint vertexArray = 0;
    std::unordered_set<GLuint> buffers;
    std::unordered_map<const CQxTexture*, Texture> textures;
    std::string renderer;
};

void CQxGraphicsDevice::DeletePrograms(Gl& gl) {
    for (Program* program : {&gl.lit, &gl.litPlain, &gl.color}) {
        if (program->name) glDeleteProgram(program->name);
        *program = {};
    }
}

CQxGraphics& CQxGraphics::Instance() {
    static CQxGraphics graphics;
    return graphics;
}

CQxGraphicsDevice::CQxGraphicsDevice() : m_Gl(std::make_unique<Gl>()) {}

// GL objects go with their contexts at exit; nothing is current then to delete them with.
CQxGraphicsDevice::~CQxGraphicsDevice() = default;

int CQxGraphicsDevice::Prepare() {
    Gl& gl = *m_Gl;
    // All programs are ours: a program name that is no longer one means the contexts that
    // shared our objects are all gone, and every name we hold is stale.
    if (gl.prepared && !glIsProgram(gl.litPlain.name)) {
        gl.prepared = false;
        gl.lit = {};
        gl.litPlain = {};
        gl.color = {};
        gl.buffers.clear();
        gl.textures.clear();
        ++m_Generation;
    }
    if (gl.prepared) return 1;
    std::string log;
    if (!Link(gl.litPlain, qx_gl::LitVertexShader, qx_gl::LitPlainFragmentShader, log) ||
        !Link(gl.color, qx_gl::ColorVertexShader, qx_gl::ColorFragmentShader, log)) {
        DeletePrograms(gl);
        ReportShaderFailure(log);
        return 0;
    }
    m_Failed = 0;
    gl.prepared = true;
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    gl.renderer = renderer ? renderer : "";
    return 1;
}

// The device cannot draw; the driver's reasons are shown once.
void CQxGraphicsDevice::ReportShaderFailure(const std::string& log) {
    m_Failed = 1;
    if (m_Gl->reported) return;
    m_Gl->reported = true;
    const std::string text = "The OpenGL driver cannot build the drawing shaders: " + log;
    QxShowMessage(text.c_str(), "OpenGL", MB_OK | MB_ICONERROR, nullptr);
}

QX_GRAPHICS_RESULT CQxGraphicsDevice::GetState() const {
    if (m_Lost) return QX_GRAPHICS_LOST;
    if (m_NeedsReset) return QX_GRAPHICS_NOTRESET;
    if (m_Failed) return QX_GRAPHICS_FAILED;
    return QX_GRAPHICS_OK;
}

QX_GRAPHICS_RESULT CQxGraphicsDevice::Reset() {
    if (m_Lost) return QX_GRAPHICS_LOST;
    ClearGraphics();
    m_NeedsReset = 0;
    m_Failed = 0;
    m_Gl->reported = false;
    return QX_GRAPHICS_OK;
}

void CQxGraphicsDevice::SetLost(int lost) {
    if (lost) {
        m_Lost = 1;
    } else if (m_Lost) {
        m_Lost = 0;
        m_NeedsReset = 1;
    }
}

void CQxGraphicsDevice::ClearGraphics() {
    Gl& gl = *m_Gl;
    // Without a current context these calls do nothing, and the objects go with the contexts.
    DeletePrograms(gl);
    for (GLuint name : gl.buffers) glDeleteBuffers(1, &name);
    for (auto& [texture, entry] : gl.textures) glDeleteTextures(1, &entry.name);
    gl.buffers.clear();
    gl.textures.clear();
    gl.prepared = false;
    ++m_Generation;
}

int CQxGraphicsDevice::RecreateGraphics() {
    if (GetState() == QX_GRAPHICS_LOST || !m_Gl->vertexArray) return 1;
    return Prepare();
}

void CQxGraphicsDevice::SetBaseStates() {
    m_World.SetIdentity();
    m_View.SetIdentity();
    m_Projection.SetIdentity();
    m_Material = CQxColorMaterial();
    m_Textures.fill(nullptr);
    m_LightOn = 0;
    m_Ambient = CQxColor(0.0f, 0.0f, 0.0f, 1.0f);
    m_DepthTest = 1;
    m_DepthWrite = 1;
    m_Blend = 0;
    m_PointSize = 1.0f;
}

int CQxGraphicsDevice::SetTexture(unsigned int stage, const CQxTextureStage* texture) {
    if (stage >= MaxTextureStages) return 0;
    m_Textures[stage] = texture;
    return 1;
}

void CQxGraphicsDevice::SetAttribute(const CQxAttribute* attribute) {
    m_Material = attribute ? attribute->ColorMaterial() : CQxColorMaterial();
    for (unsigned int i = 0; i < MaxTextureStages; ++i)
        m_Textures[i] = attribute ? attribute->GetTextureStage(i) : nullptr;
}

void CQxGraphicsDevice::SetLight(const CQxVector& direction, unsigned long color) {
    if (direction.GetLengthSq() > 0.0f) m_LightDirection = direction.GetNormalized();
    m_LightColor = CQxColor(color);
}

int CQxGraphicsDevice::ClearDepth() {
    if (!CanDraw()) return 0;
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    return 1;
}

void CQxGraphicsDevice::SetVertexArray(unsigned int name) {
    m_Gl->vertexArray = name;
}

unsigned int CQxGraphicsDevice::GetVertexArray() const {
    return m_Gl->vertexArray;
}

int CQxGraphicsDevice::CanDraw() const {
    return GetState() == QX_GRAPHICS_OK && m_Gl->vertexArray != 0;
}

const char* CQxGraphicsDevice::GetRendererName() {
    return m_Gl->renderer.c_str();
}

unsigned int CQxGraphicsDevice::CreateBuffer() {
    if (!CanDraw()) return 0;
    GLuint name = 0;
    glGenBuffers(1, &name);
    if (name) m_Gl->buffers.insert(name);
    return name;
}

void CQxGraphicsDevice::DeleteBuffer(unsigned int name, unsigned int generation) {
    // A name from an older generation was deleted (or lost) with it.
    if (generation != m_Generation || !m_Gl->buffers.erase(name)) return;
    glDeleteBuffers(1, &name);
}

unsigned int CQxGraphicsDevice::GetTextureName(const CQxTexture& texture) {
    if (!texture.IsLoaded()) return 0;
    Gl::Texture& entry = m_Gl->textures[&texture];
    // The pixels are immutable per revision; a texture at a reused address has other pixels.
    if (entry.name && entry.pixels == texture.GetPixels() && entry.revision == texture.GetRevision()) {
        return entry.name;
    }
    if (!entry.name) glGenTextures(1, &entry.name);
    glBindTexture(GL_TEXTURE_2D, entry.name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(texture.GetWidth()),
                 static_cast<GLsizei>(texture.GetHeight()), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texture.GetPixels());
    glGenerateMipmap(GL_TEXTURE_2D);
    entry.pixels = texture.GetPixels();
    entry.revision = texture.GetRevision();
    return entry.name;
}

bool CQxGraphicsDevice::HasTextureStage() const {
    const CQxTextureStage* first = m_Textures[0];
    return first && first->GetColorOp() != QX_COLOR_OP_DISABLE;
}

int CQxGraphicsDevice::ApplyStates(int lit) {
    Gl& gl = *m_Gl;
    if (!Prepare()) return 0;
    const bool textured = lit && HasTextureStage();
    if (textured && !gl.lit.name) {
        // Scenes without textures never build the stage program.
        std::string log;
        if (!Link(gl.lit, qx_gl::LitVertexShader, qx_gl::LitFragmentShader, log)) {
            DeletePrograms(gl);
            gl.prepared = false;
            ReportShaderFailure(log);
            return 0;
        }
    }
    const Program& p = !lit ? gl.color : textured ? gl.lit : gl.litPlain;
    glUseProgram(p.name);
    const CQxMatrix transform = m_World * m_View * m_Projection * DepthToGl();
    glUniformMatrix4fv(p.transform, 1, GL_FALSE, &transform.m[0][0]);
    glUniform1f(p.pointSize, m_PointSize);
    if (m_DepthTest) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(m_DepthWrite ? GL_TRUE : GL_FALSE);
    if (m_Blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glEnable(GL_PROGRAM_POINT_SIZE);
    glDisable(GL_CULL_FACE);
    if (!lit) return 1;

    glUniformMatrix4fv(p.world, 1, GL_FALSE, &m_World.m[0][0]);
    SetColor(p.diffuse, m_Material.GetDiffuseColor());
    SetColor(p.ambient, m_Material.GetAmbientColor());
    SetColor(p.emissive, m_Material.GetEmissiveColor());
    SetColor(p.specular, m_Material.GetSpecularColor());
    glUniform1f(p.power, m_Material.Power());
    glUniform1i(p.lightOn, m_LightOn ? 1 : 0);
    glUniform3f(p.lightDirection, m_LightDirection.x, m_LightDirection.y, m_LightDirection.z);
    SetColor(p.lightColor, m_LightColor);
    SetColor(p.ambientLight, m_Ambient);
    const CQxMatrix inverseView = m_View.GetInverse();
    glUniform3f(p.eye, inverseView.m[3][0], inverseView.m[3][1], inverseView.m[3][2]);
    if (!textured) return 1;

    BindTextureStages(p, m_Textures, [this](const CQxTexture& t) { return GetTextureName(t); });
    return 1;
}

int CQxGraphicsDevice::DrawPrimitive(const CQxPrimitive& primitive, unsigned int vertexBuffer,
                                     unsigned int indexBuffer) {
    if (!CanDraw() || primitive.IsEmpty() || !vertexBuffer || !indexBuffer) return 0;
    if (!ApplyStates(primitive.GetShade() == QX_SHADE_LIT)) return 0;
    glBindVertexArray(m_Gl->vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    if (primitive.IsDirty()) {
        glBufferData(GL_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(primitive.GetVertexCount() * sizeof(CQxPrimitiveVertex)),
                     primitive.GetVertices(), GL_STATIC_DRAW);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(primitive.GetIndexCount() * sizeof(unsigned int)),
                     primitive.GetIndices(), GL_STATIC_DRAW);
    }
    constexpr GLsizei stride = sizeof(CQxPrimitiveVertex);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(CQxPrimitiveVertex, Position)));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(CQxPrimitiveVertex, Normal)));
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(CQxPrimitiveVertex, UV)));
    glVertexAttribPointer(3, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(offsetof(CQxPrimitiveVertex, Color)));
    for (GLuint i = 0; i < 4; ++i) glEnableVertexAttribArray(i);
    GLenum mode = GL_POINTS;
    if (primitive.GetType() == QX_PRIMITIVE_LINES) mode = GL_LINES;
    if (primitive.GetType() == QX_PRIMITIVE_TRIANGLES) mode = GL_TRIANGLES;
    glDrawElements(mode, static_cast<GLsizei>(primitive.GetIndexCount()), GL_UNSIGNED_INT, nullptr);
    return 1;
}
