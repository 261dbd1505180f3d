// Which built-in type names a shader sees, by language, version and the
// extensions it enables.
#include <cstring>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtin_type_table.h"
#include "shadercompiler/ir/glsl_types.h"

namespace {

// Records that desktop shaders before 1.40 see with the fixed-function state.
const char *const kDeprecatedRecords[] = {
    "gl_PointParameters",     "gl_MaterialParameters",
    "gl_LightSourceParameters", "gl_LightModelParameters",
    "gl_LightModelProducts",  "gl_LightProducts",
    "gl_FogParameters"};

struct extension_types {
  bool glsl_parse_state::*enable;
  const char *names[34];
};

// Image types in the order of the built-in list, then the atomic counter.
const extension_types kExtensionTypes[] = {
    {&glsl_parse_state::ARB_texture_cube_map_array_enable,
     {"samplerCubeArray", "samplerCubeArrayShadow", "isamplerCubeArray",
      "usamplerCubeArray"}},
    {&glsl_parse_state::ARB_texture_multisample_enable,
     {"sampler2DMS", "isampler2DMS", "usampler2DMS", "sampler2DMSArray",
      "isampler2DMSArray", "usampler2DMSArray"}},
    {&glsl_parse_state::ARB_texture_rectangle_enable,
     {"sampler2DRect", "sampler2DRectShadow"}},
    {&glsl_parse_state::EXT_texture_array_enable,
     {"sampler1DArray", "sampler2DArray", "sampler1DArrayShadow",
      "sampler2DArrayShadow"}},
    {&glsl_parse_state::OES_EGL_image_external_enable, {"samplerExternalOES"}},
    {&glsl_parse_state::EXT_shadow_samplers_enable, {"sampler2DShadow"}},
    {&glsl_parse_state::OES_texture_3D_enable, {"sampler3D"}},
    {&glsl_parse_state::ARB_shader_image_load_store_enable,
     {"image1D",         "image2D",         "image3D",
      "image2DRect",     "imageCube",       "imageBuffer",
      "image1DArray",    "image2DArray",    "imageCubeArray",
      "image2DMS",       "image2DMSArray",  "iimage1D",
      "iimage2D",        "iimage3D",        "iimage2DRect",
      "iimageCube",      "iimageBuffer",    "iimage1DArray",
      "iimage2DArray",   "iimageCubeArray", "iimage2DMS",
      "iimage2DMSArray", "uimage1D",        "uimage2D",
      "uimage3D",        "uimage2DRect",    "uimageCube",
      "uimageBuffer",    "uimage1DArray",   "uimage2DArray",
      "uimageCubeArray", "uimage2DMS",      "uimage2DMSArray"}},
    {&glsl_parse_state::ARB_shader_atomic_counters_enable, {"atomic_uint"}},
};

void add_type(glsl_symbol_table *symbols, const char *name) {
  symbols->add_type(name, glsl_type::builtin_by_name(name));
}

}  // namespace

void add_builtin_types(glsl_parse_state *state) {
  for (const builtin_type_version &row : builtin_type_versions()) {
    unsigned min_version = state->is_es ? row.min_es : row.min_desktop;
    if (min_version != 0 && state->glsl_version >= min_version)
      add_type(state->symbols, row.name);
  }
  if (!state->is_es && state->glsl_version < 140) {
    for (const char *name : kDeprecatedRecords) add_type(state->symbols, name);
  }
  for (const extension_types &extension : kExtensionTypes) {
    if (!(state->*extension.enable)) continue;
    for (const char *name : extension.names) {
      if (name == nullptr) break;
      add_type(state->symbols, name);
    }
  }
}
