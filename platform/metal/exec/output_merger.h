// What happens to each covered sample after (or, with early tests,
// before) the fragment function: stencil and depth tests and their
// writes, then blending and the colour write.
//
// Depth is compared in the attachment's precision (Depth16Unorm as its
// 16-bit integer, Depth32Float as float), after depth bias and clamping to
// the viewport's depth range. Stencil is 8 bits: (reference & readMask)
// OP (stored & readMask), the facing's operations, writeMask applied.
// Blending follows Metal's equations in float: factors of source,
// destination and blend colour, Min and Max ignoring the factors; sources
// and the blend colour are clamped for normalised targets, sRGB targets
// blend in linear space; the pixel codec encodes the result, and the
// write mask keeps the channels it leaves out.
//
// BGRA8Unorm, RGBA8Unorm, Depth16Unorm and Depth32Float have direct paths
// that give the same bits as the codec's (fast_paths.h).
#pragma once

#include <array>
#include <cstdint>

#include "platform/metal/exec/fast_paths.h"
#include "platform/metal/exec/simd.h"
#include "platform/metal/pixel_format.h"
#include "platform/metal/states.h"

namespace mtl::exec {

// One level and slice of an attachment.
struct AttachmentView {
  std::uint8_t* data = nullptr;
  std::uint64_t stride = 0;  // bytes per row
  std::uint32_t samples = 1;
  std::int64_t width = 0, height = 0;
  const PixelFormatInfo* info = nullptr;
  std::uint8_t* at(std::int32_t x, std::int32_t y, unsigned sample) const {
    return data + static_cast<std::uint64_t>(y) * stride +
           (static_cast<std::uint64_t>(x) * samples + sample) * info->bytesPerBlock;
  }
  // Whether the 2 x 2 quad at (x, y) lies wholly inside: then its pixels
  // can be read and written as two rows, whichever of them are covered
  // (a quad never spans two tiles, so no other worker writes them).
  bool holdsQuad(std::int32_t x, std::int32_t y) const { return x + 1 < width && y + 1 < height; }
};

class DepthStencilUnit {
 public:
  // Attachments may be absent (data null); a missing state is Metal's
  // default: depth always passes and is not written, stencil keeps.
  void configure(const AttachmentView& depth, const AttachmentView& stencil,
                 const DepthStencilDescriptor* state, std::uint32_t frontReference,
                 std::uint32_t backReference, double zMin, double zMax);
  // Whether the unit does anything at all: a depth test that can fail, a
  // depth write or a stencil operation (decided once per draw state).
  bool active() const { return active_; }
  // Whether testQuad applies.
  bool quadTests() const { return quadTests_; }
  // Tests sample `sample` of pixel (x, y) at depth z (bias applied, not yet
  // clamped), applies the stencil operations and the depth write, and
  // tells whether the sample passed.
  bool test(std::int32_t x, std::int32_t y, unsigned sample, double z, bool front) const;
  // test() for the covered pixels of the 2 x 2 quad at (x, y) at once
  // (bits of `lanes` and z in quad order: (0,0), (1,0), (0,1), (1,1)),
  // where the attachment has one sample, a direct path and no stencil;
  // clears the failing lanes. False (nothing done) otherwise.
  bool testQuad(std::int32_t x, std::int32_t y, unsigned& lanes, const float* z) const;

 private:
  bool depthPasses(const std::uint8_t* at, double z) const;
  void writeDepth(std::uint8_t* at, double z) const;

  AttachmentView depth_, stencil_;
  CompareFunction depthCompare_ = CompareFunction::Always;
  bool depthWrite_ = false;
  StencilDescriptor front_, back_;
  std::uint32_t frontReference_ = 0, backReference_ = 0;
  bool stencilUsed_ = false;  // anything but always/keep
  bool active_ = false;
  double zMin_ = 0, zMax_ = 1;
  // The depth range as floats, where that is exact (then clamping a float
  // depth in float gives what clamping it in double does).
  bool floatRange_ = true;
  float zMinFloat_ = 0, zMaxFloat_ = 1;
  bool quadTests_ = false;       // testQuad applies (fast paths on when configured)
  bool wholeFloatQuads_ = false;  // and reads a Depth32Float quad inside as two rows
};

// A fragment's colour for one attachment: floats for normalised and float
// targets, the integer bits for integer ones.
struct SourceColor {
  float value[4] = {0, 0, 0, 1};
  std::uint32_t bits[4] = {};
  bool isSigned = false;  // bits are signed integers
};

class ColorUnit {
 public:
  void configure(const AttachmentView& view, const RenderPipelineColorAttachmentDescriptor& blend,
                 const std::array<float, 4>& blendColor);
  bool active() const { return view_.data != nullptr; }
  // Blends and writes the colour into the samples set in `samples`.
  void write(std::int32_t x, std::int32_t y, std::uint8_t samples, const SourceColor& color) const;
  // The same for the covered pixels of the 2 x 2 quad at (x, y) at once,
  // from the float colour's four components (four lanes each, in quad
  // order), where the target has a direct path and one sample; false
  // (nothing written) otherwise.
  bool writeQuad(std::int32_t x, std::int32_t y, unsigned lanes, const std::uint32_t* const rows[4],
                 bool alphaToOne) const;
  // Whether writeQuad applies; then writeQuadColor takes the colour as
  // four channels of four lanes.
  bool directQuads() const { return directQuads_; }
  void writeQuadColor(std::int32_t x, std::int32_t y, unsigned lanes, const Float4 color[4], bool alphaToOne) const {
    if (bgra_) {
      writeQuadAs<true>(x, y, lanes, color, alphaToOne);
    } else {
      writeQuadAs<false>(x, y, lanes, color, alphaToOne);
    }
  }

 private:
  void writeGeneric(std::uint8_t* at, const SourceColor& color) const;
  void writeByte4(std::uint8_t* at, const float source[4]) const;
  template <bool Bgra>
  void writeQuadAs(std::int32_t x, std::int32_t y, unsigned lanes, const Float4 color[4], bool alphaToOne) const;

  AttachmentView view_;
  RenderPipelineColorAttachmentDescriptor blend_;
  std::array<float, 4> blendColor_{0, 0, 0, 0};
  enum class Kind : std::uint8_t { Float, Unorm, Snorm, Integer } kind_ = Kind::Float;
  bool byte4_ = false;   // BGRA8Unorm or RGBA8Unorm on the direct path
  bool bgra_ = false;
  // The blend equations the chart uses get straight-line code in
  // writeQuad (the same operations as the general one).
  enum class Equation : std::uint8_t { replace, sourceOver, additive, premultiplied, general };
  Equation equation_ = Equation::replace;
  bool directQuads_ = false;  // writeQuad applies (fast paths on when configured)
  std::uint32_t writtenBytes_ = ~0u;  // the bytes of a byte-4 texel the write mask lets through
};

// The blend equation on one pixel in float: source, destination (decoded,
// linear), blend colour, for tests.
void blendColors(const RenderPipelineColorAttachmentDescriptor& blend, const float source[4],
                 const float destination[4], const float constant[4], float out[4]);

}  // namespace mtl::exec
