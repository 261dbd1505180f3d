#include "compile.h"

#include "shadercompiler/frontend/glsl_compiler.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace shctest {

void shader_deleter::operator()(gl_shader *shader) const { ralloc_free(shader); }

const gl_context &default_context() {
  static const gl_context ctx = [] {
    gl_context c;
    initialize_context_defaults(&c, 3);
    return c;
  }();
  return ctx;
}

shader_ptr compile(const std::string &text, gl_shader_stage stage, const gl_context &ctx,
                   unsigned first_line) {
  shader_ptr shader(new_gl_shader(nullptr, 1, stage == SHC_SHADER_VERTEX ? GL_VERTEX_SHADER
                                                                         : GL_FRAGMENT_SHADER));
  glsl_compile_shader(&ctx, shader.get(), text.c_str(), first_line);
  return shader;
}

}  // namespace shctest
