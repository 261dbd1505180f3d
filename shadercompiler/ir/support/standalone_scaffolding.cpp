#include "shadercompiler/ir/support/standalone_scaffolding.h"

#include <cstring>

#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/shc_assert.h"

gl_shader_stage _shc_shader_enum_to_shader_stage(uint32_t type) {
  switch (type) {
    case GL_VERTEX_SHADER: return SHC_SHADER_VERTEX;
    case GL_GEOMETRY_SHADER: return SHC_SHADER_GEOMETRY;
    case GL_FRAGMENT_SHADER: return SHC_SHADER_FRAGMENT;
    case GL_COMPUTE_SHADER: return SHC_SHADER_COMPUTE;
    default:
      SHC_ASSERT(!"bad value in _shc_shader_enum_to_shader_stage()");
  }
}

gl_shader *new_gl_shader(void *, uint32_t name, uint32_t type) {
  auto *shader = rzalloc<gl_shader>(nullptr);
  if (shader != nullptr) {
    shader->Type = type;
    shader->Stage = _shc_shader_enum_to_shader_stage(type);
    shader->Name = name;
    shader->RefCount = 1;
  }
  return shader;
}

void initialize_context_defaults(gl_context *ctx, uint32_t api) {
  std::memset(ctx, 0, sizeof(*ctx));
  ctx->API = api;

  gl_extensions &ext = ctx->Extensions;
  ext.dummy_true = true;
  ext.ARB_compute_shader = true;
  ext.ARB_conservative_depth = true;
  ext.ARB_draw_instanced = true;
  ext.ARB_ES2_compatibility = true;
  ext.ARB_ES3_compatibility = true;
  ext.ARB_explicit_attrib_location = true;
  ext.ARB_fragment_coord_conventions = true;
  ext.ARB_fragment_layer_viewport = true;
  ext.ARB_gpu_shader5 = true;
  ext.ARB_sample_shading = true;
  ext.ARB_shader_bit_encoding = true;
  ext.ARB_shader_stencil_export = true;
  ext.ARB_shader_texture_lod = true;
  ext.ARB_shading_language_420pack = true;
  ext.ARB_shading_language_packing = true;
  ext.ARB_texture_cube_map_array = true;
  ext.ARB_texture_gather = true;
  ext.ARB_texture_multisample = true;
  ext.ARB_texture_non_power_of_two = true;
  ext.ARB_texture_query_levels = true;
  ext.ARB_texture_query_lod = true;
  ext.ARB_uniform_buffer_object = true;
  ext.ARB_viewport_array = true;
  ext.EXT_draw_buffers = true;
  ext.EXT_draw_instanced = true;
  ext.EXT_gpu_shader4 = true;
  ext.EXT_shader_integer_mix = true;
  ext.EXT_texture_array = true;
  ext.OES_EGL_image_external = true;
  ext.OES_standard_derivatives = true;
  ext.OES_texture_3D = true;

  gl_constants &c = ctx->Const;
  c.GLSLVersion = 120;
  c.MaxLights = 8;
  c.MaxClipPlanes = 6;
  c.MaxTextureUnits = 2;
  c.MaxTextureCoordUnits = 2;
  c.Program[SHC_SHADER_VERTEX].MaxAttribs = 16;
  c.Program[SHC_SHADER_VERTEX].MaxUniformComponents = 512;
  c.Program[SHC_SHADER_VERTEX].MaxTextureImageUnits = 0;
  c.MaxCombinedTextureImageUnits = 2;
  c.Program[SHC_SHADER_FRAGMENT].MaxTextureImageUnits = 2;
  c.Program[SHC_SHADER_FRAGMENT].MaxUniformComponents = 64;
  c.MaxDrawBuffers = 1;
  c.MaxVarying = 8;
  c.Program[SHC_SHADER_VERTEX].MaxOutputComponents = 32;
  c.Program[SHC_SHADER_FRAGMENT].MaxInputComponents = 32;
  for (unsigned i = 0; i < 3; i++) c.MaxComputeWorkGroupCount[i] = 65535;
  c.MaxComputeWorkGroupSize[0] = 1024;
  c.MaxComputeWorkGroupSize[1] = 1024;
  c.MaxComputeWorkGroupSize[2] = 64;
  c.MaxComputeWorkGroupInvocations = 1024;
  c.MaxGeometryOutputVertices = 1024;
  c.MaxGeometryTextureImageUnits = 16;
  c.GLSLSkipStrictMaxUniformLimitCheck = true;
  for (gl_shader_compiler_options &options : c.ShaderCompilerOptions) {
    options.MaxIfDepth = 0xFFFFFFFFu;
    options.MaxUnrollIterations = 8;
    options.EmitNoIndirectUniform = true;
  }
}
