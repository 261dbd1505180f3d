// Geometry: random meshes that tile the target leave stencil 1 on every
// sample (no cracks, no pixel drawn twice), also when their edges are
// clipped at the guard band or the near plane; facing and culling;
// primitive topologies, strips with restart, instancing; primitives with
// non-finite positions dropped; scissor and viewport; point sizes and
// point clipping; pipelines that do not rasterise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "platform/metal/exec/rasterizer.h"
#include "platform/metal/pixel_codec.h"
#include "raster_harness.h"

namespace mtl::test {
namespace {

const char* kShaders = R"(
struct V { float4 p [[attribute(0)]]; };
struct O { float4 p [[position]]; float size [[point_size]]; };
vertex float4 vs(V in [[stage_in]]) { return in.p; }
vertex O sized(V in [[stage_in]], constant float& size [[buffer(1)]]) { O o; o.p = in.p; o.size = size; return o; }
fragment float4 fs() { return float4(1.0); }
struct I { float4 p [[attribute(0)]]; float4 offset [[attribute(1)]]; float4 colour [[attribute(2)]]; };
struct IO { float4 p [[position]]; float4 colour; };
vertex IO instanced(I in [[stage_in]]) { IO o; o.p = in.p + float4(in.offset.xy, 0.0, 0.0); o.colour = in.colour; return o; }
struct FI { float4 p [[position]]; float4 colour; };
fragment float4 coloured(FI in [[stage_in]]) { return in.colour; }
vertex float4 writer(V in [[stage_in]], device float& out [[buffer(1)]]) { out = in.p.x + 10.0; return in.p; }
)";

// A stencil-only draw that increments every covered sample.
struct StencilCounter {
  RasterHarness& gpu;
  NSUInteger size, samples;
  std::shared_ptr<Texture> stencil;
  std::shared_ptr<RenderPipelineState> pipeline;
  std::shared_ptr<DepthStencilState> state;

  StencilCounter(RasterHarness& g, NSUInteger s, NSUInteger n) : gpu(g), size(s), samples(n) {
    stencil = gpu.target(PixelFormat::Stencil8, s, s, n);
    RenderPipelineDescriptor d;
    d.vertexDescriptor = positionLayout();
    d.stencilAttachmentPixelFormat = PixelFormat::Stencil8;
    d.sampleCount = n;
    pipeline = gpu.pipeline(kShaders, "vs", "", d);
    DepthStencilDescriptor ds;
    for (StencilDescriptor* f : {&ds.frontFaceStencil, &ds.backFaceStencil}) {
      f->depthStencilPassOperation = StencilOperation::IncrementClamp;
    }
    state = gpu.device->newDepthStencilState(ds);
  }

  std::vector<std::uint8_t> draw(const std::vector<float>& vertices, PrimitiveType type = PrimitiveType::Triangle) {
    RenderPassDescriptor pass;
    pass.stencilAttachment.texture = stencil;
    pass.stencilAttachment.loadAction = LoadAction::Clear;
    auto buffer = gpu.buffer(vertices);
    gpu.pass(pass, [&](RenderCommandEncoder& e) {
      e.setRenderPipelineState(pipeline);
      e.setDepthStencilState(state);
      e.setVertexBuffer(buffer, 0, 0);
      e.drawPrimitives(type, 0, vertices.size() / 4);
    });
    return RasterHarness::bytes(*stencil);
  }
};

// A jittered grid of `cells` x `cells` cells over [lo, hi] in NDC, with
// per-vertex w, each cell split along a random diagonal, random windings.
std::vector<float> randomMesh(std::mt19937& rng, int cells, float lo, float hi, bool perspective) {
  std::uniform_real_distribution<float> jitter(-0.2f, 0.2f), w(0.3f, 3.0f);
  const int n = cells + 1;
  std::vector<std::array<float, 4>> points;
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const bool edge = i == 0 || j == 0 || i == n - 1 || j == n - 1;
      const float step = (hi - lo) / static_cast<float>(cells);
      float x = lo + step * (static_cast<float>(i) + (edge ? 0 : jitter(rng)));
      float y = lo + step * (static_cast<float>(j) + (edge ? 0 : jitter(rng)));
      const float ww = perspective ? w(rng) : 1.0f;
      points.push_back({x * ww, y * ww, 0.5f * ww, ww});
    }
  }
  std::vector<float> v;
  auto put = [&](int i, int j) { v.insert(v.end(), points[static_cast<std::size_t>(j * n + i)].begin(), points[static_cast<std::size_t>(j * n + i)].end()); };
  for (int j = 0; j < cells; ++j) {
    for (int i = 0; i < cells; ++i) {
      const bool diagonal = rng() % 2;
      int a[3], b[3];
      if (diagonal) {
        int t1[] = {i, j, i + 1, j, i + 1, j + 1}, t2[] = {i, j, i + 1, j + 1, i, j + 1};
        for (int k = 0; k < 3; ++k) { a[k] = t1[2 * k] * 1000 + t1[2 * k + 1]; b[k] = t2[2 * k] * 1000 + t2[2 * k + 1]; }
      } else {
        int t1[] = {i, j, i + 1, j, i, j + 1}, t2[] = {i + 1, j, i + 1, j + 1, i, j + 1};
        for (int k = 0; k < 3; ++k) { a[k] = t1[2 * k] * 1000 + t1[2 * k + 1]; b[k] = t2[2 * k] * 1000 + t2[2 * k + 1]; }
      }
      for (int* t : {a, b}) {
        if (rng() % 2) std::swap(t[1], t[2]);
        for (int k = 0; k < 3; ++k) put(t[k] / 1000, t[k] % 1000);
      }
    }
  }
  return v;
}

