// Memory layout of every type against the Metal Shading Language
// Specification's tables, struct layouts computed by hand, and the
// reflection that pipeline creation gives the graphics layer's linker,
// with every refusal of a pipeline.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/metal/device.h"
#include "platform/metal/msl/default_library.h"
#include "shader_samples.h"

namespace mtl {
namespace {

const std::string kPrelude = "#include <metal_stdlib>\nusing namespace metal;\n";

class ShaderReflection : public ::testing::Test {
 protected:
  void SetUp() override { device = Device::create(); }

  std::shared_ptr<Library> library(const std::string& source) {
    std::optional<Error> error;
    auto l = device->newLibraryWithSource(kPrelude + source, {}, &error);
    EXPECT_NE(l, nullptr) << (error ? error->localizedDescription : "");
    return l;
  }

  static RenderPipelineDescriptor linkerDescriptor() { return msl::test::linkerDescriptor(); }

  // Reflection of a pipeline of the two functions, or the refusal.
  std::optional<RenderPipelineReflection> reflect(const std::string& source, const char* vertex,
                                                  const char* fragment,
                                                  RenderPipelineDescriptor d = linkerDescriptor(),
                                                  NSUInteger options = PipelineOptionBufferTypeInfo) {
    auto l = library(source);
    if (!l) return std::nullopt;
    d.vertexFunction = l->newFunctionWithName(vertex);
    if (fragment) d.fragmentFunction = l->newFunctionWithName(fragment);
    RenderPipelineReflection r;
    error.reset();
    if (!device->newRenderPipelineState(d, options, &r, &error)) return std::nullopt;
    return r;
  }

