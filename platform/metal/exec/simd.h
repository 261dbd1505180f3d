// Four lanes side by side: the vector types the executor's fast paths
// compute in (SSE2 registers, which every x86-64 has; elsewhere whatever
// the compiler makes of them), and the few operations whose exact IEEE
// behaviour the paths rely on to give the general code's bits.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

namespace mtl::exec {

using Float4 = float __attribute__((vector_size(16)));
using Int4 = std::int32_t __attribute__((vector_size(16)));
using UInt4 = std::uint32_t __attribute__((vector_size(16)));
using Double2 = double __attribute__((vector_size(16)));
using Int2 = std::int32_t __attribute__((vector_size(8)));
using UInt64x2 = std::uint64_t __attribute__((vector_size(16)));

inline Float4 loadFloat4(const void* p) {
  Float4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void storeFloat4(void* p, Float4 v) { std::memcpy(p, &v, sizeof v); }
inline Float4 splat(float v) { return Float4{v, v, v, v}; }

// All ones in lane k where bit k of `lanes` (below 16) is set.
namespace detail {
constexpr UInt4 laneSelectOf(unsigned lanes) {
  return UInt4{lanes & 1u ? ~0u : 0u, lanes & 2u ? ~0u : 0u, lanes & 4u ? ~0u : 0u, lanes & 8u ? ~0u : 0u};
}
template <unsigned... N>
constexpr std::array<UInt4, sizeof...(N)> laneSelectTable(std::integer_sequence<unsigned, N...>) {
  return {laneSelectOf(N)...};
}
inline constexpr std::array<UInt4, 16> kLaneSelect = laneSelectTable(std::make_integer_sequence<unsigned, 16>{});
}  // namespace detail
inline UInt4 laneSelect(unsigned lanes) { return detail::kLaneSelect[lanes & 0xFu]; }

// Four vectors of four lanes turned about: lane k of out[r] is lane r of
// in[k] (the components of four lanes into the lanes of four components).
template <typename V>
inline void transpose4(const V in[4], V out[4]) {
  const V a = __builtin_shufflevector(in[0], in[1], 0, 4, 1, 5);
  const V b = __builtin_shufflevector(in[2], in[3], 0, 4, 1, 5);
  const V c = __builtin_shufflevector(in[0], in[1], 2, 6, 3, 7);
  const V d = __builtin_shufflevector(in[2], in[3], 2, 6, 3, 7);
  out[0] = __builtin_shufflevector(a, b, 0, 1, 4, 5);
  out[1] = __builtin_shufflevector(a, b, 2, 3, 6, 7);
  out[2] = __builtin_shufflevector(c, d, 0, 1, 4, 5);
  out[3] = __builtin_shufflevector(c, d, 2, 3, 6, 7);
}

// The four 32-bit texels of a 2 x 2 quad whose top-left one is at `corner`
// (rows `stride` bytes apart), in quad order, and back.
// (Each row through a 64-bit scalar: halves written into a vector in
// memory would stall the load of the whole.)
inline UInt4 loadQuad(const std::uint8_t* corner, std::uint64_t stride) {
  std::uint64_t top, bottom;
  std::memcpy(&top, corner, 8);
  std::memcpy(&bottom, corner + stride, 8);
  return reinterpret_cast<UInt4>(UInt64x2{top, bottom});
}
inline void storeQuad(std::uint8_t* corner, std::uint64_t stride, UInt4 v) {
  const UInt64x2 rows = reinterpret_cast<UInt64x2>(v);
  const std::uint64_t top = rows[0], bottom = rows[1];
  std::memcpy(corner, &top, 8);
  std::memcpy(corner + stride, &bottom, 8);
}

// The byte of an RGBA8 or BGRA8 texel holding each channel, red to alpha.
namespace detail {
inline constexpr unsigned kRgbaSlots[4] = {0, 1, 2, 3}, kBgraSlots[4] = {2, 1, 0, 3};
}  // namespace detail
constexpr const unsigned* byteSlots(bool bgra) { return bgra ? detail::kBgraSlots : detail::kRgbaSlots; }

// Each byte's value as a normalised 8-bit channel, the pixel codec's
// float(b / 255.0), worked out at compile time.
namespace detail {
constexpr std::array<float, 256> unorm8Values() {
  std::array<float, 256> values{};
  for (int b = 0; b < 256; ++b) values[static_cast<std::size_t>(b)] = static_cast<float>(b / 255.0);
  return values;
}
}  // namespace detail
inline constexpr std::array<float, 256> kUnorm8 = detail::unorm8Values();

// Byte `b` of each 32-bit lane as a normalised 8-bit channel: b / 255 in
// float, the same as kUnorm8[b] for every byte value (a test checks all
// 256).
inline Float4 unorm8Channel(UInt4 texels, unsigned byte) {
  return __builtin_convertvector(reinterpret_cast<Int4>((texels >> (8 * byte)) & 0xFFu), Float4) / 255.0f;
}

// A normalised 8-bit channel of each lane's value in [0, 1]: v times 255
// plus one half, truncated, as the codec computes it in double. In float,
// that sum rounds up past the next whole number for 128 values of v (and
// never down): then v * 255 < n - 1/2 exactly, which v * 256 - (n - 1/2)
// < v tells exactly (both sides of that difference are exact in float
// and within a factor of two where it matters). A test checks every v near
// a rounding point.
inline Int4 unorm8Lanes(Float4 v) {
  const Int4 rounded = __builtin_convertvector(v * 255.0f + 0.5f, Int4);
  const Float4 half = __builtin_convertvector(rounded, Float4) - 0.5f;
  return rounded + reinterpret_cast<Int4>(v * 256.0f - half < v);  // the comparison's -1 where too high
}

// std::clamp(v, low, high) in each lane: low where v < low, high where
// high < v, else v (a NaN stays).
inline Float4 clampLanes(Float4 v, Float4 low, Float4 high) {
#if defined(__SSE2__)
  // maxps(a, b) is a > b ? a : b and minps(a, b) a < b ? a : b, the second
  // operand where either is NaN: the same choices.
  return __builtin_ia32_minps(high, __builtin_ia32_maxps(low, v));
#else
  v = v < low ? low : v;
  return high < v ? high : v;
#endif
}

// Bit k set where lane k of a comparison result (all ones or zero) is set.
inline unsigned laneMask(Int4 v) {
#if defined(__SSE2__)
  return static_cast<unsigned>(__builtin_ia32_movmskps(reinterpret_cast<Float4>(v)));
#else
  return (v[0] ? 1u : 0u) | (v[1] ? 2u : 0u) | (v[2] ? 4u : 0u) | (v[3] ? 8u : 0u);
#endif
}

}  // namespace mtl::exec
