#include "platform/metal/exec/vertex_fetch.h"

#include <algorithm>
#include <cstring>

#include "platform/metal/exec/simd.h"
#include "platform/metal/half_float.h"
#include "platform/metal/msl/builtin_math.h"

namespace mtl::exec {
namespace {

enum class Kind : std::uint8_t { None, U8, S8, U16, S16, Half, Float, S32, U32 };

struct FormatInfo {
  Kind kind = Kind::None;
  unsigned count = 0;
  bool normalized = false;
};

FormatInfo infoOf(VertexFormat f) {
  using V = VertexFormat;
  switch (f) {
    case V::UChar2: return {Kind::U8, 2, false};
    case V::UChar3: return {Kind::U8, 3, false};
    case V::UChar4: return {Kind::U8, 4, false};
    case V::Char2: return {Kind::S8, 2, false};
    case V::Char3: return {Kind::S8, 3, false};
    case V::Char4: return {Kind::S8, 4, false};
    case V::UChar2Normalized: return {Kind::U8, 2, true};
    case V::UChar3Normalized: return {Kind::U8, 3, true};
    case V::UChar4Normalized: return {Kind::U8, 4, true};
    case V::Char2Normalized: return {Kind::S8, 2, true};
    case V::Char3Normalized: return {Kind::S8, 3, true};
    case V::Char4Normalized: return {Kind::S8, 4, true};
    case V::UShort2: return {Kind::U16, 2, false};
    case V::UShort3: return {Kind::U16, 3, false};
    case V::UShort4: return {Kind::U16, 4, false};
    case V::Short2: return {Kind::S16, 2, false};
    case V::Short3: return {Kind::S16, 3, false};
    case V::Short4: return {Kind::S16, 4, false};
    case V::UShort2Normalized: return {Kind::U16, 2, true};
    case V::UShort3Normalized: return {Kind::U16, 3, true};
    case V::UShort4Normalized: return {Kind::U16, 4, true};
    case V::Short2Normalized: return {Kind::S16, 2, true};
    case V::Short3Normalized: return {Kind::S16, 3, true};
    case V::Short4Normalized: return {Kind::S16, 4, true};
    case V::Half2: return {Kind::Half, 2, false};
    case V::Half3: return {Kind::Half, 3, false};
    case V::Half4: return {Kind::Half, 4, false};
    case V::Float: return {Kind::Float, 1, false};
    case V::Float2: return {Kind::Float, 2, false};
    case V::Float3: return {Kind::Float, 3, false};
    case V::Float4: return {Kind::Float, 4, false};
    case V::Int: return {Kind::S32, 1, false};
    case V::Int2: return {Kind::S32, 2, false};
    case V::Int3: return {Kind::S32, 3, false};
    case V::Int4: return {Kind::S32, 4, false};
    case V::UInt: return {Kind::U32, 1, false};
    case V::UInt2: return {Kind::U32, 2, false};
    case V::UInt3: return {Kind::U32, 3, false};
    case V::UInt4: return {Kind::U32, 4, false};
    case V::UChar: return {Kind::U8, 1, false};
    case V::Char: return {Kind::S8, 1, false};
    case V::UCharNormalized: return {Kind::U8, 1, true};
    case V::CharNormalized: return {Kind::S8, 1, true};
    case V::UShort: return {Kind::U16, 1, false};
    case V::Short: return {Kind::S16, 1, false};
    case V::UShortNormalized: return {Kind::U16, 1, true};
    case V::ShortNormalized: return {Kind::S16, 1, true};
    case V::Half: return {Kind::Half, 1, false};
    default: return {};
  }
}

unsigned kindSize(Kind k) {
  switch (k) {
    case Kind::U8: case Kind::S8: return 1;
    case Kind::U16: case Kind::S16: case Kind::Half: return 2;
    case Kind::Float: case Kind::S32: case Kind::U32: return 4;
    default: return 0;
  }
}

template <typename T>
T load(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

unsigned vertexFormatSize(VertexFormat format) {
  const FormatInfo info = infoOf(format);
  return info.count * kindSize(info.kind);
}

VertexValue decodeVertexFormat(VertexFormat format, const std::uint8_t* p) {
  const FormatInfo info = infoOf(format);
  VertexValue v;
  v.count = info.count;
  const unsigned size = kindSize(info.kind);
  v.integer = !info.normalized && info.kind != Kind::Half && info.kind != Kind::Float;
  for (unsigned c = 0; c < info.count; ++c) {
    const std::uint8_t* q = p + c * size;
    double x = 0;
    switch (info.kind) {
      case Kind::U8: x = load<std::uint8_t>(q); if (info.normalized) x /= 255.0; break;
      case Kind::S8: x = load<std::int8_t>(q); if (info.normalized) x = std::max(x / 127.0, -1.0); break;
      case Kind::U16: x = load<std::uint16_t>(q); if (info.normalized) x /= 65535.0; break;
      case Kind::S16: x = load<std::int16_t>(q); if (info.normalized) x = std::max(x / 32767.0, -1.0); break;
      case Kind::Half: x = halfToFloat(load<std::uint16_t>(q)); break;
      case Kind::Float: x = load<float>(q); break;
      case Kind::S32: x = load<std::int32_t>(q); break;
      case Kind::U32: x = load<std::uint32_t>(q); break;
      default: break;
    }
    v.value[c] = x;
  }
  return v;
}

namespace {

// The common cases into float attributes, wholly inside the buffer: a
// number of floats, or four normalised bytes. They give the bits the
// general path gives (a float passes through double, which quiets a
// signalling NaN), without going through double.
enum class Direct : std::uint8_t { none, floats, unorm8x4 };

Direct directCase(VertexFormat format, unsigned& floats) {
  switch (format) {
    case VertexFormat::Float4: floats = 4; return Direct::floats;
    case VertexFormat::Float3: floats = 3; return Direct::floats;
    case VertexFormat::Float2: floats = 2; return Direct::floats;
    case VertexFormat::Float: floats = 1; return Direct::floats;
    case VertexFormat::UChar4Normalized: floats = 0; return Direct::unorm8x4;
    default: return Direct::none;
  }
}

// A direct case wholly inside the buffer: `Floats` floats (0: four
// normalised bytes), all four components. False when the element reaches
// beyond the buffer.
template <unsigned Floats>
bool directElement(const std::uint8_t* p, std::uint64_t available, UInt4& v) {
  v = UInt4{0, 0, 0, 0x3F800000u};
  if constexpr (Floats == 0) {
    if (available < 4) return false;
    v = reinterpret_cast<UInt4>(Float4{kUnorm8[p[0]], kUnorm8[p[1]], kUnorm8[p[2]], kUnorm8[p[3]]});
  } else if (available >= sizeof v) {
    // The element's floats from one 16-byte load (the buffer goes on past
    // it), the rest kept: assembling them in memory would stall the load.
    UInt4 loaded;
    std::memcpy(&loaded, p, sizeof loaded);
    constexpr UInt4 kept = {Floats > 0 ? ~0u : 0u, Floats > 1 ? ~0u : 0u, Floats > 2 ? ~0u : 0u, Floats > 3 ? ~0u : 0u};
    v = (loaded & kept) | (v & ~kept);
  } else {
    if (available < 4 * Floats) return false;
    std::memcpy(&v, p, 4 * Floats);
  }
  // A float passes through double on the general path, which quiets a
  // signalling NaN.
  const UInt4 nan = ((v & 0x7F800000u) == 0x7F800000u) & ((v & 0x007FFFFFu) != 0);
  v |= nan & 0x00400000u;
  return true;
}

template <unsigned Floats>
bool fetchFloatDirect(const std::uint8_t* p, std::uint64_t available, unsigned components, std::uint32_t out[4]) {
  UInt4 v;
  if (!directElement<Floats>(p, available, v)) return false;
  std::memcpy(out, &v, sizeof v);
  for (unsigned c = components; c < 4; ++c) out[c] = 0;
  return true;
}

bool fetchFloatDirect(Direct direct, unsigned floats, const std::uint8_t* p, std::uint64_t available,
                      unsigned components, std::uint32_t out[4]) {
  if (direct == Direct::unorm8x4) return fetchFloatDirect<0>(p, available, components, out);
  switch (floats) {
    case 1: return fetchFloatDirect<1>(p, available, components, out);
    case 2: return fetchFloatDirect<2>(p, available, components, out);
    case 3: return fetchFloatDirect<3>(p, available, components, out);
    default: return fetchFloatDirect<4>(p, available, components, out);
  }
}

}  // namespace

void fetchAttribute(VertexFormat format, const std::uint8_t* buffer, std::uint64_t length,
                    std::uint64_t at, bool atValid, msl::Scalar kind, unsigned components,
                    std::uint32_t out[4]) {
  unsigned floats = 0;
  const Direct direct = directCase(format, floats);
  if (kind == msl::Scalar::Float && direct != Direct::none && buffer && atValid && at < length &&
      fetchFloatDirect(direct, floats, buffer + at, length - at, components, out)) {
    return;
  }
  std::uint8_t bytes[16] = {};
  const unsigned size = vertexFormatSize(format);
  if (buffer && atValid && at < length) {
    std::memcpy(bytes, buffer + at, static_cast<std::size_t>(std::min<std::uint64_t>(size, length - at)));
  }
  const VertexValue v = decodeVertexFormat(format, bytes);
  for (unsigned c = 0; c < 4; ++c) {
    const double x = c < v.count ? v.value[c] : (c == 3 ? 1.0 : 0.0);
    std::uint32_t bits = 0;
    if (c < components) {
      if (msl::isFloating(kind)) {
        bits = msl::math::asBits(msl::math::roundTo(kind, static_cast<float>(x)));
      } else if (kind == msl::Scalar::Bool) {
        bits = x != 0;
      } else if (v.integer || c >= v.count) {
        // Integers arrive by value, wrapped to the declared width.
        bits = msl::math::wrapInteger(kind, static_cast<std::uint32_t>(static_cast<std::int64_t>(x)));
      } else {
        bits = msl::math::floatToInteger(kind, static_cast<float>(x));
      }
    }
    out[c] = bits;
  }
}

void fetchAttributes(VertexFormat format, const std::uint8_t* buffer, std::uint64_t length,
                     const std::uint64_t* at, const bool* valid, unsigned count, msl::Scalar kind,
                     unsigned components, std::uint32_t* const out[4]) {
  unsigned floats = 0;
  const Direct direct = kind == msl::Scalar::Float && buffer ? directCase(format, floats) : Direct::none;
  const auto lanes = [&]<unsigned Floats>() {
    unsigned l = 0;
    // Four lanes at once where all four are direct: their elements turned
    // into the component rows.
    for (; l + 4 <= count; l += 4) {
      UInt4 v[4];
      bool direct = true;
      for (unsigned k = 0; k < 4 && direct; ++k) {
        direct = valid[l + k] && at[l + k] < length &&
                 directElement<Floats>(buffer + at[l + k], length - at[l + k], v[k]);
      }
      if (!direct) break;
      UInt4 rows[4];
      transpose4(v, rows);
      for (unsigned r = 0; r < 4; ++r) {
        const UInt4 row = r < components ? rows[r] : UInt4{};
        std::memcpy(out[r] + l, &row, sizeof row);
      }
    }
    for (; l < count; ++l) {
      std::uint32_t value[4];
      const bool done = valid[l] && at[l] < length &&
                        fetchFloatDirect<Floats>(buffer + at[l], length - at[l], components, value);
      if (!done) fetchAttribute(format, buffer, length, at[l], valid[l], kind, components, value);
      for (unsigned c = 0; c < 4; ++c) out[c][l] = value[c];
    }
  };
  if (direct == Direct::unorm8x4) return lanes.operator()<0>();
  if (direct == Direct::floats) {
    switch (floats) {
      case 1: return lanes.operator()<1>();
      case 2: return lanes.operator()<2>();
      case 3: return lanes.operator()<3>();
      default: return lanes.operator()<4>();
    }
  }
  for (unsigned l = 0; l < count; ++l) {
    std::uint32_t value[4];
    fetchAttribute(format, buffer, length, at[l], valid[l], kind, components, value);
    for (unsigned c = 0; c < 4; ++c) out[c][l] = value[c];
  }
}

}  // namespace mtl::exec