  std::shared_ptr<Device> device;
  std::optional<Error> error;
};

struct Layout {
  const char* type;
  NSUInteger size;
  NSUInteger alignment;
};

// Transcribed from the Metal Shading Language Specification, sections
// "Scalar Data Types", "Vector Data Types" (size and alignment table),
// "Packed Vector Types" and "Matrix Data Types".
const Layout kLayouts[] = {
    {"bool", 1, 1}, {"char", 1, 1}, {"uchar", 1, 1}, {"short", 2, 2}, {"ushort", 2, 2},
    {"int", 4, 4}, {"uint", 4, 4}, {"half", 2, 2}, {"float", 4, 4},
    {"bool2", 2, 2}, {"bool3", 4, 4}, {"bool4", 4, 4},
    {"char2", 2, 2}, {"char3", 4, 4}, {"char4", 4, 4},
    {"uchar2", 2, 2}, {"uchar3", 4, 4}, {"uchar4", 4, 4},
    {"short2", 4, 4}, {"short3", 8, 8}, {"short4", 8, 8},
    {"ushort2", 4, 4}, {"ushort3", 8, 8}, {"ushort4", 8, 8},
    {"int2", 8, 8}, {"int3", 16, 16}, {"int4", 16, 16},
    {"uint2", 8, 8}, {"uint3", 16, 16}, {"uint4", 16, 16},
    {"half2", 4, 4}, {"half3", 8, 8}, {"half4", 8, 8},
    {"float2", 8, 8}, {"float3", 16, 16}, {"float4", 16, 16},
    {"packed_char2", 2, 1}, {"packed_char3", 3, 1}, {"packed_char4", 4, 1},
    {"packed_uchar2", 2, 1}, {"packed_uchar3", 3, 1}, {"packed_uchar4", 4, 1},
    {"packed_short2", 4, 2}, {"packed_short3", 6, 2}, {"packed_short4", 8, 2},
    {"packed_ushort2", 4, 2}, {"packed_ushort3", 6, 2}, {"packed_ushort4", 8, 2},
    {"packed_int2", 8, 4}, {"packed_int3", 12, 4}, {"packed_int4", 16, 4},
    {"packed_uint2", 8, 4}, {"packed_uint3", 12, 4}, {"packed_uint4", 16, 4},
    {"packed_half2", 4, 2}, {"packed_half3", 6, 2}, {"packed_half4", 8, 2},
    {"packed_float2", 8, 4}, {"packed_float3", 12, 4}, {"packed_float4", 16, 4},
    {"half2x2", 8, 4}, {"half2x3", 16, 8}, {"half2x4", 16, 8},
    {"half3x2", 12, 4}, {"half3x3", 24, 8}, {"half3x4", 24, 8},
    {"half4x2", 16, 4}, {"half4x3", 32, 8}, {"half4x4", 32, 8},
    {"float2x2", 16, 8}, {"float2x3", 32, 16}, {"float2x4", 32, 16},
    {"float3x2", 24, 8}, {"float3x3", 48, 16}, {"float3x4", 48, 16},
    {"float4x2", 32, 8}, {"float4x3", 64, 16}, {"float4x4", 64, 16},
    {"float[5]", 20, 4}, {"float3[2]", 32, 16}, {"packed_float3[3]", 36, 4},
    {"half3x3[2]", 48, 8}, {"bool[3]", 3, 1}, {"array<float4x4, 2>", 128, 16},
};

TEST_F(ShaderReflection, EveryTypeHasTheSpecifiedSizeAndAlignment) {
  int checked = 0;
  for (const Layout& l : kLayouts) {
    // A buffer argument of the type reports its size and alignment.
    std::string type = l.type, extent;
    if (const auto bracket = type.find('['); bracket != std::string::npos) {
      extent = type.substr(bracket);
      type = type.substr(0, bracket);
    }
    const std::string source = "struct S { " + type + " value" + extent +
                               "; };\nvertex float4 v(constant S& s [[buffer(0)]]) { return 0; }\n";
    auto r = reflect(source, "v", nullptr);
    ASSERT_TRUE(r) << l.type;
    const Argument& a = r->vertexArguments.at(0);
    EXPECT_EQ(a.bufferDataSize, (l.size + l.alignment - 1) / l.alignment * l.alignment) << l.type;
    EXPECT_EQ(a.bufferAlignment, l.alignment) << l.type;
    // Behind one char the member starts at its alignment.
    const std::string padded = "struct S { char c; " + type + " value" + extent +
                               "; char end; };\nvertex float4 v(constant S& s [[buffer(0)]]) { return 0; }\n";
    auto p = reflect(padded, "v", nullptr);
    ASSERT_TRUE(p) << l.type;
    const auto& members = p->vertexArguments.at(0).bufferStructType->members;
    EXPECT_EQ(members.at(1).offset, l.alignment == 1 ? 1u : l.alignment) << l.type;
    EXPECT_EQ(members.at(2).offset - members.at(1).offset, l.size) << l.type;
    ++checked;
  }
  EXPECT_EQ(checked, 84);
}

TEST_F(ShaderReflection, StructsPlaceMembersAtTheirAlignment) {
  struct Case {
    const char* members;
    std::vector<NSUInteger> offsets;
    NSUInteger size, alignment;
  };
  // Offsets worked out by hand from the layout rules.
  const Case cases[] = {
      {"float a; float3 b;", {0, 16}, 32, 16},
      {"float3 a; float b;", {0, 16}, 32, 16},
      {"packed_float3 a; float b;", {0, 12}, 16, 4},
      {"char c; float4x4 m;", {0, 16}, 80, 16},
      {"half h; float f; half2 g;", {0, 4, 8}, 12, 4},
      {"bool b; short s; char c; int i;", {0, 2, 4, 8}, 12, 4},
      {"float2 a; float b;", {0, 8}, 16, 8},
      {"float a[3]; float2 b;", {0, 16}, 24, 8},
      {"half x; Inner i; float y;", {0, 16, 48}, 64, 16},
      {"float3x3 m; float3 v;", {0, 48}, 64, 16},
      {"uchar3 c; ushort2 s; half3 h;", {0, 4, 8}, 16, 8},
      {"array<float4, 2> a; int b;", {0, 32}, 48, 16},
      {"float4x4 u_mvp; float3 u_color;", {0, 64}, 80, 16},
  };
  for (const Case& c : cases) {
    const std::string source = std::string("struct Inner { float3 v; half h; };\n") +
                               "struct S { " + c.members +
                               " };\nvertex float4 v(constant S& s [[buffer(0)]]) { return 0; }\n";
    auto r = reflect(source, "v", nullptr);
    ASSERT_TRUE(r) << c.members;
    const Argument& a = r->vertexArguments.at(0);
    EXPECT_EQ(a.bufferDataType, DataType::Struct);
    EXPECT_EQ(a.bufferDataSize, c.size) << c.members;
    EXPECT_EQ(a.bufferAlignment, c.alignment) << c.members;
    ASSERT_EQ(a.bufferStructType->members.size(), c.offsets.size()) << c.members;
    for (std::size_t k = 0; k < c.offsets.size(); ++k) {
      EXPECT_EQ(a.bufferStructType->members[k].offset, c.offsets[k]) << c.members << " #" << k;
    }
  }
  // The nested struct is described too: Inner is 32 bytes (float3, half).
  auto r = reflect("struct Inner { float3 v; half h; };\nstruct S { half x; Inner i[2]; };\n"
                   "vertex float4 v(constant S& s [[buffer(0)]]) { return 0; }\n",
                   "v", nullptr);
  ASSERT_TRUE(r);
  const StructMember& i = r->vertexArguments[0].bufferStructType->members[1];
  EXPECT_EQ(i.dataType, DataType::Array);
  ASSERT_TRUE(i.arrayType);
  EXPECT_EQ(i.arrayType->elementType, DataType::Struct);
  EXPECT_EQ(i.arrayType->arrayLength, 2u);
  EXPECT_EQ(i.arrayType->stride, 32u);
  ASSERT_TRUE(i.arrayType->elementStructType);
  EXPECT_EQ(i.arrayType->elementStructType->members[1].name, "h");
  EXPECT_EQ(i.arrayType->elementStructType->members[1].offset, 16u);
  EXPECT_EQ(i.arrayType->elementStructType->members[1].dataType, DataType::Half);
}

TEST_F(ShaderReflection, TheLinkersWorkedCases) {
  // u_mvp (mat4) in the vertex stage, u_color (vec3) in the fragment
  // stage, a texture argument named tex_3_, and a stage_in struct.
  const std::string source = R"(
struct VIn { float4 a_position [[attribute(0)]]; float2 a_uv [[attribute(3)]]; float a_unused [[attribute(5)]]; };
struct VOut { float4 position [[position]]; float2 v_uv; };
struct VUniforms { float4x4 u_mvp; };
struct FUniforms { float3 u_color; bool u_flag; float u_values[4]; };
vertex VOut vmain(VIn in [[stage_in]], constant VUniforms& u [[buffer(0)]]) {
  VOut out;
  out.position = u.u_mvp * in.a_position;
  out.v_uv = in.a_uv;
  return out;
}
fragment float4 fmain(VOut in [[stage_in]], constant FUniforms& u [[buffer(0)]],
                      texture2d<float> tex_3_ [[texture(1)]], sampler tex_3_Smplr [[sampler(1)]],
                      texturecube<half> sky [[texture(2)]], device float& scratch [[buffer(2)]]) {
  return float4(u.u_color, 1.0) * tex_3_.sample(tex_3_Smplr, in.v_uv);
}
)";
  auto r = reflect(source, "vmain", "fmain");
  ASSERT_TRUE(r) << (error ? error->localizedDescription : "");
  ASSERT_EQ(r->vertexArguments.size(), 2u);
  const Argument& stageIn = r->vertexArguments[0];
  EXPECT_EQ(stageIn.name, "vertexBuffer.1");
  EXPECT_EQ(stageIn.type, ArgumentType::Buffer);
  EXPECT_EQ(stageIn.index, 1u);
  EXPECT_EQ(stageIn.bufferDataType, DataType::Struct);
  EXPECT_EQ(stageIn.bufferStructType, nullptr);
  EXPECT_TRUE(stageIn.active);
  const Argument& vu = r->vertexArguments[1];
  EXPECT_EQ(vu.name, "u");
  EXPECT_EQ(vu.index, 0u);
  EXPECT_TRUE(vu.active);
  EXPECT_EQ(vu.access, ArgumentAccess::ReadOnly);
  EXPECT_EQ(vu.bufferDataSize, 64u);
  EXPECT_EQ(vu.bufferAlignment, 16u);
  ASSERT_EQ(vu.bufferStructType->members.size(), 1u);
  EXPECT_EQ(vu.bufferStructType->members[0].name, "u_mvp");
  EXPECT_EQ(vu.bufferStructType->members[0].offset, 0u);
  EXPECT_EQ(vu.bufferStructType->members[0].dataType, DataType::Float4x4);

