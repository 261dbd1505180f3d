// The software GPU drawing the chart's kind of frame straight through the
// Metal objects: a 1280 x 800 BGRA8Unorm target with Depth32Float, 100,000
// textured, alpha-blended triangles of 10 to 60 pixels (a 256 x 256 RGBA8
// texture, linear filtering, SourceAlpha / OneMinusSourceAlpha) and 50,000
// point sprites of 1 to 4 pixels, from a fixed seed, in one command buffer
// of 150 draws.
//
// Thread rules: a frame is made, drawn and destroyed on one thread.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/states.h"
#include "platform/metal/texture.h"

namespace chart_frame {

constexpr mtl::NSUInteger kWidth = 1280, kHeight = 800;

// One vertex of the frame's buffer.
struct Vertex {
  float position[3];
  std::uint8_t color[4];
  float uv[2];
  float size;
};

struct ChartFrame {
  std::shared_ptr<mtl::Device> device;
  std::shared_ptr<mtl::CommandQueue> queue;
  std::shared_ptr<mtl::RenderPipelineState> triangles, points;
  std::shared_ptr<mtl::DepthStencilState> depthState;
  std::shared_ptr<mtl::SamplerState> sampler;
  std::shared_ptr<mtl::Texture> color, depth, texture;
  std::shared_ptr<mtl::Buffer> vertices, results;
  float mvp[16];

  // A device of its own with `workers` workers, synchronous.
  explicit ChartFrame(unsigned workers);
  // One frame; `count`: a counting visibility query over every draw.
  void draw(bool count);
  // The samples that passed in the last counted frame.
  std::uint64_t fragments() const;
  // The colour attachment's bytes, row after row.
  std::size_t colorBytes() const { return kWidth * kHeight * 4; }
  void readColor(std::uint8_t* out) const;
};

}  // namespace chart_frame
