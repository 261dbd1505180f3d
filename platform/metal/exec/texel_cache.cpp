#include "platform/metal/exec/texel_cache.h"

#include <algorithm>
#include <cstring>

namespace mtl::exec {
namespace {

std::shared_ptr<const DecodedTexels> decode(const Texture& t) {
  const bool bgra = t.pixelFormat() == PixelFormat::BGRA8Unorm;
  const std::size_t width = t.levelWidth(0), height = t.levelHeight(0);
  auto texels = std::make_shared<DecodedTexels>(width * height);
  const std::uint8_t* data = t.levelData(0, 0);
  const std::size_t stride = t.levelBytesPerRow(0);
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* row = data + y * stride;
    for (std::size_t x = 0; x < width; x += 4) {
      // Four texels as the four lanes of a vector, then channel by channel.
      UInt4 words = {};
      const std::size_t count = std::min<std::size_t>(4, width - x);
      std::memcpy(&words, row + x * 4, count * 4);
      const Float4 channels[4] = {unorm8Channel(words, bgra ? 2 : 0), unorm8Channel(words, 1),
                                  unorm8Channel(words, bgra ? 0 : 2), unorm8Channel(words, 3)};
      Float4 decoded[4];
      transpose4(channels, decoded);
      std::copy_n(decoded, count, texels->begin() + static_cast<std::ptrdiff_t>(y * width + x));
    }
  }
  return texels;
}

}  // namespace

std::shared_ptr<const DecodedTexels> TexelCache::decoded(const Texture& t) {
  const PixelFormat format = t.pixelFormat();
  if (t.textureType() != TextureType::Type2D ||
      (format != PixelFormat::RGBA8Unorm && format != PixelFormat::BGRA8Unorm)) {
    return nullptr;
  }
  const std::size_t size = std::size_t{t.levelWidth(0)} * t.levelHeight(0) * sizeof(Float4);
  if (size > kBudgetBytes / 4) return nullptr;
  ++clock_;
  const std::uint64_t version = t.contentsVersion();
  auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.id == t.id(); });
  if (found != entries_.end()) {
    found->used = clock_;
    if (found->version == version) return found->texels;
    bytes_ -= found->texels->size() * sizeof(Float4);
    entries_.erase(found);
  }
  while (bytes_ + size > kBudgetBytes && !entries_.empty()) {
    auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                   [](const Entry& a, const Entry& b) { return a.used < b.used; });
    bytes_ -= oldest->texels->size() * sizeof(Float4);
    entries_.erase(oldest);
  }
  entries_.push_back({t.id(), version, clock_, decode(t)});
  bytes_ += size;
  return entries_.back().texels;
}

}  // namespace mtl::exec
