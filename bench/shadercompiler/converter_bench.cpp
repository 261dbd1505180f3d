// The chart's two shaders through the whole GLSL-to-Metal converter, as
// the GL layer converts them when the chart screen creates its program:
// front end, inlining and optimisation, Metal's rewrites, both printers.
// The built-in library is built before the timed loop, as it is for every
// shader after the first of the process; its first build is timed apart.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "shadercompiler/optimizer/glsl_to_msl_converter.h"
#include "shadercompiler/optimizer/shader_compiler.h"

namespace {

constexpr uint32_t kVertex = 0x8B31;
constexpr uint32_t kFragment = 0x8B30;

std::string read(const char *file) {
  std::ifstream in(std::string(TESSALY_SOURCE_DIR) + "/resources/Shaders/" + file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void convert(benchmark::State &state, const char *file, uint32_t type) {
  const std::string glsl = read(file);
  auto converter = MGLGLSLToMSLConverter::converter();
  if (!converter->convertGLSLSource(glsl, 0, type, std::nullopt)) {
    state.SkipWithError(("cannot convert " + std::string(file)).c_str());
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(converter->convertGLSLSource(glsl, 0, type, std::nullopt));
    benchmark::DoNotOptimize(converter->mslSourceCode());
  }
}

void BM_ConvertVertexShader(benchmark::State &state) {
  convert(state, "VertexShader.glsl", kVertex);
}
BENCHMARK(BM_ConvertVertexShader)->Unit(benchmark::kMicrosecond);

void BM_ConvertFragmentShader(benchmark::State &state) {
  convert(state, "FragmentShader.glsl", kFragment);
}
BENCHMARK(BM_ConvertFragmentShader)->Unit(benchmark::kMicrosecond);

// The first conversion of a process: the built-in library is built, then
// the vertex shader converted.
void BM_FirstConversionBuildingTheLibrary(benchmark::State &state) {
  const std::string glsl = read("VertexShader.glsl");
  auto converter = MGLGLSLToMSLConverter::converter();
  for (auto _ : state) {
    state.PauseTiming();
    shc_release_caches();
    state.ResumeTiming();
    benchmark::DoNotOptimize(converter->convertGLSLSource(glsl, 0, kVertex, std::nullopt));
  }
}
BENCHMARK(BM_FirstConversionBuildingTheLibrary)->Unit(benchmark::kMicrosecond);

}  // namespace
