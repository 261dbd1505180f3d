// The shading-language front end: compiling and reflecting the default
// library (what the GL layer's first link costs), compile time against
// source length, and the reference interpreter on the chart's vertex
// function.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "platform/metal/device.h"
#include "platform/metal/msl/compiler.h"
#include "platform/metal/msl/default_library.h"
#include "platform/metal/msl/reference_interpreter.h"

namespace {

mtl::RenderPipelineDescriptor linkerDescriptor() {
  mtl::RenderPipelineDescriptor d;
  mtl::VertexDescriptor v;
  for (mtl::NSUInteger n = 0; n < 16; ++n) v.attributes[n] = {mtl::VertexFormat::Float4, 16 * n, 1};
  v.layouts[1] = {256, mtl::VertexStepFunction::Constant, 0};
  d.vertexDescriptor = v;
  d.colorAttachments[0].pixelFormat = mtl::PixelFormat::BGRA8Unorm;
  return d;
}

// Compile the default library from source and reflect its pipeline, as a
// program link does.
void BM_CompileAndReflectDefaultLibrary(benchmark::State& state) {
  auto device = mtl::Device::create();
  const std::string source(mtl::msl::defaultLibrarySource());
  for (auto _ : state) {
    auto library = device->newLibraryWithSource(source, {}, nullptr);
    auto d = linkerDescriptor();
    d.vertexFunction = library->newFunctionWithName("VertexShader");
    d.fragmentFunction = library->newFunctionWithName("FragmentShader");
    mtl::RenderPipelineReflection reflection;
    benchmark::DoNotOptimize(
        device->newRenderPipelineState(d, mtl::PipelineOptionBufferTypeInfo, &reflection, nullptr));
  }
}
BENCHMARK(BM_CompileAndReflectDefaultLibrary)->Unit(benchmark::kMicrosecond);

// Compile time of a function with `range(0)` statements: linear growth
// shows as a constant time per statement.
void BM_CompileStatements(benchmark::State& state) {
  std::string source = "vertex float4 v(constant float4& k [[buffer(0)]]) {\n  float4 x = k;\n";
  for (int i = 0; i < state.range(0); ++i) source += "  x = x * k.yzwx + float4(1.0, 2.0, 3.0, 4.0);\n";
  source += "  return x;\n}\n";
  for (auto _ : state) benchmark::DoNotOptimize(mtl::msl::compile(source));
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_CompileStatements)->RangeMultiplier(4)->Range(16, 4096)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// One vertex of the chart's lit 3-D models through the reference
// interpreter.
void BM_InterpretDefaultVertex(benchmark::State& state) {
  auto result = mtl::msl::compile(mtl::msl::defaultLibrarySource());
  const auto& f = *result.functions.at(0);
  std::vector<std::uint8_t> uniforms(160, 0);
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  std::memcpy(uniforms.data(), identity, 64);
  std::memcpy(uniforms.data() + 64, identity, 64);
  const int useMaterial = 1;
  std::memcpy(uniforms.data() + 128, &useMaterial, 4);
  const float light[3] = {0.0f, 0.6f, 0.8f};  // u_LightDir at 144
  std::memcpy(uniforms.data() + 144, light, 12);
  const std::vector<mtl::msl::BufferView> buffers{{uniforms.data(), uniforms.size(), false}};
  for (auto _ : state) {
    auto invocation = mtl::msl::prepareInvocation(f);
    for (const auto& in : f.inputs) {
      mtl::msl::setInput(invocation, in, {0x3f000000u, 0x3f000000u, 0x3f000000u, 0x3f800000u});
    }
    mtl::msl::interpret(f, invocation, buffers);
    benchmark::DoNotOptimize(invocation.registers.data());
  }
}
BENCHMARK(BM_InterpretDefaultVertex);

}  // namespace
