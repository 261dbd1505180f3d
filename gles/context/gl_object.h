// The root of every GL-named object: its GLID, fixed at creation, and its
// label. When destroyed it clears its GLID from the stores of its kind.
#pragma once

#include <mutex>
#include <string>

#include "gles/context/gl_types.h"
#include "gles/context/object.h"

enum class MGLObjectKind {
  Buffer, Texture, Renderbuffer, Framebuffer, Shader, ShaderProgram, ShaderLibrary,
  VertexArrayObject, Marker,
};

class MGLGLObjectBase : public MGLObject {
 public:
  // `className` is the full class name ("MGLTexture").
  MGLGLObjectBase(GLID glID, MGLObjectKind kind, const char* className);
  ~MGLGLObjectBase() override;

  GLID glID() const { return glID_; }
  MGLObjectKind kind() const { return kind_; }
  const char* className() const override { return className_; }
  std::string label() const;
  // Objects with Metal resources label those too.
  virtual void setLabel(std::string label);
  // "GLTexture (GLID 5)": the class name less its first letter.
  std::string defaultLabel() const;
  // "MGLTexture (GLID 5)".
  std::string description() const override;

 private:
  const GLID glID_;
  const MGLObjectKind kind_;
  const char* className_;
  mutable std::mutex labelMutex_;
  std::string label_;
};
