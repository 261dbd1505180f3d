#include "platform/metal/exec/pass_executor.h"

#include <algorithm>
#include <cstring>

#include "platform/metal/buffer.h"
#include "platform/metal/exec/attribute_planes.h"
#include "platform/metal/exec/shape_quads.h"
#include "platform/metal/msl/builtins.h"
#include "platform/metal/texture.h"

namespace mtl::exec {
namespace {

// Vertex records shaded by one job, and primitives set up by one chunk.
constexpr std::uint64_t kVertexJobRecords = 512;
constexpr std::uint64_t kChunkPrimitives = 2048;
// A group of draws shades at most about this many vertex records.
constexpr std::uint64_t kGroupRecords = std::uint64_t{1} << 22;

AttachmentView viewOf(const RenderPassAttachmentDescriptor& a) {
  AttachmentView v;
  if (!a.texture) return v;
  Texture& t = *a.texture;
  v.data = t.levelData(a.slice, a.level);
  v.stride = t.levelBytesPerRow(a.level);
  v.samples = static_cast<std::uint32_t>(t.sampleCount());
  v.width = static_cast<std::int64_t>(t.levelWidth(a.level));
  v.height = static_cast<std::int64_t>(t.levelHeight(a.level));
  v.info = &t.formatInfo();
  return v;
}

PixelRect scissorRect(const ScissorRect& s) {
  return {saturatingInt32(static_cast<double>(s.x)), saturatingInt32(static_cast<double>(s.y)),
          saturatingInt32(static_cast<double>(s.x) + static_cast<double>(s.width)),
          saturatingInt32(static_cast<double>(s.y) + static_cast<double>(s.height))};
}

// Records a non-indexed or indexed draw may shade, before the index scan.
std::uint64_t recordEstimate(const DrawCall& call) {
  const unsigned __int128 n = static_cast<unsigned __int128>(call.vertexCount) * call.instanceCount;
  return n > kMaxRecordsPerDraw ? kMaxRecordsPerDraw + 1 : static_cast<std::uint64_t>(n);
}

// The primitives of one tile in submission order: its entries of each
// chunk in turn.
class TileWalk {
 public:
  TileWalk(const std::vector<std::unique_ptr<PrimitiveChunk>>& chunks, std::size_t count, std::uint32_t tile)
      : chunks_(&chunks), count_(count), tile_(tile) {
    if (count_ > 0) entry_ = chunk().tileStart[tile_];
    settle();
  }
  bool done() const { return chunk_ == count_; }
  const Primitive& primitive() const { return chunk().entries[entry_]; }
  void next() {
    ++entry_;
    settle();
  }

 private:
  const PrimitiveChunk& chunk() const { return *(*chunks_)[chunk_]; }
  void settle() {
    while (chunk_ < count_ && entry_ >= chunk().tileStart[tile_ + 1]) {
      if (++chunk_ < count_) entry_ = chunk().tileStart[tile_];
    }
  }