TEST(RasterGeometry, RandomMeshesCoverEverySampleExactlyOnce) {
  RasterHarness gpu;
  std::mt19937 rng(27);
  for (NSUInteger samples : {1u, 4u}) {
    StencilCounter counter(gpu, 48, samples);
    for (int round = 0; round < 6; ++round) {
      const std::vector<float> mesh = randomMesh(rng, 7 + round, -1.3f, 1.3f, round % 2 == 1);
      const std::vector<std::uint8_t> s = counter.draw(mesh);
      for (std::size_t k = 0; k < s.size(); ++k) {
        ASSERT_EQ(s[k], 1) << samples << " samples, round " << round << ", sample " << k;
      }
    }
  }
}

TEST(RasterGeometry, PrimitivesReachEveryTileTheyTouch) {
  // Rectangles whose edges lie just either side of the tile boundaries at
  // 64 and 128 (window coordinates): each covers exactly the pixels whose
  // centres it holds, in whichever tile they lie.
  RasterHarness gpu;
  StencilCounter counter(gpu, 192, 1);
  const double offsets[] = {-0.6, -0.4, 0.4, 0.6, 1.4};
  for (double a : offsets) {
    for (double b : offsets) {
      const double x0 = 64 + a - 30, x1 = 64 + b, y0 = 128 + a, y1 = 128 + b + 40;
      for (int swap = 0; swap < 2; ++swap) {
        const double l = swap ? y0 - 64 : x0, r = swap ? y1 - 64 : x1;
        const double t = swap ? x0 + 64 : y0, u = swap ? x1 + 64 : y1;
        auto cx = [](double x) { return static_cast<float>(x / 96 - 1); };
        auto cy = [](double y) { return static_cast<float>(1 - y / 96); };
        const std::vector<float> quad{cx(l), cy(t), 0, 1, cx(r), cy(t), 0, 1, cx(r), cy(u), 0, 1,
                                      cx(l), cy(t), 0, 1, cx(r), cy(u), 0, 1, cx(l), cy(u), 0, 1};
        const std::vector<std::uint8_t> st = counter.draw(quad);
        for (int y = 0; y < 192; ++y) {
          for (int x = 0; x < 192; ++x) {
            const bool in = l <= x + 0.5 && x + 0.5 < r && t <= y + 0.5 && y + 0.5 < u;
            ASSERT_EQ(st[static_cast<std::size_t>(y * 192 + x)], in ? 1 : 0)
                << "rectangle " << l << ".." << r << " x " << t << ".." << u << " at " << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(RasterGeometry, EdgesClippedAtTheGuardBandOrTheNearPlaneStayClosed) {
  RasterHarness gpu;
  StencilCounter counter(gpu, 64, 1);
  // A fan around the centre whose outer vertices lie far beyond the guard
  // band: its shared edges are all cut there.
  std::vector<float> fan;
  const int spokes = 17;
  auto outer = [&](int k) {
    const double a = 2 * M_PI * k / spokes + 0.1;
    return std::array<float, 4>{static_cast<float>(5000 * std::cos(a)), static_cast<float>(3000 * std::sin(a)), 0.5f, 1};
  };
  for (int k = 0; k < spokes; ++k) {
    const auto a = outer(k), b = outer(k + 1);
    fan.insert(fan.end(), {0.013f, -0.021f, 0.5f, 1});
    fan.insert(fan.end(), a.begin(), a.end());
    fan.insert(fan.end(), b.begin(), b.end());
  }
  for (std::uint8_t s : counter.draw(fan)) ASSERT_EQ(s, 1);

  // A mesh tilted through the near plane: z runs from -1 to 1 across x.
  // Where z >= 0 every pixel is covered once, where z < 0 none.
  std::mt19937 rng(3);
  std::vector<float> mesh = randomMesh(rng, 9, -1.2f, 1.2f, false);
  for (std::size_t k = 0; k < mesh.size(); k += 4) mesh[k + 2] = mesh[k] * 0.8f;  // z = 0.8 x, w = 1
  const std::vector<std::uint8_t> s = counter.draw(mesh);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const double ndc = (x + 0.5) / 32 - 1;
      const std::uint8_t v = s[static_cast<std::size_t>(y * 64 + x)];
      if (std::fabs(ndc) < 0.02) continue;  // the clip line itself
      ASSERT_EQ(v, ndc > 0 ? 1 : 0) << x << "," << y;
    }
  }
}

TEST(RasterGeometry, FacingFollowsTheWindingAndCullingDropsItsSide) {
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.colorAttachments[0].pixelFormat = PixelFormat::R8Unorm;
  auto pipeline = gpu.pipeline(kShaders, "vs", "fs", d);
  // Clockwise on screen: top left, top right, bottom left.
  const std::vector<float> clockwise{-1, 1, 0, 1, 1, 1, 0, 1, -1, -1, 0, 1};
  const std::vector<float> counter{-1, 1, 0, 1, -1, -1, 0, 1, 1, 1, 0, 1};
  for (Winding front : {Winding::Clockwise, Winding::CounterClockwise}) {
    for (CullMode cull : {CullMode::None, CullMode::Front, CullMode::Back}) {
      for (bool cw : {true, false}) {
        auto target = gpu.target(PixelFormat::R8Unorm, 4, 4);
        auto buffer = gpu.buffer(cw ? clockwise : counter);
        gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
          e.setRenderPipelineState(pipeline);
          e.setFrontFacingWinding(front);
          e.setCullMode(cull);
          e.setVertexBuffer(buffer, 0, 0);
          e.drawPrimitives(PrimitiveType::Triangle, 0, 3);
        });
        const bool isFront = cw == (front == Winding::Clockwise);
        const bool drawn = cull == CullMode::None || (cull == CullMode::Front) != isFront;
        EXPECT_EQ(RasterHarness::bytes(*target)[0], drawn ? 255 : 0)
            << static_cast<int>(front) << " " << static_cast<int>(cull) << " " << cw;
      }
    }
  }
}

TEST(RasterGeometry, StripsRestartAndIncompletePrimitivesAreIgnored) {
  RasterHarness gpu;
  StencilCounter counter(gpu, 16, 1);
  // A strip of four vertices makes two triangles covering the square
  // once; an index of all ones starts a new strip.
  const std::vector<float> quad{-1, -1, 0.5f, 1, -1, 1, 0.5f, 1, 1, -1, 0.5f, 1, 1, 1, 0.5f, 1};
  auto count = [&](const std::vector<std::uint8_t>& s) {
    int n = 0;
    for (auto v : s) n += v;
    return n;
  };
  EXPECT_EQ(count(counter.draw(quad, PrimitiveType::TriangleStrip)), 256);
  // Seven vertices as triangles: the incomplete last one is left out.
  std::vector<float> seven(quad.begin(), quad.begin() + 12);
  seven.insert(seven.end(), quad.begin() + 4, quad.end());
  seven.insert(seven.end(), {0, 0, 0.5f, 1});
  EXPECT_EQ(count(counter.draw(seven)), 256);

  auto vertices = gpu.buffer(quad);
  for (IndexType type : {IndexType::UInt16, IndexType::UInt32}) {
    std::vector<std::uint8_t> indices;
    auto put = [&](std::uint32_t v) {
      const unsigned size = type == IndexType::UInt16 ? 2 : 4;
      for (unsigned b = 0; b < size; ++b) indices.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
    };
    // Offset 4 bytes of padding, then: 0 1 2 restart 1 3 2 (two triangles).
    put(7);
    if (type == IndexType::UInt16) put(7);
    for (std::uint32_t i : {0u, 1u, 2u, type == IndexType::UInt16 ? 0xFFFFu : 0xFFFFFFFFu, 1u, 3u, 2u}) put(i);
    auto indexBuffer = gpu.device->newBuffer(indices.data(), indices.size(), 0);
    RenderPassDescriptor pass;
    pass.stencilAttachment.texture = counter.stencil;
    pass.stencilAttachment.loadAction = LoadAction::Clear;
    gpu.pass(pass, [&](RenderCommandEncoder& e) {
      e.setRenderPipelineState(counter.pipeline);
      e.setDepthStencilState(counter.state);
      e.setVertexBuffer(vertices, 0, 0);
      e.drawIndexedPrimitives(PrimitiveType::TriangleStrip, 7, type, indexBuffer, 4);
    });
    const std::vector<std::uint8_t> s = RasterHarness::bytes(*counter.stencil);
    EXPECT_EQ(count(s), 256) << static_cast<int>(type);
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 1);
  }
}

TEST(RasterGeometry, InstancesStepThroughTheirAttributes) {
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  VertexDescriptor v;
  v.attributes[0] = {VertexFormat::Float2, 0, 0};
  v.attributes[1] = {VertexFormat::Float2, 0, 1};
  v.attributes[2] = {VertexFormat::UChar4Normalized, 0, 2};
  v.layouts[0].stride = 8;
  v.layouts[1] = {8, VertexStepFunction::PerInstance, 1};
  v.layouts[2] = {4, VertexStepFunction::PerInstance, 2};
  d.vertexDescriptor = v;
  d.colorAttachments[0].pixelFormat = PixelFormat::RGBA8Unorm;
  auto pipeline = gpu.pipeline(kShaders, "instanced", "coloured", d);
  auto target = gpu.target(PixelFormat::RGBA8Unorm, 8, 2);
  // A one-pixel square at the top-left pixel, moved right by each instance.
  const float px = 2.0f / 8, py = 2.0f / 2;
  auto square = gpu.buffer(std::vector<float>{-1, 1, -1 + px, 1, -1 + px, 1 - py, -1, 1, -1 + px, 1 - py, -1, 1 - py});
  std::vector<float> offsets;
  for (int i = 0; i < 6; ++i) offsets.insert(offsets.end(), {px * static_cast<float>(i), 0});
  auto offsetBuffer = gpu.buffer(offsets);
  auto colours = gpu.buffer(std::vector<std::uint8_t>{10, 0, 0, 255, 20, 0, 0, 255, 30, 0, 0, 255});
  gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setVertexBuffer(square, 0, 0);
    e.setVertexBuffer(offsetBuffer, 0, 1);
    e.setVertexBuffer(colours, 0, 2);
    e.drawPrimitives(PrimitiveType::Triangle, 0, 6, 6);
  });
  const std::vector<std::uint8_t> px8 = RasterHarness::bytes(*target);
  for (int i = 0; i < 8; ++i) {
    const int expected = i < 6 ? 10 * (i / 2 + 1) : 0;  // the colour steps every second instance
    EXPECT_EQ(px8[static_cast<std::size_t>(i) * 4], expected) << i;
  }
}

