// The built-in GLSL types: the static type objects in the order the compiler
// creates them, the built-in records, and the first language versions (desktop
// and ES) in which a shader sees each type name.
#include "shadercompiler/ir/builtin_type_table.h"

#include <string_view>

namespace {

constexpr glsl_type kNumericAndOpaque[] = {
    glsl_type(0x0500, GLSL_TYPE_ERROR, 0, 0, "error"),
    glsl_type(0x0500, GLSL_TYPE_VOID, 0, 0, "void"),
    glsl_type(0x8B56, GLSL_TYPE_BOOL, 1, 1, "bool"),
    glsl_type(0x8B57, GLSL_TYPE_BOOL, 2, 1, "bvec2"),
    glsl_type(0x8B58, GLSL_TYPE_BOOL, 3, 1, "bvec3"),
    glsl_type(0x8B59, GLSL_TYPE_BOOL, 4, 1, "bvec4"),
    glsl_type(0x1404, GLSL_TYPE_INT, 1, 1, "int"),
    glsl_type(0x8B53, GLSL_TYPE_INT, 2, 1, "ivec2"),
    glsl_type(0x8B54, GLSL_TYPE_INT, 3, 1, "ivec3"),
    glsl_type(0x8B55, GLSL_TYPE_INT, 4, 1, "ivec4"),
    glsl_type(0x1405, GLSL_TYPE_UINT, 1, 1, "uint"),
    glsl_type(0x8DC6, GLSL_TYPE_UINT, 2, 1, "uvec2"),
    glsl_type(0x8DC7, GLSL_TYPE_UINT, 3, 1, "uvec3"),
    glsl_type(0x8DC8, GLSL_TYPE_UINT, 4, 1, "uvec4"),
    glsl_type(0x1406, GLSL_TYPE_FLOAT, 1, 1, "float"),
    glsl_type(0x8B50, GLSL_TYPE_FLOAT, 2, 1, "vec2"),
    glsl_type(0x8B51, GLSL_TYPE_FLOAT, 3, 1, "vec3"),
    glsl_type(0x8B52, GLSL_TYPE_FLOAT, 4, 1, "vec4"),
    glsl_type(0x8B5A, GLSL_TYPE_FLOAT, 2, 2, "mat2"),
    glsl_type(0x8B5B, GLSL_TYPE_FLOAT, 3, 3, "mat3"),
    glsl_type(0x8B5C, GLSL_TYPE_FLOAT, 4, 4, "mat4"),
    glsl_type(0x8B65, GLSL_TYPE_FLOAT, 3, 2, "mat2x3"),
    glsl_type(0x8B66, GLSL_TYPE_FLOAT, 4, 2, "mat2x4"),
    glsl_type(0x8B67, GLSL_TYPE_FLOAT, 2, 3, "mat3x2"),
    glsl_type(0x8B68, GLSL_TYPE_FLOAT, 4, 3, "mat3x4"),
    glsl_type(0x8B69, GLSL_TYPE_FLOAT, 2, 4, "mat4x2"),
    glsl_type(0x8B6A, GLSL_TYPE_FLOAT, 3, 4, "mat4x3"),
    glsl_type(0x8B5D, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_1D, false, false, GLSL_TYPE_FLOAT, "sampler1D"),
    glsl_type(0x8B5E, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_2D, false, false, GLSL_TYPE_FLOAT, "sampler2D"),
    glsl_type(0x8B5F, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_3D, false, false, GLSL_TYPE_FLOAT, "sampler3D"),
    glsl_type(0x8B60, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_CUBE, false, false, GLSL_TYPE_FLOAT, "samplerCube"),
    glsl_type(0x8DC0, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_1D, false, true, GLSL_TYPE_FLOAT, "sampler1DArray"),
    glsl_type(0x8DC1, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_2D, false, true, GLSL_TYPE_FLOAT, "sampler2DArray"),
    glsl_type(0x900C, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_CUBE, false, true, GLSL_TYPE_FLOAT, "samplerCubeArray"),
    glsl_type(0x8B63, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_RECT, false, false, GLSL_TYPE_FLOAT, "sampler2DRect"),
    glsl_type(0x8DC2, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_BUF, false, false, GLSL_TYPE_FLOAT, "samplerBuffer"),
    glsl_type(0x9108, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_MS, false, false, GLSL_TYPE_FLOAT, "sampler2DMS"),
    glsl_type(0x910B, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_MS, false, true, GLSL_TYPE_FLOAT, "sampler2DMSArray"),
    glsl_type(0x8DC9, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_1D, false, false, GLSL_TYPE_INT, "isampler1D"),
    glsl_type(0x8DCA, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_2D, false, false, GLSL_TYPE_INT, "isampler2D"),
    glsl_type(0x8DCB, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_3D, false, false, GLSL_TYPE_INT, "isampler3D"),
    glsl_type(0x8DCC, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_CUBE, false, false, GLSL_TYPE_INT, "isamplerCube"),
    glsl_type(0x8DCE, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_1D, false, true, GLSL_TYPE_INT, "isampler1DArray"),
    glsl_type(0x8DCF, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_2D, false, true, GLSL_TYPE_INT, "isampler2DArray"),
    glsl_type(0x900E, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_CUBE, false, true, GLSL_TYPE_INT, "isamplerCubeArray"),
    glsl_type(0x8DCD, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_RECT, false, false, GLSL_TYPE_INT, "isampler2DRect"),
    glsl_type(0x8DD0, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_BUF, false, false, GLSL_TYPE_INT, "isamplerBuffer"),
    glsl_type(0x9109, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_MS, false, false, GLSL_TYPE_INT, "isampler2DMS"),
    glsl_type(0x910C, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_MS, false, true, GLSL_TYPE_INT, "isampler2DMSArray"),
    glsl_type(0x8DD1, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_1D, false, false, GLSL_TYPE_UINT, "usampler1D"),
    glsl_type(0x8DD2, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_2D, false, false, GLSL_TYPE_UINT, "usampler2D"),
    glsl_type(0x8DD3, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_3D, false, false, GLSL_TYPE_UINT, "usampler3D"),
    glsl_type(0x8DD4, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_CUBE, false, false, GLSL_TYPE_UINT, "usamplerCube"),
    glsl_type(0x8DD6, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_1D, false, true, GLSL_TYPE_UINT, "usampler1DArray"),
    glsl_type(0x8DD7, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_2D, false, true, GLSL_TYPE_UINT, "usampler2DArray"),
    glsl_type(0x900F, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_CUBE, false, true, GLSL_TYPE_UINT, "usamplerCubeArray"),
    glsl_type(0x8DD5, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_RECT, false, false, GLSL_TYPE_UINT, "usampler2DRect"),
    glsl_type(0x8DD8, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_BUF, false, false, GLSL_TYPE_UINT, "usamplerBuffer"),
    glsl_type(0x910A, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_MS, false, false, GLSL_TYPE_UINT, "usampler2DMS"),
    glsl_type(0x910D, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_MS, false, true, GLSL_TYPE_UINT, "usampler2DMSArray"),
    glsl_type(0x8B61, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_1D, true, false, GLSL_TYPE_FLOAT, "sampler1DShadow"),
    glsl_type(0x8B62, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_2D, true, false, GLSL_TYPE_FLOAT, "sampler2DShadow"),
    glsl_type(0x8DC5, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_CUBE, true, false, GLSL_TYPE_FLOAT, "samplerCubeShadow"),
    glsl_type(0x8DC3, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_1D, true, true, GLSL_TYPE_FLOAT, "sampler1DArrayShadow"),
    glsl_type(0x8DC4, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_2D, true, true, GLSL_TYPE_FLOAT, "sampler2DArrayShadow"),
    glsl_type(0x900D, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_CUBE, true, true, GLSL_TYPE_FLOAT, "samplerCubeArrayShadow"),
    glsl_type(0x8B64, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_RECT, true, false, GLSL_TYPE_FLOAT, "sampler2DRectShadow"),
    glsl_type(0x8D66, GLSL_TYPE_SAMPLER, GLSL_SAMPLER_DIM_EXTERNAL, false, false, GLSL_TYPE_FLOAT, "samplerExternalOES"),
    glsl_type(0x904C, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_1D, false, false, GLSL_TYPE_FLOAT, "image1D"),
    glsl_type(0x904D, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_2D, false, false, GLSL_TYPE_FLOAT, "image2D"),
    glsl_type(0x904E, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_3D, false, false, GLSL_TYPE_FLOAT, "image3D"),
    glsl_type(0x904F, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_RECT, false, false, GLSL_TYPE_FLOAT, "image2DRect"),
    glsl_type(0x9050, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_CUBE, false, false, GLSL_TYPE_FLOAT, "imageCube"),
    glsl_type(0x9051, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_BUF, false, false, GLSL_TYPE_FLOAT, "imageBuffer"),
    glsl_type(0x9052, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_1D, false, true, GLSL_TYPE_FLOAT, "image1DArray"),
    glsl_type(0x9053, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_2D, false, true, GLSL_TYPE_FLOAT, "image2DArray"),
    glsl_type(0x9054, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_CUBE, false, true, GLSL_TYPE_FLOAT, "imageCubeArray"),
    glsl_type(0x9055, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_MS, false, false, GLSL_TYPE_FLOAT, "image2DMS"),
    glsl_type(0x9056, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_MS, false, true, GLSL_TYPE_FLOAT, "image2DMSArray"),
    glsl_type(0x9057, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_1D, false, false, GLSL_TYPE_INT, "iimage1D"),
    glsl_type(0x9058, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_2D, false, false, GLSL_TYPE_INT, "iimage2D"),
    glsl_type(0x9059, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_3D, false, false, GLSL_TYPE_INT, "iimage3D"),
    glsl_type(0x905A, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_RECT, false, false, GLSL_TYPE_INT, "iimage2DRect"),
    glsl_type(0x905B, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_CUBE, false, false, GLSL_TYPE_INT, "iimageCube"),
    glsl_type(0x905C, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_BUF, false, false, GLSL_TYPE_INT, "iimageBuffer"),
    glsl_type(0x905D, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_1D, false, true, GLSL_TYPE_INT, "iimage1DArray"),
    glsl_type(0x905E, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_2D, false, true, GLSL_TYPE_INT, "iimage2DArray"),
    glsl_type(0x905F, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_CUBE, false, true, GLSL_TYPE_INT, "iimageCubeArray"),
    glsl_type(0x9060, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_MS, false, false, GLSL_TYPE_INT, "iimage2DMS"),
    glsl_type(0x9061, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_MS, false, true, GLSL_TYPE_INT, "iimage2DMSArray"),
    glsl_type(0x9062, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_1D, false, false, GLSL_TYPE_UINT, "uimage1D"),
    glsl_type(0x9063, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_2D, false, false, GLSL_TYPE_UINT, "uimage2D"),
    glsl_type(0x9064, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_3D, false, false, GLSL_TYPE_UINT, "uimage3D"),
    glsl_type(0x9065, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_RECT, false, false, GLSL_TYPE_UINT, "uimage2DRect"),
    glsl_type(0x9066, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_CUBE, false, false, GLSL_TYPE_UINT, "uimageCube"),
    glsl_type(0x9067, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_BUF, false, false, GLSL_TYPE_UINT, "uimageBuffer"),
    glsl_type(0x9068, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_1D, false, true, GLSL_TYPE_UINT, "uimage1DArray"),
    glsl_type(0x9069, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_2D, false, true, GLSL_TYPE_UINT, "uimage2DArray"),
    glsl_type(0x906A, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_CUBE, false, true, GLSL_TYPE_UINT, "uimageCubeArray"),
    glsl_type(0x906B, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_MS, false, false, GLSL_TYPE_UINT, "uimage2DMS"),
    glsl_type(0x906C, GLSL_TYPE_IMAGE, GLSL_SAMPLER_DIM_MS, false, true, GLSL_TYPE_UINT, "uimage2DMSArray"),
    glsl_type(0x92DB, GLSL_TYPE_ATOMIC_UINT, 1, 1, "atomic_uint"),
};

constexpr glsl_struct_field field(const glsl_type *type, const char *name,
                                  glsl_precision precision =
                                      glsl_precision_undefined) {
  return glsl_struct_field{type, name, precision, -1, 0, 0, 0, 0};
}

constexpr const glsl_type *numeric(std::string_view name) {
  for (const glsl_type &type : kNumericAndOpaque)
    if (name == type.name) return &type;
  return nullptr;
}

constexpr const glsl_type *kFloat = numeric("float");
constexpr const glsl_type *kVec3 = numeric("vec3");
constexpr const glsl_type *kVec4 = numeric("vec4");

constexpr glsl_struct_field kDepthRange[] = {
    field(kFloat, "near", glsl_precision_high), field(kFloat, "far"),
    field(kFloat, "diff")};
constexpr glsl_struct_field kPointParameters[] = {
    field(kFloat, "size", glsl_precision_high),
    field(kFloat, "sizeMin"),
    field(kFloat, "sizeMax"),
    field(kFloat, "fadeThresholdSize"),
    field(kFloat, "distanceConstantAttenuation"),
    field(kFloat, "distanceLinearAttenuation"),
    field(kFloat, "distanceQuadraticAttenuation")};
constexpr glsl_struct_field kMaterialParameters[] = {
    field(kVec4, "emission", glsl_precision_high), field(kVec4, "ambient"),
    field(kVec4, "diffuse"), field(kVec4, "specular"),
    field(kFloat, "shininess")};
constexpr glsl_struct_field kLightSourceParameters[] = {
    field(kVec4, "ambient", glsl_precision_high),
    field(kVec4, "diffuse"),
    field(kVec4, "specular"),
    field(kVec4, "position"),
    field(kVec4, "halfVector"),
    field(kVec3, "spotDirection"),
    field(kFloat, "spotExponent"),
    field(kFloat, "spotCutoff"),
    field(kFloat, "spotCosCutoff"),
    field(kFloat, "constantAttenuation"),
    field(kFloat, "linearAttenuation"),
    field(kFloat, "quadraticAttenuation")};
constexpr glsl_struct_field kLightModelParameters[] = {
    field(kVec4, "ambient", glsl_precision_high)};
constexpr glsl_struct_field kLightModelProducts[] = {
    field(kVec4, "sceneColor", glsl_precision_high)};
constexpr glsl_struct_field kLightProducts[] = {
    field(kVec4, "ambient", glsl_precision_high), field(kVec4, "diffuse"),
    field(kVec4, "specular")};
constexpr glsl_struct_field kFogParameters[] = {
    field(kVec4, "color", glsl_precision_high), field(kFloat, "density"),
    field(kFloat, "start"), field(kFloat, "end"), field(kFloat, "scale")};

template <unsigned N>
constexpr glsl_type record(const glsl_struct_field (&fields)[N],
                           const char *name) {
  return glsl_type(fields, N, name);
}

constexpr glsl_type kRecords[] = {
    record(kDepthRange, "gl_DepthRangeParameters"),
    record(kPointParameters, "gl_PointParameters"),
    record(kMaterialParameters, "gl_MaterialParameters"),
    record(kLightSourceParameters, "gl_LightSourceParameters"),
    record(kLightModelParameters, "gl_LightModelParameters"),
    record(kLightModelProducts, "gl_LightModelProducts"),
    record(kLightProducts, "gl_LightProducts"),
    record(kFogParameters, "gl_FogParameters"),
};

constexpr builtin_type_version kVersions[] = {
    {"void", 110, 100},
    {"bool", 110, 100},
    {"bvec2", 110, 100},
    {"bvec3", 110, 100},
    {"bvec4", 110, 100},
    {"int", 110, 100},
    {"ivec2", 110, 100},
    {"ivec3", 110, 100},
    {"ivec4", 110, 100},
    {"float", 110, 100},
    {"vec2", 110, 100},
    {"vec3", 110, 100},
    {"vec4", 110, 100},
    {"mat2", 110, 100},
    {"mat3", 110, 100},
    {"mat4", 110, 100},
    {"sampler2D", 110, 100},
    {"samplerCube", 110, 100},
    {"gl_DepthRangeParameters", 110, 100},
    {"uint", 130, 300},
    {"uvec2", 130, 300},
    {"uvec3", 130, 300},
    {"uvec4", 130, 300},
    {"sampler2DArray", 130, 300},
    {"isampler2D", 130, 300},
    {"isampler3D", 130, 300},
    {"isamplerCube", 130, 300},
    {"isampler2DArray", 130, 300},
    {"usampler2D", 130, 300},
    {"usampler3D", 130, 300},
    {"usamplerCube", 130, 300},
    {"usampler2DArray", 130, 300},
    {"samplerCubeShadow", 130, 300},
    {"sampler2DArrayShadow", 130, 300},
    {"mat2x3", 120, 300},
    {"mat2x4", 120, 300},
    {"mat3x2", 120, 300},
    {"mat3x4", 120, 300},
    {"mat4x2", 120, 300},
    {"mat4x3", 120, 300},
    {"sampler1D", 110, 999},
    {"sampler1DShadow", 110, 999},
    {"sampler3D", 110, 300},
    {"sampler2DShadow", 110, 300},
    {"sampler1DArray", 130, 999},
    {"isampler1D", 130, 999},
    {"isampler1DArray", 130, 999},
    {"usampler1D", 130, 999},
    {"usampler1DArray", 130, 999},
    {"sampler1DArrayShadow", 130, 999},
    {"samplerCubeArray", 400, 999},
    {"isamplerCubeArray", 400, 999},
    {"usamplerCubeArray", 400, 999},
    {"samplerCubeArrayShadow", 400, 999},
    {"sampler2DRect", 140, 999},
    {"samplerBuffer", 140, 999},
    {"isampler2DRect", 140, 999},
    {"isamplerBuffer", 140, 999},
    {"usampler2DRect", 140, 999},
    {"usamplerBuffer", 140, 999},
    {"sampler2DRectShadow", 140, 999},
    {"sampler2DMS", 150, 999},
    {"sampler2DMSArray", 150, 999},
    {"isampler2DMS", 150, 999},
    {"isampler2DMSArray", 150, 999},
    {"usampler2DMS", 150, 999},
    {"usampler2DMSArray", 150, 999},
    {"image1D", 420, 999},
    {"image2D", 420, 999},
    {"image3D", 420, 999},
    {"image2DRect", 420, 999},
    {"imageCube", 420, 999},
    {"imageBuffer", 420, 999},
    {"image1DArray", 420, 999},
    {"image2DArray", 420, 999},
    {"imageCubeArray", 420, 999},
    {"image2DMS", 420, 999},
    {"image2DMSArray", 420, 999},
    {"iimage1D", 420, 999},
    {"iimage2D", 420, 999},
    {"iimage3D", 420, 999},
    {"iimage2DRect", 420, 999},
    {"iimageCube", 420, 999},
    {"iimageBuffer", 420, 999},
    {"iimage1DArray", 420, 999},
    {"iimage2DArray", 420, 999},
    {"iimageCubeArray", 420, 999},
    {"iimage2DMS", 420, 999},
    {"iimage2DMSArray", 420, 999},
    {"uimage1D", 420, 999},
    {"uimage2D", 420, 999},
    {"uimage3D", 420, 999},
    {"uimage2DRect", 420, 999},
    {"uimageCube", 420, 999},
    {"uimageBuffer", 420, 999},
    {"uimage1DArray", 420, 999},
    {"uimage2DArray", 420, 999},
    {"uimageCubeArray", 420, 999},
    {"uimage2DMS", 420, 999},
    {"uimage2DMSArray", 420, 999},
    {"atomic_uint", 420, 999},
};

}  // namespace

