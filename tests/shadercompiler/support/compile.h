// Compiling a shader for a test, with the default context of the converter.
#pragma once

#include <memory>
#include <string>

#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace shctest {

struct shader_deleter {
  void operator()(gl_shader *shader) const;
};
using shader_ptr = std::unique_ptr<gl_shader, shader_deleter>;

// The context every compilation of the tests uses: initialize_context_defaults.
const gl_context &default_context();

// Compiles the text as a vertex or fragment shader.
shader_ptr compile(const std::string &text, gl_shader_stage stage,
                   const gl_context &ctx = default_context(), unsigned first_line = 1);

}  // namespace shctest
