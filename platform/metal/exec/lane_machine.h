// Runs a compiled function for a batch of 16 lanes at once (16 vertices,
// or the 16 pixels of a 4 x 4 block), in lockstep under execution masks.
//
// Registers are kept lane by lane: one row of 16 values per register
// component, so each instruction is a loop over lanes that the compiler
// vectorises. Every lane computes exactly what the one-lane reference
// interpreter (msl/reference_interpreter.h) computes, bit for bit: the
// arithmetic is the same (msl/builtin_math.h), only its order across lanes
// differs. Inactive lanes may compute garbage but write nothing.
//
// Fragment lanes are four 2 x 2 quads: lanes 4q..4q+3 are the pixels
// (0,0), (1,0), (0,1), (1,1) of quad q, and quads 0..3 lie at (0,0),
// (2,0), (0,2), (2,2) of the block, so dfdx and dfdy are differences
// within a quad.
//
// Thread rules: a machine belongs to one worker at a time; a prepared
// LaneProgram is immutable and shared by every worker.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/metal/msl/alu.h"
#include "platform/metal/msl/bytecode.h"

namespace mtl::exec {

constexpr unsigned kLanes = 16;
using LaneMask = std::uint32_t;
constexpr LaneMask kAllLanes = (1u << kLanes) - 1;

// One component of one register in every lane.
struct alignas(64) LaneRow {
  std::uint32_t v[kLanes];
};
using LaneRows = std::array<LaneRow, 4>;

inline float laneFloat(const LaneRow& row, unsigned lane) {
  float f;
  std::memcpy(&f, &row.v[lane], 4);
  return f;
}
inline void setLaneFloat(LaneRow& row, unsigned lane, float f) {
  std::memcpy(&row.v[lane], &f, 4);
}

// The lane of pixel (x, y) of a 4 x 4 block, and back.
constexpr unsigned laneOfPixel(unsigned x, unsigned y) {
  return ((y >> 1) * 2 + (x >> 1)) * 4 + (y & 1) * 2 + (x & 1);
}
constexpr unsigned pixelXOfLane(unsigned lane) { return ((lane >> 2) & 1) * 2 + (lane & 1); }
constexpr unsigned pixelYOfLane(unsigned lane) { return ((lane >> 3) & 1) * 2 + ((lane >> 1) & 1); }

// What the stage gives the machine: textures.
class LaneHooks {
 public:
  virtual ~LaneHooks() = default;
  // Sample or SampleCompare for the active lanes; the rows are the sources
  // as read (swizzled). `out` receives the result's components.
  virtual void sample(const msl::Instruction& instruction, const LaneRows& coordinate,
                      const LaneRows& first, const LaneRows& second, LaneMask active,
                      LaneRows& out) = 0;
  virtual std::uint32_t textureSize(std::uint32_t slot, std::uint32_t level,
                                    unsigned dimension) = 0;
  virtual std::uint32_t textureLevels(std::uint32_t slot) = 0;
};

// A buffer bound at a slot, as the function sees it.
struct LaneBuffer {
  std::uint8_t* data = nullptr;
  std::uint64_t length = 0;
  bool writable = false;
};

// What the machine needs of a function, worked out once.
class LaneProgram {
 public:
  // `pinned`: registers beyond the constants that hold a fixed value from
  // the start and are never written (msl/specializer.h).
  explicit LaneProgram(const msl::CompiledFunction& function,
                       std::vector<std::pair<std::uint16_t, msl::Register>> pinned = {});

  const msl::CompiledFunction& function() const { return *function_; }
  const std::vector<std::pair<std::uint16_t, msl::Register>>& pinned() const { return pinned_; }
  // For If, Loop and Block: the index of the matching EndIf, EndLoop or
  // EndBlock.
  std::uint32_t matchingEnd(std::size_t pc) const { return matchingEnd_[pc]; }
  // Register component rows that the code may read before writing them
  // (or that are outputs): these start at zero in every batch.
  const std::vector<std::uint32_t>& rowsToClear() const { return rowsToClear_; }

 private:
  const msl::CompiledFunction* function_;
  std::vector<std::pair<std::uint16_t, msl::Register>> pinned_;
  std::vector<std::uint32_t> matchingEnd_;
  std::vector<std::uint32_t> rowsToClear_;
};

class LaneMachine {
 public:
  // Instructions one batch may run before it is given up (a function that
  // never ends would otherwise hang the GPU).
  static constexpr std::uint64_t kDefaultStepLimit = std::uint64_t{1} << 22;

  // Sets up the registers for the program (constants in every lane).
  void bind(const LaneProgram& program);
  const LaneProgram* program() const { return program_; }

  // Clears what must start at zero; call before loading a batch's inputs.
  void reset();
  LaneRow& row(std::uint32_t reg, unsigned component) { return rows_[reg * 4 + component]; }
  const LaneRow& row(std::uint32_t reg, unsigned component) const {
    return rows_[reg * 4 + component];
  }

  // Runs the lanes in `active`. Returns false when the step limit was
  // reached. `quads` enables derivatives (fragment lanes).
  bool run(LaneMask active, const LaneBuffer* buffers, std::size_t bufferCount,
           LaneHooks* hooks, bool quads, std::uint64_t stepLimit = kDefaultStepLimit);
  // Lanes that executed Discard in the last run.
  LaneMask discarded() const { return discarded_; }

 private:
  // A control-flow construct being run.
  struct Frame {
    msl::Opcode kind;
    LaneMask saved = 0;  // If: lanes active at the If
    LaneMask other = 0;  // If: lanes of the Else branch; Loop: lanes that continued
    LaneMask left = 0;   // Loop, Block: lanes that broke out, waiting at the end
    std::uint32_t start = 0;
  };
  void alu(const msl::Instruction& i, LaneMask active);
  void memory(const msl::Instruction& i, LaneMask active, const LaneBuffer* buffers,
              std::size_t bufferCount);
  void derivative(const msl::Instruction& i, LaneMask active);
  void texture(const msl::Instruction& i, LaneMask active, LaneHooks* hooks);
  void readSource(const msl::Src& s, LaneRows& out) const;
  void write(const msl::Instruction& i, const LaneRows& value, LaneMask active);

  const LaneProgram* program_ = nullptr;
  std::vector<LaneRow> rows_;
  LaneMask discarded_ = 0;
  std::vector<Frame> stack_;
};

}  // namespace mtl::exec
