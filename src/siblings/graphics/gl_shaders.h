#pragma once

// GLSL sources of the device's programs. Attribute locations: 0 position, 1 normal, 2 UV,
// 3 colour (BGRA bytes, normalised).
namespace qx_gl {

extern const char* const LitVertexShader;
extern const char* const LitFragmentShader;
// The lit faces without texture stages.
extern const char* const LitPlainFragmentShader;
extern const char* const ColorVertexShader;
extern const char* const ColorFragmentShader;

} // namespace qx_gl
