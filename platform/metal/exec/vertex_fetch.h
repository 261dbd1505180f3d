// Reading vertex attributes out of vertex buffers: every vertex format,
// converted to the kind the function declares. Normalised formats give
// c / (2^n - 1) (unsigned) or max(c / (2^(n-1) - 1), -1) (signed); other
// integer formats give the integer by value, also into float attributes;
// components the format lacks come from (0, 0, 0, 1). Bytes beyond the
// buffer's end read as zero.
#pragma once

#include <cstdint>

#include "platform/metal/msl/types.h"
#include "platform/metal/types.h"

namespace mtl::exec {

// Bytes of one element of the format (0 for Invalid).
unsigned vertexFormatSize(VertexFormat format);

// The format's components as numbers and how many it has.
struct VertexValue {
  double value[4] = {0, 0, 0, 1};
  unsigned count = 0;
  bool integer = false;  // not normalised, not floating
};
VertexValue decodeVertexFormat(VertexFormat format, const std::uint8_t* bytes);

// Reads the element at byte `at` of a buffer of `length` bytes into
// `components` register components of `kind`.
void fetchAttribute(VertexFormat format, const std::uint8_t* buffer, std::uint64_t length,
                    std::uint64_t at, bool atValid, msl::Scalar kind, unsigned components,
                    std::uint32_t out[4]);

// fetchAttribute() for `count` vertices at once: the element at byte at[l]
// (where valid[l]) into out[c][l], the format's case chosen once.
void fetchAttributes(VertexFormat format, const std::uint8_t* buffer, std::uint64_t length,
                     const std::uint64_t* at, const bool* valid, unsigned count, msl::Scalar kind,
                     unsigned components, std::uint32_t* const out[4]);

}  // namespace mtl::exec