  ASSERT_EQ(r->fragmentArguments.size(), 5u);
  const Argument& fu = r->fragmentArguments[0];
  EXPECT_TRUE(fu.active);
  const auto& members = fu.bufferStructType->members;
  ASSERT_EQ(members.size(), 3u);
  EXPECT_EQ(members[0].dataType, DataType::Float3);
  EXPECT_EQ(members[1].dataType, DataType::Bool);
  EXPECT_EQ(members[1].offset, 16u);  // float3 takes 16 bytes
  EXPECT_EQ(members[2].dataType, DataType::Array);
  EXPECT_EQ(members[2].offset, 20u);
  EXPECT_EQ(members[2].arrayType->elementType, DataType::Float);
  EXPECT_EQ(members[2].arrayType->arrayLength, 4u);
  EXPECT_EQ(members[2].arrayType->stride, 4u);
  EXPECT_EQ(fu.bufferDataSize, 48u);
  const Argument& tex = r->fragmentArguments[1];
  EXPECT_EQ(tex.name, "tex_3_");
  EXPECT_EQ(tex.type, ArgumentType::Texture);
  EXPECT_EQ(tex.index, 1u);
  EXPECT_EQ(tex.textureType, TextureType::Type2D);
  EXPECT_EQ(tex.textureDataType, DataType::Float);
  EXPECT_EQ(tex.access, ArgumentAccess::ReadOnly);
  EXPECT_TRUE(tex.active);
  EXPECT_EQ(r->fragmentArguments[2].type, ArgumentType::Sampler);
  EXPECT_TRUE(r->fragmentArguments[2].active);
  const Argument& sky = r->fragmentArguments[3];
  EXPECT_EQ(sky.textureType, TextureType::TypeCube);
  EXPECT_EQ(sky.textureDataType, DataType::Half);
  EXPECT_FALSE(sky.active);  // never used
  const Argument& scratch = r->fragmentArguments[4];
  EXPECT_EQ(scratch.access, ArgumentAccess::ReadWrite);
  EXPECT_EQ(scratch.bufferDataType, DataType::Float);
  EXPECT_FALSE(scratch.active);

