#include "gles/shaders/shader_library.h"

#include <cstdint>
#include <new>
#include <optional>
#include <vector>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "platform/metal/device.h"

std::shared_ptr<mtl::Library> MGLShaderLibrary::mtlLibrary() {
  {
    std::lock_guard lock(mutex_);
    if (mtlLibrary_ || glID() != 0) return mtlLibrary_;
  }
  // The device compiles its default library once and hands every caller
  // the same functions, so a race here only stores equal libraries.
  std::shared_ptr<mtl::Library> made = mglSharedMTLDevice()->newDefaultLibrary();
  std::lock_guard lock(mutex_);
  if (!mtlLibrary_) mtlLibrary_ = std::move(made);
  return mtlLibrary_;
}

void MGLShaderLibrary::setCompiledCode(const void* bytes, std::size_t length) {
  if (glID() == 0) {
    mglSetError(GL_INVALID_VALUE,
                "The default compiled shader library (GLID = 0) is created at development time "
                "and cannot be modified.");
    return;
  }
  {
    std::lock_guard lock(mutex_);
    mtlLibrary_ = nullptr;
  }
  std::optional<mtl::Error> error;
  std::shared_ptr<mtl::Library> library;
  try {
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    const std::vector<std::uint8_t> data =
        first ? std::vector<std::uint8_t>(first, first + length) : std::vector<std::uint8_t>();
    library = mglSharedMTLDevice()->newLibraryWithData(data, &error);
  } catch (const std::bad_alloc&) {
    mglSetError(GL_OUT_OF_MEMORY, "Could not allocate %llu bytes for shader library %u.",
                {static_cast<unsigned long long>(length), glID()});
    return;
  }
  {
    std::lock_guard lock(mutex_);
    mtlLibrary_ = library;
  }
  if (!error) return;
  if (!library) {
    mglSetError(GL_INVALID_VALUE, "Compiled shader library creation  failed (Error code %li):\n%@",
                {static_cast<long>(error->code), error->localizedDescription});
  } else {
    mglLog("mgl-info", "Compiled shader library creation succeeded with warnings (Error code %li):\n%@",
           {static_cast<long>(error->code), error->localizedDescription});
  }
}
