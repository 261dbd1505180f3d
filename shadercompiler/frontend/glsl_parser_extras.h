// The front end's per-compilation parse state and its error report, as far
// as the compiler's IR, types and built-ins use them.
#pragma once

#include <cstddef>

#include "shadercompiler/ir/support/standalone_scaffolding.h"

class glsl_symbol_table;
struct ast_to_hir_state;
struct exec_list;
struct gl_context;
struct glsl_type;

// A source position; callers without one pass all zeros.
struct glsl_source_location {
  unsigned first_line;
  unsigned first_column;
  unsigned last_line;
  unsigned last_column;
  unsigned source;
};

struct glsl_parse_state {
  glsl_parse_state(gl_shader_stage stage, bool is_es, unsigned glsl_version);
  ~glsl_parse_state();
  glsl_parse_state(const glsl_parse_state &) = delete;
  glsl_parse_state &operator=(const glsl_parse_state &) = delete;

  // Pool allocation: the state dies with `ctx`, running its destructor.
  static void *operator new(size_t size, void *ctx);
  static void operator delete(void *state);

  bool is_es;
  unsigned glsl_version;  // major x 100 + minor
  gl_shader_stage shader_stage;
  bool uses_builtins = false;
  bool error = false;
  char *info_log;  // pool string, child of the state
  glsl_symbol_table *symbols;

  // Set when the shader enables the extension.
  bool AMD_shader_trinary_minmax_enable = false;
  bool ARB_derivative_control_enable = false;
  bool ARB_gpu_shader5_enable = false;
  bool ARB_shader_atomic_counters_enable = false;
  bool ARB_shader_bit_encoding_enable = false;
  bool ARB_shader_image_load_store_enable = false;
  bool ARB_shader_texture_lod_enable = false;
  bool ARB_shading_language_packing_enable = false;
  bool ARB_texture_cube_map_array_enable = false;
  bool ARB_texture_gather_enable = false;
  bool ARB_texture_multisample_enable = false;
  bool ARB_texture_query_levels_enable = false;
  bool ARB_texture_query_lod_enable = false;
  bool ARB_texture_rectangle_enable = false;
  bool EXT_shader_integer_mix_enable = false;
  bool EXT_shader_texture_lod_enable = false;
  bool EXT_shadow_samplers_enable = false;
  bool EXT_texture_array_enable = false;
  bool OES_EGL_image_external_enable = false;
  bool OES_standard_derivatives_enable = false;
  bool OES_texture_3D_enable = false;

  // Front-end bookkeeping below: none of it is read by the IR or built-ins.

  // Limits and extension support of the context compiled for; null only in
  // tests of the IR that build a state by hand.
  const gl_context *ctx = nullptr;
  // Extensions set to "warn" (bit i: row i of the extension table).
  unsigned extension_warn_mask = 0;
  // #pragma STDGL invariant(all): every output is invariant.
  bool all_invariant = false;
  // #pragma optimize and #pragma debug.
  bool pragma_optimize = true;
  bool pragma_debug = false;
  unsigned error_count = 0;
  unsigned warning_count = 0;
  // The translation to IR under way, or null.
  ast_to_hir_state *hir = nullptr;
};

// Sets the error flag and appends "(line,column): error: message\n" to the
// info log. Never fails.
void glsl_error(const glsl_source_location *location, glsl_parse_state *state,
                const char *fmt, ...) __attribute__((format(printf, 3, 4)));

// Appends "(line,column): warning: message\n" to the info log; the error
// flag stays as it is.
void glsl_warning(const glsl_source_location *location, glsl_parse_state *state,
                  const char *fmt, ...) __attribute__((format(printf, 3, 4)));

// "type name(param, param)" for messages: a new pool string without a parent
// that the caller frees with ralloc_free. `return_type` may be null;
// `parameters` is a list of ir_variable.
char *function_prototype_string(const glsl_type *return_type, const char *name,
                                exec_list *parameters);
