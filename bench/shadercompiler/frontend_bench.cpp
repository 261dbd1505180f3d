// The chart's two shaders through the front end, as the GL layer compiles
// them when the chart screen creates its program: preprocessing, parsing,
// translation to IR and the link with the built-in functions they call.
// The built-in library is built once before the timed loop, as it is for
// every shader after the first of the process.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shadercompiler/frontend/glsl_compiler.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

std::string read(const char *file) {
  std::ifstream in(std::string(TESSALY_SOURCE_DIR) + "/resources/Shaders/" + file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The text as the GL layer prepares it: #version 120 in front, precision
// statements and qualifiers removed (by blanking, which keeps lines).
std::string prepared(const std::string &text) {
  std::string out = "#version 120\n\n";
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("precision") != std::string::npos) line.clear();
    for (const char *q : {"highp", "mediump", "lowp"})
      for (size_t at = line.find(q); at != std::string::npos; at = line.find(q))
        line.replace(at, std::string(q).size(), std::string(std::string(q).size(), ' '));
    out += line + "\n";
  }
  return out;
}

const gl_context &context() {
  static const gl_context ctx = [] {
    gl_context c;
    initialize_context_defaults(&c, 3);
    return c;
  }();
  return ctx;
}

void compile(benchmark::State &state, const std::string &text, uint32_t type) {
  builtin_builder::initialize();
  for (auto _ : state) {
    gl_shader *shader = new_gl_shader(nullptr, 1, type);
    if (!glsl_compile_shader(&context(), shader, text.c_str())) state.SkipWithError(shader->InfoLog);
    benchmark::DoNotOptimize(shader->ir);
    ralloc_free(shader);
  }
}

void BM_VertexShader(benchmark::State &state) {
  compile(state, prepared(read("VertexShader.glsl")), GL_VERTEX_SHADER);
}
BENCHMARK(BM_VertexShader)->Unit(benchmark::kMicrosecond);

void BM_FragmentShader(benchmark::State &state) {
  compile(state, prepared(read("FragmentShader.glsl")), GL_FRAGMENT_SHADER);
}
BENCHMARK(BM_FragmentShader)->Unit(benchmark::kMicrosecond);

void BM_VertexShaderAsES(benchmark::State &state) {
  compile(state, "#version 100\n" + read("VertexShader.glsl"), GL_VERTEX_SHADER);
}
BENCHMARK(BM_VertexShaderAsES)->Unit(benchmark::kMicrosecond);

// The preprocessor alone, on the larger of the two.
void BM_PreprocessVertexShader(benchmark::State &state) {
  const std::string text = prepared(read("VertexShader.glsl"));
  for (auto _ : state) {
    void *mem = ralloc_context(nullptr);
    auto *parse = new (mem) glsl_parse_state(SHC_SHADER_VERTEX, false, 110);
    parse->ctx = &context();
    std::vector<glsl_pp_token> tokens;
    glsl_preprocess(parse, text.c_str(), 1, &tokens);
    benchmark::DoNotOptimize(tokens.data());
    ralloc_free(mem);
  }
}
BENCHMARK(BM_PreprocessVertexShader)->Unit(benchmark::kMicrosecond);

}  // namespace
