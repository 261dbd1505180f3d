// The rows of the texture built-ins; see builtin_texture_table.h.
#include "shadercompiler/ir/builtins/builtin_texture_table.h"

#include "shadercompiler/ir/builtins/builtin_availability.h"
#include "shadercompiler/ir/builtins/builtin_texture_bodies.h"

namespace builtins {
namespace {

// Overload lists shared by several names.
constexpr const char kProjective[] =
    "gsampler1D:vec2 gsampler1D:vec4 gsampler2D:vec3 gsampler2D:vec4 gsampler3D:vec4 "
    "sampler1DShadow:vec4 sampler2DShadow:vec4 gsampler2DRect:vec3 gsampler2DRect:vec4 "
    "sampler2DRectShadow:vec4";
constexpr const char kProjectiveBias[] =
    "gsampler1D:vec2 gsampler1D:vec4 gsampler2D:vec3 gsampler2D:vec4 gsampler3D:vec4 "
    "sampler1DShadow:vec4 sampler2DShadow:vec4";
constexpr const char kProjectiveGrad[] =
    "gsampler1D:vec2 gsampler1D:vec4 gsampler2D:vec3 gsampler2D:vec4 gsampler3D:vec4 "
    "gsampler2DRect:vec3 gsampler2DRect:vec4 sampler2DRectShadow:vec4 "
    "sampler1DShadow:vec4 sampler2DShadow:vec4";
constexpr const char kPlain[] =
    "gsampler1D:float gsampler2D:vec2 gsampler3D:vec3 gsamplerCube:vec3 "
    "sampler1DShadow:vec3 sampler2DShadow:vec3 samplerCubeShadow:vec4 "
    "gsampler1DArray:vec2 gsampler2DArray:vec3";
constexpr const char kLod[] =
    "gsampler1D:float gsampler2D:vec2 gsampler3D:vec3 gsamplerCube:vec3 "
    "sampler1DShadow:vec3 sampler2DShadow:vec3 gsampler1DArray:vec2 gsampler2DArray:vec3";
constexpr const char kOffset[] =
    "gsampler1D:float gsampler2D:vec2 gsampler3D:vec3 gsampler2DRect:vec2 "
    "sampler2DRectShadow:vec3 sampler1DShadow:vec3 sampler2DShadow:vec3 "
    "gsampler1DArray:vec2 gsampler2DArray:vec3 sampler1DArrayShadow:vec3";
constexpr const char kOffsetBias[] =
    "gsampler1D:float gsampler2D:vec2 gsampler3D:vec3 sampler1DShadow:vec3 "
    "sampler2DShadow:vec3 gsampler1DArray:vec2 gsampler2DArray:vec3 sampler1DArrayShadow:vec3";

constexpr texture_row kModernRows[] = {
    {"textureSize", SIZE, ir_txs, 0, avail_130_or_es300,
     "gsampler1D:int gsampler2D:ivec2 gsampler3D:ivec3 gsamplerCube:ivec2 sampler1DShadow:int "
     "sampler2DShadow:ivec2 samplerCubeShadow:ivec2 gsampler1DArray:ivec2 gsampler2DArray:ivec3 "
     "sampler1DArrayShadow:ivec2 sampler2DArrayShadow:ivec3"},
    {"textureSize", SIZE, ir_txs, 0, avail_cube_map_array,
     "gsamplerCubeArray:ivec3 samplerCubeArrayShadow:ivec3"},
    {"textureSize", SIZE, ir_txs, 0, avail_130_or_es300,
     "gsampler2DRect:ivec2 sampler2DRectShadow:ivec2"},
    {"textureSize", SIZE, ir_txs, 0, avail_desktop140, "gsamplerBuffer:int"},
    {"textureSize", SIZE, ir_txs, 0, avail_multisample, "gsampler2DMS:ivec2 gsampler2DMSArray:ivec3"},

    {"texture", LOOKUP, ir_tex, 0, avail_130_or_es300, kPlain},
    {"texture", LOOKUP, ir_tex, 0, avail_cube_map_array, "gsamplerCubeArray:vec4"},
    {"texture", LOOKUP, ir_tex, 0, avail_130_or_es300,
     "sampler1DArrayShadow:vec3 sampler2DArrayShadow:vec4"},
    {"texture", COMPARE_CUBE_ARRAY, ir_tex, 0, avail_cube_map_array, "samplerCubeArrayShadow:vec4"},
    {"texture", LOOKUP, ir_tex, 0, avail_130_or_es300, "gsampler2DRect:vec2 sampler2DRectShadow:vec3"},
    {"texture", LOOKUP, ir_txb, 0, avail_130_or_es300_fragment, kPlain},
    {"texture", LOOKUP, ir_txb, 0, avail_cube_map_array_fragment, "gsamplerCubeArray:vec4"},
    {"texture", LOOKUP, ir_txb, 0, avail_130_or_es300_fragment, "sampler1DArrayShadow:vec3"},

    {"textureLod", LOOKUP, ir_txl, 0, avail_130_or_es300, kLod},
    {"textureLod", LOOKUP, ir_txl, 0, avail_cube_map_array, "gsamplerCubeArray:vec4"},
    {"textureLod", LOOKUP, ir_txl, 0, avail_130_or_es300, "sampler1DArrayShadow:vec3"},

    {"textureOffset", LOOKUP, ir_tex, TEX_OFFSET, avail_130_or_es300, kOffset},
    {"textureOffset", LOOKUP, ir_txb, TEX_OFFSET, avail_130_or_es300_fragment, kOffsetBias},

    {"textureProj", LOOKUP, ir_tex, TEX_PROJECT, avail_130_or_es300, kProjective},
    {"textureProj", LOOKUP, ir_txb, TEX_PROJECT, avail_130_or_es300, kProjectiveBias},

    {"texelFetch", FETCH, ir_txf, 0, avail_130_or_es300,
     "gsampler1D:int gsampler2D:ivec2 gsampler3D:ivec3 gsampler2DRect:ivec2 "
     "gsampler1DArray:ivec2 gsampler2DArray:ivec3"},
    {"texelFetch", FETCH, ir_txf, 0, avail_desktop140, "gsamplerBuffer:int"},
    {"texelFetch", FETCH, ir_txf, 0, avail_multisample, "gsampler2DMS:ivec2 gsampler2DMSArray:ivec3"},

    {"texelFetchOffset", FETCH, ir_txf, 0, avail_130_or_es300,
     "gsampler1D:int+int gsampler2D:ivec2+ivec2 gsampler3D:ivec3+ivec3 "
     "gsampler2DRect:ivec2+ivec2 gsampler1DArray:ivec2+int gsampler2DArray:ivec3+ivec2"},

    {"textureProjOffset", LOOKUP, ir_tex, TEX_PROJECT | TEX_OFFSET, avail_130_or_es300, kProjective},
    {"textureProjOffset", LOOKUP, ir_txb, TEX_PROJECT | TEX_OFFSET, avail_130_or_es300, kProjectiveBias},

    {"textureLodOffset", LOOKUP, ir_txl, TEX_OFFSET, avail_130_or_es300, kOffsetBias},

    {"textureProjLod", LOOKUP, ir_txl, TEX_PROJECT, avail_130_or_es300, kProjectiveBias},
    {"textureProjLodOffset", LOOKUP, ir_txl, TEX_PROJECT | TEX_OFFSET, avail_130_or_es300,
     kProjectiveBias},

    {"textureGrad", LOOKUP, ir_txd, 0, avail_130_or_es300,
     "gsampler1D:float gsampler2D:vec2 gsampler3D:vec3 gsamplerCube:vec3 gsampler2DRect:vec2 "
     "sampler2DRectShadow:vec3 sampler1DShadow:vec3 sampler2DShadow:vec3 samplerCubeShadow:vec4 "
     "gsampler1DArray:vec2 gsampler2DArray:vec3"},
    {"textureGrad", LOOKUP, ir_txd, 0, avail_cube_map_array, "gsamplerCubeArray:vec4"},
    {"textureGrad", LOOKUP, ir_txd, 0, avail_130_or_es300,
     "sampler1DArrayShadow:vec3 sampler2DArrayShadow:vec4"},

    {"textureGradOffset", LOOKUP, ir_txd, TEX_OFFSET, avail_130_or_es300,
     "gsampler1D:float gsampler2D:vec2 gsampler3D:vec3 gsampler2DRect:vec2 "
     "sampler2DRectShadow:vec3 sampler1DShadow:vec3 sampler2DShadow:vec3 "
     "gsampler1DArray:vec2 gsampler2DArray:vec3 sampler1DArrayShadow:vec3 "
     "sampler2DArrayShadow:vec4"},

    {"textureProjGrad", LOOKUP, ir_txd, TEX_PROJECT, avail_130_or_es300, kProjectiveGrad},
    {"textureProjGradOffset", LOOKUP, ir_txd, TEX_PROJECT | TEX_OFFSET, avail_130_or_es300,
     kProjectiveGrad},
};

constexpr texture_row kQueryRows[] = {
    {"textureQueryLOD", QUERY_LOD, ir_lod, 0, avail_query_lod,
     "gsampler1D:float gsampler2D:vec2 gsampler3D:vec3 gsamplerCube:vec3 gsampler1DArray:float "
     "gsampler2DArray:vec2 gsamplerCubeArray:vec3 sampler1DShadow:float sampler2DShadow:vec2 "
     "samplerCubeShadow:vec3 sampler1DArrayShadow:float sampler2DArrayShadow:vec2 "
     "samplerCubeArrayShadow:vec3"},
    {"textureQueryLevels", QUERY_LEVELS, ir_query_levels, 0, avail_query_levels,
     "sampler1D sampler2D sampler3D samplerCube sampler1DArray sampler2DArray samplerCubeArray "
     "sampler1DShadow sampler2DShadow samplerCubeShadow sampler1DArrayShadow "
     "sampler2DArrayShadow samplerCubeArrayShadow "
     "isampler1D isampler2D isampler3D isamplerCube isampler1DArray isampler2DArray "
     "isamplerCubeArray usampler1D usampler2D usampler3D usamplerCube usampler1DArray "
     "usampler2DArray usamplerCubeArray"},
};

constexpr texture_row kLegacyRows[] = {
    {"texture1D", LOOKUP, ir_tex, 0, avail_desktop, "sampler1D:float"},
    {"texture1D", LOOKUP, ir_txb, 0, avail_desktop_fragment, "sampler1D:float"},
    {"texture1DArray", LOOKUP, ir_tex, 0, avail_texture_array, "sampler1DArray:vec2"},
    {"texture1DArray", LOOKUP, ir_txb, 0, avail_texture_array_fragment, "sampler1DArray:vec2"},
    {"texture1DProj", LOOKUP, ir_tex, TEX_PROJECT, avail_desktop, "sampler1D:vec2 sampler1D:vec4"},
    {"texture1DProj", LOOKUP, ir_txb, TEX_PROJECT, avail_desktop_fragment,
     "sampler1D:vec2 sampler1D:vec4"},
    {"texture1DLod", LOOKUP, ir_txl, 0, avail_desktop_lod, "sampler1D:float"},
    {"texture1DArrayLod", LOOKUP, ir_txl, 0, avail_texture_array_lod, "sampler1DArray:vec2"},
    {"texture1DProjLod", LOOKUP, ir_txl, TEX_PROJECT, avail_desktop_lod,
     "sampler1D:vec2 sampler1D:vec4"},
    {"texture2D", LOOKUP, ir_tex, 0, avail_always, "sampler2D:vec2"},
    {"texture2D", LOOKUP, ir_txb, 0, avail_fragment, "sampler2D:vec2"},
    {"texture2D", LOOKUP, ir_tex, 0, avail_external_image, "samplerExternalOES:vec2"},
    {"texture2DArray", LOOKUP, ir_tex, 0, avail_texture_array, "sampler2DArray:vec3"},
    {"texture2DArray", LOOKUP, ir_txb, 0, avail_texture_array_fragment, "sampler2DArray:vec3"},
    {"texture2DProj", LOOKUP, ir_tex, TEX_PROJECT, avail_always, "sampler2D:vec3 sampler2D:vec4"},
    {"texture2DProj", LOOKUP, ir_txb, TEX_PROJECT, avail_fragment, "sampler2D:vec3 sampler2D:vec4"},
    {"texture2DProj", LOOKUP, ir_tex, TEX_PROJECT, avail_external_image,
     "samplerExternalOES:vec3 samplerExternalOES:vec4"},
    {"texture2DLod", LOOKUP, ir_txl, 0, avail_lod_in_stage, "sampler2D:vec2"},
    {"texture2DArrayLod", LOOKUP, ir_txl, 0, avail_texture_array_lod, "sampler2DArray:vec3"},
    {"texture2DProjLod", LOOKUP, ir_txl, TEX_PROJECT, avail_lod_in_stage,
     "sampler2D:vec3 sampler2D:vec4"},
    {"texture3D", LOOKUP, ir_tex, 0, avail_texture_3d, "sampler3D:vec3"},
    {"texture3D", LOOKUP, ir_txb, 0, avail_texture_3d_fragment, "sampler3D:vec3"},
    {"texture3DProj", LOOKUP, ir_tex, TEX_PROJECT, avail_texture_3d, "sampler3D:vec4"},
    {"texture3DProj", LOOKUP, ir_txb, TEX_PROJECT, avail_texture_3d_fragment, "sampler3D:vec4"},
    {"texture3DLod", LOOKUP, ir_txl, 0, avail_texture_3d_lod, "sampler3D:vec3"},
    {"texture3DProjLod", LOOKUP, ir_txl, TEX_PROJECT, avail_texture_3d_lod, "sampler3D:vec4"},
    {"textureCube", LOOKUP, ir_tex, 0, avail_always, "samplerCube:vec3"},
    {"textureCube", LOOKUP, ir_txb, 0, avail_fragment, "samplerCube:vec3"},
    {"textureCubeLod", LOOKUP, ir_txl, 0, avail_lod_in_stage, "samplerCube:vec3"},
    {"texture2DRect", LOOKUP, ir_tex, 0, avail_texture_rectangle, "sampler2DRect:vec2"},
    {"texture2DRectProj", LOOKUP, ir_tex, TEX_PROJECT, avail_texture_rectangle,
     "sampler2DRect:vec3 sampler2DRect:vec4"},
    {"texture2DLodEXT", LOOKUP, ir_txl, 0, avail_es_fragment_ext_texture_lod, "sampler2D:vec2"},
    {"texture2DProjLodEXT", LOOKUP, ir_txl, TEX_PROJECT, avail_es_fragment_ext_texture_lod,
     "sampler2D:vec3 sampler2D:vec4"},
    {"textureCubeLodEXT", LOOKUP, ir_txl, 0, avail_es_fragment_ext_texture_lod, "samplerCube:vec3"},

    {"shadow1D", LOOKUP, ir_tex, 0, avail_desktop, "sampler1DShadow:vec3", SHADOW_VEC4},
    {"shadow1D", LOOKUP, ir_txb, 0, avail_desktop_fragment, "sampler1DShadow:vec3", SHADOW_VEC4},
    {"shadow1DArray", LOOKUP, ir_tex, 0, avail_texture_array, "sampler1DArrayShadow:vec3",
     SHADOW_VEC4},
    {"shadow1DArray", LOOKUP, ir_txb, 0, avail_texture_array_fragment,
     "sampler1DArrayShadow:vec3", SHADOW_VEC4},
    {"shadow2D", LOOKUP, ir_tex, 0, avail_desktop, "sampler2DShadow:vec3", SHADOW_VEC4},
    {"shadow2D", LOOKUP, ir_txb, 0, avail_desktop_fragment, "sampler2DShadow:vec3", SHADOW_VEC4},
    {"shadow2DEXT", LOOKUP, ir_tex, 0, avail_shadow_samplers, "sampler2DShadow:vec3"},
    {"shadow2DArray", LOOKUP, ir_tex, 0, avail_texture_array, "sampler2DArrayShadow:vec4",
     SHADOW_VEC4},
    {"shadow2DArray", LOOKUP, ir_txb, 0, avail_texture_array_fragment,
     "sampler2DArrayShadow:vec4", SHADOW_VEC4},
    {"shadow1DProj", LOOKUP, ir_tex, TEX_PROJECT, avail_desktop, "sampler1DShadow:vec4", SHADOW_VEC4},
    {"shadow1DProj", LOOKUP, ir_txb, TEX_PROJECT, avail_desktop_fragment, "sampler1DShadow:vec4",
     SHADOW_VEC4},
    {"shadow2DProj", LOOKUP, ir_tex, TEX_PROJECT, avail_desktop, "sampler2DShadow:vec4", SHADOW_VEC4},
    {"shadow2DProj", LOOKUP, ir_txb, TEX_PROJECT, avail_desktop_fragment, "sampler2DShadow:vec4",
     SHADOW_VEC4},
    {"shadow2DProjEXT", LOOKUP, ir_tex, TEX_PROJECT, avail_shadow_samplers, "sampler2DShadow:vec4"},
    {"shadow1DLod", LOOKUP, ir_txl, 0, avail_desktop_lod, "sampler1DShadow:vec3", SHADOW_VEC4},
    {"shadow2DLod", LOOKUP, ir_txl, 0, avail_desktop_lod, "sampler2DShadow:vec3", SHADOW_VEC4},
    {"shadow1DArrayLod", LOOKUP, ir_txl, 0, avail_texture_array_lod, "sampler1DArrayShadow:vec3",
     SHADOW_VEC4},
    {"shadow1DProjLod", LOOKUP, ir_txl, TEX_PROJECT, avail_desktop_lod, "sampler1DShadow:vec4",
     SHADOW_VEC4},
    {"shadow2DProjLod", LOOKUP, ir_txl, TEX_PROJECT, avail_desktop_lod, "sampler2DShadow:vec4",
     SHADOW_VEC4},
    {"shadow2DRect", LOOKUP, ir_tex, 0, avail_texture_rectangle, "sampler2DRectShadow:vec3",
     SHADOW_VEC4},
    {"shadow2DRectProj", LOOKUP, ir_tex, TEX_PROJECT, avail_texture_rectangle,
     "sampler2DRectShadow:vec4", SHADOW_VEC4},

    {"texture1DGradARB", LOOKUP, ir_txd, 0, avail_arb_texture_lod, "sampler1D:float"},
    {"texture1DProjGradARB", LOOKUP, ir_txd, TEX_PROJECT, avail_arb_texture_lod,
     "sampler1D:vec2 sampler1D:vec4"},
    {"texture2DGradARB", LOOKUP, ir_txd, 0, avail_arb_texture_lod, "sampler2D:vec2"},
    {"texture2DProjGradARB", LOOKUP, ir_txd, TEX_PROJECT, avail_arb_texture_lod,
     "sampler2D:vec3 sampler2D:vec4"},
    {"texture3DGradARB", LOOKUP, ir_txd, 0, avail_arb_texture_lod, "sampler3D:vec3"},
    {"texture3DProjGradARB", LOOKUP, ir_txd, TEX_PROJECT, avail_arb_texture_lod, "sampler3D:vec4"},
    {"textureCubeGradARB", LOOKUP, ir_txd, 0, avail_arb_texture_lod, "samplerCube:vec3"},
    {"texture2DGradEXT", LOOKUP, ir_txd, 0, avail_ext_texture_lod, "sampler2D:vec2"},
    {"texture2DProjGradEXT", LOOKUP, ir_txd, TEX_PROJECT, avail_ext_texture_lod,
     "sampler2D:vec3 sampler2D:vec4"},
    {"textureCubeGradEXT", LOOKUP, ir_txd, 0, avail_ext_texture_lod, "samplerCube:vec3"},
    {"shadow1DGradARB", LOOKUP, ir_txd, 0, avail_arb_texture_lod, "sampler1DShadow:vec3", SHADOW_VEC4},
    {"shadow1DProjGradARB", LOOKUP, ir_txd, TEX_PROJECT, avail_arb_texture_lod,
     "sampler1DShadow:vec4", SHADOW_VEC4},
    {"shadow2DGradARB", LOOKUP, ir_txd, 0, avail_arb_texture_lod, "sampler2DShadow:vec3", SHADOW_VEC4},
    {"shadow2DProjGradARB", LOOKUP, ir_txd, TEX_PROJECT, avail_arb_texture_lod,
     "sampler2DShadow:vec4", SHADOW_VEC4},
    {"texture2DRectGradARB", LOOKUP, ir_txd, 0, avail_arb_texture_lod_rect, "sampler2DRect:vec2"},
    {"texture2DRectProjGradARB", LOOKUP, ir_txd, TEX_PROJECT, avail_arb_texture_lod_rect,
     "sampler2DRect:vec3 sampler2DRect:vec4"},
    {"shadow2DRectGradARB", LOOKUP, ir_txd, 0, avail_arb_texture_lod_rect,
     "sampler2DRectShadow:vec3", SHADOW_VEC4},
    {"shadow2DRectProjGradARB", LOOKUP, ir_txd, TEX_PROJECT, avail_arb_texture_lod_rect,
     "sampler2DRectShadow:vec4", SHADOW_VEC4},

    {"textureGather", LOOKUP, ir_tg4, 0, avail_gather, "gsampler2D:vec2", SHADOW_VEC4},
    {"textureGather", LOOKUP, ir_tg4, 0, avail_gpu_shader5, "gsampler2DRect:vec2", SHADOW_VEC4},
    {"textureGather", LOOKUP, ir_tg4, 0, avail_gather,
     "gsampler2DArray:vec3 gsamplerCube:vec3 gsamplerCubeArray:vec4", SHADOW_VEC4},
    {"textureGather", LOOKUP, ir_tg4, TEX_COMPONENT, avail_gpu_shader5,
     "gsampler2D:vec2 gsampler2DRect:vec2 gsampler2DArray:vec3 gsamplerCube:vec3 "
     "gsamplerCubeArray:vec4", SHADOW_VEC4},
    {"textureGather", LOOKUP, ir_tg4, 0, avail_gpu_shader5,
     "sampler2DShadow:vec2 sampler2DArrayShadow:vec3 samplerCubeShadow:vec3 "
     "samplerCubeArrayShadow:vec4 sampler2DRectShadow:vec2", SHADOW_VEC4},
    {"textureGatherOffset", LOOKUP, ir_tg4, TEX_OFFSET, avail_gather_only,
     "gsampler2D:vec2 gsampler2DArray:vec3", SHADOW_VEC4},
    {"textureGatherOffset", LOOKUP, ir_tg4, TEX_OFFSET_NONCONST, avail_gpu_shader5,
     "gsampler2D:vec2 gsampler2DArray:vec3 gsampler2DRect:vec2", SHADOW_VEC4},
    {"textureGatherOffset", LOOKUP, ir_tg4, TEX_OFFSET_NONCONST | TEX_COMPONENT, avail_gpu_shader5,
     "gsampler2D:vec2 gsampler2DArray:vec3 gsampler2DRect:vec2", SHADOW_VEC4},
    {"textureGatherOffset", LOOKUP, ir_tg4, TEX_OFFSET_NONCONST, avail_gpu_shader5,
     "sampler2DShadow:vec2 sampler2DArrayShadow:vec3 sampler2DRectShadow:vec2", SHADOW_VEC4},
    {"textureGatherOffsets", LOOKUP, ir_tg4, TEX_OFFSET_ARRAY, avail_gpu_shader5,
     "gsampler2D:vec2", SHADOW_VEC4},
    {"textureGatherOffsets", LOOKUP, ir_tg4, TEX_OFFSET_ARRAY | TEX_COMPONENT, avail_gpu_shader5,
     "gsampler2D:vec2", SHADOW_VEC4},
    {"textureGatherOffsets", LOOKUP, ir_tg4, TEX_OFFSET_ARRAY, avail_gpu_shader5,
     "gsampler2DArray:vec3", SHADOW_VEC4},
    {"textureGatherOffsets", LOOKUP, ir_tg4, TEX_OFFSET_ARRAY | TEX_COMPONENT, avail_gpu_shader5,
     "gsampler2DArray:vec3", SHADOW_VEC4},
    {"textureGatherOffsets", LOOKUP, ir_tg4, TEX_OFFSET_ARRAY, avail_gpu_shader5,
     "gsampler2DRect:vec2", SHADOW_VEC4},
    {"textureGatherOffsets", LOOKUP, ir_tg4, TEX_OFFSET_ARRAY | TEX_COMPONENT, avail_gpu_shader5,
     "gsampler2DRect:vec2", SHADOW_VEC4},
    {"textureGatherOffsets", LOOKUP, ir_tg4, TEX_OFFSET_ARRAY, avail_gpu_shader5,
     "sampler2DShadow:vec2 sampler2DArrayShadow:vec3 sampler2DRectShadow:vec2", SHADOW_VEC4},
};

}  // namespace

std::span<const texture_row> modern_texture_rows() { return kModernRows; }
std::span<const texture_row> texture_query_rows() { return kQueryRows; }
std::span<const texture_row> legacy_texture_rows() { return kLegacyRows; }

}  // namespace builtins
