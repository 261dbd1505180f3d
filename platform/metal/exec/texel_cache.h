// Decoded texels of the 8-bit colour textures that fragment stages sample:
// level 0 of an RGBA8Unorm or BGRA8Unorm 2-D texture as four floats a
// texel, red to alpha, the pixel codec's values, so that bilinear
// filtering reads them instead of decoding four bytes for each texel it
// weighs. Kept from pass to pass while the texture's contents stay the same
// (Texture::contentsVersion), within a memory budget; the least recently
// used go first.
//
// Thread rules: used by the GPU timeline only (the executor prepares a
// pass's draw states before its workers run). What it hands out is
// immutable and kept alive by its holders, whatever the cache drops.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/metal/exec/simd.h"
#include "platform/metal/texture.h"

namespace mtl::exec {

using DecodedTexels = std::vector<Float4>;  // row after row, width a row

class TexelCache {
 public:
  // The decoded texels of the texture's level 0, made when first asked for
  // or when its contents changed; null for other formats and kinds, and
  // for a texture larger than the budget allows.
  std::shared_ptr<const DecodedTexels> decoded(const Texture& texture);

  // At most this many bytes of decoded texels are kept.
  static constexpr std::size_t kBudgetBytes = std::size_t{64} << 20;

 private:
  struct Entry {
    std::uint64_t id = 0, version = 0, used = 0;
    std::shared_ptr<const DecodedTexels> texels;
  };
  std::vector<Entry> entries_;
  std::uint64_t clock_ = 0;
  std::size_t bytes_ = 0;
};

}  // namespace mtl::exec
