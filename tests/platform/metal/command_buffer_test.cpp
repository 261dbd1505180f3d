// Command buffers on the GPU thread: execution order, completion handlers,
// waiting, the synchronous mode, and the encoder life-cycle rules.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/metal/blit_encoder.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/drawable.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/validation.h"

namespace mtl {
namespace {

TEST(CommandBuffers, HandlersRunOnTheGpuThreadInCommitOrder) {
  auto device = Device::create();
  auto queue = device->newCommandQueue();
  auto otherQueue = device->newCommandQueue();
  std::mutex mutex;
  std::vector<std::uint64_t> order;
  std::atomic<int> offThread{0};
  device->gpu().pause();
  std::vector<std::shared_ptr<CommandBuffer>> buffers;
  for (int i = 0; i < 6; ++i) buffers.push_back((i % 2 ? otherQueue : queue)->commandBuffer());
  // Commit in an order that differs from creation.
  const int commitOrder[] = {3, 0, 5, 1, 4, 2};
  for (int i : commitOrder) {
    auto& cb = buffers[i];
    cb->addCompletedHandler([&, device](CommandBuffer& done) {
      if (!device->gpu().onGpuThread()) ++offThread;
      EXPECT_EQ(done.status(), CommandBufferStatus::Completed);
      std::lock_guard lock(mutex);
      order.push_back(done.number());
    });
    cb->commit();
    EXPECT_THROW(cb->addCompletedHandler([](CommandBuffer&) {}), ValidationError);
  }
  EXPECT_TRUE(order.empty());  // paused: nothing ran yet
  device->gpu().resume();
  buffers[2]->waitUntilCompleted();
  std::vector<std::uint64_t> expected;
  for (int i : commitOrder) expected.push_back(buffers[i]->number());
  std::lock_guard lock(mutex);
  EXPECT_EQ(order, expected);
  EXPECT_EQ(offThread, 0);
}

TEST(CommandBuffers, EnqueueReservesThePlace) {
  auto device = Device::create();
  auto queue = device->newCommandQueue();
  std::vector<int> order;
  auto first = queue->commandBuffer();
  auto second = queue->commandBuffer();
  first->enqueue();
  first->addCompletedHandler([&](CommandBuffer&) { order.push_back(1); });
  second->addCompletedHandler([&](CommandBuffer&) { order.push_back(2); });
  second->commit();  // waits behind the enqueued first buffer
  EXPECT_EQ(second->status(), CommandBufferStatus::Committed);
  first->commit();
  second->waitUntilCompleted();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(CommandBuffers, TheGpuIsIdleOnlyWithNothingEnqueuedOrRunning) {
  auto device = Device::create();
  auto queue = device->newCommandQueue();
  EXPECT_TRUE(device->gpu().idle());
  auto buffer = queue->commandBuffer();
  EXPECT_TRUE(device->gpu().idle());  // made, not yet given to the GPU
  buffer->enqueue();
  EXPECT_FALSE(device->gpu().idle());
  std::atomic<bool> idleWhileRunning{true};
  buffer->addCompletedHandler([&](CommandBuffer&) { idleWhileRunning = device->gpu().idle(); });
  buffer->commit();
  buffer->waitUntilCompleted();
  device->gpu().waitUntilIdle();
  EXPECT_FALSE(idleWhileRunning);
  EXPECT_TRUE(device->gpu().idle());
}

TEST(CommandBuffers, ABoundedWaitForTheGpuGivesUpWhileItHoldsABufferAndReturnsOnceItHasRun) {
  using namespace std::chrono_literals;
  auto device = Device::create();
  auto queue = device->newCommandQueue();
  // A buffer enqueued but not committed holds back nothing a wait could
  // see run: its owner must commit it first.
  auto open = queue->commandBuffer();
  open->enqueue();
  EXPECT_TRUE(device->gpu().waitUntilIdle(std::chrono::steady_clock::now() + 10s));
  open->commit();
  device->gpu().pause();
  auto held = queue->commandBuffer();
  held->commit();
  EXPECT_FALSE(device->gpu().waitUntilIdle(std::chrono::steady_clock::now() + 50ms));
  EXPECT_EQ(held->status(), CommandBufferStatus::Committed);
  device->gpu().resume();
  EXPECT_TRUE(device->gpu().waitUntilIdle(std::chrono::steady_clock::now() + 10s));
  EXPECT_EQ(open->status(), CommandBufferStatus::Completed);
  EXPECT_EQ(held->status(), CommandBufferStatus::Completed);
}

TEST(CommandBuffers, ALateGpuRunsEachBufferNoSoonerThanItsLatencyAfterTheOneBefore) {
  using namespace std::chrono_literals;
  auto device = Device::create();
  device->gpu().setLatency(60ms);
  auto queue = device->newCommandQueue();
  const auto start = std::chrono::steady_clock::now();
  auto first = queue->commandBuffer(), second = queue->commandBuffer();
  first->commit();
  second->commit();
  second->waitUntilCompleted();
  EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);
  EXPECT_EQ(first->status(), CommandBufferStatus::Completed);
  // The synchronous mode runs inside commit all the same (once the GPU
  // thread has let go of the last buffer).
  device->gpu().waitUntilIdle();
  device->gpu().setSynchronous(true);
  auto now = queue->commandBuffer();
  now->commit();
  EXPECT_EQ(now->status(), CommandBufferStatus::Completed);
}

TEST(CommandBuffers, SynchronousModeRunsInsideCommit) {
  auto device = Device::create();
  device->gpu().setSynchronous(true);
  auto cb = device->newCommandQueue()->commandBuffer();
  bool ran = false;
  cb->addCompletedHandler([&](CommandBuffer&) { ran = !device->gpu().onGpuThread(); });
  cb->commit();
  EXPECT_TRUE(ran);
  EXPECT_EQ(cb->status(), CommandBufferStatus::Completed);
}

struct CountingDrawable : Drawable {
  std::shared_ptr<Texture> texture() const override { return nullptr; }
  void present() override { ++presented; }
  int presented = 0;
};

TEST(CommandBuffers, DrawablesPresentAfterTheWorkAndBeforeTheHandlers) {
  auto device = Device::create();
  device->gpu().setSynchronous(true);
  auto cb = device->newCommandQueue()->commandBuffer();
  auto drawable = std::make_shared<CountingDrawable>();
  auto blit = cb->blitCommandEncoder();
  cb->presentDrawable(drawable);  // allowed while an encoder is open
  blit->endEncoding();
  int seenByHandler = -1;
  cb->addCompletedHandler([&](CommandBuffer&) { seenByHandler = drawable->presented; });
  EXPECT_EQ(drawable->presented, 0);
  cb->commit();
  EXPECT_EQ(seenByHandler, 1);
  EXPECT_THROW(cb->presentDrawable(drawable), ValidationError);
  EXPECT_THROW(cb->presentDrawable(nullptr), ValidationError);
}

TEST(CommandBuffers, LifeCycleRefusals) {
  auto device = Device::create();
  device->gpu().setSynchronous(true);
  auto queue = device->newCommandQueue();
  auto cb = queue->commandBuffer();
  EXPECT_THROW(cb->waitUntilCompleted(), ValidationError);
  auto blit = cb->blitCommandEncoder();
  EXPECT_THROW(cb->blitCommandEncoder(), ValidationError);  // two open encoders
  EXPECT_THROW(cb->commit(), ValidationError);              // encoder still open
  blit->pushDebugGroup("upload");
  EXPECT_THROW(blit->endEncoding(), ValidationError);       // group still pushed
  blit->popDebugGroup();
  blit->endEncoding();
  EXPECT_THROW(blit->endEncoding(), ValidationError);
  EXPECT_THROW(blit->generateMipmapsForTexture(device->newTexture(
                   TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 2, 2, true))),
               ValidationError);
  EXPECT_THROW(blit->insertDebugSignpost("late"), ValidationError);
  auto second = cb->blitCommandEncoder();  // allowed once the first has ended
  second->endEncoding();
  cb->commit();
  EXPECT_THROW(cb->commit(), ValidationError);
  EXPECT_THROW(cb->blitCommandEncoder(), ValidationError);
  cb->waitUntilCompleted();
}

TEST(Devices, LimitsAndFeatureAnswersAreConfigurable) {
  EXPECT_EQ(createSystemDefaultDevice(), createSystemDefaultDevice());
  DeviceLimits limits;
  limits.textureSampleCounts = {1, 2, 4};
  limits.featureSets = {FeatureSet::iOS_GPUFamily1_v2};
  limits.respondsToSupportsFamily = false;
  limits.maxTextureSize = 4096;
  auto device = Device::create(limits);
  EXPECT_TRUE(device->supportsTextureSampleCount(4));
  EXPECT_FALSE(device->supportsTextureSampleCount(8));
  EXPECT_TRUE(device->supportsFeatureSet(FeatureSet::iOS_GPUFamily1_v2));
  EXPECT_FALSE(device->supportsFeatureSet(FeatureSet::iOS_GPUFamily3_v1));
  EXPECT_FALSE(device->respondsToSupportsFamily());
  EXPECT_THROW(device->supportsFamily(GPUFamily::Apple1), ValidationError);
  EXPECT_THROW(device->newTexture(TextureDescriptor::texture2DDescriptor(
                   PixelFormat::RGBA8Unorm, 4097, 1, false)),
               ValidationError);
  limits.respondsToSupportsFamily = true;
  device->setLimits(limits);
  EXPECT_TRUE(device->supportsFamily(GPUFamily::Apple1));
  auto d = TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 4, 4, false);
  d.textureType = TextureType::Type2DMultisample;
  d.sampleCount = 8;
  EXPECT_THROW(device->newTexture(d), ValidationError);
}

