// A pipeline stage's function specialised for what a draw fixes
// (msl/specializer.h): the values its loads at fixed offsets read from the
// bound buffers (the GL layer's uniforms), and, for vertices, attributes
// that step by constant. A draw whose stage writes buffers is not
// specialised (its loads could see its own writes).
//
// Thread rules: a stage's variants are made and looked up by the GPU
// timeline (one pass at a time); the mutex makes that safe from any
// thread. A variant is immutable and shared by the workers; holders keep
// it alive while a pass runs, whatever the cache drops.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/metal/exec/fragment_shape.h"
#include "platform/metal/exec/lane_machine.h"
#include "platform/metal/msl/specializer.h"

namespace mtl::exec {

struct AttributeFetch;

struct ProgramVariant {
  ProgramVariant(const msl::CompiledFunction& function, const msl::FixedValues& fixed);
  ProgramVariant(const ProgramVariant&) = delete;
  ProgramVariant& operator=(const ProgramVariant&) = delete;

  msl::SpecializedFunction specialized;
  LaneProgram program;  // of specialized.function
  std::uint64_t id;     // unique for the life of the process (machine caches key by it)
  FragmentShape shape;  // fragment functions of the chart's shapes
  bool readsRegister(std::uint32_t reg) const;
};

// The values a draw fixes: loads from `buffers` (indexed by slot), and the
// attributes of `attributes` that every vertex reads alike.
msl::FixedValues fixedValues(const msl::CompiledFunction& function, const LaneBuffer* buffers,
                             std::size_t bufferCount, const std::vector<AttributeFetch>& attributes);

class ProgramVariants {
 public:
  // The variant for these values, made on first use.
  std::shared_ptr<const ProgramVariant> variant(const msl::CompiledFunction& function,
                                                const msl::FixedValues& fixed);

 private:
  struct Entry {
    std::vector<std::uint32_t> key;
    std::shared_ptr<const ProgramVariant> variant;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;  // the most recently used last
};

}  // namespace mtl::exec
