// The executor's batches of 16 lanes against the one-lane reference
// interpreter: every function of the shader corpus and of programs made
// to make lanes diverge (nested branches, loops left by break, continue
// and early return, discard, dynamic indexing, integers and halves), each
// lane fed its own random inputs. Outputs must agree bit for bit (any NaN
// matching any NaN).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "platform/metal/exec/lane_machine.h"
#include "platform/metal/msl/builtin_math.h"
#include "platform/metal/msl/compiler.h"
#include "platform/metal/msl/reference_interpreter.h"
#include "shader_samples.h"

namespace mtl::exec {
namespace {

using msl::CompiledFunction;
using msl::Register;

// Texture results the same for both executors: a function of the sources.
std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint32_t c, unsigned k) {
  std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 31u ^ c * 17u ^ k;
  return (h & 0x007FFFFFu) | 0x3F800000u;  // a float in [1, 2)
}

class ReferenceHooks : public msl::ExecutionHooks {
 public:
  void sample(const msl::Instruction& i, const Register& coordinate, const Register& first,
              const Register& second, Register& out) override {
    for (unsigned c = 0; c < 4; ++c) {
      if (i.mask & (1u << c)) out[c] = mix(coordinate[c], first[c], second[c], c);
    }
  }
  std::uint32_t textureSize(std::uint32_t slot, std::uint32_t level, unsigned d) override {
    return slot * 100 + level * 10 + d;
  }
  std::uint32_t textureLevels(std::uint32_t slot) override { return slot + 3; }
};

class BatchHooks : public LaneHooks {
 public:
  void sample(const msl::Instruction& i, const LaneRows& coordinate, const LaneRows& first,
              const LaneRows& second, LaneMask active, LaneRows& out) override {
    for (unsigned l = 0; l < kLanes; ++l) {
      if (!(active & (1u << l))) continue;
      for (unsigned c = 0; c < 4; ++c) {
        if (i.mask & (1u << c)) out[c].v[l] = mix(coordinate[c].v[l], first[c].v[l], second[c].v[l], c);
      }
    }
  }
  std::uint32_t textureSize(std::uint32_t slot, std::uint32_t level, unsigned d) override {
    return slot * 100 + level * 10 + d;
  }
  std::uint32_t textureLevels(std::uint32_t slot) override { return slot + 3; }
};

std::uint32_t randomComponent(std::mt19937& rng, msl::Scalar kind) {
  static const float specials[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 2.0f, 3.0f, -7.25f, 1e-40f,
                                   1e30f, std::numeric_limits<float>::infinity(),
                                   std::numeric_limits<float>::quiet_NaN(), 0.1f, 255.0f};
  if (msl::isFloating(kind)) {
    const unsigned pick = rng() % 4;
    float f = pick == 0 ? specials[rng() % std::size(specials)]
                        : std::uniform_real_distribution<float>(-4.0f, 4.0f)(rng);
    if (kind == msl::Scalar::Half) f = msl::math::roundTo(msl::Scalar::Half, f);
    return std::bit_cast<std::uint32_t>(f);
  }
  const std::uint32_t v = rng() % 3 == 0 ? rng() : rng() % 9;
  return msl::math::wrapInteger(kind, v - 4 * (rng() % 2));
}

struct Buffers {
  std::vector<std::vector<std::uint8_t>> data;
  void randomise(std::mt19937& rng) {
    data.assign(4, std::vector<std::uint8_t>(512));
    for (auto& d : data) {
      for (std::size_t k = 0; k < d.size(); k += 4) {
        const float f = std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng);
        std::uint32_t v = rng() % 2 ? std::bit_cast<std::uint32_t>(f) : rng() % 5;
        std::memcpy(d.data() + k, &v, 4);
      }
    }
  }
};