TEST(RasterGeometry, NonFinitePositionsDropTheirPrimitiveOnly) {
  RasterHarness gpu;
  StencilCounter counter(gpu, 8, 1);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  std::vector<float> v{-1, 1, 0.5f, 1, 3, 1, 0.5f, 1, -1, -3, 0.5f, 1};
  for (float bad : {nan, inf, -inf}) {
    for (int k = 0; k < 4; ++k) {
      std::vector<float> broken{-1, 1, 0.5f, 1, 3, 1, 0.5f, 1, -1, -3, 0.5f, 1};
      broken[static_cast<std::size_t>(4 + k)] = bad;
      v.insert(v.end(), broken.begin(), broken.end());
    }
  }
  for (std::uint8_t s : counter.draw(v)) EXPECT_EQ(s, 1);
  // Huge but finite positions are clipped, not dropped.
  const std::vector<float> huge{-1e30f, 1e30f, 0.5f, 1, 3e30f, 1e30f, 0.5f, 1, -1e30f, -3e30f, 0.5f, 1};
  for (std::uint8_t s : counter.draw(huge)) EXPECT_EQ(s, 1);
}

TEST(RasterGeometry, ViewportAndScissorBoundTheFragments) {
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.colorAttachments[0].pixelFormat = PixelFormat::R8Unorm;
  auto pipeline = gpu.pipeline(kShaders, "vs", "fs", d);
  auto buffer = gpu.buffer(std::vector<float>{-1, 1, 0, 1, 3, 1, 0, 1, -1, -3, 0, 1});
  struct Case { Viewport viewport; ScissorRect scissor; int x0, y0, x1, y1; };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Case& c : {Case{{2, 1, 4, 3, 0, 1}, {0, 0, 8, 8}, 2, 1, 6, 4},
                        Case{{1.6, 0.4, 3.2, 2.2, 0, 1}, {0, 0, 8, 8}, 2, 0, 5, 3},  // centres inside count
                        Case{{-4, -4, 20, 20, 0, 1}, {3, 2, 2, 5}, 3, 2, 5, 7},
                        Case{{0, 0, 8, 8, 0, 1}, {3, 3, 0, 4}, 0, 0, 0, 0},          // empty scissor
                        Case{{0, 0, 0, 8, 0, 1}, {0, 0, 8, 8}, 0, 0, 0, 0},          // empty viewport
                        Case{{nan, 0, 8, 8, 0, 1}, {0, 0, 8, 8}, 0, 0, 0, 0},
                        Case{{0, 8, 8, -8, 0, 1}, {0, 0, 8, 8}, 0, 0, 8, 8}}) {       // flipped
    auto target = gpu.target(PixelFormat::R8Unorm, 8, 8);
    gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
      e.setRenderPipelineState(pipeline);
      e.setViewport(c.viewport);
      e.setScissorRect(c.scissor);
      e.setVertexBuffer(buffer, 0, 0);
      e.drawPrimitives(PrimitiveType::Triangle, 0, 3);
    });
    const std::vector<std::uint8_t> px = RasterHarness::bytes(*target);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
        EXPECT_EQ(px[static_cast<std::size_t>(y * 8 + x)], inside ? 255 : 0)
            << "viewport " << c.viewport.originX << "," << c.viewport.originY << " at " << x << "," << y;
      }
    }
  }
}

