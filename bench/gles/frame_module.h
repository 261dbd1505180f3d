// The frame benchmark's scenes behind a C interface, so that one process
// can load two builds of them, each linked with a different tree's
// libraries, and draw their frames in turn (frame_ab_bench.cpp). A build's
// module keeps every symbol of its libraries to itself.
//
// Thread rules: a frame is opened, drawn and closed on one thread.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// Scenes: the GL frames of frame_scenes.h, and the Metal chart frame of
// chart_frame.h (which has its own size).
enum TessalyFrameScene { kFrameClear = 0, kFrameSky = 1, kFrameChart = 2, kFrameMetalChart = 3 };

struct TessalyFrameModule {
  // Null when the scene cannot be set up.
  void* (*open)(int scene, int width, int height, unsigned workers);
  // One frame read back into `pixels` (pixelBytes bytes); 0 on an error.
  int (*draw)(void* frame, std::uint8_t* pixels);
  std::size_t (*pixelBytes)(void* frame);
  void (*close)(void* frame);
};

// The module's one exported symbol.
const TessalyFrameModule* tessalyFrameModule();
}
