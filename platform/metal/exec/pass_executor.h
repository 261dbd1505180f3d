// Runs a recorded render pass on the GPU timeline: its draws' vertices,
// then their primitives (assembled, clipped, set up and binned into
// tiles), then the tiles, each phase spread over the device's workers;
// then the pass's visibility results.
//
// Draws whose functions write to buffers run one at a time on one worker,
// so their writes land in a fixed order. Large passes are run in groups of
// draws to bound the memory the shaded vertices take.
//
// Thread rules: one Executor per device; execute() is called only from
// the GPU timeline (one pass at a time). Its scratch belongs to the worker
// of the same number while a phase runs.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/metal/exec/fragment_stage.h"
#include "platform/metal/exec/pass_record.h"
#include "platform/metal/exec/texel_cache.h"
#include "platform/metal/exec/tiler.h"
#include "platform/metal/exec/vertex_stage.h"
#include "platform/metal/exec/worker_pool.h"

namespace mtl::exec {

class Executor {
 public:
  explicit Executor(unsigned workers = 0);
  ~Executor();

  // 0: the default (TESSALY_GPU_THREADS, else one per core).
  void setWorkerCount(unsigned workers);
  unsigned workerCount();

  void execute(PassRecord& record);

  // Runs job(first, last) over ranges that together cover [0, count), on
  // the workers (for block fills outside a pass).
  void runRanges(std::size_t count, const std::function<void(std::size_t, std::size_t)>& job);

 private:
  struct Worker {
    FragmentWorker fragments;
    MachineCache vertexMachines;
    StageTextures vertexTextures;
    std::vector<const std::uint32_t*> clipScratch;
  };
  struct VertexJob {
    std::uint32_t draw;
    std::uint64_t first, count;
  };

  void prepareState(PassRecord& record, std::size_t index, StateContext& state);
  void chooseFunctions(StateContext& state);
  void runGroup(std::size_t first, std::size_t last, bool serial);
  // Shades records [first, first + count) of the draw on worker `w`; a
  // draw whose shading fails is marked faulted.
  void shade(DrawContext& draw, std::uint64_t first, std::uint64_t count, unsigned w);
  void run(std::size_t count, bool serial, const WorkerPool::Job& job);
  std::int32_t visibilityCounter(NSUInteger offset);
  // The pass's clears over the whole attachments at once.
  void fillPendingClears();
  // runRanges() while the executor's lock is held.
  void splitRanges(std::size_t count, const std::function<void(std::size_t, std::size_t)>& job);

  std::mutex mutex_;  // a pass runs, or the worker count changes
  unsigned requestedWorkers_;
  std::unique_ptr<WorkerPool> pool_;  // started by the first pass
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<std::unique_ptr<StateContext>> states_;
  std::vector<std::unique_ptr<DrawContext>> draws_;
  std::vector<DrawContext*> drawPointers_;
  std::vector<std::unique_ptr<PrimitiveChunk>> chunks_;
  std::vector<std::uint32_t> records_;
  std::vector<VertexJob> vertexJobs_;
  IndexScratch indexScratch_;
  std::vector<NSUInteger> visibilityOffsets_;
  SamplePattern pattern_;
  std::array<AttachmentView, kMaxColorAttachments> colorViews_;
  AttachmentView depthView_, stencilView_;
  TileGrid grid_;
  // The pass's load actions while no tile phase has cleared its tiles.
  std::unique_ptr<LevelFills> pendingClears_;
  TexelCache texelCache_;
};

}  // namespace mtl::exec
