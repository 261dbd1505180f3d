// Memory filled with copies of one encoded texel: the block fill behind
// clears, whatever the texel's size.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mtl {

// Fills `length` bytes with copies of the `size`-byte texel (a memset where
// its bytes are all alike; a last partial copy where `size` does not divide
// `length`).
void fillWithTexel(std::uint8_t* out, std::size_t length, const std::uint8_t* texel, std::size_t size);

}  // namespace mtl
