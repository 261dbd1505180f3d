// The Metal layer's three drawables, presentation to the frame sink and the
// wait for a drawable while the GPU holds all three.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/metal/command_buffer.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "platform/quartzcore/metal_layer.h"

namespace ca {
namespace {

using namespace std::chrono_literals;

struct FrameCollector {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<Frame> frames;

  FrameSink sink() {
    return [this](const Frame& f) {
      std::lock_guard lock(mutex);
      frames.push_back(f);
      arrived.notify_all();
    };
  }
  void waitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    arrived.wait(lock, [&] { return frames.size() >= count; });
  }
};

std::shared_ptr<MetalLayer> makeLayer(std::shared_ptr<mtl::Device> device) {
  auto layer = std::make_shared<MetalLayer>();
  layer->setDevice(std::move(device));
  layer->setDrawableSize({3, 2});
  return layer;
}

void clearAndPresent(mtl::CommandQueue& queue, std::shared_ptr<MetalDrawable> drawable,
                     double red) {
  mtl::RenderPassDescriptor pass;
  pass.colorAttachments[0].texture = drawable->texture();
  pass.colorAttachments[0].loadAction = mtl::LoadAction::Clear;
  pass.colorAttachments[0].clearColor = {red, 0, 1, 1};
  auto cb = queue.commandBuffer();
  cb->renderCommandEncoder(pass)->endEncoding();
  cb->presentDrawable(std::move(drawable));
  cb->commit();
}

TEST(MetalLayer, PresentedFramesReachTheSink) {
  auto device = mtl::Device::create();
  auto queue = device->newCommandQueue();
  auto layer = makeLayer(device);
  FrameCollector collector;
  layer->setFrameSink(collector.sink());
  for (int i = 0; i < 5; ++i) {
    auto drawable = layer->nextDrawable();
    ASSERT_NE(drawable, nullptr);
    clearAndPresent(*queue, drawable, i / 4.0);
  }
  collector.waitFor(5);
  std::lock_guard lock(collector.mutex);
  for (int i = 0; i < 5; ++i) {
    const Frame& f = collector.frames[i];
    EXPECT_EQ(f.width, 3u);
    EXPECT_EQ(f.height, 2u);
    EXPECT_EQ(f.pixelFormat, mtl::PixelFormat::BGRA8Unorm);
    // BGRA: blue first, red third.
    EXPECT_EQ(f.pixels[0], 255);
    EXPECT_EQ(f.pixels[2], static_cast<std::uint8_t>(std::lround(i / 4.0 * 255)));
  }
}

TEST(MetalLayer, FourthDrawableWaitsForTheGpuThenTimesOut) {
  auto device = mtl::Device::create();
  auto queue = device->newCommandQueue();
  auto layer = makeLayer(device);
  layer->setNextDrawableTimeout(50ms);
  device->gpu().pause();
  for (int i = 0; i < 3; ++i) {
    auto drawable = layer->nextDrawable();
    ASSERT_NE(drawable, nullptr) << i;
    clearAndPresent(*queue, drawable, 1);
  }
  EXPECT_EQ(layer->nextDrawable(), nullptr);
  device->gpu().resume();
  layer->setNextDrawableTimeout(10s);
  EXPECT_NE(layer->nextDrawable(), nullptr);
}

TEST(MetalLayer, DroppedDrawableReturnsToThePool) {
  auto layer = makeLayer(mtl::Device::create());
  layer->setNextDrawableTimeout(0ms);
  {
    auto a = layer->nextDrawable(), b = layer->nextDrawable(), c = layer->nextDrawable();
    EXPECT_EQ(layer->nextDrawable(), nullptr);
  }
  EXPECT_NE(layer->nextDrawable(), nullptr);
  layer->setDrawableSize({0, 0});
  EXPECT_EQ(layer->nextDrawable(), nullptr);
}

}  // namespace
}  // namespace ca
