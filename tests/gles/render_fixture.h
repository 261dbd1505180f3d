// A fixture for the renderer's tests: a current context drawing into a
// framebuffer with a colour renderbuffer, the software GPU synchronous with
// its command log on, and a stand-in for a linked program (the shader side
// fills in the same operations when it links).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"
#include "gles/render/buffer.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/library.h"
#include "tests/gles/gl_test_context.h"

namespace tessaly::test {

// A linked program with the given active attributes (location, Metal index).
class FakeProgram : public MGLShaderProgram {
 public:
  FakeProgram(GLID glID, std::vector<MGLShaderProgramVertexAttributeBinding> attributes)
      : MGLShaderProgram(glID),
        attributes_(std::move(attributes)),
        vertex_(library()->newFunctionWithName("vertexMain")),
        fragment_(library()->newFunctionWithName("fragmentMain")) {}

  // Pipelines need functions with code: a compiled pair without inputs.
  static std::shared_ptr<mtl::Library> library() {
    static const auto shared = mglSharedMTLDevice()->newLibraryWithSource(
        "vertex float4 vertexMain() { return float4(0.0); }\n"
        "fragment float4 fragmentMain() { return float4(1.0); }\n",
        {}, nullptr);
    return shared;
  }

  bool isLinked() const override { return linked; }
  std::uint64_t activeVertexAttributeCount() const override { return attributes_.size(); }
  MGLShaderProgramVertexAttributeBinding activeVertexAttribute(std::uint64_t k) const override {
    return attributes_[k];
  }
  const void* vertexAttributeLayout() const override { return &layout_; }
  std::shared_ptr<mtl::Function> vertexMTLFunction() override { return vertex_; }
  std::shared_ptr<mtl::Function> fragmentMTLFunction() override { return fragment_; }
  void renderTo(MGLRenderer&) override { ++renderCount; }
  void setIsRendered(bool value) override { rendered = value; }

  bool linked = true;
  bool rendered = true;
  int renderCount = 0;

 private:
  std::vector<MGLShaderProgramVertexAttributeBinding> attributes_;
  int layout_ = 0;  // its address is the layout's identity
  std::shared_ptr<mtl::Function> vertex_, fragment_;
};

class RenderTest : public GLTestContext {
 protected:
  void SetUp() override {
    GLTestContext::SetUp();
    device = mglSharedMTLDevice();
    device->gpu().setSynchronous(true);
    device->commandLog().enable(100000);
    device->commandLog().clear();
  }
  void TearDown() override {
    GLTestContext::TearDown();  // the context's renderer commits what is open
    device->gpu().resume();
    device->gpu().waitUntilIdle();
    device->gpu().setSynchronous(true);
    device->commandLog().disable();
  }

  // A framebuffer with a colour (and optionally a depth and a stencil)
  // renderbuffer of `width` x `height`, bound for drawing.
  MGLFramebuffer* makeFramebuffer(GLint width, GLint height, bool depth = false,
                                  bool stencil = false) {
    const GLID name = context->framebuffers()->generateGLID();
    context->bindDrawFramebuffer(name);
    MGLFramebuffer* framebuffer = context->currentDrawFramebuffer();
    auto attach = [&](GLenum format, GLenum point) {
      const GLID r = context->renderbuffers()->generateGLID();
      auto* renderbuffer = static_cast<MGLRenderbuffer*>(context->renderbuffers()->getObjectWithGLID(r));
      renderbuffer->generateStorageWithPixelFormat(format, width, height, 0, *context);
      framebuffer->attach(renderbuffer, point, *context);
      return r;
    };
    colorRenderbuffer = attach(GL_RGBA8_OES, GL_COLOR_ATTACHMENT0);
    context->bindRenderbufferWithGLID(colorRenderbuffer);
    if (depth) attach(GL_DEPTH_COMPONENT32_OES, GL_DEPTH_ATTACHMENT);
    if (stencil) attach(GL_STENCIL_INDEX8, GL_STENCIL_ATTACHMENT);
    return framebuffer;
  }

  // A linked program made current.
  FakeProgram* useProgram(std::vector<MGLShaderProgramVertexAttributeBinding> attributes = {}) {
    MGLSharegroupGLObjectStore* store = context->shaderPrograms()->sharegroupObjectStore();
    const GLID name = store->generateGLID();
    MGLRef<FakeProgram> program = mglMake<FakeProgram>(name, std::move(attributes));
    store->addObject(program.get());
    context->renderPipelineState()->setShaderProgram(program.get());
    return program.get();
  }

  // A framebuffer, a program reading attribute 0 as two floats from
  // `vertices` (stride 8), ready to draw.
  void readyToDraw(const float* vertices, GLint width = 64, GLint height = 32) {
    makeFramebuffer(width, height);
    program = useProgram({{0, 0}});
    MGLVertexArrayObject* vertexArray = context->renderPipelineState()->vertexArrayObject();
    vertexArray->bindVertices(vertices, 2, GL_FLOAT, 0, false, 0);
    vertexArray->setShouldUsePerVertexContent(true, 0);
  }

  MGLBuffer* makeBuffer(GLenum target, const void* bytes, GLsizeiptr size,
                        GLenum usage = GL_STATIC_DRAW) {
    const GLID name = context->buffers()->generateGLID();
    context->bindBufferWithGLID(name, target);
    auto* buffer = static_cast<MGLBuffer*>(context->buffers()->getObjectWithGLID(name));
    buffer->setData(bytes, size, usage);
    return buffer;
  }

  MGLRenderer& renderer() { return *context->renderer(); }
  std::vector<std::string> log() const { return device->commandLog().texts(); }
  // Log entries that begin with `prefix`.
  std::size_t count(const std::string& prefix) const {
    const std::vector<std::string> texts = log();
    return static_cast<std::size_t>(std::count_if(texts.begin(), texts.end(), [&](const std::string& t) {
      return t.compare(0, prefix.size(), prefix) == 0;
    }));
  }
  // The entries from the first one that begins with `prefix`.
  std::vector<std::string> logFrom(const std::string& prefix) const {
    std::vector<std::string> texts = log();
    auto first = std::find_if(texts.begin(), texts.end(), [&](const std::string& t) {
      return t.compare(0, prefix.size(), prefix) == 0;
    });
    return {first, texts.end()};
  }

  std::shared_ptr<mtl::Device> device;
  GLID colorRenderbuffer = 0;
  FakeProgram* program = nullptr;
};

}  // namespace tessaly::test
