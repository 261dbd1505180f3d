// A fixture for the tests of shaders, programs and uniforms: the renderer's
// fixture (a current context, the software GPU synchronous with its command
// log) plus shaders made, given source and compiled as glCreateShader,
// glShaderSource and glCompileShader do, and programs attached and linked
// through the context's pipeline cache as glLinkProgram does.
#pragma once

#include <string>

#include "gles/context/gl_enums.h"
#include "gles/shaders/shader.h"
#include "gles/shaders/shader_program.h"
#include "tests/gles/render_fixture.h"

namespace tessaly::test {

class ShaderTest : public RenderTest {
 protected:
  // A new shader of `type` (glCreateShader).
  MGLShader* newShader(GLenum type) {
    const GLID name = context->shaders()->generateGLID();
    auto* shader = static_cast<MGLShader*>(context->shaders()->getObjectWithGLID(name));
    shader->setShaderType(type);
    return shader;
  }
  // glShaderSource with one string under `language`.
  void setSource(MGLShader* shader, const std::string& source,
                 GLenum language = GL_SHADER_SOURCE_LANG_AUTO) {
    context->setShaderSourceLanguage(language);
    const GLchar* text = source.c_str();
    shader->set(1, &text, nullptr, *context);
  }
  // A shader of `type` given `source` and compiled.
  MGLShader* compiledShader(GLenum type, const std::string& source,
                            GLenum language = GL_SHADER_SOURCE_LANG_AUTO) {
    MGLShader* shader = newShader(type);
    setSource(shader, source, language);
    shader->compileWithContext(*context);
    return shader;
  }
  // A new program (glCreateProgram).
  MGLShaderProgram* newProgram() {
    const GLID name = context->shaderPrograms()->generateGLID();
    return static_cast<MGLShaderProgram*>(context->shaderPrograms()->getObjectWithGLID(name));
  }
  MGLMutableRenderPipelineState& pipeline() { return *context->renderPipelineState(); }
  void link(MGLShaderProgram* program) {
    context->renderPipelineStateCache()->linkShaderProgram(program->glID());
  }
  // A program of the two sources, attached and linked.
  MGLShaderProgram* linkedProgram(const std::string& vertexSource,
                                  const std::string& fragmentSource) {
    MGLShaderProgram* program = newProgram();
    program->attachShaderWithGLID(compiledShader(GL_VERTEX_SHADER, vertexSource)->glID());
    program->attachShaderWithGLID(compiledShader(GL_FRAGMENT_SHADER, fragmentSource)->glID());
    link(program);
    return program;
  }
};

}  // namespace tessaly::test
