// The records the compiler keeps about a shader and about the API context it
// compiles for, with the defaults the converter starts from. Most of each
// record belongs to the front end; these routines set what every
// compilation relies on.
#pragma once

#include <cstdint>

enum gl_shader_stage : uint32_t {
  SHC_SHADER_VERTEX = 0,
  SHC_SHADER_GEOMETRY = 1,
  SHC_SHADER_FRAGMENT = 2,
  SHC_SHADER_COMPUTE = 3,
};
constexpr unsigned kShaderStages = 4;

class glsl_symbol_table;

constexpr uint32_t GL_VERTEX_SHADER = 0x8B31;
constexpr uint32_t GL_GEOMETRY_SHADER = 0x8DD9;
constexpr uint32_t GL_FRAGMENT_SHADER = 0x8B30;
constexpr uint32_t GL_COMPUTE_SHADER = 0x91B9;

struct exec_list;

struct gl_shader {
  uint32_t Type;  // GL shader enum
  gl_shader_stage Stage;
  uint32_t Name;
  int32_t RefCount;
  glsl_symbol_table *symbols;  // set by whoever fills the shader

  // Filled by the front end's compilation (glsl_compile_shader); pool
  // children of the record.
  const char *Source;
  exec_list *ir;        // the shader's IR; null when it did not compile
  uint32_t Version;     // 100, 110 or 120
  bool IsES;
  bool CompileStatus;
  char *InfoLog;
};

struct gl_program_limits {
  uint32_t MaxAttribs;
  uint32_t MaxUniformComponents;
  uint32_t MaxTextureImageUnits;
  uint32_t MaxInputComponents;
  uint32_t MaxOutputComponents;
};

struct gl_shader_compiler_options {
  uint32_t MaxIfDepth;
  uint32_t MaxUnrollIterations;
  bool EmitNoIndirectUniform;
};

struct gl_constants {
  uint32_t GLSLVersion;  // highest desktop language version offered
  uint32_t MaxLights;
  uint32_t MaxClipPlanes;
  uint32_t MaxTextureUnits;
  uint32_t MaxTextureCoordUnits;
  uint32_t MaxCombinedTextureImageUnits;
  uint32_t MaxDrawBuffers;
  uint32_t MaxVarying;  // vectors
  gl_program_limits Program[kShaderStages];
  uint32_t MaxComputeWorkGroupCount[3];
  uint32_t MaxComputeWorkGroupSize[3];
  uint32_t MaxComputeWorkGroupInvocations;
  uint32_t MaxGeometryOutputVertices;
  uint32_t MaxGeometryTextureImageUnits;
  bool GLSLSkipStrictMaxUniformLimitCheck;
  gl_shader_compiler_options ShaderCompilerOptions[kShaderStages];
};

// One byte per supported extension.
struct gl_extensions {
  bool dummy_true;  // read by extensions every context supports
  bool ARB_arrays_of_arrays;
  bool ARB_compute_shader;
  bool ARB_conservative_depth;
  bool ARB_derivative_control;
  bool ARB_draw_instanced;
  bool ARB_ES2_compatibility;
  bool ARB_ES3_compatibility;
  bool ARB_explicit_attrib_location;
  bool ARB_explicit_uniform_location;
  bool ARB_fragment_coord_conventions;
  bool ARB_fragment_layer_viewport;
  bool ARB_gpu_shader5;
  bool ARB_sample_shading;
  bool ARB_shader_atomic_counters;
  bool ARB_shader_bit_encoding;
  bool ARB_shader_image_load_store;
  bool ARB_shader_stencil_export;
  bool ARB_shader_texture_lod;
  bool ARB_shading_language_420pack;
  bool ARB_shading_language_packing;
  bool ARB_texture_cube_map_array;
  bool ARB_texture_gather;
  bool ARB_texture_multisample;
  bool ARB_texture_non_power_of_two;
  bool ARB_texture_query_levels;
  bool ARB_texture_query_lod;
  bool ARB_uniform_buffer_object;
  bool ARB_viewport_array;
  bool AMD_vertex_shader_layer;
  bool AMD_vertex_shader_viewport_index;
  bool EXT_draw_buffers;
  bool EXT_draw_instanced;
  bool EXT_frag_depth;
  bool EXT_gpu_shader4;
  bool EXT_shader_framebuffer_fetch;
  bool EXT_shader_integer_mix;
  bool EXT_shadow_samplers;
  bool EXT_texture_array;
  bool OES_EGL_image_external;
  bool OES_standard_derivatives;
  bool OES_texture_3D;
};

struct gl_context {
  uint32_t API;
  gl_constants Const;
  gl_extensions Extensions;
};

// A zero-filled root record (`mem_ctx` is not used) with its type, stage,
// name and a reference count of 1.
gl_shader *new_gl_shader(void *mem_ctx, uint32_t name, uint32_t type);
gl_shader_stage _shc_shader_enum_to_shader_stage(uint32_t type);
// Clears the record and sets the defaults every compilation starts from.
void initialize_context_defaults(gl_context *ctx, uint32_t api);
