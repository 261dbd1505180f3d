// For the GL layer's benchmarks: a context current on the benchmark's
// thread, logging off, the software GPU synchronous without its command
// log, drawing into a 64 x 64 framebuffer with an RGBA8 colour
// renderbuffer, as the chart view sets it up.
#pragma once

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/render/renderer.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"

struct GLBenchScene {
  GLBenchScene() {
    mglLoggingEnabled = false;
    mglSharedMTLDevice()->gpu().setSynchronous(true);
    mglSharedMTLDevice()->commandLog().disable();
    context = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
    const GLID name = context->framebuffers()->generateGLID();
    context->bindDrawFramebuffer(name);
    const GLID r = context->renderbuffers()->generateGLID();
    auto* color = static_cast<MGLRenderbuffer*>(context->renderbuffers()->getObjectWithGLID(r));
    color->generateStorageWithPixelFormat(GL_RGBA8_OES, 64, 64, 0, *context);
    context->currentDrawFramebuffer()->attach(color, GL_COLOR_ATTACHMENT0, *context);
  }
  ~GLBenchScene() {
    context->renderer()->endCommandBuffer();
    mglSetCurrentContext(nullptr);
  }
  GLBenchScene(const GLBenchScene&) = delete;
  GLBenchScene& operator=(const GLBenchScene&) = delete;

  MGLRenderer& renderer() { return *context->renderer(); }
  MGLRef<MGLContext> context;
};