// Runs `f` on 16 lanes of random inputs both ways; returns how many lanes
// compared. With `writable`, lanes run one at a time (their writes to the
// shared buffers would otherwise interleave differently).
int compare(const CompiledFunction& f, std::mt19937& rng, bool writable) {
  Buffers shared;
  shared.randomise(rng);
  std::vector<std::array<Register, 64>> inputs(kLanes);
  for (unsigned l = 0; l < kLanes; ++l) {
    for (std::size_t k = 0; k < f.inputs.size() && k < 64; ++k) {
      for (unsigned c = 0; c < 4; ++c) {
        inputs[l][k][c] = c < f.inputs[k].components ? randomComponent(rng, f.inputs[k].scalar) : 0;
      }
    }
  }
  LaneProgram program(f);
  LaneMachine machine;
  machine.bind(program);
  BatchHooks batchHooks;
  Buffers batchBuffers = shared;
  auto views = [&](Buffers& b) {
    std::vector<LaneBuffer> v;
    for (auto& d : b.data) v.push_back({d.data(), d.size(), writable});
    return v;
  };
  auto load = [&](LaneMask) {
    machine.reset();
    for (unsigned l = 0; l < kLanes; ++l) {
      for (std::size_t k = 0; k < f.inputs.size() && k < 64; ++k) {
        for (unsigned c = 0; c < 4; ++c) machine.row(f.inputs[k].reg, c).v[l] = inputs[l][k][c];
      }
    }
  };
  std::vector<std::array<Register, 16>> batchOutputs(kLanes);
  LaneMask discarded = 0;
  std::vector<LaneBuffer> batchViews = views(batchBuffers);
  auto collect = [&](unsigned l) {
    for (std::size_t k = 0; k < f.outputs.size() && k < 16; ++k) {
      for (unsigned c = 0; c < 4; ++c) batchOutputs[l][k][c] = machine.row(f.outputs[k].reg, c).v[l];
    }
  };
  if (writable) {
    for (unsigned l = 0; l < kLanes; ++l) {
      load(1u << l);
      EXPECT_TRUE(machine.run(1u << l, batchViews.data(), batchViews.size(), &batchHooks, false));
      discarded |= machine.discarded();
      collect(l);
    }
  } else {
    load(kAllLanes);
    EXPECT_TRUE(machine.run(kAllLanes, batchViews.data(), batchViews.size(), &batchHooks, false));
    discarded = machine.discarded();
    for (unsigned l = 0; l < kLanes; ++l) collect(l);
  }

  ReferenceHooks referenceHooks;
  Buffers referenceBuffers = shared;
  int compared = 0;
  for (unsigned l = 0; l < kLanes; ++l) {
    msl::Invocation inv = msl::prepareInvocation(f);
    for (std::size_t k = 0; k < f.inputs.size() && k < 64; ++k) msl::setInput(inv, f.inputs[k], inputs[l][k]);
    std::vector<msl::BufferView> v;
    for (auto& d : referenceBuffers.data) v.push_back({d.data(), d.size(), writable});
    msl::interpret(f, inv, v, &referenceHooks);
    EXPECT_TRUE(inv.finished);
    EXPECT_EQ(inv.discarded, ((discarded >> l) & 1) != 0) << f.name << " lane " << l;
    if (inv.discarded) continue;
    for (std::size_t k = 0; k < f.outputs.size() && k < 16; ++k) {
      const Register expected = msl::output(inv, f.outputs[k]);
      for (unsigned c = 0; c < f.outputs[k].components; ++c) {
        // A NaN's sign and payload depend on the order the compiler gave
        // the operands of a commutative operation: any NaN matches a NaN.
        const bool floating = msl::isFloating(f.outputs[k].scalar);
        if (floating && std::isnan(std::bit_cast<float>(expected[c])) &&
            std::isnan(std::bit_cast<float>(batchOutputs[l][k][c]))) {
          continue;
        }
        EXPECT_EQ(batchOutputs[l][k][c], expected[c])
            << f.name << " lane " << l << " output " << f.outputs[k].name << "." << c;
      }
    }
    ++compared;
  }
  EXPECT_EQ(batchBuffers.data, referenceBuffers.data) << f.name;
  return compared;
}

