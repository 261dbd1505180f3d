// Textures with real storage: every slice (cube face) and mipmap level holds
// its texels row by row; a multisample texel keeps its samples side by side.
// Compressed formats are kept as opaque blocks.
//
// Thread rules: the GPU's threads and the thread that reads or uploads
// texels (after waiting for the GPU, as Metal requires) may use a texture
// at once; a level's deferred fill is guarded by the texture's own lock,
// which no other work is done under but the fill itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/metal/pixel_format.h"
#include "platform/metal/types.h"

namespace mtl {

struct TextureDescriptor {
  TextureType textureType = TextureType::Type2D;
  PixelFormat pixelFormat = PixelFormat::RGBA8Unorm;
  NSUInteger width = 1;
  NSUInteger height = 1;
  NSUInteger depth = 1;
  NSUInteger mipmapLevelCount = 1;
  NSUInteger sampleCount = 1;
  NSUInteger arrayLength = 1;
  StorageMode storageMode = StorageMode::Shared;
  NSUInteger usage = TextureUsageShaderRead;

  // A mipmapped descriptor asks for the full chain down to 1 x 1.
  static TextureDescriptor texture2DDescriptor(PixelFormat format, NSUInteger width,
                                               NSUInteger height, bool mipmapped);
  static TextureDescriptor textureCubeDescriptor(PixelFormat format, NSUInteger size,
                                                 bool mipmapped);
};

class Texture {
 public:
  // Throws ValidationError for a descriptor Metal refuses.
  Texture(const TextureDescriptor& descriptor, NSUInteger maxTextureSize);

  TextureType textureType() const { return d_.textureType; }
  PixelFormat pixelFormat() const { return d_.pixelFormat; }
  NSUInteger width() const { return d_.width; }
  NSUInteger height() const { return d_.height; }
  NSUInteger depth() const { return 1; }
  NSUInteger mipmapLevelCount() const { return d_.mipmapLevelCount; }
  NSUInteger sampleCount() const { return d_.sampleCount; }
  NSUInteger arrayLength() const { return 1; }
  StorageMode storageMode() const { return d_.storageMode; }
  NSUInteger usage() const { return d_.usage; }
  const PixelFormatInfo& formatInfo() const { return *info_; }

  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }

  // CPU uploads and read-backs. bytesPerRow 0 means tightly packed rows,
  // which is what Metal expects of PVRTC data. Private and multisample
  // textures, regions outside the level and short rows are refused.
  void replaceRegion(const Region& region, NSUInteger level, NSUInteger slice,
                     const void* bytes, NSUInteger bytesPerRow, NSUInteger bytesPerImage);
  void replaceRegion(const Region& region, NSUInteger level, const void* bytes,
                     NSUInteger bytesPerRow);
  void getBytes(void* bytes, NSUInteger bytesPerRow, NSUInteger bytesPerImage,
                const Region& region, NSUInteger level, NSUInteger slice) const;
  void getBytes(void* bytes, NSUInteger bytesPerRow, const Region& region,
                NSUInteger level) const;
  // getBytes() with the region's rows in reverse order, its last row at
  // `bytes` (a read-back into rows that run bottom up, as GL's do, in one
  // call). Formats of one-pixel blocks only.
  void getBytesUpsideDown(void* bytes, NSUInteger bytesPerRow, const Region& region, NSUInteger level,
                          NSUInteger slice) const;

  // The GPU's view, used by encoders whatever the storage mode. Handing
  // out writable storage counts as a change of the contents.
  NSUInteger sliceCount() const { return d_.textureType == TextureType::TypeCube ? 6 : 1; }
  NSUInteger levelWidth(NSUInteger level) const;
  NSUInteger levelHeight(NSUInteger level) const;
  // Bytes of one row of blocks (all samples) in the level's storage.
  NSUInteger levelBytesPerRow(NSUInteger level) const;
  std::uint8_t* levelData(NSUInteger slice, NSUInteger level);
  const std::uint8_t* levelData(NSUInteger slice, NSUInteger level) const;

  // Sets every texel (every sample) of a level to one encoded texel (the
  // format's bytesPerBlock bytes), but not before the level's storage is
  // next handed out by levelData(): a cleared attachment that nothing reads
  // costs nothing, and getBytes() gives the texel without filling the
  // level. A later fill replaces one still waiting. Not for formats that
  // hold depth and stencil together.
  void deferFill(NSUInteger slice, NSUInteger level, const std::uint8_t* texel);
  // Takes over the fill waiting for a level, if any: true with its texel,
  // and the caller then writes every texel of the level itself.
  bool takeFill(NSUInteger slice, NSUInteger level, std::uint8_t texel[16]);

  // Unique for the life of the process, and a count that grows whenever
  // the contents may have changed: what is derived from them (the GPU's
  // decoded texels) is keyed by both.
  std::uint64_t id() const { return id_; }
  std::uint64_t contentsVersion() const { return version_.load(std::memory_order_acquire); }

  // Throws unless `region` lies inside the level and is aligned to blocks.
  void checkRegion(const Region& region, NSUInteger level, NSUInteger slice) const;

 private:
  void checkCpuAccess(const char* operation) const;
  NSUInteger packedRowBytes(const Region& region, NSUInteger bytesPerRow) const;
  // The region's block rows into `first`, each `step` bytes after the one
  // before (negative: upwards).
  void copyRowsOut(std::uint8_t* first, std::ptrdiff_t step, const Region& region, NSUInteger level,
                   NSUInteger slice) const;

  struct Fill {
    bool waiting = false;
    std::uint8_t texel[16] = {};
  };
  std::size_t indexOf(NSUInteger slice, NSUInteger level) const;
  // Does the fill waiting for storage_[index], if any.
  void settle(std::size_t index) const;
  // The texel of the fill waiting for storage_[index], if any.
  bool waitingFill(std::size_t index, std::uint8_t texel[16]) const;

  TextureDescriptor d_;
  const PixelFormatInfo* info_;
  // slice * levels + level; a waiting fill is done even through a const
  // view, as it changes no texel anyone could see.
  mutable std::vector<std::vector<std::uint8_t>> storage_;
  mutable std::mutex fillMutex_;
  mutable std::vector<Fill> fills_;  // as storage_, guarded by fillMutex_
  mutable std::atomic<unsigned> waitingFills_{0};
  std::string label_;
  std::uint64_t id_;
  std::atomic<std::uint64_t> version_{0};
};

}  // namespace mtl
