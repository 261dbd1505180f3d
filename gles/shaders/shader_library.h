// A shader library object: a Metal library of precompiled functions that
// shaders of language GL_SHADER_SOURCE_LANG_METAL_FUNC name. GLID 0 is the
// application's default library, made when first asked for and never
// replaced; any other library has content once compiled library data is
// loaded into it.
//
// Thread rules: a library lives in its sharegroup's store and may be asked
// for its Metal library by the threads of several contexts at once; one
// mutex guards the field (the Metal work runs outside it).
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>

#include "gles/context/gl_object.h"

namespace mtl {
class Library;
}

class MGLShaderLibrary : public MGLGLObjectBase {
 public:
  explicit MGLShaderLibrary(GLID glID)
      : MGLGLObjectBase(glID, MGLObjectKind::ShaderLibrary, "MGLShaderLibrary") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLShaderLibrary(glID); }

  // The library's functions, or null while it has none.
  std::shared_ptr<mtl::Library> mtlLibrary();
  // Loads compiled library data (a copy of `length` bytes); failures are
  // recorded as GL_INVALID_VALUE and leave the library without content.
  // The default library refuses.
  void setCompiledCode(const void* bytes, std::size_t length);

 private:
  std::mutex mutex_;
  std::shared_ptr<mtl::Library> mtlLibrary_;
};
