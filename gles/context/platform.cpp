#include "gles/context/platform.h"

#include <mutex>

#include "gles/context/format.h"
#include "gles/context/gl_enums.h"
#include "platform/metal/pixel_format.h"

namespace {

constexpr unsigned kVersionMajor = 0, kVersionMinor = 29, kVersionPatch = 1, kBuild = 1;

}  // namespace

std::shared_ptr<mtl::Device> mglSharedMTLDevice() {
  // Contexts may be made on several threads at once.
  static std::mutex mutex;
  static std::shared_ptr<mtl::Device> device;
  std::lock_guard lock(mutex);
  if (!device) device = mtl::createSystemDefaultDevice();
  return device;
}

bool MGLPlatform::deviceSupportsMTLGPUFamily(const mtl::Device& device, mtl::GPUFamily family) {
  return device.respondsToSupportsFamily() && device.supportsFamily(family);
}

MGLPlatform::MGLPlatform() {
  const std::shared_ptr<mtl::Device> device = mglSharedMTLDevice();
  maxAnisotropy_ = 16;
  for (mtl::NSUInteger count : {1, 2, 4, 8, 16, 32, 64}) {
    if (device->supportsTextureSampleCount(count)) maxSampleCount_ = static_cast<std::int32_t>(count);
  }
  maxTextureSize_ = 4096;
  if (device->supportsFeatureSet(mtl::FeatureSet::iOS_GPUFamily1_v2)) maxTextureSize_ = 8192;
  if (device->supportsFeatureSet(mtl::FeatureSet::iOS_GPUFamily3_v1)) maxTextureSize_ = 16384;
  depth16Unorm_ = deviceSupportsMTLGPUFamily(*device, mtl::GPUFamily::Apple1);
  storeAndResolve_ = device->supportsFeatureSet(mtl::FeatureSet::iOS_GPUFamily3_v2);
}

mtl::StorageMode mglTextureStorageMode(mtl::PixelFormat format, mtl::NSUInteger sampleCount) {
  const mtl::PixelFormatInfo* info = mtl::pixelFormatInfo(format);
  const bool depthOrStencil = info && (info->hasDepth || info->hasStencil);
  return depthOrStencil || sampleCount >= 2 ? mtl::StorageMode::Private
                                            : mtl::StorageMode::Shared;
}

std::string mglLibraryVersionString(bool includeBuild) {
  const std::string version =
      mglFormat("%u.%u.%u", {kVersionMajor, kVersionMinor, kVersionPatch});
  return includeBuild ? mglFormat("%@ (build %u)", {version, kBuild}) : version;
}

std::optional<GLint> mglGetLibraryParameter(GLenum pname) {
  switch (pname) {
    case GL_OPENGL_USE_METAL_MGL:
      return 1;
    case GL_OPENGLES_AVAILABILITY_MGL:
      return 0;
    case GL_METAL_AVAILABILITY_MGL:
      return mglSharedMTLDevice() ? 1 : 0;
    default:
      return std::nullopt;
  }
}

mtl::NSUInteger usageMGL(const mtl::TextureDescriptor& descriptor) { return descriptor.usage; }

void setUsageMGL(mtl::TextureDescriptor& descriptor, mtl::NSUInteger usage) {
  descriptor.usage = usage;
}

mtl::StorageMode storageModeMGL(const mtl::TextureDescriptor& descriptor) {
  return descriptor.storageMode;
}

void setStorageModeMGL(mtl::TextureDescriptor& descriptor, mtl::StorageMode mode) {
  descriptor.storageMode = mode;
}

mtl::CompareFunction compareFunctionMGL(const mtl::SamplerDescriptor& descriptor) {
  return descriptor.compareFunction;
}

void setCompareFunctionMGL(mtl::SamplerDescriptor& descriptor, mtl::CompareFunction function) {
  descriptor.compareFunction = function;
}
