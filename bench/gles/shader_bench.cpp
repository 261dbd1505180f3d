// The GL layer's shader work for the chart: compiling its two GLSL shaders
// (glShaderSource converts, glCompileShader compiles the Metal) and linking
// them, with the converter's and the Metal compiler's shares reported; the
// uniform calls the chart makes per draw (glUniformMatrix4fv, glUniform3f,
// glUniform1i) with the location lookup the entry points do; and the
// program's per-draw renderTo: when nothing changed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include "bench/gles/gl_scene.h"
#include "gles/shaders/shader.h"
#include "gles/shaders/shader_program.h"

namespace {

std::string chartShader(const char* name) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream in(std::string(root != nullptr ? root : ".") + "/resources/Shaders/" + name);
  std::stringstream text;
  text << in.rdbuf();
  if (text.str().empty()) {
    std::fprintf(stderr, "resources/Shaders/%s not found: set TESSALY_SOURCE_DIR\n", name);
    std::abort();
  }
  return text.str();
}

using Clock = std::chrono::steady_clock;
double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The chart view's context and framebuffer, and the shader calls.
struct Scene : GLBenchScene {
  // glCreateShader, glShaderSource and glCompileShader; the time of the
  // source (conversion) and of the compile added to the two totals.
  MGLShader* compile(GLenum type, const std::string& source, double* convert, double* metal) {
    const GLID name = context->shaders()->generateGLID();
    auto* shader = static_cast<MGLShader*>(context->shaders()->getObjectWithGLID(name));
    shader->setShaderType(type);
    const GLchar* text = source.c_str();
    const Clock::time_point start = Clock::now();
    shader->set(1, &text, nullptr, *context);
    const Clock::time_point converted = Clock::now();
    shader->compileWithContext(*context);
    *convert += seconds(converted - start);
    *metal += seconds(Clock::now() - converted);
    if (!shader->isCompiled()) {
      std::fprintf(stderr, "%s\n", shader->infoLog().c_str());
      std::abort();
    }
    return shader;
  }
  MGLShaderProgram* program(MGLShader* vertex, MGLShader* fragment) {
    const GLID name = context->shaderPrograms()->generateGLID();
    auto* made = static_cast<MGLShaderProgram*>(context->shaderPrograms()->getObjectWithGLID(name));
    made->attachShaderWithGLID(vertex->glID());
    made->attachShaderWithGLID(fragment->glID());
    return made;
  }
  void link(MGLShaderProgram* program) {
    context->renderPipelineStateCache()->linkShaderProgram(program->glID());
    if (!program->isLinked()) {
      std::fprintf(stderr, "%s\n", program->infoLog().c_str());
      std::abort();
    }
  }
  // glDeleteProgram and glDeleteShader of what an iteration made.
  void forget(MGLShaderProgram* program, std::initializer_list<MGLShader*> shaders) {
    if (program) context->shaderPrograms()->removeObjectWithGLID(program->glID());
    for (MGLShader* shader : shaders) context->shaders()->removeObjectWithGLID(shader->glID());
  }
};

