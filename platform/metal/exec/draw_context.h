// Everything the GPU needs to run one recorded draw, resolved when its
// command buffer runs: the buffers' and textures' storage, the vertices
// the draw shades, the viewport and its rectangle, and the units that test
// and write each sample.
//
// Thread rules: the pass executor fills a context before the workers run;
// workers then only read it, except `faulted`, which is atomic.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/metal/exec/lane_machine.h"
#include "platform/metal/exec/output_merger.h"
#include "platform/metal/exec/pass_record.h"
#include "platform/metal/exec/pipeline_plan.h"
#include "platform/metal/exec/program_variants.h"
#include "platform/metal/exec/rasterizer.h"
#include "platform/metal/exec/sampler.h"
#include "platform/metal/exec/setup.h"

namespace mtl::exec {

// A restarted strip: no vertex at this index position.
constexpr std::uint32_t kNoVertex = 0xFFFFFFFFu;

struct StageBinding {
  std::array<LaneBuffer, kMaxBufferBindings> buffers{};
  std::array<BoundTexture, kMaxTextureBindings> textures{};
  std::array<const SamplerDescriptor*, kMaxSamplerBindings> samplers{};
};

// A draw state snapshot resolved for the GPU: shared by the draws that
// were recorded with it.
struct StateContext {
  const DrawState* state = nullptr;
  const PipelinePlan* plan = nullptr;
  StageBinding vertexStage, fragmentStage;

  // The functions the draws run: specialised for what the state fixes, or
  // the pipeline's own (variants null).
  std::shared_ptr<const ProgramVariant> vertexVariant, fragmentVariant;
  const LaneProgram* vertexProgram = nullptr;
  const LaneProgram* fragmentProgram = nullptr;
  std::uint64_t vertexProgramId = 0, fragmentProgramId = 0;
  std::vector<const AttributeFetch*> fetches;         // attributes the vertex function reads
  std::vector<const FragmentInput*> fragmentInputs;   // inputs the fragment function reads
  // Where each input's planes lie in a primitive's (attribute_planes.h).
  std::vector<std::uint32_t> planeOffsets;
  std::uint32_t planeWords = 0;
  bool readsPosition = false;    // [[position]]: depth and 1/w at each pixel
  bool readsPerspective = false; // a perspective-correct varying
  // The fragment function as one of the chart's shapes (kind none: run it),
  // with the inputs it reads.
  FragmentShape shape;
  const FragmentInput* shapeColor = nullptr;
  const FragmentInput* shapeCoordinate = nullptr;
  std::uint32_t shapeColorPlanes = 0, shapeCoordinatePlanes = 0;  // their plane offsets
  QuadSampler shapeSampler;  // a textured shape's sample, prepared
  // Whether a lane of the fragment function reads another's values
  // (derivatives, levels of detail): else helper lanes need no texels.
  bool crossLane = true;

  // Geometry.
  ViewportTransform viewport;
  PixelRect rect;           // viewport, scissor and target
  bool rasterizes = false;  // anything can reach the fragments
  DepthBiasParameters bias;

  // Fragments.
  DepthStencilUnit depthStencil;
  std::array<ColorUnit, kMaxColorAttachments> colors;
  // Colour outputs of the fragment function that have an attachment.
  std::vector<const ColorOutput*> writtenColors;
  bool shades = false;       // the fragment function must run
  bool shapeRoute = false;   // quads go straight through the shape (shape_quads.h)
  bool earlyTests = false;   // tests may run before it
  bool alphaToCoverage = false, alphaToOne = false;
  std::int32_t visibility = -1;  // index of the visibility counter, or -1
  bool countsVisibility = false;
};

struct DrawContext {
  const DrawCall* call = nullptr;
  const StateContext* resolved = nullptr;

  // Vertices: one record per (instance, vertex); an indexed draw shades
  // each distinct index once per instance.
  std::uint64_t recordsPerInstance = 0;
  std::vector<std::uint32_t> vertexIds;  // indexed: the distinct indices in first-use order
  std::vector<std::uint32_t> remap;      // indexed: record of each index position, or kNoVertex
  std::vector<std::uint8_t> stripParity; // indexed strips: position since the last restart, odd
  std::uint32_t* records = nullptr;      // recordWords() words each
  std::uint64_t recordCount = 0;
  // A list of primitives whose chunks shade their own vertices (each
  // vertex belongs to one primitive), else shaded before any chunk.
  bool shadedByChunks = false;

  std::atomic<bool> faulted{false};  // a batch ran past the step limit
};

}  // namespace mtl::exec
