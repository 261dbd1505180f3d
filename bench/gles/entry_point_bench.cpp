// The cost of the entry points the chart calls most often with nothing to
// do (target: under 50 ns a call, tracing and logging off): reading the
// error, the texture-size limit it asks every frame, switching a
// capability to the value it has, and binding the bound texture.
#include <benchmark/benchmark.h>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/gl.h"
#include "gles/context/log.h"

namespace {

struct CurrentContext {
  CurrentContext() : context(mglMake<MGLContext>()) {
    mglSetCurrentContext(context.get());
    mglLoggingEnabled = false;
  }
  ~CurrentContext() { mglSetCurrentContext(nullptr); }
  MGLRef<MGLContext> context;
};

void BM_GetError(benchmark::State& state) {
  CurrentContext current;
  for (auto _ : state) benchmark::DoNotOptimize(glGetError());
}
BENCHMARK(BM_GetError);

void BM_GetIntegerMaxTextureSize(benchmark::State& state) {
  CurrentContext current;
  GLint value = 0;
  for (auto _ : state) {
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_GetIntegerMaxTextureSize);

void BM_EnableUnchangedCapability(benchmark::State& state) {
  CurrentContext current;
  glEnable(GL_BLEND);
  for (auto _ : state) glEnable(GL_BLEND);
}
BENCHMARK(BM_EnableUnchangedCapability);

void BM_BindBoundTexture(benchmark::State& state) {
  CurrentContext current;
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  for (auto _ : state) glBindTexture(GL_TEXTURE_2D, name);
}
BENCHMARK(BM_BindBoundTexture);

}  // namespace
