// The chart's shader pair in the shading language, for the default shader
// library: the same contract as the chart's GLSL shaders (attributes,
// uniforms and the sampler "texture"), and the same conventions as the
// shaders the GL layer converts: depth from GL's clip range -w..w mapped to
// 0..w, and texture rows stored upside down.
#include <metal_stdlib>
using namespace metal;

struct VertexIn {
  float4 a_Position [[attribute(0)]];
  float4 a_Color [[attribute(1)]];
  float3 a_Normal [[attribute(2)]];
  float2 a_TexCoord [[attribute(3)]];
  float4 a_materialAmbient [[attribute(4)]];
  float4 a_materialDiffuse [[attribute(5)]];
  float4 a_materialSpecular [[attribute(6)]];
  float a_materialShininess [[attribute(7)]];
};

struct Uniforms {
  float4x4 u_MVMatrix;
  float4x4 u_MVPMatrix;
  int u_UseTexture;
  int u_UseMaterial;
  float3 u_LightDir;
};

struct Varyings {
  float4 position [[position]];
  float4 v_Color;
  float2 v_TexCoord;
};

// Ambient, diffuse and specular light from a directional light in eye
// space; a zero light direction leaves the ambient term alone.
static float4 materialColor(VertexIn in, constant Uniforms& u) {
  float3 normal = normalize((u.u_MVMatrix * float4(in.a_Normal, 0.0)).xyz);
  float lightLength = length(u.u_LightDir);
  float diffuse = 0.0;
  float specular = 0.0;
  if (lightLength > 0.0) {
    float3 light = u.u_LightDir / lightLength;
    diffuse = max(dot(normal, light), 0.0);
    if (diffuse > 0.0) {
      float3 halfway = normalize(light + float3(0.0, 0.0, 1.0));
      specular = pow(max(dot(normal, halfway), 0.0), max(in.a_materialShininess, 1.0));
    }
  }
  float4 color = in.a_materialAmbient + in.a_materialDiffuse * diffuse +
                 in.a_materialSpecular * specular;
  color.a = in.a_materialDiffuse.a;
  return clamp(color, 0.0, 1.0);
}

vertex Varyings VertexShader(VertexIn in [[stage_in]],
                             constant Uniforms& uniforms [[buffer(0)]]) {
  Varyings out;
  float4 position = uniforms.u_MVPMatrix * in.a_Position;
  position.z = (position.z + position.w) * 0.5;
  out.position = position;
  out.v_Color = uniforms.u_UseMaterial != 0 ? materialColor(in, uniforms) : in.a_Color;
  out.v_TexCoord = in.a_TexCoord;
  return out;
}

fragment float4 FragmentShader(Varyings in [[stage_in]],
                               constant Uniforms& uniforms [[buffer(0)]],
                               texture2d<float> texture [[texture(0)]],
                               sampler textureSampler [[sampler(0)]]) {
  float4 color = in.v_Color;
  if (uniforms.u_UseTexture != 0) {
    color *= texture.sample(textureSampler, float2(in.v_TexCoord.x, 1.0 - in.v_TexCoord.y));
  }
  return color;
}
