// Where a render pass draws, and what it does with each attachment before
// the first draw (load action) and after the last (store action).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/metal/states.h"
#include "platform/metal/types.h"

namespace mtl {

class Buffer;
class Texture;

struct RenderPassAttachmentDescriptor {
  std::shared_ptr<Texture> texture;
  NSUInteger level = 0;
  NSUInteger slice = 0;
  LoadAction loadAction = LoadAction::DontCare;
  StoreAction storeAction = StoreAction::DontCare;
  std::shared_ptr<Texture> resolveTexture;
  NSUInteger resolveLevel = 0;
  NSUInteger resolveSlice = 0;
};

struct RenderPassColorAttachmentDescriptor : RenderPassAttachmentDescriptor {
  RenderPassColorAttachmentDescriptor() { storeAction = StoreAction::Store; }
  ClearColor clearColor;
};

struct RenderPassDepthAttachmentDescriptor : RenderPassAttachmentDescriptor {
  double clearDepth = 1.0;
};

struct RenderPassStencilAttachmentDescriptor : RenderPassAttachmentDescriptor {
  std::uint32_t clearStencil = 0;
};

struct RenderPassDescriptor {
  std::array<RenderPassColorAttachmentDescriptor, kMaxColorAttachments> colorAttachments{};
  RenderPassDepthAttachmentDescriptor depthAttachment;
  RenderPassStencilAttachmentDescriptor stencilAttachment;
  std::shared_ptr<Buffer> visibilityResultBuffer;
};

}  // namespace mtl
