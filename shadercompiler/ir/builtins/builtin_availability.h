// Availability predicates of built-in overloads: pure functions of the
// shader's language (ES or desktop), version, stage and enabled extensions.
#pragma once

struct glsl_parse_state;

bool avail_always(const glsl_parse_state *state);
bool avail_desktop(const glsl_parse_state *state);
bool avail_desktop_fragment(const glsl_parse_state *state);
bool avail_120_or_es300(const glsl_parse_state *state);
bool avail_130_or_es300(const glsl_parse_state *state);
bool avail_130_or_es300_fragment(const glsl_parse_state *state);
bool avail_desktop140(const glsl_parse_state *state);
bool avail_fragment(const glsl_parse_state *state);
bool avail_geometry(const glsl_parse_state *state);
bool avail_compat_vertex(const glsl_parse_state *state);
bool avail_geometry_streams(const glsl_parse_state *state);
bool avail_fragment_derivatives(const glsl_parse_state *state);
bool avail_fragment_derivative_control(const glsl_parse_state *state);
bool avail_fragment_gpu_shader5(const glsl_parse_state *state);
bool avail_gpu_shader5(const glsl_parse_state *state);
bool avail_bit_encoding(const glsl_parse_state *state);
bool avail_packing_or_es300_or_gpu_shader5(const glsl_parse_state *state);
bool avail_packing_or_es300(const glsl_parse_state *state);
bool avail_packing_or_gpu_shader5(const glsl_parse_state *state);
bool avail_integer_mix(const glsl_parse_state *state);
bool avail_atomic_counters(const glsl_parse_state *state);
bool avail_image_load_store(const glsl_parse_state *state);
bool avail_trinary_minmax(const glsl_parse_state *state);
bool avail_texture_rectangle(const glsl_parse_state *state);
bool avail_external_image(const glsl_parse_state *state);
bool avail_texture_array(const glsl_parse_state *state);
bool avail_texture_array_fragment(const glsl_parse_state *state);
bool avail_lod_in_stage(const glsl_parse_state *state);
bool avail_desktop_lod(const glsl_parse_state *state);
bool avail_texture_array_lod(const glsl_parse_state *state);
bool avail_texture_3d(const glsl_parse_state *state);
bool avail_texture_3d_fragment(const glsl_parse_state *state);
bool avail_texture_3d_lod(const glsl_parse_state *state);
bool avail_arb_texture_lod(const glsl_parse_state *state);
bool avail_arb_texture_lod_rect(const glsl_parse_state *state);
bool avail_ext_texture_lod(const glsl_parse_state *state);
bool avail_es_fragment_ext_texture_lod(const glsl_parse_state *state);
bool avail_shadow_samplers(const glsl_parse_state *state);
bool avail_cube_map_array(const glsl_parse_state *state);
bool avail_cube_map_array_fragment(const glsl_parse_state *state);
bool avail_multisample(const glsl_parse_state *state);
bool avail_gather(const glsl_parse_state *state);
bool avail_gather_only(const glsl_parse_state *state);
bool avail_query_lod(const glsl_parse_state *state);
bool avail_query_levels(const glsl_parse_state *state);
