// From optimised IR to the Metal shading language: the rewrites for
// Metal's conventions, the checks of what Metal cannot express, the
// lowerings the Metal printer relies on, and the printer. The grammar it
// prints is written down in metal_subset.md next to this file.
//
// Thread rules: no state outside the calls; serialised with the front end
// like the other passes.
#pragma once

#include <string>
#include <vector>

#include "shadercompiler/ir/support/standalone_scaffolding.h"

struct exec_list;

// GL's conventions turned into Metal's, in place:
// - with `invert_y`, 2D lookups sample (s, 1 - t) and their gradients
//   negate t; cube lookups sample (x, -y, z) (the uploads store rows upside
//   down and exchange the two Y faces); projective 2D lookups divide first,
//   sampling (s/q, t/q), inverted to (s/q, 1 - t/q);
// - dFdy is negated, since Metal's window y grows downwards;
// - a vertex shader's gl_Position.z becomes (z + w) / 2 at the end of main,
//   from GL's clip range -w..w to Metal's 0..w;
// - gl_DepthRange is the constant (0, 1, 1).
// Needs main's returns lowered (one exit).
void apply_metal_rewrites(exec_list *instructions, gl_shader_stage stage, bool invert_y);

// What the IR holds that the Metal printer cannot express, one message per
// construct naming it; empty when the shader can be printed.
std::vector<std::string> metal_refusals(exec_list *instructions, gl_shader_stage stage);

// Rewrites the Metal printer needs after the last optimisation: GLSL's mod
// as fma(-y, floor(x / y), x) over values evaluated once, component-wise
// matrix operations column by column, sampler array elements chosen at run
// time by a chain of ifs, whole-array assignments element by element, and
// comparisons of structures, arrays and matrices component by component.
void lower_for_metal(exec_list *instructions, gl_shader_stage stage);

struct metal_print_options {
  gl_shader_stage stage = SHC_SHADER_VERTEX;
  std::string function_name = "xlatMtlMain";
};

// The Metal source of one shader; the IR must have passed metal_refusals
// and lower_for_metal.
std::string ir_print_metal(exec_list *instructions, const metal_print_options &options);

// The words the printer never gives a variable or structure of its own
// making: the language's keywords, types and functions (the chart's
// sampler name "texture" is not among them).
const std::vector<std::string> &metal_reserved_words();
bool is_metal_reserved_word(const std::string &word);
