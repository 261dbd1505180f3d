// The front end's entry: GLSL text in, the shader's IR out.
//
// Thread rules: the compiler keeps process-wide caches (the built-in
// function library, the array and record types) without locks; one thread
// at a time may compile or release them.
#pragma once

#include "shadercompiler/ir/support/standalone_scaffolding.h"

// Compiles `source` as the shader `shader` (made with new_gl_shader), for
// the limits and extensions of `ctx`; `first_line` is the number the text's
// first line has in messages. Everything the compilation keeps is a pool
// child of the record: the source, the log (always set, "" when there is
// nothing to say), and on success the IR, linked with the built-in
// functions it calls. A previous compilation's results are freed. Returns
// the compile status.
bool glsl_compile_shader(const gl_context *ctx, gl_shader *shader, const char *source,
                         unsigned first_line = 1);

// Frees the built-in function library and forgets the cached array and
// record types; the next compilation builds the library again.
void glsl_release_compiler_caches();
