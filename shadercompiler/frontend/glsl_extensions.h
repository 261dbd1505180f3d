// The extensions a shader can name in #extension: which language each is
// offered to, which support flag of the context offers it, and which enable
// flag of the parse state turns its built-ins and types on.
#pragma once

#include <span>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

struct glsl_extension {
  const char *name;
  bool es;       // offered to GLSL ES 1.00 shaders
  bool desktop;  // offered to GLSL 1.10 and 1.20 shaders
  bool gl_extensions::*supported;
  bool glsl_parse_state::*enable;
};

// Every extension the front end knows, in a fixed order (the bit of a row in
// `glsl_parse_state::extension_warn_mask` is its index).
std::span<const glsl_extension> glsl_extension_table();

// The row named `name`, or null.
const glsl_extension *glsl_find_extension(const char *name);

// Whether the shader of `state` may enable the extension: the context
// supports it and the shader's language is one it extends.
bool glsl_extension_offered(const glsl_extension &extension,
                            const glsl_parse_state *state);