const char* kDivergent = R"(
struct In { float a [[user(a)]]; float b [[user(b)]]; int n [[user(n), flat]];
            half h [[user(h)]]; uint u [[user(u), flat]]; };
struct Out { float4 c [[color(0)]]; int4 i [[color(1)]]; };
struct Data { float table[8]; int counts[4]; };

static float helper(float x, int n) {
  if (n < 0) return -x;            // an early return from inside an inlined call
  for (int i = 0; i < n; ++i) {
    if (x > 10.0) return x;        // leaves the loop and the call
    x = x * 1.5 + 0.25;
  }
  return x + 1.0;
}

fragment Out branches(In in [[stage_in]], constant Data& d [[buffer(0)]]) {
  Out o;
  float x = in.a;
  if (in.a > 0.0) {
    if (in.b > in.a) { x = in.b - in.a; } else { x = d.table[in.u & 7u]; }
  } else if (in.b < -1.0) {
    x = sqrt(fabs(in.b)) * d.table[3];
  } else {
    x = in.a * in.b;
  }
  int k = 0;
  int steps = clamp(in.n, -2, 9);
  while (k < steps) {
    k += 1;
    if ((k & 1) == 0) continue;
    if (x > 100.0 || isnan(x)) break;
    x = x * 2.0 + float(k);
  }
  float h = helper(x, steps - 3);
  half q = in.h * half(2.5) + half(k);
  o.c = float4(x, h, float(q), float(k));
  o.i = int4(k, steps, int(in.u % 5u), d.counts[in.u & 3u]);
  return o;
}

fragment float4 discarding(In in [[stage_in]], device Data& d [[buffer(1)]]) {
  if (in.a < -1.0) discard_fragment();
  float arr[4] = {in.a, in.b, 1.0, 2.0};
  int j = in.n & 7;
  arr[j & 3] += 1.0;
  float v = arr[(j + 1) & 3];
  for (int i = 0; i < 3; ++i) {
    if (in.b > float(i)) { d.table[i] = v; break; }
  }
  return float4(v, arr[0], arr[j % 4], select(in.a, in.b, in.a > in.b));
}

struct VIn { float4 p [[attribute(0)]]; float2 t [[attribute(1)]]; int4 m [[attribute(2)]]; };
struct VOut { float4 p [[position]]; float2 t; float s [[point_size]]; };
vertex VOut vertices(VIn in [[stage_in]], constant float4x4& mvp [[buffer(0)]]) {
  VOut o;
  o.p = mvp * in.p;
  o.p.z = (o.p.z + o.p.w) * 0.5;
  o.t = in.t * float2(in.m.xy);
  o.s = in.m.z > 0 ? length(in.p.xyz) : normalize(in.p).w;
  if (in.m.w == 3) o.t = reflect(o.t, float2(0.6, 0.8));
  return o;
}

fragment float4 textured(In in [[stage_in]], texture2d<float> t [[texture(0)]],
                         texture2d<float> u [[texture(2)]], sampler s [[sampler(0)]]) {
  float4 c = t.sample(s, float2(in.a, in.b));
  if (in.n > 2) c += u.sample(s, float2(in.b, in.a), level(float(in.n)));
  return c * float(t.get_width() + u.get_num_mip_levels());
}
)";

