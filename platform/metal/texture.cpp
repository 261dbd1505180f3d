#include "platform/metal/texture.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/metal/texel_fill.h"
#include "platform/metal/validation.h"

namespace mtl {
namespace {

NSUInteger fullChainLength(NSUInteger width, NSUInteger height) {
  return static_cast<NSUInteger>(std::bit_width(std::max<NSUInteger>({width, height, 1})));
}

std::uint64_t nextTextureId() {
  static std::atomic<std::uint64_t> counter{0};
  return ++counter;
}

}  // namespace

TextureDescriptor TextureDescriptor::texture2DDescriptor(PixelFormat format, NSUInteger width,
                                                         NSUInteger height, bool mipmapped) {
  TextureDescriptor d;
  d.pixelFormat = format;
  d.width = width;
  d.height = height;
  d.mipmapLevelCount = mipmapped ? fullChainLength(width, height) : 1;
  return d;
}

TextureDescriptor TextureDescriptor::textureCubeDescriptor(PixelFormat format, NSUInteger size,
                                                           bool mipmapped) {
  TextureDescriptor d = texture2DDescriptor(format, size, size, mipmapped);
  d.textureType = TextureType::TypeCube;
  return d;
}

Texture::Texture(const TextureDescriptor& descriptor, NSUInteger maxTextureSize)
    : d_(descriptor), info_(pixelFormatInfo(descriptor.pixelFormat)), id_(nextTextureId()) {
  require(info_ != nullptr, "Texture pixel format ", static_cast<NSUInteger>(d_.pixelFormat),
          " is not supported");
  const bool cube = d_.textureType == TextureType::TypeCube;
  const bool multisample = d_.textureType == TextureType::Type2DMultisample;
  require(d_.textureType == TextureType::Type2D || cube || multisample,
          "Only 2D, cube and 2D multisample textures are supported");
  require(d_.width >= 1 && d_.height >= 1, "Texture width and height must be at least 1");
  require(d_.width <= maxTextureSize && d_.height <= maxTextureSize,
          "Texture dimensions exceed the device's maximum texture size");
  require(!cube || d_.width == d_.height, "Cube textures must be square");
  require(d_.mipmapLevelCount >= 1 &&
              d_.mipmapLevelCount <= fullChainLength(d_.width, d_.height),
          "Mipmap level count exceeds the texture's full chain");
  if (multisample) {
    require(d_.sampleCount > 1, "A multisample texture needs a sample count above 1");
    require(d_.mipmapLevelCount == 1, "Multisample textures cannot have mipmaps");
    require(info_->kind != ComponentKind::Compressed,
            "Compressed formats cannot be multisampled");
  } else {
    require(d_.sampleCount == 1, "Only 2D multisample textures may have several samples");
  }
  require(!(d_.usage & TextureUsageRenderTarget) || isRenderable(d_.pixelFormat),
          "The pixel format cannot be used as a render target");
  storage_.resize(sliceCount() * d_.mipmapLevelCount);
  for (NSUInteger slice = 0; slice < sliceCount(); ++slice) {
    for (NSUInteger level = 0; level < d_.mipmapLevelCount; ++level) {
      storage_[slice * d_.mipmapLevelCount + level].assign(
          levelBytesPerRow(level) * blockRows(*info_, levelHeight(level)), 0);
    }
  }
}

NSUInteger Texture::levelWidth(NSUInteger level) const {
  return std::max<NSUInteger>(d_.width >> level, 1);
}

NSUInteger Texture::levelHeight(NSUInteger level) const {
  return std::max<NSUInteger>(d_.height >> level, 1);
}

NSUInteger Texture::levelBytesPerRow(NSUInteger level) const {
  return bytesPerRow(*info_, levelWidth(level)) * d_.sampleCount;
}

std::size_t Texture::indexOf(NSUInteger slice, NSUInteger level) const {
  const std::size_t index = slice * d_.mipmapLevelCount + level;
  (void)storage_.at(index);  // out of range: throws
  return index;
}

std::uint8_t* Texture::levelData(NSUInteger slice, NSUInteger level) {
  version_.fetch_add(1, std::memory_order_acq_rel);
  const std::size_t index = indexOf(slice, level);
  if (waitingFills_.load(std::memory_order_acquire) != 0) settle(index);
  return storage_[index].data();
}

const std::uint8_t* Texture::levelData(NSUInteger slice, NSUInteger level) const {
  const std::size_t index = indexOf(slice, level);
  if (waitingFills_.load(std::memory_order_acquire) != 0) settle(index);
  return storage_[index].data();
}

void Texture::settle(std::size_t index) const {
  std::lock_guard lock(fillMutex_);
  if (fills_.empty() || !fills_[index].waiting) return;
  std::vector<std::uint8_t>& level = storage_[index];
  fillWithTexel(level.data(), level.size(), fills_[index].texel, info_->bytesPerBlock);
  fills_[index].waiting = false;
  waitingFills_.fetch_sub(1, std::memory_order_release);
}

bool Texture::waitingFill(std::size_t index, std::uint8_t texel[16]) const {
  if (waitingFills_.load(std::memory_order_acquire) == 0) return false;
  std::lock_guard lock(fillMutex_);
  if (fills_.empty() || !fills_[index].waiting) return false;
  std::memcpy(texel, fills_[index].texel, sizeof fills_[index].texel);
  return true;
}

void Texture::deferFill(NSUInteger slice, NSUInteger level, const std::uint8_t* texel) {
  require(!(info_->hasDepth && info_->hasStencil), "A fill of depth and stencil together cannot wait");
  const std::size_t index = indexOf(slice, level);
  version_.fetch_add(1, std::memory_order_acq_rel);
  std::lock_guard lock(fillMutex_);
  if (fills_.empty()) fills_.resize(storage_.size());
  Fill& f = fills_[index];
  if (!f.waiting) waitingFills_.fetch_add(1, std::memory_order_release);
  f.waiting = true;
  std::memcpy(f.texel, texel, info_->bytesPerBlock);
}

bool Texture::takeFill(NSUInteger slice, NSUInteger level, std::uint8_t texel[16]) {
  const std::size_t index = indexOf(slice, level);
  if (waitingFills_.load(std::memory_order_acquire) == 0) return false;
  std::lock_guard lock(fillMutex_);
  if (fills_.empty() || !fills_[index].waiting) return false;
  std::memcpy(texel, fills_[index].texel, sizeof fills_[index].texel);
  fills_[index].waiting = false;
  waitingFills_.fetch_sub(1, std::memory_order_release);
  return true;
}

void Texture::checkRegion(const Region& region, NSUInteger level, NSUInteger slice) const {
  require(level < d_.mipmapLevelCount, "Mipmap level is beyond the texture's levels");
  require(slice < sliceCount(), "Slice is beyond the texture's slices");
  const NSUInteger w = levelWidth(level), h = levelHeight(level);
  require(region.origin.z == 0 && region.size.depth == 1, "Region depth must be 1 at z 0");
  require(region.origin.x <= w && region.size.width <= w - region.origin.x &&
              region.origin.y <= h && region.size.height <= h - region.origin.y,
          "Region lies outside the texture");
  // Compressed regions start on block edges and cover whole blocks, except
  // where they reach the level's edge.
  const NSUInteger bw = info_->blockWidth, bh = info_->blockHeight;
  const NSUInteger right = region.origin.x + region.size.width;
  const NSUInteger bottom = region.origin.y + region.size.height;
  require(region.origin.x % bw == 0 && region.origin.y % bh == 0 &&
              (right % bw == 0 || right == w) && (bottom % bh == 0 || bottom == h),
          "Region is not aligned to the format's blocks");
}

void Texture::checkCpuAccess(const char* operation) const {
  require(d_.storageMode != StorageMode::Private, operation,
          " is not allowed on a texture with private storage");
  require(d_.sampleCount == 1, operation, " is not allowed on a multisample texture");
}

NSUInteger Texture::packedRowBytes(const Region& region, NSUInteger bytesPerRow) const {
  const NSUInteger tight = mtl::bytesPerRow(*info_, region.size.width);
  if (bytesPerRow == 0 && info_->kind == ComponentKind::Compressed) return tight;
  require(bytesPerRow >= tight, "bytesPerRow is smaller than one row of the region");
  return bytesPerRow;
}

void Texture::replaceRegion(const Region& region, NSUInteger level, NSUInteger slice,
                            const void* bytes, NSUInteger bytesPerRow, NSUInteger) {
  checkCpuAccess("replaceRegion");
  checkRegion(region, level, slice);
  require(bytes != nullptr, "replaceRegion needs source bytes");
  const NSUInteger stride = packedRowBytes(region, bytesPerRow);
  const NSUInteger rowBytes = mtl::bytesPerRow(*info_, region.size.width);
  const NSUInteger x0 = region.origin.x / info_->blockWidth * info_->bytesPerBlock;
  const NSUInteger y0 = region.origin.y / info_->blockHeight;
  const NSUInteger rows = blockRows(*info_, region.size.height);
  std::uint8_t* base = levelData(slice, level);
  const NSUInteger levelStride = levelBytesPerRow(level);
  const auto* src = static_cast<const std::uint8_t*>(bytes);
  for (NSUInteger row = 0; row < rows; ++row) {
    std::memcpy(base + (y0 + row) * levelStride + x0, src + row * stride, rowBytes);
  }
}

void Texture::replaceRegion(const Region& region, NSUInteger level, const void* bytes,
                            NSUInteger bytesPerRow) {
  replaceRegion(region, level, 0, bytes, bytesPerRow, 0);
}

void Texture::getBytes(void* bytes, NSUInteger bytesPerRow, NSUInteger, const Region& region,
                       NSUInteger level, NSUInteger slice) const {
  checkCpuAccess("getBytes");
  checkRegion(region, level, slice);
  require(bytes != nullptr, "getBytes needs a destination");
  const NSUInteger stride = packedRowBytes(region, bytesPerRow);
  copyRowsOut(static_cast<std::uint8_t*>(bytes), static_cast<std::ptrdiff_t>(stride), region, level, slice);
}

void Texture::getBytesUpsideDown(void* bytes, NSUInteger bytesPerRow, const Region& region, NSUInteger level,
                                 NSUInteger slice) const {
  checkCpuAccess("getBytes");
  checkRegion(region, level, slice);
  require(bytes != nullptr, "getBytes needs a destination");
  require(info_->blockWidth == 1 && info_->blockHeight == 1, "Rows upside down need a format of one-pixel blocks");
  const NSUInteger stride = packedRowBytes(region, bytesPerRow);
  if (region.size.height == 0) return;
  auto* last = static_cast<std::uint8_t*>(bytes) + (region.size.height - 1) * stride;
  copyRowsOut(last, -static_cast<std::ptrdiff_t>(stride), region, level, slice);
}

void Texture::copyRowsOut(std::uint8_t* first, std::ptrdiff_t step, const Region& region, NSUInteger level,
                          NSUInteger slice) const {
  const NSUInteger rowBytes = mtl::bytesPerRow(*info_, region.size.width);
  const NSUInteger x0 = region.origin.x / info_->blockWidth * info_->bytesPerBlock;
  const NSUInteger y0 = region.origin.y / info_->blockHeight;
  const NSUInteger rows = blockRows(*info_, region.size.height);
  std::uint8_t texel[16];
  if (waitingFill(indexOf(slice, level), texel)) {
    // The level is one texel throughout: no need to fill it first.
    for (NSUInteger row = 0; row < rows; ++row) {
      fillWithTexel(first + static_cast<std::ptrdiff_t>(row) * step, rowBytes, texel, info_->bytesPerBlock);
    }
    return;
  }
  const std::uint8_t* base = levelData(slice, level);
  const NSUInteger levelStride = levelBytesPerRow(level);
  for (NSUInteger row = 0; row < rows; ++row) {
    std::memcpy(first + static_cast<std::ptrdiff_t>(row) * step, base + (y0 + row) * levelStride + x0, rowBytes);
  }
}

void Texture::getBytes(void* bytes, NSUInteger bytesPerRow, const Region& region,
                       NSUInteger level) const {
  getBytes(bytes, bytesPerRow, 0, region, level, 0);
}

}  // namespace mtl
