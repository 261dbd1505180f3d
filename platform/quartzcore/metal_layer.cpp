#include "platform/quartzcore/metal_layer.h"

#include <array>
#include <condition_variable>
#include <mutex>

#include "platform/metal/validation.h"

namespace ca {

// What a layer and its drawables share; it outlives whichever goes first.
struct DrawablePool {
  std::mutex mutex;
  std::condition_variable returned;
  std::array<bool, MetalLayer::kMaximumDrawableCount> inUse{};
  std::array<std::shared_ptr<mtl::Texture>, MetalLayer::kMaximumDrawableCount> textures{};
  std::chrono::milliseconds timeout{1000};
  std::uint64_t nextID = 1;
  FrameSink sink;
};

MetalDrawable::MetalDrawable(std::shared_ptr<DrawablePool> pool, std::size_t slot,
                             std::shared_ptr<mtl::Texture> texture, std::uint64_t id)
    : pool_(std::move(pool)), slot_(slot), texture_(std::move(texture)), id_(id) {}

MetalDrawable::~MetalDrawable() { release(); }

void MetalDrawable::release() {
  {
    std::lock_guard lock(pool_->mutex);
    if (released_) return;
    released_ = true;
    pool_->inUse[slot_] = false;
  }
  pool_->returned.notify_all();
}

void MetalDrawable::present() {
  FrameSink sink;
  {
    std::lock_guard lock(pool_->mutex);
    if (released_) return;
    sink = pool_->sink;
  }
  if (sink) {
    Frame frame;
    frame.drawableID = id_;
    frame.width = texture_->width();
    frame.height = texture_->height();
    frame.pixelFormat = texture_->pixelFormat();
    frame.bytesPerRow = texture_->levelBytesPerRow(0);
    const std::uint8_t* data = texture_->levelData(0, 0);
    frame.pixels.assign(data, data + frame.bytesPerRow * frame.height);
    sink(frame);
  }
  release();
}

MetalLayer::MetalLayer() : pool_(std::make_shared<DrawablePool>()) {}

MetalLayer::~MetalLayer() = default;

void MetalLayer::setPixelFormat(mtl::PixelFormat format) {
  mtl::require(format == mtl::PixelFormat::BGRA8Unorm ||
                   format == mtl::PixelFormat::BGRA8Unorm_sRGB ||
                   format == mtl::PixelFormat::RGBA16Float ||
                   format == mtl::PixelFormat::RGB10A2Unorm,
               "The pixel format cannot back a Metal layer");
  pixelFormat_ = format;
}

std::chrono::milliseconds MetalLayer::nextDrawableTimeout() const {
  std::lock_guard lock(pool_->mutex);
  return pool_->timeout;
}

void MetalLayer::setNextDrawableTimeout(std::chrono::milliseconds timeout) {
  std::lock_guard lock(pool_->mutex);
  pool_->timeout = timeout;
}

void MetalLayer::setFrameSink(FrameSink sink) {
  std::lock_guard lock(pool_->mutex);
  pool_->sink = std::move(sink);
}

std::shared_ptr<MetalDrawable> MetalLayer::nextDrawable() {
  if (!device_ || drawableSize_.width < 1 || drawableSize_.height < 1) return nullptr;
  const auto width = static_cast<mtl::NSUInteger>(drawableSize_.width);
  const auto height = static_cast<mtl::NSUInteger>(drawableSize_.height);
  std::unique_lock lock(pool_->mutex);
  std::size_t slot = kMaximumDrawableCount;
  auto freeSlot = [&] {
    for (std::size_t i = 0; i < kMaximumDrawableCount; ++i) {
      if (!pool_->inUse[i]) {
        slot = i;
        return true;
      }
    }
    return false;
  };
  if (!pool_->returned.wait_for(lock, pool_->timeout, freeSlot)) return nullptr;
  pool_->inUse[slot] = true;
  std::shared_ptr<mtl::Texture>& texture = pool_->textures[slot];
  if (!texture || texture->width() != width || texture->height() != height ||
      texture->pixelFormat() != pixelFormat_) {
    auto descriptor = mtl::TextureDescriptor::texture2DDescriptor(pixelFormat_, width, height,
                                                                  false);
    descriptor.usage = mtl::TextureUsageRenderTarget |
                       (framebufferOnly_ ? mtl::TextureUsageUnknown : mtl::TextureUsageShaderRead);
    texture = device_->newTexture(descriptor);
  }
  return std::shared_ptr<MetalDrawable>(
      new MetalDrawable(pool_, slot, texture, pool_->nextID++));
}

}  // namespace ca
