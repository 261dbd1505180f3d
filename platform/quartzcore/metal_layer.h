// A layer whose contents are Metal drawables. It keeps three drawables;
// nextDrawable waits for one to come back from presentation and gives up
// after a timeout. Presented frames go to a frame sink (a window or a test).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/metal/device.h"
#include "platform/metal/drawable.h"
#include "platform/quartzcore/layer.h"

namespace ca {

// One presented frame, rows top to bottom.
struct Frame {
  std::uint64_t drawableID = 0;
  mtl::NSUInteger width = 0;
  mtl::NSUInteger height = 0;
  mtl::PixelFormat pixelFormat = mtl::PixelFormat::BGRA8Unorm;
  mtl::NSUInteger bytesPerRow = 0;
  std::vector<std::uint8_t> pixels;
};

using FrameSink = std::function<void(const Frame&)>;

class MetalLayer;
struct DrawablePool;

class MetalDrawable : public mtl::Drawable {
 public:
  ~MetalDrawable() override;
  std::shared_ptr<mtl::Texture> texture() const override { return texture_; }
  // Sends the texture's pixels to the layer's frame sink (once) and gives
  // the drawable back to the layer.
  void present() override;
  std::uint64_t drawableID() const { return id_; }

 private:
  friend class MetalLayer;
  MetalDrawable(std::shared_ptr<DrawablePool> pool, std::size_t slot,
                std::shared_ptr<mtl::Texture> texture, std::uint64_t id);
  void release();

  std::shared_ptr<DrawablePool> pool_;
  std::size_t slot_;
  std::shared_ptr<mtl::Texture> texture_;
  std::uint64_t id_;
  bool released_ = false;
};

class MetalLayer : public Layer {
 public:
  static constexpr std::size_t kMaximumDrawableCount = 3;

  MetalLayer();
  ~MetalLayer() override;

  std::shared_ptr<mtl::Device> device() const { return device_; }
  void setDevice(std::shared_ptr<mtl::Device> device) { device_ = std::move(device); }
  mtl::PixelFormat pixelFormat() const { return pixelFormat_; }
  void setPixelFormat(mtl::PixelFormat format);
  Size drawableSize() const { return drawableSize_; }
  void setDrawableSize(Size size) { drawableSize_ = size; }
  bool framebufferOnly() const { return framebufferOnly_; }
  void setFramebufferOnly(bool value) { framebufferOnly_ = value; }
  bool drawsAsynchronously() const { return drawsAsynchronously_; }
  void setDrawsAsynchronously(bool value) { drawsAsynchronously_ = value; }
  bool presentsWithTransaction() const { return presentsWithTransaction_; }
  void setPresentsWithTransaction(bool value) { presentsWithTransaction_ = value; }
  std::chrono::milliseconds nextDrawableTimeout() const;
  void setNextDrawableTimeout(std::chrono::milliseconds timeout);
  std::size_t maximumDrawableCount() const { return kMaximumDrawableCount; }

  void setFrameSink(FrameSink sink);

  // Null without a device or with an empty drawable size, and when no
  // drawable came back within the timeout.
  std::shared_ptr<MetalDrawable> nextDrawable();

 private:
  std::shared_ptr<DrawablePool> pool_;
  std::shared_ptr<mtl::Device> device_;
  mtl::PixelFormat pixelFormat_ = mtl::PixelFormat::BGRA8Unorm;
  Size drawableSize_;
  bool framebufferOnly_ = true;
  bool presentsWithTransaction_ = false;
  bool drawsAsynchronously_ = false;
};

}  // namespace ca
