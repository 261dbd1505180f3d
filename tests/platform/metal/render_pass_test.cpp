// Render passes: load actions, attachment and draw validation, and the
// command log of a frame.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/validation.h"

namespace mtl {
namespace {

class RenderPassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device = Device::create();
    device->gpu().setSynchronous(true);
    queue = device->newCommandQueue();
    color = target(PixelFormat::RGBA8Unorm);
    depth = target(PixelFormat::Depth32Float_Stencil8);
  }

  std::shared_ptr<Texture> target(PixelFormat format, NSUInteger usage = TextureUsageRenderTarget |
                                                                         TextureUsageShaderRead) {
    auto d = TextureDescriptor::texture2DDescriptor(format, 4, 2, false);
    d.usage = usage;
    return device->newTexture(d);
  }

  RenderPassDescriptor pass() {
    RenderPassDescriptor p;
    p.colorAttachments[0].texture = color;
    p.colorAttachments[0].loadAction = LoadAction::Clear;
    p.colorAttachments[0].clearColor = {1, 0.5, 0, 1};
    p.depthAttachment.texture = depth;
    p.depthAttachment.loadAction = LoadAction::Clear;
    p.depthAttachment.clearDepth = 0.25;
    p.stencilAttachment.texture = depth;
    p.stencilAttachment.loadAction = LoadAction::Clear;
    p.stencilAttachment.clearStencil = 7;
    return p;
  }

  std::shared_ptr<RenderPipelineState> pipeline(PixelFormat colorFormat = PixelFormat::RGBA8Unorm) {
    RenderPipelineDescriptor d;
    d.label = "p";
    d.vertexFunction = device->newLibraryWithSource("vertex float4 v() { return 0; }", {}, nullptr)
                           ->newFunctionWithName("v");
    d.colorAttachments[0].pixelFormat = colorFormat;
    d.depthAttachmentPixelFormat = PixelFormat::Depth32Float_Stencil8;
    d.stencilAttachmentPixelFormat = PixelFormat::Depth32Float_Stencil8;
    return device->newRenderPipelineState(d, 0, nullptr, nullptr);
  }

  std::shared_ptr<Device> device;
  std::shared_ptr<CommandQueue> queue;
  std::shared_ptr<Texture> color, depth;
};

TEST_F(RenderPassTest, LoadActionsClearEveryAttachment) {
  const std::vector<std::uint8_t> old(32, 9);
  color->replaceRegion(Region::make2D(0, 0, 4, 2), 0, old.data(), 16);
  auto cb = queue->commandBuffer();
  cb->renderCommandEncoder(pass())->endEncoding();
  cb->commit();
  std::vector<std::uint8_t> pixels(32);
  color->getBytes(pixels.data(), 16, Region::make2D(0, 0, 4, 2), 0);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(std::vector<int>(pixels.begin() + i * 4, pixels.begin() + i * 4 + 4),
              (std::vector<int>{255, 128, 0, 255}));
  }
  std::vector<std::uint8_t> ds(64);
  depth->getBytes(ds.data(), 32, Region::make2D(0, 0, 4, 2), 0);
  float d;
  std::memcpy(&d, ds.data() + 8, 4);
  EXPECT_EQ(d, 0.25f);
  EXPECT_EQ(ds[8 + 4], 7);

  // Load keeps what is there.
  auto p = pass();
  p.colorAttachments[0].loadAction = LoadAction::Load;
  color->replaceRegion(Region::make2D(0, 0, 4, 2), 0, old.data(), 16);
  auto cb2 = queue->commandBuffer();
  cb2->renderCommandEncoder(p)->endEncoding();
  cb2->commit();
  color->getBytes(pixels.data(), 16, Region::make2D(0, 0, 4, 2), 0);
  EXPECT_EQ(pixels, old);
}

TEST_F(RenderPassTest, AttachmentRefusals) {
  auto p = pass();
  p.colorAttachments[0].texture = target(PixelFormat::RGBA8Unorm, TextureUsageShaderRead);
  EXPECT_THROW(queue->commandBuffer()->renderCommandEncoder(p), ValidationError);
  p = pass();
  p.depthAttachment.texture = target(PixelFormat::RGBA8Unorm);
  EXPECT_THROW(queue->commandBuffer()->renderCommandEncoder(p), ValidationError);
  p = pass();
  auto small = TextureDescriptor::texture2DDescriptor(PixelFormat::Depth32Float, 2, 2, false);
  small.usage = TextureUsageRenderTarget;
  p.depthAttachment.texture = device->newTexture(small);
  p.stencilAttachment.texture = nullptr;
  EXPECT_THROW(queue->commandBuffer()->renderCommandEncoder(p), ValidationError);
  EXPECT_THROW(queue->commandBuffer()->renderCommandEncoder(RenderPassDescriptor{}),
               ValidationError);
  // A refused pass leaves the command buffer usable.
  auto cb = queue->commandBuffer();
  EXPECT_THROW(cb->renderCommandEncoder(RenderPassDescriptor{}), ValidationError);
  EXPECT_NO_THROW(cb->renderCommandEncoder(pass())->endEncoding());
}