// The chart's set-up: both shaders compiled, the program linked. The
// counters split the time into conversion, Metal compile and link.
void BM_ChartShadersCompileAndLink(benchmark::State& state) {
  Scene scene;
  const std::string vertexSource = chartShader("VertexShader.glsl");
  const std::string fragmentSource = chartShader("FragmentShader.glsl");
  double convert = 0, metal = 0, link = 0;
  for (auto _ : state) {
    MGLShader* vertex = scene.compile(GL_VERTEX_SHADER, vertexSource, &convert, &metal);
    MGLShader* fragment = scene.compile(GL_FRAGMENT_SHADER, fragmentSource, &convert, &metal);
    MGLShaderProgram* program = scene.program(vertex, fragment);
    const Clock::time_point start = Clock::now();
    scene.link(program);
    link += seconds(Clock::now() - start);
    state.PauseTiming();
    scene.forget(program, {vertex, fragment});
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["convert_ms"] = 1e3 * convert / n;
  state.counters["metal_compile_ms"] = 1e3 * metal / n;
  state.counters["link_ms"] = 1e3 * link / n;
}
BENCHMARK(BM_ChartShadersCompileAndLink)->Unit(benchmark::kMillisecond);

void compileOne(benchmark::State& state, GLenum type, const char* file) {
  Scene scene;
  const std::string source = chartShader(file);
  double convert = 0, metal = 0;
  for (auto _ : state) {
    MGLShader* shader = scene.compile(type, source, &convert, &metal);
    state.PauseTiming();
    scene.forget(nullptr, {shader});
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["convert_ms"] = 1e3 * convert / n;
  state.counters["metal_compile_ms"] = 1e3 * metal / n;
}
void BM_CompileChartVertexShader(benchmark::State& state) {
  compileOne(state, GL_VERTEX_SHADER, "VertexShader.glsl");
}
void BM_CompileChartFragmentShader(benchmark::State& state) {
  compileOne(state, GL_FRAGMENT_SHADER, "FragmentShader.glsl");
}
BENCHMARK(BM_CompileChartVertexShader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompileChartFragmentShader)->Unit(benchmark::kMillisecond);

// The chart's program linked, current, and drawn with once, as between
// draws of a frame.
struct ChartScene : Scene {
  ChartScene() {
    double ignored = 0;
    MGLShader* vertex = compile(GL_VERTEX_SHADER, chartShader("VertexShader.glsl"), &ignored, &ignored);
    MGLShader* fragment =
        compile(GL_FRAGMENT_SHADER, chartShader("FragmentShader.glsl"), &ignored, &ignored);
    chart = program(vertex, fragment);
    link(chart);
    context->renderPipelineState()->setShaderProgram(chart);
    MGLVertexArrayObject* vertices = context->renderPipelineState()->vertexArrayObject();
    static const float kTriangle[6] = {0, 0, 1, 0, 0, 1};
    const GLint position = chart->getLocationOfVertexAttributeNamed("a_Position");
    vertices->bindVertices(kTriangle, 2, GL_FLOAT, 0, false, static_cast<GLuint>(position));
    vertices->setShouldUsePerVertexContent(true, static_cast<GLuint>(position));
    context->renderer()->drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  }
  MGLShaderProgram* chart = nullptr;
};

// glUniformMatrix4fv(u_MVPMatrix, 1, GL_FALSE, m): the location's uniform
// found and 64 bytes written into the vertex stage's block.
void BM_UniformMatrix4fv(benchmark::State& state) {
  ChartScene scene;
  MGLRenderer& renderer = *scene.context->renderer();
  const GLint location = scene.chart->getLocationOfUniformNamed("u_MVPMatrix");
  GLfloat matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (auto _ : state) {
    matrix[12] += 1.0f;
    scene.chart->getUniformAtLocation(location)->setFloat4sAt(location, 1, matrix, renderer);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UniformMatrix4fv);

// glUniform3f(u_LightDir, x, y, z): three floats into a 16-byte slot.
void BM_Uniform3f(benchmark::State& state) {
  ChartScene scene;
  MGLRenderer& renderer = *scene.context->renderer();
  const GLint location = scene.chart->getLocationOfUniformNamed("u_LightDir");
  GLfloat light[3] = {0.0f, 0.5f, 1.0f};
  for (auto _ : state) {
    light[0] += 1.0f;
    scene.chart->getUniformAtLocation(location)->setFloat3sAt(location, 1, light, renderer);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Uniform3f);

// glUniform1i on an int uniform (u_UseTexture) and on the sampler.
void BM_Uniform1i(benchmark::State& state) {
  ChartScene scene;
  MGLRenderer& renderer = *scene.context->renderer();
  const GLint location =
      scene.chart->getLocationOfUniformNamed(state.range(0) ? "texture" : "u_UseTexture");
  GLint value = 0;
  for (auto _ : state) {
    value ^= 1;
    scene.chart->getUniformAtLocation(location)->setIntsAt(location, 1, &value, renderer);
    benchmark::ClobberMemory();
  }
  state.SetLabel(state.range(0) ? "sampler" : "int");
}
BENCHMARK(BM_Uniform1i)->Arg(0)->Arg(1);

// The program's renderTo: at a draw on the same encoder with nothing
// changed: flags compared, nothing bound.
void BM_ProgramRenderToNothingChanged(benchmark::State& state) {
  ChartScene scene;
  MGLRenderer& renderer = *scene.context->renderer();
  MGLShaderProgram* program = scene.chart;
  program->renderTo(renderer);
  for (auto _ : state) {
    program->renderTo(renderer);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ProgramRenderToNothingChanged);

}  // namespace
