// The GLSL printer: a shader's IR as GLSL text of the shader's own language
// version, which compiles again to IR that computes the same. Local
// variables that share a name after inlining, and the compiler's
// temporaries, get numbered names no declaration of the shader uses.
//
// Thread rules: no state outside the call; the IR is only read.
#pragma once

#include <string>

#include "shadercompiler/ir/support/standalone_scaffolding.h"

struct exec_list;

struct glsl_print_options {
  unsigned version = 100;  // 100, 110 or 120
  bool is_es = true;
  gl_shader_stage stage = SHC_SHADER_VERTEX;
};

std::string ir_print_glsl(exec_list *instructions, const glsl_print_options &options);
