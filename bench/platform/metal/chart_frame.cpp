#include "bench/platform/metal/chart_frame.h"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"

namespace chart_frame {
namespace {

using namespace mtl;

constexpr int kTriangles = 100000, kPoints = 50000, kPerDraw = 1000;

// The chart's shape of shader: a matrix, a colour, texture coordinates,
// point sprites sampling at point_coord.
const char* kChartShaders = R"(
#include <metal_stdlib>
using namespace metal;
struct VertexIn { float3 position [[attribute(0)]]; float4 color [[attribute(1)]];
                  float2 uv [[attribute(2)]]; float size [[attribute(3)]]; };
struct Uniforms { float4x4 mvp; };
struct Varyings { float4 position [[position]]; float4 color; float2 uv; float size [[point_size]]; };
vertex Varyings chartVertex(VertexIn in [[stage_in]], constant Uniforms& u [[buffer(0)]]) {
  Varyings out;
  float4 p = u.mvp * float4(in.position, 1.0);
  p.z = (p.z + p.w) * 0.5;
  out.position = p;
  out.color = in.color;
  out.uv = in.uv;
  out.size = in.size;
  return out;
}
struct FragmentIn { float4 position [[position]]; float4 color; float2 uv; };
fragment float4 chartFragment(FragmentIn in [[stage_in]], texture2d<float> t [[texture(0)]],
                              sampler s [[sampler(0)]]) {
  return in.color * t.sample(s, in.uv);
}
fragment float4 spriteFragment(FragmentIn in [[stage_in]], float2 pc [[point_coord]],
                               texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {
  return in.color * t.sample(s, pc);
}
)";

}  // namespace

using namespace mtl;

ChartFrame::ChartFrame(unsigned workers) {
  device = Device::create();
  device->gpu().setSynchronous(true);
  device->setWorkerCount(workers);
  queue = device->newCommandQueue();
  auto library = device->newLibraryWithSource(kChartShaders, {}, nullptr);
  RenderPipelineDescriptor d;
  VertexDescriptor v;
  v.attributes[0] = {VertexFormat::Float3, offsetof(Vertex, position), 1};
  v.attributes[1] = {VertexFormat::UChar4Normalized, offsetof(Vertex, color), 1};
  v.attributes[2] = {VertexFormat::Float2, offsetof(Vertex, uv), 1};
  v.attributes[3] = {VertexFormat::Float, offsetof(Vertex, size), 1};
  v.layouts[1].stride = sizeof(Vertex);
  d.vertexDescriptor = v;
  d.vertexFunction = library->newFunctionWithName("chartVertex");
  d.fragmentFunction = library->newFunctionWithName("chartFragment");
  d.colorAttachments[0].pixelFormat = PixelFormat::BGRA8Unorm;
  d.colorAttachments[0].blendingEnabled = true;
  d.colorAttachments[0].sourceRGBBlendFactor = BlendFactor::SourceAlpha;
  d.colorAttachments[0].destinationRGBBlendFactor = BlendFactor::OneMinusSourceAlpha;
  d.colorAttachments[0].sourceAlphaBlendFactor = BlendFactor::SourceAlpha;
  d.colorAttachments[0].destinationAlphaBlendFactor = BlendFactor::OneMinusSourceAlpha;
  d.depthAttachmentPixelFormat = PixelFormat::Depth32Float;
  triangles = device->newRenderPipelineState(d, 0, nullptr, nullptr);
  d.fragmentFunction = library->newFunctionWithName("spriteFragment");
  points = device->newRenderPipelineState(d, 0, nullptr, nullptr);

  TextureDescriptor td = TextureDescriptor::texture2DDescriptor(PixelFormat::BGRA8Unorm, kWidth, kHeight, false);
  td.usage = TextureUsageRenderTarget;
  color = device->newTexture(td);
  td.pixelFormat = PixelFormat::Depth32Float;
  td.storageMode = StorageMode::Private;
  depth = device->newTexture(td);
  DepthStencilDescriptor ds;
  ds.depthCompareFunction = CompareFunction::LessEqual;
  depthState = device->newDepthStencilState(ds);
  SamplerDescriptor sd;
  sd.minFilter = sd.magFilter = SamplerMinMagFilter::Linear;
  sampler = device->newSamplerState(sd);

  std::mt19937 rng(2718);
  texture = device->newTexture(TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 256, 256, false));
  std::vector<std::uint8_t> texels(256 * 256 * 4);
  for (auto& t : texels) t = static_cast<std::uint8_t>(rng());
  texture->replaceRegion(Region::make2D(0, 0, 256, 256), 0, texels.data(), 256 * 4);

