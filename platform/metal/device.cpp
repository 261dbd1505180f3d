#include "platform/metal/device.h"

#include <algorithm>
#include <cstring>

#include "platform/metal/command_buffer.h"
#include "platform/metal/exec/pass_executor.h"
#include "platform/metal/exec/pass_record.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/msl/compiler.h"
#include "platform/metal/msl/default_library.h"
#include "platform/metal/msl/pipeline_link.h"
#include "platform/metal/pixel_format.h"
#include "platform/metal/validation.h"

namespace mtl {
namespace {

template <typename T>
bool contains(const std::vector<T>& values, T value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// A library of the compiled functions.
std::shared_ptr<Library> makeLibrary(
    std::string source, const CompileOptions& options,
    const std::vector<std::shared_ptr<const msl::CompiledFunction>>& compiled) {
  std::vector<std::shared_ptr<Function>> functions;
  for (const auto& f : compiled) functions.push_back(std::make_shared<Function>(f));
  return std::make_shared<Library>(std::move(source), options, std::move(functions));
}

std::string errorCountText(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " error generated." : " errors generated.");
}

// Why a pipeline descriptor cannot make a pipeline, or empty.
std::string pipelineProblem(const RenderPipelineDescriptor& d, const Device& device) {
  if (!d.vertexFunction) return "No vertex function was set";
  if (!d.vertexFunction->code()) return "The vertex function has no code";
  if (d.vertexFunction->functionType() != FunctionType::Vertex)
    return "The vertex function is not a vertex function";
  if (d.fragmentFunction && !d.fragmentFunction->code()) return "The fragment function has no code";
  if (d.fragmentFunction && d.fragmentFunction->functionType() != FunctionType::Fragment)
    return "The fragment function is not a fragment function";
  for (const auto& attachment : d.colorAttachments) {
    const PixelFormat f = attachment.pixelFormat;
    if (f == PixelFormat::Invalid) continue;
    const PixelFormatInfo* info = pixelFormatInfo(f);
    if (!isRenderable(f) || info->hasDepth || info->hasStencil)
      return "Color attachment pixel format " + std::to_string(static_cast<NSUInteger>(f)) +
             " is not color renderable";
  }
  if (d.depthAttachmentPixelFormat != PixelFormat::Invalid) {
    const PixelFormatInfo* info = pixelFormatInfo(d.depthAttachmentPixelFormat);
    if (!info || !info->hasDepth) return "Depth attachment pixel format has no depth";
  }
  if (d.stencilAttachmentPixelFormat != PixelFormat::Invalid) {
    const PixelFormatInfo* info = pixelFormatInfo(d.stencilAttachmentPixelFormat);
    if (!info || !info->hasStencil) return "Stencil attachment pixel format has no stencil";
  }
  if (!device.supportsTextureSampleCount(d.sampleCount))
    return "Sample count " + std::to_string(d.sampleCount) + " is not supported";
  return {};
}

}  // namespace

Device::Device(DeviceLimits limits)
    : limits_(std::move(limits)),
      executor_(std::make_unique<exec::Executor>()),
      passRecords_(std::make_shared<exec::PassRecordPool>()),
      gpu_(std::make_unique<GpuTimeline>()) {}

void Device::setWorkerCount(unsigned workers) { executor_->setWorkerCount(workers); }

unsigned Device::workerCount() const { return executor_->workerCount(); }

Device::~Device() = default;

std::shared_ptr<Device> Device::create(DeviceLimits limits) {
  return std::shared_ptr<Device>(new Device(std::move(limits)));
}

DeviceLimits Device::limits() const {
  std::lock_guard lock(mutex_);
  return limits_;
}

void Device::setLimits(DeviceLimits limits) {
  std::lock_guard lock(mutex_);
  limits_ = std::move(limits);
}

std::string Device::name() const {
  std::lock_guard lock(mutex_);
  return limits_.name;
}

bool Device::supportsTextureSampleCount(NSUInteger count) const {
  std::lock_guard lock(mutex_);
  return contains(limits_.textureSampleCounts, count);
}

bool Device::supportsFeatureSet(FeatureSet set) const {
  std::lock_guard lock(mutex_);
  return contains(limits_.featureSets, set);
}

bool Device::respondsToSupportsFamily() const {
  std::lock_guard lock(mutex_);
  return limits_.respondsToSupportsFamily;
}

bool Device::supportsFamily(GPUFamily family) const {
  std::lock_guard lock(mutex_);
  require(limits_.respondsToSupportsFamily, "This device does not answer supportsFamily");
  return contains(limits_.families, family);
}

std::shared_ptr<CommandQueue> Device::newCommandQueue() {
  return std::make_shared<CommandQueue>(shared_from_this());
}

std::shared_ptr<Buffer> Device::newBuffer(NSUInteger length, NSUInteger options) {
  require(length > 0, "Buffer length must be above 0");
  require(length <= limits().maxBufferLength, "Buffer length exceeds the device's maximum");
  return std::make_shared<Buffer>(length, options);
}

std::shared_ptr<Buffer> Device::newBuffer(const void* bytes, NSUInteger length,
                                          NSUInteger options) {
  require(bytes != nullptr, "newBuffer needs source bytes");
  auto buffer = newBuffer(length, options);
  std::memcpy(buffer->gpuData(), bytes, length);
  return buffer;
}

std::shared_ptr<Texture> Device::newTexture(const TextureDescriptor& descriptor) {
  require(supportsTextureSampleCount(descriptor.sampleCount), "Sample count ",
          descriptor.sampleCount, " is not supported");
  return std::make_shared<Texture>(descriptor, limits().maxTextureSize);
}

std::shared_ptr<RenderPipelineState> Device::newRenderPipelineState(
    const RenderPipelineDescriptor& descriptor, NSUInteger options,
    RenderPipelineReflection* reflection, std::optional<Error>* error) {
  std::string problem = pipelineProblem(descriptor, *this);
  msl::PipelineLink link;
  if (problem.empty()) {
    if (auto linkProblem = msl::linkPipeline(descriptor, link)) problem = std::move(*linkProblem);
  }
  if (!problem.empty()) {
    if (error) *error = Error{RenderPipelineErrorInvalidInput, problem};
    return nullptr;
  }
  if (reflection) {
    *reflection = {};
    if (options & (PipelineOptionArgumentInfo | PipelineOptionBufferTypeInfo)) {
      reflection->vertexArguments = std::move(link.vertexArguments);
      reflection->fragmentArguments = std::move(link.fragmentArguments);
    }
  }
  return std::make_shared<RenderPipelineState>(descriptor, std::move(link.fragmentInputSources));
}

std::shared_ptr<DepthStencilState> Device::newDepthStencilState(
    const DepthStencilDescriptor& descriptor) {
  return std::make_shared<DepthStencilState>(descriptor);
}

std::shared_ptr<SamplerState> Device::newSamplerState(const SamplerDescriptor& descriptor) {
  require(descriptor.maxAnisotropy >= 1 && descriptor.maxAnisotropy <= 16,
          "maxAnisotropy must lie between 1 and 16");
  require(descriptor.lodMinClamp <= descriptor.lodMaxClamp,
          "lodMinClamp must not exceed lodMaxClamp");
  return std::make_shared<SamplerState>(descriptor);
}

std::shared_ptr<Library> Device::newLibraryWithSource(const std::string& source,
                                                      const CompileOptions& options,
                                                      std::optional<Error>* error) {
  msl::CompileResult result = msl::compile(source);
  if (!result.ok()) {
    if (error) {
      *error = Error{LibraryErrorCompileFailure, "Compilation failed: \n\n" + result.errors,
                     errorCountText(result.errorCount)};
    }
    return nullptr;
  }
  return makeLibrary(source, options, result.functions);
}

std::shared_ptr<Library> Device::newLibraryWithData(const std::vector<std::uint8_t>& data,
                                                    std::optional<Error>* error) {
  const std::string bytes(data.begin(), data.end());
  if (bytes.compare(0, kLibraryDataMagic.size(), kLibraryDataMagic) != 0) {
    if (error) *error = Error{LibraryErrorInternal, "The data is not a compiled Metal library"};
    return nullptr;
  }
  return newLibraryWithSource(bytes.substr(kLibraryDataMagic.size()), CompileOptions{}, error);
}

std::shared_ptr<Library> Device::newDefaultLibrary() {
  std::string source;
  {
    std::lock_guard lock(mutex_);
    if (defaultCompiled_) {
      if (!defaultFunctions_) return nullptr;
      return makeLibrary(defaultLibrarySource_, CompileOptions{}, *defaultFunctions_);
    }
    source = defaultLibrarySource_;
  }
  // Compiled outside the lock; a racing caller's equal result is dropped.
  msl::CompileResult result = msl::compile(source);
  std::shared_ptr<const std::vector<std::shared_ptr<const msl::CompiledFunction>>> functions;
  if (result.ok()) {
    functions = std::make_shared<const std::vector<std::shared_ptr<const msl::CompiledFunction>>>(
        std::move(result.functions));
  }
  {
    std::lock_guard lock(mutex_);
    if (!defaultCompiled_ && source == defaultLibrarySource_) {
      defaultCompiled_ = true;
      defaultFunctions_ = functions;
    }
  }
  if (!functions) return nullptr;
  return makeLibrary(std::move(source), CompileOptions{}, *functions);
}

void Device::setDefaultLibrarySource(std::string source) {
  std::lock_guard lock(mutex_);
  defaultLibrarySource_ = std::move(source);
  defaultCompiled_ = false;
  defaultFunctions_.reset();
}

std::shared_ptr<Device> createSystemDefaultDevice() {
  static const std::shared_ptr<Device> device = [] {
    auto d = Device::create();
    d->setDefaultLibrarySource(std::string(msl::defaultLibrarySource()));
    return d;
  }();
  return device;
}

}  // namespace mtl