  // The vertex function's attributes, with what the code reads.
  auto l = library(source);
  const auto& attributes = l->newFunctionWithName("vmain")->vertexAttributes();
  ASSERT_EQ(attributes.size(), 3u);
  EXPECT_EQ(attributes[0].name, "a_position");
  EXPECT_EQ(attributes[0].attributeIndex, 0u);
  EXPECT_EQ(attributes[0].attributeType, DataType::Float4);
  EXPECT_TRUE(attributes[0].active);
  EXPECT_EQ(attributes[1].attributeIndex, 3u);
  EXPECT_EQ(attributes[1].attributeType, DataType::Float2);
  EXPECT_FALSE(attributes[2].active);
  EXPECT_TRUE(l->newFunctionWithName("fmain")->vertexAttributes().empty());

  // Either reflection option fills the arguments; none leaves them empty.
  auto argumentInfo = reflect(source, "vmain", "fmain", linkerDescriptor(), PipelineOptionArgumentInfo);
  ASSERT_TRUE(argumentInfo);
  EXPECT_EQ(argumentInfo->fragmentArguments.size(), 5u);
  auto none = reflect(source, "vmain", "fmain", linkerDescriptor(), PipelineOptionNone);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->vertexArguments.empty());
  EXPECT_TRUE(none->fragmentArguments.empty());
}

