#include "gl_shaders.h"

namespace qx_gl {

// Matrices arrive untransposed from row-major row-vector storage, so `M * v` here is p * M.
const char* const LitVertexShader = R"(#version 330 core
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec2 a_uv;
layout(location = 3) in vec4 a_color;
uniform mat4 u_transform;
uniform mat4 u_world;
uniform float u_pointSize;
out vec3 v_position;
out vec3 v_normal;
out vec2 v_uv;
out vec4 v_color;
void main() {
    v_position = (u_world * vec4(a_position, 1.0)).xyz;
    v_normal = mat3(u_world) * a_normal;
    v_uv = a_uv;
    v_color = a_color;
    gl_Position = u_transform * vec4(a_position, 1.0);
    gl_PointSize = u_pointSize;
}
)";

// Material lighting per pixel: emissive + ambient + one directional light, with the specular
// highlight returned apart so that it is added after the texture stages.
#define QX_LIT_FRAGMENT_HEAD                                                                           \
    "#version 330 core\n"                                                                              \
    "in vec3 v_position;\n"                                                                            \
    "in vec3 v_normal;\n"                                                                              \
    "in vec2 v_uv;\n"                                                                                  \
    "in vec4 v_color;\n"                                                                               \
    "uniform vec4 u_diffuse;\n"                                                                        \
    "uniform vec4 u_ambient;\n"                                                                        \
    "uniform vec4 u_emissive;\n"                                                                       \
    "uniform vec4 u_specular;\n"                                                                       \
    "uniform float u_power;\n"                                                                         \
    "uniform int u_lightOn;\n"                                                                         \
    "uniform vec3 u_lightDirection;\n"                                                                 \
    "uniform vec4 u_lightColor;\n"                                                                     \
    "uniform vec4 u_ambientLight;\n"                                                                   \
    "uniform vec3 u_eye;\n"                                                                            \
    "out vec4 o_color;\n"                                                                              \
    "vec4 lit(out vec3 specular) {\n"                                                                  \
    "    vec3 n = length(v_normal) > 0.0 ? normalize(v_normal) : vec3(0.0);\n"                         \
    "    vec4 diffuse = u_diffuse * v_color;\n"                                                        \
    "    vec3 color = u_emissive.rgb + u_ambientLight.rgb * u_ambient.rgb;\n"                          \
    "    specular = vec3(0.0);\n"                                                                      \
    "    if (u_lightOn != 0) {\n"                                                                      \
    "        vec3 l = -normalize(u_lightDirection);\n"                                                 \
    "        float d = max(dot(n, l), 0.0);\n"                                                         \
    "        color += u_lightColor.rgb * diffuse.rgb * d;\n"                                           \
    "        if (d > 0.0 && u_power > 0.0) {\n"                                                        \
    "            vec3 toEye = u_eye - v_position;\n"                                                   \
    "            vec3 h = normalize(l + (length(toEye) > 0.0 ? normalize(toEye) : l));\n"              \
    "            specular = u_lightColor.rgb * u_specular.rgb * pow(max(dot(n, h), 0.0), u_power);\n"  \
    "        }\n"                                                                                      \
    "    }\n"                                                                                          \
    "    return vec4(clamp(color, 0.0, 1.0), diffuse.a);\n"                                            \
    "}\n"

// Then up to four texture stages, each combining its texture (t) with the colour so far (c) by
// its operations and clamping to 0..1. SubCur is t - c and SubTex c - t; the four alpha blends
// keep the first named colour where the named alpha is 1 (CurAlphaTex: mix(t, c, t.a)). Bump
// operations and a disabled alpha operation pass the colour so far through.
const char* const LitFragmentShader = QX_LIT_FRAGMENT_HEAD R"(
uniform int u_stageCount;
uniform int u_textureOn[4];
uniform int u_colorOps[4];
uniform int u_alphaOps[4];
uniform sampler2D u_texture0;
uniform sampler2D u_texture1;
uniform sampler2D u_texture2;
uniform sampler2D u_texture3;

vec3 colorOp(int op, vec4 t, vec4 c) {
    switch (op) {
    case 2: return t.rgb;
    case 3: return t.rgb * c.rgb;
    case 4: return 2.0 * t.rgb * c.rgb;
    case 5: return 4.0 * t.rgb * c.rgb;
    case 6: return t.rgb + c.rgb;
    case 7: return t.rgb - c.rgb;
    case 8: return c.rgb - t.rgb;
    case 9: return mix(t.rgb, c.rgb, c.a);
    case 10: return mix(t.rgb, c.rgb, t.a);
    case 11: return mix(c.rgb, t.rgb, c.a);
    case 12: return mix(c.rgb, t.rgb, t.a);
    default: return c.rgb;
    }
}

float alphaOp(int op, float t, float c) {
    switch (op) {
    case 2: return t;
    case 3: return t * c;
    case 4: return 2.0 * t * c;
    case 5: return 4.0 * t * c;
    case 6: return t + c;
    case 7: return t - c;
    case 8: return c - t;
    default: return c;
    }
}

// A stage without a texture passes the colour on.
vec4 applyStage(int i, vec4 t, vec4 c) {
    if (u_textureOn[i] == 0) return c;
    return clamp(vec4(colorOp(u_colorOps[i], t, c), alphaOp(u_alphaOps[i], t.a, c.a)), 0.0, 1.0);
}

void main() {
    vec3 specular;
    vec4 current = lit(specular);
    // Samplers in arrays need constant indices in GLSL 3.30, hence one line per stage.
    if (u_stageCount > 0) current = applyStage(0, texture(u_texture0, v_uv), current);
    if (u_stageCount > 1) current = applyStage(1, texture(u_texture1, v_uv), current);
    if (u_stageCount > 2) current = applyStage(2, texture(u_texture2, v_uv), current);
    if (u_stageCount > 3) current = applyStage(3, texture(u_texture3, v_uv), current);
    o_color = vec4(clamp(current.rgb + specular, 0.0, 1.0), current.a);
}
)";

const char* const LitPlainFragmentShader = QX_LIT_FRAGMENT_HEAD R"(
void main() {
    vec3 specular;
    vec4 current = lit(specular);
    o_color = vec4(clamp(current.rgb + specular, 0.0, 1.0), current.a);
}
)";

#undef QX_LIT_FRAGMENT_HEAD

const char* const ColorVertexShader = R"(#version 330 core
layout(location = 0) in vec3 a_position;
layout(location = 3) in vec4 a_color;
uniform mat4 u_transform;
uniform float u_pointSize;
out vec4 v_color;
void main() {
    v_color = a_color;
    gl_Position = u_transform * vec4(a_position, 1.0);
    gl_PointSize = u_pointSize;
}
)";

const char* const ColorFragmentShader = R"(#version 330 core
in vec4 v_color;
out vec4 o_color;
void main() {
    o_color = v_color;
}
)";

} // namespace qx_gl
