// Texture sampling as the OpenGL ES 3.0 specification describes it
// (3.8.9-3.8.11), which Metal's sample() follows:
//   - level of detail from the scale factor rho = max(|d(u,v)/dx|,
//     |d(u,v)/dy|) in texels of level 0, lambda = log2(rho) + bias, clamped
//     to [lodMinClamp, lodMaxClamp]; an explicit level or gradients replace
//     the derivatives of the quad;
//   - magnification when lambda <= 0 (the mag filter on level 0), else the
//     min filter on the level the mip filter selects (nearest: the level
//     ceil(lambda + 1/2) - 1; linear: floor(lambda) and the next, mixed by
//     frac(lambda));
//   - nearest: the texel floor(u); linear: the 2 x 2 texels around u - 1/2
//     weighted by the fractions;
//   - ClampToEdge, Repeat and MirrorRepeat applied to texel indices
//     (table 3.22);
//   - cube maps: the face by the major axis (table 3.21), each face clamped
//     to its edges;
//   - maxAnisotropy above 1: EXT_texture_filter_anisotropic's N samples
//     along the footprint's major axis at lambda = log2(Pmax / N);
//   - sRGB texels decoded before filtering; depth compare per texel
//     (reference OP texel, reference clamped to [0, 1] for Depth16Unorm),
//     then filtered.
// Integer textures are read with nearest filtering.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/metal/exec/lane_machine.h"
#include "platform/metal/exec/simd.h"
#include "platform/metal/exec/texel_cache.h"
#include "platform/metal/states.h"
#include "platform/metal/texture.h"

namespace mtl::exec {

// What sampling needs of one bound texture.
struct BoundTexture {
  const Texture* texture = nullptr;
  bool depth = false;  // bound to a depth2d argument
  // Level 0 decoded (texel_cache.h), where the fast paths keep it.
  std::shared_ptr<const DecodedTexels> decoded;
};

// One level of one slice of a texture, as sampling reads it.
struct LevelView {
  const std::uint8_t* data = nullptr;
  std::uint64_t stride = 0;
  std::int64_t width = 0, height = 0;
  const PixelFormatInfo* info = nullptr;
};

// One sampling instruction of a fragment function prepared once per draw
// state for quads (StageTextures::sampleQuad): the chart's case (an 8-bit
// 2-D texture filtered linearly, clamped to its edges, without levels of
// detail) read straight from its level, anything else through sample().
struct QuadSampler {
  const msl::Instruction* instruction = nullptr;
  bool direct = false;
  LevelView level;
  bool bgra = false;
  const DecodedTexels* decoded = nullptr;  // kept alive by the state's binding
};
QuadSampler prepareQuadSampler(const msl::Instruction& instruction,
                               const std::array<BoundTexture, kMaxTextureBindings>& textures,
                               const std::array<const SamplerDescriptor*, kMaxSamplerBindings>& samplers);

// Texture access for one stage of one draw.
class StageTextures : public LaneHooks {
 public:
  // `fragment`: lanes are quads and implicit levels of detail come from
  // their derivatives; vertex lanes sample level 0 (plus any bias).
  void bind(const std::array<BoundTexture, kMaxTextureBindings>* textures,
            const std::array<const SamplerDescriptor*, kMaxSamplerBindings>* samplers,
            bool fragment);

  // Lanes whose results matter (helper lanes of a function that never
  // reads another lane's values need no texels); all by default.
  void restrictLanes(LaneMask lanes) { needed_ = lanes; }

  void sample(const msl::Instruction& instruction, const LaneRows& coordinate,
              const LaneRows& first, const LaneRows& second, LaneMask active,
              LaneRows& out) override;
  // sample() of a 2-D coordinate in the four lanes of one quad, given side
  // by side: lane k of out[c] is channel c of lane k, for the lanes in
  // `lanes`.
  void sampleQuad(const QuadSampler& sampler, Float4 u, Float4 v, unsigned lanes, Float4 out[4]);
  std::uint32_t textureSize(std::uint32_t slot, std::uint32_t level, unsigned dimension) override;
  std::uint32_t textureLevels(std::uint32_t slot) override;

 private:
  void sampleBytes(const BoundTexture& bound, const SamplerDescriptor& sampler, bool bgra,
                   const LaneRows& coordinate, LaneMask active, LaneRows& out);

  const std::array<BoundTexture, kMaxTextureBindings>* textures_ = nullptr;
  const std::array<const SamplerDescriptor*, kMaxSamplerBindings>* samplers_ = nullptr;
  bool fragment_ = false;
  LaneMask needed_ = kAllLanes;
};

// Whether the level of detail can change what the sampler returns: not
// without mipmaps, with one filter for both cases and no anisotropy.
bool levelOfDetailMatters(const SamplerDescriptor& sampler);

// One lookup, for tests and for the lanes: `coordinate` has two (2D) or
// three (cube) components; `lod` is the level of detail already clamped,
// `gradients` (texels of level 0 per pixel, x then y, u then v) drive
// anisotropic filtering when maxAnisotropy > 1 (null: none). `compare`:
// sample_compare's reference. Result: four components as float.
struct SampleRequest {
  float coordinate[3] = {};
  bool cube = false;
  float lod = 0;
  const float* gradients = nullptr;  // dudx, dvdx, dudy, dvdy
  bool compare = false;
  float reference = 0;
};
std::array<float, 4> sampleTexture(const Texture& texture, const SamplerDescriptor& sampler,
                                   const SampleRequest& request);

// The level of detail from texel-space derivatives (before bias and
// clamping), and the cube face and face coordinates of a direction.
float levelOfDetail(float dudx, float dvdx, float dudy, float dvdy);
unsigned cubeFace(const float direction[3], float& s, float& t);

}  // namespace mtl::exec
