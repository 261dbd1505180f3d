// Metal shaders written for the tests of shaders, programs and uniforms,
// in the shape the GLSL converter gives its output: attributes in a
// stage_in structure, the uniforms of a stage in one structure in the
// constant address space at buffer 0, each sampler a texture and a
// sampler at the same slot.
#pragma once

namespace tessaly::test {

// A vertex shader with u_mvp (mat4) and a fragment shader with u_color
// (vec3): locations 0 and 1.
inline constexpr const char* kVertexMSL = R"(#include <metal_stdlib>
using namespace metal;

struct VertexIn {
  float4 a_position [[attribute(0)]];
  float2 a_texCoord [[attribute(1)]];
};

struct VertexUniforms {
  float4x4 u_mvp;
};

struct Varyings {
  float4 position [[position]];
  float2 v_texCoord;
};

vertex Varyings transformVertex(VertexIn in [[stage_in]],
                                constant VertexUniforms& uniforms [[buffer(0)]]) {
  Varyings out;
  out.position = uniforms.u_mvp * in.a_position;
  out.v_texCoord = in.a_texCoord;
  return out;
}
)";

inline constexpr const char* kFragmentMSL = R"(#include <metal_stdlib>
using namespace metal;

struct Varyings {
  float4 position [[position]];
  float2 v_texCoord;
};

struct FragmentUniforms {
  float3 u_color;
};

fragment float4 colorFragment(Varyings in [[stage_in]],
                              constant FragmentUniforms& uniforms [[buffer(0)]]) {
  return float4(uniforms.u_color * in.v_texCoord.x, 1.0);
}
)";

// A fragment shader without uniforms that reads the same varyings.
inline constexpr const char* kPlainFragmentMSL = R"(#include <metal_stdlib>
using namespace metal;

struct Varyings {
  float4 position [[position]];
  float2 v_texCoord;
};

fragment float4 plainFragment(Varyings in [[stage_in]]) {
  return float4(in.v_texCoord, 0.0, 1.0);
}
)";

// A vertex shader without attributes or uniforms.
inline constexpr const char* kPlainVertexMSL = R"(#include <metal_stdlib>
using namespace metal;

struct Varyings {
  float4 position [[position]];
  float2 v_texCoord;
};

// The name is taken from a line of at least four words.
vertex Varyings plainVertex() { Varyings out;
  out.position = float4(0.0, 0.0, 0.0, 1.0);
  out.v_texCoord = float2(0.5);
  return out;
}
)";

}  // namespace tessaly::test
