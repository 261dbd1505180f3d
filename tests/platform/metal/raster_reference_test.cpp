// Coverage of triangles, lines and points against exact rational
// references: data/raster_reference.txt, made by make_raster_reference.py
// with Python's fractions (fill rule, diamond-exit rule, point squares),
// and masks drawn by hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "raster_harness.h"

namespace mtl::test {
namespace {

constexpr int kSize = 32;

struct ReferenceCase {
  char kind;
  std::vector<long> numbers;
  std::vector<std::uint32_t> rows;
};

std::vector<ReferenceCase> readReference() {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string path = std::string(root ? root : ".") + "/tests/platform/metal/data/raster_reference.txt";
  std::ifstream in(path);
  EXPECT_TRUE(in) << "missing " << path;
  std::vector<ReferenceCase> cases;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    ReferenceCase c;
    s >> c.kind;
    std::string word;
    while (s >> word && word != ":") c.numbers.push_back(std::stol(word));
    while (s >> word) c.rows.push_back(static_cast<std::uint32_t>(std::stoul(word, nullptr, 16)));
    cases.push_back(c);
  }
  return cases;
}

// Window position (1/256 pixel, y down) on a 32 x 32 target as clip
// coordinates: exact in float, so snapping gives the position back.
void clipOf(long x, long y, float* out) {
  out[0] = static_cast<float>(x) / 4096.0f - 1.0f;
  out[1] = 1.0f - static_cast<float>(y) / 4096.0f;
  out[2] = 0.5f;
  out[3] = 1.0f;
}

const char* kShaders = R"(
struct V { float4 p [[attribute(0)]]; float4 extra [[attribute(1)]]; };
struct O { float4 p [[position]]; float size [[point_size]]; };
vertex O vs(V in [[stage_in]]) { O o; o.p = in.p; o.size = in.extra.x; return o; }
fragment float4 fs() { return float4(1.0); }
)";

class RasterReference : public ::testing::Test {
 protected:
  void SetUp() override {
    RenderPipelineDescriptor d;
    d.vertexDescriptor = positionLayout(true);
    d.colorAttachments[0].pixelFormat = PixelFormat::R8Unorm;
    pipeline = gpu.pipeline(kShaders, "vs", "fs", d);
  }

  // Draws the vertices (window positions, point size) and gives the mask.
  std::vector<std::uint32_t> draw(PrimitiveType type, const std::vector<long>& xy, float size = 1) {
    std::vector<float> vertices;
    for (std::size_t k = 0; k + 1 < xy.size(); k += 2) {
      float p[4];
      clipOf(xy[k], xy[k + 1], p);
      vertices.insert(vertices.end(), p, p + 4);
      vertices.insert(vertices.end(), {size, 0, 0, 0});
    }
    auto target = gpu.target(PixelFormat::R8Unorm, kSize, kSize);
    auto buffer = gpu.buffer(vertices);
    gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
      e.setRenderPipelineState(pipeline);
      e.setVertexBuffer(buffer, 0, 0);
      e.drawPrimitives(type, 0, vertices.size() / 8);
    });
    const std::vector<std::uint8_t> pixels = RasterHarness::bytes(*target);
    std::vector<std::uint32_t> rows(kSize, 0);
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const std::uint8_t v = pixels[static_cast<std::size_t>(y * kSize + x)];
        EXPECT_TRUE(v == 0 || v == 255);
        if (v) rows[static_cast<std::size_t>(y)] |= 1u << x;
      }
    }
    return rows;
  }

  static std::string picture(const std::vector<std::uint32_t>& rows) {
    std::string s;
    for (std::uint32_t r : rows) {
      for (int x = 0; x < kSize; ++x) s += (r >> x) & 1 ? '#' : '.';
      s += '\n';
    }
    return s;
  }

  RasterHarness gpu;
  std::shared_ptr<RenderPipelineState> pipeline;
};

TEST_F(RasterReference, EveryCaseCoversExactlyTheRationalReference) {
  const std::vector<ReferenceCase> cases = readReference();
  int triangles = 0, lines = 0, points = 0;
  for (const ReferenceCase& c : cases) {
    ASSERT_EQ(c.rows.size(), static_cast<std::size_t>(kSize));
    std::vector<std::uint32_t> got;
    if (c.kind == 'T') {
      got = draw(PrimitiveType::Triangle, c.numbers);
      ++triangles;
    } else if (c.kind == 'L') {
      got = draw(PrimitiveType::Line, c.numbers);
      ++lines;
    } else {
      got = draw(PrimitiveType::Point, {c.numbers[0], c.numbers[1]}, static_cast<float>(c.numbers[2]) / 4.0f);
      ++points;
    }
    EXPECT_EQ(picture(got), picture(c.rows)) << c.kind << " case with numbers starting "
                                             << c.numbers[0] << " " << c.numbers[1];
  }
  EXPECT_GE(triangles, 50);
  EXPECT_GE(lines, 40);
  EXPECT_GE(points, 20);
}

TEST_F(RasterReference, HandDrawnTrianglesAndTheirMirrorImages) {
  // A right triangle with its legs on pixel edges: the hypotenuse passes
  // through centres, which belong to no top or left edge.
  const std::vector<long> legs{0, 0, 4 * 256, 0, 0, 4 * 256};
  const std::string expected =
      "###.............................\n"
      "##..............................\n"
      "#...............................\n";
  EXPECT_EQ(picture(draw(PrimitiveType::Triangle, legs)).substr(0, expected.size() + 33),
            expected + std::string(32, '.') + "\n");
  // Its mirror image in x: the hypotenuse is now a left edge and takes its
  // centres; the right leg x = 8 passes no centre.
  const std::vector<long> mirrored{8 * 256, 0, 4 * 256, 0, 8 * 256, 4 * 256};
  const std::string mirror =
      "....####........................\n"
      ".....###........................\n"
      "......##........................\n"
      ".......#........................\n";
  EXPECT_EQ(picture(draw(PrimitiveType::Triangle, mirrored)).substr(0, mirror.size()), mirror);
}

}  // namespace
}  // namespace mtl::test
