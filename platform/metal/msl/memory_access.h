// One component of a buffer as register bits and back (bytecode.h's
// values): the reference interpreter, the GPU's lanes and the specialiser
// read and write memory through these.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/metal/half_float.h"
#include "platform/metal/msl/builtin_math.h"
#include "platform/metal/msl/types.h"

namespace mtl::msl {

inline std::uint32_t readComponent(const std::uint8_t* p, Scalar kind) {
  switch (scalarSize(kind)) {
    case 1: {
      const std::uint8_t b = *p;
      return kind == Scalar::Bool ? (b != 0) : math::wrapInteger(kind, b);
    }
    case 2: {
      std::uint16_t h;
      std::memcpy(&h, p, 2);
      if (kind == Scalar::Half) return math::asBits(halfToFloat(h));
      return math::wrapInteger(kind, h);
    }
    default: {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

inline void writeComponent(std::uint8_t* p, Scalar kind, std::uint32_t v) {
  switch (scalarSize(kind)) {
    case 1: *p = static_cast<std::uint8_t>(v); break;
    case 2: {
      const std::uint16_t h = kind == Scalar::Half ? floatToHalf(math::asFloat(v))
                                                   : static_cast<std::uint16_t>(v);
      std::memcpy(p, &h, 2);
      break;
    }
    default: std::memcpy(p, &v, 4);
  }
}

// A component at byte `at` of a buffer of `length` bytes: 0 beyond it.
inline std::uint32_t readComponent(const std::uint8_t* data, std::uint64_t length, std::uint64_t at,
                                   Scalar kind) {
  const unsigned size = scalarSize(kind);
  return data && at <= length && length - at >= size ? readComponent(data + at, kind) : 0;
}

}  // namespace mtl::msl
