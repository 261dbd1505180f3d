#include "platform/metal/blit_encoder.h"

#include <cstring>
#include <string>

#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/pixel_codec.h"
#include "platform/metal/texture.h"
#include "platform/metal/texture_operations.h"
#include "platform/metal/validation.h"

namespace mtl {
namespace {

// "x,y widthxheight" in the log.
struct RegionText {
  Origin origin;
  Size size;
};

void appendPart(std::string& text, RegionText r) {
  mtl::appendPart(text, r.origin.x);
  text += ',';
  mtl::appendPart(text, r.origin.y);
  text += ' ';
  mtl::appendPart(text, r.size.width);
  text += 'x';
  mtl::appendPart(text, r.size.height);
}

}  // namespace

BlitCommandEncoder::BlitCommandEncoder(std::shared_ptr<CommandBuffer> buffer)
    : CommandEncoder(std::move(buffer)) {
  log("blitCommandEncoder");
}

void BlitCommandEncoder::copyFromTexture(std::shared_ptr<Texture> source, NSUInteger sourceSlice,
                                         NSUInteger sourceLevel, Origin sourceOrigin,
                                         Size sourceSize, std::shared_ptr<Texture> destination,
                                         NSUInteger destinationSlice,
                                         NSUInteger destinationLevel,
                                         Origin destinationOrigin) {
  requireOpen("copyFromTexture");
  require(source && destination, "copyFromTexture needs two textures");
  require(source->pixelFormat() == destination->pixelFormat(),
          "copyFromTexture needs textures of the same pixel format");
  require(source->sampleCount() == destination->sampleCount(),
          "copyFromTexture needs textures of the same sample count");
  source->checkRegion({sourceOrigin, sourceSize}, sourceLevel, sourceSlice);
  destination->checkRegion({destinationOrigin, sourceSize}, destinationLevel, destinationSlice);
  log("copyFromTexture ", RegionText{sourceOrigin, sourceSize}, " level=", sourceLevel,
      " slice=", sourceSlice, " to ", RegionText{destinationOrigin, sourceSize},
      " level=", destinationLevel, " slice=", destinationSlice);
  buffer().addWork([=] {
    copyTexels(*source, sourceSlice, sourceLevel, sourceOrigin, sourceSize, *destination,
               destinationSlice, destinationLevel, destinationOrigin);
  });
}

void BlitCommandEncoder::copyFromBuffer(std::shared_ptr<Buffer> source, NSUInteger sourceOffset,
                                        std::shared_ptr<Buffer> destination,
                                        NSUInteger destinationOffset, NSUInteger size) {
  requireOpen("copyFromBuffer");
  require(source && destination, "copyFromBuffer needs two buffers");
  require(sourceOffset <= source->length() && size <= source->length() - sourceOffset &&
              destinationOffset <= destination->length() &&
              size <= destination->length() - destinationOffset,
          "copyFromBuffer range lies outside a buffer");
  log("copyFromBuffer ", sourceOffset, " to ", destinationOffset, " size=", size);
  buffer().addWork([=] {
    std::memmove(destination->gpuData() + destinationOffset, source->gpuData() + sourceOffset,
                 size);
  });
}

void BlitCommandEncoder::checkLinear(const Buffer& buffer, NSUInteger offset,
                                     NSUInteger bytesPerRow, const Texture& texture,
                                     const Region& region) const {
  require(texture.sampleCount() == 1, "Buffer copies need a single-sample texture");
  const PixelFormatInfo& info = texture.formatInfo();
  const NSUInteger rowBytes = mtl::bytesPerRow(info, region.size.width);
  require(bytesPerRow >= rowBytes, "bytesPerRow is smaller than one row of the region");
  const NSUInteger rows = blockRows(info, region.size.height);
  const NSUInteger needed = rows == 0 ? 0 : (rows - 1) * bytesPerRow + rowBytes;
  require(offset <= buffer.length() && needed <= buffer.length() - offset,
          "The copy runs past the end of the buffer");
}

void BlitCommandEncoder::copyFromBuffer(std::shared_ptr<Buffer> source, NSUInteger sourceOffset,
                                        NSUInteger sourceBytesPerRow, NSUInteger,
                                        Size sourceSize, std::shared_ptr<Texture> destination,
                                        NSUInteger destinationSlice,
                                        NSUInteger destinationLevel,
                                        Origin destinationOrigin) {
  requireOpen("copyFromBuffer");
  require(source && destination, "copyFromBuffer needs a buffer and a texture");
  const Region region{destinationOrigin, sourceSize};
  destination->checkRegion(region, destinationLevel, destinationSlice);
  checkLinear(*source, sourceOffset, sourceBytesPerRow, *destination, region);
  log("copyFromBuffer ", sourceOffset, " to texture ", RegionText{destinationOrigin, sourceSize},
      " level=", destinationLevel);
  buffer().addWork([=] {
    copyLinear(*destination, destinationSlice, destinationLevel, region,
               source->gpuData() + sourceOffset, sourceBytesPerRow, true);
  });
}

void BlitCommandEncoder::copyFromTexture(std::shared_ptr<Texture> source, NSUInteger sourceSlice,
                                         NSUInteger sourceLevel, Origin sourceOrigin,
                                         Size sourceSize, std::shared_ptr<Buffer> destination,
                                         NSUInteger destinationOffset,
                                         NSUInteger destinationBytesPerRow, NSUInteger) {
  requireOpen("copyFromTexture");
  require(source && destination, "copyFromTexture needs a texture and a buffer");
  const Region region{sourceOrigin, sourceSize};
  source->checkRegion(region, sourceLevel, sourceSlice);
  checkLinear(*destination, destinationOffset, destinationBytesPerRow, *source, region);
  log("copyFromTexture ", RegionText{sourceOrigin, sourceSize}, " level=", sourceLevel,
      " to buffer ", destinationOffset);
  buffer().addWork([=] {
    copyLinear(*source, sourceSlice, sourceLevel, region,
               destination->gpuData() + destinationOffset, destinationBytesPerRow, false);
  });
}

void BlitCommandEncoder::generateMipmapsForTexture(std::shared_ptr<Texture> texture) {
  requireOpen("generateMipmapsForTexture");
  require(texture != nullptr, "generateMipmapsForTexture needs a texture");
  require(texture->sampleCount() == 1 && isFilterable(texture->formatInfo()),
          "generateMipmapsForTexture needs a filterable single-sample color texture");
  log("generateMipmaps levels=", texture->mipmapLevelCount());
  buffer().addWork([texture] { generateMipmaps(*texture); });
}

}  // namespace mtl