TEST(RasterLanes, BatchesComputeWhatTheReferenceInterpreterComputes) {
  std::vector<std::string> sources;
  for (const auto& [name, source] : msl::test::acceptedPrograms()) sources.push_back(source);
  sources.push_back(msl::test::kPrelude + kDivergent);
  std::mt19937 rng(27);
  int functions = 0, lanes = 0;
  for (const std::string& source : sources) {
    msl::CompileResult r = msl::compile(source);
    ASSERT_TRUE(r.ok()) << r.errors;
    for (const auto& f : r.functions) {
      ++functions;
      for (int round = 0; round < 12; ++round) {
        lanes += compare(*f, rng, false);
        lanes += compare(*f, rng, true);
      }
    }
  }
  EXPECT_GE(functions, 10);
  EXPECT_GE(lanes, functions * 12 * 2 * 8);  // most lanes are compared, not discarded
}

// A dynamic index one past a vector's last component reads 0 in every lane
// (so do negative ones), the others their own component: against values
// written here, not the reference interpreter, which rests on the same
// rule.
TEST(RasterLanes, ADynamicIndexAtTheVectorsLengthReadsZero) {
  msl::CompileResult r = msl::compile(msl::test::kPrelude + R"(
struct In { float4 p [[position]]; int n [[user(n), flat]]; };
fragment float4 pick(In in [[stage_in]]) {
  float4 v = float4(1.0, 2.0, 3.0, 4.0);
  float3 t = float3(5.0, 6.0, 7.0);
  float2 u = float2(8.0, 9.0);
  return float4(v[in.n], t[in.n - 1], u[in.n - 2], 0.0);
}
)");
  ASSERT_TRUE(r.ok()) << r.errors;
  const CompiledFunction& f = *r.functions[0];
  LaneProgram program(f);
  LaneMachine machine;
  machine.bind(program);
  machine.reset();
  auto indexOf = [](unsigned lane) { return static_cast<int>(lane % 6) - 1; };  // -1 to 4
  for (const msl::InterfaceValue& input : f.inputs) {
    if (input.name != "n") continue;
    for (unsigned l = 0; l < kLanes; ++l)
      machine.row(input.reg, 0).v[l] = static_cast<std::uint32_t>(indexOf(l));
  }
  ASSERT_TRUE(machine.run(kAllLanes, nullptr, 0, nullptr, false));
  auto component = [](int index, int length, float first) {
    return index >= 0 && index < length ? first + static_cast<float>(index) : 0.0f;
  };
  int zeros = 0;
  for (unsigned l = 0; l < kLanes; ++l) {
    const int n = indexOf(l);
    const float want[3] = {component(n, 4, 1), component(n - 1, 3, 5), component(n - 2, 2, 8)};
    for (unsigned c = 0; c < 3; ++c) {
      EXPECT_EQ(std::bit_cast<float>(machine.row(f.outputs[0].reg, c).v[l]), want[c])
          << "lane " << l << " index " << n << " component " << c;
      zeros += want[c] == 0.0f;
    }
  }
  EXPECT_GT(zeros, 8);
}

TEST(RasterLanes, ALoopThatNeverEndsStopsAtTheStepLimit) {
  msl::CompileResult r = msl::compile(msl::test::kPrelude + R"(
fragment float4 spin(float4 p [[position]]) {
  float x = p.x;
  while (x > -1.0) { x = x + 1.0; }
  return float4(x);
}
)");
  ASSERT_TRUE(r.ok()) << r.errors;
  LaneProgram program(*r.functions[0]);
  LaneMachine m;
  m.bind(program);
  m.reset();
  EXPECT_FALSE(m.run(kAllLanes, nullptr, 0, nullptr, true, 10000));
}

TEST(RasterLanes, QuadLanesFollowThePixelsOfTheirBlock) {
  for (unsigned y = 0; y < 4; ++y) {
    for (unsigned x = 0; x < 4; ++x) {
      const unsigned lane = laneOfPixel(x, y);
      EXPECT_EQ(pixelXOfLane(lane), x);
      EXPECT_EQ(pixelYOfLane(lane), y);
      EXPECT_EQ(lane / 4, (y / 2) * 2 + x / 2);  // the quad of the 2 x 2 pixels
    }
  }
}

}  // namespace
}  // namespace mtl::exec
