// Texture uploads and pixel reads at the size of the chart's largest
// images (1024 x 1024): RGB data rewritten to RGBA (at least 200 MPixel/s),
// RGBA data copied as it is (within 3x of a plain memcpy of the same bytes),
// and glReadPixels of a BGRA surface, converted to RGBA and read as BGRA.
// Client buffers are made before the context: made after the texture, they
// were measured up to ten times slower on the build machine, a placement
// effect of the allocator, not of the copy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/render/renderer.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/textures/texture.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"

namespace {

constexpr GLint kSide = 1024;

struct Scene {
  Scene() {
    mglLoggingEnabled = false;
    mglSharedMTLDevice()->gpu().setSynchronous(true);
    context = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
  }
  ~Scene() { mglSetCurrentContext(nullptr); }
  MGLTexture* texture() {
    const GLID name = context->textures()->generateGLID();
    auto* t = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
    context->textureUnits2D()->bindTexture(t, 0);
    return t;
  }
  MGLRef<MGLContext> context;
};

void upload(benchmark::State& state, GLenum format, int bytesPerPixel) {
  const std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide * bytesPerPixel,
                                         0x5A);
  Scene scene;
  MGLTexture* texture = scene.texture();
  for (auto _ : state) {
    texture->setContent(pixels.data(), format, GL_UNSIGNED_BYTE, MGLSize{kSide, kSide},
                        GL_TEXTURE_2D, 0, *scene.context);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(pixels.size()));
}

void BM_UploadRGBConverted(benchmark::State& state) { upload(state, GL_RGB, 3); }
BENCHMARK(BM_UploadRGBConverted)->Unit(benchmark::kMillisecond);

void BM_UploadRGBADirect(benchmark::State& state) { upload(state, GL_RGBA, 4); }
BENCHMARK(BM_UploadRGBADirect)->Unit(benchmark::kMillisecond);

// The floor a direct upload is measured against.
void BM_MemcpyOfAnRGBAImage(benchmark::State& state) {
  const std::vector<std::uint8_t> source(static_cast<std::size_t>(kSide) * kSide * 4, 0x5A);
  std::vector<std::uint8_t> destination(source.size());
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), source.size());
    benchmark::DoNotOptimize(destination.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_MemcpyOfAnRGBAImage)->Unit(benchmark::kMillisecond);

void readPixels(benchmark::State& state, GLenum format) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide * 4);
  Scene scene;
  MGLContext& context = *scene.context;
  context.bindDrawFramebuffer(context.framebuffers()->generateGLID());
  const GLID name = context.renderbuffers()->generateGLID();
  auto* color = static_cast<MGLRenderbuffer*>(context.renderbuffers()->getObjectWithGLID(name));
  color->generateStorageWithPixelFormat(GL_BGRA, kSide, kSide, 0, context);
  MGLFramebuffer* framebuffer = context.currentDrawFramebuffer();
  framebuffer->attach(color, GL_COLOR_ATTACHMENT0, context);
  context.setClearColor({0.25f, 0.5f, 0.75f, 1});
  context.clearAttachments(GL_COLOR_BUFFER_BIT);
  context.renderer()->finishCommands();
  for (auto _ : state) {
    framebuffer->readPixelsFromRect({0, 0, kSide, kSide}, pixels.data(), format,
                                    GL_UNSIGNED_BYTE, 4);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_ReadPixelsBGRAAsRGBA(benchmark::State& state) { readPixels(state, GL_RGBA); }
BENCHMARK(BM_ReadPixelsBGRAAsRGBA)->Unit(benchmark::kMillisecond);

void BM_ReadPixelsBGRAAsBGRA(benchmark::State& state) { readPixels(state, GL_BGRA); }
BENCHMARK(BM_ReadPixelsBGRAAsBGRA)->Unit(benchmark::kMillisecond);

}  // namespace
