// Costs the GL layer promises to keep small: the call frame with tracing
// and logging off, a cached name lookup, and making and freeing a name.
#include <benchmark/benchmark.h>

#include "gles/context/call_frame.h"
#include "gles/context/context.h"
#include "gles/context/current_context.h"

namespace {

void BM_CallFrame(benchmark::State& state) {
  auto context = mglMake<MGLContext>();
  mglSetCurrentContext(context.get());
  for (auto _ : state) {
    MGL_CALL_FRAME("glActiveTexture");
    benchmark::DoNotOptimize(mglCallFrame_.context());
  }
  mglSetCurrentContext(nullptr);
}
BENCHMARK(BM_CallFrame);

void BM_CachedLookup(benchmark::State& state) {
  auto context = mglMake<MGLContext>();
  mglSetCurrentContext(context.get());
  for (GLID name = 1; name <= 64; ++name) context->textures()->getObjectWithGLID(name);
  GLID name = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(context->textures()->getObjectWithGLID(name));
    name = name % 64 + 1;
  }
  mglSetCurrentContext(nullptr);
}
BENCHMARK(BM_CachedLookup);

void BM_GenerateAndDelete(benchmark::State& state) {
  auto context = mglMake<MGLContext>();
  mglSetCurrentContext(context.get());
  for (GLID name = 1; name <= 256; ++name) context->buffers()->getObjectWithGLID(name);
  for (auto _ : state) {
    const GLID name = context->buffers()->generateGLID();
    context->buffers()->getObjectWithGLID(name);
    context->buffers()->removeObjectWithGLID(name);
  }
  mglSetCurrentContext(nullptr);
}
BENCHMARK(BM_GenerateAndDelete);

}  // namespace