TEST_F(RenderPassTest, DrawValidation) {
  auto cb = queue->commandBuffer();
  auto encoder = cb->renderCommandEncoder(pass());
  EXPECT_THROW(encoder->drawPrimitives(PrimitiveType::Triangle, 0, 3), ValidationError);
  encoder->setRenderPipelineState(pipeline(PixelFormat::BGRA8Unorm));
  EXPECT_THROW(encoder->drawPrimitives(PrimitiveType::Triangle, 0, 3), ValidationError);
  encoder->setRenderPipelineState(pipeline());
  EXPECT_NO_THROW(encoder->drawPrimitives(PrimitiveType::Triangle, 0, 3));
  auto indices = device->newBuffer(12, ResourceStorageModeShared);
  EXPECT_NO_THROW(encoder->drawIndexedPrimitives(PrimitiveType::Triangle, 6, IndexType::UInt16,
                                                 indices, 0));
  EXPECT_THROW(encoder->drawIndexedPrimitives(PrimitiveType::Triangle, 6, IndexType::UInt16,
                                              indices, 2),
               ValidationError);
  EXPECT_THROW(encoder->drawIndexedPrimitives(PrimitiveType::Triangle, 1, IndexType::UInt32,
                                              indices, 2),
               ValidationError);
  EXPECT_THROW(encoder->setScissorRect({2, 0, 3, 1}), ValidationError);
  EXPECT_THROW(encoder->setVisibilityResultMode(VisibilityResultMode::Boolean, 0),
               ValidationError);  // no visibility buffer in the pass
  std::vector<std::uint8_t> big(4097);
  EXPECT_THROW(encoder->setVertexBytes(big.data(), big.size(), 0), ValidationError);
  EXPECT_THROW(encoder->setVertexBuffer(indices, 0, 31), ValidationError);
  encoder->endEncoding();
  EXPECT_THROW(encoder->setRenderPipelineState(pipeline()), ValidationError);
  EXPECT_THROW(encoder->drawPrimitives(PrimitiveType::Triangle, 0, 3), ValidationError);
}

TEST_F(RenderPassTest, VisibilityResultsNeedRoomInTheBuffer) {
  auto p = pass();
  p.visibilityResultBuffer = device->newBuffer(16, ResourceStorageModeShared);
  auto encoder = queue->commandBuffer()->renderCommandEncoder(p);
  EXPECT_NO_THROW(encoder->setVisibilityResultMode(VisibilityResultMode::Counting, 8));
  EXPECT_THROW(encoder->setVisibilityResultMode(VisibilityResultMode::Counting, 16),
               ValidationError);
  EXPECT_THROW(encoder->setVisibilityResultMode(VisibilityResultMode::Boolean, 4),
               ValidationError);
  EXPECT_EQ(encoder->state().visibilityOffset, 8u);
  encoder->endEncoding();
}

TEST_F(RenderPassTest, CommandLogRecordsTheFrameInOrder) {
  device->commandLog().enable();
  auto cb = queue->commandBuffer();
  auto p = pass();
  p.depthAttachment.loadAction = LoadAction::Load;
  p.stencilAttachment.loadAction = LoadAction::Load;
  auto encoder = cb->renderCommandEncoder(p);
  encoder->setRenderPipelineState(pipeline());
  encoder->setViewport({0, 0, 4, 2, 0, 1});
  encoder->setVertexBytes("abcd", 4, 1);
  encoder->drawPrimitives(PrimitiveType::TriangleStrip, 0, 4, 1);
  encoder->endEncoding();
  cb->commit();
  const std::vector<std::string> expected = {
      "renderCommandEncoder 4x2 samples=1",
      "clear color0 1 0.5 0 1",
      "setRenderPipelineState p",
      "setViewport 0 0 4 2 0 1",
      "setVertexBytes index=1 length=4",
      "drawPrimitives TriangleStrip start=0 count=4 instances=1",
      "endEncoding",
      "commit",
  };
  EXPECT_EQ(device->commandLog().texts(), expected);
  for (const CommandLogEntry& e : device->commandLog().entries()) {
    EXPECT_EQ(e.commandBuffer, cb->number());
  }
}

}  // namespace
}  // namespace mtl
