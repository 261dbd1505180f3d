// The static built-in type objects and the language versions that see them.
#pragma once

#include <span>

#include "shadercompiler/ir/glsl_types.h"

// First language version in which a shader sees a built-in type name; 0 or
// 999 (ES) means never.
struct builtin_type_version {
  const char *name;
  unsigned min_desktop;
  unsigned min_es;
};

std::span<const glsl_type> builtin_numeric_and_opaque_types();
std::span<const glsl_type> builtin_record_types();
std::span<const builtin_type_version> builtin_type_versions();
