// The command log: off unless switched on, a bounded ring when on, the
// texts of blit commands, and validation messages assembled on failure.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/metal/blit_encoder.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "tests/support/sanitizer_build.h"
#include "platform/metal/validation.h"

namespace mtl {
namespace {

class CommandLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("TESSALY_COMMAND_LOG");
    device = Device::create();
    device->gpu().setSynchronous(true);
    queue = device->newCommandQueue();
    auto d = TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 4, 4, false);
    d.usage = TextureUsageRenderTarget | TextureUsageShaderRead;
    color = device->newTexture(d);
    RenderPipelineDescriptor p;
    p.label = "p";
    p.vertexFunction = vertexFunction();
    p.colorAttachments[0].pixelFormat = PixelFormat::RGBA8Unorm;
    pipeline = device->newRenderPipelineState(p, 0, nullptr, nullptr);
  }

  std::shared_ptr<Function> vertexFunction() {
    return device->newLibraryWithSource("vertex float4 v() { return 0; }", {}, nullptr)
        ->newFunctionWithName("v");
  }

  RenderPassDescriptor pass() const {
    RenderPassDescriptor p;
    p.colorAttachments[0].texture = color;
    return p;
  }

  // One command buffer with `draws` draws, committed.
  void encodeDraws(int draws) {
    auto cb = queue->commandBuffer();
    auto encoder = cb->renderCommandEncoder(pass());
    encoder->setRenderPipelineState(pipeline);
    for (int i = 0; i < draws; ++i) encoder->drawPrimitives(PrimitiveType::Triangle, i, 3);
    encoder->endEncoding();
    cb->commit();
  }

  // Under a sanitizer malloc is its own and the C library's counts stay
  // still; ask the sanitizer's allocator there.
  static std::size_t heapInUse() {
    return tessaly::test::underSanitizer() ? __sanitizer_get_current_allocated_bytes()
                                           : mallinfo2().uordblks;
  }

  std::shared_ptr<Device> device;
  std::shared_ptr<CommandQueue> queue;
  std::shared_ptr<Texture> color;
  std::shared_ptr<RenderPipelineState> pipeline;
};

TEST_F(CommandLogTest, IsOffUntilSwitchedOn) {
  EXPECT_FALSE(device->commandLog().enabled());
  encodeDraws(10);
  EXPECT_EQ(device->commandLog().size(), 0u);
  device->commandLog().enable(100);
  encodeDraws(1);
  EXPECT_EQ(device->commandLog().texts().size(), 5u);
  // Switching it off forgets what it kept and records nothing more.
  device->commandLog().disable();
  encodeDraws(1);
  EXPECT_TRUE(device->commandLog().entries().empty());
}

TEST_F(CommandLogTest, RingKeepsTheLastEntriesOldestFirst) {
  CommandLog& log = device->commandLog();
  log.enable(4);
  encodeDraws(6);  // encoder, pipeline, 6 draws, endEncoding, commit
  const std::vector<std::string> lastFour = {
      "drawPrimitives Triangle start=4 count=3 instances=1",
      "drawPrimitives Triangle start=5 count=3 instances=1", "endEncoding", "commit"};
  EXPECT_EQ(log.texts(), lastFour);
  EXPECT_EQ(log.capacity(), 4u);

  // A smaller ring keeps the newest entries; a larger one keeps them all and
  // goes on appending after them.
  log.enable(2);
  EXPECT_EQ(log.texts(), (std::vector<std::string>{"endEncoding", "commit"}));
  log.enable(3);
  auto cb = queue->commandBuffer();
  cb->commit();
  EXPECT_EQ(log.texts(), (std::vector<std::string>{"endEncoding", "commit", "commit"}));
  EXPECT_EQ(log.entries().back().commandBuffer, cb->number());
  log.clear();
  EXPECT_EQ(log.size(), 0u);
  EXPECT_TRUE(log.enabled());
}

TEST_F(CommandLogTest, MemoryStaysFlatOverAMillionDrawsWithARingOfAThousand) {
  CommandLog& log = device->commandLog();
  log.enable(1000);
  // A fifth of the draws under a sanitizer, where each is slow: a kept
  // string per draw would still be some 10 MB.
  const int kBuffers = tessaly::test::sanitizerSample(100, 20), kDrawsPerBuffer = 10000;
  encodeDraws(kDrawsPerBuffer);  // fills the ring and warms the allocator
  const std::size_t before = heapInUse();
  for (int i = 1; i < kBuffers; ++i) encodeDraws(kDrawsPerBuffer);
  const std::size_t after = heapInUse();
  EXPECT_EQ(log.size(), 1000u);
  EXPECT_EQ(log.texts().back(), "commit");
  EXPECT_EQ(log.entries().front().commandBuffer, log.entries().back().commandBuffer);
  // A kept string per draw would be some 50 MB; the ring itself under 100 kB.
  // Allowed slack: fragmentation, never growth with the number of draws.
  EXPECT_LT(after, before + 256 * 1024) << "heap grew from " << before << " to " << after;
}

