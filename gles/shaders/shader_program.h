// A GL program object; GLID 0 is the default program, which counts as
// linked and has no functions.
//
// The virtual operations are what the renderer, the pipeline state and the
// vertex arrays ask of a program; linking (from the shader side) fills in
// their answers. Tests stand in for a linked program by overriding them.
#pragma once

#include <cstdint>
#include <memory>

#include "gles/context/gl_object.h"

namespace mtl {
class Function;
}

class MGLRenderer;

// One active vertex attribute as the link assigned it.
struct MGLShaderProgramVertexAttributeBinding {
  GLint location = -1;           // GL attribute location, 0 to 15
  std::int64_t mtlIndex = -1;    // attribute index in the vertex function
};

class MGLShaderProgram : public MGLGLObjectBase {
 public:
  explicit MGLShaderProgram(GLID glID)
      : MGLGLObjectBase(glID, MGLObjectKind::ShaderProgram, "MGLShaderProgram") {}
  // Drops the current context's cached pipelines of this program: a later
  // program reusing the name must not find them.
  ~MGLShaderProgram() override;
  static MGLGLObjectBase* create(GLID glID) { return new MGLShaderProgram(glID); }

  virtual bool isLinked() const { return glID() == 0; }
  // Active vertex attributes in the order the link found them.
  virtual std::uint64_t activeVertexAttributeCount() const { return 0; }
  virtual MGLShaderProgramVertexAttributeBinding activeVertexAttribute(std::uint64_t) const {
    return {};
  }
  // The program's map of Metal attribute indices to locations; equal maps
  // are one object, so vertex arrays compare it by identity.
  virtual const void* vertexAttributeLayout() const { return nullptr; }
  virtual std::shared_ptr<mtl::Function> vertexMTLFunction() { return nullptr; }
  virtual std::shared_ptr<mtl::Function> fragmentMTLFunction() { return nullptr; }
  // Binds the uniform buffers and textures to the renderer's render encoder.
  virtual void renderTo(MGLRenderer&) {}
  // Cleared when the program becomes current, so its next draw binds all.
  virtual void setIsRendered(bool) {}
};
