// Shading-language programs that compile, shared by the corpus test (which
// must accept them) and the fuzzing test (which mutates them).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/metal/states.h"

namespace mtl::msl::test {

// The descriptor the graphics layer's linker uses: attributes 0 to 15 as
// Float4 at 16-byte steps of vertex buffer 1, stride 256.
inline RenderPipelineDescriptor linkerDescriptor() {
  RenderPipelineDescriptor d;
  VertexDescriptor v;
  for (NSUInteger n = 0; n < 16; ++n) v.attributes[n] = {VertexFormat::Float4, 16 * n, 1};
  v.layouts[1] = {256, VertexStepFunction::Constant, 0};
  d.vertexDescriptor = v;
  d.colorAttachments[0].pixelFormat = PixelFormat::RGBA8Unorm;
  return d;
}

inline const std::string kPrelude = "#include <metal_stdlib>\nusing namespace metal;\n";

// Name and source of each program.
inline std::vector<std::pair<const char*, std::string>> acceptedPrograms() {
  return {
      {"the chart's shape of program", kPrelude + R"(
struct VIn { float4 pos [[attribute(0)]]; float2 uv [[attribute(1)]]; };
struct VOut { float4 pos [[position]]; float size [[point_size]]; float2 uv [[user(texcoord)]];
              half4 tint [[center_no_perspective]]; int id [[flat]]; };
struct U { float4x4 mvp; float3 light; int flags; };
vertex VOut v(VIn in [[stage_in]], constant U& u [[buffer(0)]]) {
  VOut o;
  o.pos = u.mvp * in.pos;
  o.size = 2.0;
  o.uv = in.uv;
  o.tint = half4(1.0h);
  o.id = u.flags & 3;
  return o;
}
struct FIn { float4 pos [[position]]; float2 uv [[user(texcoord)]]; half4 tint [[center_no_perspective]]; };
struct FOut { float4 color [[color(0)]]; float4 extra [[color(1)]]; };
fragment FOut f(FIn in [[stage_in]], bool front [[front_facing]], float2 pc [[point_coord]],
                texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {
  FOut o;
  o.color = t.sample(s, in.uv) * float4(in.tint);
  o.extra = front ? float4(pc, in.pos.xy) : float4(0.0);
  return o;
}
)"},
      {"packed vectors, broadcast and conversions", kPrelude + R"(
struct P { packed_float3 p; float w; };
constant float kScale = 2.0;
constant float2 kOffsets[3] = {float2(0.0), {1.0, 2.0}, float2(3.0, 4.0)};
vertex float4 v(constant P& p [[buffer(0)]]) {
  float3 q = p.p * kScale + 1;        // packed to float3, scalars broadcast
  int3 i = int3(q);                   // explicit vector conversion
  uint u = 0x7fu + 017 + 1u;          // hex, octal
  half h = 1.5h * half(u);
  float4 r = float4(q.xy, float(i.z), h) + float4(kOffsets[i.x & 1], 0.0, 0.0);
  r.zw = r.wz;
  return r * (r.x < 0 ? -1.0 : 1.0);
}
)"},
      {"helpers, references, loops and templates", kPrelude + R"(
static inline float sum(array<float, 4> a) { float s = 0; for (int i = 0; i < 4; ++i) s += a[i]; return s; }
static void bump(thread float& x, float by) { x += by; }
static float pick(constant array<array<float, 2>, 3>& m, int k) { return m[k][1]; }
vertex float4 v(constant array<array<float, 2>, 3>& m [[buffer(0)]]) {
  array<float, 4> a = {1.0, 2.0, 3.0, 4.0};
  float x = sum(a);
  bump(x, 1.5);
  int n = 0;
  while (n < 10) { if (n == 3) { n += 2; continue; } ++n; }
  do { x -= 1.0; } while (x > 100.0);
  return float4(x, pick(m, 2), float(n), metal::abs(-1.0));
}
)"},
      {"every sampling form", kPrelude + R"(
fragment float4 f(float4 pos [[position]], texture2d<float> t [[texture(0)]],
                  texturecube<half> c [[texture(1)]], depth2d<float> d [[texture(2)]],
                  sampler s [[sampler(0)]]) {
  float2 uv = pos.xy / float2(t.get_width(), t.get_height(0));
  float4 a = t.sample(s, uv) + t.sample(s, uv, bias(0.5)) + t.sample(s, uv, level(1.0)) +
             t.sample(s, uv, gradient2d(dfdx(uv), dfdy(uv)));
  half4 b = c.sample(s, float3(uv, 1.0)) + c.sample(s, float3(uv, 1.0), gradientcube(float3(0.1), float3(0.2)));
  float z = d.sample_compare(s, uv, 0.5) + d.sample_compare(s, uv, 0.5, level(0.0)) + d.sample(s, uv);
  return a + float4(b) + z + fwidth(pos.x) + float(t.get_num_mip_levels());
}
)"},
      {"math and relational built-ins", kPrelude + R"(
fragment float4 f(float4 p [[position]]) {
  float3 n = normalize(cross(p.xyz, float3(0.0, 1.0, 0.0)));
  float3 r = reflect(n, float3(0.0, 0.0, 1.0)) + refract(n, float3(0.0, 0.0, 1.0), 0.5) +
             faceforward(n, p.xyz, n);
  float s = dot(n, r) + length(r) + distance(n, r) + length_squared(n) + distance_squared(n, r);
  s += sin(s) + cos(s) + tan(s) + asin(0.5) + acos(0.5) + atan(s) + atan2(s, 1.0) + sinh(s) +
       cosh(s) + tanh(s) + asinh(s) + acosh(2.0) + atanh(0.5) + exp(s) + exp2(s) + exp10(s) +
       log(2.0) + log2(2.0) + log10(2.0) + pow(2.0, s) + powr(2.0, s) + sqrt(s) + rsqrt(s) +
       floor(s) + ceil(s) + round(s) + rint(s) + trunc(s) + fract(s) + fmod(s, 2.0) +
       fmin(s, 1.0) + fmax(s, 1.0) + fdim(s, 1.0) + copysign(s, -1.0) + fma(s, 2.0, 1.0) +
       sign(s) + step(0.5, s) + smoothstep(0.0, 1.0, s) + mix(0.0, 1.0, s) + saturate(s) +
       clamp(s, 0.0, 1.0) + min(s, 1.0) + max(s, 1.0) + abs(s) + fabs(s) + sinpi(s) + cospi(s) +
       tanpi(0.25);
  bool4 b = any(isnan(p)) || true ? bool4(isinf(p.x), isfinite(p.y), signbit(p.z), isnormal(p.w)) : bool4(false);
  int4 i = int4(p);
  i = clamp(i, 0, 4) + clz(i) + ctz(i) + popcount(i) + abs(i) + max(i, int4(2));
  float2x2 m = transpose(float2x2(p.x, p.y, p.z, p.w));
  return float4(s, determinant(m), all(b) ? 1.0 : 0.0, any(b)) + float4(select(float4(0.0), float4(1.0), b)) + float4(i);
}
)"},
  };
}

}  // namespace mtl::msl::test
