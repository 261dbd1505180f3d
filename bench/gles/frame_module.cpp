#include "bench/gles/frame_module.h"

#include <memory>

#include "bench/gles/frame_scenes.h"
#include "bench/platform/metal/chart_frame.h"
#include "gles/context/platform.h"
#include "platform/metal/device.h"

namespace {

struct Frame {
  std::unique_ptr<frame_bench::GLFrame> gl;
  std::unique_ptr<chart_frame::ChartFrame> metal;
};

void* openFrame(int scene, int width, int height, unsigned workers) {
  try {
    auto frame = std::make_unique<Frame>();
    if (scene == kFrameMetalChart) {
      frame->metal = std::make_unique<chart_frame::ChartFrame>(workers);
    } else {
      mglSharedMTLDevice()->setWorkerCount(workers);
      frame->gl = std::make_unique<frame_bench::GLFrame>(static_cast<frame_bench::SceneKind>(scene), width,
                                                         height, TESSALY_SHADER_FOLDER);
    }
    return frame.release();
  } catch (...) {
    return nullptr;
  }
}

int drawFrame(void* handle, std::uint8_t* pixels) {
  Frame& frame = *static_cast<Frame*>(handle);
  if (frame.gl) return frame.gl->draw(pixels) ? 1 : 0;
  frame.metal->draw(false);
  frame.metal->readColor(pixels);
  return 1;
}

std::size_t pixelBytes(void* handle) {
  const Frame& frame = *static_cast<const Frame*>(handle);
  return frame.gl ? frame.gl->pixelBytes() : frame.metal->colorBytes();
}

void closeFrame(void* handle) { delete static_cast<Frame*>(handle); }

}  // namespace

extern "C" __attribute__((visibility("default"))) const TessalyFrameModule* tessalyFrameModule() {
  static const TessalyFrameModule module{openFrame, drawFrame, pixelBytes, closeFrame};
  return &module;
}