TEST(RasterGeometry, PointSizesAreClampedAndClippedPointsDropped) {
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.colorAttachments[0].pixelFormat = PixelFormat::R8Unorm;
  auto pipeline = gpu.pipeline(kShaders, "sized", "fs", d);
  auto unsized = gpu.pipeline(kShaders, "vs", "fs", d);
  auto count = [](const std::vector<std::uint8_t>& px) {
    int n = 0;
    for (auto v : px) n += v != 0;
    return n;
  };
  auto draw = [&](std::shared_ptr<RenderPipelineState> p, float size, std::vector<float> position) {
    auto target = gpu.target(PixelFormat::R8Unorm, 600, 600);
    auto buffer = gpu.buffer(position);
    gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
      e.setRenderPipelineState(p);
      e.setVertexBuffer(buffer, 0, 0);
      e.setVertexBytes(&size, 4, 1);
      e.drawPrimitives(PrimitiveType::Point, 0, 1);
    });
    return count(RasterHarness::bytes(*target));
  };
  EXPECT_EQ(draw(pipeline, 4, {0, 0, 0.5f, 1}), 16);
  EXPECT_EQ(draw(pipeline, 1000, {0, 0, 0.5f, 1}), 511 * 511);
  EXPECT_EQ(draw(pipeline, 0.25f, {0, 0, 0.5f, 1}), 1);
  EXPECT_EQ(draw(pipeline, std::numeric_limits<float>::quiet_NaN(), {0, 0, 0.5f, 1}), 1);
  EXPECT_EQ(draw(unsized, 50, {0, 0, 0.5f, 1}), 1);  // no point_size: 1
  // A big point whose centre is just outside the clip volume draws nothing,
  // though its square would reach into the target.
  EXPECT_EQ(draw(pipeline, 100, {1.01f, 0, 0.5f, 1}), 0);
  EXPECT_EQ(draw(pipeline, 100, {0, 0, -0.01f, 1}), 0);
  EXPECT_EQ(draw(pipeline, 100, {0.99f, 0, 0.5f, 1}), 100 * 53);
}

