// The Metal side of the graphics layer: the shared device every context
// runs on, its limits as the GL queries report them, the storage mode of a
// texture, the library's version and the queries answered without a context.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "gles/context/gl_types.h"
#include "gles/context/object.h"
#include "platform/metal/device.h"
#include "platform/metal/states.h"
#include "platform/metal/texture.h"

// Made on first use (and on any later call while it is still missing).
std::shared_ptr<mtl::Device> mglSharedMTLDevice();

class MGLPlatform : public MGLObject {
 public:
  // Reads the shared device's limits once.
  MGLPlatform();
  const char* className() const override { return "MGLPlatform"; }

  bool supportsMTLPixelFormatDepth16Unorm() const { return depth16Unorm_; }
  bool supportsMultisampleStoreAndResolve() const { return storeAndResolve_; }
  std::int32_t maxTextureSize() const { return maxTextureSize_; }
  std::int32_t maxTextureMaxAnisotropy() const { return maxAnisotropy_; }
  std::int32_t maxSampleCount() const { return maxSampleCount_; }

  // NO when the device cannot answer family questions (older systems).
  static bool deviceSupportsMTLGPUFamily(const mtl::Device& device, mtl::GPUFamily family);

 private:
  bool depth16Unorm_ = false;
  bool storeAndResolve_ = false;
  std::int32_t maxTextureSize_ = 0;
  std::int32_t maxAnisotropy_ = 0;
  std::int32_t maxSampleCount_ = 0;
};

// The descriptor settings the texture and renderbuffer code writes. Older
// systems lacked some of them: a reader then answers 0 and a writer does
// nothing. Every descriptor of this platform has all three.
mtl::NSUInteger usageMGL(const mtl::TextureDescriptor& descriptor);
void setUsageMGL(mtl::TextureDescriptor& descriptor, mtl::NSUInteger usage);
mtl::StorageMode storageModeMGL(const mtl::TextureDescriptor& descriptor);
void setStorageModeMGL(mtl::TextureDescriptor& descriptor, mtl::StorageMode mode);
mtl::CompareFunction compareFunctionMGL(const mtl::SamplerDescriptor& descriptor);
void setCompareFunctionMGL(mtl::SamplerDescriptor& descriptor, mtl::CompareFunction function);

// Private storage for depth, stencil and multisample textures, else shared.
mtl::StorageMode mglTextureStorageMode(mtl::PixelFormat format, mtl::NSUInteger sampleCount);

// "0.29.1", or "0.29.1 (build 1)" with the build.
std::string mglLibraryVersionString(bool includeBuild);

// The library's own answer to an integer query, or nothing when the
// query belongs to the context.
std::optional<GLint> mglGetLibraryParameter(GLenum pname);