TEST_F(CommandLogTest, EnvironmentSwitchesNewDevicesOn) {
  ::setenv("TESSALY_COMMAND_LOG", "5", 1);
  auto logged = Device::create();
  EXPECT_TRUE(logged->commandLog().enabled());
  EXPECT_EQ(logged->commandLog().capacity(), 5u);
  for (const char* off : {"0", "", "many", "5x", "-3"}) {
    ::setenv("TESSALY_COMMAND_LOG", off, 1);
    EXPECT_FALSE(Device::create()->commandLog().enabled()) << '"' << off << '"';
  }
  ::unsetenv("TESSALY_COMMAND_LOG");
}

TEST_F(CommandLogTest, BlitCommandsAreLoggedWithTheirRegions) {
  device->commandLog().enable();
  auto buffer = device->newBuffer(256, ResourceStorageModeShared);
  auto other = device->newBuffer(256, ResourceStorageModeShared);
  auto cb = queue->commandBuffer();
  auto blit = cb->blitCommandEncoder();
  blit->copyFromTexture(color, 0, 0, {1, 2, 0}, {2, 1, 1}, color, 0, 0, {0, 3, 0});
  blit->copyFromBuffer(buffer, 16, other, 32, 64);
  blit->copyFromBuffer(buffer, 0, 16, 64, {3, 2, 1}, color, 0, 0, {1, 1, 0});
  blit->copyFromTexture(color, 0, 0, {0, 0, 0}, {4, 4, 1}, buffer, 8, 16, 64);
  blit->pushDebugGroup("group");
  blit->popDebugGroup();
  blit->endEncoding();
  cb->commit();
  const std::vector<std::string> expected = {
      "blitCommandEncoder",
      "copyFromTexture 1,2 2x1 level=0 slice=0 to 0,3 2x1 level=0 slice=0",
      "copyFromBuffer 16 to 32 size=64",
      "copyFromBuffer 0 to texture 1,1 3x2 level=0",
      "copyFromTexture 0,0 4x4 level=0 to buffer 8",
      "pushDebugGroup group",
      "popDebugGroup",
      "endEncoding",
      "commit",
  };
  EXPECT_EQ(device->commandLog().texts(), expected);
}

// The message is built from parts only when the check fails; each kind of
// part must still read as one sentence.
TEST_F(CommandLogTest, RefusalsNameWhatWasRefused) {
  auto message = [](auto&& call) -> std::string {
    try {
      call();
    } catch (const ValidationError& e) {
      return e.what();
    }
    return "(accepted)";
  };
  auto depthLess = pass();
  depthLess.depthAttachment.texture = color;
  EXPECT_EQ(message([&] { queue->commandBuffer()->renderCommandEncoder(depthLess); }),
            "Render pass attachment depth needs a pixel format with depth");
  auto cb = queue->commandBuffer();
  auto encoder = cb->renderCommandEncoder(pass());
  RenderPipelineDescriptor other;
  other.vertexFunction = vertexFunction();
  other.colorAttachments[0].pixelFormat = PixelFormat::BGRA8Unorm;
  encoder->setRenderPipelineState(device->newRenderPipelineState(other, 0, nullptr, nullptr));
  EXPECT_EQ(message([&] { encoder->drawPrimitives(PrimitiveType::Point, 0, 1); }),
            "drawPrimitives: the pipeline's color0 pixel format differs from the attachment's");
  EXPECT_EQ(message([&] { cb->blitCommandEncoder(); }),
            "Creating an encoder while another encoder of the command buffer is open");
  encoder->endEncoding();
  EXPECT_EQ(message([&] { encoder->setCullMode(CullMode::Back); }),
            "setCullMode was called after endEncoding");
  auto bad = TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 4, 4, false);
  bad.sampleCount = 3;
  EXPECT_EQ(message([&] { device->newTexture(bad); }), "Sample count 3 is not supported");
}

}  // namespace
}  // namespace mtl