TEST_F(ShaderReflection, TheDefaultLibraryMeetsTheChartsContract) {
  device->setDefaultLibrarySource(std::string(msl::defaultLibrarySource()));
  auto l = device->newDefaultLibrary();
  ASSERT_NE(l, nullptr);
  RenderPipelineDescriptor d = linkerDescriptor();
  d.vertexFunction = l->newFunctionWithName("VertexShader");
  d.fragmentFunction = l->newFunctionWithName("FragmentShader");
  ASSERT_TRUE(d.vertexFunction && d.fragmentFunction);
  RenderPipelineReflection r;
  ASSERT_NE(device->newRenderPipelineState(d, PipelineOptionBufferTypeInfo, &r, &error), nullptr)
      << (error ? error->localizedDescription : "");
  std::vector<std::string> attributes;
  for (const auto& a : d.vertexFunction->vertexAttributes()) {
    EXPECT_TRUE(a.active) << a.name;
    attributes.push_back(a.name);
  }
  EXPECT_EQ(attributes, (std::vector<std::string>{
                            "a_Position", "a_Color", "a_Normal", "a_TexCoord", "a_materialAmbient",
                            "a_materialDiffuse", "a_materialSpecular", "a_materialShininess"}));
  std::vector<std::pair<std::string, DataType>> uniforms;
  for (const auto& m : r.vertexArguments.at(1).bufferStructType->members) {
    uniforms.emplace_back(m.name, m.dataType);
  }
  EXPECT_EQ(uniforms, (std::vector<std::pair<std::string, DataType>>{
                          {"u_MVMatrix", DataType::Float4x4}, {"u_MVPMatrix", DataType::Float4x4},
                          {"u_UseMaterial", DataType::Int}, {"u_LightDir", DataType::Float3}}));
  ASSERT_EQ(r.fragmentArguments.size(), 3u);
  EXPECT_EQ(r.fragmentArguments[0].bufferStructType->members.at(0).name, "u_UseTexture");
  EXPECT_EQ(r.fragmentArguments[1].type, ArgumentType::Texture);
  EXPECT_EQ(r.fragmentArguments[1].name, "texture");
  EXPECT_EQ(r.fragmentArguments[1].index, 0u);
  EXPECT_EQ(r.fragmentArguments[2].type, ArgumentType::Sampler);
  // The process-wide device has it installed.
  auto shared = createSystemDefaultDevice()->newDefaultLibrary();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->functionNames(), (std::vector<std::string>{"VertexShader", "FragmentShader"}));
}

TEST_F(ShaderReflection, TheDefaultLibraryIsCompiledOnceForAnyNumberOfThreads) {
  device->setDefaultLibrarySource(std::string(msl::defaultLibrarySource()));
  std::vector<std::shared_ptr<Library>> libraries(4);
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < libraries.size(); ++k) {
    threads.emplace_back([&, k] {
      libraries[k] = device->newDefaultLibrary();
      std::optional<Error> e;
      device->newLibraryWithSource(std::string(msl::defaultLibrarySource()), {}, &e);
    });
  }
  for (auto& t : threads) t.join();
  for (const auto& l : libraries) {
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->functionNames().size(), 2u);
  }
  // Later calls share the kept code.
  EXPECT_EQ(device->newDefaultLibrary()->newFunctionWithName("VertexShader")->code(),
            device->newDefaultLibrary()->newFunctionWithName("VertexShader")->code());
  device->setDefaultLibrarySource("vertex float4 broken( { }");
  EXPECT_EQ(device->newDefaultLibrary(), nullptr);
}

