// The compiler's C front end: a context converts one GLSL shader at a time
// into Metal source (and the optimised GLSL, for tests and logs).
//
// Thread rules: contexts may live on any thread and convert at once; the
// compiler's process-wide caches (the built-in function library, the array
// and record types) are shared, so one process-wide lock serialises
// conversions and the release of the caches. A context is used by one
// thread at a time.
#pragma once

#include <string>

#include "shadercompiler/ir/support/standalone_scaffolding.h"

struct shc_ctx;

struct shc_result {
  bool status = false;  // Metal source was produced
  std::string metal;    // empty on failure
  std::string glsl;     // the optimised GLSL; empty when it did not compile
  std::string log;      // the compiler's messages, one per line; may be empty
};

// A context with the GL layer's limits (16 attributes, 16 texture units per
// stage and 32 combined, 512 uniform vectors per stage, 16 varying vectors)
// and the inversion of the texture coordinates' Y axis on or off.
shc_ctx *shc_create_context(bool invert_texcoord_y);
void shc_destroy_context(shc_ctx *ctx);
void shc_set_invert_texcoord_y(shc_ctx *ctx, bool invert);
// The limits and extensions the context compiles with.
const gl_context *shc_gl_context(const shc_ctx *ctx);

// Converts `text` as a vertex or fragment shader; `first_line` numbers the
// text's first line in the log; the Metal function is called
// `function_name`. Returns result->status.
bool shc_convert(shc_ctx *ctx, gl_shader_stage stage, const char *text, unsigned first_line,
                 const char *function_name, shc_result *result);

// Frees the built-in function library and the type caches; the next
// conversion builds them again.
void shc_release_caches();
