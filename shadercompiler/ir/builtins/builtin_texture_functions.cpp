// Builds the texture built-ins from their tables.
#include <cstring>
#include <string>
#include <string_view>

#include "shadercompiler/ir/builtins/builtin_construction.h"
#include "shadercompiler/ir/builtins/builtin_texture_bodies.h"
#include "shadercompiler/ir/builtins/builtin_texture_table.h"
#include "shadercompiler/ir/support/shc_assert.h"

namespace builtins {
namespace {

const glsl_type *type_named(std::string_view name) {
  const glsl_type *t = glsl_type::builtin_by_name(std::string(name).c_str());
  SHC_ASSERT(t != NULL);
  return t;
}

// What a lookup on the sampler returns.
const glsl_type *lookup_result(const glsl_type *sampler, bool shadow_vec4) {
  if (sampler->sampler_shadow)
    return shadow_vec4 ? glsl_type::vec4_type : glsl_type::float_type;
  switch (sampler->sampler_type) {
    case GLSL_TYPE_INT: return glsl_type::ivec4_type;
    case GLSL_TYPE_UINT: return glsl_type::uvec4_type;
    default: return glsl_type::vec4_type;
  }
}

ir_function_signature *build_overload(const texture_row &row, const glsl_type *sampler,
                                      std::string_view argument) {
  const size_t plus = argument.find('+');
  const glsl_type *second = argument.empty() ? nullptr : type_named(argument.substr(0, plus));
  switch (row.kind) {
    case LOOKUP:
      return texture_builder(row.op, row.avail, lookup_result(sampler, row.shadow_vec4),
                             sampler, second, row.flags);
    case COMPARE_CUBE_ARRAY:
      return texture_cube_array_shadow_builder(row.avail);
    case FETCH:
      return texel_fetch_builder(row.avail, lookup_result(sampler, false), sampler, second,
                                 plus == std::string_view::npos
                                     ? nullptr
                                     : type_named(argument.substr(plus + 1)));
    case SIZE:
      return texture_size_builder(row.avail, second, sampler);
    case QUERY_LOD:
      return query_lod_builder(row.avail, sampler, second);
    case QUERY_LEVELS:
      return query_levels_builder(row.avail, sampler);
  }
  return nullptr;
}

// Appends the overloads of one row.
void build_row(const texture_row &row, signature_list &sigs) {
  std::string_view rest = row.overloads;
  while (!rest.empty()) {
    const size_t end = rest.find(' ');
    std::string_view token = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (token.empty()) continue;
    const size_t colon = token.find(':');
    std::string_view sampler = token.substr(0, colon);
    std::string_view argument =
        colon == std::string_view::npos ? std::string_view() : token.substr(colon + 1);
    if (sampler.front() == 'g') {
      sampler.remove_prefix(1);
      for (const char *prefix : {"", "i", "u"})
        sigs.push_back(build_overload(row, type_named(prefix + std::string(sampler)), argument));
    } else {
      sigs.push_back(build_overload(row, type_named(sampler), argument));
    }
  }
}

void create_from_rows(std::span<const texture_row> rows) {
  for (size_t i = 0; i < rows.size();) {
    signature_list sigs;
    size_t j = i;
    for (; j < rows.size() && std::strcmp(rows[j].name, rows[i].name) == 0; j++)
      build_row(rows[j], sigs);
    add_builtin_function(rows[i].name, sigs);
    i = j;
  }
}

}  // namespace

void create_texture_functions() { create_from_rows(modern_texture_rows()); }

void create_legacy_texture_functions() {
  create_from_rows(texture_query_rows());
  create_from_rows(legacy_texture_rows());
}

}  // namespace builtins
