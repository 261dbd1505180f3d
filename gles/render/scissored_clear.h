// glClear within the scissor box. OpenGL ES clears only the pixels the
// scissor test passes; a pass's load action clears whole attachments, so a
// clear whose box leaves part of the target out draws a rectangle over the
// box instead: the clear colour where colour is cleared, the clear depth
// (written always) and the clear stencil value (replacing) where those are.
//
// Thread rules: as the renderer that owns it (the thread on which its
// context is current).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <tuple>

#include "platform/metal/types.h"

namespace mtl {
class DepthStencilState;
class Library;
class RenderCommandEncoder;
class RenderPipelineState;
}  // namespace mtl

// What the open pass renders into: Metal pixel formats (Invalid: no such
// attachment) and samples per pixel.
struct MGLClearTarget {
  mtl::PixelFormat color = mtl::PixelFormat::Invalid, depth = mtl::PixelFormat::Invalid,
                   stencil = mtl::PixelFormat::Invalid;
  mtl::NSUInteger sampleCount = 1;
};

// The values one clear writes, and which of them (GL's buffer bits).
struct MGLClearValues {
  std::uint32_t mask = 0;
  float color[4] = {};
  float depth = 1;
  std::uint32_t stencil = 0;
};

class MGLScissoredClear {
 public:
  // Draws the clear over `box` (Metal's pixels, rows from the top) into
  // the encoder's pass; false when the layer cannot build what it needs
  // (the error is recorded). The encoder's state is left changed: the
  // caller ends the pass.
  bool draw(mtl::RenderCommandEncoder& encoder, const MGLClearTarget& target,
            const MGLClearValues& values, const mtl::ScissorRect& box);

 private:
  using PipelineKey = std::tuple<mtl::PixelFormat, mtl::PixelFormat, mtl::PixelFormat,
                                 mtl::NSUInteger, bool>;
  const std::shared_ptr<mtl::RenderPipelineState>& pipeline(const MGLClearTarget& target,
                                                            bool writeColor);
  const std::shared_ptr<mtl::DepthStencilState>& depthStencil(bool depth, bool stencil);

  std::shared_ptr<mtl::Library> library_;
  std::map<PipelineKey, std::shared_ptr<mtl::RenderPipelineState>> pipelines_;
  std::map<std::pair<bool, bool>, std::shared_ptr<mtl::DepthStencilState>> depthStencils_;
};