  // Window-space geometry; the matrix maps pixels to clip space.
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<Vertex> data;
  for (int i = 0; i < kTriangles; ++i) {
    const float cx = unit(rng) * kWidth, cy = unit(rng) * kHeight;
    const float area = 10 + 50 * unit(rng), angle = unit(rng) * 6.2831853f;
    const float r = std::sqrt(area / 1.299f);  // an equilateral triangle of that area
    const std::uint8_t a = static_cast<std::uint8_t>(64 + rng() % 192);
    // About a texel per pixel, as a label or an image maps its texture.
    const float u0 = unit(rng), v0 = unit(rng), z = unit(rng);
    for (int k = 0; k < 3; ++k) {
      const float t = angle + 2.0943951f * static_cast<float>(k);
      const float dx = r * std::cos(t), dy = r * std::sin(t);
      data.push_back({{cx + dx, cy + dy, z},
                      {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                       static_cast<std::uint8_t>(rng()), a},
                      {u0 + dx / 256, v0 + dy / 256}, 1});
    }
  }
  for (int i = 0; i < kPoints; ++i) {
    data.push_back({{unit(rng) * kWidth, unit(rng) * kHeight, unit(rng)},
                    {255, 255, static_cast<std::uint8_t>(rng()), 200}, {0, 0}, 1 + 3 * unit(rng)});
  }
  vertices = device->newBuffer(data.data(), data.size() * sizeof(Vertex), 0);
  results = device->newBuffer(8, 0);
  const float m[16] = {2.0f / kWidth, 0, 0, 0,  0, -2.0f / kHeight, 0, 0,  0, 0, 2, 0,  -1, 1, -1, 1};
  std::memcpy(mvp, m, sizeof m);
}

void ChartFrame::draw(bool count) {
  auto commands = queue->commandBuffer();
  RenderPassDescriptor pass;
  pass.colorAttachments[0].texture = color;
  pass.colorAttachments[0].loadAction = LoadAction::Clear;
  pass.colorAttachments[0].clearColor = {0.02, 0.03, 0.1, 1};
  pass.depthAttachment.texture = depth;
  pass.depthAttachment.loadAction = LoadAction::Clear;
  pass.visibilityResultBuffer = results;
  auto e = commands->renderCommandEncoder(pass);
  e->setDepthStencilState(depthState);
  e->setVertexBytes(mvp, sizeof mvp, 0);
  e->setVertexBuffer(vertices, 0, 1);
  e->setFragmentTexture(texture, 0);
  e->setFragmentSamplerState(sampler, 0);
  if (count) e->setVisibilityResultMode(VisibilityResultMode::Counting, 0);
  e->setRenderPipelineState(triangles);
  for (int first = 0; first < kTriangles * 3; first += kPerDraw * 3) {
    e->drawPrimitives(PrimitiveType::Triangle, static_cast<NSUInteger>(first), kPerDraw * 3);
  }
  e->setRenderPipelineState(points);
  for (int first = 0; first < kPoints; first += kPerDraw) {
    e->drawPrimitives(PrimitiveType::Point, static_cast<NSUInteger>(kTriangles * 3 + first), kPerDraw);
  }
  e->endEncoding();
  commands->commit();
  commands->waitUntilCompleted();
}

std::uint64_t ChartFrame::fragments() const {
  std::uint64_t n;
  std::memcpy(&n, results->contents(), 8);
  return n;
}

void ChartFrame::readColor(std::uint8_t* out) const {
  color->getBytes(out, kWidth * 4, 0, Region::make2D(0, 0, kWidth, kHeight), 0, 0);
}

}  // namespace chart_frame
