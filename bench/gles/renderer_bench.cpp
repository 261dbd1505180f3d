// The GL layer's cost per draw: glDrawArrays of six client vertices with
// nothing changed (state checks, the vertex copy into the frame's pool, the
// encoder calls), beside the same draws encoded straight on a Metal render
// encoder; and the pipeline cache over chart-like frames of 2,000 draws
// that toggle blending, as the chart's layers do.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "bench/gles/gl_scene.h"
#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/textures/framebuffer.h"
#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/library.h"
#include "platform/metal/render_encoder.h"

namespace {

constexpr int kFrameDraws = 2000;
constexpr float kSix[12] = {0, 0, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1};

// A linked program reading one float2 attribute.
class Program : public MGLShaderProgram {
 public:
  explicit Program(GLID glID) : MGLShaderProgram(glID) {}
  bool isLinked() const override { return true; }
  std::uint64_t activeVertexAttributeCount() const override { return 1; }
  MGLShaderProgramVertexAttributeBinding activeVertexAttribute(std::uint64_t) const override {
    return {0, 0};
  }
  const void* vertexAttributeLayout() const override { return this; }
  std::shared_ptr<mtl::Function> vertexMTLFunction() override { return vertex_; }

 private:
  std::shared_ptr<mtl::Function> vertex_ =
      mglSharedMTLDevice()
          ->newLibraryWithSource(
              "struct In { float2 p [[attribute(0)]]; };\n"
              "vertex float4 v(In in [[stage_in]]) { return float4(in.p, 0.0, 1.0); }\n",
              {}, nullptr)
          ->newFunctionWithName("v");
};

// A current context drawing into a 64 x 64 framebuffer with a program and
// a client array set.
struct Scene : GLBenchScene {
  Scene() {
    MGLSharegroupGLObjectStore* programs = context->shaderPrograms()->sharegroupObjectStore();
    MGLRef<Program> program = mglMake<Program>(programs->generateGLID());
    programs->addObject(program.get());
    context->renderPipelineState()->setShaderProgram(program.get());
    MGLVertexArrayObject* vertices = context->renderPipelineState()->vertexArrayObject();
    vertices->bindVertices(kSix, 2, GL_FLOAT, 0, false, 0);
    vertices->setShouldUsePerVertexContent(true, 0);
  }
};

// Frames of 2,000 draws; the per-draw time is the GL layer's CPU cost.
void BM_DrawArraysSixClientVertices(benchmark::State& state) {
  Scene scene;
  MGLRenderer& renderer = scene.renderer();
  for (auto _ : state) {
    for (int i = 0; i < kFrameDraws; ++i) renderer.drawPrimitives(GL_TRIANGLES, 0, 6, 1);
    state.PauseTiming();
    renderer.presentDrawable();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kFrameDraws);
}
BENCHMARK(BM_DrawArraysSixClientVertices)->Unit(benchmark::kMicrosecond);

// The same draws encoded straight: the vertices copied into a buffer, the
// buffer bound, the draw recorded.
void BM_EncoderDrawsSixVertices(benchmark::State& state) {
  Scene scene;  // for the same pass and pipeline
  std::shared_ptr<mtl::Device> device = mglSharedMTLDevice();
  std::shared_ptr<mtl::CommandQueue> queue = device->newCommandQueue();
  scene.renderer().drawPrimitives(GL_TRIANGLES, 0, 6, 1);
  mtl::RenderCommandEncoder* glEncoder = scene.renderer().currentRenderCommandEncoder();
  const mtl::RenderPassDescriptor pass = glEncoder->pass();
  const std::shared_ptr<mtl::RenderPipelineState> pipeline = glEncoder->state().pipeline;
  scene.renderer().endCommandBuffer();
  std::shared_ptr<mtl::Buffer> vertices =
      device->newBuffer(sizeof kSix * kFrameDraws + 256, mtl::ResourceStorageModeShared);
  auto* contents = static_cast<std::uint8_t*>(vertices->contents());
  for (auto _ : state) {
    state.PauseTiming();
    std::shared_ptr<mtl::CommandBuffer> buffer = queue->commandBuffer();
    std::shared_ptr<mtl::RenderCommandEncoder> encoder = buffer->renderCommandEncoder(pass);
    encoder->setRenderPipelineState(pipeline);
    state.ResumeTiming();
    for (int i = 0; i < kFrameDraws; ++i) {
      std::memcpy(contents + sizeof kSix * i, kSix, sizeof kSix);
      encoder->setVertexBuffer(vertices, sizeof kSix * i, 1);
      encoder->drawPrimitives(mtl::PrimitiveType::Triangle, 0, 6);
    }
    state.PauseTiming();
    encoder->endEncoding();
    buffer->commit();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kFrameDraws);
}
BENCHMARK(BM_EncoderDrawsSixVertices)->Unit(benchmark::kMicrosecond);

// Chart-like frames: 2,000 draws in layers that switch blending on and off
// and between additive, alpha and maximum blending, with a client pointer
// that moves with every layer. Reports static states made per lookup.
void BM_ChartFramePipelineCache(benchmark::State& state) {
  Scene scene;
  MGLRenderer& renderer = scene.renderer();
  MGLMutableRenderPipelineState& pipeline = *scene.context->renderPipelineState();
  MGLVertexArrayObject& vertices = *pipeline.vertexArrayObject();
  MGLRenderPipelineStateCache& cache = *scene.context->renderPipelineStateCache();
  static float layers[8][12];
  for (auto _ : state) {
    for (int i = 0; i < kFrameDraws; ++i) {
      const int layer = i / 250;
      if (i % 250 == 0) vertices.bindVertices(layers[layer], 2, GL_FLOAT, 0, false, 0);
      switch ((i / 25) % 4) {
        case 0: pipeline.setShouldBlend(false); break;
        case 1:
          pipeline.setShouldBlend(true);
          pipeline.setBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                GL_ONE_MINUS_SRC_ALPHA);
          pipeline.setBlendEquation(GL_FUNC_ADD, GL_FUNC_ADD);
          break;
        case 2: pipeline.setBlendFunc(GL_ONE, GL_ONE, GL_ONE, GL_ONE); break;
        default: pipeline.setBlendEquation(GL_MAX_EXT, GL_MAX_EXT); break;
      }
      renderer.drawPrimitives(GL_TRIANGLES, 0, 6, 1);
    }
    state.PauseTiming();
    renderer.presentDrawable();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kFrameDraws);
  state.counters["lookups_per_frame"] =
      static_cast<double>(cache.lookupCount()) / static_cast<double>(state.iterations());
  state.counters["made_per_lookup"] =
      static_cast<double>(cache.madeCount()) / static_cast<double>(cache.lookupCount());
}
BENCHMARK(BM_ChartFramePipelineCache)->Unit(benchmark::kMicrosecond);

}  // namespace