  const std::vector<std::unique_ptr<PrimitiveChunk>>* chunks_;
  std::size_t count_;
  std::uint32_t tile_;
  std::size_t chunk_ = 0;
  std::uint32_t entry_ = 0;
};

}  // namespace

Executor::Executor(unsigned workers) : requestedWorkers_(workers) {}

Executor::~Executor() = default;

void Executor::setWorkerCount(unsigned workers) {
  std::lock_guard lock(mutex_);
  requestedWorkers_ = workers;
  if (pool_) pool_->setWorkerCount(workers);
}

unsigned Executor::workerCount() {
  std::lock_guard lock(mutex_);
  return requestedWorkers_ == 0 ? WorkerPool::defaultWorkerCount() : requestedWorkers_;
}

void Executor::runRanges(std::size_t count, const std::function<void(std::size_t, std::size_t)>& job) {
  std::lock_guard lock(mutex_);
  if (!pool_) pool_ = std::make_unique<WorkerPool>(requestedWorkers_);
  splitRanges(count, job);
}

void Executor::splitRanges(std::size_t count, const std::function<void(std::size_t, std::size_t)>& job) {
  // A few ranges per worker, so that one slow worker does not hold the rest.
  const std::size_t ranges = std::min<std::size_t>(count, std::size_t{pool_->workerCount()} * 4);
  if (ranges == 0) return;
  pool_->run(ranges, [&](std::size_t k, unsigned) { job(count * k / ranges, count * (k + 1) / ranges); });
}

void Executor::fillPendingClears() {
  const auto job = [&](std::size_t first, std::size_t last) { pendingClears_->fillRows(first, last); };
  splitRanges(pendingClears_->rows(), job);
  pendingClears_.reset();
}

void Executor::run(std::size_t count, bool serial, const WorkerPool::Job& job) {
  if (serial) {
    for (std::size_t i = 0; i < count; ++i) job(i, 0);
  } else {
    pool_->run(count, job);
  }
}

std::int32_t Executor::visibilityCounter(NSUInteger offset) {
  for (std::size_t k = 0; k < visibilityOffsets_.size(); ++k) {
    if (visibilityOffsets_[k] == offset) return static_cast<std::int32_t>(k);
  }
  visibilityOffsets_.push_back(offset);
  return static_cast<std::int32_t>(visibilityOffsets_.size() - 1);
}

void Executor::chooseFunctions(StateContext& d) {
  const PipelinePlan& plan = *d.plan;
  // A stage that writes buffers could change what its loads read.
  const bool specialize = fastPathsEnabled() && !plan.vertexStage().writesBuffers &&
                          !plan.fragmentStage().writesBuffers;
  d.vertexVariant = d.fragmentVariant = nullptr;
  d.vertexProgram = &plan.vertexProgram();
  d.vertexProgramId = d.fragmentProgramId = plan.id();
  d.fragmentProgram = plan.fragmentProgram();
  if (specialize) {
    const msl::CompiledFunction& vertex = plan.vertexProgram().function();
    d.vertexVariant = plan.vertexVariants().variant(
        vertex, fixedValues(vertex, d.vertexStage.buffers.data(), d.vertexStage.buffers.size(), plan.attributes()));
    d.vertexProgram = &d.vertexVariant->program;
    d.vertexProgramId = d.vertexVariant->id;
    if (d.fragmentProgram) {
      const msl::CompiledFunction& fragment = d.fragmentProgram->function();
      d.fragmentVariant = plan.fragmentVariants().variant(
          fragment, fixedValues(fragment, d.fragmentStage.buffers.data(), d.fragmentStage.buffers.size(), {}));
      d.fragmentProgram = &d.fragmentVariant->program;
      d.fragmentProgramId = d.fragmentVariant->id;
    }
  }
  d.fetches.clear();
  for (const AttributeFetch& a : plan.attributes()) {
    if (!d.vertexVariant || d.vertexVariant->readsRegister(a.reg)) d.fetches.push_back(&a);
  }
  d.crossLane = false;
  static const std::vector<msl::Instruction> kNone;
  for (const msl::Instruction& i : d.fragmentProgram ? d.fragmentProgram->function().code : kNone) {
    using msl::Opcode;
    if (i.op == Opcode::Dfdx || i.op == Opcode::Dfdy || i.op == Opcode::Fwidth || i.op == Opcode::SampleCompare) {
      d.crossLane = true;
    } else if (i.op == Opcode::Sample) {
      const auto option = static_cast<msl::SampleOption>(i.sampleOption);
      const SamplerDescriptor* sampler = i.offset < kMaxSamplerBindings ? d.fragmentStage.samplers[i.offset] : nullptr;
      const bool implicit = option == msl::SampleOption::None || option == msl::SampleOption::Bias;
      d.crossLane = d.crossLane || (implicit && (!sampler || levelOfDetailMatters(*sampler)));
    }
  }
  d.fragmentInputs.clear();
  d.readsPosition = d.readsPerspective = false;
  for (const FragmentInput& in : plan.fragmentInputs()) {
    if (d.fragmentVariant && !d.fragmentVariant->readsRegister(in.reg)) continue;
    d.fragmentInputs.push_back(&in);
    d.readsPosition = d.readsPosition || in.kind == FragmentInputKind::Position;
    d.readsPerspective = d.readsPerspective || (in.kind == FragmentInputKind::Varying && !in.flat && in.perspective);
  }
  layOutPlanes(d);
  d.shape = d.fragmentVariant ? d.fragmentVariant->shape : FragmentShape{};
  d.shapeColor = d.shapeCoordinate = nullptr;
  for (std::size_t k = 0; k < d.fragmentInputs.size(); ++k) {
    const FragmentInput* in = d.fragmentInputs[k];
    if (in->kind != FragmentInputKind::Varying) continue;
    if (in->reg == d.shape.color) {
      d.shapeColor = in;
      d.shapeColorPlanes = d.planeOffsets[k];
    }
    if (in->reg == d.shape.coordinate) {
      d.shapeCoordinate = in;
      d.shapeCoordinatePlanes = d.planeOffsets[k];
    }
  }
  // An input without a vertex output feeding it reads zero: run the function.
  const bool coordinates = d.shape.pointCoord || d.shapeCoordinate;
  if (!d.shapeColor || (d.shape.kind == FragmentShape::Kind::textured && !coordinates)) {
    d.shape.kind = FragmentShape::Kind::none;
  }
}

void Executor::prepareState(PassRecord& record, std::size_t index, StateContext& d) {
  const DrawState& state = record.states[index];
  d.state = &state;
  d.plan = state.pipeline->plan();
  const PipelinePlan& plan = *d.plan;

  auto bindStage = [&](const StageSnapshot& snap, const StagePlan& uses, StageBinding& stage) {
    stage = StageBinding{};
    for (std::uint32_t k = 0; k < snap.bufferCount; ++k) {
      const BufferSlot& b = record.buffers[snap.firstBuffer + k];
      LaneBuffer& view = stage.buffers[b.slot];
      if (b.buffer) {
        view.data = b.buffer->gpuData() + b.offset;
        view.length = b.buffer->length() - b.offset;
        view.writable = true;
      } else {
        view.data = record.bytes.data() + b.offset;
        view.length = b.length;
        view.writable = false;
      }
    }
    for (std::uint32_t k = 0; k < snap.textureCount; ++k) {
      const TextureSlot& t = record.textures[snap.firstTexture + k];
      stage.textures[t.slot].texture = t.texture.get();
      for (const SlotUse& use : uses.textures) {
        if (use.slot == t.slot) stage.textures[t.slot].depth = use.depth;
      }
    }
    for (std::uint32_t k = 0; k < snap.samplerCount; ++k) {
      const SamplerSlot& s = record.samplers[snap.firstSampler + k];
      stage.samplers[s.slot] = &s.sampler->descriptor();
    }
  };
  bindStage(state.vertex, plan.vertexStage(), d.vertexStage);
  bindStage(state.fragment, plan.fragmentStage(), d.fragmentStage);
  if (fastPathsEnabled()) {
    for (BoundTexture& bound : d.fragmentStage.textures) {
      if (bound.texture) bound.decoded = texelCache_.decoded(*bound.texture);
    }
  }
  chooseFunctions(d);

  const RenderPipelineDescriptor& desc = state.pipeline->descriptor();
  d.viewport = makeViewportTransform(state.viewport);
  const PixelRect target{0, 0, saturatingInt32(static_cast<double>(record.width)),
                         saturatingInt32(static_cast<double>(record.height))};
  d.rect = intersect(intersect(d.viewport.pixels, scissorRect(state.scissor)), target);
  d.rasterizes = desc.rasterizationEnabled && d.viewport.valid && !d.rect.empty() &&
                 plan.positionRegister().has_value();

  const AttachmentView& depth = depthView_;
  const AttachmentView& stencil = stencilView_;
  d.bias = {state.depthBias, state.depthSlopeScale, state.depthBiasClamp,
            depth.info ? depth.info->format : PixelFormat::Invalid};
  d.depthStencil.configure(depth, stencil,
                           state.depthStencil ? &state.depthStencil->descriptor() : nullptr,
                           state.stencilFrontReference, state.stencilBackReference,
                           d.viewport.zMin, d.viewport.zMax);
  d.writtenColors.clear();
  for (std::size_t i = 0; i < kMaxColorAttachments; ++i) {
    d.colors[i].configure(colorViews_[i], desc.colorAttachments[i], state.blendColor);
  }
  for (const ColorOutput& out : plan.colorOutputs()) {
    if (d.colors[out.attachment].active()) d.writtenColors.push_back(&out);
  }
  const bool fragment = plan.fragmentProgram() != nullptr;
  d.alphaToCoverage = desc.alphaToCoverageEnabled;
  d.alphaToOne = desc.alphaToOneEnabled;
  d.shades = fragment && (!d.writtenColors.empty() || plan.fragmentDiscards() ||
                          plan.fragmentStage().writesBuffers);
  d.earlyTests = !(d.shades && (plan.fragmentDiscards() || d.alphaToCoverage ||
                                plan.fragmentStage().writesBuffers));
  d.countsVisibility = state.visibilityMode != VisibilityResultMode::Disabled;
  d.visibility = d.countsVisibility ? visibilityCounter(state.visibilityOffset) : -1;
  d.shapeRoute = takesShapeRoute(d, static_cast<unsigned>(record.sampleCount));
  d.shapeSampler = d.shapeRoute && d.shape.kind == FragmentShape::Kind::textured
                       ? prepareQuadSampler(d.shape.sample, d.fragmentStage.textures, d.fragmentStage.samplers)
                       : QuadSampler{};
}

void Executor::runGroup(std::size_t first, std::size_t last, bool serial) {
  // Vertices.
  std::uint64_t total = 0;
  for (std::size_t i = first; i < last; ++i) {
    DrawContext& d = *draws_[i];
    const bool needed = d.resolved->rasterizes || d.resolved->plan->vertexStage().writesBuffers;
    if (!needed || d.call->vertexCount == 0 || d.call->instanceCount == 0) continue;
    if (!prepareVertices(d, indexScratch_)) {
      d.faulted.store(true, std::memory_order_relaxed);
      continue;
    }
    d.recordCount = d.recordsPerInstance * d.call->instanceCount;
    total += d.recordCount * d.resolved->plan->recordWords();
  }
  records_.resize(total);
  vertexJobs_.clear();
  std::uint64_t offset = 0;
  for (std::size_t i = first; i < last; ++i) {
    DrawContext& d = *draws_[i];
    if (d.recordCount == 0 || d.faulted.load(std::memory_order_relaxed)) continue;
    d.records = records_.data() + offset;
    offset += d.recordCount * d.resolved->plan->recordWords();
    // Chunks then shade what they assemble, while it is in their cache,
    // and the phase below (and its wait) is left out.
    d.shadedByChunks = !serial && !d.call->indexed && d.resolved->rasterizes && verticesPerPrimitive(d) > 0;
    if (d.shadedByChunks) continue;
    for (std::uint64_t r = 0; r < d.recordCount; r += kVertexJobRecords) {
      vertexJobs_.push_back({static_cast<std::uint32_t>(i), r,
                             std::min(kVertexJobRecords, d.recordCount - r)});
    }
  }
  run(vertexJobs_.size(), serial, [&](std::size_t k, unsigned w) {
    const VertexJob& job = vertexJobs_[k];
    shade(*draws_[job.draw], job.first, job.count, w);
  });

  // Primitives, in chunks of consecutive ones across draws.
  std::size_t chunkCount = 0;
  std::uint64_t inChunk = kChunkPrimitives;
  for (std::size_t i = first; i < last; ++i) {
    DrawContext& d = *draws_[i];
    if (!d.resolved->rasterizes || d.recordCount == 0 || d.faulted.load(std::memory_order_relaxed)) continue;
    const std::uint64_t perInstance = primitivesPerInstance(d);
    for (std::uint64_t instance = 0; instance < d.call->instanceCount && perInstance; ++instance) {
      for (std::uint64_t p = 0; p < perInstance;) {
        if (inChunk == kChunkPrimitives) {
          if (chunkCount == chunks_.size()) chunks_.push_back(std::make_unique<PrimitiveChunk>());
          chunks_[chunkCount++]->ranges.clear();
          inChunk = 0;
        }
        const std::uint64_t take = std::min(kChunkPrimitives - inChunk, perInstance - p);
        chunks_[chunkCount - 1]->ranges.push_back({static_cast<std::uint32_t>(i), instance, p, take});
        inChunk += take;
        p += take;
      }
    }
  }
  run(chunkCount, serial, [&](std::size_t k, unsigned w) {
    PrimitiveChunk& chunk = *chunks_[k];
    for (const PrimitiveRange& range : chunk.ranges) {
      DrawContext& d = *draws_[range.draw];
      if (!d.shadedByChunks) continue;
      const std::uint64_t perPrimitive = verticesPerPrimitive(d);
      shade(d, range.instance * d.recordsPerInstance + range.first * perPrimitive, range.count * perPrimitive, w);
    }
    buildChunk(drawPointers_.data(), grid_, chunk, workers_[w]->clipScratch);
  });

  // Tiles, each cleared first while the pass's clears wait: then the
  // cleared pixels are still in the worker's cache when drawn on.
  if (chunkCount == 0) return;
  const LevelFills* clears = pendingClears_.get();
  run(grid_.count(), serial, [&](std::size_t t, unsigned w) {
    Worker& worker = *workers_[w];
    const PixelRect tile = grid_.tile(static_cast<std::uint32_t>(t));
    if (clears) {
      clears->fillPixels(static_cast<NSUInteger>(tile.x0), static_cast<NSUInteger>(tile.y0),
                         static_cast<NSUInteger>(tile.x1), static_cast<NSUInteger>(tile.y1));
    }
    // A tile's primitives lie scattered through the chunks, with their
    // varyings: those of primitives ahead are fetched while one is drawn,
    // far enough ahead that small primitives do not outrun memory.
    constexpr int kPrimitivesAhead = 32, kPlanesAhead = 16;
    TileWalk walk(chunks_, chunkCount, static_cast<std::uint32_t>(t)), ahead = walk, planes = walk;
    for (int k = 0; k < kPrimitivesAhead && !ahead.done(); ++k) ahead.next();
    for (int k = 0; k < kPlanesAhead && !planes.done(); ++k) planes.next();
    for (; !walk.done(); walk.next()) {
      if (!ahead.done()) {
        const char* next = reinterpret_cast<const char*>(&ahead.primitive());
        __builtin_prefetch(next);
        __builtin_prefetch(next + sizeof(Primitive) - 1);
        ahead.next();
      }
      if (!planes.done()) {
        const char* next = reinterpret_cast<const char*>(planes.primitive().planes);
        __builtin_prefetch(next);
        __builtin_prefetch(next + 64);  // the chart's six components take 72 bytes
        planes.next();
      }
      const Primitive& p = walk.primitive();
      DrawContext& d = *draws_[p.draw];
      try {
        worker.fragments.rasterize(d, p, intersect(p.box, tile), pattern_);
      } catch (...) {
        d.faulted.store(true, std::memory_order_relaxed);
      }
    }
    worker.fragments.finish();
  });
  pendingClears_.reset();
}

void Executor::shade(DrawContext& d, std::uint64_t first, std::uint64_t count, unsigned w) {
  if (d.faulted.load(std::memory_order_relaxed)) return;
  Worker& worker = *workers_[w];
  try {
    LaneMachine& m = worker.vertexMachines.machine(*d.resolved->vertexProgram, d.resolved->vertexProgramId);
    worker.vertexTextures.bind(&d.resolved->vertexStage.textures, &d.resolved->vertexStage.samplers, false);
    if (!shadeVertices(d, first, count, m, worker.vertexTextures)) d.faulted.store(true, std::memory_order_relaxed);
  } catch (...) {
    d.faulted.store(true, std::memory_order_relaxed);
  }
}

void Executor::execute(PassRecord& record) {
  std::lock_guard lock(mutex_);
  if (!pool_) pool_ = std::make_unique<WorkerPool>(requestedWorkers_);
  const unsigned workers = pool_->workerCount();
  while (workers_.size() < workers) workers_.push_back(std::make_unique<Worker>());
  while (draws_.size() < record.draws.size()) draws_.push_back(std::make_unique<DrawContext>());
  drawPointers_.clear();
  for (auto& d : draws_) drawPointers_.push_back(d.get());
  grid_ = tileGrid(record.width, record.height);
  pattern_ = samplePattern(static_cast<unsigned>(record.sampleCount));

  visibilityOffsets_.clear();
  std::vector<VisibilityResultMode> modes;
  for (const auto& [offset, mode] : record.visibilityOffsets) {
    const std::size_t k = static_cast<std::size_t>(visibilityCounter(offset));
    if (modes.size() <= k) modes.resize(k + 1, VisibilityResultMode::Boolean);
    modes[k] = mode;
  }
  // Fills still waiting for the attachments (a pass of clears alone came
  // before) are done tile by tile too, unless this pass clears them anyway.
  std::vector<std::pair<const RenderPassAttachmentDescriptor*, std::array<std::uint8_t, 16>>> waiting;
  const auto take = [&](const RenderPassAttachmentDescriptor& a) {
    std::array<std::uint8_t, 16> texel{};
    if (a.texture && a.texture->takeFill(a.slice, a.level, texel.data()) && a.loadAction != LoadAction::Clear) {
      waiting.emplace_back(&a, texel);
    }
  };
  for (const auto& a : record.pass.colorAttachments) take(a);
  take(record.pass.depthAttachment);
  take(record.pass.stencilAttachment);
  for (std::size_t k = 0; k < kMaxColorAttachments; ++k) colorViews_[k] = viewOf(record.pass.colorAttachments[k]);
  depthView_ = viewOf(record.pass.depthAttachment);
  stencilView_ = viewOf(record.pass.stencilAttachment);
  while (states_.size() < record.states.size()) states_.push_back(std::make_unique<StateContext>());
  for (std::size_t i = 0; i < record.states.size(); ++i) {
    StateContext& s = *states_[i];
    prepareState(record, i, s);
    if (!s.countsVisibility) continue;
    const std::size_t k = static_cast<std::size_t>(s.visibility);
    if (modes.size() <= k) modes.resize(k + 1, VisibilityResultMode::Boolean);
    modes[k] = s.state->visibilityMode;
  }
  for (std::size_t i = 0; i < record.draws.size(); ++i) {
    DrawContext& d = *draws_[i];
    d.call = &record.draws[i];
    d.resolved = states_[d.call->state].get();
    d.faulted.store(false, std::memory_order_relaxed);
    d.records = nullptr;
    d.recordCount = 0;
    d.shadedByChunks = false;
  }
  for (unsigned w = 0; w < workers; ++w) workers_[w]->fragments.begin(visibilityOffsets_.size());
  if (!record.clears.empty() || !waiting.empty()) {
    pendingClears_ = std::make_unique<LevelFills>(record.clears);
    for (const auto& [a, texel] : waiting) pendingClears_->add(*a->texture, a->slice, a->level, texel.data());
    if (!fastPathsEnabled()) fillPendingClears();  // the general way: everything first
  }

  std::size_t first = 0;
  while (first < record.draws.size()) {
    const DrawContext& d = *draws_[first];
    const bool serial = d.resolved->plan->vertexStage().writesBuffers ||
                        d.resolved->plan->fragmentStage().writesBuffers;
    std::size_t last = first + 1;
    if (!serial) {
      std::uint64_t records = recordEstimate(*d.call);
      while (last < record.draws.size()) {
        const DrawContext& next = *draws_[last];
        const PipelinePlan& plan = *next.resolved->plan;
        if (plan.vertexStage().writesBuffers || plan.fragmentStage().writesBuffers) break;
        records += recordEstimate(*next.call);
        if (records > kGroupRecords) break;
        ++last;
      }
    }
    runGroup(first, last, serial);
    first = last;
  }

  if (pendingClears_) fillPendingClears();  // no tile phase took them
  if (record.pass.visibilityResultBuffer) {
    Buffer& results = *record.pass.visibilityResultBuffer;
    for (std::size_t k = 0; k < visibilityOffsets_.size(); ++k) {
      std::uint64_t count = 0;
      for (unsigned w = 0; w < workers; ++w) count += workers_[w]->fragments.visibility()[k];
      const std::uint64_t value = modes[k] == VisibilityResultMode::Counting ? count : (count > 0 ? 1 : 0);
      const NSUInteger at = visibilityOffsets_[k];
      if (at <= results.length() && results.length() - at >= 8) {
        std::memcpy(results.gpuData() + at, &value, 8);
      }
    }
  }
  // Let go of what the draws referenced.
  for (std::size_t i = 0; i < record.draws.size(); ++i) {
    draws_[i]->call = nullptr;
    draws_[i]->resolved = nullptr;
  }
  for (std::size_t i = 0; i < record.states.size(); ++i) {
    states_[i]->state = nullptr;
    states_[i]->plan = nullptr;
    states_[i]->vertexVariant = states_[i]->fragmentVariant = nullptr;
  }
}

}  // namespace mtl::exec
