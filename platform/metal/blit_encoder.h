// Copies between buffers and textures, and mipmap generation.
#pragma once

#include <memory>

#include "platform/metal/command_encoder.h"
#include "platform/metal/types.h"

namespace mtl {

class Buffer;
class Texture;

class BlitCommandEncoder : public CommandEncoder {
 public:
  void copyFromTexture(std::shared_ptr<Texture> source, NSUInteger sourceSlice,
                       NSUInteger sourceLevel, Origin sourceOrigin, Size sourceSize,
                       std::shared_ptr<Texture> destination, NSUInteger destinationSlice,
                       NSUInteger destinationLevel, Origin destinationOrigin);
  void copyFromBuffer(std::shared_ptr<Buffer> source, NSUInteger sourceOffset,
                      std::shared_ptr<Buffer> destination, NSUInteger destinationOffset,
                      NSUInteger size);
  void copyFromBuffer(std::shared_ptr<Buffer> source, NSUInteger sourceOffset,
                      NSUInteger sourceBytesPerRow, NSUInteger sourceBytesPerImage,
                      Size sourceSize, std::shared_ptr<Texture> destination,
                      NSUInteger destinationSlice, NSUInteger destinationLevel,
                      Origin destinationOrigin);
  void copyFromTexture(std::shared_ptr<Texture> source, NSUInteger sourceSlice,
                       NSUInteger sourceLevel, Origin sourceOrigin, Size sourceSize,
                       std::shared_ptr<Buffer> destination, NSUInteger destinationOffset,
                       NSUInteger destinationBytesPerRow, NSUInteger destinationBytesPerImage);
  void generateMipmapsForTexture(std::shared_ptr<Texture> texture);

 private:
  friend class CommandBuffer;
  explicit BlitCommandEncoder(std::shared_ptr<CommandBuffer> buffer);
  void checkLinear(const Buffer& buffer, NSUInteger offset, NSUInteger bytesPerRow,
                   const Texture& texture, const Region& region) const;
};

}  // namespace mtl
