// The chart's shader pair in the shading language, for the default shader
// library: the attributes, uniforms and sampler of the chart's GLSL shaders
// (VertexShader.glsl and FragmentShader.glsl), computing the same colours,
// with the conventions of the shaders the GL layer converts: clip depth
// from GL's -w..w to Metal's 0..w, and texture rows stored upside down.
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

// Each stage's uniforms, as the GL layer gives each stage its own buffer.
struct VertexUniforms {
  float4x4 u_MVMatrix;
  float4x4 u_MVPMatrix;
  int u_UseMaterial;
  float3 u_LightDir;
};

struct FragmentUniforms {
  int u_UseTexture;
};

struct Varyings {
  float4 position [[position]];
  float4 v_Color;
  float2 v_TexCoord;
};

// Lighting applies while a light direction is set (the Sun's direction in
// the model's frame, as are the normals); the zero direction of the
// default state, or a missing normal, leaves the colour unlit.
vertex Varyings VertexShader(VertexIn in [[stage_in]],
                             constant VertexUniforms& u [[buffer(0)]]) {
  float4 color = in.a_Color;
  float lightLength = length(u.u_LightDir);
  float normalLength = length(in.a_Normal);
  bool lit = lightLength > 0.0 && normalLength > 0.0;
  float diffuse = 1.0;
  float specular = 0.0;
  if (lit) {
    float3 n = in.a_Normal / normalLength;
    float3 l = u.u_LightDir / lightLength;
    diffuse = max(dot(n, l), 0.0);
    if (u.u_UseMaterial == 1 && diffuse > 0.0 && in.a_materialShininess > 0.0) {
      // Towards the viewer: the model-view's +z axis, which in the
      // model's frame is the third row of its rotation.
      float3 eye = normalize(float3(u.u_MVMatrix[0][2], u.u_MVMatrix[1][2], u.u_MVMatrix[2][2]));
      specular = pow(max(dot(n, normalize(l + eye)), 0.0), in.a_materialShininess);
    }
  }
  if (u.u_UseMaterial == 1) {
    color = float4(in.a_materialAmbient.rgb + in.a_materialDiffuse.rgb * diffuse +
                       in.a_materialSpecular.rgb * specular,
                   in.a_materialDiffuse.a);
  } else if (lit) {
    color = float4(color.rgb * diffuse, color.a);
  }
  Varyings out;
  out.position = u.u_MVPMatrix * in.a_Position;
  out.position.z = (out.position.z + out.position.w) * 0.5;
  out.v_Color = clamp(color, 0.0, 1.0);
  out.v_TexCoord = in.a_TexCoord;
  return out;
}

// The interpolated colour, modulated by the texture on unit 0 while one is
// bound.
fragment float4 FragmentShader(Varyings in [[stage_in]],
                               constant FragmentUniforms& u [[buffer(0)]],
                               texture2d<float> texture [[texture(0)]],
                               sampler textureSampler [[sampler(0)]]) {
  if (u.u_UseTexture == 1) {
    return in.v_Color * texture.sample(textureSampler, float2(in.v_TexCoord.x, 1.0 - in.v_TexCoord.y));
  }
  return in.v_Color;
}