TEST_F(ShaderReflection, PipelinesRefuseWhatDoesNotFit) {
  const std::string source = R"(
struct In { float4 p [[attribute(0)]]; float4 far [[attribute(16)]]; };
struct Out { float4 position [[position]]; float4 color; int index [[flat]]; };
struct NoPosition { float4 color; };
vertex Out v(In in [[stage_in]]) { Out o; o.position = in.p; o.color = in.p; o.index = 1; return o; }
vertex Out vFar(In in [[stage_in]]) { Out o; o.position = in.far; o.color = 0; o.index = 0; return o; }
vertex NoPosition vNoPosition(In in [[stage_in]]) { NoPosition o; o.color = in.p; return o; }
vertex Out vBuffer(In in [[stage_in]], constant float4& k [[buffer(1)]]) { Out o; o.position = in.p * k; return o; }
struct FIn { float4 color; };
struct FMissing { float4 shade; };
struct FWrongType { float3 color; };
struct FIndex { int index [[flat]]; };
fragment float4 f(FIn in [[stage_in]]) { return in.color; }
fragment float4 fMissing(FMissing in [[stage_in]]) { return in.shade; }
fragment float4 fWrongType(FWrongType in [[stage_in]]) { return float4(in.color, 1.0); }
fragment int4 fInteger(FIndex in [[stage_in]]) { return int4(in.index); }
fragment uint4 fUnsigned(FIndex in [[stage_in]]) { return uint4(in.index); }
)";
  auto l = library(source);
  const auto attempt = [&](const char* vertex, const char* fragment,
                           RenderPipelineDescriptor d = linkerDescriptor()) {
    d.vertexFunction = l->newFunctionWithName(vertex);
    d.fragmentFunction = fragment ? l->newFunctionWithName(fragment) : nullptr;
    error.reset();
    auto state = device->newRenderPipelineState(d, PipelineOptionBufferTypeInfo, nullptr, &error);
    if (state) return std::string("accepted");
    EXPECT_EQ(error->code, RenderPipelineErrorInvalidInput);
    return error->localizedDescription;
  };
  EXPECT_EQ(attempt("v", "f"), "accepted");
  // Attribute 16 is beyond the linker's descriptor; inactive it does not matter.
  EXPECT_EQ(attempt("vFar", "f"), "Vertex attribute 'far' (16) has no format in the vertex descriptor");
  RenderPipelineDescriptor noDescriptor = linkerDescriptor();
  noDescriptor.vertexDescriptor.reset();
  EXPECT_EQ(attempt("v", "f", noDescriptor),
            "Vertex function has input attributes but no vertex descriptor was set");
  EXPECT_EQ(attempt("vNoPosition", nullptr), "Vertex function 'vNoPosition' has no [[position]] output");
  RenderPipelineDescriptor noRaster = linkerDescriptor();
  noRaster.rasterizationEnabled = false;
  EXPECT_EQ(attempt("vNoPosition", nullptr, noRaster), "accepted");
  EXPECT_EQ(attempt("v", "fMissing"), "Fragment input 'shade' is not written by the vertex function");
  EXPECT_EQ(attempt("v", "fWrongType"),
            "Fragment input 'color' has type float3 but the vertex function writes float4");
  EXPECT_EQ(attempt("v", "fInteger"),
            "Fragment output color(0) of type int4 does not suit the color attachment's pixel format 70");
  RenderPipelineDescriptor integerTarget = linkerDescriptor();
  integerTarget.colorAttachments[0].pixelFormat = PixelFormat::RGBA8Uint;
  EXPECT_EQ(attempt("v", "fUnsigned", integerTarget), "accepted");
  EXPECT_EQ(attempt("v", "f", integerTarget),
            "Fragment output color(0) of type float4 does not suit the color attachment's pixel format 73");
  EXPECT_EQ(attempt("vBuffer", "f"),
            "Vertex buffer index 1 is used by both the vertex descriptor and the argument 'k'");
  // A fragment function where a vertex one belongs, and the reverse.
  EXPECT_EQ(attempt("f", nullptr), "The vertex function is not a vertex function");
  EXPECT_EQ(attempt("v", "v"), "The fragment function is not a fragment function");
}

}  // namespace
}  // namespace mtl
