#include "shadercompiler/frontend/glsl_extensions.h"

#include <cstring>

namespace {

// Only extensions whose shading-language additions the front end and the
// built-in library implement for GLSL ES 1.00 and GLSL 1.10/1.20; the others
// the context supports need GLSL 1.30 or later (unsigned types, integer
// samplers, layout qualifiers) and are refused like unknown names.
const glsl_extension kExtensions[] = {
    {"GL_AMD_shader_trinary_minmax", false, true, &gl_extensions::dummy_true,
     &glsl_parse_state::AMD_shader_trinary_minmax_enable},
    {"GL_ARB_shader_texture_lod", false, true, &gl_extensions::ARB_shader_texture_lod,
     &glsl_parse_state::ARB_shader_texture_lod_enable},
    {"GL_ARB_texture_rectangle", false, true, &gl_extensions::dummy_true,
     &glsl_parse_state::ARB_texture_rectangle_enable},
    {"GL_EXT_texture_array", false, true, &gl_extensions::EXT_texture_array,
     &glsl_parse_state::EXT_texture_array_enable},
    {"GL_EXT_shader_texture_lod", true, false, &gl_extensions::ARB_shader_texture_lod,
     &glsl_parse_state::EXT_shader_texture_lod_enable},
    {"GL_EXT_shadow_samplers", true, false, &gl_extensions::EXT_shadow_samplers,
     &glsl_parse_state::EXT_shadow_samplers_enable},
    {"GL_OES_EGL_image_external", true, false, &gl_extensions::OES_EGL_image_external,
     &glsl_parse_state::OES_EGL_image_external_enable},
    {"GL_OES_standard_derivatives", true, false, &gl_extensions::OES_standard_derivatives,
     &glsl_parse_state::OES_standard_derivatives_enable},
    {"GL_OES_texture_3D", true, false, &gl_extensions::OES_texture_3D,
     &glsl_parse_state::OES_texture_3D_enable},
};

static_assert(std::size(kExtensions) <= 32, "the warn mask holds 32 rows");

}  // namespace

std::span<const glsl_extension> glsl_extension_table() { return kExtensions; }

const glsl_extension *glsl_find_extension(const char *name) {
  for (const glsl_extension &e : kExtensions)
    if (std::strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

bool glsl_extension_offered(const glsl_extension &extension,
                            const glsl_parse_state *state) {
  if (state->ctx == nullptr || !(state->ctx->Extensions.*extension.supported)) return false;
  return state->is_es ? extension.es : extension.desktop;
}
