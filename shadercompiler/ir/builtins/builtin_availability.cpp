// Availability predicates of built-in overloads.
#include "shadercompiler/ir/builtins/builtin_availability.h"

#include "shadercompiler/frontend/glsl_parser_extras.h"

namespace {

// At least version `desktop` in desktop GLSL, at least `es` in GLSL ES.
bool version_at_least(const glsl_parse_state *s, unsigned desktop, unsigned es) {
  return s->glsl_version >= (s->is_es ? es : desktop);
}

bool desktop_at_least(const glsl_parse_state *s, unsigned version) {
  return !s->is_es && s->glsl_version >= version;
}

bool is_vertex(const glsl_parse_state *s) { return s->shader_stage == SHC_SHADER_VERTEX; }
bool is_fragment(const glsl_parse_state *s) { return s->shader_stage == SHC_SHADER_FRAGMENT; }
bool is_geometry(const glsl_parse_state *s) { return s->shader_stage == SHC_SHADER_GEOMETRY; }

}  // namespace

bool avail_always(const glsl_parse_state *) { return true; }
bool avail_desktop(const glsl_parse_state *s) { return !s->is_es; }
bool avail_desktop_fragment(const glsl_parse_state *s) { return !s->is_es && is_fragment(s); }
bool avail_120_or_es300(const glsl_parse_state *s) { return version_at_least(s, 120, 300); }
bool avail_130_or_es300(const glsl_parse_state *s) { return version_at_least(s, 130, 300); }
bool avail_130_or_es300_fragment(const glsl_parse_state *s) {
  return avail_130_or_es300(s) && is_fragment(s);
}
bool avail_desktop140(const glsl_parse_state *s) { return desktop_at_least(s, 140); }
bool avail_fragment(const glsl_parse_state *s) { return is_fragment(s); }
bool avail_geometry(const glsl_parse_state *s) { return is_geometry(s); }
bool avail_compat_vertex(const glsl_parse_state *s) {
  return is_vertex(s) && !s->is_es && s->glsl_version <= 130;
}
bool avail_geometry_streams(const glsl_parse_state *s) {
  return is_geometry(s) && (desktop_at_least(s, 400) || s->ARB_gpu_shader5_enable);
}
bool avail_fragment_derivatives(const glsl_parse_state *s) {
  return is_fragment(s) &&
         (version_at_least(s, 110, 300) || s->OES_standard_derivatives_enable);
}
bool avail_fragment_derivative_control(const glsl_parse_state *s) {
  return is_fragment(s) && (desktop_at_least(s, 450) || s->ARB_derivative_control_enable);
}
bool avail_fragment_gpu_shader5(const glsl_parse_state *s) {
  return is_fragment(s) && avail_gpu_shader5(s);
}
bool avail_gpu_shader5(const glsl_parse_state *s) {
  return desktop_at_least(s, 400) || s->ARB_gpu_shader5_enable;
}
bool avail_bit_encoding(const glsl_parse_state *s) {
  return version_at_least(s, 330, 300) || s->ARB_shader_bit_encoding_enable ||
         s->ARB_gpu_shader5_enable;
}
bool avail_packing_or_es300_or_gpu_shader5(const glsl_parse_state *s) {
  return s->ARB_shading_language_packing_enable || s->ARB_gpu_shader5_enable ||
         version_at_least(s, 400, 300);
}
bool avail_packing_or_es300(const glsl_parse_state *s) {
  return s->ARB_shading_language_packing_enable || version_at_least(s, 400, 300);
}
bool avail_packing_or_gpu_shader5(const glsl_parse_state *s) {
  return s->ARB_shading_language_packing_enable || avail_gpu_shader5(s);
}
bool avail_integer_mix(const glsl_parse_state *s) {
  return avail_130_or_es300(s) && s->EXT_shader_integer_mix_enable;
}
bool avail_atomic_counters(const glsl_parse_state *s) {
  return s->ARB_shader_atomic_counters_enable;
}
bool avail_image_load_store(const glsl_parse_state *s) {
  return desktop_at_least(s, 420) || s->ARB_shader_image_load_store_enable;
}
bool avail_trinary_minmax(const glsl_parse_state *s) {
  return s->AMD_shader_trinary_minmax_enable;
}
bool avail_texture_rectangle(const glsl_parse_state *s) {
  return s->ARB_texture_rectangle_enable;
}
bool avail_external_image(const glsl_parse_state *s) {
  return s->OES_EGL_image_external_enable;
}
bool avail_texture_array(const glsl_parse_state *s) { return s->EXT_texture_array_enable; }
bool avail_texture_array_fragment(const glsl_parse_state *s) {
  return is_fragment(s) && s->EXT_texture_array_enable;
}
bool avail_lod_in_stage(const glsl_parse_state *s) {
  return is_vertex(s) || avail_130_or_es300(s) || s->ARB_shader_texture_lod_enable;
}
bool avail_desktop_lod(const glsl_parse_state *s) {
  return !s->is_es && avail_lod_in_stage(s);
}
bool avail_texture_array_lod(const glsl_parse_state *s) {
  return s->EXT_texture_array_enable && avail_lod_in_stage(s);
}
bool avail_texture_3d(const glsl_parse_state *s) {
  return !s->is_es || s->OES_texture_3D_enable || s->glsl_version >= 300;
}
bool avail_texture_3d_fragment(const glsl_parse_state *s) {
  return is_fragment(s) && (!s->is_es || s->OES_texture_3D_enable);
}
bool avail_texture_3d_lod(const glsl_parse_state *s) {
  return avail_texture_3d(s) && avail_lod_in_stage(s);
}
bool avail_arb_texture_lod(const glsl_parse_state *s) {
  return s->ARB_shader_texture_lod_enable;
}
bool avail_arb_texture_lod_rect(const glsl_parse_state *s) {
  return s->ARB_shader_texture_lod_enable && s->ARB_texture_rectangle_enable;
}
bool avail_ext_texture_lod(const glsl_parse_state *s) {
  return s->EXT_shader_texture_lod_enable;
}
bool avail_es_fragment_ext_texture_lod(const glsl_parse_state *s) {
  return is_fragment(s) && s->is_es && s->glsl_version >= 100 &&
         s->EXT_shader_texture_lod_enable;
}
bool avail_shadow_samplers(const glsl_parse_state *s) { return s->EXT_shadow_samplers_enable; }
bool avail_cube_map_array(const glsl_parse_state *s) {
  return desktop_at_least(s, 400) || s->ARB_texture_cube_map_array_enable;
}
bool avail_cube_map_array_fragment(const glsl_parse_state *s) {
  return is_fragment(s) && avail_cube_map_array(s);
}
bool avail_multisample(const glsl_parse_state *s) {
  return desktop_at_least(s, 150) || s->ARB_texture_multisample_enable;
}
bool avail_gather(const glsl_parse_state *s) {
  return desktop_at_least(s, 400) || s->ARB_texture_gather_enable ||
         s->ARB_gpu_shader5_enable;
}
bool avail_gather_only(const glsl_parse_state *s) {
  return !desktop_at_least(s, 400) && !s->ARB_gpu_shader5_enable &&
         s->ARB_texture_gather_enable;
}
bool avail_query_lod(const glsl_parse_state *s) {
  return is_fragment(s) && s->ARB_texture_query_lod_enable;
}
bool avail_query_levels(const glsl_parse_state *s) {
  return desktop_at_least(s, 430) || s->ARB_texture_query_levels_enable;
}