std::span<const glsl_type> builtin_numeric_and_opaque_types() {
  return kNumericAndOpaque;
}

std::span<const glsl_type> builtin_record_types() { return kRecords; }

std::span<const builtin_type_version> builtin_type_versions() {
  return kVersions;
}

#define BUILTIN(member, name) \
  constinit const glsl_type *const glsl_type::member = numeric(name);
BUILTIN(error_type, "error")
BUILTIN(void_type, "void")
BUILTIN(bool_type, "bool")
BUILTIN(bvec2_type, "bvec2")
BUILTIN(bvec3_type, "bvec3")
BUILTIN(bvec4_type, "bvec4")
BUILTIN(int_type, "int")
BUILTIN(ivec2_type, "ivec2")
BUILTIN(ivec3_type, "ivec3")
BUILTIN(ivec4_type, "ivec4")
BUILTIN(uint_type, "uint")
BUILTIN(uvec2_type, "uvec2")
BUILTIN(uvec3_type, "uvec3")
BUILTIN(uvec4_type, "uvec4")
BUILTIN(float_type, "float")
BUILTIN(vec2_type, "vec2")
BUILTIN(vec3_type, "vec3")
BUILTIN(vec4_type, "vec4")
BUILTIN(mat2_type, "mat2")
BUILTIN(mat3_type, "mat3")
BUILTIN(mat4_type, "mat4")
BUILTIN(mat2x3_type, "mat2x3")
BUILTIN(mat2x4_type, "mat2x4")
BUILTIN(mat3x2_type, "mat3x2")
BUILTIN(mat3x4_type, "mat3x4")
BUILTIN(mat4x2_type, "mat4x2")
BUILTIN(mat4x3_type, "mat4x3")
BUILTIN(sampler2D_type, "sampler2D")
BUILTIN(sampler3D_type, "sampler3D")
BUILTIN(samplerCube_type, "samplerCube")
BUILTIN(sampler2DShadow_type, "sampler2DShadow")
BUILTIN(sampler2DRect_type, "sampler2DRect")
BUILTIN(samplerExternalOES_type, "samplerExternalOES")
BUILTIN(atomic_uint_type, "atomic_uint")
#undef BUILTIN