TEST(Devices, StateObjects) {
  auto device = Device::create();
  RenderPipelineDescriptor p;
  std::optional<Error> error;
  EXPECT_EQ(device->newRenderPipelineState(p, 0, nullptr, &error), nullptr);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->localizedDescription, "No vertex function was set");
  auto shaders = device->newLibraryWithSource(
      "vertex float4 vertexShader() { return float4(0.0); }\n"
      "fragment half4 fragmentShader() { return half4(1.0h); }\n",
      {}, &error);
  ASSERT_NE(shaders, nullptr);
  p.vertexFunction = shaders->newFunctionWithName("vertexShader");
  p.fragmentFunction = shaders->newFunctionWithName("fragmentShader");
  p.colorAttachments[0].pixelFormat = PixelFormat::Depth32Float;
  EXPECT_EQ(device->newRenderPipelineState(p, 0, nullptr, &error), nullptr);
  p.colorAttachments[0].pixelFormat = PixelFormat::BGRA8Unorm;
  p.depthAttachmentPixelFormat = PixelFormat::Depth32Float;
  p.label = "chart";
  RenderPipelineReflection reflection;
  auto state = device->newRenderPipelineState(p, PipelineOptionBufferTypeInfo, &reflection, &error);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->label(), "chart");
  SamplerDescriptor s;
  s.maxAnisotropy = 17;
  EXPECT_THROW(device->newSamplerState(s), ValidationError);
  s.maxAnisotropy = 16;
  EXPECT_NE(device->newSamplerState(s), nullptr);
  error.reset();
  const std::string compiled =
      std::string(Device::kLibraryDataMagic) + "fragment float4 f() { return 0; }";
  auto library = device->newLibraryWithData({compiled.begin(), compiled.end()}, &error);
  ASSERT_NE(library, nullptr);
  EXPECT_FALSE(error.has_value());
  EXPECT_EQ(library->source(), "fragment float4 f() { return 0; }");
  EXPECT_EQ(library->functionNames(), std::vector<std::string>{"f"});
  EXPECT_EQ(device->newLibraryWithData({'x', 'y'}, &error), nullptr);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->code, LibraryErrorInternal);
  EXPECT_EQ(device->newDefaultLibrary()->source(), "");
  device->setDefaultLibrarySource("fragment half4 f() { return 0; }");
  EXPECT_EQ(device->newDefaultLibrary()->source(), "fragment half4 f() { return 0; }");
}

}  // namespace
}  // namespace mtl
