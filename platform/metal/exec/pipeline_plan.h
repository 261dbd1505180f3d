// What the executor needs of a render pipeline, worked out once when the
// pipeline is made: where each vertex attribute comes from, how a shaded
// vertex is stored, which vertex output feeds each fragment input, where
// the colours go, and which resource slots a draw must have bound.
//
// A shaded vertex is a record of 32-bit words: the clip-space position
// (four floats), the point size (a float, 1 when the function writes
// none), then each varying output's components as the bits of its kind.
//
// Thread rules: immutable once made; shared by every draw and worker. The
// stages' variant caches lock for themselves.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/metal/exec/lane_machine.h"
#include "platform/metal/exec/program_variants.h"
#include "platform/metal/msl/bytecode.h"
#include "platform/metal/states.h"

namespace mtl::exec {

constexpr std::uint32_t kRecordPosition = 0;
constexpr std::uint32_t kRecordPointSize = 4;
constexpr std::uint32_t kRecordFirstVarying = 5;

struct AttributeFetch {
  std::uint32_t reg = 0;
  std::uint8_t components = 4;
  msl::Scalar scalar = msl::Scalar::Float;
  VertexFormat format = VertexFormat::Invalid;
  std::uint32_t bufferIndex = 0;
  std::uint64_t offset = 0;
  std::uint64_t stride = 0;
  VertexStepFunction step = VertexStepFunction::PerVertex;
  std::uint64_t stepRate = 1;
};

// A vertex output kept in the record.
struct VertexOutput {
  std::uint32_t reg = 0;
  std::uint8_t components = 4;
  std::uint32_t word = 0;  // first word in the record
};

enum class FragmentInputKind : std::uint8_t { Varying, Position, FrontFacing, PointCoord };

struct FragmentInput {
  FragmentInputKind kind = FragmentInputKind::Varying;
  std::uint32_t reg = 0;
  std::uint8_t components = 4;
  msl::Scalar scalar = msl::Scalar::Float;
  bool flat = false;         // the first vertex's value
  bool perspective = true;   // else linear in window space
  std::uint32_t word = 0;    // of the source vertex output in the record
};

struct ColorOutput {
  std::uint32_t attachment = 0;
  std::uint32_t reg = 0;
  std::uint8_t components = 4;
  msl::Scalar scalar = msl::Scalar::Float;
};

// A resource slot a stage reads; textures carry the type they must have.
struct SlotUse {
  std::uint32_t slot = 0;
  TextureType textureType = TextureType::Type2D;
  bool depth = false;  // a depth texture (depth2d)
};

struct StagePlan {
  std::vector<SlotUse> buffers;
  std::vector<SlotUse> textures;
  std::vector<SlotUse> samplers;
  bool writesBuffers = false;
};

class PipelinePlan {
 public:
  PipelinePlan(const RenderPipelineDescriptor& descriptor,
               const std::vector<int>& fragmentInputSources);

  // Unique for the life of the process (machines are cached by it).
  std::uint64_t id() const { return id_; }
  const LaneProgram& vertexProgram() const { return vertex_; }
  // None for a pipeline without a fragment function.
  const LaneProgram* fragmentProgram() const { return fragment_ ? &*fragment_ : nullptr; }

  const std::vector<AttributeFetch>& attributes() const { return attributes_; }
  std::optional<std::uint32_t> positionRegister() const { return position_; }
  std::optional<std::uint32_t> pointSizeRegister() const { return pointSize_; }
  const std::vector<VertexOutput>& varyings() const { return varyings_; }
  std::uint32_t recordWords() const { return recordWords_; }

  const std::vector<FragmentInput>& fragmentInputs() const { return fragmentInputs_; }
  const std::vector<ColorOutput>& colorOutputs() const { return colorOutputs_; }
  bool fragmentDiscards() const;

  const StagePlan& vertexStage() const { return vertexStage_; }
  const StagePlan& fragmentStage() const { return fragmentStage_; }

  // The stages' functions specialised for what draws fix.
  ProgramVariants& vertexVariants() const { return vertexVariants_; }
  ProgramVariants& fragmentVariants() const { return fragmentVariants_; }

 private:
  std::uint64_t id_;
  LaneProgram vertex_;
  std::optional<LaneProgram> fragment_;
  std::vector<AttributeFetch> attributes_;
  std::optional<std::uint32_t> position_, pointSize_;
  std::vector<VertexOutput> varyings_;
  std::uint32_t recordWords_ = kRecordFirstVarying;
  std::vector<FragmentInput> fragmentInputs_;
  std::vector<ColorOutput> colorOutputs_;
  StagePlan vertexStage_, fragmentStage_;
  mutable ProgramVariants vertexVariants_, fragmentVariants_;
};

}  // namespace mtl::exec
