// The software GPU: a device with configurable limits and feature answers
// that makes every other Metal object, and the process-wide shared device.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/metal/buffer.h"
#include "platform/metal/command_log.h"
#include "platform/metal/library.h"
#include "platform/metal/states.h"
#include "platform/metal/texture.h"
#include "platform/metal/types.h"

namespace mtl {

class CommandQueue;
class GpuTimeline;
namespace exec {
class Executor;
class PassRecordPool;
}  // namespace exec

// What the device answers; tests change it to imitate other hardware.
struct DeviceLimits {
  std::string name = "Tessaly Software GPU";
  std::vector<NSUInteger> textureSampleCounts{1, 2, 4};
  std::vector<FeatureSet> featureSets{
      FeatureSet::iOS_GPUFamily1_v1, FeatureSet::iOS_GPUFamily2_v1,
      FeatureSet::iOS_GPUFamily1_v2, FeatureSet::iOS_GPUFamily2_v2,
      FeatureSet::iOS_GPUFamily3_v1, FeatureSet::iOS_GPUFamily1_v3,
      FeatureSet::iOS_GPUFamily2_v3, FeatureSet::iOS_GPUFamily3_v2};
  // An older system's device does not answer family questions at all.
  bool respondsToSupportsFamily = true;
  std::vector<GPUFamily> families{GPUFamily::Apple1, GPUFamily::Apple2, GPUFamily::Apple3};
  NSUInteger maxTextureSize = 16384;
  NSUInteger maxBufferLength = NSUInteger{1} << 30;
};

class Device : public std::enable_shared_from_this<Device> {
 public:
  static std::shared_ptr<Device> create(DeviceLimits limits = {});
  ~Device();

  DeviceLimits limits() const;
  void setLimits(DeviceLimits limits);
  std::string name() const;
  bool supportsTextureSampleCount(NSUInteger count) const;
  bool supportsFeatureSet(FeatureSet set) const;
  bool respondsToSupportsFamily() const;
  bool supportsFamily(GPUFamily family) const;

  std::shared_ptr<CommandQueue> newCommandQueue();
  std::shared_ptr<Buffer> newBuffer(NSUInteger length, NSUInteger options);
  std::shared_ptr<Buffer> newBuffer(const void* bytes, NSUInteger length, NSUInteger options);
  std::shared_ptr<Texture> newTexture(const TextureDescriptor& descriptor);

  // Null with `error` set when the descriptor cannot make a pipeline.
  std::shared_ptr<RenderPipelineState> newRenderPipelineState(
      const RenderPipelineDescriptor& descriptor, NSUInteger options,
      RenderPipelineReflection* reflection, std::optional<Error>* error);
  std::shared_ptr<DepthStencilState> newDepthStencilState(const DepthStencilDescriptor& d);
  std::shared_ptr<SamplerState> newSamplerState(const SamplerDescriptor& descriptor);

  // Compiles the source into a library, or gives null with an error of
  // code LibraryErrorCompileFailure whose description lists every error.
  // The compiler gives no warnings, so a library never comes with an error.
  std::shared_ptr<Library> newLibraryWithSource(const std::string& source,
                                                const CompileOptions& options,
                                                std::optional<Error>* error);
  // Compiled library data: kLibraryDataMagic followed by the library's
  // source, which is compiled. Anything else is refused.
  static constexpr std::string_view kLibraryDataMagic = "TESSALY-METALLIB\n";
  std::shared_ptr<Library> newLibraryWithData(const std::vector<std::uint8_t>& data,
                                              std::optional<Error>* error);
  // The application's built-in library, compiled from the source given to
  // setDefaultLibrarySource (once, then kept); an empty library until
  // then, null when the source does not compile.
  std::shared_ptr<Library> newDefaultLibrary();
  void setDefaultLibrarySource(std::string source);

  // Threads that run render passes: 0 (the default) is the count in the
  // environment variable TESSALY_GPU_THREADS, else one per core. The
  // output is the same for any count.
  void setWorkerCount(unsigned workers);
  unsigned workerCount() const;
  exec::Executor& executor() { return *executor_; }
  exec::PassRecordPool& passRecords() { return *passRecords_; }

  GpuTimeline& gpu() { return *gpu_; }
  CommandLog& commandLog() { return log_; }
  // Command buffers are numbered 1, 2, ... per device, as the log shows.
  std::uint64_t nextCommandBufferNumber() { return ++commandBuffers_; }

 private:
  explicit Device(DeviceLimits limits);

  mutable std::mutex mutex_;
  DeviceLimits limits_;
  std::string defaultLibrarySource_;
  std::shared_ptr<const std::vector<std::shared_ptr<const msl::CompiledFunction>>> defaultFunctions_;
  bool defaultCompiled_ = false;
  // Declared before the timeline, which must stop first.
  std::unique_ptr<exec::Executor> executor_;
  std::shared_ptr<exec::PassRecordPool> passRecords_;
  std::unique_ptr<GpuTimeline> gpu_;
  CommandLog log_;
  std::atomic<std::uint64_t> commandBuffers_{0};
};

// The system default device, made on the first call and kept for the life
// of the process, with the application's default library source
// (resources/Shaders/Default.metal) installed.
std::shared_ptr<Device> createSystemDefaultDevice();

}  // namespace mtl