TEST(RasterGeometry, PipelinesThatDoNotRasteriseOnlyRunTheirVertices) {
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.colorAttachments[0].pixelFormat = PixelFormat::R8Unorm;
  d.rasterizationEnabled = false;
  auto pipeline = gpu.pipeline(kShaders, "writer", "", d);
  auto target = gpu.target(PixelFormat::R8Unorm, 4, 4);
  auto out = gpu.device->newBuffer(4, 0);
  auto buffer = gpu.buffer(std::vector<float>{-1, 1, 0, 1, 3, 1, 0, 1, -1, -3, 0, 1});
  gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setVertexBuffer(buffer, 0, 0);
    e.setVertexBuffer(out, 0, 1);
    e.drawPrimitives(PrimitiveType::Triangle, 0, 3);
  });
  for (std::uint8_t v : RasterHarness::bytes(*target)) EXPECT_EQ(v, 0);
  float written;
  std::memcpy(&written, out->contents(), 4);
  EXPECT_EQ(written, -1 + 10.0f);  // the last vertex to run wrote it
}

// A point covers the samples inside its square, [x - size/2, x + size/2)
// in both directions, at the standard sample positions (1, 2 and 4
// samples, in 1/256 pixel): every block around random points, against that
// definition.
TEST(RasterGeometry, PointsCoverTheSamplesInsideTheirSquare) {
  const std::vector<std::pair<double, double>> positions[] = {
      {{0.5, 0.5}}, {{0.75, 0.75}, {0.25, 0.25}}, {{0.375, 0.125}, {0.875, 0.375}, {0.125, 0.625}, {0.625, 0.875}}};
  std::mt19937 rng(2209);
  std::uniform_int_distribution<std::int32_t> place(2 * exec::kSubpixels, 40 * exec::kSubpixels);
  std::uniform_real_distribution<float> size(0.5f, 9.0f);
  const exec::PixelRect clip{3, 1, 37, 41};
  int covered = 0;
  for (unsigned n : {1u, 2u, 4u}) {
    const exec::SamplePattern pattern = exec::samplePattern(n);
    const auto& expected = positions[n == 1 ? 0 : n == 2 ? 1 : 2];
    for (int t = 0; t < 300; ++t) {
      exec::Primitive p;
      p.kind = exec::PrimitiveKind::Point;
      p.x[0] = place(rng);
      p.y[0] = place(rng);
      p.pointSize = t % 4 == 0 ? std::round(size(rng)) : size(rng);  // some whole sizes: edges on samples
      const double cx = p.x[0] / double{exec::kSubpixels}, cy = p.y[0] / double{exec::kSubpixels};
      const double half = p.pointSize / 2.0;
      for (std::int32_t by = 0; by < 48; by += 4) {
        for (std::int32_t bx = 0; bx < 48; bx += 4) {
          exec::BlockCoverage coverage;
          exec::coverPointBlock(p, pattern, bx, by, clip, coverage);
          for (unsigned lane = 0; lane < exec::kLanes; ++lane) {
            const std::int32_t x = bx + static_cast<std::int32_t>(exec::pixelXOfLane(lane));
            const std::int32_t y = by + static_cast<std::int32_t>(exec::pixelYOfLane(lane));
            const bool inClip = x >= clip.x0 && x < clip.x1 && y >= clip.y0 && y < clip.y1;
            std::uint8_t want = 0;
            for (unsigned s = 0; s < n; ++s) {
              const double sx = x + expected[s].first, sy = y + expected[s].second;
              const bool in = cx - half <= sx && sx < cx + half && cy - half <= sy && sy < cy + half;
              if (in && inClip) want |= static_cast<std::uint8_t>(1u << s);
            }
            ASSERT_EQ(coverage.samples[lane], want) << n << " samples, pixel " << x << "," << y << " point "
                                                    << cx << "," << cy << " size " << p.pointSize;
            ASSERT_EQ((coverage.lanes >> lane) & 1u, want ? 1u : 0u);
            covered += want != 0;
          }
        }
      }
    }
  }
  EXPECT_GT(covered, 10000);
}

}  // namespace
}  // namespace mtl::test
