// One-call shaders of built-in overloads, for the availability sweeps of
// the built-in library and of the front end.
#pragma once

#include <string>
#include <vector>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace shctest {

// "name(type, type)" of an overload, as the availability fixtures list it.
std::string builtin_prototype(const char *name, const ir_function_signature *sig);

// A constant expression of the type, for const-in parameters.
std::string constant_of(const glsl_type *type);

// A shader of the language version whose only work is one call of the
// overload, with locals (uniforms for samplers) as arguments, after
// "#extension name : enable" for each of `extensions`.
std::string one_call_shader(const char *name, const ir_function_signature *sig, unsigned version,
                            bool es, gl_shader_stage stage, const std::vector<const char *> &extensions);

}  // namespace shctest
