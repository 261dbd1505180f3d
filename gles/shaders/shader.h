// A GL shader object: the text given to glShaderSource, the Metal source
// made from it (converted from GLSL, or the text's own Metal passage), the
// Metal function compiled from that source or found in the current shader
// library, the compile status and the info log.
//
// The compile status is true exactly while the shader holds a Metal
// function: every compile that fails drops the function of an earlier
// success. A shader whose source names a function of the shader library
// (GL_SHADER_SOURCE_LANG_METAL_FUNC) has no Metal source; compiling it
// logs that and keeps what its lookup found.
//
// Thread rules: a shader lives in its sharegroup's shader store and is used
// by the thread of a current context of that sharegroup; it has no lock.
// Conversions of GLSL are serialised process-wide (the converter's state
// is shared); Metal compiles run in parallel.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "gles/context/gl_object.h"

namespace mtl {
class Function;
class Library;
}  // namespace mtl

class MGLContext;

class MGLShader : public MGLGLObjectBase {
 public:
  explicit MGLShader(GLID glID);
  static MGLGLObjectBase* create(GLID glID) { return new MGLShader(glID); }

  // GL_VERTEX_SHADER or GL_FRAGMENT_SHADER; set once by glCreateShader.
  GLenum shaderType() const { return shaderType_; }
  void setShaderType(GLenum type) { shaderType_ = type; }

  // glShaderSource (the count already checked): joins the strings, splits
  // the text by language and prepares the Metal source as the context's
  // shader source language says.
  void set(GLsizei count, const GLchar* const* strings, const GLint* lengths, MGLContext& context);
  // glCompileShader: compiles the Metal source into the shader's function.
  void compileWithContext(MGLContext& context);
  // glGetShaderiv; -1 (with GL_INVALID_ENUM) for an unknown name.
  GLint getParameter(GLenum pname) const;

  // The Metal function's name: the one set, or "VertexShader<GLID>" /
  // "FragmentShader<GLID>" made on first request.
  const std::string& name();
  // Nothing clears it, so that the default name applies again.
  void setName(std::optional<std::string> name) { name_ = std::move(name); }

  const std::string& infoLog() const { return infoLog_; }
  const std::string& sourceCode() const { return sourceCode_; }
  const std::optional<std::string>& mslSourceCode() const { return mslSourceCode_; }
  const std::shared_ptr<mtl::Function>& mtlFunction() const { return mtlFunction_; }
  bool isCompiled() const { return isCompiled_; }
  bool isDeleted() const { return isDeleted_; }
  void setIsDeleted(bool deleted) { isDeleted_ = deleted; }

  // The log becomes old log, a blank line and `text`, trimmed at both ends.
  void appendToLog(std::string_view text);

  // The steps of preparing and compiling.
  std::optional<std::string> convertGLSLSource(std::string_view glsl, MGLContext& context);
  std::optional<std::string> getShaderFunctionNameFromMSLSource(std::string_view msl);
  void setShaderFunction(std::optional<std::string> functionName, MGLContext& context);
  void setMtlFunctionFromMTLLibrary(const mtl::Library& library);

  // "MGLShader type GL_VERTEX_SHADER (GLID 3)".
  std::string description() const override;

 private:
  // A failed compile leaves no function and no status.
  void dropFunction();

  std::optional<std::string> name_;
  std::shared_ptr<mtl::Function> mtlFunction_;
  std::string sourceCode_;
  std::optional<std::string> mslSourceCode_;
  std::string infoLog_;
  GLenum shaderType_ = 0;
  bool isCompiled_ = false;
  bool isDeleted_ = false;
  // The last source named a library function rather than giving source.
  bool namesLibraryFunction_ = false;
};
